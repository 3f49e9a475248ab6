// A whole two-player game on the test host from a fresh program start, both
// ships moving and firing all the time by a scripted keyboard.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "game/game.h"
#include "keys/keys.h"
#include "platform/platform.h"
#include "platform/test_host.h"
#include "state/state.h"

constexpr int32_t KEEP_ALIVE_ENERGY = 1000;

struct WholeGame {
  Screen next = Screen::Menu;
  int32_t lastFrame = 0;  // frameCounter when the game handed over
  // Seen at the present of each frame, indexed by frameCounter: what the
  // frames before it left behind.
  std::vector<int32_t> score, state1, state2;
  std::vector<TestHost::RandomDraw> randomDraws;
};

// Both ships sweep left and right and bob up and down, player 1 in the upper
// band (y -2..118) and player 2 in the lower one (y 200..320), so that they
// never ram each other; both fire all the time and change weapon now and then.
inline void SetBusyKeys(TestHost& host, int32_t frame) {
  const bool right = frame / 40 % 2 == 0;
  const bool firstHalf = frame / 20 % 2 == 0;
  for (int32_t p = 0; p < 2; ++p) {
    const int32_t base = p * 6;
    const bool up = p == 0 ? firstHalf : !firstHalf;
    host.SetKey(keyTable[base + 1], !right);
    host.SetKey(keyTable[base + 2], right);
    host.SetKey(keyTable[base + 3], up);
    host.SetKey(keyTable[base + 4], !up);
    host.SetKey(keyTable[base + 5], true);
    host.SetKey(keyTable[base + 6], frame % 30 == p * 15);
  }
}

// Everything as a new process holds it, the clock at `clock` and the
// generator seeded from it; then a two-player game as the menu starts one.
inline TestHost& StartFreshTwoPlayerGame(uint32_t clock) {
  TestHost& host = InstallTestHostWithServices();
  ClearSharedState();
  player1LastShotTime = player2LastShotTime = 0;
  player1LastChangeTime = player2LastChangeTime = 0;
  InitFontTable();
  MakeFont(0, "arial", 8);
  host.now = clock;
  SeedRandomFromClock();
  escLatch = 1;
  for (int32_t i = 1; i <= KEY_ACTION_COUNT; ++i) keyTable[i] = DEFAULT_KEYS[i];
  player1State = player2State = 1;
  playerCount = 2;
  // One yield covers a whole pacing wait: the clock jumps past the mark.
  host.yieldStepMs = 36;
  return host;
}

// Plays until the game hands over. keepAlive tops both energies up before
// every frame of the level, up to its end at 9801, far above the usual 100:
// one ram by a gunship or cruiser can take 120 within a single frame.
// everyFrame runs at each present after the keys are set.
inline WholeGame PlayWholeGame(uint32_t clock, bool keepAlive,
                               const std::function<void()>& everyFrame = nullptr) {
  TestHost& host = StartFreshTwoPlayerGame(clock);
  WholeGame g;
  host.onPresent = [&](const uint16_t*) {
    const auto f = static_cast<size_t>(frameCounter);
    g.score.resize(f + 1);
    g.state1.resize(f + 1);
    g.state2.resize(f + 1);
    g.score[f] = score;
    g.state1[f] = player1State;
    g.state2[f] = player2State;
    if (keepAlive && frameCounter <= 9801) player1Energy = player2Energy = KEEP_ALIVE_ENERGY;
    SetBusyKeys(host, frameCounter);
    if (everyFrame) everyFrame();
  };
  g.next = RunGame();
  g.lastFrame = frameCounter;
  g.randomDraws = host.randomDraws;
  return g;
}
