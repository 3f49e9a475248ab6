#include "tests/platform/platform_fixture.h"

namespace {

// A colour per column, never black, so that every drawn column can be told apart.
Rgb ColumnColour(int32_t col) { return {8, (col & 63) * 4, ((col >> 6) + 1) * 8}; }
uint16_t ColumnPixel(int32_t col) {
  const Rgb c = ColumnColour(col);
  return ScreenColour(c.r, c.g, c.b);
}

constexpr int32_t STRIPES = 10;

class SpriteTest : public FullScreenTest {
 protected:
  void SetUp() override {
    FullScreenTest::SetUp();
    ASSERT_EQ(LoadSprite(STRIPES, MakeBmp(100, 3, [](int32_t x, int32_t) { return ColumnColour(x); })), 1);
  }
};

struct ClipCase {
  int32_t x, y;
  int32_t firstScreenCol;  // -1: nothing drawn
  int32_t firstSpriteCol;
  int32_t columns;
  int32_t firstScreenRow;
  int32_t rows;
};

class BlitClipping : public SpriteTest, public ::testing::WithParamInterface<ClipCase> {};

TEST_P(BlitClipping, DrawsExactlyTheVisibleColumns) {
  const ClipCase c = GetParam();
  BlitSprite(STRIPES, c.x, c.y);
  if (c.firstScreenCol < 0) {
    EXPECT_EQ(CountNonZero(), 0);
    return;
  }
  EXPECT_EQ(CountNonZero(), int64_t(c.columns) * c.rows);
  for (int32_t i = 0; i < c.columns; ++i) {
    EXPECT_EQ(BackPixel(c.firstScreenCol + i, c.firstScreenRow), ColumnPixel(c.firstSpriteCol + i)) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BlitClipping,
    ::testing::Values(ClipCase{-100, 0, -1, 0, 0, 0, 0},    // right edge at 0: off the screen
                      ClipCase{-99, 0, 0, 99, 1, 0, 3},     // only the last column, at column 0
                      ClipCase{799, 0, 799, 0, 1, 0, 3},    // only the first column, at 799
                      ClipCase{800, 0, -1, 0, 0, 0, 0},
                      ClipCase{0, 0, 0, 0, 100, 0, 3},
                      ClipCase{350, 597, 350, 0, 100, 597, 3},
                      ClipCase{350, 598, 350, 0, 100, 598, 2},
                      ClipCase{350, 600, -1, 0, 0, 0, 0},
                      ClipCase{350, -2, 350, 0, 100, 0, 1},
                      ClipCase{350, -3, -1, 0, 0, 0, 0},
                      ClipCase{-150, -150, -1, 0, 0, 0, 0},
                      ClipCase{100000, 5, -1, 0, 0, 0, 0},
                      ClipCase{INT32_MIN, INT32_MIN, -1, 0, 0, 0, 0},
                      ClipCase{INT32_MAX, 0, -1, 0, 0, 0, 0}));

TEST_F(SpriteTest, ClippedRowsStartFromTheSkippedRow) {
  ASSERT_EQ(LoadSprite(11, MakeBmp(2, 3, [](int32_t, int32_t y) { return Rgb{8 * (y + 1), 0, 0}; })), 1);
  BlitSprite(11, 0, -2);
  EXPECT_EQ(BackPixel(0, 0), ScreenColour(24, 0, 0));
  EXPECT_EQ(BackPixel(0, 1), 0);
}

TEST_F(SpriteTest, ShownPartWithNegativeOriginOrNoSizeDrawsNothing) {
  struct View {
    int32_t x, y, w, h;
  };
  for (View v : {View{-5, 0, 10, 3}, View{0, -1, 10, 3}, View{-2, -2, 4, 4}, View{0, 0, 0, 3},
                 View{0, 0, 10, 0}, View{0, 0, -4, 3}, View{10, 0, 10, -1}}) {
    SetSpriteViewport(STRIPES, v.x, v.y, v.w, v.h);
    BlitSprite(STRIPES, 100, 100);
    BlitSpriteKeyed(STRIPES, 100, 100);
    EXPECT_EQ(CountNonZero(), 0) << v.x << "," << v.y << " " << v.w << "x" << v.h;
  }
  // x = -1 brings back the whole image.
  SetSpriteViewport(STRIPES, -1, 0, 0, 0);
  EXPECT_EQ(SpriteExtentX(STRIPES), 100);
  EXPECT_EQ(SpriteExtentY(STRIPES), 3);
  BlitSprite(STRIPES, 0, 0);
  EXPECT_EQ(CountNonZero(), 300);
}

TEST_F(SpriteTest, NegativeOriginAndSizesAreStoredUnchanged) {
  SetSpriteViewport(STRIPES, -5, -7, -3, 0);
  EXPECT_EQ(SpriteExtentX(STRIPES), -3);
  EXPECT_EQ(SpriteExtentY(STRIPES), 0);
}

TEST_F(SpriteTest, ViewportPastTheRightEdgeIsCutToTheImage) {
  SetSpriteViewport(STRIPES, 90, 0, 20, 5);
  EXPECT_EQ(SpriteExtentX(STRIPES), 10);
  EXPECT_EQ(SpriteExtentY(STRIPES), 3);
  BlitSprite(STRIPES, 0, 0);
  EXPECT_EQ(CountNonZero(), 30);
  for (int32_t i = 0; i < 10; ++i) EXPECT_EQ(BackPixel(i, 2), ColumnPixel(90 + i));
  EXPECT_EQ(BackPixel(10, 0), 0);
}

TEST_F(SpriteTest, BlackKeyDropsOnlyTheLowBits) {
  EXPECT_EQ(ScreenColour(7, 3, 7), 0);
  EXPECT_NE(ScreenColour(8, 0, 0), 0);
  ASSERT_EQ(LoadSprite(1, MakeBmp(2, 1, [](int32_t x, int32_t) { return x == 0 ? Rgb{7, 3, 7} : Rgb{8, 0, 0}; })), 1);
  FillTarget(0, 0, 255);
  BlitSpriteKeyed(1, 10, 10);
  EXPECT_EQ(BackPixel(10, 10), ScreenColour(0, 0, 255));
  EXPECT_EQ(BackPixel(11, 10), ScreenColour(8, 0, 0));
  // The opaque blit draws both.
  BlitSprite(1, 10, 10);
  EXPECT_EQ(BackPixel(10, 10), 0);
}

TEST_F(SpriteTest, MagentaKeyAlsoHidesNearMagenta) {
  ASSERT_EQ(LoadSprite(1, MakeBmp(3, 1, [](int32_t x, int32_t) {
                         return x == 0 ? Rgb{255, 0, 255} : x == 1 ? Rgb{248, 0, 248} : Rgb{240, 0, 240};
                       })),
            1);
  SetSpriteKeyColour(1, 255, 0, 255);
  FillTarget(0, 255, 0);
  BlitSpriteKeyed(1, 0, 0);
  EXPECT_EQ(BackPixel(0, 0), ScreenColour(0, 255, 0));
  EXPECT_EQ(BackPixel(1, 0), ScreenColour(0, 255, 0));
  EXPECT_EQ(BackPixel(2, 0), ScreenColour(240, 0, 240));
}

TEST_F(SpriteTest, KeyedBlitKeepsTheBackgroundUnderEveryKeyPixel) {
  // Wide enough for whole runs of eight and a tail; every third pixel is the key.
  const auto colour = [](int32_t x, int32_t y) { return (x + y) % 3 == 0 ? Rgb{0, 0, 0} : Rgb{8 * (x % 32), 4 * y, 200}; };
  ASSERT_EQ(LoadSprite(1, MakeBmp(37, 2, colour)), 1);
  FillTarget(0, 255, 0);
  BlitSpriteKeyed(1, 3, 4);
  for (int32_t y = 0; y < 2; ++y) {
    for (int32_t x = 0; x < 37; ++x) {
      const Rgb c = colour(x, y);
      const uint16_t want = (x + y) % 3 == 0 ? ScreenColour(0, 255, 0) : ScreenColour(c.r, c.g, c.b);
      EXPECT_EQ(BackPixel(3 + x, 4 + y), want) << x << "," << y;
    }
  }
  EXPECT_EQ(BackPixel(40, 4), ScreenColour(0, 255, 0));
  EXPECT_EQ(BackPixel(2, 4), ScreenColour(0, 255, 0));
}

TEST_F(SpriteTest, NegativeNumberSetsTheDefaultKeyForLaterSprites) {
  LoadSprite(1, SolidBmp(1, 1, {255, 0, 255}));
  SetSpriteKeyColour(-1, 255, 0, 255);
  LoadSprite(2, SolidBmp(1, 1, {255, 0, 255}));
  BlitSpriteKeyed(1, 0, 0);
  BlitSpriteKeyed(2, 1, 0);
  EXPECT_EQ(BackPixel(0, 0), ScreenColour(255, 0, 255));  // made before: black key
  EXPECT_EQ(BackPixel(1, 0), 0);
}

TEST_F(SpriteTest, DuplicateCopiesTheWholeSheetWithDefaultKeyAndFullView) {
  LoadSprite(20, MakeBmp(64, 38, [](int32_t x, int32_t) { return x < 32 ? Rgb{0, 0, 0} : Rgb{255, 0, 255}; }));
  SetSpriteViewport(20, 32, 0, 32, 38);
  SetSpriteKeyColour(20, 255, 0, 255);
  DuplicateSprite(20, 21, 0);
  EXPECT_EQ(SpriteFullWidth(21), 64);
  EXPECT_EQ(SpriteExtentX(21), 64);
  EXPECT_EQ(SpriteExtentY(21), 38);
  EXPECT_EQ(SpritePixel(21, 40, 5), ScreenColour(255, 0, 255));
  // The copy's key is black: the magenta half shows, the black half does not.
  FillTarget(0, 255, 0);
  BlitSpriteKeyed(21, 0, 0);
  EXPECT_EQ(BackPixel(0, 0), ScreenColour(0, 255, 0));
  EXPECT_EQ(BackPixel(40, 0), ScreenColour(255, 0, 255));
  // The source keeps its own shown part and key.
  EXPECT_EQ(SpriteExtentX(20), 32);
}

TEST_F(SpriteTest, DuplicateOutlivesItsSourceAndIgnoresEmptySources) {
  LoadSprite(1, SolidBmp(4, 4, {255, 255, 255}));
  DuplicateSprite(1, 2, 0);
  NewBlankSpriteDefault(1, 2, 2);  // remade: the copy keeps the old pixels
  EXPECT_EQ(SpritePixel(2, 3, 3), 0xFFFF);
  EXPECT_EQ(SpritePixel(1, 1, 1), 0);
  DuplicateSprite(40, 2, 0);  // nothing under 40: 2 unchanged
  EXPECT_EQ(SpriteFullWidth(2), 4);
  SetSpriteViewport(2, 1, 1, 2, 2);
  DuplicateSprite(2, 2, 0);  // onto itself: the whole image again
  EXPECT_EQ(SpriteExtentX(2), 4);
  EXPECT_EQ(SpritePixel(2, 0, 0), 0xFFFF);
}

TEST_F(SpriteTest, NewBlankSpriteIsBlackAndReplacesTheOldOne) {
  NewBlankSpriteDefault(STRIPES, 5, 6);
  EXPECT_EQ(SpriteFullWidth(STRIPES), 5);
  EXPECT_EQ(SpriteFullHeight(STRIPES), 6);
  EXPECT_EQ(SpritePixel(STRIPES, 4, 5), 0);
  EXPECT_EQ(SpritePixel(STRIPES, 5, 0), 0);
  EXPECT_EQ(NewBlankSprite(-3, 5, 5, 0), 0);
  EXPECT_EQ(SpriteExists(-3), 0);
  EXPECT_EQ(NewBlankSpriteDefault(STRIPES, 0, 5), 0);
  EXPECT_EQ(SpriteExists(STRIPES), 0);
}

TEST_F(SpriteTest, NumbersBeyondTheRoomGrowTheTable) {
  for (int32_t n : {49, 50, 51, 500, 1300}) {
    EXPECT_EQ(NewBlankSpriteDefault(n, 2, 2), 1) << n;
    EXPECT_EQ(SpriteExists(n), 1);
  }
  EXPECT_EQ(SpriteExists(1299), 0);
  EXPECT_EQ(SpriteExists(100000), 0);
  EXPECT_EQ(SpriteExtentX(100000), 0);
  BlitSprite(100000, 0, 0);
  BlitSprite(-1, 0, 0);
  EXPECT_EQ(SpritesTouch(-1, 0, 0, 1300, 0, 0), 0);
}

TEST_F(SpriteTest, CaptureCopiesTheBackBufferRectangle) {
  BlitSprite(STRIPES, 0, 1);
  CaptureSprite(82, 1, 1, 799, 599, 0);
  EXPECT_EQ(SpriteFullWidth(82), 799);
  EXPECT_EQ(SpriteFullHeight(82), 599);
  EXPECT_EQ(SpritePixel(82, 0, 0), ColumnPixel(1));
  EXPECT_EQ(SpritePixel(82, 98, 2), ColumnPixel(99));
  FillTarget(0, 0, 0);
  BlitSprite(82, 1, 1);
  EXPECT_EQ(BackPixel(1, 1), ColumnPixel(1));
  EXPECT_EQ(BackPixel(0, 1), 0);
}

TEST_F(SpriteTest, CapturePartlyOffTheScreenKeepsTheRestBlack) {
  FillTarget(255, 255, 255);
  CaptureSprite(5, 790, 595, 20, 10, 0);
  EXPECT_EQ(SpritePixel(5, 9, 4), 0xFFFF);
  EXPECT_EQ(SpritePixel(5, 10, 4), 0);
  EXPECT_EQ(SpritePixel(5, 9, 5), 0);
  CaptureSprite(6, -10, -10, 5, 5, 0);
  EXPECT_EQ(SpritePixel(6, 4, 4), 0);
}

TEST_F(SpriteTest, LeaveFullscreenFreesEverySprite) {
  for (int32_t n : {0, 5, 82, 1300}) NewBlankSpriteDefault(n, 3, 3);
  LeaveFullscreen();
  EXPECT_FALSE(host->screenOpen);
  for (int32_t n : {0, 5, 10, 82, 1300}) EXPECT_EQ(SpriteExists(n), 0) << n;
  ASSERT_EQ(EnterFullscreen(800, 600, 16, "Tolvane"), 1);
  BlitSprite(STRIPES, 0, 0);
  BlitSpriteKeyed(STRIPES, 0, 0);
  EXPECT_EQ(CountNonZero(), 0);
}

TEST_F(SpriteTest, NothingIsDrawnWhileTheScreenIsNotActive) {
  host->screenOpen = false;  // the user switched away
  PresentFrame();
  BlitSprite(STRIPES, 0, 0);
  EXPECT_EQ(CountNonZero(), 0);
  host->screenOpen = true;
  PresentFrame();
  BlitSprite(STRIPES, 0, 0);
  EXPECT_EQ(CountNonZero(), 300);
}

TEST(SpriteOutsideFullscreen, BlitsBeforeTheScreenOpensDrawNothing) {
  InstallTestHost();
  StartSpriteSystem();
  LoadSprite(1, SolidBmp(4, 4, {255, 255, 255}));
  BlitSprite(1, 0, 0);
  BlitSpriteKeyed(1, 0, 0);
  EXPECT_EQ(CountNonZero(), 0);
}

// ---- collision ----

class TouchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallTestHost();
    StartSpriteSystem();
    LoadSprite(1, SolidBmp(10, 10, {255, 0, 0}));
    LoadSprite(2, SolidBmp(10, 10, {0, 255, 0}));
  }
};

