#include "game/game.h"

void ResetProjectiles() {}
void UpdateProjectiles() {}
