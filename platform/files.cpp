// Numbered files in the program directory. Every read and write goes to the
// current file through one 4-byte transfer buffer, whose leftovers are what a
// read at the end of a file gives back.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/host.h"
#include "platform/platform_internal.h"

std::string programDirectory;

namespace platform_detail {
namespace {

class OpenFile {
 public:
  explicit OpenFile(int fd) : fd_(fd) {}
  OpenFile(OpenFile&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  OpenFile& operator=(OpenFile&&) = delete;
  ~OpenFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  int fd() const { return fd_; }

 private:
  int fd_;
};

NumberedTable<OpenFile> files(10, 10);
int32_t currentFile = -1;
uint8_t transfer[4] = {0, 0, 0, 0};

int CurrentFd() {
  const OpenFile* f = files.Find(currentFile);
  return f ? f->fd() : -1;
}

// Up to count bytes into dst; fewer only at the end of the file.
size_t ReadSome(int fd, uint8_t* dst, size_t count) {
  size_t got = 0;
  while (got < count) {
    const ssize_t r = ::read(fd, dst + got, count - got);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    got += size_t(r);
  }
  return got;
}

void WriteAll(int fd, const uint8_t* src, size_t count) {
  while (count > 0) {
    const ssize_t w = ::write(fd, src, count);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return;
    src += w;
    count -= size_t(w);
  }
}

std::string PathOf(const std::string& name) {
  if (programDirectory.empty()) return name;
  if (programDirectory.back() == '/') return programDirectory + name;
  return programDirectory + "/" + name;
}

Handle Open(int32_t n, const std::string& name, int flags) {
  if (n < 0) return 0;
  files.Free(n);
  if (currentFile == n) currentFile = -1;
  const int fd = ::open(PathOf(name).c_str(), flags | O_CLOEXEC, 0644);
  if (fd < 0) {
    currentFile = -1;
    return 0;
  }
  files.Make(n, OpenFile(fd));
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
  const int fd = CurrentFd();
  // The bytes that arrive replace only as many low bytes of the buffer.
  if (fd >= 0) ReadSome(fd, transfer, 4);
  return TransferValue();
}

void WriteInt32(int32_t v) {
  const int fd = CurrentFd();
  if (fd < 0) return;
  const uint32_t u = static_cast<uint32_t>(v);
  transfer[0] = uint8_t(u);
  transfer[1] = uint8_t(u >> 8);
  transfer[2] = uint8_t(u >> 16);
  transfer[3] = uint8_t(u >> 24);
  WriteAll(fd, transfer, 4);
}

// Each byte passes through the low byte of the transfer buffer; a read that
// gets nothing counts as a NUL and leaves a 0 there.
std::string ReadTextLine() {
  std::string line;
  const int fd = CurrentFd();
  if (fd < 0) return line;
  for (;;) {
    if (ReadSome(fd, transfer, 1) == 0) transfer[0] = 0;
    const uint8_t c = transfer[0];
    if (c == 0 || c == '\n') break;
    if (c == '\r') {
      // The line end takes one more byte, whatever it is.
      if (ReadSome(fd, transfer, 1) == 0) transfer[0] = 0;
      break;
    }
    line.push_back(static_cast<char>(c));
  }
  return line;
}

void WriteTextLine(const std::string& text) {
  const int fd = CurrentFd();
  if (fd < 0) return;
  if (!text.empty()) WriteAll(fd, reinterpret_cast<const uint8_t*>(text.data()), text.size());
  transfer[0] = '\r';
  transfer[1] = '\n';
  WriteAll(fd, transfer, 2);
}

void CloseFileSlot(int32_t n) {
  files.Free(n);
  if (currentFile == n) currentFile = -1;
}
