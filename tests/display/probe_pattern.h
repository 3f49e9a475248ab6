// The picture the probe shows on the full screen: blocks of saturated colours,
// and a one-pixel checkerboard in the top-left 40 x 40 corner.
#pragma once

#include <cstdint>

inline uint16_t ProbePattern(int x, int y) {
  static const uint16_t colours[] = {0xF800, 0x07E0, 0x001F, 0xFFFF, 0xFFE0, 0x7BEF};
  if (x < 40 && y < 40) return (x + y) % 2 ? 0xFFFF : 0x0000;
  return colours[(x / 20 + (y / 20) * 3) % 6];
}
