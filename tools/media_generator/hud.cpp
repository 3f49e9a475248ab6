// HUD panels, icons, bars, the bitmap font and the menu's logo.
#include <QFont>
#include <QLinearGradient>
#include <QRadialGradient>
#include <cmath>

#include "paint_kit.h"
#include "pictures.h"

namespace {

const QColor kPlateTop(66, 76, 100), kPlateBottom(28, 32, 46), kWell(12, 15, 24), kTeal(60, 200, 220);

// A brushed plate with a bevelled rim.
void Plate(QPainter& p, QRectF r) {
  QLinearGradient g(0, r.top(), 0, r.bottom());
  g.setColorAt(0, kPlateTop);
  g.setColorAt(0.5, Mix(kPlateTop, kPlateBottom, 0.5));
  g.setColorAt(1, kPlateBottom);
  p.fillRect(r, g);
  p.setPen(QPen(QColor(120, 134, 164), 1));
  p.drawLine(QPointF(r.left() + 0.5, r.top() + 0.5), QPointF(r.right() - 0.5, r.top() + 0.5));
  p.drawLine(QPointF(r.left() + 0.5, r.top() + 0.5), QPointF(r.left() + 0.5, r.bottom() - 0.5));
  p.setPen(QPen(QColor(14, 16, 24), 1));
  p.drawLine(QPointF(r.left() + 0.5, r.bottom() - 0.5), QPointF(r.right() - 0.5, r.bottom() - 0.5));
  p.drawLine(QPointF(r.right() - 0.5, r.top() + 0.5), QPointF(r.right() - 0.5, r.bottom() - 0.5));
}

// A recessed slot: dark floor, shadow on top, light lip below.
void Well(QPainter& p, QRect r) {
  p.fillRect(r, kWell);
  p.setPen(QColor(4, 6, 10));
  p.drawLine(r.topLeft(), r.topRight());
  p.drawLine(r.topLeft(), r.bottomLeft());
  p.setPen(QColor(104, 118, 146));
  p.drawLine(r.bottomLeft() + QPoint(0, 1), r.bottomRight() + QPoint(1, 1));
  p.drawLine(r.topRight() + QPoint(1, 0), r.bottomRight() + QPoint(1, 1));
}

void Rivet(QPainter& p, QPointF c) {
  QRadialGradient g(c - QPointF(0.5, 0.5), 1.8);
  g.setColorAt(0, QColor(200, 210, 230));
  g.setColorAt(1, QColor(40, 46, 60));
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawEllipse(c, 1.4, 1.4);
}

// Fine horizontal streaks of brushed metal over what lies in `r`.
void Brush(QImage& image, QRect r, uint32_t seed) {
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) {
      double f = 0.92 + 0.16 * FractalNoise(x / 30.0, y * 1.3, 2, seed);
      QColor c = Scale(QColor::fromRgb(image.pixel(x, y)), f);
      image.setPixel(x, y, c.rgb());
    }
}

QImage Opaque(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(Qt::black);
  return image;
}

// A glowing bolt for the weapon icons, flying to the right: a dim trail
// and a bright head.
void Bolt(QPainter& p, QPointF from, QPointF to, QColor colour) {
  QLinearGradient trail(from, to);
  trail.setColorAt(0, Scale(colour, 0.3));
  trail.setColorAt(1, colour);
  p.setPen(QPen(QBrush(trail), 1.4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(from, to);
  p.setPen(Qt::NoPen);
  p.setBrush(Mix(colour, Qt::white, 0.7));
  p.drawEllipse(to, 1.1, 1.1);
}

void TinyMissile(QPainter& p, QPointF nose, double len) {
  QPainterPath body;
  body.moveTo(nose);
  body.lineTo(nose + QPointF(-2.2, -1.4));
  body.lineTo(nose + QPointF(-len, -1.4));
  body.lineTo(nose + QPointF(-len, 1.4));
  body.lineTo(nose + QPointF(-2.2, 1.4));
  body.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(220, 224, 232));
  p.drawPath(body);
  p.setBrush(QColor(230, 60, 40));
  p.drawRect(QRectF(nose.x() - len + 1, nose.y() - 2.2, 1.4, 4.4));
  Glow(p, nose + QPointF(-len - 1.2, 0), 2.2, 1.5, QColor(255, 250, 200), QColor(255, 150, 40, 230));
}

}  // namespace

