// Drawing helpers shared by all pictures: key handling, shaded hulls, glows,
// fire and debris, lit spheres.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <functional>

#include "rng.h"

// A transparent canvas to draw on with antialiasing.
QImage NewCanvas(int w, int h);
void Smooth(QPainter& p);

// Turns transparent art into an RGB picture on an exact key colour. Each cell
// is handled on its own: pixels less than half covered become the key, edges
// are composed over black (the game's space) so no key-tinted fringe stays,
// opaque pixels that the 16-bit screen would read as the key are moved off it,
// and (with `fillHoles`) key pixels enclosed by the object are filled from
// their neighbours.
QImage FlattenOnKey(const QImage& art, QRgb key, int cellW, int cellH, bool fillHoles);

// True when the 16-bit screen turns this colour into the same value as the key.
bool ConvertsToKey(QRgb colour, QRgb key);

// Lit fill of a hull part: light from above, a shadowed belly, a rim line.
void FillHull(QPainter& p, const QPainterPath& path, QColor base, double shine = 1.0);
// Thin darker seams along a hull.
void PanelLine(QPainter& p, QPointF a, QPointF b, QColor base);
// A soft radial glow, fading to nothing.
void Glow(QPainter& p, QPointF centre, double rx, double ry, QColor core, QColor outer);
// A clustered fireball of puffs; `heat` 1 is white hot, 0 is cold smoke.
void Fireball(QPainter& p, QPointF centre, double radius, double heat, Rng& rng);
// Hot shards and sparks thrown from `centre` out to `reach`.
void Debris(QPainter& p, QPointF centre, double reach, int count, double heat, Rng& rng);
// Draws `ship` (a transparent picture of the cell's size) torn apart at stage
// t in (0, 1]: pieces drift and turn, charred, with fire growing between them.
void Breakup(QPainter& p, const QImage& ship, double t, uint32_t seed);

// Per-pixel painting of a lit sphere: `surface` gives the albedo for a
// point on the unit sphere (x right, y down, z towards the viewer).
using SurfaceFn = std::function<QColor(double x, double y, double z)>;
void PaintSphere(QImage& image, QPointF centre, double radius, QPointF lightFrom, const SurfaceFn& surface,
                 QColor atmosphere);

QColor Mix(QColor a, QColor b, double t);
QColor Scale(QColor c, double f);
