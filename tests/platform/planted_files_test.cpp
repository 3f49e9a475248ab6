// What another user can put at "data1" before the game starts, in a folder
// shared with them: a link, a second name of someone else's file or link, a
// pipe. None of it is followed, read, written or created through; the
// player's own links keep working. Run as root, as CI does, with nobody (65534) as the
// other user: root passes every permission check, so nothing but the files
// code itself stands between the record and root's own files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <tuple>

#include "platform/file_seams.h"
#include "tests/highscores/record_files.h"
#include "tests/platform/open_watch.h"
#include "tests/platform/platform_fixture.h"

namespace {

namespace fs = std::filesystem;

std::set<std::string> Names(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

struct Seen {
  Bytes bytes;
  struct stat st {};
};

Seen Look(const std::string& path) {
  Seen seen{GetFile(path)};
  EXPECT_EQ(::lstat(path.c_str(), &seen.st), 0) << path;
  return seen;
}

void ExpectUnchanged(const std::string& path, const Seen& was) {
  const Seen now = Look(path);
  EXPECT_EQ(now.bytes, was.bytes) << path;
  EXPECT_EQ(now.st.st_ino, was.st.st_ino) << path;
  EXPECT_EQ(now.st.st_uid, was.st.st_uid) << path;
  EXPECT_EQ(now.st.st_gid, was.st.st_gid) << path;
  EXPECT_EQ(now.st.st_mode, was.st.st_mode) << path;
  EXPECT_EQ(now.st.st_nlink, was.st.st_nlink) << path;
}

// What stands at "data1" in the shared folder. "secret" is a folder only
// root enters, with "file" (root's, mode 600) in it; "elsewhere" is root's
// own folder beside it, where root's own links stand.
struct PlantCase {
  const char* label;
  enum {
    NobodysLinkToTheSecret,
    NobodysDanglingLinkIntoTheSecretFolder,
    SecondNameOfTheSecret,
    NobodysPipe,
    RootsLinkToNobodysLink,
    RootsLinkThroughNobodysFolderLink,
    RootsLinkToAPipe,
    SecondNameOfRootsLink,
    SecondNameOfRootsDanglingLink,
    RootsLinkToASecondNameOfRootsLink,
    NobodysLinkAtTheMomentOfTheMaking,
    NobodysDanglingLinkAtTheMomentOfTheMaking,
    RootsLink,
    RootsDanglingLink,
  } entry;
  bool followed;  // the record goes to the link's target
};
void PrintTo(const PlantCase& c, std::ostream* os) { *os << c.label; }

// A folder that nobody may add names to: by its mode, or as its owner.
struct SharedFolder {
  mode_t mode;
  uid_t owner;
};
void PrintTo(const SharedFolder& f, std::ostream* os) { *os << std::oct << f.mode << std::dec << " of " << f.owner; }

// "shared" is the program's folder; "secret" and "elsewhere" are root's.
class InASharedFolder {
 protected:
  void MakeFolders(const SharedFolder& folder) {
    InstallTestHost();
    InitFileTable();
    char pattern[] = "/tmp/tolvane-planted-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    top = pattern;
    ASSERT_EQ(::chmod(top.c_str(), 0755), 0);
    shared = top + "/shared";
    secret = top + "/secret";
    elsewhere = top + "/elsewhere";
    for (const std::string& path : {shared, secret, elsewhere}) ASSERT_EQ(::mkdir(path.c_str(), 0700), 0);
    ASSERT_EQ(::chown(shared.c_str(), folder.owner, NOBODY_GID), 0);
    ASSERT_EQ(::chmod(shared.c_str(), folder.mode), 0);
    PutFile(secret + "/file", BytesOf("root:$6$not-for-anyone-else:19000::::::\nsecond line\n"));
    ASSERT_EQ(::chmod((secret + "/file").c_str(), 0600), 0);
    programDirectory = shared + "/";
  }
  void RemoveFolders() {
    FileSeams() = {};
    ResetPlatformState();
    programDirectory.clear();
    if (!top.empty()) fs::remove_all(top);
  }
  void Link(const std::string& target, const std::string& at, uid_t owner) {
    ASSERT_EQ(::symlink(target.c_str(), at.c_str()), 0) << at;
    ASSERT_EQ(::lchown(at.c_str(), owner, owner), 0) << at;
  }
  std::string top, shared, secret, elsewhere;
};

class PlantedAtTheName : public ::testing::TestWithParam<std::tuple<PlantCase, SharedFolder>>,
                         protected InASharedFolder {
 protected:
  void SetUp() override {
    if (!RunningAsRoot()) GTEST_SKIP() << "planting another user's entries takes root";
    MakeFolders(std::get<1>(GetParam()));
  }
  void TearDown() override { RemoveFolders(); }
};

TEST_P(PlantedAtTheName, IsFollowedOnlyWhenItIsRootsOwnLink) {
  const auto& [c, folderMode] = GetParam();
  const std::string data1 = shared + "/data1";
  std::string pipe;
  switch (c.entry) {
    case PlantCase::NobodysLinkToTheSecret:
      Link(secret + "/file", data1, NOBODY_UID);
      break;
    case PlantCase::NobodysDanglingLinkIntoTheSecretFolder:
      Link(secret + "/made", data1, NOBODY_UID);
      break;
    case PlantCase::SecondNameOfTheSecret:
      // As nobody could make it where fs.protected_hardlinks is 0.
      ASSERT_EQ(::link((secret + "/file").c_str(), data1.c_str()), 0);
      break;
    case PlantCase::NobodysPipe:
      pipe = data1;
      ASSERT_EQ(::mkfifo(pipe.c_str(), 0666), 0);
      ASSERT_EQ(::chown(pipe.c_str(), NOBODY_UID, NOBODY_GID), 0);
      break;
    case PlantCase::RootsLinkToNobodysLink:
      Link(secret + "/file", shared + "/hop", NOBODY_UID);
      Link("hop", data1, 0);
      break;
    case PlantCase::RootsLinkThroughNobodysFolderLink:
      // Root linked to a folder of the shared one, which nobody then put a
      // link in place of.
      Link(secret, shared + "/way", NOBODY_UID);
      Link("way/file", data1, 0);
      break;
    case PlantCase::RootsLinkToAPipe:
      pipe = elsewhere + "/pipe";
      ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
      Link(pipe, data1, 0);
      break;
    case PlantCase::SecondNameOfRootsLink:
      // A second name of a link is the link, owner and all: anyone could
      // name one of root's links this way where fs.protected_hardlinks is 0.
      Link(secret + "/file", elsewhere + "/link", 0);
      ASSERT_EQ(::link((elsewhere + "/link").c_str(), data1.c_str()), 0);
      break;
    case PlantCase::SecondNameOfRootsDanglingLink:
      Link(secret + "/made", elsewhere + "/link", 0);
      ASSERT_EQ(::link((elsewhere + "/link").c_str(), data1.c_str()), 0);
      break;
    case PlantCase::RootsLinkToASecondNameOfRootsLink:
      Link(secret + "/file", elsewhere + "/link", 0);
      ASSERT_EQ(::link((elsewhere + "/link").c_str(), (shared + "/hop").c_str()), 0);
      Link("hop", data1, 0);
      break;
    case PlantCase::NobodysLinkAtTheMomentOfTheMaking:
    case PlantCase::NobodysDanglingLinkAtTheMomentOfTheMaking: {
      // Put there after the name was seen missing, just before the file is
      // made under it.
      const bool dangling = c.entry == PlantCase::NobodysDanglingLinkAtTheMomentOfTheMaking;
      const std::string target = secret + (dangling ? "/made" : "/file");
      FileSeams().beforeCreate = [this, data1, target] {
        if (!fs::exists(fs::symlink_status(data1))) Link(target, data1, NOBODY_UID);
      };
      break;
    }
    case PlantCase::RootsLink:
      Link(secret + "/file", data1, 0);
      break;
    case PlantCase::RootsDanglingLink:
      Link(secret + "/made", data1, 0);
      break;
  }
  const Seen secretWas = Look(secret + "/file");
  std::set<std::string> sharedWas = Names(shared);
  const std::set<std::string> secretNamesWas = Names(secret), elsewhereWas = Names(elsewhere);
  if (FileSeams().beforeCreate) sharedWas.insert("data1");
  const bool dangling = c.entry == PlantCase::NobodysDanglingLinkIntoTheSecretFolder ||
                        c.entry == PlantCase::NobodysDanglingLinkAtTheMomentOfTheMaking ||
                        c.entry == PlantCase::RootsDanglingLink;
  std::unique_ptr<OpenWatch> watch = pipe.empty() ? nullptr : std::make_unique<OpenWatch>(pipe);

  // The Highscore tab and the submission read the record this way.
  const bool read = OpenFileSlotRead(0, "data1") != 0;
  const std::string firstLine = read ? ReadTextLine() : "";
  CloseFileSlot(0);
  EXPECT_EQ(read, c.followed && !dangling);
  if (read) {
    EXPECT_EQ(firstLine, "root:$6$not-for-anyone-else:19000::::::");
  }

  ::testing::internal::CaptureStderr();
  const bool opened = OpenFileSlotReadWrite(0, "data1") != 0;
  WriteTextLine("CHAMP");
  WriteTextLine("TOWN");
  WriteInt32(777);
  WriteInt32(12345);
  CloseFileSlot(0);
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(opened, c.followed);

  if (watch) {
    EXPECT_FALSE(watch->Opened()) << "the pipe was opened";
  }
  EXPECT_EQ(Names(shared), sharedWas);
  EXPECT_EQ(Names(elsewhere), elsewhereWas);
  EXPECT_TRUE(fs::exists(fs::symlink_status(data1)));
  if (!c.followed) {
    ExpectUnchanged(secret + "/file", secretWas);
    EXPECT_EQ(Names(secret), secretNamesWas);
    EXPECT_TRUE(said.starts_with("tolvane: \"data1\" not saved: ")) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    return;
  }
  Bytes record = BytesOf("CHAMP\r\nTOWN\r\n");
  AppendLe32(record, 777);
  AppendLe32(record, 12345);
  const std::string target = secret + (dangling ? "/made" : "/file");
  Bytes want = dangling ? record : secretWas.bytes;
  std::copy(record.begin(), record.end(), want.begin());
  EXPECT_EQ(GetFile(target), want);
  EXPECT_TRUE(fs::is_symlink(data1));
  struct stat st;
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 0u);
  if (!dangling) {
    EXPECT_EQ(st.st_mode & 07777, 0600u);
  }
  std::set<std::string> secretNow = secretNamesWas;
  secretNow.insert(dangling ? "made" : "file");
  EXPECT_EQ(Names(secret), secretNow);
  EXPECT_EQ(said, "");
}

const PlantCase PLANTED[] = {
    {"NobodysLinkToARootOnlyFile", PlantCase::NobodysLinkToTheSecret, false},
    {"NobodysDanglingLinkIntoARootOnlyFolder", PlantCase::NobodysDanglingLinkIntoTheSecretFolder, false},
    {"SecondNameOfARootOnlyFile", PlantCase::SecondNameOfTheSecret, false},
    {"NobodysPipe", PlantCase::NobodysPipe, false},
    {"RootsLinkToNobodysLink", PlantCase::RootsLinkToNobodysLink, false},
    {"RootsLinkThroughNobodysFolderLink", PlantCase::RootsLinkThroughNobodysFolderLink, false},
    {"RootsLinkToAPipe", PlantCase::RootsLinkToAPipe, false},
    {"SecondNameOfRootsLinkToARootOnlyFile", PlantCase::SecondNameOfRootsLink, false},
    {"SecondNameOfRootsDanglingLink", PlantCase::SecondNameOfRootsDanglingLink, false},
    {"RootsLinkToASecondNameOfRootsLink", PlantCase::RootsLinkToASecondNameOfRootsLink, false},
    {"NobodysLinkToARootOnlyFileAtTheMomentOfTheMaking", PlantCase::NobodysLinkAtTheMomentOfTheMaking, false},
    {"NobodysDanglingLinkAtTheMomentOfTheMaking", PlantCase::NobodysDanglingLinkAtTheMomentOfTheMaking, false},
    {"RootsLink", PlantCase::RootsLink, true},
    {"RootsDanglingLink", PlantCase::RootsDanglingLink, true},
};

// Root's folders that others may write, and one of nobody's own that only
// nobody may.
const SharedFolder SHARED_FOLDERS[] = {{01777, 0}, {0777, 0}, {02775, 0}, {03775, 0}, {0755, NOBODY_UID}};

INSTANTIATE_TEST_SUITE_P(
    InSharedFolders, PlantedAtTheName,
    ::testing::Combine(::testing::ValuesIn(PLANTED), ::testing::ValuesIn(SHARED_FOLDERS)),
    [](const ::testing::TestParamInfo<std::tuple<PlantCase, SharedFolder>>& info) {
      const SharedFolder& folder = std::get<1>(info.param);
      char mode[8];
      std::snprintf(mode, sizeof mode, "%04o", unsigned(folder.mode));
      return std::string(std::get<0>(info.param).label) + "_In" + mode + (folder.owner == 0 ? "" : "OfNobody");
    });

// Where there is no /proc, the file found at the name is opened again by its
// name. In that moment nobody puts a second name of root's file in place of
// their own record: what the open then finds is not what was looked at, and
// nothing is read or written through it.
class WithoutProc : public ::testing::Test, protected InASharedFolder {
 protected:
  void SetUp() override {
    if (!RunningAsRoot()) GTEST_SKIP() << "planting another user's entries takes root";
    MakeFolders({01777, 0});
  }
  void TearDown() override { RemoveFolders(); }
};

TEST_F(WithoutProc, AFileSwappedInBetweenTheLookAndTheOpenIsNeitherReadNorWritten) {
  const std::string data1 = shared + "/data1", file = secret + "/file";
  const Seen secretWas = Look(file);
  FileSeams().withoutProc = true;
  FileSeams().beforeReopen = [&] {
    ASSERT_EQ(::unlink(data1.c_str()), 0);
    ASSERT_EQ(::link(file.c_str(), data1.c_str()), 0);
  };
  for (const bool writing : {false, true}) {
    SCOPED_TRACE(writing ? "writing" : "reading");
    if (fs::exists(fs::symlink_status(data1))) {
      ASSERT_EQ(::unlink(data1.c_str()), 0);
    }
    PutFile(data1, BytesOf("NOBODY\r\nTOWN\r\n"));
    ASSERT_EQ(::chown(data1.c_str(), NOBODY_UID, NOBODY_GID), 0);
    ::testing::internal::CaptureStderr();
    if (writing) {
      EXPECT_EQ(OpenFileSlotReadWrite(0, "data1"), 0);
      WriteTextLine("CHAMP");
      WriteInt32(777);
    } else {
      EXPECT_EQ(OpenFileSlotRead(0, "data1"), 0);
      EXPECT_EQ(ReadTextLine(), "");
    }
    CloseFileSlot(0);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(said, writing ? "tolvane: \"data1\" not saved: Stale file handle\n" : "");
    const Seen secretNow = Look(file);
    EXPECT_EQ(secretNow.bytes, secretWas.bytes);
    EXPECT_EQ(secretNow.st.st_ino, secretWas.st.st_ino);
    EXPECT_EQ(secretNow.st.st_mode, secretWas.st.st_mode);
    EXPECT_EQ(Names(secret), std::set<std::string>{"file"});
    EXPECT_EQ(Names(shared), std::set<std::string>{"data1"});
  }
}

// Run by an ordinary player: the player's own link is followed, and one that
// another ordinary user made beside it is not.
TEST(PlayersOwnLinks, AreFollowedAndAnotherUsersAreNot) {
  if (!RunningAsRoot()) GTEST_SKIP() << "giving links to two users takes root";
  InitFileTable();
  ProgramDirectory dir;
  const std::string mine = dir.File("mine"), theirs = dir.File("theirs");
  dir.Put("mine", BytesOf("OLD\r\n"));
  dir.Put("theirs", BytesOf("THEIRS\r\n"));
  std::filesystem::create_symlink(mine, dir.File("data1"));
  std::filesystem::create_symlink(theirs, dir.File("data2"));
  GiveToNobody(dir.path());
  ASSERT_EQ(::lchown(dir.File("data2").c_str(), 4242, 4242), 0);
  ASSERT_EQ(::chown(theirs.c_str(), 4242, 4242), 0);
  ASSERT_EQ(::chmod(theirs.c_str(), 0666), 0);
  ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
  AsNobody([&] {
    ASSERT_NE(OpenFileSlotRead(0, "data1"), 0);
    EXPECT_EQ(ReadTextLine(), "OLD");
    EXPECT_EQ(OpenFileSlotRead(0, "data2"), 0);
    for (const char* name : {"data1", "data2"}) {
      OpenFileSlotReadWrite(0, name);
      WriteTextLine("NEW");
      CloseFileSlot(0);
    }
  });
  EXPECT_EQ(GetFile(mine), BytesOf("NEW\r\n"));
  EXPECT_EQ(GetFile(theirs), BytesOf("THEIRS\r\n"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("data2")));
}

}  // namespace
