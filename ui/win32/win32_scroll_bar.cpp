// A horizontal or vertical scroll bar as a SCROLLBAR control. The window's range is 0 to the
// model's maximum; what the engineer does with the bar becomes a new value of the model,
// within that range, which runs the bar's change handler.
#include "ui/win32/control_view.h"

#include <algorithm>
#include <memory>
#include <optional>

namespace ui::win32 {

namespace {

DWORD styleOf(const ScrollBar& bar) {
  return WS_TABSTOP | (bar.kind() == ControlKind::HScrollBar ? SBS_HORZ : SBS_VERT);
}

class ScrollBarView : public ControlView {
 public:
  ScrollBarView(ScrollBar& bar, Scale scale)
      : ControlView(bar, scale, {L"SCROLLBAR", styleOf(bar)}), bar_(bar) {}

  ModelAction scroll(int request) override {
    const std::optional<int> requested = valueRequested(request);
    if (!requested) return {};
    const int value = std::clamp(*requested, 0, bar_.max());
    if (value == bar_.value()) return {};
    return [this, value] { bar_.setValue(value); };
  }

 private:
  // The value a scroll request asks for, before it is brought into the range.
  std::optional<int> valueRequested(int request) const {
    switch (request) {
      case SB_LINEUP: return bar_.value() - bar_.smallChange();
      case SB_LINEDOWN: return bar_.value() + bar_.smallChange();
      case SB_PAGEUP: return bar_.value() - bar_.largeChange();
      case SB_PAGEDOWN: return bar_.value() + bar_.largeChange();
      case SB_TOP: return 0;
      case SB_BOTTOM: return bar_.max();
      case SB_THUMBTRACK:
      case SB_THUMBPOSITION: return trackPosition();
      default: return std::nullopt;
    }
  }

  int trackPosition() const {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_TRACKPOS;
    GetScrollInfo(window(), SB_CTL, &info);
    return info.nTrackPos;
  }

  void refreshContent(bool first) override {
    if (!first && bar_.value() == shownValue_ && bar_.max() == shownMax_) return;
    shownValue_ = bar_.value();
    shownMax_ = bar_.max();
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_POS | SIF_PAGE | SIF_DISABLENOSCROLL;
    info.nMax = bar_.max();
    info.nPos = bar_.value();
    SetScrollInfo(window(), SB_CTL, &info, TRUE);
  }

  ScrollBar& bar_;
  int shownValue_ = -1;
  int shownMax_ = -1;
};

}  // namespace

std::unique_ptr<ControlView> makeScrollBarView(ScrollBar& bar, Scale scale) {
  return std::make_unique<ScrollBarView>(bar, scale);
}

}  // namespace ui::win32
