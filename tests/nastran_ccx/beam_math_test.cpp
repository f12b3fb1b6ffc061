// The section, load and interpolation arithmetic behind bars and rigid elements, against
// hand formulas: a PBARL I's, BOX's and T's inertias, the fixed-end loads of a uniform and of a
// point load, the bar's end forces, and RBE3's spread of a force off the weighted centre.
#include <gtest/gtest.h>

#include <cmath>

#include "beam_sections.h"
#include "line_elements.h"

namespace nastranccx {
namespace {

TEST(BeamMathTest, StandardSectionsMatchHandFormulas) {
  // I: depth 10, flanges 6 x 1, web 0.5: I1 = (6 10^3 - 5.5 8^3) / 12, I2 = (2 1 6^3 + 8 0.5^3) / 12.
  ShapeResult i = standardSection("I", {10, 6, 6, 0.5, 1, 1});
  ASSERT_TRUE(i.section) << i.reason;
  EXPECT_DOUBLE_EQ(i.section->area, 2 * 6 + 8 * 0.5);
  EXPECT_DOUBLE_EQ(i.section->i1, (6 * 1000.0 - 5.5 * 512.0) / 12);
  EXPECT_DOUBLE_EQ(i.section->i2, (2 * 216.0 + 8 * 0.125) / 12);
  EXPECT_EQ(i.section->points[0], (std::array<double, 2>{5, 3}));
  // BOX 4 x 6, walls 0.5 (top, bottom) and 0.25 (sides): a thin tube's J by Bredt, 4 A^2 t / s.
  ShapeResult box = standardSection("BOX", {4, 6, 0.5, 0.25});
  ASSERT_TRUE(box.section);
  EXPECT_DOUBLE_EQ(box.section->i1, (4 * 216.0 - 3.5 * 125.0) / 12);
  EXPECT_DOUBLE_EQ(box.section->torsion, 4 * std::pow(3.75 * 5.5, 2) / (2 * 3.75 / 0.5 + 2 * 5.5 / 0.25));
  // A square BAR's J is 0.1406 a^4 (St. Venant).
  EXPECT_NEAR(standardSection("BAR", {2, 2}).section->torsion, 0.1406 * 16, 0.002 * 16);
  EXPECT_FALSE(standardSection("HAT", {1, 1, 1, 1}).section);
  EXPECT_FALSE(standardSection("TUBE", {1, 2}).section);
}

TEST(BeamMathTest, TSectionAboutItsCentroidWithPointsFromItsShearCentre) {
  // T: flange 4 x 1 on top, web 1 thick, 5 deep overall. A = 4 + 4 = 8; first moment about the
  // top edge 4 x 0.5 + 4 x 3 = 14, so the centroid lies 1.75 below it. About the top edge the
  // second moment is 4 x 1^3 / 3 + 1 x (5^3 - 1^3) / 3 = 128 / 3; less A 1.75^2 = 24.5.
  ShapeResult t = standardSection("T", {4, 5, 1, 1});
  ASSERT_TRUE(t.section) << t.reason;
  EXPECT_DOUBLE_EQ(t.section->area, 8);
  EXPECT_NEAR(t.section->i1, 128.0 / 3 - 24.5, 1e-12);
  EXPECT_NEAR(t.section->i2, (1 * 64.0 + 4 * 1.0) / 12, 1e-12);  // flange 1 x 4^3, web 4 x 1^3
  EXPECT_DOUBLE_EQ(t.section->i12, 0);
  EXPECT_TRUE(t.centroidOffAxis);
  EXPECT_FALSE(standardSection("I", {10, 6, 6, 0.5, 1, 1}).centroidOffAxis);
  // Open thin walls, b t^3 / 3 each: the flange, and the web 4.5 from the flange's mid-line.
  EXPECT_NEAR(t.section->torsion, (4 * 1.0 + 4.5 * 1.0) / 3, 1e-12);
  // The shear centre is where the mid-lines meet, 0.5 below the top: C and F at the flange's
  // top corners, D and E at the web's foot 4.5 below it.
  EXPECT_EQ(t.section->points[0], (std::array<double, 2>{0.5, 2}));
  EXPECT_EQ(t.section->points[1], (std::array<double, 2>{-4.5, 0.5}));
  EXPECT_EQ(t.section->points[2], (std::array<double, 2>{-4.5, -0.5}));
  EXPECT_EQ(t.section->points[3], (std::array<double, 2>{0.5, -2}));
  EXPECT_FALSE(standardSection("T", {4, 1, 1, 1}).section);    // no web below the flange
  EXPECT_FALSE(standardSection("T", {1, 5, 1, 1}).section);    // web as wide as the flange
  EXPECT_FALSE(standardSection("T", {4, 5, 1}).section);       // a dimension missing
}

TEST(BeamMathTest, LineLoadsGiveTheFixedEndForcesOfBeamTables) {
  // Uniform w along y over L: w L / 2 at each end, moments +-w L^2 / 12 about z.
  EndValues uniform = lineLoadEquivalent(10, 1, 0, 10.0, 2, 2);
  EXPECT_NEAR(uniform[1], 10, 1e-12);
  EXPECT_NEAR(uniform[7], 10, 1e-12);
  EXPECT_NEAR(uniform[5], 2 * 100.0 / 12, 1e-12);
  EXPECT_NEAR(uniform[11], -2 * 100.0 / 12, 1e-12);
  // A point load P along z at a = 3 of L = 10 (b = 7): P b^2 (3a + b) / L^3 at A, moment
  // -P a b^2 / L^2 about y at A (a load along +z turns the end about -y).
  EndValues point = lineLoadEquivalent(10, 2, 3, std::nullopt, 1, 0);
  EXPECT_NEAR(point[2], 49.0 * 16 / 1000, 1e-12);
  EXPECT_NEAR(point[4], -3.0 * 49 / 100, 1e-12);
}

TEST(BeamMathTest, EndForcesOfACantileverTipMotion) {
  // A tip displacement v along y of a cantilever (A fixed, B free to turn as a cantilever does:
  // rotation 3 v / (2 L)) takes 3 E I v / L^3 at B and no moment there.
  std::optional<BarFrame> frame = barFrame({0, 0, 0}, {10, 0, 0}, {0, 1, 0});
  ASSERT_TRUE(frame);
  BeamSection section;
  section.area = 1, section.i1 = 2, section.i2 = 3, section.torsion = 1;
  EndValues motion{};
  motion[7] = 1, motion[11] = 3.0 / 20;
  EndValues forces = barEndForces(*frame, section, 1000, 400, motion, EndValues{});
  EXPECT_NEAR(forces[7], 3 * 1000 * 2 / 1000.0, 1e-9);
  EXPECT_NEAR(forces[11], 0, 1e-9);
  resultfiles::BarForce bar = barForce(1, forces);
  EXPECT_NEAR(bar.moment1A, -forces[7] * 10, 1e-5);  // M1 = -P L at the root
}

TEST(BeamMathTest, Rbe3SpreadsByTheWeightedLeastSquaresRule) {
  // Equal weights at the corners (+-1, +-1, 0), reference at (0.5, 0, 0): a unit motion of the
  // corner (1, 1) along z moves the reference by 1/4 + 0.5 x 1 / 4 = 3/8.
  std::vector<std::pair<Vec3, double>> corners = {
      {{1, 1, 0}, 1}, {{-1, 1, 0}, 1}, {{-1, -1, 0}, 1}, {{1, -1, 0}, 1}};
  auto matrices = interpolationMatrices({0.5, 0, 0}, corners);
  ASSERT_TRUE(matrices);
  EXPECT_NEAR((*matrices)[0][2][2], 3.0 / 8, 1e-12);
  EXPECT_NEAR((*matrices)[1][2][2], 1.0 / 8, 1e-12);
  // In line, the points leave the rotation about their line free.
  EXPECT_FALSE(interpolationMatrices({0, 0, 0}, {{{1, 0, 0}, 1}, {{-1, 0, 0}, 1}}));
}

}  // namespace
}  // namespace nastranccx
