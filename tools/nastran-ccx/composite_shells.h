#pragma once

#include <string>
#include <vector>

#include "ccx_output.h"
#include "model.h"
#include "resultfiles/op2_entries.h"

// PCOMP and PCOMPG laminates on shells, as CalculiX's composite shell section: CalculiX lays
// plies on its quadratic shells only (S8R, S6), so a CQUAD4, CQUADR, CTRIA3 or CTRIAR of a
// laminate becomes an S8R or S6 with a generated grid at the middle of each edge. Each ply has
// its own orientation: the element's material axes turned by the ply's angle.
namespace nastranccx {

// The shell's material axes: X along the G1 -> G2 edge turned by THETA about the normal, or
// the basic X axis projected on the element (MCID 0); Z the element normal; Y = Z x X.
std::array<Vec3, 3> materialAxes(const Model& model, const Element& element);

// A ply's axes: the material axes turned by the ply's angle about the normal.
std::array<Vec3, 3> plyAxes(const std::array<Vec3, 3>& material, double angleDegrees);

// S8R or S6.
const char* compositeCcxType(ElementType type);

// Whether CalculiX needs generated mid-side nodes for the element: a first-order shell of a laminate.
bool needsMidsideNodes(const Element& element, const Property& property);

// A key that elements of one laminate share when their material axes agree, so that they can
// share one section and its orientations.
std::string orientationKey(const Model& model, const Element& element);

// The stress rows CalculiX prints per ply of a laminate of its type: 8 for S8R, 6 for S6.
std::size_t compositeRowsPerPly(const std::string& ccxType);

// The plies' stresses (OES1C: at each ply's middle, in the ply's axes) and the forces per unit
// length in the element's axes, from CalculiX's points: for each ply, two layers of 2x2 (S8R)
// or three (S6) points, printed in the ply's orientation.
struct CompositeResults {
  std::vector<resultfiles::PlyStress> plies;
  resultfiles::PlateForceValues forces;
};
CompositeResults compositeResults(const Model& model, const Element& element, const std::vector<StressTensor>& points);

}  // namespace nastranccx
