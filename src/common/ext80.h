// The 10-byte x87 extended real of value and object streams: 64-bit
// mantissa with an explicit integer bit, 15-bit exponent biased by 16383,
// sign bit; little-endian. The codec is arithmetic, so it gives the same
// bytes whether or not `long double` is itself the 80-bit format; where it
// is narrower, decoding rounds to nearest.
#pragma once

#include <array>
#include <cstdint>

namespace opal {

// Script floats compute in the widest type the compiler offers.
using Extended = long double;

std::array<uint8_t, 10> EncodeExtended(Extended value);
Extended DecodeExtended(const uint8_t bytes[10]);

}  // namespace opal
