#pragma once

#include "model.h"
#include "nastran/deck.h"

namespace nastranccx {

// The line-element cards beyond CROD/PROD and CBAR/PBAR: CONROD, CBEAM, PBARL,
// PBEAM, PBEAML and PLOAD1, added to a model whose grids, elements and
// properties are read. Throws nastran::DeckError for what is not solved exactly.
void readLineCards(const nastran::Deck& deck, Model& model);

// The section of a PBAR.
BeamSection pbarSection(const nastran::Pbar& card);

}  // namespace nastranccx
