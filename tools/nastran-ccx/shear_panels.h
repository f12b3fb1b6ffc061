#pragma once

#include <array>
#include <string>
#include <vector>

#include "model.h"
#include "nastran/deck.h"
#include "resultfiles/op2_entries.h"

// CSHEAR with PSHEAR. The panel stiffens one mode alone, its shear: the shear strain at its
// centre, gamma = sum of b_i . u_i over its corners (the bilinear quadrilateral's, in the panel's
// axes), with the energy G T PA gamma**2 / 2 (PA the panel's area). CalculiX is given a node of its
// own per panel whose DOF 1 an *EQUATION ties to sqrt(G T PA) gamma, held by a unit SPRING1: so
// the panel takes no stiffness in extension or in-plane bending, as a shear panel does, and in a
// frame of rods the shear flow is that of statics. The extensional effectiveness F1 and F2 are
// rods (T3D2) of the MAT1 along the panel's edges, with the areas Nastran gives them.
namespace nastranccx {

Element shearPanelElement(const nastran::Deck& deck, const nastran::Cshear& card);
Property shearPanelProperty(const nastran::Deck& deck, const nastran::Pshear& card);

// The panel's shear mode: gamma = sum of coefficients[i] . u_i (u_i the basic displacement of
// corner i), and its stiffness G T PA.
struct ShearMode {
  std::array<Vec3, 4> coefficients{};
  double stiffness = 0;
  double shearModulus = 0;
};
ShearMode shearPanelMode(const Model& model, const Element& element);

// Why the panel cannot be solved as Nastran solves it, or empty: only a rectangle (flat, its
// opposite edges equal and parallel, its corners square) carries the uniform shear flow that
// its one shear mode stands for; Nastran's panel of any other shape has flows varying round it.
std::string shearPanelShapeProblem(const Model& model, const Element& element);

// A rod that stands for the panel's extensional effectiveness: on edges 1-2 and 3-4 from F1,
// on 2-3 and 1-4 from F2. Area F T PA / (L12 + L34) (or / (L23 + L14)) for F <= 1.01, PA the
// panel's area (half the cross product of its diagonals); 0.5 F T**2 for F > 1.01; none for F 0.
struct EdgeRod {
  int a = 0, b = 0;
  double area = 0;
};
std::vector<EdgeRod> shearPanelEdgeRods(const Model& model, const Element& element);

// The panel's stress from its corners' basic displacements: G gamma, the same at every corner
// (maximum and average alike); the margin of safety is left 0, as no allowable is read.
resultfiles::ShearPanelStress shearPanelStress(const Element& element, const ShearMode& mode,
                                               const std::array<Vec3, 4>& displacements);

// The forces the panel puts on its corners' grids (basic components): stiffness gamma coefficients[i].
std::array<Vec3, 4> shearPanelForces(const ShearMode& mode, const std::array<Vec3, 4>& displacements);

}  // namespace nastranccx
