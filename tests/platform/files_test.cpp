#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <tuple>

#include "platform/file_seams.h"
#include "tests/platform/as_nobody.h"
#include "tests/platform/open_watch.h"
#include "tests/platform/platform_fixture.h"

namespace {

namespace fs = std::filesystem;

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallTestHost();
    InitFileTable();
    char pattern[] = "/tmp/tolvane-files-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    programDirectory = dir + "/";
  }
  void TearDown() override {
    ResetPlatformState();  // closes the files
    fs::remove_all(dir);
    programDirectory.clear();
  }
  void Put(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream(dir + "/" + name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                           std::streamsize(bytes.size()));
  }
  std::vector<uint8_t> Get(const std::string& name) {
    std::ifstream in(dir + "/" + name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }
  std::string dir;
};

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

TEST_F(FilesTest, ReadsPastTheEndGiveTheLastValueAgain) {
  Put("keyboard", {0x11, 0x22, 0x33, 0x44, 0xC8, 0x00, 0x00, 0x00});
  ASSERT_NE(OpenFileSlotRead(0, "keyboard"), 0);
  EXPECT_EQ(ReadInt32(), 0x44332211);
  EXPECT_EQ(ReadInt32(), 0xC8);
  for (int i = 0; i < 11; ++i) EXPECT_EQ(ReadInt32(), 0xC8) << i;
  CloseFileSlot(0);
}

TEST_F(FilesTest, AShortTailReplacesOnlyThatManyLowBytes) {
  Put("short", {0x11, 0x22, 0x33, 0x44, 0xAA, 0xBB});
  ASSERT_NE(OpenFileSlotRead(3, "short"), 0);
  EXPECT_EQ(ReadInt32(), 0x44332211);
  EXPECT_EQ(ReadInt32(), 0x4433BBAA);
  EXPECT_EQ(ReadInt32(), 0x4433BBAA);
}

TEST_F(FilesTest, TheTransferBufferIsSharedByAllFiles) {
  Put("a", {1, 0, 0, 0});
  Put("b", {});
  OpenFileSlotRead(0, "a");
  EXPECT_EQ(ReadInt32(), 1);
  OpenFileSlotRead(1, "b");
  EXPECT_EQ(ReadInt32(), 1);
  OpenFileSlotReadWrite(2, "c");
  WriteInt32(0x11223344);
  OpenFileSlotRead(1, "b");
  EXPECT_EQ(ReadInt32(), 0x11223344);
}

TEST_F(FilesTest, TextLinesLeaveTheirLastByteInTheBuffer) {
  Put("line", Bytes("x\n"));
  Put("empty", {});
  OpenFileSlotReadWrite(0, "w");
  WriteInt32(0x11223344);
  OpenFileSlotRead(1, "line");
  EXPECT_EQ(ReadTextLine(), "x");
  OpenFileSlotRead(2, "empty");
  EXPECT_EQ(ReadInt32(), 0x1122330A);
  OpenFileSlotReadWrite(0, "w");
  WriteInt32(0x11223344);
  WriteTextLine("ab");
  OpenFileSlotRead(2, "empty");
  EXPECT_EQ(ReadInt32(), 0x11220A0D);
}

TEST_F(FilesTest, WritingFewerBytesNeverTruncates) {
  std::vector<uint8_t> old(30);
  for (size_t i = 0; i < old.size(); ++i) old[i] = uint8_t(100 + i);
  Put("data1", old);
  ASSERT_NE(OpenFileSlotReadWrite(0, "data1"), 0);
  for (int32_t v = 1; v <= 5; ++v) WriteInt32(v);
  CloseFileSlot(0);
  const auto now = Get("data1");
  ASSERT_EQ(now.size(), 30u);
  EXPECT_EQ(now[0], 1);
  EXPECT_EQ(now[16], 5);
  for (size_t i = 20; i < 30; ++i) EXPECT_EQ(now[i], old[i]) << i;
}

