#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/game/whole_game.h"

namespace {
constexpr int32_t LEVEL_END = 9801;
// A break-up takes four steps of more than 100 ms, three 36 ms frames each;
// the frame after the last step finds the ship gone.
constexpr int32_t DYING_FRAMES = 13;
const std::vector<std::pair<int32_t, int32_t>> BONUSES = {{1800, 500}, {3900, 600}, {6100, 700}, {8000, 800}, {9600, 1000}};

// Each bonus whose frame was played shows in the score of the next frame,
// on top of whatever kills that frame scored; none is paid early.
void ExpectBonusesPaid(const WholeGame& g) {
  int32_t bonuses = 0;
  for (const auto& [frame, points] : BONUSES) {
    if (frame >= g.lastFrame) continue;
    bonuses += points;
    EXPECT_GE(g.score.at(frame + 1) - g.score.at(frame), points) << "bonus of frame " << frame;
    EXPECT_GE(g.score.at(frame + 1), bonuses) << "bonus of frame " << frame;
  }
  EXPECT_GE(g.score.back(), bonuses);
}

// Kills may or may not score, depending on whether the enemies are drawn and
// hit; the checks hold either way.
TEST(WholeGame, EndsByTheLevelEndAndRepeatsFromAFreshStart) {
  const WholeGame first = PlayWholeGame(424242, false);
  EXPECT_EQ(first.next, Screen::GameOver);
  EXPECT_LE(first.lastFrame, LEVEL_END + DYING_FRAMES);
  EXPECT_EQ(first.state1.back(), 0);
  EXPECT_EQ(first.state2.back(), 0);
  ExpectBonusesPaid(first);

  const WholeGame second = PlayWholeGame(424242, false);
  EXPECT_EQ(second.lastFrame, first.lastFrame);
  EXPECT_EQ(second.score.back(), first.score.back());
  EXPECT_EQ(second.randomDraws.size(), first.randomDraws.size());
  EXPECT_TRUE(second.randomDraws == first.randomDraws);
}

TEST(WholeGame, ShipsKeptAliveReachTheLevelEndWhichEmptiesBothEnergies) {
  const WholeGame g = PlayWholeGame(777, true);
  EXPECT_EQ(g.next, Screen::GameOver);
  ASSERT_GT(g.lastFrame, LEVEL_END);
  EXPECT_EQ(g.state1.at(LEVEL_END), 1);
  EXPECT_EQ(g.state2.at(LEVEL_END), 1);
  // Both started their break-up in the level's last frame.
  EXPECT_EQ(g.state1.at(LEVEL_END + 1), 2);
  EXPECT_EQ(g.state2.at(LEVEL_END + 1), 2);
  EXPECT_LE(g.lastFrame, LEVEL_END + DYING_FRAMES);
  ExpectBonusesPaid(g);
  EXPECT_GE(g.score.back(), 3600);
}
}  // namespace
