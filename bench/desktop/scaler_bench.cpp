// The software path of the full screen: one 800 x 600 frame scaled to the
// fitted picture of common desktops, a game frame that changed in a few
// places, and beside them a plain fill of the same output bytes (the least
// any path must pay to write them all).
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "platform/desktop_host.h"
#include "platform/desktop_scaler.h"
#include "platform/platform.h"

namespace {

std::vector<uint16_t> Frame() {
  std::vector<uint16_t> p(size_t(SCREEN_WIDTH) * SCREEN_HEIGHT);
  for (size_t i = 0; i < p.size(); ++i) p[i] = uint16_t((i * 2654435761u) >> 9);
  return p;
}

void BM_Scale(benchmark::State& state) {
  int32_t factor = 0;
  const DesktopRect t = DesktopPictureFit(int32_t(state.range(0)), int32_t(state.range(1)), &factor);
  const auto src = Frame();
  std::vector<uint32_t> out(size_t(t.w) * size_t(t.h));
  PictureScaler scaler;
  for (auto _ : state) {
    scaler.Scale(src.data(), SCREEN_WIDTH, SCREEN_HEIGHT, factor, t.w, t.h, out.data(), size_t(t.w));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(out.size()) * 4);
}

// A game frame into the image that holds the last one: stars that moved (a
// hundred pixels over the picture) and the scrolling ground (the bottom 80
// rows). Alternate frames differ in just those places.
void BM_ScaleGameFrame(benchmark::State& state) {
  int32_t factor = 0;
  const DesktopRect t = DesktopPictureFit(int32_t(state.range(0)), int32_t(state.range(1)), &factor);
  const auto a = Frame();
  auto b = a;
  for (size_t i = 0; i < 100; ++i) b[(i * 7919 * 4801) % (size_t(SCREEN_WIDTH) * 520)] ^= 0xFFFF;
  for (size_t i = size_t(SCREEN_WIDTH) * 520; i < b.size(); ++i) b[i] ^= 0x1234;
  std::vector<uint32_t> out(size_t(t.w) * size_t(t.h));
  PictureScaler scaler;
  scaler.Scale(a.data(), SCREEN_WIDTH, SCREEN_HEIGHT, factor, t.w, t.h, out.data(), size_t(t.w));
  bool odd = false;
  for (auto _ : state) {
    odd = !odd;
    scaler.Scale((odd ? b : a).data(), SCREEN_WIDTH, SCREEN_HEIGHT, factor, t.w, t.h, out.data(), size_t(t.w),
                 true);
    benchmark::ClobberMemory();
  }
}

void BM_FillSameBytes(benchmark::State& state) {
  int32_t factor = 0;
  const DesktopRect t = DesktopPictureFit(int32_t(state.range(0)), int32_t(state.range(1)), &factor);
  std::vector<uint32_t> out(size_t(t.w) * size_t(t.h));
  uint8_t v = 0;
  for (auto _ : state) {
    std::memset(out.data(), ++v, out.size() * 4);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(out.size()) * 4);
}

#define SIZES Args({1024, 768})->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond)
BENCHMARK(BM_Scale)->SIZES;
BENCHMARK(BM_ScaleGameFrame)->SIZES;
BENCHMARK(BM_FillSameBytes)->SIZES;

}  // namespace

BENCHMARK_MAIN();
