// The JPEG reader, through the sprite load.
#include "platform/test_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool started = (InstallTestHostWithServices(), true);
  (void)started;
  if (size >= 2 && data[0] == 'B' && data[1] == 'M') return 0;  // the BMP reader's
  SpriteFromMemory(2, MemoryFile(data, size), 0);
  return 0;
}
