// The platform layer's hot paths, on the test host: a key poll, a blit that
// misses the screen, the fill beside a plain memset of the same bytes, and a
// decor pass of 1000 blits of which two land on the screen.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "platform/host.h"
#include "platform/platform.h"
#include "platform/test_host.h"

namespace {

constexpr int32_t DECOR = 300;
constexpr int32_t SHEET = 301;
constexpr size_t BUFFER_BYTES = size_t(SCREEN_WIDTH) * SCREEN_HEIGHT * sizeof(uint16_t);

std::vector<uint8_t> Bmp(int32_t w, int32_t h) {
  const size_t stride = (size_t(w) * 3 + 3) & ~size_t(3);
  std::vector<uint8_t> out(54 + stride * size_t(h), 0);
  const auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + size_t(i)] = uint8_t(v >> (8 * i));
  };
  out[0] = 'B';
  out[1] = 'M';
  put32(2, uint32_t(out.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, uint32_t(w));
  put32(22, uint32_t(h));
  out[26] = 1;
  out[28] = 24;
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      uint8_t* p = out.data() + 54 + size_t(y) * stride + size_t(x) * 3;
      // A ring of colour in a black square, as a decor object looks.
      const bool solid = (x - w / 2) * (x - w / 2) + (y - h / 2) * (y - h / 2) < (w / 2) * (w / 2);
      p[0] = solid ? 200 : 0;
      p[1] = solid ? uint8_t(x * 3) : 0;
      p[2] = solid ? uint8_t(y * 3) : 0;
    }
  }
  return out;
}

// One screen with a 64 x 64 decor sprite and a 1024 x 64 sheet.
void OpenScreen() {
  static bool open = false;
  if (open) return;
  InstallTestHost();
  StartSpriteSystem();
  EnterFullscreen(SCREEN_WIDTH, SCREEN_HEIGHT, 16, "Tolvane");
  const auto decor = Bmp(64, 64);
  SpriteFromMemoryDefault(DECOR, MemoryFile(decor.data(), decor.size()));
  const auto sheet = Bmp(1024, 64);
  SpriteFromMemoryDefault(SHEET, MemoryFile(sheet.data(), sheet.size()));
  open = true;
}

void BM_PollKeyboard(benchmark::State& state) {
  OpenScreen();
  for (auto _ : state) {
    PollKeyboard();
    benchmark::DoNotOptimize(KeyIsDown(30));
  }
}
BENCHMARK(BM_PollKeyboard);

void BM_BlitWhollyOffScreen(benchmark::State& state) {
  OpenScreen();
  int32_t x = -5000;
  for (auto _ : state) {
    BlitSprite(DECOR, x, 100);
    benchmark::DoNotOptimize(x);
  }
}
BENCHMARK(BM_BlitWhollyOffScreen);

void BM_BlitKeyedWhollyOffScreen(benchmark::State& state) {
  OpenScreen();
  int32_t x = 900;
  for (auto _ : state) {
    BlitSpriteKeyed(DECOR, x, 100);
    benchmark::DoNotOptimize(x);
  }
}
BENCHMARK(BM_BlitKeyedWhollyOffScreen);

// 1000 decor objects spread over the level; two are on the screen.
void BM_DecorPassOf1000(benchmark::State& state) {
  OpenScreen();
  std::vector<int32_t> xs(1000);
  for (size_t i = 0; i < xs.size(); ++i) xs[i] = 900 + int32_t(i) * 37;
  xs[250] = 100;
  xs[750] = 500;
  for (auto _ : state) {
    for (int32_t x : xs) BlitSprite(DECOR, x, 300);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_DecorPassOf1000);

void BM_BlitOnScreen64(benchmark::State& state) {
  OpenScreen();
  for (auto _ : state) {
    BlitSprite(DECOR, 200, 200);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_BlitOnScreen64);

void BM_BlitKeyedOnScreen64(benchmark::State& state) {
  OpenScreen();
  for (auto _ : state) {
    BlitSpriteKeyed(DECOR, 200, 200);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_BlitKeyedOnScreen64);

// The game's work sprite: a duplicate of a whole sheet with one cell shown.
void BM_DuplicateSheetAndShowACell(benchmark::State& state) {
  OpenScreen();
  for (auto _ : state) {
    DuplicateSprite(SHEET, 13, 0);
    SetSpriteViewport(13, 128, 0, 64, 64);
    SetSpriteKeyColour(13, 0, 0, 0);
  }
}
BENCHMARK(BM_DuplicateSheetAndShowACell);

void BM_SpritesTouchNoOverlap(benchmark::State& state) {
  OpenScreen();
  for (auto _ : state) benchmark::DoNotOptimize(SpritesTouch(DECOR, 0, 0, DECOR, 100, 100));
}
BENCHMARK(BM_SpritesTouchNoOverlap);

void BM_SpritesTouchKeyCornersOnly(benchmark::State& state) {
  OpenScreen();
  // The corners of the two squares overlap, and both are black there.
  for (auto _ : state) benchmark::DoNotOptimize(SpritesTouch(DECOR, 0, 0, DECOR, 56, 56));
}
BENCHMARK(BM_SpritesTouchKeyCornersOnly);

void BM_FillTargetBlack(benchmark::State& state) {
  OpenScreen();
  for (auto _ : state) {
    FillTarget(0, 0, 0);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(BUFFER_BYTES));
}
BENCHMARK(BM_FillTargetBlack);

void BM_FillTargetColour(benchmark::State& state) {
  OpenScreen();
  for (auto _ : state) {
    FillTarget(200, 100, 50);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(BUFFER_BYTES));
}
BENCHMARK(BM_FillTargetColour);

// The yardstick: the machine writing the same 960,000 bytes.
void BM_MemsetSameBytes(benchmark::State& state) {
  static std::vector<uint16_t> buffer(size_t(SCREEN_WIDTH) * SCREEN_HEIGHT);
  for (auto _ : state) {
    std::memset(buffer.data(), 0, BUFFER_BYTES);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(BUFFER_BYTES));
}
BENCHMARK(BM_MemsetSameBytes);

}  // namespace

BENCHMARK_MAIN();
