// The text operations: single-byte texts, each operation builds a new one.
#include "platform/platform.h"

int32_t StringsEqual(const std::string& a, const std::string& b) { return a == b ? 1 : 0; }

int32_t FirstCharCode(const std::string& text) {
  return text.empty() ? 0 : static_cast<int32_t>(static_cast<uint8_t>(text[0]));
}

int32_t TextLength(const std::string& text) { return static_cast<int32_t>(text.size()); }

std::string LeftPart(const std::string& text, int32_t count) {
  if (count <= 0) return std::string();
  return text.substr(0, static_cast<size_t>(count));
}

// start counts from 1; a start of 1 or less means the first byte.
std::string MidPart(const std::string& text, int32_t start, int32_t count) {
  if (count <= 0) return std::string();
  const size_t from = start <= 1 ? 0 : static_cast<size_t>(start) - 1;
  if (from >= text.size()) return std::string();
  return text.substr(from, static_cast<size_t>(count));
}

std::string IntToText(int32_t value) { return std::to_string(value); }

// Only the blank 0x20 is trimmed; tabs stay.
std::string TrimSpaces(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  const size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

// a..z and the Latin-1 range 0xE0..0xFF move down by 0x20.
std::string UpperCaseText(const std::string& text) {
  std::string out = text;
  for (char& ch : out) {
    const uint8_t c = static_cast<uint8_t>(ch);
    if ((c >= 0x61 && c <= 0x7A) || c >= 0xE0) ch = static_cast<char>(c - 0x20);
  }
  return out;
}
