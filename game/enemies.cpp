#include "game/game.h"
#include "media/media.h"
#include "platform/platform.h"

int32_t fighterSpeed, asteroidSpeed, gunshipSpeed, cruiserSpeed;
int32_t mineVelocityX;
int32_t fighterFireInterval, gunshipFireInterval, cruiserFireInterval;

namespace {
constexpr int32_t FIGHTER_LAST = 400;
constexpr int32_t OTHER_LAST = 200;
}  // namespace

void SetEnemySettings() {
  fighterSpeed = 5;
  asteroidSpeed = 7;
  gunshipSpeed = 5;
  cruiserSpeed = 6;
  mineVelocityX = -6;
  fighterFireInterval = 1200;
  gunshipFireInterval = 1500;
  cruiserFireInterval = 1900;
}

// Positions, dy, last-shot times and animation entries stay from the last game.
void ResetEnemies() {
  for (int32_t i = 1; i <= FIGHTER_LAST; ++i) {
    fighterState[i] = 0;
    fighterX[i] = 0;
  }
  for (int32_t i = 1; i <= OTHER_LAST; ++i) {
    asteroidState[i] = 0;
    gunshipState[i] = 0;
    cruiserState[i] = 0;
    mineState[i] = 0;
    asteroidEnergy[i] = 40;
    gunshipEnergy[i] = 100;
    cruiserEnergy[i] = 150;
    mineEnergy[i] = 20;
  }
}

// A fighter's explosion follows its still frame, so its frame is kept.
void ExplodeFighter(int32_t slot) { fighterState[slot] = 2; }
void ExplodeAsteroid(int32_t slot) {
  asteroidState[slot] = 2;
  animFrame[ANIM_BASE_ASTEROID + slot] = 0;
}
void ExplodeGunship(int32_t slot) {
  gunshipState[slot] = 2;
  animFrame[ANIM_BASE_GUNSHIP + slot] = 0;
}
void ExplodeCruiser(int32_t slot) {
  cruiserState[slot] = 2;
  animFrame[ANIM_BASE_CRUISER + slot] = 0;
}
void ExplodeMine(int32_t slot) {
  mineState[slot] = 2;
  animFrame[ANIM_BASE_MINE + slot] = 0;
}

void MoveEnemies() {}
void DrawEnemies() {}
