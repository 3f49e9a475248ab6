// A writer killed at any moment leaves the record file holding exactly the
// old bytes or exactly the new ones, and what it leaves beside the file goes
// with the next write. No swap of names meanwhile sends the record elsewhere.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <set>
#include <thread>

#include "highscores/highscores.h"
#include "platform/file_seams.h"
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

// Writes the two records by turns until killed, with one byte down the pipe
// after each finished write.
[[noreturn]] void WriteForever(const Record& a, const Record& b, int reports) {
  ::fcntl(reports, F_SETFL, O_NONBLOCK);
  for (;;) {
    for (const Record* r : {&a, &b}) {
      Write(*r);
      const char done = 1;
      if (::write(reports, &done, 1) < 0 && errno != EAGAIN) _exit(1);
    }
  }
}

bool WaitForReport(int reports) {
  char done;
  for (;;) {
    const ssize_t r = ::read(reports, &done, 1);
    if (r == 1) return true;
    if (r < 0 && errno == EINTR) continue;
    return false;
  }
}

// The names beside "data1" that are or may be its temporaries.
std::set<std::string> Temporaries(const ProgramDirectory& dir) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    const std::string name = entry.path().filename();
    if (name.rfind(".data1.", 0) == 0) names.insert(name);
  }
  return names;
}

// A writer at work holds a lock on its temporary.
bool HeldByAWriter(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  return held;
}

// Each round a writer runs until it has reported two writes; the time
// between the reports is one write on this machine as busy as it is now, and
// the writer is stopped at a random moment within the next two writes (one of
// each record), then killed. Stopped, it shows what a kill there leaves: the
// file must hold one record whole. A write of our own meanwhile must remove
// what killed writers left and keep the temporary the stopped one holds.
TEST(SafeWrite, AKilledWriterLeavesTheOldOrTheNewRecordNeverAMix) {
  // In memory where the machine has it, so that the flushes cost nothing: a kill
  // shows what others see of the file, not what reaches the disk.
  ProgramDirectory dir(std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp");
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
  int32_t sawLong = 0, sawShort = 0, sawHeld = 0;
  for (int round = 0; round < 300; ++round) {
    int reports[2];
    ASSERT_EQ(::pipe2(reports, O_CLOEXEC), 0);
    const pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
      ::close(reports[0]);
      WriteForever(shortRecord, longRecord, reports[1]);
    }
    ::close(reports[1]);
    const bool reported = WaitForReport(reports[0]);
    const auto first = std::chrono::steady_clock::now();
    const bool cycled = reported && WaitForReport(reports[0]);
    const auto cycle = std::chrono::steady_clock::now() - first;
    if (cycled) {
      std::this_thread::sleep_for(std::chrono::nanoseconds(
          std::uniform_int_distribution<int64_t>(0, 2 * cycle / std::chrono::nanoseconds(1))(random)));
    }
    ::kill(writer, SIGSTOP);
    int status = 0;
    const bool stopped = ::waitpid(writer, &status, WUNTRACED) == writer && WIFSTOPPED(status);

    const Bytes now = dir.Get("data1");
    std::set<std::string> held;
    for (const std::string& name : Temporaries(dir)) {
      if (HeldByAWriter(dir.File(name))) held.insert(name);
    }
    sawHeld += !held.empty();
    const bool wasLong = now == longImage;
    Write(wasLong ? shortRecord : longRecord);
    const Bytes written = dir.Get("data1");
    const std::set<std::string> left = Temporaries(dir);

    ::kill(writer, SIGKILL);
    ::waitpid(writer, &status, 0);
    ::close(reports[0]);
    ASSERT_TRUE(cycled && stopped) << "round " << round << ": the writer died";
    if (wasLong) {
      ++sawLong;
    } else if (now == shortImage) {
      ++sawShort;
    } else {
      ADD_FAILURE() << "round " << round << ": the file holds " << now.size() << " bytes of neither record";
      break;
    }
    ASSERT_EQ(written, wasLong ? shortImage : longImage) << "round " << round;
    ASSERT_EQ(left, held) << "round " << round;
  }
  // Both images must have been seen, or the writer never got to write; and
  // a writer must have been stopped with its temporary, or nothing showed
  // that a live writer's temporary is kept.
  EXPECT_GT(sawLong, 0);
  EXPECT_GT(sawShort, 0);
  EXPECT_GT(sawHeld, 0);
  Write(longRecord);
  EXPECT_EQ(Temporaries(dir), std::set<std::string>{});
}

// A new file that cannot be written whole for want of anything but room
// (here the process may not make files that large): the old record stays
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

// Another user's swap of a name, made at the worst moment (the new file is
// written and about to take the name "data1"), cannot send the record
// anywhere else: the file that the link leads to keeps every byte, its owner
// and its mode, and the record goes into the file that was opened, in place.
// Run as root, the folder and "data1" are nobody's, the swap is nobody's and
// the other file is root's own, as with a game started through sudo.
struct SwapCase {
  const char* label;
  enum {
    LinkInItsPlace,      // "data1" moved aside and a link made in its place
    TradedWithALink,     // "data1" traded in one step with a link beside it
    TemporaryForALink,   // the new file moved aside and a link put in its place
  } swap;
  const char* openedNow;  // where the file that was opened is then
  int32_t names;          // in the folder after the write
};
void PrintTo(const SwapCase& c, std::ostream* os) { *os << c.label; }

