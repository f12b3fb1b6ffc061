// One update of a variable grid: new variables replace rows of their name, the only row is
// overwritten in place, and the list ends sorted by name without its blank first row.
#include "pane/variable_list.h"

#include <gtest/gtest.h>

namespace pane {
namespace {

using Texts = std::vector<std::string>;

// A three-column grid with these rows (name, value), or its blank row alone.
std::unique_ptr<ui::Grid> gridWith(const std::vector<std::pair<std::string, std::string>>& rows) {
  auto grid = std::make_unique<ui::Grid>("InputsList", nullptr, ui::Bounds{}, 0, 3,
                                         Texts{"Variable Name", "Value"});
  for (const auto& [name, value] : rows) grid->addItem(name + "\t" + value);
  if (!rows.empty()) grid->removeItem(1);
  return grid;
}

Texts rowsOf(const ui::Grid& grid) {
  Texts rows;
  for (int row = 1; row < grid.rowCount(); ++row)
    rows.push_back(grid.cell(row, 0) + "=" + grid.cell(row, 1));
  return rows;
}

class VariableListTest : public ::testing::Test {
 protected:
  VariableListUpdate update(ui::Grid& grid) {
    return VariableListUpdate(grid, [this](const std::string& name) { removed_.push_back(name); });
  }
  void add(VariableListUpdate& list, const std::string& name, const std::string& value) {
    list.removeNamed(name);
    list.append(name + "\t" + value);
  }
  Texts removed_;
};

TEST_F(VariableListTest, ANewVariableReplacesEveryRowOfItsNameWhereverItStood) {
  auto grid = gridWith({{"B", "1"}, {"A", "2"}, {"B", "3"}, {"C", "4"}});
  VariableListUpdate list = update(*grid);
  add(list, "B", "5");
  add(list, "b", "6");  // names are compared exactly
  list.commit();
  EXPECT_EQ(rowsOf(*grid), (Texts{"A=2", "B=5", "b=6", "C=4"}));
  EXPECT_EQ(removed_, (Texts{"B", "B"}));
}

TEST_F(VariableListTest, ALaterVariableOfTheSameUpdateReplacesAnEarlierOne) {
  auto grid = gridWith({});
  VariableListUpdate list = update(*grid);
  add(list, "X", "1");
  add(list, "Y", "2");
  add(list, "X", "3");
  list.commit();
  EXPECT_EQ(rowsOf(*grid), (Texts{"X=3", "Y=2"}));
  EXPECT_EQ(removed_, (Texts{"X"}));
}

TEST_F(VariableListTest, TheOnlyRowIsOverwrittenInPlaceAndStaysWhenNothingReplacesIt) {
  auto grid = gridWith({{"X", "1"}});
  {
    VariableListUpdate list = update(*grid);
    add(list, "X", "2");
    EXPECT_EQ(list.rowCount(), 1u);
    list.commit();
  }
  EXPECT_EQ(rowsOf(*grid), (Texts{"X=2"}));
  EXPECT_EQ(removed_, (Texts{"X"}));

  // The value of the replacement could not be read: the row keeps its old value.
  removed_.clear();
  VariableListUpdate list = update(*grid);
  list.removeNamed("X");
  list.append("Y\t3");
  list.commit();
  EXPECT_EQ(rowsOf(*grid), (Texts{"X=2", "Y=3"}));
  EXPECT_TRUE(removed_.empty());
}

TEST_F(VariableListTest, WhenAllRowsShareTheNameOneIsKeptForTheReplacement) {
  auto grid = gridWith({{"X", "1"}, {"X", "2"}, {"X", "3"}});
  VariableListUpdate list = update(*grid);
  add(list, "X", "4");
  list.commit();
  EXPECT_EQ(rowsOf(*grid), (Texts{"X=4"}));
  EXPECT_EQ(removed_.size(), 3u);
}

TEST_F(VariableListTest, RowsSortByNameWithoutRegardToCaseAndTheBlankFirstRowGoes) {
  auto grid = gridWith({});
  VariableListUpdate list = update(*grid);
  for (const char* name :
       {"xAtNode1", "ThicknessAtProp3", "layerAtProp3", "XAtNode1", "I12", "I1"}) {
    list.append(std::string(name) + "\tv");
  }
  list.commit();
  EXPECT_EQ(rowsOf(*grid), (Texts{"I1=v", "I12=v", "layerAtProp3=v", "ThicknessAtProp3=v",
                                  "XAtNode1=v", "xAtNode1=v"}));
}

TEST_F(VariableListTest, ABlankRowStaysWhileNothingElseIsInTheList) {
  auto grid = gridWith({});
  update(*grid).commit();
  EXPECT_EQ(rowsOf(*grid), (Texts{"="}));

  // Only the first of two blank rows goes.
  grid = gridWith({{"", ""}, {"A", "1"}, {"", ""}});
  update(*grid).commit();
  EXPECT_EQ(rowsOf(*grid), (Texts{"=", "A=1"}));
}

TEST_F(VariableListTest, RowsKeepTheirHiddenCellsAndTabsSplitCells) {
  auto grid = gridWith({});
  VariableListUpdate list = update(*grid);
  list.append("A\t1\tNode\tignored");
  list.commit();
  EXPECT_EQ(grid->cell(1, 2), "Node");
  EXPECT_EQ(grid->columnCount(), 3);
}

TEST_F(VariableListTest, EveryNameIsFoundAgainAsTheIndexGrowsAndAfterItsRowsWent) {
  auto grid = gridWith({{"n0", "old"}, {"n1", "old"}});
  VariableListUpdate list = update(*grid);
  for (int k = 0; k < 500; ++k) add(list, "n" + std::to_string(k), "1");
  for (int k = 0; k < 500; k += 2) add(list, "n" + std::to_string(k), "2");
  list.commit();
  ASSERT_EQ(grid->rowCount(), 501);
  EXPECT_EQ(removed_.size(), 252u);  // n0 and n1 from the grid, then every even name once
  int twos = 0;
  for (int row = 1; row < grid->rowCount(); ++row) twos += grid->cell(row, 1) == "2";
  EXPECT_EQ(twos, 250);
}

TEST_F(VariableListTest, RowsAddedWhileTheGridWasClearedGoIntoTheClearedGrid) {
  auto grid = gridWith({{"A", "1"}, {"B", "2"}});
  VariableListUpdate list = update(*grid);
  add(list, "C", "3");
  add(list, "A", "4");
  // A FEMAP event clears the list during a call to FEMAP.
  grid->setRowCount(2);
  grid->setCell(1, 0, "");
  grid->setCell(1, 1, "");
  add(list, "D", "5");
  list.commit();
  EXPECT_EQ(rowsOf(*grid), (Texts{"A=4", "C=3", "D=5"}));
}

TEST(LeftCharactersTest, CountsCharactersNotBytes) {
  EXPECT_EQ(leftCharacters("Thickness", 15), "Thickness");
  EXPECT_EQ(leftCharacters("ABCDEFGHIJ", 4), "ABCD");
  EXPECT_EQ(leftCharacters("σσσσ", 2), "σσ");
  EXPECT_EQ(leftCharacters("aσb", 2), "aσ");
  EXPECT_EQ(leftCharacters("", 3), "");
  EXPECT_EQ(leftCharacters("abc", 0), "");
}

}  // namespace
}  // namespace pane
