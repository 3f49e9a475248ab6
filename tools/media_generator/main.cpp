// The media generator: draws every picture, synthesises every sound, writes
// them as the game's files and as one C++ source that embeds them.
//   media_generator <out-dir> <embedded.cpp>
//   media_generator --contact-sheet <file.png>
#include <QGuiApplication>
#include <QPainter>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "formats.h"
#include "paint_kit.h"
#include "pictures.h"
#include "sounds.h"

namespace {

enum Kind { SPRITE = 0, SOUND = 1, PICTURE = 2 };
enum Format { BMP, JPEG };

struct PictureEntry {
  Kind kind;
  int number;
  Format format;
  int width, height;
  QRgb key;  // the key the game draws it with, or 0 when drawn opaque
  std::function<QImage()> draw;
};

constexpr int kJpegQuality = 94;
constexpr QRgb OPAQUE = 0;

// Columns of the decoded ground with a visible speck in their sky: a pixel
// the screen would draw, more than a fringe's width above the solid rock.
std::vector<int> SkySpecks(const QImage& decoded) {
  std::vector<int> columns;
  for (int x = 0; x < decoded.width(); ++x) {
    int solid = decoded.height();
    while (solid > 0 && !ConvertsToKey(decoded.pixel(x, solid - 1), KEY_BLACK)) --solid;
    for (int y = 0; y + 3 < solid; ++y)
      if (!ConvertsToKey(decoded.pixel(x, y), KEY_BLACK)) {
        columns.push_back(x);
        break;
      }
  }
  return columns;
}

// JPEG rings around the crest; where it leaves specks in the sky, the crest
// there fades in more gently, until the sky is clean.
QImage CleanGround() {
  std::vector<double> lip(1101, 10.0);
  for (int round = 0;; ++round) {
    QImage ground = GroundPicture(lip);
    std::vector<int> specks = SkySpecks(DecodeJpeg(EncodeJpeg(ground, kJpegQuality)).convertToFormat(QImage::Format_RGB32));
    if (specks.empty()) return ground;
    if (round == 12) {
      std::printf("media_generator: the ground keeps %zu specks in its sky\n", specks.size());
      return ground;
    }
    for (int x : specks)
      for (int k = std::max(0, x - 12); k <= std::min(1100, x + 12); ++k) lip[k] = std::max(lip[k], 10.0 + 3 * (round + 1));
  }
}

std::vector<PictureEntry> Catalogue() {
  std::vector<PictureEntry> c = {
      {SPRITE, 0, JPEG, 1101, 152, KEY_BLACK, CleanGround},
      {SPRITE, 1, JPEG, 150, 145, OPAQUE, [] { return PlanetPicture(1); }},
      {SPRITE, 2, JPEG, 111, 101, OPAQUE, [] { return PlanetPicture(2); }},
      {SPRITE, 3, JPEG, 238, 135, OPAQUE, [] { return PlanetPicture(3); }},
      {SPRITE, 4, JPEG, 73, 69, OPAQUE, [] { return PlanetPicture(4); }},
      {SPRITE, 5, JPEG, 731, 390, OPAQUE, LargePlanetPicture},
      {SPRITE, 6, JPEG, 372, 39, OPAQUE, HudPanelPicture},
      {SPRITE, 7, BMP, 170, 22, OPAQUE, PlayerPanelPicture},
      {SPRITE, 10, BMP, 100, 150, KEY_BLACK, [] { return PlayerSheet(1); }},
      {SPRITE, 11, BMP, 100, 150, KEY_BLACK, [] { return PlayerSheet(2); }},
      {SPRITE, 12, BMP, 164, 425, KEY_BLACK, FighterSheet},
      {SPRITE, 15, BMP, 9, 9, KEY_BLACK, BulletPicture},
      {SPRITE, 16, BMP, 750, 75, KEY_MAGENTA, AsteroidSheet},
      {SPRITE, 17, BMP, 750, 150, KEY_MAGENTA, AsteroidBlastSheet},
      {SPRITE, 18, BMP, 1, 600, KEY_BLACK, BeamPicture},
      {SPRITE, 20, BMP, 130, 400, KEY_MAGENTA, GunshipSheet},
      {SPRITE, 21, BMP, 160, 400, KEY_MAGENTA, CruiserSheet},
      {SPRITE, 22, BMP, 11, 5, KEY_BLACK, MissilePicture},
      {SPRITE, 23, JPEG, 73, 5, OPAQUE, HeavyShotPicture},
  };
  for (int w = 1; w <= 7; ++w) c.push_back({SPRITE, 29 + w, BMP, 15, 14, OPAQUE, [w] { return WeaponIcon(w); }});
  std::vector<PictureEntry> rest = {
      {SPRITE, 37, BMP, 10, 8, OPAQUE, EnergyPickupPicture},
      {SPRITE, 40, BMP, 100, 3, OPAQUE, BarFullPicture},
      {SPRITE, 41, BMP, 100, 3, OPAQUE, BarBackPicture},
      {SPRITE, 46, BMP, 640, 80, KEY_BLACK, MineSheet},
      {SPRITE, 80, BMP, 320, 190, KEY_WHITE, BitmapFontSheet},
      {PICTURE, 50, BMP, 104, 39, OPAQUE, MenuFighterPicture},
      {PICTURE, 51, BMP, 163, 61, OPAQUE, LogoPicture},
  };
  c.insert(c.end(), rest.begin(), rest.end());
  return c;
}

struct Made {
  const PictureEntry* entry;
  QImage shown;  // what the game will see (decoded, for JPEG)
  Bytes bytes;
};

bool MakePictures(std::vector<Made>& made, const std::vector<PictureEntry>& catalogue) {
  bool ok = true;
  for (const PictureEntry& e : catalogue) {
    QImage image = e.draw();
    if (image.width() != e.width || image.height() != e.height) {
      std::fprintf(stderr, "media_generator: picture %d is %dx%d, not %dx%d\n", e.number, image.width(),
                   image.height(), e.width, e.height);
      ok = false;
    }
    Made m{&e, image, {}};
    if (e.format == JPEG) {
      m.bytes = EncodeJpeg(image, kJpegQuality);
      m.shown = DecodeJpeg(m.bytes).convertToFormat(QImage::Format_RGB32);
    } else {
      m.bytes = EncodeBmp(image);
    }
    made.push_back(std::move(m));
  }
  return ok;
}

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

// Every picture on a grey ground with its number; keyed ones a second time
// as the game shows them, over dark space.
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

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: media_generator <out-dir> <embedded.cpp> | --contact-sheet <file.png>\n");
    return 2;
  }
  const std::vector<PictureEntry> catalogue = Catalogue();
  std::vector<Made> made;
  bool ok = MakePictures(made, catalogue);
  if (std::string(argv[1]) == "--contact-sheet") return ok && WriteContactSheet(made, argv[2]) ? 0 : 1;

  const std::string dir = argv[1];
  std::vector<Bytes> sounds;
  for (int n = 0; n <= 8; ++n) {
    Sound s = MakeSound(n);
    sounds.push_back(EncodeWav(s.format, s.samples, 1000 + n, s.info));
  }
  std::vector<EmbeddedEntry> entries;
  for (int n = 0; n <= 8; ++n) {
    ok = WriteFile(dir + "/sound_" + std::to_string(n) + ".wav", sounds[n]) && ok;
    entries.push_back({SOUND, n, &sounds[n]});
  }
  for (const Made& m : made) {
    std::string name = std::string(m.entry->kind == PICTURE ? "picture_" : "sprite_") + std::to_string(m.entry->number) +
                       (m.entry->format == JPEG ? ".jpg" : ".bmp");
    ok = WriteFile(dir + "/" + name, m.bytes) && ok;
    entries.push_back({m.entry->kind, m.entry->number, &m.bytes});
  }
  ok = WriteEmbeddedSource(argv[2], entries) && ok;
  if (!ok) std::fprintf(stderr, "media_generator: failed\n");
  return ok ? 0 : 1;
}
