// The grid that stands in for the pane's flex grid: its row operations and their refusals.
#include "ui/grid.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "support/err.h"

namespace ui {
namespace {

// A three-column grid named "List" with data rows "r1", "r2", ... (or its blank row alone).
std::unique_ptr<Grid> makeGrid(int dataRows) {
  auto grid = std::make_unique<Grid>("List", nullptr, Bounds{}, 0, 3,
                                     std::vector<std::string>{"Name", "Value"});
  for (int row = 1; row <= dataRows; ++row) grid->addItem("r" + std::to_string(row));
  if (dataRows > 0) grid->removeItem(1);  // the blank row the grid starts with
  return grid;
}

std::vector<std::string> names(const Grid& grid) {
  std::vector<std::string> result;
  for (int row = 0; row < grid.rowCount(); ++row) result.push_back(grid.cell(row, 0));
  return result;
}

std::string errorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const support::RuntimeError& error) {
    return error.what();
  }
  return "no error";
}

TEST(GridTest, StartsWithItsHeaderRowAndOneBlankDataRow) {
  Grid grid("InputsList", nullptr, Bounds{}, 0, 6, {"Variable Name", "Value"});
  ASSERT_EQ(grid.rowCount(), 2);
  EXPECT_EQ(grid.columnCount(), 6);
  EXPECT_EQ(grid.cell(0, 0), "Variable Name");
  EXPECT_EQ(grid.cell(0, 1), "Value");
  for (int column = 2; column < 6; ++column) EXPECT_EQ(grid.cell(0, column), "");
  for (int column = 0; column < 6; ++column) EXPECT_EQ(grid.cell(1, column), "");
  EXPECT_EQ(grid.currentRow(), 1);
  EXPECT_EQ(grid.anchorRow(), 1);
}

TEST(GridTest, AddItemSplitsAtTabsDropsPiecesBeyondTheLastColumnAndLeavesMissingCellsEmpty) {
  auto owner = makeGrid(0);
  Grid& grid = *owner;
  grid.addItem("a\tb\tc\td");
  grid.addItem("x");
  grid.addItem("\t\tz");
  ASSERT_EQ(grid.rowCount(), 5);
  EXPECT_EQ(grid.cell(2, 0), "a");
  EXPECT_EQ(grid.cell(2, 2), "c");
  EXPECT_EQ(grid.cell(3, 0), "x");
  EXPECT_EQ(grid.cell(3, 1), "");
  EXPECT_EQ(grid.cell(3, 2), "");
  EXPECT_EQ(grid.cell(4, 0), "");
  EXPECT_EQ(grid.cell(4, 2), "z");
}

TEST(GridTest, RefusesToRemoveTheHeaderTheLastDataRowAndRowsThatDoNotExist) {
  auto owner = makeGrid(1);
  Grid& grid = *owner;
  EXPECT_EQ(errorOf([&] { grid.removeItem(1); }), "Cannot remove the last data row of List");
  EXPECT_EQ(errorOf([&] { grid.removeItem(0); }), "Cannot remove the header row of List");
  grid.addItem("r2");
  EXPECT_EQ(errorOf([&] { grid.removeItem(3); }), "List has no row 3");
  EXPECT_EQ(errorOf([&] { grid.removeItem(-1); }), "Cannot remove the header row of List");
  EXPECT_EQ(names(grid), (std::vector<std::string>{"Name", "r1", "r2"}));
  grid.removeItem(1);
  EXPECT_EQ(names(grid), (std::vector<std::string>{"Name", "r2"}));
}

// removeItems stands in for repeated removals at one row, so it must agree with them on every
// grid size, row and count: the same rows go, and it refuses exactly where a removal would.
TEST(GridTest, RemovingSeveralRowsAgreesWithRemovingThemOneAtATime) {
  for (int dataRows = 1; dataRows <= 5; ++dataRows) {
    for (int row = -1; row <= dataRows + 2; ++row) {
      for (int count = 1; count <= dataRows + 2; ++count) {
        auto singleGrid = makeGrid(dataRows);
        Grid& single = *singleGrid;
        int removed = 0;
        std::optional<std::string> refusal;
        for (; removed < count; ++removed) {
          const std::string error = errorOf([&] { single.removeItem(row); });
          if (error != "no error") {
            refusal = error;
            break;
          }
        }
        SCOPED_TRACE(testing::Message() << dataRows << " rows, at " << row << ", " << count);
        auto bulkGrid = makeGrid(dataRows);
        Grid& bulk = *bulkGrid;
        if (!refusal) {
          EXPECT_GE(bulk.removableAt(row), count);
        } else {
          EXPECT_EQ(bulk.removableAt(row), removed);
          EXPECT_EQ(errorOf([&] { bulk.removeItems(row, count); }), *refusal);
          EXPECT_EQ(bulk.rowCount(), dataRows + 1);  // refused whole
        }
        bulk.removeItems(row, removed);
        EXPECT_EQ(names(bulk), names(single));
      }
    }
  }
}

