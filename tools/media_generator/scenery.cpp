// The backdrop: ground strip, planets, asteroids and their blasts.
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <vector>

#include "paint_kit.h"
#include "pictures.h"

namespace {

QImage SpaceCanvas(int w, int h) {
  QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::black);
  return image;
}

// Looks up a smooth colour ramp at t in [0, 1].
QColor Ramp(const std::vector<QColor>& stops, double t) {
  t = std::clamp(t, 0.0, 1.0) * (stops.size() - 1);
  size_t i = std::min(stops.size() - 2, static_cast<size_t>(t));
  return Mix(stops[i], stops[i + 1], t - i);
}

// A banded gas or ice giant: latitude bands stirred by turbulence.
SurfaceFn Bands(std::vector<QColor> ramp, double bands, double swirl, uint32_t seed) {
  return [=](double x, double y, double z) {
    double lon = std::atan2(x, z);
    double turb = FractalNoise(lon * 2.5 + 10, y * 7 + 10, 4, seed) - 0.5;
    double v = 0.5 + 0.5 * std::sin(y * bands + turb * swirl) * 0.8 + turb * 0.3;
    return Ramp(ramp, v);
  };
}

// A cratered rock: mottled albedo with dark basins.
SurfaceFn Craters(QColor light, QColor dark, uint32_t seed) {
  return [=](double x, double y, double z) {
    double n = FractalNoise(x * 3 + z * 2 + 5, y * 3 + z + 5, 5, seed);
    double pits = FractalNoise(x * 9 + z * 4 + 40, y * 9 + 40, 2, seed + 7);
    double t = n * 1.1 - (pits > 0.62 ? (pits - 0.62) * 3 : 0);
    return Mix(dark, light, t);
  };
}

QImage Finished(const QImage& image) { return image.convertToFormat(QImage::Format_RGB32); }

// A thin tilted ring around a planet; `front` draws the half that passes in
// front of it, otherwise the half behind.
void Ring(QPainter& p, QPointF c, double rx, double ry, double tilt, bool front) {
  p.save();
  p.translate(c);
  p.rotate(tilt);
  p.setClipRect(front ? QRectF(-rx - 4, 0, 2 * rx + 8, ry + 4) : QRectF(-rx - 4, -ry - 4, 2 * rx + 8, ry + 4));
  Rng rng(77);
  for (double f = 0.62; f <= 1.0; f += 0.018) {
    double bright = 0.55 + 0.45 * std::sin(f * 60) * rng.Range(0.6, 1.0);
    if (f > 0.78 && f < 0.81) continue;  // a dark gap between the bands
    QColor col = Scale(QColor(220, 200, 160), std::clamp(bright, 0.2, 1.0) * (front ? 1.0 : 0.7));
    col.setAlpha(front ? 210 : 150);
    p.setPen(QPen(col, 2.0));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(0, 0), rx * f, ry * f);
  }
  p.restore();
}

}  // namespace

