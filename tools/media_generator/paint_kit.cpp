#include "paint_kit.h"

#include <QLinearGradient>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <vector>

QImage NewCanvas(int w, int h) {
  QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

void Smooth(QPainter& p) { p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform); }

QColor Mix(QColor a, QColor b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t, a.greenF() + (b.greenF() - a.greenF()) * t,
                          a.blueF() + (b.blueF() - a.blueF()) * t, a.alphaF() + (b.alphaF() - a.alphaF()) * t);
}

QColor Scale(QColor c, double f) {
  return QColor::fromRgbF(std::clamp(c.redF() * f, 0.0, 1.0), std::clamp(c.greenF() * f, 0.0, 1.0),
                          std::clamp(c.blueF() * f, 0.0, 1.0), c.alphaF());
}

bool ConvertsToKey(QRgb c, QRgb key) {
  return (qRed(c) >> 3) == (qRed(key) >> 3) && (qGreen(c) >> 2) == (qGreen(key) >> 2) &&
         (qBlue(c) >> 3) == (qBlue(key) >> 3);
}

namespace {

// The nearest colour that the screen keeps apart from the key.
QRgb OffKey(QRgb c, QRgb key) {
  if (key == qRgb(0, 0, 0)) return qRgb(std::max(qRed(c), 10), std::max(qGreen(c), 8), std::max(qBlue(c), 12));
  if (key == qRgb(255, 0, 255)) return qRgb(qRed(c) - 24, 16, qBlue(c) - 24);
  return qRgb(std::min(qRed(c), 236), std::min(qGreen(c), 236), std::min(qBlue(c), 236));
}

void FlattenCell(QImage& out, QRgb key, QRect cell, bool fillHoles) {
  const int w = cell.width(), h = cell.height();
  auto at = [&](int x, int y) -> QRgb& {
    return reinterpret_cast<QRgb*>(out.scanLine(cell.y() + y))[cell.x() + x];
  };
  // Flood from the border over key and near-key pixels: all of it is outside.
  std::vector<uint8_t> outside(w * h, 0);
  std::vector<int> stack;
  auto push = [&](int x, int y) {
    if (x < 0 || y < 0 || x >= w || y >= h || outside[y * w + x]) return;
    if (!ConvertsToKey(at(x, y), key)) return;
    outside[y * w + x] = 1;
    stack.push_back(y * w + x);
  };
  for (int x = 0; x < w; ++x) push(x, 0), push(x, h - 1);
  for (int y = 0; y < h; ++y) push(0, y), push(w - 1, y);
  while (!stack.empty()) {
    int i = stack.back();
    stack.pop_back();
    int x = i % w, y = i / w;
    at(x, y) = key;
    push(x + 1, y), push(x - 1, y), push(x, y + 1), push(x, y - 1);
  }
  std::vector<int> holes;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (outside[y * w + x]) continue;
      QRgb& c = at(x, y);
      if (c == key && fillHoles) holes.push_back(y * w + x);
      else if (c != key && ConvertsToKey(c, key)) c = OffKey(c, key);
    }
  // Enclosed gaps take the darkened colour of their neighbours, ring by ring.
  std::vector<uint8_t> open(w * h, 0);
  for (int i : holes) open[i] = 1;
  while (!holes.empty()) {
    std::vector<int> rest;
    std::vector<std::pair<int, QRgb>> filled;
    for (int i : holes) {
      int x = i % w, y = i / w, n = 0, r = 0, g = 0, b = 0;
      const int nx[] = {x + 1, x - 1, x, x}, ny[] = {y, y, y + 1, y - 1};
      for (int k = 0; k < 4; ++k) {
        if (nx[k] < 0 || ny[k] < 0 || nx[k] >= w || ny[k] >= h || open[ny[k] * w + nx[k]]) continue;
        QRgb c = at(nx[k], ny[k]);
        r += qRed(c), g += qGreen(c), b += qBlue(c), ++n;
      }
      if (n == 0) rest.push_back(i);
      else filled.push_back({i, qRgb(r * 7 / (8 * n), g * 7 / (8 * n), b * 7 / (8 * n))});
    }
    if (filled.empty()) break;
    for (auto [i, c] : filled) {
      at(i % w, i / w) = ConvertsToKey(c, key) ? OffKey(c, key) : c;
      open[i] = 0;
    }
    holes.swap(rest);
  }
}

}  // namespace

