// The game screen: frame loop and its phases, players and weapons, enemies,
// projectiles, level script, scenery and HUD, animation, pause.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "state/state.h"

// ---- frame loop ----
extern int32_t frameCounter;
extern int32_t decorScroll;
extern int32_t decorScrollStep;

Screen RunGame();
// |a - b| of two tick values taken as signed, without 32-bit wrap-around.
int64_t TickDistance(int32_t a, int32_t b);
// Frame steps that the loop runs in order; split out so tests can reach them.
void PaceFrame();
bool EndIfPlayersGone();  // true when the game hands over to game over

// ---- players and weapons ----
extern int32_t player1X, player1Y, player2X, player2Y;
extern int32_t player1Energy, player2Energy;
extern int32_t player1Weapon, player2Weapon;  // 1..7
// 0 until first stamped; kept from one game to the next.
extern int32_t player1LastShotTime, player2LastShotTime;
extern int32_t player1LastChangeTime, player2LastChangeTime;
extern int32_t playerFireInterval;
extern int32_t ammoRegenTime;

void ResetPlayers();
void RegenerateAmmo();
void UpdatePlayers();
void ReadPlayerInput();

// ---- enemies ----
// Settings given at game start: speeds in pixels per frame, fire intervals in ms.
extern int32_t fighterSpeed, asteroidSpeed, gunshipSpeed, cruiserSpeed;
extern int32_t mineVelocityX;  // one x velocity for every mine; homing turns its sign
extern int32_t fighterFireInterval, gunshipFireInterval, cruiserFireInterval;

void SetEnemySettings();
void ResetEnemies();
void MoveEnemies();
void DrawEnemies();
// Alive -> exploding; the kinds with an explosion sheet restart their frames.
void ExplodeFighter(int32_t slot);
void ExplodeAsteroid(int32_t slot);
void ExplodeGunship(int32_t slot);
void ExplodeCruiser(int32_t slot);
void ExplodeMine(int32_t slot);

// ---- enemy formations ----
// A random free slot of 1..lastSlot (probing RandomUpTo(lastSlot - 1) + 1 until
// one is free); 0, without drawing, when every slot of the range is taken.
int32_t FreeSlotSearch(std::span<const int32_t> state, int32_t lastSlot);
// A new shot's slot: the first from 1 up whose direction is 0; 0 when every
// slot is taken.
int32_t FreeProjectileSlot(std::span<const int32_t> dir);
int32_t SpawnFighterDiagonal(int32_t x);
int32_t SpawnFighterWedge(int32_t x, int32_t y);
int32_t SpawnFighterChevron(int32_t x);
int32_t SpawnAsteroidField(int32_t x);
int32_t SpawnAsteroidRain(int32_t x, int32_t dir);
int32_t SpawnGunshipPair(int32_t x);
int32_t SpawnGunshipArc(int32_t x);
int32_t SpawnCruiser(int32_t x, int32_t y);
int32_t SpawnMineTriangle(int32_t x);
int32_t SpawnMineDiagonal(int32_t x);
int32_t SpawnAsteroid(int32_t x, int32_t y, int32_t dy);

// ---- projectiles ----
// Pixels per frame, given at game start.
extern int32_t bulletSpeed, missileSpeed, heavyShotSpeed;

void SetProjectileSettings();
void ResetProjectiles();
void UpdateProjectiles();

// ---- level script and pickups ----
void ResetPickups();
void UpdatePickups();
void RunLevelScript();
void PlacePickups();

// ---- scenery and HUD ----
void ResetScenery();
void DrawScenery();
void AdvanceScroll();
void WrapGroundStrips();
void DrawHud();
int32_t DrawDecorObject(int32_t sprite, int32_t x, int32_t y);

extern float groundScroll, groundSpeed;
extern int32_t groundStripX1, groundStripX2;
extern float starScrollNear, starSpeedNear;
extern float starScrollFar, starSpeedFar;

// ---- animation and bitmap text ----
// Draws the current cell of a sheet through work sprite animId and steps the
// frame by time; 1 when a non-looping run has passed its last frame (nothing drawn).
int32_t DrawAnimation(int32_t sheet, int32_t firstFrame, int32_t lastFrame, int32_t x, int32_t y,
                      int32_t frameWidth, int32_t frameHeight, int32_t delayMs, int32_t animId,
                      int32_t keyR, int32_t keyG, int32_t keyB, int32_t loop);
// One glyph of the bitmap font per character, 33 pixels apart.
void DrawBitmapText(int32_t x, int32_t y, const std::string& text);

// ---- pause ----
void CheckPause();
