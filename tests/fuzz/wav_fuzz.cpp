// The WAV reader, through the sound load.
#include "platform/test_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool started = (InstallTestHostWithServices(), true);
  (void)started;
  SoundFromMemory(3, MemoryFile(data, size));
  return 0;
}