QImage FlattenOnKey(const QImage& art, QRgb key, int cellW, int cellH, bool fillHoles) {
  QImage src = art.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  QImage out(src.size(), QImage::Format_RGB32);
  for (int y = 0; y < src.height(); ++y) {
    const QRgb* s = reinterpret_cast<const QRgb*>(src.constScanLine(y));
    QRgb* d = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < src.width(); ++x)
      d[x] = qAlpha(s[x]) < 128 ? key : qRgb(qRed(s[x]), qGreen(s[x]), qBlue(s[x]));
  }
  for (int cy = 0; cy + cellH <= out.height(); cy += cellH)
    for (int cx = 0; cx + cellW <= out.width(); cx += cellW) FlattenCell(out, key, QRect(cx, cy, cellW, cellH), fillHoles);
  return out;
}

void FillHull(QPainter& p, const QPainterPath& path, QColor base, double shine) {
  QRectF r = path.boundingRect();
  QLinearGradient g(r.center().x(), r.top(), r.center().x(), r.bottom());
  g.setColorAt(0.0, Mix(base, Qt::white, 0.45 * shine));
  g.setColorAt(0.35, base);
  g.setColorAt(0.75, Scale(base, 0.55));
  g.setColorAt(1.0, Scale(base, 0.35));
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawPath(path);
  // A lit upper rim and a dark outline make the part read at small sizes.
  p.save();
  p.setClipPath(path);
  p.setPen(QPen(Mix(base, Qt::white, 0.6 * shine), std::max(0.8, r.height() * 0.06)));
  p.setBrush(Qt::NoBrush);
  p.translate(0, r.height() * 0.04);
  p.drawPath(path);
  p.restore();
  p.setPen(QPen(Scale(base, 0.3), 0.7));
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
}

void PanelLine(QPainter& p, QPointF a, QPointF b, QColor base) {
  p.setPen(QPen(Scale(base, 0.4), 0.8));
  p.drawLine(a, b);
  p.setPen(QPen(Mix(base, Qt::white, 0.3), 0.5));
  p.drawLine(a + QPointF(0.7, 0.7), b + QPointF(0.7, 0.7));
}

void Glow(QPainter& p, QPointF centre, double rx, double ry, QColor core, QColor outer) {
  p.save();
  p.translate(centre);
  p.scale(1.0, ry / rx);
  QRadialGradient g(QPointF(0, 0), rx);
  g.setColorAt(0.0, core);
  g.setColorAt(0.45, outer);
  QColor clear = outer;
  clear.setAlpha(0);
  g.setColorAt(1.0, clear);
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawEllipse(QPointF(0, 0), rx, rx);
  p.restore();
}

namespace {

QColor FireColour(double heat) {
  static const QColor ramp[] = {QColor(58, 50, 50), QColor(120, 36, 18), QColor(214, 78, 14),
                                QColor(255, 150, 30), QColor(255, 224, 110), QColor(255, 250, 228)};
  heat = std::clamp(heat, 0.0, 1.0) * 5.0;
  int i = std::min(4, static_cast<int>(heat));
  return Mix(ramp[i], ramp[i + 1], heat - i);
}

}  // namespace

void Fireball(QPainter& p, QPointF centre, double radius, double heat, Rng& rng) {
  const int puffs = 6 + static_cast<int>(radius / 2.5);
  // Outer, cooler puffs first; the hot core is drawn last, on top.
  for (int layer = 0; layer < 3; ++layer) {
    for (int i = 0; i < puffs / (layer + 1); ++i) {
      double spread = radius * (0.55 - layer * 0.17);
      QPointF c = centre + QPointF(rng.Gauss() * spread * 0.6, rng.Gauss() * spread * 0.6);
      double r = radius * rng.Range(0.28, 0.5) * (1.0 - layer * 0.2);
      double h = heat - 0.45 + layer * 0.3 + rng.Range(-0.08, 0.08);
      QRadialGradient g(c, r);
      QColor inner = FireColour(h + 0.15), edge = FireColour(h - 0.1);
      edge.setAlpha(0);
      g.setColorAt(0.0, inner);
      g.setColorAt(0.6, FireColour(h));
      g.setColorAt(1.0, edge);
      p.setPen(Qt::NoPen);
      p.setBrush(g);
      p.drawEllipse(c, r, r);
    }
  }
}

