// Decks of every supported element kind solve through CalculiX and give the
// values that hand calculations and equilibrium predict.
#include <algorithm>
#include <array>
#include <cmath>
#include <map>

#include "decks.h"
#include "resultfiles/op2_file.h"
#include "resultfiles/op2_tables.h"
#include "tool_runner.h"

namespace nastranccx::testing {
namespace {

using SolveTest = NastranCcxTest;

constexpr int kTotal = 1, kT1 = 2, kT2 = 3, kT3 = 4;
constexpr int kRodStress = 3022, kPlateVonMises = 7033, kSolidVonMises = 60031;
constexpr int kPlateBottomVonMises = 9033, kPlateTopX = 7020, kPlateTopY = 7021, kPlateBottomX = 9020;
constexpr int kPlateTopXY = 7023, kSolidX = 60020;

TEST_F(SolveTest, RodUnderTensionMatchesHandCalculation) {
  REQUIRE_CCX();
  writeFile("rod.dat", staticDeck(kRodBulk));
  ToolRun run = this->run({"rod.dat"});
  ASSERT_EQ(run.exitCode, 0) << run.standardError;
  EXPECT_EQ(run.standardError, "");

  ResultsFile results = readResults("rod.op2");
  EXPECT_EQ(results.setTitle, "NX NASTRAN Case 1");
  std::vector<int> ids;
  for (const auto& [id, vector] : results.vectors) ids.push_back(id);
  // Displacements, the SPC forces of the constrained grids, the rod's stresses and force.
  EXPECT_EQ(ids, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 51, 52, 53, 54, 55, 56, 57, 58, 3022, 3023, 3024, 3025,
                                   3036, 3038}));
  EXPECT_EQ(results.vectors[kTotal].title, "Total Translation");
  EXPECT_EQ(results.vectors[kT1].title, "T1 Translation");
  EXPECT_EQ(results.vectors[kT2].title, "T2 Translation");
  EXPECT_EQ(results.vectors[kT3].title, "T3 Translation");
  EXPECT_EQ(results.vectors[kRodStress].title, "Rod Axial Stress");
  EXPECT_EQ(results.vectors[kT1].entities, (std::vector<int>{1, 2}));
  EXPECT_EQ(results.vectors[kRodStress].entities, (std::vector<int>{1}));

  // CalculiX prints these values exactly, and single precision carries them back as printed.
  EXPECT_EQ(results.vectors[kT1].at(2), 0.005);
  EXPECT_EQ(results.vectors[kTotal].at(2), 0.005);
  EXPECT_EQ(results.vectors[kT2].at(2), 0.0);  // constrained
  EXPECT_EQ(results.vectors[kTotal].at(1), 0.0);
  EXPECT_EQ(results.vectors[kRodStress].at(1), 500.0);
  EXPECT_EQ(results.vectors[6].at(2), 0.0);  // CalculiX's listing has no rotations
}

