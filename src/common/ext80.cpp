#include "common/ext80.h"

#include <cmath>

namespace opal {

namespace {
constexpr int kBias = 16383;
constexpr uint16_t kMaxExp = 0x7FFF;
}  // namespace

std::array<uint8_t, 10> EncodeExtended(Extended value) {
  uint64_t mantissa = 0;
  uint16_t exponent = 0;
  const bool negative = std::signbit(value);
  if (std::isnan(value)) {
    exponent = kMaxExp;
    mantissa = 0xC000000000000000ull;
  } else if (std::isinf(value)) {
    exponent = kMaxExp;
    mantissa = 0x8000000000000000ull;
  } else if (value != 0) {
    int e = 0;
    Extended m = std::frexp(std::fabs(value), &e);  // m in [0.5, 1)
    // m has at most 64 significant bits, so the scaling is exact.
    mantissa = static_cast<uint64_t>(std::ldexp(m, 64));
    int biased = e - 1 + kBias;
    if (biased >= kMaxExp) {  // out of range: infinity
      exponent = kMaxExp;
      mantissa = 0x8000000000000000ull;
    } else if (biased <= 0) {  // subnormal: no integer bit
      const int shift = 1 - biased;
      mantissa = shift >= 64 ? 0 : mantissa >> shift;
      exponent = 0;
    } else {
      exponent = static_cast<uint16_t>(biased);
    }
  }
  std::array<uint8_t, 10> out{};
  for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(mantissa >> (8 * i));
  const uint16_t se = static_cast<uint16_t>(exponent | (negative ? 0x8000 : 0));
  out[8] = static_cast<uint8_t>(se);
  out[9] = static_cast<uint8_t>(se >> 8);
  return out;
}

Extended DecodeExtended(const uint8_t bytes[10]) {
  uint64_t mantissa = 0;
  for (int i = 0; i < 8; ++i) mantissa |= static_cast<uint64_t>(bytes[i]) << (8 * i);
  const uint16_t se = static_cast<uint16_t>(bytes[8] | (bytes[9] << 8));
  const bool negative = (se & 0x8000) != 0;
  const int exponent = se & 0x7FFF;
  Extended value;
  if (exponent == kMaxExp) {
    value = (mantissa << 1) == 0 ? INFINITY : NAN;
  } else {
    value = std::ldexp(static_cast<Extended>(mantissa), (exponent == 0 ? 1 : exponent) - kBias - 63);
  }
  return negative ? -value : value;
}

}  // namespace opal
