// The writer's text for the cards whose lines have a shape of their own, and for the sections
// before the bulk data: what Nastran expects in each field, checked against the text itself.
#include <gtest/gtest.h>

#include "deck_text.h"
#include "nastran/deck_writer.h"

namespace nastran::testing {
namespace {

std::string written(const std::string& bulk, FieldFormat format = FieldFormat::Free) {
  std::string text;
  CardWriter cards(text, WriteOptions{.format = format});
  writeBulk(cards, readBulk(bulk).bulk);
  return text;
}

TEST(DeckWriter, KeywordsAndTermsStandWhereNastranLooksForThem) {
  // RBE3: UM and ALPHA start lines of their own, UM's pairs in the second to seventh fields.
  EXPECT_EQ(written("RBE3,9,,1,123456,1.,123,2,3\n+,4,.5,12,5,UM,6,456\n+,,7,4,,8,1,,\n+,,9,2,ALPHA,1.E-6\n"),
            "RBE3,9,,1,123456,1.,123,2,3\n+,4,.5,12,5\n+,UM,6,456,7,4,8,1\n+,,9,2\n+,ALPHA,1.E-6\n");
  // MPC: two terms a line, fields 9 and 16 of each continuation blank.
  EXPECT_EQ(written("MPC,5,1,1,1.,2,3,-1.\n+,,3,2,.5,4,1,.25\n+,,5,6,2.\n"),
            "MPC,5,1,1,1.,2,3,-1.\n+,,3,2,.5,4,1,.25\n+,,5,6,2.\n");
  // PBUSH: a keyword in the second field of each line.
  EXPECT_EQ(written("PBUSH,9,K,1.,2.,,4.\n+,,RCV,,2.\n"), "PBUSH,9,K,1.,2.,,4.\n+,,RCV,,2.\n");
  // PBEAM without stations but with the tail keeps a blank line for end A's stress points.
  EXPECT_EQ(written("PBEAM,41,30,1.,2.,3.\n+,\n+,.5\n"), "PBEAM,41,30,1.,2.,3.\n+,\n+,.5\n");
  EXPECT_EQ(written("PCOMPG,45\n+,101,31,.1,0.,YES\n"), "PCOMPG,45\n+,101,31,.1,,YES\n");
}

TEST(DeckWriter, FixedColumnsPutEachFieldInItsColumns) {
  EXPECT_EQ(written("CBAR,13,21,1,2,0.,0.,1.,GOO\n+,456,123,1.,2.,3.,4.,5.,6.\n", FieldFormat::Fixed),
            "CBAR    13      21      1       2       0.      0.      1.      GOO\n"
            "+       456     123     1.      2.      3.      4.      5.      6.\n");
  EXPECT_EQ(written("GRID,5,,1.23456789012345,-2.5E-17,1.E20\n", FieldFormat::Fixed),
            "GRID*   5                               1.23456789012345-2.5E-17\n"
            "*       1.E20\n");
  // A name of eight letters leaves no room for the '*': such a card goes in free field.
  std::string text;
  CardWriter cards(text, WriteOptions{.format = FieldFormat::Fixed});
  cards.card("MATTEMPX", {1, 1.0 / 3});
  EXPECT_EQ(text, "MATTEMPX*,1,.333333333333333\n");
}

TEST(DeckWriter, PassedCardsAreWrittenAsTheyStood) {
  EXPECT_EQ(written("eigrl, 10 ,,, 6   $ modes\nRFORCE  2       1               100.\n+       2\n"),
            "eigrl, 10 ,,, 6   \nRFORCE  2       1               100.\n+       2\n");
}

TEST(DeckWriter, ExecutiveAndCaseControlSaySoToo) {
  MemoryFiles files;
  Deck deck = readDeckText(
      "ID a\nSOL SESTATIC\nDIAG 8\nCEND\nTITLE = t\nLOAD = 1\nSUBCASE 3\n  TEMP = 4\n  SET 2 = 5 THRU 9, 11\n"
      "  STRE(SORT1) = 2\n  K2PP = STIF\nBEGIN BULK\nENDDATA\n",
      "deck.dat", files);
  std::string text;
  writeExecutiveControl(text, deck.executive);
  writeCaseControl(text, deck.caseControl);
  EXPECT_EQ(text,
            "ID a\nSOL 101\nDIAG 8\nCEND\nTITLE = t\nLOAD = 1\nSUBCASE 3\n  TEMPERATURE(BOTH) = 4\n"
            "  SET 2 = 5 THRU 9, 11\n  STRESS(SORT1) = 2\n  K2PP = STIF\nBEGIN BULK\n");
}

TEST(DeckWriter, LongSetListsGoOnOverLines) {
  Subcase subcase;
  CaseSet set;
  set.id = 1;
  for (int i = 1; i <= 40; ++i) set.ranges.push_back({1000 * i, 1000 * i, 1, {}});
  subcase.sets.push_back(set);
  CaseControl control;
  control.global = subcase;
  std::string text;
  writeCaseControl(text, control);
  std::size_t longest = 0, start = 0;
  for (std::size_t end = text.find('\n'); end != std::string::npos; start = end + 1, end = text.find('\n', start))
    longest = std::max(longest, end - start);
  EXPECT_LE(longest, 72u) << text;
  MemoryFiles files;
  Deck again = readDeckText("SOL 101\nCEND\n" + text + "ENDDATA\n", "deck.dat", files);
  EXPECT_TRUE(again.caseControl.global.sets.at(0) == set);
}

}  // namespace
}  // namespace nastran::testing
