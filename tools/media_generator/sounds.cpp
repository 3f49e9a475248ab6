#include "sounds.h"

#include <algorithm>
#include <cmath>

#include "rng.h"

namespace {

constexpr double kTau = 2 * M_PI;

// A state-variable filter; cutoff may change from sample to sample.
struct Svf {
  double low = 0, band = 0;
  double Run(double in, double cutoffHz, double rate, double q, double* high = nullptr) {
    double f = 2 * std::sin(M_PI * std::min(cutoffHz, rate * 0.2) / rate);
    low += f * band;
    double h = in - low - q * band;
    band += f * h;
    if (high) *high = h;
    return low;
  }
};

double Env(double t, double attack, double decay) {
  if (t < attack) return t / attack;
  return std::exp(-(t - attack) / decay);
}

// One voice per channel; `voice(t, channel)` gives the raw signal.
template <typename F>
std::vector<float> Render(const WavFormat& f, double seconds, F voice) {
  size_t frames = static_cast<size_t>(seconds * f.rate);
  std::vector<float> out(frames * f.channels);
  for (size_t i = 0; i < frames; ++i)
    for (int c = 0; c < f.channels; ++c) out[i * f.channels + c] = static_cast<float>(voice(double(i) / f.rate, c));
  return out;
}

// Brings the loudest 50 ms of a sound to the wanted level (root mean
// square), with the peak kept below full scale, and fades the last few
// milliseconds to silence: no sound clips or clicks off, and the loud ones
// do not bury the rest when they play together.
void Level(std::vector<float>& s, const WavFormat& f, double loudness) {
  const size_t window = static_cast<size_t>(0.05 * f.rate) * f.channels;
  double loudest = 1e-9, sum = 0;
  float top = 1e-9f;
  for (size_t i = 0; i < s.size(); ++i) {
    sum += s[i] * s[i];
    if (i >= window) sum -= s[i - window] * s[i - window];
    loudest = std::max(loudest, std::sqrt(std::max(0.0, sum) / std::min(i + 1, window)));
    top = std::max(top, std::fabs(s[i]));
  }
  const double gain = std::min(loudness / loudest, 0.92 / top);
  const size_t fade = std::min<size_t>(s.size(), static_cast<size_t>(0.01 * f.rate) * f.channels);
  for (size_t i = 0; i < s.size(); ++i) {
    size_t left = s.size() - i;
    s[i] = static_cast<float>(s[i] * gain * (left < fade ? double(left) / fade : 1.0));
  }
}

Sound Shot() {
  WavFormat f{2, 22050, 8};
  Svf filt[2];
  Rng rng(1);
  double phase[2] = {0, 0};
  auto s = Render(f, 0.312, [&](double t, int c) {
    // A laser chirp: a bright pulse wave sweeping down fast.
    double freq = 380 + 2100 * std::exp(-t * 22) * (c ? 1.02 : 0.98);
    phase[c] += freq / f.rate;
    double pulse = std::fmod(phase[c], 1.0) < 0.3 ? 1.0 : -1.0;
    double v = filt[c].Run(pulse, 900 + 6000 * std::exp(-t * 15), f.rate, 0.6);
    return v * Env(t, 0.002, 0.07) + rng.Gauss() * 0.05 * Env(t, 0.001, 0.01);
  });
  Level(s, f, 0.20);
  return {f, s, {}};
}

Sound HeavyBlow() {
  WavFormat f{1, 22050, 8};
  Rng rng(2);
  Svf rumble, crunch;
  double phase = 0;
  auto s = Render(f, 1.767, [&](double t, int) {
    // A deep thump that sinks in pitch, with a crunch of metal on top.
    double freq = 42 + 90 * std::exp(-t * 6);
    phase += freq / f.rate;
    double thump = std::sin(kTau * phase) * Env(t, 0.004, 0.35);
    double noise = rng.Gauss();
    double low = rumble.Run(noise, 180 + 300 * std::exp(-t * 3), f.rate, 0.7) * Env(t, 0.003, 0.5) * 1.6;
    double band = 0;
    crunch.Run(noise, 1800, f.rate, 0.5, &band);
    double metal = band * Env(t, 0.001, 0.06) * 0.25;
    return std::tanh((thump + low + metal) * 1.4);
  });
  Level(s, f, 0.36);
  return {f, s, {}};
}

Sound Hit() {
  WavFormat f{2, 22050, 8};
  Rng rng(3);
  auto s = Render(f, 0.294, [&](double t, int c) {
    // A bright ping: inharmonic partials, like struck armour plate.
    const double partials[] = {1320, 2015, 3170, 4410};
    double v = 0;
    for (int k = 0; k < 4; ++k) v += std::sin(kTau * partials[k] * (c ? 1.006 : 1.0) * t) * Env(t, 0.0008, 0.09 / (k + 1));
    v += rng.Gauss() * 0.4 * Env(t, 0.0005, 0.006);
    return v;
  });
  Level(s, f, 0.17);
  return {f, s, {}};
}

Sound Explosion() {
  WavFormat f{1, 11025, 16};
  Rng rng(4);
  Svf body, boom;
  double phase = 0;
  auto s = Render(f, 2.79, [&](double t, int) {
    double noise = rng.Gauss();
    // Rolling noise that darkens as the blast spreads, a sub-bass boom, and crackle.
    double roll = body.Run(noise, 200 + 2400 * std::exp(-t * 2.2), f.rate, 0.9) * Env(t, 0.01, 0.7);
    phase += (38 + 60 * std::exp(-t * 4)) / f.rate;
    double sub = std::sin(kTau * phase) * Env(t, 0.005, 0.45) * 0.8;
    double crackle = (rng.Unit() < 0.004 * std::exp(-t * 1.5) ? rng.Gauss() * 1.5 : 0.0);
    double thunder = boom.Run(noise, 90, f.rate, 0.5) * Env(t, 0.2, 0.9) * 2.5;
    return std::tanh((roll * 1.4 + sub + crackle + thunder) * 0.8);
  });
  Level(s, f, 0.38);
  return {f, s, {{"INAM", "Explosion"}, {"ISFT", "Tolvane media generator"}}};
}

Sound Beam() {
  WavFormat f{2, 22050, 8};
  Svf filt[2];
  double phase[2][3] = {};
  auto s = Render(f, 0.48, [&](double t, int c) {
    // A humming column of light: detuned saws through a sweeping filter.
    double v = 0;
    const double detune[3] = {1.0, 1.007, 0.993};
    for (int k = 0; k < 3; ++k) {
      double freq = (220 + 40 * std::sin(kTau * 7 * t)) * detune[k] * (c ? 1.003 : 1.0);
      phase[c][k] += freq / f.rate;
      v += 2 * std::fmod(phase[c][k], 1.0) - 1;
    }
    double cutoff = 900 + 2600 * (0.5 + 0.5 * std::sin(kTau * 3 * t + c));
    double out = filt[c].Run(v / 3, cutoff, f.rate, 0.3);
    double env = std::min(1.0, t / 0.01) * std::min(1.0, (0.48 - t) / 0.15);
    return out * env + std::sin(kTau * 1760 * t) * 0.08 * env;
  });
  Level(s, f, 0.18);
  return {f, s, {}};
}

Sound Missile() {
  WavFormat f{1, 11025, 8};
  Rng rng(5);
  Svf filt;
  double phase = 0;
  auto s = Render(f, 1.124, [&](double t, int) {
    // Ignition pop, then a rising rocket hiss.
    double band = 0;
    filt.Run(rng.Gauss(), 500 + 2500 * std::min(1.0, t / 0.8), f.rate, 0.35, &band);
    double hiss = band * Env(t, 0.03, 0.45);
    phase += (180 + 260 * t) / f.rate;
    double tone = std::sin(kTau * phase) * 0.25 * Env(t, 0.02, 0.3);
    double pop = rng.Gauss() * Env(t, 0.001, 0.012);
    return hiss * 0.8 + tone + pop * 0.6;
  });
  Level(s, f, 0.18);
  return {f, s, {}};
}

Sound HeavyShot() {
  WavFormat f{1, 8000, 8};
  Rng rng(6);
  Svf filt;
  double phase = 0;
  auto s = Render(f, 0.6505, [&](double t, int) {
    // A cannon: square thump dropping an octave, wrapped in low noise.
    phase += (160 * std::exp(-t * 5) + 50) / f.rate;
    double sq = std::fmod(phase, 1.0) < 0.5 ? 1.0 : -1.0;
    double body = filt.Run(sq + rng.Gauss() * 0.5, 700 * std::exp(-t * 3) + 150, f.rate, 0.8);
    return std::tanh(body * Env(t, 0.003, 0.18) * 2.0);
  });
  Level(s, f, 0.32);
  return {f, s, {}};
}

Sound Spread() {
  WavFormat f{1, 22050, 8};
  Svf filt;
  auto s = Render(f, 1.2548, [&](double t, int) {
    // A fan of chirps, one after the other, each higher than the last.
    double v = 0;
    for (int k = 0; k < 6; ++k) {
      double start = k * 0.045;
      if (t < start) continue;
      double u = t - start;
      double freq = (700 + k * 140) + 1800 * std::exp(-u * 25);
      double ph = freq * u - 1800 / 25.0 * std::exp(-u * 25);
      v += (std::fmod(ph, 1.0) < 0.5 ? 0.6 : -0.6) * Env(u, 0.002, 0.09) + std::sin(kTau * ph * 0.5) * 0.3 * Env(u, 0.002, 0.3);
    }
    return filt.Run(v, 4000, f.rate, 0.7);
  });
  Level(s, f, 0.18);
  return {f, s, {}};
}

Sound Pickup() {
  WavFormat f{2, 22050, 8};
  auto s = Render(f, 0.3637, [&](double t, int c) {
    // A rising three-note chime, its bell partials spread across the stereo field.
    const double notes[3] = {1046.5, 1318.5, 1568.0};
    double v = 0;
    for (int k = 0; k < 3; ++k) {
      double start = k * 0.06;
      if (t < start) continue;
      double u = t - start;
      double pan = c == (k % 2) ? 1.0 : 0.7;
      v += pan * (std::sin(kTau * notes[k] * u) + 0.3 * std::sin(kTau * notes[k] * 2.76 * u) * std::exp(-u * 30)) *
           Env(u, 0.003, 0.12);
    }
    return v;
  });
  Level(s, f, 0.20);
  return {f, s, {}};
}

}  // namespace

Sound MakeSound(int n) {
  switch (n) {
    case 0: return Shot();
    case 1: return HeavyBlow();
    case 2: return Hit();
    case 3: return Explosion();
    case 4: return Beam();
    case 5: return Missile();
    case 6: return HeavyShot();
    case 7: return Spread();
    default: return Pickup();
  }
}
