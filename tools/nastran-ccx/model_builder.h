#pragma once

#include "deck_reader.h"
#include "model.h"

namespace nastranccx {

// Gives the deck's cards their meaning: checks the solution sequence, takes the
// subcase's LOAD, SPC and TEMPERATURE(LOAD) selections, reads every bulk card we
// know and checks every reference between cards. Throws Failure naming the file,
// line, card and reason for an unknown card, a bad field, a field we cannot honour
// (offsets, coordinate systems, ...) or a missing grid, element, property or material.
Model buildModel(const Deck& deck);

}  // namespace nastranccx
