#include "wipes/wipe_rows.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace opal {

namespace {

// One glow pixel, channel by channel: the rule for the ends of rows the
// vector loops leave and for builds without them.
uint32_t GlowPixel(const TPixelFormat& f, bool subtract, uint32_t oldPixel, uint32_t newPixel, int32_t v,
                   int32_t level) {
  const int32_t j = std::clamp(level + v - 256, 0, 511);
  const uint32_t p = j > 255 ? newPixel : oldPixel;
  const uint32_t g = static_cast<uint32_t>(j > 255 ? 511 - j : j);
  uint32_t out = f.Bits == 32 ? p & 0xFF000000u : 0u;
  for (int c = 0; c < 3; ++c) {
    const uint32_t pc = f.Get(p, c), gc = g >> (8 - f.Width[c]);
    out |= (subtract ? (pc > gc ? pc - gc : 0u) : std::min(pc + gc, f.Max(c))) << f.Shift[c];
  }
  return out;
}

#if defined(__SSE2__)

// j, "takes new" and g of eight rule levels, as 16-bit lanes.
struct TGlowLevels {
  __m128i TakesNew, Gray;
};

inline TGlowLevels GlowLevels(const uint8_t* rule, __m128i offset) {
  const __m128i v = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(rule)), _mm_setzero_si128());
  __m128i j = _mm_add_epi16(v, offset);
  j = _mm_min_epi16(_mm_max_epi16(j, _mm_setzero_si128()), _mm_set1_epi16(511));
  const __m128i takesNew = _mm_cmpgt_epi16(j, _mm_set1_epi16(255));
  const __m128i gray = _mm_or_si128(_mm_and_si128(takesNew, _mm_sub_epi16(_mm_set1_epi16(511), j)),
                                    _mm_andnot_si128(takesNew, j));
  return {takesNew, gray};
}

inline __m128i Select(__m128i takesNew, __m128i newPixels, __m128i oldPixels) {
  return _mm_or_si128(_mm_and_si128(takesNew, newPixels), _mm_andnot_si128(takesNew, oldPixels));
}

inline __m128i Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void Store(uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// The pixels at `at` of the picture each lane takes; a vector whose lanes
// all take one picture reads only that one, which spares the other's
// memory traffic where the rule is smooth.
inline __m128i Pick(__m128i takesNew, const uint8_t* newRow, const uint8_t* oldRow, size_t at) {
  const int lanes = _mm_movemask_epi8(takesNew);
  if (lanes == 0xFFFF) return Load(newRow + at);
  if (lanes == 0) return Load(oldRow + at);
  return Select(takesNew, Load(newRow + at), Load(oldRow + at));
}

// Eight 32-bit pixels a round: the grays spread to bytes (g, g, g, 0), so
// the fourth byte passes a saturating byte add or subtract.
template <bool Subtract>
int32_t GlowRows32(uint8_t* d, const uint8_t* o, const uint8_t* n, const uint8_t* rule, int32_t count,
                   int32_t level) {
  const __m128i offset = _mm_set1_epi16(static_cast<int16_t>(level - 256));
  const __m128i zero = _mm_setzero_si128();
  int32_t x = 0;
  for (; count - x >= 8; x += 8) {
    const TGlowLevels l = GlowLevels(rule + x, offset);
    const __m128i g8 = _mm_packus_epi16(l.Gray, l.Gray);
    const __m128i gg = _mm_unpacklo_epi8(g8, g8), g0 = _mm_unpacklo_epi8(g8, zero);
    const __m128i nw = _mm_packs_epi16(l.TakesNew, l.TakesNew);
    const __m128i nn = _mm_unpacklo_epi8(nw, nw);
    const __m128i gray[2] = {_mm_unpacklo_epi16(gg, g0), _mm_unpackhi_epi16(gg, g0)};
    const __m128i takes[2] = {_mm_unpacklo_epi16(nn, nn), _mm_unpackhi_epi16(nn, nn)};
    for (int half = 0; half < 2; ++half) {
      const size_t at = static_cast<size_t>(x + 4 * half) * 4;
      const __m128i p = Pick(takes[half], n, o, at);
      Store(d + at, Subtract ? _mm_subs_epu8(p, gray[half]) : _mm_adds_epu8(p, gray[half]));
    }
  }
  return x;
}

// One channel of eight 15- or 16-bit pixels, back in its place.
struct TChannel16 {
  __m128i Shift, GrayShift, Max;
  TChannel16(const TPixelFormat& f, int c)
      : Shift(_mm_cvtsi32_si128(f.Shift[c])),
        GrayShift(_mm_cvtsi32_si128(8 - f.Width[c])),
        Max(_mm_set1_epi16(static_cast<int16_t>(f.Max(c)))) {}
  template <bool Subtract>
  __m128i Apply(__m128i p, __m128i gray) const {
    const __m128i pc = _mm_and_si128(_mm_srl_epi16(p, Shift), Max);
    const __m128i gc = _mm_srl_epi16(gray, GrayShift);
    const __m128i out = Subtract ? _mm_subs_epu16(pc, gc) : _mm_min_epi16(_mm_add_epi16(pc, gc), Max);
    return _mm_sll_epi16(out, Shift);
  }
};

// Eight 15- or 16-bit pixels a round, channel by channel in 16-bit lanes.
template <bool Subtract>
int32_t GlowRows16(const TPixelFormat& f, uint8_t* d, const uint8_t* o, const uint8_t* n, const uint8_t* rule,
                   int32_t count, int32_t level) {
  const __m128i offset = _mm_set1_epi16(static_cast<int16_t>(level - 256));
  const TChannel16 c0(f, 0), c1(f, 1), c2(f, 2);
  int32_t x = 0;
  for (; count - x >= 8; x += 8) {
    const TGlowLevels l = GlowLevels(rule + x, offset);
    const size_t at = static_cast<size_t>(x) * 2;
    const __m128i p = Pick(l.TakesNew, n, o, at);
    Store(d + at, _mm_or_si128(_mm_or_si128(c0.Apply<Subtract>(p, l.Gray), c1.Apply<Subtract>(p, l.Gray)),
                               c2.Apply<Subtract>(p, l.Gray)));
  }
  return x;
}

#endif

}  // namespace

