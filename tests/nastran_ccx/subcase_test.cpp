// Several subcases, the loads and constraints each selects (FORCE1, LOAD combinations, SPC,
// SPCADD, SPCD), temperatures (TEMP, TEMPD, TEMPERATURE(LOAD/INITIAL/BOTH)) and SPC forces,
// each against a hand calculation or against the subcase solved alone.
#include <cmath>

#include "decks.h"
#include "resultfiles/neutral_file.h"
#include "resultfiles/op2_tables.h"
#include "tool_runner.h"

namespace nastranccx::testing {
namespace {

using resultfiles::SubcaseResults;

class SubcaseTest : public NastranCcxTest {
 protected:
  std::vector<SubcaseResults> solve(const std::string& name, const std::string& deck) {
    writeFile(name, deck);
    ToolRun run = this->run({name});
    EXPECT_EQ(run.exitCode, 0) << run.standardError;
    std::string op2 = std::filesystem::path(name).replace_extension(".op2").string();
    if (run.exitCode != 0) return {};
    return resultfiles::readStaticResults(readFile(op2), op2);
  }
};

// Component `axis` (0-5) of grid `grid` in a list of grid rows; fails when the grid is missing.
double valueAt(const std::vector<resultfiles::GridValues>& rows, int grid, int axis) {
  for (const resultfiles::GridValues& row : rows)
    if (row.grid == grid) return row.values[axis];
  ADD_FAILURE() << "no row for grid " << grid;
  return NAN;
}

double rodStress(const SubcaseResults& subcase, int element) {
  for (const auto& rod : subcase.rods)
    if (rod.element == element) return rod.axial;
  ADD_FAILURE() << "no stress for rod " << element;
  return NAN;
}

// A bar of L = 100, A = 2, E = 1e7, alpha = 1e-5, TREF = 20 along X; grid 1 fixed.
const char* kHeatedBarBulk =
    "GRID,1,,0.,0.,0.\nGRID,2,,100.,0.,0.\nCROD,1,1,1,2\nPROD,1,1,2.\n"
    "MAT1,1,1.E+7,,.3,,1.-5,20.\n"
    "SPC1,1,123,1\nSPC1,1,23,2\n"      // one end free along the bar
    "SPC1,2,123,1,2\n"                   // both ends fixed
    "TEMP,10,1,120.,2,120.\n"            // dT = 100 against TREF
    "TEMPD,12,120.\n"
    "TEMPD,11,70.\n";

TEST_F(SubcaseTest, HeatedBarGrowsFreeAndIsCompressedWhenHeld) {
  REQUIRE_CCX();
  std::string deck =
      "SOL 101\nCEND\n"
      "SUBCASE 1\n  SPC = 1\n  TEMPERATURE(LOAD) = 10\n"
      "SUBCASE 2\n  SPC = 2\n  TEMPERATURE = 10\n"  // BOTH: the load set as well
      "SUBCASE 3\n  SPC = 1\n  TEMPERATURE(LOAD) = 12\n"
      "SUBCASE 4\n  SPC = 2\n"
      "BEGIN BULK\n" + std::string(kHeatedBarBulk) + "ENDDATA\n";
  std::vector<SubcaseResults> subcases = solve("heated.dat", deck);
  ASSERT_EQ(subcases.size(), 4u);
  const double growth = 1e-5 * 100 * 100, held = -1e7 * 1e-5 * 100;
  // Free: alpha dT L, no stress, no reaction.
  for (int index : {0, 2}) {
    EXPECT_NEAR(valueAt(subcases[index].displacements, 2, 0), growth, 1e-6 * growth) << "subcase " << index + 1;
    EXPECT_NEAR(rodStress(subcases[index], 1), 0.0, 1e-3);
  }
  // Held at both ends: -E alpha dT, and the walls push with the stress times the area.
  EXPECT_NEAR(rodStress(subcases[1], 1), held, 1e-6 * std::abs(held));
  EXPECT_NEAR(valueAt(subcases[1].spcForces, 1, 0), -held * 2, 1e-3);
  EXPECT_NEAR(valueAt(subcases[1].spcForces, 2, 0), held * 2, 1e-3);
  EXPECT_EQ(valueAt(subcases[1].displacements, 2, 0), 0.0);
  // A subcase without temperatures is at the initial state again.
  EXPECT_NEAR(rodStress(subcases[3], 1), 0.0, 1e-3);
  EXPECT_EQ(subcases[3].subcase, 4);
}

TEST_F(SubcaseTest, InitialTemperaturesReplaceTheReferenceTemperature) {
  REQUIRE_CCX();
  std::string deck = "SOL 101\nCEND\nTEMPERATURE(INITIAL) = 11\n"
                     "SUBCASE 1\n  SPC = 1\n  TEMPERATURE(LOAD) = 10\n"
                     "SUBCASE 2\n  SPC = 2\n  TEMPERATURE(LOAD) = 10\n"
                     "BEGIN BULK\n" + std::string(kHeatedBarBulk) + "ENDDATA\n";
  std::vector<SubcaseResults> subcases = solve("initial.dat", deck);
  ASSERT_EQ(subcases.size(), 2u);
  // dT = 120 - 70, not 120 - TREF.
  EXPECT_NEAR(valueAt(subcases[0].displacements, 2, 0), 1e-5 * 50 * 100, 1e-9);
  EXPECT_NEAR(rodStress(subcases[1], 1), -1e7 * 1e-5 * 50, 1e-3);
}

// A triangle of rods in the XY plane. Subcase 1 pulls grid 2 along X; subcase 2 applies
// LOAD 5 = 2 (1.5 FORCE 2 - FORCE1 3) with other supports, made of SPC and SPC1 by SPCADD.
const char* kTriangleBulk =
    "GRID,1,,0.,0.,0.,,3456\nGRID,2,,100.,0.,0.,,3456\nGRID,3,,100.,100.,0.,,3456\n"
    "CROD,1,1,1,2\nCROD,2,1,2,3\nCROD,3,1,1,3\nPROD,1,1,2.\nMAT1,1,1.E+7,,.3\n"
    "FORCE,1,2,0,1000.,1.,0.,0.\n"
    "FORCE,2,3,0,500.,0.,1.,0.\n"
    "FORCE1,3,2,10.,1,3\n"
    "LOAD,5,2.,1.5,2,-1.,3\n"
    "SPC1,1,12,1\nSPC1,1,2,2\n"
    "SPC,11,1,12,0.\n"
    "SPC1,12,1,3\n"
    "SPCADD,2,11,12\n";

std::string triangleDeck(const std::string& subcases) {
  return "SOL 101\nCEND\nTITLE = triangle\n" + subcases + "BEGIN BULK\n" + kTriangleBulk + "ENDDATA\n";
}

TEST_F(SubcaseTest, EachSubcaseBalancesItsOwnLoadsAndEqualsItselfSolvedAlone) {
  REQUIRE_CCX();
  const std::string first = "SUBCASE 1\n  SUBTITLE = pull\n  LOAD = 1\n  SPC = 1\n";
  const std::string second = "SUBCASE 2\n  LABEL = combined\n  LOAD = 5\n  SPC = 2\n";
  std::vector<SubcaseResults> both = solve("both.dat", triangleDeck(first + second));
  std::vector<SubcaseResults> alone1 = solve("first.dat", triangleDeck(first));
  std::vector<SubcaseResults> alone2 = solve("second.dat", triangleDeck(second));
  ASSERT_EQ(both.size(), 2u);
  ASSERT_EQ(alone1.size(), 1u);
  ASSERT_EQ(alone2.size(), 1u);
  EXPECT_EQ(both[0].subcase, 1);
  EXPECT_EQ(both[1].subcase, 2);
  EXPECT_EQ(both[1].loadSet, 5);
  EXPECT_EQ(both[0].subtitle, "pull");
  EXPECT_EQ(both[1].label, "combined");

  // Applied loads by hand: FORCE1 3 pushes grid 2 along 1 -> 3, (1, 1) / sqrt(2).
  const double along = 10 / std::sqrt(2.0);
  const double applied[2][2] = {{1000, 0}, {2 * (0 - along), 2 * (1.5 * 500 - along)}};
  for (int index = 0; index < 2; ++index) {
    const SubcaseResults& alone = index == 0 ? alone1[0] : alone2[0];
    for (int axis = 0; axis < 2; ++axis) {
      double reactions = 0;
      for (const auto& row : both[index].spcForces) reactions += row.values[axis];
      EXPECT_NEAR(reactions, -applied[index][axis], 1e-3) << "subcase " << index + 1 << " axis " << axis + 1;
    }
    ASSERT_EQ(both[index].displacements.size(), alone.displacements.size());
    for (std::size_t row = 0; row < alone.displacements.size(); ++row)
      for (int axis = 0; axis < 3; ++axis)
        EXPECT_NEAR(both[index].displacements[row].values[axis], alone.displacements[row].values[axis],
                    1e-6 * (1e-3 + std::abs(alone.displacements[row].values[axis])))
            << "subcase " << index + 1 << " grid " << alone.displacements[row].grid;
    for (int rod = 1; rod <= 3; ++rod)
      EXPECT_NEAR(rodStress(both[index], rod), rodStress(alone, rod), 1e-3) << "rod " << rod;
  }
  // Subcase 1 by hand: rod 1 carries the pull alone; grid 2 moves F L / (E A).
  EXPECT_NEAR(rodStress(both[0], 1), 500.0, 1e-3);
  EXPECT_NEAR(valueAt(both[0].displacements, 2, 0), 0.005, 1e-9);
}

TEST_F(SubcaseTest, NeutralResultsHoldOneOutputSetPerSubcase) {
  REQUIRE_CCX();
  writeFile("both.nas", triangleDeck("SUBCASE 1\n  LOAD = 1\n  SPC = 1\nSUBCASE 7\n  LOAD = 5\n  SPC = 2\n"));
  ToolRun run = this->run({"both.nas"});
  ASSERT_EQ(run.exitCode, 0) << run.standardError;
  resultfiles::NeutralFile file = resultfiles::readNeutral(readFile("both.fno"), "both.fno");
  ASSERT_EQ(file.sets.size(), 2u);
  EXPECT_EQ(file.sets[0].subcase, 1);
  EXPECT_EQ(file.sets[1].subcase, 7);
}

// The rod of decks.h with grid 2 pulled 0.01 along X by SPCD: stress E 0.01 / L.
TEST_F(SubcaseTest, EnforcedDisplacementStrainsTheRod) {
  REQUIRE_CCX();
  std::string bulk = "GRID,1,,0.,0.,0.\nGRID,2,,100.,0.,0.\nCROD,1,1,1,2\nPROD,1,1,2.\nMAT1,1,1.E+7,,.3\n"
                     "SPC1,1,123,1\nSPC1,1,123,2\nSPCD,4,2,1,.01\nLOAD,6,1.,2.,4\n";
  std::vector<SubcaseResults> subcases =
      solve("pulled.dat", "SOL 101\nCEND\nSPC = 1\nSUBCASE 1\n  LOAD = 4\nSUBCASE 2\n  LOAD = 6\nSUBCASE 3\n"
                          "BEGIN BULK\n" + bulk + "ENDDATA\n");
  ASSERT_EQ(subcases.size(), 3u);
  for (int index = 0; index < 2; ++index) {
    double scale = index + 1.0;  // LOAD 6 doubles SPCD 4
    EXPECT_NEAR(valueAt(subcases[index].displacements, 2, 0), 0.01 * scale, 1e-9);
    EXPECT_NEAR(rodStress(subcases[index], 1), 1000.0 * scale, 1e-3);
    EXPECT_NEAR(valueAt(subcases[index].spcForces, 2, 0), 2000.0 * scale, 1e-2);
    EXPECT_NEAR(valueAt(subcases[index].spcForces, 1, 0), -2000.0 * scale, 1e-2);
  }
  EXPECT_EQ(valueAt(subcases[2].displacements, 2, 0), 0.0);
}

TEST_F(SubcaseTest, EnforcedDisplacementOfAFreeDofIsRefused) {
  std::string deck = staticDeck(std::string(kRodBulk) + "SPCD,1,2,1,.01\n");
  writeFile("free.dat", deck);
  ToolRun run = this->run({"free.dat"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.standardError.find("free.dat:21: SPCD 1: grid 2 DOF 1 is not constrained in subcase 1"),
            std::string::npos)
      << run.standardError;
  EXPECT_FALSE(exists("free.op2"));
}

TEST_F(SubcaseTest, SettingsThatLeaveTheAnswerAreNotedAndOthersRefused) {
  REQUIRE_CCX();
  writeFile("noted.dat", staticDeck(std::string(kRodBulk) + "PARAM,POST,-1\nPARAM,AUTOSPC,YES\nPARAM,POST,-2\n"
                                                             "MDLPRM,HDF5,0\nPARAM,WTMASS,2.59-3\nPARAM,COUPMASS,-1\n"));
  ToolRun noted = run({"noted.dat"});
  ASSERT_EQ(noted.exitCode, 0) << noted.standardError;
  EXPECT_EQ(noted.standardError,
            "nastran-ccx: noted.dat: ignored, as they do not change a linear static answer: POST, AUTOSPC, "
            "COUPMASS, MDLPRM HDF5\n");

  for (const char* param : {"PARAM,LGDISP,1\n", "PARAM,SNORM,20.\n", "PARAM,WTMASS,0.\n", "PARAM,COUPMASS,1\n"}) {
    writeFile("refused.dat", staticDeck(std::string(kRodBulk) + param));
    ToolRun refused = run({"refused.dat"});
    EXPECT_EQ(refused.exitCode, 2) << param;
    EXPECT_NE(refused.standardError.find("refused.dat:21: PARAM "), std::string::npos) << refused.standardError;
    EXPECT_FALSE(exists("refused.op2"));
  }
}

}  // namespace
}  // namespace nastranccx::testing
