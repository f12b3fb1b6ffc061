#include "exchange/rows.h"

namespace exchange {
namespace {

std::string cellOrEmpty(const std::vector<std::string>& cells, std::size_t column) {
  return column < cells.size() ? cells[column] : std::string();
}

}  // namespace

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
