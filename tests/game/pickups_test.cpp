#include <set>
#include <string>
#include <vector>

#include "tests/game/game_fixture.h"

namespace {
const uint16_t SHIP = ScreenColour(0, 200, 0);
const uint16_t PICKUP = ScreenColour(248, 0, 0);

// Pickups are 10x8 (energy) and 15x14 (weapon icons): a red core in a black
// frame two pixels wide, so that only the core counts for a touch.
class Pickups : public GameScreen {
 protected:
  void SetUp() override {
    GameScreen::SetUp();
    for (int32_t n = SPRITE_WEAPON_ICON_BASE + 1; n <= SPRITE_WEAPON_ICON_BASE + 7; ++n) MakeFramed(n, 15, 14);
    MakeFramed(SPRITE_ENERGY_PICKUP, 10, 8);
    // Work sprites as drawn ships: solid 100x30.
    MakeSolidSprite(SPRITE_PLAYER1_WORK, 100, 30, {0, 200, 0});
    MakeSolidSprite(SPRITE_PLAYER2_WORK, 100, 30, {0, 200, 0});
    ResetPlayers();
    ResetPickups();
    player1State = player2State = 1;
    frameCounter = 100;
    // Ships far from where the tests put pickups unless a test moves them.
    player1X = player2X = 0;
    player1Y = player2Y = 500;
  }
  void MakeFramed(int32_t n, int32_t w, int32_t h) {
    MakeSprite(n, w, h, [w, h](int32_t x, int32_t y) {
      const bool core = x >= 2 && y >= 2 && x < w - 2 && y < h - 2;
      return core ? Rgb{248, 0, 0} : Rgb{0, 0, 0};
    });
  }
  static void PlaceEnergy(int32_t slot, int32_t worldX, int32_t y) {
    energyPickupState[slot] = 1;
    energyPickupX[slot] = worldX;
    energyPickupY[slot] = y;
  }
  static void PlaceWeapon(int32_t slot, int32_t worldX, int32_t y, int32_t type) {
    weaponPickupState[slot] = 1;
    weaponPickupX[slot] = worldX;
    weaponPickupY[slot] = y;
    weaponPickupType[slot] = type;
  }
  int32_t PickupSounds() const {
    int32_t n = 0;
    for (const auto& s : host_->soundStarts) n += s.sound == SOUND_PICKUP;
    return n;
  }
};

// Drawn at world x minus frame, one pixel further left each frame, opaque
// (its black frame covers what lies under it), and never dropped off screen.
TEST_F(Pickups, DrawnOpaqueAtWorldXLessFrameAndKeptPastTheLeftEdge) {
  PlaceEnergy(1, 400, 200);
  PlaceWeapon(2, 600, 300, 4);
  FillTarget(0, 0, 200);
  UpdatePickups();
  EXPECT_EQ(Pixel(300, 200), 0);  // the frame's corner, black over blue
  EXPECT_EQ(Pixel(302, 202), PICKUP);
  EXPECT_EQ(Pixel(299, 200), ScreenColour(0, 0, 200));
  EXPECT_EQ(Pixel(500, 300), 0);
  EXPECT_EQ(Pixel(502, 302), PICKUP);

  frameCounter = 101;
  FillTarget(0, 0, 0);
  UpdatePickups();
  EXPECT_EQ(Pixel(301, 202), PICKUP);
  EXPECT_EQ(Pixel(307, 202), 0);

  frameCounter = 2000;  // far past the left edge
  UpdatePickups();
  EXPECT_EQ(energyPickupState[1], 1);
  EXPECT_EQ(weaponPickupState[2], 1);
}

TEST_F(Pickups, EnergyRisesBy15AndStopsAt100) {
  struct Case {
    int32_t before, after;
  };
  player2Y = 0;
  for (const Case c : {Case{50, 65}, Case{85, 100}, Case{90, 100}, Case{100, 100}, Case{1, 16}}) {
    ResetPickups();
    PlaceEnergy(3, frameCounter + 40, 500 + 10);
    player1Energy = c.before;
    UpdatePickups();
    EXPECT_EQ(player1Energy, c.after) << "from " << c.before;
    EXPECT_EQ(energyPickupState[3], 0);
  }
  EXPECT_EQ(PickupSounds(), 5);
}

// Touches look at the work sprites where they stand, whatever the states,
// and both ships may take one pickup in the same frame.
TEST_F(Pickups, TakenByEveryShipThatTouchesItWhateverItsState) {
  struct Case {
    int32_t state1, state2;
    bool over1, over2;
  };
  const std::vector<Case> cases = {
      {1, 1, true, true}, {1, 1, true, false}, {1, 1, false, true}, {0, 1, true, false},
      {2, 0, true, true}, {0, 0, false, false},
  };
  for (const Case& c : cases) {
    ResetPickups();
    ResetPlayers();
    host_->soundStarts.clear();
    player1State = c.state1;
    player2State = c.state2;
    player1Energy = player2Energy = 40;
    player1X = c.over1 ? 300 : 0;
    player1Y = c.over1 ? 190 : 500;
    player2X = c.over2 ? 300 : 0;
    player2Y = c.over2 ? 190 : 500;
    PlaceEnergy(1, frameCounter + 350, 200);
    PlaceWeapon(1, frameCounter + 320, 195, 5);
    UpdatePickups();
    const std::string label = "states " + std::to_string(c.state1) + "/" + std::to_string(c.state2);
    EXPECT_EQ(player1Energy, c.over1 ? 55 : 40) << label;
    EXPECT_EQ(player2Energy, c.over2 ? 55 : 40) << label;
    EXPECT_EQ(ownedWeapons[1][5], c.over1 ? 1 : 0) << label;
    EXPECT_EQ(ownedWeapons[2][5], c.over2 ? 1 : 0) << label;
    const bool taken = c.over1 || c.over2;
    EXPECT_EQ(energyPickupState[1], taken ? 0 : 1) << label;
    EXPECT_EQ(weaponPickupState[1], taken ? 0 : 1) << label;
    EXPECT_EQ(PickupSounds(), 2 * (int32_t(c.over1) + int32_t(c.over2))) << label;
  }
}

// The black frame does not touch; and a one-player game's second work sprite
// is the blank made at game start, which never takes anything.
TEST_F(Pickups, BlackPartsAndTheBlankSecondShipDoNotTouch) {
  player1X = 300 - 100 + 2;  // the ship's last column over the pickup's black edge
  player1Y = 200;
  PlaceEnergy(1, frameCounter + 300, 200);
  UpdatePickups();
  EXPECT_EQ(energyPickupState[1], 1);

  LoadGameAssets();  // work sprites back to their blank start
  MakeFramed(SPRITE_ENERGY_PICKUP, 10, 8);
  player1Y = 500;
  player2State = 0;
  player2X = 300;
  player2Y = 200;
  UpdatePickups();
  EXPECT_EQ(energyPickupState[1], 1);
  EXPECT_EQ(player2Energy, 100);
}

// The weapon only: its ammunition and the current weapon stay; a weapon
// already owned just removes the pickup.
TEST_F(Pickups, WeaponPickupGivesTheWeaponOnly) {
  ammo[1][6] = 37;
  ownedWeapons[1][3] = 1;
  player1X = 250;
  player1Y = 190;
  PlaceWeapon(1, frameCounter + 300, 200, 6);
  PlaceWeapon(2, frameCounter + 330, 200, 3);
  UpdatePickups();
  EXPECT_EQ(ownedWeapons[1][6], 1);
  EXPECT_EQ(ownedWeapons[1][3], 1);
  EXPECT_EQ(ammo[1][6], 37);
  EXPECT_EQ(player1Weapon, 1);
  EXPECT_EQ(weaponPickupState[1], 0);
  EXPECT_EQ(weaponPickupState[2], 0);
  EXPECT_EQ(PickupSounds(), 2);
}

TEST_F(Pickups, ResetClearsBothTables) {
  PlaceEnergy(10, 5, 6);
  PlaceWeapon(50, 5, 6, 7);
  ResetPickups();
  for (const auto* t : {&energyPickupX, &energyPickupY, &energyPickupState})
    for (int32_t v : *t) EXPECT_EQ(v, 0);
  for (const auto* t : {&weaponPickupX, &weaponPickupY, &weaponPickupState, &weaponPickupType})
    for (int32_t v : *t) EXPECT_EQ(v, 0);
}

// ---- placing ----

class Placing : public Pickups {
 protected:
  void SetUp() override {
    Pickups::SetUp();
    host_->randomDraws.clear();
  }
  std::vector<int32_t> Maxes() const {
    std::vector<int32_t> m;
    for (const auto& d : host_->randomDraws) m.push_back(d.max);
    return m;
  }
  int32_t Drawn(size_t i) const { return host_->randomDraws.at(i).result; }
};

TEST_F(Placing, TwoPlayerSetAtFrame10DrawsPositionsThenTheSecondType) {
  frameCounter = 10;
  PlacePickups();
  ASSERT_EQ(Maxes(), (std::vector<int32_t>{300, 400, 300, 400, 2}));
  EXPECT_EQ(weaponPickupX[1], 815 + Drawn(0));
  EXPECT_EQ(weaponPickupY[1], 50 + Drawn(1));
  EXPECT_EQ(weaponPickupX[2], 1115 + Drawn(2));
  EXPECT_EQ(weaponPickupY[2], 50 + Drawn(3));
  EXPECT_EQ(weaponPickupType[1], 3);
  EXPECT_EQ(weaponPickupType[2], 2 + Drawn(4));
  EXPECT_EQ(weaponPickupState[1], 1);
  EXPECT_EQ(weaponPickupState[2], 1);
}

// Which form a set takes by the two states; a one-player form leaves slot 2 alone.
TEST_F(Placing, FormOfASetFollowsThePlayerStates) {
  struct Case {
    int32_t state1, state2;
    std::vector<int32_t> maxes;
    bool slot2Replaced;
  };
  const std::vector<Case> cases = {
      {1, 1, {300, 400, 300, 400, 2, 2}, true},
      {1, 0, {800, 400, 2}, false},
      {0, 1, {800, 400, 2}, false},
      {2, 1, {}, false},
      {1, 2, {}, false},
      {2, 0, {}, false},
      {0, 0, {}, false},
  };
  for (const Case& c : cases) {
    ResetPickups();
    PlaceWeapon(2, 77, 88, 7);
    weaponPickupState[2] = 0;  // an earlier pickup, already taken
    host_->randomDraws.clear();
    player1State = c.state1;
    player2State = c.state2;
    frameCounter = 1600;
    PlacePickups();
    const std::string label = "states " + std::to_string(c.state1) + "/" + std::to_string(c.state2);
    // Nothing is owned but weapon 1, so the first pass always stands.
    EXPECT_EQ(Maxes(), c.maxes) << label;
    EXPECT_EQ(weaponPickupState[1], c.maxes.empty() ? 0 : 1) << label;
    EXPECT_EQ(weaponPickupX[2] != 77, c.slot2Replaced) << label;
    EXPECT_EQ(weaponPickupState[2], c.slot2Replaced ? 1 : 0) << label;
    if (c.maxes.size() == 3) {
      EXPECT_EQ(weaponPickupX[1], 1600 + 805 + Drawn(0)) << label;
      EXPECT_EQ(weaponPickupY[1], 50 + Drawn(1)) << label;
      EXPECT_EQ(weaponPickupType[1], 2 + Drawn(2)) << label;
    }
  }
}

// Passes repeat until the weapon is new to its player; each pass draws its
// position afresh, and the last pass stands.
TEST_F(Placing, PassesRepeatUntilTheTypeIsNew) {
  player2State = 0;
  ownedWeapons[1][2] = ownedWeapons[1][3] = 1;
  host_->now = 4242;
  SeedRandomFromClock();
  frameCounter = 1600;
  PlacePickups();
  const auto& d = host_->randomDraws;
  ASSERT_EQ(d.size() % 3, 0u);
  for (size_t i = 0; i < d.size(); i += 3) {
    EXPECT_EQ(Maxes()[i], 800);
    const bool last = i + 3 == d.size();
    EXPECT_EQ(d[i + 2].result == 2, last) << "pass " << i / 3;  // type 4 only on the last pass
  }
  EXPECT_EQ(weaponPickupType[1], 4);
  EXPECT_EQ(weaponPickupX[1], 1600 + 805 + d[d.size() - 3].result);
  EXPECT_EQ(weaponPickupY[1], 50 + d[d.size() - 2].result);
}

// Both alive: a pass stands only when slot 1 is new to player 1 and slot 2
// new to player 2; every earlier pass failed on one of the two.
TEST_F(Placing, TwoPlayerPassesRepeatUntilBothTypesAreNewToTheirPlayers) {
  ownedWeapons[1][2] = ownedWeapons[1][3] = 1;  // slot 1 can only stand as 4
  ownedWeapons[2][4] = 1;                       // slot 2 only as 2 or 3
  bool repeated = false;
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    host_->now = seed;
    SeedRandomFromClock();
    host_->randomDraws.clear();
    frameCounter = 1600;
    PlacePickups();
    const auto& d = host_->randomDraws;
    const std::vector<int32_t> allMaxes = Maxes();
    ASSERT_FALSE(d.empty());
    ASSERT_EQ(d.size() % 6, 0u);
    for (size_t i = 0; i < d.size(); i += 6) {
      const std::vector<int32_t> maxes(allMaxes.begin() + i, allMaxes.begin() + i + 6);
      EXPECT_EQ(maxes, (std::vector<int32_t>{300, 400, 300, 400, 2, 2}));
      const bool bothNew = 2 + d[i + 4].result == 4 && 2 + d[i + 5].result != 4;
      EXPECT_EQ(bothNew, i + 6 == d.size()) << "seed " << seed << " pass " << i / 6;
    }
    repeated = repeated || d.size() > 6;
    const size_t last = d.size() - 6;
    EXPECT_EQ(weaponPickupX[1], 1600 + 805 + d[last].result);
    EXPECT_EQ(weaponPickupY[1], 50 + d[last + 1].result);
    EXPECT_EQ(weaponPickupX[2], 1600 + 1105 + d[last + 2].result);
    EXPECT_EQ(weaponPickupY[2], 50 + d[last + 3].result);
    EXPECT_EQ(weaponPickupType[1], 4);
    EXPECT_EQ(weaponPickupType[2], 2 + d[last + 5].result);
  }
  EXPECT_TRUE(repeated);
}

