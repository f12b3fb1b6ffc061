#pragma once

#include <array>
#include <optional>
#include <vector>

#include "ccx_output.h"
#include "model.h"
#include "resultfiles/op2_entries.h"

// CQUAD4, CTRIA3, CQUAD8, CTRIA6, CQUADR, CTRIAR as CalculiX shells (or membranes).
namespace nastranccx {

bool isShell(ElementType type);
int shellCorners(ElementType type);  // 4 or 3

// S4, S3, S8R, S6 (CQUADR and CTRIAR: S4 and S3, as CalculiX's shells have no drilling
// stiffness of their own); for a membrane-only property M3D4, M3D3, M3D8R, M3D6.
const char* shellCcxType(ElementType type, bool membraneOnly);

// Nastran's element axes: x along G1 -> G2 for triangles, bisecting the diagonals for
// quadrilaterals; z by the right-hand rule on G1, G2, G3; y = z x x.
std::array<Vec3, 3> plateAxes(const Model& model, const Element& element);

// A shell's stresses and forces from CalculiX's integration points: its expansion prints
// layers through the thickness (two for S4, S3, S8R and membranes of four corners, three
// for S6, M3D6) of in-plane points (2x2, or three near the corners, or one).
struct ShellResults {
  resultfiles::PlateStress centre;
  std::vector<resultfiles::PlateCorner> corners;  // when asked: at each corner grid
  resultfiles::PlateForceValues forces;           // per unit length at the centre
};
ShellResults shellResults(const Model& model, const Element& element, const std::vector<StressTensor>& points,
                          bool corners);

// Forces per unit length from their integrals through the thickness: membrane (x, y, xy),
// moments (x, y, xy), transverse shears (xz, yz).
resultfiles::PlateForceValues plateForceValues(const std::array<double, 3>& membrane, const std::array<double, 3>& moments,
                                               const std::array<double, 2>& shears);

// Whether a shell's card gives thicknesses at its corners (T1-T4); the thickness at corner i
// (the property's T where the card gives none, T times the fraction with TFLAG 1); and at the
// centre, the mean of the corners', as the thickness varies bilinearly over the element.
bool hasCornerThickness(const Element& element);
double cornerThickness(const Model& model, const Element& element, std::size_t corner);
double centreThickness(const Model& model, const Element& element);

// Whether Nastran writes the element type's stresses with its corners.
bool shellHasCorners(ElementType type);

}  // namespace nastranccx
