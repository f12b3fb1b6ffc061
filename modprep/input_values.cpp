#include "modprep/input_values.h"

namespace modprep {

InputValues InputValues::read(support::RecordReader reader) {
  InputValues values;
  while (reader.next()) {
    const std::size_t k = values.variableNames_.size();
    values.variableNames_.push_back(reader.field(1));
    values.valueTexts_.push_back(reader.field(2));
    values.variableValues_.push_back(reader.realFieldValue(2));
    // A later record of the same name replaces the earlier one's index.
    values.lastIndexOf_[values.variableNames_.back()] = k;
  }
  return values;
}

long InputValues::find(std::string_view name) const {
  auto found = lastIndexOf_.find(std::string(name));
  return found == lastIndexOf_.end() ? -1 : static_cast<long>(found->second);
}

}  // namespace modprep
