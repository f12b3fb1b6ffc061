#pragma once
// Mass properties of a mesh, computed from element geometry alone: what the simulated FEMAP
// answers for feMeasureMeshMassProp. The caller resolves nodes, properties and materials into
// MassElement values; this file knows nothing about the model store.

#include <array>
#include <span>
#include <vector>

namespace femapsim {

// One element as the mass computation sees it.
struct MassElement {
  int topology;  // 0 line (2 nodes), 2 triangle (3), 4 quadrilateral (4), 6 tetrahedron (4), 8 brick (8)
  std::vector<std::array<double, 3>> nodes;  // corner coordinates in the element's node order
  double section = 0;        // line: cross-section area; plate: thickness; solid: unused
  double density = 0;        // mass per volume
  double nonStructural = 0;  // line: mass per length; plate: mass per area; solid: unused
};

// Sums and moments of the mass distribution.
//
// Inertia components are ordered xx, yy, zz, xy, yz, zx. The moments are
//   Ixx = ∫(y²+z²) dm,  Iyy = ∫(x²+z²) dm,  Izz = ∫(x²+y²) dm,
// and the products are the POSITIVE integrals
//   Ixy = ∫xy dm,  Iyz = ∫yz dm,  Izx = ∫zx dm
// (no minus sign: the inertia tensor's off-diagonal terms are the negatives of these).
// `inertia` is taken about the origin, `inertiaCG` about `totalCG`; both cover the total
// (structural plus non-structural) mass.
struct MassProperties {
  double length = 0, area = 0, volume = 0;  // summed over lines / plates / solids
  double structuralMass = 0, nonStructuralMass = 0, totalMass = 0;
  std::array<double, 3> structuralCG{}, nonStructuralCG{}, totalCG{};  // 0 when the mass is 0
  std::array<double, 6> inertia{}, inertiaCG{};  // xx, yy, zz, xy, yz, zx about the origin / the total CG
};

// Lines are integrated in closed form; triangles and tetrahedra by rules exact for quadratics;
// quadrilaterals (bilinear, 2×2 Gauss) and bricks (trilinear, 3×3×3 Gauss) exactly for planar or
// straight-edged shapes. Centres of gravity are those of the uniform distribution over each
// element, not the mean of its corners. Area and volume do not depend on the element's node
// orientation. For a warped quadrilateral the area is the integral of the surface Jacobian norm.
//
// An element with an unknown topology or fewer corner nodes than its topology needs is skipped;
// nodes beyond the corners (mid-side nodes) are ignored, so edges are taken as straight.
MassProperties measureMassProperties(std::span<const MassElement> elements);

}  // namespace femapsim
