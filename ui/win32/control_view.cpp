#include "ui/win32/control_view.h"

#include <string>

#include "support/err.h"
#include "support/wide_text.h"
#include "ui/grid.h"

namespace ui::win32 {

namespace {

bool sameBounds(const Bounds& a, const Bounds& b) {
  return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

}  // namespace

ControlView::ControlView(Control& control, Scale scale, WindowKind kind)
    : control_(control), scale_(scale), kind_(kind) {}

void ControlView::create(HWND parent, int id, HFONT font) {
  const std::wstring caption =
      kind_.createdWithCaption ? support::toWide(control_.text()) : std::wstring();
  HWND window = CreateWindowExW(
      kind_.extendedStyle, kind_.windowClass, caption.c_str(),
      WS_CHILD | WS_CLIPSIBLINGS | kind_.style, scale_.pixels(control_.left()),
      scale_.pixels(control_.top()), scale_.pixels(control_.width()),
      scale_.pixels(control_.height()) + kind_.extraHeight, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  if (!window) {
    throw support::RuntimeError("Cannot create the window of " + control_.name() + " (error " +
                                std::to_string(GetLastError()) + ")");
  }
  window_ = window;
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  created();
}

void ControlView::refresh() {
  const bool first = !refreshed_;
  refreshed_ = true;
  if (first || !sameBounds(control_.bounds(), bounds_)) {
    bounds_ = control_.bounds();
    MoveWindow(window_, scale_.pixels(control_.left()), scale_.pixels(control_.top()),
               scale_.pixels(control_.width()),
               scale_.pixels(control_.height()) + kind_.extraHeight, TRUE);
  }
  if (first || control_.enabled() != enabled_) {
    enabled_ = control_.enabled();
    EnableWindow(window_, enabled_);
  }
  if (first || control_.visible() != visible_) {
    visible_ = control_.visible();
    ShowWindow(window_, visible_ ? SW_SHOWNA : SW_HIDE);
  }
  refreshContent(first);
}

void ControlView::refreshText(bool first) {
  if (!first && control_.text() == text_) return;
  text_ = control_.text();
  SetWindowTextW(window_, support::toWide(text_).c_str());
}

std::unique_ptr<ControlView> makeView(Control& control, Scale scale) {
  switch (control.kind()) {
    case ControlKind::Button: return makeButtonView(static_cast<Button&>(control), scale);
    case ControlKind::TextBox: return makeTextBoxView(static_cast<TextBox&>(control), scale);
    case ControlKind::Label: return makeLabelView(static_cast<Label&>(control), scale);
    case ControlKind::Frame: return makeFrameView(static_cast<Frame&>(control), scale);
    case ControlKind::PictureBox:
      return makePictureBoxView(static_cast<PictureBox&>(control), scale);
    case ControlKind::DropDownList:
      return makeDropDownListView(static_cast<DropDownList&>(control), scale);
    case ControlKind::ListBox: return makeListBoxView(static_cast<ListBox&>(control), scale);
    case ControlKind::HScrollBar:
    case ControlKind::VScrollBar:
      return makeScrollBarView(static_cast<ScrollBar&>(control), scale);
    case ControlKind::Grid: return makeGridView(static_cast<Grid&>(control), scale);
  }
  throw support::RuntimeError(control.name() + " is of a kind no window shows");
}

}  // namespace ui::win32
