// The CAE solver and the PIDO tool of the "Execution" frame.
#include "pane/corvane_femap_interface.h"
#include "support/paths.h"

namespace pane {

namespace {

constexpr std::string_view kNENastran = "NENastran";
constexpr std::string_view kNXNastran = "NXNastran";

std::string solverCommandLine(std::string_view solver, const std::string& base) {
  if (solver == kNENastran) return "nastran nastran.ini " + base + ".nas";
  return "nastran " + base + ".dat notify=no";
}

// True when the file name (the text after the last folder separator) has a ".".
bool hasExtension(std::string_view modelPath) {
  const std::size_t separator = modelPath.find_last_of("\\/");
  const std::size_t nameStart = separator == std::string_view::npos ? 0 : separator + 1;
  return modelPath.find('.', nameStart) != std::string_view::npos;
}

}  // namespace

// Fills the command line with the chosen solver's call for the open model. Without a model,
// or with a model file name that has no extension, the command line keeps its text.
void CorvaneFemapInterface::Solver_Click() {
  logPosition("At start of Solver_Click");
  const std::string solver = form_.Solver.text();
  if (solver == kNENastran || solver == kNXNastran) {
    const bool filled = err_.run([&] {
      const std::string modelPath = femap_.ModelName();
      if (!modelPath.empty() && hasExtension(modelPath)) {
        form_.CommandLine.setText(solverCommandLine(solver, support::modelBaseName(modelPath)));
      }
    });
    if (!filled) err_.clear();
  }
  logDebug("Solver text is =" + solver);
  logPosition("At end of Solver_Click");
}

// Refuses a tool the generation cannot write for, and falls back to "Corvane" (which runs
// this handler again).
void CorvaneFemapInterface::Optimizer_Click() {
  logPosition("At start of Optimizer_Click");
  const std::string tool = form_.Optimizer.text();
  if (tool != "Tavro" && tool != "Corvane") {
    showError(tool + " format not currently supported");
    form_.Optimizer.select(0);
  }
  logPosition("At end of Optimizer_Click");
}

}  // namespace pane
