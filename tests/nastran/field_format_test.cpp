// Every way a card's fields reach the reader: small, large and free field, tabs, each
// continuation form, comments; and the exact message for each line it cannot take.
#include <gtest/gtest.h>

#include "deck_text.h"

namespace nastran::testing {
namespace {

// GRID 7 at (1.5, -2, 300) with PS 123 and CD 0, in whatever form.
void expectGrid(const Deck& deck) {
  ASSERT_EQ(deck.bulk.grids.size(), 1u);
  const Grid& grid = deck.bulk.grids[0];
  EXPECT_EQ(grid.id, 7);
  EXPECT_EQ(grid.x, (Vec3{1.5, -2, 300}));
  EXPECT_EQ(grid.ps.digits(), "123");
  EXPECT_EQ(grid.origin.at.line, 4u);
}

TEST(FieldFormat, EveryFormOfOneCardReadsAlike) {
  expectGrid(readBulk(fixedLine({"GRID", "7", "", "1.5", "-2.", "3.+2", "", "123"})));
  expectGrid(readBulk(largeLine("GRID*", {"7", "", "1.5", "-2."}) + largeLine("*", {"300.", "", "123"})));
  expectGrid(readBulk("GRID,7,,1.5,-2.,300.,,123\n"));
  expectGrid(readBulk("GRID*,7,,1.5,-2.\n*,300.,,123\n"));
  expectGrid(readBulk("GRID\t7\t\t1.5\t-2.\t300.\t\t123\n"));
  expectGrid(readBulk("grid, 7 , , 1.5 ,-2.,3.e2,,123\r\n"));
  expectGrid(readBulk("GRID    7               1.5     -2.     300.            123     $ a comment\n"));
}

// A line's comment, commas and tabs are found wherever they stand: before, across and after the
// blocks of sixteen characters the reader looks at together, and a comma or tab in a comment
// changes nothing.
TEST(FieldFormat, CommentsCommasAndTabsCountWhereverTheyStand) {
  for (std::size_t blanks = 0; blanks <= 40; ++blanks) {
    std::string pad(blanks, ' ');
    SCOPED_TRACE("blanks: " + std::to_string(blanks));
    expectGrid(readBulk("GRID" + pad + ",7,,1.5,-2.,300.,,123\n"));
    expectGrid(readBulk("GRID,7,,1.5,-2.,300.,,123" + pad + "$ a comment, with\ta tab\n"));
    expectGrid(readBulk("GRID    7               1.5     -2.     300.            123" + pad.substr(0, 13) +
                        "$,\t\n"));
    expectGrid(readBulk("GRID\t7\t\t1.5\t-2.\t300.\t\t123" + pad.substr(0, 20) + "$,\n"));
    expectGrid(readBulk("GRID    7               1.5\t-2.\t300.\t\t123" + pad.substr(0, 20) + "$ a, b\n"));
  }
}

TEST(FieldFormat, FixedLinesEndAtColumnEighty) {
  std::string line = fixedLine({"GRID", "7", "", "1.5", "-2.", "300.", "", "123"}, "+");
  line.insert(line.size() - 1, std::string(9, ' ') + "IGNORED");
  expectGrid(readBulk(line));
}

// A CBAR over two lines: fields 9 on (pin flags, offsets) come from the continuation.
void expectBar(const Deck& deck) {
  ASSERT_EQ(deck.bulk.cbars.size(), 1u);
  const Cbar& bar = deck.bulk.cbars[0];
  EXPECT_EQ(bar.orientation.vector, (Vec3{0, 0, 1}));
  EXPECT_EQ(bar.pa.digits(), "45");
  EXPECT_EQ(bar.wb, (Vec3{0, 0, 0.25}));
}

TEST(FieldFormat, EveryContinuationFormCarriesTheFieldsThatFollow) {
  std::string first = fixedLine({"CBAR", "1", "2", "3", "4", "0.", "0.", "1."}, "+B1");
  expectBar(readBulk(first + fixedLine({"+B1", "45", "", "", "", "", "", "", ".25"})));  // matching markers
  expectBar(readBulk(first + fixedLine({"+", "45", "", "", "", "", "", "", ".25"})));    // '+' alone
  expectBar(readBulk(first + fixedLine({"", "45", "", "", "", "", "", "", ".25"})));     // blank marker
  expectBar(readBulk(first + largeLine("*B1", {"45", "", "", ""}) + largeLine("*", {"", "", "", ".25"})));
  expectBar(readBulk("CBAR,1,2,3,4,0.,0.,1.\n+,45,,,,,,,.25\n"));
  expectBar(readBulk("CBAR,1,2,3,4,0.,0.,1.,,+B1\n+B1,45,,,,,,,.25\n"));
  expectBar(readBulk("CBAR,1,2,3,4,0.,0.,1.\n,45,,,,,,,.25\n"));          // a line starting with a comma
  expectBar(readBulk("CBAR,1,2,3,4,0.,0.,1.,\n45,,,,,,,.25\n"));          // a trailing comma
  expectBar(readBulk("CBAR,1,2,3,4,0.,0.,1.\n$ between\n\n+,45,,,,,,,.25\n"));  // comments between
  expectBar(readBulk("CBAR*,1,2,3,4\n*,0.,0.,1.\n+,45,,,,,,,.25\n"));     // large, then small
}

TEST(FieldFormat, ShortLinesStillEndTheirFieldGroup) {
  // Fields 5-8 of the first line are blank: the continuation starts at field 9.
  Deck deck = readBulk("SPC1,1,3,1,2\n+,3,4\n");
  ASSERT_EQ(deck.bulk.spc1s.size(), 1u);
  EXPECT_EQ(deck.bulk.spc1s[0].grids, (std::vector<int>{1, 2, 3, 4}));
}

TEST(FieldFormat, EachFieldKeepsItsOwnLine) {
  std::string bulk = "CBAR,1,2,3,4,0.,0.,1.\n$ comment\n+,45,,x\n";
  EXPECT_EQ(bulkError(bulk), "deck.dat:6: CBAR 1: field 11 (W1A) 'x' is not a number");
  Deck deck = readBulk("CHEXA,1,2,1,2,3,4,5,6\n+,7,8,,,,,,\n+,,,,,21,22\n");
  const Solid& hexa = deck.bulk.solids.at(0);
  EXPECT_EQ(deck.bulk.fieldLine(hexa.origin, 3), 4u);
  EXPECT_EQ(deck.bulk.fieldLine(hexa.origin, 9), 5u);
  EXPECT_EQ(deck.bulk.fieldLine(hexa.origin, 22), 6u);
}

TEST(FieldFormat, LinesThatAreNoCardAreRefusedWithTheirLine) {
  EXPECT_EQ(bulkError("+,1,2\nGRID,1\n"), "deck.dat:4: continuation line without a card before it");
  EXPECT_EQ(bulkError("12,3\n"), "deck.dat:4: '12,3' is not a bulk data card");
  EXPECT_EQ(bulkError("GRID,1\n12\n"), "deck.dat:5: '12' is not a bulk data card");
  EXPECT_EQ(readBulk("SPC1,1,23,,,,,,,\n2\n").bulk.spc1s.at(0).grids, (std::vector<int>{2}));  // after a trailing comma
  EXPECT_EQ(bulkError("GRID=1 0 0\n"), "deck.dat:4: 'GRID=1 0 0' is not a bulk data card");
  EXPECT_EQ(bulkError("SPC1,1,23,2,2,2,2,2,2,2,2,2\n"),
            "deck.dat:4: SPC1: 11 fields on one line; a small-field line holds at most 8, the rest go on "
            "continuation lines");
  EXPECT_EQ(bulkError("GRID*,1,,0.,0.,0.,0\n"),
            "deck.dat:4: GRID: 6 fields on one line; a large-field line holds at most 4, the rest go on "
            "continuation lines");
  EXPECT_EQ(bulkError(fixedLine({"CBAR", "1", "2", "3", "4", "0.", "0.", "1."}, "+A") + fixedLine({"+B", "45"})),
            "deck.dat:5: CBAR: continuation marker '+B' does not match '+A' at the end of line 4");
  EXPECT_EQ(bulkError("$ nothing\n,1\n"), "deck.dat:5: continuation line without a card before it");
}

TEST(FieldFormat, LowerCaseAndCommentsAnywhere) {
  Deck deck = readBulk("$ grids\ncrod,1,2,3,4 $ rod\nprod , 2 , 1 , 1.5\n");
  ASSERT_EQ(deck.bulk.crods.size(), 1u);
  EXPECT_EQ(deck.bulk.crods[0].g, (std::array<int, 2>{3, 4}));
  EXPECT_EQ(deck.bulk.crods[0].origin.at.line, 5u);
  EXPECT_EQ(deck.bulk.prods.at(0).a, 1.5);
}

}  // namespace
}  // namespace nastran::testing
