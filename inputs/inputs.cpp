#include "inputs/inputs.h"

#include "pane/corvane_femap_interface.h"

namespace inputs {

void InputsButton_Click(pane::CorvaneFemapInterface& pane) {
  pane.logPosition("Before click of Select for input parameter");
  pane.logPosition("After click of Select for input parameter");
}

void RefreshInputs_Click(pane::CorvaneFemapInterface& pane) {
  pane.logPositionAndClearErrorIfAny("At the start of RefreshInputs_Click");
  pane.logPositionAndClearErrorIfAny("At the end of RefreshInputs_Click");
}

}  // namespace inputs
