// Numbered files in the program directory. Every read and write goes to the
// current file through one 4-byte transfer buffer, whose leftovers are what a
// read at the end of a file gives back.
//
// The name is looked at in the program's folder without following it, one
// step at a time. A symbolic link is followed only where the user running
// the program or root made it: nobody else can give a link that owner, so a
// link another user planted in a shared folder leads nowhere, wherever it
// stands on the way (a link to a link, a link among the folders of a link's
// target). Only a plain file is ever opened: what stands at the end is looked
// at through a descriptor that opens nothing, and that very file is opened
// only when it is a plain file, so a pipe or a device is never opened, not
// even for a moment. A missing name is made only as a new file in its
// folder. A file or a link with a second name in a folder that others can
// write may be another user's (or root's) that someone named there: such a
// file is neither read nor written, such a link not followed.
//
// A file opened for writing is never changed half-way: what the program
// writes is kept beside the file's own bytes until it is closed, and the
// close puts the result in place at once (a new file beside it, flushed, then
// swapped with the name). The result is the same as writing over the old
// bytes in place: the old tail behind the last byte written stays.
//
// The folder the file was found in is held from the open on. At the close
// the new file and the name trade places in one step; if what came out from
// under the name is not the file that was opened, someone has swapped the
// name meanwhile, and the trade is undone. No swap of names, however timed,
// can send the bytes into another file.
//
// The old bytes are written over in place, as careful editors do, where the
// new file could not be the same file to everyone else, or costs too much:
// - the file has a second name, or the new file cannot be given its owner,
//   group, mode or one of its extended attributes (an ACL, say);
// - the name no longer is the file that was opened, or the file system cannot
//   trade two names in one step;
// - no new file can be made beside it, or the disk has no room for the copy
//   (in place, the old bytes need no new room);
// - the file is over 1 MiB.
// A copy that fails for any other reason leaves the old file as it was.
//
// Whenever a file opened for writing is left as it was, one line on stderr
// names it and says why: nothing else tells the player that a record or the
// keys were not saved.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <utility>
#include <vector>

#include "platform/file_seams.h"
#include "platform/host.h"
#include "platform/platform_internal.h"

std::string programDirectory;

FileWriteSeams& FileSeams() {
  static FileWriteSeams seams;
  return seams;
}

