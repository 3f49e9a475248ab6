// Writers of the three file formats the game reads, byte for byte as the
// loaders expect them, and a JPEG reader for checking our own output.
#pragma once

#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// 24-bit uncompressed, bottom-up, 54-byte headers, rows padded with zeros.
Bytes EncodeBmp(const QImage& image);

// Baseline JFIF through libjpeg's defaults (2x2/1x1/1x1, standard tables).
Bytes EncodeJpeg(const QImage& image, int quality);
QImage DecodeJpeg(const Bytes& file);

struct WavFormat {
  int channels;
  int rate;
  int bits;  // 8 (unsigned) or 16 (signed)
};

// PCM WAV: "fmt " at byte 12, the "data" chunk right behind it, then an
// optional LIST/INFO chunk. `samples` are interleaved, -1..1.
Bytes EncodeWav(const WavFormat& format, const std::vector<float>& samples, uint32_t ditherSeed,
                const std::vector<std::pair<std::string, std::string>>& info = {});

// One embedded file of the generated source.
struct EmbeddedEntry {
  int kind;  // matches MediaKind in media/media_files.h
  int number;
  const Bytes* bytes;
};

bool WriteFile(const std::string& path, const Bytes& bytes);
bool WriteEmbeddedSource(const std::string& path, const std::vector<EmbeddedEntry>& entries);
