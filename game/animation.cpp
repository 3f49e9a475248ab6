#include <algorithm>

#include "game/game.h"
#include "media/media.h"
#include "platform/platform.h"

namespace {
constexpr int32_t ANIM_ID_LAST = 2000;
constexpr int32_t GLYPH_WIDTH = 32;
constexpr int32_t GLYPH_HEIGHT = 38;
constexpr int32_t GLYPH_ADVANCE = 33;
constexpr int32_t GLYPH_BLANK = 50;

// Font cell of a byte; 0 for a byte the font has no cell for.
int32_t GlyphOf(int32_t c) {
  if (c >= 'A' && c <= 'Z') return c - 64;
  if (c >= '1' && c <= '9') return c - 10;
  switch (c) {
    case '.': return 27;
    case ',': return 28;
    case '-': return 30;
    case '0': return 48;
    case ' ': return GLYPH_BLANK;
    default: return 0;
  }
}
}  // namespace

int32_t DrawAnimation(int32_t sheet, int32_t firstFrame, int32_t lastFrame, int32_t x, int32_t y,
                      int32_t frameWidth, int32_t frameHeight, int32_t delayMs, int32_t animId,
                      int32_t keyR, int32_t keyG, int32_t keyB, int32_t loop) {
  // An id outside the table has no frame to keep: draw nothing.
  if (animId < 0 || animId > ANIM_ID_LAST) return 0;
  // A missing sheet, or one narrower than a frame, counts as one column, so
  // the run still steps and ends instead of dividing by zero.
  int32_t cols = frameWidth > 0 ? SpriteExtentX(sheet) / frameWidth : 0;
  cols = std::max(cols, 1);

  const int32_t now = GetTickCount();
  int32_t& frame = animFrame[animId];
  int32_t& stepTime = animTime[animId];
  if (stepTime == 0) {
    stepTime = now;
  } else {
    const int32_t since = static_cast<int32_t>(static_cast<uint32_t>(now) - static_cast<uint32_t>(stepTime));
    if (since > delayMs && delayMs > 0) {
      stepTime = now;
      frame += 1;
    }
  }
  if (frame < firstFrame) frame = firstFrame;
  if (frame > lastFrame) {
    frame = firstFrame;
    if (loop == 0) return 1;
  }

  // Floor division: frame 0 (glyph 0) selects row -1, which draws nothing.
  const int32_t index = frame - 1;
  int32_t row = index / cols;
  if (index % cols != 0 && index < 0) row -= 1;
  const int32_t col = index - row * cols;

  // The copy shares the sheet's pixels; only its shown part and key are its own.
  DuplicateSprite(sheet, animId, 0);
  SetSpriteViewport(animId, col * frameWidth, row * frameHeight, frameWidth, frameHeight);
  SetSpriteKeyColour(animId, keyR, keyG, keyB);
  BlitSpriteKeyed(animId, x, y);
  return 0;
}

void DrawBitmapText(int32_t x, int32_t y, const std::string& text) {
  const std::string upper = UpperCaseText(text);
  int32_t glyph = 0;
  for (size_t i = 0; i < upper.size(); ++i) {
    // A byte without a cell repeats the glyph before it.
    const int32_t mapped = GlyphOf(static_cast<unsigned char>(upper[i]));
    if (mapped != 0) glyph = mapped;
    DrawAnimation(SPRITE_BITMAP_FONT, glyph, glyph, x + static_cast<int32_t>(i) * GLYPH_ADVANCE, y,
                  GLYPH_WIDTH, GLYPH_HEIGHT, -1, SPRITE_GLYPH_WORK, 255, 255, 255, 1);
  }
}
