#include <string>
#include <vector>

#include "tests/game/game_fixture.h"

namespace {
enum class Target { Ship, Fighter, Asteroid, Gunship, Cruiser, Mine };
enum class Weapon { Bullet, Beam, Missile, HeavyShot };

// Every table of one enemy kind, so tests can place any kind the same way.
struct Kind {
  int32_t* x;
  int32_t* y;
  int32_t* state;
  int32_t* energy;  // nullptr for fighters
  int32_t base;
};

Kind KindOf(Target t) {
  switch (t) {
    case Target::Fighter: return {fighterX.data(), fighterY.data(), fighterState.data(), nullptr, ANIM_BASE_FIGHTER};
    case Target::Asteroid:
      return {asteroidX.data(), asteroidY.data(), asteroidState.data(), asteroidEnergy.data(), ANIM_BASE_ASTEROID};
    case Target::Gunship:
      return {gunshipX.data(), gunshipY.data(), gunshipState.data(), gunshipEnergy.data(), ANIM_BASE_GUNSHIP};
    case Target::Cruiser:
      return {cruiserX.data(), cruiserY.data(), cruiserState.data(), cruiserEnergy.data(), ANIM_BASE_CRUISER};
    default: return {mineX.data(), mineY.data(), mineState.data(), mineEnergy.data(), ANIM_BASE_MINE};
  }
}

constexpr Rgb SOLID{200, 200, 200};
constexpr Rgb BLACK{0, 0, 0};

class Projectiles : public GameScreen {
 protected:
  void SetUp() override {
    GameScreen::SetUp();
    MakeSolidSprite(SPRITE_BULLET, 9, 9, SOLID);
    MakeSolidSprite(SPRITE_BEAM, 1, 600, SOLID);
    MakeSolidSprite(SPRITE_MISSILE, 11, 5, SOLID);
    MakeSolidSprite(SPRITE_HEAVY_SHOT, 73, 5, SOLID);
    MakeSolidSprite(SPRITE_PLAYER1_SHEET, 100, 150, SOLID);
    MakeSolidSprite(SPRITE_PLAYER2_SHEET, 100, 150, SOLID);
    // The top ten rows of every fighter frame are see-through.
    MakeSprite(SPRITE_FIGHTER_SHEET, 164, 5 * 85, [](int32_t, int32_t y) { return y % 85 < 10 ? BLACK : SOLID; });
    MakeSolidSprite(SPRITE_ASTEROID_SHEET, 750, 75, SOLID);
    MakeSolidSprite(SPRITE_GUNSHIP_SHEET, 130, 5 * 80, SOLID);
    MakeSolidSprite(SPRITE_CRUISER_SHEET, 160, 5 * 80, SOLID);
    MakeSolidSprite(SPRITE_MINE_SHEET, 320, 160, SOLID);
    SetProjectileSettings();
    ResetProjectiles();
    host_->now = 100000;
  }

  // An alive enemy at (x, y), drawn as the enemies' drawing pass draws it.
  void Place(Target t, int32_t slot, int32_t x, int32_t y, int32_t energy = 0) {
    const Kind k = KindOf(t);
    k.x[slot] = x;
    k.y[slot] = y;
    k.state[slot] = 1;
    if (k.energy) k.energy[slot] = energy;
    Draw(t, slot);
  }
  void Draw(Target t, int32_t slot) {
    const Kind k = KindOf(t);
    const int32_t id = k.base + slot, x = k.x[slot], y = k.y[slot];
    switch (t) {
      case Target::Fighter: DrawAnimation(SPRITE_FIGHTER_SHEET, 1, 1, x, y, 164, 85, -1, id, 0, 0, 0, 0); break;
      case Target::Asteroid: DrawAnimation(SPRITE_ASTEROID_SHEET, 1, 10, x, y, 75, 75, 160, id, 255, 0, 255, 1); break;
      case Target::Gunship: DrawAnimation(SPRITE_GUNSHIP_SHEET, 1, 1, x, y, 130, 80, -10, id, 255, 0, 255, 0); break;
      case Target::Cruiser: DrawAnimation(SPRITE_CRUISER_SHEET, 1, 1, x, y, 160, 80, -10, id, 255, 0, 255, 0); break;
      default: DrawAnimation(SPRITE_MINE_SHEET, 1, 4, x, y, 80, 80, 60, id, 0, 0, 0, 1); break;
    }
  }
  // An alive ship, drawn as the players' phase draws it.
  void PlaceShip(int32_t player, int32_t x, int32_t y) {
    (player == 1 ? player1X : player2X) = x;
    (player == 1 ? player1Y : player2Y) = y;
    (player == 1 ? player1State : player2State) = 1;
    (player == 1 ? player1Energy : player2Energy) = 100;
    DrawAnimation(player == 1 ? SPRITE_PLAYER1_SHEET : SPRITE_PLAYER2_SHEET, 1, 1, x, y, 100, 30, -10,
                  player == 1 ? SPRITE_PLAYER1_WORK : SPRITE_PLAYER2_WORK, 0, 0, 0, 0);
  }

  static void Fire(Weapon w, int32_t slot, int32_t dir, int32_t x, int32_t y, int32_t dy = 0) {
    switch (w) {
      case Weapon::Bullet:
        bulletX[slot] = x, bulletY[slot] = y, bulletDy[slot] = dy, bulletDir[slot] = dir;
        break;
      case Weapon::Beam: beamX[slot] = x, beamState[slot] = 1; break;
      case Weapon::Missile: missileX[slot] = x, missileY[slot] = y, missileDir[slot] = dir; break;
      case Weapon::HeavyShot: heavyShotX[slot] = x, heavyShotY[slot] = y, heavyShotDir[slot] = dir; break;
    }
  }
  static bool Live(Weapon w, int32_t slot) {
    switch (w) {
      case Weapon::Bullet: return bulletDir[slot] != 0;
      case Weapon::Beam: return beamState[slot] != 0;
      case Weapon::Missile: return missileDir[slot] != 0;
      case Weapon::HeavyShot: return heavyShotDir[slot] != 0;
    }
    return false;
  }