TEST(GridTest, CurrentRowAndAnchorAreDataRowsAndFollowTheGridAsItShrinks) {
  auto owner = makeGrid(5);
  Grid& grid = *owner;
  EXPECT_EQ(errorOf([&] { grid.setCurrentRow(0); }), "List has no data row 0");
  EXPECT_EQ(errorOf([&] { grid.setAnchorRow(6); }), "List has no data row 6");
  grid.setCurrentRow(5);
  grid.setAnchorRow(4);
  grid.removeItems(3, 2);
  EXPECT_EQ(grid.currentRow(), 3);
  EXPECT_EQ(grid.anchorRow(), 3);
  grid.setRowCount(2);
  EXPECT_EQ(grid.currentRow(), 1);
  EXPECT_EQ(grid.anchorRow(), 1);
}

TEST(GridTest, RowCountGrowsWithBlankRowsAndNeverDropsTheLastDataRow) {
  auto owner = makeGrid(3);
  Grid& grid = *owner;
  grid.setRowCount(6);
  EXPECT_EQ(names(grid), (std::vector<std::string>{"Name", "r1", "r2", "r3", "", ""}));
  grid.setRowCount(2);
  EXPECT_EQ(names(grid), (std::vector<std::string>{"Name", "r1"}));
  EXPECT_EQ(errorOf([&] { grid.setRowCount(1); }),
            "List must keep its header row and one data row, not 1 rows");
  EXPECT_EQ(grid.rowCount(), 2);
}

TEST(GridTest, SortIsAscendingByTextStableAndLeavesTheHeader) {
  Grid grid("List", nullptr, Bounds{}, 0, 2, {"Name", "Value"});
  grid.setCell(1, 0, "b");
  grid.setCell(1, 1, "first b");
  grid.addItem("a\t1");
  grid.addItem("B\t2");
  grid.addItem("b\tsecond b");
  grid.sortAscending(0);
  EXPECT_EQ(names(grid), (std::vector<std::string>{"Name", "B", "a", "b", "b"}));
  EXPECT_EQ(grid.cell(3, 1), "first b");
  EXPECT_EQ(grid.cell(4, 1), "second b");
}

TEST(GridTest, ColumnWidthsAreKeptPerColumnAndCheckTheColumn) {
  auto owner = makeGrid(1);
  Grid& grid = *owner;
  EXPECT_EQ(grid.columnWidth(0), -1);
  grid.setColumnWidth(1, 10000);
  EXPECT_EQ(grid.columnWidth(1), 10000);
  EXPECT_EQ(errorOf([&] { grid.setColumnWidth(3, 100); }), "List has no column 3");
  EXPECT_EQ(errorOf([&] { grid.cell(1, -1); }), "List has no column -1");
}

TEST(GridTest, DataRowsAreReplacedInOneStepFittedToTheColumnsAndNeverEmpty) {
  auto grid = makeGrid(3);
  grid->setCurrentRow(3);
  EXPECT_EQ(grid->dataRows().size(), 3u);
  grid->setDataRows({{"a"}, {"b", "2", "x", "dropped"}});
  EXPECT_EQ(names(*grid), (std::vector<std::string>{"Name", "a", "b"}));
  EXPECT_EQ(grid->cell(1, 2), "");
  EXPECT_EQ(grid->cell(2, 2), "x");
  EXPECT_EQ(grid->currentRow(), 2);  // the selection stays on a data row
  EXPECT_EQ(errorOf([&] { grid->setDataRows({}); }),
            "List must keep its header row and one data row");
  EXPECT_EQ(grid->rowCount(), 3);
}

TEST(GridTest, TheRevisionCountsChangesOfRowsAndCellsNotOfTheSelection) {
  auto grid = makeGrid(2);
  unsigned long seen = grid->revision();
  auto changed = [&] {
    const bool result = grid->revision() != seen;
    seen = grid->revision();
    return result;
  };
  grid->setCurrentRow(2);
  grid->setAnchorRow(1);
  EXPECT_FALSE(changed());
  grid->setCell(1, 1, "v");
  EXPECT_TRUE(changed());
  grid->addItem("r3");
  EXPECT_TRUE(changed());
  grid->removeItem(3);
  EXPECT_TRUE(changed());
  grid->sortAscending(0);
  EXPECT_TRUE(changed());
  grid->setRowCount(2);
  EXPECT_TRUE(changed());
  grid->setDataRows(grid->takeDataRows());
  EXPECT_TRUE(changed());
}

}  // namespace
}  // namespace ui
