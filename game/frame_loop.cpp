#include "game/game.h"
#include "media/media.h"
#include "platform/platform.h"

int32_t frameCounter;
int32_t decorScroll;
int32_t decorScrollStep;

int64_t TickDistance(int32_t a, int32_t b) {
  const int64_t d = int64_t(a) - int64_t(b);
  return d < 0 ? -d : d;
}

namespace {
constexpr int32_t FRAME_SLOT_MS = 35;
constexpr int32_t SPRITE_STILL = 82;

void SetUpGame() {
  gamePlayed = 1;
  if (StartKeyboard() == 0) ShowMessageBox("Error !!!", "Please check your DirectX-Version", 0);
  EnterFullscreen(SCREEN_WIDTH, SCREEN_HEIGHT, 16, "Tolvane");
  SetFrameLimit(80);
  LoadGameAssets();

  frameCounter = 0;
  decorScroll = 0;
  frameTime = GetTickCount();
  SetEnemySettings();
  SetProjectileSettings();
  decorScrollStep = 1;
  // The owners' resets hold their other constants; only the random draws
  // depend on the order: decor first, then stars, both inside ResetScenery.
  ResetEnemies();
  ResetPickups();
  ResetProjectiles();
  ResetPlayers();
  ResetScenery();
  score = 0;
}

// Escape quits only when it was seen up since the latch was last cleared.
bool CheckQuit() {
  PollKeyboard();
  if (KeyIsDown(1) != 0 && escLatch == 1) {
    escLatch = 0;
    LeaveFullscreen();
    return true;
  }
  return false;
}
}  // namespace

void PaceFrame() {
  for (;;) {
    PollKeyboard();
    const int64_t waited = TickDistance(GetTickCount(), frameTime);
    if (waited > FRAME_SLOT_MS) break;
    YieldProcessor(static_cast<int32_t>(FRAME_SLOT_MS + 1 - waited));
  }
  frameTime = GetTickCount();
}

bool EndIfPlayersGone() {
  if (player1State != 0 || player2State != 0) return false;
  CaptureSprite(SPRITE_STILL, 1, 1, 799, 599, 0);
  return true;
}

Screen RunGame() {
  SetUpGame();
  for (;;) {
    PollKeyboard();
    frameCounter += 1;
    PresentFrame();
    decorScroll -= decorScrollStep;
    if (EndIfPlayersGone()) return Screen::GameOver;
    FillTarget(0, 0, 0);
    RegenerateAmmo();
    DrawScenery();
    UpdatePickups();
    AdvanceScroll();
    MoveEnemies();
    WrapGroundStrips();
    DrawEnemies();
    RunLevelScript();
    PlacePickups();
    UpdatePlayers();
    UpdateProjectiles();
    DrawHud();
    PaceFrame();
    ReadPlayerInput();
    CheckPause();
    if (CheckQuit()) return Screen::Menu;
  }
}
