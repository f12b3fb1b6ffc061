#include "exchange/rows.h"

#include <cstdint>
#include <limits>

#include "support/err.h"
#include "support/number_text.h"

namespace exchange {
namespace {

std::string cellOrEmpty(const std::vector<std::string>& cells, std::size_t column) {
  return column < cells.size() ? cells[column] : std::string();
}

}  // namespace

int rowInteger(std::string_view field, std::string_view what) {
  const std::optional<std::int64_t> number = support::parseInteger(field);
  if (!number || *number < std::numeric_limits<int>::min() ||
      *number > std::numeric_limits<int>::max()) {
    throw support::RuntimeError("the " + std::string(what) + " \"" + std::string(field) +
                                "\" is not a number");
  }
  return static_cast<int>(*number);
}

InputRow inputRowFromCells(const std::vector<std::string>& cells) {
  return {cellOrEmpty(cells, kInputNameColumn),     cellOrEmpty(cells, kInputValueColumn),
          cellOrEmpty(cells, kInputEntityTypeColumn), cellOrEmpty(cells, kInputEntityIdColumn),
          cellOrEmpty(cells, kInputMemberColumn),   cellOrEmpty(cells, kInputIndexColumn)};
}

OutputRow outputRowFromCells(const std::vector<std::string>& cells) {
  return {cellOrEmpty(cells, kOutputNameColumn), cellOrEmpty(cells, kOutputValueColumn),
          cellOrEmpty(cells, kOutputEntityColumn), cellOrEmpty(cells, kOutputVectorColumn),
          cellOrEmpty(cells, kOutputKindColumn)};
}

}  // namespace exchange
