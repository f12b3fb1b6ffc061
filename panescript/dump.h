#pragma once
// The dump lines of pane-script: what a control or FEMAP shows, as tab-separated text.

#include <string>
#include <vector>

#include "ui/control.h"

namespace femapsim {
class Application;
}
namespace pane {
class PropertyPicker;
}

namespace panescript {

// A grid: every row, header row included, cells joined by tabs. Any other control: one line,
// its name, then text=, enabled=, visible=, left=, top=, width=, height= (and for scroll bars
// value=, max=, smallchange=, largechange=), separated by tabs.
std::vector<std::string> dumpControl(const ui::Control& control);

// The property picker as its last fill left it: "frmPropertyList", then Label2= and the
// caption; then one line per list entry, 1 or 0 for ticked or not, a tab and the entry.
std::vector<std::string> dumpPicker(const pane::PropertyPicker& picker);

// model= (the open model's path, empty when none), models=, locks=, panes=; a FEMAP that does
// not run shows no model and zeros.
std::string dumpFemap(femapsim::Application* femap);

}  // namespace panescript
