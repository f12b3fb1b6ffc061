#pragma once
// Output variables: results at nodes and elements, their extremes and mass properties chosen
// into the output grid, and the refresh of their values.

namespace pane {
class CorvaneFemapInterface;
}

namespace outputs {

void OutputsButton_Click(pane::CorvaneFemapInterface& pane);
void RefreshOutputs_Click(pane::CorvaneFemapInterface& pane);

}  // namespace outputs
