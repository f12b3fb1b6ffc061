#pragma once
// Nastran decks as the simulated FEMAP reads and writes them (feFileReadNastran,
// feFileWriteNastran), through the Nastran library of nastran/.
//
// Reading: the deck's cards become the model's entities with the deck's IDs: CORD1/CORD2 systems,
// grids (global positions; CP, CD and PS kept), elements, properties and materials with FEMAP's
// type codes and value positions (femap_layout.h), one load set per load SID (FORCE, MOMENT,
// FORCE1, MOMENT1, PLOAD, PLOAD1, PLOAD2, PLOAD4, GRAV, TEMP, TEMPD, SPCD; a LOAD card as the
// set's combination), one constraint set per SPC/MPC SID (SPC, SPC1, MPC; SPCADD and MPCADD as
// the set's combination), and the subcases as one analysis set with a case each. Cards the
// simulator does not model (PARAM and every card the library passes through) are kept as they
// stood (kind deckcard). A property given on its element's card (CONROD, CELAS2, CONM2) becomes
// a property of its own, numbered after every other, that names its element (inlineOf).
//
// Writing: every modelled entity back through the library's card writer, one SUBCASE per
// analysis case of the active analysis set (none: one subcase from the active load and
// constraint sets), the kept cards as they stood.

#include <filesystem>
#include <string>

#include "femapsim/model.h"
#include "nastran/deck.h"

namespace femapsim {

// The model a deck holds. Inline properties and kept cards are numbered after the highest IDs of
// `into` (the model the deck is read into). Throws nastran::DeckError for a deck whose
// references lead nowhere (cross_reference.h) or whose coordinate systems do not resolve.
Model modelFromDeck(const nastran::Deck& deck, const Model& into);

struct NastranRead {
  Model model;
  std::string unread;  // "3 cards passed through unread: EIGRL (1), ..."; "" when none
};
// Reads and checks a deck file; throws nastran::DeckError.
NastranRead readNastranModel(const std::filesystem::path& path, const Model& into);

// The deck of a model.
nastran::Deck deckFromModel(const Model& model);
std::string formatNastranModelDeck(const Model& model);

}  // namespace femapsim
