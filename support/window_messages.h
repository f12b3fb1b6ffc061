#pragma once
// Window messages as the pane uses them: named messages, window procedures that can be
// replaced and restored, and synchronous sending. window_messages.cpp is the in-process
// stand-in used on every system but Windows; window_messages_win32.cpp makes the real calls.
// The pane sees the same functions in both worlds.

#include <cstdint>
#include <string_view>

namespace support {

using WindowHandle = std::uintptr_t;
using WindowProc = std::intptr_t (*)(WindowHandle window, std::uint32_t message,
                                     std::uintptr_t wParam, std::intptr_t lParam);

// Messages below this id are the system's own; registered names get ids from here on.
inline constexpr std::uint32_t kFirstRegisteredMessage = 0xC000;
// The message that closes a window (its procedure sees it before the window goes away).
inline constexpr std::uint32_t kCloseMessage = 0x0010;

// Creates a window whose procedure is `procedure` (the system's own windows: tests, message
// sinks). On Windows a hidden top-level window that other processes can send to.
WindowHandle createWindow(WindowProc procedure);
void destroyWindow(WindowHandle window);
bool isWindow(WindowHandle window);

// The same name, without regard to letter case, always gives the same id (on Windows in
// every process of the session).
std::uint32_t registerWindowMessage(std::string_view name);

// Installs `procedure` as the window's procedure and returns the one it replaces; throws
// RuntimeError for a handle that is not a window.
WindowProc setWindowProc(WindowHandle window, WindowProc procedure);

// Calls `procedure` (typically the one replaced earlier) with the message.
std::intptr_t callWindowProc(WindowProc procedure, WindowHandle window, std::uint32_t message,
                             std::uintptr_t wParam, std::intptr_t lParam);

// Delivers the message to the window's current procedure and returns its result; 0 when the
// handle is not a window.
std::intptr_t sendMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                          std::intptr_t lParam);

}  // namespace support
