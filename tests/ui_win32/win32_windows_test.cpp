// The Windows window layer with the pane's and the picker's real control models: real windows
// of the right classes, captions, pixel positions and tab order; what the engineer does with
// them reaching the models, and what the handlers change in the models reaching the windows.
#include "ui/win32/win32_windows.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pane/pane_form.h"
#include "pane/property_picker.h"
#include "support/wide_text.h"
#include "support/window_messages.h"

namespace ui::win32 {
namespace {

std::string classOf(HWND window) {
  wchar_t name[128] = {};
  GetClassNameW(window, name, 128);
  return support::fromWide(name);
}

std::string textOf(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return support::fromWide(text);
}

RECT placeIn(HWND window) {
  RECT frame{};
  GetWindowRect(window, &frame);
  MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&frame), 2);
  return frame;
}

std::string cellOf(HWND list, int item, int column) {
  wchar_t text[512] = {};
  LVITEMW request{};
  request.iSubItem = column;
  request.pszText = text;
  request.cchTextMax = 512;
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&request));
  return support::fromWide(text);
}

int itemsOf(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

// The children of `parent`, in the order the focus moves through them (top of the z-order first).
std::vector<HWND> childrenOf(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

class Win32WindowsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (form_.hWnd()) windows_.discard(form_);
    if (picker_.hWnd()) windows_.discard(picker_);
  }
  HWND open() {
    windows_.open(form_);
    windows_.show(form_);
    return windows_.windowOf(form_);
  }
  HWND of(const Control& control) const { return windows_.windowOf(control); }

  Win32Windows windows_;
  pane::PaneForm form_;
  pane::PropertyPicker picker_;
};

TEST_F(Win32WindowsTest, EveryControlIsARealWindowOfItsKindWithItsCaptionAndPlace) {
  HWND pane = open();
  ASSERT_TRUE(IsWindow(pane));
  EXPECT_EQ(textOf(pane), "Corvane-Femap Interface");
  RECT client{};
  GetClientRect(pane, &client);
  EXPECT_EQ(windows_.twips(client.right), 4755);
  EXPECT_EQ(windows_.twips(client.bottom), 10800);

  EXPECT_EQ(classOf(of(form_.Inputs)), "Button");
  EXPECT_EQ(GetWindowLongW(of(form_.Inputs), GWL_STYLE) & BS_TYPEMASK, BS_GROUPBOX);
  EXPECT_EQ(textOf(of(form_.Inputs)), "Input");
  EXPECT_EQ(textOf(of(form_.Outputs)), "Output");
  EXPECT_EQ(textOf(of(form_.Execution)), "Execution");
  EXPECT_EQ(classOf(of(form_.InputSelection)), "ComboBox");
  EXPECT_EQ(GetWindowLongW(of(form_.InputSelection), GWL_STYLE) & 3, CBS_DROPDOWNLIST);
  EXPECT_EQ(SendMessageW(of(form_.InputSelection), CB_GETCOUNT, 0, 0), 6);
  EXPECT_EQ(classOf(of(form_.InputsButton)), "Button");
  EXPECT_EQ(textOf(of(form_.InputsButton)), "Select...");
  EXPECT_EQ(textOf(of(form_.GenerateButton)), "Apply");
  EXPECT_EQ(textOf(of(form_.ClearAll)), "Clear All");
  EXPECT_EQ(classOf(of(form_.CommandLine)), "Edit");
  EXPECT_EQ(classOf(of(form_.Label1)), "Static");
  EXPECT_EQ(textOf(of(form_.Label1)), "Command Line");
  EXPECT_EQ(classOf(of(form_.InputsList)), "SysListView32");
  EXPECT_EQ(classOf(of(form_.VScroll1)), "ScrollBar");
  EXPECT_EQ(classOf(of(form_.pbOuter)), "CorvanePictureBox");

  // Parents as designed; positions from twips at 15 twips a pixel (96 dpi).
  EXPECT_EQ(GetParent(of(form_.InputsButton)), of(form_.Inputs));
  EXPECT_EQ(GetParent(of(form_.Inputs)), of(form_.pbInner));
  EXPECT_EQ(GetParent(of(form_.pbInner)), of(form_.pbOuter));
  EXPECT_EQ(GetParent(of(form_.pbOuter)), pane);
  const RECT button = placeIn(of(form_.InputsButton));
  EXPECT_EQ(button.left, windows_.pixels(2280));
  EXPECT_EQ(button.top, windows_.pixels(240));
  EXPECT_EQ(button.right - button.left, windows_.pixels(1932));
  EXPECT_EQ(button.bottom - button.top, windows_.pixels(372));
  const RECT outputs = placeIn(of(form_.Outputs));
  EXPECT_EQ(outputs.top, windows_.pixels(4080));

  // The hidden PIDO-tool list and its label stay hidden; the rest shows.
  EXPECT_FALSE(IsWindowVisible(of(form_.Optimizer)));
  EXPECT_FALSE(IsWindowVisible(of(form_.Label3)));
  EXPECT_TRUE(IsWindowVisible(of(form_.Solver)));
}

