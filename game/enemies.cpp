// The five enemy kinds: what each does by itself every frame.
#include <cmath>
#include <cstdlib>

#include "game/game.h"
#include "media/media.h"
#include "platform/platform.h"

int32_t fighterSpeed, asteroidSpeed, gunshipSpeed, cruiserSpeed;
int32_t mineVelocityX;
int32_t fighterFireInterval, gunshipFireInterval, cruiserFireInterval;

namespace {
constexpr int32_t FIGHTER_LAST = 400;
constexpr int32_t OTHER_LAST = 200;
constexpr int32_t HOMING_RANGE = 360;
constexpr int32_t TRACKING_STEP = 2;

// now - t as a wrapping 32-bit difference read as signed.
int32_t Elapsed(int32_t now, int32_t t) {
  return static_cast<int32_t>(static_cast<uint32_t>(now) - static_cast<uint32_t>(t));
}

// A full table drops the shot; the shooter's time and sound go on regardless.
void EnemyBullet(int32_t x, int32_t y, int32_t dy) {
  const int32_t i = FreeProjectileSlot(bulletDir);
  if (i == 0) return;
  bulletDir[i] = -1;
  bulletX[i] = x;
  bulletY[i] = y;
  bulletDy[i] = dy;
}

void EnemyHeavyShot(int32_t x, int32_t y) {
  const int32_t i = FreeProjectileSlot(heavyShotDir);
  if (i == 0) return;
  heavyShotX[i] = x;
  heavyShotY[i] = y;
  heavyShotDir[i] = -1;
}

// Corner-to-corner distance in single precision, rounded half to even.
int32_t DistanceTo(int32_t ex, int32_t ey, int32_t px, int32_t py) {
  const float sum = PowerF(static_cast<float>(px - ex), 2.0f) + PowerF(static_cast<float>(py - ey), 2.0f);
  return static_cast<int32_t>(std::nearbyint(PowerF(sum, 0.5f)));
}

void MoveFighters() {
  for (int32_t i = 1; i <= FIGHTER_LAST; ++i) {
    PollKeyboard();
    if (fighterState[i] != 1) continue;
    fighterX[i] -= fighterSpeed;
    if (fighterX[i] < SCREEN_WIDTH) {
      // The first frame on screen only starts the clock.
      if (fighterLastShotTime[i] == 0) fighterLastShotTime[i] = GetTickCount();
      if (Elapsed(GetTickCount(), fighterLastShotTime[i]) > fighterFireInterval) {
        EnemyBullet(fighterX[i] + 30, fighterY[i] + 42, 0);
        fighterLastShotTime[i] = GetTickCount();
        StartSound(SOUND_SHOT, 0);
      }
    }
    if (fighterX[i] < -140) fighterState[i] = 0;
  }
}

void MoveAsteroids() {
  for (int32_t i = 1; i <= OTHER_LAST; ++i) {
    PollKeyboard();
    if (asteroidState[i] != 1) continue;
    asteroidX[i] -= asteroidSpeed;
    asteroidY[i] -= asteroidDy[i];
    if (asteroidX[i] < -140) asteroidState[i] = 0;
  }
}

void MoveGunships() {
  for (int32_t i = 1; i <= OTHER_LAST; ++i) {
    PollKeyboard();
    if (gunshipState[i] == 1) gunshipX[i] -= gunshipSpeed;
    // Every slot is stamped, alive or not, so a gunship may open fire at once.
    if (gunshipLastShotTime[i] == 0) gunshipLastShotTime[i] = GetTickCount();
    if (gunshipState[i] != 1) continue;
    if (gunshipX[i] < 750 && Elapsed(GetTickCount(), gunshipLastShotTime[i]) > gunshipFireInterval) {
      for (const int32_t gunY : {54, 21}) {
        for (const int32_t dy : {-2, 0, 2}) {
          EnemyBullet(gunshipX[i] + 44, gunshipY[i] + gunY, dy);
          StartSound(SOUND_SHOT, 0);
        }
      }
      gunshipLastShotTime[i] = GetTickCount();
    }
    if (gunshipX[i] < -140) gunshipState[i] = 0;
  }
}

void MoveCruisers() {
  for (int32_t i = 1; i <= OTHER_LAST; ++i) {
    PollKeyboard();
    if (cruiserState[i] != 1) continue;
    cruiserX[i] -= cruiserSpeed;
    const int32_t d1 = DistanceTo(cruiserX[i], cruiserY[i], player1X, player1Y);
    const int32_t d2 = DistanceTo(cruiserX[i], cruiserY[i], player2X, player2Y);
    const int32_t target = (d2 < d1 && player2State == 1 ? player2Y : player1Y) - 50;
    if (target < cruiserY[i]) {
      cruiserY[i] -= TRACKING_STEP;
    } else if (target > cruiserY[i]) {
      cruiserY[i] += TRACKING_STEP;
    }
    // No first-shot stamp: a time of 0 is a shot long ago, whatever the clock
    // reads (past 2^31 the wrapping difference from 0 would be negative).
    const bool longAgo = cruiserLastShotTime[i] == 0;
    if (cruiserX[i] < 730 && (longAgo || Elapsed(GetTickCount(), cruiserLastShotTime[i]) > cruiserFireInterval)) {
      EnemyHeavyShot(cruiserX[i] + 5, cruiserY[i] + 62);
      StartSound(SOUND_HEAVY_SHOT, 0);
      cruiserLastShotTime[i] = GetTickCount();
    }
    if (cruiserX[i] < -180) cruiserState[i] = 0;
  }
}

// The nearer player, if alive and within range; the farther one never counts.
bool ChooseMineTarget(int32_t i, int32_t& px, int32_t& py) {
  const int32_t d1 = DistanceTo(mineX[i], mineY[i], player1X, player1Y);
  const int32_t d2 = DistanceTo(mineX[i], mineY[i], player2X, player2Y);
  if (d2 < d1 && player2State == 1) {
    px = player2X;
    py = player2Y;
    return d2 < HOMING_RANGE;
  }
  if (d1 < d2 && player1State == 1) {
    px = player1X;
    py = player1Y;
    return d1 < HOMING_RANGE;
  }
  return false;
}

// mineVelocityX is shared: a mine that steers turns every mine, the later
// slots of this very frame included. Mines never leave by themselves.
void MoveMines() {
  for (int32_t i = 1; i <= OTHER_LAST; ++i) {
    PollKeyboard();
    if (mineState[i] != 1) continue;
    int32_t px = 0, py = 0;
    if (ChooseMineTarget(i, px, py) && px != mineX[i]) {
      const int32_t speed = std::abs(mineVelocityX);
      mineVelocityX = px > mineX[i] ? speed : -speed;
      const double q = double(mineVelocityX) * double(py - mineY[i]) / double(px - mineX[i]);
      mineDy[i] = static_cast<int32_t>(FloorOrCeil(static_cast<float>(q), 0));
    }
    mineY[i] += mineDy[i];
    mineX[i] += mineVelocityX;
  }
}

// One kind's tables and pictures, so that every kind draws through one loop.
struct Look {
  int32_t sheet, first, last, width, height, delay, r, g, b;
};
struct Kind {
  int32_t lastSlot;
  int32_t animBase;
  int32_t* x;
  int32_t* y;
  int32_t* state;
  void (*explode)(int32_t);
  Look live;
  int32_t liveLoop;
  Look blast;
  int32_t blastDx;  // the asteroid's blast is twice its size, centred on it
  int32_t touchSound;
  int32_t damageSpread, damageBase;
};

const Kind FIGHTER = {FIGHTER_LAST, ANIM_BASE_FIGHTER, fighterX.data(), fighterY.data(), fighterState.data(),
                      ExplodeFighter, {SPRITE_FIGHTER_SHEET, 1, 1, 164, 85, -1, 0, 0, 0}, 0,
                      {SPRITE_FIGHTER_SHEET, 2, 5, 164, 85, 100, 0, 0, 0}, 0, SOUND_HEAVY_BLOW, 15, 5};
const Kind ASTEROID = {OTHER_LAST, ANIM_BASE_ASTEROID, asteroidX.data(), asteroidY.data(), asteroidState.data(),
                       ExplodeAsteroid, {SPRITE_ASTEROID_SHEET, 1, 10, 75, 75, 160, 255, 0, 255}, 1,
                       {SPRITE_ASTEROID_BLAST, 1, 5, 150, 150, 80, 255, 0, 255}, -37, SOUND_EXPLOSION, 15, 30};
const Kind GUNSHIP = {OTHER_LAST, ANIM_BASE_GUNSHIP, gunshipX.data(), gunshipY.data(), gunshipState.data(),
                      ExplodeGunship, {SPRITE_GUNSHIP_SHEET, 1, 1, 130, 80, -10, 255, 0, 255}, 0,
                      {SPRITE_GUNSHIP_SHEET, 1, 5, 130, 80, 40, 255, 0, 255}, 0, SOUND_EXPLOSION, 50, 70};
const Kind CRUISER = {OTHER_LAST, ANIM_BASE_CRUISER, cruiserX.data(), cruiserY.data(), cruiserState.data(),
                      ExplodeCruiser, {SPRITE_CRUISER_SHEET, 1, 1, 160, 80, -10, 255, 0, 255}, 0,
                      {SPRITE_CRUISER_SHEET, 1, 5, 160, 80, 40, 255, 0, 255}, 0, SOUND_EXPLOSION, 50, 70};
const Kind MINE = {OTHER_LAST, ANIM_BASE_MINE, mineX.data(), mineY.data(), mineState.data(),
                   ExplodeMine, {SPRITE_MINE_SHEET, 1, 4, 80, 80, 60, 0, 0, 0}, 1,
                   {SPRITE_MINE_SHEET, 5, 8, 80, 80, 40, 0, 0, 0}, 0, SOUND_EXPLOSION, 10, 10};

int32_t Draw(const Look& l, int32_t x, int32_t y, int32_t animId, int32_t loop) {
  return DrawAnimation(l.sheet, l.first, l.last, x, y, l.width, l.height, l.delay, animId, l.r, l.g, l.b, loop);
}

// The ships' work sprites still hold the frame drawn in the previous frame.
void TouchPlayer(const Kind& k, int32_t i, int32_t playerState, int32_t work, int32_t px, int32_t py,
                 int32_t& energy) {
  if (playerState != 1) return;
  if (SpritesTouch(work, px, py, k.animBase + i, k.x[i], k.y[i]) == 0) return;
  StartSound(k.touchSound, 0);
  k.explode(i);
  energy -= RandomUpTo(k.damageSpread) + k.damageBase;
}

void DrawKind(const Kind& k) {
  for (int32_t i = 1; i <= k.lastSlot; ++i) {
    PollKeyboard();
    if (k.state[i] == 1) {
      Draw(k.live, k.x[i], k.y[i], k.animBase + i, k.liveLoop);
      TouchPlayer(k, i, player1State, SPRITE_PLAYER1_WORK, player1X, player1Y, player1Energy);
      TouchPlayer(k, i, player2State, SPRITE_PLAYER2_WORK, player2X, player2Y, player2Energy);
    } else if (k.state[i] == 2) {
      if (Draw(k.blast, k.x[i] + k.blastDx, k.y[i] + k.blastDx, k.animBase + i, 0) == 1) k.state[i] = 0;
    }
  }
}

// Every alive enemy that touches i's picture explodes with it in i's turn.
void CollideKind(const Kind& k, bool pollInner) {
  for (int32_t i = 1; i <= k.lastSlot; ++i) {
    PollKeyboard();
    if (k.state[i] != 1) continue;
    for (int32_t j = 1; j <= k.lastSlot; ++j) {
      if (pollInner) PollKeyboard();
      if (j == i || k.state[j] != 1) continue;
      if (SpritesTouch(k.animBase + i, k.x[i], k.y[i], k.animBase + j, k.x[j], k.y[j]) == 0) continue;
      StartSound(SOUND_EXPLOSION, 0);
      k.explode(i);
      k.explode(j);
    }
  }
}
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

void MoveEnemies() {
  MoveFighters();
  MoveAsteroids();
  MoveGunships();
  MoveCruisers();
  MoveMines();
}

// Fighters never collide with each other.
void DrawEnemies() {
  DrawKind(FIGHTER);
  DrawKind(ASTEROID);
  CollideKind(ASTEROID, false);
  DrawKind(GUNSHIP);
  CollideKind(GUNSHIP, true);
  DrawKind(CRUISER);
  CollideKind(CRUISER, true);
  DrawKind(MINE);
  CollideKind(MINE, true);
}
