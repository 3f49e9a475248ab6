// Ships, enemies and projectiles.
#include <QLinearGradient>
#include <QRadialGradient>
#include <cmath>
#include <functional>

#include "paint_kit.h"
#include "pictures.h"

namespace {

using CellPainter = std::function<void(QPainter&, int frame)>;

// Draws `frames` cells stacked along one row or column of a transparent sheet.
QImage DrawCells(int cellW, int cellH, int cols, int rows, const CellPainter& paint) {
  QImage sheet = NewCanvas(cellW * cols, cellH * rows);
  for (int f = 0; f < cols * rows; ++f) {
    QPainter p(&sheet);
    Smooth(p);
    // One pixel of key stays round every cell, so no frame bleeds into the next.
    p.setClipRect(QRect((f % cols) * cellW + 1, (f / cols) * cellH + 1, cellW - 2, cellH - 2));
    p.translate((f % cols) * cellW, (f / cols) * cellH);
    paint(p, f + 1);
  }
  return sheet;
}

QImage DrawOne(int w, int h, const std::function<void(QPainter&)>& paint) {
  QImage image = NewCanvas(w, h);
  QPainter p(&image);
  Smooth(p);
  paint(p);
  return image;
}

// A ship sheet: frame 1 the intact ship, frames 2-5 its break-up; `bursts`
// adds extra blasts over the hull, as armoured ships go up in stages.
QImage WreckSheet(int cellW, int cellH, const std::function<void(QPainter&)>& ship, QRgb key, uint32_t seed,
                  int bursts) {
  QImage intact = DrawOne(cellW, cellH, ship);
  QImage sheet = DrawCells(cellW, cellH, 1, 5, [&](QPainter& p, int frame) {
    if (frame == 1) {
      p.drawImage(0, 0, intact);
      return;
    }
    double t = (frame - 1) / 4.0;
    Breakup(p, intact, t * 0.95, seed + frame);
    Rng rng(seed * 7 + frame);
    for (int i = 0; i < bursts * (frame - 1); ++i) {
      QPointF at(cellW * rng.Range(0.2, 0.8), cellH * rng.Range(0.3, 0.7));
      Fireball(p, at, std::min(cellW, cellH) * rng.Range(0.08, 0.14) * (0.7 + t), 1.0 - 0.5 * t, rng);
    }
  });
  return FlattenOnKey(sheet, key, cellW, cellH, true);
}

struct ShipColours {
  QColor hull, wing, accent, glass, flame;
};

// The players' interceptor, nose to the right, in a 100 x 30 cell.
void DrawInterceptor(QPainter& p, const ShipColours& c) {
  // Engine flame behind the nozzles.
  Glow(p, QPointF(9, 15), 10, 5.5, QColor(255, 255, 255, 255), c.flame);
  Glow(p, QPointF(4, 15), 5, 2.5, Mix(c.flame, Qt::white, 0.5), c.flame);
  QPainterPath upperWing;
  upperWing.moveTo(58, 11);
  upperWing.lineTo(34, 1.5);
  upperWing.lineTo(24, 1.5);
  upperWing.lineTo(30, 11);
  upperWing.closeSubpath();
  QPainterPath lowerWing;
  lowerWing.moveTo(58, 19);
  lowerWing.lineTo(34, 28.5);
  lowerWing.lineTo(24, 28.5);
  lowerWing.lineTo(30, 19);
  lowerWing.closeSubpath();
  FillHull(p, upperWing, c.wing, 1.2);
  FillHull(p, lowerWing, Scale(c.wing, 0.8), 0.8);
  // Wing-tip stripes in the player's colour.
  p.setPen(QPen(c.accent, 1.6));
  p.drawLine(QPointF(25.5, 2.6), QPointF(33.5, 2.6));
  p.drawLine(QPointF(25.5, 27.4), QPointF(33.5, 27.4));
  // Engine block.
  QPainterPath engine;
  engine.addRoundedRect(QRectF(11, 10, 14, 10), 2, 2);
  FillHull(p, engine, QColor(90, 96, 110));
  p.setPen(QPen(QColor(40, 44, 52), 1));
  p.drawLine(QPointF(13, 10.5), QPointF(13, 19.5));
  // Fuselage.
  QPainterPath body;
  body.moveTo(97, 15.5);
  body.cubicTo(88, 11, 76, 9, 62, 9);
  body.lineTo(22, 9.5);
  body.lineTo(18, 12);
  body.lineTo(18, 19);
  body.lineTo(22, 21.5);
  body.lineTo(62, 21.5);
  body.cubicTo(76, 21.5, 88, 19.5, 97, 15.5);
  body.closeSubpath();
  FillHull(p, body, c.hull, 1.2);
  // Accent stripe and seams.
  p.setPen(QPen(c.accent, 1.4));
  p.drawLine(QPointF(26, 16.5), QPointF(78, 16.5));
  PanelLine(p, QPointF(44, 10), QPointF(44, 20.5), c.hull);
  PanelLine(p, QPointF(34, 10), QPointF(34, 20.5), c.hull);
  // Canopy.
  QPainterPath canopy;
  canopy.moveTo(80, 13.2);
  canopy.cubicTo(74, 9.5, 64, 9.2, 58, 10.5);
  canopy.lineTo(60, 13.6);
  canopy.closeSubpath();
  // Dark tinted glass with a sky reflection along its top and one glint.
  QLinearGradient glass(0, 9.5, 0, 13.6);
  glass.setColorAt(0, Mix(c.glass, Qt::white, 0.4));
  glass.setColorAt(0.45, Scale(c.glass, 0.55));
  glass.setColorAt(1, QColor(16, 22, 40));
  p.setPen(QPen(QColor(20, 24, 34), 0.7));
  p.setBrush(glass);
  p.drawPath(canopy);
  p.setPen(QPen(QColor(255, 255, 255, 220), 0.8, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(66, 10.6), QPointF(72, 10.9));
  // A darker nose cone.
  QPainterPath nose;
  nose.moveTo(97, 15.5);
  nose.cubicTo(95, 14, 93, 13.3, 90, 13);
  nose.lineTo(90, 18.2);
  nose.cubicTo(93, 17.8, 95, 17, 97, 15.5);
  p.setPen(Qt::NoPen);
  p.setBrush(Scale(c.hull, 0.55));
  p.drawPath(nose);
  // Gun at the nose line and a running light.
  p.setPen(QPen(QColor(70, 74, 84), 1.2));
  p.drawLine(QPointF(66, 19.5), QPointF(86, 19.5));
  Glow(p, QPointF(31, 2.5), 2.2, 2.2, Qt::white, c.accent);
}

// The enemy fighter, nose to the left, drawn in a 164 x 85 cell.
void DrawFighter(QPainter& p) {
  const QColor hull(116, 104, 134), wing(88, 78, 108), trim(200, 60, 70);
  // Twin exhausts at the tail, burning violet-red.
  for (double y : {34.0, 51.0}) {
    Glow(p, QPointF(152, y), 12, 6.5, QColor(255, 240, 255), QColor(230, 70, 150, 200));
  }
  // Forward-swept wings, upper in the light, lower in shadow.
  QPainterPath upper;
  upper.moveTo(62, 34);
  upper.lineTo(44, 7);
  upper.lineTo(58, 5);
  upper.lineTo(112, 30);
  upper.closeSubpath();
  QPainterPath lower;
  lower.moveTo(62, 51);
  lower.lineTo(44, 78);
  lower.lineTo(58, 80);
  lower.lineTo(112, 55);
  lower.closeSubpath();
  FillHull(p, upper, wing, 1.1);
  FillHull(p, lower, Scale(wing, 0.75), 0.7);
  p.setPen(QPen(trim, 2));
  p.drawLine(QPointF(46, 8), QPointF(56, 6.5));
  p.drawLine(QPointF(46, 77), QPointF(56, 78.5));
  // Engine pods.
  for (double y : {34.0, 51.0}) {
    QPainterPath pod;
    pod.addRoundedRect(QRectF(106, y - 6, 42, 12), 5, 5);
    FillHull(p, pod, QColor(96, 92, 104));
    p.setPen(QPen(QColor(50, 46, 56), 1.2));
    p.drawLine(QPointF(142, y - 5), QPointF(142, y + 5));
    p.drawLine(QPointF(136, y - 5.5), QPointF(136, y + 5.5));
  }
  // Fuselage: a long blade with a heavy spine.
  QPainterPath body;
  body.moveTo(6, 43);
  body.cubicTo(24, 35, 50, 30, 80, 29);
  body.lineTo(130, 31);
  body.lineTo(138, 37);
  body.lineTo(138, 48);
  body.lineTo(130, 54);
  body.lineTo(80, 56);
  body.cubicTo(50, 55, 24, 50, 6, 43);
  body.closeSubpath();
  FillHull(p, body, hull, 1.2);
  PanelLine(p, QPointF(70, 30), QPointF(70, 55), hull);
  PanelLine(p, QPointF(96, 30), QPointF(96, 55), hull);
  PanelLine(p, QPointF(24, 43.5), QPointF(128, 43.5), hull);
  p.setPen(QPen(trim, 1.8));
  p.drawLine(QPointF(82, 47.5), QPointF(126, 47.5));
  // Red eye of a cockpit.
  QPainterPath canopy;
  canopy.moveTo(36, 38);
  canopy.cubicTo(46, 31, 62, 31, 70, 34);
  canopy.lineTo(66, 39);
  canopy.closeSubpath();
  QLinearGradient glass(0, 31, 0, 39);
  glass.setColorAt(0, QColor(255, 190, 170));
  glass.setColorAt(0.5, QColor(220, 40, 50));
  glass.setColorAt(1, QColor(90, 14, 24));
  p.setPen(QPen(QColor(60, 16, 24), 0.8));
  p.setBrush(glass);
  p.drawPath(canopy);
  // Wing cannons.
  p.setPen(QPen(QColor(72, 70, 80), 2.4));
  p.drawLine(QPointF(34, 19), QPointF(62, 19));
  p.drawLine(QPointF(34, 66), QPointF(62, 66));
}

// The gunship: a squat armoured carrier with two turrets, facing left, 130 x 80.
void DrawGunship(QPainter& p) {
  const QColor armour(132, 124, 84), dark(88, 84, 60), light(238, 150, 40);
  Glow(p, QPointF(120, 40), 10, 14, QColor(255, 250, 220), QColor(255, 160, 40, 200));
  QPainterPath hull;
  hull.moveTo(10, 40);
  hull.lineTo(28, 20);
  hull.lineTo(96, 16);
  hull.lineTo(116, 24);
  hull.lineTo(116, 56);
  hull.lineTo(96, 64);
  hull.lineTo(28, 60);
  hull.closeSubpath();
  FillHull(p, hull, armour, 1.1);
  // Armour plates.
  for (double x : {44.0, 62.0, 80.0}) PanelLine(p, QPointF(x, 18), QPointF(x, 62), armour);
  PanelLine(p, QPointF(20, 40), QPointF(114, 40), armour);
  // Side fins.
  for (int s : {-1, 1}) {
    QPainterPath fin;
    fin.moveTo(70, 40 + s * 22);
    fin.lineTo(84, 40 + s * 36);
    fin.lineTo(104, 40 + s * 36);
    fin.lineTo(100, 40 + s * 22);
    fin.closeSubpath();
    FillHull(p, fin, s < 0 ? dark : Scale(dark, 0.75), s < 0 ? 1.0 : 0.6);
  }
  // Turrets with their barrels to the front.
  for (double y : {28.0, 52.0}) {
    QPainterPath barrel;
    barrel.addRoundedRect(QRectF(14, y - 1.8, 34, 3.6), 1.5, 1.5);
    FillHull(p, barrel, QColor(120, 120, 124), 1.3);
    QPainterPath dome;
    dome.addEllipse(QPointF(50, y), 9, 7);
    FillHull(p, dome, QColor(150, 140, 100), 1.3);
  }
  // A glowing vision slit at the bow and a warning band on the armour.
  QPainterPath slit;
  slit.moveTo(16, 40);
  slit.lineTo(26, 32);
  slit.lineTo(32, 32);
  slit.lineTo(24, 40);
  slit.lineTo(32, 48);
  slit.lineTo(26, 48);
  slit.closeSubpath();
  p.setPen(QPen(QColor(60, 30, 10), 0.8));
  p.setBrush(QColor(255, 170, 60));
  p.drawPath(slit);
  for (int i = 0; i < 5; ++i) {
    QPolygonF chevron;
    double x = 64 + i * 5;
    chevron << QPointF(x, 46) << QPointF(x + 2.5, 46) << QPointF(x + 5, 52) << QPointF(x + 2.5, 52);
    p.setPen(Qt::NoPen);
    p.setBrush(i % 2 ? QColor(40, 38, 30) : QColor(230, 190, 60));
    p.drawPolygon(chevron);
  }
  // Bridge lights.
  for (int i = 0; i < 4; ++i) Glow(p, QPointF(86 + i * 6, 30), 2.2, 2.2, Qt::white, light);
  QPainterPath nozzle;
  nozzle.addRect(QRectF(114, 30, 6, 20));
  FillHull(p, nozzle, QColor(80, 76, 70));
}

// The cruiser: a long capital ship with a spinal cannon, facing left, 160 x 80.
void DrawCruiser(QPainter& p) {
  const QColor steel(118, 134, 150), dark(70, 84, 100), light(255, 140, 50);
  for (double y : {30.0, 50.0}) Glow(p, QPointF(150, y), 10, 6, QColor(255, 255, 230), QColor(255, 150, 60, 200));
  QPainterPath keel;
  keel.moveTo(24, 44);
  keel.lineTo(52, 62);
  keel.lineTo(132, 66);
  keel.lineTo(144, 54);
  keel.lineTo(144, 44);
  keel.closeSubpath();
  FillHull(p, keel, dark, 0.7);
  QPainterPath hull;
  hull.moveTo(8, 38);
  hull.lineTo(30, 28);
  hull.lineTo(70, 24);
  hull.lineTo(84, 12);
  hull.lineTo(120, 12);
  hull.lineTo(132, 22);
  hull.lineTo(146, 26);
  hull.lineTo(146, 54);
  hull.lineTo(120, 56);
  hull.lineTo(30, 50);
  hull.closeSubpath();
  FillHull(p, hull, steel, 1.1);
  // Superstructure.
  QPainterPath tower;
  tower.moveTo(90, 14);
  tower.lineTo(98, 4);
  tower.lineTo(116, 4);
  tower.lineTo(118, 14);
  tower.closeSubpath();
  FillHull(p, tower, Mix(steel, Qt::white, 0.15), 1.3);
  for (double x : {40.0, 58.0, 76.0, 100.0, 124.0}) PanelLine(p, QPointF(x, 26), QPointF(x, 52), steel);
  PanelLine(p, QPointF(30, 40), QPointF(144, 40), steel);
  // Spinal cannon.
  QPainterPath gun;
  gun.addRoundedRect(QRectF(2, 36, 40, 6), 2, 2);
  FillHull(p, gun, QColor(84, 90, 100), 1.2);
  Glow(p, QPointF(4, 39), 4, 3, QColor(255, 240, 200), light);
  // Windows along the hull.
  for (int i = 0; i < 7; ++i) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 210, 120));
    p.drawRect(QRectF(62 + i * 10, 30, 3, 2));
  }
  for (int i = 0; i < 3; ++i) Glow(p, QPointF(102 + i * 5, 8), 1.8, 1.8, Qt::white, light);
  for (double y : {28.0, 52.0}) {
    QPainterPath nozzle;
    nozzle.addRect(QRectF(142, y - 4, 6, 8));
    FillHull(p, nozzle, QColor(74, 80, 90));
  }
}

