// Labels, frames and picture boxes: the controls the engineer does nothing with. Frames and
// picture boxes hold other controls, so their messages go to the layer first.
#include "ui/win32/control_view.h"

#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "support/err.h"
#include "support/window_messages.h"
#include "ui/win32/container_windows.h"

namespace ui::win32 {

namespace {

LRESULT CALLBACK pictureBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (layerContainerMessage(window, message, wParam, lParam, result)) return result;
  return DefWindowProcW(window, message, wParam, lParam);
}

// The procedures of the group boxes the layer stands in front of, each kept until its window
// is gone.
class GroupBoxProcedures {
 public:
  support::WindowProc find(HWND window) {
    std::lock_guard lock(mutex_);
    for (const auto& [box, procedure] : previous_) {
      if (box == window) return procedure;
    }
    return nullptr;
  }
  void set(HWND window, support::WindowProc procedure) {
    std::lock_guard lock(mutex_);
    previous_.emplace_back(window, procedure);
  }
  void erase(HWND window) {
    std::lock_guard lock(mutex_);
    std::erase_if(previous_, [window](const auto& entry) { return entry.first == window; });
  }

 private:
  std::mutex mutex_;
  std::vector<std::pair<HWND, support::WindowProc>> previous_;
};

GroupBoxProcedures& groupBoxes() {
  static GroupBoxProcedures procedures;
  return procedures;
}

std::intptr_t groupBoxProc(support::WindowHandle handle, std::uint32_t message,
                           std::uintptr_t wParam, std::intptr_t lParam) {
  const HWND window = reinterpret_cast<HWND>(handle);
  const support::WindowProc previous = groupBoxes().find(window);
  if (message == WM_ERASEBKGND) {
    // A group box paints only its frame and caption; the controls' background is its own.
    RECT client{};
    GetClientRect(window, &client);
    FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
    return TRUE;
  }
  LRESULT result = 0;
  if (layerContainerMessage(window, message, wParam, lParam, result)) return result;
  if (message == WM_NCDESTROY) groupBoxes().erase(window);
  return support::callWindowProc(previous, handle, message, wParam, lParam);
}

class LabelView : public ControlView {
 public:
  LabelView(Label& label, Scale scale)
      : ControlView(label, scale, {L"STATIC", SS_LEFT | SS_NOPREFIX, 0, true}) {}

 private:
  void refreshContent(bool first) override { refreshText(first); }
};

class FrameView : public ControlView {
 public:
  FrameView(Frame& frame, Scale scale)
      : ControlView(frame, scale,
                    {L"BUTTON", BS_GROUPBOX | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, true}) {}

 private:
  void created() override {
    const auto handle = reinterpret_cast<support::WindowHandle>(window());
    groupBoxes().set(window(), support::setWindowProc(handle, groupBoxProc));
  }
  void refreshContent(bool first) override { refreshText(first); }
};

class PictureBoxView : public ControlView {
 public:
  PictureBoxView(PictureBox& pictureBox, Scale scale)
      : ControlView(pictureBox, scale,
                    {kPictureBoxClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT}) {}

 private:
  void refreshContent(bool) override {}
};

}  // namespace

void registerContainerClass(const wchar_t* name, WNDPROC procedure, const char* what, HICON icon) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpfnWndProc = procedure;
  windowClass.lpszClassName = name;
  windowClass.hIcon = icon;
  if (!RegisterClassExW(&windowClass)) {
    throw support::RuntimeError("Cannot register the " + std::string(what) + " window class (error " +
                                std::to_string(GetLastError()) + ")");
  }
}

void registerPictureBoxClass() { registerContainerClass(kPictureBoxClass, pictureBoxProc, "picture box"); }

std::unique_ptr<ControlView> makeLabelView(Label& label, Scale scale) {
  return std::make_unique<LabelView>(label, scale);
}

std::unique_ptr<ControlView> makeFrameView(Frame& frame, Scale scale) {
  return std::make_unique<FrameView>(frame, scale);
}

std::unique_ptr<ControlView> makePictureBoxView(PictureBox& pictureBox, Scale scale) {
  return std::make_unique<PictureBoxView>(pictureBox, scale);
}

}  // namespace ui::win32
