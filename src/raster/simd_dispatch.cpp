#include "raster/simd_dispatch.h"

#include <cstdlib>
#include <initializer_list>
#include <cstring>

namespace opal {
namespace {

TSimdLevel DetectSupported() {
#if defined(__x86_64__)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2")) return TSimdLevel::Avx2;
  return TSimdLevel::Sse2;  // part of every x86-64
#else
  return TSimdLevel::Reference;
#endif
}

}  // namespace

TSimdDispatch& TSimdDispatch::Instance() {
  static TSimdDispatch instance;
  return instance;
}

TSimdDispatch::TSimdDispatch() : Supported_(DetectSupported()), Level_(Supported_) {
  if (const char* env = std::getenv("OPAL_SIMD")) {
    for (TSimdLevel l : {TSimdLevel::Reference, TSimdLevel::Sse2, TSimdLevel::Avx2}) {
      if (std::strcmp(env, SimdLevelName(l)) == 0) Force(l);
    }
  }
}

TSimdLevel TSimdDispatch::Force(TSimdLevel level) {
  Level_ = static_cast<int>(level) > static_cast<int>(Supported_) ? Supported_ : level;
  return Level_;
}

const char* SimdLevelName(TSimdLevel level) {
  static const char* const kNames[] = {"reference", "sse2", "avx2"};
  return kNames[static_cast<int>(level)];
}

}  // namespace opal
