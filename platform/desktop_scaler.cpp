#include "platform/desktop_scaler.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <emmintrin.h>
#include <tmmintrin.h>

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

// Eight RGB 565 pixels to their 8-bit channels, one per 16-bit lane.
struct Channels8 {
  __m128i r, g, b;
};
inline Channels8 Expand565(const uint16_t* src) {
  const __m128i m5 = _mm_set1_epi16(0x1F), m6 = _mm_set1_epi16(0x3F);
  const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
  const __m128i r = _mm_srli_epi16(c, 11);
  const __m128i g = _mm_and_si128(_mm_srli_epi16(c, 5), m6);
  const __m128i b = _mm_and_si128(c, m5);
  return {_mm_or_si128(_mm_slli_epi16(r, 3), _mm_srli_epi16(r, 2)),
          _mm_or_si128(_mm_slli_epi16(g, 2), _mm_srli_epi16(g, 4)),
          _mm_or_si128(_mm_slli_epi16(b, 3), _mm_srli_epi16(b, 2))};
}

// Eight pixels at a time; the compiler does not vectorise the bit shuffling.
void ConvertRow(const uint16_t* src, uint32_t* out, int n) {
  const __m128i alpha = _mm_set1_epi16(int16_t(0xFF00));
  int x = 0;
  for (; x + 8 <= n; x += 8) {
    const auto [r8, g8, b8] = Expand565(src + x);
    const __m128i bg = _mm_or_si128(b8, _mm_slli_epi16(g8, 8));
    const __m128i ra = _mm_or_si128(r8, alpha);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_unpacklo_epi16(bg, ra));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x + 4), _mm_unpackhi_epi16(bg, ra));
  }
  for (; x < n; ++x) out[x] = Rgb32Of565(src[x]);
}

// The same row at 16 bits per channel (b, g, r, 255), so that two neighbours
// are one 128-bit load.
void ConvertRowWide(const uint16_t* src, uint16_t* out, int n) {
  const __m128i alpha = _mm_set1_epi16(0xFF);
  int x = 0;
  for (; x + 8 <= n; x += 8) {
    const auto [r8, g8, b8] = Expand565(src + x);
    const __m128i bgLo = _mm_unpacklo_epi16(b8, g8), bgHi = _mm_unpackhi_epi16(b8, g8);
    const __m128i raLo = _mm_unpacklo_epi16(r8, alpha), raHi = _mm_unpackhi_epi16(r8, alpha);
    __m128i* o = reinterpret_cast<__m128i*>(out + size_t(x) * 4);
    _mm_storeu_si128(o, _mm_unpacklo_epi32(bgLo, raLo));
    _mm_storeu_si128(o + 1, _mm_unpackhi_epi32(bgLo, raLo));
    _mm_storeu_si128(o + 2, _mm_unpacklo_epi32(bgHi, raHi));
    _mm_storeu_si128(o + 3, _mm_unpackhi_epi32(bgHi, raHi));
  }
  for (; x < n; ++x) {
    const uint32_t c = Rgb32Of565(src[x]);
    for (int i = 0; i < 4; ++i) out[size_t(x) * 4 + size_t(i)] = uint16_t((c >> (8 * i)) & 0xFF);
  }
}

// Sum of the two halves of a * weights, at 16 bits per channel in the low half.
inline __m128i BlendPair(const uint16_t* c, int32_t i, const uint16_t* weights) {
  const __m128i pair = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c + size_t(i) * 4));
  const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights));
  const __m128i m = _mm_mullo_epi16(pair, w);
  return _mm_add_epi16(m, _mm_srli_si128(m, 8));
}

// out[x] = c[index[x]] * (256 - w) + c[index[x] + 1] * w, four pixels a turn;
// c at 16 bits per channel, weights eight lanes per pixel: 256 - w four
// times, then w four times.
void WidenRow(const uint16_t* c, const int32_t* index, const uint16_t* weights, uint32_t* out, int n) {
  int x = 0;
  for (; x + 4 <= n; x += 4) {
    const __m128i s0 = BlendPair(c, index[x], weights + size_t(x) * 8);
    const __m128i s1 = BlendPair(c, index[x + 1], weights + size_t(x + 1) * 8);
    const __m128i s2 = BlendPair(c, index[x + 2], weights + size_t(x + 2) * 8);
    const __m128i s3 = BlendPair(c, index[x + 3], weights + size_t(x + 3) * 8);
    const __m128i lo = _mm_srli_epi16(_mm_unpacklo_epi64(s0, s1), 8);
    const __m128i hi = _mm_srli_epi16(_mm_unpacklo_epi64(s2, s3), 8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(lo, hi));
  }
  for (; x < n; ++x) {
    const uint16_t* a = c + size_t(index[x]) * 4;
    const uint16_t* w = weights + size_t(x) * 8;
    uint32_t p = 0;
    for (int i = 0; i < 4; ++i) p |= uint32_t(uint16_t(a[i] * w[i] + a[i + 4] * w[i + 4]) >> 8) << (8 * i);
    out[x] = p;
  }
}

