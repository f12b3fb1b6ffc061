#pragma once
// The windows that hold controls: forms, picture boxes and frames (group boxes). A control's
// notifications arrive at its container, and every container passes its messages to the
// window layer first, so that a control's notification reaches the layer wherever the control
// sits.
#ifdef _WIN32

#include <windows.h>

namespace ui::win32 {

// The window class of picture boxes: a plain container on the forms' face colour.
inline constexpr wchar_t kPictureBoxClass[] = L"CorvanePictureBox";

// Registers a container window class on the forms' face colour with the arrow cursor, named
// `what` in the error; throws support::RuntimeError when Windows refuses.
void registerContainerClass(const wchar_t* name, WNDPROC procedure, const char* what, HICON icon = nullptr);

// Registers the picture box class.
void registerPictureBoxClass();

// The layer's handling of a message that reached a container: true when the layer handled it,
// with its result. False while no layer exists. Defined beside the layer.
bool layerContainerMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                           LRESULT& result);

}  // namespace ui::win32

#endif  // _WIN32