TEST_F(SolveTest, TenBarTrussBalancesItsLoadsAtEveryFreeJoint) {
  REQUIRE_CCX();
  writeFile("ten_bar.dat", staticDeck(kTenBarBulk));
  ToolRun run = this->run({"ten_bar.dat"});
  ASSERT_EQ(run.exitCode, 0) << run.standardError;
  ResultsFile results = readResults("ten_bar.op2");
  const ResultVector& stress = results.vectors[kRodStress];
  ASSERT_EQ(stress.entities.size(), 10u);

  const std::map<int, std::array<double, 2>> joints = {
      {1, {720, 360}}, {2, {720, 0}}, {3, {360, 360}}, {4, {360, 0}}, {5, {0, 360}}, {6, {0, 0}}};
  const std::map<int, std::array<int, 2>> rods = {{1, {5, 3}}, {2, {3, 1}}, {3, {6, 4}}, {4, {4, 2}},
                                                  {5, {3, 4}}, {6, {1, 2}}, {7, {5, 4}}, {8, {6, 3}},
                                                  {9, {3, 2}}, {10, {4, 1}}};
  for (int joint = 1; joint <= 4; ++joint) {
    // A rod in tension pulls the joint towards its other end (area 1: force = stress).
    std::array<double, 2> sum = {0, joint == 2 || joint == 4 ? -100000.0 : 0.0};
    for (const auto& [rod, ends] : rods) {
      if (ends[0] != joint && ends[1] != joint) continue;
      int other = ends[0] == joint ? ends[1] : ends[0];
      double dx = joints.at(other)[0] - joints.at(joint)[0], dy = joints.at(other)[1] - joints.at(joint)[1];
      double length = std::hypot(dx, dy);
      sum[0] += stress.at(rod) * dx / length;
      sum[1] += stress.at(rod) * dy / length;
    }
    EXPECT_NEAR(sum[0], 0.0, 2.0) << "joint " << joint;
    EXPECT_NEAR(sum[1], 0.0, 2.0) << "joint " << joint;
  }
  EXPECT_LT(results.vectors[kT2].at(2), 0.0);
  EXPECT_LT(results.vectors[kT2].at(4), 0.0);
  EXPECT_EQ(results.vectors[kTotal].at(5), 0.0);
  EXPECT_EQ(results.vectors[kT3].at(1), 0.0);
  for (double value : stress.values) EXPECT_TRUE(std::isfinite(value));
}

// A 20 x 10 plate, 0.5 thick: a square quadrilateral and a square split into
// two triangles, pulled along X by 500 per unit area.
const char* kStretchedPlateBulk =
    "GRID,1,,0.,0.,0.\nGRID,2,,10.,0.,0.\nGRID,3,,10.,10.,0.\nGRID,4,,0.,10.,0.\n"
    "GRID,5,,20.,0.,0.\nGRID,6,,20.,10.,0.\n"
    "CQUAD4,1,1,1,2,3,4\n"
    "CTRIA3,2,2,2,5,6\n"
    "CTRIA3,3,2,2,6,3\n"
    "PSHELL,1,1,.5,1\n"
    "PSHELL,2,1,.5,1\n"
    "MAT1,1,1.E+7,,.3\n"
    "FORCE,1,5,0,1250.,1.,0.,0.\n"
    "FORCE,1,6,0,1250.,1.,0.,0.\n"
    "SPC1,1,3456,1,2,3,4,5,6\n"
    "SPC1,1,12,1\n"
    "SPC1,1,1,4\n";

TEST_F(SolveTest, StretchedQuadAndTriaPlateShowsTheAppliedStress) {
  REQUIRE_CCX();
  writeFile("plate.dat", staticDeck(kStretchedPlateBulk));
  ToolRun run = this->run({"plate.dat"});
  ASSERT_EQ(run.exitCode, 0) << run.standardError;
  ResultsFile results = readResults("plate.op2");
  EXPECT_FALSE(results.vectors.count(kRodStress));
  EXPECT_FALSE(results.vectors.count(kSolidVonMises));
  const ResultVector& vonMises = results.vectors[kPlateVonMises];
  EXPECT_EQ(vonMises.title, "Plate Top VonMises Stress");
  ASSERT_EQ(vonMises.entities, (std::vector<int>{1, 2, 3}));
  for (int element : {1, 2, 3}) {
    EXPECT_NEAR(vonMises.at(element), 500.0, 1e-3) << "element " << element;
    EXPECT_NEAR(results.vectors[kPlateBottomVonMises].at(element), 500.0, 1e-3) << "element " << element;
  }
  // Stresses are in the element's axes: x along G1 -> G2 for a triangle, so element 3
  // (G1 -> G2 at 45 degrees) sees the pull split between its x and y and a shear.
  for (int element : {1, 2}) {
    EXPECT_NEAR(results.vectors[kPlateTopX].at(element), 500.0, 1e-3) << "element " << element;
    EXPECT_NEAR(results.vectors[kPlateTopY].at(element), 0.0, 1e-3) << "element " << element;
  }
  EXPECT_NEAR(results.vectors[kPlateTopX].at(3), 250.0, 1e-3);
  EXPECT_NEAR(results.vectors[kPlateTopY].at(3), 250.0, 1e-3);
  EXPECT_NEAR(results.vectors[kPlateTopXY].at(3), -250.0, 1e-3);
  EXPECT_EQ(results.vectors[kPlateBottomVonMises].title, "Plate Bot VonMises Stress");
  EXPECT_NEAR(results.vectors[kT1].at(5), 500.0 * 20 / 1e7, 1e-9);
  EXPECT_NEAR(results.vectors[kT2].at(4), -0.3 * 500.0 * 10 / 1e7, 1e-9);
}

