#include "femap/variant.h"

#include <gtest/gtest.h>

#include "femap/object.h"

namespace femap {
namespace {

TEST(VariantTest, NumbersConvertWithHalfToEvenRounding) {
  EXPECT_EQ(Variant(2.5).asInt(), 2);
  EXPECT_EQ(Variant(3.5).asInt(), 4);
  EXPECT_EQ(Variant(-2.5).asInt(), -2);
  EXPECT_EQ(Variant("  12 ").asInt(), 12);
  EXPECT_EQ(Variant("1E-05").asDouble(), 0.00001);
  EXPECT_EQ(Variant(true).asInt(), -1);
  EXPECT_EQ(Variant().asInt(), 0);
  EXPECT_EQ(Variant(std::int16_t{7}).asDouble(), 7);
}

TEST(VariantTest, ImpossibleConversionsAreErrors) {
  EXPECT_THROW(Variant("abc").asInt(), Error);
  EXPECT_THROW(Variant("").asDouble(), Error);
  EXPECT_THROW(Variant(40000).asInt16(), Error);
  EXPECT_THROW(Variant(1e10).asInt(), Error);
  EXPECT_THROW(Variant(3.0).asObject(), Error);
  EXPECT_THROW(Variant(3.0).asArray(), Error);
  EXPECT_THROW(Variant(5000000000LL), Error);
}

TEST(VariantTest, TextFollowsTheGeneralNumberForm) {
  EXPECT_EQ(Variant(0.1).asString(), "0.1");
  EXPECT_EQ(Variant(100.0).asString(), "100");
  EXPECT_EQ(Variant(0.00001).asString(), "1E-05");
  EXPECT_EQ(Variant(42).asString(), "42");
  EXPECT_EQ(Variant(false).asString(), "False");
  EXPECT_EQ(Variant().asString(), "");
}

TEST(VariantTest, OutArgumentsAreWrittenThroughTheReference) {
  Variant count;
  Variant slot = Variant::byRef(count);
  slot.assign(Variant(3));
  EXPECT_EQ(count.asInt(), 3);
  EXPECT_EQ(slot.asInt(), 3);  // reading the slot reads the caller's variable
  Variant plain(1);
  EXPECT_THROW(plain.assign(Variant(2)), Error);
  EXPECT_EQ(Variant::fromDoubles({1.5, -2}).asDoubles(), (std::vector<double>{1.5, -2}));
}

TEST(ObjectTest, AnEmptyObjectCannotBeCalled) {
  Object nothing;
  EXPECT_FALSE(nothing);
  EXPECT_THROW(nothing.call("Get", 1), Error);
  EXPECT_EQ(Variant(nothing).type(), Variant::Type::Empty);
}

}  // namespace
}  // namespace femap