struct TouchCase {
  int32_t xb, yb;
  int32_t touches;
};

class TouchBoxes : public TouchTest, public ::testing::WithParamInterface<TouchCase> {};

TEST_P(TouchBoxes, SolidSpritesTouchOnlyWhenTheyOverlap) {
  const TouchCase c = GetParam();
  EXPECT_EQ(SpritesTouch(1, 100, 100, 2, 100 + c.xb, 100 + c.yb), c.touches);
  EXPECT_EQ(SpritesTouch(2, 100 + c.xb, 100 + c.yb, 1, 100, 100), c.touches);
}

INSTANTIATE_TEST_SUITE_P(Cases, TouchBoxes,
                         ::testing::Values(TouchCase{10, 0, 0}, TouchCase{-10, 0, 0}, TouchCase{0, 10, 0},
                                           TouchCase{0, -10, 0}, TouchCase{10, 10, 0}, TouchCase{9, 0, 1},
                                           TouchCase{-9, 0, 1}, TouchCase{0, 9, 1}, TouchCase{9, 9, 1},
                                           TouchCase{-9, -9, 1}, TouchCase{0, 0, 1}, TouchCase{50, 0, 0},
                                           TouchCase{0, -11, 0}));

TEST_F(TouchTest, OverlapOfKeyPixelsOnlyDoesNotTouch) {
  // Left half red, right half black (the key).
  LoadSprite(3, MakeBmp(10, 10, [](int32_t x, int32_t) { return x < 5 ? Rgb{255, 0, 0} : Rgb{0, 0, 0}; }));
  EXPECT_EQ(SpritesTouch(3, 0, 0, 2, 5, 0), 0);
  EXPECT_EQ(SpritesTouch(3, 0, 0, 2, 4, 0), 1);
  // Every pixel of b is its own key: never a touch, even over a solid a.
  LoadSprite(4, SolidBmp(10, 10, {255, 0, 255}));
  SetSpriteKeyColour(4, 255, 0, 255);
  EXPECT_EQ(SpritesTouch(1, 0, 0, 4, 0, 0), 0);
  EXPECT_EQ(SpritesTouch(4, 0, 0, 1, 0, 0), 0);
  SetSpriteKeyColour(4, 0, 0, 0);
  EXPECT_EQ(SpritesTouch(1, 0, 0, 4, 0, 0), 1);
}

