// Numbers as Nastran decks and CalculiX listings write them.
#include <gtest/gtest.h>

#include <cmath>

#include "numbers.h"

namespace nastranccx {
namespace {

TEST(NastranReal, ReadsEveryWayDecksWriteReals) {
  EXPECT_EQ(tryParseReal("720."), 720.0);
  EXPECT_EQ(tryParseReal(".3"), 0.3);
  EXPECT_EQ(tryParseReal("-.5"), -0.5);
  EXPECT_EQ(tryParseReal("1.E+7"), 1e7);
  EXPECT_EQ(tryParseReal("7.5E-03"), 7.5e-3);
  EXPECT_EQ(tryParseReal("1.D+2"), 100.0);
  EXPECT_EQ(tryParseReal("1.+7"), 1e7);
  EXPECT_EQ(tryParseReal("-2.5-3"), -2.5e-3);
  EXPECT_EQ(tryParseReal("+4.-1"), 0.4);
  EXPECT_EQ(tryParseReal("1.234567-100"), 1.234567e-100);
  EXPECT_EQ(tryParseReal(" 12 "), 12.0);
}

TEST(NastranReal, RejectsTextThatIsNoNumber) {
  for (const char* text : {"", "abc", "1.2.3", "1e", "1.+", "E5", "--1", "1,5", "1.0x", "."})
    EXPECT_FALSE(tryParseReal(text).has_value()) << "'" << text << "'";
}

TEST(NastranReal, SpelledOutNanAndInfinityComeBackAsSuch) {
  EXPECT_TRUE(std::isnan(*tryParseReal("NaN")));
  EXPECT_TRUE(std::isinf(*tryParseReal("-Infinity")));
}

TEST(NastranInteger, ReadsPlainIntegersOnly) {
  EXPECT_EQ(tryParseInteger("123456"), 123456);
  EXPECT_EQ(tryParseInteger("+7"), 7);
  EXPECT_EQ(tryParseInteger("-1"), -1);
  for (const char* text : {"", "1.", "1e3", "12345678901", "x"})
    EXPECT_FALSE(tryParseInteger(text).has_value()) << "'" << text << "'";
}

TEST(RealText, ShortestFormReadsBackExactly) {
  for (double value : {0.1, 1.0 / 3, 147976.25999999998, -2.5e-300, 1e7, 0.005}) {
    std::string text = formatReal(value);
    EXPECT_EQ(std::stod(text), value) << text;
  }
  EXPECT_EQ(formatReal(-0.0), "0");
  EXPECT_EQ(formatReal(500.0), "500");
}

TEST(RealText, CalculixFormStaysWithinTwentyCharacters) {
  for (double value : {-1.2345678901234567e-123, 1.0 / 3, -2.0 / 3 * 1e300, 720.0}) {
    std::string text = formatRealLimited(value);
    EXPECT_LE(text.size(), 20u) << text;
    EXPECT_NEAR(std::stod(text), value, std::abs(value) * 1e-12) << text;
  }
  EXPECT_EQ(formatRealLimited(720.0), "720");
}

}  // namespace
}  // namespace nastranccx
