#pragma once
// Mass properties of a mesh, computed from element geometry alone: what the simulated FEMAP
// answers for feMeasureMeshMassProp. The caller resolves nodes, properties and materials into
// MassElement values (femapsim/mass_model.h does it for a model); this file knows nothing
// about the model store.

#include <array>
#include <span>
#include <vector>

#include "femapsim/femap_layout.h"

namespace femapsim {

// The nodes a topology needs (corners and mid-side nodes); 0 for a topology without mass.
std::size_t nodeCountOf(int topology);
// Its corner nodes (the first ones of its node list).
std::size_t cornerCountOf(int topology);
// The two corners of each of its mid-side nodes, in node order after the corners.
std::span<const std::array<int, 2>> midsideEdgesOf(int topology);

// A stretch of a line element, from `from` to `to` (fractions of its length from end A), whose
// mass per length varies as a quadratic: the values at its start, middle and end.
struct LineStretch {
  double from = 0, to = 1;
  std::array<double, 3> structural{};
  std::array<double, 3> nonStructural{};
};

// One element as the mass computation sees it.
struct MassElement {
  int topology = -1;  // see Topology
  // Coordinates in the element's node order: corners, then mid-side nodes (Nastran's order).
  // A line's ends are where its mass lies (offsets already applied); a point's one node is its
  // centre of gravity.
  std::vector<std::array<double, 3>> nodes{};
  double section = 0;        // line: cross-section area; plate: thickness; solid: unused
  double density = 0;        // mass per volume
  double nonStructural = 0;  // line: mass per length; plate: mass per area; solid: unused
  // Lines: when not empty, the mass per length along the line, in place of section, density
  // and nonStructural (tapered and stepped sections).
  std::vector<LineStretch> stretches{};
  // Plates: when above 0, the structural mass per area in place of section × density
  // (laminates).
  double massPerArea = 0;
  // Points: the mass and its second moments about its own centre, ∫p_i p_j dm (xx, yy, zz,
  // xy, yz, zx) in global axes.
  double pointMass = 0;
  std::array<double, 6> pointSecond{};
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

// Lines are integrated in closed form (a uniform section) or by Gauss rules exact for their
// quadratic mass per length; triangles and tetrahedra by rules exact for quadratics;
// quadrilaterals (bilinear, 2×2 Gauss) and bricks (trilinear, 3×3×3 Gauss) exactly for planar
// or straight-edged shapes. Elements with mid-side nodes are isoparametric: when every mid-side
// node lies in the middle of its edge they are measured as their straight-edged counterparts,
// otherwise by Gauss rules exact for the polynomial integrands of a curved solid (collapsed
// rules for triangles, tetrahedra and wedges) and of a flat plate. Centres of gravity are those
// of the uniform distribution over each element, not the mean of its corners. Area and volume
// do not depend on the element's node orientation. For a warped or curved plate the area is the
// integral of the surface Jacobian norm.
//
// Point masses count as structural mass, with length, area and volume 0.
//
// An element with an unknown topology or fewer nodes than its topology needs is skipped; nodes
// beyond them are ignored.
MassProperties measureMassProperties(std::span<const MassElement> elements);

}  // namespace femapsim