QImage HudPanelPicture() {
  QImage image = Opaque(372, 39);
  QPainter p(&image);
  Smooth(p);
  Plate(p, QRectF(0, 0, 372, 39));
  p.end();
  Brush(image, QRect(1, 1, 370, 37), 61);
  p.begin(&image);
  Smooth(p);
  // Seats of the two player panels, outlined by a thin lit groove.
  for (int x : {9, 194}) {
    p.setPen(QPen(QColor(8, 10, 16), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(x - 1.5, 7.5, 172, 24));
    p.setPen(QPen(Scale(kTeal, 0.8), 1));
    p.drawRect(QRectF(x - 2.5, 6.5, 174, 26));
  }
  // Centre piece between the seats: two status lights.
  for (double y : {14.0, 25.0}) Glow(p, QPointF(186, y), 3, 3, QColor(230, 255, 255), kTeal);
  // A grille along the bottom edge and rivets at the corners.
  p.setPen(QPen(QColor(18, 22, 32), 1));
  for (int x = 20; x < 352; x += 4) p.drawLine(QPointF(x + 0.5, 34.5), QPointF(x + 2.5, 34.5));
  for (QPointF c : {QPointF(4, 4), QPointF(368, 4), QPointF(4, 35), QPointF(368, 35)}) Rivet(p, c);
  return image;
}

QImage PlayerPanelPicture() {
  QImage image = Opaque(170, 22);
  QPainter p(&image);
  Plate(p, QRectF(0, 0, 170, 22));
  p.end();
  Brush(image, QRect(1, 1, 168, 20), 71);
  p.begin(&image);
  Well(p, QRect(4, 2, 16, 15));     // weapon icon at (5, 3)
  Well(p, QRect(22, 5, 101, 4));    // energy bar at (23, 6)
  Well(p, QRect(22, 11, 101, 4));   // ammunition bar at (23, 12)
  Well(p, QRect(125, 2, 42, 17));   // score text at (127, 3)
  // Tiny markers under the bars: red for energy, amber for ammunition.
  p.fillRect(QRect(22, 17, 8, 2), QColor(220, 70, 60));
  p.fillRect(QRect(32, 17, 8, 2), QColor(240, 190, 60));
  return image;
}

QImage WeaponIcon(int weapon) {
  static const QColor tint[8] = {QColor(), QColor(70, 80, 110), QColor(40, 100, 110), QColor(90, 60, 130),
                                 QColor(70, 100, 50), QColor(120, 46, 40), QColor(40, 60, 130), QColor(120, 96, 40)};
  QImage image = Opaque(15, 14);
  QPainter p(&image);
  Smooth(p);
  QLinearGradient g(0, 0, 0, 14);
  g.setColorAt(0, Mix(tint[weapon], Qt::white, 0.25));
  g.setColorAt(1, Scale(tint[weapon], 0.45));
  p.fillRect(QRect(0, 0, 15, 14), g);
  p.setPen(QPen(Mix(tint[weapon], Qt::white, 0.5), 1));
  p.drawLine(QPointF(0.5, 0.5), QPointF(14.5, 0.5));
  p.setPen(QPen(Scale(tint[weapon], 0.3), 1));
  p.drawLine(QPointF(0.5, 13.5), QPointF(14.5, 13.5));
  const QColor yellow(255, 220, 80), cyan(120, 230, 255), orange(255, 140, 40);
  switch (weapon) {
    case 1:
      Glow(p, QPointF(10.5, 7), 3.5, 3.5, QColor(255, 255, 230), QColor(255, 170, 40, 220));
      Bolt(p, QPointF(2.5, 7), QPointF(10.5, 7), yellow);
      break;
    case 2:
      for (double dy : {-4.0, 0.0, 4.0}) Bolt(p, QPointF(2.5, 7), QPointF(12, 7 + dy), yellow);
      break;
    case 3:
      Glow(p, QPointF(7.5, 7), 4, 7.5, QColor(255, 255, 255), QColor(150, 200, 255, 200));
      p.setPen(QPen(Qt::white, 1.2));
      p.drawLine(QPointF(7.5, 1), QPointF(7.5, 13));
      break;
    case 4:
      TinyMissile(p, QPointF(13, 7), 8);
      break;
    case 5:
      Glow(p, QPointF(8, 7), 6.5, 3, QColor(255, 250, 220), QColor(255, 120, 30, 230));
      p.setPen(QPen(QColor(255, 250, 220), 1.6, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(4, 7), QPointF(12, 7));
      break;
    case 6:
      for (double dy : {-5.0, -2.5, 0.0, 2.5, 5.0}) Bolt(p, QPointF(6, 7), QPointF(13, 7 + dy), cyan);
      Bolt(p, QPointF(5.5, 7), QPointF(1.5, 7), orange);
      break;
    default:
      Bolt(p, QPointF(2, 4), QPointF(12, 2.5), yellow);
      Bolt(p, QPointF(2, 10), QPointF(12, 11.5), yellow);
      TinyMissile(p, QPointF(13.5, 7), 7);
      break;
  }
  return image;
}

QImage EnergyPickupPicture() {
  QImage image = Opaque(10, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 10; ++x) {
      QColor c = Mix(QColor(250, 90, 80), QColor(140, 12, 16), y / 7.0);
      if (x == 0 || y == 0) c = QColor(255, 140, 130);
      if (x == 9 || y == 7) c = QColor(100, 8, 12);
      image.setPixel(x, y, c.rgb());
    }
  for (int x = 2; x <= 7; ++x)
    for (int y = 3; y <= 4; ++y) image.setPixel(x, y, qRgb(255, 255, 255));
  for (int y = 1; y <= 6; ++y)
    for (int x = 4; x <= 5; ++x) image.setPixel(x, y, qRgb(255, 255, 255));
  return image;
}

QImage BarFullPicture() {
  QImage image(100, 3, QImage::Format_RGB32);
  const QRgb rows[3] = {qRgb(170, 255, 150), qRgb(70, 232, 70), qRgb(30, 170, 50)};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 100; ++x) image.setPixel(x, y, rows[y]);
  return image;
}

QImage BarBackPicture() {
  QImage image(100, 3, QImage::Format_RGB32);
  image.fill(QColor(54, 54, 54));
  return image;
}

QImage BitmapFontSheet() {
  // Cells 1..50, row by row; a blank is an empty cell.
  static const char16_t* const kCells[50] = {
      u"A", u"B", u"C", u"D", u"E", u"F", u"G", u"H", u"I", u"J", u"K", u"L", u"M",
      u"N", u"O", u"P", u"Q", u"R", u"S", u"T", u"U", u"V", u"W", u"X", u"Y", u"Z",
      u".", u",", u"\u201D", u"-", u" ", u"!", u"?", u"(", u")", u"'", u":", u";", u"1",
      u"2", u"3", u"4", u"5", u"6", u"7", u"8", u"9", u"0", u" ", u" "};
  QImage art = NewCanvas(320, 190);
  QFont font("Liberation Sans");
  font.setBold(true);
  font.setPixelSize(31);
  for (int i = 0; i < 50; ++i) {
    QString text = QString::fromUtf16(kCells[i]);
    if (text == " ") continue;
    QPainterPath path;
    path.addText(0, 0, font, text);
    QRectF b = path.boundingRect();
    // Narrow the widest letters and shrink the tallest marks so that the
    // 3-pixel edge stays inside the cell; the rest share one baseline.
    double sx = std::min(1.0, 23.0 / b.width()), sy = std::min(1.0, 28.0 / b.height());
    sx = std::min(sx, sy);
    double baseline = 29;
    if (baseline + b.bottom() * sy > 33.5) baseline = 33.5 - b.bottom() * sy;
    QPainter p(&art);
    Smooth(p);
    p.translate((i % 10) * 32 + 16 - b.center().x() * sx, (i / 10) * 38 + baseline);
    p.scale(sx, sy);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(220, 30, 20), 6.0 / sy, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    p.setPen(QPen(QColor(255, 220, 40), 3.2 / sy, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPath(path);
  }
  return FlattenOnKey(art, KEY_WHITE, 32, 38, false);
}

QImage LogoPicture() {
  QImage image(163, 61, QImage::Format_ARGB32_Premultiplied);
  image.fill(QColor::fromRgb(MENU_FACE));
  QPainter p(&image);
  Smooth(p);
  // An orbit swept behind the name, with a small sun on it.
  p.setPen(QPen(QColor(230, 130, 40), 2.2));
  p.setBrush(Qt::NoBrush);
  p.save();
  p.translate(81.5, 33);
  p.rotate(-8);
  p.drawEllipse(QPointF(0, 0), 76, 17);
  p.restore();
  Glow(p, QPointF(146, 21), 6, 6, QColor(255, 255, 230), QColor(255, 160, 40, 220));
  QFont font("Liberation Sans");
  font.setBold(true);
  font.setItalic(true);
  font.setPixelSize(38);
  QPainterPath path;
  path.addText(0, 0, font, "Tolvane");
  QRectF b = path.boundingRect();
  p.translate(81.5 - b.center().x(), 31 - b.center().y());
  // A soft drop shadow lifts the name off the window.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(150, 146, 140));
  p.drawPath(path.translated(2.5, 2.5));
  QLinearGradient fill(0, b.top(), 0, b.bottom());
  fill.setColorAt(0, QColor(150, 230, 255));
  fill.setColorAt(0.5, QColor(30, 110, 200));
  fill.setColorAt(1, QColor(14, 36, 90));
  p.setPen(QPen(QColor(10, 20, 50), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(path);
  p.setPen(QPen(QColor(255, 255, 255), 1.2));
  p.setBrush(fill);
  p.drawPath(path);
  p.end();
  return image.convertToFormat(QImage::Format_RGB32);
}