QImage GroundPicture(const std::vector<double>& lipLength) {
  const int w = 1101, h = 152, period = 1100;
  QImage image(w, h, QImage::Format_RGB32);
  const double tau = 2 * M_PI / period;
  std::vector<double> top(w);
  for (int x = 0; x < w; ++x) {
    // Whole harmonics of the period, so column 1100 meets column 0.
    double t = 58 + 10 * std::sin(3 * tau * x) + 7 * std::sin(7 * tau * x + 1.3) + 4 * std::sin(13 * tau * x + 0.4) +
               2.5 * std::sin(29 * tau * x + 2.0);
    t += (FractalNoise(x / 25.0, 3.0, 4, 11, period / 25) - 0.5) * 26;
    top[x] = std::clamp(t, 22.0, 90.0);
  }
  // Violet-grey layers with a warm, rusty band: alien rock under a cold sky.
  const std::vector<QColor> strata = {QColor(66, 58, 86), QColor(100, 80, 92), QColor(74, 72, 100),
                                      QColor(128, 96, 80), QColor(60, 60, 84)};
  // Noise scales divide the period, so the strip tiles.
  auto boulders = [&](double x, double y) { return FractalNoise(x / 20.0, y / 20.0, 3, 23, period / 20); };
  for (int y = 0; y < h; ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < w; ++x) {
      double depth = y - top[x];
      if (depth < 0) {
        row[x] = qRgb(0, 0, 0);
        continue;
      }
      double n = boulders(x, y);
      double warp = (FractalNoise(x / 50.0, y / 25.0, 3, 5, period / 50) - 0.5) * 6;
      double layer = 0.5 + 0.5 * std::sin(y * 0.14 + warp);
      QColor c = Ramp(strata, layer * 0.6 + n * 0.4);
      // Boulder relief lit from the upper left, and a fine grain.
      double slope = (boulders(x + 1, y) - n) + (boulders(x, y + 1) - n);
      double relief = 1.0 + std::clamp(-slope * 9.0, -0.4, 0.4);
      relief *= 0.93 + 0.14 * FractalNoise(x / 3.0, y / 3.0, 2, 31, period / 3);
      // The crest catches the light; deep down the rock darkens.
      double light = relief * (1.0 + 0.25 * std::exp(-(depth - 8) * (depth - 8) / 30.0)) *
                     (1.0 - std::min(0.4, depth / 250.0));
      // The crest fades in from black and is grey at first: a soft,
      // colourless edge gives the JPEG little to ring with in the sky.
      const double len = lipLength[x];
      double lip = std::clamp(depth / len, 0.0, 1.0);
      lip = lip * lip * (3 - 2 * lip);
      c = Mix(QColor(c.value(), c.value(), c.value()), c, std::clamp((depth - len * 0.6) / 12.0, 0.0, 1.0));
      c = Scale(c, light * lip * std::min(1.0, depth * 2.0));
      row[x] = c.rgb();
    }
  }
  return image;
}

QImage PlanetPicture(int n) {
  switch (n) {
    case 1: {
      QImage image = SpaceCanvas(150, 145);
      PaintSphere(image, QPointF(75, 72.5), 62, QPointF(-0.7, -0.5),
                  Bands({QColor(120, 60, 30), QColor(214, 150, 90), QColor(240, 214, 170), QColor(180, 100, 60),
                         QColor(230, 180, 120)},
                        14, 4, 101),
                  QColor(255, 190, 120, 200));
      return Finished(image);
    }
    case 2: {
      QImage image = SpaceCanvas(111, 101);
      PaintSphere(image, QPointF(55.5, 50.5), 45, QPointF(-0.6, -0.6),
                  Bands({QColor(40, 90, 140), QColor(120, 190, 220), QColor(220, 240, 250), QColor(70, 140, 190)}, 9,
                        6, 202),
                  QColor(140, 210, 255, 230));
      return Finished(image);
    }
    case 3: {
      QImage image = SpaceCanvas(238, 135);
      QPainter p(&image);
      Smooth(p);
      Ring(p, QPointF(119, 67.5), 114, 30, -14, false);
      p.end();
      PaintSphere(image, QPointF(119, 67.5), 46, QPointF(-0.7, -0.4),
                  Bands({QColor(150, 130, 90), QColor(210, 190, 140), QColor(170, 150, 120), QColor(230, 214, 170)},
                        11, 3, 303),
                  QColor(255, 230, 170, 150));
      p.begin(&image);
      Smooth(p);
      Ring(p, QPointF(119, 67.5), 114, 30, -14, true);
      p.end();
      return Finished(image);
    }
    default: {
      QImage image = SpaceCanvas(73, 69);
      // A rusty desert world: dusty latitude bands over cratered ground.
      SurfaceFn ground = Craters(QColor(200, 110, 80), QColor(90, 40, 34), 404);
      SurfaceFn dust = Bands({QColor(150, 70, 50), QColor(220, 150, 110), QColor(170, 90, 60)}, 8, 3, 405);
      PaintSphere(image, QPointF(36.5, 34.5), 30, QPointF(-0.6, -0.6),
                  [=](double x, double y, double z) { return Mix(ground(x, y, z), dust(x, y, z), 0.4); },
                  QColor(255, 140, 100, 90));
      return Finished(image);
    }
  }
}

