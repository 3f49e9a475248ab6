// Record files as the name entry writes them: name CR LF town CR LF points
// check, little-endian.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

// The check value of "data1" (file 1) or "data2" (file 2).
inline int32_t RecordCheck(int file, const std::string& name, const std::string& town, int32_t points) {
  const std::string s = TrimSpaces(name + town);
  uint32_t sum = 0;
  for (const char c : s) sum += static_cast<unsigned char>(c);
  const uint32_t p = static_cast<uint32_t>(points);
  const uint32_t v = file == 1 ? (sum + p * 13u) * 12u - 13u : (sum + p * 14u) * 12u - 15u;
  return static_cast<int32_t>(v);
}

inline std::string Int32Bytes(int32_t v) {
  std::string b;
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF));
  return b;
}

// check 0 stands for the right one.
inline std::string RecordBytes(int file, const std::string& name, const std::string& town, int32_t points,
                               int32_t check = 0) {
  if (check == 0) check = RecordCheck(file, name, town, points);
  return name + "\r\n" + town + "\r\n" + Int32Bytes(points) + Int32Bytes(check);
}
