#include "media/media.h"

#include "media/media_files.h"

MemoryFile BuiltInFile(MediaKind kind, int32_t number) {
  for (size_t i = 0; i < kEmbeddedFileCount; ++i)
    if (kEmbeddedFiles[i].kind == kind && kEmbeddedFiles[i].number == number) return kEmbeddedFiles[i].bytes;
  return {};
}

namespace {

MemoryFile SpriteFile(int32_t n) { return BuiltInFile(MediaKind::Sprite, n); }

}  // namespace

int32_t LoadGameAssets() {
  for (int32_t n = 1; n <= 1300; ++n) NewBlankSpriteDefault(n, 1, 1);
  for (int32_t n = SOUND_SHOT; n <= SOUND_PICKUP; ++n) SoundFromMemory(n, BuiltInFile(MediaKind::Sound, n));
  // Sprites from files in their fixed order; each replaces its placeholder.
  for (int32_t n : {0, 1, 2, 3, 4, 5, 6, 7, 30, 31, 32, 33, 34, 35, 36, 37, 15, 10, 11, 12, 16})
    SpriteFromMemory(n, SpriteFile(n), 0);
  SpriteFromMemoryDefault(SPRITE_ASTEROID_BLAST, SpriteFile(SPRITE_ASTEROID_BLAST));
  for (int32_t n : {18, 20, 22, 23, 21, 46, 40, 41, 80}) SpriteFromMemory(n, SpriteFile(n), 0);
  for (int32_t n : {13, 14, 42, 43, 44, 45}) NewBlankSprite(n, 10, 10, 0);
  return 0;
}

MemoryFile PictureFighterFile() { return BuiltInFile(MediaKind::Picture, PICTURE_FIGHTER); }
MemoryFile PictureLogoFile() { return BuiltInFile(MediaKind::Picture, PICTURE_LOGO); }
