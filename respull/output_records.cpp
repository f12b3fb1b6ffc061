#include "respull/output_records.h"

#include "support/strings.h"

namespace respull {

OutputRecord outputRecord(const support::RecordReader& reader) {
  OutputRecord record;
  record.kind = reader.field(1);
  record.name = reader.field(2);
  record.entity = reader.field(3);
  record.entityId = reader.intField(3, 0);
  record.vector = reader.intField(4, 0);
  return record;
}

bool isDeleteRecord(const support::RecordReader& reader) {
  return support::equalsIgnoreCase(reader.field(1), "DELETE");
}

std::string outputFileName(support::RecordReader reader) {
  if (!reader.next()) return std::string(kDefaultOutputFile);
  if (isDeleteRecord(reader) && !reader.next()) return std::string(kDefaultOutputFile);
  // The reference line is current; the output line is the second after it.
  if (!reader.next() || !reader.next()) return std::string(kDefaultOutputFile);
  return reader.textAfterEquals();
}

}  // namespace respull
