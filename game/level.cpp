// The one level: enemy formations, survival bonuses and pickups, all keyed on
// frameCounter. Pickups keep a world x and scroll left one pixel per frame.
#include <algorithm>
#include <initializer_list>

#include "game/game.h"
#include "media/media.h"
#include "platform/platform.h"

namespace {
constexpr int32_t ENERGY_PICKUP_SLOTS = 10;
constexpr int32_t WEAPON_PICKUP_SLOTS_DRAWN = 4;  // only 1 and 2 are ever placed
constexpr int32_t ENERGY_PER_PICKUP = 15;
constexpr int32_t ENERGY_MAX = 100;
constexpr int32_t LEVEL_END_FRAME = 9801;

bool IsAnyOf(int32_t frame, std::initializer_list<int32_t> frames) {
  return std::find(frames.begin(), frames.end(), frame) != frames.end();
}

// ---- pickups ----

// Touches test the work sprites at the stored positions whatever the states:
// a gone ship still takes what passes over the place where it broke up.
bool TouchesPlayer1(int32_t sprite, int32_t x, int32_t y) {
  return SpritesTouch(sprite, x, y, SPRITE_PLAYER1_WORK, player1X, player1Y) != 0;
}
bool TouchesPlayer2(int32_t sprite, int32_t x, int32_t y) {
  return SpritesTouch(sprite, x, y, SPRITE_PLAYER2_WORK, player2X, player2Y) != 0;
}

void GiveEnergy(int32_t& energy) {
  energy = std::min(energy + ENERGY_PER_PICKUP, ENERGY_MAX);
  StartSound(SOUND_PICKUP, 0);
}

void GiveWeapon(int32_t player, int32_t type) {
  ownedWeapons[player][type] = 1;
  StartSound(SOUND_PICKUP, 0);
}

// The types a set may offer at its frame: 2 + RandomUpTo(spread) for drawn
// types, or the one fixed type.
struct TypeRange {
  int32_t first;
  int32_t spread;  // -1: fixed type, no draw
};

int32_t DrawType(TypeRange r) { return r.spread < 0 ? r.first : r.first + RandomUpTo(r.spread); }

// The repetition of a set ends only if some type of its range is still new to the player.
bool LacksSomeType(int32_t player, TypeRange r) {
  const int32_t last = r.first + std::max(r.spread, 0);
  for (int32_t t = r.first; t <= last; ++t)
    if (ownedWeapons[player][t] == 0) return true;
  return false;
}

void PlaceWeaponPickup(int32_t slot, int32_t x, int32_t y) {
  weaponPickupState[slot] = 1;
  weaponPickupX[slot] = x;
  weaponPickupY[slot] = y;
}

// Both alive: slot 1 for player 1 and slot 2 for player 2, drawn again until
// each is a weapon its player lacks.
void PlaceTwoPlayerSet(TypeRange t1, TypeRange t2) {
  if (!LacksSomeType(1, t1) || !LacksSomeType(2, t2)) return;
  do {
    const int32_t x1 = frameCounter + 805 + RandomUpTo(300);
    PlaceWeaponPickup(1, x1, 50 + RandomUpTo(400));
    const int32_t x2 = frameCounter + 1105 + RandomUpTo(300);
    PlaceWeaponPickup(2, x2, 50 + RandomUpTo(400));
    weaponPickupType[1] = DrawType(t1);
    weaponPickupType[2] = DrawType(t2);
  } while (ownedWeapons[1][weaponPickupType[1]] != 0 || ownedWeapons[2][weaponPickupType[2]] != 0);
}

// One alive player: slot 1 only, further ahead; slot 2 keeps what it holds.
void PlaceOnePlayerSet(int32_t player, TypeRange t) {
  if (!LacksSomeType(player, t)) return;
  do {
    const int32_t x = frameCounter + 805 + RandomUpTo(800);
    PlaceWeaponPickup(1, x, 50 + RandomUpTo(400));
    weaponPickupType[1] = DrawType(t);
  } while (ownedWeapons[player][weaponPickupType[1]] != 0);
}

void PlaceWeaponSet(TypeRange t1, TypeRange t2, TypeRange alone) {
  if (player1State == 1 && player2State == 1) {
    PlaceTwoPlayerSet(t1, t2);
  } else if (player1State == 1 && player2State == 0) {
    PlaceOnePlayerSet(1, alone);
  } else if (player1State == 0 && player2State == 1) {
    PlaceOnePlayerSet(2, alone);
  }
  // A dying player at the set's frame: no set this time.
}

void PlaceEnergyPickup(int32_t slot, int32_t ahead) {
  energyPickupState[slot] = 1;
  energyPickupX[slot] = frameCounter + ahead;
  energyPickupY[slot] = 50 + RandomUpTo(400);
}

void PlaceEnergyPair(int32_t slotForPlayer1, int32_t slotForPlayer2) {
  if (player1State == 1) PlaceEnergyPickup(slotForPlayer1, 810);
  if (player2State == 1) PlaceEnergyPickup(slotForPlayer2, 850);
}

// ---- the script's events ----

void FallingAsteroid() {
  const int32_t dy = -3 - RandomUpTo(2);
  const int32_t x = player1X + 300 + RandomUpTo(400);
  SpawnAsteroid(x, -80, dy);
}

// Asteroids ahead of player 1, a cruiser at a ship's height, or two gunships.
void MixedThreat() {
  const int32_t r = 1 + RandomUpTo(2);
  if (r == 1) {
    SpawnAsteroid(player1X + 500, -80, -4);
    SpawnAsteroid(player1X + 800, -80, -4);
    SpawnAsteroid(player1X + 900, -80, -3);
    SpawnAsteroid(player1X + 810, 300, -3);
  } else if (r == 2) {
    SpawnCruiser(810, player1State == 1 ? player1Y : player2Y);
  } else {
    SpawnGunshipPair(810);
  }
}

// A cruiser at the height of an alive ship, player 1 two times in three.
// With no ship alive no draw could ever pick one: then no cruiser comes.
void CruiserHunt() {
  if (player1State != 1 && player2State != 1) return;
  for (;;) {
    const int32_t r = RandomUpTo(2);
    if (r <= 1 && player1State == 1) {
      SpawnCruiser(810, player1Y - 60);
      return;
    }
    if (r == 2 && player2State == 1) {
      SpawnCruiser(810, player2Y);
      return;
    }
  }
}

bool InBonusWindow(int32_t frame, int32_t bonusFrame) { return frame > bonusFrame && frame < bonusFrame + 200; }

void SurvivalBonus(int32_t frame) {
  struct Bonus {
    int32_t frame, points;
  };
  constexpr Bonus BONUSES[] = {{1800, 500}, {3900, 600}, {6100, 700}, {8000, 800}, {9600, 1000}};
  for (const Bonus& b : BONUSES)
    if (frame == b.frame) score += b.points;
  if (InBonusWindow(frame, 1800) || InBonusWindow(frame, 3900) || InBonusWindow(frame, 6100) ||
      InBonusWindow(frame, 8000))
    DrawBitmapText(120, 450, "Survival Bonus...");
  if (InBonusWindow(frame, 9600)) DrawBitmapText(120, 450, "  Final Bonus...");
}

// The level ends by emptying the energy of every ship still flying; the
// players' own death test does the rest.
void EndOfLevel() {
  if (player1State == 1) player1Energy = 0;
  if (player2State == 1) player2Energy = 0;
}
}  // namespace

