// Bars, beams and rods solved through CalculiX's U1 beam: cantilevers of every solved section
// shape against beam theory (deflection P L^3 / (3 E I), w L^4 / (8 E I); stress M c / I at the
// recovery points), torsion against T L / (G J), a rod-braced bar against hand statics, and
// what is refused with its line.
#include <cmath>
#include <string>

#include "decks.h"
#include "resultfiles/op2_tables.h"
#include "tool_runner.h"

namespace nastranccx::testing {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kE = 1e7, kNu = 0.3, kLength = 100;
constexpr int kElements = 10, kTip = kElements + 1;

// A cantilever along x from grid 1 (fixed) to grid 11, elements 1-10 of `card` with property 1,
// oriented by the vector (0, 1, 0) so that plane 1 is x-y; `more` adds the property and loads.
std::string cantilever(const std::string& card, const std::string& more) {
  std::string bulk;
  for (int i = 0; i <= kElements; ++i) bulk += "GRID," + std::to_string(i + 1) + ",," + std::to_string(kLength * i / kElements) + ",0.,0.\n";
  for (int i = 1; i <= kElements; ++i)
    bulk += card + "," + std::to_string(i) + ",1," + std::to_string(i) + "," + std::to_string(i + 1) + ",0.,1.,0.\n";
  return staticDeck(bulk + "MAT1,1,1.E+7,,.3\nSPC1,1,123456,1\n" + more);
}

class LineElementTest : public NastranCcxTest {
 protected:
  // Runs the deck and reads its one subcase.
  resultfiles::SubcaseResults solve(const std::string& name, const std::string& deck) {
    writeFile(name + ".dat", deck);
    ToolRun run = this->run({name + ".dat"});
    EXPECT_EQ(run.exitCode, 0) << run.standardError;
    std::vector<resultfiles::SubcaseResults> subcases = resultfiles::readStaticResults(readFile(name + ".op2"), name);
    EXPECT_EQ(subcases.size(), 1u);
    return subcases.empty() ? resultfiles::SubcaseResults{} : subcases.front();
  }
  static const resultfiles::GridValues& at(const resultfiles::SubcaseResults& results, int grid) {
    for (const resultfiles::GridValues& row : results.displacements)
      if (row.grid == grid) return row;
    static const resultfiles::GridValues kNone{};
    ADD_FAILURE() << "no displacement for grid " << grid;
    return kNone;
  }
};

void expectNear(double actual, double expected, double relative, const std::string& what) {
  EXPECT_NEAR(actual, expected, relative * std::abs(expected)) << what;
}

// A tip force along y bends plane 1 (I1), along z plane 2 (I2); the root moment P L gives
// M c / I at the recovery points of end A of element 1.
struct Shape {
  std::string property;  // the card, as PID 1 with MID 1
  double i1, i2;
  double y, z;  // y of recovery point C, z of D
};

TEST_F(LineElementTest, CantileversOfEverySectionShapeMatchBeamTheory) {
  REQUIRE_CCX();
  const double p = 100;
  // BAR 2 wide (z), 4 deep (y); TUBE radii 2, 1.5; I 6 deep, flanges 4 x 0.5, web 0.25;
  // BOX 4 wide, 6 high, walls 0.5 (top, bottom) and 0.25 (sides).
  const double tubeI = kPi * (std::pow(2.0, 4) - std::pow(1.5, 4)) / 4;
  const double iStrong = (4 * 216.0 - 3.75 * 125.0) / 12, iWeak = (2 * 0.5 * 64.0 + 5 * std::pow(0.25, 3)) / 12;
  const double boxStrong = (4 * 216.0 - 3.5 * 125.0) / 12, boxWeak = (6 * 64.0 - 5 * std::pow(3.5, 3)) / 12;
  const Shape shapes[] = {
      {"PBARL,1,1,,BAR\n,2.,4.\n", 2 * 64.0 / 12, 4 * 8.0 / 12, 2, 1},
      {"PBARL,1,1,,TUBE\n,2.,1.5\n", tubeI, tubeI, 2, 2},
      {"PBARL,1,1,,I\n,6.,4.,4.,.25,.5,.5\n", iStrong, iWeak, 3, 2},
      {"PBARL,1,1,,BOX\n,4.,6.,.5,.25\n", boxStrong, boxWeak, 3, 2},
  };
  int run = 0;
  for (const Shape& shape : shapes) {
    for (int axis : {2, 3}) {
      std::string name = "shape" + std::to_string(run++);
      std::string force = axis == 2 ? "0.,1.,0." : "0.,0.,1.";
      resultfiles::SubcaseResults results = solve(name, cantilever("CBAR", shape.property + "FORCE,1,11,0,100.," + force + "\n"));
      double inertia = axis == 2 ? shape.i1 : shape.i2;
      expectNear(at(results, kTip).values[axis - 1], p * std::pow(kLength, 3) / (3 * kE * inertia), 1e-3, name + " tip");
      ASSERT_EQ(results.bars.size(), 10u) << name;
      // Point C (y) or D (z) at the root: compression on the side the load bends towards.
      double c = axis == 2 ? shape.y : shape.z;
      expectNear(results.bars[0].endA[axis == 2 ? 0 : 1], -p * kLength * c / inertia, 1e-3, name + " stress at C or D");
      expectNear(results.bars[0].maxA, p * kLength * c / inertia, 1e-3, name + " max");
      const resultfiles::BarForce& root = results.barForces[0];
      expectNear(axis == 2 ? root.moment1A : root.moment2A, -p * kLength, 1e-4, name + " root moment");
      expectNear(axis == 2 ? root.shear1 : root.shear2, p, 1e-4, name + " shear");
    }
  }
}

TEST_F(LineElementTest, TSectionCantileverBendsAboutItsCentroid) {
  REQUIRE_CCX();
  // T: flange 4 x 0.5 on top, web 0.5 thick, 6 deep. A = 2 + 2.75 = 4.75; about the top edge the
  // first moment is 2 x 0.25 + 2.75 x 3.25 = 9.4375 and the second 4 x 0.5^3 / 3 + 0.5 (6^3 -
  // 0.5^3) / 3 = 36.145833..., so I1 = 36.1458 - 9.4375^2 / 4.75; I2 = (0.5 4^3 + 5.5 0.5^3) / 12.
  const double i1 = (4 * 0.125 + 0.5 * (216 - 0.125)) / 3 - 9.4375 * 9.4375 / 4.75;
  const double i2 = (0.5 * 64 + 5.5 * 0.125) / 12;
  for (int axis : {2, 3}) {
    std::string name = axis == 2 ? "tee_y" : "tee_z";
    std::string force = axis == 2 ? "0.,1.,0." : "0.,0.,1.";
    resultfiles::SubcaseResults results =
        solve(name, cantilever("CBAR", "PBARL,1,1,,T\n,4.,6.,.5,.5\nFORCE,1,11,0,100.," + force + "\n"));
    double inertia = axis == 2 ? i1 : i2;
    expectNear(at(results, kTip).values[axis - 1], 100 * std::pow(kLength, 3) / (3 * kE * inertia), 1e-3, name);
  }
}

TEST_F(LineElementTest, BeamUnderUniformLineLoadMatchesBeamTheory) {
  REQUIRE_CCX();
  // CBEAM of PBEAM (A 2, I1 3, I2 1.5, J 2), w = 2 per length along z over every element.
  std::string loads;
  for (int i = 1; i <= kElements; ++i) loads += "PLOAD1,1," + std::to_string(i) + ",FZ,FR,0.,2.,1.,2.\n";
  resultfiles::SubcaseResults results = solve("pload1", cantilever("CBEAM", "PBEAM,1,1,2.,3.,1.5,,2.\n" + loads));
  const double w = 2, i2 = 1.5;
  expectNear(at(results, kTip).values[2], w * std::pow(kLength, 4) / (8 * kE * i2), 1e-3, "tip deflection");
  ASSERT_EQ(results.beamForces.size(), 10u);
  const resultfiles::BeamForce& root = results.beamForces[0];
  expectNear(root.stations[0].moment2, -w * kLength * kLength / 2, 1e-4, "root moment");
  expectNear(root.stations[0].shear2, w * kLength, 1e-4, "root shear");
  // Halfway: M = w (L/2)^2 / 2 at end B of element 5.
  expectNear(results.beamForces[4].stations[1].moment2, -w * kLength * kLength / 8, 1e-4, "moment at L/2");
  ASSERT_EQ(results.beams.size(), 10u);
  EXPECT_EQ(results.beams[0].stations[0].grid, 1);
  EXPECT_EQ(results.beams[0].stations[1].grid, 2);
}

TEST_F(LineElementTest, EachSubcaseHasItsOwnLineLoads) {
  REQUIRE_CCX();
  // Subcase 1: a tip force 100 along y; subcase 2: 2 per length along y (PLOAD1 in element axes).
  std::string deck = cantilever("CBAR", "PBAR,1,1,2.,3.,1.5,2.\nFORCE,1,11,0,100.,0.,1.,0.\n");
  for (int i = 1; i <= kElements; ++i) deck.insert(deck.find("ENDDATA"), "PLOAD1,2," + std::to_string(i) + ",FYE,FR,0.,2.,1.,2.\n");
  deck = "SOL 101\nCEND\nSPC = 1\nSUBCASE 1\n  LOAD = 1\nSUBCASE 2\n  LOAD = 2\n" + deck.substr(deck.find("BEGIN BULK"));
  writeFile("two.dat", deck);
  ToolRun run = this->run({"two.dat"});
  ASSERT_EQ(run.exitCode, 0) << run.standardError;
  std::vector<resultfiles::SubcaseResults> subcases = resultfiles::readStaticResults(readFile("two.op2"), "two.op2");
  ASSERT_EQ(subcases.size(), 2u);
  expectNear(at(subcases[0], kTip).values[1], 100 * std::pow(kLength, 3) / (3 * kE * 3), 1e-3, "tip force");
  expectNear(at(subcases[1], kTip).values[1], 2 * std::pow(kLength, 4) / (8 * kE * 3), 1e-3, "line load");
  expectNear(subcases[1].barForces[0].moment1A, -2 * kLength * kLength / 2, 1e-4, "root moment, line load");
  expectNear(subcases[0].barForces[0].moment1A, -100 * kLength, 1e-4, "root moment, tip force");
}

TEST_F(LineElementTest, TwistMatchesTorqueOverGJ) {
  REQUIRE_CCX();
  // J well below the polar moment I1 + I2 (a flat bar): the stiffness is G J all the same.
  const double j = 0.4, torque = 50, g = kE / (2 * (1 + kNu));
  resultfiles::SubcaseResults results =
      solve("twist", cantilever("CBAR", "PBAR,1,1,2.,3.,1.,.4\nMOMENT,1,11,0,50.,1.,0.,0.\n"));
  expectNear(at(results, kTip).values[3], torque * kLength / (g * j), 1e-4, "twist");
  expectNear(results.barForces[0].torque, torque, 1e-4, "torque");
  // And a J above it (only a Poisson's ratio changes).
  results = solve("stiff", cantilever("CBAR", "PBAR,1,1,2.,1.,1.,3.\nMOMENT,1,11,0,50.,1.,0.,0.\n"));
  expectNear(at(results, kTip).values[3], torque * kLength / (g * 3), 1e-4, "twist, large J");
}

TEST_F(LineElementTest, ProductOfInertiaTurnsTheBendingPlane) {
  REQUIRE_CCX();
  // I1 = 4, I2 = 2, I12 = 1: a tip force P along y gives, with Nastran's unsymmetric bending,
  // v = P L^3 I2 / (3 E (I1 I2 - I12^2)) and w = -P L^3 I12 / (3 E (I1 I2 - I12^2)).
  resultfiles::SubcaseResults results =
      solve("i12", cantilever("CBAR", "PBAR,1,1,2.,4.,2.,1.\n,1.,1.\n,,,1.\nFORCE,1,11,0,10.,0.,1.,0.\n"));
  double d = 4 * 2 - 1, scale = 10 * std::pow(kLength, 3) / (3 * kE * d);
  expectNear(at(results, kTip).values[1], scale * 2, 1e-3, "along y");
  expectNear(at(results, kTip).values[2], -scale * 1, 1e-3, "along z");
  // At the root M1 = -P L, M2 = 0: stress at C (1, 1) = M1 (I2 y - I12 z) / det.
  expectNear(results.bars[0].endA[0], -10 * kLength * (2 * 1 - 1 * 1) / d, 1e-3, "stress at C");
}

TEST_F(LineElementTest, RodBracedBarCarriesTheLoadByStatics) {
  REQUIRE_CCX();
  // A bar from (0,0) to (100,0) pinned at grid 1 (rotations free about z), held at its tip by a
  // CONROD to (0,100): a 1000 load down at the tip puts 1000 sqrt(2) in the rod and 1000 of
  // compression in the bar.
  std::string deck = staticDeck(
      "GRID,1,,0.,0.,0.\nGRID,2,,100.,0.,0.\nGRID,3,,0.,100.,0.\n"
      "CBAR,1,1,1,2,0.,1.,0.\nPBAR,1,1,4.,10.,10.,5.\nCONROD,2,2,3,1,2.\nMAT1,1,1.E+7,,.3\n"
      "SPC1,1,12345,1\nSPC1,1,123456,3\nSPC1,1,345,2\nFORCE,1,2,0,1000.,0.,-1.,0.\n");
  resultfiles::SubcaseResults results = solve("braced", deck);
  ASSERT_EQ(results.conrods.size(), 1u);
  expectNear(results.conrods[0].axial, 1000 * std::sqrt(2.0) / 2, 1e-4, "rod stress");
  ASSERT_EQ(results.conrodForces.size(), 1u);
  expectNear(results.conrodForces[0].axial, 1000 * std::sqrt(2.0), 1e-4, "rod force");
  expectNear(results.barForces[0].axial, -1000, 1e-4, "bar axial");
  EXPECT_NEAR(results.barForces[0].moment1A, 0, 1e-3);
}

TEST_F(LineElementTest, PointMassOnARigidSpiderLoadsItsLegsUnderGravity) {
  REQUIRE_CCX();
  // A table: a CONM2 of mass 2 at grid 100, tied by an RBE2 to the tops of four legs 10 long
  // (A 0.5, E 1e7, density 0.1) standing on fixed grids. Gravity 386.4 down: every leg carries a
  // quarter of the mass's weight plus half its own, and the top sinks by m g L / (4 E A).
  const double m = 2, g = 386.4, a = 0.5, rho = 0.1, height = 10;
  std::string bulk = "GRID,100,,0.,0.,10.\nCONM2,50,100,,2.\nRBE2,60,100,123456,1,2,3,4\n";
  const char* corners[4] = {"5.,5.", "-5.,5.", "-5.,-5.", "5.,-5."};
  for (int i = 1; i <= 4; ++i) {
    bulk += "GRID," + std::to_string(i) + ",," + corners[i - 1] + ",10.\n";
    bulk += "GRID," + std::to_string(10 + i) + ",," + corners[i - 1] + ",0.\n";
    bulk += "CBAR," + std::to_string(i) + ",1," + std::to_string(10 + i) + "," + std::to_string(i) + ",1.,0.,0.\n";
  }
  bulk += "PBAR,1,1,.5,.02,.02,.04\nMAT1,1,1.E+7,,.3,.1\nSPC1,1,123456,11,THRU,14\nGRAV,1,,386.4,0.,0.,-1.\n";
  resultfiles::SubcaseResults results = solve("spider", staticDeck(bulk));
  ASSERT_EQ(results.barForces.size(), 4u);
  const double legWeight = rho * a * height * g;
  for (const resultfiles::BarForce& leg : results.barForces)
    expectNear(leg.axial, -(m * g / 4 + legWeight / 2), 1e-4, "leg " + std::to_string(leg.element));
  expectNear(at(results, 100).values[2], -(m * g / 4 + legWeight / 2) * height / (kE * a), 1e-4, "top");
  // The tied grids move with it.
  expectNear(at(results, 3).values[2], at(results, 100).values[2], 1e-6, "grid 3");
}

TEST_F(LineElementTest, SpringsInSeriesAndParallelMatchHandCalculation) {
  REQUIRE_CCX();
  // Grid 1 fixed; CELAS2 1 and 2 (100 each, in parallel) to grid 2; CELAS1 3 (PELAS 50, S 3) on
  // to grid 3; a stiff rod to grid 4, pulled by 10 along x. Across the rod at grid 3 only a
  // grounded CELAS2 (25) holds y, where 5 pushes.
  std::string deck = staticDeck(
      "GRID,1,,0.,0.,0.\nGRID,2,,1.,0.,0.\nGRID,3,,2.,0.,0.\nGRID,4,,3.,0.,0.\n"
      "CELAS2,1,100.,1,1,2,1,,2.\nCELAS2,2,100.,1,1,2,1\nCELAS1,3,7,2,1,3,1\nPELAS,7,50.,,3.\nCELAS2,4,25.,3,2\n"
      "CROD,5,5,3,4\nPROD,5,1,1.\nMAT1,1,1.E+7,,.3\n"
      "SPC1,1,123456,1\nSPC1,1,23,2\nSPC1,1,3,3\nSPC1,1,23,4\nFORCE,1,4,0,10.,1.,0.,0.\nFORCE,1,3,0,5.,0.,1.,0.\n");
  resultfiles::SubcaseResults results = solve("springs", deck);
  expectNear(at(results, 2).values[0], 10.0 / 200, 1e-5, "parallel pair");
  expectNear(at(results, 3).values[0], 10.0 / 200 + 10.0 / 50, 1e-5, "and the series spring");
  expectNear(at(results, 4).values[0], 10.0 / 200 + 10.0 / 50 + 10 * 1.0 / (1e7 * 1), 1e-5, "and the rod");
  expectNear(at(results, 3).values[1], 5.0 / 25, 1e-5, "grounded spring");
  ASSERT_EQ(results.springs2.size(), 3u);
  expectNear(results.springs2[0].stress, 2 * 5.0, 1e-5, "CELAS2 1: S times its half of the force");
  EXPECT_EQ(results.springs2[1].stress, 0.0f);  // no S
  ASSERT_EQ(results.springs1.size(), 1u);
  expectNear(results.springs1[0].stress, 3 * 10.0, 1e-5, "CELAS1 3");
  ASSERT_FALSE(results.spcForces.empty());
  expectNear(results.spcForces[0].values[0], -10, 1e-5, "reaction");
}

TEST_F(LineElementTest, PinFlagMakesAHingeAndOffsetsMakeTheLoadEccentric) {
  REQUIRE_CCX();
  // Two bars 50 long, clamped at both far ends, joined at grid 2 by a hinge (PB 6 on the first):
  // two cantilevers carry P at their shared tip, P L^3 / (6 E I1), with no moment at the hinge.
  std::string hinge = staticDeck(
      "GRID,1,,0.,0.,0.\nGRID,2,,50.,0.,0.\nGRID,3,,100.,0.,0.\n"
      "CBAR,1,1,1,2,0.,1.,0.\n,,6\nCBAR,2,1,2,3,0.,1.,0.\nPBAR,1,1,2.,3.,1.5,2.\nMAT1,1,1.E+7,,.3\n"
      "SPC1,1,123456,1,3\nFORCE,1,2,0,100.,0.,1.,0.\n");
  resultfiles::SubcaseResults results = solve("hinge", hinge);
  expectNear(at(results, 2).values[1], 100 * std::pow(50.0, 3) / (6 * kE * 3), 1e-4, "hinge deflection");
  EXPECT_NEAR(results.barForces[0].moment1B, 0, 1e-3);
  expectNear(results.barForces[0].moment1A, -50 * 50, 1e-4, "root moment");

  // A cantilever whose bar runs 1 above its grids (WA = WB = (0, 0, 1)), pulled along x at the
  // tip grid: N = P and M2 = P e all along; by energy the tip moves P L / (E A) + P e^2 L / (E I2).
  std::string offset = staticDeck(
      "GRID,1,,0.,0.,0.\nGRID,2,,100.,0.,0.\nCBAR,1,1,1,2,0.,1.,0.\n,,,0.,0.,1.,0.,0.,1.\n"
      "PBAR,1,1,2.,3.,1.5,2.\n,1.,1.,-1.,1.,-1.,-1.,1.,-1.\nMAT1,1,1.E+7,,.3\nSPC1,1,123456,1\nFORCE,1,2,0,1000.,1.,0.,0.\n");
  results = solve("offset", offset);
  expectNear(at(results, 2).values[0], 1000 * 100 / (kE * 2) + 1000 * 100 / (kE * 1.5), 1e-4, "eccentric pull");
  expectNear(results.barForces[0].axial, 1000, 1e-4, "axial");
  expectNear(results.barForces[0].moment2A, -1000, 1e-4, "M2 at A");
  expectNear(results.barForces[0].moment2B, -1000, 1e-4, "M2 at B");
  // The fibres below the bar's axis (z = -1, points E and F) carry the bending's tension.
  expectNear(results.bars[0].endA[2] + results.bars[0].axial, 500 + 1000 * 1 / 1.5, 1e-4, "point E");
}

TEST_F(LineElementTest, Rbe3SpreadsAnOffCentreForceByTheLeastSquaresRule) {
  REQUIRE_CCX();
  // Four legs (rods, k = E A / L = 1e5) under the corners (+-1, +-1) of a square, an RBE3 of equal
  // weights from them to grid 100 at (0.5, 0): 800 down there is F/4 plus the share of its
  // moment, F x_i / 8: 300 at x = 1, 100 at x = -1; grid 100 sinks by the plane through the
  // corners at x = 0.5: 5 F / (16 k).
  std::string bulk = "GRID,100,,.5,0.,10.\n";
  const char* corners[4] = {"1.,1.", "-1.,1.", "-1.,-1.", "1.,-1."};
  for (int i = 1; i <= 4; ++i)
    bulk += "GRID," + std::to_string(i) + ",," + corners[i - 1] + ",10.\nGRID," + std::to_string(10 + i) + ",," +
            corners[i - 1] + ",0.\nCROD," + std::to_string(i) + ",1," + std::to_string(10 + i) + "," + std::to_string(i) + "\n";
  bulk += "PROD,1,1,.1\nMAT1,1,1.E+7,,.3\nRBE3,9,,100,123,1.,123,1,2\n,3,4\n"
          "SPC1,1,123456,11,THRU,14\nSPC1,1,12,1,THRU,4\nFORCE,1,100,0,-800.,0.,0.,1.\n";
  resultfiles::SubcaseResults results = solve("rbe3", staticDeck(bulk));
  ASSERT_EQ(results.rodForces.size(), 4u);
  const double expected[4] = {-300, -100, -100, -300};
  for (int i = 0; i < 4; ++i) expectNear(results.rodForces[i].axial, expected[i], 1e-5, "leg " + std::to_string(i + 1));
  expectNear(at(results, 100).values[2], -5 * 800.0 / (16 * 1e5), 1e-5, "reference grid");
}

TEST_F(LineElementTest, Rbe2PullsASolidThroughAGridNoElementTurns) {
  REQUIRE_CCX();
  // A 2 x 2 x 2 brick (NU 0) on rollers, its top face tied by an RBE2 to grid 100 above it,
  // pulled by 4000: stress F / A = 1000 and stretch F L / (E A) = 2e-4 everywhere on top.
  std::string bulk =
      "GRID,1,,0.,0.,0.\nGRID,2,,2.,0.,0.\nGRID,3,,2.,2.,0.\nGRID,4,,0.,2.,0.\n"
      "GRID,5,,0.,0.,2.\nGRID,6,,2.,0.,2.\nGRID,7,,2.,2.,2.\nGRID,8,,0.,2.,2.\nGRID,100,,1.,1.,3.\n"
      "CHEXA,1,1,1,2,3,4,5,6\n,7,8\nPSOLID,1,1\nMAT1,1,1.E+7,,0.\nRBE2,9,100,123456,5,6,7,8\n"
      "SPC1,1,3,1,2,3,4\nSPC1,1,12,1\nSPC1,1,1,4\nFORCE,1,100,0,4000.,0.,0.,1.\n";
  resultfiles::SubcaseResults results = solve("pulled", staticDeck(bulk));
  for (int grid : {5, 6, 7, 8, 100}) expectNear(at(results, grid).values[2], 2e-4, 1e-5, "grid " + std::to_string(grid));
  ASSERT_EQ(results.hexas.size(), 1u);
}

TEST_F(LineElementTest, BushBesideARodSharesTheLoad) {
  REQUIRE_CCX();
  // A rod (E A / L = 1e5) from a fixed grid to grid 2, and a CBUSH (K 1e5, 2e5, 3e5 in basic
  // axes, ST 2) from grid 2 to a fixed grid at the same place: 1000 along x and along y at grid 2
  // moves it 1000 / 2e5 both ways (x: rod and bush in parallel; y: the bush alone).
  std::string bulk =
      "GRID,1,,0.,0.,0.\nGRID,2,,10.,0.,0.\nGRID,3,,10.,0.,0.\nCROD,1,1,1,2\nPROD,1,1,1.\nMAT1,1,1.E+6,,.3\n"
      "CBUSH,5,6,2,3,,,,0\nPBUSH,6,K,1.E+5,2.E+5,3.E+5,,,\n,,RCV,,2.\n"
      "SPC1,1,123456,1,3\nSPC1,1,3,2\nFORCE,1,2,0,1000.,1.,1.,0.\n";
  resultfiles::SubcaseResults results = solve("bush", staticDeck(bulk));
  expectNear(at(results, 2).values[0], 1000 / 2e5, 1e-5, "x");
  expectNear(at(results, 2).values[1], 1000 / 2e5, 1e-5, "y");
  ASSERT_EQ(results.bushes.size(), 1u);
  // ST times K (u_B - u_A): the bush is squeezed by grid 2 moving towards +x, +y.
  expectNear(results.bushes[0].values[0], -2 * 1e5 * 0.005, 1e-5, "TX");
  expectNear(results.bushes[0].values[1], -2 * 2e5 * 0.005, 1e-5, "TY");
}

TEST_F(LineElementTest, MpcAndRbarTieGridsAsTheyState) {
  REQUIRE_CCX();
  // Two rods (k = 1e5) from fixed grids side by side; MPC set 8 (through MPCADD 7, selected
  // above the subcases) makes grid 3 follow grid 2 along x: 1000 at grid 2 moves both by 1000 / 2e5.
  std::string mpc =
      "SOL 101\nCEND\nMPC = 7\nSUBCASE 1\n  LOAD = 1\n  SPC = 1\nBEGIN BULK\n"
      "GRID,1,,0.,0.,0.\nGRID,2,,10.,0.,0.\nGRID,3,,10.,1.,0.\nGRID,4,,0.,1.,0.\nCROD,1,1,1,2\nCROD,2,1,4,3\n"
      "PROD,1,1,1.\nMAT1,1,1.E+6,,.3\nMPC,8,3,1,1.,2,1,-1.\nMPCADD,7,8\nSPC1,1,123456,1,4\nSPC1,1,23,2,3\n"
      "FORCE,1,2,0,1000.,1.,0.,0.\nENDDATA\n";
  resultfiles::SubcaseResults results = solve("mpc", mpc);
  expectNear(at(results, 3).values[0], 1000 / 2e5, 1e-5, "grid 3");
  expectNear(results.rodForces[1].axial, 500, 1e-5, "second rod");

  // A cantilever's tip grid 11 carries grid 50, 10 above it, by an RBAR; 100 along y at grid 50
  // bends the bar as at its tip and twists it by 100 x 10.
  results = solve("rbar", cantilever("CBAR", "PBAR,1,1,2.,3.,1.5,2.\nGRID,50,,100.,0.,10.\n"
                                             "RBAR,60,11,50,123456,,,123456\nFORCE,1,50,0,100.,0.,1.,0.\n"));
  expectNear(at(results, kTip).values[1], 100 * std::pow(kLength, 3) / (3 * kE * 3), 1e-4, "tip");
  expectNear(results.barForces[0].torque, -100 * 10, 1e-4, "torque");
  expectNear(at(results, 50).values[1], at(results, kTip).values[1] - 10 * at(results, kTip).values[3], 1e-5, "grid 50");
}

TEST_F(LineElementTest, WhatIsNotSolvedExactlyIsRefusedWithItsLine) {
  struct Case {
    std::string property, element, message;
  };
  const Case cases[] = {
      {"PBARL,1,1,,CHAN\n,1.,2.,.1,.1\n", "CBAR", "section shape CHAN is not solved"},
      {"PBARL,1,1,,I\n,6.,4.,3.,.25,.5,.5\n", "CBAR", "only equal flanges"},
      {"PBEAML,1,1,,T\n,4.,6.,.5,.5\n", "CBEAM", "T: the neutral axis off the shear centre"},
      {"PBEAM,1,1,2.,3.,1.5,,2.\n,,,,,,,,\n,YES,1.,3.,4.,2.\n", "CBEAM", "a tapered beam"},
  };
  int index = 0;
  for (const Case& c : cases) {
    std::string name = "refused" + std::to_string(index++);
    writeFile(name + ".dat", cantilever(c.element, c.property + "FORCE,1,11,0,1.,0.,1.,0.\n"));
    ToolRun run = this->run({name + ".dat"});
    EXPECT_NE(run.exitCode, 0) << name;
    EXPECT_NE(run.standardError.find(name + ".dat:"), std::string::npos) << run.standardError;
    EXPECT_NE(run.standardError.find(c.message), std::string::npos) << run.standardError;
    EXPECT_FALSE(exists(name + ".op2"));
  }
  // An OFFT measuring from the offset end: refused at the bar's line.
  std::string pinned = cantilever("CBAR", "PBAR,1,1,2.,3.,1.5,1.\nFORCE,1,11,0,1.,0.,1.,0.\n");
  pinned.replace(pinned.find("CBAR,10,1,10,11,0.,1.,0.\n"), 25, "CBAR,10,1,10,11,0.,1.,0.,OGG\n");
  writeFile("pinned.dat", pinned);
  ToolRun run = this->run({"pinned.dat"});
  EXPECT_NE(run.exitCode, 0);
  EXPECT_NE(run.standardError.find("CBAR 10: OFFT OGG is not supported"), std::string::npos) << run.standardError;
}

}  // namespace
}  // namespace nastranccx::testing
