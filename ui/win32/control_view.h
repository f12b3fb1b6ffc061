#pragma once
// One control model shown as a real control window: what the window layer asks of every kind
// of control. A view creates its window, brings the window in line with its model (refresh)
// and turns the window's notifications into what they set off in the model.
//
// A view remembers what its window shows now, so that a refresh, which runs after every
// message, touches only what changed: rewriting a window each time would make it flicker and
// lose the engineer's scroll position and selection. The views do not own their windows; a
// control's window goes with its form's.
//
// Each kind lives in its own file and is reached only through makeView():
//   win32_button.cpp          Button -> BUTTON
//   win32_text_box.cpp        TextBox -> EDIT
//   win32_containers.cpp      Label -> STATIC, Frame -> BUTTON (BS_GROUPBOX), PictureBox
//   win32_drop_down_list.cpp  DropDownList -> COMBOBOX (CBS_DROPDOWNLIST)
//   win32_list_box.cpp        ListBox -> LISTBOX (LBS_MULTIPLESEL)
//   win32_scroll_bar.cpp      HScrollBar, VScrollBar -> SCROLLBAR
//   win32_grid.cpp            Grid -> SysListView32 in report mode
#ifdef _WIN32

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "ui/control.h"

namespace ui {
class Grid;
}

namespace ui::win32 {

// The forms are designed in twips, 1440 to the inch; the screen counts pixels at its own
// dots per inch.
class Scale {
 public:
  explicit Scale(int dpi) : dpi_(dpi) {}
  int pixels(int twips) const { return MulDiv(twips, dpi_, 1440); }
  int twips(int pixels) const { return MulDiv(pixels, 1440, dpi_); }

 private:
  int dpi_;
};

// What an engineer's action on a control sets off in its model. The layer runs it (a failure
// is reported, never unwound through a window procedure) and then refreshes every window.
// Empty when the action sets off nothing.
using ModelAction = std::function<void()>;

class ControlView {
 public:
  virtual ~ControlView() = default;
  ControlView(const ControlView&) = delete;
  ControlView& operator=(const ControlView&) = delete;

  Control& control() const { return control_; }
  HWND window() const { return window_; }

  // Creates the window inside `parent` as its child number `id`, in `font`; throws
  // support::RuntimeError when Windows refuses.
  void create(HWND parent, int id, HFONT font);
  // Brings the window in line with the model: its place, enabled and visible state, then what
  // its kind shows.
  void refresh();

  // The window's notifications (WM_COMMAND codes, WM_NOTIFY headers, WM_HSCROLL and WM_VSCROLL
  // requests) and what they set off in the model. The layer passes none on while it refreshes.
  virtual ModelAction command(int /*code*/) { return {}; }
  virtual ModelAction notify(const NMHDR& /*header*/) { return {}; }
  virtual ModelAction scroll(int /*request*/) { return {}; }

 protected:
  // The window a kind of control is made of.
  struct WindowKind {
    const wchar_t* windowClass = L"STATIC";
    DWORD style = 0;  // beside WS_CHILD | WS_CLIPSIBLINGS
    DWORD extendedStyle = 0;
    bool createdWithCaption = false;
    int extraHeight = 0;  // pixels below the design height (a drop-down list's open list)
  };
  ControlView(Control& control, Scale scale, WindowKind kind);

  // Fills the new window (items, columns) or puts a procedure in front of it.
  virtual void created() {}
  // Brings what the kind shows (text, selection, rows) in line with the model; `first` on
  // the first refresh after the window was created.
  virtual void refreshContent(bool first) = 0;

  // The control's text, for the kinds that show it.
  void refreshText(bool first);
  // The engineer changed the window's text: the window shows it already.
  void textShown(std::string text) { text_ = std::move(text); }
  const Scale& scale() const { return scale_; }

 private:
  Control& control_;
  Scale scale_;
  WindowKind kind_;
  HWND window_ = nullptr;
  bool refreshed_ = false;
  Bounds bounds_;
  bool enabled_ = true;
  bool visible_ = false;
  std::string text_;
};

// The view of `control`, of its kind.
std::unique_ptr<ControlView> makeView(Control& control, Scale scale);

// One maker per kind, each beside its view.
std::unique_ptr<ControlView> makeButtonView(Button& button, Scale scale);
std::unique_ptr<ControlView> makeTextBoxView(TextBox& textBox, Scale scale);
std::unique_ptr<ControlView> makeLabelView(Label& label, Scale scale);
std::unique_ptr<ControlView> makeFrameView(Frame& frame, Scale scale);
std::unique_ptr<ControlView> makePictureBoxView(PictureBox& pictureBox, Scale scale);
std::unique_ptr<ControlView> makeDropDownListView(DropDownList& list, Scale scale);
std::unique_ptr<ControlView> makeListBoxView(ListBox& list, Scale scale);
std::unique_ptr<ControlView> makeScrollBarView(ScrollBar& bar, Scale scale);
std::unique_ptr<ControlView> makeGridView(Grid& grid, Scale scale);

}  // namespace ui::win32

#endif  // _WIN32
