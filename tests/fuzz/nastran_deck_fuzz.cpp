// A Nastran input deck through nastran-ccx's deck reader: taken apart, or refused with a
// Failure that says why.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "deck_reader.h"
#include "failure.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const nastranccx::Deck deck = nastranccx::readDeckText(
        std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.dat");
    for (const nastranccx::Card& card : deck.bulk) {
      if (card.line < 1) __builtin_trap();
    }
  } catch (const nastranccx::Failure&) {
  }
  return 0;
}
