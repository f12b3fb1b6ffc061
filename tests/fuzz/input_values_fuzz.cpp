// "InputValues.txt" through the parser Modprep reads it with: every name looked up.
#include <cstddef>
#include <cstdint>
#include <string>

#include "exchange/value_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const exchange::InputValues values =
      exchange::InputValues::parse(std::string(reinterpret_cast<const char*>(data), size));
  for (std::size_t k = 0; k < values.variableCount(); ++k) {
    const long found = values.find(values.variableName(k), k);
    if (found < static_cast<long>(k)) __builtin_trap();  // the last occurrence holds
    volatile bool number = values.variableValue(static_cast<std::size_t>(found)).has_value();
    (void)number;
  }
  return 0;
}
