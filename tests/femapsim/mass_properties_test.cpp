#include "femapsim/mass_properties.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

namespace femapsim {
namespace {

using Vec3 = std::array<double, 3>;
using Inertia = std::array<double, 6>;  // xx, yy, zz, xy, yz, zx

constexpr double kTolerance = 1e-12;

void expectNear(const Vec3& actual, const Vec3& expected, double tolerance = kTolerance) {
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(actual[i], expected[i], tolerance) << "component " << i;
}

void expectNear(const Inertia& actual, const Inertia& expected, double tolerance = kTolerance) {
  static const char* const kNames[6] = {"xx", "yy", "zz", "xy", "yz", "zx"};
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(actual[i], expected[i], tolerance) << kNames[i];
}

void expectSame(const MassProperties& actual, const MassProperties& expected) {
  EXPECT_NEAR(actual.length, expected.length, kTolerance);
  EXPECT_NEAR(actual.area, expected.area, kTolerance);
  EXPECT_NEAR(actual.volume, expected.volume, kTolerance);
  EXPECT_NEAR(actual.structuralMass, expected.structuralMass, kTolerance);
  EXPECT_NEAR(actual.nonStructuralMass, expected.nonStructuralMass, kTolerance);
  EXPECT_NEAR(actual.totalMass, expected.totalMass, kTolerance);
  expectNear(actual.structuralCG, expected.structuralCG);
  expectNear(actual.nonStructuralCG, expected.nonStructuralCG);
  expectNear(actual.totalCG, expected.totalCG);
  expectNear(actual.inertia, expected.inertia);
  expectNear(actual.inertiaCG, expected.inertiaCG);
}

void expectAllZero(const MassProperties& p) { expectSame(p, MassProperties{}); }

MassElement rod(Vec3 a, Vec3 b, double area, double density, double massPerLength = 0) {
  return {.topology = 0, .nodes = {a, b}, .section = area, .density = density, .nonStructural = massPerLength};
}

MassElement plate(std::vector<Vec3> corners, double thickness, double density,
                  double massPerArea = 0) {
  int topology = corners.size() == 3 ? 2 : 4;
  return {.topology = topology, .nodes = std::move(corners), .section = thickness, .density = density,
          .nonStructural = massPerArea};
}

MassElement solid(std::vector<Vec3> corners, double density) {
  int topology = corners.size() == 4 ? 6 : 8;
  return {.topology = topology, .nodes = std::move(corners), .density = density};
}

MassElement box(Vec3 low, Vec3 high, double density) {
  auto [x0, y0, z0] = low;
  auto [x1, y1, z1] = high;
  return solid({{x0, y0, z0}, {x1, y0, z0}, {x1, y1, z0}, {x0, y1, z0},
                {x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}},
               density);
}

// Corners of the unit cube, numbered as a brick's nodes.
const std::array<Vec3, 8> kCube = {{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                    {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}}};

std::vector<MassElement> tetrahedra(const std::vector<std::array<int, 4>>& cornerSets,
                                    double density) {
  std::vector<MassElement> elements;
  for (const auto& set : cornerSets) {
    elements.push_back(solid({kCube[set[0]], kCube[set[1]], kCube[set[2]], kCube[set[3]]}, density));
  }
  return elements;
}

// ---------------------------------------------------------------------------------------------
// Lines

TEST(LineMassTest, RodHasLengthMassAndCentreAtItsMidpoint) {
  std::vector<MassElement> model = {rod({1, 2, 3}, {5, 2, 3}, 0.5, 2)};
  MassProperties p = measureMassProperties(model);
  EXPECT_NEAR(p.length, 4, kTolerance);
  EXPECT_EQ(p.area, 0);
  EXPECT_EQ(p.volume, 0);
  EXPECT_NEAR(p.structuralMass, 4, kTolerance);
  EXPECT_EQ(p.nonStructuralMass, 0);
  EXPECT_NEAR(p.totalMass, 4, kTolerance);
  expectNear(p.structuralCG, {3, 2, 3});
  expectNear(p.nonStructuralCG, {0, 0, 0});
  expectNear(p.totalCG, {3, 2, 3});
}

TEST(LineMassTest, RodInertiaAboutItsCentreIsMassTimesLengthSquaredOverTwelve) {
  std::vector<MassElement> model = {rod({1, 2, 3}, {5, 2, 3}, 0.5, 2)};  // m = 4, L = 4
  MassProperties p = measureMassProperties(model);
  const double perpendicular = 4.0 * 16 / 12;
  expectNear(p.inertiaCG, {0, perpendicular, perpendicular, 0, 0, 0});
  // About the origin: the centre's (3, 2, 3) offsets added, products m·x·y etc.
  expectNear(p.inertia, {4.0 * (4 + 9), perpendicular + 4.0 * (9 + 9),
                         perpendicular + 4.0 * (9 + 4), 4.0 * 6, 4.0 * 6, 4.0 * 9});
}

TEST(LineMassTest, ObliqueRodProductsArePositiveAlongItsDirection) {
  // L = 5 along (0.6, 0.8, 0), m = 6: about the centre ∫x'ᵢx'ⱼ dm = m·L²/12·dᵢdⱼ.
  std::vector<MassElement> model = {rod({0, 0, 0}, {3, 4, 0}, 1, 1.2)};
  MassProperties p = measureMassProperties(model);
  EXPECT_NEAR(p.totalMass, 6, kTolerance);
  expectNear(p.totalCG, {1.5, 2, 0});
  expectNear(p.inertiaCG, {8, 4.5, 12.5, 6, 0, 0});
  expectNear(p.inertia, {32, 18, 50, 24, 0, 0});
}

TEST(LineMassTest, NonStructuralMassIsKeptApartWithItsOwnCentre) {
  std::vector<MassElement> model = {
      rod({0, 0, 0}, {2, 0, 0}, 1, 1),         // structural 2 at (1, 0, 0)
      rod({0, 0, 4}, {2, 0, 4}, 1, 0.5, 3),    // structural 1, non-structural 6 at (1, 0, 4)
  };
  MassProperties p = measureMassProperties(model);
  EXPECT_NEAR(p.length, 4, kTolerance);
  EXPECT_NEAR(p.structuralMass, 3, kTolerance);
  EXPECT_NEAR(p.nonStructuralMass, 6, kTolerance);
  EXPECT_NEAR(p.totalMass, 9, kTolerance);
  expectNear(p.structuralCG, {1, 0, 4.0 / 3});
  expectNear(p.nonStructuralCG, {1, 0, 4});
  expectNear(p.totalCG, {1, 0, 28.0 / 9});
  // Inertia covers the total mass: 2 at z = 0 and 7 at z = 4, each spread over x ∈ [0, 2].
  const double xx = 7 * 16;         // ∫(y² + z²) dm
  const double x2 = 9 * 4.0 / 3;    // ∫x² dm
  expectNear(p.inertia, {xx, x2 + xx, x2, 0, 0, 7 * 4.0});
}

// ---------------------------------------------------------------------------------------------
// Plates

TEST(PlateMassTest, UnitSquareHasCentreInTheMiddleAndRectangleInertia) {
  std::vector<MassElement> model = {
      plate({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, 0.2, 5, 0.5)};
  MassProperties p = measureMassProperties(model);
  EXPECT_NEAR(p.area, 1, kTolerance);
  EXPECT_EQ(p.length, 0);
  EXPECT_EQ(p.volume, 0);
  EXPECT_NEAR(p.structuralMass, 1, kTolerance);
  EXPECT_NEAR(p.nonStructuralMass, 0.5, kTolerance);
  EXPECT_NEAR(p.totalMass, 1.5, kTolerance);
  expectNear(p.structuralCG, {0.5, 0.5, 0});
  expectNear(p.nonStructuralCG, {0.5, 0.5, 0});
  expectNear(p.totalCG, {0.5, 0.5, 0});
  const double m = 1.5;
  expectNear(p.inertiaCG, {m / 12, m / 12, m * (1 + 1) / 12, 0, 0, 0});
  expectNear(p.inertia, {m / 3, m / 3, 2 * m / 3, m / 4, 0, 0});
}

TEST(PlateMassTest, RectangleAwayFromTheOriginPicksUpAllProducts) {
  // 2 × 3 rectangle in the plane z = 5, m = 6, centre (2, 2.5, 5).
  std::vector<MassElement> model = {
      plate({{1, 1, 5}, {3, 1, 5}, {3, 4, 5}, {1, 4, 5}}, 1, 1)};
  MassProperties p = measureMassProperties(model);
  EXPECT_NEAR(p.area, 6, kTolerance);
  expectNear(p.totalCG, {2, 2.5, 5});
  expectNear(p.inertiaCG, {6 * 9.0 / 12, 6 * 4.0 / 12, 6 * 13.0 / 12, 0, 0, 0});
  expectNear(p.inertia, {192, 176, 68, 30, 75, 60});
}

TEST(PlateMassTest, TriangleHasCentroidAndSecondMomentsOfARightTriangle) {
  // Legs of 3 along x and y, area 4.5, m = 9; about the centroid ∫x'y' dA = −b²h²/72.
  std::vector<MassElement> model = {plate({{0, 0, 0}, {3, 0, 0}, {0, 3, 0}}, 1, 2)};
  MassProperties p = measureMassProperties(model);
  EXPECT_NEAR(p.area, 4.5, kTolerance);
  EXPECT_NEAR(p.totalMass, 9, kTolerance);
  expectNear(p.totalCG, {1, 1, 0});
  expectNear(p.inertiaCG, {4.5, 4.5, 9, -2.25, 0, 0});
  expectNear(p.inertia, {13.5, 13.5, 27, 6.75, 0, 0});
}

TEST(PlateMassTest, TriangleOutOfTheXYPlaneIsMeasuredInItsOwnPlane) {
  std::vector<MassElement> model = {plate({{2, 0, 0}, {2, 3, 0}, {2, 0, 3}}, 1, 1)};
  MassProperties p = measureMassProperties(model);
  EXPECT_NEAR(p.area, 4.5, kTolerance);
  expectNear(p.totalCG, {2, 1, 1});
}

TEST(PlateMassTest, TrapezoidCentroidIsNotTheMeanOfItsCorners) {
  // Parallel sides 4 (y = 0) and 2 (y = 2): centroid height h(b + 2a)/(3(a + b)) = 8/9, not 1.
  std::vector<MassElement> model = {
      plate({{0, 0, 0}, {4, 0, 0}, {3, 2, 0}, {1, 2, 0}}, 1, 1)};
  MassProperties p = measureMassProperties(model);
  EXPECT_NEAR(p.area, 6, kTolerance);
  expectNear(p.totalCG, {2, 8.0 / 9, 0});
  // ∫y² dA = 20/3, ∫x² dA = 29, ∫xy dA = 2·∫y dA = 32/3.
  expectNear(p.inertia, {20.0 / 3, 29, 29 + 20.0 / 3, 32.0 / 3, 0, 0});
  expectNear(p.inertiaCG, {20.0 / 3 - 6 * 64.0 / 81, 29 - 6 * 4, 29 + 20.0 / 3 - 6 * (4 + 64.0 / 81),
                           0, 0, 0});
}

TEST(PlateMassTest, InclinedQuadrilateralIsMeasuredOnItsSurface) {
  std::vector<MassElement> model = {
      plate({{0, 0, 0}, {1, 0, 1}, {1, 1, 1}, {0, 1, 0}}, 1, 1)};
  MassProperties p = measureMassProperties(model);
  EXPECT_NEAR(p.area, std::sqrt(2.0), kTolerance);
  expectNear(p.totalCG, {0.5, 0.5, 0.5});
}

TEST(PlateMassTest, ReversedPlatesHavePositiveAreaAndMass) {
  std::vector<MassElement> forward = {
      plate({{0, 0, 0}, {4, 0, 0}, {3, 2, 0}, {1, 2, 0}}, 1, 1),
      plate({{0, 0, 1}, {3, 0, 1}, {0, 3, 1}}, 1, 2)};
  std::vector<MassElement> reversed = {
      plate({{0, 0, 0}, {1, 2, 0}, {3, 2, 0}, {4, 0, 0}}, 1, 1),
      plate({{0, 0, 1}, {0, 3, 1}, {3, 0, 1}}, 1, 2)};
  MassProperties p = measureMassProperties(reversed);
  EXPECT_NEAR(p.area, 10.5, kTolerance);
  EXPECT_NEAR(p.totalMass, 15, kTolerance);
  expectSame(p, measureMassProperties(forward));
}

// ---------------------------------------------------------------------------------------------
// Solids

// A unit cube of density 3: m = 3, Ixx about the centre m/6, about the origin 2m/3, Ixy = m/4.
void expectUnitCube(const MassProperties& p) {
  EXPECT_NEAR(p.volume, 1, kTolerance);
  EXPECT_EQ(p.length, 0);
  EXPECT_EQ(p.area, 0);
  EXPECT_NEAR(p.structuralMass, 3, kTolerance);
  EXPECT_EQ(p.nonStructuralMass, 0);
  EXPECT_NEAR(p.totalMass, 3, kTolerance);
  expectNear(p.structuralCG, {0.5, 0.5, 0.5});
  expectNear(p.nonStructuralCG, {0, 0, 0});
  expectNear(p.totalCG, {0.5, 0.5, 0.5});
  expectNear(p.inertiaCG, {0.5, 0.5, 0.5, 0, 0, 0});
  expectNear(p.inertia, {2, 2, 2, 0.75, 0.75, 0.75});
}

TEST(SolidMassTest, UnitCubeAsOneBrick) {
  std::vector<MassElement> model = {box({0, 0, 0}, {1, 1, 1}, 3)};
  expectUnitCube(measureMassProperties(model));
}

TEST(SolidMassTest, UnitCubeAsEightBricks) {
  std::vector<MassElement> model;
  for (int i = 0; i < 2; ++i) {
    for (int j = 0; j < 2; ++j) {
      for (int k = 0; k < 2; ++k) {
        model.push_back(box({i * 0.5, j * 0.5, k * 0.5}, {(i + 1) * 0.5, (j + 1) * 0.5, (k + 1) * 0.5}, 3));
      }
    }
  }
  expectUnitCube(measureMassProperties(model));
}

TEST(SolidMassTest, UnitCubeAsFiveTetrahedra) {
  // Four corner tetrahedra around a central one.
  expectUnitCube(measureMassProperties(
      tetrahedra({{0, 1, 3, 4}, {2, 1, 3, 6}, {5, 1, 4, 6}, {7, 3, 4, 6}, {1, 3, 4, 6}}, 3)));
}

TEST(SolidMassTest, UnitCubeAsSixTetrahedraOfMixedOrientation) {
  // Around the diagonal from corner 0 to corner 6; half of them are numbered inside out.
  expectUnitCube(measureMassProperties(tetrahedra(
      {{0, 1, 2, 6}, {0, 2, 3, 6}, {0, 3, 7, 6}, {0, 7, 4, 6}, {0, 4, 5, 6}, {0, 5, 1, 6}}, 3)));
}

TEST(SolidMassTest, FrustumBrickCentroidIsNotTheMeanOfItsCorners) {
  // 2 × 2 base at z = 0, 1 × 1 top at z = 1: volume 7/3, centroid height 11/28 (corner mean 1/2).
  std::vector<MassElement> model = {solid({{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0},
                                           {0.5, 0.5, 1}, {1.5, 0.5, 1}, {1.5, 1.5, 1}, {0.5, 1.5, 1}},
                                          1)};
  MassProperties p = measureMassProperties(model);
  EXPECT_NEAR(p.volume, 7.0 / 3, kTolerance);
  expectNear(p.totalCG, {1, 1, 11.0 / 28});
  // ∫z² dV = 8/15, ∫x² dV = ∫y² dV = 171/60, ∫xy dV = V, ∫yz dV = ∫zx dV = V·11/28.
  const double x2 = 171.0 / 60, z2 = 8.0 / 15;
  expectNear(p.inertia, {x2 + z2, x2 + z2, 2 * x2, 7.0 / 3, 11.0 / 12, 11.0 / 12});
}

TEST(SolidMassTest, ReversedSolidsHavePositiveVolumeAndMass) {
  std::vector<MassElement> forward = {box({0, 0, 0}, {1, 1, 1}, 3)};
  // The same brick with its faces swapped, and a tetrahedron with two nodes swapped.
  std::vector<MassElement> reversed = {
      solid({kCube[4], kCube[5], kCube[6], kCube[7], kCube[0], kCube[1], kCube[2], kCube[3]}, 3)};
  expectUnitCube(measureMassProperties(reversed));
  std::vector<MassElement> tetrahedron = {solid({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 1}}, 6)};
  MassProperties p = measureMassProperties(tetrahedron);
  EXPECT_NEAR(p.volume, 1.0 / 6, kTolerance);
  EXPECT_NEAR(p.totalMass, 1, kTolerance);
  expectNear(p.totalCG, {0.25, 0.25, 0.25});
}

// ---------------------------------------------------------------------------------------------
// Whole models

TEST(MassPropertiesTest, EmptyInputGivesAllZeros) {
  expectAllZero(measureMassProperties({}));
}

TEST(MassPropertiesTest, UnknownTopologiesAndMissingNodesAreSkipped) {
  auto element = [](int topology, std::vector<Vec3> nodes) {
    return MassElement{.topology = topology, .nodes = std::move(nodes), .section = 1, .density = 1, .nonStructural = 1};
  };
  std::vector<MassElement> model = {
      element(3, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}),  // six-node triangle with four
      element(-1, {{0, 0, 0}, {1, 0, 0}}),                       // unknown topology
      element(0, {{0, 0, 0}}),                                   // line with one node
      element(4, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}),             // quadrilateral with three
      element(8, {kCube.begin(), kCube.begin() + 4}),            // brick with four
      element(6, {}),
  };
  expectAllZero(measureMassProperties(model));
}

