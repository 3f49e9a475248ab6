#include "game/game.h"

#include "platform/platform.h"

void CheckPause() {}
