// Times the real frame loop over a two-player game in which both ships move
// and fire all the time, with the pacing wait left out; beside it, in the same
// run, the time to write each frame's pixels alone. Then the same for a frame
// crowded with every enemy that the formations can place, and the projectiles'
// worst case: every shot slot in flight against that crowd.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
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
// ---- worst case of the enemies: every slot a formation can fill, alive ----

constexpr int32_t CROWD_FRAMES = 500;

// Spread over the screen so that neighbours overlap each other and the ships.
void PlaceCrowd() {
  for (int32_t i = 1; i <= 391; ++i) {
    fighterState[i] = 1;
    fighterX[i] = i * 37 % 636;
    fighterY[i] = i * 53 % 515;
  }
  for (int32_t i = 1; i <= 191; ++i) {
    asteroidState[i] = gunshipState[i] = cruiserState[i] = mineState[i] = 1;
    asteroidX[i] = i * 41 % 725, asteroidY[i] = i * 59 % 525, asteroidDy[i] = i % 3 - 1;
    gunshipX[i] = i * 43 % 670, gunshipY[i] = i * 61 % 520;
    cruiserX[i] = i * 47 % 640, cruiserY[i] = i * 67 % 520;
    mineX[i] = i * 31 % 720, mineY[i] = i * 71 % 520;
    asteroidEnergy[i] = 40, gunshipEnergy[i] = 100, cruiserEnergy[i] = 150, mineEnergy[i] = 20;
  }
  mineVelocityX = -6;
  // Shots are the projectiles' business; here they only must not pile up.
  bulletDir.fill(0);
  heavyShotDir.fill(0);
}

// How long a poll takes when nothing has changed since the last one.
double PollNs() {
  constexpr int32_t N = 20000000;
  PollKeyboard();
  const auto t0 = Clock::now();
  for (int32_t i = 0; i < N; ++i) PollKeyboard();
  return Ms(Clock::now() - t0) * 1e6 / N;
}

void RunEnemyCrowd(TestHost& host) {
  std::vector<double> frameMs, pixelMs;
  std::vector<uint64_t> polls;
  Clock::time_point last;
  double hookMs = 0.0;
  uint64_t pollsAtLast = 0;
  int32_t frames = 0;
  host.SetKey(KEY_ESCAPE, false);
  host.recordRandomDraws = false;
  host.onPresent = [&](const uint16_t*) {
    const auto h0 = Clock::now();
    const uint64_t pollsNow = KeyboardPollCount();
    if (frames > 0) {
      frameMs.push_back(Ms(h0 - last) - hookMs);
      polls.push_back(pollsNow - pollsAtLast);
    }
    ++frames;
    player1Energy = player2Energy = 100;
    player1State = player2State = 1;
    player1X = 300, player1Y = 250;
    player2X = 420, player2Y = 330;
    PlaceCrowd();
    if (frames > CROWD_FRAMES) host.SetKey(KEY_ESCAPE, true);

    const auto p0 = Clock::now();
    WritePixelsOnly();
    pixelMs.push_back(Ms(Clock::now() - p0));
    last = Clock::now();
    pollsAtLast = KeyboardPollCount();
    hookMs = Ms(last - h0);
  };
  RunGame();

  std::sort(polls.begin(), polls.end());
  const double pollNs = PollNs();
  const double medianMs = Percentile(frameMs, 0.5);
  const double medianPolls = double(polls[polls.size() / 2]);
  std::printf("\nenemy crowd (391 fighters, 191 of each other kind, all on screen): %zu frames\n", frameMs.size());
  std::printf("frame work: median %.3f ms, 99th percentile %.3f ms\n", medianMs, Percentile(frameMs, 0.99));
  std::printf("blits alone: median %.3f ms, 99th percentile %.3f ms\n", Percentile(pixelMs, 0.5),
              Percentile(pixelMs, 0.99));
  std::printf("keyboard polls per frame: median %.0f, max %llu; %.2f ns each with nothing new, %.2f%% of the frame\n",
              medianPolls, static_cast<unsigned long long>(polls.back()), pollNs,
              100.0 * medianPolls * pollNs * 1e-6 / medianMs);
}
}  // namespace