void Debris(QPainter& p, QPointF centre, double reach, int count, double heat, Rng& rng) {
  for (int i = 0; i < count; ++i) {
    double angle = rng.Range(0, 2 * M_PI), dist = reach * std::sqrt(rng.Range(0.15, 1.0));
    QPointF at = centre + QPointF(std::cos(angle) * dist, std::sin(angle) * dist);
    if (rng.Unit() < 0.5) {
      // A spark: a short hot streak pointing away from the blast.
      QPointF tail = at - QPointF(std::cos(angle), std::sin(angle)) * rng.Range(2.0, 5.0);
      p.setPen(QPen(FireColour(heat + 0.2), 1.3, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(tail, at);
    } else {
      // A shard of hull, glowing at its edge.
      QPolygonF shard;
      double s = rng.Range(1.5, 3.5);
      for (int k = 0; k < 3; ++k) {
        double a = angle + k * 2.1 + rng.Range(-0.4, 0.4);
        shard << at + QPointF(std::cos(a) * s, std::sin(a) * s);
      }
      p.setPen(QPen(FireColour(heat - 0.1), 0.8));
      p.setBrush(QColor(70, 66, 72));
      p.drawPolygon(shard);
    }
  }
}

void Breakup(QPainter& p, const QImage& ship, double t, uint32_t seed) {
  Rng rng(seed);
  const int w = ship.width(), h = ship.height();
  // Find where the ship lies, to seed the pieces over it.
  QRect box;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (qAlpha(ship.pixel(x, y)) > 128) box |= QRect(x, y, 1, 1);
  if (box.isEmpty()) return;
  const QPointF centre = QRectF(box).center();
  const int pieces = 5;
  std::vector<QPointF> seeds;
  for (int i = 0; i < pieces; ++i)
    seeds.push_back(QPointF(box.left() + box.width() * (i + rng.Range(0.2, 0.8)) / pieces,
                            box.top() + box.height() * rng.Range(0.2, 0.8)));
  std::vector<QImage> parts(pieces, NewCanvas(w, h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      QRgb c = ship.pixel(x, y);
      if (qAlpha(c) == 0) continue;
      int best = 0;
      double bestD = 1e18;
      for (int i = 0; i < pieces; ++i) {
        // A little noise in the distance makes torn, not straight, seams.
        double d = std::hypot(x - seeds[i].x(), (y - seeds[i].y()) * 1.6) + ValueNoise(x * 0.4, y * 0.4, seed) * 8;
        if (d < bestD) bestD = d, best = i;
      }
      parts[best].setPixel(x, y, c);
    }
  const double spread = std::min(w, h) * 0.32;
  // Fire scales with the ship; a long, flat ship still burns big enough to read.
  const double size = std::max<double>(std::min(w, h), std::max(w, h) * 0.38);
  // Fire behind the pieces first, so the wreck sits in its own blaze.
  Fireball(p, centre, size * (0.14 + 0.3 * t), 0.9 - 0.35 * t, rng);
  for (int i = 0; i < pieces; ++i) {
    QPainter q(&parts[i]);
    q.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    q.fillRect(parts[i].rect(), QColor(40, 20, 12, static_cast<int>(200 * t)));
    q.end();
    QPointF dir = seeds[i] - centre;
    double len = std::hypot(dir.x(), dir.y());
    if (len > 0.1) dir /= len;
    dir += QPointF(rng.Range(-0.3, 0.3), rng.Range(-0.3, 0.3));
    // Pieces drift mostly along the long side, where the cell has room.
    if (w > h) dir.setY(dir.y() * h / w);
    else dir.setX(dir.x() * w / h);
    p.save();
    p.translate(seeds[i] + dir * spread * t);
    p.rotate(rng.Range(-50, 50) * t);
    p.translate(-seeds[i]);
    p.drawImage(0, 0, parts[i]);
    p.restore();
  }
  // Flames licking out of the seams, and the blast in front.
  for (int i = 0; i < pieces; ++i) {
    QPointF dir = seeds[i] - centre;
    Fireball(p, centre + dir * (0.4 + 0.5 * t), size * (0.06 + 0.14 * t), 0.95 - 0.4 * t, rng);
  }
  Fireball(p, centre, size * (0.08 + 0.16 * t) * (1.0 - 0.4 * t), 1.0 - 0.3 * t, rng);
  Debris(p, centre, std::min(w, h) * (0.2 + 0.3 * t) + spread * t, static_cast<int>(6 + 14 * t), 0.8 - 0.3 * t, rng);
}

void PaintSphere(QImage& image, QPointF centre, double radius, QPointF lightFrom, const SurfaceFn& surface,
                 QColor atmosphere) {
  double lx = -lightFrom.x(), ly = -lightFrom.y(), lz = 0.55;
  double ln = std::sqrt(lx * lx + ly * ly + lz * lz);
  lx /= ln, ly /= ln, lz /= ln;
  const double halo = atmosphere.alpha() > 0 ? 1.10 : 1.0;
  int x0 = std::max(0, static_cast<int>(centre.x() - radius * halo) - 1);
  int x1 = std::min(image.width() - 1, static_cast<int>(centre.x() + radius * halo) + 1);
  int y0 = std::max(0, static_cast<int>(centre.y() - radius * halo) - 1);
  int y1 = std::min(image.height() - 1, static_cast<int>(centre.y() + radius * halo) + 1);
  for (int py = y0; py <= y1; ++py) {
    QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(py));
    for (int px = x0; px <= x1; ++px) {
      double dx = (px + 0.5 - centre.x()) / radius, dy = (py + 0.5 - centre.y()) / radius;
      double d = std::sqrt(dx * dx + dy * dy);
      double r = 0, g = 0, b = 0, a = 0;
      if (d < 1.0) {
        double z = std::sqrt(std::max(0.0, 1.0 - d * d));
        double lit = dx * lx + dy * ly + z * lz;
        // A soft terminator and a faint ambient, as in a real planet photo.
        double shade = 0.04 + 0.96 * std::clamp((lit + 0.12) / 1.12, 0.0, 1.0);
        shade = std::pow(shade, 0.9);
        QColor c = surface(dx, dy, z);
        r = c.redF() * shade, g = c.greenF() * shade, b = c.blueF() * shade;
        double rim = std::pow(1.0 - z, 2.5) * std::clamp(lit + 0.35, 0.0, 1.0) * atmosphere.alphaF();
        r += atmosphere.redF() * rim, g += atmosphere.greenF() * rim, b += atmosphere.blueF() * rim;
        a = std::clamp((1.0 - d) * radius + 0.5, 0.0, 1.0);
      } else if (d < halo) {
        double nx = dx / d, ny = dy / d;
        double lit = std::clamp(nx * lx + ny * ly + 0.35, 0.0, 1.0);
        double fall = std::pow(1.0 - (d - 1.0) / (halo - 1.0), 2.2) * lit * atmosphere.alphaF() * 0.7;
        r = atmosphere.redF(), g = atmosphere.greenF(), b = atmosphere.blueF();
        a = fall;
        r *= a, g *= a, b *= a;
        a = std::max(a, 0.0);
        // Already premultiplied; blend below treats halo that way.
        QRgb dst = row[px];
        row[px] = qRgba(std::min(255, static_cast<int>(qRed(dst) * (1 - a) + r * 255)),
                        std::min(255, static_cast<int>(qGreen(dst) * (1 - a) + g * 255)),
                        std::min(255, static_cast<int>(qBlue(dst) * (1 - a) + b * 255)),
                        std::min(255, static_cast<int>(qAlpha(dst) * (1 - a) + a * 255)));
        continue;
      } else {
        continue;
      }
      QRgb dst = row[px];
      row[px] = qRgba(std::clamp(static_cast<int>(qRed(dst) * (1 - a) + std::min(1.0, r) * a * 255), 0, 255),
                      std::clamp(static_cast<int>(qGreen(dst) * (1 - a) + std::min(1.0, g) * a * 255), 0, 255),
                      std::clamp(static_cast<int>(qBlue(dst) * (1 - a) + std::min(1.0, b) * a * 255), 0, 255),
                      std::clamp(static_cast<int>(qAlpha(dst) * (1 - a) + a * 255), 0, 255));
    }
  }
}
