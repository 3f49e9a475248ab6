// The ends that only a real X server shows, on an Xvfb of this test's own:
// another program destroys or unmaps our windows, and the connection breaks
// under a game, so that the next write goes to a server that has gone. Each
// case runs in a child of its own; the server lives in the parent.
#include <gtest/gtest.h>

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/host.h"

extern char** environ;

namespace {

// What a child that did not end says, as its exit code.
constexpr int SET_UP_FAILED = 2;
constexpr int RAN_ON = 4;
constexpr int BOX_RETURNED = 5;
constexpr int SHOWN = 6;
constexpr int NEVER_SAW_IT = 7;  // the event did not come, or the program hung on it

pid_t g_server = 0;
std::string g_noServer;  // why there is none
// The parent's own connection: the server ends when its last client goes,
// so that it does not outlive a test that is killed.
xcb_connection_t* g_keeper = nullptr;

// How the child ends when the program did not end it, and why.
[[noreturn]] void Stop(int code, const char* why) {
  std::fprintf(stderr, "%s\n", why);
  std::fflush(stderr);
  _exit(code);
}

// Another client of the server, as xdotool is; each act returns once the
// server has done it.
class OtherProgram {
 public:
  OtherProgram() : c_(xcb_connect(nullptr, nullptr)) {
    if (xcb_connection_has_error(c_) != 0) Stop(SET_UP_FAILED, "no second client");
  }
  ~OtherProgram() { xcb_disconnect(c_); }
  void Destroy(xcb_window_t w) {
    xcb_destroy_window(c_, w);
    Sync();
  }
  void Unmap(xcb_window_t w) {
    xcb_unmap_window(c_, w);
    Sync();
  }
  // What gives the program that notice.
  void Do(uint8_t notice, xcb_window_t w) { notice == XCB_DESTROY_NOTIFY ? Destroy(w) : Unmap(w); }
  bool Viewable(xcb_window_t w) {
    auto* r = xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, w), nullptr);
    const bool viewable = r != nullptr && r->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(r);
    return viewable;
  }

 private:
  void Sync() { std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)); }
  xcb_connection_t* c_;
};

// Set once the program's own connection has handed it the destroy or unmap
// notice of a window: the pump that handled it has then done its check.
class NoticeSeen : public QAbstractNativeEventFilter {
 public:
  NoticeSeen(uint8_t type, xcb_window_t window) : type_(type), window_(window) {
    qApp->installNativeEventFilter(this);
  }
  ~NoticeSeen() override { qApp->removeNativeEventFilter(this); }
  bool nativeEventFilter(const QByteArray&, void* message, qintptr*) override {
    const auto* e = static_cast<const xcb_generic_event_t*>(message);
    const uint8_t type = e->response_type & 0x7F;
    if (type == XCB_DESTROY_NOTIFY && type_ == type)
      seen = seen || reinterpret_cast<const xcb_destroy_notify_event_t*>(e)->window == window_;
    if (type == XCB_UNMAP_NOTIFY && type_ == type)
      seen = seen || reinterpret_cast<const xcb_unmap_notify_event_t*>(e)->window == window_;
    return false;
  }
  bool seen = false;

 private:
  uint8_t type_;
  xcb_window_t window_;
};

// Where the program is when the other program acts: at a present (in play, at
// the pause), in a polling wait (game over, the name entry), in the menu's
// event wait, or in the key capture's wait.
enum class Pump { Present, PollingWait, EventWait, CaptureWait };

struct Case {
  const char* what;
  uint8_t notice;
  Pump pump;
  int code;  // the child's exit code
};

// Pumps as the program there does, until the notice has been handled.
void PumpUntil(const NoticeSeen& notice, Pump pump) {
  while (!notice.seen) {
    switch (pump) {
      case Pump::Present: PresentFrame(); break;
      case Pump::PollingWait: YieldProcessor(1); break;
      case Pump::EventWait: WaitEvent(); break;
      case Pump::CaptureWait: YieldProcessor(0); break;
    }
  }
}

// A child that waits for what never comes ends by itself, and says so.
void GiveUpLater() {
  QTimer::singleShot(60000, qApp, [] { Stop(NEVER_SAW_IT, "still waiting after a minute"); });
}

void MakeHost() {
  SetPlatformHost(MakeDesktopHost());
  ResetPlatformState();
}

