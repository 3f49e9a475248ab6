#include <tuple>
#include <vector>

#include "tests/game/game_fixture.h"

namespace {
// Player 1: A D W S Space LCtrl; player 2: the arrows, Insert, Delete.
constexpr int32_t P1_LEFT = 30, P1_RIGHT = 32, P1_UP = 17, P1_DOWN = 31, P1_ATTACK = 57, P1_CHANGE = 29;
constexpr int32_t P2_LEFT = 203, P2_RIGHT = 205, P2_UP = 200, P2_DOWN = 208, P2_ATTACK = 210, P2_CHANGE = 211;
constexpr int32_t FRAME_MS = 36;

using Shot = std::pair<int32_t, int32_t>;                        // x, y

class Players : public GameScreen {
 protected:
  void SetUp() override {
    GameScreen::SetUp();
    const int32_t keys[13] = {P1_LEFT, P1_RIGHT, P1_UP, P1_DOWN, P1_ATTACK, P1_CHANGE,
                              P2_LEFT, P2_RIGHT, P2_UP, P2_DOWN, P2_ATTACK, P2_CHANGE, 197};
    for (int32_t i = 0; i < 13; ++i) keyTable[i + 1] = keys[i];
    // Frame k of each ship sheet is the green 4 * k, all over.
    for (int32_t sheet : {10, 11})
      MakeSprite(sheet, 100, 150, [](int32_t, int32_t y) { return Rgb{0, 4 * (y / 30 + 1), 0}; });
    player1LastShotTime = player2LastShotTime = 0;
    player1LastChangeTime = player2LastChangeTime = 0;
    host_->now = 100000;
    ResetPlayers();
    ClearProjectiles();
    player1State = 1;
    player2State = 1;
  }
  void InputFrame() {
    host_->now += FRAME_MS;
    PollKeyboard();
    ReadPlayerInput();
  }
  void Hold(std::initializer_list<int32_t> codes) {
    for (int32_t c : codes) host_->SetKey(c, true);
  }
  void ReleaseAll() {
    for (int32_t c = 0; c < 256; ++c) host_->SetKey(c, false);
  }
  // Ship frame shown with its top-left corner at (x, y), 0 when none.
  int32_t ShipFrame(int32_t x, int32_t y) const { return Pixel(x + 50, y + 15) >> 5; }
  int32_t DrawFrame() {
    FillTarget(0, 0, 0);
    UpdatePlayers();
    return ShipFrame(player1X, player1Y);
  }
  template <typename T>
  static std::vector<Shot> Shots(const T& xs, const T& ys, const T& dirs) {
    std::vector<Shot> s;
    for (size_t i = 1; i < dirs.size(); ++i)
      if (dirs[i] != 0) s.emplace_back(xs[i], ys[i]);
    return s;
  }
};

TEST_F(Players, SixPixelStepsReachTheirLimits) {
  struct Case {
    int32_t key;
    int32_t* value;
    int32_t expected;
  };
  const std::vector<Case> cases = {
      {P1_LEFT, &player1X, -2}, {P1_RIGHT, &player1X, 688}, {P1_UP, &player1Y, -2}, {P1_DOWN, &player1Y, 478},
      {P2_LEFT, &player2X, -4}, {P2_RIGHT, &player2X, 686}, {P2_UP, &player2Y, -4}, {P2_DOWN, &player2Y, 476},
  };
  for (const Case& c : cases) {
    ResetPlayers();
    ReleaseAll();
    Hold({c.key});
    for (int32_t f = 0; f < 200; ++f) InputFrame();
    EXPECT_EQ(*c.value, c.expected) << "key " << c.key;
  }
}

TEST_F(Players, UpWinsOverDownAndLeftOverRightAlsoAtTheEdge) {
  Hold({P1_UP, P1_DOWN, P1_LEFT, P1_RIGHT});
  InputFrame();
  EXPECT_EQ(player1X, 94);
  EXPECT_EQ(player1Y, 94);
  for (int32_t f = 0; f < 100; ++f) InputFrame();
  EXPECT_EQ(player1X, -2);
  EXPECT_EQ(player1Y, -2);

  ReleaseAll();
  Hold({P1_UP, P1_RIGHT});  // diagonal: one step each way in one frame
  InputFrame();
  EXPECT_EQ(player1X, 4);
  EXPECT_EQ(player1Y, -2);
}

TEST_F(Players, HeldChangeStepsAtOnceThenAfterMoreThan200MsSkippingWeaponsNotOwned) {
  ownedWeapons[1][3] = 1;
  ownedWeapons[1][7] = 1;
  Hold({P1_CHANGE});
  std::vector<int32_t> weapons;
  for (int32_t f = 0; f < 13; ++f) {
    InputFrame();
    weapons.push_back(player1Weapon);
  }
  // 6 frames of 36 ms are the first span above 200 ms.
  EXPECT_EQ(weapons, (std::vector<int32_t>{3, 3, 3, 3, 3, 3, 7, 7, 7, 7, 7, 7, 1}));
  EXPECT_EQ(player1LastChangeTime, static_cast<int32_t>(host_->now));
  EXPECT_EQ(player2Weapon, 1);
}

TEST_F(Players, ChangeWithOnlyTheFirstWeaponStaysAndStampsTheTime) {
  Hold({P2_CHANGE});
  InputFrame();
  EXPECT_EQ(player2Weapon, 1);
  EXPECT_EQ(player2LastChangeTime, static_cast<int32_t>(host_->now));
}

TEST_F(Players, ChangeAndAttackInOneFrameFireTheNewWeapon) {
  ownedWeapons[1][2] = 1;
  player1LastShotTime = 1;
  Hold({P1_CHANGE, P1_ATTACK});
  InputFrame();
  EXPECT_EQ(player1Weapon, 2);
  EXPECT_EQ(Bullets().size(), 3u);
  EXPECT_EQ(ammo[1][2], 192);
}

TEST_F(Players, FirstAttackOfTheFirstGameWaitsMoreThan300MsThenHeldAttackRepeats) {
  Hold({P1_ATTACK});
  std::vector<int32_t> fired;
  for (int32_t f = 1; f <= 20; ++f) {
    InputFrame();
    if (bulletDir[1] != 0) fired.push_back(f);
    bulletDir.fill(0);
  }
  // Stamped in frame 1; 9 frames of 36 ms are the first span above 300 ms.
  EXPECT_EQ(fired, (std::vector<int32_t>{10, 19}));

  // A later game keeps the old stamp and may fire in its first frame.
  ResetPlayers();
  host_->now += 5000;
  InputFrame();
  EXPECT_EQ(bulletDir[1], 1);
}

TEST_F(Players, EachWeaponTestsItsAmmunitionTakesItsCostAndFiresItsShots) {
  struct Case {
    int32_t weapon;
    int32_t firesAt;  // the least ammunition that fires; one less does not
    int32_t cost;
    std::vector<Bullet> bullets;
    std::vector<Shot> missiles;
    std::vector<Shot> heavyShots;
    std::vector<Shot> beams;  // slot, x
    std::vector<int32_t> sounds;
  };
  const std::vector<Case> cases = {
      {1, 3, 3, {{165, 115, 0, 1}}, {}, {}, {}, {0}},
      {2, 8, 8, {{165, 115, -1, 1}, {165, 115, 0, 1}, {165, 115, 1, 1}}, {}, {}, {}, {0}},
      {3, 200, 200, {}, {}, {}, {{1, 165}}, {4}},
      {4, 26, 25, {}, {{165, 115}}, {}, {}, {5}},
      {5, 33, 32, {}, {}, {{150, 115}}, {}, {6}},
      {6, 21, 20,
       {{165, 115, -1, 1}, {165, 115, 0, 1}, {165, 115, 1, 1}, {165, 115, -2, 1}, {91, 110, 0, -1}, {165, 115, 2, 1}},
       {}, {}, {}, {7}},
      {7, 26, 25, {{165, 115, -1, 1}, {165, 115, 1, 1}, {190, 115, 0, 1}}, {{165, 115}}, {}, {}, {0, 5}},
  };
  Hold({P1_ATTACK});
  for (const Case& c : cases) {
    ClearProjectiles();
    host_->soundStarts.clear();
    player1Weapon = c.weapon;
    player1LastShotTime = static_cast<int32_t>(host_->now) - 1000;
    const int32_t stamp = player1LastShotTime;

    ammo[1][c.weapon] = c.firesAt - 1;
    InputFrame();
    EXPECT_EQ(ammo[1][c.weapon], c.firesAt - 1) << "weapon " << c.weapon;
    EXPECT_EQ(player1LastShotTime, stamp) << "weapon " << c.weapon;
    EXPECT_TRUE(Bullets().empty() && Sounds().empty() && beamState[1] == 0) << "weapon " << c.weapon;

    ammo[1][c.weapon] = c.firesAt;
    InputFrame();
    EXPECT_EQ(ammo[1][c.weapon], c.firesAt - c.cost) << "weapon " << c.weapon;
    EXPECT_EQ(player1LastShotTime, static_cast<int32_t>(host_->now)) << "weapon " << c.weapon;
    EXPECT_EQ(Bullets(), c.bullets) << "weapon " << c.weapon;
    EXPECT_EQ(Shots(missileX, missileY, missileDir), c.missiles) << "weapon " << c.weapon;
    EXPECT_EQ(Shots(heavyShotX, heavyShotY, heavyShotDir), c.heavyShots) << "weapon " << c.weapon;
    std::vector<Shot> beams;
    for (int32_t i = 1; i <= 2; ++i)
      if (beamState[i] == 1) beams.emplace_back(i, beamX[i]);
    EXPECT_EQ(beams, c.beams) << "weapon " << c.weapon;
    EXPECT_EQ(Sounds(), c.sounds) << "weapon " << c.weapon;
  }
}

TEST_F(Players, VolleyTakesTheLowestFreeSlotsAndAFullTableDropsTheShot) {
  ownedWeapons[1][2] = 1;
  player1Weapon = 2;
  player1LastShotTime = 1;
  bulletDir[2] = -1;
  Hold({P1_ATTACK});
  InputFrame();
  EXPECT_EQ(bulletDir[1], 1);
  EXPECT_EQ(bulletDy[1], -1);
  EXPECT_EQ(bulletDy[3], 0);
  EXPECT_EQ(bulletDy[4], 1);
  EXPECT_EQ(bulletDir[5], 0);

  // Every bullet slot taken: the shot is dropped, nothing past the table is written.
  bulletDir.fill(1);
  bulletDir[0] = 0;
  bulletX.fill(7);
  missileDir.fill(1);
  missileDir[0] = 0;
  player1Weapon = 7;
  host_->now += 1000;
  host_->soundStarts.clear();
  InputFrame();
  EXPECT_EQ(ammo[1][7], 175);
  EXPECT_EQ(Sounds(), (std::vector<int32_t>{0, 5}));
  for (int32_t i = 0; i <= 1000; ++i) ASSERT_EQ(bulletX[i], 7) << i;
}

TEST_F(Players, ThirdBeamRestartsTheSecondSlot) {
  player1Weapon = 3;
  player1LastShotTime = 1;
  beamState[1] = 1;
  beamX[1] = 400;
  beamState[2] = 1;
  beamX[2] = 500;
  Hold({P1_ATTACK});
  InputFrame();
  EXPECT_EQ(beamX[1], 400);
  EXPECT_EQ(beamX[2], 165);
  EXPECT_EQ(beamState[2], 1);
}

TEST_F(Players, DeathShowsFramesTwoToFiveEachAfterMoreThan100MsThenTheShipIsGone) {
  std::vector<int32_t> shown;
  for (int32_t f = 0; f < 5; ++f) {
    shown.push_back(DrawFrame());
    host_->now += FRAME_MS;
  }
  EXPECT_EQ(shown, (std::vector<int32_t>{1, 1, 1, 1, 1}));
  EXPECT_TRUE(Sounds().empty());

  player1Energy = 0;
  shown.clear();
  for (int32_t f = 0; f < 14; ++f) {
    shown.push_back(DrawFrame());
    host_->now += FRAME_MS;
  }
  EXPECT_EQ(shown, (std::vector<int32_t>{2, 2, 2, 3, 3, 3, 4, 4, 4, 5, 5, 5, 0, 0}));
  EXPECT_EQ(player1State, 0);
  EXPECT_EQ(player1Energy, 1);
  EXPECT_EQ(Sounds(), (std::vector<int32_t>{1}));
  EXPECT_EQ(player2State, 1);
}

TEST_F(Players, TouchingShipsBothLoseAllEnergyAndTurnDyingInTheNextFrame) {
  player2X = 200;  // edges meet: no touch
  player2Y = 100;
  UpdatePlayers();
  EXPECT_EQ(player1Energy, 100);

  player2X = 190;
  UpdatePlayers();
  EXPECT_EQ(player1Energy, 0);
  EXPECT_EQ(player2Energy, 0);
  EXPECT_EQ(player1State, 1);
  // Until the next death test both still move.
  Hold({P1_LEFT, P2_RIGHT});
  InputFrame();
  EXPECT_EQ(player1X, 94);
  EXPECT_EQ(player2X, 196);

  UpdatePlayers();
  EXPECT_EQ(player1State, 2);
  EXPECT_EQ(player2State, 2);
  EXPECT_EQ(Sounds(), (std::vector<int32_t>{1, 1}));
}

// Only two flying ships ram. A ship breaking up over the other, and then gone
// with its last picture still in its work sprite, hurts no one.
TEST_F(Players, ShipsRamOnlyWhileBothFly) {
  struct Case {
    const char* what;
    int32_t& wreckState;
    int32_t& otherEnergy;
  };
  const Case cases[] = {
      {"player 2 over player 1", player2State, player1Energy},
      {"player 1 over player 2", player1State, player2Energy},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ResetPlayers();
    player1State = player2State = 1;
    player2X = 150;  // half over player 1
    player2Y = 110;
    c.wreckState = 2;
    // Frames 2 to 5 of the break-up, then four frames gone; each frame on its
    // own, so that a ram while breaking up cannot hide one while gone.
    for (int32_t f = 0; f < 16; ++f) {
      player1Energy = player2Energy = 100;
      UpdatePlayers();
      ASSERT_NE(SpritesTouch(13, player1X, player1Y, 14, player2X, player2Y), 0) << "frame " << f;
      EXPECT_EQ(c.otherEnergy, 100) << "frame " << f << ", wreck state " << c.wreckState;
      host_->now += FRAME_MS;
    }
    EXPECT_EQ(c.wreckState, 0);
    // Both flying again, the same two pictures ram.
    c.wreckState = 1;
    UpdatePlayers();
    EXPECT_EQ(player1Energy, 0);
    EXPECT_EQ(player2Energy, 0);
  }
}

TEST_F(Players, DyingAndGonePlayersKeysDoNothing) {
  ownedWeapons[1][2] = 1;
  for (int32_t state : {0, 2}) {
    ResetPlayers();
    ClearProjectiles();
    ownedWeapons[1][2] = 1;
    player1State = state;
    player1LastShotTime = 0;
    Hold({P1_LEFT, P1_UP, P1_ATTACK, P1_CHANGE});
    InputFrame();
    host_->now += 1000;
    InputFrame();
    EXPECT_EQ(std::make_pair(player1X, player1Y), std::make_pair(100, 100)) << state;
    EXPECT_EQ(player1Weapon, 1) << state;
    EXPECT_EQ(ammo[1][1], 200) << state;
    EXPECT_TRUE(Bullets().empty()) << state;
    EXPECT_NE(player1LastShotTime, 0) << state;  // the stamp runs whatever the state
  }
}

TEST_F(Players, AbsentSecondPlayerIsNeverDrawnButItsAmmunitionRegenerates) {
  player2State = 0;
  ammo[2][1] = 100;
  DrawFrame();
  EXPECT_EQ(ShipFrame(player2X, player2Y), 0);
  EXPECT_EQ(ShipFrame(player1X, player1Y), 1);
  host_->now += 1001;
  RegenerateAmmo();
  EXPECT_EQ(ammo[2][1], 110);
}

TEST_F(Players, AmmunitionRegeneratesAfterMoreThanASecondAndStopsAt200) {
  for (int32_t w = 1; w <= 10; ++w) ammo[1][w] = 150;
  ammo[1][3] = 199;
  ammo[1][9] = 250;  // a column no weapon adds to is still held at 200
  host_->now += 1000;
  RegenerateAmmo();
  EXPECT_EQ(ammo[1][1], 150);
  host_->now += 1;
  RegenerateAmmo();
  EXPECT_EQ(ammoRegenTime, static_cast<int32_t>(host_->now));
  const std::vector<int32_t> expected = {160, 155, 200, 153, 154, 154, 154, 150, 200, 150};
  EXPECT_EQ(std::vector<int32_t>(ammo[1].begin() + 1, ammo[1].end()), expected);

  // Each weapon's own amount, for both players, second after second, far
  // enough below 200 that the cap hides none of them.
  struct Regen {
    int32_t weapon, perSecond;
  };
  const Regen regen[] = {{1, 10}, {2, 5}, {3, 2}, {4, 3}, {5, 4}, {6, 4}, {7, 4}};
  for (int32_t p = 1; p <= 2; ++p)
    for (const Regen& r : regen) ammo[p][r.weapon] = 0;
  for (int32_t second = 1; second <= 3; ++second) {
    host_->now += 1001;
    RegenerateAmmo();
    for (int32_t p = 1; p <= 2; ++p)
      for (const Regen& r : regen)
        EXPECT_EQ(ammo[p][r.weapon], second * r.perSecond)
            << "player " << p << ", weapon " << r.weapon << ", after " << second << " s";
  }
}
}  // namespace
