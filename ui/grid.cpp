#include "ui/grid.h"

#include <algorithm>
#include <iterator>

#include "support/err.h"

namespace ui {

Grid::Grid(std::string name, Control* parent, Bounds bounds, int tabIndex, int columns,
           std::vector<std::string> headers)
    : Control(std::move(name), ControlKind::Grid, parent, bounds, tabIndex),
      columns_(std::max(columns, 1)),
      columnWidths_(static_cast<std::size_t>(columns_), -1) {
  Row header(static_cast<std::size_t>(columns_));
  for (std::size_t column = 0; column < header.size() && column < headers.size(); ++column) {
    header[column] = std::move(headers[column]);
  }
  rows_.push_back(std::move(header));
  rows_.emplace_back(static_cast<std::size_t>(columns_));
}

void Grid::noRow(int row) const {
  throw support::RuntimeError(name() + " has no row " + std::to_string(row));
}

void Grid::checkRow(int row) const {
  if (row < 0 || row >= rowCount()) noRow(row);
}

void Grid::checkColumn(int column) const {
  if (column < 0 || column >= columns_) {
    throw support::RuntimeError(name() + " has no column " + std::to_string(column));
  }
}

void Grid::checkDataRow(int row) const {
  if (row < kFixedRows || row >= rowCount()) {
    throw support::RuntimeError(name() + " has no data row " + std::to_string(row));
  }
}

void Grid::setRowCount(int rows) {
  if (rows < kFixedRows + 1) {
    throw support::RuntimeError(name() + " must keep its header row and one data row, not " +
                                std::to_string(rows) + " rows");
  }
  rows_.resize(static_cast<std::size_t>(rows), Row(static_cast<std::size_t>(columns_)));
  ++revision_;
  keepSelectionInRange();
}

const std::string& Grid::cell(int row, int column) const {
  checkRow(row);
  checkColumn(column);
  return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

void Grid::setCell(int row, int column, std::string text) {
  checkRow(row);
  checkColumn(column);
  rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = std::move(text);
  ++revision_;
}

Grid::Row Grid::rowFromText(std::string_view tabSeparatedCells, int columns) {
  Row row(static_cast<std::size_t>(std::max(columns, 1)));
  std::size_t column = 0;
  std::size_t start = 0;
  while (column < row.size()) {
    const std::size_t tab = tabSeparatedCells.find('\t', start);
    row[column++] = std::string(tabSeparatedCells.substr(start, tab - start));
    if (tab == std::string_view::npos) break;
    start = tab + 1;
  }
  return row;
}

void Grid::addItem(std::string_view tabSeparatedCells) {
  addRow(rowFromText(tabSeparatedCells, columns_));
}

void Grid::addRow(Row row) {
  row.resize(static_cast<std::size_t>(columns_));
  rows_.push_back(std::move(row));
  ++revision_;
}

void Grid::removeItem(int row) { removeItems(row, 1); }

int Grid::removableAt(int row) const {
  if (row < kFixedRows || row >= rowCount()) return 0;
  return std::min(rowCount() - row, rowCount() - (kFixedRows + 1));
}

void Grid::removeItems(int row, int count) {
  if (count <= 0) return;
  const int possible = removableAt(row);
  if (count > possible) {
    // Name the reason of the first removal that would be refused.
    if (row < kFixedRows) throw support::RuntimeError("Cannot remove the header row of " + name());
    if (row >= rowCount() - possible) noRow(row);
    throw support::RuntimeError("Cannot remove the last data row of " + name());
  }
  const auto first = rows_.begin() + row;
  rows_.erase(first, first + count);
  ++revision_;
  keepSelectionInRange();
}

void Grid::setCurrentRow(int row) {
  checkDataRow(row);
  currentRow_ = row;
}

void Grid::setAnchorRow(int row) {
  checkDataRow(row);
  anchorRow_ = row;
}

void Grid::keepSelectionInRange() {
  currentRow_ = std::clamp(currentRow_, kFixedRows, rowCount() - 1);
  anchorRow_ = std::clamp(anchorRow_, kFixedRows, rowCount() - 1);
}

int Grid::columnWidth(int column) const {
  checkColumn(column);
  return columnWidths_[static_cast<std::size_t>(column)];
}

void Grid::setColumnWidth(int column, int twips) {
  checkColumn(column);
  if (twips < -1) {
    throw support::RuntimeError("Invalid property value: column width " + std::to_string(twips));
  }
  columnWidths_[static_cast<std::size_t>(column)] = twips;
}

std::vector<Grid::Row> Grid::dataRows() const {
  return std::vector<Row>(rows_.begin() + kFixedRows, rows_.end());
}

std::vector<Grid::Row> Grid::takeDataRows() {
  std::vector<Row> rows(std::make_move_iterator(rows_.begin() + kFixedRows),
                        std::make_move_iterator(rows_.end()));
  rows_.resize(kFixedRows);
  rows_.emplace_back(static_cast<std::size_t>(columns_));
  ++revision_;
  keepSelectionInRange();
  return rows;
}

void Grid::setDataRows(std::vector<Row> rows) {
  if (rows.empty()) {
    throw support::RuntimeError(name() + " must keep its header row and one data row");
  }
  rows_.resize(kFixedRows);
  rows_.reserve(kFixedRows + rows.size());
  for (Row& row : rows) {
    row.resize(static_cast<std::size_t>(columns_));
    rows_.push_back(std::move(row));
  }
  ++revision_;
  keepSelectionInRange();
}

void Grid::sortAscending(int column) {
  checkColumn(column);
  const auto index = static_cast<std::size_t>(column);
  ++revision_;
  std::stable_sort(rows_.begin() + kFixedRows, rows_.end(),
                   [index](const Row& a, const Row& b) { return a[index] < b[index]; });
}

void Grid::keyDown(int keyCode, int shift) {
  if (onKeyDown) onKeyDown(keyCode, shift);
}

}  // namespace ui
