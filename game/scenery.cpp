#include "game/game.h"

void ResetScenery() {}
void DrawScenery() {}
void AdvanceScroll() {}
void WrapGroundStrips() {}
void DrawHud() {}
