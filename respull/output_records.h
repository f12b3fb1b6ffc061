#pragma once
// The records of "Respull.txt": an optional leading "DELETE" record, the reference line, the
// results line, the output line, then one output variable a line: output kind, variable
// name, entity ID (or mass-property word), output vector ID (or component index).

#include <cstdint>
#include <string>
#include <string_view>

#include "support/record_reader.h"

namespace respull {

inline constexpr std::string_view kDefaultOutputFile = "OutputValues.txt";

struct OutputRecord {
  std::string kind;           // field 1: "Output", "maxval", "minval", "MassProperties", any case
  std::string name;           // field 2
  std::string entity;         // field 3 as written: an entity ID or a mass-property word
  std::int64_t entityId = 0;  // field 3 as a whole number; 0 when missing or not a number
  std::int64_t vector = 0;    // field 4: output vector ID or component index; 0 when missing
};

// The current record of `reader` as an output record.
OutputRecord outputRecord(const support::RecordReader& reader);

// True when the current record is the "DELETE" record (its first field in any letter case).
bool isDeleteRecord(const support::RecordReader& reader);

// The output file named by the output line of "Respull.txt" (read from the start of
// `reader`, a copy), or "OutputValues.txt" when the file has no output line.
std::string outputFileName(support::RecordReader reader);

}  // namespace respull
