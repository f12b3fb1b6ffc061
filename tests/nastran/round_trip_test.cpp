// A deck written and read again gives back the same cards: every card, every alternate form,
// in free field and in fixed columns, reals to the last bit.
#include <gtest/gtest.h>

#include <cmath>

#include "deck_text.h"
#include "nastran/deck_writer.h"
#include "testing/temp_dir.h"

namespace nastran::testing {
namespace {

const char* kEveryCard =
    "ID round trip\nSOL SESTATIC\nTIME 5\nCEND\n"
    "TITLE = Every card\nECHO = NONE\nSPC = 1\nDISP(PLOT,SORT1) = ALL\n"
    "SUBCASE 1\n  SUBTITLE = first\n  LABEL = up\n  LOAD = 3\n  METHOD = 50\n  TEMPERATURE(INITIAL) = 4\n"
    "  SET 7 = 1 THRU 10, 20, 30 THRU 40 BY 2 EXCEPT 32, 34\n  STRESS(SORT1) = 7\n"
    "SUBCASE 2\n  LOAD = 1\n  MPC = 5\n  TEMPERATURE = 4\n  SPCFORCES = NONE\n  SET 8 = 1.5, 2.5\n"
    "OUTPUT(PLOT)\nSET 1 = ALL\n"
    "BEGIN BULK\n"
    "PARAM,POST,-1\nPARAM,WTMASS,.00259\n"
    "CORD2R,1,,1.,2.,3.,1.,2.,4.\n+,2.,2.,3.\nCORD2C,3,1,0.,0.,0.,0.,0.,1.\n+,1.,0.,0.\nCORD1S,5,1,2,3,6,1,2,4\n"
    "GRID,1,,0.,0.,0.\nGRID,2,1,1.,0.,0.,3,123,2\nGRID,3,,.1,.2,.3\nGRID,4,,0.,1.,0.\nGRID,5,,1.23456789012345,-2.5E-17,1.E20\n"
    "GRID,6\nGRID,7\nGRID,8\nSPOINT,100,THRU,110\nSPOINT,120\n"
    "CROD,10,20,1,2\nCONROD,11,1,2,30,2.,.5,.1,.01\n"
    "CBAR,12,21,1,2,4\nCBAR,13,21,1,2,0.,0.,1.,GOO\n+,456,123,1.,2.,3.,4.,5.,6.\n"
    "CBEAM,14,22,1,2,0.,0.,1.,1.5\n+,,,,,,,,\n+,101,102\nCBEAM,15,23,1,2,4,,,BGG\n"
    "CBUSH,16,24,1,2,4,,,1\n+,.25,3,1.,2.,3.\nCBUSH,17,24,1\nCBUSH,18,24,1,2,0.,1.,0.\n"
    "CELAS1,19,25,1,1,2,2\nCELAS2,20,1.E5,1,6,,,.01,2.\nCELAS1,21,25,100,,101\n"
    "CQUAD4,22,26,1,2,3,4,30.,.1\n+,,1,.5,.6,.7,.8\nCTRIA3,23,26,1,2,3,5\nCQUADR,24,26,1,2,3,4\nCTRIAR,25,26,1,2,3\n"
    "CQUAD8,26,26,1,2,3,4,5,6\n+,7,,.1,.2,.3,.4,45.,.05\n+,1\nCTRIA6,27,26,1,2,3,4,,6\n+,3,-.1,.1,.2,.3,1\n"
    "CSHEAR,28,27,1,2,3,4\nCTETRA,29,28,1,2,3,4\nCTETRA,30,28,1,2,3,4,5,6\n+,7,8,,\n"
    "CPENTA,31,28,1,2,3,4,5,6\nCHEXA,32,28,1,2,3,4,5,6\n+,7,8,,,,,,\n+,,,,,,\n"
    "CONM2,33,1,3,10.,.1,.2,.3\n+,1.,.1,2.,.2,.3,3.\nCONM2,34,2,-1,5.\n"
    "RBE2,35,1,123456,2,3,4,5,6\n+,7,8,1.E-5,20.\nRBE2,36,1,12,2\n"
    "RBE3,37,,1,123456,1.,123,2,3\n+,4,.5,12,5,UM,6,456\n+,,7,4,ALPHA,1.E-6\nRBE3,38,,1,1,1.,1,2\n"
    "RBAR,39,1,2,123456,,,123,6.5-6\n"
    "PROD,20,30,3.\nPBAR,21,30,1.,2.,3.,4.,5.\n+,.1,.2,.3,.4,.5,.6,.7,.8\n+,.9,,.01\n"
    "PBARL,29,30,,I\n+,10.,8.,.5,.4,.6,.7,.1\n"
    "PBEAM,22,30,9.5,18.,98.,,.8\n+,0.,2.,0.,-2.\n+,NO,.5,6.5,5.4,35.5,,.56\n+,YES,1.,3.5,.7,7.3,,.3\n+,1.,,1.\n"
    "+,.9,.8,.1,.2,.3,,.5\n+,,,.7\nPBEAM,40,30,1.,2.,3.\nPBEAM,41,30,1.,2.,3.\n+,\n+,.5\n"
    "PBEAML,23,30,,T\n+,12.,14.8,2.5,26.,,NO,.4,6.\n+,7.,1.2,2.6,,YES,1.,5.6,2.3\n"
    "PBUSH,24,K,1.,2.,,4.\n+,,B,.1\n+,,GE,.01\n+,,RCV,,2.\n+,,M,3.\n"
    "PELAS,25,1.E3,,,42,2.E3,.02,1.\n"
    "PSHELL,26,30,.1,30,1.2,-1,.9,.01\n+,-.05,.1,30\nPSHELL,43,30,.1\n"
    "PCOMP,44,-.5,.1,1.E5,HILL,20.,.02,SYM\n+,31,.2,45.,YES,,,-45.\n+,32,.3\n"
    "PCOMPG,45\n+,101,31,.1,0.,YES\n+,102,,,90.\n"
    "PSHEAR,27,30,.3,.1,.2,.3\nPSOLID,28,30,1,2,GRID,FULL\n"
    "MAT1,30,2.E11,,.3,7850.,1.2-5,20.\n+,1.E8,2.E8,3.E8,1\nMAT1,46,,8.E10,.25\n"
    "MAT2,47,1.,2.,3.,4.,5.,6.,7.\n+,.1,.2,.3,20.,.01,1.,2.,3.\n+,1\n"
    "MAT8,31,1.5E11,9.E9,.3,5.E9,1.E9,,1600.\n+,1.-6,2.-6,20.,1.E9,,5.E7,6.E7,7.E7\n+,.01,-.5,1.\n"
    "MAT8,32,1.,2.,.3\n"
    "MAT9,48,1.,2.,3.,4.,5.,6.,7.\n+,8.,9.,10.,11.,12.,13.,14.,15.\n"
    "+,16.,17.,18.,19.,20.,21.,8000.,.1\n+,.2,.3,.4,.5,.6,20.,.05\n"
    "FORCE,1,2,,10.,1.,0.,0.\nMOMENT,1,2,3,5.,0.,0.,1.\nFORCE1,1,2,7.,3,4\nMOMENT1,1,2,8.,3,4\n"
    "PLOAD,1,-2.,1,2,3\nPLOAD,1,-2.,1,2,3,4\nPLOAD1,1,12,FZ,FR,0.,-10.,1.,-20.\nPLOAD1,1,12,MY,LE,.5,3.\n"
    "PLOAD2,1,3.,22,24\nPLOAD2,1,4.,22,THRU,24\n"
    "PLOAD4,1,22,2.\nPLOAD4,1,22,1.,2.,3.,4.,THRU,24\n+,1,0.,0.,1.,LINE,X\nPLOAD4,1,29,5.,,,,1,3\n"
    "GRAV,2,1,9.81,0.,0.,-1.,1\nLOAD,3,1.5,2.,1,-1.,2\nTEMP,4,1,20.,2,30.\nTEMPD,4,10.,5,15.\n"
    "SPC,1,2,123,.5,3,456\nSPC1,1,23,4,5\nSPC1,2,1,1,THRU,8\nSPCADD,6,1,2\nSPCD,3,5,3,.01\n"
    "MPC,5,1,1,1.,2,3,-1.\n+,,3,2,.5,4,1,.25\n+,,5,6,2.\nMPCADD,7,5\n"
    "EIGRL,50,,,6\nRFORCE,2,1,,100.,0.,0.,1.\n+,2\n"
    "ENDDATA\n";

Deck readText(const std::string& text) {
  MemoryFiles files;
  return readDeckText(text, "deck.dat", files);
}

void expectSameDeck(const Deck& read, const Deck& again) {
  EXPECT_TRUE(read.executive == again.executive);
  EXPECT_TRUE(read.caseControl == again.caseControl);
  EXPECT_TRUE(read.bulk == again.bulk);
  EXPECT_EQ(read.unreadSummary(), again.unreadSummary());
}

TEST(RoundTrip, EveryCardReadsBackTheSameInFreeAndFixedFields) {
  Deck deck = readText(kEveryCard);
  EXPECT_EQ(deck.unreadSummary(), "2 cards passed through unread: EIGRL (1), RFORCE (1)");
  for (FieldFormat format : {FieldFormat::Free, FieldFormat::Fixed}) {
    std::string written = formatDeck(deck, WriteOptions{.format = format});
    Deck again = readText(written);
    SCOPED_TRACE(written);
    expectSameDeck(deck, again);
    // Spot checks that equality means what it should.
    EXPECT_EQ(again.bulk.grids.at(4).x, (Vec3{1.23456789012345, -2.5e-17, 1e20}));
    EXPECT_EQ(again.bulk.pbeams.at(0).stations.size(), 3u);
    EXPECT_EQ(again.caseControl.subcases.at(0).sets.at(0).ranges.at(2).except, (std::vector<int>{32, 34}));
    EXPECT_EQ(formatDeck(again, WriteOptions{.format = format}), written) << "writing is not stable";
  }
}

TEST(RoundTrip, ChangedCardsWriteTheirNewValues) {
  Deck deck = readText(kEveryCard);
  deck.bulk.pshells.at(1).t = 0.125;
  deck.bulk.grids.at(2).x[1] = 0.123456789012345;
  deck.bulk.grids.at(2).x[2] = 1.0 / 3;
  deck.bulk.mat1s.at(0).e = 7e10;
  Deck again = readText(formatDeck(deck));
  EXPECT_EQ(again.bulk.pshells.at(1).t, 0.125);
  EXPECT_EQ(again.bulk.grids.at(2).x[1], 0.123456789012345);  // 15 significant digits fit a large field
  EXPECT_EQ(again.bulk.grids.at(2).x[2], 0.333333333333333);  // 16 do not: the nearest that fits
  EXPECT_FALSE(again.bulk.mat1s.at(0).g);          // G stays blank: it follows the new E
  EXPECT_DOUBLE_EQ(again.bulk.mat1s.at(0).shearModulus(), 7e10 / 2.6);
}

TEST(CardWriter, SmallFieldsWhenEveryValueFitsElseLargeFields) {
  std::string text;
  CardWriter cards(text);
  cards.write(Grid{.id = 1, .x = {0, 0.5, 100}});
  cards.write(Grid{.id = 2, .x = {1.0 / 3, 0, 0}});
  cards.card("EIGRL", {10, {}, {}, 6});
  cards.write(Plate{.shape = PlateShape::Quad4, .eid = 7, .pid = 2, .g = {1, 2, 3, 4}, .t = {0.1, {}, {}, {}}});
  EXPECT_EQ(text,
            "GRID,1,,,.5,100.\n"
            "GRID*,2,,.333333333333333\n"
            "EIGRL,10,,,6\n"
            "CQUAD4,7,2,1,2,3,4\n+,,,.1\n");

  std::string fixed;
  CardWriter columns(fixed, WriteOptions{.format = FieldFormat::Fixed});
  columns.write(Grid{.id = 1, .x = {0, 0.5, 100}});
  columns.write(Grid{.id = 2, .x = {1.0 / 3, 0, 0}});
  EXPECT_EQ(fixed,
            "GRID    1                       .5      100.\n"
            "GRID*   2                               .333333333333333\n");
}

TEST(CardWriter, ValuesThatCannotBeWrittenAreRefused) {
  std::string text;
  CardWriter cards(text);
  EXPECT_THROW(cards.write(Grid{.id = 1, .x = {NAN, 0, 0}}), std::invalid_argument);
  EXPECT_THROW(cards.card("PARAM", {"AVERYLONGPARAMETERNAME"}), std::invalid_argument);
}

TEST(DeckFile, WrittenWholeAndReadBack) {
  testing_support::ScopedTempDir dir;
  Deck deck = readText(kEveryCard);
  writeDeckFile(dir / "written.dat", deck);
  Deck again = readDeckFile(dir / "written.dat");
  expectSameDeck(deck, again);
}

}  // namespace
}  // namespace nastran::testing