TEST_F(Win32WindowsTest, TheFocusMovesInTabOrder) {
  open();
  const std::vector<HWND> inputs = childrenOf(of(form_.Inputs));
  const std::vector<HWND> expected = {of(form_.InputSelection), of(form_.RefreshInputs),
                                      of(form_.InputsButton), of(form_.ClearInputSelection),
                                      of(form_.InputsList)};
  EXPECT_EQ(inputs, expected);
  const std::vector<HWND> execution = childrenOf(of(form_.Execution));
  const std::vector<HWND> expectedExecution = {of(form_.Optimizer), of(form_.Solver),
                                               of(form_.CommandLine), of(form_.Label3),
                                               of(form_.Label2), of(form_.Label1)};
  EXPECT_EQ(execution, expectedExecution);
  EXPECT_TRUE(GetWindowLongW(of(form_.InputsButton), GWL_STYLE) & WS_TABSTOP);
  EXPECT_FALSE(GetWindowLongW(of(form_.Label1), GWL_STYLE) & WS_TABSTOP);
}

TEST_F(Win32WindowsTest, WhatHandlersChangeInTheModelsReachesTheWindows) {
  open();
  form_.InputsList.addItem("XAtNode1\t0\tNode\t1\tx\t");
  form_.InputsList.addItem("YAtNode2\t5\tNode\t2\ty\t");
  form_.InputsList.setColumnWidth(0, 2412);
  form_.Solver.select(0);
  form_.CommandLine.setText("nastran plate.dat");
  form_.ClearAll.setEnabled(false);
  form_.RefreshOutputs.setVisible(false);
  form_.Label2.setCaption("Solver");
  form_.VScroll1.setMax(300);
  form_.VScroll1.setValue(120);
  form_.pbInner.setTop(-120);
  windows_.refresh();

  HWND list = of(form_.InputsList);
  ASSERT_EQ(itemsOf(list), 3);  // the blank first data row stays until rows replace it
  EXPECT_EQ(cellOf(list, 1, 0), "XAtNode1");
  EXPECT_EQ(cellOf(list, 2, 1), "5");
  EXPECT_EQ(cellOf(list, 2, 4), "y");  // hidden columns travel with their row
  EXPECT_EQ(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0), windows_.pixels(2412));
  EXPECT_EQ(SendMessageW(of(form_.Solver), CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(textOf(of(form_.CommandLine)), "nastran plate.dat");
  EXPECT_FALSE(IsWindowEnabled(of(form_.ClearAll)));
  EXPECT_FALSE(IsWindowVisible(of(form_.RefreshOutputs)));
  EXPECT_EQ(textOf(of(form_.Label2)), "Solver");
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  GetScrollInfo(of(form_.VScroll1), SB_CTL, &info);
  EXPECT_EQ(info.nMax, 300);
  EXPECT_EQ(info.nPos, 120);
  EXPECT_EQ(placeIn(of(form_.pbInner)).top, windows_.pixels(-120));

  // Rows removed and the selection moved by a handler.
  form_.InputsList.removeItem(1);
  form_.InputsList.setCurrentRow(2);
  form_.InputsList.setAnchorRow(1);
  windows_.refresh();
  ASSERT_EQ(itemsOf(list), 2);
  EXPECT_EQ(cellOf(list, 0, 0), "XAtNode1");
  EXPECT_EQ(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 1);
  EXPECT_EQ(SendMessageW(list, LVM_GETSELECTIONMARK, 0, 0), 0);
}

TEST_F(Win32WindowsTest, WhatTheEngineerDoesReachesTheModelsAndRunsTheirHandlers) {
  open();
  int clicks = 0;
  form_.ClearAll.onClick = [&] { ++clicks; };
  std::vector<std::string> chosen;
  form_.OutputSelection.onClick = [&] { chosen.push_back(form_.OutputSelection.text()); };
  std::vector<int> keys;
  form_.OutputsList.onKeyDown = [&](int key, int) { keys.push_back(key); };
  int scrolled = 0;
  form_.HScroll1.onChange = [&] { ++scrolled; };
  form_.OutputsList.addItem("A\t1");
  form_.OutputsList.addItem("B\t2");
  form_.OutputsList.addItem("C\t3");
  windows_.refresh();

  SendMessageW(of(form_.ClearAll), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 1);

  HWND combo = of(form_.OutputSelection);
  SendMessageW(combo, CB_SETCURSEL, 4, 0);
  SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
  EXPECT_EQ(chosen, std::vector<std::string>{"Mass Properties"});

  HWND edit = of(form_.CommandLine);
  SetWindowTextW(edit, L"nastran other.dat");  // the edit tells its parent that it changed
  EXPECT_EQ(form_.CommandLine.text(), "nastran other.dat");

  // Rows 2 to 4 selected from the bottom up: the focused item is the current row, the
  // selection mark the anchor.
  HWND list = of(form_.OutputsList);
  LVITEMW selected{};
  selected.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  selected.state = LVIS_SELECTED;
  SendMessageW(list, LVM_SETSELECTIONMARK, 0, 3);
  SendMessageW(list, LVM_SETITEMSTATE, 3, reinterpret_cast<LPARAM>(&selected));
  SendMessageW(list, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&selected));
  selected.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&selected));
  EXPECT_EQ(form_.OutputsList.currentRow(), 2);
  EXPECT_EQ(form_.OutputsList.anchorRow(), 4);

  SetFocus(list);
  SendMessageW(list, WM_KEYDOWN, VK_DELETE, 0);
  EXPECT_EQ(keys, std::vector<int>{46});

  form_.HScroll1.setMax(600);
  form_.HScroll1.setLargeChange(2500);
  form_.HScroll1.setSmallChange(250);
  windows_.refresh();
  HWND bar = of(form_.HScroll1);
  SendMessageW(GetParent(bar), WM_HSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(bar));
  EXPECT_EQ(form_.HScroll1.value(), 250);
  SendMessageW(GetParent(bar), WM_HSCROLL, SB_PAGEDOWN, reinterpret_cast<LPARAM>(bar));
  EXPECT_EQ(form_.HScroll1.value(), 600);  // not beyond the maximum
  EXPECT_EQ(scrolled, 2);
}