QWindow* GameWindow() {
  for (QWindow* w : QGuiApplication::topLevelWindows())
    if (w->title() == "Tolvane" && w->isVisible()) return w;
  return nullptr;
}

// A game's screen, shown and drawn.
xcb_window_t OpenGameScreen() {
  if (StartSpriteSystem() == 0 || EnterFullscreen(800, 600, 16, "Tolvane") == 0 || GameWindow() == nullptr)
    Stop(SET_UP_FAILED, "no game screen");
  GiveUpLater();
  while (!GameWindow()->isExposed()) PresentFrame();
  FillTarget(0, 0, 255);
  PresentFrame();
  return xcb_window_t(GameWindow()->winId());
}

QWidget* Menu() { return reinterpret_cast<QWidget*>(WindowHandle(0)); }

// The menu's window, shown, in its event wait.
xcb_window_t OpenMenu() {
  if (CreateAppWindow(0, 0, 0, 350, 200, 0xCA0001, "menu") == 0) Stop(SET_UP_FAILED, "no menu window");
  GiveUpLater();
  while (Menu()->windowHandle() == nullptr || !Menu()->windowHandle()->isExposed()) WaitEvent();
  return xcb_window_t(Menu()->winId());
}

QMessageBox* OpenBox() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* box = qobject_cast<QMessageBox*>(w); box != nullptr && box->isVisible()) return box;
  return nullptr;
}