  // Seeds the generator so that its next roll of 0..max is 0, or is not.
  void SeedFirstRoll(int32_t max, bool zero) {
    for (uint64_t seed = 1;; ++seed) {
      host_->Seed(seed);
      if ((RandomUpTo(max) == 0) == zero) {
        host_->Seed(seed);
        host_->randomDraws.clear();
        return;
      }
    }
  }
  // The maxes of this frame's random draws, in order, and the result of draw k.
  std::vector<int32_t> DrawMaxes() const {
    std::vector<int32_t> m;
    for (const auto& d : host_->randomDraws) m.push_back(d.max);
    return m;
  }
  int32_t Drawn(size_t k) const { return k < host_->randomDraws.size() ? host_->randomDraws[k].result : -1000; }

  void Frame() {
    host_->soundStarts.clear();
    host_->randomDraws.clear();
    UpdateProjectiles();
  }
};

// ---- every kind of hit ----

constexpr int32_t SHIP_X = 300, SHIP_Y = 300;  // player 1
constexpr int32_t ENEMY_X = 400, ENEMY_Y = 300;

struct HitCase {
  const char* name;
  Weapon weapon;
  int32_t dir;
  int32_t x, y;  // where the projectile is before the frame
  Target target;
  int32_t energy;               // the enemy's before the frame
  std::vector<int32_t> draws;   // maxes of the damage draws, in order
  int32_t loss;                 // energy lost: the draw plus this, or this alone without a draw
  bool destroyed;
  int32_t score;
  bool freed;
  std::vector<int32_t> sounds;
  int32_t shipState = 1;  // player 1's, when the target is the ship
  int32_t slot = 1;       // the projectile's
};

void PrintTo(const HitCase& c, std::ostream* os) { *os << c.name; }

class Hits : public Projectiles, public ::testing::WithParamInterface<HitCase> {};

TEST_P(Hits, DamageScoreFreeingSoundAndDraws) {
  const HitCase& c = GetParam();
  if (c.target == Target::Ship) {
    PlaceShip(1, SHIP_X, SHIP_Y);
    player1State = c.shipState;
  } else {
    Place(c.target, 1, ENEMY_X, ENEMY_Y, c.energy);
  }
  Fire(c.weapon, c.slot, c.dir, c.x, c.y);
  Frame();

  EXPECT_EQ(DrawMaxes(), c.draws);
  const int32_t loss = c.draws.empty() ? c.loss : Drawn(0) + c.loss;
  if (c.target == Target::Ship) {
    EXPECT_EQ(player1Energy, 100 - loss);
  } else {
    const Kind k = KindOf(c.target);
    EXPECT_EQ(k.state[1], c.destroyed ? 2 : 1);
    if (k.energy) {
      EXPECT_EQ(k.energy[1], c.energy - (c.destroyed ? 0 : loss));
    }
    // An explosion starts from its first frame, except a fighter's, which follows its still.
    if (c.destroyed) {
      EXPECT_EQ(animFrame[k.base + 1], c.target == Target::Fighter ? 1 : 0);
    }
  }
  EXPECT_EQ(score, c.score);
  EXPECT_EQ(!Live(c.weapon, c.slot), c.freed);
  EXPECT_EQ(Sounds(), c.sounds);
}

constexpr int32_t HIT = SOUND_HIT, BLOW = SOUND_HEAVY_BLOW, BOOM = SOUND_EXPLOSION;
using W = Weapon;
using T = Target;

// Bullets and missiles move 8 pixels a frame, heavy shots 42, beams 15; every
// projectile below lands on its target after this frame's move, except the
// bullets against ships, which are tested where they stand before moving.
const HitCase HIT_CASES[] = {
    {"EnemyBulletHurtsShip", W::Bullet, -1, 350, 310, T::Ship, 0, {6}, 3, false, 0, true, {HIT}},
    {"PlayerBulletEnteringShipFromTheLeftHurtsIt", W::Bullet, 1, 305, 310, T::Ship, 0, {6}, 3, false, 0, true, {HIT}},
    {"PlayerBulletTenColumnsIntoShipSparesIt", W::Bullet, 1, 310, 310, T::Ship, 0, {}, 0, false, 0, false, {}},
    {"BulletDestroysFighterFor40", W::Bullet, 1, 392, 320, T::Fighter, 0, {}, 0, true, 40, true, {BLOW}},
    {"BulletOnFightersSeeThroughRowsMisses", W::Bullet, 1, 392, 300, T::Fighter, 0, {}, 0, false, 0, false, {}},
    {"BulletDamagesAsteroid", W::Bullet, 1, 392, 320, T::Asteroid, 40, {8}, 0, false, 0, true, {HIT}},
    {"PlayerBulletDamagesGunship", W::Bullet, 1, 392, 320, T::Gunship, 100, {8}, 0, false, 0, true, {HIT}},
    {"EnemyBulletPastGunshipX50DamagesIt", W::Bullet, -1, 459, 320, T::Gunship, 100, {8}, 0, false, 0, true, {HIT}},
    {"EnemyBulletAtGunshipX50SparesIt", W::Bullet, -1, 458, 320, T::Gunship, 100, {}, 0, false, 0, false, {}},
    {"BulletDamagesCruiser", W::Bullet, -1, 420, 320, T::Cruiser, 150, {8}, 0, false, 0, true, {HIT}},
    {"BulletDamagesMine", W::Bullet, 1, 392, 320, T::Mine, 20, {8}, 0, false, 0, true, {HIT}},
    {"BulletDestroysAsteroidBelowZeroUntouched", W::Bullet, 1, 100, 100, T::Asteroid, -1, {}, 0, true, 80, true, {BOOM}},
    {"BulletDestroysGunshipBelowZeroUntouched", W::Bullet, 1, 100, 100, T::Gunship, -1, {}, 0, true, 200, true, {BOOM}},
    {"BulletDestroysCruiserBelowZeroFor100", W::Bullet, 1, 100, 100, T::Cruiser, -1, {}, 0, true, 100, true, {BOOM}},
    {"BulletDestroysMineBelowZeroUntouched", W::Bullet, 1, 100, 100, T::Mine, -1, {}, 0, true, 100, true, {BOOM}},
    {"BulletLeavesEnemyAtZeroAlive", W::Bullet, 1, 100, 100, T::Mine, 0, {}, 0, false, 0, false, {}},
    {"BeamDestroysFighterFor20AndGoesOn", W::Beam, 1, 385, 0, T::Fighter, 0, {}, 0, true, 20, false, {BLOW}},
    {"BeamInShipsFirst30ColumnsTakes100", W::Beam, 1, 285, 0, T::Ship, 0, {}, 100, false, 0, false, {}},
    {"BeamAtShipX30SparesIt", W::Beam, 1, 315, 0, T::Ship, 0, {}, 0, false, 0, false, {}},
    {"BeamDestroysAsteroid", W::Beam, 1, 385, 0, T::Asteroid, 40, {}, 0, true, 80, false, {BOOM}},
    {"BeamDestroysGunship", W::Beam, 1, 385, 0, T::Gunship, 100, {}, 0, true, 200, false, {BOOM}},
    {"BeamDestroysCruiserFor280", W::Beam, 1, 385, 0, T::Cruiser, 150, {}, 0, true, 280, false, {BOOM}},
    {"BeamDestroysMine", W::Beam, 1, 385, 0, T::Mine, 20, {}, 0, true, 100, false, {BOOM}},
    {"MissileInShipsFirst30ColumnsTakes100AndFliesOn", W::Missile, 1, 292, 310, T::Ship, 0, {}, 100, false, 0, false, {}},
    {"MissileAtShipX30SparesIt", W::Missile, 1, 322, 310, T::Ship, 0, {}, 0, false, 0, false, {}},
    {"MissileDestroysFighter", W::Missile, 1, 392, 320, T::Fighter, 0, {}, 0, true, 20, true, {BLOW}},
    {"MissileDestroysAsteroid", W::Missile, 1, 392, 320, T::Asteroid, 40, {}, 0, true, 80, true, {BOOM}},
    {"MissileDestroysGunship", W::Missile, 1, 392, 320, T::Gunship, 100, {}, 0, true, 200, true, {BOOM}},
    {"MissileDestroysCruiser", W::Missile, 1, 392, 320, T::Cruiser, 150, {}, 0, true, 280, true, {BOOM}},
    {"MissileDestroysMine", W::Missile, 1, 392, 320, T::Mine, 20, {}, 0, true, 100, true, {BOOM}},
    {"HeavyShotDestroysFighterAndFliesOn", W::HeavyShot, 1, 358, 320, T::Fighter, 0, {}, 0, true, 20, false, {BLOW}},
    {"HeavyShotInShipsFirst30Columns", W::HeavyShot, 1, 258, 310, T::Ship, 0, {40}, 0, false, 0, true, {BLOW}},
    {"CruiserShotInShipsFirst30Columns", W::HeavyShot, -1, 362, 310, T::Ship, 0, {40}, 0, false, 0, true, {BLOW}},
    {"CruiserShotPastShipX30TakesTheLargerRoll", W::HeavyShot, -1, 382, 310, T::Ship, 0, {44}, 0, false, 0, true, {BLOW}},
    {"PlayerHeavyShotPastShipX30SparesIt", W::HeavyShot, 1, 288, 310, T::Ship, 0, {}, 0, false, 0, false, {}},
    {"HeavyShotDestroysAsteroidAndStops", W::HeavyShot, 1, 358, 320, T::Asteroid, 40, {}, 0, true, 80, true, {BOOM}},
    {"HeavyShotDamagesGunship", W::HeavyShot, -1, 442, 320, T::Gunship, 100, {44}, 0, false, 0, true, {BLOW}},
    {"PlayerHeavyShotDamagesCruiser", W::HeavyShot, 1, 358, 320, T::Cruiser, 150, {44}, 0, false, 0, true, {BLOW}},
    {"CruiserShotSparesCruiser", W::HeavyShot, -1, 482, 320, T::Cruiser, 150, {}, 0, false, 0, false, {}},
    {"HeavyShotDestroysGunshipBelowZeroUntouched", W::HeavyShot, 1, 100, 100, T::Gunship, -1, {}, 0, true, 200, true, {BOOM}},
    {"HeavyShotDestroysCruiserBelowZeroUntouched", W::HeavyShot, -1, 100, 100, T::Cruiser, -1, {}, 0, true, 280, true, {BOOM}},
    {"HeavyShotLeavesAsteroidBelowZeroUntouched", W::HeavyShot, 1, 100, 100, T::Asteroid, -1, {}, 0, false, 0, false, {}},
    {"HeavyShotDestroysMineAndFliesOn", W::HeavyShot, 1, 358, 320, T::Mine, 20, {}, 0, true, 100, false, {BOOM}},
    // Enemy shots are judged like the players': they hit enemies and score.
    {"EnemyBulletDestroysFighterFor40", W::Bullet, -1, 408, 320, T::Fighter, 0, {}, 0, true, 40, true, {BLOW}},
    {"EnemyBulletDamagesAsteroid", W::Bullet, -1, 408, 320, T::Asteroid, 40, {8}, 0, false, 0, true, {HIT}},
    {"CruiserShotDestroysFighterAndFliesOn", W::HeavyShot, -1, 442, 320, T::Fighter, 0, {}, 0, true, 20, false, {BLOW}},
    {"CruiserShotDestroysAsteroidAndStops", W::HeavyShot, -1, 442, 320, T::Asteroid, 40, {}, 0, true, 80, true, {BOOM}},
    {"CruiserShotDestroysMineAndFliesOn", W::HeavyShot, -1, 442, 320, T::Mine, 20, {}, 0, true, 100, false, {BOOM}},
    // A dying or gone ship is no target: not hurt, no sound, the shot flies on.
    {"EnemyBulletSparesDyingShip", W::Bullet, -1, 350, 310, T::Ship, 0, {}, 0, false, 0, false, {}, 2},
    {"EnemyBulletSparesGoneShip", W::Bullet, -1, 350, 310, T::Ship, 0, {}, 0, false, 0, false, {}, 0},
    {"PlayerBulletSparesGoneShip", W::Bullet, 1, 305, 310, T::Ship, 0, {}, 0, false, 0, false, {}, 0},
    {"PlayerBulletSparesDyingShip", W::Bullet, 1, 305, 310, T::Ship, 0, {}, 0, false, 0, false, {}, 2},
    {"BeamSparesDyingShip", W::Beam, 1, 285, 0, T::Ship, 0, {}, 0, false, 0, false, {}, 2},
    {"MissileSparesGoneShip", W::Missile, 1, 292, 310, T::Ship, 0, {}, 0, false, 0, false, {}, 0},
    {"HeavyShotSparesDyingShip", W::HeavyShot, 1, 258, 310, T::Ship, 0, {}, 0, false, 0, false, {}, 2},
    {"CruiserShotSparesGoneShip", W::HeavyShot, -1, 362, 310, T::Ship, 0, {}, 0, false, 0, false, {}, 0},
    {"CruiserShotPastShipX30SparesDyingShip", W::HeavyShot, -1, 382, 310, T::Ship, 0, {}, 0, false, 0, false, {}, 2},
    // The last bullet slot is flown and tested like the first.
    {"Slot1000BulletHurtsShip", W::Bullet, -1, 350, 310, T::Ship, 0, {6}, 3, false, 0, true, {HIT}, 1, 1000},
    {"Slot1000BulletDestroysFighter", W::Bullet, 1, 392, 320, T::Fighter, 0, {}, 0, true, 40, true, {BLOW}, 1, 1000},
};

INSTANTIATE_TEST_SUITE_P(EveryHit, Hits, ::testing::ValuesIn(HIT_CASES),
                         [](const ::testing::TestParamInfo<HitCase>& info) { return std::string(info.param.name); });

// ---- edge cases ----

TEST_F(Projectiles, ResetFreesEverySlotAndKeepsPositions) {
  Fire(Weapon::Bullet, 1000, -1, 5, 6, 2);
  Fire(Weapon::Beam, 2, 1, 77, 0);
  beamState[0] = 1;
  Fire(Weapon::Missile, 200, 1, 8, 9);
  Fire(Weapon::HeavyShot, 200, -1, 10, 11);
  ResetProjectiles();
  EXPECT_EQ(bulletDir[1000], 0);
  EXPECT_EQ(beamState[0] + beamState[2], 0);
  EXPECT_EQ(missileDir[200], 0);
  EXPECT_EQ(heavyShotDir[200], 0);
  EXPECT_EQ((std::vector<int32_t>{bulletX[1000], bulletY[1000], bulletDy[1000], beamX[2], missileX[200], heavyShotY[200]}),
            (std::vector<int32_t>{5, 6, 2, 77, 8, 11}));
}

TEST_F(Projectiles, ShotsAreFreedOnlyInTheFrameAfterTheyCrossTheEdge) {
  Fire(Weapon::Bullet, 1, 1, 796, 100, 2);
  Fire(Weapon::Bullet, 2, -1, 3, 100);
  Fire(Weapon::Missile, 1, 1, 796, 100);
  Fire(Weapon::HeavyShot, 1, 1, 780, 100);
  Fire(Weapon::HeavyShot, 2, -1, 30, 100);
  Fire(Weapon::Beam, 1, 1, 785, 0);  // to 800: still in
  Fire(Weapon::Beam, 2, 1, 790, 0);  // to 805: out at once
  Frame();
  EXPECT_EQ((std::vector<int32_t>{bulletX[1], bulletY[1], bulletX[2], missileX[1], heavyShotX[1], heavyShotX[2]}),
            (std::vector<int32_t>{804, 102, -5, 804, 822, -12}));
  EXPECT_TRUE(bulletDir[1] && bulletDir[2] && missileDir[1] && heavyShotDir[1] && heavyShotDir[2]);
  EXPECT_EQ(beamState[1], 1);
  EXPECT_EQ(beamX[1], 800);
  EXPECT_EQ(beamState[2], 0);
  EXPECT_EQ(beamX[2], 0);

  Frame();
  EXPECT_FALSE(bulletDir[1] || bulletDir[2] || missileDir[1] || heavyShotDir[1] || heavyShotDir[2]);
  EXPECT_EQ((std::vector<int32_t>{bulletX[1], bulletX[2], missileX[1], heavyShotX[1]}),
            (std::vector<int32_t>{804, -5, 804, 822}));
  EXPECT_EQ(beamState[1], 0);
  EXPECT_EQ(beamX[1], 0);
}

TEST_F(Projectiles, ShotsAreDrawnWhereTheyMovedTo) {
  Fire(Weapon::Bullet, 1, 1, 100, 100, -2);
  Fire(Weapon::Beam, 1, 1, 200, 0);
  Fire(Weapon::Missile, 1, 1, 300, 100);
  Fire(Weapon::HeavyShot, 1, -1, 500, 200);
  Frame();
  const uint16_t solid = ScreenColour(SOLID.r, SOLID.g, SOLID.b);
  EXPECT_EQ(Pixel(108, 98), solid);
  EXPECT_EQ(Pixel(107, 98), 0);
  EXPECT_EQ(Pixel(215, 599), solid);
  EXPECT_EQ(Pixel(308, 100), solid);
  EXPECT_EQ(Pixel(458, 200), solid);
  EXPECT_EQ(Pixel(458 + 73, 200), 0);
}

TEST_F(Projectiles, BoundsAreStrictAndBulletsLeaveOnlyByX) {
  Fire(Weapon::Bullet, 1, 1, 800, 100);
  Fire(Weapon::Bullet, 2, -1, 0, 100);
  Fire(Weapon::Bullet, 3, 1, 400, -100, -2);  // above the screen
  Fire(Weapon::Bullet, 4, 1, 400, 700, 2);    // below it
  Fire(Weapon::Missile, 1, 1, 800, 100);
  Fire(Weapon::HeavyShot, 1, -1, 0, 100);
  Frame();
  EXPECT_TRUE(bulletDir[1] && bulletDir[2] && missileDir[1] && heavyShotDir[1]);
  EXPECT_EQ((std::vector<int32_t>{bulletX[1], bulletX[2], missileX[1], heavyShotX[1]}),
            (std::vector<int32_t>{808, -8, 808, -42}));
  Frame();
  EXPECT_FALSE(bulletDir[1] || bulletDir[2] || missileDir[1] || heavyShotDir[1]);
  EXPECT_EQ(bulletDir[3], 1);
  EXPECT_EQ(bulletDir[4], 1);
  EXPECT_EQ((std::vector<int32_t>{bulletX[3], bulletY[3], bulletY[4]}), (std::vector<int32_t>{416, -104, 704}));
}

TEST_F(Projectiles, OnlyTheHeavyShotIsDrawnWithItsBlackPixels) {
  // A black first column (a black top for the beam) over a blue screen.
  const auto edged = [](int32_t x, int32_t) { return x == 0 ? BLACK : SOLID; };
  MakeSprite(SPRITE_BULLET, 9, 9, edged);
  MakeSprite(SPRITE_MISSILE, 11, 5, edged);
  MakeSprite(SPRITE_HEAVY_SHOT, 73, 5, edged);
  MakeSprite(SPRITE_BEAM, 1, 600, [](int32_t, int32_t y) { return y < 10 ? BLACK : SOLID; });
  FillTarget(0, 0, 255);
  Fire(Weapon::Bullet, 1, 1, 100, 100);
  Fire(Weapon::Beam, 1, 1, 200, 0);
  Fire(Weapon::Missile, 1, 1, 300, 100);
  Fire(Weapon::HeavyShot, 1, -1, 500, 200);
  Frame();
  const uint16_t blue = ScreenColour(0, 0, 255), solid = ScreenColour(SOLID.r, SOLID.g, SOLID.b);
  EXPECT_EQ((std::vector<uint16_t>{Pixel(108, 100), Pixel(215, 5), Pixel(308, 100), Pixel(458, 200)}),
            (std::vector<uint16_t>{blue, blue, blue, 0}));
  EXPECT_EQ(Pixel(459, 200), solid);
}

// Bullets, beams, missiles, heavy shots: each pass finds what the earlier
// ones left, so a fighter that several shots touch falls to the earliest.
TEST_F(Projectiles, EarlierPassTakesTheKillOfAFighterThatSeveralShotsTouch) {
  struct Case {
    bool bullet, beam;
    int32_t score;
    bool missileFreed;
  };
  for (const Case c : {Case{true, true, 40, false}, Case{false, true, 20, false}, Case{false, false, 20, true}}) {
    ResetProjectiles();
    score = 0;
    Place(Target::Fighter, 1, ENEMY_X, ENEMY_Y);
    if (c.bullet) Fire(Weapon::Bullet, 1, 1, 392, 320);
    if (c.beam) Fire(Weapon::Beam, 1, 1, 385, 0);
    Fire(Weapon::Missile, 1, 1, 392, 320);
    Fire(Weapon::HeavyShot, 1, 1, 358, 320);
    Frame();
    const std::string where = c.bullet ? "bullet" : c.beam ? "beam" : "missile";
    EXPECT_EQ(fighterState[1], 2) << where;
    EXPECT_EQ(score, c.score) << where;
    EXPECT_EQ(bulletDir[1], 0) << where;
    EXPECT_EQ(beamState[1], c.beam ? 1 : 0) << where;
    EXPECT_EQ(missileDir[1] == 0, c.missileFreed) << where;
    EXPECT_EQ(heavyShotDir[1], 1) << where;
    EXPECT_EQ(Sounds(), (std::vector<int32_t>{SOUND_HEAVY_BLOW})) << where;
  }
}

TEST_F(Projectiles, HeavyShotThroughBothShipsHurtsOnlyTheFirst) {
  for (int32_t dir : {1, -1}) {
    ResetProjectiles();
    PlaceShip(1, 300, 300);
    PlaceShip(2, 310, 305);
    Fire(Weapon::HeavyShot, 1, dir, dir == 1 ? 258 : 342, 310);  // to x 300, inside both ships' first 30 columns
    Frame();
    EXPECT_EQ(DrawMaxes(), (std::vector<int32_t>{40})) << dir;
    EXPECT_EQ(player1Energy, 100 - Drawn(0)) << dir;
    EXPECT_EQ(player2Energy, 100) << dir;
    EXPECT_EQ(heavyShotDir[1], 0) << dir;
    EXPECT_EQ(Sounds(), (std::vector<int32_t>{SOUND_HEAVY_BLOW})) << dir;
  }
}

// The second ship is tested even when the first has just freed the bullet; a
// forward bullet hurts each ship whose x lies right of the bullet's x - 10.
TEST_F(Projectiles, BulletTouchingBothShipsHurtsBoth) {
  struct Case {
    int32_t dir, x;
    int32_t ship2X;
    bool hurt1, hurt2;
  };
  const std::vector<Case> cases = {
      {-1, 350, 320, true, true},
      {1, 300, 305, true, true},
      {1, 300, 290, true, false},  // x - 10 is ship 2's x
      {1, 310, 305, false, true},  // x - 10 is ship 1's x
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "dir " << c.dir << " x " << c.x << " ship 2 at " << c.ship2X);
    ResetProjectiles();
    PlaceShip(1, 300, 300);
    PlaceShip(2, c.ship2X, 305);
    Fire(Weapon::Bullet, 1, c.dir, c.x, 310);
    Frame();
    const size_t hits = size_t(c.hurt1) + size_t(c.hurt2);
    EXPECT_EQ(DrawMaxes(), std::vector<int32_t>(hits, 6));
    EXPECT_EQ(player1Energy, c.hurt1 ? 100 - Drawn(0) - 3 : 100);
    EXPECT_EQ(player2Energy, c.hurt2 ? 100 - Drawn(c.hurt1 ? 1 : 0) - 3 : 100);
    EXPECT_EQ(bulletDir[1], 0);
    EXPECT_EQ(Sounds(), std::vector<int32_t>(hits, SOUND_HIT));
  }
}

