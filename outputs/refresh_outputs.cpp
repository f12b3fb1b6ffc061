// "Refresh Values" of the output frame: every row re-reads its value from the model now open
// (after new results, say) through its hidden cells; names, order and those cells stay.
#include <cstdint>
#include <optional>
#include <string>

#include "exchange/rows.h"
#include "exchange/vocabulary.h"
#include "femap/return_codes.h"
#include "outputs/outputs.h"
#include "pane/corvane_femap_interface.h"
#include "pane/guards.h"
#include "pane/variable_rows.h"
#include "support/err.h"
#include "support/number_text.h"

namespace outputs {

namespace {

// The value of an output row as the model now open holds it; nothing for a mass-property
// word that selects nothing.
std::optional<std::string> currentValue(pane::CorvaneFemapInterface& pane,
                                        const femap::Object& output,
                                        const exchange::OutputRowView& row) {
  const std::string vector(row.vector);
  if (row.kind == exchange::kOutputKind) {
    getOutputVector(output, vector);
    pane.logDebug("Trying to update Output" + vector);
    const int entity = exchange::rowInteger(row.entity, "entity ID");
    return output.get("Value", entity).asString();
  }
  if (row.kind == exchange::kMassPropertiesKind) {
    // Every mass-property row measures the mesh afresh.
    const femap::Set elements(pane.femap().feSet());
    elements.AddAll(femap::kElementType);
    const exchange::MassProperties mass = measureMeshMass(pane.femap(), elements);
    const std::optional<double> value = massQuantity(mass, row.entity, vector);
    pane.logDebug("Trying to update Output" + std::string(row.entity));
    if (!value) return std::nullopt;
    return support::formatNumber(*value);
  }
  // "maxval", "minval": the vector's member of that name.
  getOutputVector(output, vector);
  std::string value = output.get(row.kind).asString();
  pane.logDebug("Trying to update Output" + std::string(row.kind));
  return value;
}

}  // namespace

void RefreshOutputs_Click(pane::CorvaneFemapInterface& pane) {
  pane.logPositionAndClearErrorIfAny("At the start of RefreshOutputs_Click");
  pane::FemapLock lock(pane.femap());
  pane.logDebug("Acquired Femap lock");
  pane::Hourglass hourglass(pane.form());

  const femap::Object output = pane.femap().feOutput();
  ui::Grid& list = pane.form().OutputsList;
  support::StopAtFirstFailure refreshing;
  for (int row = ui::Grid::kFixedRows; row < list.rowCount(); ++row) {
    // A copy: FEMAP's events may change the grid while FEMAP is asked.
    const exchange::OutputRow outputRow = exchange::ownedRow(pane::outputRowAt(list, row));
    if (outputRow.name.empty()) continue;
    // A row FEMAP cannot deliver ends the refresh here; the report names it, and the lock
    // and the pointer are given back on the way out.
    const auto value = refreshing.run([&] { return currentValue(pane, output, outputRow.view()); });
    if (!value) {
      throw support::RuntimeError("Cannot refresh " + outputRow.name + " (row " +
                                  support::formatInteger(row) + "): " + refreshing.failure());
    }
    if (*value) list.setCell(row, exchange::kOutputValueColumn, std::move(**value));
  }

  lock.release();
  pane.logDebug("Released Femap Lock");
  hourglass.restore();
  pane.logPositionAndClearErrorIfAny("At the end of RefreshOutputs_Click");
}

}  // namespace outputs
