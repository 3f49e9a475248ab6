// A writer killed at any moment leaves the record file holding exactly the
// old bytes or exactly the new ones.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "highscores/highscores.h"
#include "tests/highscores/record_files.h"

namespace {

struct Record {
  std::string name, town;
  int32_t points;
};

[[noreturn]] void WriteForever(const Record& a, const Record& b) {
  for (;;) {
    for (const Record* r : {&a, &b}) {
      recordName = r->name;
      recordTown = r->town;
      HighscoreSingle(r->points);
    }
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

}  // namespace
