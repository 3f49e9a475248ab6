#include "game/game.h"
#include "platform/platform.h"

void ResetPlayers() {}
void RegenerateAmmo() {}
void UpdatePlayers() {}
void ReadPlayerInput() {
  if (KeyIsDown(1) == 0) escLatch = 1;
}
