#include "state/state.h"

Table<100> starX, starY;
Table<400> fighterX, fighterY, fighterState, fighterLastShotTime;
std::array<std::array<int32_t, 9>, 3> ownedWeapons;
Table<200> asteroidX, asteroidY, asteroidDy, asteroidState, asteroidEnergy;
Table<200> gunshipX, gunshipY, gunshipState, gunshipEnergy, gunshipLastShotTime;
Table<13> keyTable;
Table<50> weaponPickupX, weaponPickupY, weaponPickupState, weaponPickupType;
Table<10> energyPickupX, energyPickupY, energyPickupState;
Table<200> cruiserX, cruiserY, cruiserState, cruiserEnergy, cruiserLastShotTime;
Table<200> mineX, mineY, mineDy, mineState, mineEnergy;
Table<1000> bulletX, bulletY, bulletDir, bulletDy;
Table<2> beamX, beamState;
Table<200> missileX, missileY, missileDir;
Table<200> heavyShotX, heavyShotY, heavyShotDir;
Table<2000> animFrame, animTime;
std::array<std::array<int32_t, 11>, 3> ammo;
Table<1000> decorX, decorY, decorSprite;

int32_t player1State, player2State;
int32_t playerCount;
int32_t score;
int32_t escLatch;
int32_t frameTime;
int32_t gamePlayed;
std::string keyNameResult;
std::string recordName, recordTown;
int32_t recordPoints, recordCheck;
std::string lastRecordName, lastRecordTown;
int32_t lastSubmitTime;

namespace {
template <typename... T>
void Zero(T&... tables) {
  (tables.fill({}), ...);
}
}  // namespace

void ClearSharedState() {
  Zero(starX, starY, fighterX, fighterY, fighterState, fighterLastShotTime, asteroidX, asteroidY,
       asteroidDy, asteroidState, asteroidEnergy, gunshipX, gunshipY, gunshipState, gunshipEnergy,
       gunshipLastShotTime, keyTable, weaponPickupX, weaponPickupY, weaponPickupState,
       weaponPickupType, energyPickupX, energyPickupY, energyPickupState, cruiserX, cruiserY,
       cruiserState, cruiserEnergy, cruiserLastShotTime, mineX, mineY, mineDy, mineState,
       mineEnergy, bulletX, bulletY, bulletDir, bulletDy, beamX, beamState, missileX, missileY,
       missileDir, heavyShotX, heavyShotY, heavyShotDir, animFrame, animTime, decorX, decorY,
       decorSprite, ownedWeapons, ammo);
  for (auto& row : ownedWeapons) row.fill(0);
  for (auto& row : ammo) row.fill(0);
  player1State = player2State = playerCount = score = escLatch = frameTime = gamePlayed = 0;
  recordPoints = recordCheck = lastSubmitTime = 0;
  keyNameResult.clear();
  recordName.clear();
  recordTown.clear();
  lastRecordName.clear();
  lastRecordTown.clear();
}
