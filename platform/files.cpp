// Numbered files in the program directory. Every read and write goes to the
// current file through one 4-byte transfer buffer, whose leftovers are what a
// read at the end of a file gives back.
//
// A file opened for writing is never changed half-way: what the program
// writes is kept beside the file's own bytes until it is closed, and the
// close puts the result in place at once (a new file beside it, flushed, then
// renamed over it). The result is the same as writing over the old bytes in
// place: the old tail behind the last byte written stays.
//
// The new file takes the old one's place only where it can be the same file
// to everyone else too: same owner and group, and no other name for it.
// Otherwise the old bytes are written over in place, as careful editors do.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/host.h"
#include "platform/platform_internal.h"

std::string programDirectory;

namespace platform_detail {
namespace {

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

// The temporaries beside a file are named "." name "." and six characters
// from mkstemp; each is locked (flock) by its writer for as long as it lives,
// so one that nobody holds was left by a writer that is gone.
std::string TemporaryPattern(const std::string& dir, const std::string& name) {
  return dir + "." + name + ".XXXXXX";
}

bool IsTemporaryOf(const char* entry, const std::string& name) {
  const size_t length = std::strlen(entry);
  if (length != name.size() + 8 || entry[0] != '.' || name.compare(0, name.size(), entry + 1, name.size()) != 0 ||
      entry[name.size() + 1] != '.') {
    return false;
  }
  for (size_t i = name.size() + 2; i < length; ++i) {
    const char c = entry[i];
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
  }
  return true;
}

// A new temporary, locked; -1 when none can be made. A cleaner may take it
// for a leftover in the moment between its making and its lock, and removes
// it: then another one is made.
int MakeTemporary(const std::string& dir, const std::string& name, std::string& temp) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    temp = TemporaryPattern(dir, name);
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return -1;
    // Where there are no locks, no cleaner can take it either.
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
    struct stat st;
    if (held && ::fstat(fd, &st) == 0 && st.st_nlink > 0) return fd;
    ::close(fd);
  }
  return -1;
}

// Removes the temporaries of the file that their writers left behind: those
// that nobody holds a lock on. Only plain files with one name, of this user
// or of the file's owner, are taken; the lock is held while the name is
// checked and removed, so no writer can have it meanwhile.
void RemoveAbandonedTemporaries(const std::string& dir, const std::string& name, uid_t fileOwner) {
  DIR* folder = ::opendir(dir.c_str());
  if (folder == nullptr) return;
  const int dirFd = ::dirfd(folder);
  while (const dirent* entry = ::readdir(folder)) {
    if (!IsTemporaryOf(entry->d_name, name)) continue;
    const int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat held, now;
    if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_nlink == 1 &&
        (held.st_uid == ::geteuid() || held.st_uid == fileOwner) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::fstatat(dirFd, entry->d_name, &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_dev == held.st_dev &&
        now.st_ino == held.st_ino) {
      ::unlinkat(dirFd, entry->d_name, 0);
    }
    ::close(fd);
  }
  ::closedir(folder);
}

// The new file must belong to whoever the old one belongs to.
bool TakeOwner(int fd, const struct stat& old) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return false;
  if (st.st_uid == old.st_uid && st.st_gid == old.st_gid) return true;
  return ::fchown(fd, old.st_uid, old.st_gid) == 0 && ::fstat(fd, &st) == 0 && st.st_uid == old.st_uid &&
         st.st_gid == old.st_gid;
}

