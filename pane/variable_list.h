#pragma once
// One update of a variable grid (InputsList or OutputsList) by the selection handlers: new
// variables replace the rows of the same name, and the list ends sorted by name without the
// blank row it holds while nothing is chosen.
//
// The update keeps an index of the names, built once, and marks the rows it takes out; new rows
// wait beside the grid. commit() writes the grid once, so that n new variables cost
// O(m + n log n) on a sorted list of m rows instead of a scan of the grid per variable. Until
// commit() the grid is untouched: an update that fails halfway leaves the list as it was.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ui/grid.h"

namespace pane {

// The first `count` characters of `text` (all of it when shorter). Text is UTF-8; a character
// is counted whole, never cut in its middle.
std::string leftCharacters(std::string_view text, std::size_t count);

// The order of the variable lists: by name without regard to letter case, names that differ
// only in case in exact text order. The names mix FEMAP's member spellings ("xAtNode1",
// "ThicknessAtProp3", "layerAtProp3"); the engineer looks a variable up alphabetically, and
// an order by character codes would put every lower-case name after all capitalised ones.
bool variableNameLess(std::string_view a, std::string_view b);

class VariableListUpdate {
 public:
  // `onRemoved` is told the name of every row that a new variable replaces, as it goes.
  VariableListUpdate(ui::Grid& grid, std::function<void(const std::string& name)> onRemoved);

  // Takes out every row named `name` (compared exactly), from the grid or added earlier in
  // this update. When those rows are all the list holds, the last of them stays and the next
  // row appended under the same name overwrites it in place: the grid never drops its last
  // data row, and overwriting keeps the names unique where removing would have been refused.
  void removeNamed(const std::string& name);
  // Adds a row after the others (cells as the grid takes a new row).
  void append(ui::Grid::Row row);
  // The same from one text whose tabs separate the cells.
  void append(std::string_view tabSeparatedCells);
  // Writes the rows into the grid, sorted by name; a blank first row goes when others remain.
  // When the grid changed while the update ran (FEMAP's events may clear the lists during a
  // call to FEMAP), the new rows go into the list as it stands now.
  void commit();

  // Rows the list holds now.
  std::size_t rowCount() const { return live_; }

 private:
  // Rows are numbered by slot: first the grid's data rows, then the appended ones.
  std::string_view nameAt(std::size_t slot) const;
  void clear();  // after commit: nothing left to write
  ui::Grid& grid_;
  std::function<void(const std::string&)> onRemoved_;
  static constexpr std::size_t kNoRow = static_cast<std::size_t>(-1);
  // The index of names: open addressing in one array, so that a look-up costs one or two
  // memory reads. An entry stays once made; a name whose rows are all gone has no last row.
  struct IndexEntry {
    std::size_t hash = 0;
    std::size_t keySlot = kNoRow;  // a row of that name, for comparing (kNoRow: free entry)
    std::size_t last = kNoRow;     // the name's last row still in the list
  };
  IndexEntry* find(std::string_view name, std::size_t hash);
  IndexEntry& findOrAdd(std::size_t slot);
  void grow();
  // Adds `slot` to the index under its name.
  void index(std::size_t slot);

  unsigned long revision_ = 0;                // the grid's revision when the update began
  std::size_t rowsBefore_ = 0;                // the grid's data rows
  std::string gridNames_;                     // their names, one after the other
  std::vector<std::string_view> gridNameOf_;  // each grid row's name in gridNames_
  std::vector<ui::Grid::Row> added_;          // slots from rowsBefore_ on
  std::unordered_map<std::size_t, ui::Grid::Row> overwritten_;  // grid rows overwritten
  std::vector<char> removed_;
  // The rows of one name form a chain: the index holds the last one, each row the one before.
  std::vector<IndexEntry> index_;
  std::size_t indexed_ = 0;
  std::vector<std::size_t> previousNamed_;
  std::size_t live_ = 0;
  std::optional<std::size_t> overwrite_;  // the only row left by removeNamed
};

}  // namespace pane
