// Key capture, "Save Settings" and "Reset" on the menu's "Controls" tab.
#include "tests/menu/menu_fixture.h"

namespace {

struct KeyAt {
  uint32_t afterMs;  // from the click
  int32_t code;
  bool down;
};

struct CaptureCase {
  const char* name;
  int32_t button;
  std::vector<KeyAt> keys;
  int32_t takes;        // the action's code afterwards
  const char* label;    // its button's label afterwards
  std::vector<int32_t> cleared;  // other actions left without a key
  uint32_t endsNotBeforeMs;
  std::vector<std::pair<int32_t, int32_t>> loaded = {};  // action, code: in place of a default
};

void PrintTo(const CaptureCase& c, std::ostream* os) { *os << c.name; }

class KeyCapture : public MenuTest, public ::testing::WithParamInterface<CaptureCase> {};

TEST_P(KeyCapture, TakesTheHighestCodeDownAndClearsItsOtherHolders) {
  const CaptureCase& c = GetParam();
  std::array<int32_t, 14> before{};
  std::copy(DEFAULT_KEYS.begin(), DEFAULT_KEYS.end(), before.begin());
  for (const auto& [action, code] : c.loaded) keyTable[size_t(action)] = before[size_t(action)] = code;
  const uint32_t start = host_->now;
  for (const KeyAt& k : c.keys) host_->keysAtTime.insert({start + k.afterMs, {k.code, k.down}});
  // The button shows "?" from the first pass of the wait on.
  std::string labelWhileWaiting = "(no wait)";
  host_->onYield = [&] {
    if (labelWhileWaiting == "(no wait)") labelWhileWaiting = host_->controls[c.button].text;
  };
  ASSERT_FALSE(Run({Click(c.button)}));
  EXPECT_EQ(labelWhileWaiting, "?");
  const int32_t action = c.button - 29;
  EXPECT_EQ(host_->keysAtEnd[size_t(action)], c.takes);
  EXPECT_EQ(At(c.button).text, c.label);
  for (int32_t i = 1; i <= 13; ++i) {
    if (i == action) continue;
    const bool cleared = std::find(c.cleared.begin(), c.cleared.end(), i) != c.cleared.end();
    EXPECT_EQ(host_->keysAtEnd[size_t(i)], cleared ? 0 : before[size_t(i)]) << "action " << i;
    if (cleared) {
      EXPECT_EQ(At(i + 29).text, "") << "action " << i;
    }
  }
  EXPECT_GE(host_->now - start, c.endsNotBeforeMs);
  EXPECT_FALSE(Exists("keyboard")) << "a capture saves nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyCapture,
    ::testing::Values(
        CaptureCase{"AnotherActionsKey", 30, {{5, 0x1E, true}}, 0x1E, "A", {7}, 5},
        CaptureCase{"ItsOwnKey", 30, {{5, 0xCB, true}}, 0xCB, "Left", {}, 5},
        CaptureCase{"AWithRightControl", 30, {{5, 0x1E, true}, {5, 0x9D, true}}, 0x9D, "RightControl", {5, 7}, 5},
        // The pause is an action like the others: its key is taken from it too.
        CaptureCase{"ThePausesKey", 34, {{5, 0x19, true}}, 0x19, "P", {13}, 5},
        // Escape alone, and any key while Escape is held, keep the wait going.
        CaptureCase{"EscapeAloneWaits", 42, {{2, 0x01, true}, {10, 0x3B, true}, {50, 0x01, false}}, 0x3B, "F1", {}, 50},
        // A code without a name shows the name the previous lookup left: the
        // last key button built was "Break".
        CaptureCase{"NamelessCode", 31, {{5, 0x2C, true}}, 0x2C, "P", {}, 5},
        CaptureCase{"CodeAbove212", 31, {{5, 0xDB, true}}, 0xCD, "?", {}, 5},
        // 212 (0xD4, no name) is the highest code taken, 213 is never taken.
        CaptureCase{"Code212TakenNot213", 31, {{5, 0xD4, true}, {5, 0xD5, true}}, 0xD4, "P", {}, 5},
        // The action's own key, above 212: cleared and not given back.
        CaptureCase{"ItsOwnKeyAbove212", 31, {{5, 0xDB, true}}, 0, "", {}, 5, {{2, 0xDB}}}),
    [](const ::testing::TestParamInfo<CaptureCase>& info) { return std::string(info.param.name); });

TEST_F(MenuTest, SpaceDownAtTheLastPollBlocksTheCapture) {
  // Space went down with an earlier message, so the poll before the click saw it.
  ASSERT_FALSE(Run({MenuStep{0x100, 0, 0, {{0x39, true}}}, Click(30)}));
  EXPECT_EQ(host_->keysAtEnd[1], 0xCB);
  EXPECT_EQ(At(30).text, "Left");
  // Pressed after that poll, it is no reason to refuse: the capture takes it.
  host_->SetKey(0x39, false);
  ASSERT_FALSE(Run({MenuStep{EVENT_CONTROL, 30, 0, {{0x39, true}}}}));
  EXPECT_EQ(host_->keysAtEnd[1], 0x39);
  EXPECT_EQ(At(30).text, "Space");
}

TEST_F(MenuTest, TakenKeyLeavesAnActionWithoutOneAndSavingAndTabsRefuse) {
  struct Case {
    const char* what;
    int32_t button;
    int32_t code;
    const char* name;
    int32_t loser;  // the action that held the code
  };
  for (const Case c : {Case{"player 2 Left's A for player 1 Left", 30, 0x1E, "A", 7},
                       Case{"the pause's P for player 1 Attack", 34, 0x19, "P", 13}}) {
    SCOPED_TRACE(c.what);
    WriteFile("keyboard", "old");
    std::copy(DEFAULT_KEYS.begin(), DEFAULT_KEYS.end(), keyTable.begin());
    host_->messageBoxes.clear();
    host_->tabAtMessage.clear();
    host_->KeyDownAtTime(host_->now + 3, c.code);
    ASSERT_FALSE(Run({Click(c.button), Click(43), SelectTab(0)}));
    host_->SetKey(c.code, false);
    EXPECT_EQ(host_->keysAtEnd[size_t(c.button - 29)], c.code);
    EXPECT_EQ(At(c.button).text, c.name);
    EXPECT_EQ(host_->keysAtEnd[size_t(c.loser)], 0);
    EXPECT_EQ(At(c.loser + 29).text, "");
    ASSERT_EQ(host_->messageBoxes.size(), 2u);
    for (const auto& box : host_->messageBoxes)
      EXPECT_EQ(box, std::make_pair(std::string("Error !!!"),
                                    std::string("There are some actions without a defined key...")));
    // Both times "Controls" is selected before the message.
    EXPECT_EQ(host_->tabAtMessage, (std::vector<int32_t>{1, 1}));
    EXPECT_EQ(At(0).state, 1);
    EXPECT_EQ(ReadFile("keyboard"), "old");
  }
}

std::string TableBytes(const std::array<int32_t, 14>& keys) {
  std::string b;
  for (int32_t i = 1; i <= 13; ++i) b += Int32Bytes(keys[size_t(i)]);
  return b;
}

TEST_F(MenuTest, SaveWritesThe52BytesOverTheFileWithoutTruncating) {
  struct Case {
    const char* what;
    bool existing;
  };
  for (const Case c : {Case{"missing file", false}, Case{"60-byte file", true}}) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(dir_ / "keyboard");
    if (c.existing) WriteFile("keyboard", std::string(60, '\xEE'));
    LoadKeys();
    host_->SetKey(0x3B, false);
    host_->KeyDownAtTime(host_->now + 4, 0x3B);
    ASSERT_FALSE(Run({Click(42), Click(43)}));
    EXPECT_TRUE(host_->messageBoxes.empty());
    std::array<int32_t, 14> expected{};
    std::copy(DEFAULT_KEYS.begin(), DEFAULT_KEYS.end(), expected.begin());
    expected[13] = 0x3B;
    EXPECT_EQ(host_->keysAtEnd, expected);
    const std::string bytes = ReadFile("keyboard");
    EXPECT_EQ(bytes.substr(0, 52), TableBytes(expected));
    EXPECT_EQ(bytes.substr(52), c.existing ? std::string(8, '\xEE') : std::string());
    // The next start reads what was saved.
    LoadKeys();
    EXPECT_EQ(keyTable[13], 0x3B);
  }
}

