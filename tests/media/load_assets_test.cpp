// Loading the built-in media at game start, as the game sees them on the
// 16-bit screen.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue.h"
#include "platform/test_host.h"

namespace {

class LoadAssets : public testing::Test {
 protected:
  void SetUp() override {
    host_ = &InstallTestHost();
    StartSoundSystem();
    RegisterJpegDecoder();
    StartSpriteSystem();
    EnterFullscreen(800, 600, 16, "Tolvane");
    LoadGameAssets();
  }
  TestHost* host_ = nullptr;
};

uint16_t KeyOf(Key k) {
  switch (k) {
    case Key::Magenta: return ScreenColour(255, 0, 255);
    case Key::White: return ScreenColour(255, 255, 255);
    default: return 0;
  }
}

void ExpectEverySpriteMade() {
  for (const PictureSpec& p : PictureCatalogue()) {
    if (p.kind != MediaKind::Sprite) continue;
    EXPECT_EQ(SpriteFullWidth(p.number), p.width) << "sprite " << p.number;
    EXPECT_EQ(SpriteFullHeight(p.number), p.height) << "sprite " << p.number;
  }
  for (int32_t n : {SPRITE_PLAYER1_WORK, SPRITE_PLAYER2_WORK, SPRITE_P1_ENERGY_BAR, SPRITE_P1_AMMO_BAR,
                    SPRITE_P2_ENERGY_BAR, SPRITE_P2_AMMO_BAR}) {
    EXPECT_EQ(SpriteFullWidth(n), 10) << "sprite " << n;
    EXPECT_EQ(SpriteFullHeight(n), 10) << "sprite " << n;
    for (int32_t y = 0; y < 10; ++y)
      for (int32_t x = 0; x < 10; ++x) ASSERT_EQ(SpritePixel(n, x, y), 0) << "sprite " << n;
  }
  // Numbers no file fills hold a 1 x 1 black placeholder.
  for (int32_t n : {8, 29, SPRITE_GLYPH_WORK, SPRITE_SCREEN_STILL, 100, ANIM_BASE_MINE + 191, 1300}) {
    ASSERT_EQ(SpriteExists(n), 1) << "sprite " << n;
    EXPECT_EQ(SpriteFullWidth(n), 1) << "sprite " << n;
    EXPECT_EQ(SpriteFullHeight(n), 1) << "sprite " << n;
    EXPECT_EQ(SpritePixel(n, 0, 0), 0) << "sprite " << n;
  }
}

TEST_F(LoadAssets, EveryNumberHoldsItsSpriteOrAPlaceholder) { ExpectEverySpriteMade(); }

TEST_F(LoadAssets, ASecondGameHasAllSpritesAgain) {
  LeaveFullscreen();
  EXPECT_EQ(SpriteExists(SPRITE_PLAYER1_SHEET), 0);
  EnterFullscreen(800, 600, 16, "Tolvane");
  LoadGameAssets();
  ExpectEverySpriteMade();
}

TEST_F(LoadAssets, SoundsKeepTheirFormatAndOnlyTheirSamples) {
  for (const SoundSpec& s : SoundCatalogue()) {
    ASSERT_TRUE(host_->sounds.count(s.number)) << "sound " << s.number;
    const SoundData& d = host_->sounds.at(s.number);
    EXPECT_EQ(d.channels, s.channels) << "sound " << s.number;
    EXPECT_EQ(d.sampleRate, s.rate) << "sound " << s.number;
    EXPECT_EQ(d.bitsPerSample, s.bits) << "sound " << s.number;
    // The data chunk and nothing else: sound 3's LIST chunk stays out.
    EXPECT_EQ(d.samples.size(), Le32(BuiltInFile(MediaKind::Sound, s.number), 40)) << "sound " << s.number;
  }
}

// Key pixels of a cell that cannot be reached from its border: holes that
// would let the background show through the object.
int32_t EnclosedKeyPixels(int32_t n, int32_t cx, int32_t cy, int32_t w, int32_t h, uint16_t key) {
  std::vector<uint8_t> seen(w * h, 0);
  std::vector<int32_t> stack;
  auto push = [&](int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= w || y >= h || seen[y * w + x] || SpritePixel(n, cx + x, cy + y) != key) return;
    seen[y * w + x] = 1;
    stack.push_back(y * w + x);
  };
  for (int32_t x = 0; x < w; ++x) push(x, 0), push(x, h - 1);
  for (int32_t y = 0; y < h; ++y) push(0, y), push(w - 1, y);
  while (!stack.empty()) {
    int32_t i = stack.back();
    stack.pop_back();
    push(i % w + 1, i / w), push(i % w - 1, i / w), push(i % w, i / w + 1), push(i % w, i / w - 1);
  }
  int32_t enclosed = 0;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) enclosed += !seen[y * w + x] && SpritePixel(n, cx + x, cy + y) == key;
  return enclosed;
}

