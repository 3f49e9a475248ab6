// Moments inside the write of a file that a test must act in: another user
// swapping the name at the worst time. The program leaves them unset.
#pragma once

#include <functional>

struct FileWriteSeams {
  // Called at the close, just before the new file and the name trade places.
  std::function<void()> beforeExchange;
};

FileWriteSeams& FileSeams();

// Unsets every seam when it goes out of scope, however the test ends.
struct ClearFileSeamsAtExit {
  ~ClearFileSeamsAtExit() { FileSeams() = {}; }
};
