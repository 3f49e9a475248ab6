// The record files "data1" and "data2" as a read finds them.
#include "highscores/highscores.h"
#include "tests/fuzz/fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PutFuzzFile("data1", data, size);
  PutFuzzFile("data2", data, size);
  const int32_t single = HighscoreSingle(0);
  if (single != 1 && single != recordPoints) std::abort();
  const int32_t team = HighscoreTeam(0);
  if (team != 1 && team != recordPoints) std::abort();
  if (lastRecordName.size() > TEXT_LINE_CAP || lastRecordTown.size() > TEXT_LINE_CAP) std::abort();
  return 0;
}
