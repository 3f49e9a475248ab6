// The game's sounds, synthesised sample by sample.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "formats.h"

struct Sound {
  WavFormat format;
  std::vector<float> samples;  // interleaved, -1..1, already levelled
  std::vector<std::pair<std::string, std::string>> info;  // LIST/INFO entries
};

// Sound n (0..8) in its game format.
Sound MakeSound(int n);
