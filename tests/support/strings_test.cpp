#include "support/strings.h"

#include <gtest/gtest.h>

namespace support {
namespace {

using Fields = std::vector<std::string>;

TEST(SplitTest, KeepsEmptyFieldsAtEverySeparator) {
  EXPECT_EQ(split("a$$b", "$"), (Fields{"a", "", "b"}));
  EXPECT_EQ(split("$a$", "$"), (Fields{"", "a", ""}));
  EXPECT_EQ(split("plate.mod", "$"), (Fields{"plate.mod"}));
  EXPECT_EQ(split("a::b", "::"), (Fields{"a", "b"}));
}

TEST(SplitTest, EmptyTextGivesNoFieldAndMissingFieldsReadEmpty) {
  const Fields none = split("", "$");
  EXPECT_TRUE(none.empty());
  EXPECT_EQ(fieldOrEmpty(none, 0), "");
  const Fields two = split("C:\\plate.mod$log.txt", "$");
  EXPECT_EQ(fieldOrEmpty(two, 1), "log.txt");
  EXPECT_EQ(fieldOrEmpty(two, 2), "");
}

TEST(TrimTest, RemovesBlanksButNotTabs) {
  EXPECT_EQ(trim("  plate  "), "plate");
  EXPECT_EQ(trim("\tplate\t"), "\tplate\t");
  EXPECT_EQ(trim("   "), "");
  EXPECT_EQ(trimView(" a b "), "a b");
}

TEST(ReplaceTest, ReplacesEveryOccurrenceLeftToRight) {
  EXPECT_EQ(replaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(replaceAll("say \"x\"", "\"", "\"\""), "say \"\"x\"\"");
  EXPECT_EQ(replaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(removeChars("\"C:\\a b\"$x", "\""), "C:\\a b$x");
}

TEST(CaseTest, ComparesAndConvertsAsciiLettersOnly) {
  EXPECT_EQ(toUpper("femap.Model-1"), "FEMAP.MODEL-1");
  EXPECT_EQ(toLower("FEMAP.Model"), "femap.model");
  EXPECT_EQ(toUpper("\xE9"), "\xE9");
  EXPECT_TRUE(equalsIgnoreCase("NXNastran", "nxnastran"));
  EXPECT_FALSE(equalsIgnoreCase("Nastran", "Nastra"));
  EXPECT_TRUE(startsWith("Reference Model", "Ref"));
  EXPECT_FALSE(startsWith("Re", "Ref"));
}

TEST(WildcardTest, StarAndQuestionMarkWithoutCaseAsABatchDelTakesThem) {
  EXPECT_TRUE(matchesWildcard("*.tmp", "A.TMP"));
  EXPECT_TRUE(matchesWildcard("*", ""));
  EXPECT_TRUE(matchesWildcard("r?sult*.op2", "Result12.OP2"));
  EXPECT_TRUE(matchesWildcard("*a*b*", "xxaxxbxx"));
  EXPECT_FALSE(matchesWildcard("*a*b", "xxaxxbxx"));
  EXPECT_FALSE(matchesWildcard("?", ""));
  EXPECT_FALSE(matchesWildcard("*.tmp", "a.tmp.bak"));
  EXPECT_FALSE(matchesWildcard("abc", "abd"));
  // Back-tracking stays linear: a long name against many stars ends at once.
  EXPECT_FALSE(matchesWildcard("*a*a*a*a*a*a*b", std::string(10000, 'a')));
}

}  // namespace
}  // namespace support
