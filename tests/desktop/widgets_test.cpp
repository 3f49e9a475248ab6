// The menu's window and controls on real widgets (offscreen platform).
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/desktop_host.h"
#include "platform/host.h"
#include "tests/desktop/test_bmp.h"

namespace {
constexpr int32_t PICTURE_SMALL = 50;
constexpr int32_t PICTURE_LARGE = 51;


// The key layer's clock, moved by hand: a hold lasts as long as the test
// says, however long the test itself takes.
uint64_t g_keyTime = 0;
uint64_t KeyTime() { return g_keyTime; }

uint32_t Quadrants(int x, int y) { return (x < 15 ? 0xFF0000u : 0x0000FFu) | (y < 10 ? 0x00FF00u : 0); }

// Lines of text in a grab: runs of rows that hold dark pixels. A gap of a
// single row (the dot of an "i") does not part two lines.
int32_t InkBands(const DesktopPicture& p) {
  int32_t bands = 0;
  int32_t blankRows = 2;
  for (int y = 0; y < p.height; ++y) {
    bool ink = false;
    for (int x = 0; x < p.width; ++x) ink |= (p.At(x, y) & 0xFF) < 0x60;
    if (ink && blankRows >= 2) ++bands;
    blankRows = ink ? 0 : blankRows + 1;
  }
  return bands;
}

class MenuWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetPlatformState();
    InitPictureTable();
    const auto small = MakeTestBmp(30, 20, Quadrants);
    const auto large = MakeTestBmp(200, 150, [](int, int) { return 0x336699u; });
    DecodePictureFromMemory(PICTURE_SMALL, small);
    DecodePictureFromMemory(PICTURE_LARGE, large);
    host = MakeDesktopHost();
    g_keyTime = 1'000'000;
    DesktopSetKeyClock(KeyTime);
    Build("Test Menu");
  }
  void TearDown() override { DesktopSetKeyClock(nullptr); }

  // A cut-down menu: two tabs with pictures, buttons, a frame and labels.
  void Build(const std::string& title) {
    ASSERT_NE(host->CreateWindow(0, 0, 0, 350, 200, 0xCA0001, title), 0);
    host->BeginControlParent(host->WindowHandle(0));
    host->AddTabControl(0, 1, 1, 399, 299);
    host->AddControlItem(0, 0, "The Game");
    host->AddPictureControl(1, 20, 40, 120, 100, PICTURE_SMALL);
    host->AddPictureControl(8, 80, 5, 120, 100, PICTURE_LARGE);
    host->AddPushButton(2, 240, 20, 90, 20, "1 Player Game");
    host->AddPushButton(5, 240, 130, 90, 20, "Exit Game");
    host->AddControlItem(0, 0, "Controls");
    host->AddGroupBox(14, 15, 42, 155, 130, "Player 1");
    host->AddLabel(17, 25, 65, 100, 40, "Left\rRight");
    host->AddLabel(18, 25, 110, 140, 40, "Left Right");
    host->AddPushButton(30, 80, 64, 80, 16, "Cursor Left");
    host->EndControlParent();
  }

  int32_t Wait(int32_t* id) {
    *id = -1;
    return host->WaitEvent(id);
  }

  std::unique_ptr<PlatformHost> host;
};

TEST_F(MenuWindow, ClientAreaIsExactAndCentred) {
  DesktopRect window, screen;
  ASSERT_TRUE(DesktopWindowRect(0, &window));
  ASSERT_TRUE(DesktopScreenRect(&screen));
  EXPECT_EQ(window.w, 350);
  EXPECT_EQ(window.h, 200);
  // To the pixel: as much room on the left as on the right, above as below
  // (an odd pixel left over goes right and below).
  const int32_t left = window.x - screen.x, right = screen.x + screen.w - (window.x + window.w);
  const int32_t above = window.y - screen.y, below = screen.y + screen.h - (window.y + window.h);
  EXPECT_TRUE(right - left == 0 || right - left == 1) << left << " left, " << right << " right";
  EXPECT_TRUE(below - above == 0 || below - above == 1) << above << " above, " << below << " below";
}

