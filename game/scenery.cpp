#include <cmath>

#include "game/game.h"
#include "media/media.h"
#include "platform/platform.h"

float groundScroll, groundSpeed;
int32_t groundStripX1, groundStripX2;
float starScrollNear, starSpeedNear;
float starScrollFar, starSpeedFar;

namespace {
constexpr int32_t DECOR_COUNT = 1000;
constexpr int32_t DECOR_SPACING = 1200;
constexpr int32_t LARGE_PLANET_Y = 150;
constexpr int32_t STAR_COUNT = 60;
constexpr int32_t NEAR_STARS = 40;
constexpr int32_t STAR_REENTRY_DX = 799;
constexpr int32_t GROUND_Y = 500;
constexpr int32_t GROUND_STRIP_GAP = 1100;
constexpr int32_t HUD_ZONE_X = 390;
constexpr int32_t HUD_ZONE_Y = 50;
constexpr int32_t BAR_HEIGHT = 3;

// A star that has left on the left comes back at the right with a new height.
int32_t StarScreenX(int32_t i, float scroll) {
  double sx = double(starX[i]) + double(scroll);
  if (sx <= 0.0) {
    starX[i] += STAR_REENTRY_DX;
    starY[i] = 1 + RandomUpTo(550);
    sx = double(starX[i]) + double(scroll);
  }
  return static_cast<int32_t>(std::nearbyint(sx));
}

void DrawStars() {
  if (AcquireDrawContext(BackBufferDrawTarget()) == 0) return;
  for (int32_t i = 1; i <= NEAR_STARS; ++i) {
    const int32_t sx = StarScreenX(i, starScrollNear);  // may give the star a new y
    DrawDiscRgb(sx, starY[i], 1, PackRgb(200, 200, 200));
  }
  for (int32_t i = NEAR_STARS + 1; i <= STAR_COUNT; ++i) {
    const int32_t sx = StarScreenX(i, starScrollFar);
    // Single pixels are written straight in, so only where they are on the screen.
    if (sx >= 0 && sx < SCREEN_WIDTH && starY[i] >= 0 && starY[i] < SCREEN_HEIGHT)
      SetTargetPixel(sx, starY[i], PackRgb(150, 150, 150));
  }
  ReleaseDrawContext();
}

// One pixel per two points, halves to the even neighbour.
int32_t AmmoBarWidth(int32_t count) { return static_cast<int32_t>(std::nearbyint(std::fabs(count / 2.0))); }

void MakeBar(int32_t sprite, int32_t width) {
  DuplicateSprite(SPRITE_BAR_FULL, sprite, 0);
  SetSpriteViewport(sprite, 0, 0, width, BAR_HEIGHT);
}

bool InHudZone(int32_t x, int32_t y) { return x <= HUD_ZONE_X && y <= HUD_ZONE_Y; }

void DrawPlayerPanel(int32_t weapon, int32_t iconX, int32_t barX, int32_t energyBar, int32_t ammoBar) {
  BlitSprite(SPRITE_WEAPON_ICON_BASE + weapon, iconX, 22);
  BlitSprite(SPRITE_BAR_BACK, barX, 25);
  BlitSprite(SPRITE_BAR_BACK, barX, 31);
  BlitSprite(energyBar, barX, 25);
  BlitSprite(ammoBar, barX, 31);
}

void DrawScore() {
  if (AcquireDrawContext(BackBufferDrawTarget()) == 0) return;
  SelectDrawFont(SelectFontSlot(0));
  SetDrawFlags(1);
  SetPenColour(200, 200, 200);
  if (player1State == 1) {
    MovePen(146, 22);
    DrawTextAtPen(IntToText(score));
  }
  if (player2State == 1) {
    MovePen(331, 22);
    DrawTextAtPen(IntToText(score));
  }
  ReleaseDrawContext();
}
}  // namespace

void ResetScenery() {
  groundScroll = 0.0f;
  groundSpeed = 1.0f;
  groundStripX1 = 0;
  groundStripX2 = GROUND_STRIP_GAP;
  starScrollNear = 0.0f;
  starSpeedNear = 2.6f;
  starScrollFar = 0.0f;
  starSpeedFar = 1.8f;
  for (int32_t i = 1; i <= DECOR_COUNT; ++i) {
    decorX[i] = i * DECOR_SPACING + RandomUpTo(500);
    decorY[i] = 100 + RandomUpTo(220);
    decorSprite[i] = 1 + RandomUpTo(4);
  }
  starX.fill(0);
  starY.fill(0);
  for (int32_t i = 1; i <= STAR_COUNT; ++i) {
    starX[i] = RandomUpTo(799);
    starY[i] = RandomUpTo(550);
  }
}

int32_t DrawDecorObject(int32_t sprite, int32_t x, int32_t y) {
  if (sprite == SPRITE_LARGE_PLANET) y = LARGE_PLANET_Y;
  BlitSprite(sprite, x + decorScroll, y);
  return 0;
}

void DrawScenery() {
  for (int32_t i = 1; i <= DECOR_COUNT; ++i) DrawDecorObject(decorSprite[i], decorX[i], decorY[i]);
  DrawStars();
  const int32_t x0 = static_cast<int32_t>(FloorOrCeil(groundScroll, 0));
  BlitSpriteKeyed(SPRITE_GROUND, x0 + groundStripX1, GROUND_Y);
  BlitSpriteKeyed(SPRITE_GROUND, x0 + groundStripX2, GROUND_Y);
}

void AdvanceScroll() {
  groundScroll -= groundSpeed;
  starScrollNear -= starSpeedNear;
  starScrollFar -= starSpeedFar;
}

// A strip that has scrolled out on the left goes 2200 ahead, behind the other.
void WrapGroundStrips() {
  if (double(groundStripX1) + double(groundScroll) == -double(GROUND_STRIP_GAP)) groundStripX1 += 2 * GROUND_STRIP_GAP;
  if (double(groundStripX2) + double(groundScroll) == -double(GROUND_STRIP_GAP)) groundStripX2 += 2 * GROUND_STRIP_GAP;
}

void DrawHud() {
  MakeBar(SPRITE_P1_ENERGY_BAR, player1Energy);
  MakeBar(SPRITE_P1_AMMO_BAR, AmmoBarWidth(ammo[1][player1Weapon]));
  MakeBar(SPRITE_P2_ENERGY_BAR, player2Energy);
  MakeBar(SPRITE_P2_AMMO_BAR, AmmoBarWidth(ammo[2][player2Weapon]));
  if (InHudZone(player1X, player1Y) || InHudZone(player2X, player2Y)) return;
  BlitSprite(SPRITE_HUD_PANEL, 10, 10);
  BlitSprite(SPRITE_PLAYER_PANEL, 19, 19);
  BlitSprite(SPRITE_PLAYER_PANEL, 204, 19);
  if (player1State == 1) DrawPlayerPanel(player1Weapon, 24, 42, SPRITE_P1_ENERGY_BAR, SPRITE_P1_AMMO_BAR);
  if (player2State == 1) DrawPlayerPanel(player2Weapon, 209, 227, SPRITE_P2_ENERGY_BAR, SPRITE_P2_AMMO_BAR);
  DrawScore();
}
