#include "pane/pane_subsystems.h"

#include "pane/corvane_femap_interface.h"

namespace pane {

// Input selection: the combo's entity kind, FEMAP's selection dialog and the picker.
void PaneSubsystems::InputsButton_Click(CorvaneFemapInterface& pane) {
  pane.logPosition("Before click of Select for input parameter");
  pane.logPosition("After click of Select for input parameter");
}

// Re-reads the current values of the input variables.
void PaneSubsystems::RefreshInputs_Click(CorvaneFemapInterface& pane) {
  pane.logPositionAndClearErrorIfAny("At the start of RefreshInputs_Click");
  pane.logPositionAndClearErrorIfAny("At the end of RefreshInputs_Click");
}

// Output selection: results at entities, their extremes, mass properties.
void PaneSubsystems::OutputsButton_Click(CorvaneFemapInterface& pane) {
  pane.logPosition("At start of OutputsButton_Click");
  pane.logPosition("At end of OutputsButton_Click");
}

// Re-reads the current values of the output variables.
void PaneSubsystems::RefreshOutputs_Click(CorvaneFemapInterface& pane) {
  pane.logPositionAndClearErrorIfAny("At the start of RefreshOutputs_Click");
  pane.logPositionAndClearErrorIfAny("At the end of RefreshOutputs_Click");
}

// The exchange files, the description file or Tavro project and the batch file.
void PaneSubsystems::writeProjectFiles(CorvaneFemapInterface& /*pane*/,
                                       const std::string& /*tool*/) {}

}  // namespace pane
