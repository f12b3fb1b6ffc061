// Executive and case control: SOL by number or name, subcases with their selections and output
// requests, the defaults above the first subcase, SET lists over several lines.
#include <gtest/gtest.h>

#include "deck_text.h"

namespace nastran::testing {
namespace {

Deck readDeck(const std::string& text) {
  MemoryFiles files;
  return readDeckText(text, "deck.dat", files);
}

std::string withCaseControl(const std::string& caseControl) {
  return "SOL 101\nCEND\n" + caseControl + "BEGIN BULK\nENDDATA\n";
}

TEST(ExecutiveControl, SolutionByNumberOrName) {
  Deck byNumber = readDeck("ID plate\nSOL 103\nTIME 10\nCEND\nBEGIN BULK\nENDDATA\n");
  ASSERT_TRUE(byNumber.executive.solution);
  EXPECT_EQ(byNumber.executive.solution->number, 103);
  EXPECT_EQ(byNumber.executive.solution->name, "SEMODES");
  EXPECT_EQ(byNumber.executive.solutionPosition, 1u);
  ASSERT_EQ(byNumber.executive.statements.size(), 2u);
  EXPECT_EQ(byNumber.executive.statements[1].text, "TIME 10");

  Deck byName = readDeck("sol sestatic\ncend\nbegin bulk\nenddata\n");
  EXPECT_EQ(byName.executive.solution->number, 101);
  EXPECT_EQ(byName.executive.solution->name, "SESTATIC");
  Deck unknown = readDeck("SOL MYDMAP\nCEND\nBEGIN BULK\nENDDATA\n");
  EXPECT_FALSE(unknown.executive.solution->number);
  EXPECT_EQ(unknown.executive.solution->name, "MYDMAP");
}

TEST(ExecutiveControl, SectionsMissingOrOutOfOrderAreRefused) {
  EXPECT_EQ(readError("SOL 101\nBEGIN BULK\nENDDATA\n"), "deck.dat:2: BEGIN BULK before CEND");
  EXPECT_EQ(readError("SOL 101\n"), "deck.dat: no CEND line (is this a Nastran deck?)");
  EXPECT_EQ(readError("SOL 101\nCEND\nLOAD = 1\n"), "deck.dat: no BEGIN BULK line");
  EXPECT_EQ(readError("SOL 101\nCEND\nBEGIN BULK\nGRID,1\n"), "deck.dat: no ENDDATA line (the deck may be truncated)");
  EXPECT_EQ(readError("SOL 101\nSOL 103\nCEND\nBEGIN BULK\nENDDATA\n"),
            "deck.dat:2: SOL 103: a second SOL statement (the first is at line 1)");
}

TEST(ExecutiveControl, WithoutEnddataWhenAllowed) {
  MemoryFiles files;
  Deck deck = readDeckText("SOL 101\nCEND\nBEGIN BULK\nGRID,1\nGRID,2\n", "deck.dat", files, {},
                           ReadOptions{.requireEndData = false});
  EXPECT_EQ(deck.bulk.grids.size(), 2u);
  EXPECT_FALSE(deck.endData);
  Deck ended = readDeck("SOL 101\nCEND\nBEGIN BULK\nGRID,1\nENDDATA\nGRID,2\n");
  EXPECT_EQ(ended.bulk.grids.size(), 1u);  // nothing after ENDDATA is read
  EXPECT_EQ(ended.endData, (Location{0, 5}));
}

TEST(CaseControl, SubcasesKeepTheirSelectionsAndTheDefaultsAbove) {
  Deck deck = readDeck(withCaseControl(
      "TITLE = Wing Box, rev. B\nECHO = NONE\nSPC = 1\nDISP(PLOT,SORT1) = ALL\n"
      "SUBCASE 1\n  SUBTITLE = Up\n  LABEL = pressure\n  LOAD = 10\n  STRESS = ALL\n"
      "SUBCASE 2\n  LOAD = 20\n  SPC = 2\n  MPC = 3\n  TEMPERATURE(LOAD) = 4\n  TEMP(INIT) = 5\n  METHOD = 6\n"
      "  SPCFORCES = NONE\n  FORCE(REAL) = 7\n  SET 7 = 1 THRU 10, 20\n"));
  const CaseControl& control = deck.caseControl;
  EXPECT_EQ(control.global.title, "Wing Box, rev. B");
  EXPECT_EQ(control.global.spc, 1);
  ASSERT_EQ(control.global.outputs.size(), 1u);
  EXPECT_EQ(control.global.outputs[0].name, "DISPLACEMENT");
  EXPECT_EQ(control.global.outputs[0].describers, (std::vector<std::string>{"PLOT", "SORT1"}));
  EXPECT_EQ(control.global.others.at(0).text, "ECHO = NONE");
  ASSERT_EQ(control.subcases.size(), 2u);

  Subcase first = control.effective(control.subcases[0]);
  EXPECT_EQ(first.id, 1);
  EXPECT_EQ(first.subtitle, "Up");
  EXPECT_EQ(first.label, "pressure");
  EXPECT_EQ(first.load, 10);
  EXPECT_EQ(first.spc, 1);  // from above the first subcase
  EXPECT_EQ(first.title, "Wing Box, rev. B");
  EXPECT_TRUE(first.findOutput("DISPLACEMENT"));
  EXPECT_TRUE(first.findOutput("STRESS"));

  const Subcase& second = control.subcases[1];
  EXPECT_EQ(second.load, 20);
  EXPECT_EQ(second.spc, 2);
  EXPECT_EQ(second.mpc, 3);
  EXPECT_EQ(second.temperatureLoad, 4);
  EXPECT_EQ(second.temperatureInitial, 5);
  EXPECT_FALSE(second.temperatureMaterial);
  EXPECT_EQ(second.method, 6);
  EXPECT_EQ(second.findOutput("SPCFORCES")->target, "NONE");
  EXPECT_EQ(second.findOutput("FORCE")->setId(), 7);
  EXPECT_EQ(second.locationOf("LOAD"), (Location{0, 13}));
  EXPECT_EQ(control.effectiveSubcases().size(), 2u);
}

TEST(CaseControl, ADeckWithoutSubcasesHasOneCase) {
  Deck deck = readDeck(withCaseControl("LOAD = 1\nTEMPERATURE = 3\n"));
  std::vector<Subcase> cases = deck.caseControl.effectiveSubcases();
  ASSERT_EQ(cases.size(), 1u);
  EXPECT_EQ(cases[0].id, 1);
  EXPECT_EQ(cases[0].load, 1);
  EXPECT_EQ(cases[0].temperatureLoad, 3);  // TEMPERATURE alone is BOTH: load and material
  EXPECT_EQ(cases[0].temperatureMaterial, 3);
}

TEST(CaseControl, SetListsGoOnOverLines) {
  Deck deck = readDeck(withCaseControl(
      "SET 1 = 1 THRU 10, 20,\n   30 THRU 40 BY 5,\n 100 THRU 200 EXCEPT 150, 160, 300\nSET 2 = ALL\nSET 3 = 1.5, 2.5\n"));
  const Subcase& global = deck.caseControl.global;
  ASSERT_EQ(global.sets.size(), 3u);
  const CaseSet& set = global.sets[0];
  EXPECT_EQ(set.at.line, 3u);
  for (int in : {1, 5, 10, 20, 30, 35, 40, 100, 149, 151, 200, 300}) EXPECT_TRUE(set.contains(in)) << in;
  for (int out : {0, 11, 19, 31, 45, 150, 160, 201}) EXPECT_FALSE(set.contains(out)) << out;
  EXPECT_TRUE(global.sets[1].all);
  EXPECT_EQ(global.sets[2].reals, (std::vector<double>{1.5, 2.5}));
}

TEST(CaseControl, OutputPlotPacketsAreKeptAsWritten) {
  Deck deck = readDeck(withCaseControl("LOAD = 1\nOUTPUT(PLOT)\nSET 1 = ALL\nFIND SCALE\n"));
  EXPECT_TRUE(deck.caseControl.global.sets.empty());
  ASSERT_EQ(deck.caseControl.plotPackets.size(), 3u);
  EXPECT_EQ(deck.caseControl.plotPackets[1].text, "SET 1 = ALL");
}

TEST(CaseControl, StatementsItCannotTakeAreRefusedWithTheirLine) {
  EXPECT_EQ(readError(withCaseControl("LOAD = ONE\n")), "deck.dat:3: LOAD = ONE: a positive set ID is expected");
  EXPECT_EQ(readError(withCaseControl("SUBCASE 2\nSUBCASE 1\n")),
            "deck.dat:4: SUBCASE 1: subcase numbers must increase (SUBCASE 2 comes before it)");
  EXPECT_EQ(readError(withCaseControl("SUBCASE\n")), "deck.dat:3: 'SUBCASE' needs a positive subcase number");
  EXPECT_EQ(readError(withCaseControl("DISP = SOME\n")), "deck.dat:3: DISP = SOME: ALL, NONE or a set ID is expected");
  EXPECT_EQ(readError(withCaseControl("SET 4 = 1 THRU\n")), "deck.dat:3: SET 4: the list ends early");
  EXPECT_EQ(readError(withCaseControl("SET 4 = 10 THRU 1\n")), "deck.dat:3: SET 4: THRU range ends before it starts");
  EXPECT_EQ(readError(withCaseControl("TEMP(WHAT) = 1\n")),
            "deck.dat:3: TEMP(WHAT): the describer must be LOAD, INITIAL, MATERIAL or BOTH");
}

}  // namespace
}  // namespace nastran::testing
