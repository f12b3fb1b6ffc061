// A Nastran deck as the simulated FEMAP reads it (feFileReadNastran): a deck the library reads
// and finds consistent becomes a model, which is written as a deck (feFileWriteNastran) that must
// read again and as a model file that must load again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "femapsim/model_file.h"
#include "femapsim/nastran_model.h"
#include "nastran/cross_reference.h"
#include "nastran/deck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  nastran::MemoryFiles files;  // INCLUDE finds no file
  femapsim::Model model;
  try {
    nastran::Deck deck = nastran::readDeckText(std::string(reinterpret_cast<const char*>(data), size), "fuzz.dat", files);
    nastran::requireConsistent(deck);
    model = femapsim::modelFromDeck(deck, femapsim::Model());
  } catch (const nastran::DeckError&) {
    return 0;
  }
  std::string written = femapsim::formatNastranModelDeck(model);
  try {
    nastran::readDeckText(written, "written.dat", files);
  } catch (const nastran::DeckError&) {
    __builtin_trap();
  }
  femapsim::parseModel(femapsim::formatModel(model), "fuzz.mod");  // a refusal here is a fault: it throws
  return 0;
}
