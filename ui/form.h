#pragma once
// A headless form: a window's caption and client size with the controls it owns. The window
// itself belongs to a WindowLayer (window_layer.h), which reports resizing and closing to the
// form's handlers.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/window_messages.h"
#include "ui/control.h"

namespace ui {

class WindowLayer;

class Form {
 public:
  Form(std::string name, std::string caption, int clientWidth, int clientHeight);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  const std::string& name() const { return name_; }
  const std::string& caption() const { return caption_; }
  int clientWidth() const { return clientWidth_; }
  int clientHeight() const { return clientHeight_; }
  void setClientSize(int width, int height);

  // Creates a control of type C from `args` and keeps it; controls live as long as the form.
  template <class C, class... Args>
  C& add(Args&&... args) {
    auto control = std::make_unique<C>(std::forward<Args>(args)...);
    C& added = *control;
    controls_.push_back(std::move(control));
    return added;
  }
  // The control of that name, or nullptr.
  Control* find(std::string_view name) const;
  const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }
  void setAllEnabled(bool enabled);
  void setAllMousePointers(MousePointer pointer);

  // The form's window while it is open, 0 otherwise.
  support::WindowHandle hWnd() const { return window_; }
  bool visible() const { return visible_; }
  void setVisible(bool visible) { visible_ = visible; }

  // What the form does when its window is resized (after the client size changed) and when
  // it is closed (before the window goes away).
  std::function<void()> onResize;
  std::function<void()> onUnload;

  // Told every time setAllMousePointers runs, so that a window can show the pointer at once
  // (a handler shows the hourglass while it runs and gives the window no chance to ask).
  std::function<void(MousePointer)> onMousePointers;

  // What closing a modal dialog without an answer does; by default it just hides the form.
  virtual void dismiss() { setVisible(false); }

  // ---- for window layers ----
  void attachWindow(WindowLayer* layer, support::WindowHandle window);
  void detachWindow();

 private:
  std::string name_;
  std::string caption_;
  int clientWidth_;
  int clientHeight_;
  std::vector<std::unique_ptr<Control>> controls_;
  WindowLayer* layer_ = nullptr;
  support::WindowHandle window_ = 0;
  bool visible_ = false;
};

}  // namespace ui
