// Helpers of the pixel-buffer tests: small buffers, deterministic noise, and
// running a test body at every dispatch level the processor has.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "raster/dibx.h"
#include "raster/simd_dispatch.h"

namespace opal::testing {

inline std::unique_ptr<TDIBX> MakeBuffer(int32_t w, int32_t h, int32_t bits, uint32_t fill = 0) {
  auto b = std::make_unique<TDIBX>();
  b->SetSize(w, h, bits);
  b->Clear(fill);
  return b;
}

struct TNoise {
  uint32_t State;
  explicit TNoise(uint32_t seed) : State(seed * 2654435761u + 1) {}
  uint32_t Next() {
    State = State * 1664525u + 1013904223u;
    return State ^ (State >> 15);
  }
  int32_t Range(int32_t lo, int32_t hi) {  // inclusive
    return lo + static_cast<int32_t>(Next() % static_cast<uint32_t>(hi - lo + 1));
  }
};

// Every pixel, row by row, as raw values.
inline std::vector<uint32_t> Pixels(TCustomDIBX& b) {
  std::vector<uint32_t> out;
  for (int32_t y = 0; y < b.Height(); ++y)
    for (int32_t x = 0; x < b.Width(); ++x) out.push_back(b.GetPixel(x, y));
  return out;
}

// Sets the level for the scope and restores the best one afterwards.
class TLevelScope {
 public:
  explicit TLevelScope(TSimdLevel l) { Active_ = TSimdDispatch::Instance().Force(l); }
  ~TLevelScope() { TSimdDispatch::Instance().Force(TSimdDispatch::Instance().Supported()); }
  TSimdLevel Active() const { return Active_; }

 private:
  TSimdLevel Active_;
};

// The levels this processor can run.
inline std::vector<TSimdLevel> Levels() {
  std::vector<TSimdLevel> out;
  for (TSimdLevel l : {TSimdLevel::Reference, TSimdLevel::Sse2, TSimdLevel::Avx2})
    if (static_cast<int>(l) <= static_cast<int>(TSimdDispatch::Instance().Supported()))
      out.push_back(l);
  return out;
}

}  // namespace opal::testing
