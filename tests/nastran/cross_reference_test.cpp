// The cross-reference check: each kind of reference that leads nowhere, each ID used twice, with
// its exact message, in the order of the deck.
#include <gtest/gtest.h>

#include "deck_text.h"
#include "nastran/cross_reference.h"

namespace nastran::testing {
namespace {

// A plate of two quads on a bar, sound as it stands.
const std::string kSound =
    "GRID,1\nGRID,2,,1.\nGRID,3,,1.,1.\nGRID,4,,0.,1.\nGRID,5,,2.\nGRID,6,,2.,1.\n"
    "CQUAD4,10,1,1,2,3,4\nCQUAD4,11,1,2,5,6,3\nCBAR,12,2,1,2,0.,0.,1.\n"
    "PSHELL,1,1,.1,1\nPBARL,2,1,,ROD\n+,.1\nMAT1,1,7.E10,,.33,2700.\n"
    "FORCE,1,5,,100.,0.,0.,-1.\nPLOAD4,1,10,5.\nLOAD,2,1.,1.,1\nSPC1,1,123456,1,4\nTEMP,3,1,20.\n";

std::vector<std::string> problems(const std::string& bulk, const std::string& caseControl = "") {
  MemoryFiles files;
  Deck deck = readDeckText("SOL 101\nCEND\n" + caseControl + "BEGIN BULK\n" + bulk + "ENDDATA\n", "deck.dat", files);
  std::vector<std::string> messages;
  for (const DeckError& error : checkReferences(deck)) messages.emplace_back(error.what());
  return messages;
}

using Messages = std::vector<std::string>;

TEST(CrossReference, ASoundDeckHasNoProblem) {
  EXPECT_EQ(problems(kSound, "LOAD = 2\nSPC = 1\nTEMP(LOAD) = 3\nSET 5 = 10, 11\nSTRESS = 5\n"), Messages{});
}

TEST(CrossReference, MissingGridsPropertiesMaterialsAndSystems) {
  // kSound takes lines 4 to 21: the cards below start at line 22.
  EXPECT_EQ(problems(kSound + "CTRIA3,20,1,1,2,99\nCROD,21,7,1,2\nPROD,8,9,1.\nGRID,30,,,,,9\nCONM2,22,1,5,1.\n"),
            (Messages{"deck.dat:22: CTRIA3 20: grid 99 does not exist", "deck.dat:23: CROD 21: property 7 does not exist",
                      "deck.dat:24: PROD 8: material 9 does not exist",
                      "deck.dat:25: GRID 30: coordinate system 9 (CD) does not exist",
                      "deck.dat:26: CONM2 22: coordinate system 5 (CID) does not exist"}));
}

TEST(CrossReference, APropertyOfTheWrongKind) {
  EXPECT_EQ(problems(kSound + "CROD,21,1,1,2\nCBAR,22,1,1,2,0.,0.,1.\n"),
            (Messages{"deck.dat:22: CROD 21: property 1 is a PSHELL, a PROD is needed",
                      "deck.dat:23: CBAR 22: property 1 is a PSHELL, a PBAR or PBARL is needed"}));
}

TEST(CrossReference, IdsUsedTwiceNameTheFirst) {
  EXPECT_EQ(problems(kSound + "GRID,2\nCTRIA3,12,1,1,2,3\nPBAR,1,1\nMAT8,1,1.,1.,.3\nSPOINT,3\n"),
            (Messages{"deck.dat:22: GRID 2: ID 2 is already used by the GRID at line 5",
                      "deck.dat:23: CTRIA3 12: ID 12 is already used by the CBAR at line 12",
                      "deck.dat:24: PBAR 1: ID 1 is already used by the PSHELL at line 13",
                      "deck.dat:25: MAT8 1: ID 1 is already used by the MAT1 at line 16",
                      "deck.dat:26: SPOINT 3: ID 3 is already used by the GRID at line 6"}));
}

TEST(CrossReference, ScalarPointsAreRangesThatGridsAndOtherPointsMustNotOverlap) {
  EXPECT_EQ(problems(kSound + "SPOINT,100,THRU,2000000000\nCELAS2,30,1.,100,,1999999999\nSPOINT,500\nSPOINT,7,THRU,9\n"
                              "GRID,8\nCELAS2,31,1.,99\n"),
            (Messages{"deck.dat:24: SPOINT 500: ID 500 is already used by the SPOINT at line 22",
                      "deck.dat:26: GRID 8: ID 8 is already used by the SPOINT at line 25",
                      "deck.dat:27: CELAS2 31: grid 99 does not exist"}));
}

TEST(CrossReference, ElementLoadsAndSets) {
  EXPECT_EQ(problems(kSound + "PLOAD4,1,99,5.\nLOAD,4,1.,1.,77\nSPCADD,5,1,88\nPLOAD4,1,1000,5.,,,,THRU,1010\n"),
            (Messages{"deck.dat:22: PLOAD4 1: element 99 does not exist", "deck.dat:23: LOAD 4: load set 77 does not exist",
                      "deck.dat:24: SPCADD 5: SPC set 88 does not exist"}));
}

TEST(CrossReference, BarsNeedAnOrientation) {
  EXPECT_EQ(problems(kSound + "CBAR,20,2,1,2\nCBAR,21,2,1,2,2\nCBAR,22,2,1,2,99\n"),
            (Messages{"deck.dat:22: CBAR 20: no orientation: X1-X3 and G0 are blank",
                      "deck.dat:23: CBAR 21: the orientation grid G0 must differ from GA and GB",
                      "deck.dat:24: CBAR 22: grid 99 does not exist"}));
}

TEST(CrossReference, CaseControlSelectsSetsTheBulkDataHas) {
  EXPECT_EQ(problems(kSound, "SUBCASE 1\n  LOAD = 9\n  SPC = 1\nSUBCASE 2\n  LOAD = 1\n  MPC = 4\n  DISP = 6\n"
                             "  TEMP(INIT) = 3\n  SET 7 = ALL\n  SET 7 = 1\n"),
            (Messages{"deck.dat:4: SUBCASE 1: LOAD = 9: no load set 9 in the bulk data",
                      "deck.dat:8: SUBCASE 2: MPC = 4: no MPC set 4 in the bulk data",
                      "deck.dat:9: SUBCASE 2: DISPLACEMENT = 6: no SET 6",
                      "deck.dat:12: SUBCASE 2: SET 7 is defined twice"}));
}

TEST(CrossReference, ACoordinateSystemLoopIsAProblemOfTheDeck) {
  EXPECT_EQ(problems(kSound + "CORD2R,6,7,0.,0.,0.,0.,0.,1.\n+,1.\nCORD2R,7,6,0.,0.,0.,0.,0.,1.\n+,1.\n"),
            (Messages{"deck.dat:22: CORD2R 6: coordinate systems defined through one another in a loop: CORD2R 6 "
                      "(RID 7) -> CORD2R 7 (RID 6) -> CORD2R 6"}));
}

TEST(CrossReference, CardsPassedThroughMayBeWhatAReferenceMeans) {
  // A PLPLANE property, an EIGRL for METHOD, a CPYRAM element loaded by PLOAD4, a MAT4 material.
  EXPECT_EQ(problems(kSound + "CQUAD4,20,40,1,2,3,4\nPLPLANE,40,41\nEIGRL,50,,,6\nCPYRAM,60,40,1,2,3,4,5\n"
                              "PLOAD4,1,60,1.\nMAT4,41,10.\nPSHELL,42,41,.1\n",
                     "METHOD = 50\n"),
            Messages{});
}

TEST(CrossReference, RequireConsistentThrowsTheFirstProblem) {
  Deck deck = readBulk(kSound + "CROD,21,7,1,2\nCTRIA3,20,1,1,2,99\n");
  try {
    requireConsistent(deck);
    FAIL();
  } catch (const DeckError& error) {
    EXPECT_EQ(error.file(), "deck.dat");
    EXPECT_EQ(error.line(), 22u);
    EXPECT_EQ(error.subject(), "CROD 21");
    EXPECT_EQ(error.reason(), "property 7 does not exist");
  }
  EXPECT_NO_THROW(requireConsistent(readBulk(kSound)));
}

}  // namespace
}  // namespace nastran::testing
