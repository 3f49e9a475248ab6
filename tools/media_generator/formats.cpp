#include "formats.h"

#include <cstdio>
#include <fstream>
#include <jpeglib.h>

#include "rng.h"

namespace {

void Put16(Bytes& b, uint32_t v) {
  b.push_back(v & 0xFF);
  b.push_back((v >> 8) & 0xFF);
}
void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void PutTag(Bytes& b, const char* tag) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(tag[i]));
}
void Set32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
}

}  // namespace

Bytes EncodeBmp(const QImage& source) {
  QImage image = source.convertToFormat(QImage::Format_RGB888);
  const uint32_t w = image.width(), h = image.height();
  const uint32_t stride = (w * 3 + 3) & ~3u;
  const uint32_t pixelBytes = stride * h;
  Bytes b;
  b.reserve(54 + pixelBytes);
  b.push_back('B');
  b.push_back('M');
  Put32(b, 54 + pixelBytes);
  Put32(b, 0);
  Put32(b, 54);
  Put32(b, 40);
  Put32(b, w);
  Put32(b, h);
  Put16(b, 1);
  Put16(b, 24);
  Put32(b, 0);
  Put32(b, pixelBytes);
  Put32(b, 2835);  // 72 dpi
  Put32(b, 2835);
  Put32(b, 0);
  Put32(b, 0);
  for (int y = static_cast<int>(h) - 1; y >= 0; --y) {
    const uint8_t* row = image.constScanLine(y);
    for (uint32_t x = 0; x < w; ++x) {
      b.push_back(row[3 * x + 2]);
      b.push_back(row[3 * x + 1]);
      b.push_back(row[3 * x]);
    }
    for (uint32_t p = w * 3; p < stride; ++p) b.push_back(0);
  }
  return b;
}

Bytes EncodeJpeg(const QImage& source, int quality) {
  QImage image = source.convertToFormat(QImage::Format_RGB888);
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = image.width();
  cinfo.image_height = image.height();
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(image.constScanLine(cinfo.next_scanline));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  Bytes out(buffer, buffer + size);
  jpeg_destroy_compress(&cinfo);
  free(buffer);
  return out;
}

QImage DecodeJpeg(const Bytes& file) {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, file.data(), file.size());
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  QImage image(cinfo.output_width, cinfo.output_height, QImage::Format_RGB888);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = image.scanLine(cinfo.output_scanline);
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return image;
}

Bytes EncodeWav(const WavFormat& f, const std::vector<float>& samples, uint32_t ditherSeed,
                const std::vector<std::pair<std::string, std::string>>& info) {
  const uint32_t bytesPerSample = f.bits / 8;
  const uint32_t dataBytes = samples.size() * bytesPerSample;
  Bytes b;
  PutTag(b, "RIFF");
  Put32(b, 0);  // filled in below
  PutTag(b, "WAVE");
  PutTag(b, "fmt ");
  Put32(b, 16);
  Put16(b, 1);
  Put16(b, f.channels);
  Put32(b, f.rate);
  Put32(b, f.rate * f.channels * bytesPerSample);
  Put16(b, f.channels * bytesPerSample);
  Put16(b, f.bits);
  PutTag(b, "data");
  Put32(b, dataBytes);
  Rng dither(ditherSeed);
  for (float s : samples) {
    // Triangular dither of one step keeps quiet tails from buzzing.
    double d = dither.Unit() - dither.Unit();
    double v = std::max(-1.0, std::min(1.0, static_cast<double>(s)));
    if (f.bits == 8) {
      long q = std::lround(128.0 + v * 127.0 + d);
      b.push_back(static_cast<uint8_t>(std::max(0L, std::min(255L, q))));
    } else {
      long q = std::lround(v * 32767.0 + d);
      Put16(b, static_cast<uint16_t>(static_cast<int16_t>(std::max(-32768L, std::min(32767L, q)))));
    }
  }
  if (dataBytes & 1) b.push_back(0);  // chunks are word aligned
  if (!info.empty()) {
    size_t listAt = b.size();
    PutTag(b, "LIST");
    Put32(b, 0);
    PutTag(b, "INFO");
    for (const auto& [tag, text] : info) {
      PutTag(b, tag.c_str());
      Put32(b, text.size() + 1);
      for (char ch : text) b.push_back(static_cast<uint8_t>(ch));
      b.push_back(0);
      if ((text.size() + 1) & 1) b.push_back(0);
    }
    Set32(b, listAt + 4, b.size() - listAt - 8);
  }
  Set32(b, 4, b.size() - 8);
  return b;
}

bool WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return static_cast<bool>(out);
}

bool WriteEmbeddedSource(const std::string& path, const std::vector<EmbeddedEntry>& entries) {
  std::string s;
  s += "// Made by the media generator at build time; do not edit.\n";
  s += "#include \"media/media_files.h\"\n\nnamespace {\n";
  // String literals compile far faster than lists of numbers; each array
  // keeps one spare byte for the literal's closing zero.
  static const char hex[] = "0123456789abcdef";
  for (size_t i = 0; i < entries.size(); ++i) {
    const Bytes& b = *entries[i].bytes;
    s += "const uint8_t kFile" + std::to_string(i) + "[" + std::to_string(b.size() + 1) + "] =";
    for (size_t k = 0; k < b.size(); ++k) {
      if (k % 64 == 0) s += "\n\"";
      s += "\\x";
      s += hex[b[k] >> 4];
      s += hex[b[k] & 15];
      if (k % 64 == 63 || k + 1 == b.size()) s += "\"";
    }
    s += ";\n";
  }
  s += "}  // namespace\n\nconst EmbeddedFile kEmbeddedFiles[] = {\n";
  for (size_t i = 0; i < entries.size(); ++i) {
    s += "  {static_cast<MediaKind>(" + std::to_string(entries[i].kind) + "), " +
         std::to_string(entries[i].number) + ", {kFile" + std::to_string(i) + ", " +
         std::to_string(entries[i].bytes->size()) + "}},\n";
  }
  s += "};\nconst size_t kEmbeddedFileCount = " + std::to_string(entries.size()) + ";\n";
  std::ofstream out(path, std::ios::binary);
  out << s;
  return static_cast<bool>(out);
}
