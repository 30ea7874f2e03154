// The operations a frame spends its time in, over whole 800×600 and
// 1920×1080 buffers at 32 and 16 bits, at each dispatch level the processor
// has. Each reports the destination bytes per second and "x_memcpy", its
// speed as a multiple of memcpy of the same bytes measured in the same run.
// The pixman_* benchmarks do the nearest composite with pixman (OVER with a
// solid or a8 mask, ADD, SRC, nearest-filter scaling) for comparison.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "raster/dibx.h"
#include "raster/simd_dispatch.h"

namespace opal {
namespace {

struct TSize {
  int32_t W, H;
};
constexpr TSize kSizes[] = {{800, 600}, {1920, 1080}};

uint32_t Hash(uint32_t v) {
  v ^= v >> 16;
  v *= 0x7FEB352Du;
  v ^= v >> 15;
  v *= 0x846CA68Bu;
  return v ^ (v >> 16);
}

// Coverage like text and sprite edges: runs of empty, full and partial.
uint8_t MaskByte(int32_t x, int32_t y) {
  const uint32_t run = Hash(static_cast<uint32_t>(y * 977 + x / 16));
  switch (run % 3) {
    case 0: return 0;
    case 1: return 255;
    default: return static_cast<uint8_t>(Hash(static_cast<uint32_t>(y * 65537 + x)));
  }
}

struct TScene {
  TDIBX Dst, Src, Mask;
  TScene(TSize s, int32_t bits) {
    Dst.SetSize(s.W, s.H, bits);
    Src.SetSize(s.W, s.H, bits);
    Mask.SetSize(s.W, s.H, 8);
    for (int32_t y = 0; y < s.H; ++y) {
      for (int32_t x = 0; x < s.W; ++x) {
        const uint32_t h = Hash(static_cast<uint32_t>(y * s.W + x));
        Dst.SetPixel(x, y, h & (bits == 32 ? 0x00FFFFFF : 0xFFFF));
        Src.SetPixel(x, y, (h >> 7) & (bits == 32 ? 0x00FFFFFF : 0xFFFF));
        Mask.SetPixel(x, y, MaskByte(x, y));
      }
    }
    // A key that occurs in runs, as around sprites.
    Src.TransparentColor = static_cast<int32_t>(Src.GetPixel(0, 0));
    for (int32_t y = 0; y < s.H; y += 3)
      Src.FillRect({0, y, s.W / 4, y + 1}, static_cast<uint32_t>(Src.TransparentColor));
  }
};

// memcpy of n bytes, in bytes per second: the best of three short rounds,
// measured right after each benchmark so that both see the same load on a
// shared machine. The buffers are kept per size and already touched.
double MemcpyRate(size_t n) {
  static std::map<size_t, std::pair<std::vector<uint8_t>, std::vector<uint8_t>>> buffers;
  auto& [a, b] = buffers[n];
  if (a.empty()) {
    a.assign(n, 1);
    b.assign(n, 2);
  }
  double best = 0;
  for (int round = 0; round < 3; ++round) {
    const auto t0 = std::chrono::steady_clock::now();
    int reps = 0;
    do {
      std::memcpy(b.data(), a.data(), n);
      benchmark::DoNotOptimize(b.data());
      benchmark::ClobberMemory();
      ++reps;
    } while (std::chrono::steady_clock::now() - t0 < std::chrono::milliseconds(15));
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    best = std::max(best, static_cast<double>(n) * reps / secs);
  }
  return best;
}

// Runs body once per iteration and reports the destination bytes per
// second and the ratio of that rate to memcpy's for the same bytes (wall
// time for both).
template <class F>
void Measure(benchmark::State& state, size_t bytes, F body) {
  const auto t0 = std::chrono::steady_clock::now();
  for (auto _ : state) {
    body();
    benchmark::ClobberMemory();
  }
  const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  const double rate = static_cast<double>(state.iterations()) * bytes / secs;
  state.counters["x_memcpy"] = rate / MemcpyRate(bytes);
}

using TOp = std::function<void(TScene&)>;

struct TOpCase {
  const char* Name;
  TOp Run;
};

const TRect kFull{0, 0, 1 << 20, 1 << 20};

const TOpCase kOps[] = {
    {"Draw", [](TScene& s) { s.Dst.Draw(0, 0, false, false, false, s.Src.BoundsRect(), &s.Src); }},
    {"DrawKey", [](TScene& s) { s.Dst.Draw(0, 0, false, false, true, s.Src.BoundsRect(), &s.Src); }},
    {"DrawAlpha",
     [](TScene& s) { s.Dst.DrawAlpha(0, 0, 128, false, false, false, s.Src.BoundsRect(), &s.Src); }},
    {"DrawMask",
     [](TScene& s) { s.Dst.DrawMask(0, 0, &s.Mask, false, false, s.Src.BoundsRect(), &s.Src); }},
    {"DrawAlphaMask",
     [](TScene& s) {
       s.Dst.DrawAlphaMask(0, 0, 128, &s.Mask, false, false, s.Src.BoundsRect(), &s.Src);
     }},
    {"DrawAdd",
     [](TScene& s) { s.Dst.DrawAdd(0, 0, 128, false, false, false, s.Src.BoundsRect(), &s.Src); }},
    {"DrawAddMask",
     [](TScene& s) { s.Dst.DrawAddMask(0, 0, 128, &s.Mask, false, false, s.Src.BoundsRect(), &s.Src); }},
    {"FillRectAlpha", [](TScene& s) { s.Dst.FillRectAlpha(kFull, 0x1234, 128); }},
    {"FillRectAdd", [](TScene& s) { s.Dst.FillRectAdd(kFull, 0x0821); }},
    {"FillRectSub", [](TScene& s) { s.Dst.FillRectSub(kFull, 0x0821); }},
    {"FillMask",
     [](TScene& s) { s.Dst.FillMask(0, 0, 255, 0xFFFF, false, false, s.Mask.BoundsRect(), &s.Mask); }},
    {"StretchDraw",
     [](TScene& s) {
       s.Dst.StretchDraw(s.Dst.BoundsRect(), &s.Src, 255, false, false, false,
                         {0, 0, s.Src.Width() / 2, s.Src.Height() / 2});
     }},
};

void RunOp(benchmark::State& state, const TOpCase* op, TSize size, int32_t bits, TSimdLevel level) {
  if (TSimdDispatch::Instance().Force(level) != level) {
    state.SkipWithError("level not supported");
    return;
  }
  TScene scene(size, bits);
  Measure(state, static_cast<size_t>(size.W) * size.H * (bits == 32 ? 4 : 2),
          [&] { op->Run(scene); });
  TSimdDispatch::Instance().Force(TSimdDispatch::Instance().Supported());
}

void RunMemcpy(benchmark::State& state, TSize size, int32_t bits) {
  const size_t n = static_cast<size_t>(size.W) * size.H * (bits == 32 ? 4 : 2);
  std::vector<uint8_t> a(n, 1), b(n, 2);
  Measure(state, n, [&] {
    std::memcpy(b.data(), a.data(), n);
    benchmark::DoNotOptimize(b.data());
  });
}

// pixman over the same storage: the images wrap the buffers' rows (a
// bottom-up buffer is addressed from its top row with a negative stride).
pixman_image_t* Wrap(TDIBX& b, pixman_format_code_t format) {
  return pixman_image_create_bits(format, b.Width(), b.Height(),
                                  reinterpret_cast<uint32_t*>(b.PixelAddress(0, 0)), b.RowStep());
}

struct TPixmanCase {
  const char* Name;
  pixman_op_t Op;
  enum { None, Solid, A8 } Mask;
  bool SolidSource, Scale;
};

const TPixmanCase kPixman[] = {
    {"pixman_SRC(Draw)", PIXMAN_OP_SRC, TPixmanCase::None, false, false},
    {"pixman_OVER_solid(DrawAlpha)", PIXMAN_OP_OVER, TPixmanCase::Solid, false, false},
    {"pixman_OVER_a8(DrawMask)", PIXMAN_OP_OVER, TPixmanCase::A8, false, false},
    {"pixman_ADD_solid(DrawAdd)", PIXMAN_OP_ADD, TPixmanCase::Solid, false, false},
    {"pixman_ADD_a8(DrawAddMask)", PIXMAN_OP_ADD, TPixmanCase::A8, false, false},
    {"pixman_OVER_solidsrc(FillRectAlpha)", PIXMAN_OP_OVER, TPixmanCase::None, true, false},
    {"pixman_ADD_solidsrc(FillRectAdd)", PIXMAN_OP_ADD, TPixmanCase::None, true, false},
    {"pixman_OVER_solidsrc_a8(FillMask)", PIXMAN_OP_OVER, TPixmanCase::A8, true, false},
    {"pixman_SRC_nearest(StretchDraw)", PIXMAN_OP_SRC, TPixmanCase::None, false, true},
};

void RunPixman(benchmark::State& state, const TPixmanCase* c, TSize size, int32_t bits) {
  TScene scene(size, bits);
  // The source carries alpha so that OVER blends (the buffers' fourth byte is
  // opaque-ish noise); a 16-bit destination takes a 16-bit source.
  const pixman_format_code_t fmt = bits == 32 ? PIXMAN_x8r8g8b8 : PIXMAN_r5g6b5;
  pixman_image_t* dst = Wrap(scene.Dst, fmt);
  pixman_image_t* src = nullptr;
  if (c->SolidSource) {
    const pixman_color_t colour{0x1234, 0x5678, 0x9ABC, 0x8000};
    src = pixman_image_create_solid_fill(&colour);
  } else {
    src = Wrap(scene.Src, bits == 32 ? PIXMAN_a8r8g8b8 : PIXMAN_r5g6b5);
  }
  pixman_image_t* mask = nullptr;
  if (c->Mask == TPixmanCase::Solid) {
    const pixman_color_t half{0, 0, 0, 0x8000};
    mask = pixman_image_create_solid_fill(&half);
  } else if (c->Mask == TPixmanCase::A8) {
    mask = pixman_image_create_bits(PIXMAN_a8, size.W, size.H,
                                    reinterpret_cast<uint32_t*>(scene.Mask.PixelAddress(0, 0)),
                                    scene.Mask.RowStep());
  }
  if (c->Scale) {
    pixman_transform_t t;
    pixman_transform_init_scale(&t, pixman_double_to_fixed(0.5), pixman_double_to_fixed(0.5));
    pixman_image_set_transform(src, &t);
    pixman_image_set_filter(src, PIXMAN_FILTER_NEAREST, nullptr, 0);
  }
  Measure(state, static_cast<size_t>(size.W) * size.H * (bits == 32 ? 4 : 2), [&] {
    pixman_image_composite32(c->Op, src, mask, dst, 0, 0, 0, 0, 0, 0, size.W, size.H);
  });
  if (mask != nullptr) pixman_image_unref(mask);
  pixman_image_unref(src);
  pixman_image_unref(dst);
}

std::string SizeName(TSize s, int32_t bits) {
  return std::to_string(s.W) + "x" + std::to_string(s.H) + "/" + std::to_string(bits);
}

const bool kRegistered = [] {
  for (int32_t bits : {32, 16}) {
    for (TSize s : kSizes) {
      benchmark::RegisterBenchmark(("memcpy/" + SizeName(s, bits)).c_str(), RunMemcpy, s, bits);
      for (const TOpCase& op : kOps) {
        for (TSimdLevel l : {TSimdLevel::Reference, TSimdLevel::Sse2, TSimdLevel::Avx2}) {
          if (static_cast<int>(l) > static_cast<int>(TSimdDispatch::Instance().Supported())) continue;
          benchmark::RegisterBenchmark(
              (std::string(op.Name) + "/" + SimdLevelName(l) + "/" + SizeName(s, bits)).c_str(),
              RunOp, &op, s, bits, l);
        }
      }
      for (const TPixmanCase& c : kPixman) {
        benchmark::RegisterBenchmark((std::string(c.Name) + "/" + SizeName(s, bits)).c_str(),
                                     RunPixman, &c, s, bits);
      }
    }
  }
  return true;
}();

}  // namespace
}  // namespace opal
