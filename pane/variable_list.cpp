#include "pane/variable_list.h"

#include <algorithm>
#include <functional>
#include <iterator>

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

namespace {

char folded(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Case-folded comparison: negative, zero or positive.
int compareFolded(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const auto x = static_cast<unsigned char>(folded(a[i]));
    const auto y = static_cast<unsigned char>(folded(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

const std::string& gridName(const ui::Grid& grid, std::size_t slot) {
  return grid.cell(static_cast<int>(slot) + ui::Grid::kFixedRows, 0);
}

}  // namespace

bool variableNameLess(std::string_view a, std::string_view b) {
  const int byFolded = compareFolded(a, b);
  return byFolded != 0 ? byFolded < 0 : a < b;
}

VariableListUpdate::VariableListUpdate(ui::Grid& grid,
                                       std::function<void(const std::string&)> onRemoved)
    : grid_(grid), onRemoved_(std::move(onRemoved)), revision_(grid.revision()) {
  rowsBefore_ = static_cast<std::size_t>(grid.rowCount() - ui::Grid::kFixedRows);
  // The grid's names are copied once into one text, so that the index does not depend on the
  // grid's rows while the update runs.
  for (std::size_t slot = 0; slot < rowsBefore_; ++slot) gridNames_ += gridName(grid, slot);
  gridNameOf_.reserve(rowsBefore_);
  std::size_t start = 0;
  for (std::size_t slot = 0; slot < rowsBefore_; ++slot) {
    const std::size_t length = gridName(grid, slot).size();
    gridNameOf_.push_back(std::string_view(gridNames_).substr(start, length));
    start += length;
  }
  removed_.assign(rowsBefore_, 0);
  previousNamed_.reserve(rowsBefore_);
  std::size_t capacity = 64;
  while (capacity < 4 * rowsBefore_) capacity *= 2;
  index_.resize(capacity);
  for (std::size_t slot = 0; slot < rowsBefore_; ++slot) index(slot);
  live_ = rowsBefore_;
}

std::string_view VariableListUpdate::nameAt(std::size_t slot) const {
  if (slot >= rowsBefore_) return added_[slot - rowsBefore_][0];
  return gridNameOf_[slot];  // an overwritten row keeps its name
}

VariableListUpdate::IndexEntry* VariableListUpdate::find(std::string_view name, std::size_t hash) {
  const std::size_t mask = index_.size() - 1;
  for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
    IndexEntry& entry = index_[at];
    if (entry.keySlot == kNoRow) return nullptr;
    if (entry.hash == hash && nameAt(entry.keySlot) == name) return &entry;
  }
}

VariableListUpdate::IndexEntry& VariableListUpdate::findOrAdd(std::size_t slot) {
  if (2 * (indexed_ + 1) > index_.size()) grow();
  const std::string_view name = nameAt(slot);
  const std::size_t hash = std::hash<std::string_view>()(name);
  const std::size_t mask = index_.size() - 1;
  for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
    IndexEntry& entry = index_[at];
    if (entry.keySlot == kNoRow) {
      entry = {hash, slot, kNoRow};
      ++indexed_;
      return entry;
    }
    if (entry.hash == hash && nameAt(entry.keySlot) == name) return entry;
  }
}

void VariableListUpdate::grow() {
  std::vector<IndexEntry> entries(2 * index_.size());
  const std::size_t mask = entries.size() - 1;
  for (const IndexEntry& entry : index_) {
    if (entry.keySlot == kNoRow) continue;
    std::size_t at = entry.hash & mask;
    while (entries[at].keySlot != kNoRow) at = (at + 1) & mask;
    entries[at] = entry;
  }
  index_ = std::move(entries);
}

void VariableListUpdate::index(std::size_t slot) {
  IndexEntry& entry = findOrAdd(slot);
  previousNamed_.resize(std::max(previousNamed_.size(), slot + 1), kNoRow);
  previousNamed_[slot] = entry.last;
  entry.last = slot;
}

void VariableListUpdate::removeNamed(const std::string& name) {
  overwrite_.reset();
  IndexEntry* named = find(name, std::hash<std::string_view>()(name));
  if (!named || named->last == kNoRow) return;
  std::size_t count = 0;
  for (std::size_t slot = named->last; slot != kNoRow; slot = previousNamed_[slot]) ++count;
  // The last row stays when the name's rows are all the list holds.
  const bool keepOne = count == live_;
  std::size_t slot = keepOne ? previousNamed_[named->last] : named->last;
  for (; slot != kNoRow; slot = previousNamed_[slot]) {
    removed_[slot] = 1;
    --live_;
    onRemoved_(name);
  }
  if (keepOne) {
    overwrite_ = named->last;
    previousNamed_[named->last] = kNoRow;
  } else {
    named->last = kNoRow;
  }
}

void VariableListUpdate::append(std::string_view tabSeparatedCells) {
  append(ui::Grid::rowFromText(tabSeparatedCells, grid_.columnCount()));
}

void VariableListUpdate::append(ui::Grid::Row row) {
  row.resize(static_cast<std::size_t>(grid_.columnCount()));
  if (overwrite_ && nameAt(*overwrite_) == row[0]) {
    const std::size_t slot = *overwrite_;
    overwrite_.reset();
    onRemoved_(row[0]);
    if (slot >= rowsBefore_) {
      added_[slot - rowsBefore_] = std::move(row);
    } else {
      overwritten_[slot] = std::move(row);
    }
    return;
  }
  overwrite_.reset();
  added_.push_back(std::move(row));
  removed_.push_back(0);
  index(rowsBefore_ + added_.size() - 1);
  ++live_;
}

void VariableListUpdate::commit() {
  if (grid_.revision() != revision_) {
    VariableListUpdate again(grid_, [](const std::string&) {});
    for (auto& [slot, row] : overwritten_) {
      if (removed_[slot]) continue;
      again.removeNamed(row[0]);
      again.append(std::move(row));
    }
    for (std::size_t k = 0; k < added_.size(); ++k) {
      if (removed_[rowsBefore_ + k]) continue;
      again.removeNamed(added_[k][0]);
      again.append(std::move(added_[k]));
    }
    again.commit();
    clear();
    return;
  }
  // The grid's rows are usually in order already (the last update sorted them): then only
  // the new rows are sorted and merged in. Merging keeps a grid row ahead of a new row of an
  // equal name, as one stable sort of all rows would.
  auto less = [&](std::size_t a, std::size_t b) { return variableNameLess(nameAt(a), nameAt(b)); };
  std::vector<std::size_t> before, added;
  before.reserve(live_);
  added.reserve(live_);
  for (std::size_t slot = 0; slot < removed_.size(); ++slot) {
    if (!removed_[slot]) (slot < rowsBefore_ ? before : added).push_back(slot);
  }
  if (!std::is_sorted(before.begin(), before.end(), less)) {
    std::stable_sort(before.begin(), before.end(), less);
  }
  std::stable_sort(added.begin(), added.end(), less);
  std::vector<std::size_t> order;
  order.reserve(before.size() + added.size());
  std::merge(before.begin(), before.end(), added.begin(), added.end(), std::back_inserter(order),
             less);
  if (order.size() > 1 && nameAt(order.front()).empty()) order.erase(order.begin());

  std::vector<ui::Grid::Row> gridRows = grid_.takeDataRows();
  std::vector<ui::Grid::Row> sorted;
  sorted.reserve(order.size());
  for (std::size_t slot : order) {
    if (slot >= rowsBefore_) {
      sorted.push_back(std::move(added_[slot - rowsBefore_]));
    } else if (const auto found = overwritten_.find(slot); found != overwritten_.end()) {
      sorted.push_back(std::move(found->second));
    } else {
      sorted.push_back(std::move(gridRows[slot]));
    }
  }
  grid_.setDataRows(std::move(sorted));
  clear();
}

void VariableListUpdate::clear() {
  added_.clear();
  overwritten_.clear();
  removed_.clear();
  index_.clear();
  indexed_ = 0;
  previousNamed_.clear();
  gridNameOf_.clear();
  gridNames_.clear();
  rowsBefore_ = 0;
  live_ = 0;
}

}  // namespace pane
