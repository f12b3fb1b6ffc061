// Mass properties of whole models (femapsim/mass_model.h): sections, offsets, stations,
// point masses, laminates and quadratic elements, against values worked out by hand.

#include "femapsim/mass_model.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "femapsim/model_file.h"
#include "femapsim/sections.h"

namespace femapsim {
namespace {

using Vec3 = std::array<double, 3>;
constexpr double kPi = std::numbers::pi;

MassProperties measure(const std::string& body) {
  Model model = parseModel("FEMAPSIM 1\n" + body, "test.mod");
  return measureMassProperties(massElementsOf(model));
}

std::string list(const std::vector<double>& values) {
  std::ostringstream out;
  out.precision(17);
  for (std::size_t i = 0; i < values.size(); ++i) out << (i ? "," : "") << values[i];
  return out.str();
}

// A bar of length 2 along x with a section of the given shape; density 3.
constexpr const char* kBarNodes =
    "node 1 x=0 y=0 z=0\nnode 2 x=2 y=0 z=0\nmatl 1 Density=3\n"
    "elem 1 type=2 topology=0 propID=1 node=1,2 orient=0,1,0\n";

TEST(SectionMassTest, EveryBarShapeHasTheAreaOfItsWalls) {
  struct Case {
    const char* shape;
    std::vector<double> dims;
    double area;  // by hand, wall by wall
  };
  const Case cases[] = {
      {"ROD", {2}, kPi * 4},
      {"TUBE", {3, 2}, kPi * (9 - 4)},
      {"TUBE2", {3, 0.5}, kPi * (9 - 6.25)},
      {"I", {10, 6, 4, 1, 1.5, 2}, 6 * 1.5 + 4 * 2 + 6.5 * 1},     // flanges 9 + 8, web 6.5 tall
      {"CHAN", {4, 10, 1, 1.5}, 2 * 4 * 1.5 + 7 * 1},               // two flanges, web 7 tall
      {"T", {6, 8, 1, 2}, 6 * 1 + 7 * 2},                           // flange, web 7 tall
      {"BOX", {6, 4, 1, 0.5}, 2 * 6 * 1 + 2 * 2 * 0.5},             // top and bottom 6 wide, sides 2 tall
      {"BAR", {3, 5}, 15},
      {"CROSS", {4, 2, 6, 1}, 2 * 6 + 4 * 1},                       // vertical 2 x 6, two arms of 2 x 1
      {"H", {4, 2, 6, 1}, 2 * 6 + 4 * 1},                           // two flanges 1 x 6, web 4 x 1
      {"T1", {5, 8, 1, 2}, 5 * 1 + 8 * 2},
      {"I1", {2, 1, 6, 10}, 1 * 6 + 4 * 3},                         // web 1 x 6, flanges 2 tall x 3 wide
      {"CHAN1", {2, 1, 6, 10}, 1 * 6 + 4 * 3},
      {"Z", {2, 1, 6, 10}, 1 * 6 + 4 * 3},
      {"CHAN2", {1, 2, 8, 10}, 2 * 6 * 1 + 2 * 10},                 // two legs 1 x 6 above a base 10 x 2
      {"T2", {6, 8, 1, 2}, 6 * 1 + 7 * 2},
      {"BOX1", {10, 6, 1, 2, 0.5, 1.5}, 6 * 2 + 8 * 3},             // two sides 6 tall, top and bottom 8 wide
      {"HEXA", {1, 6, 2}, 4 * 2 + 2 * (1 * 2 / 2.0)},               // centre 4 x 2, two triangles 1 x 2
      {"HAT", {5, 0.5, 3, 2}, 3 * 0.5 + 2 * 4.5 * 0.5 + 2 * 2 * 0.5},  // top, two webs, two brims
      {"HAT1", {10, 4, 6, 0.5, 1}, 10 * 1 + 10 * 0.5 + 2 * 2.5 * 0.5},  // base, top 10 x 0.5, two webs
      {"DBOX", {10, 4, 5, 0.5, 1, 0.5, 0.4, 0.6, 0.4, 0.6},
       (5 * 4 - 3 * 4) + (5 * 4 - 3 * 4)},                          // two cells of 5 x 4 around 4 x 3 holes
      {"L", {6, 8, 1, 2}, 6 * 1 + 7 * 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shape);
    std::string model = std::string(kBarNodes) + "prop 1 type=2 matlID=1 shape=" +
                        std::to_string(shapeCode(c.shape)) + " shapeDim=" + list(c.dims) + "\n";
    MassProperties p = measure(model);
    EXPECT_NEAR(p.structuralMass, 3 * c.area * 2, 1e-12 * c.area);
    EXPECT_NEAR(p.totalCG[0], 1, 1e-12);
  }
  EXPECT_EQ(shapeCode("NOSUCH"), 0);
  EXPECT_EQ(shapeArea(shapeCode("I"), std::vector<double>{1, 2}), 0);  // too few dimensions
}

TEST(SectionMassTest, TaperedShapeIsIntegratedExactlyAlongTheBeam) {
  // A ROD whose radius grows linearly from 1 to 2 over the length 2: mass 3·2·π∫(1+ξ)²dξ = 14π,
  // centre at 2·∫ξ(1+ξ)²/∫(1+ξ)² = 2·(17/12)/(7/3) = 17/14; NSM from 0.5 to 1.5 per length.
  std::string model = std::string(kBarNodes) +
                      "prop 1 type=5 matlID=1 shape=1 shapeDim=1,2 stationX=0,1 stationValues=0.5,1.5\n";
  MassProperties p = measure(model);
  EXPECT_NEAR(p.structuralMass, 14 * kPi, 1e-12);
  EXPECT_NEAR(p.structuralCG[0], 17.0 / 14, 1e-12);
  EXPECT_NEAR(p.nonStructuralMass, 2, 1e-12);
  EXPECT_NEAR(p.nonStructuralCG[0], 2 * (0.5 / 2 + 1.0 / 3) / 1.0, 1e-12);  // ∫ξ(0.5+ξ)dξ / ∫(0.5+ξ)dξ
  // Izz about the origin: 3·π·∫(2ξ)²(1+ξ)²·2dξ = 24π·(1/3 + 1/2 + 1/5) plus the NSM's 8∫ξ²(0.5+ξ)dξ.
  EXPECT_NEAR(p.inertia[2], 24 * kPi * (1.0 / 3 + 0.5 + 0.2) + 8 * (0.5 / 3 + 0.25), 1e-10);
}

TEST(SectionMassTest, BeamStationsStepTheAreaLinearly) {
  // Areas 2 at end A, 4 at the middle station, 1 at end B; NSM 0.2 at A and 0.6 at B.
  std::vector<double> pval(40, 0.0);
  pval[0] = 2;
  pval[7] = 0.2;
  pval[20] = 1;
  pval[27] = 0.6;
  std::vector<double> station(14, 0.0);
  station[0] = 4;
  station[5] = 0.4;
  std::string model = std::string(kBarNodes) + "prop 1 type=5 matlID=1 pval=" + list(pval) +
                      " stationX=0.5 stationValues=" + list(station) + "\n";
  MassProperties p = measure(model);
  EXPECT_NEAR(p.structuralMass, 3 * 2 * (0.5 * 3 + 0.5 * 2.5), 1e-12);
  EXPECT_NEAR(p.nonStructuralMass, 2 * 0.4, 1e-12);
}

TEST(SectionMassTest, OffsetsMoveTheLineBetweenTheirEnds) {
  // End A lifted by 1 in z, end B by 3: the mass lies on the line from (0,0,1) to (2,0,3).
  std::string model = std::string(kBarNodes) + "prop 1 type=2 matlID=1 pval=0.5\n";
  model.replace(model.find("orient=0,1,0"), 12, "orient=0,1,0 offset=0,0,1,0,0,3");
  MassProperties p = measure(model);
  EXPECT_NEAR(p.length, std::sqrt(8.0), 1e-12);
  EXPECT_NEAR(p.structuralMass, 3 * 0.5 * std::sqrt(8.0), 1e-12);
  EXPECT_NEAR(p.totalCG[0], 1, 1e-12);
  EXPECT_NEAR(p.totalCG[2], 2, 1e-12);
  // Offsets in the element system (z along x × y, y from the orientation vector): +z here.
  std::string element = std::string(kBarNodes) + "prop 1 type=2 matlID=1 pval=0.5\n";
  element.replace(element.find("orient=0,1,0"), 12, "orient=0,1,0 offset=0,0,1,0,0,1 offsetType=\"GOO\"");
  EXPECT_NEAR(measure(element).totalCG[2], 1, 1e-12);
}

TEST(PointMassTest, ConcentratedMassWithOffsetAndInertiaInARotatedSystem) {
  // System 1: x' along global y, y' along −x, z' along z. The mass 5 sits 1 along x' from node
  // (1,2,3), at (1,3,3); its inertia about its centre is I11 = 2 about x', I22 = 3, I33 = 4 and
  // I21 = 0.5 in x'y'. In global axes: Ixx = I22 = 3, Iyy = I11 = 2, Izz = 4, and
  // ∫xy dm = ∫(−y')(x') dm = −0.5.
  std::string model =
      "csys 1 type=0 origin=0,0,0 pointZ=0,0,1 pointXZ=0,1,0\n"
      "node 1 x=1 y=2 z=3\n"
      "prop 1 type=27 refCS=1 pval=0,2,0.5,3,0,0,4,5,1,0,0,5,5\n"
      "elem 1 type=27 topology=9 propID=1 node=1\n";
  MassProperties p = measure(model);
  EXPECT_NEAR(p.structuralMass, 5, 1e-12);
  EXPECT_NEAR(p.totalCG[0], 1, 1e-12);
  EXPECT_NEAR(p.totalCG[1], 3, 1e-12);
  EXPECT_NEAR(p.totalCG[2], 3, 1e-12);
  const std::array<double, 6> aboutCentre{3, 2, 4, -0.5, 0, 0};
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(p.inertiaCG[i], aboutCentre[i], 1e-12) << i;
  // About the origin: the parallel axes m(y²+z²) = 5·18 and so on, m·xy = 15.
  const std::array<double, 6> aboutOrigin{3 + 90, 2 + 50, 4 + 50, -0.5 + 15, 45, 15};
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(p.inertia[i], aboutOrigin[i], 1e-12) << i;
  EXPECT_EQ(p.length + p.area + p.volume, 0);
}

TEST(PointMassTest, SystemMinusOneGivesTheCentreItself) {
  std::string model =
      "node 1 x=1 y=2 z=3\n"
      "prop 1 type=27 refCS=-1 pval=0,0,0,0,0,0,0,2,7,8,9\n"
      "elem 1 type=27 topology=9 propID=1 node=1\n";
  MassProperties p = measure(model);
  EXPECT_NEAR(p.totalCG[0], 7, 1e-12);
  EXPECT_NEAR(p.totalCG[2], 9, 1e-12);
}

TEST(PlateMassTest, LaminateSumsItsPliesAndItsNonStructuralMass) {
  // Unit square; plies 0.1 thick of density 2 and 0.2 thick of density 3: 0.8 per area, NSM 0.5.
  std::string base =
      "node 1 x=0 y=0 z=0\nnode 2 x=1 y=0 z=0\nnode 3 x=1 y=1 z=0\nnode 4 x=0 y=1 z=0\n"
      "matl 1 Density=2\nmatl 2 Density=3\n"
      "layup 1 matlID=1,2 thickness=0.1,0.2 angle=0,45\n"
      "elem 1 type=21 topology=4 propID=1 node=1,2,3,4\n";
  MassProperties p = measure(base + "prop 1 type=21 layupID=1 pval=0,0.5\n");
  EXPECT_NEAR(p.structuralMass, 0.8, 1e-12);
  EXPECT_NEAR(p.nonStructuralMass, 0.5, 1e-12);
  EXPECT_NEAR(p.totalCG[0], 0.5, 1e-12);
  // Symmetric: the plies given are one half of the laminate.
  EXPECT_NEAR(measure(base + "prop 1 type=21 layupID=1 pval=0,0.5 flag=0,1\n").structuralMass, 1.6, 1e-12);
  // Symmetric about a core (the last ply): faces twice, core once.
  EXPECT_NEAR(measure(base + "prop 1 type=21 layupID=1 pval=0,0.5 flag=0,5\n").structuralMass, 1.0, 1e-12);
}

TEST(PlateMassTest, ShearPanelsAndDrillingPlatesAreMeasuredAsPlates) {
  std::string nodes = "node 1 x=0 y=0 z=0\nnode 2 x=2 y=0 z=0\nnode 3 x=2 y=1 z=0\nnode 4 x=0 y=1 z=0\nmatl 1 Density=4\n";
  MassProperties shear = measure(nodes + "prop 1 type=11 matlID=1 pval=0.5,0,0,0,0,0,0,0.25\n"
                                         "elem 1 type=11 topology=4 propID=1 node=1,2,3,4\n");
  EXPECT_NEAR(shear.structuralMass, 2 * 0.5 * 4, 1e-12);
  EXPECT_NEAR(shear.nonStructuralMass, 0.5, 1e-12);
  MassProperties drilling = measure(nodes + "prop 1 type=17 matlID=1 pval=0.5\n"
                                            "elem 1 type=17 topology=2 propID=1 node=1,2,3 formulation=1\n");
  EXPECT_NEAR(drilling.structuralMass, 1 * 0.5 * 4, 1e-12);
}

TEST(PlateMassTest, CurvedEightNodeQuadrilateralAddsItsParabolicSegment) {
  // The unit square with the middle of its lower edge pulled down by 0.3: a parabolic edge adds
  // 2/3 · 0.3 · 1 of area. Straight mid-side nodes give the square itself.
  std::string nodes =
      "node 1 x=0 y=0 z=0\nnode 2 x=1 y=0 z=0\nnode 3 x=1 y=1 z=0\nnode 4 x=0 y=1 z=0\n"
      "node 5 x=0.5 y=-0.3 z=0\nnode 6 x=1 y=0.5 z=0\nnode 7 x=0.5 y=1 z=0\nnode 8 x=0 y=0.5 z=0\n"
      "node 9 x=0.5 y=0 z=0\nmatl 1 Density=1\nprop 1 type=18 matlID=1 pval=1\n";
  EXPECT_NEAR(measure(nodes + "elem 1 type=18 topology=5 propID=1 node=1,2,3,4,5,6,7,8\n").area, 1 + 0.2, 1e-12);
  EXPECT_NEAR(measure(nodes + "elem 1 type=18 topology=5 propID=1 node=1,2,3,4,9,6,7,8\n").area, 1, 1e-12);
  // A six-node triangle with a mid-side node left out: that edge is straight.
  EXPECT_NEAR(measure(nodes + "elem 1 type=18 topology=3 propID=1 node=1,2,4,5,0,8\n").area, 0.5 + 0.2, 1e-12);
}

// The images of a ten-node tetrahedron's nodes (corners at the unit axes) under a map.
template <class Map>
std::string tetra10(Map map) {
  const Vec3 reference[10] = {{0, 0, 0},     {1, 0, 0},     {0, 1, 0},   {0, 0, 1},   {0.5, 0, 0},
                              {0.5, 0.5, 0}, {0, 0.5, 0},   {0, 0, 0.5}, {0.5, 0, 0.5}, {0, 0.5, 0.5}};
  std::ostringstream out;
  out.precision(17);
  for (int n = 0; n < 10; ++n) {
    Vec3 p = map(reference[n]);
    out << "node " << n + 1 << " x=" << p[0] << " y=" << p[1] << " z=" << p[2] << "\n";
  }
  out << "matl 1 Density=6\nprop 1 type=26 matlID=1\nelem 1 type=26 topology=10 propID=1 node=1,2,3,4,5,6,7,8,9,10\n";
  return out.str();
}

TEST(SolidMassTest, TenNodeTetrahedronStraightAndCurved) {
  MassProperties straight = measure(tetra10([](const Vec3& p) { return p; }));
  EXPECT_NEAR(straight.volume, 1.0 / 6, 1e-14);
  EXPECT_NEAR(straight.totalCG[2], 0.25, 1e-14);
  // z' = z + c·x·y shears the tetrahedron without changing its volume; the centre rises by
  // c·∫xy dV / V = c·(1/120)/(1/6) = c/20, and ∫z'² dV = ∫z² + 2c∫xyz + c²∫x²y² = 1/60 + 2c/720 + 4c²/7!.
  const double c = 0.8;
  MassProperties curved = measure(tetra10([c](const Vec3& p) { return Vec3{p[0], p[1], p[2] + c * p[0] * p[1]}; }));
  EXPECT_NEAR(curved.volume, 1.0 / 6, 1e-14);
  EXPECT_NEAR(curved.structuralMass, 1, 1e-13);
  EXPECT_NEAR(curved.totalCG[2], 0.25 + c / 20, 1e-14);
  double zz = 6 * (1.0 / 60 + 2 * c / 720 + c * c / 1260);
  double xx = 6 * (1.0 / 60);
  EXPECT_NEAR(curved.inertia[1], xx + zz, 1e-13);  // Iyy = ∫(x² + z²) dm
}

// A twenty-node brick on the unit cube under a map of its reference coordinates in [0, 1]³.
template <class Map>
std::string brick20(Map map) {
  const Vec3 corners[8] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
  const int edges[12][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {0, 4}, {1, 5}, {2, 6}, {3, 7}, {4, 5}, {5, 6}, {6, 7}, {7, 4}};
  std::vector<Vec3> reference(corners, corners + 8);
  for (const auto& edge : edges) {
    const Vec3& a = corners[edge[0]];
    const Vec3& b = corners[edge[1]];
    reference.push_back({(a[0] + b[0]) / 2, (a[1] + b[1]) / 2, (a[2] + b[2]) / 2});
  }
  std::ostringstream out;
  out.precision(17);
  for (std::size_t n = 0; n < reference.size(); ++n) {
    Vec3 p = map(reference[n]);
    out << "node " << n + 1 << " x=" << p[0] << " y=" << p[1] << " z=" << p[2] << "\n";
  }
  out << "matl 1 Density=2\nprop 1 type=26 matlID=1\nelem 1 type=26 topology=12 propID=1 node=";
  for (int n = 1; n <= 20; ++n) out << (n > 1 ? "," : "") << n;
  out << "\n";
  return out.str();
}

TEST(SolidMassTest, TwentyNodeBrickStraightAndBulged) {
  MassProperties cube = measure(brick20([](const Vec3& p) { return p; }));
  EXPECT_NEAR(cube.volume, 1, 1e-14);
  EXPECT_NEAR(cube.inertiaCG[0], 2 * (1.0 / 6), 1e-13);  // m(b² + c²)/12
  // The top bulges: z' = z·h(x), h = 1 + c·x(1 − x), inside the 20-node brick's shape functions.
  // V = ∫h = 1 + c/6; x̄ = ∫x·h / V = (1/2 + c/12)/V; z̄ = ∫h²/2 / V = (1 + c/3 + c²/30)/(2V);
  // Izz about the origin = ρ(∫x²h + ∫y²h) = ρ(1/3 + c/20 + (1 + c/6)/3).
  const double c = 0.6;
  MassProperties bulged = measure(brick20([c](const Vec3& p) { return Vec3{p[0], p[1], p[2] * (1 + c * p[0] * (1 - p[0]))}; }));
  double volume = 1 + c / 6;
  EXPECT_NEAR(bulged.volume, volume, 1e-14);
  EXPECT_NEAR(bulged.totalCG[0], (0.5 + c / 12) / volume, 1e-14);
  EXPECT_NEAR(bulged.totalCG[2], (1 + c / 3 + c * c / 30) / (2 * volume), 1e-14);
  EXPECT_NEAR(bulged.inertia[2], 2 * (1.0 / 3 + c / 20 + volume / 3), 1e-13);
}

TEST(SolidMassTest, WedgesOfSixAndFifteenNodes) {
  // A prism: the right triangle (0,0),(2,0),(0,2) extruded by 3: volume 6, centre (2/3, 2/3, 1.5).
  std::string nodes =
      "node 1 x=0 y=0 z=0\nnode 2 x=2 y=0 z=0\nnode 3 x=0 y=2 z=0\n"
      "node 4 x=0 y=0 z=3\nnode 5 x=2 y=0 z=3\nnode 6 x=0 y=2 z=3\nmatl 1 Density=1\nprop 1 type=25 matlID=1\n";
  MassProperties six = measure(nodes + "elem 1 type=25 topology=7 propID=1 node=1,2,3,4,5,6\n");
  EXPECT_NEAR(six.volume, 6, 1e-13);
  EXPECT_NEAR(six.totalCG[0], 2.0 / 3, 1e-14);
  EXPECT_NEAR(six.totalCG[2], 1.5, 1e-14);
  // The same prism with its fifteen nodes left to lie on straight edges (mid-side nodes omitted).
  MassProperties fifteen = measure(nodes + "elem 1 type=26 topology=11 propID=1 node=1,2,3,4,5,6\n");
  EXPECT_NEAR(fifteen.volume, 6, 1e-13);
  EXPECT_NEAR(fifteen.inertiaCG[2], six.inertiaCG[2], 1e-12);
}

TEST(MassModelTest, SpringsAndRigidElementsCarryNoMass) {
  std::string model =
      "node 1 x=0 y=0 z=0\nnode 2 x=1 y=0 z=0\nnode 3 x=0 y=1 z=0\nmatl 1 Density=1\n"
      "prop 1 type=6 pval=100,100,100\nprop 2 type=7 pval=100\n"
      "elem 1 type=6 topology=0 propID=1 node=1,2\n"
      "elem 2 type=7 topology=0 propID=2 node=1,0 springDOF=1,0\n"
      "elem 3 type=29 topology=13 node=1 nodeList=2,3 nodeDOF=123456,123456\n";
  MassProperties p = measure(model);
  EXPECT_EQ(p.totalMass, 0);
  EXPECT_EQ(p.length, 0);
}

}  // namespace
}  // namespace femapsim
