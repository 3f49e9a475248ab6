#include "game/game.h"

#include "platform/platform.h"

void CheckPause() {}

// The game-over screen comes later: back to the menu.
Screen GameOver() {
  escLatch = 0;
  LeaveFullscreen();
  return Screen::Menu;
}
