// Blows the 800 x 600 RGB 565 picture up to the screen: nearest neighbour to a
// whole multiple, then one bilinear step down to the fitted size, done in a
// single pass straight into the window's 32-bit image. This is the path when
// no OpenGL context can be had, so it has to be cheap: each source row is
// converted and widened once per frame, an output row that falls on one
// source row is a plain copy of it, and when the image still holds the last
// frame only what changed since is scaled again (a game frame changes little:
// a star here, a ship there, the scrolling ground).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A part of the output, in its pixels; empty when w or h is 0.
struct ScaledPart {
  int x = 0, y = 0, w = 0, h = 0;
};

class PictureScaler {
 public:
  // out: outW x outH pixels 0xFFRRGGBB, rows `stride` pixels apart.
  // outHoldsLast: out still holds what the last call wrote there, so only the
  // pixels whose source changed need writing. Returns the part written.
  ScaledPart Scale(const uint16_t* src, int srcW, int srcH, int factor, int outW, int outH, uint32_t* out,
                   size_t stride, bool outHoldsLast = false);

 private:
  struct Tap {
    int32_t a, b;  // source index of the two neighbours
    uint32_t w;    // weight of b, 0..255
  };
  struct Span {
    int x0 = 0, x1 = 0;  // [x0, x1)
  };
  // A source row widened to output columns [x0, x1): in a buffer of our own
  // or in the output row that shows it alone.
  struct Line {
    int32_t row = -1;
    int x0 = 0, x1 = 0;
    uint32_t* at = nullptr;
  };
  static void BuildTaps(int outLen, int srcLen, int factor, std::vector<Tap>& taps);
  void Prepare(int srcW, int srcH, int factor, int outW, int outH);
  void WidenColumns(const uint16_t* row, uint32_t* line, int x0, int x1);
  // Source row r converted and widened at least over output columns [x0, x1),
  // into `into` or a buffer of our own when null; the last two are kept.
  const uint32_t* Widened(const uint16_t* src, int32_t r, int x0, int x1, uint32_t* into);

  int srcW_ = 0, srcH_ = 0, factor_ = 0, outW_ = 0, outH_ = 0;
  std::vector<Tap> rows_;
  std::vector<int32_t> colIndex_;     // left neighbour of each output column
  std::vector<uint16_t> colWeights_;  // 256 - w four times, w four times, per column
  std::vector<int32_t> firstColumn_;  // per source column s: the first output column reading s or later
  bool exactColumns_ = false;         // a whole multiple across: no blending
  bool shuffled_ = false;             // enlarged across, on a processor with SSSE3
  std::vector<uint8_t> masks_;        // 16 per column: where it and the next three read
  std::vector<uint16_t> leftWeights_, rightWeights_;  // 256 - w and w, four times per column
  std::vector<uint32_t> converted_;   // one source row
  std::vector<uint16_t> wide_;        // the same at 16 bits per channel, last pixel twice
  std::vector<uint32_t> buffers_;     // room for two widened rows
  Line lines_[2];
  std::vector<uint16_t> last_;        // the last frame's source
  std::vector<Span> spans_;           // per source row: what changed since
};
