#include "common/ext80.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace opal {
namespace {

TEST(Extended, KnownBytePatterns) {
  struct Case {
    Extended value;
    std::array<uint8_t, 10> bytes;
  };
  const Case cases[] = {
      {1.5L, {0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F}},
      {0.1L, {0xCD, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xFB, 0x3F}},
      {-2.0L, {0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0xC0}},
      {0.0L, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {-0.0L, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80}},
      {INFINITY, {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EncodeExtended(c.value), c.bytes) << static_cast<double>(c.value);
    const Extended back = DecodeExtended(c.bytes.data());
    EXPECT_EQ(back, c.value);
    EXPECT_EQ(std::signbit(back), std::signbit(c.value));
  }
}

TEST(Extended, NanAndSubnormalsSurvive) {
  EXPECT_TRUE(std::isnan(DecodeExtended(EncodeExtended(NAN).data())));
  const Extended tiny = std::numeric_limits<double>::denorm_min();
  EXPECT_EQ(DecodeExtended(EncodeExtended(tiny).data()), tiny);
  // A zero exponent with a mantissa is an 80-bit subnormal, never a crash.
  const uint8_t sub[10] = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_GE(DecodeExtended(sub), 0.0L);
}

TEST(Extended, DoublesRoundTripExactly) {
  for (double d : {1.0, -3.25, 1e300, -1e-300, 123456789.125, std::numeric_limits<double>::max()}) {
    EXPECT_EQ(static_cast<double>(DecodeExtended(EncodeExtended(d).data())), d);
  }
}

}  // namespace
}  // namespace opal
