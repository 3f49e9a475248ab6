#include "tests/platform/platform_fixture.h"

namespace {

using ScreenTest = FullScreenTest;

TEST_F(ScreenTest, EnterFullscreenOpensTheHostScreenWithBlackBuffers) {
  EXPECT_TRUE(host->screenOpen);
  EXPECT_EQ(host->screenTitle, "Tolvane");
  FillTarget(255, 255, 255);
  PresentFrame();
  FillTarget(255, 255, 255);
  ASSERT_EQ(EnterFullscreen(800, 600, 16, "Again"), 1);
  EXPECT_EQ(CountNonZero(), 0);
  PresentFrame();
  EXPECT_EQ(CountNonZero(), 0);  // the other buffer is black too
}

TEST(ScreenStart, FailuresAreReported) {
  TestHost& host = InstallTestHost();
  host.displayWorks = false;
  EXPECT_EQ(StartSpriteSystem(), 0);
  EXPECT_EQ(EnterFullscreen(800, 600, 16, "Tolvane"), 0);
  EXPECT_EQ(BackBufferDrawTarget(), 0);
  host.displayWorks = true;
  EXPECT_NE(StartSpriteSystem(), 0);
  EXPECT_EQ(EnterFullscreen(640, 480, 16, "Tolvane"), 0);
}

TEST_F(ScreenTest, PresentShowsTheBackBufferAndSwapsTheBuffers) {
  FillTarget(255, 0, 0);
  PresentFrame();
  EXPECT_EQ(host->presents, 1);
  ASSERT_EQ(host->lastPicture.size(), size_t(800 * 600));
  EXPECT_EQ(host->lastPicture[0], ScreenColour(255, 0, 0));
  EXPECT_EQ(host->lastPicture[800 * 600 - 1], ScreenColour(255, 0, 0));
  // The back buffer now holds what was visible before: black.
  EXPECT_EQ(BackPixel(0, 0), 0);
  FillTarget(0, 255, 0);
  PresentFrame();
  EXPECT_EQ(host->lastPicture[0], ScreenColour(0, 255, 0));
  EXPECT_EQ(BackPixel(400, 300), ScreenColour(255, 0, 0));
}

TEST_F(ScreenTest, WhileNotActiveNothingIsShownAndTheBackBufferStays) {
  FillTarget(0, 0, 255);
  host->screenOpen = false;
  PresentFrame();
  EXPECT_EQ(host->presents, 0);
  EXPECT_EQ(BackPixel(0, 0), ScreenColour(0, 0, 255));
}

TEST_F(ScreenTest, PresentOutsideTheFullScreenShowsNothing) {
  LeaveFullscreen();
  host->screenOpen = true;  // a host that would still say yes
  PresentFrame();
  EXPECT_EQ(host->presents, 0);
}

TEST_F(ScreenTest, FrameLimitWaitsMoreThanOneOverFpsPlusOne) {
  SetFrameLimit(80);
  PresentFrame();  // the first present has nothing to wait for
  EXPECT_EQ(host->yields, 0);
  const uint32_t start = host->now;
  PresentFrame();
  // More than 1/81 s = 12.35 ms with a 1 ms virtual clock step: 13 ms.
  EXPECT_EQ(host->now - start, 13u);
  EXPECT_EQ(host->yields, 13);
  // Time spent elsewhere counts towards the limit.
  host->now += 20;
  const int32_t yields = host->yields;
  PresentFrame();
  EXPECT_EQ(host->yields, yields);
  SetFrameLimit(0);
  PresentFrame();
  PresentFrame();
  EXPECT_EQ(host->yields, yields);
}

TEST_F(ScreenTest, FillTargetConvertsTheColour) {
  for (Rgb c : {Rgb{0, 0, 0}, Rgb{255, 255, 255}, Rgb{8, 4, 8}, Rgb{200, 100, 50}, Rgb{7, 3, 7}}) {
    FillTarget(c.r, c.g, c.b);
    const uint16_t want = ScreenColour(c.r, c.g, c.b);
    const uint16_t* p = BackBufferPixels();
    int64_t wrong = 0;
    for (int32_t i = 0; i < 800 * 600; ++i) wrong += p[i] != want;
    EXPECT_EQ(wrong, 0) << c.r << "," << c.g << "," << c.b;
  }
  EXPECT_EQ(ScreenColour(8, 4, 8), 0x0821);
}

// ---- drawing on the back buffer ----

TEST_F(ScreenTest, DrawingWithoutAContextDoesNothing) {
  MakeFont(0, "arial", 8);
  SelectDrawFont(SelectFontSlot(0));
  SetPenColour(255, 255, 255);
  MovePen(10, 10);
  DrawTextAtPen("NO");
  SetTargetPixel(5, 5, PackRgb(255, 255, 255));
  DrawDiscRgb(100, 100, 3, PackRgb(255, 255, 255));
  EXPECT_EQ(CountNonZero(), 0);
  EXPECT_TRUE(host->textsDrawn.empty());
  // After a release as well.
  ASSERT_EQ(AcquireDrawContext(BackBufferDrawTarget()), 1);
  ReleaseDrawContext();
  SetTargetPixel(5, 5, PackRgb(255, 255, 255));
  DrawTextAtPen("NO");
  EXPECT_EQ(CountNonZero(), 0);
  EXPECT_TRUE(host->textsDrawn.empty());
}

TEST_F(ScreenTest, ContextNeedsTheBackBufferTarget) {
  EXPECT_EQ(AcquireDrawContext(0), 0);
  EXPECT_EQ(AcquireDrawContext(BackBufferDrawTarget() + 5), 0);
  LeaveFullscreen();
  EXPECT_EQ(BackBufferDrawTarget(), 0);
  EXPECT_EQ(AcquireDrawContext(1), 0);
}

TEST_F(ScreenTest, SetTargetPixelWritesTheExact565Value) {
  ASSERT_EQ(AcquireDrawContext(BackBufferDrawTarget()), 1);
  SetTargetPixel(10, 20, PackRgb(255, 128, 7));
  SetTargetPixel(799, 599, PackRgb(8, 4, 8));
  SetTargetPixel(0, 0, PackRgb(7, 3, 7));
  EXPECT_EQ(BackPixel(10, 20), 0xFC00);
  EXPECT_EQ(BackPixel(799, 599), 0x0821);
  EXPECT_EQ(BackPixel(0, 0), 0);
  // A wrong caller cannot write outside the buffer.
  SetTargetPixel(-1, 0, PackRgb(255, 255, 255));
  SetTargetPixel(800, 0, PackRgb(255, 255, 255));
  SetTargetPixel(0, 600, PackRgb(255, 255, 255));
  SetTargetPixel(INT32_MIN, INT32_MAX, PackRgb(255, 255, 255));
  EXPECT_EQ(CountNonZero(), 2);
  ReleaseDrawContext();
}

TEST_F(ScreenTest, TextGoesToTheHostAndMovesThePen) {
  MakeFont(0, "arial", 8);
  ASSERT_EQ(AcquireDrawContext(BackBufferDrawTarget()), 1);
  SelectDrawFont(SelectFontSlot(0));
  SetDrawFlags(1);
  SetPenColour(255, 255, 0);
  MovePen(5, 7);
  DrawTextAtPen("AB");
  DrawTextAtPen("");
  DrawTextAtPen("C");
  ReleaseDrawContext();
  ASSERT_EQ(host->textsDrawn.size(), 2u);
  EXPECT_EQ(host->textsDrawn[0].x, 5);
  EXPECT_EQ(host->textsDrawn[0].y, 7);
  EXPECT_EQ(host->textsDrawn[0].font, 0);
  EXPECT_EQ(host->textsDrawn[0].colour, ScreenColour(255, 255, 0));
  EXPECT_EQ(host->textsDrawn[0].text, "AB");
  EXPECT_EQ(host->textsDrawn[1].x, 5 + 12);  // the test host advances 6 per byte
  EXPECT_EQ(host->textsDrawn[1].text, "C");
}

TEST_F(ScreenTest, DiscOfRadiusOneIsAPlus) {
  ASSERT_EQ(AcquireDrawContext(BackBufferDrawTarget()), 1);
  DrawDiscRgb(100, 100, 1, PackRgb(255, 255, 255));
  ReleaseDrawContext();
  EXPECT_EQ(CountNonZero(), 5);
  for (auto [x, y] : {std::pair{100, 100}, std::pair{99, 100}, std::pair{101, 100}, std::pair{100, 99},
                      std::pair{100, 101}}) {
    EXPECT_EQ(BackPixel(x, y), 0xFFFF);
  }
  EXPECT_EQ(BackPixel(99, 99), 0);
}

TEST_F(ScreenTest, DiscIsClippedAndRoundAndSetsThePen) {
  ASSERT_EQ(AcquireDrawContext(BackBufferDrawTarget()), 1);
  DrawDiscRgb(0, 0, 1, PackRgb(255, 0, 0));
  DrawDiscRgb(799, 599, 1, PackRgb(255, 0, 0));
  DrawDiscRgb(-5, 300, 1, PackRgb(255, 0, 0));
  DrawDiscRgb(400, 300, 0, PackRgb(255, 0, 0));
  EXPECT_EQ(CountNonZero(), 6);
  DrawDiscRgb(400, 300, 3, PackRgb(0, 255, 0));
  EXPECT_EQ(BackPixel(403, 300), ScreenColour(0, 255, 0));
  EXPECT_EQ(BackPixel(402, 302), ScreenColour(0, 255, 0));
  EXPECT_EQ(BackPixel(403, 303), 0);
  // A huge radius costs no more than the screen.
  DrawDiscRgb(400, 300, INT32_MAX, PackRgb(0, 0, 255));
  EXPECT_EQ(BackPixel(0, 0), ScreenColour(0, 0, 255));
  // The disc's colour became the text colour.
  DrawTextAtPen("x");
  ReleaseDrawContext();
  ASSERT_EQ(host->textsDrawn.size(), 1u);
  EXPECT_EQ(host->textsDrawn[0].colour, ScreenColour(0, 0, 255));
}

TEST_F(ScreenTest, SpritesWaitForTheContextToBeReleased) {
  LoadSprite(1, SolidBmp(4, 4, {255, 255, 255}));
  ASSERT_EQ(AcquireDrawContext(BackBufferDrawTarget()), 1);
  BlitSprite(1, 0, 0);
  EXPECT_EQ(CountNonZero(), 0);
  ReleaseDrawContext();
  BlitSprite(1, 0, 0);
  EXPECT_EQ(CountNonZero(), 16);
}

}  // namespace
