#pragma once
// What the window layer keeps of an open form: its window, the views of its controls and where
// the form stands between shown, modal and closing.
#ifdef _WIN32

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/form.h"
#include "ui/win32/control_view.h"
#include "ui/win32/win32_windows.h"

namespace ui::win32 {

struct Win32Windows::FormWindow {
  Form* form = nullptr;
  HWND window = nullptr;
  std::vector<std::unique_ptr<ControlView>> views;  // in the order they were created
  std::string caption;   // the caption the window shows
  bool shown = false;    // show() or showModal() ran: the window follows form.visible()
  bool sized = false;    // the form has heard its client size since it was shown
  bool modal = false;    // showModal() runs for it
  bool closing = false;  // close() asked for it: a close message ends it even when modal
};

}  // namespace ui::win32

#endif  // _WIN32
