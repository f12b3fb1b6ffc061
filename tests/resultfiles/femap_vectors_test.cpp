// The output sets FEMAP makes of a static subcase: vector IDs and titles of every kind,
// nodal and elemental vectors, element types of one family in one vector, corners, the
// stress code's meaning, reals carried back as the solver printed them.
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

double valueAt(const OutputVector& vector, int entity) {
  for (std::size_t i = 0; i < vector.entities.size(); ++i)
    if (vector.entities[i] == entity) return vector.values[i];
  ADD_FAILURE() << vector.title << " has no value at " << entity;
  return 0;
}

TEST(FemapVectors, SingleRealsComeBackAsPrinted) {
  EXPECT_EQ(widen(1.2e-05f), 1.2e-05);
  EXPECT_EQ(widen(0.1f), 0.1);
  EXPECT_EQ(widen(0.0042f), 0.0042);
  EXPECT_EQ(widen(147976.27f), 147976.27);
  EXPECT_EQ(widen(-0.0f), 0.0);
  EXPECT_EQ(widen(3.4028235e38f), 3.4028235e38);
  EXPECT_EQ(widen(1e-45f), 1e-45);
}

TEST(FemapVectors, IdsTitlesAndValuesOfTheFirstKinds) {
  OutputSet set = outputSetFor(resultfiles_testing::sampleSubcase(), 6);
  EXPECT_EQ(set.id, 6);
  EXPECT_EQ(set.title, "NX NASTRAN Case 3");
  auto vectors = byId(set);
  std::vector<int> ids;
  for (const OutputVector& vector : set.vectors) ids.push_back(vector.id);
  EXPECT_EQ(ids,
            (std::vector<int>{
                1, 2, 3, 4, 5, 6, 7, 8, 3022, 3023, 3024, 3025, 7020, 7021, 7023, 7026, 7027, 7028, 7033, 9020, 9021,
                9023, 9026, 9027, 9028, 9033, 60020, 60021, 60022, 60023, 60024, 60025, 60026, 60027, 60028, 60031,
                // the solids' corners: 4 of the CTETRA and CHEXA, 4 more of the CHEXA
                160020, 160021, 160022, 160023, 160024, 160025, 160026, 160027, 160028, 160031, 170020, 170021, 170022,
                170023, 170024, 170025, 170026, 170027, 170028, 170031, 180020, 180021, 180022, 180023, 180024, 180025,
                180026, 180027, 180028, 180031, 190020, 190021, 190022, 190023, 190024, 190025, 190026, 190027, 190028,
                190031, 200020, 200021, 200022, 200023, 200024, 200025, 200026, 200027, 200028, 200031, 210020, 210021,
                210022, 210023, 210024, 210025, 210026, 210027, 210028, 210031, 220020, 220021, 220022, 220023, 220024,
                220025, 220026, 220027, 220028, 220031, 230020, 230021, 230022, 230023, 230024, 230025, 230026, 230027,
                230028, 230031}));
  EXPECT_EQ(vectors[1]->title, "Total Translation");
  EXPECT_EQ(vectors[1]->entityType, kNodalOutput);
  EXPECT_EQ(vectors[1]->values.all(),
            (std::vector<double>{0, 5, std::sqrt(1.2e-05 * 1.2e-05 + 2.5 * 2.5 + 0.1 * 0.1)}));
  EXPECT_EQ(vectors[1]->components[2], 4);
  EXPECT_FALSE(vectors[1]->combinable);
  EXPECT_EQ(vectors[5]->values[1], 0.5);  // total rotation
  EXPECT_EQ(vectors[3022]->title, "Rod Axial Stress");
  EXPECT_EQ(vectors[3022]->entityType, kElementalOutput);
  EXPECT_EQ(vectors[3022]->entities.list(), (std::vector<int>{4, 9}));
  EXPECT_EQ(vectors[3022]->values.all(), (std::vector<double>{12.5, -3.25}));

  // Quadrilaterals and triangles share the plate vectors, in element order.
  EXPECT_EQ(vectors[7033]->title, "Plate Top VonMises Stress");
  EXPECT_EQ(vectors[9033]->title, "Plate Bot VonMises Stress");
  EXPECT_EQ(vectors[7033]->entities.list(), (std::vector<int>{1, 2, 7}));
  EXPECT_EQ(vectors[7020]->values.all(), (std::vector<double>{-100, 30, 0}));
  EXPECT_EQ(vectors[9020]->values.all(), (std::vector<double>{100, 10, 0}));
  EXPECT_EQ(vectors[9033]->values[2], widen(static_cast<float>(std::sqrt(3.0) * 40)));
  EXPECT_EQ(vectors[7026]->values[2], 50.0);  // pure shear: principal stresses +-50 at 45 degrees
  EXPECT_EQ(vectors[7027]->values[2], -50.0);
  EXPECT_EQ(vectors[7028]->values[2], 45.0);

  // Solids: the centre's values, tetrahedra and hexahedra together; each corner a vector.
  EXPECT_EQ(vectors[60031]->title, "Solid Von Mises Stress");
  EXPECT_EQ(vectors[60031]->entities.list(), (std::vector<int>{11, 12}));
  EXPECT_EQ(vectors[60031]->values[0], 100.0);
  EXPECT_EQ(vectors[60022]->values[1], 30.0);
  EXPECT_EQ(vectors[60026]->values[0], 100.0);
  EXPECT_EQ(vectors[60020]->components[7], 230020);
  EXPECT_EQ(vectors[230020]->title, "Solid X Normal Stress C8");
  EXPECT_EQ(vectors[230020]->entities.list(), (std::vector<int>{12}));
  EXPECT_EQ(vectors[230020]->values[0], 38.0);
  EXPECT_EQ(vectors[170020]->entities.list(), (std::vector<int>{11, 12}));
}

