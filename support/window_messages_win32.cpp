// Window messages on Windows: the real RegisterWindowMessage, window procedures replaced
// through SetWindowLongPtr(GWLP_WNDPROC) and chained with CallWindowProc, SendMessage.
//
// The system's procedures (support::WindowProc) take the window as an integer handle, so they
// are not WNDPROCs, and no function is ever called through a pointer of another type. A
// window whose procedure is one of the system's gets one WNDPROC, `trampoline`, which looks
// the window's procedure up in a table and calls it. A WNDPROC that such a replacement
// displaces (a control's or a dialog's own procedure) is handed back as an opaque token of
// type WindowProc: callWindowProc passes a token to CallWindowProcW, and installing a token
// again puts that WNDPROC back. (A function pointer converted to another function pointer
// type and back is the original pointer; a token is only ever converted back.)
#ifdef _WIN32

#include <windows.h>

#include <mutex>
#include <set>
#include <string>
#include <unordered_map>

#include "support/err.h"
#include "support/wide_text.h"
#include "support/window_messages.h"

namespace support {
namespace {

constexpr wchar_t kWindowClass[] = L"CorvaneSupportWindow";

// The function pointer type that converts to and from any other without a warning.
using AnyFunction = void (*)();

HWND toHwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }
WindowHandle toHandle(HWND window) { return reinterpret_cast<WindowHandle>(window); }

LRESULT CALLBACK trampoline(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

class ProcedureTable {
 public:
  static ProcedureTable& instance() {
    static ProcedureTable table;
    return table;
  }

  WindowProc find(HWND window) const {
    std::lock_guard lock(mutex_);
    auto it = procedures_.find(window);
    return it == procedures_.end() ? nullptr : it->second;
  }
  void set(HWND window, WindowProc procedure) {
    std::lock_guard lock(mutex_);
    procedures_[window] = procedure;
  }
  void erase(HWND window) {
    std::lock_guard lock(mutex_);
    procedures_.erase(window);
  }

  WindowProc tokenOf(WNDPROC procedure) {
    const auto token = reinterpret_cast<WindowProc>(reinterpret_cast<AnyFunction>(procedure));
    std::lock_guard lock(mutex_);
    tokens_.insert(token);
    return token;
  }
  bool isToken(WindowProc procedure) const {
    std::lock_guard lock(mutex_);
    return tokens_.count(procedure) != 0;
  }

  // Marks the window as being destroyed; false when it already is.
  bool beginClose(HWND window) {
    std::lock_guard lock(mutex_);
    return closing_.insert(window).second;
  }
  void endClose(HWND window) {
    std::lock_guard lock(mutex_);
    closing_.erase(window);
    procedures_.erase(window);
  }

 private:
  ProcedureTable() = default;
  mutable std::mutex mutex_;
  std::unordered_map<HWND, WindowProc> procedures_;
  std::set<WindowProc> tokens_;
  std::set<HWND> closing_;
};

WNDPROC fromToken(WindowProc token) {
  return reinterpret_cast<WNDPROC>(reinterpret_cast<AnyFunction>(token));
}

// Exceptions must not unwind through the system's frames: a procedure handles its own.
LRESULT CALLBACK trampoline(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  ProcedureTable& table = ProcedureTable::instance();
  const WindowProc procedure = table.find(window);
  if (!procedure) return DefWindowProcW(window, message, wParam, lParam);
  const LRESULT result = callWindowProc(procedure, toHandle(window), message, wParam, lParam);
  if (message == WM_NCDESTROY) table.erase(window);
  return result;
}

void registerWindowClass() {
  static std::once_flag once;
  std::call_once(once, [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = trampoline;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    if (!RegisterClassExW(&windowClass)) {
      throw RuntimeError("Cannot register the window class (error " + std::to_string(GetLastError()) + ")");
    }
  });
}

}  // namespace

// A hidden top-level window: other processes can find it and send to it, as to a pane.
// Creation messages go to the default procedure; `procedure` sees what comes afterwards.
WindowHandle createWindow(WindowProc procedure) {
  registerWindowClass();
  HWND window = CreateWindowExW(0, kWindowClass, L"", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, GetModuleHandleW(nullptr),
                                nullptr);
  if (!window) throw RuntimeError("Cannot create a window (error " + std::to_string(GetLastError()) + ")");
  ProcedureTable::instance().set(window, procedure);
  return toHandle(window);
}

// The window's procedure sees kCloseMessage first; the window is gone afterwards. The
// messages that destruction itself sends go to the default procedure only.
void destroyWindow(WindowHandle window) {
  HWND hwnd = toHwnd(window);
  ProcedureTable& table = ProcedureTable::instance();
  if (!IsWindow(hwnd) || !table.beginClose(hwnd)) return;
  SendMessageW(hwnd, WM_CLOSE, 0, 0);
  table.erase(hwnd);
  if (IsWindow(hwnd)) DestroyWindow(hwnd);
  table.endClose(hwnd);
}

bool isWindow(WindowHandle window) { return IsWindow(toHwnd(window)) != FALSE; }

std::uint32_t registerWindowMessage(std::string_view name) {
  return RegisterWindowMessageW(toWide(name).c_str());
}

WindowProc setWindowProc(WindowHandle window, WindowProc procedure) {
  HWND hwnd = toHwnd(window);
  if (!IsWindow(hwnd)) throw RuntimeError("Invalid window handle");
  ProcedureTable& table = ProcedureTable::instance();
  const auto current = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
  const WindowProc previous = current == trampoline ? table.find(hwnd) : table.tokenOf(current);
  if (procedure && table.isToken(procedure)) {
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(fromToken(procedure)));
    table.erase(hwnd);
  } else {
    table.set(hwnd, procedure);
    if (current != trampoline) SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(trampoline));
  }
  return previous;
}

std::intptr_t callWindowProc(WindowProc procedure, WindowHandle window, std::uint32_t message,
                             std::uintptr_t wParam, std::intptr_t lParam) {
  if (!procedure) return 0;
  if (ProcedureTable::instance().isToken(procedure)) {
    return CallWindowProcW(fromToken(procedure), toHwnd(window), message, wParam, lParam);
  }
  return procedure(window, message, wParam, lParam);
}

std::intptr_t sendMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                          std::intptr_t lParam) {
  return SendMessageW(toHwnd(window), message, wParam, lParam);
}

}  // namespace support

#endif  // _WIN32
