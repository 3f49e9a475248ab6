// A close request for the full-screen game window (a window manager's close
// box, Alt+F4) on the offscreen platform: it ends the program as the menu's
// close box does, and never takes the window away from a game that goes on.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QWindow>

#include <cstdio>
#include <unistd.h>

#include "platform/host.h"

namespace {

// What a run that did not end says, as its exit code.
constexpr int HIDDEN = 3;
constexpr int RAN_ON = 4;

QWindow* GameWindow() {
  for (QWindow* w : QGuiApplication::topLevelWindows())
    if (w->title() == "Tolvane") return w;
  return nullptr;
}

void OpenGameScreen() {
  SetPlatformHost(MakeDesktopHost());
  ResetPlatformState();
  if (StartSpriteSystem() == 0 || EnterFullscreen(800, 600, 16, "Tolvane") == 0 || GameWindow() == nullptr) {
    std::fprintf(stderr, "no game screen\n");
    _exit(2);
  }
}

// As the window system delivers it.
void RequestClose() { GameWindow()->close(); }

class CloseRequest : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(CloseRequest, EndsTheProgramWithCodeZeroAtTheNextPresentAndTheWindowStaysUntilThen) {
  EXPECT_EXIT(
      {
        OpenGameScreen();
        RequestClose();
        if (!GameWindow()->isVisible()) _exit(HIDDEN);
        PresentFrame();
        _exit(RAN_ON);
      },
      ::testing::ExitedWithCode(0), "");
}

// The pause, the game-over screen and the name entry wait in the yield.
TEST_F(CloseRequest, EndsThePollingWaitsToo) {
  EXPECT_EXIT(
      {
        OpenGameScreen();
        RequestClose();
        YieldProcessor(1);
        _exit(RAN_ON);
      },
      ::testing::ExitedWithCode(0), "");
}

// The window of a game that has ended only waits, hidden, for the next one:
// a request then is nobody's, and the next game does not end by it.
TEST_F(CloseRequest, ToTheHiddenWindowOfAnEndedGameChangesNothing) {
  EXPECT_EXIT(
      {
        OpenGameScreen();
        LeaveFullscreen();
        RequestClose();
        PresentFrame();
        EnterFullscreen(800, 600, 16, "Tolvane");
        PresentFrame();
        _exit(GameWindow()->isVisible() ? RAN_ON : HIDDEN);
      },
      ::testing::ExitedWithCode(RAN_ON), "");
}

}  // namespace
