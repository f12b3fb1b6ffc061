#pragma once
// The variable rows of the pane's two grids: an input-list row as an exchange::InputRow, an
// output-list row as an exchange::OutputRow. The grids hold and show the rows' fields as text
// in the column order the exchange contract fixes.

#include "exchange/rows.h"
#include "ui/grid.h"

namespace pane {

// Grid row `row` (a data row) as a view of its cells; valid while the grid row is unchanged.
inline exchange::InputRowView inputRowAt(const ui::Grid& grid, int row) {
  return {grid.cell(row, exchange::kInputNameColumn),     grid.cell(row, exchange::kInputValueColumn),
          grid.cell(row, exchange::kInputEntityTypeColumn), grid.cell(row, exchange::kInputEntityIdColumn),
          grid.cell(row, exchange::kInputMemberColumn),   grid.cell(row, exchange::kInputIndexColumn)};
}

inline exchange::OutputRowView outputRowAt(const ui::Grid& grid, int row) {
  return {grid.cell(row, exchange::kOutputNameColumn), grid.cell(row, exchange::kOutputValueColumn),
          grid.cell(row, exchange::kOutputEntityColumn), grid.cell(row, exchange::kOutputVectorColumn),
          grid.cell(row, exchange::kOutputKindColumn)};
}

}  // namespace pane
