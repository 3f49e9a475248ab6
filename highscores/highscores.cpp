#include "highscores/highscores.h"

#include "platform/platform.h"

// Record files come later: no record yet.
int32_t HighscoreSingle(int32_t) { return 0; }
int32_t HighscoreTeam(int32_t) { return 0; }

Screen EnterHighscoreName() {
  escLatch = 0;
  LeaveFullscreen();
  return Screen::Menu;
}

// The game-over screen comes later: back to the menu.
Screen GameOver() {
  escLatch = 0;
  LeaveFullscreen();
  return Screen::Menu;
}