TEST(MassPropertiesTest, NodesBeyondTheCornersAreIgnored) {
  std::vector<MassElement> model = {{.topology = 0, .nodes = {{0, 0, 0}, {2, 0, 0}, {9, 9, 9}}, .section = 1, .density = 1}};
  MassProperties p = measureMassProperties(model);
  EXPECT_NEAR(p.length, 2, kTolerance);
  expectNear(p.totalCG, {1, 0, 0});
}

TEST(MassPropertiesTest, MasslessModelHasGeometryButZeroCentres) {
  std::vector<MassElement> model = {rod({1, 1, 1}, {3, 1, 1}, 1, 0),
                                    plate({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, 0.1, 0),
                                    box({0, 0, 0}, {1, 1, 1}, 0)};
  MassProperties p = measureMassProperties(model);
  EXPECT_NEAR(p.length, 2, kTolerance);
  EXPECT_NEAR(p.area, 1, kTolerance);
  EXPECT_NEAR(p.volume, 1, kTolerance);
  EXPECT_EQ(p.totalMass, 0);
  expectNear(p.structuralCG, {0, 0, 0}, 0);
  expectNear(p.nonStructuralCG, {0, 0, 0}, 0);
  expectNear(p.totalCG, {0, 0, 0}, 0);
  expectNear(p.inertia, {0, 0, 0, 0, 0, 0}, 0);
  expectNear(p.inertiaCG, {0, 0, 0, 0, 0, 0}, 0);
}

TEST(MassPropertiesTest, LinesPlatesAndSolidsAreSummedSeparately) {
  std::vector<MassElement> model = {rod({0, 0, 0}, {0, 0, 2}, 0.5, 2, 1),                        // m 2 + 2
                                    plate({{0, 0, 0}, {3, 0, 0}, {0, 3, 0}}, 0.1, 10, 1),        // m 4.5 + 4.5
                                    box({1, 1, 1}, {2, 3, 4}, 0.5),                              // m 3
                                    solid({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, 12)};    // m 2
  MassProperties p = measureMassProperties(model);
  EXPECT_NEAR(p.length, 2, kTolerance);
  EXPECT_NEAR(p.area, 4.5, kTolerance);
  EXPECT_NEAR(p.volume, 6 + 1.0 / 6, kTolerance);
  EXPECT_NEAR(p.structuralMass, 2 + 4.5 + 3 + 2, kTolerance);
  EXPECT_NEAR(p.nonStructuralMass, 2 + 4.5, kTolerance);
  EXPECT_NEAR(p.totalMass, 18, kTolerance);
  expectNear(p.nonStructuralCG, {(4.5 * 1) / 6.5, (4.5 * 1) / 6.5, (2 * 1.0) / 6.5});
  Vec3 structural{(2 * 0 + 4.5 * 1 + 3 * 1.5 + 2 * 0.25) / 11.5,
                  (2 * 0 + 4.5 * 1 + 3 * 2 + 2 * 0.25) / 11.5,
                  (2 * 1 + 4.5 * 0 + 3 * 2.5 + 2 * 0.25) / 11.5};
  expectNear(p.structuralCG, structural);
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(p.totalCG[i],
                (11.5 * structural[i] + 6.5 * p.nonStructuralCG[i]) / 18, kTolerance);
  }
}

TEST(MassPropertiesTest, InertiaAboutTheOriginAndTheCentreAgreeByParallelAxes) {
  std::vector<MassElement> model = {rod({-1, 2, 0.5}, {3, -1, 2}, 0.3, 7, 0.4),
                                    plate({{0, 0, 1}, {2, 0.5, 1.5}, {2.5, 2, 1}, {-0.5, 1.5, 0.5}}, 0.2, 3, 0.6),
                                    plate({{1, 1, 1}, {4, 2, 0}, {2, 5, 3}}, 0.1, 8),
                                    solid({{0, 0, 0}, {2, 0, 0.2}, {2.2, 1.5, 0}, {0, 1, 0},
                                           {0.1, 0, 1}, {2, 0.3, 1.4}, {2, 2, 1}, {-0.2, 1, 1.1}},
                                          2.5),
                                    solid({{3, 3, 3}, {4, 3, 3}, {3, 5, 3}, {3, 3, 6}}, 1.5)};
  MassProperties p = measureMassProperties(model);
  const double m = p.totalMass;
  const auto [x, y, z] = p.totalCG;
  const double tolerance = 1e-9;
  expectNear(p.inertia, {p.inertiaCG[0] + m * (y * y + z * z), p.inertiaCG[1] + m * (x * x + z * z),
                         p.inertiaCG[2] + m * (x * x + y * y), p.inertiaCG[3] + m * x * y,
                         p.inertiaCG[4] + m * y * z, p.inertiaCG[5] + m * z * x},
             tolerance);
  for (int i = 0; i < 3; ++i) EXPECT_GT(p.inertiaCG[i], 0);
}

TEST(MassPropertiesTest, ModelFarFromTheOriginKeepsItsInertiaAboutTheCentre) {
  const double far = 1e6;
  std::vector<MassElement> model = {box({far, far, far}, {far + 1, far + 1, far + 1}, 3)};
  MassProperties p = measureMassProperties(model);
  expectNear(p.totalCG, {far + 0.5, far + 0.5, far + 0.5}, 1e-9);
  expectNear(p.inertiaCG, {0.5, 0.5, 0.5, 0, 0, 0}, 1e-6);
}

}  // namespace
}  // namespace femapsim
