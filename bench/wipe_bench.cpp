// Each wipe kind's Step over a 1280×720 screen at 32 and 16 bits, halfway
// through the wipe, beside memcpy of one 32-bit frame measured in the same
// run: "x_memcpy" is the step's time as a multiple of that memcpy (the goal
// is at most 4), both in the thread's processor time, so that time the
// thread spends waiting for a core on a shared machine counts for neither;
// "x_memcpy_wall" is the same ratio in wall-clock time. Steps alternate
// between two times near the middle, so a mask kind rebuilds its mask on
// every step as it does while a wipe runs.
// The shadow kinds' Prepare with a full-screen rule picture is timed apart.
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/error.h"
#include "imagefiles/brio_encoder.h"
#include "imagefiles/brio_frame_list.h"
#include "raster/dibx.h"
#include "stage/stage_services.h"
#include "storage/stream.h"
#include "wipes/create_wipe.h"

namespace opal {
namespace {

constexpr int32_t kW = 1280, kH = 720, kDuration = 1000;

uint32_t Hash(uint32_t v) {
  v ^= v >> 16;
  v *= 0x7FEB352Du;
  v ^= v >> 15;
  v *= 0x846CA68Bu;
  return v ^ (v >> 16);
}

// Two pictures with smooth areas and noise, converted to the depth.
struct TScreens {
  TDIBX Old, New, Dest;
  explicit TScreens(int32_t bits) {
    TDIBX a, b;
    a.SetSize(kW, kH, 32);
    b.SetSize(kW, kH, 32);
    for (int32_t y = 0; y < kH; ++y)
      for (int32_t x = 0; x < kW; ++x) {
        a.SetPixel(x, y, (uint32_t(x / 5) << 16) | (uint32_t(y / 3) << 8) | (Hash(uint32_t(y * kW + x)) & 0x3F));
        b.SetPixel(x, y, (y / 40) % 2 ? 0xE0C080u : (Hash(uint32_t(x * 7 + y)) & 0xFFFFFFu));
      }
    for (TDIBX* p : {&Old, &New, &Dest}) p->SetSize(kW, kH, bits);
    Old.Assign(&a);
    New.Assign(&b);
  }
};

// The rule picture of the shadow kinds: a full-screen layered image.
struct TRuleFiles : TStageFiles {
  std::vector<uint8_t> Bytes;
  TRuleFiles() {
    TBrioFrameList list(0);
    TBrioFrame* frame = list.AddFrame();
    frame->Picture.SetSize(kW, kH, 32);
    for (int32_t y = 0; y < kH; ++y)
      for (int32_t x = 0; x < kW; ++x) frame->Picture.SetPixel(x, y, ((x + y) & 0xFF) * 0x010101u);
    TBrioEncodeOptions options;
    TMemoryStream out;
    TBrioEncoder(options).Write(list, out);
    Bytes = out.Bytes();
  }
  void Load(std::string_view, TStream& out) override {
    out.WriteBuffer(Bytes.data(), static_cast<int64_t>(Bytes.size()));
  }
};

TRuleFiles& Rules() {
  static TRuleFiles rules;
  return rules;
}

// The processor time this thread has used.
double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double WallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Processor and wall time of a stretch of work.
struct TTimes {
  double Cpu = 0, Wall = 0;
};

struct TStopwatch {
  double Cpu0 = ThreadSeconds(), Wall0 = WallSeconds();
  TTimes Elapsed() const { return {ThreadSeconds() - Cpu0, WallSeconds() - Wall0}; }
};

// The time of one memcpy of a 32-bit frame: the mean over the best of
// three short rounds, measured right after each benchmark so that both see
// the same load on a shared machine.
TTimes MemcpySeconds() {
  const size_t n = size_t{kW} * kH * 4;
  static std::vector<uint8_t> a(n, 1), b(n, 2);
  TTimes best{1e9, 1e9};
  for (int round = 0; round < 3; ++round) {
    const TStopwatch watch;
    int reps = 0;
    do {
      std::memcpy(b.data(), a.data(), n);
      benchmark::DoNotOptimize(b.data());
      benchmark::ClobberMemory();
      ++reps;
    } while (watch.Elapsed().Wall < 0.015);
    const TTimes t = watch.Elapsed();
    best.Cpu = std::min(best.Cpu, t.Cpu / reps);
    best.Wall = std::min(best.Wall, t.Wall / reps);
  }
  return best;
}

// Sets the ratios of `iterations` runs taking `t` to one memcpy.
void SetRatios(benchmark::State& state, const TTimes& t) {
  const double n = static_cast<double>(state.iterations());
  const TTimes copy = MemcpySeconds();
  state.counters["x_memcpy"] = t.Cpu / n / copy.Cpu;
  state.counters["x_memcpy_wall"] = t.Wall / n / copy.Wall;
}

std::unique_ptr<TCustomWipe> Make(int32_t kind, TScreens& s, TWipeRandom& random) {
  TWipeContext context;
  context.Files = &Rules();
  context.Random = &random;
  auto wipe = CreateWipe(kind, &s.Dest, &s.Old, &s.New, context);
  wipe->SetDuration(kDuration);
  if (kind >= 19 && kind <= 21) wipe->SetMaskFile("rule.bri");
  wipe->Prepare();
  return wipe;
}

void RunStep(benchmark::State& state, int32_t kind, int32_t bits) {
  TScreens screens(bits);
  TWipeRandom random(1);
  auto wipe = Make(kind, screens, random);
  int32_t k = 0;
  const TStopwatch watch;
  for (auto _ : state) {
    wipe->SetTime((k++ & 1) ? kDuration / 2 + kDuration / 25 : kDuration / 2 - kDuration / 25);
    wipe->Step();
    benchmark::ClobberMemory();
  }
  SetRatios(state, watch.Elapsed());
}

void RunRulePrepare(benchmark::State& state, int32_t kind) {
  TScreens screens(32);
  TWipeRandom random(1);
  const TStopwatch watch;
  for (auto _ : state) {
    auto wipe = Make(kind, screens, random);
    benchmark::DoNotOptimize(wipe.get());
  }
  SetRatios(state, watch.Elapsed());
}

void RunMemcpy(benchmark::State& state) {
  const size_t n = size_t{kW} * kH * 4;
  std::vector<uint8_t> a(n, 1), b(n, 2);
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), n);
    benchmark::DoNotOptimize(b.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * n));
}

const int kRegistered = [] {
  benchmark::RegisterBenchmark("memcpy/1280x720x32", RunMemcpy)->Unit(benchmark::kMicrosecond);
  int32_t count = 0;
  const TWipeKindInfo* kinds = WipeKinds(count);
  for (int32_t i = 0; i < count; ++i) {
    for (int32_t bits : {32, 16}) {
      const std::string name = "step/" + std::to_string(kinds[i].Kind) + "-" + kinds[i].Name + "/" +
                               std::to_string(bits) + "bit";
      benchmark::RegisterBenchmark(name.c_str(), RunStep, kinds[i].Kind, bits)->Unit(benchmark::kMicrosecond);
    }
  }
  for (int32_t kind : {19, 20}) {
    benchmark::RegisterBenchmark(("prepare_rule/" + std::to_string(kind)).c_str(), RunRulePrepare, kind)
        ->Unit(benchmark::kMicrosecond);
  }
  return 0;
}();

}  // namespace
}  // namespace opal
