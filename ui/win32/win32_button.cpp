// A button as a push button window: its caption, and a click that runs its handler.
#include "ui/win32/control_view.h"

#include <memory>

namespace ui::win32 {

namespace {

class ButtonView : public ControlView {
 public:
  ButtonView(Button& button, Scale scale)
      : ControlView(button, scale, {L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0, true}),
        button_(button) {}

  ModelAction command(int code) override {
    if (code != BN_CLICKED) return {};
    return [this] { button_.click(); };
  }

 private:
  void refreshContent(bool first) override { refreshText(first); }

  Button& button_;
};

}  // namespace

std::unique_ptr<ControlView> makeButtonView(Button& button, Scale scale) {
  return std::make_unique<ButtonView>(button, scale);
}

}  // namespace ui::win32
