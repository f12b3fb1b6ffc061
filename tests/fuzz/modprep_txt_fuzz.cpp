// "Modprep.txt" through the parser Modprep reads it with.
#include <cstddef>
#include <cstdint>
#include <string>

#include "exchange/modprep_file.h"
#include "exchange/vocabulary.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const exchange::ModprepFile file =
      exchange::parseModprepFile(std::string(reinterpret_cast<const char*>(data), size));
  for (const exchange::VariableRecord& record : file.records) {
    volatile bool applicable = exchange::fitsInt16(record.entityId) &&
                               exchange::fitsInt16(record.index) &&
                               (exchange::isLoadKind(record.entityType) ||
                                exchange::isEntityKind(record.entityType));
    (void)applicable;
  }
  return 0;
}
