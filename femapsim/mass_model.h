#pragma once
// The mass elements of a model: each element's nodes in global coordinates, its offsets
// applied, and its property and material turned into mass per length, area or volume.
//
//  - Lines (rods, bars, tubes, beams): the section's area (pval[0], a PBARL/PBEAML shape's
//    dimensions, or a tapered beam's stations) times the density, and the non-structural mass
//    per length (pval[7], or per station), along the line between the offset ends.
//  - Plates, shear panels and laminates: thickness (pval[0]) times density, or a laminate's
//    plies (density × thickness each; twice for a symmetric laminate), and the non-structural
//    mass per area (pval[7]; pval[1] for laminates). Corner thicknesses on the element are
//    taken as their mean.
//  - Solids: the density. Point masses: the property's mass at the node plus its offset, with
//    its inertia, both in the property's coordinate system.
//  - Springs, DOF springs, gaps and rigid elements carry no mass.

#include <set>
#include <vector>

#include "femapsim/mass_properties.h"
#include "femapsim/model.h"

namespace femapsim {

// Throws CoordinateError when a coordinate system the elements need cannot be resolved.
std::vector<MassElement> massElementsOf(const Model& model, const std::set<int>* elementIds = nullptr);

}  // namespace femapsim
