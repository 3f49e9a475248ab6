#include "platform/desktop_scaler.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <emmintrin.h>

namespace {
inline uint32_t Rgb32Of565(uint16_t c) {
  const uint32_t r = (c >> 11) & 0x1F, g = (c >> 5) & 0x3F, b = c & 0x1F;
  return 0xFF000000u | ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
}

// a * (256 - w) + b * w per channel, two channels at a time.
inline uint32_t Blend(uint32_t a, uint32_t b, uint32_t w) {
  const uint32_t iw = 256 - w;
  const uint32_t rb = (((a & 0x00FF00FFu) * iw + (b & 0x00FF00FFu) * w) >> 8) & 0x00FF00FFu;
  const uint32_t g = (((a & 0x0000FF00u) * iw + (b & 0x0000FF00u) * w) >> 8) & 0x0000FF00u;
  return 0xFF000000u | rb | g;
}
// out = a * (256 - w) + b * w per channel, four pixels at a time; w per pixel.
void BlendSpan(const uint32_t* a, const uint32_t* b, const uint16_t* w, uint32_t* out, int n) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i full = _mm_set1_epi16(256);
  const __m128i alpha = _mm_set1_epi32(int(0xFF000000u));
  int x = 0;
  for (; x + 4 <= n; x += 4) {
    const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + x));
    const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x));
    // Each pixel's weight in all four of its 16-bit channel lanes.
    const __m128i w4 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(w + x));
    const __m128i wlo = _mm_unpacklo_epi16(w4, w4);
    const __m128i wl = _mm_unpacklo_epi32(wlo, wlo), wh = _mm_unpackhi_epi32(wlo, wlo);
    const __m128i al = _mm_unpacklo_epi8(va, zero), ah = _mm_unpackhi_epi8(va, zero);
    const __m128i bl = _mm_unpacklo_epi8(vb, zero), bh = _mm_unpackhi_epi8(vb, zero);
    const __m128i rl = _mm_srli_epi16(
        _mm_add_epi16(_mm_mullo_epi16(al, _mm_sub_epi16(full, wl)), _mm_mullo_epi16(bl, wl)), 8);
    const __m128i rh = _mm_srli_epi16(
        _mm_add_epi16(_mm_mullo_epi16(ah, _mm_sub_epi16(full, wh)), _mm_mullo_epi16(bh, wh)), 8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_or_si128(_mm_packus_epi16(rl, rh), alpha));
  }
  for (; x < n; ++x) out[x] = Blend(a[x], b[x], w[x]);
}
}  // namespace

void PictureScaler::BuildTaps(int outLen, int srcLen, int factor, std::vector<Tap>& taps) {
  const int enlarged = srcLen * factor;
  const double step = double(enlarged) / outLen;
  taps.resize(size_t(outLen));
  for (int i = 0; i < outLen; ++i) {
    const double e = std::max(0.0, (i + 0.5) * step - 0.5);
    const int e0 = std::min(int(e), enlarged - 1);
    const int e1 = std::min(e0 + 1, enlarged - 1);
    int w = int(std::lround((e - e0) * 256.0));
    int a = e0 / factor, b = e1 / factor;
    if (w >= 256) a = b, w = 0;
    // Inside one enlarged block both neighbours are the same source pixel.
    if (a == b) w = 0;
    taps[size_t(i)] = {a, w == 0 ? a : b, uint32_t(w)};
  }
}

void PictureScaler::ScaleRow(const uint16_t* src, uint32_t* out) {
  // Convert once (a loop the compiler vectorises), then gather; a weight of 0
  // blends to exactly the first neighbour, so no branch is needed.
  for (int x = 0; x < srcW_; ++x) converted_[size_t(x)] = Rgb32Of565(src[x]);
  const uint32_t* c = converted_.data();
  const Tap* taps = cols_.data();
  if (nearestColumns_) {
    for (int x = 0; x < outW_; ++x) out[x] = c[taps[x].a];
    return;
  }
  for (int x = 0; x < outW_; ++x) {
    gatherA_[size_t(x)] = c[taps[x].a];
    gatherB_[size_t(x)] = c[taps[x].b];
  }
  BlendSpan(gatherA_.data(), gatherB_.data(), colWeights_.data(), out, outW_);
}

void PictureScaler::Scale(const uint16_t* src, int srcW, int srcH, int factor, int outW, int outH,
                          uint32_t* out, size_t stride) {
  if (srcW <= 0 || srcH <= 0 || outW <= 0 || outH <= 0 || factor <= 0) return;
  if (srcW != srcW_ || srcH != srcH_ || factor != factor_ || outW != outW_ || outH != outH_) {
    srcW_ = srcW, srcH_ = srcH, factor_ = factor, outW_ = outW, outH_ = outH;
    BuildTaps(outW, srcW, factor, cols_);
    BuildTaps(outH, srcH, factor, rows_);
    rowCache_.assign(size_t(outW) * 2, 0);
    converted_.assign(size_t(srcW), 0);
    gatherA_.assign(size_t(outW), 0);
    gatherB_.assign(size_t(outW), 0);
    rowWeight_.assign(size_t(outW), 0);
    colWeights_.resize(size_t(outW));
    nearestColumns_ = true;
    for (int x = 0; x < outW; ++x) {
      colWeights_[size_t(x)] = uint16_t(cols_[size_t(x)].w);
      nearestColumns_ = nearestColumns_ && cols_[size_t(x)].w == 0;
    }
  }
  // Rows are taken in rising order: two cache lines hold the last two source rows.
  cachedRow_.assign(2, -1);
  auto row = [&](int32_t r) -> const uint32_t* {
    const size_t slot = size_t(r & 1);
    uint32_t* line = &rowCache_[slot * size_t(outW)];
    if (cachedRow_[slot] != r) {
      ScaleRow(src + size_t(r) * size_t(srcW), line);
      cachedRow_[slot] = r;
    }
    return line;
  };
  for (int y = 0; y < outH; ++y) {
    const Tap& t = rows_[size_t(y)];
    uint32_t* dst = out + size_t(y) * stride;
    const uint32_t* a = row(t.a);
    if (t.w == 0) {
      std::memcpy(dst, a, size_t(outW) * 4);
      continue;
    }
    const uint32_t* b = row(t.b);
    std::fill(rowWeight_.begin(), rowWeight_.end(), uint16_t(t.w));
    BlendSpan(a, b, rowWeight_.data(), dst, outW);
  }
}
