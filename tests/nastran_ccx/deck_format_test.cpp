// The deck formats the simulator and other writers use read alike: large-field
// cards, continuation lines, short exponents, fixed columns; the results file
// is named after the deck.
#include "decks.h"
#include "tool_runner.h"

namespace nastranccx::testing {
namespace {

using DeckFormatTest = NastranCcxTest;

constexpr int kT1 = 2, kRodStress = 3022;

void expectRodAnswer(const ResultsFile& results) {
  EXPECT_NEAR(results.vectors.at(kT1).at(2), 0.005, 1e-9);
  EXPECT_NEAR(results.vectors.at(kRodStress).at(1), 500.0, 1e-3);
}

TEST_F(DeckFormatTest, LargeFieldCardsWithContinuationsReadLikeSmallFieldOnes) {
  REQUIRE_CCX();
  writeFile("rod.dat", staticDeck(
                           "GRID*,1,,0.00000000000000E+00,0.00000000000000E+00\n"
                           "*,0.00000000000000E+00\n"
                           "GRID*,2,,1.00000000000000E+02,0.\n"
                           "*,0.\n"
                           "CROD,1,1,1,2\n"
                           "PROD*,1,1,2.00000000000000E+00\n"
                           "MAT1*,1,1.00000000000000E+07,,3.00000000000000E-01\n"
                           "*,1.00000000000000E-01\n"
                           "FORCE*,1,2,0,1.00000000000000E+03\n"
                           "*,1.,0.,0.\n"
                           "SPC1,1,123456,1\n"
                           "SPC1,1,23,2\n"));
  ToolRun run = this->run({"rod.dat"});
  ASSERT_EQ(run.exitCode, 0) << run.standardError;
  expectRodAnswer(readResults("rod.op2"));
}

TEST_F(DeckFormatTest, NastranShortExponentsParse) {
  REQUIRE_CCX();
  writeFile("rod.dat", staticDeck(
                           "GRID,1,,0.,0.,0.\n"
                           "GRID,2,,1.+2,0.,0.\n"
                           "CROD,1,1,1,2\n"
                           "PROD,1,1,20.-1\n"
                           "MAT1,1,1.+7,,3.-1\n"
                           "FORCE,1,2,0,-1.+3,-1.,0.,0.\n"
                           "SPC1,1,123456,1\n"
                           "SPC1,1,23,2\n"));
  ToolRun run = this->run({"rod.dat"});
  ASSERT_EQ(run.exitCode, 0) << run.standardError;
  expectRodAnswer(readResults("rod.op2"));
}

TEST_F(DeckFormatTest, ContinuationLinesContinueTheFieldsOfTheirCard) {
  REQUIRE_CCX();
  // Fields 5-8 of the first SPC1 line are blank; its continuation holds fields 9 on.
  std::string split = kTenBarBulk;
  split.replace(split.find("SPC1,1,3,1,2,3,4"), 16, "SPC1,1,3,1,2\n+,3,4");
  writeFile("compact.dat", staticDeck(kTenBarBulk));
  writeFile("split.dat", staticDeck(split));
  ASSERT_EQ(run({"compact.dat"}).exitCode, 0);
  ToolRun run = this->run({"split.dat"});
  ASSERT_EQ(run.exitCode, 0) << run.standardError;
  EXPECT_EQ(readFile("split.op2"), readFile("compact.op2"));
}

TEST_F(DeckFormatTest, ThruRangesAndPermanentConstraintsMatchListedOnes) {
  REQUIRE_CCX();
  std::string other = kTenBarBulk;
  other.replace(other.find("SPC1,1,3,1,2,3,4"), 16, "SPC1,1,3,1,THRU,4");
  other.replace(other.find("SPC1,1,123456,5,6\n"), 18, "");
  other.replace(other.find("GRID,5,,0.,360.,0."), 18, "GRID,5,,0.,360.,0.,,123456");
  other.replace(other.find("GRID,6,,0.,0.,0."), 16, "GRID,6,,0.,0.,0.,,123456");
  writeFile("listed.dat", staticDeck(kTenBarBulk));
  writeFile("other.dat", staticDeck(other));
  ASSERT_EQ(run({"listed.dat"}).exitCode, 0);
  ToolRun run = this->run({"other.dat"});
  ASSERT_EQ(run.exitCode, 0) << run.standardError;
  EXPECT_EQ(readFile("other.op2"), readFile("listed.op2"));
}

// A card in fixed format: the name and each field take 8 columns.
std::string fixedCard(const std::vector<std::string>& fields) {
  std::string line;
  for (const std::string& field : fields) line += field + std::string(8 - field.size(), ' ');
  return line + "\n";
}

TEST_F(DeckFormatTest, FixedEightColumnCardsParse) {
  REQUIRE_CCX();
  writeFile("rod.dat", staticDeck(fixedCard({"GRID", "1", "", "0.", "0.", "0."}) +
                                  fixedCard({"GRID", "2", "", "100.", "0.", "0."}) +
                                  fixedCard({"CROD", "1", "1", "1", "2"}) +
                                  fixedCard({"PROD", "1", "1", "2.0"}) +
                                  fixedCard({"MAT1", "1", "1.+7", "", ".3"}) +
                                  fixedCard({"FORCE", "1", "2", "0", "1000.", "1.", "0.", "0."}) +
                                  fixedCard({"SPC1", "1", "123456", "1"}) +
                                  fixedCard({"SPC1", "1", "23", "2"})));
  ToolRun run = this->run({"rod.dat"});
  ASSERT_EQ(run.exitCode, 0) << run.standardError;
  expectRodAnswer(readResults("rod.op2"));
}

TEST_F(DeckFormatTest, NasDeckGetsFnoResultsAndExtraArgumentsAreIgnored) {
  REQUIRE_CCX();
  writeFile("rod.nas", staticDeck(kRodBulk));
  writeFile("nastran.ini", "");
  ToolRun run = this->run({"nastran.ini", "rod.nas", "notify=no"});
  ASSERT_EQ(run.exitCode, 0) << run.standardError;
  EXPECT_FALSE(exists("rod.op2"));
  expectRodAnswer(readResults("rod.fno"));
}

TEST_F(DeckFormatTest, DeckInAnotherFolderGetsItsResultsBesideIt) {
  REQUIRE_CCX();
  std::filesystem::create_directory(folder() / "models");
  writeFile("models/rod.dat", staticDeck(kRodBulk));
  ToolRun relative = run({"models/rod.dat"});
  ASSERT_EQ(relative.exitCode, 0) << relative.standardError;
  expectRodAnswer(readResults("models/rod.op2"));

  std::filesystem::remove(folder() / "models/rod.op2");
  ToolRun absolute = run({(folder() / "models/rod.dat").string()});
  ASSERT_EQ(absolute.exitCode, 0) << absolute.standardError;
  EXPECT_TRUE(exists("models/rod.op2"));
}

TEST_F(DeckFormatTest, CrLfLinesCommentsAndLowerCaseNamesAreAccepted) {
  REQUIRE_CCX();
  std::string rodBulk = kRodBulk;
  std::string withoutFirstGrid = rodBulk.substr(rodBulk.find('\n') + 1);
  std::string deck = staticDeck("$ rods\ngrid,1,,0.,0.,0. $ the first end\n" + withoutFirstGrid + "param,post,-1\n");
  std::string crlf;
  for (char c : deck) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  writeFile("rod.dat", crlf);
  ToolRun run = this->run({"rod.dat"});
  ASSERT_EQ(run.exitCode, 0) << run.standardError;
  expectRodAnswer(readResults("rod.op2"));
}

}  // namespace
}  // namespace nastranccx::testing
