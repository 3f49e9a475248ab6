// The record files "data1" and "data2", game over, and the entry of a new
// record's name.
#pragma once

#include <cstdint>

#include "state/state.h"

int32_t HighscoreSingle(int32_t points);
int32_t HighscoreTeam(int32_t points);
Screen GameOver();
Screen EnterHighscoreName();
