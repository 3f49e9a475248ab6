// Small helpers for the platform tests: images made in the test, and a
// fixture with the full screen open on the test host.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/host.h"
#include "platform/platform.h"
#include "platform/test_host.h"

struct Rgb {
  int32_t r, g, b;
};

inline void PutLe32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + size_t(i)] = uint8_t(v >> (8 * i));
}
inline void PutLe16(std::vector<uint8_t>& out, size_t at, uint16_t v) {
  out[at] = uint8_t(v);
  out[at + 1] = uint8_t(v >> 8);
}

// A 24-bit uncompressed bottom-up BMP; pixel(x, y) with y = 0 the top row.
inline std::vector<uint8_t> MakeBmp(int32_t w, int32_t h, const std::function<Rgb(int32_t, int32_t)>& pixel) {
  const size_t stride = (size_t(w) * 3 + 3) & ~size_t(3);
  std::vector<uint8_t> out(54 + stride * size_t(h), 0);
  out[0] = 'B';
  out[1] = 'M';
  PutLe32(out, 2, uint32_t(out.size()));
  PutLe32(out, 10, 54);
  PutLe32(out, 14, 40);
  PutLe32(out, 18, uint32_t(w));
  PutLe32(out, 22, uint32_t(h));
  PutLe16(out, 26, 1);
  PutLe16(out, 28, 24);
  PutLe32(out, 34, uint32_t(stride * size_t(h)));
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* row = out.data() + 54 + size_t(h - 1 - y) * stride;
    for (int32_t x = 0; x < w; ++x) {
      const Rgb c = pixel(x, y);
      row[x * 3 + 0] = uint8_t(c.b);
      row[x * 3 + 1] = uint8_t(c.g);
      row[x * 3 + 2] = uint8_t(c.r);
    }
  }
  return out;
}

inline std::vector<uint8_t> SolidBmp(int32_t w, int32_t h, Rgb c) {
  return MakeBmp(w, h, [c](int32_t, int32_t) { return c; });
}

inline int32_t LoadSprite(int32_t n, const std::vector<uint8_t>& file) {
  return SpriteFromMemoryDefault(n, MemoryFile(file.data(), file.size()));
}

inline uint16_t BackPixel(int32_t x, int32_t y) { return BackBufferPixels()[size_t(y) * SCREEN_WIDTH + size_t(x)]; }

inline int64_t CountNonZero() {
  const uint16_t* p = BackBufferPixels();
  int64_t n = 0;
  for (size_t i = 0; i < size_t(SCREEN_WIDTH) * SCREEN_HEIGHT; ++i) n += p[i] != 0;
  return n;
}

class FullScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host = &InstallTestHost();
    ASSERT_NE(StartSpriteSystem(), 0);
    ASSERT_EQ(EnterFullscreen(SCREEN_WIDTH, SCREEN_HEIGHT, 16, "Tolvane"), 1);
  }
  TestHost* host = nullptr;
};
