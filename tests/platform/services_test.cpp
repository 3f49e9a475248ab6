#include <set>

#include "tests/platform/platform_fixture.h"

namespace {

class ServicesTest : public ::testing::Test {
 protected:
  void SetUp() override { host = &InstallTestHost(); }
  TestHost* host = nullptr;
};

// ---- keyboard ----

TEST_F(ServicesTest, KeysChangeOnlyWhenPolled) {
  host->SetKey(30, true);
  EXPECT_EQ(KeyIsDown(30), 0);
  PollKeyboard();
  EXPECT_EQ(KeyIsDown(30), 0x80);
  EXPECT_EQ(KeyIsDown(-1), 1);
  host->SetKey(30, false);
  EXPECT_EQ(KeyIsDown(30), 0x80);
  PollKeyboard();
  EXPECT_EQ(KeyIsDown(30), 0);
  EXPECT_EQ(KeyIsDown(-1), 0);
}

TEST_F(ServicesTest, AnyKeyIgnoresCode255) {
  host->SetKey(255, true);
  PollKeyboard();
  EXPECT_EQ(KeyIsDown(255), 0x80);
  EXPECT_EQ(KeyIsDown(-1), 0);
  host->SetKey(0, true);
  PollKeyboard();
  EXPECT_EQ(KeyIsDown(-1), 1);
}

TEST_F(ServicesTest, OnlyBit0x80CountsAndCodesOutsideTheSnapshotAreUp) {
  LiveKeys()[40] = 0x7F;
  LiveKeys()[41] = 0xFF;
  PollKeyboard();
  EXPECT_EQ(KeyIsDown(40), 0);
  EXPECT_EQ(KeyIsDown(41), 0x80);
  for (int32_t code : {256, 1000, -2, INT32_MIN, INT32_MAX}) EXPECT_EQ(KeyIsDown(code), 0) << code;
  ReleaseAllLiveKeys();
  PollKeyboard();
  EXPECT_EQ(KeyIsDown(41), 0);
}

TEST_F(ServicesTest, ServicesReportFailure) {
  EXPECT_EQ(StartKeyboard(), 1);
  EXPECT_NE(StartSoundSystem(), 0);
  EXPECT_NE(StartSpriteSystem(), 0);
  host->keyboardWorks = false;
  host->soundWorks = false;
  host->displayWorks = false;
  EXPECT_EQ(StartKeyboard(), 0);
  EXPECT_EQ(StartSoundSystem(), 0);
  EXPECT_EQ(StartSpriteSystem(), 0);
}

// ---- clock, random, arithmetic ----

TEST_F(ServicesTest, TickCountIsTheHostClockAsInt32) {
  host->now = 1234;
  EXPECT_EQ(GetTickCount(), 1234);
  host->now = 0xFFFFFFF0u;
  EXPECT_EQ(GetTickCount(), -16);
  YieldProcessor(5);
  EXPECT_EQ(host->yields, 1);
  EXPECT_EQ(GetTickCount(), -15);
}

TEST_F(ServicesTest, RandomUpToZeroIsAlwaysZero) {
  SeedRandomFromClock();
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(RandomUpTo(0), 0);
}

TEST_F(ServicesTest, RandomUpToOneIsFair) {
  SeedRandomFromClock();
  int32_t ones = 0;
  constexpr int32_t DRAWS = 20000;
  for (int i = 0; i < DRAWS; ++i) {
    const int32_t v = RandomUpTo(1);
    ASSERT_TRUE(v == 0 || v == 1);
    ones += v;
  }
  EXPECT_NEAR(ones, DRAWS / 2, 400);  // about 5.7 standard deviations
}

TEST_F(ServicesTest, RandomStaysInRangeAndCoversIt) {
  std::set<int32_t> seen;
  for (int i = 0; i < 2000; ++i) {
    const int32_t v = RandomUpTo(6);
    ASSERT_GE(v, 0);
    ASSERT_LE(v, 6);
    seen.insert(v);
  }
  EXPECT_EQ(seen.size(), 7u);
  for (int i = 0; i < 1000; ++i) ASSERT_GE(RandomUpTo(INT32_MAX), 0);
  EXPECT_EQ(RandomUpTo(-1), INT32_MIN);
  EXPECT_EQ(RandomUpTo(INT32_MIN), INT32_MIN);
}

TEST_F(ServicesTest, TheSameClockGivesTheSameSequence) {
  host->now = 777;
  SeedRandomFromClock();
  std::vector<int32_t> first;
  for (int i = 0; i < 20; ++i) first.push_back(RandomUpTo(1000));
  SeedRandomFromClock();
  for (int i = 0; i < 20; ++i) EXPECT_EQ(RandomUpTo(1000), first[size_t(i)]);
  host->now = 778;
  SeedRandomFromClock();
  std::vector<int32_t> other;
  for (int i = 0; i < 20; ++i) other.push_back(RandomUpTo(1000));
  EXPECT_NE(first, other);
}

TEST_F(ServicesTest, Arithmetic) {
  EXPECT_EQ(PowerF(3.0f, 2.0f), 9.0f);
  EXPECT_EQ(PowerF(16.0f, 0.5f), 4.0f);
  EXPECT_FLOAT_EQ(PowerF(2.0f, 0.5f), 1.41421356f);
  EXPECT_EQ(FloorOrCeil(2.5f, 0), 2.0f);
  EXPECT_EQ(FloorOrCeil(-2.5f, 0), -3.0f);
  EXPECT_EQ(FloorOrCeil(3.0f, 0), 3.0f);
  EXPECT_EQ(FloorOrCeil(2.5f, 1), 3.0f);
  EXPECT_EQ(FloorOrCeil(-2.5f, 1), -2.0f);
}

// ---- fonts ----

TEST_F(ServicesTest, FontSlots) {
  EXPECT_EQ(SelectFontSlot(0), 0);
  MakeFont(0, "arial", 8);
  EXPECT_NE(SelectFontSlot(0), 0);
  MakeFont(25, "arial", 12);  // past the room of 10
  EXPECT_NE(SelectFontSlot(25), 0);
  EXPECT_NE(SelectFontSlot(25), SelectFontSlot(0));
  EXPECT_EQ(SelectFontSlot(-1), 0);
  EXPECT_EQ(SelectFontSlot(3), 0);
}

// ---- window, controls, events ----

TEST_F(ServicesTest, ControlsAndEventsGoThroughTheHost) {
  const Handle window = CreateAppWindow(0, 0, 0, 350, 200, WINDOW_CENTRED, "Tolvane");
  EXPECT_NE(window, 0);
  EXPECT_EQ(WindowHandle(0), window);
  BeginControlParent(window);
  AddTabControl(1, 0, 0, 350, 200);
  AddControlItem(1, 0, "The Game");
  AddPushButton(5, 10, 10, 100, 20, "1 Player Game");
  AddControlItem(1, 1, "Controls");
  AddLabel(6, 10, 40, 100, 20, "left");
  EndControlParent();
  AddGroupBox(7, 0, 0, 10, 10, "frame");
  SetControlText(6, "right");
  SetControlState(1, 1);
  EXPECT_EQ(ControlState(1), 1);
  EXPECT_EQ(host->controls[5].kind, "button");
  EXPECT_EQ(host->controls[5].page, 0);
  EXPECT_EQ(host->controls[6].page, 1);
  EXPECT_EQ(host->controls[6].text, "right");
  EXPECT_EQ(host->controls[7].parentTab, -1);
  ASSERT_EQ(host->windowTitles.size(), 1u);

  host->menuEvents.push_back({EVENT_CONTROL, 5});
  host->menuEvents.push_back({0x200, 0});
  host->menuEvents.push_back({EVENT_CLOSE, 0});
  EXPECT_EQ(WaitEvent(), EVENT_CONTROL);
  EXPECT_EQ(EventControlId(), 5);
  EXPECT_EQ(WaitEvent(), 0x200);
  EXPECT_EQ(WaitEvent(), EVENT_CLOSE);
  EXPECT_EQ(EventControlId(), 5);
}

TEST_F(ServicesTest, NoWindowWhenTheHostHasNone) {
  host->windowsWork = false;
  EXPECT_EQ(CreateAppWindow(0, 0, 0, 350, 200, WINDOW_CENTRED, "Tolvane"), 0);
}

TEST_F(ServicesTest, MessageBoxBrowserAndProgramPath) {
  ShowMessageBox("Error !!!", "Please check your DirectX-Version", 0);
  ASSERT_EQ(host->messageBoxes.size(), 1u);
  EXPECT_EQ(host->messageBoxes[0].first, "Error !!!");
  EXPECT_EQ(host->messageBoxes[0].second, "Please check your DirectX-Version");
  ShellExecuteA(0, "open", "http://example.invalid/eintrag.php?a=1", "", "", 1);
  ASSERT_EQ(host->urls.size(), 1u);
  EXPECT_EQ(host->urls[0], "http://example.invalid/eintrag.php?a=1");
  host->executablePath = "/opt/tolvane/tolvane";
  EXPECT_EQ(ProgramFilePath(), "/opt/tolvane/tolvane");
}

// ---- the program end ----

class OrderHost : public TestHost {
 public:
  std::vector<std::string> calls;
  void CloseKeyboard() override { calls.push_back("keyboard"); }
  void CloseSound() override {
    calls.push_back("sound");
    TestHost::CloseSound();
  }
  void CloseScreen() override {
    calls.push_back("screen sprites=" + std::to_string(SpriteExists(3)));
    TestHost::CloseScreen();
  }
  void DestroyWindows() override {
    calls.push_back("windows");
    TestHost::DestroyWindows();
  }
  [[noreturn]] void ExitProcess(int32_t code) override {
    calls.push_back("exit " + std::to_string(code));
    TestHost::ExitProcess(code);
  }
};

TEST(ProgramEnd, ReleasesKeyboardSoundsScreenAndWindowsInOrder) {
  auto owned = std::make_unique<OrderHost>();
  OrderHost& host = *owned;
  SetPlatformHost(std::move(owned));
  ResetPlatformState();
  StartKeyboard();
  StartSoundSystem();
  StartSpriteSystem();
  EnterFullscreen(800, 600, 16, "Tolvane");
  NewBlankSpriteDefault(3, 4, 4);
  CreateAppWindow(0, 0, 0, 350, 200, 1, "Tolvane");
  try {
    EndProgram();
  } catch (const ProgramExit& e) {
    EXPECT_EQ(e.code, 0);
  }
  EXPECT_EQ(host.calls,
            (std::vector<std::string>{"keyboard", "sound", "screen sprites=0", "windows", "exit 0"}));
  EXPECT_FALSE(host.screenOpen);
}

TEST(ProgramEnd, CarriesTheChosenExitCode) {
  InstallTestHost();
  int32_t code = -1;
  try {
    EndProgramWithCode(3);
  } catch (const ProgramExit& e) {
    code = e.code;
  }
  EXPECT_EQ(code, 3);
}

TEST(PlatformReset, BringsEveryTableBackToEmpty) {
  InstallTestHost();
  StartSpriteSystem();
  NewBlankSpriteDefault(4, 2, 2);
  MakeFont(2, "arial", 8);
  const auto bmp = SolidBmp(2, 2, {1, 1, 1});
  DecodePictureFromMemory(50, MemoryFile(bmp.data(), bmp.size()));
  LiveKeys()[3] = 0x80;
  PollKeyboard();
  ResetPlatformState();
  EXPECT_EQ(SpriteExists(4), 0);
  EXPECT_EQ(SelectFontSlot(2), 0);
  EXPECT_EQ(PictureHandle(50), 0);
  EXPECT_EQ(KeyIsDown(3), 0);
}

}  // namespace