// A 10 x 10 plate clamped along X = 0 under a uniform pressure.
std::string clampedPlateBulk(const std::string& quad) {
  return "GRID,1,,0.,0.,0.\nGRID,2,,10.,0.,0.\nGRID,3,,10.,10.,0.\nGRID,4,,0.,10.,0.\n" + quad +
         "PSHELL,1,1,.5,1\nMAT1,1,1.E+7,,.3\nPLOAD4,1,1,2.\nSPC1,1,123456,1,4\n";
}

TEST_F(SolveTest, PressureOnAShellPushesAlongItsNormal) {
  REQUIRE_CCX();
  writeFile("up.dat", staticDeck(clampedPlateBulk("CQUAD4,1,1,1,2,3,4\n")));     // normal +Z
  writeFile("down.dat", staticDeck(clampedPlateBulk("CQUAD4,1,1,1,4,3,2\n")));   // normal -Z
  ToolRun up = run({"up.dat"});
  ToolRun down = run({"down.dat"});
  ASSERT_EQ(up.exitCode, 0) << up.standardError;
  ASSERT_EQ(down.exitCode, 0) << down.standardError;
  ResultsFile upResults = readResults("up.op2");
  ResultsFile downResults = readResults("down.op2");

  // Between a beam (0.0199) and a plate strip in cylindrical bending (0.0218).
  double tip = upResults.vectors[kT3].at(3);
  EXPECT_GT(tip, 0.015);
  EXPECT_LT(tip, 0.03);
  EXPECT_NEAR(downResults.vectors[kT3].at(3), -tip, 1e-6);
  EXPECT_GT(upResults.vectors[kPlateVonMises].at(1), 0.0);
}

TEST_F(SolveTest, BentPlateCarriesOppositeStressesAtItsFibres) {
  REQUIRE_CCX();
  // A strip clamped along X = 0 and lifted at its free end: hogging bending puts the top
  // fibre (on the side of the normal, +Z here) in compression and the bottom in tension,
  // both of the size beam theory gives at the clamped end, M c / I = 6 F (L - x) / (b t^2).
  std::string bulk =
      "GRID,1,,0.,0.,0.\nGRID,2,,10.,0.,0.\nGRID,3,,10.,10.,0.\nGRID,4,,0.,10.,0.\n"
      "GRID,5,,20.,0.,0.\nGRID,6,,20.,10.,0.\n"
      "CQUAD4,1,1,1,2,3,4\nCQUAD4,2,1,2,5,6,3\n"
      "PSHELL,1,1,.5,1\nMAT1,1,1.E+7,,0.\n"
      "FORCE,1,5,0,5.,0.,0.,1.\nFORCE,1,6,0,5.,0.,0.,1.\n"
      "SPC1,1,123456,1,4\n";
  writeFile("bent.dat", staticDeck(bulk));
  ToolRun run = this->run({"bent.dat"});
  ASSERT_EQ(run.exitCode, 0) << run.standardError;
  ResultsFile results = readResults("bent.op2");
  double top = results.vectors[kPlateTopX].at(1), bottom = results.vectors[kPlateBottomX].at(1);
  EXPECT_LT(top, 0.0);
  EXPECT_GT(bottom, 0.0);
  EXPECT_NEAR(top, -bottom, 1e-3 * bottom);
  double expected = 6 * 10.0 * 15 / (10 * 0.25);  // at the element's centre, x = 5
  EXPECT_NEAR(bottom, expected, 0.05 * expected);
}