// The same for a picture that is enlarged across, so that four neighbouring
// output columns read at most four neighbouring source pixels: those are one
// 16-byte load of the 32-bit row, put in place by one shuffle (and the right
// neighbours by the same shuffle of the load one pixel on). masks[x]: the
// shuffle for columns x..x+3; left/right: 256 - w and w, four lanes a column.
__attribute__((target("ssse3"))) void WidenRowShuffled(const uint32_t* c, const int32_t* index,
                                                       const uint8_t* masks, const uint16_t* left,
                                                       const uint16_t* right, uint32_t* out, int n) {
  const __m128i zero = _mm_setzero_si128();
  auto weighted = [](__m128i a, __m128i b, const uint16_t* wa, const uint16_t* wb) {
    return _mm_add_epi16(_mm_mullo_epi16(a, _mm_loadu_si128(reinterpret_cast<const __m128i*>(wa))),
                         _mm_mullo_epi16(b, _mm_loadu_si128(reinterpret_cast<const __m128i*>(wb))));
  };
  int x = 0;
  for (; x + 4 <= n; x += 4) {
    const uint32_t* at = c + index[x];
    const __m128i m = _mm_loadu_si128(reinterpret_cast<const __m128i*>(masks + size_t(x) * 16));
    const __m128i a = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), m);
    const __m128i b = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1)), m);
    const size_t w = size_t(x) * 4;
    const __m128i lo = weighted(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero), left + w, right + w);
    const __m128i hi =
        weighted(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero), left + w + 8, right + w + 8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x),
                     _mm_packus_epi16(_mm_srli_epi16(lo, 8), _mm_srli_epi16(hi, 8)));
  }
  for (; x < n; ++x) {
    const uint32_t a = c[index[x]], b = c[index[x] + 1];
    const uint32_t wa = left[size_t(x) * 4], wb = right[size_t(x) * 4];
    uint32_t p = 0;
    for (int i = 0; i < 32; i += 8)
      p |= (uint32_t(uint16_t(((a >> i) & 0xFF) * wa + ((b >> i) & 0xFF) * wb)) >> 8) << i;
    out[x] = p;
  }
}

bool HaveSsse3() {
  static const bool have = __builtin_cpu_supports("ssse3");
  return have;
}

// out = a * (256 - w) + b * w per channel, one weight for the whole row.
void BlendRows(const uint32_t* a, const uint32_t* b, uint32_t w, uint32_t* out, int n) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i wb = _mm_set1_epi16(int16_t(w)), wa = _mm_set1_epi16(int16_t(256 - w));
  int x = 0;
  for (; x + 4 <= n; x += 4) {
    const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + x));
    const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x));
    const __m128i lo = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(va, zero), wa),
                                                    _mm_mullo_epi16(_mm_unpacklo_epi8(vb, zero), wb)), 8);
    const __m128i hi = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(va, zero), wa),
                                                    _mm_mullo_epi16(_mm_unpackhi_epi8(vb, zero), wb)), 8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(lo, hi));
  }
  for (; x < n; ++x) out[x] = Blend(a[x], b[x], w);
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

