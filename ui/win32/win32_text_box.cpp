// A one-line text box as an EDIT window. What the engineer types goes to the model as it is
// typed, so that the model always holds what the window shows.
#include "ui/win32/control_view.h"

#include <memory>
#include <string>

#include "support/wide_text.h"

namespace ui::win32 {

namespace {

std::wstring windowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

class TextBoxView : public ControlView {
 public:
  TextBoxView(TextBox& textBox, Scale scale)
      : ControlView(textBox, scale, {L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE}),
        textBox_(textBox) {}

  ModelAction command(int code) override {
    if (code != EN_CHANGE) return {};
    std::string typed = support::fromWide(windowText(window()));
    textShown(typed);
    return [this, typed = std::move(typed)] { textBox_.setText(typed); };
  }

 private:
  void refreshContent(bool first) override { refreshText(first); }

  TextBox& textBox_;
};

}  // namespace

std::unique_ptr<ControlView> makeTextBoxView(TextBox& textBox, Scale scale) {
  return std::make_unique<TextBoxView>(textBox, scale);
}

}  // namespace ui::win32
