#pragma once
// What "Apply" writes for the PIDO tool: the exchange files, the description file or the
// Tavro project, and the batch file (the writers are in project_generation.h).

#include <string>

namespace pane {
class CorvaneFemapInterface;
}

namespace generate {

// Writes the project files for `tool` ("Corvane" or "Tavro"; any other name writes none) into
// the model's folder. Runs with FEMAP locked and the hourglass shown. The files are replaced
// together or not at all: when any of them cannot be written the failure is thrown and every
// file of the folder keeps its previous content (StagedFiles).
void writeProjectFiles(pane::CorvaneFemapInterface& pane, const std::string& tool);

}  // namespace generate
