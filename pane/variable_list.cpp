#include "pane/variable_list.h"

#include <algorithm>
#include <numeric>

#include "support/strings.h"

namespace pane {

std::string leftCharacters(std::string_view text, std::size_t count) {
  std::size_t characters = 0;
  for (std::size_t byte = 0; byte < text.size(); ++byte) {
    const bool startsCharacter = (static_cast<unsigned char>(text[byte]) & 0xC0) != 0x80;
    if (startsCharacter && characters++ == count) return std::string(text.substr(0, byte));
  }
  return std::string(text);
}

bool variableNameLess(std::string_view a, std::string_view b) {
  const int folded = support::toLower(a).compare(support::toLower(b));
  return folded != 0 ? folded < 0 : a < b;
}

VariableListUpdate::VariableListUpdate(ui::Grid& grid,
                                       std::function<void(const std::string&)> onRemoved)
    : grid_(grid), onRemoved_(std::move(onRemoved)), rows_(grid.dataRows()) {
  removed_.assign(rows_.size(), 0);
  live_ = rows_.size();
  rowsNamed_.reserve(rows_.size());
  for (std::size_t slot = 0; slot < rows_.size(); ++slot) rowsNamed_[rows_[slot][0]].push_back(slot);
}

void VariableListUpdate::removeNamed(const std::string& name) {
  overwrite_.reset();
  const auto named = rowsNamed_.find(name);
  if (named == rowsNamed_.end()) return;
  std::vector<std::size_t>& slots = named->second;
  const bool keepOne = slots.size() == live_;
  const std::size_t removing = keepOne ? slots.size() - 1 : slots.size();
  for (std::size_t k = 0; k < removing; ++k) {
    removed_[slots[k]] = 1;
    --live_;
    onRemoved_(name);
  }
  if (keepOne) {
    overwrite_ = slots.back();
    slots = {slots.back()};
  } else {
    rowsNamed_.erase(named);
  }
}

void VariableListUpdate::append(std::string_view tabSeparatedCells) {
  ui::Grid::Row row = ui::Grid::rowFromText(tabSeparatedCells, grid_.columnCount());
  if (overwrite_ && rows_[*overwrite_][0] == row[0]) {
    onRemoved_(row[0]);
    rows_[*overwrite_] = std::move(row);
    overwrite_.reset();
    return;
  }
  overwrite_.reset();
  rowsNamed_[row[0]].push_back(rows_.size());
  rows_.push_back(std::move(row));
  removed_.push_back(0);
  ++live_;
}

void VariableListUpdate::commit() {
  std::vector<std::size_t> order;
  order.reserve(live_);
  for (std::size_t slot = 0; slot < rows_.size(); ++slot) {
    if (!removed_[slot]) order.push_back(slot);
  }
  std::vector<std::string> folded(rows_.size());
  for (std::size_t slot : order) folded[slot] = support::toLower(rows_[slot][0]);
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const int byFolded = folded[a].compare(folded[b]);
    return byFolded != 0 ? byFolded < 0 : rows_[a][0] < rows_[b][0];
  });
  if (order.size() > 1 && rows_[order.front()][0].empty()) order.erase(order.begin());

  std::vector<ui::Grid::Row> sorted;
  sorted.reserve(order.size());
  for (std::size_t slot : order) sorted.push_back(std::move(rows_[slot]));
  grid_.setDataRows(std::move(sorted));
  rows_.clear();
  removed_.clear();
  rowsNamed_.clear();
  live_ = 0;
}

}  // namespace pane
