#pragma once
// The grid that holds the pane's variable lists: a table of text cells with one fixed header
// row, a current row and the other end of the row selection (the anchor).
//
// A grid always keeps at least one data row below its header: it refuses to remove its last
// data row, as it refuses rows that do not exist, with a support::RuntimeError that names the
// grid and the row. Rows are appended from one text whose tabs separate the cells; pieces
// beyond the last column are dropped, missing ones leave their cells empty.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/control.h"

namespace ui {

class Grid : public Control {
 public:
  // A grid of `columns` columns with its header row and one blank data row; the header row
  // holds `headers` (the rest of it stays empty).
  Grid(std::string name, Control* parent, Bounds bounds, int tabIndex, int columns,
       std::vector<std::string> headers);

  static constexpr int kFixedRows = 1;
  using Row = std::vector<std::string>;

  // The row that appending `tabSeparatedCells` to a grid of `columns` columns adds.
  static Row rowFromText(std::string_view tabSeparatedCells, int columns);

  int rowCount() const { return static_cast<int>(rows_.size()); }
  // New rows are blank; fewer rows drop the last ones. At least the header row and one data
  // row must remain.
  void setRowCount(int rows);
  int columnCount() const { return columns_; }

  const std::string& cell(int row, int column) const;
  void setCell(int row, int column, std::string text);

  // Appends a row after the last one from one text whose tab characters separate the cells.
  void addItem(std::string_view tabSeparatedCells);
  // Appends `row` after the last one; cells beyond the last column are dropped, missing ones
  // are empty.
  void addRow(Row row);
  // Removes row `row`; the rows below move up. Refuses the header row, a row beyond the last
  // one and the last data row.
  void removeItem(int row);
  // How many removals at `row` would succeed one after the other (each takes the row that
  // moved up into its place).
  int removableAt(int row) const;
  // Removes `count` rows starting at `row` in one step, as `count` removals at `row` would;
  // when one of them would be refused, refuses the whole call and removes nothing.
  void removeItems(int row, int count);

  // The current row and the other end of the row selection; both are data rows.
  int currentRow() const { return currentRow_; }
  int anchorRow() const { return anchorRow_; }
  void setCurrentRow(int row);
  void setAnchorRow(int row);

  // Column widths in twips; -1 stands for the default width.
  int columnWidth(int column) const;
  void setColumnWidth(int column, int twips);

  // The data rows, header row excluded, in order.
  std::vector<Row> dataRows() const;
  // Moves the data rows out, in order; the grid is left with one blank data row.
  std::vector<Row> takeDataRows();
  // Replaces every data row by `rows` in one step (a row with too few cells is filled with
  // empty ones, cells beyond the last column are dropped). Refuses an empty `rows`: the grid
  // keeps at least one data row.
  void setDataRows(std::vector<Row> rows);

  // Counts the changes of the rows and cells, so that a reader can tell whether the grid
  // changed since it last looked.
  unsigned long revision() const { return revision_; }

  // Sorts the data rows ascending by the text of `column` (exact text order); rows with
  // equal texts keep their order.
  void sortAscending(int column);

  // Key down while the grid has the focus: the key code and the shift state.
  std::function<void(int keyCode, int shift)> onKeyDown;
  void keyDown(int keyCode, int shift);

 private:
  [[noreturn]] void noRow(int row) const;
  void checkRow(int row) const;
  void checkColumn(int column) const;
  void checkDataRow(int row) const;
  void keepSelectionInRange();

  int columns_;
  std::vector<Row> rows_;
  std::vector<int> columnWidths_;
  int currentRow_ = kFixedRows;
  int anchorRow_ = kFixedRows;
  unsigned long revision_ = 0;
};

}  // namespace ui
