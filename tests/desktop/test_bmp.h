// Small media files for tests: an uncompressed 24-bit bottom-up BMP whose
// colour (0xRRGGBB) is a function of (x, y), and a short WAV.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

inline std::vector<uint8_t> MakeTestBmp(int32_t w, int32_t h,
                                        const std::function<uint32_t(int, int)>& rgb) {
  const int32_t row = (w * 3 + 3) / 4 * 4;
  std::vector<uint8_t> f(size_t(54 + row * h), 0);
  auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&f[at], &v, 4); };
  f[0] = 'B', f[1] = 'M';
  put32(2, uint32_t(f.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, uint32_t(w));
  put32(22, uint32_t(h));
  f[26] = 1, f[28] = 24;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t c = rgb(x, y);
      uint8_t* px = &f[54 + size_t(h - 1 - y) * size_t(row) + size_t(x) * 3];
      px[0] = uint8_t(c), px[1] = uint8_t(c >> 8), px[2] = uint8_t(c >> 16);
    }
  return f;
}

// A short 8-bit mono WAV, so that sound starts are recorded.
inline std::vector<uint8_t> MakeWav() {
  const uint8_t head[44] = {'R', 'I', 'F', 'F', 40, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                            16, 0, 0, 0, 1, 0, 1, 0, 0x22, 0x56, 0, 0, 0x22, 0x56, 0, 0,
                            1, 0, 8, 0, 'd', 'a', 't', 'a', 4, 0, 0, 0};
  std::vector<uint8_t> f(head, head + 44);
  f.insert(f.end(), {128, 128, 128, 128});
  return f;
}
