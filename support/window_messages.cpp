// The in-process stand-in for window messages, used on every system but Windows.
//
// A process-wide table holds each window's current procedure, another the registered
// message names. Procedures are called without the table's lock held, so a procedure may
// send messages itself, replace procedures or destroy windows while it runs.
#ifndef _WIN32

#include "support/window_messages.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "support/err.h"
#include "support/strings.h"

namespace support {

namespace {

// Registered ids end where Windows's own range of registered messages ends.
constexpr std::uint32_t kLastRegisteredMessage = 0xFFFF;

struct Window {
  WindowProc procedure = nullptr;
  bool closing = false;  // destroyWindow is delivering kCloseMessage to it
};

class WindowTable {
 public:
  static WindowTable& instance() {
    static WindowTable table;
    return table;
  }

  WindowHandle create(WindowProc procedure) {
    std::lock_guard lock(mutex_);
    const WindowHandle window = nextHandle_++;  // handles are never reused
    windows_[window] = Window{procedure, false};
    return window;
  }

  // Marks the window as closing and returns its procedure, or nothing when the window
  // does not exist or is already closing.
  std::optional<WindowProc> beginClose(WindowHandle window) {
    std::lock_guard lock(mutex_);
    auto it = windows_.find(window);
    if (it == windows_.end() || it->second.closing) return std::nullopt;
    it->second.closing = true;
    return it->second.procedure;
  }

  void erase(WindowHandle window) {
    std::lock_guard lock(mutex_);
    windows_.erase(window);
  }

  bool contains(WindowHandle window) const {
    std::lock_guard lock(mutex_);
    return windows_.count(window) != 0;
  }

  std::optional<WindowProc> procedure(WindowHandle window) const {
    std::lock_guard lock(mutex_);
    auto it = windows_.find(window);
    if (it == windows_.end()) return std::nullopt;
    return it->second.procedure;
  }

  std::optional<WindowProc> replaceProcedure(WindowHandle window, WindowProc procedure) {
    std::lock_guard lock(mutex_);
    auto it = windows_.find(window);
    if (it == windows_.end()) return std::nullopt;
    return std::exchange(it->second.procedure, procedure);
  }

  std::uint32_t registerName(std::string_view name) {
    std::lock_guard lock(mutex_);
    // Names are matched without regard to letter case, as the system's message names are.
    std::string key = toLower(name);
    auto it = messageIds_.find(key);
    if (it != messageIds_.end()) return it->second;
    const std::uint64_t id = kFirstRegisteredMessage + messageIds_.size();
    if (id > kLastRegisteredMessage) return 0;  // no id left, as the system reports it
    messageIds_.emplace(std::move(key), static_cast<std::uint32_t>(id));
    return static_cast<std::uint32_t>(id);
  }

 private:
  WindowTable() = default;
  mutable std::mutex mutex_;
  WindowHandle nextHandle_ = 0x10000;
  std::map<WindowHandle, Window> windows_;
  std::map<std::string, std::uint32_t, std::less<>> messageIds_;
};

}  // namespace

WindowHandle createWindow(WindowProc procedure) {
  return WindowTable::instance().create(procedure);
}

// The window's procedure sees kCloseMessage first; the window is gone afterwards. A
// procedure that destroys its window while handling that message ends it at once.
void destroyWindow(WindowHandle window) {
  WindowTable& table = WindowTable::instance();
  if (const auto procedure = table.beginClose(window)) {
    callWindowProc(*procedure, window, kCloseMessage, 0, 0);
  }
  table.erase(window);
}

bool isWindow(WindowHandle window) { return WindowTable::instance().contains(window); }

std::uint32_t registerWindowMessage(std::string_view name) {
  return WindowTable::instance().registerName(name);
}

WindowProc setWindowProc(WindowHandle window, WindowProc procedure) {
  const auto previous = WindowTable::instance().replaceProcedure(window, procedure);
  if (!previous) throw RuntimeError("Invalid window handle");
  return *previous;
}

std::intptr_t callWindowProc(WindowProc procedure, WindowHandle window, std::uint32_t message,
                             std::uintptr_t wParam, std::intptr_t lParam) {
  return procedure ? procedure(window, message, wParam, lParam) : 0;
}

std::intptr_t sendMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                          std::intptr_t lParam) {
  const auto procedure = WindowTable::instance().procedure(window);
  if (!procedure) return 0;
  return callWindowProc(*procedure, window, message, wParam, lParam);
}

}  // namespace support

#endif  // _WIN32
