#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/desktop_scaler.h"

namespace {
uint32_t Rgb32(uint16_t c) {
  const uint32_t r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
  return 0xFF000000u | ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
}

std::vector<uint16_t> Picture(int w, int h) {
  std::vector<uint16_t> p(size_t(w) * h);
  for (size_t i = 0; i < p.size(); ++i) p[i] = uint16_t((i * 2654435761u) >> 9);
  return p;
}

// The plain two-step reference: a whole-multiple enlargement, then bilinear.
uint32_t Reference(const std::vector<uint16_t>& src, int w, int h, int k, int outW, int outH, int x, int y) {
  auto sample = [&](double e, int len) {
    e = std::max(0.0, e);
    const int e0 = std::min(int(e), len * k - 1);
    return std::pair<int, double>(e0, e - e0);
  };
  const auto [ex, fx] = sample((x + 0.5) * (double(w * k) / outW) - 0.5, w);
  const auto [ey, fy] = sample((y + 0.5) * (double(h * k) / outH) - 0.5, h);
  auto at = [&](int px, int py, int shift) {
    px = std::min(px, w * k - 1) / k;
    py = std::min(py, h * k - 1) / k;
    return double((Rgb32(src[size_t(py) * w + px]) >> shift) & 0xFF);
  };
  uint32_t out = 0xFF000000u;
  for (int shift : {0, 8, 16}) {
    const double top = at(ex, ey, shift) * (1 - fx) + at(ex + 1, ey, shift) * fx;
    const double bottom = at(ex, ey + 1, shift) * (1 - fx) + at(ex + 1, ey + 1, shift) * fx;
    out |= uint32_t(std::lround(top * (1 - fy) + bottom * fy)) << shift;
  }
  return out;
}

int ChannelError(uint32_t a, uint32_t b) {
  int worst = 0;
  for (int shift : {0, 8, 16, 24}) worst = std::max(worst, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
  return worst;
}

// Whole multiples are pure nearest neighbour; other sizes match the two-step
// reference to within rounding.
TEST(PictureScaler, MatchesEnlargeThenBilinear) {
  struct Case {
    int w, h, k, outW, outH, tolerance;
  };
  // Odd widths leave tails to the vector loops; the full frame at 1920 x 1080
  // has copied and blended rows and columns side by side.
  for (const Case c : {Case{40, 30, 1, 40, 30, 0}, Case{40, 30, 2, 80, 60, 0}, Case{40, 30, 2, 64, 48, 3},
                       Case{40, 30, 3, 101, 76, 3}, Case{13, 7, 1, 10, 5, 3}, Case{13, 7, 3, 39, 21, 0},
                       Case{800, 600, 2, 1440, 1080, 3}}) {
    const auto src = Picture(c.w, c.h);
    const size_t stride = size_t(c.outW) + 3;  // rows need not be packed
    std::vector<uint32_t> out(stride * c.outH, 0);
    PictureScaler scaler;
    scaler.Scale(src.data(), c.w, c.h, c.k, c.outW, c.outH, out.data(), stride);
    int worst = 0;
    for (int y = 0; y < c.outH; ++y)
      for (int x = 0; x < c.outW; ++x)
        worst = std::max(worst, ChannelError(out[size_t(y) * stride + x], Reference(src, c.w, c.h, c.k, c.outW, c.outH, x, y)));
    EXPECT_LE(worst, c.tolerance) << c.w << "x" << c.h << " x" << c.k << " to " << c.outW << "x" << c.outH;
    for (int y = 0; y < c.outH; ++y)
      for (size_t x = size_t(c.outW); x < stride; ++x) ASSERT_EQ(out[size_t(y) * stride + x], 0u) << "wrote past row " << y;
  }
}

// When the output still holds the last frame, only what changed is scaled
// again: the result equals scaling the new frame from nothing, the part
// reported covers every pixel that changed, and nothing is written outside
// the rows.
TEST(PictureScaler, ScalesOnlyWhatChangedIntoTheLastFrame) {
  struct Geometry {
    int w, h, k, outW, outH;
  };
  struct Run {
    int x, y, len;  // len pixels on row y from x; -1: the last row or column
  };
  struct Change {
    const char* what;
    std::vector<Run> runs;
  };
  const Geometry geometries[] = {{40, 30, 1, 40, 30}, {40, 30, 2, 80, 60}, {40, 30, 2, 64, 48},
                                 {40, 30, 3, 101, 76}, {13, 7, 1, 10, 5}, {200, 9, 2, 256, 12}};
  // Neighbouring rows changed in different places meet in the output rows
  // that blend them.
  const Change changes[] = {{"nothing", {}},
                            {"top left pixel", {{0, 0, 1}}},
                            {"bottom right pixel", {{-1, -1, 1}}},
                            {"a pixel inside", {{17, 11, 1}}},
                            {"a run across a row", {{3, 4, 9}}},
                            {"a whole row", {{0, 6, 1000}}},
                            {"two rows, far apart across", {{2, 3, 1}, {30, 4, 2}, {1, 5, 1}}},
                            {"last column and a run past the middle", {{-1, 2, 1}, {97, 3, 40}}}};
  for (const Geometry& g : geometries) {
    for (const Change& c : changes) {
      const auto before = Picture(g.w, g.h);
      auto after = before;
      for (const Run& r : c.runs) {
        const int y = r.y < 0 ? g.h - 1 : std::min(r.y, g.h - 1);
        const int x = r.x < 0 ? g.w - 1 : std::min(r.x, g.w - 1);
        for (int i = x; i < std::min(g.w, x + r.len); ++i) after[size_t(y) * g.w + i] ^= 0x5AA5;
      }

      const size_t stride = size_t(g.outW) + 3;
      const uint32_t CANARY = 0x12345678;
      std::vector<uint32_t> out(stride * g.outH, CANARY), fresh(stride * g.outH, CANARY);
      PictureScaler scaler, freshScaler;
      scaler.Scale(before.data(), g.w, g.h, g.k, g.outW, g.outH, out.data(), stride);
      const auto old = out;
      const ScaledPart part = scaler.Scale(after.data(), g.w, g.h, g.k, g.outW, g.outH, out.data(), stride, true);
      freshScaler.Scale(after.data(), g.w, g.h, g.k, g.outW, g.outH, fresh.data(), stride);

      const std::string name = std::to_string(g.w) + "x" + std::to_string(g.h) + " x" + std::to_string(g.k) +
                               " to " + std::to_string(g.outW) + "x" + std::to_string(g.outH) + ", " + c.what;
      EXPECT_EQ(out, fresh) << name;
      if (c.runs.empty()) {
        EXPECT_TRUE(part.w == 0 || part.h == 0) << name;
      }
      for (int oy = 0; oy < g.outH; ++oy)
        for (int ox = 0; ox < g.outW; ++ox) {
          const size_t i = size_t(oy) * stride + size_t(ox);
          if (old[i] == out[i]) continue;
          ASSERT_TRUE(ox >= part.x && ox < part.x + part.w && oy >= part.y && oy < part.y + part.h)
              << name << ": (" << ox << ", " << oy << ") changed outside the part reported";
        }
    }
  }
}

// A new size starts from nothing, whatever the caller says of the output.
TEST(PictureScaler, ANewSizeScalesEverything) {
  const auto src = Picture(40, 30);
  std::vector<uint32_t> out(64 * 48, 0), fresh(80 * 60, 0), other(80 * 60, 0);
  PictureScaler scaler, freshScaler;
  scaler.Scale(src.data(), 40, 30, 2, 64, 48, out.data(), 64);
  const ScaledPart part = scaler.Scale(src.data(), 40, 30, 2, 80, 60, other.data(), 80, true);
  freshScaler.Scale(src.data(), 40, 30, 2, 80, 60, fresh.data(), 80);
  EXPECT_EQ(other, fresh);
  EXPECT_EQ(part.w, 80);
  EXPECT_EQ(part.h, 60);
}
}  // namespace
