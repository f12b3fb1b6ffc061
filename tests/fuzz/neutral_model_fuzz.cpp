// A FEMAP neutral model file through the reader behind feFileReadNeutral: refused whole with a
// reason, or read into a model that a model file holds as it is and whose mass can be measured.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "femapsim/coordinates.h"
#include "femapsim/mass_model.h"
#include "femapsim/model_file.h"
#include "femapsim/neutral_model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  femapsim::Model model;
  try {
    model = femapsim::readNeutralModel(text, "fuzz.neu");
  } catch (const femapsim::ModelFileError&) {
    return 0;
  }
  // What the reader accepts is a sound model: a model file of it reads back the same.
  const std::string formatted = femapsim::formatModel(model);
  if (femapsim::formatModel(femapsim::parseModel(formatted, "again.mod")) != formatted) __builtin_trap();
  try {
    femapsim::measureMassProperties(femapsim::massElementsOf(model));
  } catch (const femapsim::CoordinateError&) {
    // a coordinate system whose points span none: reported to the caller
  }
  return 0;
}
