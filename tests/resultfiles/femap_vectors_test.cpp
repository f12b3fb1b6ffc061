// The output sets FEMAP makes of a static subcase: vector IDs and titles, nodal and elemental
// vectors, plates of both kinds in one vector, reals carried back as the solver printed them.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "resultfiles/femap_vectors.h"
#include "resultfiles/sample_results.h"
#include "resultfiles/stress_math.h"

namespace {

using namespace resultfiles;

std::map<int, const OutputVector*> byId(const OutputSet& set) {
  std::map<int, const OutputVector*> vectors;
  for (const OutputVector& vector : set.vectors) vectors[vector.id] = &vector;
  return vectors;
}

TEST(FemapVectors, SingleRealsComeBackAsPrinted) {
  EXPECT_EQ(widen(1.2e-05f), 1.2e-05);
  EXPECT_EQ(widen(0.1f), 0.1);
  EXPECT_EQ(widen(0.0042f), 0.0042);
  EXPECT_EQ(widen(147976.27f), 147976.27);
  EXPECT_EQ(widen(-0.0f), 0.0);
}

TEST(FemapVectors, IdsTitlesAndValuesOfEverySupportedResult) {
  OutputSet set = outputSetFor(resultfiles_testing::sampleSubcase(), 6);
  EXPECT_EQ(set.id, 6);
  EXPECT_EQ(set.title, "NX NASTRAN Case 3");
  auto vectors = byId(set);
  std::vector<int> ids;
  for (const auto& [id, vector] : vectors) ids.push_back(id);
  EXPECT_EQ(ids, (std::vector<int>{1,    2,    3,    4,    5,    6,    7,    8,    3022,  3023,  3024,  3025,
                                   7020, 7021, 7023, 7026, 7027, 7028, 7033, 9020, 9021,  9023,  9026,  9027,
                                   9028, 9033, 60020, 60021, 60022, 60023, 60024, 60025, 60026, 60027, 60028, 60031}));
  EXPECT_EQ(vectors[1]->title, "Total Translation");
  EXPECT_EQ(vectors[1]->entityType, kNodalOutput);
  EXPECT_EQ(vectors[1]->values, (std::vector<double>{0, 5, std::sqrt(1.2e-05 * 1.2e-05 + 2.5 * 2.5 + 0.1 * 0.1)}));
  EXPECT_EQ(vectors[5]->values[1], 0.5);  // total rotation
  EXPECT_EQ(vectors[3022]->title, "Rod Axial Stress");
  EXPECT_EQ(vectors[3022]->entityType, kElementalOutput);
  EXPECT_EQ(vectors[3022]->entities, (std::vector<int>{4, 9}));
  EXPECT_EQ(vectors[3022]->values, (std::vector<double>{12.5, -3.25}));

  // Quadrilaterals and triangles share the plate vectors, in element order.
  EXPECT_EQ(vectors[7033]->title, "Plate Top VonMises Stress");
  EXPECT_EQ(vectors[9033]->title, "Plate Bot VonMises Stress");
  EXPECT_EQ(vectors[7033]->entities, (std::vector<int>{1, 2, 7}));
  EXPECT_EQ(vectors[7020]->values, (std::vector<double>{-100, 30, 0}));
  EXPECT_EQ(vectors[9020]->values, (std::vector<double>{100, 10, 0}));
  EXPECT_EQ(vectors[9033]->values[2], widen(static_cast<float>(std::sqrt(3.0) * 40)));
  EXPECT_EQ(vectors[7026]->values[2], 50.0);  // pure shear: principal stresses +-50 at 45 degrees
  EXPECT_EQ(vectors[7027]->values[2], -50.0);
  EXPECT_EQ(vectors[7028]->values[2], 45.0);

  // Solids: the centre's values, tetrahedra and hexahedra together.
  EXPECT_EQ(vectors[60031]->title, "Solid Von Mises Stress");
  EXPECT_EQ(vectors[60031]->entities, (std::vector<int>{11, 12}));
  EXPECT_EQ(vectors[60031]->values[0], 100.0);
  EXPECT_EQ(vectors[60022]->values[1], 30.0);
  EXPECT_EQ(vectors[60026]->values[0], 100.0);
}

TEST(StressMath, PrincipalStressesAndDirectionsOfARotatedState) {
  // Uniaxial 100 along (1, 1, 0)/sqrt(2): xx = yy = xy = 50.
  SolidStressSummary summary = summariseSolidStress({50, 50, 0, 50, 0, 0});
  EXPECT_NEAR(summary.principal[0], 100, 1e-9);
  EXPECT_NEAR(summary.principal[1], 0, 1e-9);
  EXPECT_NEAR(summary.principal[2], 0, 1e-9);
  EXPECT_NEAR(std::abs(summary.directions[0][0]), std::sqrt(0.5), 1e-9);
  EXPECT_NEAR(std::abs(summary.directions[0][1]), std::sqrt(0.5), 1e-9);
  EXPECT_NEAR(summary.vonMises, 100, 1e-9);
  EXPECT_NEAR(summary.pressure, -100.0 / 3, 1e-9);
  PlaneStressSummary plane = summarisePlaneStress(50, 50, 50);
  EXPECT_NEAR(plane.major, 100, 1e-9);
  EXPECT_NEAR(plane.minor, 0, 1e-9);
  EXPECT_NEAR(plane.angle, 45, 1e-9);
  EXPECT_NEAR(plane.vonMises, 100, 1e-9);
}

}  // namespace
