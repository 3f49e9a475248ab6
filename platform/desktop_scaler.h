// Blows the 800 x 600 RGB 565 picture up to the screen: nearest neighbour to a
// whole multiple, then one bilinear step down to the fitted size, done in a
// single pass straight into the window's 32-bit image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class PictureScaler {
 public:
  // out: outW x outH pixels 0xFFRRGGBB, rows `stride` pixels apart.
  void Scale(const uint16_t* src, int srcW, int srcH, int factor, int outW, int outH, uint32_t* out,
             size_t stride);

 private:
  struct Tap {
    int32_t a, b;  // source index of the two neighbours
    uint32_t w;    // weight of b, 0..255
  };
  static void BuildTaps(int outLen, int srcLen, int factor, std::vector<Tap>& taps);
  void ScaleRow(const uint16_t* src, uint32_t* out);

  int srcW_ = 0, srcH_ = 0, factor_ = 0, outW_ = 0, outH_ = 0;
  std::vector<Tap> cols_, rows_;
  std::vector<uint32_t> rowCache_;
  std::vector<uint32_t> converted_, gatherA_, gatherB_;
  std::vector<uint16_t> colWeights_, rowWeight_;
  bool nearestColumns_ = false;  // a whole multiple: no blending at all
  std::vector<int32_t> cachedRow_;  // which source row each cache line holds
};
