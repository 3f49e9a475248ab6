#include <string>
#include <vector>

#include "tests/game/game_fixture.h"

namespace {
constexpr int32_t SHEET = 60;  // a number no built-in picture uses
constexpr int32_t CELL_W = 4, CELL_H = 3;
constexpr int32_t ID = 300;

// Cell k (1..6) of the test sheet is one shade of green.
Rgb CellRgb(int32_t k) { return {0, 32 * k, 0}; }
uint16_t CellColour(int32_t k) { return ScreenColour(0, 32 * k, 0); }

class Animation : public GameScreen {
 protected:
  void SetUp() override {
    GameScreen::SetUp();
    // 3 columns by 2 rows; the extra column makes the width no multiple of the cell.
    MakeSprite(SHEET, 3 * CELL_W + 1, 2 * CELL_H, [](int32_t x, int32_t y) {
      if (x >= 3 * CELL_W) return Rgb{255, 255, 255};
      return CellRgb(y / CELL_H * 3 + x / CELL_W + 1);
    });
    host_->now = 50000;
  }
  int32_t Draw(int32_t first, int32_t last, int32_t delay, int32_t loop, int32_t id = ID) {
    return DrawAnimation(SHEET, first, last, X, Y, CELL_W, CELL_H, delay, id, 255, 0, 255, loop);
  }
  // The cell drawn at (X, Y), 0 when nothing is there.
  int32_t Shown() const {
    for (int32_t k = 1; k <= 6; ++k)
      if (Pixel(X, Y) == CellColour(k)) return k;
    return 0;
  }
  static constexpr int32_t X = 40, Y = 30;
};

TEST_F(Animation, FirstCallOnAFreshIdShowsTheFirstFrameAndStartsTheClock) {
  EXPECT_EQ(Draw(2, 5, 1, 1), 0);
  EXPECT_EQ(animFrame[ID], 2);
  EXPECT_EQ(animTime[ID], 50000);
  EXPECT_EQ(Shown(), 2);
  // The whole cell and nothing right of it.
  for (int32_t dy = 0; dy < CELL_H; ++dy)
    for (int32_t dx = 0; dx < CELL_W; ++dx) EXPECT_EQ(Pixel(X + dx, Y + dy), CellColour(2));
  EXPECT_EQ(Pixel(X + CELL_W, Y), 0);

  // However late the next call, it steps once, timed from now.
  host_->now += 10000;
  FillTarget(0, 0, 0);
  EXPECT_EQ(Draw(2, 5, 1, 1), 0);
  EXPECT_EQ(animFrame[ID], 3);
  EXPECT_EQ(animTime[ID], 60000);
  EXPECT_EQ(Shown(), 3);
}

TEST_F(Animation, StepsOnlyAfterMoreThanTheDelay) {
  Draw(1, 6, 100, 1);
  host_->now += 100;
  Draw(1, 6, 100, 1);
  EXPECT_EQ(animFrame[ID], 1);
  host_->now += 1;
  Draw(1, 6, 100, 1);
  EXPECT_EQ(animFrame[ID], 2);
  // Row 2 of the sheet: frame 5 is column 2 of the second row.
  animFrame[ID] = 4;
  host_->now += 101;
  Draw(1, 6, 100, 1);
  EXPECT_EQ(Shown(), 5);
  EXPECT_EQ(SpriteExtentX(ID), CELL_W);
  EXPECT_EQ(SpriteExtentY(ID), CELL_H);
  EXPECT_EQ(SpriteExtentX(SHEET), 3 * CELL_W + 1);  // the sheet keeps its whole picture
  EXPECT_EQ(SpritePixel(SHEET, 0, 0), CellColour(1));
}

TEST_F(Animation, DelayOfZeroOrLessNeverSteps) {
  for (int32_t delay : {0, -1, -10}) {
    animFrame[ID] = 0;
    animTime[ID] = 0;
    Draw(2, 4, delay, 1);
    host_->now += 100000;
    EXPECT_EQ(Draw(2, 4, delay, 1), 0);
    EXPECT_EQ(animFrame[ID], 2) << delay;
    EXPECT_EQ(animTime[ID], 50000) << delay;
    host_->now = 50000;
  }
}

TEST_F(Animation, LoopingRunStartsOverInTheSameCall) {
  animFrame[ID] = 3;
  animTime[ID] = host_->now;
  host_->now += 11;
  EXPECT_EQ(Draw(1, 3, 10, 1), 0);
  EXPECT_EQ(animFrame[ID], 1);
  EXPECT_EQ(Shown(), 1);
}

TEST_F(Animation, NonLoopingRunEndsWithoutDrawingThenShowsItsFirstFrameAgain) {
  animFrame[ID] = 2;
  animTime[ID] = host_->now;
  Draw(1, 3, 10, 0);  // draws frame 2 into the work sprite
  FillTarget(0, 0, 0);
  animFrame[ID] = 3;
  host_->now += 11;
  EXPECT_EQ(Draw(1, 3, 10, 0), 1);
  EXPECT_EQ(animFrame[ID], 1);
  EXPECT_EQ(Shown(), 0);
  BlitSpriteKeyed(ID, X, Y);  // the work sprite still holds what it showed before
  EXPECT_EQ(Shown(), 2);

  FillTarget(0, 0, 0);
  EXPECT_EQ(Draw(1, 3, 10, 0), 0);
  EXPECT_EQ(Shown(), 1);
}

// A slot's new occupant may find the id beyond its frames.
TEST_F(Animation, IdLeftAboveItsLastFrameEndsAStillOnceThenDrawsIt) {
  animFrame[ID] = 5;
  animTime[ID] = host_->now - 5000;
  EXPECT_EQ(Draw(1, 1, -1, 0), 1);
  EXPECT_EQ(Shown(), 0);
  EXPECT_EQ(Draw(1, 1, -1, 0), 0);
  EXPECT_EQ(Shown(), 1);
}

TEST_F(Animation, WorkSpriteGetsTheGivenKey) {
  // The key equal to the cell's colour leaves it out entirely.
  DrawAnimation(SHEET, 1, 1, X, Y, CELL_W, CELL_H, -1, ID, 0, 32, 0, 0);
  EXPECT_EQ(Shown(), 0);
  DrawAnimation(SHEET, 1, 1, X, Y, CELL_W, CELL_H, -1, ID, 255, 0, 255, 0);
  EXPECT_EQ(Shown(), 1);
}

TEST_F(Animation, MissingSheetOrBadIdStillEndsTheRunAndTouchesNothingElse) {
  // Sprite 1299 is a 1 x 1 placeholder, far narrower than a frame.
  int32_t result = 0;
  for (int32_t call = 0; call < 10 && result == 0; ++call) {
    result = DrawAnimation(1299, 2, 5, X, Y, 100, 30, 100, ID, 0, 0, 0, 0);
    host_->now += 101;
  }
  EXPECT_EQ(result, 1);
  EXPECT_EQ(DrawAnimation(SHEET, 1, 1, X, Y, 0, CELL_H, -1, ID, 0, 0, 0, 1), 0);  // zero-wide frames
  EXPECT_EQ(DrawAnimation(SHEET, 1, 1, X, Y, CELL_W, CELL_H, -1, 2001, 0, 0, 0, 0), 0);
  EXPECT_EQ(DrawAnimation(SHEET, 1, 1, X, Y, CELL_W, CELL_H, -1, -1, 0, 0, 0, 0), 0);
}

// The font sheet: cell k is the green k * 4, on the white key.
class BitmapText : public GameScreen {
 protected:
  void SetUp() override {
    GameScreen::SetUp();
    MakeSprite(80, 320, 190, [](int32_t x, int32_t y) { return Rgb{0, 4 * (y / 38 * 10 + x / 32 + 1), 0}; });
    host_->now = 70000;
  }
  // Glyph shown at character position i of a text at (x, Y), 0 for none.
  int32_t GlyphAt(int32_t x, int32_t i) const { return Pixel(x + 33 * i, Y + 5) >> 5; }
  std::vector<int32_t> Glyphs(int32_t x, size_t count) const {
    std::vector<int32_t> g;
    for (size_t i = 0; i < count; ++i) g.push_back(GlyphAt(x, static_cast<int32_t>(i)));
    return g;
  }
  static constexpr int32_t Y = 100;
};

TEST_F(BitmapText, MapsCharactersToCells) {
  struct Case {
    std::string text;
    std::vector<int32_t> glyphs;
  };
  const std::vector<Case> cases = {
      {"AZaz", {1, 26, 1, 26}},
      {"1234567890", {39, 40, 41, 42, 43, 44, 45, 46, 47, 48}},
      {".,- ", {27, 28, 30, 50}},
      {"!ab", {0, 1, 2}},          // nothing before the first mapped character
      {"a!b", {1, 1, 2}},          // an unmapped byte repeats the glyph before it
      {"K?\"'(", {11, 11, 11, 11, 11}},
  };
  for (const Case& c : cases) {
    FillTarget(0, 0, 0);
    DrawBitmapText(10, Y, c.text);
    EXPECT_EQ(Glyphs(10, c.text.size()), c.glyphs) << c.text;
    EXPECT_EQ(GlyphAt(10, static_cast<int32_t>(c.text.size())), 0) << c.text;
  }
}

TEST_F(BitmapText, EmptyTextDrawsNothing) {
  DrawBitmapText(10, Y, "");
  EXPECT_EQ(GlyphAt(10, 0), 0);
  EXPECT_EQ(animTime[81], 0);
}

TEST_F(BitmapText, AdvancesThirtyThreePixelsAndTheScreenEdgeCutsTheLastGlyph) {
  const std::string text = "Press Esc To continue...";
  DrawBitmapText(10, Y, text);
  const std::vector<int32_t> expected = {16, 18, 5, 19, 19, 50, 5, 19, 3, 50, 20, 15,
                                         50, 3, 15, 14, 20, 9, 14, 21, 5, 27, 27, 27};
  EXPECT_EQ(Glyphs(10, text.size()), expected);
  // Each glyph is 32 wide, then one pixel of space.
  EXPECT_EQ(Pixel(10 + 31, Y + 5) >> 5, 16);
  EXPECT_EQ(Pixel(10 + 32, Y + 5), 0);
  EXPECT_EQ(Pixel(10 + 33, Y + 5) >> 5, 18);
  // The last glyph stands at 769..800: column 799 is its 31st, the 32nd is cut
  // off and does not spill into the next row.
  EXPECT_EQ(Pixel(768, Y + 5), 0);
  EXPECT_EQ(Pixel(769, Y + 5) >> 5, 27);
  EXPECT_EQ(Pixel(799, Y + 5) >> 5, 27);
  for (int32_t row = Y; row <= Y + 38; ++row) EXPECT_EQ(Pixel(0, row), 0) << row;
}
}  // namespace
