// The built-in files, embedded by the media generator as byte arrays.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

enum class MediaKind : int32_t { Sprite = 0, Sound = 1, Picture = 2 };

struct EmbeddedFile {
  MediaKind kind;
  int32_t number;
  MemoryFile bytes;
};

extern const EmbeddedFile kEmbeddedFiles[];
extern const size_t kEmbeddedFileCount;

// The file that becomes object `number` of `kind`; empty when there is none.
MemoryFile BuiltInFile(MediaKind kind, int32_t number);