TEST_F(MenuWindow, ButtonClicksAreControlEventsInOrder) {
  // Building the tabs raised nothing: the first event is the first click.
  ASSERT_TRUE(DesktopClickButton(5));
  ASSERT_TRUE(DesktopClickButton(2));
  int32_t id;
  EXPECT_EQ(Wait(&id), EVENT_CONTROL);
  EXPECT_EQ(id, 5);
  EXPECT_EQ(Wait(&id), EVENT_CONTROL);
  EXPECT_EQ(id, 2);
}

TEST_F(MenuWindow, CloseBoxReportsAndTheWindowStays) {
  ASSERT_TRUE(DesktopUseCloseBox(0));
  int32_t id;
  EXPECT_EQ(Wait(&id), EVENT_CLOSE);
  EXPECT_TRUE(DesktopWindowVisible(0));
  // The controls still work after it.
  ASSERT_TRUE(DesktopClickButton(5));
  EXPECT_EQ(Wait(&id), EVENT_CONTROL);
  EXPECT_EQ(id, 5);
}

TEST_F(MenuWindow, UserTabChangeIsAControlEventOfTheTabControl) {
  EXPECT_EQ(host->ControlState(0), 0);
  EXPECT_FALSE(DesktopControlVisible(30));
  ASSERT_TRUE(DesktopUserSelectTab(0, 1));
  int32_t id;
  EXPECT_EQ(Wait(&id), EVENT_CONTROL);
  EXPECT_EQ(id, 0);
  EXPECT_EQ(host->ControlState(0), 1);
  EXPECT_TRUE(DesktopControlVisible(30));
  EXPECT_FALSE(DesktopControlVisible(5));
}

TEST_F(MenuWindow, SetControlStateShowsThePageWithoutAnEvent) {
  host->SetControlState(0, 1);
  EXPECT_EQ(host->ControlState(0), 1);
  EXPECT_TRUE(DesktopControlVisible(17));
  EXPECT_FALSE(DesktopControlVisible(2));
  host->SetControlState(0, 7);  // no such tab: nothing changes
  EXPECT_EQ(host->ControlState(0), 1);
  host->SetControlState(0, 0);
  ASSERT_TRUE(DesktopClickButton(2));
  int32_t id;
  EXPECT_EQ(Wait(&id), EVENT_CONTROL);
  EXPECT_EQ(id, 2);
}

TEST_F(MenuWindow, MakingTheWindowAgainReplacesIt) {
  ASSERT_TRUE(DesktopClickButton(5));  // left unserved by the old window
  Build("Second Menu");
  EXPECT_TRUE(DesktopWindowVisible(0));
  EXPECT_EQ(host->ControlState(0), 0);
  ASSERT_TRUE(DesktopClickButton(2));
  int32_t id;
  EXPECT_EQ(Wait(&id), EVENT_CONTROL);
  EXPECT_EQ(id, 2);
  host->DestroyWindows();
  EXPECT_FALSE(DesktopWindowVisible(0));
  EXPECT_FALSE(DesktopClickButton(2));
  EXPECT_EQ(host->WindowHandle(0), 0);
}

TEST_F(MenuWindow, CarriageReturnInALabelStartsANewLine) {
  DesktopPicture broken, plain;
  ASSERT_TRUE(DesktopGrabControl(17, &broken));
  ASSERT_TRUE(DesktopGrabControl(18, &plain));
  EXPECT_EQ(InkBands(broken), 2);
  EXPECT_EQ(InkBands(plain), 1);
}

TEST_F(MenuWindow, PictureBoxShowsThePictureUnscaledAtItsOwnSize) {
  DesktopRect r;
  ASSERT_TRUE(DesktopControlRect(1, &r));
  EXPECT_EQ(r, (DesktopRect{20, 40, 30, 20}));
  ASSERT_TRUE(DesktopControlRect(8, &r));
  EXPECT_EQ(r, (DesktopRect{80, 5, 200, 150}));  // larger than the box given: not cut
  DesktopPicture p;
  ASSERT_TRUE(DesktopGrabControl(1, &p));
  ASSERT_EQ(p.width, 30);
  ASSERT_EQ(p.height, 20);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x) ASSERT_EQ(p.At(x, y) & 0xFFFFFF, Quadrants(x, y)) << x << "," << y;
}

