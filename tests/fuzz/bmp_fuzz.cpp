// The BMP reader, through both loads that take a BMP: sprites and pictures.
#include "platform/test_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool started = (InstallTestHostWithServices(), true);
  (void)started;
  const MemoryFile file(data, size);
  DecodePictureFromMemory(1, file);
  // Anything else goes to the JPEG reader, which has a target of its own.
  if (size >= 2 && data[0] == 'B' && data[1] == 'M') SpriteFromMemory(1, file, 0);
  return 0;
}
