// The two screens after a game: game over and the entry of a new record's
// name. Both draw over the still of the last picture.
#include <array>

#include "game/game.h"
#include "highscores/highscores.h"
#include "media/media.h"
#include "platform/platform.h"

namespace {
constexpr int32_t KEY_ESCAPE_CODE = 1;
constexpr int32_t GAME_OVER_PASS_MS = 15;
constexpr int32_t NAME_ENTRY_PASS_MS = 80;
constexpr size_t NAME_LIMIT = 23;

constexpr int32_t KEY_RETURN = 0x1C;
constexpr int32_t KEY_PAD_ENTER = 0x9C;
constexpr int32_t KEY_BACK = 0x0E;
constexpr int32_t KEY_DELETE = 0xD3;

struct CharKey {
  int32_t code;
  char c;
};
// Tested in this order; the first key down wins.
constexpr std::array<CharKey, 39> CHAR_KEYS = {{
    {0x39, ' '}, {0x0B, '0'},
    {0x02, '1'}, {0x03, '2'}, {0x04, '3'}, {0x05, '4'}, {0x06, '5'}, {0x07, '6'}, {0x08, '7'}, {0x09, '8'}, {0x0A, '9'},
    {0x1E, 'A'}, {0x30, 'B'}, {0x2E, 'C'}, {0x20, 'D'}, {0x12, 'E'}, {0x21, 'F'}, {0x22, 'G'}, {0x23, 'H'}, {0x17, 'I'},
    {0x24, 'J'}, {0x25, 'K'}, {0x26, 'L'}, {0x32, 'M'}, {0x31, 'N'}, {0x18, 'O'}, {0x19, 'P'}, {0x10, 'Q'}, {0x13, 'R'},
    {0x1F, 'S'}, {0x14, 'T'}, {0x16, 'U'}, {0x2F, 'V'}, {0x11, 'W'}, {0x2D, 'X'}, {0x15, 'Y'}, {0x2C, 'Z'},
    {0x33, ','}, {0x35, '-'},
}};

// Polls until more than ms have passed since frameTime.
void WaitPass(int32_t ms) {
  for (;;) {
    PollKeyboard();
    const int64_t waited = TickDistance(GetTickCount(), frameTime);
    if (waited > ms) return;
    YieldProcessor(static_cast<int32_t>(ms + 1 - waited));
  }
}

void ShowStill() {
  PresentFrame();
  FillTarget(0, 0, 0);
  BlitSprite(SPRITE_SCREEN_STILL, 1, 1);
}

// One line of text typed with the keyboard, at most one key per pass; ends
// with Return or keypad Enter once the text is not empty.
std::string TypeLine(const char* heading, const char* prompt) {
  std::string text;
  for (;;) {
    PollKeyboard();
    frameTime = GetTickCount();
    PollKeyboard();
    ShowStill();
    DrawBitmapText(10, 100, heading);
    DrawBitmapText(10, 250, prompt);
    DrawBitmapText(10, 300, text);
    WaitPass(NAME_ENTRY_PASS_MS);

    // No edge detection: a key held down acts again on every pass.
    bool done = false;
    char typed = 0;
    if (!text.empty() && (KeyIsDown(KEY_RETURN) != 0 || KeyIsDown(KEY_PAD_ENTER) != 0)) {
      done = true;
    } else if (KeyIsDown(KEY_BACK) != 0) {
      if (!text.empty()) text.pop_back();
    } else if (KeyIsDown(KEY_DELETE) != 0) {
      text.clear();
    } else {
      for (const CharKey& key : CHAR_KEYS) {
        if (KeyIsDown(key.code) != 0) {
          typed = key.c;
          break;
        }
      }
    }
    if (typed != 0 && text.size() < NAME_LIMIT) text.push_back(typed);
    if (done) return text;
  }
}
}  // namespace

Screen GameOver() {
  if (playerCount == 1 && score > HighscoreSingle(0)) return Screen::NameEntry;
  if (playerCount == 2 && score > HighscoreTeam(0)) return Screen::NameEntry;
  for (;;) {
    PollKeyboard();
    frameTime = GetTickCount();
    ShowStill();
    DrawBitmapText(250, 200, "Game Over");
    DrawBitmapText(10, 300, "Press Esc To continue...");
    WaitPass(GAME_OVER_PASS_MS);
    // Taken at once: no release first.
    if (KeyIsDown(KEY_ESCAPE_CODE) != 0) break;
  }
  escLatch = 0;
  LeaveFullscreen();
  return Screen::Menu;
}

Screen EnterHighscoreName() {
  const char* namePrompt = playerCount == 2 ? "Please enter teamname..." : "Please enter your name...";
  recordName = TypeLine("You got a new Highscore", namePrompt);
  recordTown = TypeLine("You got a new Highscore.", "your hometown, state...");
  if (playerCount == 1) HighscoreSingle(score);
  if (playerCount == 2) HighscoreTeam(score);
  escLatch = 0;
  LeaveFullscreen();
  // The keyboard is taken afresh for the menu, with a new first snapshot.
  StartKeyboard();
  PollKeyboard();
  return Screen::Menu;
}
