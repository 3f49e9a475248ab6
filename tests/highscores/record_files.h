// A temporary program directory for tests that read and write the record files.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/platform/as_nobody.h"

using Bytes = std::vector<uint8_t>;

inline Bytes BytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

inline void AppendLe32(Bytes& out, int32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(uint32_t(v) >> (8 * i)));
}

// A record as it lies on disk: name CR LF town CR LF points check.
inline Bytes RecordBytes(const std::string& name, const std::string& town, int32_t points, int32_t check) {
  Bytes out = BytesOf(name + "\r\n" + town + "\r\n");
  AppendLe32(out, points);
  AppendLe32(out, check);
  return out;
}

inline void PutFile(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline Bytes GetFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

class ProgramDirectory {
 public:
  explicit ProgramDirectory(const std::string& parent = "/tmp") {
    std::string pattern = parent + "/tolvane-records-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    programDirectory = path_ + "/";
  }
  ~ProgramDirectory() {
    programDirectory.clear();
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  void Put(const std::string& name, const Bytes& bytes) const { PutFile(File(name), bytes); }
  Bytes Get(const std::string& name) const { return GetFile(File(name)); }
  bool Exists(const std::string& name) const { return std::filesystem::exists(File(name)); }

 private:
  std::string path_;
};
