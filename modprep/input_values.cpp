#include "modprep/input_values.h"

namespace modprep {

InputValues InputValues::read(support::RecordReader reader) {
  InputValues values;
  while (reader.next()) {
    values.variableNames_.push_back(reader.field(1));
    values.valueTexts_.push_back(reader.field(2));
    values.variableValues_.push_back(reader.realFieldValue(2));
  }
  // Indexed once all names stand still; a later record of a name replaces the earlier index.
  const std::size_t count = values.variableNames_.size();
  values.lastIndexOf_.reserve(count);
  values.lastOccurrence_.assign(count, true);
  for (std::size_t k = 0; k < count; ++k) {
    auto [entry, added] = values.lastIndexOf_.try_emplace(values.variableNames_[k], k);
    if (!added) {
      values.lastOccurrence_[entry->second] = false;
      entry->second = k;
    }
  }
  return values;
}

long InputValues::find(std::string_view name, std::size_t expected) const {
  if (expected < variableNames_.size() && lastOccurrence_[expected] &&
      variableNames_[expected] == name) {
    return static_cast<long>(expected);
  }
  auto found = lastIndexOf_.find(name);
  return found == lastIndexOf_.end() ? -1 : static_cast<long>(found->second);
}

}  // namespace modprep
