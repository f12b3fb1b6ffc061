// INCLUDE with real files: paths relative to the including file, names split over lines, and
// the exact message for a loop, a file that cannot be read and a name without its closing quote.
#include <gtest/gtest.h>

#include "deck_text.h"
#include "testing/temp_dir.h"

namespace nastran::testing {
namespace {

using testing_support::ScopedTempDir;

class IncludeTest : public ::testing::Test {
 protected:
  // The deck main.dat with these bulk lines (the first on line 4), read as "models/main.dat".
  Deck read(const std::string& bulk) {
    dir_.write("main.dat", deckWith(bulk));
    return readDeckFile(dir_ / "main.dat", "models/main.dat");
  }
  std::string error(const std::string& bulk) {
    try {
      read(bulk);
    } catch (const DeckError& failure) {
      return failure.what();
    }
    return "(read without error)";
  }

  ScopedTempDir dir_;
};

TEST_F(IncludeTest, RelativePathsStartAtTheIncludingFile) {
  dir_.write("sub/props.inc", "PSHELL,1,1,.25\nINCLUDE 'mats.inc'\nGRID,2\n");
  dir_.write("sub/mats.inc", "$ materials\nMAT1,1,2.E11,,.3\n");
  Deck deck = read("GRID,1\nINCLUDE 'sub/props.inc'\nGRID,3\n");
  ASSERT_EQ(deck.bulk.grids.size(), 3u);
  EXPECT_EQ(deck.files, (std::vector<std::string>{"models/main.dat", "models/sub/props.inc", "models/sub/mats.inc"}));
  EXPECT_EQ(deck.bulk.grids[1].origin.at, (Location{1, 3}));
  EXPECT_EQ(deck.bulk.grids[2].origin.at, (Location{0, 6}));
  EXPECT_EQ(deck.bulk.mat1s.at(0).origin.at, (Location{2, 2}));
}

TEST_F(IncludeTest, AnErrorInAnIncludedFileNamesThatFile) {
  dir_.write("sub/props.inc", "PSHELL,1,1,.25\nPSHELL,2,x\n");
  EXPECT_EQ(error("INCLUDE 'sub/props.inc'\n"), "models/sub/props.inc:2: PSHELL 2: field 2 (MID1) 'x' is not an integer");
}

TEST_F(IncludeTest, AQuotedNameMayGoOnOverSeveralLines) {
  dir_.write("sub/deep/props.inc", "PSHELL,1,1,.25\n");
  Deck deck = read("INCLUDE 'sub/\n   deep/\n  props.inc'\nGRID,1\n");
  EXPECT_EQ(deck.bulk.pshells.size(), 1u);
  EXPECT_EQ(deck.files.at(1), "models/sub/deep/props.inc");
  EXPECT_EQ(deck.bulk.grids.at(0).origin.at.line, 7u);
  Deck doubleQuoted = read("include \"sub/deep/props.inc\"\n");
  EXPECT_EQ(doubleQuoted.bulk.pshells.size(), 1u);
}

TEST_F(IncludeTest, IncludeWorksInEverySection) {
  dir_.write("exec.inc", "ID test\n");
  dir_.write("case.inc", "LOAD = 5\n");
  dir_.write("main.dat", "INCLUDE 'exec.inc'\nSOL 101\nCEND\nINCLUDE 'case.inc'\nBEGIN BULK\nENDDATA\n");
  Deck deck = readDeckFile(dir_ / "main.dat", "main.dat");
  EXPECT_EQ(deck.executive.statements.at(0).text, "ID test");
  EXPECT_EQ(deck.caseControl.global.load, 5);
}

TEST_F(IncludeTest, AFileThatIncludesItselfIsALoop) {
  dir_.write("sub/a.inc", "INCLUDE 'b.inc'\n");
  dir_.write("sub/b.inc", "GRID,1\nINCLUDE 'a.inc'\n");
  EXPECT_EQ(error("INCLUDE 'sub/a.inc'\n"),
            "models/sub/b.inc:2: INCLUDE 'a.inc': an include loop (models/sub/a.inc -> models/sub/b.inc -> "
            "models/sub/a.inc)");
  EXPECT_EQ(error("INCLUDE './main.dat'\n"),
            "models/main.dat:4: INCLUDE './main.dat': an include loop (models/main.dat -> models/main.dat)");
}

TEST_F(IncludeTest, AFileThatCannotBeReadIsNamedWithTheIncludingLine) {
  std::filesystem::create_directory(dir_ / "folder");
  EXPECT_EQ(error("GRID,1\nINCLUDE 'none.inc'\n"), "models/main.dat:5: INCLUDE 'none.inc': cannot read models/none.inc: no such file");
  EXPECT_EQ(error("INCLUDE 'folder'\n"), "models/main.dat:4: INCLUDE 'folder': cannot read models/folder: it is a folder, not a file");
  EXPECT_EQ(error("INCLUDE 'sub/\nprops.inc\n"), "models/main.dat:4: INCLUDE: the closing quote of the file name is missing");
  EXPECT_EQ(error("INCLUDE\n"), "models/main.dat:4: INCLUDE: no file named");
}

TEST_F(IncludeTest, ACardDoesNotGoOnIntoAnIncludedFile) {
  dir_.write("more.inc", "+,45\n");
  EXPECT_EQ(error("CBAR,1,2,3,4,0.,0.,1.\nINCLUDE 'more.inc'\n"),
            "models/more.inc:1: continuation line without a card before it");
}

TEST_F(IncludeTest, MissingDeckAndFolderAreRefused) {
  EXPECT_EQ(std::string(readError("")), "deck.dat: no CEND line (is this a Nastran deck?)");
  try {
    readDeckFile(dir_ / "none.dat", "none.dat");
    FAIL();
  } catch (const DeckError& error) {
    EXPECT_EQ(std::string(error.what()), "none.dat: cannot open the deck (does the file exist and is it readable?)");
  }
  try {
    readDeckFile(dir_.path(), "models");
    FAIL();
  } catch (const DeckError& error) {
    EXPECT_EQ(std::string(error.what()), "models: is a folder, not a deck");
  }
}

}  // namespace
}  // namespace nastran::testing
