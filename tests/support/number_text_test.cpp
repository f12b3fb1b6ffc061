#include "support/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace support {
namespace {

TEST(FormatNumberTest, PlainFormFrom1EMinus4UpTo1E15) {
  EXPECT_EQ(formatNumber(0.1), "0.1");
  EXPECT_EQ(formatNumber(100), "100");
  EXPECT_EQ(formatNumber(-2.5), "-2.5");
  EXPECT_EQ(formatNumber(0.0001), "0.0001");
  EXPECT_EQ(formatNumber(0.000123), "0.000123");
  EXPECT_EQ(formatNumber(123456789012345.0), "123456789012345");
  EXPECT_EQ(formatNumber(1.0 / 3.0), "0.333333333333333");
  EXPECT_EQ(formatNumber(-2.0 / 3.0), "-0.666666666666667");
}

TEST(FormatNumberTest, ExponentFormOutsideThePlainRange) {
  EXPECT_EQ(formatNumber(0.00001), "1E-05");
  EXPECT_EQ(formatNumber(-0.0000125), "-1.25E-05");
  EXPECT_EQ(formatNumber(1e15), "1E+15");
  EXPECT_EQ(formatNumber(1.5e20), "1.5E+20");
  EXPECT_EQ(formatNumber(1234567890123456.0), "1.23456789012346E+15");
  EXPECT_EQ(formatNumber(1e-300), "1E-300");
  EXPECT_EQ(formatNumber(1.7976931348623157e308), "1.79769313486232E+308");
}

TEST(FormatNumberTest, RoundsTo15DigitsBeforeChoosingTheForm) {
  EXPECT_EQ(formatNumber(999999999999999.9), "1E+15");
  EXPECT_EQ(formatNumber(0.000099999999999999999), "0.0001");
  EXPECT_EQ(formatNumber(0.30000000000000004), "0.3");
}

TEST(FormatNumberTest, ZeroAndSpecialValues) {
  EXPECT_EQ(formatNumber(0.0), "0");
  EXPECT_EQ(formatNumber(-0.0), "0");
  EXPECT_EQ(formatNumber(std::numeric_limits<double>::quiet_NaN()), "NaN");
  EXPECT_EQ(formatNumber(std::numeric_limits<double>::infinity()), "Inf");
  EXPECT_EQ(formatNumber(-std::numeric_limits<double>::infinity()), "-Inf");
}

TEST(FormatNumberTest, SignedFormsPutABlankWhereTheMinusWouldBe) {
  EXPECT_EQ(formatSignedNumber(2), " 2");
  EXPECT_EQ(formatSignedNumber(-1.5), "-1.5");
  EXPECT_EQ(formatSignedNumber(-0.0), " 0");
  EXPECT_EQ(formatInteger(-42), "-42");
  EXPECT_EQ(formatInteger(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
  EXPECT_EQ(formatSignedInteger(7), " 7");
  EXPECT_EQ(formatSignedInteger(-7), "-7");
}

TEST(FormatNumberTest, FifteenDigitValuesSurviveTheRoundTrip) {
  std::mt19937_64 random(20240507);
  std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
  std::uniform_int_distribution<int> exponent(-30, 30);
  for (int i = 0; i < 2000; ++i) {
    const double raw = mantissa(random) * std::pow(10.0, exponent(random));
    const std::string text = formatNumber(raw);
    const auto value = parseNumber(text);  // the double nearest a 15-digit decimal
    ASSERT_TRUE(value) << text;
    EXPECT_NEAR(*value, raw, std::abs(raw) * 5e-15) << text;
    EXPECT_EQ(formatNumber(*value), text);
    EXPECT_EQ(parseNumber(formatNumber(*value)), *value) << text;
  }
  EXPECT_EQ(parseNumber(formatNumber(-4.94065645841247e-324)), -4.94065645841247e-324);
}

TEST(ParseNumberTest, AcceptsCNotationWithSurroundingBlanks) {
  EXPECT_EQ(parseNumber("1E-05"), 1e-5);
  EXPECT_EQ(parseNumber("-1.5"), -1.5);
  EXPECT_EQ(parseNumber(" 2"), 2.0);
  EXPECT_EQ(parseNumber("0.5 "), 0.5);
  EXPECT_EQ(parseNumber(".5"), 0.5);
  EXPECT_EQ(parseNumber("5."), 5.0);
  EXPECT_EQ(parseNumber("+3"), 3.0);
  EXPECT_EQ(parseNumber("2.5e+3"), 2500.0);
  EXPECT_EQ(parseNumber("1e-400"), 0.0);
}

TEST(ParseNumberTest, RejectsAnythingButOneWholeNumber) {
  for (const char* text : {"", " ", "abc", "1.5x", "1,5", ".", "+", "-", "1e", "1e+", "+-1",
                           "1 2", "inf", "nan", "0x10", "1e400", "\t1"}) {
    EXPECT_FALSE(parseNumber(text)) << '"' << text << '"';
  }
}

TEST(ParseIntegerTest, AcceptsSignedWholeNumbersOnly) {
  EXPECT_EQ(parseInteger("-12"), -12);
  EXPECT_EQ(parseInteger(" 7 "), 7);
  EXPECT_EQ(parseInteger("+3"), 3);
  EXPECT_EQ(parseInteger("9223372036854775807"), std::numeric_limits<std::int64_t>::max());
  for (const char* text : {"1.5", "", "12a", "+-3", "--3", "1E3", "9223372036854775808"}) {
    EXPECT_FALSE(parseInteger(text)) << '"' << text << '"';
  }
}

TEST(ParseIntegerTest, ClampedGivesTheNearest64BitValueToALongerWholeNumber) {
  EXPECT_EQ(parseIntegerClamped(" 99999999999999999999 "), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(parseIntegerClamped("-99999999999999999999"), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(parseIntegerClamped("+9223372036854775808"), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(parseIntegerClamped("-12"), -12);
  for (const char* text : {"1.5", "", "-", "+", "12a", "99999999999999999999x", "1E30"}) {
    EXPECT_FALSE(parseIntegerClamped(text)) << '"' << text << '"';
  }
}

TEST(FormatNumberExactlyTest, WritesAsTheSystemDoesWhereThatReadsBackExactly) {
  for (double value : {4.5, 0.0, -50.0, 210000.0, 0.1, 1e-5, 1.5e20, 25000.0, 7.94}) {
    EXPECT_EQ(formatNumberExactly(value), formatNumber(value)) << value;
  }
  EXPECT_EQ(formatNumberExactly(-0.0), "0");
}

TEST(FormatNumberExactlyTest, EveryDoubleReadsBackBitForBit) {
  EXPECT_EQ(formatNumberExactly(0.1 + 0.2), "0.30000000000000004");
  EXPECT_EQ(formatNumberExactly(1.0 / 3), "0.3333333333333333");
  EXPECT_EQ(formatNumberExactly(1e-7 / 3), "3.3333333333333334E-08");
  EXPECT_EQ(formatNumberExactly(1e20 / 3), "3.333333333333333E+19");  // 16 digits suffice
  std::mt19937_64 random(12345);
  std::uniform_real_distribution<double> exponent(-30, 30), mantissa(-1, 1);
  for (int i = 0; i < 20000; ++i) {
    double value = mantissa(random) * std::pow(10.0, exponent(random));
    std::string text = formatNumberExactly(value);
    auto back = parseNumber(text);
    ASSERT_TRUE(back) << text;
    ASSERT_EQ(*back, value) << text;
    ASSERT_EQ(text.find_first_of("e,"), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace support
