#include "game/game.h"

void ResetPickups() {}
void UpdatePickups() {}
void RunLevelScript() {}
void PlacePickups() {}
