#include <cmath>

#include "game/game.h"
#include "media/media.h"
#include "platform/platform.h"

int32_t player1X, player1Y, player2X, player2Y;
int32_t player1Energy, player2Energy;
int32_t player1Weapon, player2Weapon;
int32_t player1LastShotTime, player2LastShotTime;
int32_t player1LastChangeTime, player2LastChangeTime;
int32_t playerFireInterval;
int32_t ammoRegenTime;

namespace {
constexpr int32_t SHIP_WIDTH = 100;
constexpr int32_t SHIP_HEIGHT = 30;
constexpr int32_t DYING_STEP_MS = 100;
constexpr int32_t STEP = 6;
constexpr int32_t MAX_Y = 472;  // inclusive: Down still moves at 472
constexpr int32_t MAX_X = 684;  // exclusive
constexpr int32_t CHANGE_INTERVAL_MS = 200;
constexpr int32_t REGEN_INTERVAL_MS = 1000;
constexpr int32_t AMMO_MAX = 200;
constexpr int32_t WEAPON_COUNT = 7;
constexpr int32_t AMMO_COLUMNS = 10;
constexpr int32_t GUN_DX = 65;

constexpr int32_t KEY_ESCAPE = 1;
constexpr int32_t KEY_LEFT = 1, KEY_RIGHT = 2, KEY_UP = 3, KEY_DOWN = 4, KEY_ATTACK = 5, KEY_CHANGE = 6;
constexpr int32_t KEYS_PER_PLAYER = 6;

// Ammunition added per second, weapons 1..7.
constexpr int32_t AMMO_REGEN[WEAPON_COUNT + 1] = {0, 10, 5, 2, 3, 4, 4, 4};

// A weapon fires when its ammunition is above minAmmo (weapon 3: exactly full).
struct WeaponRule {
  int32_t minAmmo;
  int32_t cost;
};
constexpr WeaponRule WEAPONS[WEAPON_COUNT + 1] = {
    {0, 0}, {2, 3}, {7, 8}, {AMMO_MAX - 1, AMMO_MAX}, {25, 25}, {32, 32}, {20, 20}, {25, 25}};

// One player's variables, so both players run through the same code.
struct Player {
  int32_t row;
  int32_t& state;
  int32_t& x;
  int32_t& y;
  int32_t& energy;
  int32_t& weapon;
  int32_t& lastShotTime;
  int32_t& lastChangeTime;
  int32_t sheet;
  int32_t work;
};

Player PlayerOne() {
  return {1, player1State, player1X, player1Y, player1Energy, player1Weapon, player1LastShotTime,
          player1LastChangeTime, SPRITE_PLAYER1_SHEET, SPRITE_PLAYER1_WORK};
}
Player PlayerTwo() {
  return {2, player2State, player2X, player2Y, player2Energy, player2Weapon, player2LastShotTime,
          player2LastChangeTime, SPRITE_PLAYER2_SHEET, SPRITE_PLAYER2_WORK};
}

// A full table drops the shot; the volley's other shots still go out.
void AddBullet(int32_t x, int32_t y, int32_t dy, int32_t dir) {
  const int32_t i = FreeProjectileSlot(bulletDir);
  if (i == 0) return;
  bulletX[i] = x;
  bulletY[i] = y;
  bulletDy[i] = dy;
  bulletDir[i] = dir;
}

// Missiles and heavy shots: straight to the right.
void AddStraightShot(Table<200>& xs, Table<200>& ys, Table<200>& dirs, int32_t x, int32_t y) {
  const int32_t i = FreeProjectileSlot(dirs);
  if (i == 0) return;
  xs[i] = x;
  ys[i] = y;
  dirs[i] = 1;
}

void AddMissile(int32_t x, int32_t y) { AddStraightShot(missileX, missileY, missileDir, x, y); }

// With both beams busy the second one starts over at the new place.
void AddBeam(int32_t x) {
  const int32_t i = beamState[1] == 0 ? 1 : 2;
  beamState[i] = 1;
  beamX[i] = x;
}

void FireWeapon(int32_t weapon, int32_t x, int32_t y) {
  const int32_t gx = x + GUN_DX;
  const int32_t gy = y + 15;
  switch (weapon) {
    case 1:
      AddBullet(gx, gy, 0, 1);
      StartSound(SOUND_SHOT, 0);
      break;
    case 2:
      for (int32_t dy = -1; dy <= 1; ++dy) AddBullet(gx, gy, dy, 1);
      StartSound(SOUND_SHOT, 0);
      break;
    case 3:
      AddBeam(gx);
      StartSound(SOUND_BEAM, 0);
      break;
    case 4:
      AddMissile(gx, gy);
      StartSound(SOUND_MISSILE, 0);
      break;
    case 5:
      AddStraightShot(heavyShotX, heavyShotY, heavyShotDir, x + 50, gy);
      StartSound(SOUND_HEAVY_SHOT, 0);
      break;
    case 6:
      for (int32_t dy : {-1, 0, 1, -2}) AddBullet(gx, gy, dy, 1);
      AddBullet(x - 9, y + 10, 0, -1);  // one behind the ship, flying left
      AddBullet(gx, gy, 2, 1);
      StartSound(SOUND_SPREAD, 0);
      break;
    case 7:
      AddBullet(gx, gy, -1, 1);
      AddBullet(gx, gy, 1, 1);
      AddBullet(x + 90, gy, 0, 1);
      AddMissile(gx, gy);
      StartSound(SOUND_SHOT, 0);
      StartSound(SOUND_MISSILE, 0);
      break;
    default:
      break;
  }
}

bool HasAmmoFor(int32_t weapon, int32_t count) {
  if (weapon == 3) return count == AMMO_MAX;
  return count > WEAPONS[weapon].minAmmo;
}

void DeathTest(Player p) {
  if (p.energy > 0) return;
  p.state = 2;
  p.energy = 1;
  StartSound(SOUND_HEAVY_BLOW, 0);
}

void DrawPlayer(Player p) {
  if (p.state == 1) {
    DrawAnimation(p.sheet, 1, 1, p.x, p.y, SHIP_WIDTH, SHIP_HEIGHT, -10, p.work, 0, 0, 0, 0);
  } else if (p.state == 2) {
    if (DrawAnimation(p.sheet, 2, 5, p.x, p.y, SHIP_WIDTH, SHIP_HEIGHT, DYING_STEP_MS, p.work, 0, 0, 0, 0) == 1)
      p.state = 0;
  }
}

bool KeyOf(const Player& p, int32_t action) { return KeyIsDown(keyTable[(p.row - 1) * KEYS_PER_PLAYER + action]) != 0; }

void Move(Player p) {
  const bool alive = p.state == 1;
  if (KeyOf(p, KEY_UP) && alive) {
    if (p.y > 0) p.y -= STEP;
  } else if (KeyOf(p, KEY_DOWN) && alive) {
    if (p.y <= MAX_Y) p.y += STEP;
  }
  if (KeyOf(p, KEY_LEFT) && alive) {
    if (p.x > 0) p.x -= STEP;
  } else if (KeyOf(p, KEY_RIGHT) && alive) {
    if (p.x < MAX_X) p.x += STEP;
  }
}

void ChangeWeapon(Player p) {
  PollKeyboard();
  if (!KeyOf(p, KEY_CHANGE) || p.state != 1) return;
  if (TickDistance(GetTickCount(), p.lastChangeTime) <= CHANGE_INTERVAL_MS) return;
  // Weapon 1 is always owned, so the walk ends within one round.
  for (int32_t pass = 0; pass < WEAPON_COUNT; ++pass) {
    PollKeyboard();
    p.weapon = p.weapon % WEAPON_COUNT + 1;
    if (ownedWeapons[p.row][p.weapon] == 1) break;
  }
  p.lastChangeTime = GetTickCount();
}

void Attack(Player p) {
  if (!KeyOf(p, KEY_ATTACK)) return;
  const int32_t since =
      static_cast<int32_t>(static_cast<uint32_t>(GetTickCount()) - static_cast<uint32_t>(p.lastShotTime));
  if (since <= playerFireInterval || p.state != 1) return;
  if (p.weapon < 1 || p.weapon > WEAPON_COUNT) return;
  int32_t& count = ammo[p.row][p.weapon];
  if (!HasAmmoFor(p.weapon, count)) return;
  count -= WEAPONS[p.weapon].cost;
  FireWeapon(p.weapon, p.x, p.y);
  p.lastShotTime = GetTickCount();
}

void ReadInput(Player p) {
  Move(p);
  ChangeWeapon(p);
  if (p.lastShotTime == 0) p.lastShotTime = GetTickCount();
  Attack(p);
}
}  // namespace

