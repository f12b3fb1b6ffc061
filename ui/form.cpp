#include "ui/form.h"

#include "ui/window_layer.h"

namespace ui {

Form::Form(std::string name, std::string caption, int clientWidth, int clientHeight)
    : name_(std::move(name)),
      caption_(std::move(caption)),
      clientWidth_(clientWidth),
      clientHeight_(clientHeight) {}

Form::~Form() {
  if (layer_ && window_) layer_->discard(*this);
}

void Form::setClientSize(int width, int height) {
  clientWidth_ = width;
  clientHeight_ = height;
}

Control* Form::find(std::string_view name) const {
  for (const auto& control : controls_) {
    if (control->name() == name) return control.get();
  }
  return nullptr;
}

void Form::setAllEnabled(bool enabled) {
  for (const auto& control : controls_) control->setEnabled(enabled);
}

void Form::setAllMousePointers(MousePointer pointer) {
  for (const auto& control : controls_) control->setMousePointer(pointer);
  if (onMousePointers) onMousePointers(pointer);
}

void Form::attachWindow(WindowLayer* layer, support::WindowHandle window) {
  layer_ = layer;
  window_ = window;
}

void Form::detachWindow() {
  layer_ = nullptr;
  window_ = 0;
  visible_ = false;
}

}  // namespace ui
