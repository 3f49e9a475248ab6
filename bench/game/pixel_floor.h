// The floor that a frame's work is measured against: the same frame's
// pictures written as plain blits, with no game logic.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "game/game.h"
#include "media/media.h"
#include "platform/platform.h"
#include "state/state.h"

// The frame's pictures as plain blits: backdrop, ships, projectiles, enemies, HUD.
inline void WritePixelsOnly() {
  FillTarget(0, 0, 0);
  for (int32_t i = 1; i <= 1000; ++i) {
    const int32_t x = decorX[i] + decorScroll;
    if (x < SCREEN_WIDTH && x > -800) BlitSprite(decorSprite[i], x, decorSprite[i] == SPRITE_LARGE_PLANET ? 150 : decorY[i]);
  }
  const int32_t x0 = static_cast<int32_t>(FloorOrCeil(groundScroll, 0));
  BlitSpriteKeyed(SPRITE_GROUND, x0 + groundStripX1, 500);
  BlitSpriteKeyed(SPRITE_GROUND, x0 + groundStripX2, 500);
  for (int32_t i = 1; i <= 400; ++i)
    if (fighterState[i] != 0) BlitSpriteKeyed(ANIM_BASE_FIGHTER + i, fighterX[i], fighterY[i]);
  for (int32_t i = 1; i <= 200; ++i) {
    if (asteroidState[i] != 0) BlitSpriteKeyed(ANIM_BASE_ASTEROID + i, asteroidX[i], asteroidY[i]);
    if (gunshipState[i] != 0) BlitSpriteKeyed(ANIM_BASE_GUNSHIP + i, gunshipX[i], gunshipY[i]);
    if (cruiserState[i] != 0) BlitSpriteKeyed(ANIM_BASE_CRUISER + i, cruiserX[i], cruiserY[i]);
    if (mineState[i] != 0) BlitSpriteKeyed(ANIM_BASE_MINE + i, mineX[i], mineY[i]);
  }
  if (player1State != 0) BlitSpriteKeyed(SPRITE_PLAYER1_WORK, player1X, player1Y);
  if (player2State != 0) BlitSpriteKeyed(SPRITE_PLAYER2_WORK, player2X, player2Y);
  for (int32_t i = 1; i <= 1000; ++i)
    if (bulletDir[i] != 0) BlitSpriteKeyed(SPRITE_BULLET, bulletX[i], bulletY[i]);
  for (int32_t i = 1; i <= 2; ++i)
    if (beamState[i] != 0) BlitSpriteKeyed(SPRITE_BEAM, beamX[i], 0);
  for (int32_t i = 1; i <= 200; ++i) {
    if (missileDir[i] != 0) BlitSpriteKeyed(SPRITE_MISSILE, missileX[i], missileY[i]);
    if (heavyShotDir[i] != 0) BlitSprite(SPRITE_HEAVY_SHOT, heavyShotX[i], heavyShotY[i]);
  }
  BlitSprite(SPRITE_HUD_PANEL, 10, 10);
  BlitSprite(SPRITE_PLAYER_PANEL, 19, 19);
  BlitSprite(SPRITE_PLAYER_PANEL, 204, 19);
}

inline double Percentile(std::vector<double> v, double q) {
  std::sort(v.begin(), v.end());
  return v[static_cast<size_t>(q * double(v.size() - 1))];
}
