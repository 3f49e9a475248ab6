// The key file "keyboard" as the key table's load finds it.
#include "keys/keys.h"
#include "state/state.h"
#include "tests/fuzz/fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PutFuzzFile("keyboard", data, size);
  LoadKeys();
  // Every entry names some key, whatever the file held.
  for (int32_t action = 1; action <= KEY_ACTION_COUNT; ++action) KeyName(keyTable[action]);
  return 0;
}
