#pragma once

#include "model.h"
#include "nastran/deck.h"

namespace nastranccx {

// Gives the deck's typed cards the meaning nastran-ccx solves: checks the solution sequence,
// takes every subcase's LOAD, SPC, MPC and TEMPERATURE selections, refuses (by name, with its
// file and line) the first card it does not solve, checks every reference between cards
// (nastran::requireConsistent), resolves grid positions and CD systems and builds the model.
// Throws nastran::DeckError naming the file, line, card and reason for anything it cannot take
// (a field it cannot honour, such as offsets). `ignoredSettings`, when given, receives the
// names of the PARAM and MDLPRM settings that do not change the answer (see settings.h).
Model buildModel(const nastran::Deck& deck, std::vector<std::string>* ignoredSettings = nullptr);

}  // namespace nastranccx
