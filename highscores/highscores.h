// The record files "data1" and "data2", game over, and the entry of a new
// record's name.
#pragma once

#include <cstdint>
#include <string>

#include "state/state.h"

// points 0 reads the record and returns its validated points (0 without a
// file, 1 when the check value does not match); points above 0 writes
// recordName, recordTown and the points; below 0 does nothing.
int32_t HighscoreSingle(int32_t points);  // "data1", one player
int32_t HighscoreTeam(int32_t points);    // "data2", two players

enum class RecordFile { Single, Team };
// The check value stored behind a record's points.
int32_t RecordCheckValue(RecordFile file, const std::string& name, const std::string& town, int32_t points);

// The end of a game: a new record goes to the name entry, anything else to
// the game-over screen until Escape, then the menu.
Screen GameOver();
Screen EnterHighscoreName();