QImage LargePlanetPicture() {
  QImage image = SpaceCanvas(731, 390);
  // An ocean world with cloud belts, and a grey moon beside it.
  SurfaceFn ocean = [](double x, double y, double z) {
    double lon = std::atan2(x, z);
    double land = FractalNoise(lon * 2 + 3, y * 3 + 3, 5, 505);
    QColor c = land > 0.56 ? Mix(QColor(60, 110, 70), QColor(150, 130, 90), (land - 0.56) * 4)
                           : Mix(QColor(14, 40, 90), QColor(30, 90, 150), land * 1.8);
    double cloud = FractalNoise(lon * 3 + 20, y * 9 + std::sin(lon * 3) * 0.8, 5, 606);
    double belts = 0.5 + 0.5 * std::sin(y * 10);
    double amount = std::clamp((cloud * 0.8 + belts * 0.3 - 0.5) * 2.5, 0.0, 0.95);
    return Mix(c, QColor(236, 242, 250), amount);
  };
  PaintSphere(image, QPointF(450, 205), 172, QPointF(-0.8, -0.45), ocean, QColor(120, 180, 255, 255));
  PaintSphere(image, QPointF(120, 105), 34, QPointF(-0.8, -0.45),
              Craters(QColor(190, 186, 180), QColor(80, 78, 82), 707), QColor(0, 0, 0, 0));
  return Finished(image);
}

QImage AsteroidSheet() {
  const int cell = 75, frames = 10;
  QImage art = NewCanvas(cell * frames, cell);
  Rng rng(808);
  // The rock's outline and craters, in its own turning frame.
  double harmonics[6][2];
  for (auto& hm : harmonics) hm[0] = rng.Range(-1, 1), hm[1] = rng.Range(0, 2 * M_PI);
  struct Crater {
    double x, y, r;
  };
  std::vector<Crater> craters;
  for (int i = 0; i < 7; ++i) craters.push_back({rng.Range(-18, 18), rng.Range(-18, 18), rng.Range(3, 7)});
  auto radius = [&](double phi) {
    double r = 29;
    for (int k = 0; k < 6; ++k) r += harmonics[k][0] * (3.2 / (k + 1)) * std::sin((k + 2) * phi + harmonics[k][1]);
    return r;
  };
  const double lx = -0.62, ly = -0.55, lz = 0.56;
  for (int f = 0; f < frames; ++f) {
    double a = f * 2 * M_PI / frames;
    double ca = std::cos(a), sa = std::sin(a);
    for (int y = 0; y < cell; ++y)
      for (int x = 0; x < cell; ++x) {
        double wx = x + 0.5 - 37.5, wy = y + 0.5 - 37.5;
        double ux = ca * wx + sa * wy, uy = -sa * wx + ca * wy;  // into the rock's frame
        double rho = std::hypot(ux, uy), R = radius(std::atan2(uy, ux));
        double cover = std::clamp(R - rho + 0.5, 0.0, 1.0);
        if (cover <= 0) continue;
        double q = std::min(rho / R, 0.999);
        double nz = std::sqrt(1 - q * q);
        double nx = ux / R, ny = uy / R;
        // Bumps of the rock's skin.
        double e = 0.9;
        double hgt = FractalNoise(ux / 6 + 50, uy / 6 + 50, 4, 809);
        nx -= (FractalNoise((ux + e) / 6 + 50, uy / 6 + 50, 4, 809) - hgt) * 5;
        ny -= (FractalNoise(ux / 6 + 50, (uy + e) / 6 + 50, 4, 809) - hgt) * 5;
        double albedo = 0.8 + 0.4 * FractalNoise(ux / 9 + 9, uy / 9 + 9, 3, 810);
        for (const Crater& c : craters) {
          double d = std::hypot(ux - c.x, uy - c.y);
          if (d < c.r) {
            // Inside the bowl the slope faces inward; the rim catches light.
            nx -= (ux - c.x) / c.r * 0.9;
            ny -= (uy - c.y) / c.r * 0.9;
            albedo *= 0.85;
          } else if (d < c.r + 1.5) {
            albedo *= 1.12;
          }
        }
        // Back into the screen's frame for the fixed light.
        double wnx = ca * nx - sa * ny, wny = sa * nx + ca * ny;
        double len = std::sqrt(wnx * wnx + wny * wny + nz * nz);
        double lit = std::max(0.0, (wnx * lx + wny * ly + nz * lz) / len);
        double shade = 0.16 + 0.9 * lit;
        QColor c = Scale(QColor(136, 118, 100), albedo * shade);
        int al = static_cast<int>(cover * 255);
        art.setPixel(f * cell + x, y,
                     qPremultiply(qRgba(c.red(), c.green(), c.blue(), al)));
      }
  }
  return FlattenOnKey(art, KEY_MAGENTA, cell, cell, true);
}

