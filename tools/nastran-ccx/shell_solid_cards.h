#pragma once

#include <string>
#include <string_view>

#include "model.h"
#include "nastran/coordinate_systems.h"
#include "nastran/deck.h"

// The shell, solid and pressure cards of a deck in the model's terms. Each throws the deck's
// error, with the card's file, line and field, for what the conversion to CalculiX cannot
// solve as Nastran would.
namespace nastranccx {

// CQUAD4, CTRIA3, CQUAD8, CTRIA6, CQUADR, CTRIAR: every grid given (mid-side grids too).
Element plateElement(const nastran::Deck& deck, const nastran::Plate& card);

// CTETRA, CPENTA, CHEXA with their corners only, or with every mid-side grid.
Element solidElement(const nastran::Deck& deck, const nastran::Solid& card);

// PSHELL: membrane and bending of one material (MID2 = MID1), or membrane only (MID2 blank).
Property shellProperty(const nastran::Deck& deck, const nastran::Pshell& card);

// PCOMP and PCOMPG: the plies from the bottom (LAM blank, or SYM: the plies given and
// their mirror image); the laminate on its mid-plane.
Property compositeProperty(const nastran::Deck& deck, const nastran::Pcomp& card);

// MAT8 into `model.materials`.
void readLaminae(const nastran::Deck& deck, Model& model);

// MAT9 into `model.materials`.
void readAnisotropicMaterials(const nastran::Deck& deck, Model& model);

// A MAT8 lamina serves PCOMP plies only, a MAT9 PSOLID in the basic system only: any other
// property naming one is refused.
void checkPropertyMaterials(const nastran::Deck& deck, const Model& model);

// Whether the subcase's STRESS request asks for corner stresses (CORNER, BILIN, SGAGE, CUBIC),
// which CQUAD4 then gives beside its centre.
bool wantsCornerStresses(const nastran::Subcase& subcase);

// Why a card is not solved: for shear panels and the anisotropic materials a sentence of
// their own, else "not solved by nastran-ccx (unknown card to its CalculiX conversion)".
std::string unsolvedCardReason(std::string_view card);

// PLOAD, PLOAD2 and PLOAD4 into `model.pressures`; the elements must be read first. A
// PLOAD4 direction N1-N3 is given in a rectangular system CID.
void readPressureLoads(const nastran::Deck& deck, const nastran::CoordinateSystems& systems, Model& model);

}  // namespace nastranccx
