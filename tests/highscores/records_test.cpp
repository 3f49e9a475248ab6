#include <sys/stat.h>

#include <climits>
#include <string>

#include "highscores/highscores.h"
#include "platform/test_host.h"
#include "tests/highscores/record_files.h"

namespace {

class Records : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallTestHost();
    InitFileTable();
    ClearSharedState();
  }
  void TearDown() override { ResetPlatformState(); }
  ProgramDirectory dir_;
};

// Written out by hand, with 64-bit arithmetic cut to 32 bits at the end.
int32_t ExpectedCheck(const std::string& trimmed, int64_t points, bool team) {
  int64_t sum = 0;
  for (unsigned char c : trimmed) sum += c;
  const int64_t v = team ? (sum + points * 14) * 12 - 15 : (sum + points * 13) * 12 - 13;
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v)));
}

struct CheckCase {
  const char* label;
  std::string name, town;
  int32_t points;
  std::string trimmed;  // what the sum runs over
};

void PrintTo(const CheckCase& c, std::ostream* os) { *os << c.label; }

class CheckValue : public ::testing::TestWithParam<CheckCase> {};

TEST_P(CheckValue, MatchesTheSumOfTheTrimmedTextInBothFiles) {
  const CheckCase& c = GetParam();
  EXPECT_EQ(RecordCheckValue(RecordFile::Single, c.name, c.town, c.points), ExpectedCheck(c.trimmed, c.points, false));
  EXPECT_EQ(RecordCheckValue(RecordFile::Team, c.name, c.town, c.points), ExpectedCheck(c.trimmed, c.points, true));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CheckValue,
    ::testing::Values(CheckCase{"Worked", "abc", "", 100, "abc"},
                      CheckCase{"BlanksWhereNameAndTownMeetCount", "AB ", " C", 9, "AB  C"},
                      CheckCase{"OuterBlanksDoNot", "  AB", "C  ", 9, "ABC"},
                      CheckCase{"TabsAreNoBlanks", "\tA", "B\t", 9, "\tAB\t"},
                      CheckCase{"HighBytesAreUnsigned", "\xE9\xFF", "", 3, "\xE9\xFF"},
                      CheckCase{"OnlyBlanks", "   ", " ", 4, ""},
                      CheckCase{"NegativePoints", "N", "T", -250, "NT"},
                      CheckCase{"WrapsAtTheTop", "ZZ", "", INT32_MAX, "ZZ"},
                      CheckCase{"WrapsAtTheBottom", "", "", INT32_MIN, ""}),
    [](const ::testing::TestParamInfo<CheckCase>& info) { return std::string(info.param.label); });

TEST(CheckValueExample, AbcWithoutTownAt100) {
  EXPECT_EQ(RecordCheckValue(RecordFile::Single, "abc", "", 100), 19115);
  EXPECT_EQ(RecordCheckValue(RecordFile::Team, "abc", "", 100), 20313);
}

TEST_F(Records, WithoutAFileTheReadGivesZeroAndChangesNothing) {
  recordName = "n", recordTown = "t", recordPoints = 7, recordCheck = 8;
  lastRecordName = "ln", lastRecordTown = "lt";
  EXPECT_EQ(HighscoreSingle(0), 0);
  EXPECT_EQ(HighscoreTeam(0), 0);
  EXPECT_EQ(recordName, "n");
  EXPECT_EQ(recordTown, "t");
  EXPECT_EQ(recordPoints, 7);
  EXPECT_EQ(recordCheck, 8);
  EXPECT_EQ(lastRecordName, "ln");
  EXPECT_EQ(lastRecordTown, "lt");
  EXPECT_FALSE(dir_.Exists("data1"));
  EXPECT_FALSE(dir_.Exists("data2"));
}

TEST_F(Records, AWrittenRecordHasItsExactBytesAndReadsBack) {
  recordName = "ACE";
  recordTown = "OSLO, NORWAY";
  EXPECT_EQ(HighscoreSingle(1234), 0);
  EXPECT_EQ(dir_.Get("data1"), RecordBytes("ACE", "OSLO, NORWAY", 1234, ExpectedCheck("ACEOSLO, NORWAY", 1234, false)));
  recordName.clear();
  recordTown.clear();
  EXPECT_EQ(HighscoreSingle(0), 1234);
  EXPECT_EQ(lastRecordName, "ACE");
  EXPECT_EQ(lastRecordTown, "OSLO, NORWAY");
  EXPECT_EQ(recordPoints, 1234);
  EXPECT_EQ(recordCheck, RecordCheckValue(RecordFile::Single, "ACE", "OSLO, NORWAY", 1234));
  EXPECT_FALSE(dir_.Exists("data2"));
}

TEST_F(Records, AShorterRecordLeavesTheOldTailBehindItsCheckValue) {
  const Bytes old = RecordBytes("LONGER NAME", "SOMEWHERE FAR", 999, 1);
  dir_.Put("data1", old);
  recordName = "AB";
  recordTown = "X";
  HighscoreSingle(5);
  Bytes want = RecordBytes("AB", "X", 5, RecordCheckValue(RecordFile::Single, "AB", "X", 5));
  const size_t written = want.size();
  want.insert(want.end(), old.begin() + long(written), old.end());
  EXPECT_EQ(dir_.Get("data1"), want);
  EXPECT_EQ(HighscoreSingle(0), 5);
  EXPECT_EQ(lastRecordName, "AB");
}

