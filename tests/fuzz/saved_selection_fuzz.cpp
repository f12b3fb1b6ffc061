// The saved selection (<base>Control.txt) through the parser the pane restores it with.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "exchange/saved_selection.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const exchange::SavedSelection selection =
      exchange::parseSavedSelection(std::string_view(reinterpret_cast<const char*>(data), size));
  // Every row has exactly the grid's columns, whatever its line held.
  for (const auto& saved : selection.inputs) {
    if (exchange::cellsOf(saved.row).size() != exchange::kInputColumns) __builtin_trap();
  }
  for (const auto& saved : selection.outputs) {
    if (exchange::cellsOf(saved.row).size() != exchange::kOutputColumns) __builtin_trap();
  }
  return 0;
}
