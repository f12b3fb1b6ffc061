#pragma once

#include <array>
#include <optional>
#include <string>

#include "beam_sections.h"
#include "model.h"
#include "resultfiles/op2_tables.h"

namespace nastranccx {

// A bar's element axes as Nastran defines them: x from GA to GB, y the part of
// the orientation vector normal to x (plane 1 is x-y), z = x cross y.
struct BarFrame {
  Vec3 x{}, y{}, z{};
  double length = 0;
};
// nullopt when the grids coincide or the orientation vector is parallel to the bar.
std::optional<BarFrame> barFrame(const Vec3& endA, const Vec3& endB, const Vec3& orientation);

// Six values at end A, then six at end B: forces along and moments about the
// element axes x, y, z.
using EndValues = std::array<double, 12>;

// A grid's motion (T1-T3, R1-R3 in the basic system) in the element axes.
EndValues toElementAxes(const BarFrame& frame, const std::array<double, 6>& motionA, const std::array<double, 6>& motionB);
// End values in the element axes turned into the basic system.
EndValues toBasic(const BarFrame& frame, const EndValues& local);

// How a bar is given to CalculiX's two-node beam U1 (Timoshenko with an exact stiffness,
// here with a shear stiffness so large that it is Euler-Bernoulli's). CalculiX 2.20's U1
// bends correctly in its first plane only (the plane of its direction vector; across
// elements its second plane does not assemble right), so a bar is two U1 elements
// between its grids, each bending in one principal plane: "p" on the principal axis of
// I11 with I11 and half the area, "q" on the other axis with I22 and the other half.
// Their Poisson's ratio makes the torsional stiffness G'(I11 + I22) equal to G J. When J
// is below what a Poisson's ratio under 0.5 reaches, each has a companion between the
// same grids, its section scaled by `companionScale` (negative) with Poisson's ratio -0.5,
// the pair itself scaled by `scale`: the sum has the bar's axial and bending stiffness and
// torsional stiffness G J.
struct U1Section {
  Vec3 direction{};  // the principal axis p of I11, normal to the bar
  double i11 = 0, i22 = 0;
  double area = 0;
  double poisson = 0;
  double scale = 1;
  std::optional<double> companionScale;
  static constexpr double kCompanionPoisson = -0.5;
  static constexpr double kShearFactor = 1e9;
};
U1Section u1Section(const BarFrame& frame, const BeamSection& section, double youngsModulus, double shearModulus);

// The `*BEAM SECTION` of the U1 element of plane `plane` (0: p, 1: q) of a bar along
// `axis`, scaled.
std::string u1SectionText(const std::string& elset, const std::string& material, const U1Section& section, double scale,
                          int plane, const Vec3& axis);

// The forces the element exerts on its grids (its stiffness times the grid motion, less the
// equivalent loads of what acts along it), in element axes.
EndValues barEndForces(const BarFrame& frame, const BeamSection& section, double youngsModulus, double shearModulus,
                       const EndValues& motion, const EndValues& equivalentLoads);

// Nastran's bar forces from the end forces: M1 and M2 (plane 1 and 2 moments, positive
// when they stretch the fibres at positive y or z), V1 and V2 at end A, axial (tension
// positive) and torque.
resultfiles::BarForce barForce(int element, const EndValues& endForces);
// Bending stresses at C, D, E, F at both ends, axial stress, extremes; margins left 0.
resultfiles::BarStress barStress(int element, const BeamSection& section, const resultfiles::BarForce& forces);
resultfiles::BeamForce beamForce(int element, int gridA, int gridB, const resultfiles::BarForce& forces);
resultfiles::BeamStress beamStress(int element, int gridA, int gridB, const resultfiles::BarStress& stress);

// The equivalent end loads (element axes) of a PLOAD1 along the bar: a force per length
// along element axis `axis` (0-2) varying linearly from `valueA` at `from` to `valueB`
// at `to` (distances from end A), or, when `to` is nullopt, a force `valueA` at `from`.
EndValues lineLoadEquivalent(double length, int axis, double from, std::optional<double> to, double valueA, double valueB);

}  // namespace nastranccx

namespace nastranccx {

// The frame of a CBAR or CBEAM of the model (orientation vector or G0).
std::optional<BarFrame> barFrameOf(const Model& model, const Element& element);

// Whether the model's line elements go to CalculiX as U1 beams: it has bars, beams, rigid
// elements or point masses, and no elements but rods, bars and beams. CalculiX cannot mix U1 with elements it expands into bricks (shells,
// its own beams and trusses), and its force listing (RF) is wrong at U1 nodes, so that
// the balance is checked on forces computed here from the motion, which only a model of
// line elements alone gives whole.
bool solvesLinesAsBeams(const Model& model);

}  // namespace nastranccx

namespace nastranccx {

// RBE3's interpolation: the reference point's motion (translations, rotations) as the weighted
// least-squares rigid motion of points that move by translations alone, u_i ~ u + theta x r_i
// (r_i from the reference point). For each point, the 6 x 3 matrix that its translation enters
// the reference motion with; nullopt when the points do not fix the rotations (fewer than
// three points not in line).
using InterpolationMatrix = std::array<std::array<double, 3>, 6>;
std::optional<std::vector<InterpolationMatrix>> interpolationMatrices(const Vec3& reference,
                                                                     const std::vector<std::pair<Vec3, double>>& points);

}  // namespace nastranccx
