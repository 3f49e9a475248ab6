#include "startup/startup.h"

#include <cstdio>

#include "game/game.h"
#include "highscores/highscores.h"
#include "keys/keys.h"
#include "media/media.h"
#include "menu/menu.h"
#include "platform/platform.h"

namespace {
// A failed start must not look like success to whoever started us.
constexpr int32_t EXIT_START_FAILED = 1;

// The message box tells the player no more than that; stderr names the
// service and the reason for whoever has to fix it.
[[noreturn]] void ServiceFailed(const char* service) {
  ShowMessageBox("Error !!!", "Please check your DirectX-Version", 0);
  std::string reason = ServiceFailureReason();
  if (reason.empty()) reason = "reason unknown";
  std::fprintf(stderr, "tolvane: the %s could not start: %s\n", service, reason.c_str());
  EndProgramWithCode(EXIT_START_FAILED);
}

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

[[noreturn]] void RunScreens(Screen next) {
  for (;;) {
    switch (next) {
      case Screen::Menu:
        next = RunMenu();
        // Without a menu window nothing but the end is left.
        if (next == Screen::MenuUnavailable) EndProgram();
        break;
      case Screen::Game:
        next = RunGame();
        break;
      case Screen::GameOver:
        next = GameOver();
        break;
      case Screen::NameEntry:
        next = EnterHighscoreName();
        break;
      case Screen::MenuUnavailable:
        EndProgram();
    }
  }
}
}  // namespace

void StartUp() {
  ClearSharedState();
  programDirectory = DirectoryOf(ProgramFilePath());

  InitDecoderRegistry();
  InitControlTable();
  InitDrawingDefaults();
  InitFileTable();
  InitFontTable();
  InitPictureTable();
  SeedRandomFromClock();
  InitWindowSystem();

  MakeFont(0, "arial", 8);
  // The shared tables are static and were just cleared.
  escLatch = 1;
  DecodePictureFromMemory(PICTURE_FIGHTER, PictureFighterFile());
  DecodePictureFromMemory(PICTURE_LOGO, PictureLogoFile());

  if (StartKeyboard() == 0) ServiceFailed("keyboard");
  PollKeyboard();
  if (StartSoundSystem() == 0) ServiceFailed("sound system");
  RegisterJpegDecoder();
  if (StartSpriteSystem() == 0) ServiceFailed("display system");

  LoadKeys();
  player1State = 1;

  Screen first = RunMenu();
  // No menu window: straight into a game with player 1. No start button set
  // a mode, so playerCount stays 0 and the game ends on the plain game-over
  // screen, with no record file to compare or write.
  if (first == Screen::MenuUnavailable) first = Screen::Game;
  RunScreens(first);
}