void PictureScaler::Prepare(int srcW, int srcH, int factor, int outW, int outH) {
  srcW_ = srcW, srcH_ = srcH, factor_ = factor, outW_ = outW, outH_ = outH;
  std::vector<Tap> cols;
  BuildTaps(outW, srcW, factor, cols);
  BuildTaps(outH, srcH, factor, rows_);
  colIndex_.resize(size_t(outW));
  colWeights_.resize(size_t(outW) * 8);
  for (size_t x = 0; x < size_t(outW); ++x) {
    colIndex_[x] = cols[x].a;
    for (size_t i = 0; i < 4; ++i) {
      colWeights_[x * 8 + i] = uint16_t(256 - cols[x].w);
      colWeights_[x * 8 + 4 + i] = uint16_t(cols[x].w);
    }
  }
  firstColumn_.assign(size_t(srcW) + 1, outW);
  for (int x = outW - 1; x >= 0; --x) firstColumn_[size_t(colIndex_[size_t(x)])] = x;
  for (size_t i = size_t(srcW); i-- > 0;) firstColumn_[i] = std::min(firstColumn_[i], firstColumn_[i + 1]);
  exactColumns_ = outW == srcW * factor;
  // Enlarged across: each column reads its left neighbour's source pixel or
  // the next one.
  shuffled_ = HaveSsse3() && !exactColumns_;
  for (size_t x = 1; x < size_t(outW); ++x) shuffled_ = shuffled_ && colIndex_[x] - colIndex_[x - 1] <= 1;
  if (shuffled_) {
    masks_.assign(size_t(outW) * 16, 0);
    leftWeights_.resize(size_t(outW) * 4);
    rightWeights_.resize(size_t(outW) * 4);
    for (size_t x = 0; x < size_t(outW); ++x) {
      for (size_t k = 0; k < 4 && x + k < size_t(outW); ++k)
        for (size_t j = 0; j < 4; ++j)
          masks_[x * 16 + k * 4 + j] = uint8_t((colIndex_[x + k] - colIndex_[x]) * 4 + int(j));
      for (size_t i = 0; i < 4; ++i) {
        leftWeights_[x * 4 + i] = colWeights_[x * 8];
        rightWeights_[x * 4 + i] = colWeights_[x * 8 + 4];
      }
    }
  }
  // A shuffled load reads up to four pixels past the last.
  converted_.assign(size_t(srcW) + 4, 0);
  wide_.assign((size_t(srcW) + 1) * 4, 0);
  buffers_.assign(size_t(outW) * 2, 0);
  last_.assign(size_t(srcW) * size_t(srcH), 0);
  spans_.assign(size_t(srcH), Span{});
}

// Whether 32 pixels (a cache line of each) are alike.
inline bool Same32(const uint16_t* a, const uint16_t* b) {
  __m128i same = _mm_set1_epi8(-1);
  for (int i = 0; i < 32; i += 8)
    same = _mm_and_si128(same, _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i)),
                                                _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i))));
  return _mm_movemask_epi8(same) == 0xFFFF;
}

// [x0, x1) of the pixels of a row that differ from `last`; x0 == x1 when none.
// One pass forward: the loads stay in order for the prefetcher.
void ChangedSpan(const uint16_t* row, const uint16_t* last, int n, int& x0, int& x1) {
  int l = n, r = 0, x = 0;
  for (; x + 32 <= n; x += 32)
    if (!Same32(row + x, last + x)) {
      if (l == n) l = x;
      r = x + 32;
    }
  for (; x < n; ++x)
    if (row[x] != last[x]) {
      if (l == n) l = x;
      r = x + 1;
    }
  if (l == n) {
    x0 = x1 = n;
    return;
  }
  while (row[l] == last[l]) ++l;
  while (row[r - 1] == last[r - 1]) --r;
  x0 = l, x1 = r;
}

void PictureScaler::WidenColumns(const uint16_t* row, uint32_t* line, int x0, int x1) {
  if (exactColumns_ && factor_ == 1) {
    ConvertRow(row + x0, line + x0, x1 - x0);
    return;
  }
  const int s0 = colIndex_[size_t(x0)], s1 = std::min(colIndex_[size_t(x1 - 1)] + 2, srcW_);
  if (exactColumns_) {
    // Each pixel repeated `factor` times.
    uint32_t* c = converted_.data();
    ConvertRow(row + s0, c + s0, s1 - s0);
    for (int x = x0; x < x1; ++x) line[x] = c[colIndex_[size_t(x)]];
    return;
  }
  if (shuffled_) {
    uint32_t* c = converted_.data();
    ConvertRow(row + s0, c + s0, s1 - s0);
    // A weight of 0 still reads the right neighbour of the last pixel.
    if (s1 == srcW_) c[srcW_] = c[srcW_ - 1];
    WidenRowShuffled(c, &colIndex_[size_t(x0)], &masks_[size_t(x0) * 16], &leftWeights_[size_t(x0) * 4],
                     &rightWeights_[size_t(x0) * 4], line + x0, x1 - x0);
    return;
  }
  ConvertRowWide(row + s0, &wide_[size_t(s0) * 4], s1 - s0);
  // A weight of 0 still reads the right neighbour of the last pixel.
  if (s1 == srcW_) std::memcpy(&wide_[size_t(srcW_) * 4], &wide_[size_t(srcW_ - 1) * 4], 8);
  WidenRow(wide_.data(), &colIndex_[size_t(x0)], &colWeights_[size_t(x0) * 8], line + x0, x1 - x0);
}

