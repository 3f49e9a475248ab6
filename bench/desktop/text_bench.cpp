// The HUD's text on the back buffer, as the game draws it each frame: the
// score at one place, in one font and colour, over the offscreen platform.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "platform/host.h"

namespace {

void BM_DrawScore(benchmark::State& state) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  auto host = MakeDesktopHost();
  host->MakeFont(0, "arial", 8);
  std::vector<uint16_t> pixels(size_t(SCREEN_WIDTH) * SCREEN_HEIGHT);
  int32_t advance = 0;
  for (auto _ : state) {
    host->DrawText(pixels.data(), 146, 22, 0, 0xCE59, true, "12340", &advance);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_DrawScore);

}  // namespace

BENCHMARK_MAIN();
