// Text drawn straight into the 800 x 600 RGB 565 back buffer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/desktop_host.h"
#include "platform/host.h"

namespace {
constexpr uint16_t BACKGROUND = 0x1234;
constexpr uint16_t RED = 0xF800;
constexpr uint16_t ODD_COLOUR = 0x8A51;  // low bits set in every channel

struct Ink {
  int32_t left = SCREEN_WIDTH, top = SCREEN_HEIGHT, right = -1, bottom = -1;
  int32_t pixels = 0;
};

class BackBufferText : public ::testing::Test {
 protected:
  void SetUp() override {
    host = MakeDesktopHost();
    host->MakeFont(0, "arial", 8);
    pixels.assign(size_t(SCREEN_WIDTH) * SCREEN_HEIGHT, BACKGROUND);
  }
  // Where the picture differs from the background; every changed pixel must be `colour`
  // (or `other` where a filled background is allowed).
  Ink InkOf(uint16_t colour, uint16_t other = BACKGROUND) {
    Ink ink;
    for (int y = 0; y < SCREEN_HEIGHT; ++y)
      for (int x = 0; x < SCREEN_WIDTH; ++x) {
        const uint16_t p = pixels[size_t(y) * SCREEN_WIDTH + size_t(x)];
        if (p == BACKGROUND || p == other) continue;
        EXPECT_EQ(p, colour) << x << "," << y;
        ++ink.pixels;
        ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x);
        ink.top = std::min(ink.top, y), ink.bottom = std::max(ink.bottom, y);
      }
    return ink;
  }
  std::unique_ptr<PlatformHost> host;
  std::vector<uint16_t> pixels;
};

TEST_F(BackBufferText, TransparentTextInThePenColourAtTheTopLeft) {
  int32_t advance = -1;
  host->DrawText(pixels.data(), 100, 50, 0, RED, true, "Score 1230", &advance);
  const Ink ink = InkOf(RED);
  ASSERT_GT(ink.pixels, 40);
  // An 11-pixel font: the capitals sit just below y, the text stays within its advance.
  EXPECT_GE(ink.top, 50);
  EXPECT_LE(ink.top, 54);
  EXPECT_LE(ink.bottom, 50 + 13);
  EXPECT_GE(ink.left, 100);
  EXPECT_LE(ink.left, 102);
  // Arial's widths at 11 pixels (8 points at 96 dpi): 5.11 em, about 56 pixels.
  EXPECT_NEAR(advance, 56, 2);
  EXPECT_LE(ink.right, 100 + advance);
}

TEST_F(BackBufferText, TwiceThePointsTwiceTheHeight) {
  host->MakeFont(1, "arial", 16);
  int32_t small = 0, large = 0;
  host->DrawText(pixels.data(), 10, 10, 0, RED, true, "H", &small);
  const Ink a = InkOf(RED);
  pixels.assign(pixels.size(), BACKGROUND);
  host->DrawText(pixels.data(), 10, 10, 1, RED, true, "H", &large);
  const Ink b = InkOf(RED);
  EXPECT_NEAR(b.bottom - b.top + 1, 2 * (a.bottom - a.top + 1), 2);
  EXPECT_NEAR(large, 2 * small, 2);
}

TEST_F(BackBufferText, ColoursSurviveTheRoundTrip) {
  int32_t advance = 0;
  host->DrawText(pixels.data(), 0, 0, 0, ODD_COLOUR, true, "W", &advance);
  EXPECT_GT(InkOf(ODD_COLOUR).pixels, 5);
}

TEST_F(BackBufferText, OpaqueTextFillsItsBox) {
  int32_t advance = 0;
  host->DrawText(pixels.data(), 300, 200, 0, RED, false, "ab", &advance);
  constexpr uint16_t WHITE = 0xFFFF;
  InkOf(RED, WHITE);
  int32_t filled = 0;
  for (uint16_t p : pixels) filled += p == WHITE;
  EXPECT_GT(filled, advance * 8);
  EXPECT_EQ(pixels[size_t(199) * SCREEN_WIDTH + 300], BACKGROUND);
}

TEST_F(BackBufferText, EmptyTextAndTextOffTheEdgeAreSafe) {
  int32_t advance = -1;
  host->DrawText(pixels.data(), 10, 10, 0, RED, true, "", &advance);
  EXPECT_EQ(advance, 0);
  host->DrawText(pixels.data(), 795, 595, 0, RED, true, "Clipped text", &advance);
  host->DrawText(pixels.data(), -50, -5, 0, RED, true, "Clipped text", &advance);
  EXPECT_GT(advance, 0);
  const Ink ink = InkOf(RED);
  EXPECT_GT(ink.pixels, 0);
}

