#include "panescript/dump.h"

#include "femapsim/application.h"
#include "pane/property_picker.h"
#include "ui/grid.h"

namespace panescript {

namespace {

std::string item(std::string_view key, const std::string& value) {
  return "\t" + std::string(key) + "=" + value;
}

std::string item(std::string_view key, int value) { return item(key, std::to_string(value)); }

}  // namespace

std::vector<std::string> dumpControl(const ui::Control& control) {
  std::vector<std::string> lines;
  if (const auto* grid = dynamic_cast<const ui::Grid*>(&control)) {
    for (int row = 0; row < grid->rowCount(); ++row) {
      std::string line;
      for (int column = 0; column < grid->columnCount(); ++column) {
        if (column > 0) line += '\t';
        line += grid->cell(row, column);
      }
      lines.push_back(std::move(line));
    }
    return lines;
  }
  std::string line = control.name();
  line += item("text", control.text());
  line += item("enabled", control.enabled() ? 1 : 0);
  line += item("visible", control.visible() ? 1 : 0);
  line += item("left", control.left());
  line += item("top", control.top());
  line += item("width", control.width());
  line += item("height", control.height());
  if (const auto* bar = dynamic_cast<const ui::ScrollBar*>(&control)) {
    line += item("value", bar->value());
    line += item("max", bar->max());
    line += item("smallchange", bar->smallChange());
    line += item("largechange", bar->largeChange());
  }
  lines.push_back(std::move(line));
  return lines;
}

std::vector<std::string> dumpPicker(const pane::PropertyPicker& picker) {
  std::vector<std::string> lines{picker.name() + item("Label2", picker.Label2.text())};
  for (int entry = 0; entry < picker.lstProperties.count(); ++entry) {
    lines.push_back((picker.lstProperties.selected(entry) ? "1\t" : "0\t") +
                    picker.lstProperties.item(entry));
  }
  return lines;
}

std::string dumpFemap(femapsim::Application* femap) {
  std::string model;
  int models = 0, locks = 0, panes = 0;
  if (femap) {
    if (femap->hasModel()) model = femap->model().path;
    models = static_cast<int>(femap->modelCount());
    locks = femap->lockCount();
    panes = static_cast<int>(femap->panes().size());
  }
  return "model=" + model + item("models", models) + item("locks", locks) + item("panes", panes);
}

}  // namespace panescript
