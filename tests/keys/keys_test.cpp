#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "keys/keys.h"
#include "platform/platform.h"
#include "platform/test_host.h"
#include "state/state.h"

namespace {
namespace fs = std::filesystem;

const std::vector<int32_t> DEFAULTS = {0xCB, 0xCD, 0xC8, 0xD0, 0x9D, 0x36, 0x1E,
                                       0x20, 0x11, 0x1F, 0x32, 0x31, 0x19};

class KeyFile : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallTestHost();
    ClearSharedState();
    dir_ = fs::temp_directory_path() / ("tolvane-keys-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    programDirectory = dir_.string() + "/";
  }
  void TearDown() override { fs::remove_all(dir_); }

  void WriteFile(const std::vector<int32_t>& values, size_t extraBytes = 0) {
    std::ofstream out(dir_ / "keyboard", std::ios::binary);
    for (int32_t v : values) {
      for (int i = 0; i < 4; ++i) out.put(static_cast<char>((uint32_t(v) >> (8 * i)) & 0xFF));
    }
    for (size_t i = 0; i < extraBytes; ++i) out.put('\x00');
  }

  std::vector<int32_t> Table() const { return {keyTable.begin() + 1, keyTable.end()}; }

  fs::path dir_;
};

TEST_F(KeyFile, MissingFileGivesDefaultsAndWritesNothing) {
  LoadKeys();
  EXPECT_EQ(Table(), DEFAULTS);
  EXPECT_FALSE(fs::exists(dir_ / "keyboard"));
}

TEST_F(KeyFile, FullFileIsTakenAsItStandsEvenWithRepeatedCodes) {
  const std::vector<int32_t> keys = {1, 2, 3, 4, 5, 5, 7, 8, 9, 10, 11, 12, 255};
  WriteFile(keys);
  LoadKeys();
  EXPECT_EQ(Table(), keys);
}

TEST_F(KeyFile, LongerFileCountsOnlyItsFirst52Bytes) {
  std::vector<int32_t> keys = {16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 0, 0};
  WriteFile(keys, 7);
  LoadKeys();
  keys.resize(13);
  EXPECT_EQ(Table(), keys);
}

// Any one bad entry replaces the whole table, the first and the last
// included; codes outside 1..255 are no keys.
TEST_F(KeyFile, OneBadEntryGivesAllDefaults) {
  struct Case {
    int32_t entry, value;
    bool defaults;
  };
  const std::vector<Case> cases = {
      {7, 0, true},    {7, 256, true},  {7, -1, true},   {7, 0x7FFFFFFF, true}, {1, 0, true},
      {13, 0, true},   {13, -1, true},  {13, 256, true}, {13, 255, false},      {13, 1, false},
  };
  for (const Case& c : cases) {
    std::vector<int32_t> keys = {16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28};
    keys[size_t(c.entry - 1)] = c.value;
    WriteFile(keys);
    keyTable.fill(0);
    LoadKeys();
    EXPECT_EQ(Table(), c.defaults ? DEFAULTS : keys) << "entry " << c.entry << " = " << c.value;
  }
}

// A short file repeats its last value into the missing entries.
TEST_F(KeyFile, ShortFileRepeatsItsLastValue) {
  WriteFile({0x10, 0x11});
  LoadKeys();
  std::vector<int32_t> expected(13, 0x11);
  expected[0] = 0x10;
  EXPECT_EQ(Table(), expected);
}

TEST(KeyNames, NamedRowsSetTheTextExactly) {
  const std::vector<std::pair<int32_t, std::string>> rows = {
      {0xCB, "Left"},     {0x9D, "RightControl"}, {0x3C, "F2"},          {0x45, "NumLock"},
      {0x53, "Decimal"},  {0x15, "Z"},            {0x27, "SemiColon "},  {0x28, "Apostrophe "},
      {0x35, "Slash "},   {0x01, "Escape"},       {0xD3, "Delete"},      {0x9C, "PadEnter"},
      {0xB3, "PadComma"}, {0x58, "F12"},          {0x36, "RightShift"},  {0x19, "P"},
  };
  for (const auto& [code, name] : rows) {
    keyNameResult = "";
    KeyName(code);
    EXPECT_EQ(keyNameResult, name) << "code " << code;
  }
}

TEST(KeyNames, CodesWithoutARowKeepThePreviousText) {
  keyNameResult = "";
  KeyName(0x2C);
  EXPECT_EQ(keyNameResult, "");  // the first call of a run with no row leaves it empty
  KeyName(0x19);
  for (int32_t code : {0x2C, 0, -5, 256, 0x54, 0x59, 0x9B, 0xB4, 0xC6, 0xCA, 0xD4, 0xFF}) {
    KeyName(code);
    EXPECT_EQ(keyNameResult, "P") << "code " << code;
  }
}

TEST(KeyNames, EveryNamedCodeHasOneDistinctName) {
  int named = 0;
  for (int32_t code = 1; code <= 255; ++code) {
    keyNameResult = "#";
    KeyName(code);
    if (keyNameResult != "#") ++named;
  }
  EXPECT_EQ(named, 100);
  keyNameResult = "";
  KeyName(0x15);
  EXPECT_EQ(keyNameResult, "Z");
}
}  // namespace
