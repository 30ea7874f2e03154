// Stage composition at 1280×720, 32 bits: a full-frame redraw of the
// background and 16 boxes (opaque, blended, additive), and a frame in which
// 1,000 small boxes move. Each reports the time per frame and "x_memcpy",
// the frame's time as a multiple of memcpy of one frame's bytes measured in
// the same run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "stage/base_list.h"
#include "stage/opal_box.h"

namespace opal {
namespace {

constexpr int32_t kW = 1280, kH = 720;
constexpr size_t kFrameBytes = size_t{kW} * kH * 4;

// Seconds for one memcpy of a frame: the best of three short rounds.
double MemcpySeconds() {
  static std::vector<uint8_t> a(kFrameBytes, 1), b(kFrameBytes, 2);
  double best = 1e9;
  for (int round = 0; round < 3; ++round) {
    const auto t0 = std::chrono::steady_clock::now();
    int reps = 0;
    do {
      std::memcpy(b.data(), a.data(), kFrameBytes);
      benchmark::DoNotOptimize(b.data());
      benchmark::ClobberMemory();
      ++reps;
    } while (std::chrono::steady_clock::now() - t0 < std::chrono::milliseconds(20));
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / reps);
  }
  return best;
}

template <class F>
void Measure(benchmark::State& state, F frame) {
  const auto t0 = std::chrono::steady_clock::now();
  for (auto _ : state) {
    frame();
    benchmark::ClobberMemory();
  }
  const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  const double perFrame = secs / static_cast<double>(state.iterations());
  state.counters["ms_per_frame"] = perFrame * 1000;
  state.counters["x_memcpy"] = perFrame / MemcpySeconds();
}

TOpalBox* Box(TOpalBaseList& stage, int32_t l, int32_t t, int32_t w, int32_t h, int32_t colour, int32_t alpha) {
  TOpalBox* b = stage.Create<TOpalBox>();
  b->SetParent(stage.ActiveBase());
  b->SetBounds(l, t, w, h);
  b->SetColor(colour);
  b->SetAlpha(alpha);
  return b;
}

void FullFrame(benchmark::State& state, int32_t alpha) {
  TOpalBaseList stage;
  stage.SetSize(kW, kH);
  stage.SetColor(0x302010);
  for (int i = 0; i < 16; ++i) {
    Box(stage, (i % 4) * 300 + 20, (i / 4) * 170 + 15, 360, 200, 0x00A0C0 + i * 0x0A0000, alpha);
  }
  Measure(state, [&] {
    stage.ActiveBase()->MarkAllDirty();
    stage.Draw();
    stage.ClearDirty();
  });
}

void MovingBoxes(benchmark::State& state) {
  TOpalBaseList stage;
  stage.SetSize(kW, kH);
  stage.SetColor(0x000000);
  std::vector<TOpalBox*> boxes;
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % n;
  };
  for (int i = 0; i < 1000; ++i) {
    boxes.push_back(Box(stage, static_cast<int32_t>(next(kW - 16)), static_cast<int32_t>(next(kH - 16)), 16, 16,
                        static_cast<int32_t>(next(0xFFFFFF)), 255));
  }
  stage.Draw();
  stage.ClearDirty();
  int32_t step = 1;
  Measure(state, [&] {
    for (TOpalBox* b : boxes) b->SetLeft(b->Left() + step);
    step = -step;
    stage.Update(0);
    stage.Draw();
    stage.ClearDirty();
  });
}

BENCHMARK_CAPTURE(FullFrame, opaque_16_boxes, 255)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FullFrame, alpha_16_boxes, 128)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FullFrame, additive_16_boxes, 384)->Unit(benchmark::kMillisecond);
BENCHMARK(MovingBoxes)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace opal
