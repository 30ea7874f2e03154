// The conversions between the four element types of script values. Every
// value class stores its own type and converts on access through these, so
// a conversion has exactly one definition.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/ext80.h"

namespace opal::conv {

// Integer text: optional sign, decimal digits, or "$" and hexadecimal digits
// (up to 32 bits, taken as two's complement). Anything else, including a
// decimal value outside the 32-bit range, is not an integer.
std::optional<int32_t> ParseInt(std::string_view s);
// Decimal text with optional sign, fraction and exponent; a value beyond the
// range of the 80-bit format does not parse.
std::optional<Extended> ParseFloat(std::string_view s);

// Truncation toward zero to 64 bits, then the low 32 bits. NaN and values
// outside the 64-bit range give the 64-bit "integer indefinite" pattern,
// whose low half is 0, so the result is always defined.
int32_t FloatToInt(Extended x);
// General format, at most 15 significant digits, no trailing zeros;
// exponent form (1E20, 1.5E-7) below 0.00001 or beyond 15 integer digits.
std::string FloatToStr(Extended x);
std::string IntToStr(int32_t v);

inline int32_t ToInt(int32_t v) { return v; }
inline int32_t ToInt(Extended v) { return FloatToInt(v); }
inline int32_t ToInt(uint8_t v) { return v ? 1 : 0; }
inline int32_t ToInt(const std::string& v) { return ParseInt(v).value_or(0); }

inline Extended ToFloat(int32_t v) { return v; }
inline Extended ToFloat(Extended v) { return v; }
inline Extended ToFloat(uint8_t v) { return v ? 1.0L : 0.0L; }
inline Extended ToFloat(const std::string& v) { return ParseFloat(v).value_or(0.0L); }

inline bool ToFlag(int32_t v) { return v != 0; }
inline bool ToFlag(Extended v) { return v != 0; }
inline bool ToFlag(uint8_t v) { return v != 0; }
inline bool ToFlag(const std::string& v) { return v == "TRUE"; }

std::string FlagToStr(bool b);
inline std::string ToStr(int32_t v) { return IntToStr(v); }
inline std::string ToStr(Extended v) { return FloatToStr(v); }
inline std::string ToStr(uint8_t v) { return FlagToStr(v != 0); }
inline std::string ToStr(const std::string& v) { return v; }

}  // namespace opal::conv
