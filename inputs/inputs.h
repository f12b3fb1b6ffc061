#pragma once
// Input variables: model entities, functions and load definitions chosen into the input
// grid, and the refresh of their values.

namespace pane {
class CorvaneFemapInterface;
}

namespace inputs {

void InputsButton_Click(pane::CorvaneFemapInterface& pane);
void RefreshInputs_Click(pane::CorvaneFemapInterface& pane);

}  // namespace inputs