TEST_F(TouchTest, UsesTheFrameThatTheShownPartSelects) {
  // A sheet of two 10 x 10 frames: the left one all key, the right one solid.
  LoadSprite(5, MakeBmp(20, 10, [](int32_t x, int32_t) { return x < 10 ? Rgb{0, 0, 0} : Rgb{0, 0, 255}; }));
  SetSpriteViewport(5, 0, 0, 10, 10);
  EXPECT_EQ(SpritesTouch(5, 0, 0, 1, 0, 0), 0);
  EXPECT_EQ(SpritesTouch(5, 0, 0, 1, 9, 0), 0);  // the solid frame would lie under b here
  SetSpriteViewport(5, 10, 0, 10, 10);
  EXPECT_EQ(SpritesTouch(5, 0, 0, 1, 0, 0), 1);
  EXPECT_EQ(SpritesTouch(5, 0, 0, 1, 9, 9), 1);
  EXPECT_EQ(SpritesTouch(5, 0, 0, 1, 10, 0), 0);
}

TEST_F(TouchTest, OverlapIsCountedFromEachShownPartsOrigin) {
  // One solid pixel at (7, 2) of a 10 x 5 frame that starts at column 10.
  LoadSprite(6, MakeBmp(20, 5, [](int32_t x, int32_t y) { return x == 17 && y == 2 ? Rgb{255, 255, 255} : Rgb{0, 0, 0}; }));
  SetSpriteViewport(6, 10, 0, 10, 5);
  LoadSprite(7, SolidBmp(1, 1, {255, 255, 255}));
  EXPECT_EQ(SpritesTouch(6, 50, 50, 7, 57, 52), 1);
  EXPECT_EQ(SpritesTouch(6, 50, 50, 7, 56, 52), 0);
  EXPECT_EQ(SpritesTouch(7, 57, 52, 6, 50, 50), 1);
  EXPECT_EQ(SpritesTouch(7, 57, 53, 6, 50, 50), 0);
}

