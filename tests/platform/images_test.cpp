#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "tests/platform/platform_fixture.h"

namespace {

// A baseline JFIF of w x h, 2x2 chroma subsampling, made with libjpeg's compressor.
std::vector<uint8_t> MakeJpeg(int32_t w, int32_t h, const std::function<Rgb(int32_t, int32_t)>& pixel) {
  jpeg_compress_struct info;
  jpeg_error_mgr error;
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = JDIMENSION(w);
  info.image_height = JDIMENSION(h);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 95, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row(size_t(w) * 3);
  while (info.next_scanline < info.image_height) {
    const int32_t y = int32_t(info.next_scanline);
    for (int32_t x = 0; x < w; ++x) {
      const Rgb c = pixel(x, y);
      row[size_t(x) * 3] = uint8_t(c.r);
      row[size_t(x) * 3 + 1] = uint8_t(c.g);
      row[size_t(x) * 3 + 2] = uint8_t(c.b);
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  std::vector<uint8_t> out(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return out;
}

int32_t Red(uint16_t p) { return (p >> 11) << 3; }
int32_t Green(uint16_t p) { return ((p >> 5) & 63) << 2; }
int32_t Blue(uint16_t p) { return (p & 31) << 3; }

class ImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host = &InstallTestHost();
    InitDecoderRegistry();
    InitPictureTable();
    StartSpriteSystem();
  }
  TestHost* host = nullptr;
};

TEST_F(ImageTest, BmpRowsArePaddedAndStoredBottomUp) {
  // 3 pixels of 3 bytes: each row padded from 9 to 12 bytes.
  const Rgb colours[2][3] = {{{255, 0, 0}, {0, 255, 0}, {0, 0, 255}}, {{255, 255, 255}, {8, 4, 8}, {7, 3, 7}}};
  const auto file = MakeBmp(3, 2, [&](int32_t x, int32_t y) { return colours[y][x]; });
  ASSERT_EQ(file.size(), 54u + 24u);
  ASSERT_EQ(LoadSprite(1, file), 1);
  EXPECT_EQ(SpriteFullWidth(1), 3);
  EXPECT_EQ(SpriteFullHeight(1), 2);
  for (int32_t y = 0; y < 2; ++y) {
    for (int32_t x = 0; x < 3; ++x) {
      const Rgb c = colours[y][x];
      EXPECT_EQ(SpritePixel(1, x, y), ScreenColour(c.r, c.g, c.b)) << x << "," << y;
    }
  }
}

TEST_F(ImageTest, DamagedOrUnsupportedBmpLeavesTheNumberEmpty) {
  const auto good = SolidBmp(5, 4, {255, 0, 0});
  struct Damage {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> apply;
  };
  const Damage damages[] = {
      {"cut short", [](std::vector<uint8_t>& f) { f.resize(f.size() - 1); }},
      {"header only", [](std::vector<uint8_t>& f) { f.resize(40); }},
      {"compressed", [](std::vector<uint8_t>& f) { PutLe32(f, 30, 1); }},
      {"32 bits", [](std::vector<uint8_t>& f) { PutLe16(f, 28, 32); }},
      {"zero width", [](std::vector<uint8_t>& f) { PutLe32(f, 18, 0); }},
      {"huge width", [](std::vector<uint8_t>& f) { PutLe32(f, 18, 0x7FFFFFFF); }},
      {"pixels past the end", [](std::vector<uint8_t>& f) { PutLe32(f, 10, 0xFFFFFFF0); }},
  };
  for (const Damage& d : damages) {
    auto file = good;
    d.apply(file);
    LoadSprite(1, good);
    EXPECT_EQ(LoadSprite(1, file), 0) << d.what;
    EXPECT_EQ(SpriteExists(1), 0) << d.what;
  }
  EXPECT_EQ(SpriteFromMemoryDefault(1, MemoryFile()), 0);
}

TEST_F(ImageTest, JpegIsAcceptedOnlyAfterTheDecoderIsRegistered) {
  const auto jpeg = MakeJpeg(40, 24, [](int32_t, int32_t) { return Rgb{200, 40, 120}; });
  EXPECT_EQ(LoadSprite(1, jpeg), 0);
  EXPECT_EQ(SpriteExists(1), 0);
  RegisterJpegDecoder();
  RegisterJpegDecoder();  // a second call adds nothing
  ASSERT_EQ(LoadSprite(1, jpeg), 1);
  EXPECT_EQ(SpriteFullWidth(1), 40);
  EXPECT_EQ(SpriteFullHeight(1), 24);
  for (auto [x, y] : {std::pair{0, 0}, std::pair{39, 23}, std::pair{20, 11}}) {
    const uint16_t p = SpritePixel(1, x, y);
    EXPECT_NEAR(Red(p), 200, 12);
    EXPECT_NEAR(Green(p), 40, 12);
    EXPECT_NEAR(Blue(p), 120, 12);
  }
  InitDecoderRegistry();
  EXPECT_EQ(LoadSprite(2, jpeg), 0);
}

TEST_F(ImageTest, JpegKeepsItsLayoutTopRowFirst) {
  RegisterJpegDecoder();
  // Top half white, bottom half black, in whole 16-pixel blocks.
  const auto jpeg = MakeJpeg(32, 32, [](int32_t, int32_t y) { return y < 16 ? Rgb{255, 255, 255} : Rgb{0, 0, 0}; });
  ASSERT_EQ(LoadSprite(3, jpeg), 1);
  EXPECT_GT(Red(SpritePixel(3, 5, 2)), 230);
  EXPECT_LT(Red(SpritePixel(3, 5, 29)), 20);
}

TEST_F(ImageTest, RejectedJpegLeavesTheNumberEmptyAndTheProgramRunning) {
  RegisterJpegDecoder();
  const auto jpeg = MakeJpeg(16, 16, [](int32_t, int32_t) { return Rgb{10, 200, 10}; });
  std::vector<std::vector<uint8_t>> bad;
  bad.push_back({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F'});  // a header and no image
  bad.push_back({0xFF, 0xD8});
  std::vector<uint8_t> garbage(500);
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = uint8_t(i * 37 + 11);
  garbage[0] = 0xFF;
  garbage[1] = 0xD8;
  bad.push_back(garbage);
  auto wrongSize = jpeg;
  // The frame header claims a height of 0.
  for (size_t i = 0; i + 9 < wrongSize.size(); ++i) {
    if (wrongSize[i] == 0xFF && wrongSize[i + 1] == 0xC0) {
      wrongSize[i + 5] = 0;
      wrongSize[i + 6] = 0;
      break;
    }
  }
  bad.push_back(wrongSize);
  bad.push_back({'N', 'O', 'T', ' ', 'A', 'N', ' ', 'I', 'M', 'A', 'G', 'E'});
  for (size_t i = 0; i < bad.size(); ++i) {
    LoadSprite(7, SolidBmp(2, 2, {255, 255, 255}));
    EXPECT_EQ(LoadSprite(7, bad[i]), 0) << i;
    EXPECT_EQ(SpriteExists(7), 0) << i;
  }
  // Still works afterwards.
  EXPECT_EQ(LoadSprite(7, jpeg), 1);
}

TEST_F(ImageTest, TruncatedJpegNeverReadsPastTheBlock) {
  RegisterJpegDecoder();
  const auto jpeg = MakeJpeg(48, 48, [](int32_t x, int32_t y) { return Rgb{x * 5, y * 5, 100}; });
  for (size_t cut = 2; cut < jpeg.size(); cut += 7) {
    // A heap block of exactly the cut size, so that a read past it is caught by sanitizers.
    std::vector<uint8_t> part(jpeg.begin(), jpeg.begin() + long(cut));
    const int32_t ok = LoadSprite(8, part);
    if (ok) {
      EXPECT_EQ(SpriteFullWidth(8), 48);
    } else {
      EXPECT_EQ(SpriteExists(8), 0);
    }
  }
}

TEST_F(ImageTest, PictureKeepsSizeDepthAndRgbRows) {
  const auto file = MakeBmp(3, 2, [](int32_t x, int32_t y) { return Rgb{x * 10, y * 20, 7}; });
  EXPECT_EQ(PictureHandle(50), 0);
  DecodePictureFromMemory(50, MemoryFile(file.data(), file.size()));
  EXPECT_EQ(PictureWidth(50), 3);
  EXPECT_EQ(PictureHeight(50), 2);
  EXPECT_NE(PictureHandle(50), 0);
  const PictureData* p = FindPicture(50);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->depth, 24);
  ASSERT_EQ(p->rgb.size(), 18u);
  // Top row first, red green blue.
  EXPECT_EQ(p->rgb[3 * 2 + 0], 20);
  EXPECT_EQ(p->rgb[3 * 4 + 1], 20);
  EXPECT_EQ(p->rgb[3 * 4 + 2], 7);
  EXPECT_EQ(FindPicture(51), nullptr);
  EXPECT_EQ(PictureWidth(51), 0);
}

TEST_F(ImageTest, PictureBoxReceivesThePictureNumber) {
  const auto file = SolidBmp(4, 4, {1, 2, 3});
  DecodePictureFromMemory(51, MemoryFile(file.data(), file.size()));
  CreateAppWindow(0, 0, 0, 350, 200, 1, "Tolvane");
  AddPictureControl(9, 5, 6, 100, 100, PictureHandle(51));
  AddPictureControl(10, 5, 6, 100, 100, PictureHandle(40));
  EXPECT_EQ(host->controls[9].picture, 51);
  EXPECT_EQ(host->controls[10].picture, -1);
}

TEST_F(ImageTest, PictureIsBmpOnlyAndAFailedDecodeFreesTheOldOne) {
  RegisterJpegDecoder();
  const auto bmp = SolidBmp(4, 4, {1, 2, 3});
  const auto jpeg = MakeJpeg(8, 8, [](int32_t, int32_t) { return Rgb{1, 2, 3}; });
  DecodePictureFromMemory(50, MemoryFile(bmp.data(), bmp.size()));
  EXPECT_EQ(DecodePictureFromMemory(50, MemoryFile(jpeg.data(), jpeg.size())), 0);
  EXPECT_EQ(PictureHandle(50), 0);
  EXPECT_EQ(DecodePictureFromMemory(-1, MemoryFile(bmp.data(), bmp.size())), 0);
  EXPECT_EQ(DecodePictureFromMemory(200, MemoryFile(bmp.data(), bmp.size())), 1);  // past the room of 10
  EXPECT_EQ(PictureWidth(200), 4);
}

}  // namespace