class OpenFile {
 public:
  OpenFile(int fd, std::string path, bool writable) : fd_(fd), path_(std::move(path)), writable_(writable) {
    struct stat st;
    baseSize_ = ::fstat(fd_, &st) == 0 ? int64_t(st.st_size) : 0;
  }
  OpenFile(OpenFile&& other) noexcept
      : fd_(other.fd_),
        path_(std::move(other.path_)),
        writable_(other.writable_),
        baseSize_(other.baseSize_),
        pos_(other.pos_),
        runs_(std::move(other.runs_)),
        cache_(std::move(other.cache_)),
        cacheStart_(other.cacheStart_) {
    other.fd_ = -1;
    other.runs_.clear();
  }
  OpenFile& operator=(OpenFile&&) = delete;
  ~OpenFile() { Close(); }

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
      char* resolved = ::realpath(path_.c_str(), nullptr);
      const std::string real = resolved != nullptr ? resolved : "";
      std::free(resolved);
      struct stat old;
      const bool known = !real.empty() && ::fstat(fd_, &old) == 0;
      // A copy that could not be written whole (a full disk, say) leaves the
      // old file alone: writing in place there could stop half-way.
      if (!known || ReplaceWhole(real, old) == Replace::Unavailable) WriteInPlace();
      if (known) {
        const size_t slash = real.find_last_of('/');
        RemoveAbandonedTemporaries(real.substr(0, slash + 1), real.substr(slash + 1), old.st_uid);
      }
    }
    ::close(fd_);
    fd_ = -1;
    runs_.clear();
  }

  // The new bytes into a file beside the real one (links followed), flushed,
  // then renamed over it: whoever looks sees the old bytes or the new ones.
  enum class Replace { Done, Unavailable, Failed };

  Replace ReplaceWhole(const std::string& real, const struct stat& old) {
    // Another name for the file would go on showing the old bytes.
    if (old.st_nlink > 1) return Replace::Unavailable;
    const size_t slash = real.find_last_of('/');
    const std::string dir = real.substr(0, slash + 1);
    std::string temp;
    const int out = MakeTemporary(dir, real.substr(slash + 1), temp);
    if (out < 0) return Replace::Unavailable;
    // The lock on it is held until it has its new name.
    const auto drop = [&](Replace result) {
      ::unlink(temp.c_str());
      ::close(out);
      return result;
    };
    // A file written by another user (root, say) stays its owner's, or the
    // owner could not write it again.
    if (!TakeOwner(out, old)) return drop(Replace::Unavailable);
    ::fchmod(out, old.st_mode & 07777);

    bool ok = true;
    std::vector<uint8_t> chunk(64 * 1024);
    const int64_t size = Size();
    for (int64_t at = 0; ok && at < size;) {
      const size_t n = ReadAt(at, chunk.data(), chunk.size());
      ok = n > 0 && WriteAll(out, chunk.data(), n);
      at += int64_t(n);
    }
    if (!ok || ::fsync(out) != 0) return drop(Replace::Failed);
    // A folder where only a file's owner may replace it refuses the rename.
    if (::rename(temp.c_str(), real.c_str()) != 0) return drop(Replace::Unavailable);
    ::close(out);
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
      ::fsync(dirFd);
      ::close(dirFd);
    }
    return Replace::Done;
  }

  // Where the file cannot be replaced: over the old bytes, as before.
  void WriteInPlace() {
    for (const Run& r : runs_) {
      if (!WriteAllAt(fd_, r.offset, r.bytes.data(), r.bytes.size())) return;
    }
  }

  int fd_;
  std::string path_;
  bool writable_;
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

std::string PathOf(const std::string& name) {
  if (programDirectory.empty()) return name;
  if (programDirectory.back() == '/') return programDirectory + name;
  return programDirectory + "/" + name;
}

Handle Open(int32_t n, const std::string& name, int flags) {
  if (n < 0) return 0;
  files.Free(n);
  if (currentFile == n) currentFile = -1;
  std::string path = PathOf(name);
  // Not blocking, so that a pipe under the name cannot hold us up; only a
  // plain file counts, anything else is as good as missing.
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0644);
  struct stat st;
  if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    if (fd >= 0) ::close(fd);
    currentFile = -1;
    return 0;
  }
  files.Make(n, OpenFile(fd, std::move(path), (flags & O_ACCMODE) != O_RDONLY));
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

Handle OpenFileSlotRead(int32_t n, const std::string& name) { return Open(n, name, O_RDONLY); }

// Never truncated: a shorter new content leaves the old tail behind it.
Handle OpenFileSlotReadWrite(int32_t n, const std::string& name) { return Open(n, name, O_RDWR | O_CREAT); }

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
