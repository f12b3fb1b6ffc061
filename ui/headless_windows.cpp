#include "ui/headless_windows.h"

#include <mutex>

#include "support/err.h"

namespace ui {

namespace {

// Which form each headless window belongs to. Window procedures are plain functions, so the
// form is found by the window's handle.
class FormTable {
 public:
  static FormTable& instance() {
    static FormTable table;
    return table;
  }
  void add(support::WindowHandle window, Form* form) {
    std::lock_guard lock(mutex_);
    forms_[window] = form;
  }
  void remove(support::WindowHandle window) {
    std::lock_guard lock(mutex_);
    forms_.erase(window);
  }
  Form* find(support::WindowHandle window) const {
    std::lock_guard lock(mutex_);
    auto it = forms_.find(window);
    return it == forms_.end() ? nullptr : it->second;
  }

 private:
  mutable std::mutex mutex_;
  std::map<support::WindowHandle, Form*> forms_;
};

// The form's own window procedure: what a window does with resize and close messages.
std::intptr_t formWindowProc(support::WindowHandle window, std::uint32_t message,
                             std::uintptr_t wParam, std::intptr_t lParam) {
  Form* form = FormTable::instance().find(window);
  if (!form) return 0;
  switch (message) {
    case kSizeMessage:
      form->setClientSize(static_cast<int>(wParam), static_cast<int>(lParam));
      if (form->onResize) form->onResize();
      return 0;
    case support::kCloseMessage:
      if (form->onUnload) form->onUnload();
      return 0;
    default:
      return 0;
  }
}

}  // namespace

HeadlessWindows::~HeadlessWindows() = default;

support::WindowHandle HeadlessWindows::open(Form& form) {
  if (form.hWnd()) return form.hWnd();
  const support::WindowHandle window = support::createWindow(formWindowProc);
  FormTable::instance().add(window, &form);
  form.attachWindow(this, window);
  return window;
}

void HeadlessWindows::show(Form& form) {
  if (!form.hWnd()) open(form);
  form.setVisible(true);
  support::sendMessage(form.hWnd(), kSizeMessage, static_cast<std::uintptr_t>(form.clientWidth()),
                       form.clientHeight());
}

void HeadlessWindows::close(Form& form) {
  const support::WindowHandle window = form.hWnd();
  if (!window) return;
  support::destroyWindow(window);  // the close message reaches the form first
  FormTable::instance().remove(window);
  form.detachWindow();
}

void HeadlessWindows::discard(Form& form) {
  const support::WindowHandle window = form.hWnd();
  if (!window) return;
  FormTable::instance().remove(window);  // the form hears nothing more
  support::destroyWindow(window);
  form.detachWindow();
}

void HeadlessWindows::resize(Form& form, int width, int height) {
  if (!form.hWnd()) throw support::RuntimeError(form.name() + " is not open");
  if (width < 0 || height < 0) {
    throw support::RuntimeError("A window cannot be " + std::to_string(width) + " x " +
                                std::to_string(height) + " twips");
  }
  support::sendMessage(form.hWnd(), kSizeMessage, static_cast<std::uintptr_t>(width), height);
}

void HeadlessWindows::showModal(Form& dialog, Form& /*owner*/) {
  if (!dialog.hWnd()) open(dialog);
  dialog.setVisible(true);
  Answer answer;
  if (auto queue = answers_.find(dialog.name());
      queue != answers_.end() && !queue->second.empty()) {
    answer = std::move(queue->second.front());
    queue->second.pop_front();
  }
  if (answer) {
    answer(dialog);
  } else {
    dialog.dismiss();
  }
  dialog.setVisible(false);
}

void HeadlessWindows::queueAnswer(const std::string& dialogName, Answer answer) {
  answers_[dialogName].push_back(std::move(answer));
}

}  // namespace ui