// The homing mine: a dark sphere with spikes and a pulsing eye, 80 x 80.
void DrawMine(QPainter& p, double turn, double pulse) {
  const QPointF c(40, 40);
  const QColor metal(110, 112, 124);
  p.save();
  p.translate(c);
  p.rotate(turn);
  for (int i = 0; i < 8; ++i) {
    p.save();
    p.rotate(i * 45);
    QPainterPath spike;
    spike.moveTo(-4.5, -20);
    spike.lineTo(0, -37);
    spike.lineTo(4.5, -20);
    spike.closeSubpath();
    FillHull(p, spike, i % 2 ? Scale(metal, 0.85) : metal);
    QPainterPath tip;
    tip.addEllipse(QPointF(0, -36), 2.2, 2.2);
    FillHull(p, tip, QColor(200, 60, 50), 1.3);
    p.restore();
  }
  p.restore();
  QRadialGradient ball(c + QPointF(-8, -8), 30);
  ball.setColorAt(0, QColor(180, 184, 196));
  ball.setColorAt(0.5, QColor(92, 94, 108));
  ball.setColorAt(1, QColor(34, 34, 44));
  p.setPen(QPen(QColor(24, 24, 32), 1));
  p.setBrush(ball);
  p.drawEllipse(c, 22, 22);
  // A seam ring that turns with the mine.
  p.save();
  p.translate(c);
  p.rotate(turn);
  p.setPen(QPen(QColor(50, 52, 62), 1.2));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(0, 0), 22, 8);
  for (int i = 0; i < 4; ++i) {
    double a = (i * 90 + 20) * M_PI / 180;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 200, 210));
    p.drawEllipse(QPointF(std::cos(a) * 15, std::sin(a) * 15 * 0.36 + 0), 1.3, 1.3);
  }
  p.restore();
  QColor eye = Mix(QColor(150, 20, 20), QColor(255, 80, 40), pulse);
  Glow(p, c, 9 + 4 * pulse, 9 + 4 * pulse, QColor(255, 230, 200), QColor(eye.red(), eye.green(), eye.blue(), 220));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 250, 235));
  p.drawEllipse(c, 2.5, 2.5);
}

