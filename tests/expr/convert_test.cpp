#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/ext80.h"
#include "expr/convert.h"
#include "expr_test_util.h"

namespace opal {
namespace {

TEST(ConvertTest, FloatToStrGeneralFormat) {
  const struct {
    Extended x;
    const char* text;
  } cases[] = {
      {0, "0"},
      {1.5L, "1.5"},
      {-7.25L, "-7.25"},
      {0.1L, "0.1"},
      {100, "100"},
      {1.0L / 3, "0.333333333333333"},
      {2.0L / 3, "0.666666666666667"},
      {1e20L, "1E20"},
      {-1e20L, "-1E20"},
      {1e-6L, "1E-6"},
      {1.5e-7L, "1.5E-7"},
      {0.00001L, "0.00001"},
      {0.0001234L, "0.0001234"},
      {123456789012345.0L, "123456789012345"},
      {1234567890123456.0L, "1.23456789012346E15"},
      {1e15L, "1E15"},
  };
  for (const auto& c : cases) EXPECT_EQ(conv::FloatToStr(c.x), c.text) << static_cast<double>(c.x);
}

TEST(ConvertTest, FloatToIntTruncatesAndKeepsLow32Bits) {
  EXPECT_EQ(conv::FloatToInt(2.9L), 2);
  EXPECT_EQ(conv::FloatToInt(-2.9L), -2);
  EXPECT_EQ(conv::FloatToInt(4294967296.0L + 5), 5);  // low half of the 64-bit value
  EXPECT_EQ(conv::FloatToInt(2147483648.0L), INT32_MIN);
  // NaN, infinities and values beyond 64 bits: defined, never a trap.
  EXPECT_EQ(conv::FloatToInt(std::numeric_limits<Extended>::quiet_NaN()), 0);
  EXPECT_EQ(conv::FloatToInt(std::numeric_limits<Extended>::infinity()), 0);
  EXPECT_EQ(conv::FloatToInt(-1e30L), 0);
}

TEST(ConvertTest, ParseIntAcceptsSignDigitsAndHex) {
  EXPECT_EQ(conv::ParseInt("42"), 42);
  EXPECT_EQ(conv::ParseInt("-7"), -7);
  EXPECT_EQ(conv::ParseInt("+7"), 7);
  EXPECT_EQ(conv::ParseInt("$FF"), 255);
  EXPECT_EQ(conv::ParseInt("$ffffffff"), -1);
  EXPECT_EQ(conv::ParseInt("-2147483648"), INT32_MIN);
  for (const char* bad : {"", "-", "$", "abc", "1.5", " 1", "2147483648", "$100000000", "99999999999999999999", "1e3"}) {
    EXPECT_FALSE(conv::ParseInt(bad).has_value()) << bad;
  }
}

TEST(ConvertTest, ParseFloatAcceptsDecimalTextOnly) {
  EXPECT_EQ(conv::ParseFloat("2.5"), 2.5L);
  EXPECT_EQ(conv::ParseFloat("-1E3"), -1000.0L);
  EXPECT_EQ(conv::ParseFloat(".5"), 0.5L);
  EXPECT_EQ(conv::ParseFloat("1e+2"), 100.0L);
  for (const char* bad : {"", ".", "e5", "1e", "0x10", "inf", "nan", "1.5x", "1E99999"}) {
    EXPECT_FALSE(conv::ParseFloat(bad).has_value()) << bad;
  }
}

TEST(ConvertTest, BooleanAndStringForms) {
  EXPECT_TRUE(conv::ToFlag(std::string("TRUE")));
  EXPECT_FALSE(conv::ToFlag(std::string("true")));
  EXPECT_EQ(conv::ToStr(static_cast<uint8_t>(1)), "TRUE");
  EXPECT_EQ(conv::ToStr(-7), "-7");
  EXPECT_EQ(conv::ToInt(std::string("abc")), 0);
}

// The 10-byte real of every stream, both directions.
TEST(Ext80Test, BytePatterns) {
  const struct {
    Extended x;
    std::array<uint8_t, 10> bytes;
  } cases[] = {
      {1.5L, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0xFF, 0x3F}},
      {0.1L, {0xCD, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xFB, 0x3F}},
      {-2.0L, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x00, 0xC0}},
      {0.0L, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeExtended(c.x), c.bytes) << static_cast<double>(c.x);
    EXPECT_EQ(DecodeExtended(c.bytes.data()), c.x) << static_cast<double>(c.x);
  }
}

// The compiler writes a float literal in the same form.
TEST(Ext80Test, CompiledLiteralCarriesThePattern) {
  const std::vector<uint8_t> bytes = test::CompileBytes("0.1");
  const std::vector<uint8_t> pattern = {0x02, 0xCD, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xFB, 0x3F};
  EXPECT_NE(std::search(bytes.begin(), bytes.end(), pattern.begin(), pattern.end()), bytes.end());
}

}  // namespace
}  // namespace opal
