// "Respull.txt" as Respull reads it: the optional DELETE record, three header lines, then
// output records, with the mass-property words looked up.
#include <cstddef>
#include <cstdint>
#include <string>

#include "respull/mass_properties.h"
#include "respull/output_records.h"
#include "support/err.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  support::RecordReader reader(std::string(reinterpret_cast<const char*>(data), size));
  volatile std::size_t outputName = respull::outputFileName(reader).size();
  (void)outputName;
  respull::MassValues mass;
  mass.totalCG = {1, 2, 3};
  mass.inertia = {1, 2, 3, 4, 5, 6};
  reader.next();
  if (respull::isDeleteRecord(reader)) reader.next();
  reader.next();
  reader.next();
  do {
    reader.next();
    respull::OutputRecord record = respull::outputRecord(reader);
    if (record.vector >= -32768 && record.vector <= 32767) {
      try {
        respull::massProperty(mass, record.entity, static_cast<std::int16_t>(record.vector));
      } catch (const support::RuntimeError&) {
      }
    }
  } while (!reader.atEnd());
  return 0;
}
