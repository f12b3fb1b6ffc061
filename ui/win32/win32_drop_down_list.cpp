// A drop-down list as a COMBOBOX that accepts only its items. The window is as high as the
// closed box plus its open list; choosing an item selects it in the model, which runs the
// list's handler.
#include "ui/win32/control_view.h"

#include <memory>
#include <string>

#include "support/wide_text.h"

namespace ui::win32 {

namespace {

constexpr int kOpenListPixels = 160;

class DropDownListView : public ControlView {
 public:
  DropDownListView(DropDownList& list, Scale scale)
      : ControlView(list, scale,
                    {L"COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, false,
                     kOpenListPixels}),
        list_(list) {}

  ModelAction command(int code) override {
    if (code != CBN_SELCHANGE) return {};
    const auto index = static_cast<int>(SendMessageW(window(), CB_GETCURSEL, 0, 0));
    shownIndex_ = index;
    if (index < 0) return {};
    return [this, index] { list_.select(index); };
  }

 private:
  void created() override {
    for (const std::string& item : list_.items()) {
      SendMessageW(window(), CB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(support::toWide(item).c_str()));
    }
  }

  void refreshContent(bool first) override {
    const int index = list_.listIndex();
    if (!first && index == shownIndex_) return;
    shownIndex_ = index;
    SendMessageW(window(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }

  DropDownList& list_;
  int shownIndex_ = -1;
};

}  // namespace

std::unique_ptr<ControlView> makeDropDownListView(DropDownList& list, Scale scale) {
  return std::make_unique<DropDownListView>(list, scale);
}

}  // namespace ui::win32
