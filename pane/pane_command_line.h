#pragma once
// The pane's command line: the model path, the log file name and the log level, separated by
// "$", every double quote removed first. A missing field is empty; fields after the third are
// passed over.

#include <string>
#include <string_view>

namespace pane {

struct PaneCommandLine {
  std::string modelPath;
  std::string logFileName;
  std::string logLevel;
};

PaneCommandLine parsePaneCommandLine(std::string_view commandLine);

}  // namespace pane
