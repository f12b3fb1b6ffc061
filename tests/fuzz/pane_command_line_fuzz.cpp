// The pane's command line (model path, log file, log level) through the parser start-up uses,
// and the model file's extension taken from it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pane/pane_command_line.h"
#include "support/err.h"
#include "support/paths.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const pane::PaneCommandLine arguments =
      pane::parsePaneCommandLine(std::string_view(reinterpret_cast<const char*>(data), size));
  for (const std::string* field : {&arguments.modelPath, &arguments.logFileName, &arguments.logLevel}) {
    if (field->find('"') != std::string::npos || field->find('$') != std::string::npos) {
      __builtin_trap();  // quotes are removed and "$" separates the fields
    }
  }
  try {
    volatile std::size_t extension = support::getFileExtension(arguments.modelPath).size();
    (void)extension;
  } catch (const support::RuntimeError&) {
  }
  return 0;
}
