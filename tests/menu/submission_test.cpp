// "Send results to WWW": the URL handed to the browser and the minute rule.
#include <cstdint>

#include "game/game.h"
#include "tests/menu/menu_fixture.h"

namespace {
const std::string SERVICE = "http://highscores.tolvane.example.org/eintrag.php?points=";
constexpr const char* ONCE_A_MINUTE = "You can only send your score one time a minute...";

std::string Url(int32_t p, int32_t k, const std::string& user, const std::string& town, int32_t p2, int32_t k2,
                const std::string& user2, const std::string& town2) {
  return SERVICE + std::to_string(p) + "&k=" + std::to_string(k) + "&user=" + user + "&town=" + town +
         "&points2=" + std::to_string(p2) + "&k2=" + std::to_string(k2) + "&user2=" + user2 + "&town2=" + town2;
}

TEST_F(MenuTest, BothRecordsGoOutInOneUrlWithNamesEncoded) {
  if (!RecordReadersPresent()) GTEST_SKIP() << "this build cannot read record files yet";
  WriteRecord(1, "ACE", "NORTH", 1200);
  WriteRecord(2, "TEAM ONE", "SOUTH", 3400);
  ASSERT_FALSE(Run({Click(53)}));
  ASSERT_EQ(host_->urls.size(), 1u);
  EXPECT_EQ(host_->urls[0], Url(1200, RecordCheck(1, "ACE", "NORTH", 1200), "ACE", "NORTH", 3400,
                                RecordCheck(2, "TEAM ONE", "SOUTH", 3400), "TEAM%20ONE", "SOUTH"));
  EXPECT_EQ(lastSubmitTime, int32_t(host_->now));
  EXPECT_EQ(submitUser2, "TEAM ONE");
}

TEST_F(MenuTest, StoredValuesAreSentAsTheyStandEvenWithAWrongCheck) {
  if (!RecordReadersPresent()) GTEST_SKIP() << "this build cannot read record files yet";
  WriteRecord(1, "A&B=C", "#1, X", -5, -77);
  WriteRecord(2, "\xFF~._-", "", 9, 4);
  ASSERT_FALSE(Run({Click(53)}));
  ASSERT_EQ(host_->urls.size(), 1u);
  EXPECT_EQ(host_->urls[0], Url(-5, -77, "A%26B%3DC", "%231%2C%20X", 9, 4, "%FF~._-", ""));
}

TEST_F(MenuTest, WithoutRecordFilesEverythingIsZeroOrEmpty) {
  ASSERT_FALSE(Run({Click(53)}));
  ASSERT_EQ(host_->urls.size(), 1u);
  EXPECT_EQ(host_->urls[0], Url(0, 0, "", "", 0, 0, "", ""));
}

TEST_F(MenuTest, MissingFileRepeatsWhatTheLastReadLeft) {
  if (!RecordReadersPresent()) GTEST_SKIP() << "this build cannot read record files yet";
  WriteRecord(2, "TEAM ONE", "SOUTH", 3400);
  const int32_t k2 = RecordCheck(2, "TEAM ONE", "SOUTH", 3400);
  ASSERT_FALSE(Run({Click(53)}));
  ASSERT_EQ(host_->urls.size(), 1u);
  EXPECT_EQ(host_->urls[0], Url(3400, k2, "TEAM%20ONE", "SOUTH", 3400, k2, "TEAM%20ONE", "SOUTH"));
}

TEST_F(MenuTest, OneSubmissionAMinuteCountedFromTheLastOne) {
  const uint32_t first = host_->now;
  ASSERT_FALSE(Run({Click(53), Click(53, 30000), Click(53, 30000), Click(53, 1000)}));
  ASSERT_EQ(host_->urls.size(), 2u);
  EXPECT_EQ(lastSubmitTime, int32_t(first + 61000));
  ASSERT_EQ(host_->messageBoxes.size(), 2u);
  for (const auto& box : host_->messageBoxes)
    EXPECT_EQ(box, std::make_pair(std::string("Error!!!"), std::string(ONCE_A_MINUTE)));
}

TEST_F(MenuTest, NothingIsSentInTheFirstMinuteOfTheClock) {
  host_->now = 60000;
  ASSERT_FALSE(Run({Click(53), Click(53, 1)}));
  ASSERT_EQ(host_->urls.size(), 1u);
  EXPECT_EQ(host_->messageBoxes.size(), 1u);
  EXPECT_EQ(lastSubmitTime, 60001);
}

// Clock and last submission are compared as signed values, without wrap-around
// and in both directions.
TEST_F(MenuTest, MinuteRuleIsAnAbsoluteDifferenceWithoutWrapAround) {
  constexpr int32_t MAX = INT32_MAX, MIN = INT32_MIN;
  struct Case {
    const char* what;
    int32_t last, clock;
    bool sends;
  };
  const Case cases[] = {
      {"clock 2 s past the sign change", MAX - 1000, MIN + 1000, true},
      {"clock one tick past the sign change", MAX, MIN, true},
      {"clock a minute below", MAX - 10, MAX - 60010, false},
      {"clock a minute and 1 ms below", MAX - 10, MAX - 60011, true},
      {"clock a minute above", MAX - 60000, MAX, false},
      {"both negative, half a minute apart", MIN + 5, MIN + 30005, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    host_->urls.clear();
    host_->messageBoxes.clear();
    lastSubmitTime = c.last;
    host_->now = uint32_t(c.clock);
    ASSERT_FALSE(Run({Click(53)}));
    EXPECT_EQ(host_->urls.size(), c.sends ? 1u : 0u);
    EXPECT_EQ(host_->messageBoxes.size(), c.sends ? 0u : 1u);
    EXPECT_EQ(lastSubmitTime, c.sends ? c.clock : c.last);
  }
}

// The minute outlives the menu that sent and the game started from it.
TEST_F(MenuTest, MinuteRuleHoldsAcrossAGameAndTheNextMenu) {
  const uint32_t sent = host_->now;
  ASSERT_TRUE(Run({Click(53), Click(2)}));
  escLatch = 1;
  host_->KeyDownAtPresent(1, 1);  // Escape leaves the game after its first frame
  ASSERT_EQ(RunGame(), Screen::Menu);
  host_->SetKey(1, false);
  ASSERT_LT(host_->now - sent, 60000u);
  ASSERT_FALSE(Run({Click(53)}));
  EXPECT_EQ(host_->urls.size(), 1u);
  ASSERT_EQ(host_->messageBoxes.size(), 1u);
  EXPECT_EQ(host_->messageBoxes[0].second, ONCE_A_MINUTE);
  EXPECT_EQ(lastSubmitTime, int32_t(sent));
  // A minute after the first, the next one goes out.
  host_->now = sent + 60001;
  ASSERT_FALSE(Run({Click(53)}));
  EXPECT_EQ(host_->urls.size(), 2u);
}

TEST(PercentEncoding, KeepsOnlyUnreservedBytes) {
  EXPECT_EQ(PercentEncode("TEAM ONE"), "TEAM%20ONE");
  EXPECT_EQ(PercentEncode("a,b"), "a%2Cb");
  EXPECT_EQ(PercentEncode("Az09-._~"), "Az09-._~");
  EXPECT_EQ(PercentEncode(std::string("\x00\x7F\xC3\xA9", 4)), "%00%7F%C3%A9");
  EXPECT_EQ(PercentEncode(""), "");
}
}  // namespace
