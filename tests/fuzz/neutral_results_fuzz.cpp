// A FEMAP neutral file as the simulated FEMAP reads its results: blocks 100, 450, 451 and
// 1051, others passed over. A file may be refused (FormatError); anything else, a crash or a
// sanitizer report, is a fault. What was read, written again, reads back to the same file.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "resultfiles/format_error.h"
#include "resultfiles/neutral_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  resultfiles::NeutralFile file;
  try {
    file = resultfiles::readNeutral(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.fno");
  } catch (const resultfiles::FormatError&) {
    return 0;
  }
  std::string written = resultfiles::writeNeutral(file);
  std::string again;
  try {
    again = resultfiles::writeNeutral(resultfiles::readNeutral(written, "written.fno"));
  } catch (const resultfiles::FormatError& error) {
    std::fprintf(stderr, "what the writer wrote of a file read is refused: %s\n", error.what());
    std::abort();
  }
  if (again != written) {
    std::fprintf(stderr, "a file read, written and read again differs from the first writing\n");
    std::abort();
  }
  return 0;
}