void ResetPickups() {
  weaponPickupX.fill(0);
  weaponPickupY.fill(0);
  weaponPickupState.fill(0);
  weaponPickupType.fill(0);
  energyPickupX.fill(0);
  energyPickupY.fill(0);
  energyPickupState.fill(0);
}

void UpdatePickups() {
  for (int32_t i = 1; i <= ENERGY_PICKUP_SLOTS; ++i) {
    if (energyPickupState[i] != 1) continue;
    const int32_t x = energyPickupX[i] - frameCounter;
    const int32_t y = energyPickupY[i];
    BlitSprite(SPRITE_ENERGY_PICKUP, x, y);
    // Both ships may take the same pickup in one frame.
    if (TouchesPlayer1(SPRITE_ENERGY_PICKUP, x, y)) {
      GiveEnergy(player1Energy);
      energyPickupState[i] = 0;
    }
    if (TouchesPlayer2(SPRITE_ENERGY_PICKUP, x, y)) {
      GiveEnergy(player2Energy);
      energyPickupState[i] = 0;
    }
  }
  for (int32_t i = 1; i <= WEAPON_PICKUP_SLOTS_DRAWN; ++i) {
    if (weaponPickupState[i] != 1) continue;
    const int32_t x = weaponPickupX[i] - frameCounter;
    const int32_t y = weaponPickupY[i];
    const int32_t type = weaponPickupType[i];
    const int32_t sprite = SPRITE_WEAPON_ICON_BASE + type;
    BlitSprite(sprite, x, y);
    if (TouchesPlayer1(sprite, x, y)) {
      GiveWeapon(1, type);
      weaponPickupState[i] = 0;
    }
    if (TouchesPlayer2(sprite, x, y)) {
      GiveWeapon(2, type);
      weaponPickupState[i] = 0;
    }
  }
}

