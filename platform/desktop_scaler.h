// Blows the 800 x 600 RGB 565 picture up to the screen: nearest neighbour to a
// whole multiple, then one bilinear step down to the fitted size, done in a
// single pass straight into the window's 32-bit image. This is the path when
// no OpenGL context can be had, so it has to be cheap: each source row is
// converted and widened once per frame, and an output row that falls on one
// source row is a plain copy of it.
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
  void Prepare(int srcW, int srcH, int factor, int outW, int outH);
  // Source row r converted and widened to outW pixels, into `into` or a buffer
  // of our own when null; the last two are kept.
  const uint32_t* Widened(const uint16_t* src, int32_t r, uint32_t* into);

  int srcW_ = 0, srcH_ = 0, factor_ = 0, outW_ = 0, outH_ = 0;
  std::vector<Tap> rows_;
  std::vector<int32_t> colIndex_;     // left neighbour of each output column
  std::vector<uint16_t> colWeights_;  // 256 - w four times, w four times, per column
  bool exactColumns_ = false;         // a whole multiple across: no blending
  std::vector<uint32_t> converted_;   // one source row
  std::vector<uint16_t> wide_;        // the same at 16 bits per channel, last pixel twice
  std::vector<uint32_t> buffers_;     // room for two widened rows
  int32_t lineRow_[2] = {-1, -1};     // which source row each line holds
  const uint32_t* lines_[2] = {};     // where it is: a buffer or an output row
};