TEST_F(Records, TeamRecordsGoToData2) {
  recordName = "TEAM";
  recordTown = "BERGEN";
  HighscoreTeam(77);
  EXPECT_FALSE(dir_.Exists("data1"));
  EXPECT_EQ(dir_.Get("data2"), RecordBytes("TEAM", "BERGEN", 77, RecordCheckValue(RecordFile::Team, "TEAM", "BERGEN", 77)));
  EXPECT_EQ(HighscoreTeam(0), 77);
}

TEST_F(Records, ARecordCopiedToTheOtherFileFailsItsCheck) {
  recordName = "ACE";
  recordTown = "OSLO";
  HighscoreSingle(500);
  dir_.Put("data2", dir_.Get("data1"));
  EXPECT_EQ(HighscoreTeam(0), 1);
  EXPECT_EQ(HighscoreSingle(0), 500);
}

TEST_F(Records, RaisedPointsFailTheCheckButWhatWasReadStays) {
  dir_.Put("data1", RecordBytes("CHEAT", "TOWN", 900000, RecordCheckValue(RecordFile::Single, "CHEAT", "TOWN", 900)));
  EXPECT_EQ(HighscoreSingle(0), 1);
  EXPECT_EQ(lastRecordName, "CHEAT");
  EXPECT_EQ(lastRecordTown, "TOWN");
  EXPECT_EQ(recordPoints, 900000);
  EXPECT_EQ(recordCheck, RecordCheckValue(RecordFile::Single, "CHEAT", "TOWN", 900));
}

TEST_F(Records, MatchingRecordsReturnTheirPointsEvenZeroOrNegative) {
  for (const int32_t points : {0, -40, INT32_MIN}) {
    dir_.Put("data1", RecordBytes("LOW", "", points, RecordCheckValue(RecordFile::Single, "LOW", "", points)));
    EXPECT_EQ(HighscoreSingle(0), points);
  }
}

TEST_F(Records, NegativeOrZeroPointsWriteNothing) {
  const Bytes stored = RecordBytes("LOW", "", -40, RecordCheckValue(RecordFile::Single, "LOW", "", -40));
  dir_.Put("data1", stored);
  recordName = "NEW";
  recordTown = "TOWN";
  EXPECT_EQ(HighscoreSingle(-5), 0);
  EXPECT_EQ(HighscoreSingle(0), -40);  // a read, as the name entry does after a score of 0
  EXPECT_EQ(dir_.Get("data1"), stored);
  EXPECT_EQ(HighscoreTeam(-1), 0);
  EXPECT_FALSE(dir_.Exists("data2"));
}

// The missing numbers are what the shared transfer buffer held: the check decides.
TEST_F(Records, FilesShorterThanARecordFailTheirCheck) {
  for (const std::string& content : {std::string(""), std::string("abc\r\n"), std::string("abc\r\nX\r\n\x05\x00", 10)}) {
    dir_.Put("data1", BytesOf(content));
    EXPECT_EQ(HighscoreSingle(0), 1) << content.size();
  }
  EXPECT_EQ(lastRecordName, "abc");
  EXPECT_EQ(lastRecordTown, "X");
}

// A damaged name line longer than the text work area costs no more than the
// work area, the town is read where it starts, and only a check value over
// the kept bytes lets such a record through.
TEST_F(Records, AnOverlongLineKeepsItsHeadAndTheNextFieldsStillRead) {
  const std::string head(TEXT_LINE_CAP, 'A');
  const std::string name = head + std::string(9000, 'B');
  dir_.Put("data1", RecordBytes(name, "TOWN", 7, RecordCheckValue(RecordFile::Single, head, "TOWN", 7)));
  EXPECT_EQ(HighscoreSingle(0), 7);
  EXPECT_EQ(lastRecordName, head);
  EXPECT_EQ(lastRecordTown, "TOWN");
  dir_.Put("data1", RecordBytes(name, "TOWN", 7, RecordCheckValue(RecordFile::Single, name, "TOWN", 7)));
  EXPECT_EQ(HighscoreSingle(0), 1);
  EXPECT_EQ(recordPoints, 7);
}

TEST_F(Records, AFolderInPlaceOfTheFileIsLeftAloneAndIsNoRecord) {
  recordName = "NEW";
  // Not even root opens a directory for writing.
  std::filesystem::create_directory(dir_.File("data2"));
  EXPECT_EQ(HighscoreTeam(50), 0);
  EXPECT_TRUE(std::filesystem::is_directory(dir_.File("data2")));
  // Nor is it read as a damaged record: there is no record.
  lastRecordName = "KEEP";
  recordPoints = 7;
  EXPECT_EQ(HighscoreTeam(0), 0);
  EXPECT_EQ(lastRecordName, "KEEP");
  EXPECT_EQ(recordPoints, 7);
}

TEST_F(Records, AReadOnlyFileStaysAsItWas) {
  recordName = "NEW";
  const Bytes stored = RecordBytes("OLD", "", 3, RecordCheckValue(RecordFile::Single, "OLD", "", 3));
  GiveToNobody(dir_.path());
  AsNobody([&] {
    dir_.Put("data1", stored);
    chmod(dir_.File("data1").c_str(), 0444);
    EXPECT_EQ(HighscoreSingle(50), 0);
    EXPECT_EQ(dir_.Get("data1"), stored);
  });
}

}  // namespace