class ASwapOfTheName : public ::testing::TestWithParam<SwapCase> {};

TEST_P(ASwapOfTheName, AtTheWorstMomentCannotRedirectTheRecord) {
  const SwapCase& c = GetParam();
  ProgramDirectory dir;
  InitFileTable();
  const Record old{"A RATHER LONG NAME", "A TOWN WITH A LONG NAME, STATE", 987654};
  const Record champion{"CHAMPION", "HOME", 777};
  const Bytes oldImage =
      RecordBytes(old.name, old.town, old.points, RecordCheckValue(RecordFile::Single, old.name, old.town, old.points));
  Bytes newImage = RecordBytes(champion.name, champion.town, champion.points,
                               RecordCheckValue(RecordFile::Single, champion.name, champion.town, champion.points));
  newImage.insert(newImage.end(), oldImage.begin() + long(newImage.size()), oldImage.end());
  dir.Put("data1", oldImage);

  // The other file, in a folder of its own that only its owner enters.
  struct Folder {
    std::string path = "/tmp/tolvane-elsewhere-XXXXXX";
    Folder() { EXPECT_NE(mkdtemp(path.data()), nullptr); }
    ~Folder() { std::filesystem::remove_all(path); }
  } elsewhere;
  const std::string secret = elsewhere.path + "/secret";
  const Bytes secretBytes = BytesOf("nobody else may read or change this\n");
  PutFile(secret, secretBytes);
  ASSERT_EQ(::chmod(secret.c_str(), 0600), 0);
  if (c.swap == SwapCase::TradedWithALink) std::filesystem::create_symlink(secret, dir.File("mine"));
  GiveToNobody(dir.path());
  struct stat opened, secretWas;
  ASSERT_EQ(::stat(dir.File("data1").c_str(), &opened), 0);
  ASSERT_EQ(::stat(secret.c_str(), &secretWas), 0);

  const std::string openedNow = dir.File(c.openedNow);
  const ClearFileSeamsAtExit clear;
  FileSeams().beforeExchange = [&] {
    AsNobody([&] {
      const std::string data1 = dir.File("data1");
      switch (c.swap) {
        case SwapCase::LinkInItsPlace:
          ASSERT_EQ(::rename(data1.c_str(), openedNow.c_str()), 0);
          ASSERT_EQ(::symlink(secret.c_str(), data1.c_str()), 0);
          break;
        case SwapCase::TradedWithALink:
          ASSERT_EQ(::renameat2(AT_FDCWD, data1.c_str(), AT_FDCWD, openedNow.c_str(), RENAME_EXCHANGE), 0);
          break;
        case SwapCase::TemporaryForALink:
          const std::set<std::string> temporaries = Temporaries(dir);
          ASSERT_EQ(temporaries.size(), 1u);
          const std::string temp = dir.File(*temporaries.begin());
          ASSERT_EQ(::rename(temp.c_str(), dir.File("taken").c_str()), 0);
          ASSERT_EQ(::symlink(secret.c_str(), temp.c_str()), 0);
          break;
      }
    });
  };
  Write(champion);

  struct stat secretIs, openedIs;
  ASSERT_EQ(::stat(secret.c_str(), &secretIs), 0);
  EXPECT_EQ(GetFile(secret), secretBytes);
  EXPECT_EQ(secretIs.st_ino, secretWas.st_ino);
  EXPECT_EQ(secretIs.st_uid, secretWas.st_uid);
  EXPECT_EQ(secretIs.st_gid, secretWas.st_gid);
  EXPECT_EQ(secretIs.st_mode, secretWas.st_mode);
  ASSERT_EQ(::stat(openedNow.c_str(), &openedIs), 0);
  EXPECT_EQ(openedIs.st_ino, opened.st_ino);
  EXPECT_EQ(GetFile(openedNow), newImage);
  EXPECT_EQ(std::filesystem::is_symlink(dir.File("data1")), c.swap != SwapCase::TemporaryForALink);
  // Nothing of ours left beside either: what the other user made, and the secret.
  for (const auto& [folder, names] : {std::pair{dir.path(), c.names}, std::pair{elsewhere.path, 1}}) {
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), names)
        << folder;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ASwapOfTheName,
                         ::testing::Values(SwapCase{"ForALinkMadeInItsPlace", SwapCase::LinkInItsPlace, "data1-was", 2},
                                           SwapCase{"WithALinkBesideIt", SwapCase::TradedWithALink, "mine", 2},
                                           SwapCase{"OfTheNewFileForALink", SwapCase::TemporaryForALink, "data1", 3}),
                         [](const ::testing::TestParamInfo<SwapCase>& info) { return std::string(info.param.label); });

}  // namespace