const uint32_t* PictureScaler::Widened(const uint16_t* src, int32_t r, int x0, int x1, uint32_t* into) {
  Line& l = lines_[r & 1];
  const uint16_t* row = src + size_t(r) * size_t(srcW_);
  if (l.row != r) {
    l = {r, x0, x1, into != nullptr ? into : &buffers_[size_t(r & 1) * size_t(outW_)]};
    WidenColumns(row, l.at, x0, x1);
    return l.at;
  }
  // Part of the row is widened already: only what lies outside it, so that
  // the line stays one run of columns.
  if (x0 < l.x0) WidenColumns(row, l.at, x0, l.x0), l.x0 = x0;
  if (x1 > l.x1) WidenColumns(row, l.at, l.x1, x1), l.x1 = x1;
  return l.at;
}

ScaledPart PictureScaler::Scale(const uint16_t* src, int srcW, int srcH, int factor, int outW, int outH,
                                uint32_t* out, size_t stride, bool outHoldsLast) {
  if (srcW <= 0 || srcH <= 0 || outW <= 0 || outH <= 0 || factor <= 0) return {};
  bool whole = !outHoldsLast;
  if (srcW != srcW_ || srcH != srcH_ || factor != factor_ || outW != outW_ || outH != outH_) {
    Prepare(srcW, srcH, factor, outW, outH);
    whole = true;
  }
  // Which pixels of each source row changed since the last frame.
  if (whole) {
    std::memcpy(last_.data(), src, last_.size() * 2);
    for (Span& s : spans_) s = {0, srcW};
  } else {
    for (int r = 0; r < srcH; ++r) {
      const size_t at = size_t(r) * size_t(srcW);
      Span& s = spans_[size_t(r)];
      ChangedSpan(src + at, &last_[at], srcW, s.x0, s.x1);
      std::memcpy(&last_[at + size_t(s.x0)], src + at + size_t(s.x0), size_t(s.x1 - s.x0) * 2);
    }
  }
  // Rows are taken in rising order, so two lines are enough to widen each
  // source row once. The first output row that shows a source row alone gets
  // it widened in place; later copies of that row read it from there.
  for (Line& l : lines_) l = Line{};
  int left = outW, right = 0, top = outH, bottom = 0;
  for (int y = 0; y < outH; ++y) {
    const Tap& t = rows_[size_t(y)];
    const Span& sa = spans_[size_t(t.a)];
    const Span& sb = spans_[size_t(t.b)];
    const bool changedA = sa.x0 < sa.x1, changedB = sb.x0 < sb.x1;
    if (!changedA && !changedB) continue;
    const int s0 = std::min(changedA ? sa.x0 : srcW, changedB ? sb.x0 : srcW);
    const int s1 = std::max(changedA ? sa.x1 : 0, changedB ? sb.x1 : 0);
    // Output columns that read a changed pixel as either neighbour.
    const int x0 = firstColumn_[size_t(std::max(s0 - 1, 0))], x1 = firstColumn_[size_t(s1)];
    if (x0 >= x1) continue;
    uint32_t* dst = out + size_t(y) * stride;
    if (t.w == 0) {
      const uint32_t* a = Widened(src, t.a, x0, x1, dst);
      if (a != dst) std::memcpy(dst + x0, a + x0, size_t(x1 - x0) * 4);
    } else {
      const uint32_t* a = Widened(src, t.a, x0, x1, nullptr);
      const uint32_t* b = Widened(src, t.b, x0, x1, nullptr);
      BlendRows(a + x0, b + x0, t.w, dst + x0, x1 - x0);
    }
    left = std::min(left, x0), right = std::max(right, x1);
    top = std::min(top, y), bottom = y + 1;
  }
  if (top >= bottom) return {};
  return {left, top, right - left, bottom - top};
}