// ---- projectiles: the worst case ----
// Every projectile slot in flight against every slot a formation can fill,
// alive and drawn, in each of 200 frames. Hits free shots and destroy
// enemies, so every slot is put back before each frame, outside the timing.
namespace projectile_worst_case {
constexpr int32_t FRAMES = 200;
constexpr int32_t FIGHTERS = 391, OTHERS = 191;

// The thread's own processor time: on a shared machine the wall clock also
// counts the time the thread waits for a processor.
double ThreadMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// The bench's own generator, so the layout does not depend on the game's draws.
uint32_t layoutSeed = 1;
int32_t Next(int32_t below) {
  layoutSeed = layoutSeed * 1664525u + 1013904223u;
  return static_cast<int32_t>((layoutSeed >> 8) % uint32_t(below));
}

// Enemies and shots anywhere on the screen, as in the thickest of fights; or,
// with shotsApart, the shots all below the enemies, so that nearly every test
// runs and is rejected (only the beams, which span the screen, hit).
void Lay(int32_t frame, bool shotsApart) {
  layoutSeed = uint32_t(frame) * 7919u + 17u;
  const int32_t enemyRows = shotsApart ? 250 : 600, shotTop = shotsApart ? 400 : 0;
  for (int32_t i = 1; i <= FIGHTERS; ++i) {
    fighterState[i] = 1, fighterX[i] = Next(800) - 80, fighterY[i] = Next(enemyRows) - 40;
    DrawAnimation(SPRITE_FIGHTER_SHEET, 1, 1, fighterX[i], fighterY[i], 164, 85, -1, ANIM_BASE_FIGHTER + i, 0, 0, 0, 0);
  }
  for (int32_t i = 1; i <= OTHERS; ++i) {
    asteroidState[i] = 1, asteroidEnergy[i] = 40, asteroidX[i] = Next(800), asteroidY[i] = Next(enemyRows) - 40;
    gunshipState[i] = 1, gunshipEnergy[i] = 100, gunshipX[i] = Next(800) - 60, gunshipY[i] = Next(enemyRows) - 40;
    cruiserState[i] = 1, cruiserEnergy[i] = 150, cruiserX[i] = Next(800) - 80, cruiserY[i] = Next(enemyRows) - 40;
    mineState[i] = 1, mineEnergy[i] = 20, mineX[i] = Next(800) - 40, mineY[i] = Next(enemyRows) - 40;
    DrawAnimation(SPRITE_ASTEROID_SHEET, 1, 10, asteroidX[i], asteroidY[i], 75, 75, 160, ANIM_BASE_ASTEROID + i, 255, 0, 255, 1);
    DrawAnimation(SPRITE_GUNSHIP_SHEET, 1, 1, gunshipX[i], gunshipY[i], 130, 80, -10, ANIM_BASE_GUNSHIP + i, 255, 0, 255, 0);
    DrawAnimation(SPRITE_CRUISER_SHEET, 1, 1, cruiserX[i], cruiserY[i], 160, 80, -10, ANIM_BASE_CRUISER + i, 255, 0, 255, 0);
    DrawAnimation(SPRITE_MINE_SHEET, 1, 4, mineX[i], mineY[i], 80, 80, 60, ANIM_BASE_MINE + i, 0, 0, 0, 1);
  }
  for (int32_t i = 1; i <= 1000; ++i)
    bulletDir[i] = i % 5 == 0 ? -1 : 1, bulletX[i] = Next(790) + 5, bulletY[i] = shotTop + Next(600 - shotTop), bulletDy[i] = Next(5) - 2;
  for (int32_t i = 1; i <= 200; ++i) {
    missileDir[i] = 1, missileX[i] = Next(780) + 5, missileY[i] = shotTop + Next(600 - shotTop);
    heavyShotDir[i] = i % 4 == 0 ? -1 : 1, heavyShotX[i] = Next(700) + 50, heavyShotY[i] = shotTop + Next(600 - shotTop);
  }
  for (int32_t i = 1; i <= 2; ++i) beamState[i] = 1, beamX[i] = Next(700);
  player1State = player2State = 1;
  player1Energy = player2Energy = 100;
  player1X = Next(600), player1Y = shotTop + Next(500 - shotTop), player2X = Next(600), player2Y = shotTop + Next(500 - shotTop);
  DrawAnimation(SPRITE_PLAYER1_SHEET, 1, 1, player1X, player1Y, 100, 30, -10, SPRITE_PLAYER1_WORK, 0, 0, 0, 0);
  DrawAnimation(SPRITE_PLAYER2_SHEET, 1, 1, player2X, player2Y, 100, 30, -10, SPRITE_PLAYER2_WORK, 0, 0, 0, 0);
}

// The touch tests of one layout's bullets against every enemy, timed alone;
// and the same for pairs whose boxes lie apart, the common case.
void TimeTouchTests() {
  Lay(0, false);
  int64_t tests = 0, touching = 0;
  const auto t0 = Clock::now();
  for (int32_t b = 1; b <= 1000; ++b) {
    for (int32_t i = 1; i <= FIGHTERS; ++i, ++tests)
      touching += SpritesTouch(SPRITE_BULLET, bulletX[b], bulletY[b], ANIM_BASE_FIGHTER + i, fighterX[i], fighterY[i]);
    for (int32_t i = 1; i <= OTHERS; ++i, tests += 4) {
      touching += SpritesTouch(SPRITE_BULLET, bulletX[b], bulletY[b], ANIM_BASE_ASTEROID + i, asteroidX[i], asteroidY[i]);
      touching += SpritesTouch(SPRITE_BULLET, bulletX[b], bulletY[b], ANIM_BASE_GUNSHIP + i, gunshipX[i], gunshipY[i]);
      touching += SpritesTouch(SPRITE_BULLET, bulletX[b], bulletY[b], ANIM_BASE_CRUISER + i, cruiserX[i], cruiserY[i]);
      touching += SpritesTouch(SPRITE_BULLET, bulletX[b], bulletY[b], ANIM_BASE_MINE + i, mineX[i], mineY[i]);
    }
  }
  const double mixedNs = Ms(Clock::now() - t0) * 1e6 / double(tests);
  int64_t apart = 0;
  const auto t1 = Clock::now();
  for (int32_t b = 1; b <= 1000; ++b)
    for (int32_t i = 1; i <= FIGHTERS; ++i, ++tests)
      apart += SpritesTouch(SPRITE_BULLET, 2000 + b, bulletY[b], ANIM_BASE_FIGHTER + i, fighterX[i], fighterY[i]);
  const double apartNs = Ms(Clock::now() - t1) * 1e6 / double(1000 * FIGHTERS);
  std::printf("touch test, bullet against an enemy: %.2f ns on this layout (%.1f%% touching), %.2f ns for boxes apart%s\n",
              mixedNs, 100.0 * double(touching) / double(tests - 1000 * FIGHTERS), apartNs, apart ? " (!)" : "");
}

void Run() {
  InstallTestHostWithServices().recordRandomDraws = false;
  ClearSharedState();
  EnterFullscreen(SCREEN_WIDTH, SCREEN_HEIGHT, 16, "Tolvane");
  LoadGameAssets();
  SetProjectileSettings();
  ResetEnemies();
  ResetProjectiles();
  for (bool apart : {false, true}) {
    std::vector<double> frameMs, cpuMs;
    int64_t kills = 0;
    for (int32_t f = 0; f < FRAMES; ++f) {
      Lay(f, apart);
      score = 0;
      const double c0 = ThreadMs();
      const auto t0 = Clock::now();
      UpdateProjectiles();
      frameMs.push_back(Ms(Clock::now() - t0));
      cpuMs.push_back(ThreadMs() - c0);
      kills += score;
    }
    std::printf("%sprojectiles, worst case (1000 bullets, 200 missiles, 200 heavy shots, 2 beams against %d enemies, %s): "
                "median %.3f ms, 99th percentile %.3f ms (processor time: %.3f ms, %.3f ms), score per frame %.0f\n",
                apart ? "" : "\n", FIGHTERS + 4 * OTHERS, apart ? "shots below the enemies" : "all over the screen",
                Percentile(frameMs, 0.5), Percentile(frameMs, 0.99), Percentile(cpuMs, 0.5), Percentile(cpuMs, 0.99),
                double(kills) / FRAMES);
  }
  TimeTouchTests();
}
}  // namespace projectile_worst_case

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
  RunEnemyCrowd(host);
  projectile_worst_case::Run();
  return 0;
}
