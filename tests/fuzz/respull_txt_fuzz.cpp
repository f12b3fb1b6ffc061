// "Respull.txt" through the parser Respull reads it with, the mass-property words looked up.
#include <cstddef>
#include <cstdint>
#include <string>

#include "exchange/respull_file.h"
#include "exchange/vocabulary.h"
#include "support/err.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const exchange::RespullFile file =
      exchange::parseRespullFile(std::string(reinterpret_cast<const char*>(data), size));
  volatile std::size_t outputName = exchange::outputFileName(file).size();
  (void)outputName;
  exchange::MassProperties mass;
  mass.arrays[2] = {1, 2, 3};
  mass.arrays[3] = {1, 2, 3, 4, 5, 6};
  for (const exchange::OutputRecord& record : file.records) {
    try {
      exchange::massQuantity(mass, record.entity, record.vector);
    } catch (const support::RuntimeError&) {
    }
  }
  return 0;
}
