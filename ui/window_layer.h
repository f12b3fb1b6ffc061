#pragma once
// How forms reach real windows: opening, showing and closing a form's window, and showing a
// dialog modally. The pane works only through this interface, so that a headless run can
// answer its dialogs from a script (HeadlessWindows) and the Windows build can put native
// windows behind the same forms.

#include "support/window_messages.h"

namespace ui {

class Form;

class WindowLayer {
 public:
  virtual ~WindowLayer() = default;

  // Creates the form's window, not yet shown, and returns its handle. The window's messages
  // reach the form: a resize runs form.onResize, a close runs form.onUnload.
  virtual support::WindowHandle open(Form& form) = 0;
  // Shows the window; its first display lays it out (form.onResize at its client size).
  virtual void show(Form& form) = 0;
  // Closes the window; the form sees the close before the window goes away. Closing a form
  // that is not open does nothing.
  virtual void close(Form& form) = 0;
  // Shows `dialog` modally over `owner`; returns when the dialog has hidden itself.
  virtual void showModal(Form& dialog, Form& owner) = 0;
  // Drops the window of a form that is going away, without telling the form.
  virtual void discard(Form& form) = 0;
};

}  // namespace ui