void SelectRow(uint8_t* dest, const uint8_t* oldRow, const uint8_t* newRow, const uint8_t* mask, int32_t count,
               int32_t bytes) {
  int32_t x = 0;
#if defined(__SSE2__)
  for (; count - x >= 8 && (bytes == 2 || bytes == 4); x += 8) {
    const __m128i m8 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(mask + x));
    const __m128i m16 = _mm_unpacklo_epi8(m8, m8);
    const size_t at = static_cast<size_t>(x) * static_cast<size_t>(bytes);
    if (bytes == 2) {
      Store(dest + at, Select(m16, Load(newRow + at), Load(oldRow + at)));
      continue;
    }
    Store(dest + at, Select(_mm_unpacklo_epi16(m16, m16), Load(newRow + at), Load(oldRow + at)));
    Store(dest + at + 16, Select(_mm_unpackhi_epi16(m16, m16), Load(newRow + at + 16), Load(oldRow + at + 16)));
  }
#endif
  for (; x < count; ++x) {
    const size_t at = static_cast<size_t>(x) * static_cast<size_t>(bytes);
    std::memcpy(dest + at, (mask[x] != 0 ? newRow : oldRow) + at, static_cast<size_t>(bytes));
  }
}

void ShadowMaskRow(uint8_t* out, const uint8_t* rule, int32_t count, int32_t offset) {
  int32_t x = 0;
#if defined(__SSE2__)
  const __m128i amount = _mm_set1_epi8(static_cast<char>(std::min(offset < 0 ? -offset : offset, 255)));
  for (; count - x >= 16; x += 16) {
    const __m128i v = Load(rule + x);
    Store(out + x, offset < 0 ? _mm_subs_epu8(v, amount) : _mm_adds_epu8(v, amount));
  }
#endif
  for (; x < count; ++x) out[x] = static_cast<uint8_t>(std::clamp(rule[x] + offset, 0, 255));
}

void GlowRow(const TPixelFormat& format, bool subtract, uint8_t* dest, const uint8_t* oldRow,
             const uint8_t* newRow, const uint8_t* rule, int32_t count, int32_t level) {
  int32_t x = 0;
#if defined(__SSE2__)
  if (format.Bytes == 4) {
    x = subtract ? GlowRows32<true>(dest, oldRow, newRow, rule, count, level)
                 : GlowRows32<false>(dest, oldRow, newRow, rule, count, level);
  } else if (format.Bytes == 2) {
    x = subtract ? GlowRows16<true>(format, dest, oldRow, newRow, rule, count, level)
                 : GlowRows16<false>(format, dest, oldRow, newRow, rule, count, level);
  }
#endif
  const int32_t bytes = format.Bytes;
  for (; x < count; ++x) {
    const int64_t at = int64_t{x} * bytes;
    StorePixel(dest + at, bytes,
               GlowPixel(format, subtract, LoadPixel(oldRow + at, bytes), LoadPixel(newRow + at, bytes), rule[x],
                         level));
  }
}

}  // namespace opal
