#pragma once

#include <string>
#include <vector>

#include "nastran/deck.h"

namespace nastranccx {

// PARAM and MDLPRM settings. Those that leave a linear static answer as it is (output
// requests, database and printing controls, AUTOSPC,YES which CalculiX's own handling of
// unconnected rotations matches) are ignored: returns their names, each once, in the order of
// the deck. A setting that would change the answer, or that nastran-ccx does not know, throws
// nastran::DeckError with its line. WTMASS is neither: it scales the mass (Model::massScale).
std::vector<std::string> checkSettings(const nastran::Deck& deck);

}  // namespace nastranccx
