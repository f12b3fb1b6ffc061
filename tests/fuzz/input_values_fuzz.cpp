// "InputValues.txt" as Modprep reads it: names and values, every name looked up.
#include <cstddef>
#include <cstdint>
#include <string>

#include "modprep/input_values.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  modprep::InputValues values = modprep::InputValues::read(
      support::RecordReader(std::string(reinterpret_cast<const char*>(data), size)));
  for (std::size_t k = 0; k < values.variableCount(); ++k) {
    long found = values.find(values.variableName(k));
    if (found < static_cast<long>(k)) __builtin_trap();  // the last occurrence holds
    volatile bool number = values.variableValue(static_cast<std::size_t>(found)).has_value();
    (void)number;
  }
  return 0;
}
