#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ccx_output.h"
#include "model.h"
#include "resultfiles/op2_entries.h"

// CTETRA (4 and 10 grids), CPENTA (6 and 15) and CHEXA (8 and 20) as CalculiX solids.
namespace nastranccx {

bool isSolid(ElementType type);

int solidCorners(ElementType type);  // 4, 6 or 8

// The shape's edges (corner indices) in the order Nastran gives their mid-side grids.
const std::vector<std::pair<int, int>>& solidEdges(ElementType type);

// C3D4, C3D10, C3D6, C3D15, C3D8I (the incompatible-modes brick, as Nastran's CHEXA is not
// the plain trilinear one), C3D20R.
const char* solidCcxType(ElementType type);

// The solid's grids in CalculiX's node order: the corners, turned over when the element is
// mirrored (CalculiX rejects a negative volume), then the mid-side grids in CalculiX's edge
// order (which differs from Nastran's for CPENTA and CHEXA). Throws Failure, naming the
// card's line, for an element without volume.
std::vector<int> solidCcxNodeOrder(const Model& model, const Element& element, double modelSize);

// The stress entry of a solid from CalculiX's integration-point stresses: the centre, then
// each corner grid in the element's order, extrapolated from the integration points.
resultfiles::SolidStress solidStress(const Element& element, const std::vector<int>& ccxGrids,
                                     const std::vector<StressTensor>& points);

}  // namespace nastranccx
