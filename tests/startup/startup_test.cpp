#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <vector>

#include "game/game.h"
#include "platform/host.h"
#include "platform/platform.h"
#include "platform/test_host.h"
#include "startup/startup.h"

namespace {
namespace fs = std::filesystem;

struct RunResult {
  bool ended = false;
  int32_t code = -1;
};

RunResult RunProgram() {
  RunResult r;
  try {
    StartUp();
  } catch (const ProgramExit& e) {
    r.ended = true;
    r.code = e.code;
  }
  return r;
}

class StartUpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = &InstallTestHost();
    dir_ = fs::temp_directory_path() / ("tolvane-start-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    host_->executablePath = (dir_ / "tolvane").string();
  }
  void TearDown() override { fs::remove_all(dir_); }
  TestHost* host_ = nullptr;
  fs::path dir_;
};

// A service that cannot start shows the message once and ends with code 1,
// not 0: a failed start must not report success.
TEST_F(StartUpTest, ServiceThatCannotStartEndsWithMessageAndCodeOne) {
  for (int failing = 0; failing < 3; ++failing) {
    host_ = &InstallTestHost();
    host_->executablePath = (dir_ / "tolvane").string();
    host_->keyboardWorks = failing != 0;
    host_->soundWorks = failing != 1;
    host_->displayWorks = failing != 2;
    // A key file that would be read only after all services started.
    std::ofstream(dir_ / "keyboard", std::ios::binary) << std::string(52, '\x05');
    keyTable.fill(0);
    const RunResult r = RunProgram();
    EXPECT_TRUE(r.ended);
    EXPECT_EQ(r.code, 1) << "failing service " << failing;
    ASSERT_EQ(host_->messageBoxes.size(), 1u);
    EXPECT_EQ(host_->messageBoxes[0].first, "Error !!!");
    EXPECT_EQ(host_->messageBoxes[0].second, "Please check your DirectX-Version");
    EXPECT_EQ(keyTable[1], 0) << "the key file must not be read";
    EXPECT_EQ(host_->screenOpens, 0);
  }
}

// Without a menu window the program goes straight into a game with player 1
// and no mode; leaving that game finds no menu either and ends the program
// normally.
TEST_F(StartUpTest, WithoutMenuWindowAGameStartsAndItsQuitEndsTheProgram) {
  int32_t p1 = -1, p2 = -1, count = -1, latch = -1, frame = -1;
  host_->onPresent = [&](const uint16_t*) {
    if (host_->presents == 1) {
      p1 = player1State, p2 = player2State, count = playerCount, latch = escLatch;
      frame = frameCounter;
    }
  };
  host_->windowsWork = false;
  host_->KeyDownAtPresent(0, 1);  // Escape held from the start
  const RunResult r = RunProgram();
  EXPECT_TRUE(r.ended);
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(p1, 1);
  EXPECT_EQ(p2, 0);
  EXPECT_EQ(count, 0);  // no start button was pressed: no record file belongs to this game
  EXPECT_EQ(latch, 1);
  EXPECT_EQ(frame, 1);
  // The first game of a run quits at the end of its first frame.
  EXPECT_EQ(host_->presents, 1);
  EXPECT_EQ(escLatch, 0);
  EXPECT_EQ(gamePlayed, 1);
  EXPECT_EQ(host_->screenTitle, "Tolvane");
  EXPECT_FALSE(host_->screenOpen);
  EXPECT_EQ(programDirectory, dir_.string() + "/");
}

// From the menu through 100 frames, Escape back to a new menu, and its close box.
TEST_F(StartUpTest, HundredFramesThenEscapeBackToTheMenuAndItsCloseBoxEndsTheRun) {
  host_->menuEvents = {{EVENT_CONTROL, 2}, {EVENT_CLOSE, 0}};
  std::vector<uint32_t> presentTimes;
  host_->onPresent = [&](const uint16_t*) { presentTimes.push_back(host_->now); };
  host_->KeyDownAtPresent(100, 1);
  const RunResult r = RunProgram();
  EXPECT_TRUE(r.ended);
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(frameCounter, 100);
  ASSERT_EQ(presentTimes.size(), 100u);
  for (size_t i = 1; i < presentTimes.size(); ++i) EXPECT_EQ(presentTimes[i] - presentTimes[i - 1], 36u);
  EXPECT_TRUE(host_->messageBoxes.empty());
  EXPECT_EQ(host_->windowTitles.size(), 2u);
  EXPECT_FALSE(host_->screenOpen);
}

