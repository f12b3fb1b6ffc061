#pragma once

#include "model.h"
#include "nastran/deck.h"

namespace nastranccx {

// Gives the deck's typed cards the meaning nastran-ccx solves: checks the solution sequence,
// takes the subcase's LOAD, SPC and TEMPERATURE(LOAD) selections, refuses (by name, with its
// file and line) the first card it does not solve, checks every reference between cards
// (nastran::requireConsistent) and builds the model. Throws nastran::DeckError naming the file,
// line, card and reason for anything it cannot take (a field it cannot honour, such as offsets
// or a second subcase).
Model buildModel(const nastran::Deck& deck);

}  // namespace nastranccx
