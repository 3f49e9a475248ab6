// What the game expects of each built-in file: our tests' own copy of the
// catalogue, so a generator change that breaks it is caught.
#pragma once

#include <cstdint>
#include <vector>

#include "media/media.h"
#include "media/media_files.h"

enum class Key { None, Black, Magenta, White };

struct PictureSpec {
  MediaKind kind;
  int32_t number;
  bool jpeg;
  int32_t width, height;
  int32_t cellW, cellH;  // the frame grid; the whole picture for single ones
  Key key;               // the key its background must be, None when opaque
};

struct SoundSpec {
  int32_t number;
  int32_t channels, rate, bits;
};

inline std::vector<PictureSpec> PictureCatalogue() {
  using K = MediaKind;
  std::vector<PictureSpec> c = {
      {K::Sprite, SPRITE_GROUND, true, 1101, 152, 1101, 152, Key::None},
      {K::Sprite, SPRITE_PLANET_1, true, 150, 145, 150, 145, Key::None},
      {K::Sprite, SPRITE_PLANET_2, true, 111, 101, 111, 101, Key::None},
      {K::Sprite, SPRITE_PLANET_3, true, 238, 135, 238, 135, Key::None},
      {K::Sprite, SPRITE_PLANET_4, true, 73, 69, 73, 69, Key::None},
      {K::Sprite, SPRITE_LARGE_PLANET, true, 731, 390, 731, 390, Key::None},
      {K::Sprite, SPRITE_HUD_PANEL, true, 372, 39, 372, 39, Key::None},
      {K::Sprite, SPRITE_PLAYER_PANEL, false, 170, 22, 170, 22, Key::None},
      {K::Sprite, SPRITE_PLAYER1_SHEET, false, 100, 150, 100, 30, Key::Black},
      {K::Sprite, SPRITE_PLAYER2_SHEET, false, 100, 150, 100, 30, Key::Black},
      {K::Sprite, SPRITE_FIGHTER_SHEET, false, 164, 425, 164, 85, Key::Black},
      {K::Sprite, SPRITE_BULLET, false, 9, 9, 9, 9, Key::Black},
      {K::Sprite, SPRITE_ASTEROID_SHEET, false, 750, 75, 75, 75, Key::Magenta},
      {K::Sprite, SPRITE_ASTEROID_BLAST, false, 750, 150, 150, 150, Key::Magenta},
      {K::Sprite, SPRITE_BEAM, false, 1, 600, 1, 600, Key::None},
      {K::Sprite, SPRITE_GUNSHIP_SHEET, false, 130, 400, 130, 80, Key::Magenta},
      {K::Sprite, SPRITE_CRUISER_SHEET, false, 160, 400, 160, 80, Key::Magenta},
      {K::Sprite, SPRITE_MISSILE, false, 11, 5, 11, 5, Key::Black},
      {K::Sprite, SPRITE_HEAVY_SHOT, true, 73, 5, 73, 5, Key::None},
      {K::Sprite, SPRITE_ENERGY_PICKUP, false, 10, 8, 10, 8, Key::None},
      {K::Sprite, SPRITE_BAR_FULL, false, 100, 3, 100, 3, Key::None},
      {K::Sprite, SPRITE_BAR_BACK, false, 100, 3, 100, 3, Key::None},
      {K::Sprite, SPRITE_MINE_SHEET, false, 640, 80, 80, 80, Key::Black},
      {K::Sprite, SPRITE_BITMAP_FONT, false, 320, 190, 32, 38, Key::White},
      {K::Picture, PICTURE_FIGHTER, false, 104, 39, 104, 39, Key::None},
      {K::Picture, PICTURE_LOGO, false, 163, 61, 163, 61, Key::None},
  };
  for (int32_t w = 1; w <= 7; ++w)
    c.push_back({K::Sprite, SPRITE_WEAPON_ICON_BASE + w, false, 15, 14, 15, 14, Key::None});
  return c;
}

inline std::vector<SoundSpec> SoundCatalogue() {
  return {{SOUND_SHOT, 2, 22050, 8},    {SOUND_HEAVY_BLOW, 1, 22050, 8}, {SOUND_HIT, 2, 22050, 8},
          {SOUND_EXPLOSION, 1, 11025, 16}, {SOUND_BEAM, 2, 22050, 8},   {SOUND_MISSILE, 1, 11025, 8},
          {SOUND_HEAVY_SHOT, 1, 8000, 8}, {SOUND_SPREAD, 1, 22050, 8},  {SOUND_PICKUP, 2, 22050, 8}};
}

inline uint32_t Le32(MemoryFile f, size_t at) {
  return f[at] | f[at + 1] << 8 | f[at + 2] << 16 | uint32_t(f[at + 3]) << 24;
}
inline uint32_t Le16(MemoryFile f, size_t at) { return f[at] | f[at + 1] << 8; }
