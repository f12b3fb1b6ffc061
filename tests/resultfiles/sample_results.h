#pragma once
// Static subcases for the tests of the results files: one with an entry of every kind the
// tables carry, values chosen so that each is exact in single precision.

#include "resultfiles/op2_tables.h"

namespace resultfiles_testing {

// A subcase with only what the first readers knew: grids, rods, plate centres, solids.
inline resultfiles::SubcaseResults sampleSubcase() {
  using namespace resultfiles;
  SubcaseResults subcase;
  subcase.subcase = 3;
  subcase.loadSet = 7;
  subcase.title = "Plate with a stiffener";
  subcase.subtitle = "Edge load";
  subcase.displacements = {
      {1, {0, 0, 0, 0, 0, 0}}, {2, {3.0, 4.0, 0, 0.5, 0, 0}}, {5, {1.2e-05f, -2.5, 0.1f, 0, 0, 0}}};
  subcase.rods.entries = {{4, 12.5, 0, 0, 0}, {9, -3.25, 0, 1, 0}};
  subcase.quads.entries = {{1, plateFibre(-0.5, 100, 20, 5), plateFibre(0.5, -100, -20, -5)}};
  subcase.trias.entries = {{2, plateFibre(-0.25, 10, 0, 0), plateFibre(0.25, 30, 0, 0)},
                           {7, plateFibre(-0.25, 0, 0, 40), plateFibre(0.25, 0, 0, 50)}};
  SolidStress tetra{11, {solidPoint(0, {100, 0, 0, 0, 0, 0})}};
  for (int grid : {1, 2, 3, 4}) tetra.points.push_back(solidPoint(grid, {100, 0, 0, 0, 0, 0}));
  subcase.tetras.entries = {tetra};
  SolidStress hexa{12, {solidPoint(0, {10, 20, 30, 1, 2, 3})}};
  for (int grid = 21; grid <= 28; ++grid) hexa.points.push_back(solidPoint(grid, {10.0 + grid, 20, 30, 1, 2, 3}));
  subcase.hexas.entries = {hexa};
  return subcase;
}

// Every results table, element type and entry form: stresses of all element types (CQUAD4
// with corners, solids with mid-side grids), composite plies with failure indices, SPC
// forces, element forces.
inline resultfiles::SubcaseResults everyKind() {
  using namespace resultfiles;
  SubcaseResults s = sampleSubcase();
  s.subcase = 1;
  s.spcForces = {{1, {-3.0, -4.0, 0, 0, 0, 2.5}}, {4, {0, 6.0, -1.5, 0.25, 0, 0}}};
  s.conrods.entries = {{30, 7.5, 0.5, 2, 0.25}};
  s.tubes.entries = {{31, -1.5, 0, 0.75, 0}};
  s.bars.entries = {{40, {1, 2, 3, 4}, {-1, -2, -3, -4}, 10, 14, 6, 4, -8, 0.5, 0.25},
                    {41, {0.5, 0, 0, 0}, {0, 0.5, 0, 0}, -2, -1.5, -2, 0, -1.5, -2, 0}};
  BeamStress beam{50, {}};
  beam.stations.push_back({101, 0.0, {1, 2, 3, 4}, 4, 1, 0.5, 0.75});
  beam.stations.push_back({0, 0.5, {2, 3, 4, 5}, 5, 2, 0.25, 0.5});
  beam.stations.push_back({102, 1.0, {-1, -2, -3, -4}, -1, -4, 1.5, 0.125});
  s.beams.entries = {beam};
  s.shearPanels.entries = {{60, 125, 100, 0.5}};
  s.springs1.entries = {{70, 3.5}};
  s.springs2.entries = {{71, -0.5}};
  s.bushes.entries = {{80, {1, 2, 3, 4, 5, 6}}};
  // CQUAD4 with corners replaces the centre-only one; CQUAD8, CTRIA6, CQUADR, CTRIAR.
  s.quads.clear();
  s.quads.push_back({1, plateFibre(-0.5, 100, 20, 5), plateFibre(0.5, -100, -20, -5)},
                    {{1, plateFibre(-0.5, 101, 20, 5), plateFibre(0.5, -101, -20, -5)},
                     {2, plateFibre(-0.5, 102, 20, 5), plateFibre(0.5, -102, -20, -5)},
                     {3, plateFibre(-0.5, 103, 20, 5), plateFibre(0.5, -103, -20, -5)},
                     {4, plateFibre(-0.5, 104, 20, 5), plateFibre(0.5, -104, -20, -5)}});
  auto withCorners = [](PlateStressList& list, int element, int corners, double stress) {
    std::vector<PlateCorner> its;
    for (int c = 1; c <= corners; ++c)
      its.push_back({element * 10 + c, plateFibre(-0.5, stress + c, 0, 0), plateFibre(0.5, -stress - c, 0, 0)});
    list.push_back({element, plateFibre(-0.5, stress, 0, 0), plateFibre(0.5, -stress, 0, 0)}, its);
  };
  withCorners(s.quad8s, 90, 4, 8);
  withCorners(s.tria6s, 91, 3, 6);
  withCorners(s.quadRs, 92, 4, 4);
  withCorners(s.triaRs, 93, 3, 3);
  // A CTETRA with 10 grids, a CPENTA, a CHEXA with 20.
  s.tetras.entries[0].gridCount = 10;
  s.hexas.entries[0].gridCount = 20;
  SolidStress penta{13, {solidPoint(0, {5, 5, 5, 0, 0, 0})}, 6};
  for (int grid = 31; grid <= 36; ++grid)
    penta.points.push_back(solidPoint(grid, {5, 5, 5, 0, 0, static_cast<double>(grid)}));
  s.pentas.entries = {penta};
  s.quadPlies.entries = {{95, 1, 10, 2, 1, 0.5, 0.25, 12, 10.5, 1.5, 4.5},
                         {95, 2, -10, -2, -1, 0, 0, -12, -1.5, -10.5, 4.5}};
  s.quadPlies.measure = StressMeasure::MaxShear;
  s.triaPlies.entries = {{97, 1, 20, 4, 2, 1, 0.5, 6, 20.25, 3.75, 8.25}};
  s.quadPlyFailures.entries = {{95, 1, "HILL", 0.25}, {95, 2, "HILL", 0.5}};
  s.triaPlyFailures.entries = {{97, 1, "TSAI", 0.125}};
  s.rodForces.entries = {{4, 125, 0}, {9, -32.5, 2}};
  s.conrodForces.entries = {{30, 10, 1}};
  s.barForces.entries = {{40, 100, 200, -100, -150, 12, 24, 1000, 5}};
  BeamForce beamForce{50, {}};
  beamForce.stations.push_back({101, 0.0, 10, 20, 1, 2, 100, 3, 0});
  beamForce.stations.push_back({102, 1.0, -10, -20, 1, 2, 100, 3, 0.5});
  s.beamForces.entries = {beamForce};
  s.quadForces.push_back({1, {1, 2, 3, 4, 5, 6, 7, 8}}, {{1, {2, 2, 3, 4, 5, 6, 7, 8}},
                                                         {2, {3, 2, 3, 4, 5, 6, 7, 8}},
                                                         {3, {4, 2, 3, 4, 5, 6, 7, 8}},
                                                         {4, {5, 2, 3, 4, 5, 6, 7, 8}}});
  s.triaForces.entries = {{2, {-1, -2, -3, -4, -5, -6, -7, -8}}, {7, {0.5, 0, 0, 0, 0, 0, 0, 0.25}}};
  return s;
}

}  // namespace resultfiles_testing
