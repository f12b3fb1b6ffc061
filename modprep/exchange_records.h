#pragma once
// The variable records of "Modprep.txt": one input variable a line, fields separated by
// blanks: entity type, variable name, entity ID, member name, index.

#include <cstdint>
#include <string>

#include "support/record_reader.h"

namespace modprep {

struct VariableRecord {
  std::string entityType;     // field 1: "Node", "Prop", ..., "Function", or a load kind
  std::string name;           // field 2
  std::string member;         // field 4: the member the value goes into; may be empty
  std::int64_t entityId = 0;  // field 3; 0 when missing or not a number
  std::int64_t index = -1;    // field 5; -1 when missing or not a number
  std::string entityIdText;   // fields 3 and 5 as written, for messages
  std::string indexText;
};

// The current record of `reader` as a variable record.
VariableRecord variableRecord(const support::RecordReader& reader);

// Entity IDs and indexes are held as 16-bit integers by FEMAP's entity objects.
constexpr bool fitsInt16(std::int64_t value) { return value >= -32768 && value <= 32767; }

// The load kinds, whose records update every load of a load definition.
bool isLoadKind(std::string_view entityType);

// Whether "fe" + `entityType` names one of FEMAP's entity objects. The record's word is
// called on FEMAP by name, so any other word (a file or application command such as
// "FileClose") must never reach it.
bool isEntityKind(std::string_view entityType);

}  // namespace modprep