bool FontCellIsEmpty(int32_t cell) { return cell == 31 || cell == 49 || cell == 50; }

TEST_F(LoadAssets, SheetsStandOnTheirKeyWithWholeObjectsInEveryCell) {
  for (const PictureSpec& p : PictureCatalogue()) {
    if (p.key == Key::None) continue;
    ASSERT_EQ(p.width % p.cellW, 0);
    ASSERT_EQ(p.height % p.cellH, 0);
    const uint16_t key = KeyOf(p.key);
    const int32_t cols = p.width / p.cellW, cells = cols * (p.height / p.cellH);
    for (int32_t cell = 1; cell <= cells; ++cell) {
      SCOPED_TRACE("sprite " + std::to_string(p.number) + " cell " + std::to_string(cell));
      const int32_t cx = (cell - 1) % cols * p.cellW, cy = (cell - 1) / cols * p.cellH;
      int32_t borderOff = 0, drawn = 0;
      for (int32_t y = 0; y < p.cellH; ++y)
        for (int32_t x = 0; x < p.cellW; ++x) {
          bool on = SpritePixel(p.number, cx + x, cy + y) != key;
          drawn += on;
          if (x == 0 || y == 0 || x == p.cellW - 1 || y == p.cellH - 1) borderOff += on;
        }
      // Tiny projectiles may touch their edge; a sheet's frames may not.
      if (p.cellW > 12) {
        EXPECT_EQ(borderOff, 0);
      }
      if (p.number == SPRITE_BITMAP_FONT && FontCellIsEmpty(cell)) {
        EXPECT_EQ(drawn, 0);
        continue;
      }
      EXPECT_GT(drawn, p.cellW * p.cellH / 20);
      // The font's letters have counters; everything else is solid.
      if (p.number != SPRITE_BITMAP_FONT) {
        EXPECT_EQ(EnclosedKeyPixels(p.number, cx, cy, p.cellW, p.cellH, key), 0);
      }
    }
  }
}

struct Rgb {
  int r, g, b;
};
Rgb Channels(uint16_t c) { return {(c >> 11) << 3, ((c >> 5) & 63) << 2, (c & 31) << 3}; }

TEST_F(LoadAssets, FontLettersAreBlackWithAYellowAndRedEdge) {
  for (int32_t cell = 1; cell <= 50; ++cell) {
    if (FontCellIsEmpty(cell)) continue;
    int32_t black = 0, yellow = 0, red = 0;
    const int32_t cx = (cell - 1) % 10 * 32, cy = (cell - 1) / 10 * 38;
    for (int32_t y = 0; y < 38; ++y)
      for (int32_t x = 0; x < 32; ++x) {
        Rgb c = Channels(SpritePixel(SPRITE_BITMAP_FONT, cx + x, cy + y));
        black += c.r < 40 && c.g < 40 && c.b < 40;
        yellow += c.r > 200 && c.g > 170 && c.b < 100;
        red += c.r > 160 && c.g < 90 && c.b < 90;
      }
    EXPECT_GT(black, 0) << "cell " << cell;
    EXPECT_GT(yellow, 0) << "cell " << cell;
    EXPECT_GT(red, 0) << "cell " << cell;
  }
}

// Where a cell's drawn pixels lie tells the layout apart: marks sit high or
// low, narrow glyphs are narrow.
TEST_F(LoadAssets, FontCellsHoldTheirCharacters) {
  struct Box {
    int32_t left = 99, top = 99, right = -1, bottom = -1;
  };
  auto box = [](int32_t cell) {
    Box b;
    const int32_t cx = (cell - 1) % 10 * 32, cy = (cell - 1) / 10 * 38;
    for (int32_t y = 0; y < 38; ++y)
      for (int32_t x = 0; x < 32; ++x)
        if (SpritePixel(SPRITE_BITMAP_FONT, cx + x, cy + y) != ScreenColour(255, 255, 255))
          b = {std::min(b.left, x), std::min(b.top, y), std::max(b.right, x), std::max(b.bottom, y)};
    return b;
  };
  const Box letter = box(5);  // E: a full-height capital
  struct Case {
    int32_t cell;
    const char* what;
    bool low, high, narrow, wide;
  };
  for (Case c : {Case{27, "full stop", true, false, true, false}, Case{28, "comma", true, false, true, false},
                 Case{29, "closing quote", false, true, false, false}, Case{30, "dash", false, false, false, false},
                 Case{36, "apostrophe", false, true, true, false}, Case{32, "exclamation mark", false, false, true, false},
                 Case{9, "I", false, false, true, false}, Case{39, "1", false, false, false, false},
                 Case{13, "M", false, false, false, true}, Case{23, "W", false, false, false, true}}) {
    Box b = box(c.cell);
    const int32_t w = b.right - b.left + 1, h = b.bottom - b.top + 1;
    if (c.low) {
      EXPECT_GT(b.top, (letter.top + letter.bottom) / 2) << c.what;
    }
    if (c.high) {
      EXPECT_LT(b.bottom, letter.top + (letter.bottom - letter.top) * 3 / 5) << c.what;
    }
    if (c.narrow) {
      EXPECT_LT(w, 16) << c.what;
    }
    if (c.wide) {
      EXPECT_GT(w, 24) << c.what;
    }
    if (c.cell == 30) {
      EXPECT_LT(h, w) << c.what;  // the dash lies flat
    }
  }
}