TEST_F(SolveTest, NeutralResultsOfANasDeckHoldTheSameVectors) {
  REQUIRE_CCX();
  writeFile("plate.dat", staticDeck(kStretchedPlateBulk));
  writeFile("plate.nas", staticDeck(kStretchedPlateBulk));
  ASSERT_EQ(run({"plate.dat"}).exitCode, 0);
  ToolRun neutral = run({"nastran.ini", "plate.nas"});
  ASSERT_EQ(neutral.exitCode, 0) << neutral.standardError;
  ResultsFile fromOp2 = readResults("plate.op2");
  ResultsFile fromNeutral = readResults("plate.fno");
  EXPECT_EQ(fromNeutral.setTitle, fromOp2.setTitle);
  ASSERT_EQ(fromNeutral.vectors.size(), fromOp2.vectors.size());
  for (const auto& [id, vector] : fromOp2.vectors) {
    EXPECT_EQ(fromNeutral.vectors[id].title, vector.title);
    EXPECT_EQ(fromNeutral.vectors[id].entities, vector.entities) << id;
    EXPECT_EQ(fromNeutral.vectors[id].values, vector.values) << id;
  }
  EXPECT_EQ(readFile("plate.fno").substr(0, 21), "   -1\r\n   100\r\n<NULL>");
}

// A unit cube fixed on X = 0 (just enough to stop rigid motion) and pulled on
// X = 1 with a total of 100: uniform stress 100.
const char* kCubeGrids =
    "GRID,1,,0.,0.,0.\nGRID,2,,1.,0.,0.\nGRID,3,,0.,1.,0.\nGRID,4,,1.,1.,0.\n"
    "GRID,5,,0.,0.,1.\nGRID,6,,1.,0.,1.\nGRID,7,,0.,1.,1.\nGRID,8,,1.,1.,1.\n"
    "PSOLID,1,1\nMAT1,1,1.E+7,,.3\n"
    "SPC1,1,1,1,3,5,7\nSPC1,1,23,1\nSPC1,1,3,3\nSPC1,1,2,5\n";

void expectUniformStretch(const ResultsFile& results, const std::vector<int>& elements) {
  EXPECT_FALSE(results.vectors.count(kPlateVonMises));
  const ResultVector& vonMises = results.vectors.at(kSolidVonMises);
  EXPECT_EQ(vonMises.title, "Solid Von Mises Stress");
  EXPECT_EQ(vonMises.entities, elements);
  for (int element : elements) {
    EXPECT_NEAR(vonMises.at(element), 100.0, 1e-3) << "element " << element;
    EXPECT_NEAR(results.vectors.at(kSolidX).at(element), 100.0, 1e-3) << "element " << element;
  }
  for (int grid : {2, 4, 6, 8}) EXPECT_NEAR(results.vectors.at(kT1).at(grid), 1e-5, 1e-11) << "grid " << grid;
}

TEST_F(SolveTest, StretchedHexaCubeShowsTheAppliedStress) {
  REQUIRE_CCX();
  // Bottom face 1-3-4-2 runs clockwise seen from above, so this hexahedron is
  // mirrored; it also needs a continuation line for G7 and G8.
  std::string bulk = std::string(kCubeGrids) +
                     "CHEXA,1,1,1,3,4,2,5,7\n+,8,6\n"
                     "FORCE,1,2,0,25.,1.,0.,0.\nFORCE,1,4,0,25.,1.,0.,0.\n"
                     "FORCE,1,6,0,25.,1.,0.,0.\nFORCE,1,8,0,25.,1.,0.,0.\n";
  writeFile("hexa.dat", staticDeck(bulk));
  ToolRun run = this->run({"hexa.dat"});
  ASSERT_EQ(run.exitCode, 0) << run.standardError;
  expectUniformStretch(readResults("hexa.op2"), {1});

  // The table's corners follow the CHEXA card's grid order, though CalculiX got the brick
  // turned over; the stress extrapolated to every corner is the uniform one.
  std::vector<resultfiles::SubcaseResults> subcases = readSubcases("hexa.op2");
  ASSERT_EQ(subcases.size(), 1u);
  ASSERT_EQ(subcases[0].hexas.size(), 1u);
  const std::vector<resultfiles::SolidPoint>& points = subcases[0].hexas[0].points;
  std::vector<int> grids;
  for (const resultfiles::SolidPoint& point : points) {
    grids.push_back(point.grid);
    EXPECT_NEAR(point.normalX, 100.0, 1e-3) << "grid " << point.grid;
    EXPECT_NEAR(point.equivalent, 100.0, 1e-3) << "grid " << point.grid;
  }
  EXPECT_EQ(grids, (std::vector<int>{0, 1, 3, 4, 2, 5, 7, 8, 6}));
}

