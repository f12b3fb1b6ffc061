// "Modprep.txt" as Modprep reads it: three header lines, then variable records.
#include <cstddef>
#include <cstdint>
#include <string>

#include "modprep/exchange_records.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  support::RecordReader reader(std::string(reinterpret_cast<const char*>(data), size));
  for (int header = 0; header < 3; ++header) {
    reader.next();
    volatile std::size_t used = reader.field(3).size() + reader.textAfterEquals().size();
    (void)used;
  }
  do {
    reader.next();
    modprep::VariableRecord record = modprep::variableRecord(reader);
    volatile bool applicable = modprep::fitsInt16(record.entityId) &&
                               modprep::fitsInt16(record.index) &&
                               !modprep::isLoadKind(record.entityType);
    (void)applicable;
  } while (!reader.atEnd());
  return 0;
}
