// The generator's list of pictures and what it made of them, shared by the
// file writer and the contact sheet.
#pragma once

#include <QImage>
#include <functional>
#include <string>
#include <vector>

#include "formats.h"

enum Kind { SPRITE = 0, SOUND = 1, PICTURE = 2 };
enum Format { BMP, JPEG };

struct PictureEntry {
  Kind kind;
  int number;
  Format format;
  int width, height;
  QRgb key;  // the key the game draws it with, or 0 when drawn opaque
  std::function<QImage()> draw;
};

constexpr QRgb OPAQUE = 0;

struct Made {
  const PictureEntry* entry;
  QImage shown;  // what the game will see (decoded, for JPEG)
  Bytes bytes;
};

// Every picture on a grey ground with its number, and a moment of play.
bool WriteContactSheet(const std::vector<Made>& made, const std::string& path);
