// The full screen: two 800 x 600 RGB 565 buffers that swap on every present,
// the present step's frame limit, the fill, and drawing on the back buffer.
#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/host.h"
#include "platform/platform_internal.h"

namespace platform_detail {

ScreenState screen;

namespace {
constexpr size_t PIXELS = size_t(SCREEN_WIDTH) * size_t(SCREEN_HEIGHT);
alignas(64) uint16_t bufferA[PIXELS];
alignas(64) uint16_t bufferB[PIXELS];

struct FrameLimit {
  int32_t fps = 0;  // 0: no limit
  bool havePrevious = false;
  uint64_t previousEnd = 0;  // Micros() at the end of the previous present's wait
};
FrameLimit frameLimit;

// The drawing context on the back buffer.
struct DrawContext {
  int32_t pen = 0;  // 0x00BBGGRR
  int32_t penX = 0;
  int32_t penY = 0;
  int32_t flags = 0;
  int32_t font = -1;  // -1: the host's own default font
};
DrawContext context;

constexpr Handle BACK_BUFFER_TARGET = 1;

void ClearBuffers() {
  std::memset(bufferA, 0, sizeof bufferA);
  std::memset(bufferB, 0, sizeof bufferB);
}
}  // namespace

void UpdateBlitPermission() {
  screen.blitsDraw = screen.fullscreenOpen && screen.active && !screen.contextOpen;
}

void ResetScreen() {
  ClearBuffers();
  screen = ScreenState{};
  screen.back = bufferA;
  screen.front = bufferB;
  frameLimit = FrameLimit{};
  context = DrawContext{};
}

}  // namespace platform_detail

using namespace platform_detail;

uint16_t* BackBufferPixels() {
  if (!screen.back) ResetScreen();
  return screen.back;
}

int32_t EnterFullscreen(int32_t width, int32_t height, int32_t depth, const std::string& title) {
  (void)depth;  // the buffers are always 16-bit
  if (width != SCREEN_WIDTH || height != SCREEN_HEIGHT) return 0;
  if (!screen.back) ResetScreen();
  if (!Host().OpenScreen(title)) return 0;
  ClearBuffers();
  screen.fullscreenOpen = true;
  screen.contextOpen = false;
  screen.active = Host().ScreenActive();
  UpdateBlitPermission();
  return 1;
}

void LeaveFullscreen() {
  FreeAllSprites();
  screen.contextOpen = false;
  screen.fullscreenOpen = false;
  screen.active = false;
  UpdateBlitPermission();
  Host().CloseScreen();
}

int32_t SetFrameLimit(int32_t fps) {
  frameLimit.fps = fps > 0 ? fps : 0;
  return 1;
}

void PresentFrame() {
  if (!screen.back) ResetScreen();
  PlatformHost& host = Host();
  host.PumpEvents();
  screen.active = screen.fullscreenOpen && host.ScreenActive();
  UpdateBlitPermission();
  if (screen.active) {
    host.Present(screen.back);
    // The picture that was visible becomes the back buffer: the game-over
    // still is taken from it.
    std::swap(screen.back, screen.front);
  }
  if (frameLimit.fps > 0 && frameLimit.havePrevious) {
    // More than 1/(fps + 1) s since the end of the previous wait; compared
    // as elapsed * (fps + 1) > 1 s so that no fraction is lost.
    const uint64_t perSecond = uint64_t(frameLimit.fps) + 1;
    for (;;) {
      const uint64_t elapsed = host.Micros() - frameLimit.previousEnd;
      if (elapsed * perSecond > 1000000) break;
      const uint64_t remaining = 1000000 / perSecond - std::min<uint64_t>(elapsed, 1000000 / perSecond);
      host.Yield(static_cast<int32_t>(remaining / 1000));
    }
  }
  frameLimit.previousEnd = host.Micros();
  frameLimit.havePrevious = true;
}

void FillTarget(int32_t r, int32_t g, int32_t b) {
  uint16_t* pixels = BackBufferPixels();
  const uint16_t c = ScreenColour(r, g, b);
  if ((c >> 8) == (c & 0xFF)) {
    std::memset(pixels, c & 0xFF, PIXELS * sizeof(uint16_t));
    return;
  }
#if defined(__SSE2__)
  // Four 16-byte stores per step; the buffers are 64-byte aligned and
  // 960,000 bytes = 15,000 steps of 64 bytes long.
  static_assert(PIXELS * sizeof(uint16_t) % 64 == 0);
  const __m128i eight = _mm_set1_epi16(static_cast<short>(c));
  __m128i* out = reinterpret_cast<__m128i*>(pixels);
  __m128i* const end = out + PIXELS * sizeof(uint16_t) / sizeof(__m128i);
  for (; out < end; out += 4) {
    _mm_store_si128(out, eight);
    _mm_store_si128(out + 1, eight);
    _mm_store_si128(out + 2, eight);
    _mm_store_si128(out + 3, eight);
  }
#else
  std::fill_n(pixels, PIXELS, c);
#endif
}

