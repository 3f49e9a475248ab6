#include "game/game.h"
#include "media/media.h"
#include "platform/platform.h"

namespace {
constexpr int32_t KEY_ESCAPE = 1;
constexpr int32_t KEY_PAUSE = 13;  // entry of keyTable
}  // namespace

// Halts the game inside the frame; only the present step paces the loop, and
// the frame counter stands still while the tick counter runs on.
void CheckPause() {
  PollKeyboard();
  if (KeyIsDown(keyTable[KEY_PAUSE]) == 0) return;
  CaptureSprite(SPRITE_SCREEN_STILL, 1, 1, 799, 599, 0);
  // The press that paused must be let go before Escape counts, so holding
  // the pause key cannot run straight through the pause.
  bool released = false;
  for (;;) {
    PollKeyboard();
    PresentFrame();
    FillTarget(0, 0, 0);
    BlitSprite(SPRITE_SCREEN_STILL, 1, 1);
    DrawBitmapText(280, 200, "-Pause-");
    DrawBitmapText(10, 300, "Press Esc To continue...");
    if (KeyIsDown(keyTable[KEY_PAUSE]) == 0) released = true;
    if (released && KeyIsDown(KEY_ESCAPE) != 0) break;
  }
  PollKeyboard();
  // The Escape that resumed must not also quit.
  escLatch = 0;
}
