// Shear panels (CSHEAR with PSHEAR) solved through CalculiX, against statics and energy worked out
// by hand.
#include <array>
#include <cmath>
#include <map>
#include <sstream>
#include <string>

#include "decks.h"
#include "resultfiles/op2_file.h"
#include "resultfiles/op2_tables.h"
#include "tool_runner.h"

namespace nastranccx::testing {
namespace {

class ShearPanelTest : public NastranCcxTest {};

// A square panel a = 10, T = 0.1 (MAT1 E 1e7, NU 0.3: G = E / 2.6) in a frame of rods of area 1,
// its edge 1-4 held, pushed by P = 1000 along its edge 4-1 direction at grid 2; the whole turned
// 30 degrees about Z, so that the panel's axes are not the basic ones. The frame is statically
// determinate: the shear flow is q = P / a, the panel's stress q / T = 1000; the rods 1-2, 2-3,
// 3-4 carry +P/2, -P/2, -P/2 and 4-1 none. By energy, grid 2 moves along P by
// P / (G T) + 3 (P/2)**2 a / (E A) / P = P / (G T) + 3 P a / (4 E A). The answer does not hang
// on any stiffness the panel should not have: a membrane of the same G would carry part of the
// load in in-plane bending and take rod forces some 6 % below these.
TEST_F(ShearPanelTest, FramedPanelCarriesTheShearFlowOfStatics) {
  REQUIRE_CCX();
  const double pi = std::acos(-1.0), turn = 30 * pi / 180, c = std::cos(turn), s = std::sin(turn);
  const double a = 10, t = 0.1, e = 1e7, g = e / 2.6, p = 1000;
  const std::map<int, std::pair<double, double>> corners = {{1, {0, 0}}, {2, {a, 0}}, {3, {a, a}}, {4, {0, a}}};
  std::string bulk;
  for (const auto& [id, xy] : corners)
    bulk += "GRID," + std::to_string(id) + ",," + number(c * xy.first - s * xy.second) + "," +
            number(s * xy.first + c * xy.second) + ",0.\n";
  bulk += "CSHEAR,1,1,1,2,3,4\nPSHEAR,1,1," + number(t) + "\nMAT1,1," + number(e) +
          ",,.3\nCROD,11,2,1,2\nCROD,12,2,2,3\nCROD,13,2,3,4\nCROD,14,2,4,1\nPROD,2,1,1.\n"
          "SPC1,1,123,1,4\nSPC1,1,3,2,3\nFORCE,1,2,," + number(p) + "," + number(-s) + "," + number(c) + ",0.\n";
  resultfiles::SubcaseResults results = solveDeck("framed", bulk);
  ASSERT_EQ(results.shearPanels.size(), 1u);
  EXPECT_EQ(results.shearPanels[0].element, 1);
  EXPECT_NEAR(results.shearPanels[0].averageShear, p / (a * t), 1e-4 * p / (a * t));
  EXPECT_NEAR(results.shearPanels[0].maxShear, p / (a * t), 1e-4 * p / (a * t));
  const std::map<int, double> rodForces = {{11, p / 2}, {12, -p / 2}, {13, -p / 2}, {14, 0}};
  ASSERT_EQ(results.rods.size(), 4u);
  for (const resultfiles::RodStress& rod : results.rods)
    EXPECT_NEAR(rod.axial, rodForces.at(rod.element), 1e-4 * p) << "CROD " << rod.element;
  // The supports at grids 1 and 4 hold the load, the panel's share of it included: +-P along
  // the panel's x axis, and -P along P between them.
  std::map<int, std::array<double, 3>> reactions;
  for (const resultfiles::GridValues& row : results.spcForces)
    reactions[row.grid] = {row.values[0], row.values[1], row.values[2]};
  ASSERT_TRUE(reactions.count(1) && reactions.count(4));
  auto along = [&](int grid, double x, double y) { return x * reactions[grid][0] + y * reactions[grid][1]; };
  EXPECT_NEAR(along(1, c, s), -p, 1e-4 * p);
  EXPECT_NEAR(along(4, c, s), p, 1e-4 * p);
  EXPECT_NEAR(along(1, -s, c) + along(4, -s, c), -p, 1e-4 * p);
  double expected = p / (g * t) + 3 * p * a / (4 * e * 1.0);
  for (const resultfiles::GridValues& row : results.displacements)
    if (row.grid == 2) {
      EXPECT_NEAR(-s * row.values[0] + c * row.values[1], expected, 1e-4 * expected);
    }
}

// PSHEAR's effectiveness: F1 = F2 = 1 makes the panel as stiff in extension as a sheet of T
// (rods of F T PA / (L12 + L34) = 0.5 on each edge), F1 = F2 = 30 gives rods of 0.5 F T**2 = 0.15.
// The panel pulled by P = 1000 along its 1-2 edges stretches P a / (E * 2 A) and carries no shear;
// the rods are no elements of the deck and show in no results. Nothing holds the grids across the
// panel, which stiffens them in its plane only: unloaded there, they are held as Nastran's AUTOSPC
// holds them; loaded across it, the model is a mechanism, which fails naming the grid.
TEST_F(ShearPanelTest, EffectivenessStiffensTheEdgesAsRods) {
  REQUIRE_CCX();
  const double a = 10, t = 0.1, e = 1e7, p = 1000;
  for (double f : {1.0, 30.0}) {
    SCOPED_TRACE("F " + number(f));
    std::string bulk = "GRID,1,,0.,0.,0.\nGRID,2,,10.,0.,0.\nGRID,3,,10.,10.,0.\nGRID,4,,0.,10.,0.\n"
                       "CSHEAR,1,1,1,2,3,4\nPSHEAR,1,1," + number(t) + ",," + number(f) + "," + number(f) +
                       "\nMAT1,1," + number(e) + ",,.3\nSPC1,1,1,1,4\nSPC1,1,2,1\n"
                       "FORCE,1,2,,500.,1.,0.,0.\nFORCE,1,3,,500.,1.,0.,0.\n";
    resultfiles::SubcaseResults results = solveDeck(f > 1 ? "stiffened" : "effective", bulk);
    double area = f > 1.01 ? 0.5 * f * t * t : f * t * a * a / (2 * a);
    double stretch = p * a / (e * 2 * area);
    for (const resultfiles::GridValues& row : results.displacements)
      if (row.grid == 2 || row.grid == 3) {
        EXPECT_NEAR(row.values[0], stretch, 1e-4 * stretch) << "grid " << row.grid;
      }
    ASSERT_EQ(results.shearPanels.size(), 1u);
    EXPECT_NEAR(results.shearPanels[0].averageShear, 0.0, 1e-4 * p / (a * t));
    EXPECT_TRUE(results.rods.empty());
  }
  // Heated, the rods would grow as bars, which a panel's effectiveness does not: refused.
  writeFile("heated.dat", staticDeck("GRID,1,,0.,0.,0.\nGRID,2,,10.,0.,0.\nGRID,3,,10.,10.,0.\nGRID,4,,0.,10.,0.\n"
                                     "CSHEAR,1,1,1,2,3,4\nPSHEAR,1,1,.1,,1.,1.\nMAT1,1,1.E+7,,.3,,1.E-5\n"
                                     "SPC1,1,1,1,4\nSPC1,1,2,1\nSPC1,1,3,1,2,3,4\nTEMPD,5,100.\n",
                                     "  SPC = 1\n  TEMPERATURE(LOAD) = 5\n"));
  ToolRun run = this->run({"heated.dat"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.standardError.find("PSHEAR 1: extensional effectiveness (F1, F2) of a material with thermal expansion"),
            std::string::npos)
      << run.standardError;
  EXPECT_FALSE(exists("heated.op2"));

  writeFile("across.dat", staticDeck("GRID,1,,0.,0.,0.\nGRID,2,,10.,0.,0.\nGRID,3,,10.,10.,0.\nGRID,4,,0.,10.,0.\n"
                                     "CSHEAR,1,1,1,2,3,4\nPSHEAR,1,1,.1,,1.,1.\nMAT1,1,1.E+7,,.3\n"
                                     "SPC1,1,1,1,4\nSPC1,1,2,1\nFORCE,1,3,,1.,0.,0.,1.\n"));
  run = this->run({"across.dat"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.standardError.find("grid 3 T3 free"), std::string::npos) << run.standardError;
  EXPECT_FALSE(exists("across.op2"));

  // The panel's nonstructural mass would load it under gravity, which is not solved: refused.
  writeFile("heavy.dat", staticDeck("GRID,1,,0.,0.,0.\nGRID,2,,10.,0.,0.\nGRID,3,,10.,10.,0.\nGRID,4,,0.,10.,0.\n"
                                    "CSHEAR,1,1,1,2,3,4\nPSHEAR,1,1,.1,.5,1.,1.\nMAT1,1,1.E+7,,.3\n"
                                    "SPC1,1,1,1,4\nSPC1,1,2,1\nGRAV,1,,386.,1.,0.,0.\n"));
  run = this->run({"heavy.dat"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.standardError.find("GRAV 1: gravity on CSHEAR 1 is not supported"), std::string::npos)
      << run.standardError;
}

}  // namespace
}  // namespace nastranccx::testing
