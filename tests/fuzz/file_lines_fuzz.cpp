// Text lines and numbers read in any order from any file: the first two
// bytes choose the order, the rest is the file.
#include <cstring>

#include "tests/fuzz/fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint32_t order = uint32_t(data[0]) | uint32_t(data[1]) << 8;
  PutFuzzFile("any", data + 2, size - 2);
  if (OpenFileSlotRead(0, "any") == 0) std::abort();
  for (int32_t i = 0; i < 16; ++i) {
    if (order >> i & 1) {
      ReadInt32();
      continue;
    }
    const std::string line = ReadTextLine();
    if (line.size() > TEXT_LINE_CAP || std::memchr(line.data(), '\n', line.size()) != nullptr ||
        std::memchr(line.data(), '\0', line.size()) != nullptr)
      std::abort();
  }
  CloseFileSlot(0);
  return 0;
}
