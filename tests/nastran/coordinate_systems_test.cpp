// Coordinate systems against positions and frames worked out by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "deck_text.h"
#include "nastran/coordinate_systems.h"

namespace nastran::testing {
namespace {

constexpr double kTolerance = 1e-12;
const double kHalfRoot2 = std::sqrt(0.5);

void expectNear(const Vec3& actual, const Vec3& expected, const std::string& what) {
  for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(actual[i], expected[i], kTolerance) << what << " [" << i << "]";
}

// 1: rectangular, shifted to (1, 2, 3). 2: rectangular, turned 90 degrees about z (its x is basic
// y). 3: cylindrical on system 2. 4: spherical at the origin. 5: CORD1R through grids 10, 11
// and 12, the last given in the cylindrical system 3.
const char* kSystems =
    "CORD2R,1,,1.,2.,3.,1.,2.,4.\n+,2.,2.,3.\n"
    "CORD2R,2,,0.,0.,0.,0.,0.,1.\n+,0.,1.,0.\n"
    "CORD2C,3,2,0.,0.,0.,0.,0.,1.\n+,1.,0.,0.\n"
    "CORD2S,4,,0.,0.,0.,0.,0.,1.\n+,1.,0.,0.\n"
    "CORD1R,5,10,11,12\n"
    "GRID,10,,1.,0.,0.\nGRID,11,,1.,0.,2.\nGRID,12,3,1.,180.,0.\n"
    "GRID,1,1,1.,1.,1.\nGRID,2,2,2.,3.,4.\nGRID,3,3,2.,90.,5.,3\nGRID,4,4,2.,90.,0.,4\nGRID,5,4,1.,60.,90.\n"
    "GRID,13,5,1.4142135623730951,0.,1.\n";

class CoordinateSystemsTest : public ::testing::Test {
 protected:
  CoordinateSystemsTest() : deck_(readBulk(kSystems)), systems_(deck_) {}
  const Vec3& position(int id) { return systems_.gridPosition(*systems_.gridIndex().find(id)); }
  Frame frame(int id) { return systems_.displacementDirections(*systems_.gridIndex().find(id)); }

  Deck deck_;
  CoordinateSystems systems_;
};

TEST_F(CoordinateSystemsTest, SystemsResolveToTheirOriginAndAxes) {
  const ResolvedSystem* shifted = systems_.find(1);
  ASSERT_TRUE(shifted);
  expectNear(shifted->origin, {1, 2, 3}, "origin 1");
  expectNear(shifted->axes[0], {1, 0, 0}, "x 1");
  const ResolvedSystem* turned = systems_.find(2);
  expectNear(turned->axes[0], {0, 1, 0}, "x 2");
  expectNear(turned->axes[1], {-1, 0, 0}, "y 2");
  expectNear(turned->axes[2], {0, 0, 1}, "z 2");
  // System 3 is given in system 2, so it takes system 2's axes.
  expectNear(systems_.find(3)->axes[0], {0, 1, 0}, "x 3");
  // CORD1R 5: origin grid 10, z towards grid 11, grid 12 at basic (0, -1, 0) in its xz plane.
  const ResolvedSystem* throughGrids = systems_.find(5);
  expectNear(throughGrids->origin, {1, 0, 0}, "origin 5");
  expectNear(throughGrids->axes[0], {-kHalfRoot2, -kHalfRoot2, 0}, "x 5");
  expectNear(throughGrids->axes[1], {kHalfRoot2, -kHalfRoot2, 0}, "y 5");
  expectNear(throughGrids->axes[2], {0, 0, 1}, "z 5");
  EXPECT_FALSE(systems_.find(9));
  EXPECT_TRUE(systems_.find(0));
}

TEST_F(CoordinateSystemsTest, GridPositionsInTheirSystemsReachBasic) {
  expectNear(position(1), {2, 3, 4}, "grid 1 (shifted)");
  expectNear(position(2), {-3, 2, 4}, "grid 2 (turned): 2 y2... = 2 (0,1,0) + 3 (-1,0,0) + 4 (0,0,1)");
  expectNear(position(3), {-2, 0, 5}, "grid 3 (r 2 at 90 degrees in 3: along its y, basic -x)");
  expectNear(position(4), {2, 0, 0}, "grid 4 (r 2, theta 90, phi 0)");
  expectNear(position(5), {0, std::sqrt(0.75), 0.5}, "grid 5 (r 1, theta 60, phi 90)");
  expectNear(position(12), {0, -1, 0}, "grid 12 (r 1 at 180 degrees in 3)");
  expectNear(position(13), {0, -1, 1}, "grid 13 (in the CORD1R)");
  expectNear(systems_.fromBasic(3, {-2, 0, 5}), {2, 90, 5}, "back into system 3");
  expectNear(systems_.fromBasic(4, {0, std::sqrt(0.75), 0.5}), {1, 60, 90}, "back into system 4");
}

TEST_F(CoordinateSystemsTest, DisplacementFramesFollowThePosition) {
  Frame cylindrical = frame(3);  // at 90 degrees: r along system 3's y, theta along its -x
  expectNear(cylindrical[0], {-1, 0, 0}, "r");
  expectNear(cylindrical[1], {0, -1, 0}, "theta");
  expectNear(cylindrical[2], {0, 0, 1}, "z");
  Frame spherical = frame(4);  // on the equator at phi 0
  expectNear(spherical[0], {1, 0, 0}, "r");
  expectNear(spherical[1], {0, 0, -1}, "theta");
  expectNear(spherical[2], {0, 1, 0}, "phi");
  Frame basic = frame(1);
  expectNear(basic[1], {0, 1, 0}, "CD 0 is basic");
}

std::string systemsError(const std::string& bulk) {
  try {
    Deck deck = readBulk(bulk);
    CoordinateSystems systems(deck);
  } catch (const DeckError& error) {
    return error.what();
  }
  return "(resolved)";
}

TEST(CoordinateSystemErrors, EachIsNamedWithItsCardAndLine) {
  EXPECT_EQ(systemsError("GRID,1\nCORD2R,6,7,0.,0.,0.,0.,0.,1.\n+,1.\nCORD2R,7,6,0.,0.,0.,0.,0.,1.\n+,1.\n"),
            "deck.dat:5: CORD2R 6: coordinate systems defined through one another in a loop: CORD2R 6 (RID 7) -> "
            "CORD2R 7 (RID 6) -> CORD2R 6");
  EXPECT_EQ(systemsError("CORD1R,8,20,21,22\nGRID,20,8\nGRID,21,,1.\nGRID,22,,0.,1.\n"),
            "deck.dat:4: CORD1R 8: coordinate systems defined through one another in a loop: CORD1R 8 (grid 20 given "
            "in system 8) -> CORD1R 8");
  EXPECT_EQ(systemsError("CORD2R,9,99,0.,0.,0.,0.,0.,1.\n+,1.\n"),
            "deck.dat:4: CORD2R 9: coordinate system 99 (RID) does not exist");
  EXPECT_EQ(systemsError("CORD2R,10,,0.,0.,0.,0.,0.,1.\n+,0.,0.,2.\n"),
            "deck.dat:4: CORD2R 10: points A, B and C lie on one line: they give no xz plane");
  EXPECT_EQ(systemsError("CORD2R,10,,1.,1.,1.,1.,1.,1.\n+,0.,0.,2.\n"),
            "deck.dat:4: CORD2R 10: points A and B are the same point: they give no z axis");
  EXPECT_EQ(systemsError("CORD1R,11,99,1,2\nGRID,1\nGRID,2,,1.\n"), "deck.dat:4: CORD1R 11: grid 99 (G1) does not exist");
  EXPECT_EQ(systemsError("GRID,5,77,1.\n"), "deck.dat:4: GRID 5: coordinate system 77 (CP) does not exist");
  EXPECT_EQ(systemsError("GRID,5,,1.,,,78\n"), "deck.dat:4: GRID 5: coordinate system 78 (CD) does not exist");
  EXPECT_EQ(systemsError("CORD2R,1,,0.,0.,0.,0.,0.,1.\n+,1.\nCORD1R,1,2,3,4\n"),
            "deck.dat:6: CORD1R 1: ID 1 is already used by the CORD2R at line 4");
}

}  // namespace
}  // namespace nastran::testing