TEST_F(TouchTest, ShownPartsLeavingTheImageReadNothingOutsideIt) {
  SetSpriteViewport(1, -5, -5, 30, 30);  // stored as is
  EXPECT_EQ(SpritesTouch(1, 0, 0, 2, -5, -5), 0);  // b over a's part outside the image
  EXPECT_EQ(SpritesTouch(1, 0, 0, 2, 5, 5), 1);   // b over the image itself
  EXPECT_EQ(SpritesTouch(1, 0, 0, 2, 15, 15), 0);  // past the image again
  SetSpriteViewport(2, 0, 0, 0, 10);
  EXPECT_EQ(SpritesTouch(1, 0, 0, 2, 5, 5), 0);
}

TEST_F(TouchTest, SizesThatGrowAfterAnEarlierTestAreSeen) {
  // A shown part narrowed, then widened again.
  LoadSprite(8, SolidBmp(40, 10, {0, 0, 255}));
  SetSpriteViewport(8, 0, 0, 5, 10);
  EXPECT_EQ(SpritesTouch(8, 0, 0, 1, 30, 0), 0);
  SetSpriteViewport(8, -1, 0, 0, 0);
  EXPECT_EQ(SpritesTouch(8, 0, 0, 1, 30, 0), 1);
  // A small sprite replaced by a copy of a larger one, and a number far past the room.
  LoadSprite(9, SolidBmp(1, 1, {0, 0, 255}));
  EXPECT_EQ(SpritesTouch(9, 0, 0, 1, 30, 0), 0);
  DuplicateSprite(8, 9, 0);
  EXPECT_EQ(SpritesTouch(9, 0, 0, 1, 30, 0), 1);
  DuplicateSprite(8, 1299, 0);
  EXPECT_EQ(SpritesTouch(1299, 0, 0, 1, 30, 0), 1);
  // Freed: nothing touches any more.
  NewBlankSprite(9, 0, 0, 0);
  EXPECT_EQ(SpritesTouch(9, 0, 0, 1, 0, 0), 0);
}

