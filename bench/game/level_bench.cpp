// Plays the whole level headless: two busy ships, kept alive to its end at
// frame 9801. Reports the wall time of the whole game and the work of each
// frame (pacing wait left out) beside the time to write its pixels alone.
#include <chrono>
#include <cstdio>
#include <vector>

#include "bench/game/pixel_floor.h"
#include "tests/game/whole_game.h"

namespace {
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }
}  // namespace

int main() {
  TestHost& host = StartFreshTwoPlayerGame(424242);

  // Every present marks a frame; the time spent in this hook (keys, energy,
  // the pixels-only pass) is taken out of the frame's work.
  std::vector<double> frameMs, pixelMs;
  Clock::time_point last;
  double hookMs = 0.0, hookTotalMs = 0.0;
  host.onPresent = [&](const uint16_t*) {
    const auto h0 = Clock::now();
    if (host.presents > 1) frameMs.push_back(Ms(h0 - last) - hookMs);
    if (frameCounter <= 9801) player1Energy = player2Energy = KEEP_ALIVE_ENERGY;
    SetBusyKeys(host, frameCounter);
    const auto p0 = Clock::now();
    WritePixelsOnly();
    pixelMs.push_back(Ms(Clock::now() - p0));
    last = Clock::now();
    hookMs = Ms(last - h0);
    hookTotalMs += hookMs;
  };
  const auto start = Clock::now();
  const Screen next = RunGame();
  const double wallMs = Ms(Clock::now() - start);

  const double median = Percentile(frameMs, 0.5);
  const double pixelMedian = Percentile(pixelMs, 0.5);
  std::printf("level: %d frames, score %d, ended in %s\n", frameCounter, score,
              next == Screen::GameOver ? "game over" : "the menu");
  std::printf("wall time of the whole game %.0f ms (%.0f ms without the pixels-only pass)\n", wallMs,
              wallMs - hookTotalMs);
  std::printf("frame work (pacing wait left out): median %.3f ms, 99th percentile %.3f ms\n", median,
              Percentile(frameMs, 0.99));
  std::printf("pixels alone: median %.3f ms, 99th percentile %.3f ms; median work / median pixels %.2f\n",
              pixelMedian, Percentile(pixelMs, 0.99), median / pixelMedian);
  return 0;
}
