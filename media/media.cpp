#include "media/media.h"

int32_t LoadGameAssets() {
  for (int32_t n = 1; n <= 1300; ++n) NewBlankSpriteDefault(n, 1, 1);
  for (int32_t n : {13, 14, 42, 43, 44, 45}) NewBlankSprite(n, 10, 10, 0);
  return 0;
}

MemoryFile PictureFighterFile() { return {}; }
MemoryFile PictureLogoFile() { return {}; }