void PlacePickups() {
  switch (frameCounter) {
    case 10:
      PlaceWeaponSet({3, -1}, {2, 2}, {3, -1});
      break;
    case 1600:
      PlaceWeaponSet({2, 2}, {2, 2}, {2, 2});
      break;
    case 3200:
    case 6000:
      PlaceWeaponSet({2, 5}, {2, 5}, {2, 5});
      break;
    case 2000:
      PlaceEnergyPair(1, 2);
      break;
    case 5000:
      PlaceEnergyPair(3, 4);
      break;
    default:
      break;
  }
}

void RunLevelScript() {
  const int32_t f = frameCounter;
  if (IsAnyOf(f, {400, 2500, 4600, 8650})) FallingAsteroid();
  if (IsAnyOf(f, {20, 150, 300, 1100, 1700, 2000, 3200, 6600, 7400, 8800, 9400}))
    SpawnFighterWedge(850, 100 + RandomUpTo(300));
  if (IsAnyOf(f, {700, 1300, 1850, 4500, 6400, 7750})) MixedThreat();
  if (IsAnyOf(f, {2300, 2550, 5340, 5540})) CruiserHunt();
  if (IsAnyOf(f, {900, 2100, 8450})) SpawnMineTriangle(810);
  if (IsAnyOf(f, {4350, 9250})) SpawnMineTriangle(-150);
  if (f == 2800) SpawnAsteroidRain(200, -1);
  if (IsAnyOf(f, {1500, 4700, 8700})) SpawnAsteroidField(810);
  if (IsAnyOf(f, {2950, 5800, 7100})) SpawnMineDiagonal(810);
  if (IsAnyOf(f, {3700, 6850, 9000})) SpawnGunshipArc(810);
  if (f == 4850) SpawnGunshipPair(810);
  if (f == 5000) SpawnFighterDiagonal(810);
  if (IsAnyOf(f, {4150, 4700, 7500})) {
    SpawnAsteroidRain(200, -1);
    SpawnAsteroidRain(200, 1);
  }
  if (IsAnyOf(f, {3500, 6650, 8250})) SpawnAsteroidRain(200, RandomUpTo(2) <= 1 ? -1 : 1);
  SurvivalBonus(f);
  if (f == LEVEL_END_FRAME) EndOfLevel();
}
