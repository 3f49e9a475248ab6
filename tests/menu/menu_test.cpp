// The menu window's build and its event loop on the test host.
#include "tests/menu/menu_fixture.h"

namespace {

struct Expected {
  int32_t id;
  const char* kind;
  int32_t page;
  int32_t x, y, w, h;
  const char* text;  // for picture boxes: "50" or "51"
};

// Every control of the menu with its page, place, size and content.
const Expected LAYOUT[] = {
    {1, "picture", 0, 20, 40, 120, 100, "51"},
    {8, "picture", 0, 80, 5, 120, 100, "50"},
    {9, "picture", 0, 240, 70, 120, 100, "50"},
    {2, "button", 0, 240, 20, 90, 20, "1 Player Game"},
    {3, "button", 0, 240, 50, 90, 20, "2 Player Game"},
    {4, "picture", 0, 165, 130, 120, 100, "50"},
    {5, "button", 0, 240, 130, 90, 20, "Exit Game"},
    {7, "picture", 0, 30, 110, 120, 100, "50"},
    {14, "group", 1, 15, 42, 155, 130, "Player 1"},
    {15, "group", 1, 180, 5, 155, 34, ""},
    {16, "group", 1, 180, 42, 155, 130, "Player 2"},
    {13, "label", 1, 190, 18, 100, 15, "Break"},
    {17, "label", 1, 25, 65, 100, 15, "Left"},
    {18, "label", 1, 25, 82, 100, 15, "Right"},
    {19, "label", 1, 25, 99, 100, 15, "Up"},
    {20, "label", 1, 25, 116, 100, 15, "Down"},
    {21, "label", 1, 25, 133, 100, 15, "Attack"},
    {22, "label", 1, 25, 150, 100, 15, "Change"},
    {24, "label", 1, 190, 65, 100, 15, "Left"},
    {25, "label", 1, 190, 82, 100, 15, "Right"},
    {26, "label", 1, 190, 99, 100, 15, "Up"},
    {27, "label", 1, 190, 116, 100, 15, "Down"},
    {28, "label", 1, 190, 133, 100, 15, "Attack"},
    {29, "label", 1, 190, 150, 100, 15, "Change"},
    {43, "button", 1, 85, 14, 75, 20, "Save Settings"},
    {44, "button", 1, 20, 14, 60, 20, "Reset"},
    {30, "button", 1, 80, 64, 80, 16, "Left"},
    {31, "button", 1, 80, 81, 80, 16, "Right"},
    {32, "button", 1, 80, 98, 80, 16, "Up"},
    {33, "button", 1, 80, 115, 80, 16, "Down"},
    {34, "button", 1, 80, 132, 80, 16, "RightControl"},
    {35, "button", 1, 80, 149, 80, 16, "RightShift"},
    {36, "button", 1, 246, 64, 80, 16, "A"},
    {37, "button", 1, 246, 81, 80, 16, "D"},
    {38, "button", 1, 246, 98, 80, 16, "W"},
    {39, "button", 1, 246, 115, 80, 16, "S"},
    {40, "button", 1, 246, 132, 80, 16, "M"},
    {41, "button", 1, 246, 149, 80, 16, "N"},
    {42, "button", 1, 246, 17, 80, 16, "P"},
    {51, "picture", 2, 20, 40, 120, 100, "51"},
    {50, "group", 2, 190, 10, 155, 40, "Best Singleplayer"},
    {52, "group", 2, 190, 55, 155, 40, "Best Team"},
    {53, "button", 2, 190, 120, 155, 20, "Send results to WWW"},
    {54, "button", 2, 190, 145, 155, 20, "View Online-Highscore"},
    {55, "label", 2, 200, 28, 100, 18, ""},
    {56, "label", 2, 300, 28, 40, 18, "0"},
    {57, "label", 2, 200, 73, 100, 18, ""},
    {58, "label", 2, 300, 73, 40, 18, "0"},
    {10, "button", 3, 200, 130, 100, 20, "tolvane.example.org"},
    {11, "picture", 3, 20, 40, 120, 100, "51"},
};

TEST_F(MenuTest, WindowHoldsEveryControlAtItsPlaceAndNothingElse) {
  ASSERT_FALSE(Run({}));
  EXPECT_EQ(exitCode_, 0);
  ASSERT_EQ(host_->windowTitles, std::vector<std::string>{"Tolvane V1.3 - written by the Tolvane team"});
  // Window 0, 350 x 200, caption, system menu and minimise box, centred (bit 0).
  ASSERT_EQ(host_->windowsMade.size(), 1u);
  const auto& w = host_->windowsMade[0];
  EXPECT_EQ(std::tie(w.n, w.x, w.y, w.w, w.h), std::make_tuple(0, 0, 0, 350, 200));
  EXPECT_EQ(w.flags, 0xCA0001);
  const auto& tabs = At(0);
  EXPECT_EQ(tabs.kind, "tab");
  EXPECT_EQ(tabs.text, "The Game|Controls|Highscore|About Tolvane");
  EXPECT_EQ(std::tie(tabs.x, tabs.y, tabs.w, tabs.h), std::make_tuple(1, 1, 399, 299));
  EXPECT_EQ(tabs.state, 0);
  for (const Expected& e : LAYOUT) {
    SCOPED_TRACE(e.id);
    ASSERT_EQ(host_->controlsAtEnd.count(e.id), 1u);
    const auto& c = At(e.id);
    EXPECT_EQ(c.kind, e.kind);
    EXPECT_EQ(c.parentTab, 0);
    EXPECT_EQ(c.page, e.page);
    EXPECT_EQ(std::tie(c.x, c.y, c.w, c.h), std::tie(e.x, e.y, e.w, e.h));
    EXPECT_EQ(c.kind == "picture" ? std::to_string(c.picture) : c.text, e.text);
  }
  EXPECT_EQ(host_->controlsAtEnd.size(), std::size(LAYOUT) + 1);
}

// Each key button takes the name of its code; a code without a name keeps
// whatever the lookup before it left.
TEST_F(MenuTest, KeyButtonOfANamelessCodeShowsTheNameBeforeIt) {
  std::string file;
  for (int32_t code : {0x2C, 0x19, 0x54, 0x1E, 0x20, 0x11, 0x1F, 0x32, 0x31, 0xCB, 0xCD, 0xC8, 0xFF})
    file += Int32Bytes(code);
  WriteFile("keyboard", file);
  LoadKeys();
  keyNameResult.clear();
  ASSERT_FALSE(Run({}));
  EXPECT_EQ(At(30).text, "");  // the first lookup of the process had nothing before it
  EXPECT_EQ(At(31).text, "P");
  EXPECT_EQ(At(32).text, "P");
  EXPECT_EQ(At(41).text, "Up");
  EXPECT_EQ(At(42).text, "Up");  // 0xFF is made after 41
}

TEST_F(MenuTest, RecordLabelsShowNameAndValidatedPoints) {
  if (!RecordReadersPresent()) GTEST_SKIP() << "this build cannot read record files yet";
  struct Case {
    const char* what;
    bool single, team;
    int32_t singleCheck;  // 0: the right one
    const char *n55, *n56, *n57, *n58;
  };
  const Case cases[] = {
      {"no files", false, false, 0, "", "0", "", "0"},
      {"both valid", true, true, 0, "ACE", "1200", "TEAM ONE", "3400"},
      {"one-player check fails", true, false, 12345, "ACE", "1", "", "0"},
      // The team read leaves nothing of the one-player read behind.
      {"only the team record", false, true, 0, "", "0", "TEAM ONE", "3400"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(dir_ / "data1");
    std::filesystem::remove(dir_ / "data2");
    if (c.single) WriteRecord(1, "ACE", "NORTH", 1200, c.singleCheck);
    if (c.team) WriteRecord(2, "TEAM ONE", "SOUTH", 3400);
    lastRecordName = "LEFTOVER";
    ASSERT_FALSE(Run({}));
    EXPECT_EQ(At(55).text, c.n55);
    EXPECT_EQ(At(56).text, c.n56);
    EXPECT_EQ(At(57).text, c.n57);
    EXPECT_EQ(At(58).text, c.n58);
  }
}

TEST_F(MenuTest, StartButtonsSetThePlayersAndReloadTheKeyFileFirst) {
  struct Case {
    int32_t button, p1, p2, count;
  };
  for (const Case c : {Case{2, 1, 0, 1}, Case{3, 1, 1, 2}}) {
    SCOPED_TRACE(c.button);
    player2State = 7;
    keyTable[1] = 0x2D;  // an unsaved change
    ASSERT_TRUE(Run({Click(44), Click(c.button)}));
    EXPECT_EQ(player1State, c.p1);
    EXPECT_EQ(player2State, c.p2);
    EXPECT_EQ(playerCount, c.count);
    EXPECT_EQ(keyTable[1], DEFAULT_KEYS[1]);
  }
  // With a key file the game takes its keys, whatever the menu showed.
  std::string file;
  for (int32_t i = 1; i <= 13; ++i) file += Int32Bytes(0x10 + i);
  WriteFile("keyboard", file);
  ASSERT_TRUE(Run({Click(44), Click(2)}));
  for (int32_t i = 1; i <= 13; ++i) EXPECT_EQ(keyTable[i], 0x10 + i);
}

TEST_F(MenuTest, ExitGameAndTheCloseBoxEndWithoutQuestionOrSaving) {
  for (const MenuStep& end : {Click(5), Close()}) {
    SCOPED_TRACE(end.event);
    host_->messageBoxes.clear();
    ASSERT_FALSE(Run({Click(44), end, Click(2)}));
    EXPECT_EQ(exitCode_, 0);
    EXPECT_TRUE(host_->messageBoxes.empty());
    EXPECT_FALSE(Exists("keyboard"));
    EXPECT_EQ(host_->steps.size(), 1u) << "nothing after the end is served";
  }
}

TEST_F(MenuTest, OtherEventsAndUnusedIdsChangeNothing) {
  ASSERT_TRUE(Run({MenuStep{0x200, 0, 0, {}}, MenuStep{EVENT_COMMAND, 0, 0, {}}, Click(6), Click(45), Click(2)}));
  EXPECT_TRUE(host_->messageBoxes.empty());
  EXPECT_TRUE(host_->urls.empty());
  EXPECT_EQ(host_->waits, 5);
}

TEST_F(MenuTest, PageButtonsHandTheirAddressesToTheBrowser) {
  ASSERT_FALSE(Run({Click(10), Click(54)}));
  EXPECT_EQ(host_->urls, (std::vector<std::string>{"http://tolvane.example.org/",
                                                   "http://highscores.tolvane.example.org/"}));
}

TEST_F(MenuTest, ControlsTabIsRefusedOnceAGameWasPlayed) {
  // Before the first game the tab is free.
  ASSERT_FALSE(Run({SelectTab(1), SelectTab(2)}));
  EXPECT_TRUE(host_->messageBoxes.empty());
  EXPECT_EQ(At(0).state, 2);

  gamePlayed = 1;
  ASSERT_FALSE(Run({SelectTab(1)}));
  ASSERT_EQ(host_->messageBoxes.size(), 1u);
  EXPECT_EQ(host_->messageBoxes[0],
            std::make_pair(std::string("Error !!!"), std::string("You must configure Keys before playing...")));
  // The message is shown over the refused tab; "The Game" comes after it.
  EXPECT_EQ(host_->tabAtMessage, std::vector<int32_t>{1});
  EXPECT_EQ(At(0).state, 0);
  // The other tabs stay free.
  host_->messageBoxes.clear();
  ASSERT_FALSE(Run({SelectTab(3)}));
  EXPECT_TRUE(host_->messageBoxes.empty());
  EXPECT_EQ(At(0).state, 3);
}

TEST_F(MenuTest, ActionsWithoutAKeyLeadBackToControlsWithOneMessage) {
  keyTable[3] = 0;
  keyTable[9] = 0;
  ASSERT_FALSE(Run({SelectTab(2)}));
  ASSERT_EQ(host_->messageBoxes.size(), 1u);
  EXPECT_EQ(host_->messageBoxes[0].second, "There are some actions without a defined key...");
  // "Controls" is selected before the message, not after it.
  EXPECT_EQ(host_->tabAtMessage, std::vector<int32_t>{1});
  EXPECT_EQ(At(0).state, 1);
}

// After a game with an action left without a key, "Controls" is refused
// first and then chosen again by the key check: two messages, in that order.
TEST_F(MenuTest, BothTabChecksRunInTheirOrder) {
  gamePlayed = 1;
  keyTable[13] = 0;
  ASSERT_FALSE(Run({SelectTab(1)}));
  ASSERT_EQ(host_->messageBoxes.size(), 2u);
  EXPECT_EQ(host_->messageBoxes[0].second, "You must configure Keys before playing...");
  EXPECT_EQ(host_->messageBoxes[1].second, "There are some actions without a defined key...");
  EXPECT_EQ(host_->tabAtMessage, (std::vector<int32_t>{1, 1}));
  EXPECT_EQ(At(0).state, 1);
}
}  // namespace
