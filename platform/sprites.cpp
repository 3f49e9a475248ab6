// Sprites: RGB 565 images with a shown part and a colour key; blits with
// their clipping, capture, duplicate and the pixel-exact collision.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/host.h"
#include "platform/platform_internal.h"

namespace platform_detail {
const TouchBox* touchBoxes = nullptr;
uint32_t touchBoxCount = 0;

namespace {

struct Sprite {
  // Never written once the sprite is made, so duplicates share them: the game
  // duplicates a whole sheet on every draw of one of its cells.
  std::shared_ptr<const uint16_t[]> pixels;
  int32_t fullWidth = 0;
  int32_t fullHeight = 0;
  int32_t viewX = 0;
  int32_t viewY = 0;
  int32_t viewW = 0;
  int32_t viewH = 0;
  uint16_t key = 0;
};

NumberedTable<Sprite> sprites(50, 50);
uint16_t defaultKey = 0;

// The sizes behind the inline candidate test of SpritesTouch, packed apart
// from the sprites so that they stay in the first-level cache.
std::vector<TouchBox> boxes;

void PublishBoxes() {
  touchBoxes = boxes.data();
  touchBoxCount = static_cast<uint32_t>(boxes.size());
}

void UpdateBox(int32_t n) {
  if (n < 0) return;
  if (size_t(n) >= boxes.size()) {
    boxes.resize(sprites.Room() > size_t(n) ? sprites.Room() : size_t(n) + 1);
    PublishBoxes();
  }
  const Sprite* s = sprites.Find(n);
  boxes[size_t(n)] = s ? TouchBox{s->viewW, s->viewH} : TouchBox{0, 0};
}

void FreeSprite(int32_t n) {
  sprites.Free(n);
  UpdateBox(n);
}

bool SizeAllowed(int32_t w, int32_t h) {
  return w > 0 && h > 0 && w <= MAX_IMAGE_SIDE && h <= MAX_IMAGE_SIDE && int64_t(w) * h <= MAX_IMAGE_PIXELS;
}

// A new sprite over the given pixels: whole image shown, default key.
int32_t Store(int32_t n, std::shared_ptr<const uint16_t[]> pixels, int32_t w, int32_t h) {
  Sprite s;
  s.pixels = std::move(pixels);
  s.fullWidth = w;
  s.fullHeight = h;
  s.viewW = w;
  s.viewH = h;
  s.key = defaultKey;
  const bool made = sprites.Make(n, std::move(s)) != nullptr;
  UpdateBox(n);
  return made ? 1 : 0;
}

std::shared_ptr<uint16_t[]> Allocate(int32_t w, int32_t h) {
  return std::make_shared<uint16_t[]>(size_t(w) * size_t(h));  // zeroed: black
}

// The part of the shown part that a blit at (x, y) copies, in image
// coordinates, and where it lands. False when nothing is drawn.
struct BlitRect {
  const uint16_t* src;
  uint16_t* dst;
  int32_t width;
  int32_t height;
  int32_t srcStride;
};

inline bool Clip(const Sprite& s, int32_t x, int32_t y, BlitRect& out) {
  int64_t w = s.viewW;
  int64_t h = s.viewH;
  // Wholly off the screen: the common case for the decor, a few comparisons.
  if (!(x < SCREEN_WIDTH && y < SCREEN_HEIGHT && x > -w && y > -h)) return false;
  if (!screen.blitsDraw) return false;
  if (x + w > SCREEN_WIDTH) w = SCREEN_WIDTH - int64_t(x);
  if (y + h > SCREEN_HEIGHT) h = SCREEN_HEIGHT - int64_t(y);
  const int64_t skipX = x < 0 ? -int64_t(x) : 0;
  const int64_t skipY = y < 0 ? -int64_t(y) : 0;
  const int64_t srcX = int64_t(s.viewX) + skipX;
  const int64_t srcY = int64_t(s.viewY) + skipY;
  const int64_t cw = w - skipX;
  const int64_t ch = h - skipY;
  // An empty rectangle, or one that leaves the image, draws nothing at all:
  // glyph 0 and an energy bar of width 0 rely on it.
  if (cw <= 0 || ch <= 0) return false;
  if (srcX < 0 || srcY < 0 || srcX + cw > s.fullWidth || srcY + ch > s.fullHeight) return false;
  out.src = s.pixels.get() + srcY * s.fullWidth + srcX;
  out.dst = screen.back + (y + skipY) * SCREEN_WIDTH + (x + skipX);
  out.width = static_cast<int32_t>(cw);
  out.height = static_cast<int32_t>(ch);
  out.srcStride = s.fullWidth;
  return true;
}

}  // namespace

void FreeAllSprites() {
  sprites.FreeAll();
  boxes.assign(boxes.size(), TouchBox{0, 0});
}

void ResetSpriteTable() {
  sprites.Reset();
  boxes.clear();
  PublishBoxes();
  defaultKey = 0;
}

void ResetSprites() { ResetSpriteTable(); }

}  // namespace platform_detail

using namespace platform_detail;