TEST_F(SolveTest, BentBrickCornersCarryTheStressExtrapolatedFromItsIntegrationPoints) {
  REQUIRE_CCX();
  // One brick clamped at X = 0 and lifted at X = 4 by 4 in all. As an incompatible-modes brick
  // it bends without shear locking: its integration points carry the stress of the beam's
  // mid-length, M c / I = (4 * 2) * 0.5 / (1/12) = 48 at the fibres, linear through the depth,
  // so the corners below carry +48, those above -48, and the centre (the neutral axis) nothing.
  std::string bulk =
      "GRID,1,,0.,0.,0.\nGRID,2,,4.,0.,0.\nGRID,3,,4.,1.,0.\nGRID,4,,0.,1.,0.\n"
      "GRID,5,,0.,0.,1.\nGRID,6,,4.,0.,1.\nGRID,7,,4.,1.,1.\nGRID,8,,0.,1.,1.\n"
      "CHEXA,1,1,1,2,3,4,5,6\n+,7,8\nPSOLID,1,1\nMAT1,1,1.E+7,,0.\nSPC1,1,123,1,4,5,8\n"
      "FORCE,1,2,0,1.,0.,0.,1.\nFORCE,1,3,0,1.,0.,0.,1.\nFORCE,1,6,0,1.,0.,0.,1.\nFORCE,1,7,0,1.,0.,0.,1.\n";
  writeFile("bent.dat", staticDeck(bulk));
  ToolRun run = this->run({"bent.dat"});
  ASSERT_EQ(run.exitCode, 0) << run.standardError;
  std::vector<resultfiles::SubcaseResults> subcases = readSubcases("bent.op2");
  ASSERT_EQ(subcases.size(), 1u);
  ASSERT_EQ(subcases[0].hexas.size(), 1u);
  const std::vector<resultfiles::SolidPoint>& points = subcases[0].hexas[0].points;
  ASSERT_EQ(points.size(), 9u);
  EXPECT_NEAR(points[0].normalX, 0.0, 1e-4);
  double corner = 48.0;
  for (std::size_t i = 1; i < points.size(); ++i) {
    bool below = points[i].grid <= 4;
    EXPECT_EQ(points[i].grid, static_cast<int>(i));
    EXPECT_NEAR(points[i].normalX, below ? corner : -corner, 1e-3 * corner) << "grid " << points[i].grid;
  }
}

TEST_F(SolveTest, StretchedTetraCubeShowsTheAppliedStress) {
  REQUIRE_CCX();
  // Six tetrahedra around the diagonal 1-8, half of them mirrored. The face
  // X = 1 is split along 2-8, so a uniform traction puts 1/3 of the load on
  // grids 2 and 8 and 1/6 on grids 4 and 6.
  std::string bulk = std::string(kCubeGrids) +
                     "CTETRA,1,1,1,2,4,8\nCTETRA,2,1,1,2,6,8\nCTETRA,3,1,1,3,4,8\n"
                     "CTETRA,4,1,1,3,7,8\nCTETRA,5,1,1,5,6,8\nCTETRA,6,1,1,5,7,8\n"
                     "FORCE,1,2,0,1.,33.333333333333336,0.,0.\nFORCE,1,8,0,1.,33.333333333333336,0.,0.\n"
                     "FORCE,1,4,0,1.,16.666666666666668,0.,0.\nFORCE,1,6,0,1.,16.666666666666668,0.,0.\n";
  writeFile("tetra.dat", staticDeck(bulk));
  ToolRun run = this->run({"tetra.dat"});
  ASSERT_EQ(run.exitCode, 0) << run.standardError;
  expectUniformStretch(readResults("tetra.op2"), {1, 2, 3, 4, 5, 6});
}