TEST_F(BackBufferText, AnUnknownFontStillDraws) {
  int32_t advance = 0;
  host->DrawText(pixels.data(), 10, 10, 7, RED, true, "x", &advance);
  EXPECT_GT(advance, 0);
}

// Text drawn again from the glyphs kept from an earlier draw must give the
// pixels a fresh layout gives, whatever the colour, background or position.
class CachedText : public ::testing::Test {
 protected:
  void SetUp() override {
    host = MakeDesktopHost();
    host->MakeFont(0, "arial", 8);
    host->MakeFont(1, "arial", 16);
    host->MakeFont(2, "courier", 12);
  }
  void TearDown() override { DesktopSetTextCache(true); }
  // A background that differs from pixel to pixel, so that a pixel set in
  // the wrong place or left out shows.
  static std::vector<uint16_t> Patterned() {
    std::vector<uint16_t> p(size_t(SCREEN_WIDTH) * SCREEN_HEIGHT);
    for (size_t i = 0; i < p.size(); ++i) p[i] = uint16_t(i * 2654435761u >> 7);
    return p;
  }
  struct Drawn {
    std::vector<uint16_t> pixels;
    int32_t advance = -1;
  };
  Drawn Draw(bool cached, int32_t x, int32_t y, int32_t font, uint16_t colour, bool transparent,
             const std::string& text) {
    DesktopSetTextCache(cached);
    Drawn d{Patterned()};
    host->DrawText(d.pixels.data(), x, y, font, colour, transparent, text, &d.advance);
    return d;
  }
  static void ExpectSame(const Drawn& a, const Drawn& b) {
    EXPECT_EQ(a.advance, b.advance);
    size_t differing = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) differing += a.pixels[i] != b.pixels[i];
    EXPECT_EQ(differing, 0u);
  }
  std::unique_ptr<PlatformHost> host;
};

TEST_F(CachedText, GivesTheSamePixelsAsAFreshLayout) {
  struct Case {
    int32_t x, y, font;
    uint16_t colour;
    bool transparent;
    std::string text;
  };
  const Case cases[] = {
      {146, 22, 0, 0xCE59, true, "12340"},
      {331, 22, 0, ODD_COLOUR, false, "12340"},   // same string, other colour, filled
      {300, 200, 1, RED, false, "Wave 7: go!"},
      {10, 500, 2, 0x07E0, true, "jgpq|Q_"},      // descenders, and glyphs past the advance
      {-20, 40, 0, RED, false, "Clipped left"},
      {770, 100, 1, 0x001F, false, "Clipped right"},
      {400, -6, 2, 0xFFFF, true, "Clipped top"},
      {400, 592, 1, 0x0000, false, "Clipped bottom"},
      {-3000, 100, 0, RED, true, "Wholly off"},
      {10, 10, 7, RED, false, "unknown font"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + " font " + std::to_string(c.font) + " at " + std::to_string(c.x) + "," +
                 std::to_string(c.y));
    const Drawn fresh = Draw(false, c.x, c.y, c.font, c.colour, c.transparent, c.text);
    // Kept from a draw in another place, colour and mode.
    Draw(true, 50, 50, c.font, uint16_t(~c.colour), !c.transparent, c.text);
    ExpectSame(fresh, Draw(true, c.x, c.y, c.font, c.colour, c.transparent, c.text));
  }
}

TEST_F(CachedText, ARemadeFontIsLaidOutAgain) {
  Draw(true, 100, 100, 1, RED, true, "Score 99");
  host->MakeFont(1, "arial", 10);
  const Drawn cached = Draw(true, 100, 100, 1, RED, true, "Score 99");
  ExpectSame(Draw(false, 100, 100, 1, RED, true, "Score 99"), cached);
}

TEST_F(CachedText, AScoreThatKeepsChangingStaysExact) {
  // More strings than are kept: the old ones make room and come back right.
  for (int round = 0; round < 2; ++round)
    for (int score = 0; score < 300; score += 3) {
      const std::string text = std::to_string(score * 10);
      SCOPED_TRACE(text);
      const Drawn cached = Draw(true, 146, 22, 0, 0xCE59, true, text);
      ExpectSame(Draw(false, 146, 22, 0, 0xCE59, true, text), cached);
    }
}
}  // namespace