namespace platform_detail {
namespace {

// Larger files are written in place: a whole copy per record is not worth it.
constexpr int64_t MAX_COPY_BYTES = int64_t(1) << 20;

// Up to count bytes at offset; fewer only at the end of the file.
size_t ReadSomeAt(int fd, int64_t offset, uint8_t* dst, size_t count) {
  size_t got = 0;
  while (got < count) {
    const ssize_t r = ::pread(fd, dst + got, count - got, off_t(offset + int64_t(got)));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    got += size_t(r);
  }
  return got;
}

bool WriteAll(int fd, const uint8_t* src, size_t count) {
  if (FileSeams().copyFailsWith != 0) {
    errno = FileSeams().copyFailsWith;
    return false;
  }
  while (count > 0) {
    const ssize_t w = ::write(fd, src, count);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    src += w;
    count -= size_t(w);
  }
  return true;
}

bool WriteAllAt(int fd, int64_t offset, const uint8_t* src, size_t count) {
  while (count > 0) {
    const ssize_t w = ::pwrite(fd, src, count, off_t(offset));
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    src += w;
    offset += w;
    count -= size_t(w);
  }
  return true;
}

bool NoRoom(int error) { return error == ENOSPC || error == EDQUOT; }

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// The temporaries beside a file are named "." name ".tolvane-" and six
// letters or digits: no person and no common tool (rsync's ".name.XXXXXX",
// a ".name.backup") makes such a name, so the clean-up takes nothing else.
// Each is locked (flock) by its writer for as long as it lives, so one that
// nobody holds was left by a writer that is gone.
constexpr char TEMPORARY_MARK[] = ".tolvane-";
constexpr size_t TEMPORARY_RANDOM = 6;

std::string TemporaryName(const std::string& name) {
  static const char LETTERS[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  uint8_t random[TEMPORARY_RANDOM];
  if (::getrandom(random, sizeof random, GRND_NONBLOCK) != ssize_t(sizeof random)) {
    // No entropy yet: the clock and the process still make a clash rare, and
    // a clash only costs another try.
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    uint64_t x = uint64_t(t.tv_nsec) ^ uint64_t(t.tv_sec) << 32 ^ uint64_t(::getpid()) << 16;
    for (uint8_t& r : random) {
      x = x * 6364136223846793005u + 1442695040888963407u;
      r = uint8_t(x >> 56);
    }
  }
  std::string temp = "." + name + TEMPORARY_MARK;
  for (const uint8_t r : random) temp.push_back(LETTERS[r % (sizeof LETTERS - 1)]);
  return temp;
}

bool IsTemporaryOf(const char* entry, const std::string& name) {
  const std::string head = "." + name + TEMPORARY_MARK;
  const size_t length = std::strlen(entry);
  if (length != head.size() + TEMPORARY_RANDOM || head.compare(0, head.size(), entry, head.size()) != 0) return false;
  for (size_t i = head.size(); i < length; ++i) {
    const char c = entry[i];
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
  }
  return true;
}

// A new temporary in the folder, locked; -1 when none can be made. A cleaner
// may take it for a leftover in the moment between its making and its lock,
// and removes it: then another one is made.
int MakeTemporary(int folder, const std::string& name, std::string& temp) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = TemporaryName(name);
    const int fd = ::openat(folder, temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) return -1;
    // Where there are no locks, no cleaner can take it either.
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
    struct stat st;
    if (held && ::fstat(fd, &st) == 0 && st.st_nlink > 0) return fd;
    ::close(fd);
  }
  return -1;
}

// The new file must belong to whoever the old one belongs to.
bool TakeOwner(int fd, const struct stat& old) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return false;
  if (st.st_uid == old.st_uid && st.st_gid == old.st_gid) return true;
  return ::fchown(fd, old.st_uid, old.st_gid) == 0 && ::fstat(fd, &st) == 0 && st.st_uid == old.st_uid &&
         st.st_gid == old.st_gid;
}

// The new file takes the old one's mode, or it would not be the same file to
// everyone else: set, then looked at, as a set-group-ID bit may be dropped
// without a word.
bool TakeMode(int fd, const struct stat& old) {
  struct stat st;
  if (FileSeams().modeFailsWith != 0) {
    errno = FileSeams().modeFailsWith;
    return false;
  }
  return ::fchmod(fd, old.st_mode & 07777) == 0 && ::fstat(fd, &st) == 0 &&
         (st.st_mode & 07777) == (old.st_mode & 07777);
}

// The names of a file's extended attributes; false where they cannot be
// listed. A file system without them lists none.
bool AttributeNames(int fd, std::vector<std::string>& names) {
  names.clear();
  for (int attempt = 0; attempt < 8; ++attempt) {
    const ssize_t size = ::flistxattr(fd, nullptr, 0);
    if (size < 0) return errno == ENOTSUP;
    std::vector<char> list(size_t(size) + 1);
    const ssize_t got = size > 0 ? ::flistxattr(fd, list.data(), list.size() - 1) : 0;
    if (got < 0 && errno == ERANGE) continue;  // grew meanwhile
    if (got < 0) return false;
    for (size_t at = 0; at < size_t(got);) {
      const std::string name(list.data() + at);
      if (!name.empty()) names.push_back(name);
      at += name.size() + 1;
    }
    return true;
  }
  return false;
}

// One attribute's value; false with errno ENODATA where the file has none.
bool AttributeValue(int fd, const std::string& name, std::vector<char>& value) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    const ssize_t size = ::fgetxattr(fd, name.c_str(), nullptr, 0);
    if (size < 0) return false;
    value.resize(size_t(size));
    const ssize_t got = size > 0 ? ::fgetxattr(fd, name.c_str(), value.data(), value.size()) : 0;
    if (got < 0 && errno == ERANGE) continue;
    if (got < 0) return false;
    value.resize(size_t(got));
    return true;
  }
  errno = ERANGE;
  return false;
}

