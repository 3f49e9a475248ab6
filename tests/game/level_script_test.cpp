#include <functional>
#include <map>
#include <ostream>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "tests/game/game_fixture.h"

namespace {
// Enemies alive of each kind.
struct Count {
  int32_t fighters = 0, asteroids = 0, gunships = 0, cruisers = 0, mines = 0;
  bool operator==(const Count&) const = default;
};
void PrintTo(const Count& c, std::ostream* os) {
  *os << "{fighters " << c.fighters << ", asteroids " << c.asteroids << ", gunships " << c.gunships
      << ", cruisers " << c.cruisers << ", mines " << c.mines << "}";
}

struct Enemy {
  int32_t x, y;
  bool operator<(const Enemy& o) const { return x != o.x ? x < o.x : y < o.y; }
  bool operator==(const Enemy&) const = default;
};

template <typename T>
std::vector<Enemy> Alive(const T& state, const T& xs, const T& ys) {
  std::vector<Enemy> v;
  for (size_t i = 1; i < state.size(); ++i)
    if (state[i] != 0) v.push_back({xs[i], ys[i]});
  std::sort(v.begin(), v.end());
  return v;
}

// Every table that the script, the spawners and the pickup placing write.
struct Field {
  const char* name;
  std::span<int32_t> cells;
};
std::vector<Field> WrittenFields() {
  return {{"fighterX", fighterX},
          {"fighterY", fighterY},
          {"fighterState", fighterState},
          {"asteroidX", asteroidX},
          {"asteroidY", asteroidY},
          {"asteroidDy", asteroidDy},
          {"asteroidState", asteroidState},
          {"asteroidEnergy", asteroidEnergy},
          {"gunshipX", gunshipX},
          {"gunshipY", gunshipY},
          {"gunshipState", gunshipState},
          {"gunshipEnergy", gunshipEnergy},
          {"cruiserX", cruiserX},
          {"cruiserY", cruiserY},
          {"cruiserState", cruiserState},
          {"cruiserEnergy", cruiserEnergy},
          {"mineX", mineX},
          {"mineY", mineY},
          {"mineState", mineState},
          {"mineEnergy", mineEnergy},
          {"animFrame", animFrame},
          {"weaponPickupX", weaponPickupX},
          {"weaponPickupY", weaponPickupY},
          {"weaponPickupState", weaponPickupState},
          {"weaponPickupType", weaponPickupType},
          {"energyPickupX", energyPickupX},
          {"energyPickupY", energyPickupY},
          {"energyPickupState", energyPickupState},
          {"score", std::span<int32_t>(&score, 1)}};
}

class LevelScript : public GameScreen {
 protected:
  void SetUp() override {
    GameScreen::SetUp();
    // A font whose every cell is red except the blank (cell 50), so a
    // text's first letter shows where it starts.
    MakeSprite(SPRITE_BITMAP_FONT, 320, 190, [](int32_t x, int32_t y) {
      const int32_t cell = y / 38 * 10 + x / 32 + 1;
      return cell == 50 ? Rgb{0, 0, 0} : Rgb{248, 0, 0};
    });
    ResetEnemies();
    ResetPickups();
    ResetPlayers();
    player1State = player2State = 1;
  }
  void Seed(uint32_t seed) {
    host_->now = seed;
    SeedRandomFromClock();
    host_->randomDraws.clear();
  }
  static Count Enemies() {
    Count c;
    for (int32_t i = 1; i <= 400; ++i) c.fighters += fighterState[i] != 0;
    for (int32_t i = 1; i <= 200; ++i) {
      c.asteroids += asteroidState[i] != 0;
      c.gunships += gunshipState[i] != 0;
      c.cruisers += cruiserState[i] != 0;
      c.mines += mineState[i] != 0;
    }
    return c;
  }
  // First column from the left in the text row (y 450..487) that is not black; -1 when none.
  int32_t TextStart() const {
    for (int32_t x = 0; x < SCREEN_WIDTH; ++x)
      for (int32_t y = 450; y < 488; ++y)
        if (Pixel(x, y) != 0) return x;
    return -1;
  }
  int32_t RunFrame(int32_t frame) {
    FillTarget(0, 0, 0);
    frameCounter = frame;
    RunLevelScript();
    PlacePickups();
    return TextStart();
  }
  // The level frame compared with the same steps made by hand from the same
  // seed, on tables emptied before each: the same draws in the same order,
  // and the same value in every cell that either may write.
  void ExpectFrameMatches(int32_t frame, const std::function<void()>& byHand, uint32_t seed = 5150) {
    const auto clear = [] {
      for (const Field& f : WrittenFields()) std::fill(f.cells.begin(), f.cells.end(), 0);
    };
    clear();
    Seed(seed);
    byHand();
    const auto draws = host_->randomDraws;
    std::vector<std::vector<int32_t>> want;
    for (const Field& f : WrittenFields()) want.emplace_back(f.cells.begin(), f.cells.end());
    clear();
    Seed(seed);
    RunFrame(frame);
    EXPECT_EQ(host_->randomDraws, draws) << "frame " << frame << " seed " << seed;
    const auto fields = WrittenFields();
    for (size_t k = 0; k < fields.size(); ++k) {
      const auto& got = fields[k].cells;
      size_t cell = 0;
      while (cell < got.size() && got[cell] == want[k][cell]) ++cell;
      if (cell < got.size()) {
        ADD_FAILURE() << "frame " << frame << " seed " << seed << ": " << fields[k].name << "[" << cell << "] is "
                      << got[cell] << ", by hand " << want[k][cell];
      }
    }
  }
  // The first row from the top with a pixel that is not black; -1 when none.
  int32_t TopRow() const {
    for (int32_t y = 0; y < SCREEN_HEIGHT; ++y)
      for (int32_t x = 0; x < SCREEN_WIDTH; ++x)
        if (Pixel(x, y) != 0) return y;
    return -1;
  }
};

// Every frame of the level on empty tables: what arrives, and when.
TEST_F(LevelScript, EachFrameSendsItsFormations) {
  std::map<int32_t, Count> expected;
  auto add = [&](std::initializer_list<int32_t> frames, Count c) {
    for (int32_t f : frames) {
      Count& e = expected[f];
      e.fighters += c.fighters;
      e.asteroids += c.asteroids;
      e.gunships += c.gunships;
      e.cruisers += c.cruisers;
      e.mines += c.mines;
    }
  };
  add({400, 2500, 4600, 8650}, {0, 1, 0, 0, 0});
  add({20, 150, 300, 1100, 1700, 2000, 3200, 6600, 7400, 8800, 9400}, {5, 0, 0, 0, 0});
  add({2300, 2550, 5340, 5540}, {0, 0, 0, 1, 0});
  add({900, 2100, 8450, 4350, 9250}, {0, 0, 0, 0, 3});
  add({2800}, {0, 12, 0, 0, 0});
  add({1500, 4700, 8700}, {0, 24, 0, 0, 0});
  add({2950, 5800, 7100}, {0, 0, 0, 0, 9});
  add({3700, 6850, 9000}, {0, 0, 4, 0, 0});
  add({4850}, {0, 0, 2, 0, 0});
  add({5000}, {8, 0, 0, 0, 0});
  add({4150, 4700, 7500}, {0, 24, 0, 0, 0});
  add({3500, 6650, 8250}, {0, 12, 0, 0, 0});
  const std::set<int32_t> threat = {700, 1300, 1850, 4500, 6400, 7750};
  // The threat is one of three: four asteroids, a cruiser or two gunships.
  const std::vector<Count> threats = {{0, 4, 0, 0, 0}, {0, 0, 0, 1, 0}, {0, 0, 2, 0, 0}};

  for (int32_t f = 1; f <= 9801; ++f) {
    ResetEnemies();
    RunFrame(f);
    player1Energy = player2Energy = 100;
    const Count got = Enemies();
    if (threat.count(f) != 0) {
      bool known = false;
      for (size_t k = 0; k < threats.size(); ++k)
        if (got == threats[k]) known = true;
      EXPECT_TRUE(known) << "frame " << f;
    } else {
      const auto it = expected.find(f);
      ASSERT_EQ(got, it == expected.end() ? Count{} : it->second) << "frame " << f;
    }
  }
}

TEST_F(LevelScript, BonusesAreScoredAndTheirTextsShownInTheFramesAfter) {
  struct Case {
    int32_t frame, points, textStart;
  };
  const std::vector<Case> cases = {
      {1799, 0, -1}, {1800, 500, -1}, {1801, 0, 120}, {1999, 0, 120}, {2000, 0, -1},
      {3900, 600, -1}, {3901, 0, 120}, {4099, 0, 120}, {4100, 0, -1},
      {6100, 700, -1}, {6299, 0, 120}, {8000, 800, -1}, {8199, 0, 120}, {8200, 0, -1},
      {9600, 1000, -1}, {9601, 0, 186}, {9799, 0, 186}, {9800, 0, -1},
  };
  // Paid whatever the states: here both players are gone.
  player1State = player2State = 0;
  for (const Case& c : cases) {
    score = 7;
    EXPECT_EQ(RunFrame(c.frame), c.textStart) << "frame " << c.frame;
    EXPECT_EQ(TopRow(), c.textStart == -1 ? -1 : 450) << "frame " << c.frame;
    EXPECT_EQ(score, 7 + c.points) << "frame " << c.frame;
  }
}

TEST_F(LevelScript, FrameWithSeveralEventsRunsThemInTableOrder) {
  // The field, then the rain from above, then the rain from below.
  ExpectFrameMatches(4700, [] {
    SpawnAsteroidField(810);
    SpawnAsteroidRain(200, -1);
    SpawnAsteroidRain(200, 1);
  });
  // The wedge's draws come before those of the energy pickups.
  ExpectFrameMatches(2000, [] {
    SpawnFighterWedge(850, 100 + RandomUpTo(300));
    energyPickupState[1] = energyPickupState[2] = 1;
    energyPickupX[1] = 2000 + 810;
    energyPickupX[2] = 2000 + 850;
    energyPickupY[1] = 50 + RandomUpTo(400);
    energyPickupY[2] = 50 + RandomUpTo(400);
  });
}

// One row per event of the script (and the weapon sets of frames 3200 and
// 6000), each with several seeds so that every branch of a drawn choice is
// taken: the frame makes exactly the calls of its row, with their x, y and
// directions, in the row's order.
TEST_F(LevelScript, EveryEventMakesTheCallsOfItsRow) {
  struct Row {
    int32_t frame;
    std::function<int32_t()> byHand;  // the branch it took
    size_t branches;
    int32_t state2 = 1;
  };
  const auto wedge = [] { SpawnFighterWedge(850, 100 + RandomUpTo(300)); };
  const auto energyPickup = [](int32_t slot, int32_t ahead) {
    energyPickupState[slot] = 1;
    energyPickupX[slot] = frameCounter + ahead;
    energyPickupY[slot] = 50 + RandomUpTo(400);
  };
  // With only weapon 1 owned the first pass of a set always stands.
  const auto weaponPickup = [](int32_t slot, int32_t ahead, int32_t spread) {
    weaponPickupState[slot] = 1;
    weaponPickupX[slot] = frameCounter + ahead + RandomUpTo(spread);
    weaponPickupY[slot] = 50 + RandomUpTo(400);
  };
  const std::vector<Row> rows = {
      {400, [] {
         const int32_t dy = -3 - RandomUpTo(2);
         const int32_t x = player1X + 300 + RandomUpTo(400);
         SpawnAsteroid(x, -80, dy);
         return 0;
       }, 1},
      {20, [&] { wedge(); return 0; }, 1},
      {700, [] {
         const int32_t r = 1 + RandomUpTo(2);
         if (r == 1) {
           SpawnAsteroid(player1X + 500, -80, -4);
           SpawnAsteroid(player1X + 800, -80, -4);
           SpawnAsteroid(player1X + 900, -80, -3);
           SpawnAsteroid(player1X + 810, 300, -3);
         } else if (r == 2) {
           SpawnCruiser(810, player1Y);
         } else {
           SpawnGunshipPair(810);
         }
         return r;
       }, 3},
      {2300, [] {
         if (RandomUpTo(2) <= 1) {
           SpawnCruiser(810, player1Y - 60);
           return 1;
         }
         SpawnCruiser(810, player2Y);
         return 2;
       }, 2},
      {900, [] { return SpawnMineTriangle(810); }, 1},
      {4350, [] { return SpawnMineTriangle(-150); }, 1},
      {2800, [] { return SpawnAsteroidRain(200, -1); }, 1},
      {1500, [] { return SpawnAsteroidField(810); }, 1},
      {2950, [] { return SpawnMineDiagonal(810); }, 1},
      {3700, [] { return SpawnGunshipArc(810); }, 1},
      {4850, [] { return SpawnGunshipPair(810); }, 1},
      {5000, [&] {
         SpawnFighterDiagonal(810);
         energyPickup(3, 810);
         energyPickup(4, 850);
         return 0;
       }, 1},
      {4150, [] {
         SpawnAsteroidRain(200, -1);
         return SpawnAsteroidRain(200, 1);
       }, 1},
      {3500, [] {
         const int32_t r = RandomUpTo(2);
         SpawnAsteroidRain(200, r <= 1 ? -1 : 1);
         return r <= 1 ? 1 : 2;
       }, 2},
      {3200, [&] {
         wedge();
         weaponPickup(1, 805, 300);
         weaponPickup(2, 1105, 300);
         weaponPickupType[1] = 2 + RandomUpTo(5);
         weaponPickupType[2] = 2 + RandomUpTo(5);
         return 0;
       }, 1},
      {6000, [&] {
         weaponPickup(1, 805, 800);
         weaponPickupType[1] = 2 + RandomUpTo(5);
         return 0;
       }, 1, 0},
  };
  player1X = 37, player1Y = 333, player2Y = 144;
  for (const Row& row : rows) {
    player2State = row.state2;
    std::set<int32_t> branches;
    for (uint32_t seed = 1; seed <= 12; ++seed) {
      frameCounter = row.frame;
      ExpectFrameMatches(row.frame, [&] { branches.insert(row.byHand()); }, seed);
    }
    EXPECT_EQ(branches.size(), row.branches) << "frame " << row.frame;
  }
}

// The falling asteroid and the four of the threat go by player 1's x even
// when player 1 is gone; the threat's cruiser then aims at player 2.
TEST_F(LevelScript, AsteroidsGoByPlayer1sLastPlaceAndCruisersAtAnAliveShip) {
  player1State = 0;
  player1X = 37;
  player1Y = 11;
  player2Y = 222;
  Seed(1);
  RunFrame(400);
  ASSERT_GE(host_->randomDraws.size(), 2u);
  const int32_t dy = -3 - host_->randomDraws[0].result;
  const int32_t x = 37 + 300 + host_->randomDraws[1].result;
  EXPECT_EQ(host_->randomDraws[0].max, 2);
  EXPECT_EQ(host_->randomDraws[1].max, 400);
  ASSERT_EQ(Alive(asteroidState, asteroidX, asteroidY), (std::vector<Enemy>{{x, -80}}));
  for (int32_t i = 1; i <= 200; ++i) {
    if (asteroidState[i] != 0) {
      EXPECT_EQ(asteroidDy[i], dy);
    }
  }

  std::set<int32_t> branches;
  for (uint32_t seed = 1; seed < 200 && branches.size() < 3; ++seed) {
    ResetEnemies();
    Seed(seed);
    RunFrame(700);
    const int32_t r = 1 + host_->randomDraws.at(0).result;
    branches.insert(r);
    if (r == 1) {
      EXPECT_EQ(Alive(asteroidState, asteroidX, asteroidY),
                (std::vector<Enemy>{{537, -80}, {837, -80}, {847, 300}, {937, -80}}));
    } else if (r == 2) {
      EXPECT_EQ(Alive(cruiserState, cruiserX, cruiserY), (std::vector<Enemy>{{810, 222}}));
    } else {
      EXPECT_EQ(Alive(gunshipState, gunshipX, gunshipY), (std::vector<Enemy>{{810, 100}, {810, 300}}));
    }
  }
  EXPECT_EQ(branches.size(), 3u);
}

// The threat's cruiser flies at player 1's height while player 1 is alive,
// else at player 2's, with no offset either way.
TEST_F(LevelScript, ThreatsCruiserAimsAtPlayer1WhileAliveElsePlayer2) {
  struct Case {
    int32_t state1, state2, y;
  };
  player1Y = 333;
  player2Y = 144;
  for (const Case c : {Case{1, 1, 333}, Case{1, 0, 333}, Case{0, 1, 144}, Case{2, 1, 144}}) {
    bool seen = false;
    for (uint32_t seed = 1; seed < 100 && !seen; ++seed) {
      ResetEnemies();
      player1State = c.state1;
      player2State = c.state2;
      Seed(seed);
      RunFrame(1300);
      if (host_->randomDraws.at(0).result != 1) continue;  // r = 2: the cruiser
      seen = true;
      EXPECT_EQ(Alive(cruiserState, cruiserX, cruiserY), (std::vector<Enemy>{{810, c.y}}))
          << "states " << c.state1 << "/" << c.state2;
    }
    EXPECT_TRUE(seen);
  }
}

// At its three frames the rain comes from above for a draw of 0 or 1 and
// from below for a 2.
TEST_F(LevelScript, DrawnRainComesFromAboveTwoTimesInThree) {
  std::set<int32_t> picks;
  for (int32_t frame : {3500, 6650, 8250}) {
    for (uint32_t seed = 1; seed <= 12; ++seed) {
      ResetEnemies();
      Seed(seed);
      RunFrame(frame);
      ASSERT_EQ(host_->randomDraws.at(0).max, 2);
      const int32_t r = host_->randomDraws[0].result;
      picks.insert(r);
      const auto rocks = Alive(asteroidState, asteroidX, asteroidY);
      ASSERT_EQ(rocks.size(), 12u);
      for (const Enemy& e : rocks) {
        if (r <= 1) {
          EXPECT_LT(e.y, 0) << "frame " << frame << " draw " << r;
        } else {
          EXPECT_GT(e.y, 600) << "frame " << frame << " draw " << r;
        }
      }
    }
  }
  EXPECT_EQ(picks, (std::set<int32_t>{0, 1, 2}));
}

// The hunt draws until it picks an alive ship; with none alive it draws
// nothing and sends no cruiser.
TEST_F(LevelScript, CruiserHuntAimsAtAnAliveShipOrSendsNone) {
  struct Case {
    int32_t state1, state2;
  };
  player1Y = 300;
  player2Y = 150;
  for (const Case c : {Case{1, 1}, Case{1, 0}, Case{1, 2}, Case{0, 1}, Case{2, 1}, Case{0, 0}, Case{2, 2}, Case{2, 0}}) {
    const std::string label = "states " + std::to_string(c.state1) + "/" + std::to_string(c.state2);
    bool repeated = false;
    for (uint32_t seed = 1; seed <= 30; ++seed) {
      ResetEnemies();
      player1State = c.state1;
      player2State = c.state2;
      Seed(seed);
      RunFrame(2300);
      std::vector<int32_t> picks;
      for (const auto& d : host_->randomDraws)
        if (d.max == 2) picks.push_back(d.result);
      if (c.state1 != 1 && c.state2 != 1) {
        EXPECT_TRUE(host_->randomDraws.empty()) << label;
        EXPECT_EQ(Enemies(), Count{}) << label;
        continue;
      }
      ASSERT_FALSE(picks.empty()) << label;
      for (size_t i = 0; i + 1 < picks.size(); ++i) {
        const bool wouldPick = (picks[i] <= 1 && c.state1 == 1) || (picks[i] == 2 && c.state2 == 1);
        EXPECT_FALSE(wouldPick) << label;
      }
      repeated = repeated || picks.size() > 1;
      const int32_t y = picks.back() <= 1 ? 300 - 60 : 150;
      EXPECT_EQ(Alive(cruiserState, cruiserX, cruiserY), (std::vector<Enemy>{{810, y}})) << label;
    }
    // With one ship alive some seed must have needed a second draw.
    if ((c.state1 == 1) != (c.state2 == 1)) {
      EXPECT_TRUE(repeated) << label;
    }
  }
}

// In a real frame: a pickup lies over the scenery and under the enemies, a
// bonus text over the enemies and under the ships. Solid pictures: a red
// pickup 500x120 at (50, 400), a green fighter at (200, 420), the blue text
// from (120, 450) with glyphs 32 wide every 33 pixels, a white ship at (500, 440).
TEST_F(LevelScript, InAFramePickupsLieUnderEnemiesAndBonusTextsBetweenEnemiesAndShips) {
  struct StopAfterTheFrame {};
  const uint16_t RED = ScreenColour(248, 0, 0), GREEN = ScreenColour(0, 252, 0);
  const uint16_t BLUE = ScreenColour(0, 0, 248), WHITE = ScreenColour(248, 252, 248);
  player2State = 0;
  escLatch = 1;
  std::vector<uint16_t> picture;
  host_->onPresent = [&](const uint16_t* pixels) {
    if (host_->presents == 2) {
      picture.assign(pixels, pixels + SCREEN_WIDTH * SCREEN_HEIGHT);
      throw StopAfterTheFrame{};
    }
    // The game's media are loaded: put ours in their place and run this frame as 1801.
    frameCounter = 1801;
    MakeSolidSprite(SPRITE_ENERGY_PICKUP, 500, 120, {248, 0, 0});
    MakeSolidSprite(SPRITE_FIGHTER_SHEET, 164 * 5, 85, {0, 252, 0});
    MakeSolidSprite(SPRITE_BITMAP_FONT, 320, 190, {0, 0, 248});
    MakeSolidSprite(SPRITE_PLAYER1_SHEET, 100 * 5, 30, {248, 252, 248});
    energyPickupState[1] = 1;
    energyPickupX[1] = 1801 + 50;
    energyPickupY[1] = 400;
    fighterState[1] = 1;
    fighterX[1] = 200 + fighterSpeed;  // moved before it is drawn
    fighterY[1] = 420;
    player1X = 500;
    player1Y = 440;
  };
  EXPECT_THROW(RunGame(), StopAfterTheFrame);
  ASSERT_EQ(picture.size(), size_t(SCREEN_WIDTH * SCREEN_HEIGHT));
  const auto at = [&](int32_t x, int32_t y) { return picture[y * SCREEN_WIDTH + x]; };
  EXPECT_EQ(at(60, 410), RED);     // the pickup alone
  EXPECT_EQ(at(250, 430), GREEN);  // the fighter over the pickup
  EXPECT_EQ(at(255, 460), BLUE);   // a glyph over the fighter
  EXPECT_EQ(at(150, 460), BLUE);   // a glyph over the pickup
  EXPECT_EQ(at(550, 460), WHITE);  // the ship over a glyph and the pickup
}

// In a real frame 2000 the script's wedge draws before the energy pickups are placed.
TEST_F(LevelScript, InARealFrameTheScriptDrawsBeforeThePickupsArePlaced) {
  struct StopAfterTheFrame {};
  escLatch = 1;
  host_->onPresent = [&](const uint16_t*) {
    if (host_->presents == 2) throw StopAfterTheFrame{};
    frameCounter = 2000;
    host_->randomDraws.clear();
  };
  EXPECT_THROW(RunGame(), StopAfterTheFrame);
  const auto& d = host_->randomDraws;
  ASSERT_GE(d.size(), 3u);
  const size_t n = d.size();
  EXPECT_EQ(d[n - 2].max, 400);
  EXPECT_EQ(d[n - 1].max, 400);
  EXPECT_EQ(energyPickupY[1], 50 + d[n - 2].result);
  EXPECT_EQ(energyPickupY[2], 50 + d[n - 1].result);
  // Before them: the wedge's height, then one slot draw per fighter on the
  // empty table (stars may draw before all of it).
  size_t wedge = 0;
  while (wedge < n && d[wedge].max != 300) ++wedge;
  EXPECT_EQ(wedge + 1 + 5, n - 2);
  std::set<int32_t> heights;
  for (int32_t i = 1; i <= 400; ++i)
    if (fighterState[i] != 0) heights.insert(fighterY[i]);
  EXPECT_TRUE(heights.count(100 + d[wedge].result)) << "the wedge's lead at its drawn height";
}

TEST_F(LevelScript, LevelEndEmptiesTheEnergyOfAliveShipsOnly) {
  struct Case {
    int32_t frame, state1, state2, energy1, energy2;
  };
  const std::vector<Case> cases = {
      {9801, 1, 1, 0, 0}, {9801, 2, 1, 1, 0}, {9801, 1, 0, 0, 50}, {9801, 0, 2, 50, 1}, {9800, 1, 1, 50, 50},
  };
  for (const Case& c : cases) {
    player1State = c.state1;
    player2State = c.state2;
    player1Energy = c.state1 == 2 ? 1 : 50;
    player2Energy = c.state2 == 2 ? 1 : 50;
    RunFrame(c.frame);
    EXPECT_EQ(player1Energy, c.energy1) << "frame " << c.frame;
    EXPECT_EQ(player2Energy, c.energy2) << "frame " << c.frame;
  }
}
}  // namespace