TEST_F(TouchTest, EveryColumnOfAWideOverlapIsLookedAt) {
  // Rows are compared several columns at a time, with a remainder at the end.
  LoadSprite(10, SolidBmp(27, 3, {255, 255, 255}));
  for (int32_t c : {0, 7, 8, 15, 16, 23, 24, 26}) {
    LoadSprite(11, MakeBmp(27, 3, [c](int32_t x, int32_t y) { return x == c && y == 2 ? Rgb{9, 9, 9} : Rgb{0, 0, 0}; }));
    EXPECT_EQ(SpritesTouch(10, 0, 0, 11, 0, 0), 1) << "column " << c;
    EXPECT_EQ(SpritesTouch(10, 0, 0, 11, 0, 1), 0) << "column " << c << ", moved down past a's rows";
    // Where a shows its key, the lone pixel of b does not count.
    LoadSprite(12, MakeBmp(27, 3, [c](int32_t x, int32_t) { return x == c ? Rgb{0, 0, 0} : Rgb{255, 255, 255}; }));
    EXPECT_EQ(SpritesTouch(12, 0, 0, 11, 0, 0), 0) << "column " << c;
  }
}

TEST_F(TouchTest, EmptyNumbersNeverTouch) {
  EXPECT_EQ(SpritesTouch(1, 0, 0, 33, 0, 0), 0);
  EXPECT_EQ(SpritesTouch(33, 0, 0, 1, 0, 0), 0);
}

}  // namespace