// A set that could never find a new weapon is skipped instead of drawing for ever.
TEST_F(Placing, SetWhoseEveryTypeIsOwnedIsSkipped) {
  struct Case {
    int32_t frame, state1, state2, player;
    std::vector<int32_t> owned;
  };
  const std::vector<Case> cases = {
      {1600, 1, 0, 1, {2, 3, 4}},
      {1600, 0, 1, 2, {2, 3, 4}},
      {3200, 1, 1, 2, {2, 3, 4, 5, 6, 7}},
      {6000, 1, 1, 1, {2, 3, 4, 5, 6, 7}},
      {10, 1, 0, 1, {3}},
  };
  for (const Case& c : cases) {
    ResetPickups();
    ResetPlayers();
    host_->randomDraws.clear();
    for (int32_t w : c.owned) ownedWeapons[c.player][w] = 1;
    player1State = c.state1;
    player2State = c.state2;
    frameCounter = c.frame;
    PlacePickups();
    EXPECT_TRUE(host_->randomDraws.empty()) << "frame " << c.frame;
    EXPECT_EQ(weaponPickupState[1], 0) << "frame " << c.frame;
  }
}

TEST_F(Placing, EnergyPickupsGoToTheSlotsOfAlivePlayers) {
  struct Case {
    int32_t frame, state1, state2;
    std::set<int32_t> slots;
  };
  const std::vector<Case> cases = {
      {2000, 1, 1, {1, 2}}, {2000, 1, 0, {1}}, {2000, 0, 1, {2}}, {2000, 2, 1, {2}},
      {5000, 1, 1, {3, 4}}, {5000, 1, 2, {3}}, {1999, 1, 1, {}},
  };
  for (const Case& c : cases) {
    ResetPickups();
    host_->randomDraws.clear();
    player1State = c.state1;
    player2State = c.state2;
    frameCounter = c.frame;
    PlacePickups();
    std::set<int32_t> placed;
    for (int32_t i = 1; i <= 10; ++i)
      if (energyPickupState[i] == 1) placed.insert(i);
    EXPECT_EQ(placed, c.slots) << "frame " << c.frame << " states " << c.state1 << "/" << c.state2;
    ASSERT_EQ(host_->randomDraws.size(), c.slots.size());
    size_t k = 0;
    for (int32_t slot : c.slots) {
      EXPECT_EQ(energyPickupX[slot], c.frame + (slot % 2 == 1 ? 810 : 850));
      EXPECT_EQ(energyPickupY[slot], 50 + Drawn(k++));
      EXPECT_EQ(host_->randomDraws[k - 1].max, 400);
    }
  }
}
}  // namespace
