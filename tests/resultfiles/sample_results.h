#pragma once
// A static subcase with an entry of every supported kind, for the tests of the results files.

#include "resultfiles/op2_tables.h"

namespace resultfiles_testing {

inline resultfiles::SubcaseResults sampleSubcase() {
  using namespace resultfiles;
  SubcaseResults subcase;
  subcase.subcase = 3;
  subcase.loadSet = 7;
  subcase.title = "Plate with a stiffener";
  subcase.subtitle = "Edge load";
  subcase.displacements = {{1, {0, 0, 0, 0, 0, 0}}, {2, {3.0f, 4.0f, 0, 0.5f, 0, 0}}, {5, {1.2e-05f, -2.5f, 0.1f, 0, 0, 0}}};
  subcase.rods = {{4, 12.5f, 0, 0, 0}, {9, -3.25f, 0, 1, 0}};
  subcase.quads = {{1, plateFibre(-0.5, 100, 20, 5), plateFibre(0.5, -100, -20, -5)}};
  subcase.trias = {{2, plateFibre(-0.25, 10, 0, 0), plateFibre(0.25, 30, 0, 0)},
                   {7, plateFibre(-0.25, 0, 0, 40), plateFibre(0.25, 0, 0, 50)}};
  SolidStress tetra{11, {solidPoint(0, {100, 0, 0, 0, 0, 0})}};
  for (int grid : {1, 2, 3, 4}) tetra.points.push_back(solidPoint(grid, {100, 0, 0, 0, 0, 0}));
  subcase.tetras = {tetra};
  SolidStress hexa{12, {solidPoint(0, {10, 20, 30, 1, 2, 3})}};
  for (int grid = 21; grid <= 28; ++grid) hexa.points.push_back(solidPoint(grid, {10.0 + grid, 20, 30, 1, 2, 3}));
  subcase.hexas = {hexa};
  return subcase;
}

}  // namespace resultfiles_testing
