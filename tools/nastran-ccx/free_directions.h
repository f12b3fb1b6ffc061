#pragma once

#include <array>
#include <map>
#include <vector>

#include "model.h"

namespace nastranccx {

using Matrix3 = std::array<Vec3, 3>;

// The translational stiffness at the grids where only line elements with axial stiffness meet
// (CROD): the sum of E A / L n n' over them, n the unit axis. Such a grid has no stiffness
// across a plane or line of rods, and CalculiX solves a load there to a displacement of the
// order of its round-off, which the balance check does not see when the load is small. Grids
// that any other element joins (bars, shells, solids) are stiff in every direction and are
// left out, and so are grids a rigid element ties; an element that stiffens only along an axis (a CONROD, a spring between two grids)
// or in a plane (a shear panel) adds its term here instead of leaving the grid out. Grids in no element are given with a
// zero matrix.
std::map<int, Matrix3> axialOnlyStiffness(const Model& model);

struct FreeDirection {
  int grid = 0;
  Vec3 direction{};    // unit, basic components
  int component = 0;   // 1-3 when it is one of the grid's CD directions, else 0
};

// The directions at those grids in which neither stiffness nor the constraints `fixed` (in
// each grid's CD components) hold them.
std::vector<FreeDirection> freeDirections(const Model& model, const std::map<int, Matrix3>& stiffness,
                                          const std::map<int, std::array<bool, 3>>& fixed);

}  // namespace nastranccx
