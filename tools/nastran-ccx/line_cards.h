#pragma once

#include "model.h"
#include "nastran/deck.h"

namespace nastranccx {

// The line-element cards beyond CROD/PROD and CBAR/PBAR: CONROD, CBEAM, PBARL,
// PBEAM, PBEAML and PLOAD1, added to a model whose grids, elements and
// properties are read. Throws nastran::DeckError for what is not solved exactly.
void readLineCards(const nastran::Deck& deck, Model& model);

// A CBAR's or CBEAM's orientation vector, offsets and pin flags into `element` (its grids
// read), as OFFT says: the vector and each offset in the displacement system (CD) of its
// grid (G) or in the basic system (B). The reason it cannot, or "".
std::string readBarEnds(const Model& model, Element& element, const std::string& offt, const nastran::Components& pa,
                        const nastran::Components& pb, const Vec3& wa, const Vec3& wb);

// The section of a PBAR.
BeamSection pbarSection(const nastran::Pbar& card);

}  // namespace nastranccx
