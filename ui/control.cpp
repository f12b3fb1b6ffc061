#include "ui/control.h"

#include <algorithm>

#include "support/err.h"

namespace ui {

namespace {

[[noreturn]] void invalidValue(const std::string& control, std::string_view what, int value) {
  throw support::RuntimeError("Invalid property value: " + control + " has no " +
                              std::string(what) + " " + std::to_string(value));
}

}  // namespace

Control::Control(std::string name, ControlKind kind, Control* parent, Bounds bounds, int tabIndex)
    : name_(std::move(name)), kind_(kind), parent_(parent), bounds_(bounds), tabIndex_(tabIndex) {}

Button::Button(std::string name, Control* parent, Bounds bounds, int tabIndex, std::string caption)
    : Control(std::move(name), ControlKind::Button, parent, bounds, tabIndex) {
  setCaption(std::move(caption));
}

void Button::click() {
  if (onClick) onClick();
}

Label::Label(std::string name, Control* parent, Bounds bounds, int tabIndex, std::string caption)
    : Control(std::move(name), ControlKind::Label, parent, bounds, tabIndex) {
  setCaption(std::move(caption));
}

Frame::Frame(std::string name, Control* parent, Bounds bounds, int tabIndex, std::string caption)
    : Control(std::move(name), ControlKind::Frame, parent, bounds, tabIndex) {
  setCaption(std::move(caption));
}

PictureBox::PictureBox(std::string name, Control* parent, Bounds bounds, int tabIndex)
    : Control(std::move(name), ControlKind::PictureBox, parent, bounds, tabIndex) {}

TextBox::TextBox(std::string name, Control* parent, Bounds bounds, int tabIndex)
    : Control(std::move(name), ControlKind::TextBox, parent, bounds, tabIndex) {}

DropDownList::DropDownList(std::string name, Control* parent, Bounds bounds, int tabIndex,
                           std::vector<std::string> items)
    : Control(std::move(name), ControlKind::DropDownList, parent, bounds, tabIndex),
      items_(std::move(items)) {}

std::string DropDownList::text() const {
  return listIndex_ < 0 ? std::string() : items_[static_cast<std::size_t>(listIndex_)];
}

void DropDownList::select(int index) {
  if (index < 0 || index >= static_cast<int>(items_.size())) invalidValue(name(), "item", index);
  listIndex_ = index;
  if (onClick) onClick();
}

void DropDownList::choose(std::string_view item) {
  const auto found = std::find(items_.begin(), items_.end(), item);
  if (found == items_.end()) {
    throw support::RuntimeError(name() + " has no item \"" + std::string(item) + "\"");
  }
  select(static_cast<int>(found - items_.begin()));
}

ListBox::ListBox(std::string name, Control* parent, Bounds bounds, int tabIndex)
    : Control(std::move(name), ControlKind::ListBox, parent, bounds, tabIndex) {}

const ListBox::Entry& ListBox::entry(int index) const {
  if (index < 0 || index >= count()) invalidValue(name(), "entry", index);
  return entries_[static_cast<std::size_t>(index)];
}

const std::string& ListBox::item(int index) const { return entry(index).text; }

bool ListBox::selected(int index) const { return entry(index).selected; }

void ListBox::setSelected(int index, bool selected) {
  entry(index);  // checks the index
  entries_[static_cast<std::size_t>(index)].selected = selected;
}

void ListBox::addItem(std::string text) { entries_.push_back({std::move(text), false}); }

ScrollBar::ScrollBar(std::string name, ControlKind kind, Control* parent, Bounds bounds,
                     int tabIndex)
    : Control(std::move(name), kind, parent, bounds, tabIndex) {}

void ScrollBar::setValue(int value) {
  if (value < 0 || value > max_) invalidValue(name(), "value", value);
  if (value == value_) return;
  value_ = value;
  if (onChange) onChange();
}

void ScrollBar::setMax(int max) {
  if (max < 0) invalidValue(name(), "maximum", max);
  max_ = max;
  value_ = std::min(value_, max_);
}

}  // namespace ui
