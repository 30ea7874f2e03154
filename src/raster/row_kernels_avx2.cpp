// AVX2 row kernels. Only this file is compiled for AVX2; it runs only after
// TSimdDispatch has seen the processor support it.
#if defined(__x86_64__)
#include <immintrin.h>

#include <cstring>

#include "raster/row_kernels.h"

namespace opal {
namespace {

struct Avx2 {
  using Vec = __m256i;
  static constexpr int kBytes = 32;
  static Vec Load(const uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  }
  static void Store(uint8_t* p, Vec v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
  static Vec Zero() { return _mm256_setzero_si256(); }
  static Vec Set32(uint32_t v) { return _mm256_set1_epi32(static_cast<int>(v)); }
  static Vec Set16(uint16_t v) { return _mm256_set1_epi16(static_cast<short>(v)); }
  static Vec Rev32(Vec v) {
    return _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0));
  }
  static Vec Rev16(Vec v) {
    const Vec inLane =
        _mm256_shuffle_epi32(_mm256_shufflehi_epi16(_mm256_shufflelo_epi16(v, 0x1B), 0x1B), 0x4E);
    return _mm256_permute4x64_epi64(inLane, 0x4E);
  }
  static Vec And(Vec a, Vec b) { return _mm256_and_si256(a, b); }
  static Vec Or(Vec a, Vec b) { return _mm256_or_si256(a, b); }
  static Vec AndNot(Vec a, Vec b) { return _mm256_andnot_si256(a, b); }
  static Vec Eq32(Vec a, Vec b) { return _mm256_cmpeq_epi32(a, b); }
  static Vec Eq16(Vec a, Vec b) { return _mm256_cmpeq_epi16(a, b); }
  static bool All(Vec m) { return _mm256_movemask_epi8(m) == -1; }
  static bool None(Vec m) { return _mm256_movemask_epi8(m) == 0; }
  // The unpacks and the pack work within each 128-bit lane; used together
  // they keep the pixel order.
  static Vec Lo8(Vec v) { return _mm256_unpacklo_epi8(v, _mm256_setzero_si256()); }
  static Vec Hi8(Vec v) { return _mm256_unpackhi_epi8(v, _mm256_setzero_si256()); }
  static Vec Pack16(Vec lo, Vec hi) { return _mm256_packus_epi16(lo, hi); }
  static Vec Mul16(Vec a, Vec b) { return _mm256_mullo_epi16(a, b); }
  static Vec Add16(Vec a, Vec b) { return _mm256_add_epi16(a, b); }
  static Vec Sub16(Vec a, Vec b) { return _mm256_sub_epi16(a, b); }
  static Vec Min16(Vec a, Vec b) { return _mm256_min_epi16(a, b); }
  static Vec SubSat16(Vec a, Vec b) { return _mm256_subs_epu16(a, b); }
  static Vec AddSat8(Vec a, Vec b) { return _mm256_adds_epu8(a, b); }
  static Vec SubSat8(Vec a, Vec b) { return _mm256_subs_epu8(a, b); }
  template <int N> static Vec Srl16(Vec v) { return _mm256_srli_epi16(v, N); }
  template <int N> static Vec Sll16(Vec v) { return _mm256_slli_epi16(v, N); }
  template <int N> static Vec Srl32(Vec v) { return _mm256_srli_epi32(v, N); }
  template <int N> static Vec Sll32(Vec v) { return _mm256_slli_epi32(v, N); }
  static Vec Unpack32Lo(Vec a, Vec b) { return _mm256_unpacklo_epi32(a, b); }
  static Vec Unpack32Hi(Vec a, Vec b) { return _mm256_unpackhi_epi32(a, b); }
  static Vec MaskTo32(const uint8_t* low, bool reverse) {
    uint64_t v;
    std::memcpy(&v, low, 8);
    if (reverse) v = __builtin_bswap64(v);
    return _mm256_cvtepu8_epi32(_mm_cvtsi64_si128(static_cast<long long>(v)));
  }
  static Vec MaskTo16(const uint8_t* low, bool reverse) {
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(low));
    if (reverse) {
      b = _mm_shuffle_epi8(b, _mm_setr_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0));
    }
    return _mm256_cvtepu8_epi16(b);
  }
};

#include "raster/row_kernels_simd.inc"

using K32A = K32<Avx2>;
using K565A = K16<Avx2, F565>;
using K555A = K16<Avx2, F555>;

}  // namespace

const TRowKernel kAvx2Kernels[3][kRowOpCount] = {
    OPAL_KERNEL_ROW(K32A), OPAL_KERNEL_ROW(K565A), OPAL_KERNEL_ROW(K555A)};

}  // namespace opal
#endif
