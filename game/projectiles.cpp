#include "game/game.h"

int32_t bulletSpeed, missileSpeed, heavyShotSpeed;

void SetProjectileSettings() {
  bulletSpeed = 8;
  missileSpeed = 8;
  heavyShotSpeed = 42;
}

void ResetProjectiles() {}
void UpdateProjectiles() {}
