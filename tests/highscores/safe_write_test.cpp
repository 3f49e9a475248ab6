// A writer killed at any moment leaves the record file holding exactly the
// old bytes or exactly the new ones.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "highscores/highscores.h"
#include "tests/highscores/record_files.h"

namespace {

struct Record {
  std::string name, town;
  int32_t points;
};

void Write(const Record& r) {
  recordName = r.name;
  recordTown = r.town;
  HighscoreSingle(r.points);
}

[[noreturn]] void WriteForever(const Record& a, const Record& b) {
  for (;;) {
    for (const Record* r : {&a, &b}) Write(*r);
  }
}

TEST(SafeWrite, AKilledWriterLeavesTheOldOrTheNewRecordNeverAMix) {
  ProgramDirectory dir;
  InitFileTable();
  // The short record leaves the long one's tail behind it, so the file
  // switches between exactly two images.
  const Record longRecord{"A RATHER LONG NAME", "A TOWN WITH A LONG NAME, STATE", 987654};
  const Record shortRecord{"AB", "X", 5};
  const Bytes longImage = RecordBytes(longRecord.name, longRecord.town, longRecord.points,
                                      RecordCheckValue(RecordFile::Single, longRecord.name, longRecord.town,
                                                       longRecord.points));
  Bytes shortImage = RecordBytes("AB", "X", 5, RecordCheckValue(RecordFile::Single, "AB", "X", 5));
  shortImage.insert(shortImage.end(), longImage.begin() + long(shortImage.size()), longImage.end());
  dir.Put("data1", longImage);

  std::mt19937 random(12345);
  int32_t sawLong = 0, sawShort = 0;
  for (int round = 0; round < 300; ++round) {
    const pid_t writer = fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) WriteForever(shortRecord, longRecord);
    usleep(useconds_t(std::uniform_int_distribution<int>(0, 3000)(random)));
    kill(writer, SIGKILL);
    int status = 0;
    waitpid(writer, &status, 0);
    const Bytes now = dir.Get("data1");
    if (now == longImage) {
      ++sawLong;
    } else if (now == shortImage) {
      ++sawShort;
    } else {
      ADD_FAILURE() << "round " << round << ": the file holds " << now.size() << " bytes of neither record";
      break;
    }
  }
  // Both images must have been seen, or the writer never got to write.
  EXPECT_GT(sawLong, 0);
  EXPECT_GT(sawShort, 0);
}

// A disk that fills up while the new file is written: the old record stays
// whole, rather than being written over in place and cut off half-way.
TEST(SafeWrite, ACopyThatCannotBeWrittenWholeLeavesTheOldFileAlone) {
  ProgramDirectory dir;
  InitFileTable();
  const Bytes old = RecordBytes("A RATHER LONG NAME", "A TOWN WITH A LONG NAME, STATE", 987654,
                                RecordCheckValue(RecordFile::Single, "A RATHER LONG NAME",
                                                 "A TOWN WITH A LONG NAME, STATE", 987654));
  dir.Put("data1", old);

  const pid_t writer = fork();
  ASSERT_GE(writer, 0);
  if (writer == 0) {
    // Files of this process may grow to 20 bytes only.
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{20, 20};
    setrlimit(RLIMIT_FSIZE, &limit);
    recordName = "THE NEW CHAMPION";
    recordTown = "ELSEWHERE";
    HighscoreSingle(1234567);
    _exit(0);
  }
  int status = 0;
  waitpid(writer, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(dir.Get("data1"), old);
}

// A record file written by a user other than its owner (a game started
// through sudo, say) stays its owner's, with its group and mode, so that the
// owner can go on writing it. Where the new file cannot be given to the
// owner, the old one is written in place.
struct OwnerCase {
  const char* label;
  uid_t uid;
  gid_t gid;
  mode_t mode;
  bool writtenByRoot;
};
void PrintTo(const OwnerCase& c, std::ostream* os) { *os << c.label; }

class KeepsItsOwner : public ::testing::TestWithParam<OwnerCase> {};

TEST_P(KeepsItsOwner, WhoeverWritesTheRecord) {
  const OwnerCase& c = GetParam();
  if (!RunningAsRoot()) GTEST_SKIP() << "only root can give a file to another user";
  ProgramDirectory dir;
  InitFileTable();
  dir.Put("data1", RecordBytes("OLD", "TOWN", 3, RecordCheckValue(RecordFile::Single, "OLD", "TOWN", 3)));
  GiveToNobody(dir.path());
  ASSERT_EQ(::chown(dir.File("data1").c_str(), c.uid, c.gid), 0);
  ASSERT_EQ(::chmod(dir.File("data1").c_str(), c.mode), 0);

  const Record champion{"CHAMPION", "HOME", 777};
  if (c.writtenByRoot) {
    Write(champion);
  } else {
    AsNobody([&] { Write(champion); });
  }
  struct stat st;
  ASSERT_EQ(::stat(dir.File("data1").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, c.uid);
  EXPECT_EQ(st.st_gid, c.gid);
  EXPECT_EQ(st.st_mode & 07777, c.mode);
  EXPECT_EQ(dir.Get("data1"), RecordBytes("CHAMPION", "HOME", 777,
                                          RecordCheckValue(RecordFile::Single, "CHAMPION", "HOME", 777)));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);

  // Nobody, who owns the file or may write it, still can.
  AsNobody([&] {
    Write({"NEXT", "PLACE", 888});
    EXPECT_EQ(HighscoreSingle(0), 888);
    EXPECT_EQ(lastRecordName, "NEXT");
  });
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeepsItsOwner,
    ::testing::Values(OwnerCase{"NobodysFileWrittenByRoot", NOBODY_UID, NOBODY_GID, 0640, true},
                      OwnerCase{"RootsFileWrittenByNobody", 0, 0, 0666, false},
                      OwnerCase{"NobodysFileInRootsGroupWrittenByNobody", NOBODY_UID, 0, 0660, false},
                      OwnerCase{"NobodysFileInRootsGroupWrittenByRoot", NOBODY_UID, 0, 0600, true}),
    [](const ::testing::TestParamInfo<OwnerCase>& info) { return std::string(info.param.label); });

}  // namespace
