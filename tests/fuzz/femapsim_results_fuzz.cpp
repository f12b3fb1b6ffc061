// A results file in the simulated FEMAP's own grammar through the parser that reads it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "femapsim/model_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    femapsim::parseModel(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.op2",
                         femapsim::FileContent::Results);
  } catch (const femapsim::ModelFileError&) {
  }
  return 0;
}
