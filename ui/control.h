#pragma once
// Headless models of the controls the pane and its dialogs are made of. A control keeps what a
// window would show (caption or text, design position in twips, enabled, visible, mouse
// pointer) and runs its handler when it is used; it draws nothing. Native views (ui/win32/)
// show these models on Windows; headless runs drive them directly.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

enum class ControlKind {
  Button,
  DropDownList,
  TextBox,
  Label,
  Frame,
  PictureBox,
  HScrollBar,
  VScrollBar,
  Grid,
  ListBox,
};

// Mouse pointer codes as the pane sets them.
enum class MousePointer { Default = 0, Hourglass = 11 };

struct Bounds {
  int left = 0, top = 0, width = 0, height = 0;  // twips, relative to the parent
};

class Control {
 public:
  Control(std::string name, ControlKind kind, Control* parent, Bounds bounds, int tabIndex);
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& name() const { return name_; }
  ControlKind kind() const { return kind_; }
  Control* parent() const { return parent_; }
  int tabIndex() const { return tabIndex_; }

  // What the control shows as its text: a caption, a text box's text, a list's selected item.
  virtual std::string text() const { return caption_; }
  void setCaption(std::string caption) { caption_ = std::move(caption); }

  const Bounds& bounds() const { return bounds_; }
  int left() const { return bounds_.left; }
  int top() const { return bounds_.top; }
  int width() const { return bounds_.width; }
  int height() const { return bounds_.height; }
  void move(int left, int top, int width, int height) { bounds_ = {left, top, width, height}; }
  void setLeft(int left) { bounds_.left = left; }
  void setTop(int top) { bounds_.top = top; }

  bool enabled() const { return enabled_; }
  void setEnabled(bool enabled) { enabled_ = enabled; }
  bool visible() const { return visible_; }
  void setVisible(bool visible) { visible_ = visible; }
  MousePointer mousePointer() const { return mousePointer_; }
  void setMousePointer(MousePointer pointer) { mousePointer_ = pointer; }

 private:
  std::string name_;
  ControlKind kind_;
  Control* parent_;
  Bounds bounds_;
  int tabIndex_;
  std::string caption_;
  bool enabled_ = true;
  bool visible_ = true;
  MousePointer mousePointer_ = MousePointer::Default;
};

class Button : public Control {
 public:
  Button(std::string name, Control* parent, Bounds bounds, int tabIndex, std::string caption);
  // Presses the button: runs its handler.
  void click();
  std::function<void()> onClick;
};

class Label : public Control {
 public:
  Label(std::string name, Control* parent, Bounds bounds, int tabIndex, std::string caption);
};

class Frame : public Control {
 public:
  Frame(std::string name, Control* parent, Bounds bounds, int tabIndex, std::string caption);
};

class PictureBox : public Control {
 public:
  PictureBox(std::string name, Control* parent, Bounds bounds, int tabIndex);
};

// A one-line text box; the engineer may type anything into it.
class TextBox : public Control {
 public:
  TextBox(std::string name, Control* parent, Bounds bounds, int tabIndex);
  std::string text() const override { return text_; }
  void setText(std::string text) { text_ = std::move(text); }

 private:
  std::string text_;
};

// A drop-down list that accepts only its items (no typing). Selecting an item, by the
// engineer or by the program, runs the click handler.
class DropDownList : public Control {
 public:
  DropDownList(std::string name, Control* parent, Bounds bounds, int tabIndex,
               std::vector<std::string> items);
  const std::vector<std::string>& items() const { return items_; }
  // The selected item's position, -1 while none is selected.
  int listIndex() const { return listIndex_; }
  // The selected item, empty while none is selected.
  std::string text() const override;

  // Selects item `index` and runs the click handler; throws support::RuntimeError for an
  // index outside the list.
  void select(int index);
  // Selects the item with exactly this text; throws support::RuntimeError when the list has
  // no such item (the list accepts nothing else).
  void choose(std::string_view item);

  std::function<void()> onClick;

 private:
  std::vector<std::string> items_;
  int listIndex_ = -1;
};

// A list box in which several entries can be selected at once.
class ListBox : public Control {
 public:
  ListBox(std::string name, Control* parent, Bounds bounds, int tabIndex);
  int count() const { return static_cast<int>(entries_.size()); }
  const std::string& item(int index) const;
  bool selected(int index) const;
  // Throws support::RuntimeError for an index outside the list.
  void setSelected(int index, bool selected);
  void addItem(std::string text);
  void clear() { entries_.clear(); }

 private:
  struct Entry {
    std::string text;
    bool selected = false;
  };
  const Entry& entry(int index) const;
  std::vector<Entry> entries_;
};

// A horizontal or vertical scroll bar. The minimum is always 0. A change of the value runs
// the change handler.
class ScrollBar : public Control {
 public:
  ScrollBar(std::string name, ControlKind kind, Control* parent, Bounds bounds, int tabIndex);
  int value() const { return value_; }
  int max() const { return max_; }
  int smallChange() const { return smallChange_; }
  int largeChange() const { return largeChange_; }

  // Sets the value and runs the change handler when it changed; throws support::RuntimeError
  // ("Invalid property value") outside 0 to max.
  void setValue(int value);
  // A value beyond the new maximum is brought down to it without running the change handler,
  // so that re-laying out the pane never scrolls it.
  void setMax(int max);
  void setSmallChange(int change) { smallChange_ = change; }
  void setLargeChange(int change) { largeChange_ = change; }

  std::function<void()> onChange;

 private:
  int value_ = 0;
  int max_ = 32767;
  int smallChange_ = 1;
  int largeChange_ = 1;
};

}  // namespace ui