// A cruiser's shot that misses the first ship test (x 340, past the ship's
// x + 30) meets the second one inside the slot loop, after asteroid and
// gunship 1 and before cruiser 1.
TEST_F(Projectiles, CruiserShotMeetsTheSecondShipTestBetweenGunshipAndCruiserOfEachSlot) {
  struct Case {
    const char* name;
    Target target;
    int32_t slot, x, energy;
    bool shipHurt;
    std::vector<int32_t> draws;  // maxes, in order
    int32_t score;
    std::vector<int32_t> sounds;
  };
  const std::vector<Case> cases = {
      {"asteroid 1 stops it first", T::Asteroid, 1, ENEMY_X, 40, false, {}, 80, {BOOM}},
      {"gunship 1 stops it first", T::Gunship, 1, ENEMY_X, 100, false, {44}, 0, {BLOW}},
      {"then cruiser 1 falls to it", T::Cruiser, 1, 100, -1, true, {44}, 280, {BLOW, BOOM}},
      {"asteroid 2 comes after it", T::Asteroid, 2, ENEMY_X, 40, true, {44}, 80, {BLOW, BOOM}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetProjectiles();
    score = 0;
    asteroidState.fill(0), gunshipState.fill(0), cruiserState.fill(0);
    PlaceShip(1, SHIP_X, SHIP_Y);
    Place(c.target, c.slot, c.x, ENEMY_Y, c.energy);
    Fire(Weapon::HeavyShot, 1, -1, 382, 310);
    Frame();
    EXPECT_EQ(DrawMaxes(), c.draws);
    EXPECT_EQ(player1Energy, c.shipHurt ? 100 - Drawn(0) : 100);
    EXPECT_EQ(score, c.score);
    EXPECT_EQ(heavyShotDir[1], 0);
    EXPECT_EQ(Sounds(), c.sounds);
  }
}

TEST_F(Projectiles, BeamInsideShipsFirst30ColumnsForTwoFramesTakes200) {
  PlaceShip(2, 300, 300);
  Fire(Weapon::Beam, 1, 1, 285, 0);
  for (int32_t f = 0; f < 4; ++f) Frame();  // at 300, 315, 330, 345
  EXPECT_EQ(player2Energy, -100);  // not clamped; the ship dies at its next death test
  EXPECT_EQ(player2State, 1);
}

TEST_F(Projectiles, OwnShotsNeverHurtTheShipThatFiredThemButHurtTheOther) {
  for (Weapon w : {Weapon::Bullet, Weapon::Beam, Weapon::Missile, Weapon::HeavyShot}) {
    ResetProjectiles();
    PlaceShip(1, 100, 100);
    PlaceShip(2, 250, 95);
    // Where player 1's weapons put their shots.
    Fire(w, 1, 1, w == Weapon::HeavyShot ? 150 : 165, 115);
    for (int32_t f = 0; f < 20; ++f) Frame();
    EXPECT_EQ(player1Energy, 100) << int(w);
    EXPECT_LT(player2Energy, 100) << int(w);
  }
}

TEST_F(Projectiles, FreedBulletStillDamagesCruisersAndMinesButNothingElse) {
  Place(Target::Fighter, 1, ENEMY_X, ENEMY_Y);
  Place(Target::Fighter, 2, ENEMY_X, ENEMY_Y);
  Place(Target::Cruiser, 1, ENEMY_X, ENEMY_Y, 150);
  Place(Target::Mine, 2, ENEMY_X, ENEMY_Y, 20);
  Place(Target::Asteroid, 3, ENEMY_X, ENEMY_Y, 40);
  Place(Target::Gunship, 4, ENEMY_X, ENEMY_Y, 100);
  Fire(Weapon::Bullet, 1, 1, 392, 320);
  Frame();
  EXPECT_EQ(DrawMaxes(), (std::vector<int32_t>{8, 8}));
  EXPECT_EQ(fighterState[1], 2);
  EXPECT_EQ(fighterState[2], 1);
  EXPECT_EQ(cruiserEnergy[1], 150 - Drawn(0));
  EXPECT_EQ(mineEnergy[2], 20 - Drawn(1));
  EXPECT_EQ(asteroidEnergy[3], 40);
  EXPECT_EQ(gunshipEnergy[4], 100);
  EXPECT_EQ(score, 40);
  EXPECT_EQ(Sounds(), (std::vector<int32_t>{SOUND_HEAVY_BLOW, SOUND_HIT, SOUND_HIT}));
}

TEST_F(Projectiles, HitThatTakesEnergyBelowZeroDestroysAtOnce) {
  Place(Target::Mine, 1, ENEMY_X, ENEMY_Y, 0);
  Fire(Weapon::Bullet, 1, 1, 392, 320);
  SeedFirstRoll(8, false);
  Frame();
  EXPECT_EQ(mineState[1], 2);
  EXPECT_EQ(mineEnergy[1], -Drawn(0));
  EXPECT_EQ(score, 100);
  EXPECT_EQ(Sounds(), (std::vector<int32_t>{SOUND_HIT, SOUND_EXPLOSION}));
}

TEST_F(Projectiles, HeavyShotHitThatTakesEnergyBelowZeroDestroysAtOnce) {
  struct Case {
    Target target;
    int32_t dir, x, score;
  };
  for (const Case c : {Case{Target::Gunship, -1, 442, 200}, Case{Target::Cruiser, 1, 358, 280}}) {
    ResetProjectiles();
    score = 0;
    Place(c.target, 1, ENEMY_X, ENEMY_Y, 0);
    Fire(Weapon::HeavyShot, 1, c.dir, c.x, 320);
    SeedFirstRoll(44, false);
    Frame();
    const Kind k = KindOf(c.target);
    EXPECT_EQ(k.state[1], 2) << c.score;
    EXPECT_EQ(k.energy[1], -Drawn(0)) << c.score;
    EXPECT_EQ(score, c.score);
    EXPECT_EQ(heavyShotDir[1], 0) << c.score;
    EXPECT_EQ(Sounds(), (std::vector<int32_t>{SOUND_HEAVY_BLOW, SOUND_EXPLOSION})) << c.score;
  }
}

TEST_F(Projectiles, EnemyBelowZeroFallsToTheFirstLiveBulletWhereverItIs) {
  Place(Target::Cruiser, 1, ENEMY_X, ENEMY_Y, 150);
  Place(Target::Asteroid, 2, 600, 100, -1);
  Place(Target::Gunship, 7, 600, 400, -3);
  Fire(Weapon::Bullet, 2, 1, 392, 320);  // freed by cruiser 1 before it reaches asteroid 2
  Fire(Weapon::Bullet, 3, 1, 100, 500);  // far from everything
  Fire(Weapon::Bullet, 4, 1, 100, 520);
  Frame();
  EXPECT_EQ(DrawMaxes(), (std::vector<int32_t>{8}));
  EXPECT_EQ(cruiserEnergy[1], 150 - Drawn(0));
  EXPECT_EQ(bulletDir[2], 0);
  // The freed bullet still destroys the gunship (its energy test needs no live
  // bullet), but not the asteroid, whose test asks for one.
  EXPECT_EQ(gunshipState[7], 2);
  EXPECT_EQ(asteroidState[2], 2);
  EXPECT_EQ(bulletDir[3], 0);  // the asteroid's
  EXPECT_EQ(bulletDir[4], 1);
  EXPECT_EQ(score, 200 + 80);
  EXPECT_EQ(Sounds(), (std::vector<int32_t>{SOUND_HIT, SOUND_EXPLOSION, SOUND_EXPLOSION}));
}

TEST_F(Projectiles, DamageRollOfZeroStillFreesTheShotAndSounds) {
  Place(Target::Asteroid, 1, ENEMY_X, ENEMY_Y, 40);
  Fire(Weapon::Bullet, 1, 1, 392, 320);
  SeedFirstRoll(8, true);
  Frame();
  EXPECT_EQ(asteroidEnergy[1], 40);
  EXPECT_EQ(asteroidState[1], 1);
  EXPECT_EQ(bulletDir[1], 0);
  EXPECT_EQ(Sounds(), (std::vector<int32_t>{SOUND_HIT}));
}

TEST_F(Projectiles, MissileThroughOverlappingEnemiesDestroysAndScoresEach) {
  Place(Target::Asteroid, 5, ENEMY_X, ENEMY_Y, 40);
  // After the missile was freed: in later slots of the first loop, then in the second.
  Place(Target::Mine, 7, ENEMY_X, ENEMY_Y, 20);
  Place(Target::Fighter, 9, ENEMY_X, ENEMY_Y);
  Place(Target::Fighter, 200, ENEMY_X, ENEMY_Y);  // visited twice
  Place(Target::Fighter, 350, ENEMY_X, ENEMY_Y);
  PlaceShip(1, 380, 310);
  Fire(Weapon::Missile, 1, 1, 392, 320);
  Frame();
  EXPECT_EQ(player1Energy, 0);  // touched at x < ship x + 30; it flew on
  EXPECT_EQ(asteroidState[5], 2);
  EXPECT_EQ(mineState[7], 2);
  EXPECT_EQ(fighterState[9], 2);
  EXPECT_EQ(fighterState[200], 2);
  EXPECT_EQ(fighterState[350], 2);
  EXPECT_EQ(score, 80 + 100 + 20 + 20 + 20);
  EXPECT_EQ(missileDir[1], 0);
  EXPECT_EQ(Sounds(), (std::vector<int32_t>{SOUND_EXPLOSION, SOUND_EXPLOSION, SOUND_HEAVY_BLOW, SOUND_HEAVY_BLOW,
                                            SOUND_HEAVY_BLOW}));
}

TEST_F(Projectiles, HeavyShotGoesThroughFighterAndMineAndStopsAtAsteroidYetDestroysLaterAsteroids) {
  Place(Target::Fighter, 1, ENEMY_X, ENEMY_Y);
  Place(Target::Mine, 1, ENEMY_X, ENEMY_Y, 20);
  Place(Target::Asteroid, 2, ENEMY_X, ENEMY_Y, 40);
  // Later slots, after the asteroid has freed the shot.
  Place(Target::Mine, 3, ENEMY_X, ENEMY_Y, 20);
  Place(Target::Gunship, 4, ENEMY_X, ENEMY_Y, 100);
  Place(Target::Cruiser, 5, ENEMY_X, ENEMY_Y, 150);
  Place(Target::Asteroid, 6, ENEMY_X, ENEMY_Y, 40);
  Fire(Weapon::HeavyShot, 1, 1, 358, 320);
  Frame();
  EXPECT_EQ(DrawMaxes(), (std::vector<int32_t>{44}));
  EXPECT_EQ(heavyShotDir[1], 0);
  EXPECT_EQ((std::vector<int32_t>{fighterState[1], mineState[1], asteroidState[2], mineState[3], gunshipState[4],
                                  cruiserState[5], asteroidState[6]}),
            (std::vector<int32_t>{2, 2, 2, 2, 1, 1, 2}));
  EXPECT_EQ(gunshipEnergy[4], 100 - Drawn(0));
  EXPECT_EQ(cruiserEnergy[5], 150);
  EXPECT_EQ(score, 20 + 100 + 80 + 100 + 80);
  EXPECT_EQ(Sounds(), (std::vector<int32_t>{SOUND_HEAVY_BLOW, SOUND_EXPLOSION, SOUND_EXPLOSION, SOUND_EXPLOSION,
                                            SOUND_HEAVY_BLOW, SOUND_EXPLOSION}));
}

TEST_F(Projectiles, EnemyPlacedThisFrameIsTestedAgainstItsWorkSpriteAsLastDrawn) {
  // Never drawn in this game: the 1 x 1 black placeholder touches nothing.
  fighterState[3] = 1;
  fighterX[3] = ENEMY_X;
  fighterY[3] = ENEMY_Y;
  // A reused slot: the last occupant's frame, placed where the new one stands.
  Place(Target::Gunship, 4, 0, 0, 100);
  gunshipState[4] = 1;
  gunshipX[4] = ENEMY_X;
  gunshipY[4] = ENEMY_Y + 100;
  Fire(Weapon::Missile, 1, 1, 392, 320);
  Fire(Weapon::Missile, 2, 1, 392, 420);
  Frame();
  EXPECT_EQ(fighterState[3], 1);
  EXPECT_EQ(missileDir[1], 1);
  EXPECT_EQ(gunshipState[4], 2);
  EXPECT_EQ(missileDir[2], 0);
}

TEST_F(Projectiles, DestroyedEnemiesAreNoTargets) {
  Place(Target::Asteroid, 1, ENEMY_X, ENEMY_Y, -5);
  asteroidState[1] = 2;
  Place(Target::Fighter, 1, ENEMY_X, ENEMY_Y);
  fighterState[1] = 2;
  Fire(Weapon::Bullet, 1, 1, 392, 320);
  Fire(Weapon::Beam, 1, 1, 385, 0);
  Fire(Weapon::Missile, 1, 1, 392, 320);
  Fire(Weapon::HeavyShot, 1, 1, 358, 320);
  Frame();
  EXPECT_TRUE(bulletDir[1] && beamState[1] && missileDir[1] && heavyShotDir[1]);
  EXPECT_EQ(score, 0);
  EXPECT_TRUE(Sounds().empty());
}

// The phases of real frames, with the built-in pictures: a ship holds its
// Attack key against a fighter that flies at it.
class ProjectilesInPlay : public GameScreen {};

TEST_F(ProjectilesInPlay, ShipsBulletsDestroyAnOncomingFighterForFortyPoints) {
  constexpr int32_t ATTACK = 57;
  keyTable[5] = ATTACK;
  SetEnemySettings();
  SetProjectileSettings();
  ResetEnemies();
  ResetProjectiles();
  ResetPlayers();
  player1State = 1;
  player1X = 100;
  player1Y = 300;
  fighterState[1] = 1;
  fighterX[1] = 700;
  fighterY[1] = 270;
  host_->SetKey(ATTACK, true);
  int32_t frames = 0;
  for (; frames < 60 && fighterState[1] == 1; ++frames) {
    host_->now += 36;
    PollKeyboard();
    FillTarget(0, 0, 0);
    MoveEnemies();
    DrawEnemies();
    UpdatePlayers();
    UpdateProjectiles();
    ReadPlayerInput();
  }
  EXPECT_EQ(fighterState[1], 2) << "after " << frames << " frames";
  EXPECT_EQ(score, 40);
  EXPECT_EQ(player1State, 1);
}
}  // namespace
