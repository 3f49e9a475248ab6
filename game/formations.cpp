// The formations: fixed patterns of one enemy kind, each enemy in a random
// free slot. Slots near the tables' ends are never handed out.
#include <algorithm>

#include "game/game.h"
#include "media/media.h"
#include "platform/platform.h"

namespace {
constexpr int32_t FIGHTER_SLOTS = 391;
constexpr int32_t OTHER_SLOTS = 191;

constexpr int32_t ASTEROID_ENERGY = 40;
constexpr int32_t GUNSHIP_ENERGY = 100;
constexpr int32_t CRUISER_ENERGY = 150;
constexpr int32_t MINE_ENERGY = 20;

void PlaceFighter(int32_t x, int32_t y) {
  const int32_t i = FreeSlotSearch(fighterState, FIGHTER_SLOTS);
  if (i == 0) return;
  fighterState[i] = 1;
  fighterX[i] = x;
  fighterY[i] = y;
}

// The slot is taken before the caller's random terms are drawn, so a full
// range skips the asteroid without any draw.
int32_t TakeAsteroidSlot() {
  const int32_t i = FreeSlotSearch(asteroidState, OTHER_SLOTS);
  if (i != 0) asteroidState[i] = 1;
  return i;
}

void SetAsteroid(int32_t i, int32_t x, int32_t y, int32_t dy) {
  asteroidX[i] = x;
  asteroidY[i] = y;
  asteroidDy[i] = dy;
  animFrame[ANIM_BASE_ASTEROID + i] = RandomUpTo(7) + 1;  // start somewhere in the spin
  asteroidEnergy[i] = ASTEROID_ENERGY;
}

void PlaceGunship(int32_t x, int32_t y) {
  const int32_t i = FreeSlotSearch(gunshipState, OTHER_SLOTS);
  if (i == 0) return;
  gunshipState[i] = 1;
  gunshipX[i] = x;
  gunshipY[i] = y;
  gunshipEnergy[i] = GUNSHIP_ENERGY;
}

void PlaceMine(int32_t x, int32_t y) {
  const int32_t i = FreeSlotSearch(mineState, OTHER_SLOTS);
  if (i == 0) return;
  mineState[i] = 1;
  mineX[i] = x;
  mineY[i] = y;
  mineEnergy[i] = MINE_ENERGY;
}
}  // namespace

int32_t FreeSlotSearch(std::span<const int32_t> state, int32_t lastSlot) {
  lastSlot = std::min(lastSlot, static_cast<int32_t>(state.size()) - 1);
  // Probing a full range would never end.
  const auto range = state.subspan(1, static_cast<size_t>(std::max(lastSlot, 0)));
  if (std::find(range.begin(), range.end(), 0) == range.end()) return 0;
  for (;;) {
    PollKeyboard();
    const int32_t slot = RandomUpTo(lastSlot - 1) + 1;
    if (state[static_cast<size_t>(slot)] == 0) return slot;
  }
}

int32_t SpawnFighterDiagonal(int32_t x) {
  for (int32_t i = 1; i <= 8; ++i) PlaceFighter(x + 100 * i, 100 + 40 * i);
  return 0;
}

int32_t SpawnFighterWedge(int32_t x, int32_t y) {
  PlaceFighter(x, y);
  PlaceFighter(x + 60, y - 80);
  PlaceFighter(x + 60, y + 80);
  PlaceFighter(x + 120, y - 40);
  PlaceFighter(x + 120, y + 40);
  return 0;
}

// Complete, though the level does not fly it.
int32_t SpawnFighterChevron(int32_t x) {
  for (int32_t i = 1; i <= 4; ++i) PlaceFighter(x - 100 * i, 140 + 30 * i);
  for (int32_t i = 5; i <= 10; ++i) PlaceFighter(x + 100 * i - 900, 30 * i - 60);
  return 0;
}

int32_t SpawnAsteroidField(int32_t x) {
  for (int32_t j = 0; j <= 450; j += 90) {
    for (const auto& [dx, dy] : {std::pair{0, 0}, {150, 40}, {300, 0}, {450, 40}}) {
      const int32_t i = TakeAsteroidSlot();
      if (i == 0) continue;
      const int32_t r = RandomUpTo(70);
      SetAsteroid(i, x + r + dx, j + dy, 0);
    }
  }
  return 0;
}

int32_t SpawnAsteroidRain(int32_t x, int32_t dir) {
  for (int32_t j = 0; j <= 800; j += 160) {
    for (int32_t second = 0; second <= 1; ++second) {
      const int32_t i = TakeAsteroidSlot();
      if (i == 0) continue;
      const int32_t r = RandomUpTo(40);
      const int32_t s = RandomUpTo(50);
      const int32_t dy = (RandomUpTo(2) + 4) * dir;
      const int32_t ax = second == 0 ? x + r + j + 20 : x + j + r + 200;
      int32_t ay;
      if (dir == -1) {
        ay = second == 0 ? -s - 100 : s - 300;  // above the screen, falling
      } else {
        ay = second == 0 ? s + 750 : s + 600;  // below it, rising
      }
      SetAsteroid(i, ax, ay, dy);
    }
  }
  return 0;
}

int32_t SpawnGunshipPair(int32_t x) {
  PlaceGunship(x, 100);
  PlaceGunship(x, 300);
  return 0;
}

int32_t SpawnGunshipArc(int32_t x) {
  PlaceGunship(x, 100);
  PlaceGunship(x + 50, 200);
  PlaceGunship(x + 50, 300);
  PlaceGunship(x, 400);
  return 0;
}

int32_t SpawnCruiser(int32_t x, int32_t y) {
  const int32_t i = FreeSlotSearch(cruiserState, OTHER_SLOTS);
  if (i == 0) return 0;
  cruiserState[i] = 1;
  cruiserX[i] = x;
  cruiserY[i] = y;
  cruiserEnergy[i] = CRUISER_ENERGY;
  return 0;
}

int32_t SpawnMineTriangle(int32_t x) {
  PlaceMine(x, 100);
  PlaceMine(x + 50, 250);
  PlaceMine(x, 400);
  return 0;
}

int32_t SpawnMineDiagonal(int32_t x) {
  for (int32_t i = 1; i <= 9; ++i) PlaceMine(x + 60 * i, 30 + 30 * i);
  return 0;
}

int32_t SpawnAsteroid(int32_t x, int32_t y, int32_t dy) {
  const int32_t i = TakeAsteroidSlot();
  if (i != 0) SetAsteroid(i, x, y, dy);
  return 0;
}
