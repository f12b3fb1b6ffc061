#pragma once
// The handlers of the main pane that the input, output and generation subsystems provide.
// Those subsystems build on the pane (its state, grids, picker, FEMAP object and log), so the
// pane reaches them through this interface, and the program that builds the pane hands in the
// real ones (programs/CorvaneFemapInterface/pane_program.h). The versions here belong to a pane
// with none of them: the selection and refresh handlers write their position markers and
// nothing else, and "Apply" writes no project files (it still saves the selection, see
// CorvaneFemapInterface::GenerateButton_Click).

#include <string>

namespace pane {

class CorvaneFemapInterface;

class PaneSubsystems {
 public:
  virtual ~PaneSubsystems() = default;

  virtual void InputsButton_Click(CorvaneFemapInterface& pane);
  virtual void RefreshInputs_Click(CorvaneFemapInterface& pane);
  virtual void OutputsButton_Click(CorvaneFemapInterface& pane);
  virtual void RefreshOutputs_Click(CorvaneFemapInterface& pane);
  // Writes the project files of "Apply" for the PIDO tool `tool` ("Corvane" or "Tavro"; any
  // other name writes none). Runs with FEMAP locked and the hourglass shown.
  virtual void writeProjectFiles(CorvaneFemapInterface& pane, const std::string& tool);
};

}  // namespace pane
