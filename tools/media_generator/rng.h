// Seeded randomness and noise for the generator: the same numbers on every
// build, independent of the standard library's distributions.
#pragma once

#include <cmath>
#include <cstdint>

class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}

  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1).
  double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
  double Range(double lo, double hi) { return lo + (hi - lo) * Unit(); }
  int Int(int lo, int hi) { return lo + static_cast<int>(Unit() * (hi - lo + 1)); }
  // Roughly normal, mean 0, deviation 1.
  double Gauss() { return (Unit() + Unit() + Unit() + Unit() - 2.0) * 1.7320508; }

 private:
  uint64_t state_;
};

// Hash of a lattice point to [0, 1).
inline double LatticeValue(int32_t x, int32_t y, uint32_t seed) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return (h & 0xFFFFFF) / 16777216.0;
}

// Smooth value noise in [0, 1); `periodX` > 0 makes it repeat along x, so a
// strip can tile.
inline double ValueNoise(double x, double y, uint32_t seed, int32_t periodX = 0) {
  int32_t x0 = static_cast<int32_t>(std::floor(x));
  int32_t y0 = static_cast<int32_t>(std::floor(y));
  double fx = x - x0, fy = y - y0;
  double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
  auto wrap = [periodX](int32_t v) { return periodX > 0 ? ((v % periodX) + periodX) % periodX : v; };
  double a = LatticeValue(wrap(x0), y0, seed), b = LatticeValue(wrap(x0 + 1), y0, seed);
  double c = LatticeValue(wrap(x0), y0 + 1, seed), d = LatticeValue(wrap(x0 + 1), y0 + 1, seed);
  return (a + (b - a) * sx) * (1 - sy) + (c + (d - c) * sx) * sy;
}

// Fractal sum of octaves, in [0, 1). With `periodX`, the period is given at
// the first octave's scale and doubles with each octave's frequency.
inline double FractalNoise(double x, double y, int octaves, uint32_t seed, int32_t periodX = 0) {
  double sum = 0, amp = 0.5, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += amp * ValueNoise(x, y, seed + 31u * i, periodX);
    norm += amp;
    x *= 2;
    y *= 2;
    periodX *= 2;
    amp *= 0.5;
  }
  return sum / norm;
}
