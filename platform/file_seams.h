// Moments inside the open and the write of a file that a test must act in:
// another user swapping the name at the worst time, a disk without room, a
// file system that cannot trade two names, a system without /proc. The
// program leaves them unset.
#pragma once

#include <functional>

struct FileWriteSeams {
  // Called at the close, just before the new file and the name trade places.
  std::function<void()> beforeExchange;
  // Non-zero: writing the new file's bytes fails with this errno.
  int copyFailsWith = 0;
  // Non-zero: trading the names fails with this errno.
  int exchangeFailsWith = 0;
  // Non-zero: giving the new file the old one's mode fails with this errno.
  int modeFailsWith = 0;
  // Non-zero: writing over the old bytes in place fails with this errno.
  int inPlaceFailsWith = 0;
  // The open goes as on a system where /proc is not mounted.
  bool withoutProc = false;
  // Called between the look at a missing name and the making of the file.
  std::function<void()> beforeCreate;
  // Called between the look at a plain file and its opening.
  std::function<void()> beforeReopen;
};

FileWriteSeams& FileSeams();

// Unsets every seam when it goes out of scope, however the test ends.
struct ClearFileSeamsAtExit {
  ~ClearFileSeamsAtExit() { FileSeams() = {}; }
};
