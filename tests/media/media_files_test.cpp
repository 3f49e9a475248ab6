// The built-in files, byte by byte: the formats the loaders rely on.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "catalogue.h"

namespace {

bool TagAt(MemoryFile f, size_t at, const char* tag) {
  return at + 4 <= f.size() && std::memcmp(f.data() + at, tag, 4) == 0;
}

TEST(MediaFiles, ThereAreExactly42AndEachCatalogueEntryHasOne) {
  EXPECT_EQ(kEmbeddedFileCount, 42u);
  for (const PictureSpec& p : PictureCatalogue())
    EXPECT_FALSE(BuiltInFile(p.kind, p.number).empty()) << "picture " << p.number;
  for (const SoundSpec& s : SoundCatalogue()) EXPECT_FALSE(BuiltInFile(MediaKind::Sound, s.number).empty());
  EXPECT_TRUE(BuiltInFile(MediaKind::Sprite, 29).empty());
  EXPECT_TRUE(BuiltInFile(MediaKind::Sprite, 13).empty());
}

TEST(MediaFiles, BmpHeadersAndRowPadding) {
  for (const PictureSpec& p : PictureCatalogue()) {
    if (p.jpeg) continue;
    SCOPED_TRACE("picture " + std::to_string(p.number));
    MemoryFile f = BuiltInFile(p.kind, p.number);
    ASSERT_GE(f.size(), 54u);
    const uint32_t stride = (p.width * 3 + 3) / 4 * 4;
    EXPECT_EQ(f[0], 'B');
    EXPECT_EQ(f[1], 'M');
    EXPECT_EQ(Le32(f, 2), f.size());
    EXPECT_EQ(Le32(f, 6), 0u);
    EXPECT_EQ(Le32(f, 10), 54u);
    EXPECT_EQ(Le32(f, 14), 40u);
    EXPECT_EQ(int32_t(Le32(f, 18)), p.width);
    EXPECT_EQ(int32_t(Le32(f, 22)), p.height);  // positive: bottom-up rows
    EXPECT_EQ(Le16(f, 26), 1u);
    EXPECT_EQ(Le16(f, 28), 24u);
    EXPECT_EQ(Le32(f, 30), 0u);
    EXPECT_EQ(Le32(f, 46), 0u);
    EXPECT_EQ(Le32(f, 50), 0u);
    ASSERT_EQ(f.size(), 54 + stride * p.height);
    for (int32_t y = 0; y < p.height; ++y)
      for (uint32_t b = p.width * 3; b < stride; ++b) ASSERT_EQ(f[54 + y * stride + b], 0) << "row " << y;
  }
}

// Walks the JPEG's marker segments up to the scan and counts what it finds.
struct JpegLayout {
  bool soi = false, jfif = false, eoi = false;
  int sof0 = 0, otherSof = 0, sos = 0, dri = 0, rst = 0;
  int quantTables = 0, huffmanTables = 0;
  int width = 0, height = 0, components = 0;
  std::vector<int> sampling;
};

JpegLayout ReadJpeg(MemoryFile f) {
  JpegLayout j;
  j.soi = f.size() > 4 && f[0] == 0xFF && f[1] == 0xD8;
  size_t at = 2;
  bool firstSegment = true;
  while (at + 4 <= f.size() && f[at] == 0xFF) {
    uint8_t m = f[at + 1];
    size_t len = f[at + 2] << 8 | f[at + 3];
    size_t body = at + 4, end = at + 2 + len;
    if (end > f.size()) break;
    if (firstSegment) j.jfif = m == 0xE0 && len >= 16 && std::memcmp(f.data() + body, "JFIF\0", 5) == 0;
    firstSegment = false;
    if (m == 0xC0) {
      ++j.sof0;
      j.height = f[body + 1] << 8 | f[body + 2];
      j.width = f[body + 3] << 8 | f[body + 4];
      j.components = f[body + 5];
      if (f[body] != 8) ++j.otherSof;
      for (int c = 0; c < j.components; ++c) j.sampling.push_back(f[body + 7 + 3 * c]);
    } else if ((m >= 0xC1 && m <= 0xCF) && m != 0xC4 && m != 0xC8 && m != 0xCC) {
      ++j.otherSof;
    } else if (m == 0xDB) {
      for (size_t p = body; p < end; p += 1 + ((f[p] >> 4) ? 128 : 64)) ++j.quantTables;
    } else if (m == 0xC4) {
      for (size_t p = body; p + 17 <= end;) {
        size_t codes = 0;
        for (int k = 1; k <= 16; ++k) codes += f[p + k];
        p += 17 + codes;
        ++j.huffmanTables;
      }
    } else if (m == 0xDD) {
      ++j.dri;
    } else if (m == 0xDA) {
      ++j.sos;
      // Entropy-coded data follows: only stuffed 0xFF00 and restart markers may appear before EOI.
      size_t p = end;
      for (; p + 1 < f.size(); ++p) {
        if (f[p] != 0xFF || f[p + 1] == 0x00) continue;
        if (f[p + 1] >= 0xD0 && f[p + 1] <= 0xD7) ++j.rst;
        else break;
      }
      j.eoi = p + 2 == f.size() && f[p + 1] == 0xD9;
      if (f[body] != 3) j.sos += 100;  // not one interleaved scan of all three
      break;
    }
    at = end;
  }
  return j;
}

TEST(MediaFiles, JpegsAreBaselineJfifWithTheUsualTables) {
  for (const PictureSpec& p : PictureCatalogue()) {
    if (!p.jpeg) continue;
    SCOPED_TRACE("sprite " + std::to_string(p.number));
    JpegLayout j = ReadJpeg(BuiltInFile(p.kind, p.number));
    EXPECT_TRUE(j.soi);
    EXPECT_TRUE(j.jfif);
    EXPECT_EQ(j.sof0, 1);
    EXPECT_EQ(j.otherSof, 0);
    EXPECT_EQ(j.width, p.width);
    EXPECT_EQ(j.height, p.height);
    EXPECT_EQ(j.components, 3);
    EXPECT_EQ(j.sampling, (std::vector<int>{0x22, 0x11, 0x11}));
    EXPECT_EQ(j.quantTables, 2);
    EXPECT_EQ(j.huffmanTables, 4);
    EXPECT_EQ(j.sos, 1);
    EXPECT_EQ(j.dri, 0);
    EXPECT_EQ(j.rst, 0);
    EXPECT_TRUE(j.eoi);
  }
}

TEST(MediaFiles, WavesHaveFmtAtTwelveAndTheirSamplesRightBehind) {
  for (const SoundSpec& s : SoundCatalogue()) {
    SCOPED_TRACE("sound " + std::to_string(s.number));
    MemoryFile f = BuiltInFile(MediaKind::Sound, s.number);
    ASSERT_GE(f.size(), 44u);
    EXPECT_TRUE(TagAt(f, 0, "RIFF"));
    EXPECT_EQ(Le32(f, 4), f.size() - 8);
    EXPECT_TRUE(TagAt(f, 8, "WAVE"));
    EXPECT_TRUE(TagAt(f, 12, "fmt "));
    EXPECT_EQ(Le32(f, 16), 16u);
    EXPECT_EQ(Le16(f, 20), 1u);
    EXPECT_EQ(int32_t(Le16(f, 22)), s.channels);
    EXPECT_EQ(int32_t(Le32(f, 24)), s.rate);
    const uint32_t block = s.channels * s.bits / 8;
    EXPECT_EQ(Le32(f, 28), s.rate * block);
    EXPECT_EQ(Le16(f, 32), block);
    EXPECT_EQ(int32_t(Le16(f, 34)), s.bits);
    ASSERT_TRUE(TagAt(f, 36, "data"));
    const uint32_t dataBytes = Le32(f, 40);
    EXPECT_EQ(dataBytes % block, 0u);
    ASSERT_LE(44 + dataBytes, f.size());
    // Only sound 3 carries anything behind its samples: a LIST chunk.
    size_t behind = 44 + dataBytes + (dataBytes & 1);
    if (s.number == SOUND_EXPLOSION) {
      ASSERT_TRUE(TagAt(f, behind, "LIST"));
      EXPECT_EQ(behind + 8 + Le32(f, behind + 4), f.size());
    } else {
      EXPECT_EQ(behind, f.size());
    }
  }
}

// Peak level of a sound as a share of full scale.
double Peak(MemoryFile f, int32_t bits) {
  const uint32_t dataBytes = Le32(f, 40);
  double peak = 0;
  for (uint32_t i = 0; i < dataBytes; i += bits / 8) {
    double v = bits == 8 ? (f[44 + i] - 128) / 128.0 : int16_t(Le16(f, 44 + i)) / 32768.0;
    peak = std::max(peak, std::abs(v));
  }
  return peak;
}

TEST(MediaFiles, SoundsAreLevelledNeitherClippedNorFaint) {
  for (const SoundSpec& s : SoundCatalogue()) {
    MemoryFile f = BuiltInFile(MediaKind::Sound, s.number);
    double peak = Peak(f, s.bits);
    EXPECT_GT(peak, 0.25) << "sound " << s.number;
    EXPECT_LT(peak, 0.97) << "sound " << s.number;
    // Ends in silence, so a restart does not click.
    const uint32_t dataBytes = Le32(f, 40);
    if (s.bits == 8) {
      EXPECT_NEAR(f[44 + dataBytes - 1], 128, 2) << "sound " << s.number;
    }
  }
}

}  // namespace

namespace {

// The menu pictures stand on the face colour of the window's controls.
TEST(MediaFiles, MenuPicturesStandOnTheMenuFaceColour) {
  for (int32_t n : {PICTURE_FIGHTER, PICTURE_LOGO}) {
    MemoryFile f = BuiltInFile(MediaKind::Picture, n);
    const int32_t w = Le32(f, 18), h = Le32(f, 22), stride = (w * 3 + 3) / 4 * 4;
    auto bgr = [&](int32_t x, int32_t y) {
      size_t at = 54 + (h - 1 - y) * stride + 3 * x;
      return std::vector<int>{f[at + 2], f[at + 1], f[at]};
    };
    const std::vector<int> face{212, 208, 200};
    int32_t drawn = 0;
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        bool border = x == 0 || y == 0 || x == w - 1 || y == h - 1;
        if (border) {
          EXPECT_EQ(bgr(x, y), face) << "picture " << n << " at " << x << "," << y;
        }
        else drawn += bgr(x, y) != face;
      }
    EXPECT_GT(drawn, w * h / 5) << "picture " << n << " shows too little";
  }
}

}  // namespace
