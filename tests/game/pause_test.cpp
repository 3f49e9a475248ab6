#include <vector>

#include "tests/game/game_fixture.h"

namespace {
constexpr int32_t ESC = 1;
constexpr int32_t PAUSE = 197;

class Pause : public GameScreen {
 protected:
  void SetUp() override {
    GameScreen::SetUp();
    keyTable[13] = PAUSE;
    SetFrameLimit(80);
    escLatch = 1;
    frameCounter = 321;
    FillTarget(0, 0, 200);  // this frame's picture, drawn but not yet shown
  }
};

TEST_F(Pause, WithoutThePauseKeyNothingHappens) {
  host_->SetKey(ESC, true);
  CheckPause();
  EXPECT_EQ(host_->presents, 0);
  EXPECT_EQ(escLatch, 1);
}

// Escape counts only once the pause key has been seen up on some pass; from
// then on it resumes even with the pause key down again. Key changes made at
// present n are seen by the poll of pass n + 1.
TEST_F(Pause, EscapeCountsOnlyAfterThePauseKeyWasSeenUp) {
  struct Case {
    const char* name;
    std::vector<std::pair<int32_t, TestHost::KeyChange>> changes;
    int32_t presents;
  };
  const std::vector<Case> cases = {
      {"escape while the pause key is held, then released", {{2, {ESC, true}}, {6, {PAUSE, false}}}, 7},
      {"released, pressed again, then escape", {{2, {PAUSE, false}}, {4, {PAUSE, true}}, {8, {ESC, true}}}, 9},
      {"release and escape seen on one pass", {{3, {PAUSE, false}}, {3, {ESC, true}}}, 4},
  };
  for (const Case& c : cases) {
    host_->presents = 0;
    host_->keysAtPresent.clear();
    for (int32_t k = 0; k < 256; ++k) host_->SetKey(k, false);
    host_->SetKey(PAUSE, true);
    for (const auto& [present, change] : c.changes) host_->keysAtPresent.insert({present, change});
    escLatch = 1;
    CheckPause();
    EXPECT_EQ(host_->presents, c.presents) << c.name;
    EXPECT_EQ(escLatch, 0) << c.name;
    EXPECT_EQ(frameCounter, 321) << c.name;
  }
}

// The first present shows the game's picture; from the second on, exactly
// the still taken from (1,1) and drawn back there, so the top row and the
// left column are black, with "-Pause-" at (280, 200) and the Escape line at
// (10, 300) over it. The frame is patterned, so a still one pixel off shows.
TEST_F(Pause, ShowsTheStillOfTheFrameWithItsTexts) {
  const auto pattern = [](int32_t x, int32_t y) { return uint16_t(x * 7 + y * 13 + 1); };
  const auto paint = [&](bool withBorder) {
    uint16_t* p = BackBufferPixels();
    for (int32_t y = 0; y < SCREEN_HEIGHT; ++y)
      for (int32_t x = 0; x < SCREEN_WIDTH; ++x)
        p[y * SCREEN_WIDTH + x] = withBorder && (x == 0 || y == 0) ? 0 : pattern(x, y);
  };
  const auto picture = [] { return std::vector<uint16_t>(BackBufferPixels(), BackBufferPixels() + SCREEN_WIDTH * SCREEN_HEIGHT); };
  paint(false);
  const std::vector<uint16_t> game = picture();

  std::vector<std::vector<uint16_t>> pictures;
  host_->onPresent = [&](const uint16_t* p) { pictures.emplace_back(p, p + SCREEN_WIDTH * SCREEN_HEIGHT); };
  host_->SetKey(PAUSE, true);
  host_->KeyUpAtPresent(1, PAUSE);
  host_->KeyDownAtPresent(3, ESC);
  const uint32_t start = host_->now;
  CheckPause();
  ASSERT_EQ(pictures.size(), 4u);
  EXPECT_TRUE(pictures[0] == game);

  // The expected picture, made without the still.
  paint(true);
  const std::vector<uint16_t> stillAlone = picture();
  DrawBitmapText(280, 200, "-Pause-");
  DrawBitmapText(10, 300, "Press Esc To continue...");
  const std::vector<uint16_t> expected = picture();
  EXPECT_FALSE(expected == stillAlone);
  for (size_t i = 1; i < pictures.size(); ++i) EXPECT_TRUE(pictures[i] == expected) << "present " << i + 1;
  // Paced by the present step alone: the clock moves at least 1/81 s per pass.
  EXPECT_GE(host_->now - start, 3u * 12u);
  EXPECT_TRUE(host_->soundStarts.empty());
}

// In the running game: the frame counter stands still while paused, the
// Escape that ends the pause does not quit, and a fresh press does.
TEST_F(Pause, GameResumesAtTheSameFrameAndQuitsOnlyOnAFreshEscape) {
  LeaveFullscreen();
  player1State = 1;
  player2State = 0;
  std::vector<int32_t> frames;
  std::vector<uint32_t> times;
  host_->onPresent = [&](const uint16_t*) {
    frames.push_back(frameCounter);
    times.push_back(host_->now);
  };
  host_->KeyDownAtPresent(3, PAUSE);  // seen by frame 3's pause step
  host_->KeyUpAtPresent(6, PAUSE);
  host_->KeyDownAtPresent(10, ESC);   // resumes
  host_->KeyUpAtPresent(14, ESC);
  host_->KeyDownAtPresent(16, ESC);   // quits
  EXPECT_EQ(RunGame(), Screen::Menu);
  // Presents 1..3 are frames 1..3; 4..11 the pause passes inside frame 3;
  // then frames 4, 5, ... until the fresh Escape.
  std::vector<int32_t> expected = {1, 2, 3};
  for (int32_t i = 4; i <= 11; ++i) expected.push_back(3);
  for (int32_t f = 4; f <= 8; ++f) expected.push_back(f);
  EXPECT_EQ(frames, expected);
  EXPECT_GT(times[10], times[3]);
  EXPECT_EQ(escLatch, 0);
}
// After a pause: the first present shows the last pause picture and the
// game's own follows; a pause of several seconds regenerates ammunition once.
TEST_F(Pause, AfterALongPauseTheLastPausePictureShowsAndAmmunitionRegeneratesOnce) {
  LeaveFullscreen();
  player1State = 1;
  player2State = 0;
  std::vector<int32_t> frames, ammoSeen;
  std::vector<std::vector<uint16_t>> pictures;
  host_->onPresent = [&](const uint16_t* p) {
    if (host_->presents == 1) ammo[1][1] = 50;
    if (host_->presents == 5) host_->now += 5000;  // a long pause
    frames.push_back(frameCounter);
    ammoSeen.push_back(ammo[1][1]);
    pictures.emplace_back(p, p + SCREEN_WIDTH * SCREEN_HEIGHT);
  };
  host_->KeyDownAtPresent(3, PAUSE);
  host_->KeyUpAtPresent(6, PAUSE);
  host_->KeyDownAtPresent(8, ESC);
  host_->KeyUpAtPresent(10, ESC);
  host_->KeyDownAtPresent(14, ESC);
  EXPECT_EQ(RunGame(), Screen::Menu);
  size_t resumed = 0;
  while (resumed < frames.size() && frames[resumed] != 4) ++resumed;
  ASSERT_LT(resumed + 2, frames.size());
  ASSERT_EQ(frames[resumed - 1], 3);  // the last pause pass
  EXPECT_TRUE(pictures[resumed] == pictures[resumed - 1]);
  EXPECT_FALSE(pictures[resumed + 1] == pictures[resumed]);
  EXPECT_EQ(ammoSeen[resumed - 1], 50);
  EXPECT_EQ(ammoSeen[resumed + 1], 60);  // frame 4 regenerated once
  EXPECT_EQ(ammoSeen[resumed + 2], 60);
}
}  // namespace
