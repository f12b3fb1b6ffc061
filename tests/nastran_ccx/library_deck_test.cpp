// Decks reach nastran-ccx through the Nastran library: included files and every field form solve
// alike, and a card the conversion does not know is refused by name at its file and line.
#include "decks.h"
#include "tool_runner.h"

namespace nastranccx::testing {
namespace {

class LibraryDeckTest : public NastranCcxTest {
 protected:
  LibraryDeckTest() { std::filesystem::create_directory(folder() / "parts"); }
};

TEST_F(LibraryDeckTest, IncludedFilesAndEveryFieldFormSolveLikeOneFile) {
  REQUIRE_CCX();
  writeFile("rod.dat", staticDeck(kRodBulk));
  // The same rod: properties in an included file whose name goes over two lines, the grids in
  // large fields, a constraint continued after a trailing comma (its grid in field 9), tabs.
  writeFile("parts/props.inc", "PROD,1,1,2.\nMAT1,1,1.E+7,,.3,.1\n");
  writeFile("split.dat", staticDeck("GRID*   1                               0.              0.\n*       0.\n"
                                    "grid,2,,100.,0.,0.\nCROD,1,1,1,2\nINCLUDE 'parts/\n  props.inc'\n"
                                    "FORCE,1,2,0,1000.,1.\nSPC1\t1\t123456\t1\nSPC1,1,23,,,,,,,\n2\n"));
  ASSERT_EQ(run({"rod.dat"}).exitCode, 0);
  ToolRun run = this->run({"split.dat"});
  ASSERT_EQ(run.exitCode, 0) << run.standardError;
  EXPECT_EQ(readFile("split.op2"), readFile("rod.op2"));
}

TEST_F(LibraryDeckTest, CardsTheConversionDoesNotKnowAreRefusedByName) {
  writeFile("parts/gaps.inc", "$ gaps\nCGAP,7,7,1,2,0.,0.,1.\nPGAP,7\n");
  writeFile("gap.dat", staticDeck(std::string(kRodBulk) + "INCLUDE 'parts/gaps.inc'\n"));
  ToolRun run = this->run({"gap.dat"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.standardError,
            "nastran-ccx: parts/gaps.inc:2: CGAP: not solved by nastran-ccx (unknown card to its CalculiX conversion)\n");
}

TEST_F(LibraryDeckTest, ProblemsInIncludedFilesNameThoseFiles) {
  writeFile("parts/rods.inc", "CROD,5,1,1,\n+,9\n");
  writeFile("rods.dat", staticDeck(std::string(kRodBulk) + "INCLUDE 'parts/rods.inc'\n"));
  ToolRun bad = run({"rods.dat"});
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_EQ(bad.standardError, "nastran-ccx: parts/rods.inc:1: CROD 5: field 4 (G2) is blank\n");

  writeFile("parts/loop.inc", "INCLUDE 'loop.inc'\n");
  writeFile("loop.dat", staticDeck(std::string(kRodBulk) + "INCLUDE 'parts/loop.inc'\n"));
  ToolRun loop = run({"loop.dat"});
  EXPECT_EQ(loop.standardError,
            "nastran-ccx: parts/loop.inc:1: INCLUDE 'loop.inc': an include loop (parts/loop.inc -> parts/loop.inc)\n");
}

TEST_F(LibraryDeckTest, ASelectedLoadSetThatNoCardDefinesIsRefused) {
  writeFile("noload.dat", staticDeck(kRodBulk, "  LOAD = 7\n  SPC = 1\n"));
  ToolRun run = this->run({"noload.dat"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.standardError, "nastran-ccx: noload.dat:8: SUBCASE 1: LOAD = 7: no load set 7 in the bulk data\n");
}

}  // namespace
}  // namespace nastranccx::testing
