#include "modprep/exchange_records.h"

#include "support/strings.h"

namespace modprep {

VariableRecord variableRecord(const support::RecordReader& reader) {
  VariableRecord record;
  record.entityType = reader.field(1);
  record.name = reader.field(2);
  record.entityIdText = reader.field(3);
  record.member = reader.field(4);
  record.indexText = reader.field(5);
  record.entityId = reader.intField(3, 0);
  record.index = reader.intField(5, -1);
  return record;
}

bool isEntityKind(std::string_view entityType) {
  static constexpr std::string_view kEntityKinds[] = {"Node", "Elem", "Prop", "Matl", "LoadSet", "BCNode",
                                                      "BCGeom", "CSys", "Point", "Curve", "Surface"};
  for (std::string_view kind : kEntityKinds) {
    if (support::equalsIgnoreCase(kind, entityType)) return true;
  }
  return false;
}

bool isLoadKind(std::string_view entityType) {
  return entityType == "LoadMesh" || entityType == "LoadGeom" || entityType == "LoadETemp" ||
         entityType == "LoadNTemp";
}

}  // namespace modprep
