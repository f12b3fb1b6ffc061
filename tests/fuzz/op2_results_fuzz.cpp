// An OUTPUT2 file as the simulated FEMAP reads it: the framing of every table, the static
// results of OUGV1 and OES1X1, and the output set made of each subcase. A file may be
// refused (FormatError); anything else, a crash or a sanitizer report, is a fault.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "resultfiles/femap_vectors.h"
#include "resultfiles/format_error.h"
#include "resultfiles/op2_dump.h"
#include "resultfiles/op2_file.h"
#include "resultfiles/op2_tables.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  try {
    resultfiles::Op2File file = resultfiles::readOp2(bytes, "fuzz.op2", resultfiles::isStaticResultsTable);
    int setId = 1;
    for (const resultfiles::SubcaseResults& subcase : resultfiles::readStaticResults(file, "fuzz.op2")) {
      volatile std::size_t vectors = resultfiles::outputSetFor(subcase, setId++).vectors.size();
      (void)vectors;
    }
  } catch (const resultfiles::FormatError&) {
  }
  try {
    volatile std::size_t length = resultfiles::dumpOp2(bytes, "fuzz.op2").size();
    (void)length;
  } catch (const resultfiles::FormatError&) {
  }
  return 0;
}