TEST_F(Win32WindowsTest, ANewSizeReachesTheFormInTwipsThroughAHookInFront) {
  std::vector<std::pair<int, int>> sizes;
  form_.onResize = [&] { sizes.emplace_back(form_.clientWidth(), form_.clientHeight()); };
  HWND pane = open();
  ASSERT_EQ(sizes.size(), 1u);  // the first display lays the form out
  EXPECT_EQ(sizes[0], std::make_pair(4755, 10800));

  // A procedure put in front of the form's own, as the pane's event hook is: its named
  // message stops there, every other message goes on to the layer.
  static std::uint32_t named = 0;
  static support::WindowProc previous = nullptr;
  static int heard = 0;
  named = support::registerWindowMessage("FE_EVENT_MESSAGE");
  previous = support::setWindowProc(reinterpret_cast<support::WindowHandle>(pane),
                                    [](support::WindowHandle window, std::uint32_t message,
                                       std::uintptr_t wParam, std::intptr_t lParam) -> std::intptr_t {
                                      if (message == named) {
                                        ++heard;
                                        return 0;
                                      }
                                      return support::callWindowProc(previous, window, message,
                                                                     wParam, lParam);
                                    });
  PostMessageW(pane, named, 2, 0);
  windows_.pumpMessages();
  EXPECT_EQ(heard, 1);

  RECT frame{0, 0, windows_.pixels(3000), windows_.pixels(6000)};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(pane, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongW(pane, GWL_EXSTYLE)));
  SetWindowPos(pane, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER);
  ASSERT_EQ(sizes.size(), 2u);
  EXPECT_EQ(sizes[1], std::make_pair(3000, 6000));
  support::setWindowProc(reinterpret_cast<support::WindowHandle>(pane), previous);
}

