#pragma once
// The window layer of headless runs: every form gets a window of the window-message stand-in
// (support/window_messages.h), so that window procedures can be put in front of it as on
// Windows, and modal dialogs are answered from a queue of scripted answers instead of by a
// person.

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "ui/form.h"
#include "ui/window_layer.h"

namespace ui {

// The message that tells a window its new client size: wParam the width, lParam the height,
// in twips.
inline constexpr std::uint32_t kSizeMessage = 0x0005;

class HeadlessWindows : public WindowLayer {
 public:
  HeadlessWindows() = default;
  ~HeadlessWindows() override;

  support::WindowHandle open(Form& form) override;
  void show(Form& form) override;
  void close(Form& form) override;
  // Runs the next answer queued for the dialog's name; without one the dialog is dismissed
  // (form.dismiss()), as a person closing it would.
  void showModal(Form& dialog, Form& owner) override;
  void discard(Form& form) override;

  // What the engineer does to a window: gives it a new client size (in twips). The message
  // goes through the window's current procedure.
  void resize(Form& form, int width, int height);

  // An answer acts on the shown dialog's controls, typically ending with its OK or Cancel.
  using Answer = std::function<void(Form& dialog)>;
  void queueAnswer(const std::string& dialogName, Answer answer);

 private:
  std::map<std::string, std::deque<Answer>, std::less<>> answers_;
};

}  // namespace ui
