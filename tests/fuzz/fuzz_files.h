// What the fuzz targets share: a program directory of their own for the
// files they read, on a memory file system where there is one.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/platform.h"

// Made on first use and removed at exit; kept on the heap so that it
// outlives the static destructors that run before the exit handler.
inline const std::string& FuzzDirectory() {
  static const std::string* dir = [] {
    std::string pattern = std::filesystem::is_directory("/dev/shm") ? "/dev/shm/tolvane-fuzz-XXXXXX"
                                                                    : "/tmp/tolvane-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    auto* made = new std::string(pattern);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(FuzzDirectory(), ignored);
    });
    return made;
  }();
  programDirectory = *dir + "/";
  return *dir;
}

// Replaces the file with exactly these bytes.
inline void PutFuzzFile(const char* name, const uint8_t* data, size_t size) {
  const std::string path = FuzzDirectory() + "/" + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
}
