// A Nastran input deck through the deck reader the programs ship (nastran/): read into typed
// cards or refused with a DeckError that says why. A deck that reads is also checked for its
// references, has its coordinate systems resolved, and is written and read again: what the
// writer makes of a deck the reader took must read back.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "nastran/coordinate_systems.h"
#include "nastran/cross_reference.h"
#include "nastran/deck.h"
#include "nastran/deck_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  nastran::MemoryFiles files;  // INCLUDE finds no file
  nastran::Deck deck;
  try {
    deck = nastran::readDeckText(std::string(reinterpret_cast<const char*>(data), size), "fuzz.dat", files);
  } catch (const nastran::DeckError&) {
    return 0;
  }
  for (const nastran::Grid& grid : deck.bulk.grids)
    if (grid.origin.at.line < 1) __builtin_trap();
  nastran::checkReferences(deck);
  try {
    nastran::CoordinateSystems systems(deck);
  } catch (const nastran::DeckError&) {
  }
  std::string written = nastran::formatDeck(deck);
  try {
    nastran::readDeckText(written, "written.dat", files);
  } catch (const nastran::DeckError&) {
    __builtin_trap();
  }
  return 0;
}
