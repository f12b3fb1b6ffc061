#pragma once

#include <map>
#include <set>

#include "ccx_job.h"
#include "model.h"
#include "resultfiles/op2_tables.h"

namespace nastranccx {

// The motion (T1-T3, R1-R3, basic) of the bar ends that have a node of their own, by (bar, end).
using EndMotions = std::map<std::pair<int, int>, std::array<double, 6>>;

// The results of a CROD, CONROD, CBAR or CBEAM solved as CalculiX's U1 beam, from the motion
// in basic components. Rods: axial
// stress and force from the grids' motion. Bars and beams: the axial force and the bending
// moments at both ends from U1's two rows (section forces at end A and B, computed in
// double precision, where the motion is printed to 7 digits only), scaled back from the
// element's share of the section; the shears from the element's equilibrium with its
// PLOAD1s; the torque from the grids' rotations; the stresses at the recovery points.
void addLineElementResults(resultfiles::SubcaseResults& subcase, const Model& model, const StepJob& step,
                           const Element& element, const std::map<int, Vec3>& displacements,
                           const std::map<int, Vec3>& rotations, const EndMotions& ends,
                           const std::vector<std::array<double, 6>>& rows,
                           const std::vector<std::array<double, 6>>& planeQRows);

// The force each grid's line elements need there (stiffness times motion, translations,
// basic system), for every grid of the model: what CalculiX's force listing (RF) should
// hold, which for U1 elements it does not.
// `roundOff` takes, by grid, how far those forces may be off because the listing prints the
// motion to 7 digits: 2e-6 of the sum of the sizes of the parts they are summed from.
std::map<int, Vec3> lineElementGridForces(const Model& model, const std::map<int, Vec3>& displacements,
                                          const std::map<int, Vec3>& rotations, const EndMotions& ends,
                                          std::map<int, double>& roundOff);

// The springs' forces at their grids added to `forces` (basic components), with their round-off
// (as lineElementGridForces, which includes them), at the grids `only` names when given:
// CalculiX's RF rows leave springs out at the nodes of elements it expands into bricks.
void addSpringGridForces(const Model& model, const std::map<int, Vec3>& displacements, std::map<int, Vec3>& forces,
                         std::map<int, double>& roundOff, const std::set<int>* only = nullptr);

// CELAS1/CELAS2 stresses: S times the force k (u2 - u1) of the components it joins (positive
// when it stretches; u2 0 for a spring to ground).
void addSpringResults(resultfiles::SubcaseResults& subcase, const Model& model, const std::map<int, Vec3>& displacements);

// A rod's axial force from its axial stress (either solution), in the list of its card.
void addRodResults(resultfiles::SubcaseResults& subcase, const Model& model, const Element& element, double axialStress);

}  // namespace nastranccx
