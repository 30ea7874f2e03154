// Presenting the screen buffer at 1280×720, 32 bits: one full frame, and
// 20 small rectangles (48×48) of it, through the screen manager to an SDL
// window (SDL's dummy video driver, so no display is needed) and to the
// headless display. Each reports the time per present and "x_memcpy", that
// time as a multiple of memcpy of the same bytes in the same run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/sdl_screen.h"
#include "raster/rect.h"
#include "shell/screen_manager.h"

namespace opal {
namespace {

constexpr int32_t kW = 1280, kH = 720;

std::vector<TRect> SmallRects() {
  std::vector<TRect> rects;
  for (int i = 0; i < 20; ++i) {
    const int32_t l = (i % 5) * 250 + 10, t = (i / 5) * 170 + 20;
    rects.push_back(TRect{l, t, l + 48, t + 48});
  }
  return rects;
}

// Seconds for memcpy of `bytes` spread over rows of `rowBytes`, as a
// present copies them: the best of three short rounds.
double MemcpySeconds(const std::vector<TRect>& rects) {
  static std::vector<uint8_t> a(size_t{kW} * kH * 4, 1), b(size_t{kW} * kH * 4, 2);
  double best = 1e9;
  for (int round = 0; round < 3; ++round) {
    const auto t0 = std::chrono::steady_clock::now();
    int reps = 0;
    do {
      for (const TRect& r : rects) {
        for (int32_t y = r.Top; y < r.Bottom; ++y) {
          const size_t at = (size_t{static_cast<size_t>(y)} * kW + static_cast<size_t>(r.Left)) * 4;
          std::memcpy(b.data() + at, a.data() + at, static_cast<size_t>(r.Right - r.Left) * 4);
        }
      }
      benchmark::DoNotOptimize(b.data());
      benchmark::ClobberMemory();
      ++reps;
    } while (std::chrono::steady_clock::now() - t0 < std::chrono::milliseconds(20));
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / reps);
  }
  return best;
}

void Measure(benchmark::State& state, Display& display, const std::vector<TRect>& rects) {
  TScreenManager screen(display, kW, kH, kW, kH);
  if (screen.ScreenBuffer == nullptr) {
    state.SkipWithError("no screen buffer");
    return;
  }
  screen.ScreenBuffer->Clear(0x336699);
  const auto t0 = std::chrono::steady_clock::now();
  for (auto _ : state) {
    screen.Present(rects, {});
    benchmark::ClobberMemory();
  }
  const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  const double per = secs / static_cast<double>(state.iterations());
  state.counters["us_per_present"] = per * 1e6;
  state.counters["x_memcpy"] = per / MemcpySeconds(rects);
}

TSdlScreen* Window() {
  static std::unique_ptr<TSdlScreen> window = [] {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    std::string why;
    std::unique_ptr<TSdlScreen> w = TSdlScreen::Create(why);
    if (w != nullptr) {
      w->SetClientSize(kW, kH + TSdlScreen::kDockHeight);
      w->PlacePanel(0, TSdlScreen::kDockHeight, kW, kH);
    }
    return w;
  }();
  return window.get();
}

void BM_SdlFullFrame(benchmark::State& state) {
  if (Window() == nullptr) return state.SkipWithError("no SDL video");
  Measure(state, *Window(), {TRect{0, 0, kW, kH}});
}
void BM_Sdl20SmallRects(benchmark::State& state) {
  if (Window() == nullptr) return state.SkipWithError("no SDL video");
  Measure(state, *Window(), SmallRects());
}
void BM_HeadlessFullFrame(benchmark::State& state) {
  THeadlessDisplay display;
  Measure(state, display, {TRect{0, 0, kW, kH}});
}
void BM_Headless20SmallRects(benchmark::State& state) {
  THeadlessDisplay display;
  Measure(state, display, SmallRects());
}

BENCHMARK(BM_SdlFullFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Sdl20SmallRects)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HeadlessFullFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Headless20SmallRects)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace opal