// A cantilever of four bars along X, L = 100, E = 1e7, I1 = 1 in the XY plane.
std::string cantileverBulk(const std::string& tipLoad, const std::string& orientation) {
  std::string bulk;
  for (int grid = 1; grid <= 5; ++grid) bulk += "GRID," + std::to_string(grid) + ",," + std::to_string(25 * (grid - 1)) + ".,0.,0.\n";
  for (int bar = 1; bar <= 4; ++bar)
    bulk += "CBAR," + std::to_string(bar) + ",1," + std::to_string(bar) + "," + std::to_string(bar + 1) + "," + orientation + "\n";
  return bulk + "PBAR,1,1,3.,1.,.5625\nMAT1,1,1.E+7,,.3\nSPC1,1,123456,1\n" + tipLoad;
}

TEST_F(SolveTest, BarCantileverBendsAsBeamTheorySays) {
  REQUIRE_CCX();
  writeFile("force.dat", staticDeck(cantileverBulk("FORCE,1,5,0,100.,0.,1.,0.\n", "0.,1.,0.")));
  writeFile("moment.dat", staticDeck(cantileverBulk("MOMENT,1,5,0,100.,0.,0.,1.\n", "0.,1.,0.")));
  writeFile("grid.dat", staticDeck(cantileverBulk("FORCE,1,5,0,100.,0.,1.,0.\n", "6") + "GRID,6,,0.,50.,0.\n"));
  for (const char* deck : {"force.dat", "moment.dat", "grid.dat"}) {
    ToolRun run = this->run({deck});
    ASSERT_EQ(run.exitCode, 0) << deck << ": " << run.standardError;
  }
  // F L^3 / (3 E I) = 3.333 and M L^2 / (2 E I) = 0.05, within shear and
  // discretisation error; G0 pointing along Y means the same plane as X = (0,1,0).
  EXPECT_NEAR(readResults("force.op2").vectors[kT2].at(5), 100.0 * 1e6 / (3 * 1e7), 0.1);
  EXPECT_NEAR(readResults("moment.op2").vectors[kT2].at(5), 100.0 * 1e4 / (2 * 1e7), 0.0015);
  EXPECT_NEAR(readResults("grid.op2").vectors[kT2].at(5), readResults("force.op2").vectors[kT2].at(5), 1e-9);
}

TEST_F(SolveTest, HeatedRodBetweenWallsIsCompressed) {
  REQUIRE_CCX();
  // Heated 100 above its reference temperature: stress -E alpha dT = -1e4.
  std::string bulk =
      "GRID,1,,0.,0.,0.\nGRID,2,,100.,0.,0.\nCROD,1,1,1,2\nPROD,1,1,2.\n"
      "MAT1,1,1.E+7,,.3,,1.E-5,20.\nSPC1,1,123,1,2\nTEMP,7,1,120.,2,120.\n";
  writeFile("heated.dat", staticDeck(bulk, "  SPC = 1\n  TEMPERATURE(LOAD) = 7\n"));
  ToolRun run = this->run({"heated.dat"});
  ASSERT_EQ(run.exitCode, 0) << run.standardError;
  EXPECT_NEAR(readResults("heated.op2").vectors[kRodStress].at(1), -1e4, 1e-2);
}

TEST_F(SolveTest, WorkFolderIsRemovedAfterTheRun) {
  REQUIRE_CCX();
  std::filesystem::create_directory(folder() / "tmp");
  writeFile("rod.dat", staticDeck(kRodBulk));
  ToolRun run = this->run({"rod.dat"}, {{"TMPDIR", (folder() / "tmp").string()}});
  ASSERT_EQ(run.exitCode, 0) << run.standardError;
  EXPECT_TRUE(std::filesystem::is_empty(folder() / "tmp"));
  // Only the deck and its results: CalculiX ran elsewhere.
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder())) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"rod.dat", "rod.op2", "tmp"}));
}

}  // namespace
}  // namespace nastranccx::testing
