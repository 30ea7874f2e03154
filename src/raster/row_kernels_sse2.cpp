// SSE2 row kernels (every x86-64 processor has SSE2).
#if defined(__x86_64__)
#include <emmintrin.h>

#include <cstring>

#include "raster/row_kernels.h"

namespace opal {
namespace {

struct Sse2 {
  using Vec = __m128i;
  static constexpr int kBytes = 16;
  static Vec Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
  static void Store(uint8_t* p, Vec v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
  static Vec Zero() { return _mm_setzero_si128(); }
  static Vec Set32(uint32_t v) { return _mm_set1_epi32(static_cast<int>(v)); }
  static Vec Set16(uint16_t v) { return _mm_set1_epi16(static_cast<short>(v)); }
  static Vec Rev32(Vec v) { return _mm_shuffle_epi32(v, 0x1B); }
  static Vec Rev16(Vec v) {
    return _mm_shuffle_epi32(_mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0x1B), 0x1B), 0x4E);
  }
  static Vec And(Vec a, Vec b) { return _mm_and_si128(a, b); }
  static Vec Or(Vec a, Vec b) { return _mm_or_si128(a, b); }
  static Vec AndNot(Vec a, Vec b) { return _mm_andnot_si128(a, b); }
  static Vec Eq32(Vec a, Vec b) { return _mm_cmpeq_epi32(a, b); }
  static Vec Eq16(Vec a, Vec b) { return _mm_cmpeq_epi16(a, b); }
  static bool All(Vec m) { return _mm_movemask_epi8(m) == 0xFFFF; }
  static bool None(Vec m) { return _mm_movemask_epi8(m) == 0; }
  static Vec Lo8(Vec v) { return _mm_unpacklo_epi8(v, _mm_setzero_si128()); }
  static Vec Hi8(Vec v) { return _mm_unpackhi_epi8(v, _mm_setzero_si128()); }
  static Vec Pack16(Vec lo, Vec hi) { return _mm_packus_epi16(lo, hi); }
  static Vec Mul16(Vec a, Vec b) { return _mm_mullo_epi16(a, b); }
  static Vec Add16(Vec a, Vec b) { return _mm_add_epi16(a, b); }
  static Vec Sub16(Vec a, Vec b) { return _mm_sub_epi16(a, b); }
  static Vec Min16(Vec a, Vec b) { return _mm_min_epi16(a, b); }
  static Vec SubSat16(Vec a, Vec b) { return _mm_subs_epu16(a, b); }
  static Vec AddSat8(Vec a, Vec b) { return _mm_adds_epu8(a, b); }
  static Vec SubSat8(Vec a, Vec b) { return _mm_subs_epu8(a, b); }
  template <int N> static Vec Srl16(Vec v) { return _mm_srli_epi16(v, N); }
  template <int N> static Vec Sll16(Vec v) { return _mm_slli_epi16(v, N); }
  template <int N> static Vec Srl32(Vec v) { return _mm_srli_epi32(v, N); }
  template <int N> static Vec Sll32(Vec v) { return _mm_slli_epi32(v, N); }
  static Vec Unpack32Lo(Vec a, Vec b) { return _mm_unpacklo_epi32(a, b); }
  static Vec Unpack32Hi(Vec a, Vec b) { return _mm_unpackhi_epi32(a, b); }
  // Four mask bytes from their lowest address, one per 32-bit lane; reversed
  // when the row is walked leftwards.
  static Vec MaskTo32(const uint8_t* low, bool reverse) {
    uint32_t v;
    std::memcpy(&v, low, 4);
    if (reverse) v = __builtin_bswap32(v);
    const Vec b = _mm_cvtsi32_si128(static_cast<int>(v));
    return _mm_unpacklo_epi16(_mm_unpacklo_epi8(b, Zero()), Zero());
  }
  // Eight mask bytes, one per 16-bit lane.
  static Vec MaskTo16(const uint8_t* low, bool reverse) {
    uint64_t v;
    std::memcpy(&v, low, 8);
    if (reverse) v = __builtin_bswap64(v);
    return _mm_unpacklo_epi8(_mm_cvtsi64_si128(static_cast<long long>(v)), Zero());
  }
};

#include "raster/row_kernels_simd.inc"

using K32S = K32<Sse2>;
using K565S = K16<Sse2, F565>;
using K555S = K16<Sse2, F555>;

}  // namespace

const TRowKernel kSse2Kernels[3][kRowOpCount] = {
    OPAL_KERNEL_ROW(K32S), OPAL_KERNEL_ROW(K565S), OPAL_KERNEL_ROW(K555S)};

}  // namespace opal
#endif
