// A model file of the simulated FEMAP through the parser that opens it: refused whole with a
// reason, or read into a model that formats and reads back to the same text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "femapsim/model_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  femapsim::Model model;
  try {
    model = femapsim::parseModel(text, "fuzz.mod");
  } catch (const femapsim::ModelFileError&) {
    return 0;
  }
  const std::string formatted = femapsim::formatModel(model);
  if (femapsim::formatModel(femapsim::parseModel(formatted, "again.mod")) != formatted) {
    __builtin_trap();  // load -> save -> load gives the same model
  }
  return 0;
}