namespace nastran::testing {
namespace {

// A system given in a cylindrical one: its points A, B, C are r, theta, z of system 1.
TEST(CoordinateSystemChains, PointsGivenInACylindricalReferenceSystem) {
  Deck deck = readBulk(
      "CORD2C,1,,0.,0.,0.,0.,0.,1.\n+,1.,0.,0.\n"
      "CORD2R,2,1,2.,90.,0.,2.,90.,1.\n+,3.,90.,0.\n"  // origin at basic (0, 2, 0), x along basic y
      "GRID,1,2,1.,1.,1.\n");
  CoordinateSystems systems(deck);
  const ResolvedSystem* system = systems.find(2);
  expectNear(system->origin, {0, 2, 0}, "origin");
  expectNear(system->axes[0], {0, 1, 0}, "x");
  expectNear(system->axes[1], {-1, 0, 0}, "y");
  expectNear(systems.gridPosition(0), {-1, 3, 1}, "grid 1");
}

TEST(CoordinateSystemChains, PointsGoToBasicAndBackInEveryKind) {
  Deck deck = readBulk(
      "CORD2R,1,,1.,2.,3.,1.5,2.5,4.\n+,3.,-1.,2.\nCORD2C,2,1,.5,.5,.5,.5,1.,2.\n+,2.,0.,1.\n"
      "CORD2S,3,2,1.,30.,1.,1.,60.,2.\n+,2.,10.,-1.\n");
  CoordinateSystems systems(deck);
  for (int cid : {1, 2, 3}) {
    for (const Vec3& coordinates : {Vec3{1.5, 40, 2}, Vec3{3, 120, -1}, Vec3{0.5, 170, 80}}) {
      Vec3 back = systems.fromBasic(cid, systems.toBasic(cid, coordinates));
      for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(back[i], coordinates[i], 1e-9) << cid << " " << i;
    }
    // The axes of every system stay a right-handed set of unit vectors.
    const Frame& axes = systems.find(cid)->axes;
    Vec3 z{axes[0][1] * axes[1][2] - axes[0][2] * axes[1][1], axes[0][2] * axes[1][0] - axes[0][0] * axes[1][2],
           axes[0][0] * axes[1][1] - axes[0][1] * axes[1][0]};
    expectNear(z, axes[2], "x cross y is z");
  }
}

}  // namespace
}  // namespace nastran::testing