// A folder in the key file's place cannot be written: the save ends quietly
// and the menu goes on.
TEST_F(MenuTest, SaveOverAFolderWritesNothingAndSaysNothing) {
  std::filesystem::create_directory(dir_ / "keyboard");
  ASSERT_TRUE(Run({Click(43), Click(2)}));
  EXPECT_TRUE(host_->messageBoxes.empty());
  EXPECT_TRUE(std::filesystem::is_directory(dir_ / "keyboard"));
  EXPECT_TRUE(std::filesystem::is_empty(dir_ / "keyboard"));
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir_)) names.push_back(entry.path().filename());
  EXPECT_EQ(names, std::vector<std::string>{"keyboard"}) << "no file beside the folder either";
  for (int32_t i = 1; i <= 13; ++i) EXPECT_EQ(keyTable[i], DEFAULT_KEYS[size_t(i)]) << i;
}

TEST_F(MenuTest, ResetBringsBackTheDefaultNamesAndSavesNothing) {
  std::string file;
  for (int32_t i = 1; i <= 13; ++i) file += Int32Bytes(0x3B + i);
  WriteFile("keyboard", file);
  LoadKeys();
  host_->KeyDownAtTime(host_->now + 2, 0x1E);
  ASSERT_FALSE(Run({Click(36), Click(44)}));
  const char* names[] = {"Left", "Right", "Up", "Down", "RightControl", "RightShift", "A",
                         "D",    "W",     "S",  "M",    "N",            "P"};
  for (int32_t i = 1; i <= 13; ++i) {
    EXPECT_EQ(At(i + 29).text, names[i - 1]) << i;
    EXPECT_EQ(host_->keysAtEnd[size_t(i)], DEFAULT_KEYS[size_t(i)]) << i;
  }
  EXPECT_EQ(ReadFile("keyboard"), file);
}
}  // namespace
