// A game screen on the test host, with small pictures made by the tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <list>
#include <tuple>
#include <ostream>
#include <vector>

#include "game/game.h"
#include "media/media.h"
#include "platform/platform.h"
#include "platform/test_host.h"
#include "state/state.h"
#include "tests/desktop/test_bmp.h"

inline void PrintTo(const TestHost::RandomDraw& d, std::ostream* os) {
  *os << "RandomUpTo(" << d.max << ") = " << d.result;
}

struct Rgb {
  int32_t r, g, b;
};

inline void ClearProjectiles() {
  bulletDir.fill(0);
  missileDir.fill(0);
  heavyShotDir.fill(0);
  beamState.fill(0);
}

class GameScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = &InstallTestHostWithServices();
    ClearSharedState();
    EnterFullscreen(SCREEN_WIDTH, SCREEN_HEIGHT, 16, "Tolvane");
    LoadGameAssets();
    wav_ = MakeWav();
    for (int32_t n = 0; n <= 8; ++n) SoundFromMemory(n, MemoryFile(wav_));
    FillTarget(0, 0, 0);
  }

  // Sprite n from a picture drawn by the test; the bytes stay alive with the fixture.
  void MakeSprite(int32_t n, int32_t w, int32_t h, const std::function<Rgb(int32_t, int32_t)>& colour) {
    files_.push_back(MakeTestBmp(w, h, [&colour](int x, int y) {
      const Rgb c = colour(x, y);
      return uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | uint32_t(c.b);
    }));
    SpriteFromMemory(n, MemoryFile(files_.back()), 0);
  }
  void MakeSolidSprite(int32_t n, int32_t w, int32_t h, Rgb c) {
    MakeSprite(n, w, h, [c](int32_t, int32_t) { return c; });
  }

  uint16_t Pixel(int32_t x, int32_t y) const { return BackBufferPixels()[y * SCREEN_WIDTH + x]; }

  // The sounds started so far, in order.
  std::vector<int32_t> Sounds() const {
    std::vector<int32_t> s;
    for (const auto& start : host_->soundStarts) s.push_back(start.sound);
    return s;
  }
  // Every flying bullet, by slot.
  using Bullet = std::tuple<int32_t, int32_t, int32_t, int32_t>;  // x, y, dy, dir
  static std::vector<Bullet> Bullets() {
    std::vector<Bullet> b;
    for (int32_t i = 1; i <= 1000; ++i)
      if (bulletDir[i] != 0) b.emplace_back(bulletX[i], bulletY[i], bulletDy[i], bulletDir[i]);
    return b;
  }

  TestHost* host_ = nullptr;
  std::list<std::vector<uint8_t>> files_;
  std::vector<uint8_t> wav_;
};
