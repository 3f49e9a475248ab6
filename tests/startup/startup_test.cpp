#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "game/game.h"
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