int32_t FreeProjectileSlot(std::span<const int32_t> dir) {
  for (int32_t i = 1; i < static_cast<int32_t>(dir.size()); ++i) {
    PollKeyboard();
    if (dir[size_t(i)] == 0) return i;
  }
  return 0;
}

void ResetPlayers() {
  player1X = 100;
  player1Y = 100;
  player2X = 200;
  player2Y = 200;
  player1Energy = 100;
  player2Energy = 100;
  player1Weapon = 1;
  player2Weapon = 1;
  playerFireInterval = 300;
  ammoRegenTime = GetTickCount();
  for (int32_t p = 1; p <= 2; ++p) {
    for (int32_t w = 1; w <= 8; ++w) {
      ownedWeapons[p][w] = 0;
      ammo[p][w] = AMMO_MAX;
    }
    ownedWeapons[p][1] = 1;
  }
}

void RegenerateAmmo() {
  if (TickDistance(GetTickCount(), ammoRegenTime) <= REGEN_INTERVAL_MS) return;
  ammoRegenTime = GetTickCount();
  for (int32_t p = 1; p <= 2; ++p)
    for (int32_t w = 1; w <= WEAPON_COUNT; ++w) ammo[p][w] += AMMO_REGEN[w];
  for (int32_t w = 1; w <= AMMO_COLUMNS; ++w) {
    PollKeyboard();
    for (int32_t p = 1; p <= 2; ++p) {
      PollKeyboard();
      if (ammo[p][w] > AMMO_MAX) ammo[p][w] = AMMO_MAX;
    }
  }
}

void UpdatePlayers() {
  DeathTest(PlayerOne());
  DeathTest(PlayerTwo());
  DrawPlayer(PlayerOne());
  DrawPlayer(PlayerTwo());
  if (player1State == 1 && player2State == 1 &&
      SpritesTouch(SPRITE_PLAYER1_WORK, player1X, player1Y, SPRITE_PLAYER2_WORK, player2X, player2Y) != 0) {
    player1Energy = 0;
    player2Energy = 0;
  }
}

void ReadPlayerInput() {
  if (KeyIsDown(KEY_ESCAPE) == 0) escLatch = 1;
  ReadInput(PlayerOne());
  PollKeyboard();
  ReadInput(PlayerTwo());
}