// The new file is to carry exactly the old one's extended attributes, its
// ACL among them; false where one of them cannot be given to it. A value the
// new file already holds is not set again: a security label that the system
// gives every new file (SELinux's, say) thus only has to be set where the old
// file's label differs, and only a label that differs and cannot be given
// sends the write in place. What the old file lacks goes from the new one
// (an ACL the folder hands down, say), except the system's own labels.
bool CopyAttributes(int from, int to) {
  std::vector<std::string> names, present;
  if (!AttributeNames(from, names) || !AttributeNames(to, present)) return false;
  std::vector<char> value, have;
  for (const std::string& name : names) {
    if (!AttributeValue(from, name, value)) {
      if (errno == ENODATA) continue;  // removed meanwhile
      return false;
    }
    if (AttributeValue(to, name, have) && have == value) continue;
    if (::fsetxattr(to, name.c_str(), value.data(), value.size(), 0) != 0) return false;
  }
  for (const std::string& name : present) {
    if (name.rfind("security.", 0) == 0 || std::find(names.begin(), names.end(), name) != names.end()) continue;
    if (::fremovexattr(to, name.c_str()) != 0 && errno != ENODATA) return false;
  }
  return true;
}

void SyncFolder(int heldFolder) {
  const int dirFd = ::openat(heldFolder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd < 0) return;
  ::fsync(dirFd);
  ::close(dirFd);
}

int ExchangeNames(int folder, const std::string& a, const std::string& b) {
  if (FileSeams().exchangeFailsWith != 0) {
    errno = FileSeams().exchangeFailsWith;
    return -1;
  }
  return ::renameat2(folder, a.c_str(), folder, b.c_str(), RENAME_EXCHANGE);
}

