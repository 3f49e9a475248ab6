// A game screen on the test host, with small pictures made by the tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <list>
#include <vector>

#include "game/game.h"
#include "media/media.h"
#include "platform/platform.h"
#include "platform/test_host.h"
#include "startup/startup.h"

struct Rgb {
  int32_t r, g, b;
};

// A 24-bit bottom-up BMP as the loaders read it.
inline std::vector<uint8_t> MakeBmp(int32_t w, int32_t h, const std::function<Rgb(int32_t, int32_t)>& colour) {
  const int32_t stride = (w * 3 + 3) / 4 * 4;
  const int32_t size = 54 + stride * h;
  std::vector<uint8_t> f(size, 0);
  auto put32 = [&](int32_t at, int32_t v) {
    for (int32_t i = 0; i < 4; ++i) f[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  f[0] = 'B';
  f[1] = 'M';
  put32(2, size);
  put32(10, 54);
  put32(14, 40);
  put32(18, w);
  put32(22, h);
  f[26] = 1;
  f[28] = 24;
  put32(34, stride * h);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      const Rgb c = colour(x, y);
      uint8_t* p = &f[54 + (h - 1 - y) * stride + x * 3];
      p[0] = static_cast<uint8_t>(c.b);
      p[1] = static_cast<uint8_t>(c.g);
      p[2] = static_cast<uint8_t>(c.r);
    }
  }
  return f;
}

// A short 8-bit mono WAV, so that sound starts are recorded.
inline std::vector<uint8_t> MakeWav() {
  const uint8_t head[44] = {'R', 'I', 'F', 'F', 40, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                            16, 0, 0, 0, 1, 0, 1, 0, 0x22, 0x56, 0, 0, 0x22, 0x56, 0, 0,
                            1, 0, 8, 0, 'd', 'a', 't', 'a', 4, 0, 0, 0};
  std::vector<uint8_t> f(head, head + 44);
  f.insert(f.end(), {128, 128, 128, 128});
  return f;
}

inline void ClearProjectiles() {
  bulletDir.fill(0);
  missileDir.fill(0);
  heavyShotDir.fill(0);
  beamState.fill(0);
}

class GameScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = &InstallTestHost();
    ClearSharedState();
    StartKeyboard();
    StartSoundSystem();
    RegisterJpegDecoder();
    StartSpriteSystem();
    EnterFullscreen(SCREEN_WIDTH, SCREEN_HEIGHT, 16, "Tolvane");
    LoadGameAssets();
    wav_ = MakeWav();
    for (int32_t n = 0; n <= 8; ++n) SoundFromMemory(n, MemoryFile(wav_));
    FillTarget(0, 0, 0);
  }

  // Sprite n from a picture drawn by the test; the bytes stay alive with the fixture.
  void MakeSprite(int32_t n, int32_t w, int32_t h, const std::function<Rgb(int32_t, int32_t)>& colour) {
    files_.push_back(MakeBmp(w, h, colour));
    SpriteFromMemory(n, MemoryFile(files_.back()), 0);
  }
  void MakeSolidSprite(int32_t n, int32_t w, int32_t h, Rgb c) {
    MakeSprite(n, w, h, [c](int32_t, int32_t) { return c; });
  }

  uint16_t Pixel(int32_t x, int32_t y) const { return BackBufferPixels()[y * SCREEN_WIDTH + x]; }

  TestHost* host_ = nullptr;
  std::list<std::vector<uint8_t>> files_;
  std::vector<uint8_t> wav_;
};
