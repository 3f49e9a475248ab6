// The record files "data1" and "data2" and the entry of a new record's name.
#pragma once

#include <cstdint>

#include "startup/startup.h"

int32_t HighscoreSingle(int32_t points);
int32_t HighscoreTeam(int32_t points);
Screen EnterHighscoreName();