class WindowSystemEnd : public ::testing::Test {
 protected:
  // Xvfb tells its display number through the descriptor it is given.
  static void SetUpTestSuite() {
    int fds[2];
    if (pipe(fds) != 0) {
      g_noServer = "no pipe";
      return;
    }
    const std::string fd = std::to_string(fds[1]);
    const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "800x600x24",
                          "-nolisten", "tcp", "-terminate", nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int error =
        posix_spawnp(&g_server, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string number;
    char c;
    while (error == 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (error != 0) {
      g_server = 0;
      g_noServer = std::string("no Xvfb: ") + std::strerror(error);
    } else if (number.empty()) {
      StopServer();
      g_noServer = "Xvfb did not start";
    } else {
      setenv("DISPLAY", (":" + number).c_str(), 1);
      setenv("QT_QPA_PLATFORM", "xcb", 1);
      g_keeper = xcb_connect(nullptr, nullptr);
    }
  }
  static void TearDownTestSuite() { StopServer(); }
  static void StopServer() {
    if (g_keeper != nullptr) xcb_disconnect(g_keeper);
    g_keeper = nullptr;
    if (g_server == 0) return;
    kill(g_server, SIGCONT);
    kill(g_server, SIGTERM);
    waitpid(g_server, nullptr, 0);
    g_server = 0;
  }

  void SetUp() override {
    if (g_server == 0 && g_noServer.rfind("no Xvfb", 0) == 0) GTEST_SKIP() << g_noServer;
    ASSERT_NE(g_server, 0) << g_noServer;
    // The parent has no thread and no toolkit: each child makes its own.
    GTEST_FLAG_SET(death_test_style, "fast");
  }
  // A case may stop the server.
  void TearDown() override {
    if (g_server != 0) kill(g_server, SIGCONT);
  }
};

// The end at the pump that hears of it, as on a close request: the present's
// in play and at the pause, the polling wait's on the game-over screen and in
// the name entry. An unmapped window is only not shown for a while.
TEST_F(WindowSystemEnd, TheGameWindowDestroyedInAGameEndsWithCodeZeroUnmappedItPlaysOn) {
  const Case cases[] = {
      {"destroyed, in play", XCB_DESTROY_NOTIFY, Pump::Present, 0},
      {"destroyed, in a polling wait", XCB_DESTROY_NOTIFY, Pump::PollingWait, 0},
      {"unmapped, in play", XCB_UNMAP_NOTIFY, Pump::Present, RAN_ON},
      {"unmapped, in a polling wait", XCB_UNMAP_NOTIFY, Pump::PollingWait, RAN_ON},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EXIT(
        {
          MakeHost();
          const xcb_window_t screen = OpenGameScreen();
          NoticeSeen notice(c.notice, screen);
          OtherProgram other;
          other.Do(c.notice, screen);
          PumpUntil(notice, c.pump);
          PresentFrame();
          YieldProcessor(1);
          Stop(RAN_ON, "the game ran on");
        },
        ::testing::ExitedWithCode(c.code), "");
  }
}

// The hidden window of an ended game belongs to no game: the next game gets
// a window that shows.
TEST_F(WindowSystemEnd, TheHiddenGameWindowDestroyedBetweenGamesIsMadeAnewForTheNext) {
  EXPECT_EXIT(
      {
        MakeHost();
        const xcb_window_t first = OpenGameScreen();
        LeaveFullscreen();
        NoticeSeen notice(XCB_DESTROY_NOTIFY, first);
        OtherProgram other;
        other.Destroy(first);
        while (!notice.seen) PresentFrame();
        EnterFullscreen(800, 600, 16, "Tolvane");
        while (GameWindow() == nullptr || !other.Viewable(xcb_window_t(GameWindow()->winId()))) PresentFrame();
        Stop(SHOWN, "the next game's window shows");
      },
      ::testing::ExitedWithCode(SHOWN), "");
}

// As the menu's close box: in the event wait, and while a key capture waits,
// whose window has gone. The menu left under a game is served by no one, and
// an unmapped menu is still there.
TEST_F(WindowSystemEnd, TheMenuWindowDestroyedEndsWithCodeZeroUnlessAGameIsShown) {
  const Case cases[] = {
      {"destroyed, in the event wait", XCB_DESTROY_NOTIFY, Pump::EventWait, 0},
      {"destroyed, while a key capture waits", XCB_DESTROY_NOTIFY, Pump::CaptureWait, 0},
      {"destroyed, under a game", XCB_DESTROY_NOTIFY, Pump::Present, RAN_ON},
      {"unmapped, in the event wait", XCB_UNMAP_NOTIFY, Pump::EventWait, RAN_ON},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EXIT(
        {
          MakeHost();
          const xcb_window_t menu = OpenMenu();
          if (c.pump == Pump::Present) OpenGameScreen();
          if (c.pump == Pump::CaptureWait) SwallowWindowInput(1);
          NoticeSeen notice(c.notice, menu);
          OtherProgram other;
          other.Do(c.notice, menu);
          PumpUntil(notice, c.pump);
          if (c.pump == Pump::Present) {
            // The game goes on, and ends into a new menu.
            PresentFrame();
            LeaveFullscreen();
            OpenMenu();
          }
          Stop(RAN_ON, "the menu ran on");
        },
        ::testing::ExitedWithCode(c.code), "");
  }
}

// A destroyed message box is answered as with its OK button, and the menu goes
// on; under a destroyed menu its box has nothing left to stand for.
TEST_F(WindowSystemEnd, AMessageBoxDestroyedCountsAsItsOkButtonAndTheMenuDestroyedUnderItEnds) {
  struct Row {
    const char* what;
    bool theMenu;
    int code;
  };
  const Row rows[] = {
      {"the box destroyed", false, BOX_RETURNED},
      {"the menu destroyed under its box", true, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EXIT(
        {
          MakeHost();
          const xcb_window_t menu = OpenMenu();
          OtherProgram other;
          // Run by the box's own loop once it shows.
          QTimer::singleShot(0, qApp, [&] {
            QMessageBox* box = OpenBox();
            if (box == nullptr) Stop(SET_UP_FAILED, "no message box");
            other.Destroy(row.theMenu ? menu : xcb_window_t(box->winId()));
          });
          ShowMessageBox("Error !!!", "There are some actions without a defined key...", 0);
          Stop(BOX_RETURNED, "the box returned");
        },
        ::testing::ExitedWithCode(row.code), "");
  }
}

// The connection's socket is shut for writing under a game while the server
// stands still, so that nothing but the program's next write can tell it has
// gone: that write must not end the program by SIGPIPE.
TEST_F(WindowSystemEnd, AWriteToAServerThatHasGoneEndsWithCodeOneAndTheLineNeverBySignal) {
  EXPECT_EXIT(
      {
        MakeHost();
        OpenGameScreen();
        auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
        if (x11 == nullptr) Stop(SET_UP_FAILED, "no X connection");
        const int fd = xcb_get_file_descriptor(x11->connection());
        // Stopped, the server cannot close its end first.
        if (kill(g_server, SIGSTOP) != 0 || shutdown(fd, SHUT_WR) != 0) Stop(SET_UP_FAILED, "the connection stays");
        for (int frame = 0;; ++frame) {
          FillTarget(frame & 0xFF, 0, 0);
          PresentFrame();
        }
      },
      ::testing::ExitedWithCode(1), "tolvane: the display was lost: the X11 connection broke \\(error 1\\)");
}

}  // namespace