int32_t NewBlankSprite(int32_t n, int32_t w, int32_t h, int32_t mode) {
  (void)mode;
  if (n < 0) return 0;
  if (!SizeAllowed(w, h)) {
    FreeSprite(n);
    return 0;
  }
  return Store(n, Allocate(w, h), w, h);
}

int32_t NewBlankSpriteDefault(int32_t n, int32_t w, int32_t h) { return NewBlankSprite(n, w, h, 0); }

int32_t SpriteFromMemory(int32_t n, MemoryFile data, int32_t mode) {
  (void)mode;
  if (n < 0) return 0;
  FreeSprite(n);
  RgbImage image;
  if (!DecodeSpriteImage(data, image) || !SizeAllowed(image.width, image.height)) return 0;
  const size_t count = size_t(image.width) * size_t(image.height);
  auto pixels = std::make_shared_for_overwrite<uint16_t[]>(count);
  const uint8_t* rgb = image.rgb.data();
  for (size_t i = 0; i < count; ++i, rgb += 3) pixels[i] = ScreenColour(rgb[0], rgb[1], rgb[2]);
  return Store(n, std::move(pixels), image.width, image.height);
}

int32_t SpriteFromMemoryDefault(int32_t n, MemoryFile data) { return SpriteFromMemory(n, data, 0); }

int32_t DuplicateSprite(int32_t src, int32_t dst, int32_t mode) {
  (void)mode;
  const Sprite* s = sprites.Find(src);
  if (!s || dst < 0) return 0;
  // Copy the handle before dst is freed: src and dst may be the same number.
  std::shared_ptr<const uint16_t[]> pixels = s->pixels;
  const int32_t w = s->fullWidth;
  const int32_t h = s->fullHeight;
  return Store(dst, std::move(pixels), w, h);
}

// Parts of the rectangle that lie off the back buffer stay black in the copy.
int32_t CaptureSprite(int32_t n, int32_t x, int32_t y, int32_t w, int32_t h, int32_t mode) {
  (void)mode;
  if (n < 0) return 0;
  if (!SizeAllowed(w, h)) {
    FreeSprite(n);
    return 0;
  }
  auto pixels = Allocate(w, h);
  const uint16_t* back = BackBufferPixels();
  const int64_t left = std::max<int64_t>(x, 0);
  const int64_t right = std::min<int64_t>(int64_t(x) + w, SCREEN_WIDTH);
  const int64_t top = std::max<int64_t>(y, 0);
  const int64_t bottom = std::min<int64_t>(int64_t(y) + h, SCREEN_HEIGHT);
  if (left < right) {
    for (int64_t row = top; row < bottom; ++row) {
      std::memcpy(pixels.get() + (row - y) * w + (left - x), back + row * SCREEN_WIDTH + left,
                  size_t(right - left) * sizeof(uint16_t));
    }
  }
  return Store(n, std::move(pixels), w, h);
}

void SetSpriteViewport(int32_t n, int32_t x, int32_t y, int32_t w, int32_t h) {
  Sprite* s = sprites.Find(n);
  if (!s) return;
  if (x == -1) {
    s->viewX = 0;
    s->viewY = 0;
    s->viewW = s->fullWidth;
    s->viewH = s->fullHeight;
    UpdateBox(n);
    return;
  }
  if (int64_t(x) + w > s->fullWidth) w = static_cast<int32_t>(int64_t(s->fullWidth) - x);
  if (int64_t(y) + h > s->fullHeight) h = static_cast<int32_t>(int64_t(s->fullHeight) - y);
  s->viewX = x;
  s->viewY = y;
  s->viewW = w;
  s->viewH = h;
  UpdateBox(n);
}

void SetSpriteKeyColour(int32_t n, int32_t r, int32_t g, int32_t b) {
  if (n < 0) {
    defaultKey = ScreenColour(r, g, b);
    return;
  }
  if (Sprite* s = sprites.Find(n)) s->key = ScreenColour(r, g, b);
}

void BlitSprite(int32_t n, int32_t x, int32_t y) {
  const Sprite* s = sprites.Find(n);
  BlitRect rect;
  if (!s || !Clip(*s, x, y, rect)) return;
  const size_t bytes = size_t(rect.width) * sizeof(uint16_t);
  for (int32_t row = 0; row < rect.height; ++row) {
    std::memcpy(rect.dst, rect.src, bytes);
    rect.dst += SCREEN_WIDTH;
    rect.src += rect.srcStride;
  }
}

void BlitSpriteKeyed(int32_t n, int32_t x, int32_t y) {
  const Sprite* s = sprites.Find(n);
  BlitRect rect;
  if (!s || !Clip(*s, x, y, rect)) return;
  const uint16_t key = s->key;
  for (int32_t row = 0; row < rect.height; ++row) {
    const uint16_t* src = rect.src;
    uint16_t* dst = rect.dst;
    int32_t col = 0;
#if defined(__SSE2__)
    // Eight pixels at a time: keep the destination where the source is the key.
    const __m128i keys = _mm_set1_epi16(static_cast<short>(key));
    for (; col + 8 <= rect.width; col += 8) {
      const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + col));
      const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + col));
      const __m128i isKey = _mm_cmpeq_epi16(p, keys);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + col),
                       _mm_or_si128(_mm_and_si128(isKey, d), _mm_andnot_si128(isKey, p)));
    }