TEST(FemapVectors, EveryKindHasFemapsVectors) {
  SubcaseResults subcase = resultfiles_testing::everyKind();
  auto set = outputSetFor(subcase, 1);
  auto vectors = byId(set);
  struct Expected {
    int id;
    const char* title;
    int entity;
    double value;
  };
  const Expected expected[] = {
      {51, "Total Constraint Force", 1, 5},
      {52, "T1 Constraint Force", 1, -3},
      {56, "R1 Constraint Moment", 4, 0.25},
      {58, "R3 Constraint Moment", 1, 2.5},
      {3000, "Bar EndA Plane1 Moment", 40, 100},
      {3003, "Bar EndB Plane2 Moment", 40, -150},
      {3005, "Bar EndA Pl2 Shear Force", 40, 24},
      {3009, "Bar EndB Axial Force", 40, 1000},
      {3011, "Bar EndB Torque", 40, 5},
      {3022, "Rod Axial Stress", 30, 7.5},
      {3024, "Rod Torsional Stress", 31, 0.75},
      {3036, "Rod Axial Force", 9, -32.5},
      {3038, "Rod Torque", 30, 1},
      {3040, "Beam EndA Plane1 Moment", 50, 10},
      {3043, "Beam EndB Plane2 Moment", 50, -20},
      {3048, "Beam EndA Axial Force", 50, 100},
      {3078, "Bar EndA Pt4 Bend Stress", 40, 4},
      {3079, "Bar EndA Axial Stress", 41, -2},
      {3084, "Bar EndB Pt2 Bend Stress", 41, 0.5},
      {3109, "Bar EndA Max Comb Stress", 40, 14},
      {3112, "Bar EndB Min Comb Stress", 40, -8},
      {3113, "Bar Tension M.S.", 40, 0.5},
      {3114, "Bar Compression M.S.", 40, 0.25},
      {3139, "Beam EndA Pt1 Comb Stress", 50, 1},
      {3154, "Beam EndB Pt4 Comb Stress", 50, -4},
      {3143, "Beam EndA Max Comb Stress", 50, 4},
      {3146, "Beam EndB Min Comb Stress", 50, -4},
      {3155, "Beam Tension M.S.", 50, 0.25},
      {3156, "Beam Compression M.S.", 50, 0.125},
      {3400, "Spring Stress", 71, -0.5},
      {3413, "Bush RX Stress", 80, 4},
      {6020, "Shear Panel Max Shear Stress", 60, 125},
      {6022, "Shear Panel Safety Margin", 60, 0.5},
      {7001, "Plate MX Moment", 2, -4},
      {7006, "Plate NX Membrane Force", 1, 1},
      {7008, "Plate NXY Membrane Force", 7, 0},
      {7020, "Plate Top X Normal Stress", 93, -3},
      {107020, "Plate Top X Normal Stress C1", 1, -101},
      {137020, "Plate Top X Normal Stress C4", 90, -12},
      {129020, "Plate Bot X Normal Stress C3", 91, 9},
      {60031, "Solid Von Mises Stress", 13, 0},
      {220025, "Solid ZX Shear Stress C7", 12, 3},
      {1000101, "Ply 1 Direction 1 Stress", 97, 20},
      {1000209, "Ply 2 MaxShear Stress", 95, 4.5},
      {1000111, "Ply 1 Failure Index", 95, 0.25},
      {1000211, "Ply 2 Failure Index", 95, 0.5},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.id);
    ASSERT_TRUE(vectors.count(e.id));
    EXPECT_EQ(vectors[e.id]->title, e.title);
    EXPECT_EQ(valueAt(*vectors[e.id], e.entity), e.value);
  }
  // Plies: the last stress is maximum shear (the CQUAD4's) or von Mises (the CTRIA3's), each in its own vector.
  EXPECT_EQ(vectors[1000109]->entities.list(), (std::vector<int>{95}));
  EXPECT_EQ(vectors[1000110]->title, "Ply 1 VonMises Stress");
  EXPECT_EQ(vectors[1000110]->entities.list(), (std::vector<int>{97}));
  EXPECT_EQ(vectors[1000101]->entities.list(), (std::vector<int>{95, 97}));
  EXPECT_FALSE(vectors.count(1000210));
  // Corners: the centre vector names its corner vectors, which hold no centroidal values.
  EXPECT_EQ(vectors[7033]->components[0], 107033);
  EXPECT_EQ(vectors[7033]->components[3], 137033);
  EXPECT_FALSE(vectors[137033]->centroidTotal);
  EXPECT_EQ(vectors[137033]->entities.list(), (std::vector<int>{1, 90, 92}));  // quadrilaterals only
  // Line elements: end A's and end B's vectors name each other.
  EXPECT_EQ(vectors[3083]->components[0], 3075);
  EXPECT_EQ(vectors[3083]->components[1], 3083);
  EXPECT_EQ(vectors[3083]->componentDirection, 2);
  // Every vector's entities ascend and stand once.
  for (const OutputVector& vector : set.vectors)
    EXPECT_TRUE(std::adjacent_find(vector.entities.begin(), vector.entities.end(),
                                   [](int a, int b) { return a >= b; }) == vector.entities.end())
        << vector.id;
}

