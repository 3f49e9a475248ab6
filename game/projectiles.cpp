// Shots in flight: they move, are drawn, hit ships and enemies pixel-exactly
// through the work sprites, and every enemy they destroy adds to the score.
//
// The order of every test below matters: a test sees what the tests before it
// changed, and a freed shot keeps going through the rest of its own loops
// (some of those tests look at its direction, some do not). That is how the
// game plays, so the passes are written out test by test.
#include "game/game.h"
#include "media/media.h"
#include "platform/platform.h"

int32_t bulletSpeed, missileSpeed, heavyShotSpeed;

void SetProjectileSettings() {
  bulletSpeed = 8;
  missileSpeed = 8;
  heavyShotSpeed = 42;
}

namespace {
// Every live shot meets every alive enemy in every frame: the tests that
// decide whether anything happens are kept inline, what follows a hit is not.
#define HOT [[gnu::always_inline]] inline

constexpr int32_t FIGHTER_SLOTS = 400;
constexpr int32_t ENEMY_SLOTS = 200;
constexpr int32_t BULLET_SLOTS = 1000;
constexpr int32_t SHOT_SLOTS = 200;
constexpr int32_t BEAM_SLOTS = 2;
constexpr int32_t BEAM_STEP = 15;
constexpr int32_t RIGHT_BOUND = 800;
// A ship's own shots start right of these columns, so they never hurt it.
constexpr int32_t OWN_BULLET_MARGIN = 10;
constexpr int32_t OWN_SHOT_MARGIN = 30;
// A gunship's own bullets never get this far right of it.
constexpr int32_t GUNSHIP_GUN_MARGIN = 50;
constexpr int32_t RAM_DAMAGE = 100;  // a beam or missile through a ship, per frame

struct Ship {
  const int32_t& state;
  const int32_t& x;
  const int32_t& y;
  int32_t& energy;
  int32_t work;
};

HOT Ship ShipOne() { return {player1State, player1X, player1Y, player1Energy, SPRITE_PLAYER1_WORK}; }
HOT Ship ShipTwo() { return {player2State, player2X, player2Y, player2Energy, SPRITE_PLAYER2_WORK}; }

// One of the four enemy kinds that have energy.
struct Kind {
  Table<200>& x;
  Table<200>& y;
  Table<200>& state;
  Table<200>& energy;
  int32_t base;
  int32_t killScore;  // by a beam, missile or heavy shot
  void (*explode)(int32_t slot);
};

HOT Kind Asteroids() { return {asteroidX, asteroidY, asteroidState, asteroidEnergy, ANIM_BASE_ASTEROID, 80, ExplodeAsteroid}; }
HOT Kind Gunships() { return {gunshipX, gunshipY, gunshipState, gunshipEnergy, ANIM_BASE_GUNSHIP, 200, ExplodeGunship}; }
HOT Kind Cruisers() { return {cruiserX, cruiserY, cruiserState, cruiserEnergy, ANIM_BASE_CRUISER, 280, ExplodeCruiser}; }
HOT Kind Mines() { return {mineX, mineY, mineState, mineEnergy, ANIM_BASE_MINE, 100, ExplodeMine}; }

constexpr int32_t FIGHTER_SCORE = 20;
constexpr int32_t CRUISER_BULLET_SCORE = 100;  // a bullet's cruiser is worth less than a beam's

// A projectile as the touch tests see it: its sprite where it was drawn.
struct Shot {
  int32_t sprite;
  int32_t x;
  int32_t y;
};

void Sound(int32_t n) { StartSound(n, 0); }

HOT bool Touches(const Shot& s, int32_t work, int32_t x, int32_t y) {
  return SpritesTouch(s.sprite, s.x, s.y, work, x, y) != 0;
}

HOT bool TouchesShip(const Shot& s, const Ship& p) { return p.state == 1 && Touches(s, p.work, p.x, p.y); }

HOT bool TouchesFighter(const Shot& s, int32_t i) {
  return fighterState[i] == 1 && Touches(s, ANIM_BASE_FIGHTER + i, fighterX[i], fighterY[i]);
}

HOT bool TouchesEnemy(const Shot& s, const Kind& k, int32_t j) {
  return k.state[j] == 1 && Touches(s, k.base + j, k.x[j], k.y[j]);
}

// The enemies show the explosion and free the slot afterwards.
void ExplodeEnemy(const Kind& k, int32_t j) { k.explode(j); }

// ---- bullets against the ships, before anything moves ----

void BulletAgainstShip(int32_t i, const Ship& p) {
  p.energy -= RandomUpTo(6) + 3;
  bulletDir[i] = 0;
  Sound(SOUND_HIT);
}

void BulletsAgainstShips() {
  for (int32_t i = 1; i <= BULLET_SLOTS; ++i) {
    PollKeyboard();
    const Shot s{SPRITE_BULLET, bulletX[i], bulletY[i]};
    // A bullet that touches both ships hurts both: the second test does not
    // ask whether the first one freed it.
    if (bulletDir[i] == -1) {
      for (const Ship& p : {ShipOne(), ShipTwo()})
        if (TouchesShip(s, p)) BulletAgainstShip(i, p);
    }
    if (bulletDir[i] == 1) {
      for (const Ship& p : {ShipOne(), ShipTwo()})
        if (TouchesShip(s, p) && bulletX[i] - OWN_BULLET_MARGIN < p.x) BulletAgainstShip(i, p);
    }
  }
}

// ---- bullets ----

// A bullet's damage to an enemy with energy: freed, whatever the roll.
void BulletDamage(int32_t i, const Kind& k, int32_t j) {
  k.energy[j] -= RandomUpTo(8);
  bulletDir[i] = 0;
  Sound(SOUND_HIT);
}

void BulletKill(int32_t i, const Kind& k, int32_t j, int32_t points) {
  Sound(SOUND_EXPLOSION);
  bulletDir[i] = 0;
  ExplodeEnemy(k, j);
  score += points;
}

// Runs whether or not this bullet touched the enemy.
HOT void BulletEnergyTest(int32_t i, const Kind& k, int32_t j, int32_t points) {
  if (k.state[j] == 1 && k.energy[j] < 0) BulletKill(i, k, j, points);
}

void BulletAgainstEnemies(int32_t i) {
  const Shot s{SPRITE_BULLET, bulletX[i], bulletY[i]};
  for (int32_t f = 1; f <= FIGHTER_SLOTS; ++f) {
    if (bulletDir[i] != 0 && TouchesFighter(s, f)) {
      Sound(SOUND_HEAVY_BLOW);
      bulletDir[i] = 0;
      score += FIGHTER_SCORE;
      ExplodeFighter(f);
      score += FIGHTER_SCORE;
    }
  }
  const Kind asteroids = Asteroids(), gunships = Gunships(), cruisers = Cruisers(), mines = Mines();
  for (int32_t j = 1; j <= ENEMY_SLOTS; ++j) {
    if (bulletDir[i] != 0 && asteroidState[j] == 1) {
      if (TouchesEnemy(s, asteroids, j)) BulletDamage(i, asteroids, j);
      BulletEnergyTest(i, asteroids, j, asteroids.killScore);
    }

    if (bulletDir[i] == 1 && TouchesEnemy(s, gunships, j)) BulletDamage(i, gunships, j);
    if (bulletDir[i] == -1 && bulletX[i] > gunshipX[j] + GUNSHIP_GUN_MARGIN && TouchesEnemy(s, gunships, j))
      BulletDamage(i, gunships, j);
    BulletEnergyTest(i, gunships, j, gunships.killScore);

    // Cruisers and mines do not ask whether the bullet is still live.
    if (TouchesEnemy(s, cruisers, j)) BulletDamage(i, cruisers, j);
    BulletEnergyTest(i, cruisers, j, CRUISER_BULLET_SCORE);

    if (TouchesEnemy(s, mines, j)) BulletDamage(i, mines, j);
    BulletEnergyTest(i, mines, j, mines.killScore);
  }
}

void UpdateBullets() {
  for (int32_t i = 1; i <= BULLET_SLOTS; ++i) {
    PollKeyboard();
    if (bulletX[i] > RIGHT_BOUND || bulletX[i] < 0) bulletDir[i] = 0;
    if (bulletDir[i] == 0) continue;
    bulletX[i] += bulletDir[i] * bulletSpeed;
    bulletY[i] += bulletDy[i];
    BlitSpriteKeyed(SPRITE_BULLET, bulletX[i], bulletY[i]);
    BulletAgainstEnemies(i);
  }
}

// ---- beams, missiles and heavy shots ----

// A beam or a missile through a ship, unless the ship fired it.
void RamShip(const Shot& s, const Ship& p) {
  if (TouchesShip(s, p) && s.x < p.x + OWN_SHOT_MARGIN) p.energy -= RAM_DAMAGE;
}

void KillFighter(int32_t f) {
  ExplodeFighter(f);
  Sound(SOUND_HEAVY_BLOW);
  score += FIGHTER_SCORE;
}

void Kill(const Kind& k, int32_t j) {
  ExplodeEnemy(k, j);
  Sound(SOUND_EXPLOSION);
  score += k.killScore;
}

// Beams, missiles and heavy shots destroy a fighter, and all but heavy shots
// any enemy, at the first touch.
HOT bool DestroyFighterOnTouch(const Shot& s, int32_t f) {
  if (!TouchesFighter(s, f)) return false;
  KillFighter(f);
  return true;
}

HOT bool DestroyOnTouch(const Shot& s, const Kind& k, int32_t j) {
  if (!TouchesEnemy(s, k, j)) return false;
  Kill(k, j);
  return true;
}

void UpdateBeams() {
  for (int32_t i = 1; i <= BEAM_SLOTS; ++i) {
    PollKeyboard();
    if (beamState[i] == 1) beamX[i] += BEAM_STEP;
    if (beamX[i] > RIGHT_BOUND) {
      beamState[i] = 0;
      beamX[i] = 0;
    }
    if (beamState[i] != 1) continue;
    BlitSpriteKeyed(SPRITE_BEAM, beamX[i], 0);
    // Nothing stops a beam: it leaves only at the right edge.
    const Shot s{SPRITE_BEAM, beamX[i], 0};
    for (int32_t f = 1; f <= FIGHTER_SLOTS; ++f) DestroyFighterOnTouch(s, f);
    RamShip(s, ShipOne());
    RamShip(s, ShipTwo());
    const Kind kinds[] = {Asteroids(), Gunships(), Cruisers(), Mines()};
    for (int32_t j = 1; j <= ENEMY_SLOTS; ++j)
      for (const Kind& k : kinds) DestroyOnTouch(s, k, j);
  }
}

void UpdateMissiles() {
  const Kind kinds[] = {Asteroids(), Gunships(), Cruisers(), Mines()};
  for (int32_t i = 1; i <= SHOT_SLOTS; ++i) {
    PollKeyboard();
    if (missileX[i] > RIGHT_BOUND || missileX[i] < 0) missileDir[i] = 0;
    if (missileDir[i] == 0) continue;
    missileX[i] += missileDir[i] * missileSpeed;
    BlitSpriteKeyed(SPRITE_MISSILE, missileX[i], missileY[i]);
    const Shot s{SPRITE_MISSILE, missileX[i], missileY[i]};
    RamShip(s, ShipOne());
    RamShip(s, ShipTwo());
    // A freed missile still destroys whatever else it touches in this pass.
    for (int32_t j = 1; j <= ENEMY_SLOTS; ++j) {
      if (DestroyFighterOnTouch(s, j)) missileDir[i] = 0;
      for (const Kind& k : kinds)
        if (DestroyOnTouch(s, k, j)) missileDir[i] = 0;
    }
    // The upper fighter slots, from 200 on: slot 200 gets a second look.
    for (int32_t f = ENEMY_SLOTS; f <= FIGHTER_SLOTS; ++f)
      if (DestroyFighterOnTouch(s, f)) missileDir[i] = 0;
  }
}

// A heavy shot's damage to a gunship or cruiser: freed, whatever the roll.
void HeavyShotDamage(int32_t i, const Kind& k, int32_t j) {
  k.energy[j] -= RandomUpTo(44);
  heavyShotDir[i] = 0;
  Sound(SOUND_HEAVY_BLOW);
}

void HeavyShotKill(int32_t i, const Kind& k, int32_t j) {
  Sound(SOUND_EXPLOSION);
  ExplodeEnemy(k, j);
  score += k.killScore;
  heavyShotDir[i] = 0;
}

HOT void HeavyShotEnergyTest(int32_t i, const Kind& k, int32_t j) {
  if (k.state[j] == 1 && k.energy[j] < 0) HeavyShotKill(i, k, j);
}

void HeavyShotAgainstTargets(int32_t i) {
  const Shot s{SPRITE_HEAVY_SHOT, heavyShotX[i], heavyShotY[i]};
  // Through fighters, whoever fired it.
  for (int32_t f = 1; f <= FIGHTER_SLOTS; ++f) DestroyFighterOnTouch(s, f);
  for (const Ship& p : {ShipOne(), ShipTwo()}) {
    if (heavyShotDir[i] != 0 && TouchesShip(s, p) && s.x < p.x + OWN_SHOT_MARGIN) {
      Sound(SOUND_HEAVY_BLOW);
      heavyShotDir[i] = 0;
      p.energy -= RandomUpTo(40);
    }
  }
  const Kind asteroids = Asteroids(), gunships = Gunships(), cruisers = Cruisers(), mines = Mines();
  for (int32_t j = 1; j <= ENEMY_SLOTS; ++j) {
    if (TouchesEnemy(s, asteroids, j)) {
      ExplodeEnemy(asteroids, j);
      Sound(SOUND_EXPLOSION);
      heavyShotDir[i] = 0;
      score += asteroids.killScore;
    }

    if (TouchesEnemy(s, gunships, j)) HeavyShotDamage(i, gunships, j);
    HeavyShotEnergyTest(i, gunships, j);

    // A cruiser's shot still in flight, wherever it touches a ship.
    for (const Ship& p : {ShipOne(), ShipTwo()}) {
      if (heavyShotDir[i] == -1 && TouchesShip(s, p)) {
        p.energy -= RandomUpTo(44);
        Sound(SOUND_HEAVY_BLOW);
        heavyShotDir[i] = 0;
      }
    }

    // Cruisers' own shots never harm cruisers.
    if (heavyShotDir[i] == 1 && TouchesEnemy(s, cruisers, j)) HeavyShotDamage(i, cruisers, j);
    HeavyShotEnergyTest(i, cruisers, j);

    DestroyOnTouch(s, mines, j);  // the shot flies on
  }
}

void UpdateHeavyShots() {
  for (int32_t i = 1; i <= SHOT_SLOTS; ++i) {
    PollKeyboard();
    if (heavyShotX[i] > RIGHT_BOUND || heavyShotX[i] < 0) heavyShotDir[i] = 0;
    if (heavyShotDir[i] == 0) continue;
    heavyShotX[i] += heavyShotDir[i] * heavyShotSpeed;
    BlitSprite(SPRITE_HEAVY_SHOT, heavyShotX[i], heavyShotY[i]);
    HeavyShotAgainstTargets(i);
  }
}
#undef HOT
}  // namespace

void ResetProjectiles() {
  for (int32_t i = 1; i <= BULLET_SLOTS; ++i) bulletDir[i] = 0;
  for (int32_t i = 1; i <= SHOT_SLOTS; ++i) {
    missileDir[i] = 0;
    heavyShotDir[i] = 0;
  }
  for (int32_t i = 0; i <= BEAM_SLOTS; ++i) beamState[i] = 0;
}

void UpdateProjectiles() {
  BulletsAgainstShips();
  UpdateBullets();
  UpdateBeams();
  UpdateMissiles();
  UpdateHeavyShots();
}