TEST_F(LoadAssets, GroundSkyIsTransparentDownToSolidRockThatTiles) {
  int32_t specks = 0;
  for (int32_t x = 0; x < 1101; ++x) {
    // Solid rock from `solid` down; above it only a fringe of three rows may
    // show anything, or the sky would have specks.
    int32_t solid = 152;
    while (solid > 0 && SpritePixel(SPRITE_GROUND, x, solid - 1) != 0) --solid;
    EXPECT_GT(solid, 0) << "column " << x;
    // The rock shows within the 100 rows the screen leaves it (y 500..599).
    EXPECT_LT(solid, 100) << "column " << x;
    for (int32_t y = 0; y + 3 < solid; ++y) specks += SpritePixel(SPRITE_GROUND, x, y) != 0;
  }
  EXPECT_EQ(specks, 0);
  // Strips stand 1100 pixels apart: the last column must match the first.
  int32_t diff = 0;
  for (int32_t y = 0; y < 152; ++y) {
    Rgb a = Channels(SpritePixel(SPRITE_GROUND, 0, y)), b = Channels(SpritePixel(SPRITE_GROUND, 1100, y));
    diff += std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
  }
  EXPECT_LT(diff / 152, 24);
}

TEST_F(LoadAssets, OneColourPicturesHaveThatColour) {
  struct Case {
    int32_t sprite;
    uint16_t colour;
  };
  for (Case c : {Case{SPRITE_BAR_BACK, ScreenColour(54, 54, 54)}, Case{SPRITE_BEAM, ScreenColour(255, 255, 255)}}) {
    for (int32_t y = 0; y < SpriteFullHeight(c.sprite); ++y)
      for (int32_t x = 0; x < SpriteFullWidth(c.sprite); ++x)
        ASSERT_EQ(SpritePixel(c.sprite, x, y), c.colour) << "sprite " << c.sprite << " at " << x << "," << y;
  }
  for (int32_t x = 0; x < 100; ++x) {
    Rgb c = Channels(SpritePixel(SPRITE_BAR_FULL, x, 1));
    EXPECT_GT(std::max({c.r, c.g, c.b}), 180) << "bar column " << x;
  }
  // The energy pickup: a white cross on red.
  EXPECT_EQ(SpritePixel(SPRITE_ENERGY_PICKUP, 4, 3), ScreenColour(255, 255, 255));
  Rgb corner = Channels(SpritePixel(SPRITE_ENERGY_PICKUP, 1, 1));
  EXPECT_GT(corner.r, 150);
  EXPECT_LT(corner.g, 100);
}

TEST_F(LoadAssets, WeaponIconsDifferFromEachOther) {
  for (int32_t a = 1; a <= 7; ++a)
    for (int32_t b = a + 1; b <= 7; ++b) {
      int32_t differing = 0;
      for (int32_t y = 0; y < 14; ++y)
        for (int32_t x = 0; x < 15; ++x)
          differing += SpritePixel(SPRITE_WEAPON_ICON_BASE + a, x, y) != SpritePixel(SPRITE_WEAPON_ICON_BASE + b, x, y);
      EXPECT_GT(differing, 60) << "icons " << a << " and " << b;
    }
}

}  // namespace

namespace {

TEST(MenuPictures, DecodeToTheirSizes) {
  InstallTestHost();
  InitPictureTable();
  EXPECT_NE(DecodePictureFromMemory(PICTURE_FIGHTER, PictureFighterFile()), 0);
  EXPECT_NE(DecodePictureFromMemory(PICTURE_LOGO, PictureLogoFile()), 0);
  EXPECT_EQ(PictureWidth(PICTURE_FIGHTER), 104);
  EXPECT_EQ(PictureHeight(PICTURE_FIGHTER), 39);
  EXPECT_EQ(PictureWidth(PICTURE_LOGO), 163);
  EXPECT_EQ(PictureHeight(PICTURE_LOGO), 61);
}

}  // namespace
