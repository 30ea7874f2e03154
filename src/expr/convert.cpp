#include "expr/convert.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace opal::conv {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<int32_t> ParseInt(std::string_view s) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  if (i >= s.size()) return std::nullopt;
  uint64_t v = 0;
  if (s[i] == '$') {
    if (++i >= s.size()) return std::nullopt;
    for (; i < s.size(); ++i) {
      const int d = HexDigit(s[i]);
      if (d < 0) return std::nullopt;
      v = v * 16 + static_cast<uint64_t>(d);
      if (v > 0xFFFFFFFFull) return std::nullopt;
    }
    const uint32_t bits = static_cast<uint32_t>(v);
    return static_cast<int32_t>(negative ? 0u - bits : bits);
  }
  for (; i < s.size(); ++i) {
    if (!IsDigit(s[i])) return std::nullopt;
    v = v * 10 + static_cast<uint64_t>(s[i] - '0');
    if (v > 0x80000000ull) return std::nullopt;
  }
  if (negative) return static_cast<int32_t>(0u - static_cast<uint32_t>(v));
  if (v > 0x7FFFFFFFull) return std::nullopt;
  return static_cast<int32_t>(v);
}

std::optional<Extended> ParseFloat(std::string_view s) {
  // Checked by hand first: strtold also takes hexadecimal, "inf" and "nan".
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  size_t digits = 0;
  while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++expDigits;
    if (expDigits == 0) return std::nullopt;
  }
  if (i != s.size()) return std::nullopt;
  const std::string text(s);
  errno = 0;
  const Extended v = std::strtold(text.c_str(), nullptr);
  if (errno == ERANGE && std::isinf(v)) return std::nullopt;
  return v;
}

int32_t FloatToInt(Extended x) {
  // 2^63 is exact in every floating type; the range test keeps the cast defined.
  constexpr Extended kLimit = 9223372036854775808.0L;
  if (!(x > -kLimit && x < kLimit)) return 0;
  const int64_t t = static_cast<int64_t>(x);
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(t)));
}

std::string IntToStr(int32_t v) { return std::to_string(v); }

std::string FlagToStr(bool b) { return b ? "TRUE" : "FALSE"; }

std::string FloatToStr(Extended x) {
  if (std::isnan(x)) return "NAN";
  if (std::isinf(x)) return x < 0 ? "-INF" : "INF";
  if (x == 0) return "0";
  // 15 significant digits: d.dddddddddddddde[+-]x
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14Le", x);
  std::string text(buf);
  const size_t e = text.find('e');
  const int exp10 = std::atoi(text.c_str() + e + 1);
  std::string mant = text.substr(0, e);
  const bool negative = mant[0] == '-';
  if (negative) mant.erase(0, 1);
  std::string digits;
  for (char c : mant)
    if (IsDigit(c)) digits += c;
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string out = negative ? "-" : "";
  // |x| < 0.00001 means an exponent below -5 once rounded to 15 digits.
  if (exp10 < -5 || exp10 >= 15) {
    out += digits[0];
    if (digits.size() > 1) out += "." + digits.substr(1);
    out += "E" + std::to_string(exp10);
    return out;
  }
  if (exp10 < 0) {
    out += "0." + std::string(static_cast<size_t>(-exp10 - 1), '0') + digits;
    return out;
  }
  const size_t intDigits = static_cast<size_t>(exp10) + 1;
  if (digits.size() <= intDigits) {
    out += digits + std::string(intDigits - digits.size(), '0');
  } else {
    out += digits.substr(0, intDigits) + "." + digits.substr(intDigits);
  }
  return out;
}

}  // namespace opal::conv
