// Program entry: the start-up order and the chain of screens.
#pragma once

#include "state/state.h"

void StartUp();
