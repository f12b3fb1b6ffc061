#pragma once
// What "Apply" writes for the PIDO tool: the exchange files, the description file or the
// Tavro project, and the batch file.

#include <string>

namespace pane {
class CorvaneFemapInterface;
}

namespace generate {

// Writes the project files for `tool` ("Corvane" or "Tavro"; any other name writes none).
// Runs with FEMAP locked and the hourglass shown.
void writeProjectFiles(pane::CorvaneFemapInterface& pane, const std::string& tool);

}  // namespace generate
