// A list box in which several entries can be selected at once, as a LISTBOX with
// LBS_MULTIPLESEL. The entries are written anew only when the model's entries changed;
// otherwise only the selections that differ are set.
#include "ui/win32/control_view.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/wide_text.h"

namespace ui::win32 {

namespace {

class ListBoxView : public ControlView {
 public:
  ListBoxView(ListBox& list, Scale scale)
      : ControlView(list, scale,
                    {L"LISTBOX",
                     WS_TABSTOP | WS_VSCROLL | LBS_MULTIPLESEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                     WS_EX_CLIENTEDGE}),
        list_(list) {}

  // Every entry's selection, as the window has it now, goes to the model.
  ModelAction command(int code) override {
    if (code != LBN_SELCHANGE) return {};
    return [this] {
      for (int entry = 0; entry < list_.count(); ++entry) {
        const bool selected =
            SendMessageW(window(), LB_GETSEL, static_cast<WPARAM>(entry), 0) > 0;
        if (static_cast<std::size_t>(entry) < shown_.size()) {
          shown_[static_cast<std::size_t>(entry)].selected = selected;
        }
        list_.setSelected(entry, selected);
      }
    };
  }

 private:
  struct ShownEntry {
    std::string text;
    bool selected = false;
  };

  void refreshContent(bool) override {
    if (!showsEntriesOfModel()) showEntries();
    showSelections();
  }

  bool showsEntriesOfModel() const {
    if (!entriesKnown_ || static_cast<int>(shown_.size()) != list_.count()) return false;
    for (int entry = 0; entry < list_.count(); ++entry) {
      if (shown_[static_cast<std::size_t>(entry)].text != list_.item(entry)) return false;
    }
    return true;
  }

  void showEntries() {
    entriesKnown_ = true;
    shown_.clear();
    SendMessageW(window(), LB_RESETCONTENT, 0, 0);
    for (int entry = 0; entry < list_.count(); ++entry) {
      SendMessageW(window(), LB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(support::toWide(list_.item(entry)).c_str()));
      shown_.push_back({list_.item(entry), false});
    }
  }

  void showSelections() {
    for (int entry = 0; entry < list_.count(); ++entry) {
      ShownEntry& shown = shown_[static_cast<std::size_t>(entry)];
      if (shown.selected == list_.selected(entry)) continue;
      shown.selected = list_.selected(entry);
      SendMessageW(window(), LB_SETSEL, shown.selected ? TRUE : FALSE, entry);
    }
  }

  ListBox& list_;
  std::vector<ShownEntry> shown_;
  bool entriesKnown_ = false;
};

}  // namespace

std::unique_ptr<ControlView> makeListBoxView(ListBox& list, Scale scale) {
  return std::make_unique<ListBoxView>(list, scale);
}

}  // namespace ui::win32
