// Times the phases of a frame, in the loop's order and without the pacing
// wait, over a two-player game in which both ships move and fire all the time;
// beside it, in the same run, the time to write that frame's pixels alone.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "game/game.h"
#include "media/media.h"
#include "platform/platform.h"
#include "platform/test_host.h"
#include "startup/startup.h"

namespace {
constexpr int32_t FRAMES = 2000;
constexpr int32_t FRAME_MS = 36;

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void SetUpGame() {
  EnterFullscreen(SCREEN_WIDTH, SCREEN_HEIGHT, 16, "Tolvane");
  SetFrameLimit(80);
  LoadGameAssets();
  frameCounter = 0;
  decorScroll = 0;
  decorScrollStep = 1;
  frameTime = GetTickCount();
  ResetEnemies();
  ResetPickups();
  ResetProjectiles();
  ResetPlayers();
  ResetScenery();
  score = 0;
  // Every weapon collected, so the change key walks through all seven.
  for (int32_t p = 1; p <= 2; ++p)
    for (int32_t w = 1; w <= 7; ++w) ownedWeapons[p][w] = 1;
}

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

// The frame's pictures as plain blits: backdrop, ships, projectiles, enemies, HUD.
void WritePixelsOnly() {
  FillTarget(0, 0, 0);
  for (int32_t i = 1; i <= 1000; ++i) {
    const int32_t x = decorX[i] + decorScroll;
    if (x < SCREEN_WIDTH && x > -800) BlitSprite(decorSprite[i], x, decorSprite[i] == 5 ? 150 : decorY[i]);
  }
  const int32_t x0 = static_cast<int32_t>(FloorOrCeil(groundScroll, 0));
  BlitSpriteKeyed(0, x0 + groundStripX1, 500);
  BlitSpriteKeyed(0, x0 + groundStripX2, 500);
  for (int32_t i = 1; i <= 400; ++i)
    if (fighterState[i] != 0) BlitSpriteKeyed(100 + i, fighterX[i], fighterY[i]);
  for (int32_t i = 1; i <= 200; ++i) {
    if (asteroidState[i] != 0) BlitSpriteKeyed(500 + i, asteroidX[i], asteroidY[i]);
    if (gunshipState[i] != 0) BlitSpriteKeyed(700 + i, gunshipX[i], gunshipY[i]);
    if (cruiserState[i] != 0) BlitSpriteKeyed(900 + i, cruiserX[i], cruiserY[i]);
    if (mineState[i] != 0) BlitSpriteKeyed(1100 + i, mineX[i], mineY[i]);
  }
  if (player1State != 0) BlitSpriteKeyed(13, player1X, player1Y);
  if (player2State != 0) BlitSpriteKeyed(14, player2X, player2Y);
  for (int32_t i = 1; i <= 1000; ++i)
    if (bulletDir[i] != 0) BlitSpriteKeyed(15, bulletX[i], bulletY[i]);
  for (int32_t i = 1; i <= 2; ++i)
    if (beamState[i] != 0) BlitSpriteKeyed(18, beamX[i], 0);
  for (int32_t i = 1; i <= 200; ++i) {
    if (missileDir[i] != 0) BlitSpriteKeyed(22, missileX[i], missileY[i]);
    if (heavyShotDir[i] != 0) BlitSprite(23, heavyShotX[i], heavyShotY[i]);
  }
  BlitSprite(6, 10, 10);
  BlitSprite(7, 19, 19);
  BlitSprite(7, 204, 19);
}

double Percentile(std::vector<double> v, double q) {
  std::sort(v.begin(), v.end());
  return v[static_cast<size_t>(q * double(v.size() - 1))];
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
  SetUpGame();

  std::vector<double> frameMs, pixelMs, presentMs;
  int32_t shots = 0;
  for (int32_t f = 0; f < FRAMES; ++f) {
    // The ships are kept alive so that the whole run has two busy players.
    player1Energy = player2Energy = 100;
    player1State = player2State = 1;

    const auto p0 = Clock::now();
    WritePixelsOnly();
    const auto p1 = Clock::now();
    pixelMs.push_back(Ms(p1 - p0));

    PollKeyboard();
    frameCounter += 1;
    const auto s0 = Clock::now();
    PresentFrame();
    const auto s1 = Clock::now();
    presentMs.push_back(Ms(s1 - s0));
    decorScroll -= decorScrollStep;
    FillTarget(0, 0, 0);
    RegenerateAmmo();
    DrawScenery();
    UpdatePickups();
    AdvanceScroll();
    MoveEnemies();
    WrapGroundStrips();
    DrawEnemies();
    RunLevelScript();
    PlacePickups();
    UpdatePlayers();
    UpdateProjectiles();
    DrawHud();
    const auto t1 = Clock::now();
    host.now += FRAME_MS;  // the pacing wait, without waiting
    frameTime = GetTickCount();
    SetKeys(host, f);
    const auto t2 = Clock::now();
    ReadPlayerInput();
    CheckPause();
    const auto t3 = Clock::now();
    frameMs.push_back(Ms(t1 - s1) + Ms(s0 - p1) + Ms(t3 - t2));
    for (int32_t i = 1; i <= 1000; ++i) shots += bulletDir[i] != 0;
  }

  std::printf("frames %d, live bullets per frame on average %.1f, sprites %s\n", FRAMES,
              double(shots) / FRAMES, SpriteFullWidth(5) > 1 ? "from the built-in media" : "placeholders only");
  std::printf("frame work (no present, no pacing): median %.3f ms, 99th percentile %.3f ms\n",
              Percentile(frameMs, 0.5), Percentile(frameMs, 0.99));
  std::printf("pixels alone (fill, planets, ground, sprites): median %.3f ms, 99th percentile %.3f ms\n",
              Percentile(pixelMs, 0.5), Percentile(pixelMs, 0.99));
  std::printf("present on the test host: median %.3f ms\n", Percentile(presentMs, 0.5));
  return 0;
}
