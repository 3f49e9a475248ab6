// Every picture of the game, drawn at its exact pixel size. Sheets come back
// already flattened onto their key colour; opaque pictures as they are.
#pragma once

#include <QImage>
#include <vector>

// Ships and enemies.
QImage PlayerSheet(int player);  // 1 or 2: 100 x 150, 1 x 5 cells, key black
QImage FighterSheet();           // 164 x 425, key black
QImage GunshipSheet();           // 130 x 400, key magenta
QImage CruiserSheet();           // 160 x 400, key magenta
QImage MineSheet();              // 640 x 80, key black
QImage MenuFighterPicture();     // 104 x 39 on the menu's face colour

// Projectiles.
QImage BulletPicture();     // 9 x 9, key black
QImage MissilePicture();    // 11 x 5, key black
QImage HeavyShotPicture();  // 73 x 5, opaque
QImage BeamPicture();       // 1 x 600

// Scenery.
// 1101 x 152, key black after JPEG; `lipLength` per column: how many rows
// the crest takes to fade in from the black sky.
QImage GroundPicture(const std::vector<double>& lipLength);
QImage PlanetPicture(int n);  // 1..4
QImage LargePlanetPicture();  // 731 x 390
QImage AsteroidSheet();       // 750 x 75, key magenta
QImage AsteroidBlastSheet();  // 750 x 150, key magenta

// HUD, pickups, text.
QImage HudPanelPicture();     // 372 x 39
QImage PlayerPanelPicture();  // 170 x 22
QImage WeaponIcon(int weapon);  // 15 x 14
QImage EnergyPickupPicture();   // 10 x 8
QImage BarFullPicture();        // 100 x 3
QImage BarBackPicture();        // 100 x 3
QImage BitmapFontSheet();       // 320 x 190, key white
QImage LogoPicture();           // 163 x 61 on the menu's face colour

constexpr QRgb KEY_BLACK = 0xFF000000;
constexpr QRgb KEY_MAGENTA = 0xFFFF00FF;
constexpr QRgb KEY_WHITE = 0xFFFFFFFF;
constexpr QRgb MENU_FACE = 0xFFD4D0C8;  // (212, 208, 200)
