// The pane's layout: a fixed-size content area (pbInner) seen through a viewport (pbOuter),
// with scroll bars that appear only when the pane is smaller than its content.
#include <algorithm>

#include "pane/corvane_femap_interface.h"

namespace pane {

namespace {

constexpr int kLargeScrollStep = 2500;
constexpr int kSmallScrollStep = 250;

// Shows `bar` when the content is larger than the viewport, with the difference as its range.
void fitScrollBar(ui::ScrollBar& bar, int contentSize, int viewportSize) {
  if (contentSize <= viewportSize) {
    bar.setVisible(false);
    return;
  }
  bar.setVisible(true);
  bar.setMax(contentSize - viewportSize);
  bar.setLargeChange(kLargeScrollStep);
  bar.setSmallChange(kSmallScrollStep);
}

}  // namespace

void CorvaneFemapInterface::Form_Resize() {
  logPosition("At start of Form_Resize");
  const int width = form_.clientWidth();
  const int height = form_.clientHeight();
  ui::ScrollBar& vertical = form_.VScroll1;
  ui::ScrollBar& horizontal = form_.HScroll1;
  const int innerWidth = std::max(0, width - vertical.width());
  const int innerHeight = std::max(0, height - horizontal.height());

  vertical.move(width - vertical.width(), 0, vertical.width(), height);
  horizontal.move(0, height - horizontal.height(), innerWidth, horizontal.height());
  form_.pbOuter.move(0, 0, innerWidth, innerHeight);

  fitScrollBar(vertical, form_.pbInner.height(), form_.pbOuter.height());
  fitScrollBar(horizontal, form_.pbInner.width(), form_.pbOuter.width());
  logDebug("Form resized");
  logPosition("At end of Form_Resize");
}

void CorvaneFemapInterface::HScroll1_Change() {
  logPosition("At start of HScroll1_Change");
  form_.pbInner.setLeft(-form_.HScroll1.value());
  logPosition("At End of HScroll1_Change");
}

void CorvaneFemapInterface::VScroll1_Change() {
  logPosition("At Start of VScroll1_Change");
  form_.pbInner.setTop(-form_.VScroll1.value());
  logPosition("At End of VScroll1_Change");
}

}  // namespace pane
