// Clearing the variable grids and removing selected rows from them.
#include <algorithm>
#include <cstdlib>

#include "pane/corvane_femap_interface.h"

namespace pane {

namespace {

// Back to the header row and one blank data row; headers and column widths stay.
void clearGrid(ui::Grid& grid) {
  grid.setRowCount(ui::Grid::kFixedRows + 1);
  for (int column = 0; column < grid.columnCount(); ++column) grid.setCell(1, column, "");
}

}  // namespace

void CorvaneFemapInterface::ClearAll_Click() {
  logPosition("At start of ClearAll_Click");
  clearGrid(form_.InputsList);
  clearGrid(form_.OutputsList);
  logPosition("At end of ClearAll_Click");
}

void CorvaneFemapInterface::ClearInputSelection_Click() {
  logPosition("At start of ClearInputSelection_Click");
  removeSelectedRows(form_.InputsList);
  logPosition("At end of ClearInputSelection_Click");
}

void CorvaneFemapInterface::ClearOutputSelection_Click() {
  logPosition("At start of ClearOutputSelection_Click");
  removeSelectedRows(form_.OutputsList);
  logPosition("At end of ClearOutputSelection_Click");
}

// The rows from the current row to the selection anchor, whichever way they were selected.
void CorvaneFemapInterface::removeSelectedRows(ui::Grid& grid) {
  const int current = grid.currentRow();
  const int anchor = grid.anchorRow();
  int first = std::min(current, anchor);
  int count = std::abs(current - anchor) + 1;
  DeleteSelection(grid, first, count);
}

void CorvaneFemapInterface::InputsList_KeyDown(int keyCode, int /*shift*/) {
  logPosition("At start of InputsList_KeyDown");
  if (keyCode == kDeleteKey) ClearInputSelection_Click();
  logPosition("At end of InputsList_KeyDown");
}

void CorvaneFemapInterface::OutputsList_KeyDown(int keyCode, int /*shift*/) {
  logPosition("At start of OutputsList_KeyDown");
  if (keyCode == kDeleteKey) ClearOutputSelection_Click();
  logPosition("At end of OutputsList_KeyDown");
}

// Removes `count` rows at `first`, one after the other (each removal takes the row that moved
// up into `first`). A removal that the grid refuses (its last data row, a row that does not
// exist) ends it: that row is blanked instead and the grid's error is reported; the remaining
// removals are dropped and the selection stays as it was.
void CorvaneFemapInterface::DeleteSelection(ui::Grid& grid, int& first, int& count) {
  logPositionAndClearErrorIfAny("At start of DeleteSelection");
  // The removals that will succeed take the rows that stand at first, first + 1, ... now, so
  // their names are logged first and the rows go in one step.
  const int removable = std::clamp(grid.removableAt(first), 0, std::max(count, 0));
  for (int k = 0; k < removable; ++k) {
    logDebug("Trying to delete entry: Name=" + grid.cell(first + k, 0));
  }
  grid.removeItems(first, removable);
  if (removable < count) {
    const bool rowExists = first >= 0 && first < grid.rowCount();
    if (rowExists) {
      logDebug("Trying to delete entry: Name=" + grid.cell(first, 0));
      err_.run([&] { grid.removeItem(first); });
    } else {
      err_.run([&] { grid.cell(first, 0); });  // the grid's error for a row it does not have
    }
    logDebug("Unable to deleteentry: Name=" + (rowExists ? grid.cell(first, 0) : std::string()));
    if (rowExists) {
      for (int column = 0; column < grid.columnCount(); ++column) grid.setCell(first, column, "");
    }
    logPositionAndClearErrorIfAny("At end of DeleteSelection");
    return;
  }
  grid.setAnchorRow(grid.currentRow());
}

}  // namespace pane
