// An OUTPUT2 file as the simulated FEMAP reads it: the framing of every table (either word
// size, with or without header and version records, matrices), the static results of every
// table and element type read, and the output sets made of them, every value taken. A file
// may be refused (FormatError); anything else, a crash or a sanitizer report, is a fault.
// The results read where they lie in the bytes must be those read through copied tables, and
// a refusal the same refusal.
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
std::string outcome(const std::function<resultfiles::Op2Results()>& read) {
  try {
    resultfiles::Op2Results results = read();
    resultfiles::Op2WriteOptions options{.label = "FUZZ"};
    return resultfiles::writeOp2(resultfiles::makeOp2File(results.subcases, options)) +
           resultfiles::whyNoStaticResults(results);
  } catch (const resultfiles::FormatError& error) {
    return error.what();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  try {
    for (const resultfiles::OutputSet& set :
         resultfiles::outputSetsFor(resultfiles::readStaticResults(bytes, "fuzz.op2")))
      for (const resultfiles::OutputVector& vector : set.vectors) {
        volatile std::size_t values = vector.values.all().size() + vector.entities.size();
        (void)values;
      }
  } catch (const resultfiles::FormatError&) {
  }
  std::string inPlace = outcome([&] { return resultfiles::readOp2Results(bytes, "fuzz.op2"); });
  std::string copied = outcome([&] {
    return resultfiles::readOp2Results(resultfiles::readOp2(bytes, "fuzz.op2", resultfiles::isStaticResultsTable),
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
