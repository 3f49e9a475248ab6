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
#include "made.h"
#include "paint_kit.h"
#include "pictures.h"
#include "sounds.h"

namespace {

constexpr int kJpegQuality = 94;

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