TEST_F(FilesTest, ReadWriteCreatesAMissingFileAndStartsAtTheBeginning) {
  ASSERT_NE(OpenFileSlotReadWrite(4, "new"), 0);
  EXPECT_TRUE(fs::exists(dir + "/new"));
  WriteTextLine("hi");
  WriteTextLine("");
  WriteInt32(-2);
  CloseFileSlot(4);
  EXPECT_EQ(Get("new"), (std::vector<uint8_t>{'h', 'i', '\r', '\n', '\r', '\n', 0xFE, 0xFF, 0xFF, 0xFF}));
  ASSERT_NE(OpenFileSlotReadWrite(4, "new"), 0);
  EXPECT_EQ(ReadTextLine(), "hi");
}

TEST_F(FilesTest, AMissingFileGivesZeroAndNoCurrentFile) {
  Put("a", {5, 0, 0, 0, 6, 0, 0, 0});
  OpenFileSlotRead(0, "a");
  EXPECT_EQ(ReadInt32(), 5);
  EXPECT_EQ(OpenFileSlotRead(1, "missing"), 0);
  EXPECT_FALSE(fs::exists(dir + "/missing"));
  // Nothing is read from "a" now, and writes go nowhere.
  EXPECT_EQ(ReadInt32(), 5);
  EXPECT_EQ(ReadTextLine(), "");
  WriteInt32(9);
  WriteTextLine("zz");
  EXPECT_EQ(ReadInt32(), 5);
  EXPECT_EQ(OpenFileSlotRead(-1, "a"), 0);
}

