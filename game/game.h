// The game screen: frame loop and its phases, players and weapons, enemies,
// projectiles, level script, scenery and HUD, animation, pause, game over.
#pragma once

#include <cstdint>
#include <string>

#include "startup/startup.h"

// ---- frame loop ----
extern int32_t frameCounter;
extern int32_t decorScroll;
extern int32_t decorScrollStep;

Screen RunGame();
// Frame steps that the loop runs in order; split out so tests can reach them.
void PaceFrame();
bool EndIfPlayersGone();  // true when the game hands over to game over

// ---- players and weapons ----
void ResetPlayers();
void RegenerateAmmo();
void UpdatePlayers();
void ReadPlayerInput();

// ---- enemies ----
void ResetEnemies();
void MoveEnemies();
void DrawEnemies();

// ---- projectiles ----
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

// ---- pause and game over ----
void CheckPause();
Screen GameOver();
