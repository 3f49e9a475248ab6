// The contact sheet: every picture laid out to be looked at.
#include <QFont>
#include <QPainter>

#include "made.h"
#include "paint_kit.h"

namespace {

// A made-up moment of play, to judge the pictures together as the game
// draws them: backdrop, ground, ships, enemies, shots and the HUD.
QImage GameScene(const std::vector<Made>& made) {
  auto find = [&](int n) -> const Made& {
    for (const Made& m : made)
      if (m.entry->kind == SPRITE && m.entry->number == n) return m;
    return made.front();
  };
  QImage scene(800, 600, QImage::Format_RGB32);
  scene.fill(Qt::black);
  QPainter p(&scene);
  // Stars in the two layers' greys.
  Rng rng(4242);
  for (int i = 0; i < 60; ++i) {
    QPoint at(rng.Int(0, 799), rng.Int(0, 550));
    p.fillRect(QRect(at, QSize(i < 40 ? 2 : 1, i < 40 ? 2 : 1)), i < 40 ? QColor(200, 200, 200) : QColor(150, 150, 150));
  }
  auto blit = [&](int n, int x, int y, QRect cell = QRect()) {
    const Made& m = find(n);
    QImage img = cell.isNull() ? m.shown : m.shown.copy(cell);
    if (m.entry->key != OPAQUE) {
      img = img.convertToFormat(QImage::Format_ARGB32);
      for (int yy = 0; yy < img.height(); ++yy)
        for (int xx = 0; xx < img.width(); ++xx)
          if (ConvertsToKey(img.pixel(xx, yy), m.entry->key)) img.setPixel(xx, yy, 0);
    }
    p.drawImage(x, y, img);
  };
  blit(5, -200, 150);
  blit(3, 520, 110);
  blit(0, -300, 500);
  blit(0, 800, 500);
  blit(10, 120, 260, QRect(0, 0, 100, 30));
  blit(11, 160, 340, QRect(0, 0, 100, 30));
  blit(11, 60, 420, QRect(0, 90, 100, 30));
  blit(12, 560, 250, QRect(0, 0, 164, 85));
  blit(12, 640, 380, QRect(0, 255, 164, 85));
  blit(16, 430, 170, QRect(150, 0, 75, 75));
  blit(17, 330, 400, QRect(300, 0, 150, 150));
  blit(20, 600, 60, QRect(0, 0, 130, 80));
  blit(21, 420, 300, QRect(0, 0, 160, 80));
  blit(46, 300, 180, QRect(0, 0, 80, 80));
  blit(15, 240, 270);
  blit(15, 262, 268);
  blit(22, 240, 352);
  blit(23, 300, 357);
  blit(18, 380, 0);
  blit(37, 500, 480);
  blit(33, 530, 477);
  // The HUD where the game puts it.
  blit(6, 10, 10);
  blit(7, 19, 19);
  blit(7, 204, 19);
  blit(30, 24, 22);
  blit(33, 209, 22);
  for (int x : {42, 227}) {
    blit(41, x, 25);
    blit(41, x, 31);
    p.drawImage(x, 25, find(40).shown.copy(0, 0, 80, 3));
    p.drawImage(x, 31, find(40).shown.copy(0, 0, 55, 3));
  }
  QFont font("Liberation Sans");
  font.setPixelSize(11);
  p.setFont(font);
  p.setPen(QColor(200, 200, 200));
  p.drawText(146, 22 + 10, "12345");
  p.drawText(331, 22 + 10, "12345");
  // A line in the bitmap font.
  const char* text = "PAUSE 1";
  for (int i = 0; text[i]; ++i) {
    int g = text[i] == ' ' ? 50 : text[i] >= 'A' ? text[i] - 64 : text[i] - 10;
    blit(80, 290 + i * 33, 500, QRect((g - 1) % 10 * 32, (g - 1) / 10 * 38, 32, 38));
  }
  return scene;
}

}  // namespace

// Keyed pictures are shown a second time as the game shows them, over dark space.
bool WriteContactSheet(const std::vector<Made>& made, const std::string& path) {
  const int sheetW = 1700, pad = 14, label = 16;
  struct Place {
    QImage image;
    QString name;
    int x, y;
  };
  std::vector<Place> places;
  int x = pad, y = pad, rowH = 0;
  for (const Made& m : made) {
    int maxDim = std::max(m.shown.width(), m.shown.height());
    int scale = maxDim < 40 ? 4 : maxDim < 160 ? 2 : 1;
    QImage big = m.shown.scaled(m.shown.size() * scale);
    QImage tile = big;
    if (m.entry->key != OPAQUE) {
      tile = QImage(big.width() * 2 + 6, big.height(), QImage::Format_RGB32);
      tile.fill(QColor(128, 128, 128));
      QPainter p(&tile);
      p.drawImage(0, 0, big);
      QImage space(big.size(), QImage::Format_RGB32);
      for (int yy = 0; yy < big.height(); ++yy)
        for (int xx = 0; xx < big.width(); ++xx) {
          QRgb c = big.pixel(xx, yy);
          space.setPixel(xx, yy, ConvertsToKey(c, m.entry->key) ? qRgb(10, 12, 26) : c);
        }
      p.drawImage(big.width() + 6, 0, space);
    }
    if (x + tile.width() + pad > sheetW) x = pad, y += rowH + label + pad, rowH = 0;
    QString name = QString("%1 %2").arg(m.entry->kind == PICTURE ? "picture" : "sprite").arg(m.entry->number);
    places.push_back({tile, name, x, y});
    x += std::max(tile.width(), 80) + pad;
    rowH = std::max(rowH, tile.height());
  }
  y += rowH + label + pad;
  places.push_back({GameScene(made), "a moment of play", pad, y});
  rowH = 600;
  QImage sheet(sheetW, y + rowH + label + pad, QImage::Format_RGB32);
  sheet.fill(QColor(128, 128, 128));
  QPainter p(&sheet);
  QFont font("Liberation Sans");
  font.setPixelSize(12);
  p.setFont(font);
  for (const Place& pl : places) {
    p.drawImage(pl.x, pl.y + label, pl.image);
    p.setPen(Qt::black);
    p.drawText(pl.x, pl.y + 12, pl.name);
  }
  p.end();
  return sheet.save(QString::fromStdString(path));
}