#endif
    for (; col < rect.width; ++col) {
      const uint16_t p = src[col];
      if (p != key) dst[col] = p;
    }
    rect.dst += SCREEN_WIDTH;
    rect.src += rect.srcStride;
  }
}

int32_t SpriteExtentX(int32_t n) {
  const Sprite* s = sprites.Find(n);
  return s ? s->viewW : 0;
}

int32_t SpriteExtentY(int32_t n) {
  const Sprite* s = sprites.Find(n);
  return s ? s->viewH : 0;
}

namespace {
// Start and length of the overlap along one axis, as the collision rule
// computes it; the offsets are counted from each shown part's origin.
struct Overlap {
  int64_t startA;
  int64_t startB;
  int64_t length;
};

Overlap OverlapOf(int64_t pa, int64_t sa, int64_t pb, int64_t sb) {
  if (pa < pb) return {pb - pa, 0, std::min(sa - (pb - pa), sb)};
  return {0, pa - pb, std::min(sb - (pa - pb), sa)};
}

// Narrows [from, to) of overlap offsets to those whose pixel lies inside the
// image (a pixel outside it cannot touch anything).
void KeepInside(int64_t origin, int64_t start, int64_t full, int64_t& from, int64_t& to) {
  from = std::max(from, -(origin + start));
  to = std::min(to, full - (origin + start));
}
}  // namespace

// Everything after the inline candidate test of SpritesTouch.
int32_t platform_detail::SpritesTouchScan(int32_t a, int32_t xa, int32_t ya, int32_t b, int32_t xb, int32_t yb) {
  const Sprite* sa = sprites.Find(a);
  const Sprite* sb = sprites.Find(b);
  if (!sa || !sb) return 0;
  const int64_t wa = sa->viewW, ha = sa->viewH, wb = sb->viewW, hb = sb->viewH;
  if (!(xb <= xa + wa && xa <= xb + wb && ya <= yb + hb && yb <= ya + ha)) return 0;
  const Overlap ox = OverlapOf(xa, wa, xb, wb);
  const Overlap oy = OverlapOf(ya, ha, yb, hb);
  if (ox.length <= 0 || oy.length <= 0) return 0;

  int64_t colFrom = 0, colTo = ox.length, rowFrom = 0, rowTo = oy.length;
  KeepInside(sa->viewX, ox.startA, sa->fullWidth, colFrom, colTo);
  KeepInside(sb->viewX, ox.startB, sb->fullWidth, colFrom, colTo);
  KeepInside(sa->viewY, oy.startA, sa->fullHeight, rowFrom, rowTo);
  KeepInside(sb->viewY, oy.startB, sb->fullHeight, rowFrom, rowTo);
  if (colFrom >= colTo || rowFrom >= rowTo) return 0;

  const uint16_t ka = sa->key, kb = sb->key;
  for (int64_t row = rowFrom; row < rowTo; ++row) {
    const uint16_t* pa =
        sa->pixels.get() + (sa->viewY + oy.startA + row) * sa->fullWidth + sa->viewX + ox.startA;
    const uint16_t* pb =
        sb->pixels.get() + (sb->viewY + oy.startB + row) * sb->fullWidth + sb->viewX + ox.startB;
    int64_t col = colFrom;
#if defined(__SSE2__)
    // Eight pixels at a time: a touch is a column where neither pixel is its key.
    const __m128i keysA = _mm_set1_epi16(static_cast<short>(ka));
    const __m128i keysB = _mm_set1_epi16(static_cast<short>(kb));
    for (; col + 8 <= colTo; col += 8) {
      const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pa + col));
      const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pb + col));
      const __m128i eitherKey = _mm_or_si128(_mm_cmpeq_epi16(va, keysA), _mm_cmpeq_epi16(vb, keysB));
      if (_mm_movemask_epi8(eitherKey) != 0xFFFF) return 1;
    }
#endif
    for (; col < colTo; ++col) {
      if (pa[col] != ka && pb[col] != kb) return 1;
    }
  }
  return 0;
}

int32_t SpriteExists(int32_t n) { return sprites.Find(n) ? 1 : 0; }

int32_t SpriteFullWidth(int32_t n) {
  const Sprite* s = sprites.Find(n);
  return s ? s->fullWidth : 0;
}

int32_t SpriteFullHeight(int32_t n) {
  const Sprite* s = sprites.Find(n);
  return s ? s->fullHeight : 0;
}

uint16_t SpritePixel(int32_t n, int32_t x, int32_t y) {
  const Sprite* s = sprites.Find(n);
  if (!s || x < 0 || y < 0 || x >= s->fullWidth || y >= s->fullHeight) return 0;
  return s->pixels[size_t(y) * size_t(s->fullWidth) + size_t(x)];
}

int32_t StartSpriteSystem() {
  ResetSpriteTable();
  return Host().OpenDisplaySystem() ? 1 : 0;
}
