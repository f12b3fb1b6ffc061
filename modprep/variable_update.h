#pragma once
// Applying one variable record of "Modprep.txt": the new value from "InputValues.txt" goes
// into the named member of the named entity, or to every load of a load definition.
//
// A record is applied whole or not at all: a record whose value is missing or not a number,
// whose entity ID or index does not fit 16 bits, or whose entity does not exist is reported
// and skipped, so its value never reaches another entity.

#include <cstddef>
#include <string_view>

#include "femap/object.h"
#include "exchange/modprep_file.h"
#include "exchange/value_files.h"
#include "modprep/load_update.h"
#include "runtime/run.h"

namespace modprep {

class VariableUpdater {
 public:
  VariableUpdater(runtime::Run& run, const exchange::InputValues& values, LoadUpdater& loads);

  void apply(const exchange::VariableRecord& record);

  // The index of the last value named `name` in "InputValues.txt"; -1 when there is none.
  long SearchArray(std::string_view name);


 private:
  bool inRange(const exchange::VariableRecord& record);
  void applyToEntity(const exchange::VariableRecord& record, double value);

  runtime::Run& run_;
  const exchange::InputValues& values_;
  LoadUpdater& loads_;
  femap::Object entity_;           // the current entity object, kept from one record to the next
  std::size_t expectedIndex_ = 0;  // where the next record's value likely stands
};

}  // namespace modprep
