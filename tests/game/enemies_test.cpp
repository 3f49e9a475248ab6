#include <string>
#include <tuple>
#include <vector>

#include "tests/game/game_fixture.h"

namespace {
using Draw = TestHost::RandomDraw;
constexpr int32_t FRAME_MS = 36;

const Rgb FIGHTER_RGB{200, 0, 0}, ASTEROID_RGB{0, 200, 0}, BLAST_RGB{0, 0, 200}, GUNSHIP_RGB{200, 200, 0},
    CRUISER_RGB{0, 200, 200}, MINE_RGB{200, 100, 0};

class Enemies : public GameScreen {
 protected:
  void SetUp() override {
    GameScreen::SetUp();
    // Solid sheets: every frame of a kind fills its whole cell.
    MakeSolidSprite(SPRITE_FIGHTER_SHEET, 164 * 5, 85, FIGHTER_RGB);
    MakeSolidSprite(SPRITE_ASTEROID_SHEET, 75 * 10, 75, ASTEROID_RGB);
    MakeSolidSprite(SPRITE_ASTEROID_BLAST, 150 * 5, 150, BLAST_RGB);
    MakeSolidSprite(SPRITE_GUNSHIP_SHEET, 130 * 5, 80, GUNSHIP_RGB);
    MakeSolidSprite(SPRITE_CRUISER_SHEET, 160 * 5, 80, CRUISER_RGB);
    MakeSolidSprite(SPRITE_MINE_SHEET, 80 * 8, 80, MINE_RGB);
    MakeSolidSprite(SPRITE_PLAYER1_WORK, 100, 30, {255, 255, 255});
    MakeSolidSprite(SPRITE_PLAYER2_WORK, 100, 30, {255, 255, 255});
    SetEnemySettings();
    ResetEnemies();
    ClearProjectiles();
    host_->Seed(77);
    host_->randomDraws.clear();
    player1State = 1;
    player2State = 0;
    player1X = 0, player1Y = 560;  // out of every enemy's way
    player2X = 200, player2Y = 200;
    player1Energy = player2Energy = 100;
  }
  void Frame() {
    host_->now += FRAME_MS;
    FillTarget(0, 0, 0);
    MoveEnemies();
    DrawEnemies();
  }
  bool Shows(int32_t x, int32_t y, Rgb c) const { return Pixel(x, y) == ScreenColour(c.r, c.g, c.b); }
};

// ---- firing ----

// A fighter at 810 first moves below x 800 in frame 3.
TEST_F(Enemies, FighterStampsItsFirstFrameOnScreenAndFiresAfterMoreThan1200Ms) {
  struct Case {
    std::string name;
    int32_t lastShotBeforeFrame3;  // relative to frame 3's clock; 1 means "0 in the slot"
    std::vector<int32_t> shotFrames;
  };
  const std::vector<Case> cases = {
      {"unstamped slot", 1, {37}},  // stamped in frame 3; 34 frames later 1224 > 1200
      {"long ago", -5000, {3, 37}},
      {"exactly 1200 ago", -1200, {4, 38}},
      {"1201 ago", -1201, {3, 37}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetEnemies();
    host_->soundStarts.clear();
    const uint32_t start = host_->now;
    const int32_t frame3 = static_cast<int32_t>(start + 3 * FRAME_MS);
    fighterLastShotTime[9] = c.lastShotBeforeFrame3 == 1 ? 0 : frame3 + c.lastShotBeforeFrame3;
    fighterState[9] = 1;
    fighterX[9] = 810;
    fighterY[9] = 300;
    std::vector<int32_t> shots;
    for (int32_t f = 1; f <= 70; ++f) {
      ClearProjectiles();
      host_->now += FRAME_MS;
      MoveEnemies();
      if (f == 2) {
        EXPECT_EQ(fighterLastShotTime[9], c.lastShotBeforeFrame3 == 1 ? 0 : frame3 + c.lastShotBeforeFrame3);
      }
      if (!Bullets().empty()) {
        shots.push_back(f);
        EXPECT_EQ(Bullets(), (std::vector<Bullet>{{fighterX[9] + 30, 342, 0, -1}}));
        EXPECT_EQ(fighterLastShotTime[9], static_cast<int32_t>(host_->now));
      }
    }
    EXPECT_EQ(shots, c.shotFrames);
    EXPECT_EQ(Sounds(), std::vector<int32_t>(c.shotFrames.size(), SOUND_SHOT));
  }
}

TEST_F(Enemies, GunshipVolleyBelowX750IsSixBulletsInTheFreeSlotsAfterTheFightersWithSixSounds) {
  // The first frame stamps every gunship slot, alive or not.
  gunshipState[4] = 1;
  gunshipX[4] = 760;
  gunshipY[4] = 200;
  host_->now += FRAME_MS;
  const auto stamp = static_cast<int32_t>(host_->now);
  MoveEnemies();
  for (int32_t i = 1; i <= 200; ++i) ASSERT_EQ(gunshipLastShotTime[i], stamp) << i;

  gunshipX[4] = 754;  // 749 after the next move
  host_->now = static_cast<uint32_t>(stamp) + 1500;
  MoveEnemies();
  EXPECT_TRUE(Bullets().empty()) << "1500 ms is not more than the interval";

  gunshipX[4] = 755;  // 750 after the next move: not yet below the line
  host_->now += 1;
  MoveEnemies();
  EXPECT_TRUE(Bullets().empty()) << "no volley at x 750";

  // A fighter fires in the same frame: its bullet takes the first free slot.
  fighterState[9] = 1;
  fighterX[9] = 505;
  fighterY[9] = 100;
  fighterLastShotTime[9] = 1;  // long ago
  bulletDir[1] = bulletDir[3] = 1;
  gunshipX[4] = 754;
  host_->now += 1;
  MoveEnemies();
  std::vector<std::pair<int32_t, Bullet>> got;
  for (int32_t i = 1; i <= 1000; ++i)
    if (bulletDir[i] == -1) got.emplace_back(i, Bullet{bulletX[i], bulletY[i], bulletDy[i], bulletDir[i]});
  EXPECT_EQ(got, (std::vector<std::pair<int32_t, Bullet>>{{2, {530, 142, 0, -1}},
                                                           {4, {793, 254, -2, -1}},
                                                           {5, {793, 254, 0, -1}},
                                                           {6, {793, 254, 2, -1}},
                                                           {7, {793, 221, -2, -1}},
                                                           {8, {793, 221, 0, -1}},
                                                           {9, {793, 221, 2, -1}}}));
  EXPECT_EQ(Sounds(), std::vector<int32_t>(7, SOUND_SHOT));
  EXPECT_EQ(gunshipLastShotTime[4], static_cast<int32_t>(host_->now));
}

// A cruiser at 742 first moves below x 730 in frame 3. An unstamped slot
// counts as a shot long ago wherever the 32-bit clock stands; a stamped one
// waits more than 1900 ms, measured across the clock's wraps.
TEST_F(Enemies, CruiserShootsBelow730WhenItsSlotIsUnstampedOrItsShotIsMoreThan1900MsOld) {
  struct Case {
    std::string name;
    uint32_t frame3;      // the clock in frame 3
    int32_t lastShotAgo;  // before frame 3; 0 means "0 in the slot"
    std::vector<int32_t> shotFrames;
  };
  const std::vector<Case> cases = {
      {"unstamped slot", 100000, 0, {3, 56}},  // 53 frames are 1908 ms
      {"unstamped, clock 2^31 - 1", 0x7FFFFFFFu, 0, {3, 56}},
      {"unstamped, clock 2^31", 0x80000000u, 0, {3, 56}},
      {"unstamped, clock 0xC0000000", 0xC0000000u, 0, {3, 56}},
      {"unstamped, clock 0xFFFFF000", 0xFFFFF000u, 0, {3, 56}},
      {"unstamped, second shot after the wrap to 0", 0xFFFFFC00u, 0, {3, 56}},
      {"exactly 1900 ago", 100000, 1900, {4, 57}},
      {"1901 ago", 100000, 1901, {3, 56}},
      {"1900 ago, across 2^31", 0x80000000u + 100, 1900, {4, 57}},
      {"1900 ago, across the wrap to 0", 100, 1900, {4, 57}},
      {"1901 ago, across the wrap to 0", 100, 1901, {3, 56}},
  };
  player1Y = 350;  // target 300: no tracking
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetEnemies();
    host_->soundStarts.clear();
    host_->now = c.frame3 - 3 * FRAME_MS;
    cruiserLastShotTime[3] = c.lastShotAgo == 0 ? 0 : static_cast<int32_t>(c.frame3 - uint32_t(c.lastShotAgo));
    cruiserState[3] = 1;
    cruiserX[3] = 742;  // 736, then 730, then 724
    cruiserY[3] = 300;
    std::vector<int32_t> shots;
    for (int32_t f = 1; f <= 60; ++f) {
      ClearProjectiles();
      heavyShotDir[1] = 1;  // the shot takes the lowest free slot
      host_->now += FRAME_MS;
      MoveEnemies();
      if (heavyShotDir[2] != 0) {
        shots.push_back(f);
        EXPECT_EQ(std::make_tuple(heavyShotX[2], heavyShotY[2], heavyShotDir[2]),
                  std::make_tuple(cruiserX[3] + 5, 362, -1));
        EXPECT_EQ(cruiserLastShotTime[3], static_cast<int32_t>(host_->now));
      }
    }
    EXPECT_EQ(shots, c.shotFrames);
    EXPECT_EQ(Sounds(), std::vector<int32_t>(c.shotFrames.size(), SOUND_HEAVY_SHOT));
  }
}

// With every slot taken the shot is lost, but the shooter carries on as if it had fired.
TEST_F(Enemies, AFullShotTableDropsTheShotButNotTheSoundOrTheTime) {
  bulletDir.fill(1);
  heavyShotDir.fill(1);
  fighterState[1] = 1;
  fighterX[1] = 500;
  fighterLastShotTime[1] = 1;  // long ago
  cruiserState[1] = 1;
  cruiserX[1] = 500;
  MoveEnemies();
  EXPECT_EQ(Sounds(), (std::vector<int32_t>{SOUND_SHOT, SOUND_HEAVY_SHOT}));
  EXPECT_EQ(fighterLastShotTime[1], static_cast<int32_t>(host_->now));
  EXPECT_EQ(cruiserLastShotTime[1], static_cast<int32_t>(host_->now));
  EXPECT_EQ(bulletX[1], 0);
  EXPECT_EQ(heavyShotX[1], 0);
}

// ---- cruiser tracking ----

TEST_F(Enemies, CruiserTracksTheNearerLivingPlayerElsePlayerOne) {
  struct Case {
    std::string name;
    int32_t p1x, p1y, state1, p2x, p2y, state2;
    int32_t yAfter;
  };
  // The cruiser moves to (494, 300) before it measures.
  const std::vector<Case> cases = {
      {"player 2 nearer and alive", 100, 100, 1, 400, 500, 1, 302},
      {"player 2 nearer but dying", 100, 100, 1, 400, 500, 2, 298},
      {"equal distances", 494, 100, 1, 494, 500, 1, 298},
      {"one-player game", 100, 400, 1, 200, 200, 0, 302},
      {"player 1 gone still tracked", 100, 400, 0, 100, 100, 0, 302},
      {"on target", 100, 350, 1, 200, 200, 0, 300},
      // Before the move player 2 is nearer (60 against 61), after it player 1.
      {"measured after the move", 491, 360, 1, 503, 240, 1, 302},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    cruiserState[1] = 1;
    cruiserX[1] = 500;
    cruiserY[1] = 300;
    cruiserLastShotTime[1] = static_cast<int32_t>(host_->now);  // no shot in the way
    player1X = c.p1x, player1Y = c.p1y, player1State = c.state1;
    player2X = c.p2x, player2Y = c.p2y, player2State = c.state2;
    MoveEnemies();
    EXPECT_EQ(cruiserY[1], c.yAfter);
  }
}

TEST_F(Enemies, CruiserOneOffItsTargetSwingsTwoPixelsAcross) {
  cruiserState[1] = 1;
  cruiserX[1] = 2000;
  cruiserY[1] = 251;
  player1Y = 300;
  std::vector<int32_t> ys;
  for (int32_t f = 0; f < 4; ++f) {
    MoveEnemies();
    ys.push_back(cruiserY[1]);
  }
  EXPECT_EQ(ys, (std::vector<int32_t>{249, 251, 249, 251}));
}

// ---- mine homing ----

TEST_F(Enemies, MineHomesOnTheNearerLivingPlayerWithinRange) {
  struct Case {
    std::string name;
    int32_t mx, my, p1x, p1y, state1, p2x, p2y, state2, velocityBefore, dyBefore;
    int32_t velocity, dy;
  };
  const std::vector<Case> cases = {
      {"worked example", 500, 300, 300, 200, 1, 200, 200, 0, -6, 0, -6, -3},
      {"worked example, lower", 500, 300, 300, 250, 1, 200, 200, 0, -6, 0, -6, -2},
      {"turns right", 100, 300, 400, 260, 1, 900, 900, 0, -6, 0, 6, -1},
      {"nearer player 2 absent: no one", 100, 300, 400, 260, 1, 200, 200, 0, -6, 0, -6, 0},  // floor(-0.8)
      {"player 2 nearer", 500, 300, 100, 100, 1, 520, 330, 1, -6, 0, 6, 9},
      {"nearer player 2 dying: no one", 500, 300, 300, 300, 1, 520, 330, 2, -6, 5, -6, 5},
      {"equal distances", 500, 300, 400, 300, 1, 600, 300, 1, 6, 5, 6, 5},
      {"same x as the player", 300, 300, 300, 100, 1, 900, 900, 0, 6, 4, 6, 4},
      {"360 away", 500, 300, 140, 300, 1, 900, 900, 0, 6, 4, 6, 4},
      {"359 away", 500, 300, 141, 300, 1, 900, 900, 0, 6, 4, -6, 0},
      {"player 2 360 away", 500, 300, 900, 900, 1, 140, 300, 1, 6, 4, 6, 4},
      {"player 2 359 away", 500, 300, 900, 900, 1, 141, 300, 1, 6, 4, -6, 0},
      {"nearer player 1 dying: no one", 500, 300, 300, 300, 2, 900, 900, 1, 6, 4, 6, 4},
      {"nearer player 1 gone: no one", 500, 300, 300, 300, 0, 900, 900, 1, 6, 4, 6, 4},
      {"absent player 2 nearer", 250, 250, 600, 300, 1, 200, 200, 0, 6, 4, 6, 4},
      // 359.61 rounds to 360: out of range, though it would truncate to 359.
      {"359.6 away", 500, 300, 141, 279, 1, 900, 900, 0, 6, 4, 6, 4},
      // 200.42 and 199.72 are both 200 once rounded: neither is nearer.
      {"equal once rounded", 500, 300, 300, 313, 1, 699, 317, 1, -6, 4, -6, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    mineState[2] = 1;
    mineX[2] = c.mx, mineY[2] = c.my, mineDy[2] = c.dyBefore;
    mineVelocityX = c.velocityBefore;
    player1X = c.p1x, player1Y = c.p1y, player1State = c.state1;
    player2X = c.p2x, player2Y = c.p2y, player2State = c.state2;
    MoveEnemies();
    EXPECT_EQ(mineVelocityX, c.velocity);
    EXPECT_EQ(mineDy[2], c.dy);
    EXPECT_EQ(mineX[2], c.mx + c.velocity);
    EXPECT_EQ(mineY[2], c.my + c.dy);
  }
}

// One velocity for all mines: later slots turn in the same frame, earlier
// ones from the next; the highest steering slot leaves its direction.
TEST_F(Enemies, OneSteeringMineTurnsEveryMine) {
  player1X = 400, player1Y = 300;
  for (int32_t i : {3, 5, 7}) mineState[i] = 1;
  mineX[3] = -150, mineY[3] = 0;  // far from everyone, left of the screen
  mineX[5] = 300, mineY[5] = 300;  // steers right toward player 1
  mineX[7] = 2000, mineY[7] = 500;
  MoveEnemies();
  EXPECT_EQ(mineVelocityX, 6);
  EXPECT_EQ(mineX[3], -156);
  EXPECT_EQ(mineX[5], 306);
  EXPECT_EQ(mineX[7], 2006);
  MoveEnemies();
  EXPECT_EQ(mineX[3], -150);

  // Slot 7 steers left toward player 2 after slot 5 steered right.
  player2State = 1;
  player2X = 1800, player2Y = 500;
  mineX[5] = 300;
  MoveEnemies();
  EXPECT_EQ(mineVelocityX, -6);
  EXPECT_EQ(mineX[5], 306);
  EXPECT_EQ(mineX[7], 2012 - 6);
}

// ---- leaving the screen ----

TEST_F(Enemies, LeavingOnTheLeftFreesTheSlotAndIsNotDrawn) {
  struct Case {
    std::string name;
    Table<200>* x200;
    Table<200>* state200;
    int32_t animBase, xBefore;
    bool removed;
  };
  const std::vector<Case> cases = {
      {"asteroid at -140", &asteroidX, &asteroidState, 500, -133, false},
      {"asteroid past -140", &asteroidX, &asteroidState, 500, -134, true},
      {"gunship past -140", &gunshipX, &gunshipState, 700, -136, true},
      {"gunship at -140", &gunshipX, &gunshipState, 700, -135, false},
      {"cruiser at -180", &cruiserX, &cruiserState, 900, -174, false},
      {"cruiser past -180", &cruiserX, &cruiserState, 900, -175, true},
      {"mine never", &mineX, &mineState, 1100, -5000, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetEnemies();
    (*c.state200)[6] = 1;
    (*c.x200)[6] = c.xBefore;
    animTime[c.animBase + 6] = 0;
    Frame();
    EXPECT_EQ((*c.state200)[6], c.removed ? 0 : 1);
    EXPECT_EQ(animTime[c.animBase + 6] == 0, c.removed) << "drawn";
  }
  fighterState[9] = 1;
  fighterX[9] = -135;
  Frame();
  EXPECT_EQ(fighterState[9], 1);
  Frame();
  EXPECT_EQ(fighterState[9], 0);
}

// ---- moving ----

// y -= dy: a negative dy moves an asteroid down the screen.
TEST_F(Enemies, AsteroidMovesLeftBy7AndDownByMinusItsDy) {
  struct Case {
    int32_t dy, yAfter;
  };
  for (const Case c : {Case{-4, 304}, Case{0, 300}, Case{3, 297}}) {
    asteroidState[5] = 1, asteroidX[5] = 500, asteroidY[5] = 300, asteroidDy[5] = c.dy;
    MoveEnemies();
    EXPECT_EQ(asteroidX[5], 493) << c.dy;
    EXPECT_EQ(asteroidY[5], c.yAfter) << c.dy;
  }
}

// ---- drawing and explosions ----

TEST_F(Enemies, EachKindDrawsAtItsCornerAndExplodesInPlaceUntilTheSlotFrees) {
  struct Case {
    std::string name;
    Table<200>* x;
    Table<200>* y;
    Table<200>* state;
    void (*explode)(int32_t);
    int32_t w, h;
    Rgb live, blast;
    int32_t blastShift, blastW;
  };
  const std::vector<Case> cases = {
      {"asteroid", &asteroidX, &asteroidY, &asteroidState, ExplodeAsteroid, 75, 75, ASTEROID_RGB, BLAST_RGB, -37, 150},
      {"gunship", &gunshipX, &gunshipY, &gunshipState, ExplodeGunship, 130, 80, GUNSHIP_RGB, GUNSHIP_RGB, 0, 130},
      {"cruiser", &cruiserX, &cruiserY, &cruiserState, ExplodeCruiser, 160, 80, CRUISER_RGB, CRUISER_RGB, 0, 160},
      {"mine", &mineX, &mineY, &mineState, ExplodeMine, 80, 80, MINE_RGB, MINE_RGB, 0, 80},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetEnemies();
    (*c.state)[8] = 1;
    (*c.x)[8] = 300;
    (*c.y)[8] = 200;
    FillTarget(0, 0, 0);
    DrawEnemies();
    EXPECT_TRUE(Shows(300, 200, c.live));
    EXPECT_TRUE(Shows(300 + c.w - 1, 200 + c.h - 1, c.live));
    EXPECT_FALSE(Shows(300 + c.w, 200, c.live));

    c.explode(8);
    int32_t frames = 0;
    while ((*c.state)[8] == 2 && frames < 20) {
      Frame();
      ++frames;
      if ((*c.state)[8] != 2) break;
      const int32_t bx = 300 + c.blastShift, by = 200 + c.blastShift;
      EXPECT_TRUE(Shows(bx, by, c.blast));
      EXPECT_TRUE(Shows(bx + c.blastW - 1, by, c.blast));
      EXPECT_FALSE(Shows(bx - 1, by, c.blast));
      EXPECT_FALSE(Shows(bx + c.blastW, by, c.blast));
      EXPECT_EQ((*c.x)[8], 300) << "an explosion stays where it happened";
    }
    EXPECT_EQ((*c.state)[8], 0);
    EXPECT_GE(frames, 3);
  }
}

// Where kinds overlap the later one in the drawing order shows: with the
// first n kinds at one place, the n-th is on top.
TEST_F(Enemies, KindsAreDrawnFightersAsteroidsGunshipsCruisersMines) {
  struct Case {
    std::string name;
    int32_t* state;
    int32_t* x;
    int32_t* y;
    Rgb colour;
  };
  const std::vector<Case> kinds = {
      {"fighter", &fighterState[4], &fighterX[4], &fighterY[4], FIGHTER_RGB},
      {"asteroid", &asteroidState[4], &asteroidX[4], &asteroidY[4], ASTEROID_RGB},
      {"gunship", &gunshipState[4], &gunshipX[4], &gunshipY[4], GUNSHIP_RGB},
      {"cruiser", &cruiserState[4], &cruiserX[4], &cruiserY[4], CRUISER_RGB},
      {"mine", &mineState[4], &mineX[4], &mineY[4], MINE_RGB},
  };
  for (size_t n = 1; n <= kinds.size(); ++n) {
    SCOPED_TRACE(kinds[n - 1].name);
    ResetEnemies();
    for (size_t k = 0; k < n; ++k) *kinds[k].state = 1, *kinds[k].x = 300, *kinds[k].y = 200;
    FillTarget(0, 0, 0);
    DrawEnemies();
    EXPECT_TRUE(Shows(310, 210, kinds[n - 1].colour));
  }
}

TEST_F(Enemies, FighterExplosionFollowsItsStillFrame) {
  // Frames 2..5 of a sheet whose cells differ.
  MakeSprite(SPRITE_FIGHTER_SHEET, 164 * 5, 85, [](int32_t x, int32_t) { return Rgb{40 * (x / 164 + 1), 0, 0}; });
  fighterState[2] = 1;
  fighterX[2] = 2000;  // neither moves on screen nor fires
  Frame();
  EXPECT_EQ(animFrame[102], 1);
  ExplodeFighter(2);
  EXPECT_EQ(animFrame[102], 1);
  std::vector<int32_t> cells;
  fighterX[2] = 300;
  while (fighterState[2] == 2 && cells.size() < 20) {
    Frame();
    if (fighterState[2] == 2) cells.push_back(Pixel(310, 10) >> 11);
    host_->now += 70;  // 106 ms a frame: one step each
  }
  EXPECT_EQ(cells, (std::vector<int32_t>{10, 15, 20, 25}));
}

// Every cell of a test sheet is red 16 x cell, with one black and one magenta
// pixel at (1, 1) and (3, 1) of the cell, so the drawn cell and the key show.
TEST_F(Enemies, EachKindStepsItsOwnFramesAtItsOwnDelayWithItsOwnKey) {
  const auto cellSheet = [this](int32_t sheet, int32_t cells, int32_t w, int32_t h) {
    MakeSprite(sheet, w * cells, h, [w](int32_t x, int32_t y) {
      if (y == 1 && x % w == 1) return Rgb{0, 0, 0};
      if (y == 1 && x % w == 3) return Rgb{255, 0, 255};
      return Rgb{16 * (x / w + 1), 100, 0};
    });
  };
  cellSheet(SPRITE_FIGHTER_SHEET, 5, 164, 85);
  cellSheet(SPRITE_ASTEROID_SHEET, 10, 75, 75);
  cellSheet(SPRITE_ASTEROID_BLAST, 5, 150, 150);
  cellSheet(SPRITE_GUNSHIP_SHEET, 5, 130, 80);
  cellSheet(SPRITE_CRUISER_SHEET, 5, 160, 80);
  cellSheet(SPRITE_MINE_SHEET, 8, 80, 80);
  player1State = player2State = 0;  // no touches, no homing

  struct Case {
    std::string name;
    int32_t* x;
    int32_t* y;
    int32_t* state;
    int32_t animId;
    void (*explode)(int32_t);
    int32_t liveDelay;
    std::vector<int32_t> liveCells;
    bool liveMagentaKey;
    int32_t blastDelay, blastShift;
    std::vector<int32_t> blastCells;  // the second frame comes exactly one delay after the first
    bool blastMagentaKey;
  };
  const std::vector<Case> cases = {
      {"fighter", fighterX.data(), fighterY.data(), fighterState.data(), 103, ExplodeFighter, -1, {1, 1, 1, 1}, false,
       100, 0, {2, 2, 3, 4, 5}, false},
      {"asteroid", asteroidX.data(), asteroidY.data(), asteroidState.data(), 503, ExplodeAsteroid, 160,
       {1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 1, 2}, true, 80, -37, {1, 1, 2, 3, 4, 5}, true},
      {"gunship", gunshipX.data(), gunshipY.data(), gunshipState.data(), 703, ExplodeGunship, -10, {1, 1, 1, 1}, true,
       40, 0, {1, 1, 2, 3, 4, 5}, true},
      {"cruiser", cruiserX.data(), cruiserY.data(), cruiserState.data(), 903, ExplodeCruiser, -10, {1, 1, 1, 1}, true,
       40, 0, {1, 1, 2, 3, 4, 5}, true},
      {"mine", mineX.data(), mineY.data(), mineState.data(), 1103, ExplodeMine, 60, {1, 1, 2, 3, 4, 1, 2}, false, 40, 0,
       {5, 5, 6, 7, 8}, false},
  };
  const Rgb back{0, 0, 200};
  const auto frame = [&](uint32_t step) {
    host_->now += step;
    FillTarget(back.r, back.g, back.b);
    MoveEnemies();
    DrawEnemies();
  };
  const auto cellAt = [&](int32_t x, int32_t y) { return (Pixel(x + 10, y + 10) >> 11) / 2; };
  const auto checkKey = [&](int32_t x, int32_t y, bool magentaKey) {
    EXPECT_TRUE(Shows(x + 1, y + 1, magentaKey ? Rgb{0, 0, 0} : back)) << "black pixel";
    EXPECT_TRUE(Shows(x + 3, y + 1, magentaKey ? back : Rgb{255, 0, 255})) << "magenta pixel";
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetEnemies();
    c.state[3] = 1, c.x[3] = 500, c.y[3] = 200;
    animFrame[c.animId] = 1, animTime[c.animId] = 0;
    std::vector<int32_t> cells;
    for (size_t f = 0; f < c.liveCells.size(); ++f) {
      // The first draw starts the clock; the second comes exactly one delay later.
      frame(c.liveDelay <= 0 ? 1000 : static_cast<uint32_t>(c.liveDelay + (f < 2 ? 0 : 1)));
      cells.push_back(cellAt(c.x[3], c.y[3]));
      if (f == 0) checkKey(c.x[3], c.y[3], c.liveMagentaKey);
    }
    EXPECT_EQ(cells, c.liveCells);

    c.explode(3);
    const int32_t bx = c.x[3] + c.blastShift, by = c.y[3] + c.blastShift;
    cells.clear();
    for (size_t f = 0; f < c.blastCells.size(); ++f) {
      frame(static_cast<uint32_t>(c.blastDelay + (f == 1 ? 0 : 1)));
      ASSERT_EQ(c.state[3], 2);
      cells.push_back(cellAt(bx, by));
      if (f == 0) checkKey(bx, by, c.blastMagentaKey);
    }
    EXPECT_EQ(cells, c.blastCells);
    frame(static_cast<uint32_t>(c.blastDelay + 1));
    EXPECT_EQ(c.state[3], 0) << "freed once past the last frame";
    EXPECT_EQ(cellAt(bx, by), 0) << "and not drawn in that frame";
  }
}

// ---- touching the ships ----

TEST_F(Enemies, EnemyTouchingBothShipsHurtsBothWithTheKindsSoundAndDraws) {
  struct Case {
    std::string name;
    Table<400>* fighterTables;
    Table<200>* x;
    Table<200>* y;
    Table<200>* state;
    int32_t sound, spread, base;
  };
  const std::vector<Case> cases = {
      {"fighter", &fighterState, nullptr, nullptr, nullptr, SOUND_HEAVY_BLOW, 15, 5},
      {"asteroid", nullptr, &asteroidX, &asteroidY, &asteroidState, SOUND_EXPLOSION, 15, 30},
      {"gunship", nullptr, &gunshipX, &gunshipY, &gunshipState, SOUND_EXPLOSION, 50, 70},
      {"cruiser", nullptr, &cruiserX, &cruiserY, &cruiserState, SOUND_EXPLOSION, 50, 70},
      {"mine", nullptr, &mineX, &mineY, &mineState, SOUND_EXPLOSION, 10, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetEnemies();
    host_->soundStarts.clear();
    host_->randomDraws.clear();
    player1Energy = player2Energy = 100;
    player1State = player2State = 1;
    player1X = 300, player1Y = 260;
    player2X = 310, player2Y = 200;
    if (c.fighterTables != nullptr) {
      fighterState[5] = 1, fighterX[5] = 300, fighterY[5] = 200;
    } else {
      (*c.state)[5] = 1, (*c.x)[5] = 300, (*c.y)[5] = 200;
    }
    DrawEnemies();
    const auto& d = host_->randomDraws;
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0].max, c.spread);
    EXPECT_EQ(d[1].max, c.spread);
    EXPECT_EQ(player1Energy, 100 - d[0].result - c.base);
    EXPECT_EQ(player2Energy, 100 - d[1].result - c.base);
    EXPECT_EQ(Sounds(), (std::vector<int32_t>{c.sound, c.sound}));
    EXPECT_EQ(c.fighterTables != nullptr ? fighterState[5] : (*c.state)[5], 2);
    EXPECT_EQ(score, 0);
  }
}

// Each ship is touched at its own place, through its own picture, and only
// while it is alive; the other ship, alive elsewhere, changes nothing.
TEST_F(Enemies, OnlyLivingShipsAreTouched) {
  struct Case {
    std::string name;
    int32_t state1, state2;
    bool player1Over;  // which ship lies over the mine; the other is far away
    bool touched;
    bool picture2 = true;  // false: player 2's work sprite is all key colour
  };
  const std::vector<Case> cases = {
      {"player 1 gone", 0, 1, true, false},
      {"player 1 dying", 2, 1, true, false},
      {"player 2 alone over it", 1, 1, false, true},
      {"player 2 gone", 1, 0, false, false},
      {"player 2 dying", 1, 2, false, false},
      {"player 2 over it with an empty picture", 1, 1, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetEnemies();
    MakeSolidSprite(SPRITE_PLAYER2_WORK, 100, 30, c.picture2 ? Rgb{255, 255, 255} : Rgb{0, 0, 0});
    host_->randomDraws.clear();
    player1Energy = player2Energy = 100;
    player1State = c.state1, player2State = c.state2;
    player1X = 300, player1Y = c.player1Over ? 220 : 560;
    player2X = 300, player2Y = c.player1Over ? 560 : 220;
    mineState[1] = 1, mineX[1] = 300, mineY[1] = 200;
    DrawEnemies();
    EXPECT_EQ(mineState[1], c.touched ? 2 : 1);
    EXPECT_EQ(player1Energy, 100);
    ASSERT_EQ(host_->randomDraws.size(), c.touched ? 1u : 0u);
    EXPECT_EQ(player2Energy, c.touched ? 100 - 10 - host_->randomDraws[0].result : 100);
  }
}

// An exploding enemy stays put and harmless until its explosion has been shown.
TEST_F(Enemies, ExplodingEnemiesNeitherMoveFireTouchNorCollide) {
  player1X = 300, player1Y = 220;  // under every exploding enemy
  for (int32_t* state : {&fighterState[1], &asteroidState[1], &gunshipState[1], &cruiserState[1], &mineState[1]})
    *state = 2;
  for (int32_t* x : {&fighterX[1], &asteroidX[1], &gunshipX[1], &cruiserX[1], &mineX[1]}) *x = 300;
  for (int32_t* y : {&fighterY[1], &asteroidY[1], &gunshipY[1], &cruiserY[1], &mineY[1]}) *y = 200;
  asteroidDy[1] = 5, mineDy[1] = 5;
  fighterLastShotTime[1] = gunshipLastShotTime[1] = cruiserLastShotTime[1] = 1;  // long ago
  // An alive neighbour of each kind overlaps the exploding one but not the ship.
  for (int32_t* state : {&asteroidState[2], &gunshipState[2], &cruiserState[2], &mineState[2]}) *state = 1;
  for (int32_t* x : {&asteroidX[2], &gunshipX[2], &cruiserX[2], &mineX[2]}) *x = 1000;
  for (int32_t* y : {&asteroidY[2], &gunshipY[2], &cruiserY[2], &mineY[2]}) *y = 260;
  const std::vector<int32_t*> neighbourX = {&asteroidX[2], &gunshipX[2], &cruiserX[2], &mineX[2]};
  const std::vector<int32_t*> neighbourY = {&asteroidY[2], &gunshipY[2], &cruiserY[2], &mineY[2]};

  host_->now += FRAME_MS;
  MoveEnemies();
  for (int32_t* x : {&fighterX[1], &asteroidX[1], &gunshipX[1], &cruiserX[1], &mineX[1]}) EXPECT_EQ(*x, 300);
  for (int32_t* y : {&fighterY[1], &asteroidY[1], &gunshipY[1], &cruiserY[1], &mineY[1]}) EXPECT_EQ(*y, 200);
  EXPECT_EQ(mineVelocityX, -6);
  EXPECT_TRUE(Bullets().empty());
  EXPECT_EQ(heavyShotDir[1], 0);
  EXPECT_TRUE(Sounds().empty());

  for (size_t k = 0; k < neighbourX.size(); ++k) *neighbourX[k] = 340, *neighbourY[k] = 260;
  FillTarget(0, 0, 0);
  DrawEnemies();
  EXPECT_EQ(player1Energy, 100);
  EXPECT_TRUE(Sounds().empty());
  EXPECT_TRUE(host_->randomDraws.empty());
  for (int32_t* state : {&asteroidState[2], &gunshipState[2], &cruiserState[2], &mineState[2]}) EXPECT_EQ(*state, 1);
  for (int32_t* state : {&fighterState[1], &asteroidState[1], &gunshipState[1], &cruiserState[1], &mineState[1]})
    EXPECT_EQ(*state, 2);
}

// ---- same-kind collisions ----

TEST_F(Enemies, ThreeAsteroidsExplodeInTheFirstOnesTurn) {
  // 2 and 3 each touch 1 but not each other.
  for (int32_t i : {1, 2, 3}) asteroidState[i] = 1, asteroidY[i] = 100, animFrame[500 + i] = 4;
  asteroidX[1] = 100, asteroidX[2] = 170, asteroidX[3] = 30;
  asteroidState[4] = 1, asteroidX[4] = 600, asteroidY[4] = 100;  // alone
  DrawEnemies();
  for (int32_t i : {1, 2, 3}) {
    EXPECT_EQ(asteroidState[i], 2) << i;
    EXPECT_EQ(animFrame[500 + i], 0) << i;
  }
  EXPECT_EQ(asteroidState[4], 1);
  EXPECT_EQ(Sounds(), (std::vector<int32_t>{SOUND_EXPLOSION, SOUND_EXPLOSION}));
}

TEST_F(Enemies, EveryKindButFightersCollidesOncePerTouchingPair) {
  struct Case {
    std::string name;
    Table<200>* x;
    Table<200>* y;
    Table<200>* state;
  };
  for (const Case& c : std::vector<Case>{{"gunships", &gunshipX, &gunshipY, &gunshipState},
                                         {"cruisers", &cruiserX, &cruiserY, &cruiserState},
                                         {"mines", &mineX, &mineY, &mineState}}) {
    SCOPED_TRACE(c.name);
    ResetEnemies();
    host_->soundStarts.clear();
    (*c.state)[10] = (*c.state)[190] = 1;
    (*c.x)[10] = 300, (*c.y)[10] = 300;
    (*c.x)[190] = 340, (*c.y)[190] = 320;
    DrawEnemies();
    EXPECT_EQ((*c.state)[10], 2);
    EXPECT_EQ((*c.state)[190], 2);
    EXPECT_EQ(Sounds(), std::vector<int32_t>{SOUND_EXPLOSION});
  }
  ResetEnemies();
  host_->soundStarts.clear();
  fighterState[1] = fighterState[2] = 1;
  fighterX[1] = fighterX[2] = 2000;
  DrawEnemies();
  EXPECT_EQ(fighterState[1], 1);
  EXPECT_TRUE(Sounds().empty());
}

// One poll per slot of every outer loop, per inner slot of the gunship, cruiser
// and mine pair tests (for an alive enemy's turn), and per probe for a shot slot.
TEST_F(Enemies, LoopsRefreshTheKeyboardWhereTheyStep) {
  asteroidState[2] = 1, asteroidX[2] = 2000, asteroidY[2] = 100;
  gunshipState[3] = 1, gunshipX[3] = 2000, gunshipY[3] = 100;
  cruiserState[4] = 1, cruiserX[4] = 2000, cruiserY[4] = 100;
  mineState[5] = 1, mineX[5] = 2000, mineY[5] = 300;
  fighterState[6] = 1, fighterX[6] = 500, fighterY[6] = 300, fighterLastShotTime[6] = 1;
  bulletDir[1] = bulletDir[2] = bulletDir[3] = 1;  // the shot's search probes 1..4

  uint64_t before = KeyboardPollCount();
  MoveEnemies();
  EXPECT_EQ(KeyboardPollCount() - before, 400u + 4 * 200 + 4);
  before = KeyboardPollCount();
  DrawEnemies();
  EXPECT_EQ(KeyboardPollCount() - before, (400u + 4 * 200) + 4 * 200 + 3 * 200);
}

// The game set-up gives the settings and frees every slot, whatever the last game left.
TEST_F(Enemies, GameSetUpGivesTheSettingsAndFreesEverySlot) {
  fighterSpeed = asteroidSpeed = gunshipSpeed = cruiserSpeed = 0;
  fighterFireInterval = gunshipFireInterval = cruiserFireInterval = 0;
  mineVelocityX = 6;  // a mine turned right in the last game
  bulletSpeed = missileSpeed = heavyShotSpeed = 0;
  fighterState[400] = 1, asteroidState[200] = 2, gunshipState[1] = 1, cruiserState[7] = 2, mineState[9] = 1;
  asteroidEnergy[3] = gunshipEnergy[3] = cruiserEnergy[3] = mineEnergy[3] = -1;

  struct StopAtFirstPresent {};
  host_->onPresent = [](const uint16_t*) { throw StopAtFirstPresent{}; };
  EXPECT_THROW(RunGame(), StopAtFirstPresent);
  EXPECT_EQ(std::make_tuple(fighterSpeed, asteroidSpeed, gunshipSpeed, cruiserSpeed, mineVelocityX),
            std::make_tuple(5, 7, 5, 6, -6));
  EXPECT_EQ(std::make_tuple(fighterFireInterval, gunshipFireInterval, cruiserFireInterval),
            std::make_tuple(1200, 1500, 1900));
  EXPECT_EQ(std::make_tuple(bulletSpeed, missileSpeed, heavyShotSpeed), std::make_tuple(8, 8, 42));
  EXPECT_EQ(std::make_tuple(fighterState[400], asteroidState[200], gunshipState[1], cruiserState[7], mineState[9]),
            std::make_tuple(0, 0, 0, 0, 0));
  EXPECT_EQ(std::make_tuple(asteroidEnergy[3], gunshipEnergy[3], cruiserEnergy[3], mineEnergy[3]),
            std::make_tuple(40, 100, 150, 20));
}

TEST_F(Enemies, ResetFreesSlotsGivesEnergyAndKeepsWhatTheSlotsRemember) {
  fighterState[400] = 2, fighterX[400] = 55, fighterY[400] = 66, fighterLastShotTime[400] = 77;
  mineState[200] = 1, mineEnergy[200] = -4, mineDy[200] = 3, mineX[200] = 9;
  gunshipLastShotTime[7] = 1234;
  animFrame[1105] = 6;
  ResetEnemies();
  EXPECT_EQ(std::make_tuple(fighterState[400], fighterX[400], fighterY[400], fighterLastShotTime[400]),
            std::make_tuple(0, 0, 66, 77));
  EXPECT_EQ(std::make_tuple(mineState[200], mineEnergy[200], mineDy[200], mineX[200]), std::make_tuple(0, 20, 3, 9));
  EXPECT_EQ(std::make_tuple(asteroidEnergy[1], gunshipEnergy[1], cruiserEnergy[1]), std::make_tuple(40, 100, 150));
  EXPECT_EQ(gunshipLastShotTime[7], 1234);
  EXPECT_EQ(animFrame[1105], 6);
}
}  // namespace
