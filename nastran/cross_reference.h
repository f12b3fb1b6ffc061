#pragma once
// Whether a deck holds together: every reference leads to a card that exists, every ID is used
// once, every coordinate system can be resolved.
//
// Checked: the grids (and scalar points) of elements, loads, constraints and CORD1 systems; the
// property of every element and whether it is of a kind the element takes (a CROD needs a PROD);
// the materials of properties; the coordinate systems of grids, masses, loads and properties;
// the elements of element loads; the sets of LOAD, SPCADD and MPCADD; the sets case control
// selects (LOAD, SPC, MPC, TEMPERATURE, METHOD) and the SETs its output requests name; IDs used
// twice among grids and scalar points, elements, properties, materials, coordinate systems and
// the SETs of one subcase; coordinate systems defined through one another. A card passed through
// unread may be what a reference means (an EIGRL for METHOD, a PLPLANE for a plate): a reference
// to the ID in field 1 of such a card, of a fitting kind (P... for properties, MAT... for
// materials, CORD... for systems, any for sets), is taken as met.

#include <cstddef>
#include <vector>

#include "nastran/deck.h"

namespace nastran {

struct CheckOptions {
  // With true, an SPC set that case control selects and no card defines is taken as selecting
  // no constraint beyond the grids' own (PS) instead of being a problem.
  bool spcSelectionMayBeEmpty = false;
};

// Each problem found (up to `limit`), as a DeckError with its file, line and reason, in the order
// of the deck. Empty when the deck holds together.
std::vector<DeckError> checkReferences(const Deck& deck, const CheckOptions& options = {}, std::size_t limit = 100);

// Throws the first problem checkReferences finds.
void requireConsistent(const Deck& deck, const CheckOptions& options = {});

}  // namespace nastran