TEST(FemapVectors, MaximumShearFillsItsOwnVectorsNotThoseOfVonMises) {
  SubcaseResults subcase = resultfiles_testing::sampleSubcase();
  for (auto* plates : {&subcase.quads, &subcase.trias}) {
    plates->measure = StressMeasure::MaxShear;
    for (PlateStress& plate : *plates) {
      plate.top = plateFibre(plate.top.distance, plate.top.normalX, plate.top.normalY, plate.top.shearXY,
                             StressMeasure::MaxShear);
    }
  }
  subcase.hexas.measure = StressMeasure::MaxShear;
  OutputSet set = outputSetFor(subcase, 1);
  auto vectors = byId(set);
  EXPECT_FALSE(vectors.count(7033));
  EXPECT_FALSE(vectors.count(9033));
  ASSERT_TRUE(vectors.count(7032));
  EXPECT_EQ(vectors[7032]->title, "Plate Top MaxShear Stress");
  EXPECT_EQ(vectors[9032]->title, "Plate Bot MaxShear Stress");
  EXPECT_EQ(valueAt(*vectors[7032], 7), 50.0);  // pure shear of 50
  EXPECT_EQ(vectors[7020]->entities.size(), 3u);
  // The CTETRA still gives von Mises, the CHEXA octahedral shear; each its own vector.
  EXPECT_EQ(vectors[60031]->entities.list(), (std::vector<int>{11}));
  EXPECT_EQ(vectors[60030]->title, "Solid Octahedral Shear Stress");
  EXPECT_EQ(vectors[60030]->entities.list(), (std::vector<int>{12}));
  EXPECT_EQ(vectors[60020]->entities.list(), (std::vector<int>{11, 12}));  // components of both
}

TEST(FemapVectors, ASubcaseGivenTwiceGivesTwoSetsTitledApart) {
  SubcaseResults first = resultfiles_testing::sampleSubcase();
  first.occurrences = 2;
  SubcaseResults last = first;
  last.occurrence = 2;
  std::vector<OutputSet> sets = outputSetsFor({first, last}, 4);
  ASSERT_EQ(sets.size(), 2u);
  EXPECT_EQ(sets[0].id, 4);
  EXPECT_EQ(sets[0].title, "NX NASTRAN Case 3 (1 of 2)");
  EXPECT_EQ(sets[1].title, "NX NASTRAN Case 3 (2 of 2)");
  EXPECT_EQ(sets[1].subcase, 3);
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
  // Uniaxial 100: octahedral shear sqrt(2)/3 * 100.
  EXPECT_EQ(solidPoint(0, {100, 0, 0, 0, 0, 0}, StressMeasure::MaxShear).equivalent,
            static_cast<float>(100 * std::sqrt(2.0) / 3));
}

}  // namespace
