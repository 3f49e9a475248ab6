// The built-in pictures and sounds: their numbers, and their loading at the
// start of every game.
#pragma once

#include <cstdint>

#include "platform/platform.h"

constexpr int32_t PICTURE_FIGHTER = 50;
constexpr int32_t PICTURE_LOGO = 51;

// Makes every sprite and sound of a game; the full screen must be open.
int32_t LoadGameAssets();

// The two menu pictures, decoded once at start-up.
MemoryFile PictureFighterFile();
MemoryFile PictureLogoFile();