const ShipColours kPlayerColours[2] = {
    {QColor(150, 176, 214), QColor(70, 104, 170), QColor(70, 220, 255), QColor(110, 220, 255), QColor(60, 170, 255, 220)},
    {QColor(206, 78, 64), QColor(130, 34, 36), QColor(255, 208, 60), QColor(255, 200, 120), QColor(255, 130, 40, 220)},
};

}  // namespace

QImage PlayerSheet(int player) {
  const ShipColours& c = kPlayerColours[player - 1];
  return WreckSheet(100, 30, [&](QPainter& p) { DrawInterceptor(p, c); }, KEY_BLACK, 100 + player, 0);
}

QImage FighterSheet() { return WreckSheet(164, 85, DrawFighter, KEY_BLACK, 200, 0); }
QImage GunshipSheet() { return WreckSheet(130, 80, DrawGunship, KEY_MAGENTA, 300, 2); }
QImage CruiserSheet() { return WreckSheet(160, 80, DrawCruiser, KEY_MAGENTA, 400, 2); }

QImage MineSheet() {
  QImage intact = DrawOne(80, 80, [](QPainter& p) { DrawMine(p, 0, 1); });
  QImage sheet = DrawCells(80, 80, 8, 1, [&](QPainter& p, int frame) {
    if (frame <= 4) {
      // Eight spikes repeat every 45 degrees: four steps of 11.25 loop smoothly.
      DrawMine(p, (frame - 1) * 11.25, std::sin((frame - 1) * M_PI / 4) * 0.5 + 0.5);
    } else {
      Breakup(p, intact, (frame - 4) / 4.0, 500 + frame);
    }
  });
  return FlattenOnKey(sheet, KEY_BLACK, 80, 80, true);
}