QImage AsteroidBlastSheet() {
  const int cell = 150;
  QImage art = NewCanvas(cell * 5, cell);
  for (int f = 1; f <= 5; ++f) {
    QPainter p(&art);
    Smooth(p);
    p.setClipRect(QRect((f - 1) * cell, 0, cell, cell));
    p.translate((f - 1) * cell, 0);
    Rng rng(900 + f);
    double t = (f - 1) / 4.0;
    const QPointF c(75, 75);
    // A white flash first, cooling to an orange glow behind the fire.
    if (f <= 3) {
      QColor core = Mix(QColor(255, 255, 235), QColor(255, 150, 40), t * 2);
      QColor outer = Mix(QColor(255, 200, 90, 255), QColor(200, 70, 20, 255), t * 2);
      Glow(p, c, 44 + 36 * t, 44 + 36 * t, core, outer);
    }
    Fireball(p, c, 28 + 36 * t, 1.0 - 0.75 * t, rng);
    for (int i = 0; i < 3 + f; ++i) {
      double a = rng.Range(0, 2 * M_PI), d = (10 + 30 * t) * rng.Range(0.4, 1.0);
      Fireball(p, c + QPointF(std::cos(a) * d, std::sin(a) * d), 8 + 12 * t, 0.9 - 0.7 * t, rng);
    }
    // Chunks of the rock flung out.
    for (int i = 0; i < 14; ++i) {
      double a = rng.Range(0, 2 * M_PI), d = (24 + 50 * t) * rng.Range(0.6, 1.0);
      QPointF at = c + QPointF(std::cos(a) * d, std::sin(a) * d);
      QPainterPath rock;
      double s = rng.Range(2.0, 4.5) * (1 - 0.3 * t);
      rock.addEllipse(at, s, s * 0.7);
      FillHull(p, rock, Scale(QColor(136, 118, 100), 1.0 - 0.3 * t));
      if (f <= 3) Glow(p, at, s + 1.5, s + 1.5, QColor(255, 200, 120, 180), QColor(255, 120, 30, 100));
    }
    Debris(p, c, 30 + 40 * t, 10, 0.9 - 0.6 * t, rng);
  }
  // The smoke thins out towards the end: ragged noise eats it from the rim in.
  for (int f = 4; f <= 5; ++f) {
    double keep = f == 4 ? 0.55 : 0.8;
    for (int y = 0; y < cell; ++y)
      for (int x = 0; x < cell; ++x) {
        double rim = std::hypot(x - 75.0, y - 75.0) / 75.0;
        if (FractalNoise(x / 7.0, y / 7.0, 3, 950 + f) * 0.5 + rim > keep + 0.25) art.setPixel((f - 1) * cell + x, y, 0);
      }
  }
  return FlattenOnKey(art, KEY_MAGENTA, cell, cell, true);
}
