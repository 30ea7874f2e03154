// TSimdDispatch: the one process-wide choice of instruction set for the
// pixel fast paths. The level starts at the best the processor supports (or
// at OPAL_SIMD=reference|sse2|avx2 from the environment, capped to that) and
// can be forced by tests and benchmarks.
#pragma once

namespace opal {

enum class TSimdLevel : int { Reference = 0, Sse2 = 1, Avx2 = 2 };

class TSimdDispatch {
 public:
  static TSimdDispatch& Instance();

  TSimdLevel Level() const { return Level_; }
  TSimdLevel Supported() const { return Supported_; }
  // Forces a level; a level above what the processor supports falls back to
  // the supported one. Returns the level now in effect.
  TSimdLevel Force(TSimdLevel level);

 private:
  TSimdDispatch();
  TSimdLevel Supported_;
  TSimdLevel Level_;
};

const char* SimdLevelName(TSimdLevel level);

}  // namespace opal