TEST_F(Win32WindowsTest, TheHourglassShowsWhileTheModelsAskForIt) {
  HWND pane = open();
  form_.setAllMousePointers(MousePointer::Hourglass);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
  EXPECT_EQ(SendMessageW(pane, WM_SETCURSOR, reinterpret_cast<WPARAM>(of(form_.ClearAll)),
                         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
            TRUE);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
  form_.setAllMousePointers(MousePointer::Default);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
}

TEST_F(Win32WindowsTest, ClosingTheWindowUnloadsTheFormAndEndsTheMessageLoop) {
  int unloads = 0;
  form_.onUnload = [&] { ++unloads; };
  HWND pane = open();
  PostMessageW(pane, WM_CLOSE, 0, 0);
  EXPECT_EQ(windows_.runMessageLoop(), 0);
  EXPECT_EQ(unloads, 1);
  EXPECT_FALSE(IsWindow(pane));
  EXPECT_EQ(form_.hWnd(), 0u);
}

// The picker over the pane: the pane is disabled while it shows, the engineer's picks reach
// the list model, and OK ends the modal loop with the dialog hidden.
TEST_F(Win32WindowsTest, ThePickerIsAModalDialogWithAMultiSelectList) {
  HWND pane = open();
  picker_.lstProperties.clear();
  for (const char* label : {"x", "y", "z"}) picker_.lstProperties.addItem(label);
  std::vector<std::string> picked;
  picker_.cmdAdd.onClick = [&] {
    for (int entry = 0; entry < picker_.lstProperties.count(); ++entry) {
      if (picker_.lstProperties.selected(entry)) picked.push_back(picker_.lstProperties.item(entry));
    }
    picker_.setVisible(false);
  };

  static Win32Windows* layer = nullptr;
  static pane::PropertyPicker* picker = nullptr;
  static HWND owner = nullptr;
  static bool ownerDisabled = false;
  static std::string listClass;
  layer = &windows_;
  picker = &picker_;
  owner = pane;
  // The engineer, once the dialog shows: ticks "x" and "z" by clicking them, then presses OK.
  SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    ownerDisabled = !IsWindowEnabled(owner);
    HWND list = layer->windowOf(picker->lstProperties);
    listClass = classOf(list);
    for (int entry : {0, 2}) {
      RECT item{};
      SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(entry), reinterpret_cast<LPARAM>(&item));
      const LPARAM at = MAKELPARAM(item.left + 2, item.top + 2);
      SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
      SendMessageW(list, WM_LBUTTONUP, 0, at);
    }
    SendMessageW(layer->windowOf(picker->cmdAdd), BM_CLICK, 0, 0);
  });
  windows_.showModal(picker_, form_);

  EXPECT_TRUE(ownerDisabled);
  EXPECT_EQ(listClass, "ListBox");
  EXPECT_TRUE(GetWindowLongW(windows_.windowOf(picker_.lstProperties), GWL_STYLE) & LBS_MULTIPLESEL);
  EXPECT_EQ(picked, (std::vector<std::string>{"x", "z"}));
  EXPECT_TRUE(IsWindowEnabled(pane));
  EXPECT_FALSE(IsWindowVisible(windows_.windowOf(picker_)));
  EXPECT_EQ(textOf(windows_.windowOf(picker_)), "Select Properties");
}

// Closing the picker from its title bar is its Cancel: nothing is picked and the window stays,
// hidden, for the next use.
TEST_F(Win32WindowsTest, ClosingThePickerFromItsTitleBarCancelsIt) {
  open();
  picker_.lstProperties.clear();
  picker_.lstProperties.addItem("x");
  picker_.lstProperties.setSelected(0, true);
  int cancels = 0;
  picker_.cmdCancel.onClick = [&] {
    ++cancels;
    picker_.setVisible(false);
  };
  static HWND dialog = nullptr;
  dialog = nullptr;
  static Win32Windows* layer = nullptr;
  static pane::PropertyPicker* picker = nullptr;
  layer = &windows_;
  picker = &picker_;
  SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    dialog = layer->windowOf(*picker);
    PostMessageW(dialog, WM_CLOSE, 0, 0);
  });
  windows_.showModal(picker_, form_);
  EXPECT_EQ(cancels, 1);
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(IsWindow(dialog));
  EXPECT_FALSE(IsWindowVisible(dialog));
  EXPECT_EQ(windows_.windowOf(picker_), dialog);
}

}  // namespace
}  // namespace ui::win32
