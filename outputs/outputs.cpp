#include "outputs/outputs.h"

#include "pane/corvane_femap_interface.h"

namespace outputs {

void OutputsButton_Click(pane::CorvaneFemapInterface& pane) {
  pane.logPosition("At start of OutputsButton_Click");
  pane.logPosition("At end of OutputsButton_Click");
}

void RefreshOutputs_Click(pane::CorvaneFemapInterface& pane) {
  pane.logPositionAndClearErrorIfAny("At the start of RefreshOutputs_Click");
  pane.logPositionAndClearErrorIfAny("At the end of RefreshOutputs_Click");
}

}  // namespace outputs
