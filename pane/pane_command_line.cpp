#include "pane/pane_command_line.h"

#include <vector>

#include "support/strings.h"

namespace pane {

PaneCommandLine parsePaneCommandLine(std::string_view commandLine) {
  const std::vector<std::string> fields =
      support::split(support::removeChars(commandLine, "\""), "$");
  return {support::fieldOrEmpty(fields, 0), support::fieldOrEmpty(fields, 1),
          support::fieldOrEmpty(fields, 2)};
}

}  // namespace pane
