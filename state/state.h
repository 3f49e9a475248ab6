// The shared tables and variables that every subsystem reads and writes,
// and the screens of the chain that the entry runs.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// Each screen returns the screen that follows it; the entry's loop runs it.
// No screen calls the next, so any number of games use the same stack.
enum class Screen {
  Menu,
  Game,
  GameOver,
  NameEntry,
  MenuUnavailable,  // the menu window could not be made
};

// Bound B gives slots 0..B; slot 0 is never used.
template <size_t B>
using Table = std::array<int32_t, B + 1>;

// ---- shared tables ----
extern Table<100> starX, starY;
extern Table<400> fighterX, fighterY, fighterState, fighterLastShotTime;
extern std::array<std::array<int32_t, 9>, 3> ownedWeapons;  // [player 0..2][weapon 0..8]
extern Table<200> asteroidX, asteroidY, asteroidDy, asteroidState, asteroidEnergy;
extern Table<200> gunshipX, gunshipY, gunshipState, gunshipEnergy, gunshipLastShotTime;
extern Table<13> keyTable;
extern Table<50> weaponPickupX, weaponPickupY, weaponPickupState, weaponPickupType;
extern Table<10> energyPickupX, energyPickupY, energyPickupState;
extern Table<200> cruiserX, cruiserY, cruiserState, cruiserEnergy, cruiserLastShotTime;
extern Table<200> mineX, mineY, mineDy, mineState, mineEnergy;
extern Table<1000> bulletX, bulletY, bulletDir, bulletDy;
extern Table<2> beamX, beamState;
extern Table<200> missileX, missileY, missileDir;
extern Table<200> heavyShotX, heavyShotY, heavyShotDir;
extern Table<2000> animFrame, animTime;
extern std::array<std::array<int32_t, 11>, 3> ammo;  // [player 0..2][weapon 0..10]
extern Table<1000> decorX, decorY, decorSprite;

// ---- shared variables ----
extern int32_t player1State, player2State;
extern int32_t playerCount;
extern int32_t score;
extern int32_t escLatch;
extern int32_t frameTime;
extern int32_t gamePlayed;
extern std::string keyNameResult;
extern std::string recordName, recordTown;
extern int32_t recordPoints, recordCheck;
extern std::string lastRecordName, lastRecordTown;
extern int32_t lastSubmitTime;

// Every shared table and variable to its program-start value (all 0, texts empty).
void ClearSharedState();
