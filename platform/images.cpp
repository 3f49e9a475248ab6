// Image decoding: 24-bit uncompressed BMP read directly, JPEG through
// libjpeg once registered; and the numbered pictures of the menu.
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

#include "platform/host.h"
#include "platform/platform_internal.h"

namespace platform_detail {
namespace {

uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

constexpr size_t BMP_FILE_HEADER = 14;
constexpr size_t BMP_INFO_HEADER = 40;

using Decoder = bool (*)(MemoryFile, RgbImage&);
std::vector<Decoder> decoders;

struct Picture {
  PictureData data;
};
NumberedTable<Picture> pictures(10, 10);

}  // namespace

bool DecodeBmp24(MemoryFile data, RgbImage& out) {
  if (data.size() < BMP_FILE_HEADER + BMP_INFO_HEADER) return false;
  const uint8_t* p = data.data();
  if (p[0] != 'B' || p[1] != 'M') return false;
  const uint32_t pixelOffset = Le32(p + 10);
  const uint32_t infoSize = Le32(p + 14);
  const int32_t width = static_cast<int32_t>(Le32(p + 18));
  const int32_t rawHeight = static_cast<int32_t>(Le32(p + 22));
  const uint16_t bits = Le16(p + 28);
  const uint32_t compression = Le32(p + 30);
  if (infoSize < BMP_INFO_HEADER || bits != 24 || compression != 0) return false;
  if (width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN) return false;
  // Rows are stored bottom-up; a negative height means top-down.
  const bool bottomUp = rawHeight > 0;
  const int32_t height = bottomUp ? rawHeight : -rawHeight;
  if (width > MAX_IMAGE_SIDE || height > MAX_IMAGE_SIDE || int64_t(width) * height > MAX_IMAGE_PIXELS)
    return false;
  const uint64_t stride = (uint64_t(width) * 3 + 3) & ~uint64_t(3);
  if (uint64_t(pixelOffset) + stride * uint64_t(height) > data.size()) return false;

  out.width = width;
  out.height = height;
  out.rgb.resize(size_t(width) * size_t(height) * 3);
  uint8_t* dst = out.rgb.data();
  for (int32_t y = 0; y < height; ++y) {
    const int32_t stored = bottomUp ? height - 1 - y : y;
    const uint8_t* src = p + pixelOffset + uint64_t(stored) * stride;
    for (int32_t x = 0; x < width; ++x, src += 3, dst += 3) {
      dst[0] = src[2];
      dst[1] = src[1];
      dst[2] = src[0];
    }
  }
  return true;
}

namespace {
// libjpeg reports errors through error_exit, which must not return: it
// jumps back into DecodeJpeg so that a damaged file fails the load instead of
// ending the process.
struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void JpegErrorExit(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

void JpegQuiet(j_common_ptr) {}

// Everything with a destructor lives outside the frame that setjmp marks.
bool RunJpeg(jpeg_decompress_struct& info, JpegError& error, MemoryFile data, RgbImage& out) {
  if (setjmp(error.jump)) return false;
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) return false;
  if (info.image_width == 0 || info.image_height == 0 || info.image_width > uint32_t(MAX_IMAGE_SIDE) ||
      info.image_height > uint32_t(MAX_IMAGE_SIDE) ||
      int64_t(info.image_width) * info.image_height > MAX_IMAGE_PIXELS)
    return false;
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  if (info.output_components != 3) return false;
  out.width = static_cast<int32_t>(info.output_width);
  out.height = static_cast<int32_t>(info.output_height);
  out.rgb.resize(size_t(out.width) * size_t(out.height) * 3);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = out.rgb.data() + size_t(info.output_scanline) * size_t(out.width) * 3;
    if (jpeg_read_scanlines(&info, &row, 1) != 1) return false;
  }
  jpeg_finish_decompress(&info);
  return true;
}
}  // namespace

bool DecodeJpeg(MemoryFile data, RgbImage& out) {
  if (data.size() < 4 || data[0] != 0xFF || data[1] != 0xD8) return false;
  jpeg_decompress_struct info;
  std::memset(&info, 0, sizeof info);
  JpegError error;
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = JpegErrorExit;
  error.manager.output_message = JpegQuiet;
  const bool ok = RunJpeg(info, error, data, out);
  jpeg_destroy_decompress(&info);
  if (!ok) out = RgbImage{};
  return ok;
}

bool DecodeSpriteImage(MemoryFile data, RgbImage& out) {
  if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M') return DecodeBmp24(data, out);
  for (Decoder decoder : decoders) {
    if (decoder(data, out)) return true;
  }
  return false;
}

void ResetImages() {
  decoders.clear();
  pictures.Reset();
}

}  // namespace platform_detail

using namespace platform_detail;

void InitDecoderRegistry() { decoders.clear(); }

int32_t RegisterJpegDecoder() {
  for (Decoder d : decoders) {
    if (d == &DecodeJpeg) return 1;
  }
  decoders.push_back(&DecodeJpeg);
  return 1;
}

void InitPictureTable() { pictures.Reset(); }

int32_t DecodePictureFromMemory(int32_t n, MemoryFile data) {
  if (n < 0) return 0;
  pictures.Free(n);
  RgbImage image;
  if (!DecodeBmp24(data, image)) return 0;
  Picture picture;
  picture.data.width = image.width;
  picture.data.height = image.height;
  picture.data.depth = 24;
  picture.data.rgb = std::move(image.rgb);
  return pictures.Make(n, std::move(picture)) ? 1 : 0;
}

// Picture n is handed out as n + 1, so that 0 stays "no picture".
Handle PictureHandle(int32_t n) { return pictures.Find(n) ? Handle(n) + 1 : 0; }

int32_t PictureWidth(int32_t n) {
  const Picture* p = pictures.Find(n);
  return p ? p->data.width : 0;
}

int32_t PictureHeight(int32_t n) {
  const Picture* p = pictures.Find(n);
  return p ? p->data.height : 0;
}

const PictureData* FindPicture(int32_t n) {
  const Picture* p = pictures.Find(n);
  return p ? &p->data : nullptr;
}
