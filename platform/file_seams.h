// Moments inside the write of a file that a test must act in: another user
// swapping the name at the worst time, a disk without room, a file system
// that cannot trade two names. The program leaves them unset.
#pragma once

#include <functional>

struct FileWriteSeams {
  // Called at the close, just before the new file and the name trade places.
  std::function<void()> beforeExchange;
  // Non-zero: writing the new file's bytes fails with this errno.
  int copyFailsWith = 0;
  // Non-zero: trading the names fails with this errno.
  int exchangeFailsWith = 0;
};

FileWriteSeams& FileSeams();

// Unsets every seam when it goes out of scope, however the test ends.
struct ClearFileSeamsAtExit {
  ~ClearFileSeamsAtExit() { FileSeams() = {}; }
};