// ---- drawing on the back buffer ----------------------------------------------------

Handle BackBufferDrawTarget() { return screen.fullscreenOpen ? BACK_BUFFER_TARGET : 0; }

int32_t AcquireDrawContext(Handle target) {
  if (target != BACK_BUFFER_TARGET || !screen.fullscreenOpen || !screen.active) return 0;
  context = DrawContext{};
  screen.contextOpen = true;
  UpdateBlitPermission();
  return 1;
}

void ReleaseDrawContext() {
  if (!screen.contextOpen) return;
  screen.contextOpen = false;
  context = DrawContext{};
  UpdateBlitPermission();
}

void SetDrawFlags(int32_t flags) {
  if (screen.contextOpen) context.flags = flags;
}

void SetPenColour(int32_t r, int32_t g, int32_t b) {
  if (screen.contextOpen) context.pen = PackRgb(r & 0xFF, g & 0xFF, b & 0xFF);
}

void MovePen(int32_t x, int32_t y) {
  if (!screen.contextOpen) return;
  context.penX = x;
  context.penY = y;
}

void DrawTextAtPen(const std::string& text) {
  if (!screen.contextOpen || text.empty()) return;
  int32_t advance = 0;
  Host().DrawText(screen.back, context.penX, context.penY, context.font, ScreenColourOf(context.pen),
                  (context.flags & 1) != 0, text, &advance);
  context.penX += advance;
}

void SelectDrawFont(Handle font) {
  if (!screen.contextOpen) return;
  // SelectFontSlot hands out font n as n + 1.
  if (font <= 0 || font > INT32_MAX) return;
  const int32_t n = static_cast<int32_t>(font - 1);
  if (SelectFontSlot(n) == 0) return;
  context.font = n;
}

// The disc holds the pixels whose distance from the centre satisfies
// dx² + dy² <= r² + r/2: radius 1 is a plus of five pixels, which reads as a
// small round star dot; larger radii come out round, not diamond-shaped.
void DrawDiscRgb(int32_t x, int32_t y, int32_t radius, int32_t colour) {
  if (!screen.contextOpen) return;
  context.pen = colour & 0xFFFFFF;
  if (radius <= 0) return;
  const int64_t r = radius;
  const int64_t limit = r * r + r / 2;
  const auto inside = [&](int64_t dx, int64_t dy) { return dx * dx + dy * dy <= limit; };
  const int64_t top = std::max<int64_t>(int64_t(y) - r, 0);
  const int64_t bottom = std::min<int64_t>(int64_t(y) + r, SCREEN_HEIGHT - 1);
  const int64_t left = std::max<int64_t>(int64_t(x) - r, 0);
  const int64_t right = std::min<int64_t>(int64_t(x) + r, SCREEN_WIDTH - 1);
  const uint16_t c = ScreenColourOf(colour);
  const bool invert = (context.flags & 2) != 0;
  const bool outline = (context.flags & 4) != 0;
  for (int64_t py = top; py <= bottom; ++py) {
    uint16_t* row = screen.back + py * SCREEN_WIDTH;
    const int64_t dy = py - y;
    for (int64_t px = left; px <= right; ++px) {
      const int64_t dx = px - x;
      if (!inside(dx, dy)) continue;
      if (outline && inside(dx - 1, dy) && inside(dx + 1, dy) && inside(dx, dy - 1) && inside(dx, dy + 1))
        continue;
      row[px] = invert ? static_cast<uint16_t>(~row[px]) : c;
    }
  }
}

void SetTargetPixel(int32_t x, int32_t y, int32_t colour) {
  if (!screen.contextOpen) return;
  // The caller keeps (x, y) on the screen; a wrong one is dropped, not written.
  if (x < 0 || y < 0 || x >= SCREEN_WIDTH || y >= SCREEN_HEIGHT) return;
  screen.back[size_t(y) * SCREEN_WIDTH + size_t(x)] = ScreenColourOf(colour);
}