// The test host, with the desktop's own fonts and text drawing, so that a
// frame carries the glyphs a player sees.
class RealTextHost : public TestHost {
 public:
  void MakeFont(int32_t n, const std::string& face, int32_t points) override { text_->MakeFont(n, face, points); }
  void DrawText(uint16_t* pixels, int32_t x, int32_t y, int32_t font, uint16_t colour, bool transparent,
                const std::string& text, int32_t* advance) override {
    TestHost::DrawText(pixels, x, y, font, colour, transparent, text, advance);
    text_->DrawText(pixels, x, y, font, colour, transparent, text, advance);
  }

 private:
  std::unique_ptr<PlatformHost> text_ = MakeDesktopHost();
};

// Where a picture holds a colour within a rectangle.
struct Ink {
  int32_t left = SCREEN_WIDTH, top = SCREEN_HEIGHT, right = -1, bottom = -1, pixels = 0;
  bool operator==(const Ink&) const = default;
};
void PrintTo(const Ink& i, std::ostream* os) {
  *os << i.pixels << " pixels in x " << i.left << ".." << i.right << ", y " << i.top << ".." << i.bottom;
}
Ink InkOf(const uint16_t* pixels, uint16_t colour, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  Ink ink;
  for (int32_t y = y0; y < y1; ++y)
    for (int32_t x = x0; x < x1; ++x) {
      if (pixels[y * SCREEN_WIDTH + x] != colour) continue;
      ++ink.pixels;
      ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x);
      ink.top = std::min(ink.top, y), ink.bottom = std::max(ink.bottom, y);
    }
  return ink;
}

// The HUD's score is drawn in the font that start-up made: in the first frame
// of a two-player game both panels show "0" as "arial" at 8 points draws it.
TEST_F(StartUpTest, TheHudScoreShowsInTheEightPointFontMadeAtStartUp) {
  auto owned = std::make_unique<RealTextHost>();
  RealTextHost& host = *owned;
  SetPlatformHost(std::move(owned));
  ResetPlatformState();
  std::memset(LiveKeys(), 0, 256);
  host.executablePath = (dir_ / "tolvane").string();
  host.menuEvents = {{EVENT_CONTROL, 3}};  // "2 Player Game"; then the menu ends the run
  std::vector<uint16_t> firstFrame;
  host.onPresent = [&](const uint16_t* pixels) {
    if (host.presents == 2) firstFrame.assign(pixels, pixels + SCREEN_WIDTH * SCREEN_HEIGHT);
  };
  host.KeyDownAtPresent(2, 1);
  RunProgram();
  ASSERT_EQ(firstFrame.size(), size_t(SCREEN_WIDTH) * SCREEN_HEIGHT);

  constexpr uint16_t SCORE_GREY = 0xCE59;  // (200, 200, 200)
  const std::unique_ptr<PlatformHost> reference = MakeDesktopHost();
  reference->MakeFont(0, "arial", 8);
  std::vector<uint16_t> expected(firstFrame.size(), 0);
  int32_t advance = 0;
  for (int32_t penX : {146, 331}) {
    reference->DrawText(expected.data(), penX, 22, 0, SCORE_GREY, true, "0", &advance);
    // Over each player's panel, from a little above the pen to the bottom of the HUD.
    const int32_t x0 = penX - 10, x1 = penX + 40, y0 = 12, y1 = 48;
    const Ink want = InkOf(expected.data(), SCORE_GREY, x0, y0, x1, y1);
    ASSERT_GT(want.pixels, 10) << "the reference text drew nothing";
    EXPECT_EQ(InkOf(firstFrame.data(), SCORE_GREY, x0, y0, x1, y1), want) << "score at x " << penX;
  }
}

TEST_F(StartUpTest, KeyFileIsReadBesideTheProgramWhateverTheCurrentDirectory) {
  std::string bytes;
  for (int i = 0; i < 13; ++i) bytes += std::string{char(0x10 + i), 0, 0, 0};
  std::ofstream(dir_ / "keyboard", std::ios::binary) << bytes;
  const fs::path cwd = fs::current_path();
  fs::current_path(fs::temp_directory_path());
  host_->KeyDownAtPresent(0, 1);
  RunProgram();
  fs::current_path(cwd);
  for (int i = 1; i <= 13; ++i) EXPECT_EQ(keyTable[i], 0x0F + i);
}
}  // namespace
