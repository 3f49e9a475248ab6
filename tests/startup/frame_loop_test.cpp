#include <gtest/gtest.h>

#include <vector>

#include "game/game.h"
#include "platform/platform.h"
#include "platform/test_host.h"
#include "startup/startup.h"

namespace {
constexpr int32_t ESC = 1;

class FrameLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = &InstallTestHostWithServices();
    ClearSharedState();
    player1State = 1;
    escLatch = 1;
    host_->onPresent = [this](const uint16_t* pixels) {
      presentTimes_.push_back(host_->now);
      frames_.push_back(frameCounter);
      bool black = true;
      for (int i = 0; i < SCREEN_WIDTH * SCREEN_HEIGHT; ++i) black = black && pixels[i] == 0;
      blackPictures_.push_back(black);
      if (slowPresent_ == host_->presents) host_->now += 50;
    };
  }
  TestHost* host_ = nullptr;
  std::vector<uint32_t> presentTimes_;
  std::vector<int32_t> frames_;
  std::vector<bool> blackPictures_;
  int32_t slowPresent_ = -1;
};

TEST_F(FrameLoop, FirstFramePresentsBlackWithFrameCounterOne) {
  host_->KeyDownAtPresent(3, ESC);
  EXPECT_EQ(RunGame(), Screen::Menu);
  ASSERT_EQ(frames_.size(), 3u);
  EXPECT_EQ(frames_[0], 1);
  EXPECT_TRUE(blackPictures_[0]);
  EXPECT_EQ(host_->screenTitle, "Tolvane");
}

// A slot lasts 36 virtual ms; a 50 ms frame is followed at once and not made up.
TEST_F(FrameLoop, SlotIs36MsAndASlowFrameIsNotMadeUp) {
  slowPresent_ = 5;
  host_->KeyDownAtPresent(9, ESC);
  RunGame();
  ASSERT_EQ(presentTimes_.size(), 9u);
  std::vector<uint32_t> gaps;
  for (size_t i = 1; i < presentTimes_.size(); ++i) gaps.push_back(presentTimes_[i] - presentTimes_[i - 1]);
  // Present 5's frame took 50 ms (+ the 50 happens after the present was stamped).
  EXPECT_EQ(gaps, (std::vector<uint32_t>{36, 36, 36, 36, 50, 36, 36, 36}));
}

TEST_F(FrameLoop, EscapeHeldIntoALaterGameDoesNotQuitIt) {
  host_->SetKey(ESC, true);
  EXPECT_EQ(RunGame(), Screen::Menu);  // first game of the run: quits at once
  EXPECT_EQ(frames_.size(), 1u);
  EXPECT_EQ(escLatch, 0);
  EXPECT_EQ(host_->screenOpen, false);

  frames_.clear();
  host_->presents = 0;
  host_->KeyUpAtPresent(6, ESC);
  host_->KeyDownAtPresent(10, ESC);
  EXPECT_EQ(RunGame(), Screen::Menu);
  EXPECT_EQ(frames_.size(), 10u);  // held through frames 1..5, released, pressed at 10
  EXPECT_EQ(escLatch, 0);
}

TEST_F(FrameLoop, BothPlayersGoneHandsOverToGameOverWithAStill) {
  player1State = 0;
  player2State = 0;
  EXPECT_EQ(RunGame(), Screen::GameOver);
  EXPECT_EQ(frames_.size(), 1u);
  EXPECT_EQ(SpriteFullWidth(82), 799);
  EXPECT_EQ(SpriteFullHeight(82), 599);
}

// Pacing: strictly more than 35 ms measured from the end of the previous wait,
// also across the signed 32-bit boundary of the tick counter.
TEST_F(FrameLoop, PacingWaitsStrictlyMoreThan35Ms) {
  for (uint32_t start : {100000u, 0x7FFFFFF0u, 0xFFFFFFF0u}) {
    host_->now = start;
    frameTime = GetTickCount();
    PaceFrame();
    const uint32_t waited = host_->now - start;
    if (start == 0x7FFFFFF0u) {
      EXPECT_LT(waited, 36u);  // the jump over the boundary ends the wait early
    } else {
      EXPECT_EQ(waited, 36u) << start;
    }
    EXPECT_EQ(frameTime, int32_t(host_->now));
  }
}
}  // namespace
