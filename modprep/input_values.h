#pragma once
// The content of "InputValues.txt": one variable name and its new value a line. A name may
// stand more than once; the last occurrence holds. Names are matched exactly.
//
// A value that is not a number is kept as its text, so that the update can name it instead
// of applying some default.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "support/record_reader.h"

namespace modprep {

class InputValues {
 public:
  InputValues() = default;
  // The index refers to the names it holds, so the values move but are not copied.
  InputValues(InputValues&&) = default;
  InputValues& operator=(InputValues&&) = default;
  InputValues(const InputValues&) = delete;
  InputValues& operator=(const InputValues&) = delete;

  // Every record of `reader` from its current position: field 1 the name, field 2 the value.
  static InputValues read(support::RecordReader reader);

  // `variableCount`: the number of records read.
  std::size_t variableCount() const { return variableNames_.size(); }
  const std::string& variableName(std::size_t k) const { return variableNames_[k]; }
  // Entry k of `variableValues`: the value, or nullopt when its text is not a number.
  std::optional<double> variableValue(std::size_t k) const { return variableValues_[k]; }
  const std::string& valueText(std::size_t k) const { return valueTexts_[k]; }

  // The index of the last record that names `name`; -1 when none does. `expected` is where
  // the name likely stands (the records of "Modprep.txt" usually follow the same order):
  // when it is the last record of that name, no look-up is needed.
  long find(std::string_view name, std::size_t expected = 0) const;

 private:
  std::vector<std::string> variableNames_;
  std::vector<std::optional<double>> variableValues_;
  std::vector<std::string> valueTexts_;
  std::vector<bool> lastOccurrence_;  // no later record has the same name
  std::unordered_map<std::string_view, std::size_t> lastIndexOf_;  // views of variableNames_
};

}  // namespace modprep
