// A FEMAP neutral file as the simulated FEMAP reads its results: blocks 100, 450, 451 and
// 1051, others passed over. A file may be refused (FormatError); anything else, a crash or a
// sanitizer report, is a fault.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "resultfiles/format_error.h"
#include "resultfiles/neutral_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    resultfiles::NeutralFile file =
        resultfiles::readNeutral(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.fno");
    volatile std::size_t sets = file.sets.size();
    (void)sets;
  } catch (const resultfiles::FormatError&) {
  }
  return 0;
}