TEST_F(MenuWindow, SetControlTextChangesWhatIsShown) {
  DesktopPicture before, after;
  ASSERT_TRUE(DesktopGrabControl(17, &before));
  host->SetControlText(17, "One\rTwo\rThree");
  ASSERT_TRUE(DesktopGrabControl(17, &after));
  EXPECT_EQ(InkBands(after), 3);
  host->SetControlText(18, "");
  ASSERT_TRUE(DesktopGrabControl(18, &after));
  EXPECT_EQ(InkBands(after), 0);
  ASSERT_TRUE(DesktopGrabControl(30, &before));
  host->SetControlText(30, "?");
  ASSERT_TRUE(DesktopGrabControl(30, &after));
  EXPECT_NE(before.argb, after.argb);
}

// Past the shortest hold, on the key clock and on the real one (on which the
// timer that lets go of a held key runs).
void PassTheHold(bool timerToo) {
  g_keyTime += 60'000;
  if (timerToo) std::this_thread::sleep_for(std::chrono::milliseconds(60));
}

TEST_F(MenuWindow, KeyEventsKeepTheLiveKeys) {
  constexpr int32_t QT_LEFT = 0x01000012, QT_SPACE = 0x20;
  uint8_t* keys = LiveKeys();
  ASSERT_TRUE(DesktopSendKey(0, QT_LEFT, true, false));
  ASSERT_TRUE(DesktopSendKey(0, QT_SPACE, true, false));
  EXPECT_EQ(keys[0xCB], 0x80);
  EXPECT_EQ(keys[0x39], 0x80);
  PassTheHold(false);
  // An auto-repeat release is no release.
  DesktopSendKey(0, QT_LEFT, false, true);
  DesktopSendKey(0, QT_LEFT, true, true);
  EXPECT_EQ(keys[0xCB], 0x80);
  DesktopSendKey(0, QT_LEFT, false, false);
  EXPECT_EQ(keys[0xCB], 0);
  EXPECT_EQ(keys[0x39], 0x80);
  // Switching away lets go of everything.
  DesktopSetApplicationActive(false);
  EXPECT_EQ(keys[0x39], 0);
  DesktopSetApplicationActive(true);
}

TEST_F(MenuWindow, AQuickTapStaysDownLongEnoughForAFrameToSeeIt) {
  constexpr int32_t QT_ESCAPE = 0x01000000;
  uint8_t* keys = LiveKeys();
  DesktopSendKey(0, QT_ESCAPE, true, false);
  DesktopSendKey(0, QT_ESCAPE, false, false);
  EXPECT_EQ(keys[0x01], 0x80);
  host->PumpEvents();
  EXPECT_EQ(keys[0x01], 0x80);
  PassTheHold(true);
  host->PumpEvents();
  EXPECT_EQ(keys[0x01], 0);
  // Tapped and pressed again: it stays down, and its hold starts anew.
  DesktopSendKey(0, QT_ESCAPE, true, false);
  DesktopSendKey(0, QT_ESCAPE, false, false);
  PassTheHold(false);
  DesktopSendKey(0, QT_ESCAPE, true, false);
  host->PumpEvents();
  EXPECT_EQ(keys[0x01], 0x80);
  DesktopSendKey(0, QT_ESCAPE, false, false);
  EXPECT_EQ(keys[0x01], 0x80);
  PassTheHold(true);
  host->PumpEvents();
  EXPECT_EQ(keys[0x01], 0);
}

TEST_F(MenuWindow, ControlsWithoutAParentOrOfAnotherKindAreIgnored) {
  host->BeginControlParent(12345);  // no such window
  host->AddPushButton(40, 0, 0, 10, 10, "x");
  EXPECT_FALSE(DesktopClickButton(40));
  host->SetControlState(5, 1);  // a button has no state
  EXPECT_EQ(host->ControlState(5), 0);
  host->AddControlItem(5, 0, "not a tab control");
  EXPECT_EQ(host->ControlState(0), 0);
}
}  // namespace