// A descriptor that closes itself.
class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) {
      Reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  ~Fd() { Reset(); }
  int get() const { return fd_; }
  int Release() { return std::exchange(fd_, -1); }
  void Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

// As many as the system itself follows before it gives up.
constexpr int MAX_LINKS = 40;

// Nobody but the user running the program and root can make a link that
// belongs to them.
bool TrustedLink(const struct stat& link) { return link.st_uid == ::geteuid() || link.st_uid == 0; }

// Whether anyone but this user and root may add names to the folder.
bool OthersMayWrite(int folder) {
  struct stat st;
  if (::fstat(folder, &st) != 0) return true;
  return (st.st_uid != ::geteuid() && st.st_uid != 0) || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0;
}

// Someone who may add names to the folder may have named another user's file
// or link here; a second name keeps the owner of what it names, root's too.
bool SecondNameInASharedFolder(const struct stat& st, int folder) {
  return st.st_nlink > 1 && OthersMayWrite(folder);
}

// The steps of a path; "." and empty steps say nothing.
void PutStepsInFront(const std::string& path, std::deque<std::string>& steps) {
  std::vector<std::string> parts;
  for (size_t at = 0; at <= path.size();) {
    const size_t slash = std::min(path.find('/', at), path.size());
    const std::string part = path.substr(at, slash - at);
    if (!part.empty() && part != ".") parts.push_back(part);
    at = slash + 1;
  }
  steps.insert(steps.begin(), parts.begin(), parts.end());
}

// Where a name led: the folder the file is in (or is to be made in), the
// name there, and the file opened.
struct Found {
  enum { Opened, Missing, Refused } what = Refused;
  Fd folder;
  std::string name;
  Fd file;
  struct stat st {};
  std::string why;  // when refused
};

// The very file a look-only descriptor stands for, opened: through the
// process's own view of its descriptors, which leads to that inode and no
// other. Without /proc the name is opened again, not following a link, and
// must still be that file.
int Reopen(int look, const struct stat& seen, int folder, const std::string& name, bool writable) {
  const int flags = (writable ? O_RDWR : O_RDONLY) | O_NOCTTY | O_NONBLOCK | O_CLOEXEC;
  char self[32];
  std::snprintf(self, sizeof self, "/proc/self/fd/%d", look);
  int fd = -1;
  if (FileSeams().withoutProc) {
    errno = ENOENT;
  } else {
    fd = ::open(self, flags);
  }
  if (fd < 0 && errno == ENOENT) fd = ::openat(folder, name.c_str(), flags | O_NOFOLLOW);
  struct stat st;
  if (fd >= 0 && (::fstat(fd, &st) != 0 || !SameFile(st, seen) || !S_ISREG(st.st_mode))) {
    ::close(fd);
    errno = ESTALE;
    return -1;
  }
  return fd;
}

// Follows the name from the program's folder step by step, opening nothing
// but plain files.
Found Look(const std::string& name, bool writable) {
  Found found;
  Fd folder(::open(programDirectory.empty() ? "." : programDirectory.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() < 0) {
    found.why = std::strerror(errno);
    return found;
  }
  std::deque<std::string> steps;
  PutStepsInFront(name, steps);
  int links = 0;
  while (!steps.empty()) {
    const std::string step = steps.front();
    steps.pop_front();
    const bool last = steps.empty();
    // O_PATH opens nothing: a device's driver or a pipe never hears of it.
    Fd here(::openat(folder.get(), step.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct stat st;
    if (here.get() < 0 || ::fstat(here.get(), &st) != 0) {
      if (errno == ENOENT && last) {
        found.what = Found::Missing;
        found.folder = std::move(folder);
        found.name = step;
      } else {
        found.why = std::strerror(errno);
      }
      return found;
    }
    if (S_ISLNK(st.st_mode)) {
      if (!TrustedLink(st)) {
        found.why = "a link on the way to it belongs to another user";
        return found;
      }
      // Anyone may name one of root's links (/etc/localtime, say) here.
      if (SecondNameInASharedFolder(st, folder.get())) {
        found.why = "a link on the way to it has a second name in a folder that others can write";
        return found;
      }
      char target[PATH_MAX + 1];
      const ssize_t length = ++links > MAX_LINKS ? -1 : ::readlinkat(here.get(), "", target, PATH_MAX);
      if (length <= 0 || length >= PATH_MAX) {
        found.why = links > MAX_LINKS ? "too many links on the way to it" : "its link cannot be read";
        return found;
      }
      if (target[0] == '/') folder = Fd(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
      const size_t before = steps.size();
      PutStepsInFront(std::string(target, size_t(length)), steps);
      // A link to a folder as the last step leads to no file.
      if (steps.size() == before && last) {
        found.why = "it is not a plain file";
        return found;
      }
      continue;
    }
    if (!last) {
      if (!S_ISDIR(st.st_mode)) {
        found.why = std::strerror(ENOTDIR);
        return found;
      }
      folder = std::move(here);
      continue;
    }
    if (!S_ISREG(st.st_mode)) {
      found.why = "it is not a plain file";
      return found;
    }
    if (SecondNameInASharedFolder(st, folder.get())) {
      found.why = "it has a second name in a folder that others can write";
      return found;
    }
    if (FileSeams().beforeReopen) FileSeams().beforeReopen();
    found.file = Fd(Reopen(here.get(), st, folder.get(), step, writable));
    if (found.file.get() < 0) {
      found.why = std::strerror(errno);
      return found;
    }
    found.what = Found::Opened;
    found.folder = std::move(folder);
    found.name = step;
    found.st = st;
    return found;
  }
  found.why = "it is not a plain file";
  return found;
}

// The file under the name, opened; for writing, a missing name is made as a
// new file in its folder, never through a link.
Found OpenPlainFile(const std::string& name, bool writable) {
  for (int attempt = 0;; ++attempt) {
    Found found = Look(name, writable);
    if (found.what != Found::Missing || !writable) return found;
    if (FileSeams().beforeCreate) FileSeams().beforeCreate();
    found.file = Fd(::openat(found.folder.get(), found.name.c_str(),
                             O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC, 0644));
    // Something came under the name meanwhile: look at it again.
    if (found.file.get() < 0 && errno == EEXIST && attempt < 8) continue;
    if (found.file.get() < 0 || ::fstat(found.file.get(), &found.st) != 0) {
      found.what = Found::Refused;
      found.why = std::strerror(errno);
      return found;
    }
    found.what = Found::Opened;
    return found;
  }
}

// Removes the temporaries of the file that their writers left behind: those
// that nobody holds a lock on. Anyone who may write the folder can put a pipe
// or a device under such a name, so each is looked at first through a
// descriptor that opens nothing, as the open does: only a plain file with one
// name, of this user or of the file's owner, is opened. The lock is held
// while the name is checked and removed, so no writer can have it meanwhile.
void RemoveAbandonedTemporaries(int heldFolder, const std::string& name, uid_t fileOwner) {
  const int dirFd = ::openat(heldFolder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd < 0) return;
  DIR* folder = ::fdopendir(dirFd);
  if (folder == nullptr) {
    ::close(dirFd);
    return;
  }
  const auto ours = [&](const struct stat& st) {
    return S_ISREG(st.st_mode) && st.st_nlink == 1 && (st.st_uid == ::geteuid() || st.st_uid == fileOwner);
  };
  while (const dirent* entry = ::readdir(folder)) {
    if (!IsTemporaryOf(entry->d_name, name)) continue;
    const Fd look(::openat(dirFd, entry->d_name, O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct stat seen, held, now;
    if (look.get() < 0 || ::fstat(look.get(), &seen) != 0 || !ours(seen)) continue;
    const Fd fd(Reopen(look.get(), seen, dirFd, entry->d_name, false));
    // Looked at again under the lock: a second name may have come meanwhile.
    if (fd.get() >= 0 && ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0 && ::fstat(fd.get(), &held) == 0 && ours(held) &&
        ::fstatat(dirFd, entry->d_name, &now, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(now, held)) {
      ::unlinkat(dirFd, entry->d_name, 0);
    }
  }
  ::closedir(folder);
}

// The one word the player gets when a file is left as it was.
void NotSaved(const std::string& name, const std::string& why) {
  std::fprintf(stderr, "tolvane: \"%s\" not saved: %s\n", name.c_str(), why.c_str());
}

class OpenFile {
 public:
  // label: the name the program gave, for the line on stderr.
  OpenFile(int fd, bool writable, std::string label) : fd_(fd), writable_(writable), label_(std::move(label)) {
    struct stat st;
    baseSize_ = ::fstat(fd_, &st) == 0 ? int64_t(st.st_size) : 0;
  }
  OpenFile(OpenFile&& other) noexcept
      : fd_(other.fd_),
        writable_(other.writable_),
        label_(std::move(other.label_)),
        folder_(other.folder_),
        name_(std::move(other.name_)),
        opened_(other.opened_),
        baseSize_(other.baseSize_),
        pos_(other.pos_),
        runs_(std::move(other.runs_)),
        cache_(std::move(other.cache_)),
        cacheStart_(other.cacheStart_) {
    other.fd_ = -1;
    other.folder_ = -1;
    other.runs_.clear();
  }
  OpenFile& operator=(OpenFile&&) = delete;
  ~OpenFile() { Close(); }

  // The folder the file was found in, its name there and what it was.
  void HoldFolder(Fd folder, const std::string& name, const struct stat& opened) {
    folder_ = folder.Release();
    name_ = name;
    opened_ = opened;
  }

  // Up to count bytes from the current position into dst; only the bytes
  // that arrive are touched.
  size_t Read(uint8_t* dst, size_t count) {
    const size_t got = ReadAt(pos_, dst, count);
    pos_ += int64_t(got);
    return got;
  }

  // A file opened for reading refuses writes and keeps its position.
  void Write(const uint8_t* src, size_t count) {
    if (count == 0 || !writable_) return;
    if (!runs_.empty() && runs_.back().offset + int64_t(runs_.back().bytes.size()) == pos_) {
      runs_.back().bytes.insert(runs_.back().bytes.end(), src, src + count);
    } else {
      runs_.push_back({pos_, std::vector<uint8_t>(src, src + count)});
    }
    pos_ += int64_t(count);
  }

 private:
  struct Run {
    int64_t offset;
    std::vector<uint8_t> bytes;
  };
  static constexpr size_t CACHE_BYTES = 4096;

  int64_t Size() const {
    int64_t size = baseSize_;
    for (const Run& r : runs_) size = std::max(size, r.offset + int64_t(r.bytes.size()));
    return size;
  }

  // The file's own bytes, through a small window so that a text line read
  // byte by byte costs no system call per byte.
  size_t ReadBase(int64_t offset, uint8_t* dst, size_t count) {
    if (count >= CACHE_BYTES) return ReadSomeAt(fd_, offset, dst, count);
    const int64_t cacheEnd = cacheStart_ + int64_t(cache_.size());
    if (offset < cacheStart_ || offset + int64_t(count) > cacheEnd) {
      cache_.resize(CACHE_BYTES);
      cache_.resize(ReadSomeAt(fd_, offset, cache_.data(), CACHE_BYTES));
      cacheStart_ = offset;
    }
    const size_t have = size_t(std::max<int64_t>(0, cacheStart_ + int64_t(cache_.size()) - offset));
    const size_t n = std::min(count, have);
    if (n > 0) std::memcpy(dst, cache_.data() + (offset - cacheStart_), n);
    return n;
  }

  // The bytes as they will stand after the close: the file's own, with what
  // was written since the open laid over them.
  size_t ReadAt(int64_t offset, uint8_t* dst, size_t count) {
    const int64_t left = Size() - offset;
    if (left <= 0 || fd_ < 0) return 0;
    const size_t n = std::min(count, size_t(left));
    const size_t fromBase = size_t(std::clamp<int64_t>(baseSize_ - offset, 0, int64_t(n)));
    const size_t gotBase = fromBase > 0 ? ReadBase(offset, dst, fromBase) : 0;
    if (gotBase < fromBase) {
      // The file shrank under us: what lay behind its new end is gone.
      baseSize_ = offset + int64_t(gotBase);
      return ReadAt(offset, dst, count);
    }
    for (const Run& r : runs_) {
      const int64_t from = std::max(offset, r.offset);
      const int64_t to = std::min(offset + int64_t(n), r.offset + int64_t(r.bytes.size()));
      if (from < to) std::memcpy(dst + (from - offset), r.bytes.data() + (from - r.offset), size_t(to - from));
    }
    return n;
  }

  void Close() {
    if (fd_ < 0) return;
    if (!runs_.empty()) {
      struct stat old;
      const bool known = ::fstat(fd_, &old) == 0;
      const Replace replaced = known ? ReplaceWhole(old) : Replace::Unavailable;
      if (replaced == Replace::Failed || (replaced == Replace::Unavailable && !WriteInPlace())) {
        NotSaved(label_, std::strerror(error_));
      }
      if (known && folder_ >= 0) RemoveAbandonedTemporaries(folder_, name_, old.st_uid);
    }
    ::close(fd_);
    fd_ = -1;
    if (folder_ >= 0) ::close(folder_);
    folder_ = -1;
    runs_.clear();
  }

  // The new bytes into a file beside the old one, flushed, then traded for
  // it: whoever looks sees the old bytes or the new ones.
  enum class Replace { Done, Unavailable, Failed };

  Replace ReplaceWhole(const struct stat& old) {
    // Another name for the file would go on showing the old bytes; a large
    // file is not worth a whole copy per record.
    if (folder_ < 0 || old.st_nlink > 1 || Size() > MAX_COPY_BYTES) return Replace::Unavailable;
    std::string temp;
    // The lock on it is held until it has its new name.
    const int out = MakeTemporary(folder_, name_, temp);
    if (out < 0) return Replace::Unavailable;
    // A file written by another user (root, say) stays its owner's, or the
    // owner could not write it again.
    if (!TakeOwner(out, old)) return Drop(out, temp, Replace::Unavailable);

    bool ok = true;
    std::vector<uint8_t> chunk(64 * 1024);
    const int64_t size = Size();
    for (int64_t at = 0; ok && at < size;) {
      const size_t n = ReadAt(at, chunk.data(), chunk.size());
      if (n == 0) errno = EIO;
      ok = n > 0 && WriteAll(out, chunk.data(), n);
      at += int64_t(n);
    }
    // Without room for a copy the old bytes can still be written over.
    if (!ok) return Drop(out, temp, NoRoom(errno) ? Replace::Unavailable : Replace::Failed);
    // After the bytes, which would take a file's capabilities away again; the
    // mode last, as the attributes (an ACL) may have changed it.
    if (!CopyAttributes(fd_, out) || !TakeMode(out, old)) return Drop(out, temp, Replace::Unavailable);
    if (::fsync(out) != 0) return Drop(out, temp, NoRoom(errno) ? Replace::Unavailable : Replace::Failed);
    return TakeTheName(out, temp);
  }

  // The new file and the name trade places in one step; then the name must
  // hold the new file and the temporary's name the file that was opened.
  // Anything else was put there by someone meanwhile: the trade is undone,
  // and the file opened is written in place.
  Replace TakeTheName(int out, const std::string& temp) {
    if (FileSeams().beforeExchange) FileSeams().beforeExchange();
    // Keeps cleaners off the old file while it lies under the temporary's name.
    ::flock(fd_, LOCK_EX | LOCK_NB);
    // Also where the file system cannot trade names, or a folder where only
    // a file's owner may rename it refuses.
    if (ExchangeNames(folder_, temp, name_) != 0) return Drop(out, temp, Replace::Unavailable);
    struct stat ours;
    if (::fstat(out, &ours) == 0 && Names(temp, opened_) && Names(name_, ours)) {
      ::unlinkat(folder_, temp.c_str(), 0);
      ::close(out);
      SyncFolder(folder_);
      return Replace::Done;
    }
    if (ExchangeNames(folder_, temp, name_) == 0) return Drop(out, temp, Replace::Unavailable);
    // Not undone: the name may keep a copy of the file opened; no other file
    // is touched.
    ::close(out);
    return Replace::Unavailable;
  }

  // Whether the entry of the held folder is that file, links not followed.
  bool Names(const std::string& entry, const struct stat& file) const {
    struct stat st;
    return ::fstatat(folder_, entry.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(st, file);
  }

  // The new file goes, and its name with it, if the name still is its own.
  // The reason for a failure is kept for the line on stderr.
  Replace Drop(int out, const std::string& temp, Replace result) {
    error_ = errno;
    struct stat ours;
    if (::fstat(out, &ours) == 0 && Names(temp, ours)) ::unlinkat(folder_, temp.c_str(), 0);
    ::close(out);
    return result;
  }

  // Where the file cannot be replaced: over the old bytes. Room for bytes
  // past the file's end is taken first, so that a full disk leaves the old
  // bytes as they were rather than the new ones cut off half-way. False when
  // the bytes did not all land.
  bool WriteInPlace() {
    struct stat st;
    const int64_t end = Size();
    if (::fstat(fd_, &st) == 0 && end > int64_t(st.st_size) &&
        ::fallocate(fd_, 0, off_t(st.st_size), off_t(end - int64_t(st.st_size))) != 0 && NoRoom(errno)) {
      error_ = errno;
      return false;
    }
    if (FileSeams().inPlaceFailsWith != 0) {
      error_ = FileSeams().inPlaceFailsWith;
      return false;
    }
    for (const Run& r : runs_) {
      if (!WriteAllAt(fd_, r.offset, r.bytes.data(), r.bytes.size())) {
        error_ = errno;
        return false;
      }
    }
    return true;
  }

  int fd_;
  bool writable_;
  std::string label_;
  int error_ = 0;
  // Where the file was found at the open, and what it was.
  int folder_ = -1;
  std::string name_;
  struct stat opened_ {};
  int64_t baseSize_ = 0;
  int64_t pos_ = 0;
  std::vector<Run> runs_;
  std::vector<uint8_t> cache_;
  int64_t cacheStart_ = 0;
};

NumberedTable<OpenFile> files(10, 10);
int32_t currentFile = -1;
uint8_t transfer[4] = {0, 0, 0, 0};

OpenFile* Current() { return files.Find(currentFile); }

Handle Open(int32_t n, const std::string& name, bool writable) {
  if (n < 0) return 0;
  files.Free(n);
  if (currentFile == n) currentFile = -1;
  Found found = OpenPlainFile(name, writable);
  if (found.what != Found::Opened) {
    // A file that is not there to read is as good as missing.
    if (writable) NotSaved(name, found.why);
    currentFile = -1;
    return 0;
  }
  OpenFile* file = files.Make(n, OpenFile(found.file.Release(), writable, name));
  if (writable) file->HoldFolder(std::move(found.folder), found.name, found.st);
  currentFile = n;
  return Handle(n) + 1;
}

int32_t TransferValue() {
  return static_cast<int32_t>(uint32_t(transfer[0]) | uint32_t(transfer[1]) << 8 | uint32_t(transfer[2]) << 16 |
                              uint32_t(transfer[3]) << 24);
}

}  // namespace

void ResetFiles() {
  files.Reset();
  currentFile = -1;
  transfer[0] = transfer[1] = transfer[2] = transfer[3] = 0;
}

}  // namespace platform_detail

using namespace platform_detail;

void InitFileTable() {
  files.Reset();
  currentFile = -1;
}

Handle OpenFileSlotRead(int32_t n, const std::string& name) { return Open(n, name, false); }

// Never truncated: a shorter new content leaves the old tail behind it.
Handle OpenFileSlotReadWrite(int32_t n, const std::string& name) { return Open(n, name, true); }

int32_t ReadInt32() {
  // The bytes that arrive replace only as many low bytes of the buffer.
  if (OpenFile* f = Current()) f->Read(transfer, 4);
  return TransferValue();
}

void WriteInt32(int32_t v) {
  OpenFile* f = Current();
  if (f == nullptr) return;
  const uint32_t u = static_cast<uint32_t>(v);
  transfer[0] = uint8_t(u);
  transfer[1] = uint8_t(u >> 8);
  transfer[2] = uint8_t(u >> 16);
  transfer[3] = uint8_t(u >> 24);
  f->Write(transfer, 4);
}

// Each byte passes through the low byte of the transfer buffer; a read that
// gets nothing counts as a NUL and leaves a 0 there. A line longer than the
// text work area keeps its first TEXT_LINE_CAP bytes and the rest of it is
// read and dropped, so a damaged file costs no more memory than that.
std::string ReadTextLine() {
  std::string line;
  OpenFile* f = Current();
  if (f == nullptr) return line;
  for (;;) {
    if (f->Read(transfer, 1) == 0) transfer[0] = 0;
    const uint8_t c = transfer[0];
    if (c == 0 || c == '\n') break;
    if (c == '\r') {
      // The line end takes one more byte, whatever it is.
      if (f->Read(transfer, 1) == 0) transfer[0] = 0;
      break;
    }
    if (line.size() < TEXT_LINE_CAP) line.push_back(static_cast<char>(c));
  }
  return line;
}

void WriteTextLine(const std::string& text) {
  OpenFile* f = Current();
  if (f == nullptr) return;
  f->Write(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  transfer[0] = '\r';
  transfer[1] = '\n';
  f->Write(transfer, 2);
}

void CloseFileSlot(int32_t n) {
  files.Free(n);
  if (currentFile == n) currentFile = -1;
}
