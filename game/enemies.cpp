#include "game/game.h"

void ResetEnemies() {}
void MoveEnemies() {}
void DrawEnemies() {}
