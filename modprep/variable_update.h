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
#include "modprep/exchange_records.h"
#include "modprep/input_values.h"
#include "modprep/load_update.h"
#include "runtime/run.h"

namespace modprep {

class VariableUpdater {
 public:
  VariableUpdater(runtime::Run& run, const InputValues& values, LoadUpdater& loads);

  void apply(const VariableRecord& record);

  // The index of the last value named `name` in "InputValues.txt"; -1 when there is none.
  long SearchArray(std::string_view name);

  // How many "Function" records were passed over (their points come from another file).
  std::size_t functionRecords() const { return functionRecords_; }

 private:
  bool inRange(const VariableRecord& record);
  void applyToEntity(const VariableRecord& record, double value);

  runtime::Run& run_;
  const InputValues& values_;
  LoadUpdater& loads_;
  femap::Object entity_;           // the current entity object, kept from one record to the next
  std::size_t expectedIndex_ = 0;  // where the next record's value likely stands
  std::size_t functionRecords_ = 0;
};

}  // namespace modprep
