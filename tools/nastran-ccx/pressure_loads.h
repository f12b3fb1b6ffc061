#pragma once

#include <vector>

#include "model.h"

// PLOAD, PLOAD2 and PLOAD4 as the consistent nodal forces they put on the grids: the
// pressure (interpolated from the face's corners) times each grid's shape function,
// integrated over the face. CalculiX is given these forces (*CLOAD), so that a varying
// pressure, a load direction and the faces of second-order solids need nothing more of it,
// and the balance check knows exactly what each grid carries.
namespace nastranccx {

struct GridForce {
  int grid = 0;
  Vec3 force{};
};

// Throws Failure, naming the card's line, for a pressure on a line element, a solid face that
// G1 and G34 do not name, or a face without area.
std::vector<GridForce> pressureNodalForces(const Model& model, const PressureLoad& load);

}  // namespace nastranccx
