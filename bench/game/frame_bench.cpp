// Times the real frame loop over a two-player game in which both ships move
// and fire all the time, with the pacing wait left out; beside it, in the same
// run, the time to write each frame's pixels alone.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "bench/game/pixel_floor.h"
#include "game/game.h"
#include "media/media.h"
#include "platform/platform.h"
#include "platform/test_host.h"
#include "state/state.h"

namespace {
constexpr int32_t FRAMES = 2000;
constexpr int32_t KEY_ESCAPE = 1;

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Both ships weave through the screen, fire all the time and change weapon now and then.
void SetKeys(TestHost& host, int32_t frame) {
  const int32_t phase = frame / 40 % 4;
  for (int32_t p = 0; p < 2; ++p) {
    const int32_t base = p * 6;
    host.SetKey(keyTable[base + 1], phase == 2);
    host.SetKey(keyTable[base + 2], phase == 0);
    host.SetKey(keyTable[base + 3], phase == 1 || phase == 2);
    host.SetKey(keyTable[base + 4], phase == 3 || phase == 0);
    host.SetKey(keyTable[base + 5], true);
    host.SetKey(keyTable[base + 6], frame % 30 == 0);
  }
}
}  // namespace

int main() {
  TestHost& host = InstallTestHost();
  ClearSharedState();
  InitFontTable();
  MakeFont(0, "arial", 8);
  StartKeyboard();
  StartSoundSystem();
  RegisterJpegDecoder();
  StartSpriteSystem();
  const int32_t keys[13] = {203, 205, 200, 208, 157, 54, 30, 32, 17, 31, 29, 15, 197};
  for (int32_t i = 0; i < 13; ++i) keyTable[i + 1] = keys[i];
  player1State = 1;
  player2State = 1;
  playerCount = 2;
  escLatch = 1;
  // One yield is the whole pacing wait: the clock jumps past the frame's mark.
  host.yieldStepMs = 36;

  // The real loop runs; every present marks a frame. The time spent in this
  // hook (keys, keeping the ships alive, the pixels-only pass) is taken out.
  std::vector<double> frameMs, pixelMs;
  int64_t bullets = 0;
  Clock::time_point last;
  double hookMs = 0.0;
  bool media = false;
  host.onPresent = [&](const uint16_t*) {
    const auto h0 = Clock::now();
    if (host.presents > 1) frameMs.push_back(Ms(h0 - last) - hookMs);
    if (host.presents == 1) {
      media = SpriteFullWidth(SPRITE_LARGE_PLANET) > 1;
      // Every weapon collected, so the change key walks through all seven.
      for (int32_t p = 1; p <= 2; ++p)
        for (int32_t w = 1; w <= 7; ++w) ownedWeapons[p][w] = 1;
    }
    for (int32_t i = 1; i <= 1000; ++i) bullets += bulletDir[i] != 0;
    // The ships are kept alive so that the whole run has two busy players.
    player1Energy = player2Energy = 100;
    player1State = player2State = 1;
    SetKeys(host, host.presents);
    if (host.presents > FRAMES) host.SetKey(KEY_ESCAPE, true);

    const auto p0 = Clock::now();
    WritePixelsOnly();
    const auto p1 = Clock::now();
    pixelMs.push_back(Ms(p1 - p0));
    last = Clock::now();
    hookMs = Ms(last - h0);
  };
  RunGame();

  std::printf("frames %zu, live bullets per frame on average %.1f, sprites %s\n", frameMs.size(),
              double(bullets) / double(host.presents), media ? "from the built-in media" : "placeholders only");
  std::printf("frame work (pacing wait left out): median %.3f ms, 99th percentile %.3f ms\n",
              Percentile(frameMs, 0.5), Percentile(frameMs, 0.99));
  std::printf("pixels alone (fill, planets, ground, sprites): median %.3f ms, 99th percentile %.3f ms\n",
              Percentile(pixelMs, 0.5), Percentile(pixelMs, 0.99));
  return 0;
}