QImage MenuFighterPicture() {
  QImage image = NewCanvas(104, 39);
  image.fill(QColor::fromRgb(MENU_FACE));
  QPainter p(&image);
  Smooth(p);
  // The fighter's drawing spans about x 4..164, y 4..81 of its cell.
  const double s = std::min(100.0 / 162.0, 37.0 / 78.0);
  p.translate(52 - 84 * s, 19.5 - 42.5 * s);
  p.scale(s, s);
  DrawFighter(p);
  p.end();
  return image.convertToFormat(QImage::Format_RGB32);
}

QImage BulletPicture() {
  QImage art = DrawOne(9, 9, [](QPainter& p) {
    Glow(p, QPointF(4.5, 4.5), 4.6, 4.6, QColor(255, 255, 240), QColor(255, 170, 40, 255));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 230));
    p.drawEllipse(QPointF(4.5, 4.5), 1.6, 1.6);
  });
  return FlattenOnKey(art, KEY_BLACK, 9, 9, true);
}

QImage MissilePicture() {
  QImage art = DrawOne(11, 5, [](QPainter& p) {
    Glow(p, QPointF(1.5, 2.5), 2.6, 1.8, QColor(255, 250, 210), QColor(255, 140, 30, 255));
    QPainterPath body;
    body.moveTo(3, 1);
    body.lineTo(8, 1);
    body.lineTo(11, 2.5);
    body.lineTo(8, 4);
    body.lineTo(3, 4);
    body.closeSubpath();
    FillHull(p, body, QColor(190, 196, 206));
    p.setPen(QPen(QColor(220, 50, 40), 1));
    p.drawLine(QPointF(8.5, 1.5), QPointF(8.5, 3.5));
  });
  return FlattenOnKey(art, KEY_BLACK, 11, 5, true);
}

QImage HeavyShotPicture() {
  QImage image(73, 5, QImage::Format_RGB32);
  // A plasma slug: white core, orange sheath, tapering tail to the left.
  const QColor rows[5] = {QColor(130, 30, 10), QColor(255, 140, 30), QColor(255, 250, 220), QColor(255, 140, 30),
                          QColor(130, 30, 10)};
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 73; ++x) {
      double along = x / 72.0;
      double ripple = 0.85 + 0.15 * std::sin(x * 0.9);
      QColor c = Mix(QColor(70, 16, 8), rows[y], std::pow(along, 0.6) * ripple);
      image.setPixel(x, y, c.rgb());
    }
  return image;
}

QImage BeamPicture() {
  QImage image(1, 600, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}
