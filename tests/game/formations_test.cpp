#include <functional>
#include <set>
#include <string>
#include <vector>

#include "tests/game/game_fixture.h"

namespace {
using Draw = TestHost::RandomDraw;
using Pos = std::pair<int32_t, int32_t>;

class Formations : public GameScreen {
 protected:
  void SetUp() override {
    GameScreen::SetUp();
    ResetEnemies();
    host_->Seed(20240611);
    host_->randomDraws.clear();
  }
};

// Walks the draw record of one call: the slot probes of each enemy, then the
// terms that enemy draws, checking every max on the way.
class DrawWalk {
 public:
  DrawWalk(const std::vector<Draw>& draws, const std::set<int32_t>& taken) : d_(draws), taken_(taken) {}

  // The slot the enemy's probes ended on; every earlier probe hit a taken slot.
  int32_t Slot(int32_t lastSlot) {
    for (;;) {
      const Draw p = Next(lastSlot - 1);
      const int32_t slot = p.result + 1;
      if (taken_.count(slot) != 0) continue;
      taken_.insert(slot);
      return slot;
    }
  }
  int32_t Term(int32_t max) { return Next(max).result; }
  bool AtEnd() const { return at_ == d_.size(); }

 private:
  Draw Next(int32_t max) {
    if (at_ >= d_.size()) {
      ADD_FAILURE() << "draw record ended early";
      return {max, 0};
    }
    const Draw got = d_[at_++];
    EXPECT_EQ(got.max, max) << "draw " << at_ - 1;
    return got;
  }
  const std::vector<Draw>& d_;
  size_t at_ = 0;
  std::set<int32_t> taken_;
};

// Fighters, gunships, cruisers, mines: nothing but slot probes, positions in order.
struct PlainCase {
  std::string name;
  std::function<void()> spawn;
  Table<400>* x400;  // fighters
  Table<200>* x200;  // the others
  std::vector<Pos> positions;
};

std::vector<PlainCase> PlainCases() {
  return {
      {"diagonal", [] { SpawnFighterDiagonal(50); }, nullptr, nullptr,
       {{150, 140}, {250, 180}, {350, 220}, {450, 260}, {550, 300}, {650, 340}, {750, 380}, {850, 420}}},
      {"wedge", [] { SpawnFighterWedge(900, 250); }, nullptr, nullptr,
       {{900, 250}, {960, 170}, {960, 330}, {1020, 210}, {1020, 290}}},
      {"chevron", [] { SpawnFighterChevron(1000); }, nullptr, nullptr,
       {{900, 170}, {800, 200}, {700, 230}, {600, 260}, {600, 90}, {700, 120}, {800, 150}, {900, 180},
        {1000, 210}, {1100, 240}}},
      {"gunship pair", [] { SpawnGunshipPair(820); }, nullptr, nullptr, {{820, 100}, {820, 300}}},
      {"gunship arc", [] { SpawnGunshipArc(820); }, nullptr, nullptr,
       {{820, 100}, {870, 200}, {870, 300}, {820, 400}}},
      {"cruiser", [] { SpawnCruiser(810, -7); }, nullptr, nullptr, {{810, -7}}},
      {"mine triangle", [] { SpawnMineTriangle(-150); }, nullptr, nullptr, {{-150, 100}, {-100, 250}, {-150, 400}}},
      {"mine diagonal", [] { SpawnMineDiagonal(800); }, nullptr, nullptr,
       {{860, 60}, {920, 90}, {980, 120}, {1040, 150}, {1100, 180}, {1160, 210}, {1220, 240}, {1280, 270},
        {1340, 300}}},
  };
}

struct KindTables {
  int32_t lastSlot;
  int32_t* x;
  int32_t* y;
  int32_t* state;
  int32_t* energy;  // null for fighters
  int32_t fullEnergy;
  int32_t* lastShot;  // null for asteroids and mines
};

KindTables TablesOf(const std::string& name) {
  if (name == "diagonal" || name == "wedge" || name == "chevron")
    return {391, fighterX.data(), fighterY.data(), fighterState.data(), nullptr, 0, fighterLastShotTime.data()};
  if (name.rfind("gunship", 0) == 0)
    return {191, gunshipX.data(), gunshipY.data(), gunshipState.data(), gunshipEnergy.data(), 100,
            gunshipLastShotTime.data()};
  if (name == "cruiser")
    return {191, cruiserX.data(), cruiserY.data(), cruiserState.data(), cruiserEnergy.data(), 150,
            cruiserLastShotTime.data()};
  return {191, mineX.data(), mineY.data(), mineState.data(), mineEnergy.data(), 20, nullptr};
}

// Half the range is taken (alive or exploding), so probes are rejected too;
// reused slots hold a spent energy, an old shot time and an old mine step.
TEST_F(Formations, PlainFormationsPlaceTheirPatternInFreshSlotsWithFullEnergy) {
  for (const PlainCase& c : PlainCases()) {
    SCOPED_TRACE(c.name);
    ResetEnemies();
    const KindTables t = TablesOf(c.name);
    std::set<int32_t> taken;
    for (int32_t s = 1; s <= t.lastSlot; s += 2) {
      t.state[s] = s % 4 == 1 ? 1 : 2;
      taken.insert(s);
    }
    for (int32_t s = 1; s <= 400; ++s) {
      if (t.energy != nullptr && s <= 200) t.energy[s] = -3;
      if (t.lastShot != nullptr && (t.energy == nullptr || s <= 200)) t.lastShot[s] = 7000 + s;
      if (s <= 200) mineDy[s] = 11;
    }
    host_->randomDraws.clear();
    c.spawn();

    DrawWalk walk(host_->randomDraws, taken);
    std::vector<Pos> placed;
    for (size_t e = 0; e < c.positions.size(); ++e) {
      const int32_t s = walk.Slot(t.lastSlot);
      placed.emplace_back(t.x[s], t.y[s]);
      EXPECT_EQ(t.state[s], 1);
      if (t.energy != nullptr) {
        EXPECT_EQ(t.energy[s], t.fullEnergy);
      }
      if (t.lastShot != nullptr) {
        EXPECT_EQ(t.lastShot[s], 7000 + s);  // stays with the slot
      }
      if (s <= 200) {
        EXPECT_EQ(mineDy[s], 11) << "a mine's step is left to its slot";
      }
    }
    EXPECT_TRUE(walk.AtEnd());
    EXPECT_EQ(placed, c.positions);
    for (int32_t s = 1; s <= t.lastSlot; s += 2) EXPECT_EQ(t.state[s], s % 4 == 1 ? 1 : 2) << s;
  }
}

TEST_F(Formations, AsteroidFieldDrawsSlotThenXTermThenStartFrameAndSetsDyZero) {
  std::set<int32_t> taken;
  for (int32_t s = 100; s <= 191; ++s) {
    asteroidState[s] = 1;
    taken.insert(s);
  }
  asteroidEnergy.fill(0);
  asteroidDy.fill(-5);  // every slot last held a falling asteroid
  SpawnAsteroidField(810);

  DrawWalk walk(host_->randomDraws, taken);
  std::vector<Pos> placed, expected;
  for (int32_t j = 0; j <= 450; j += 90) {
    for (const Pos& d : std::vector<Pos>{{0, 0}, {150, 40}, {300, 0}, {450, 40}}) {
      const int32_t s = walk.Slot(191);
      const int32_t r = walk.Term(70);
      const int32_t frame = walk.Term(7) + 1;
      expected.emplace_back(810 + r + d.first, j + d.second);
      placed.emplace_back(asteroidX[s], asteroidY[s]);
      EXPECT_EQ(asteroidDy[s], 0);
      EXPECT_EQ(asteroidEnergy[s], 40);
      EXPECT_EQ(animFrame[500 + s], frame);
    }
  }
  EXPECT_TRUE(walk.AtEnd());
  EXPECT_EQ(placed, expected);
  EXPECT_GE(host_->randomDraws.size(), 72u);
}

// dir -1 starts above the screen and falls; any other dir starts below it.
TEST_F(Formations, AsteroidRainBranches) {
  struct Case {
    int32_t dir;
    int32_t firstY, secondY;  // y without the s term
    int32_t sSign;
  };
  for (const Case& c : std::vector<Case>{{-1, -100, -300, 0}, {1, 750, 600, 1}, {3, 750, 600, 1}, {0, 750, 600, 1}}) {
    SCOPED_TRACE(c.dir);
    ResetEnemies();
    host_->randomDraws.clear();
    SpawnAsteroidRain(40, c.dir);
    DrawWalk walk(host_->randomDraws, {});
    for (int32_t j = 0; j <= 800; j += 160) {
      for (int32_t second = 0; second <= 1; ++second) {
        const int32_t s = walk.Slot(191);
        const int32_t r = walk.Term(40);
        const int32_t sTerm = walk.Term(50);
        const int32_t dy = (walk.Term(2) + 4) * c.dir;
        const int32_t frame = walk.Term(7) + 1;
        EXPECT_EQ(asteroidX[s], 40 + r + j + (second == 0 ? 20 : 200));
        int32_t y;
        if (c.dir == -1) {
          y = second == 0 ? -sTerm - 100 : sTerm - 300;
        } else {
          y = (second == 0 ? 750 : 600) + sTerm;
        }
        EXPECT_EQ(asteroidY[s], y);
        EXPECT_EQ(asteroidDy[s], dy);
        EXPECT_EQ(animFrame[500 + s], frame);
      }
    }
    EXPECT_TRUE(walk.AtEnd());
  }
}

TEST_F(Formations, SingleAsteroidDrawsOnlyItsSlotAndStartFrame) {
  SpawnAsteroid(700, 320, -3);
  DrawWalk walk(host_->randomDraws, {});
  const int32_t s = walk.Slot(191);
  const int32_t frame = walk.Term(7) + 1;
  EXPECT_TRUE(walk.AtEnd());
  EXPECT_EQ(Pos(asteroidX[s], asteroidY[s]), Pos(700, 320));
  EXPECT_EQ(asteroidDy[s], -3);
  EXPECT_EQ(animFrame[500 + s], frame);
}

TEST_F(Formations, StartFramesCoverOneToEight) {
  std::set<int32_t> frames;
  for (int32_t round = 0; round < 6; ++round) {
    ResetEnemies();
    SpawnAsteroidField(810);
    for (int32_t s = 1; s <= 191; ++s)
      if (asteroidState[s] == 1) frames.insert(animFrame[500 + s]);
  }
  EXPECT_EQ(frames, (std::set<int32_t>{1, 2, 3, 4, 5, 6, 7, 8}));
}

// A full range skips the enemy without a draw and goes on with the next one;
// slots beyond the range are never handed out.
TEST_F(Formations, FullRangeSkipsWithoutDrawingAndNeverUsesTheLastSlots) {
  for (int32_t call = 0; call < 60; ++call) SpawnFighterDiagonal(0);  // 480 fighters for 391 slots
  for (int32_t call = 0; call < 200; ++call) {
    if (call < 20) SpawnAsteroidField(0);  // 480 asteroids for 191 slots
    if (call < 25) SpawnMineDiagonal(0);
    if (call < 50) SpawnGunshipArc(0);
    SpawnCruiser(0, 0);
  }
  for (int32_t s = 1; s <= 400; ++s) EXPECT_EQ(fighterState[s], s <= 391 ? 1 : 0) << s;
  for (Table<200>* state : {&asteroidState, &mineState, &gunshipState, &cruiserState})
    for (int32_t s = 1; s <= 200; ++s) EXPECT_EQ((*state)[s], s <= 191 ? 1 : 0) << s;

  host_->randomDraws.clear();
  SpawnAsteroidField(0);
  SpawnAsteroidRain(0, -1);
  SpawnFighterWedge(0, 0);
  EXPECT_TRUE(host_->randomDraws.empty());

  // Three free slots: three asteroids placed with their draws, the rest skipped.
  asteroidState[5] = asteroidState[77] = asteroidState[191] = 0;
  host_->randomDraws.clear();
  SpawnAsteroidField(0);
  DrawWalk walk(host_->randomDraws, [] {
    std::set<int32_t> t;
    for (int32_t s = 1; s <= 191; ++s)
      if (s != 5 && s != 77 && s != 191) t.insert(s);
    return t;
  }());
  std::set<int32_t> got;
  for (int32_t e = 0; e < 3; ++e) {
    got.insert(walk.Slot(191));
    walk.Term(70);
    walk.Term(7);
  }
  EXPECT_TRUE(walk.AtEnd());
  EXPECT_EQ(got, (std::set<int32_t>{5, 77, 191}));
}

TEST_F(Formations, FreeSlotSearchProbesUntilAFreeSlot) {
  Table<200> state{};
  for (int32_t s = 1; s <= 191; ++s) state[s] = s == 42 ? 0 : 2;
  const uint64_t polls = KeyboardPollCount();
  EXPECT_EQ(FreeSlotSearch(state, 191), 42);
  EXPECT_EQ(KeyboardPollCount() - polls, host_->randomDraws.size()) << "one poll per probe";
  for (size_t k = 0; k < host_->randomDraws.size(); ++k) {
    EXPECT_EQ(host_->randomDraws[k].max, 190);
    EXPECT_EQ(host_->randomDraws[k].result + 1 == 42, k + 1 == host_->randomDraws.size());
  }
  state[42] = 1;
  host_->randomDraws.clear();
  EXPECT_EQ(FreeSlotSearch(state, 191), 0);
  EXPECT_TRUE(host_->randomDraws.empty());
}
}  // namespace
