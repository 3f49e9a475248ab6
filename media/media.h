// The built-in pictures and sounds: their numbers, and their loading at the
// start of every game.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// Sprites made from built-in files.
constexpr int32_t SPRITE_GROUND = 0;
constexpr int32_t SPRITE_PLANET_1 = 1;
constexpr int32_t SPRITE_PLANET_2 = 2;
constexpr int32_t SPRITE_PLANET_3 = 3;
constexpr int32_t SPRITE_PLANET_4 = 4;
constexpr int32_t SPRITE_LARGE_PLANET = 5;
constexpr int32_t SPRITE_HUD_PANEL = 6;
constexpr int32_t SPRITE_PLAYER_PANEL = 7;
constexpr int32_t SPRITE_PLAYER1_SHEET = 10;
constexpr int32_t SPRITE_PLAYER2_SHEET = 11;
constexpr int32_t SPRITE_FIGHTER_SHEET = 12;
constexpr int32_t SPRITE_BULLET = 15;
constexpr int32_t SPRITE_ASTEROID_SHEET = 16;
constexpr int32_t SPRITE_ASTEROID_BLAST = 17;
constexpr int32_t SPRITE_BEAM = 18;
constexpr int32_t SPRITE_GUNSHIP_SHEET = 20;
constexpr int32_t SPRITE_CRUISER_SHEET = 21;
constexpr int32_t SPRITE_MISSILE = 22;
constexpr int32_t SPRITE_HEAVY_SHOT = 23;
constexpr int32_t SPRITE_WEAPON_ICON_BASE = 29;  // + weapon 1..7
constexpr int32_t SPRITE_ENERGY_PICKUP = 37;
constexpr int32_t SPRITE_BAR_FULL = 40;
constexpr int32_t SPRITE_BAR_BACK = 41;
constexpr int32_t SPRITE_MINE_SHEET = 46;
constexpr int32_t SPRITE_BITMAP_FONT = 80;

// Work sprites and blanks.
constexpr int32_t SPRITE_PLAYER1_WORK = 13;
constexpr int32_t SPRITE_PLAYER2_WORK = 14;
constexpr int32_t SPRITE_P1_ENERGY_BAR = 42;
constexpr int32_t SPRITE_P1_AMMO_BAR = 43;
constexpr int32_t SPRITE_P2_ENERGY_BAR = 44;
constexpr int32_t SPRITE_P2_AMMO_BAR = 45;
constexpr int32_t SPRITE_GLYPH_WORK = 81;
constexpr int32_t SPRITE_SCREEN_STILL = 82;

// An enemy's animation id and work sprite: slot + base.
constexpr int32_t ANIM_BASE_FIGHTER = 100;
constexpr int32_t ANIM_BASE_ASTEROID = 500;
constexpr int32_t ANIM_BASE_GUNSHIP = 700;
constexpr int32_t ANIM_BASE_CRUISER = 900;
constexpr int32_t ANIM_BASE_MINE = 1100;

// Sounds.
constexpr int32_t SOUND_SHOT = 0;
constexpr int32_t SOUND_HEAVY_BLOW = 1;
constexpr int32_t SOUND_HIT = 2;
constexpr int32_t SOUND_EXPLOSION = 3;
constexpr int32_t SOUND_BEAM = 4;
constexpr int32_t SOUND_MISSILE = 5;
constexpr int32_t SOUND_HEAVY_SHOT = 6;
constexpr int32_t SOUND_SPREAD = 7;
constexpr int32_t SOUND_PICKUP = 8;

// Pictures of the menu window.
constexpr int32_t PICTURE_FIGHTER = 50;
constexpr int32_t PICTURE_LOGO = 51;

// Makes every sprite and sound of a game; the full screen must be open.
int32_t LoadGameAssets();

// The two menu pictures, decoded once at start-up.
MemoryFile PictureFighterFile();
MemoryFile PictureLogoFile();