// Only a plain file is a file here: a folder, a pipe or a device under the
// name, or at the end of a link, is as good as a missing file, and opening a
// pipe must not wait for a writer. A write there says so.
TEST_F(FilesTest, AFolderAPipeOrADeviceUnderTheNameCannotBeOpened) {
  fs::create_directory(dir + "/data1");
  ASSERT_EQ(mkfifo((dir + "/keyboard").c_str(), 0600), 0);
  fs::create_symlink("/dev/null", dir + "/data2");
  // Held open here, so that even a blocking open of the pipe returns.
  const int pipeEnd = ::open((dir + "/keyboard").c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(pipeEnd, 0);
  for (const char* name : {"data1", "keyboard", "data2"}) {
    EXPECT_EQ(OpenFileSlotRead(0, name), 0) << name;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(OpenFileSlotReadWrite(0, name), 0) << name;
    WriteInt32(5);
    CloseFileSlot(0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "tolvane: \"" + std::string(name) + "\" not saved: it is not a plain file\n");
  }
  ::close(pipeEnd);
  EXPECT_TRUE(fs::is_directory(dir + "/data1"));
  EXPECT_TRUE(fs::is_fifo(dir + "/keyboard"));
  EXPECT_TRUE(fs::is_symlink(dir + "/data2"));
}

// A file opened for reading takes no writes: nothing lands on close, and the
// reading goes on where it was.
TEST_F(FilesTest, AFileOpenedForReadingIsNeverWritten) {
  const std::vector<uint8_t> old{1, 0, 0, 0, 2, 0, 0, 0};
  Put("keyboard", old);
  ASSERT_NE(OpenFileSlotRead(0, "keyboard"), 0);
  WriteInt32(9);
  WriteTextLine("zz");
  EXPECT_EQ(ReadInt32(), 1);
  CloseFileSlot(0);
  EXPECT_EQ(Get("keyboard"), old);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(FilesTest, ClosedFilesAreNotCurrent) {
  Put("a", {5, 0, 0, 0, 6, 0, 0, 0});
  OpenFileSlotRead(12, "a");  // past the room of 10
  EXPECT_EQ(ReadInt32(), 5);
  CloseFileSlot(12);
  EXPECT_EQ(ReadInt32(), 5);
  CloseFileSlot(12);
  CloseFileSlot(40);
  CloseFileSlot(-1);
}

struct LineCase {
  const char* name;
  std::string content;
  std::vector<std::string> lines;
};
void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }

class ReadLines : public FilesTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(ReadLines, EndAtNulLfCrOrTheEnd) {
  const LineCase& c = GetParam();
  Put("t", Bytes(c.content));
  ASSERT_NE(OpenFileSlotRead(0, "t"), 0);
  for (const std::string& want : c.lines) EXPECT_EQ(ReadTextLine(), want);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadLines,
    ::testing::Values(LineCase{"CrLf", "Name\r\nTown\r\n", {"Name", "Town", ""}},
                      LineCase{"CrTakesAnyByte", "ab\rXcd\n", {"ab", "cd", ""}},
                      LineCase{"LfOnly", "a\nb", {"a", "b", ""}},
                      LineCase{"Nul", std::string("a\0b", 3), {"a", "b"}},
                      LineCase{"CrAtTheEnd", "abc\r", {"abc", ""}},
                      LineCase{"Empty", "", {"", ""}},
                      LineCase{"HighBytes", "\xE9t\xE9\r\n", {"\xE9t\xE9"}}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

// What is written reaches the disk only on close, all at once; until then the
// program itself reads what it wrote.
TEST_F(FilesTest, WritesLandTogetherOnClose) {
  Put("data1", Bytes("OLDNAME\r\nOLDTOWN\r\n"));
  ASSERT_NE(OpenFileSlotReadWrite(0, "data1"), 0);
  WriteTextLine("AB");
  WriteInt32(0x34333231);
  EXPECT_EQ(Get("data1"), Bytes("OLDNAME\r\nOLDTOWN\r\n"));
  ASSERT_NE(OpenFileSlotReadWrite(1, "data1"), 0);
  EXPECT_EQ(ReadTextLine(), "OLDNAME");
  CloseFileSlot(1);
  ASSERT_NE(OpenFileSlotReadWrite(0, "data1"), 0);  // a new open of number 0 closes the old one
  EXPECT_EQ(Get("data1"), Bytes("AB\r\n1234\nOLDTOWN\r\n"));
  WriteTextLine("Z");
  EXPECT_EQ(ReadTextLine(), "");
  EXPECT_EQ(ReadTextLine(), "1234");
  CloseFileSlot(0);
  EXPECT_EQ(Get("data1"), Bytes("Z\r\n\n1234\nOLDTOWN\r\n"));
  // Nothing is left beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

// The player's own links are followed, also where there is no /proc to
// open a file by what was found at its name, and also a link with a second
// name in the player's own folder.
TEST_F(FilesTest, WritingThroughALinkReplacesTheFileItPointsTo) {
  const ClearFileSeamsAtExit clear;
  for (const bool withoutProc : {false, true}) {
    SCOPED_TRACE(withoutProc ? "without /proc" : "with /proc");
    FileSeams().withoutProc = withoutProc;
    fs::remove_all(dir);
    fs::create_directories(dir + "/real");
    Put("real/keyboard", {1, 0, 0, 0, 2, 0, 0, 0});
    fs::permissions(dir + "/real/keyboard", fs::perms(0640));
    fs::create_symlink("real/keyboard", dir + "/keyboard");
    // In the player's own folder a link with a second name is the player's.
    ASSERT_EQ(::link((dir + "/keyboard").c_str(), (dir + "/keyboard-too").c_str()), 0);
    ASSERT_NE(OpenFileSlotRead(0, "keyboard"), 0);
    EXPECT_EQ(ReadInt32(), 1);
    ASSERT_NE(OpenFileSlotReadWrite(0, "keyboard"), 0);
    WriteInt32(9);
    CloseFileSlot(0);
    EXPECT_TRUE(fs::is_symlink(dir + "/keyboard"));
    struct stat link;
    ASSERT_EQ(::lstat((dir + "/keyboard").c_str(), &link), 0);
    EXPECT_EQ(link.st_nlink, 2u);
    EXPECT_EQ(Get("real/keyboard"), (std::vector<uint8_t>{9, 0, 0, 0, 2, 0, 0, 0}));
    EXPECT_EQ(fs::status(dir + "/real/keyboard").permissions(), fs::perms(0640));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir + "/real"), fs::directory_iterator()), 1);
  }
}

// The player's own chain of links is followed as far as the system itself
// follows one: 40 links, and not 41.
TEST_F(FilesTest, AChainOfFortyLinksIsFollowedAndOneOfFortyOneIsNot) {
  for (const auto& [links, followed] : {std::pair{40, true}, std::pair{41, false}}) {
    SCOPED_TRACE(std::to_string(links) + " links");
    fs::remove_all(dir);
    fs::create_directory(dir);
    Put("record", Bytes("OLD\r\n"));
    // "data1" -> "link1" -> ... -> "record"
    std::string next = "record";
    for (int i = links - 1; i >= 1; --i) {
      fs::create_symlink(next, dir + "/link" + std::to_string(i));
      next = "link" + std::to_string(i);
    }
    fs::create_symlink(next, dir + "/data1");
    const bool read = OpenFileSlotRead(0, "data1") != 0;
    EXPECT_EQ(read, followed);
    if (read) {
      EXPECT_EQ(ReadTextLine(), "OLD");
    }
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(OpenFileSlotReadWrite(0, "data1") != 0, followed);
    WriteTextLine("NEW");
    CloseFileSlot(0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              followed ? "" : "tolvane: \"data1\" not saved: too many links on the way to it\n");
    EXPECT_EQ(Get("record"), Bytes(followed ? "NEW\r\n" : "OLD\r\n"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), links + 1);
  }
}

// A file with a second name is written in place, so both names show the new
// bytes; a new file renamed over one name would leave the other behind.
TEST_F(FilesTest, AFileWithASecondNameIsWrittenInPlace) {
  Put("data1", Bytes("OLDNAME\r\nOLDTOWN\r\n"));
  ASSERT_EQ(::link((dir + "/data1").c_str(), (dir + "/data1-copy").c_str()), 0);
  ASSERT_NE(OpenFileSlotReadWrite(0, "data1"), 0);
  WriteTextLine("AB");
  CloseFileSlot(0);
  EXPECT_EQ(Get("data1"), Bytes("AB\r\nAME\r\nOLDTOWN\r\n"));
  EXPECT_EQ(Get("data1-copy"), Get("data1"));
  EXPECT_EQ(fs::hard_link_count(dir + "/data1"), 2u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
}

// A write removes the temporaries that killed writers left beside the file:
// "." name ".tolvane-" and six letters or digits, a plain file of one name
// that no writer holds a lock on. Nothing else goes: not one that a writer
// still at work holds, not another file's, and none of the names that people
// and tools give to copies of the file, rsync's ".name.XXXXXX" among them.
// A pipe or a device under such a name is not even opened: a writer waiting
// on the pipe would be let through.
TEST_F(FilesTest, AWriteRemovesOnlyTheTemporariesOfWritersThatAreGone) {
  struct Beside {
    const char* file;
    std::vector<std::string> abandoned, kept;
  };
  const std::vector<Beside> cases{
      {"data1",
       {".data1.tolvane-a1B2c3", ".data1.tolvane-000000"},
       {".data1.backup", ".data1.orig01", ".data1.README", ".data1.a1B2c3", ".data1.tolvane-a1B2c",
        ".data1.tolvane-a1B2c3d", ".data1.tolvane-a1B-c3", ".data1.tolvane.a1B2c3", "data1.tolvane-a1B2c3",
        ".data1tolvane-a1B2c3", ".data2.tolvane-a1B2c3", ".data1.tolvane-HeLd01", ".data1.tolvane-TwoNms",
        ".data1.tolvane-SymLnk", ".data1.tolvane-FoLder", ".data1.tolvane-PiPe01", ".data1.tolvane-DeVce1"}},
      {"keyboard", {".keyboard.tolvane-Zz9Zz9"}, {".keyboard.backup", ".keyboard.Zz9Zz9", ".data1.tolvane-Zz9Zz9"}},
  };
  for (Beside c : cases) {
    SCOPED_TRACE(c.file);
    fs::remove_all(dir);
    fs::create_directory(dir);
    Put(c.file, Bytes("old"));
    for (const auto& name : c.abandoned) Put(name, Bytes("x"));
    std::map<std::string, std::unique_ptr<OpenWatch>> watches;
    for (const auto& name : c.kept) {
      if (name.ends_with("SymLnk")) {
        fs::create_symlink(c.file, dir + "/" + name);
      } else if (name.ends_with("FoLder")) {
        fs::create_directory(dir + "/" + name);
      } else if (name.ends_with("PiPe01")) {
        ASSERT_EQ(::mkfifo((dir + "/" + name).c_str(), 0600), 0);
        watches[name] = std::make_unique<OpenWatch>(dir + "/" + name);
      } else if (name.ends_with("DeVce1")) {
        // The null device under another name, where this user may make one.
        if (::mknod((dir + "/" + name).c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0) {
          watches[name] = std::make_unique<OpenWatch>(dir + "/" + name);
        } else {
          fs::create_directory(dir + "/" + name);  // kept too
        }
      } else {
        Put(name, Bytes("x"));
      }
    }
    const std::string twoNames = dir + "/." + c.file + ".tolvane-TwoNms";
    if (fs::exists(twoNames)) fs::create_hard_link(twoNames, dir + "/second-name");
    if (RunningAsRoot()) {
      // Neither this user's nor the record's owner's.
      const std::string other = "." + std::string(c.file) + ".tolvane-OtHer1";
      Put(other, Bytes("x"));
      ASSERT_EQ(::chown((dir + "/" + other).c_str(), 4242, 4242), 0);
      c.kept.push_back(other);
    }
    // As a writer still at work holds its temporary.
    const std::string heldName = dir + "/." + c.file + ".tolvane-HeLd01";
    const int held = fs::exists(heldName) ? ::open(heldName.c_str(), O_RDONLY | O_CLOEXEC) : -1;
    if (held >= 0) {
      ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    }

    ASSERT_NE(OpenFileSlotReadWrite(0, c.file), 0);
    WriteTextLine("new");
    CloseFileSlot(0);
    if (held >= 0) ::close(held);
    for (const auto& [name, watch] : watches) EXPECT_FALSE(watch->Opened()) << name << " was opened";
    EXPECT_EQ(Get(c.file), Bytes("new\r\n"));
    for (const auto& name : c.abandoned) EXPECT_FALSE(fs::exists(fs::symlink_status(dir + "/" + name))) << name;
    for (const auto& name : c.kept) EXPECT_TRUE(fs::exists(fs::symlink_status(dir + "/" + name))) << name;
  }
}

TEST_F(FilesTest, WithoutRoomForANewFileBesideItTheFileIsWrittenInPlace) {
  GiveToNobody(dir);
  AsNobody([&] {
    Put("data2", Bytes("0123456789"));
    struct stat was, is;
    ASSERT_EQ(::stat((dir + "/data2").c_str(), &was), 0);
    fs::permissions(dir, fs::perms(0500));
    ASSERT_NE(OpenFileSlotReadWrite(0, "data2"), 0);
    WriteTextLine("ab");
    CloseFileSlot(0);
    // A missing one cannot be made there, and the player is told.
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(OpenFileSlotReadWrite(0, "keyboard"), 0);
    WriteInt32(1);
    CloseFileSlot(0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "tolvane: \"keyboard\" not saved: Permission denied\n");
    fs::permissions(dir, fs::perms(0700));
    EXPECT_FALSE(fs::exists(dir + "/keyboard"));
    EXPECT_EQ(Get("data2"), Bytes("ab\r\n456789"));
    ASSERT_EQ(::stat((dir + "/data2").c_str(), &is), 0);
    EXPECT_EQ(is.st_ino, was.st_ino);
  });
}

ino_t InodeOf(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// Every extended attribute of a file by name, as the system hands it out.
std::map<std::string, std::vector<uint8_t>> AttributesOf(const std::string& path) {
  std::map<std::string, std::vector<uint8_t>> all;
  std::vector<char> names(size_t(std::max<ssize_t>(::listxattr(path.c_str(), nullptr, 0), 0)) + 1);
  const ssize_t size = ::listxattr(path.c_str(), names.data(), names.size());
  for (ssize_t at = 0; at < size;) {
    const std::string name(names.data() + at);
    std::vector<uint8_t> value(size_t(std::max<ssize_t>(::getxattr(path.c_str(), name.c_str(), nullptr, 0), 0)));
    value.resize(size_t(std::max<ssize_t>(::getxattr(path.c_str(), name.c_str(), value.data(), value.size()), 0)));
    all[name] = value;
    at += ssize_t(name.size()) + 1;
  }
  return all;
}

// An ACL as the kernel keeps it in the attribute: version 2, then entries of
// tag, permissions and id.
std::vector<uint8_t> Acl(std::initializer_list<std::array<uint32_t, 3>> entries) {
  std::vector<uint8_t> bytes{2, 0, 0, 0};
  for (const auto& [tag, perm, id] : entries) {
    for (const uint32_t v : {tag | perm << 16, id}) {
      for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(v >> (8 * i)));
    }
  }
  return bytes;
}
constexpr uint32_t ACL_USER_OBJ = 1, ACL_USER = 2, ACL_GROUP_OBJ = 4, ACL_MASK = 0x10, ACL_OTHER = 0x20;
constexpr uint32_t ANYONE = 0xFFFFFFFF;

// The new file carries exactly the old one's extended attributes: the ACL
// that lets another user write the record, an attribute of the user's own,
// and not the ACL that the folder hands down to every new file in it.
TEST_F(FilesTest, TheNewFileCarriesTheOldOnesAclAndAttributes) {
  Put("data1", Bytes("old record"));
  Put("keyboard", {1, 0, 0, 0});
  const std::string data1 = dir + "/data1", keyboard = dir + "/keyboard";
  const auto acl = Acl({{ACL_USER_OBJ, 6, ANYONE},
                        {ACL_USER, 6, 1001},
                        {ACL_GROUP_OBJ, 4, ANYONE},
                        {ACL_MASK, 6, ANYONE},
                        {ACL_OTHER, 4, ANYONE}});
  const auto handedDown = Acl({{ACL_USER_OBJ, 7, ANYONE},
                               {ACL_USER, 7, 1002},
                               {ACL_GROUP_OBJ, 5, ANYONE},
                               {ACL_MASK, 7, ANYONE},
                               {ACL_OTHER, 5, ANYONE}});
  for (const auto& [path, name, value] :
       {std::tuple{data1, "system.posix_acl_access", acl}, std::tuple{data1, "user.tolvane.note", Bytes("kept")},
        std::tuple{dir, "system.posix_acl_default", handedDown}}) {
    if (::setxattr(path.c_str(), name, value.data(), value.size(), 0) != 0) {
      GTEST_SKIP() << "the file system of " << dir << " takes no " << name << " (" << std::strerror(errno) << ")";
    }
  }
  for (const std::string& path : {data1, keyboard}) {
    SCOPED_TRACE(path);
    const auto attributes = AttributesOf(path);
    struct stat was, is;
    ASSERT_EQ(::stat(path.c_str(), &was), 0);
    ASSERT_NE(OpenFileSlotReadWrite(0, path.substr(dir.size() + 1)), 0);
    WriteInt32(9);
    CloseFileSlot(0);
    ASSERT_EQ(::stat(path.c_str(), &is), 0);
    EXPECT_NE(is.st_ino, was.st_ino);
    EXPECT_EQ(is.st_mode, was.st_mode);
    EXPECT_EQ(AttributesOf(path), attributes);
  }
  EXPECT_EQ(AttributesOf(data1).count("system.posix_acl_access"), 1u);
  EXPECT_EQ(Get("keyboard"), (std::vector<uint8_t>{9, 0, 0, 0}));
}

// An attribute that the writer may not give the new file (one only the
// system's administrator sets) sends the write in place, so it stays on the
// file.
TEST_F(FilesTest, AnAttributeTheNewFileCannotTakeKeepsTheFileInPlace) {
  if (!RunningAsRoot()) GTEST_SKIP() << "only root can set an attribute that the file's owner cannot";
  Put("data1", Bytes("old record"));
  const std::vector<uint8_t> label = Bytes("given by the administrator");
  if (::setxattr((dir + "/data1").c_str(), "security.tolvane", label.data(), label.size(), 0) != 0) {
    GTEST_SKIP() << "the file system of " << dir << " takes no security attribute (" << std::strerror(errno) << ")";
  }
  GiveToNobody(dir);
  const ino_t was = InodeOf(dir + "/data1");
  AsNobody([&] {
    ASSERT_NE(OpenFileSlotReadWrite(0, "data1"), 0);
    WriteTextLine("new");
    CloseFileSlot(0);
  });
  EXPECT_EQ(Get("data1"), Bytes("new\r\necord"));
  EXPECT_EQ(InodeOf(dir + "/data1"), was);
  EXPECT_EQ(AttributesOf(dir + "/data1").at("security.tolvane"), label);
}

// Where the old bytes are written over in place, and next to them the
// largest file that is still replaced whole. A copy that fails for another
// reason than room leaves the old file as it was.
struct PlaceCase {
  const char* label;
  int64_t size;  // of the old file
  int copyFailsWith;
  int exchangeFailsWith;
  int modeFailsWith;
  int inPlaceFailsWith;
  enum { Replaced, InPlace, Untouched } outcome;
  const char* said;  // the line on stderr
};
void PrintTo(const PlaceCase& c, std::ostream* os) { *os << c.label; }

class WhereTheFileIsWritten : public FilesTest, public ::testing::WithParamInterface<PlaceCase> {};

TEST_P(WhereTheFileIsWritten, ByItsSizeAndWhatTheCopyMeets) {
  const PlaceCase& c = GetParam();
  std::vector<uint8_t> old(size_t(c.size));
  for (size_t i = 0; i < old.size(); ++i) old[i] = uint8_t(i % 251);
  Put("data1", old);
  const ino_t was = InodeOf(dir + "/data1");
  const ClearFileSeamsAtExit clear;
  FileSeams().copyFailsWith = c.copyFailsWith;
  FileSeams().exchangeFailsWith = c.exchangeFailsWith;
  FileSeams().modeFailsWith = c.modeFailsWith;
  FileSeams().inPlaceFailsWith = c.inPlaceFailsWith;
  ASSERT_NE(OpenFileSlotReadWrite(0, "data1"), 0);
  WriteTextLine("AB");
  WriteInt32(0x34333231);
  ::testing::internal::CaptureStderr();
  CloseFileSlot(0);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.said);

  std::vector<uint8_t> want = old;
  if (c.outcome != PlaceCase::Untouched) std::memcpy(want.data(), "AB\r\n1234", 8);
  EXPECT_TRUE(Get("data1") == want);
  EXPECT_EQ(InodeOf(dir + "/data1") == was, c.outcome != PlaceCase::Replaced);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WhereTheFileIsWritten,
    ::testing::Values(
        PlaceCase{"OneMiBIsReplaced", 1 << 20, 0, 0, 0, 0, PlaceCase::Replaced, ""},
        PlaceCase{"OverOneMiBInPlace", (1 << 20) + 1, 0, 0, 0, 0, PlaceCase::InPlace, ""},
        PlaceCase{"NoRoomForTheCopyInPlace", 64, ENOSPC, 0, 0, 0, PlaceCase::InPlace, ""},
        PlaceCase{"NoQuotaForTheCopyInPlace", 64, EDQUOT, 0, 0, 0, PlaceCase::InPlace, ""},
        PlaceCase{"NamesCannotBeTradedInPlace", 64, 0, EINVAL, 0, 0, PlaceCase::InPlace, ""},
        PlaceCase{"TheModeCannotBeGivenInPlace", 64, 0, 0, EPERM, 0, PlaceCase::InPlace, ""},
        PlaceCase{"TheCopyFailsOtherwiseUntouched", 64, EIO, 0, 0, 0, PlaceCase::Untouched,
                  "tolvane: \"data1\" not saved: Input/output error\n"},
        PlaceCase{"NeitherCopyNorInPlaceUntouched", 64, ENOSPC, 0, 0, ENOSPC, PlaceCase::Untouched,
                  "tolvane: \"data1\" not saved: No space left on device\n"}),
    [](const ::testing::TestParamInfo<PlaceCase>& info) { return std::string(info.param.label); });

// A real full disk: a small memory file system filled up. A small record
// file still takes a record, over its old bytes, which need no new room; a
// write that would need room the disk does not have leaves the old bytes as
// they were, not half of the new ones.
TEST_F(FilesTest, OnAFullDiskTheOldBytesTakeTheRecord) {
  const std::string disk = dir + "/disk";
  fs::create_directory(disk);
  if (::mount("tmpfs", disk.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=16k,mode=0700") != 0) {
    GTEST_SKIP() << "no small file system can be mounted here (" << std::strerror(errno)
                 << "); WhereTheFileIsWritten's rows without room stand in";
  }
  struct Unmount {
    std::string at;
    ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
  } unmount{disk};
  programDirectory = disk + "/";
  const std::vector<uint8_t> old(60, 'o');
  Put("disk/data1", old);
  const ino_t was = InodeOf(disk + "/data1");
  {
    const int filler = ::open((disk + "/filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(filler, 0);
    const std::vector<char> block(4096, 'f');
    while (::write(filler, block.data(), block.size()) > 0) {
    }
    EXPECT_EQ(errno, ENOSPC);
    ::close(filler);
  }

  ASSERT_NE(OpenFileSlotReadWrite(0, "data1"), 0);
  WriteTextLine("THE NEW CHAMPION");
  WriteTextLine("ELSEWHERE");
  WriteInt32(1234567);
  CloseFileSlot(0);
  std::vector<uint8_t> want = Bytes("THE NEW CHAMPION\r\nELSEWHERE\r\n");
  for (const uint8_t b : {0x87, 0xD6, 0x12, 0x00}) want.push_back(b);
  want.insert(want.end(), old.begin() + long(want.size()), old.end());
  EXPECT_TRUE(Get("disk/data1") == want);
  EXPECT_EQ(InodeOf(disk + "/data1"), was);

  ASSERT_NE(OpenFileSlotReadWrite(0, "data1"), 0);
  WriteTextLine(std::string(8000, 'x'));
  ::testing::internal::CaptureStderr();
  CloseFileSlot(0);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "tolvane: \"data1\" not saved: No space left on device\n");
  EXPECT_TRUE(Get("disk/data1") == want);
  EXPECT_EQ(std::distance(fs::directory_iterator(disk), fs::directory_iterator()), 2);
}

TEST_F(FilesTest, AnOverlongLineKeepsItsHeadAndTheNextLineReadsWhole) {
  const std::string head(TEXT_LINE_CAP, 'h');
  Put("t", Bytes(head + std::string(70000, 't') + "\r\nnext\n"));
  ASSERT_NE(OpenFileSlotRead(0, "t"), 0);
  EXPECT_EQ(ReadTextLine(), head);
  EXPECT_EQ(ReadTextLine(), "next");
  EXPECT_EQ(ReadTextLine(), "");
}

TEST_F(FilesTest, ProgramDirectoryWithoutTrailingSlash) {
  programDirectory = dir;
  Put("k", {1, 2, 3, 4});
  ASSERT_NE(OpenFileSlotRead(0, "k"), 0);
  EXPECT_EQ(ReadInt32(), 0x04030201);
}

}  // namespace
