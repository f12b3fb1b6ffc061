// The window layer's messages: the message loop and the modal one, and the routing of what
// arrives at a form or a container to the form's handlers and the controls' views.
#include "ui/win32/win32_windows.h"

#include <algorithm>

#include "support/err.h"
#include "support/wide_text.h"
#include "ui/win32/control_view.h"
#include "ui/win32/form_window.h"

namespace ui::win32 {

namespace {

// The control a notification comes from: WM_NOTIFY names it in its header, the others in
// lParam.
HWND senderOf(UINT message, LPARAM lParam) {
  if (message != WM_NOTIFY) return reinterpret_cast<HWND>(lParam);
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  return header ? header->hwndFrom : nullptr;
}

}  // namespace

// ---------------------------------------------------------------- the loops

void Win32Windows::showModal(Form& dialog, Form& owner) {
  if (!find(dialog)) open(dialog);
  FormWindow* formWindow = find(dialog);
  HWND window = formWindow->window;
  HWND ownerWindow = windowOf(owner);

  // A dialog: owned by its owner, a fixed frame, centred over the owner.
  SetWindowLongPtrW(window, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(ownerWindow));
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | DS_MODALFRAME;
  SetWindowLongPtrW(window, GWL_STYLE, static_cast<LONG_PTR>(style));
  RECT frame{0, 0, pixels(dialog.clientWidth()), pixels(dialog.clientHeight())};
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME);
  RECT ownerFrame{};
  if (ownerWindow) GetWindowRect(ownerWindow, &ownerFrame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  SetWindowPos(window, HWND_TOP, std::max(0L, (ownerFrame.left + ownerFrame.right - width) / 2),
               std::max(0L, (ownerFrame.top + ownerFrame.bottom - height) / 2), width, height,
               SWP_FRAMECHANGED | SWP_NOACTIVATE);

  formWindow->modal = true;
  formWindow->shown = true;
  dialog.setVisible(true);
  refresh();
  if (ownerWindow) EnableWindow(ownerWindow, FALSE);
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);

  bool quit = false;
  WPARAM quitCode = 0;
  while (dialog.visible() && formOfWindow(window)) {
    MSG message;
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      quit = true;
      quitCode = got == 0 ? message.wParam : 1;
      break;
    }
    dispatch(message);
  }

  if (ownerWindow && IsWindow(ownerWindow)) EnableWindow(ownerWindow, TRUE);
  if (FormWindow* stillOpen = formOfWindow(window)) {
    stillOpen->modal = false;
    ShowWindow(window, SW_HIDE);
  }
  dialog.setVisible(false);
  if (ownerWindow && IsWindow(ownerWindow)) SetActiveWindow(ownerWindow);
  if (quit) PostQuitMessage(static_cast<int>(quitCode));
}

void Win32Windows::dispatch(MSG& message) {
  HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  // Tab and the arrow keys move the focus between a form's controls.
  if (!(root && formOfWindow(root) && IsDialogMessageW(root, &message))) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  refresh();
}

bool Win32Windows::anyVisible() const {
  for (const auto& formWindow : forms_) {
    if (IsWindowVisible(formWindow->window)) return true;
  }
  return false;
}

int Win32Windows::runMessageLoop() {
  while (anyVisible()) {
    MSG message;
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(message.wParam);
    if (got < 0) return 1;
    dispatch(message);
  }
  return 0;
}

void Win32Windows::pumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    dispatch(message);
  }
}

// ---------------------------------------------------------------- windows to models

// Runs what the engineer's action sets off; nothing may unwind through the window procedures
// (the pane's handlers report their own failures; a model refusing a value changes nothing).
void Win32Windows::act(const std::function<void()>& action) {
  support::StopAtFirstFailure stretch;
  if (!stretch.run(action)) OutputDebugStringW(support::toWide(stretch.failure()).c_str());
  refresh();
}

bool Win32Windows::formMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                               LRESULT& result) {
  FormWindow* formWindow = formOfWindow(window);
  if (!formWindow) return false;
  switch (message) {
    case WM_SIZE:
      if (formWindow->shown && wParam != SIZE_MINIMIZED) {
        resized(*formWindow, LOWORD(lParam), HIWORD(lParam));
      }
      result = 0;
      return true;
    case WM_CLOSE:
      closeRequested(formWindow);
      result = 0;
      return true;
    default:
      return containerMessage(window, message, wParam, lParam, result);
  }
}

void Win32Windows::resized(FormWindow& formWindow, int widthPixels, int heightPixels) {
  formWindow.sized = true;
  Form& form = *formWindow.form;
  form.setClientSize(twips(widthPixels), twips(heightPixels));
  if (form.onResize) act([&] { form.onResize(); });
}

void Win32Windows::closeRequested(FormWindow* formWindow) {
  if (formWindow->modal && !formWindow->closing) {
    // Closing a modal dialog from its title bar is its own way of being dismissed.
    act([&] { formWindow->form->dismiss(); });
    return;
  }
  destroy(formWindow, true);
}

bool Win32Windows::containerMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam,
                                    LRESULT& result) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (ControlView* view = viewOfWindow(senderOf(message, lParam))) {
        controlMessage(*view, message, wParam, lParam);
        result = 0;
        return true;
      }
      return false;
    case WM_SETCURSOR:
      return LOWORD(lParam) == HTCLIENT && pointerMessage(reinterpret_cast<HWND>(wParam), result);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      // Labels, frames and buttons on the forms' face colour.
      SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
      result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      return true;
    default:
      return false;
  }
}

// A control's notification, passed to its view; what it sets off in the model runs. While the
// layer refreshes the windows, the notifications its own changes cause are not the engineer's.
void Win32Windows::controlMessage(ControlView& view, UINT message, WPARAM wParam, LPARAM lParam) {
  if (syncing_) return;
  ModelAction action;
  switch (message) {
    case WM_COMMAND: action = view.command(HIWORD(wParam)); break;
    case WM_NOTIFY: action = view.notify(*reinterpret_cast<const NMHDR*>(lParam)); break;
    default: action = view.scroll(LOWORD(wParam)); break;
  }
  if (action) act(action);
}

// The hourglass over a control (or a form) whose model asks for it.
bool Win32Windows::pointerMessage(HWND target, LRESULT& result) const {
  MousePointer pointer = MousePointer::Default;
  if (const ControlView* view = viewOfWindow(target)) {
    pointer = view->control().mousePointer();
  } else if (const FormWindow* formWindow = formOfWindow(target)) {
    const auto& controls = formWindow->form->controls();
    if (!controls.empty()) pointer = controls.front()->mousePointer();
  }
  if (pointer != MousePointer::Hourglass) return false;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  result = TRUE;
  return true;
}

}  // namespace ui::win32
