// Numbers in every form Nastran writes them, read to the nearest double (what strtod gives for
// the same decimal value), and written back so that they read as the same double.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <random>

#include "deck_text.h"
#include "nastran/numbers.h"

namespace nastran {
namespace {

double strtodOf(const char* text) { return std::strtod(text, nullptr); }

TEST(NastranNumbers, EveryRealFormReadsAsTheNearestDouble) {
  struct Form {
    const char* nastran;
    const char* c;
  };
  for (Form form : {Form{"1.", "1"}, Form{".5", "0.5"}, Form{"-.5", "-0.5"}, Form{"1.E3", "1e3"},
                    Form{"1.+3", "1e3"}, Form{"-2.5-3", "-2.5e-3"}, Form{"1.D3", "1e3"}, Form{"1.d-3", "1e-3"},
                    Form{"+1.5E+03", "1.5e3"}, Form{"7.5E-03", "7.5e-3"}, Form{"0.1", "0.1"},
                    Form{"3.14159265358979323846264338", "3.14159265358979323846264338"},
                    Form{"1.234567-100", "1.234567e-100"}, Form{"123456789.123456789", "123456789.123456789"},
                    Form{"2.2250738585072014-308", "2.2250738585072014e-308"}, Form{"12", "12"}}) {
    auto value = parseReal(form.nastran);
    ASSERT_TRUE(value) << form.nastran;
    EXPECT_EQ(*value, strtodOf(form.c)) << form.nastran;
  }
}

// Plain decimals (the reals most decks hold) of every length and with the point anywhere, as
// strtod reads them; both forms of parseReal agree.
TEST(NastranNumbers, PlainDecimalsOfAnyLengthReadAsTheNearestDouble) {
  std::mt19937 random(17);
  for (int i = 0; i < 20000; ++i) {
    int digits = 1 + static_cast<int>(random() % 18);
    std::string text = random() % 3 == 0 ? "-" : "";
    for (int d = 0; d < digits; ++d) text += static_cast<char>('0' + random() % 10);
    text.insert(text.size() - random() % (static_cast<unsigned>(digits) + 1), ".");
    auto value = parseReal(text);
    ASSERT_TRUE(value) << text;
    EXPECT_EQ(*value, strtodOf(text.c_str())) << text;
    double into = -1;
    ASSERT_TRUE(parseReal(text, into)) << text;
    EXPECT_EQ(std::signbit(into), std::signbit(*value)) << text;
    EXPECT_EQ(into, *value) << text;
  }
  double untouched = 7;
  EXPECT_FALSE(parseReal("1.2.3", untouched));
  EXPECT_EQ(untouched, 7);
  EXPECT_TRUE(parseReal("-0.", untouched));
  EXPECT_TRUE(std::signbit(untouched));
}

TEST(NastranNumbers, TextThatIsNoRealIsRefused) {
  for (const char* text : {"", "abc", "1.2.3", "1e", "1.+", "E5", "--1", "1,5", "1.0x", ".", "+", "1.E+3.", "NAN",
                           "INF", "1.E400"})
    EXPECT_FALSE(parseReal(text).has_value()) << "'" << text << "'";
}

TEST(NastranNumbers, IntegersAreDigitsWithinAnInt) {
  EXPECT_EQ(parseInteger("123456"), 123456);
  EXPECT_EQ(parseInteger("+7"), 7);
  EXPECT_EQ(parseInteger("-1"), -1);
  EXPECT_EQ(parseInteger("2147483647"), 2147483647);
  for (const char* text : {"", "1.", "1E3", "2147483648", "x", "+", "1 2"})
    EXPECT_FALSE(parseInteger(text).has_value()) << "'" << text << "'";
}

// Integer fields of a card: short digits, signs, leading zeros and ten digits all read as
// parseInteger reads them, and a field that is no int is refused with its own text.
TEST(NastranNumbers, IntegerFieldsOfEveryLengthAndSign) {
  for (const char* id : {"7", "+7", "0000007", "123456789", "2147483647"}) {
    Deck deck = testing::readBulk(std::string("CROD,") + id + ",1,2,3\n");
    ASSERT_EQ(deck.bulk.crods.size(), 1u);
    EXPECT_EQ(deck.bulk.crods[0].eid, parseInteger(id).value()) << id;
  }
  EXPECT_EQ(testing::bulkError("CROD,5,1,2,-3\n"), "deck.dat:4: CROD 5: field 4 (G2) must be a positive ID, not -3");
  for (const char* bad : {"2147483648", "12345678x", "1-2", "--"})
    EXPECT_EQ(testing::bulkError(std::string("CROD,5,1,2,") + bad + "\n"),
              std::string("deck.dat:4: CROD 5: field 4 (G2) '") + bad + "' is not an integer");
}

TEST(NastranNumbers, FieldsAreToldApartAsNastranDoes) {
  EXPECT_EQ(classifyField(""), FieldKind::Blank);
  EXPECT_EQ(classifyField("12"), FieldKind::Integer);
  EXPECT_EQ(classifyField("-12"), FieldKind::Integer);
  EXPECT_EQ(classifyField("12."), FieldKind::Real);
  EXPECT_EQ(classifyField("1.-3"), FieldKind::Real);
  EXPECT_EQ(classifyField("THRU"), FieldKind::Character);
  EXPECT_EQ(classifyField("1.2.3"), FieldKind::Character);
}

TEST(NastranNumbers, RealsAreWrittenShortExactAndAsReals) {
  EXPECT_EQ(exactRealText(1.0).view(), "1.");
  EXPECT_EQ(exactRealText(0.0).view(), "0.");
  EXPECT_EQ(exactRealText(-0.0).view(), "0.");
  EXPECT_EQ(exactRealText(720.0).view(), "720.");
  EXPECT_EQ(exactRealText(0.5).view(), ".5");
  EXPECT_EQ(exactRealText(-0.001).view(), "-.001");
  EXPECT_EQ(exactRealText(1e-5).view(), "1.E-5");
  EXPECT_EQ(exactRealText(1e7).view(), "1.E7");
  EXPECT_EQ(exactRealText(-2.5e-12).view(), "-2.5E-12");
  EXPECT_EQ(exactRealText(123456789012.0).view(), "123456789012.");
  EXPECT_EQ(exactRealText(1.0 / 3).view(), ".3333333333333333");
}

TEST(NastranNumbers, ARealTooLongForItsFieldIsRoundedToFit) {
  bool exact = true;
  EXPECT_EQ(realText(1.0 / 3, 16, &exact).view(), ".333333333333333");
  EXPECT_FALSE(exact);
  EXPECT_EQ(realText(1.0 / 3, 8).view(), ".3333333");
  EXPECT_EQ(realText(1.2345678e-10, 8).view(), "1.235-10");  // Nastran's exponent without E holds a digit more
  EXPECT_EQ(realText(-1e-300, 8).view(), "-1.E-300");
  EXPECT_EQ(realText(1.5e-7, 8, &exact).view(), "1.5E-7");
  EXPECT_TRUE(exact);
}

TEST(NastranNumbers, WrittenRealsReadBackAsTheSameDouble) {
  std::mt19937_64 random(17);
  std::uniform_real_distribution<double> mantissa(-10, 10);
  std::uniform_int_distribution<int> exponent(-300, 300);
  std::uniform_int_distribution<long> thousandths(-100000000, 100000000);
  for (int i = 0; i < 20000; ++i) {
    double any = mantissa(random) * std::pow(10.0, exponent(random));
    EXPECT_EQ(parseReal(exactRealText(any).view()), any) << exactRealText(any).view();
    // A value typed into a deck (up to 11 significant digits) always fits a large field exactly.
    double typed = static_cast<double>(thousandths(random)) / 1000;
    bool exact = false;
    FieldText text = realText(typed, 16, &exact);
    EXPECT_TRUE(exact) << text.view();
    EXPECT_EQ(parseReal(text.view()), typed) << text.view();
  }
}

}  // namespace
}  // namespace nastran
