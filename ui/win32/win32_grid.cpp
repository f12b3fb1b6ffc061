// A grid as a list view (SysListView32) in report mode: the header row as the column
// headers, the data rows as items, the current row as the focused item and the anchor as the
// selection mark, so the selected items run from the anchor to the current row.
//
// The items are written anew only when the grid's revision changed; the column widths and the
// selection are set only where they differ from what the window shows.
#include "ui/win32/control_view.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "support/err.h"
#include "support/wide_text.h"
#include "ui/grid.h"

namespace ui::win32 {

namespace {

// The width of a column whose width was never set.
constexpr int kDefaultColumnTwips = 960;
constexpr int kWidthUnknown = -2;

// The keyboard's shift state as the grid's key handler takes it: 1 Shift, 2 Ctrl, 4 Alt.
int shiftState() {
  return (GetKeyState(VK_SHIFT) < 0 ? 1 : 0) | (GetKeyState(VK_CONTROL) < 0 ? 2 : 0) |
         (GetKeyState(VK_MENU) < 0 ? 4 : 0);
}

class GridView : public ControlView {
 public:
  GridView(Grid& grid, Scale scale)
      : ControlView(grid, scale,
                    {WC_LISTVIEWW, WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS, WS_EX_CLIENTEDGE}),
        grid_(grid) {}

  ModelAction notify(const NMHDR& header) override {
    if (header.code == LVN_ITEMCHANGED) {
      selectionChanged();
    } else if (header.code == LVN_KEYDOWN) {
      const int keyCode = reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey;
      return [this, keyCode] { grid_.keyDown(keyCode, shiftState()); };
    }
    return {};
  }

 private:
  void created() override {
    send(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    for (int column = 0; column < grid_.columnCount(); ++column) {
      std::wstring header = support::toWide(grid_.cell(0, column));
      LVCOLUMNW description{};
      description.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
      description.fmt = LVCFMT_LEFT;
      description.cx = scale().pixels(kDefaultColumnTwips);
      description.pszText = header.data();
      send(LVM_INSERTCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&description));
    }
  }

  void refreshContent(bool) override {
    showColumnWidths();
    if (!rowsKnown_ || grid_.revision() != shownRevision_) showRows();
    if (grid_.currentRow() != shownCurrent_ || grid_.anchorRow() != shownAnchor_) showSelection();
  }

  void showColumnWidths() {
    const auto columns = static_cast<std::size_t>(grid_.columnCount());
    shownWidths_.resize(columns, kWidthUnknown);
    for (std::size_t column = 0; column < columns; ++column) {
      const int width = grid_.columnWidth(static_cast<int>(column));
      if (width == shownWidths_[column]) continue;
      shownWidths_[column] = width;
      send(LVM_SETCOLUMNWIDTH, column, scale().pixels(width < 0 ? kDefaultColumnTwips : width));
    }
  }

  // The headers and every data row; the selection is shown anew after them.
  void showRows() {
    rowsKnown_ = true;
    shownRevision_ = grid_.revision();
    shownCurrent_ = shownAnchor_ = -1;
    send(WM_SETREDRAW, FALSE, 0);
    for (int column = 0; column < grid_.columnCount(); ++column) {
      std::wstring header = support::toWide(grid_.cell(0, column));
      LVCOLUMNW description{};
      description.mask = LVCF_TEXT;
      description.pszText = header.data();
      send(LVM_SETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&description));
    }
    send(LVM_DELETEALLITEMS, 0, 0);
    for (int row = Grid::kFixedRows; row < grid_.rowCount(); ++row) showRow(row);
    send(WM_SETREDRAW, TRUE, 0);
    InvalidateRect(window(), nullptr, TRUE);
  }

  void showRow(int row) {
    const int item = row - Grid::kFixedRows;
    for (int column = 0; column < grid_.columnCount(); ++column) {
      std::wstring text = support::toWide(grid_.cell(row, column));
      LVITEMW cell{};
      cell.mask = LVIF_TEXT;
      cell.iItem = item;
      cell.iSubItem = column;
      cell.pszText = text.data();
      if (column == 0) {
        send(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&cell));
      } else {
        send(LVM_SETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&cell));
      }
    }
  }

  void showSelection() {
    shownCurrent_ = grid_.currentRow();
    shownAnchor_ = grid_.anchorRow();
    const int current = shownCurrent_ - Grid::kFixedRows;
    const int anchor = shownAnchor_ - Grid::kFixedRows;
    LVITEMW none{};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    send(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    for (int item = std::min(current, anchor); item <= std::max(current, anchor); ++item) {
      LVITEMW state{};
      state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
      state.state = LVIS_SELECTED | (item == current ? LVIS_FOCUSED : 0);
      send(LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&state));
    }
    send(LVM_SETSELECTIONMARK, 0, anchor);
  }

  // The engineer selected rows: the focused item becomes the grid's current row, the
  // selection mark its anchor. An item the grid does not have (yet) stops there and leaves
  // the rest of the grid's selection as it was.
  void selectionChanged() {
    const auto focused = static_cast<int>(
        send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    const auto mark = static_cast<int>(send(LVM_GETSELECTIONMARK, 0, 0));
    support::StopAtFirstFailure().run([&] {
      if (focused >= 0) grid_.setCurrentRow(focused + Grid::kFixedRows);
      if (mark >= 0) grid_.setAnchorRow(mark + Grid::kFixedRows);
    });
    shownCurrent_ = grid_.currentRow();
    shownAnchor_ = grid_.anchorRow();
  }

  LRESULT send(UINT message, WPARAM wParam, LPARAM lParam) const {
    return SendMessageW(window(), message, wParam, lParam);
  }

  Grid& grid_;
  std::vector<int> shownWidths_;
  bool rowsKnown_ = false;
  unsigned long shownRevision_ = 0;
  int shownCurrent_ = -1;
  int shownAnchor_ = -1;
};

}  // namespace

std::unique_ptr<ControlView> makeGridView(Grid& grid, Scale scale) {
  return std::make_unique<GridView>(grid, scale);
}

}  // namespace ui::win32
