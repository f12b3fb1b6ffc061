// An OUTPUT2 file as the simulated FEMAP reads it: the framing of every table, the static
// results of OUGV1 and OES1X1, and the output set made of each subcase. A file may be
// refused (FormatError); anything else, a crash or a sanitizer report, is a fault. The
// results read where they lie in the bytes must be those read through copied tables, and a
// refusal the same refusal.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "resultfiles/femap_vectors.h"
#include "resultfiles/format_error.h"
#include "resultfiles/op2_dump.h"
#include "resultfiles/op2_file.h"
#include "resultfiles/op2_tables.h"

namespace {

// The results written out again (equal results give equal bytes, bit for bit), or the refusal.
std::string outcome(const std::function<std::vector<resultfiles::SubcaseResults>()>& read) {
  try {
    return resultfiles::writeOp2(resultfiles::makeOp2File(read(), {1, 1, 2000}, "FUZZ"));
  } catch (const resultfiles::FormatError& error) {
    return error.what();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  try {
    int setId = 1;
    for (const resultfiles::SubcaseResults& subcase : resultfiles::readStaticResults(bytes, "fuzz.op2")) {
      volatile std::size_t vectors = resultfiles::outputSetFor(subcase, setId++).vectors.size();
      (void)vectors;
    }
  } catch (const resultfiles::FormatError&) {
  }
  std::string inPlace = outcome([&] { return resultfiles::readStaticResults(bytes, "fuzz.op2"); });
  std::string copied = outcome([&] {
    return resultfiles::readStaticResults(resultfiles::readOp2(bytes, "fuzz.op2", resultfiles::isStaticResultsTable),
                                          "fuzz.op2");
  });
  if (inPlace != copied) {
    std::fprintf(stderr, "read in place and through copied tables differ:\n%s\n%s\n", inPlace.substr(0, 200).c_str(),
                 copied.substr(0, 200).c_str());
    std::abort();
  }
  try {
    volatile std::size_t length = resultfiles::dumpOp2(bytes, "fuzz.op2").size();
    (void)length;
  } catch (const resultfiles::FormatError&) {
  }
  return 0;
}
