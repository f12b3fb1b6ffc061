// "Refresh Values" of the output frame: every row re-reads its value from the model now open
// (after new results, say) through its hidden cells; names, order and those cells stay.
#include <climits>
#include <cstdint>
#include <optional>
#include <string>

#include "femap/return_codes.h"
#include "outputs/outputs.h"
#include "pane/corvane_femap_interface.h"
#include "pane/guards.h"
#include "support/err.h"
#include "support/number_text.h"

namespace outputs {

namespace {

constexpr int kNameColumn = 0;
constexpr int kValueColumn = 1;
constexpr int kEntityColumn = 2;
constexpr int kVectorColumn = 3;
constexpr int kKindColumn = 4;

int wholeNumber(const std::string& text, std::string_view what) {
  const std::optional<std::int64_t> number = support::parseInteger(text);
  if (!number || *number < INT32_MIN || *number > INT32_MAX) {
    throw support::RuntimeError("the " + std::string(what) + " \"" + text + "\" is not a number");
  }
  return static_cast<int>(*number);
}

void getVector(const femap::Object& output, const std::string& id) {
  if (output.call("Get", wholeNumber(id, "output vector ID")).asInt() != femap::kOk) {
    throw support::RuntimeError("Output vector " + id + " is not in the model");
  }
}

void refreshRow(pane::CorvaneFemapInterface& pane, const femap::Object& output, ui::Grid& list,
                int row) {
  const std::string& kind = list.cell(row, kKindColumn);
  const std::string& vector = list.cell(row, kVectorColumn);
  if (kind == "Output") {
    getVector(output, vector);
    pane.logDebug("Trying to update Output" + vector);
    const int entity = wholeNumber(list.cell(row, kEntityColumn), "entity ID");
    list.setCell(row, kValueColumn, output.get("Value", entity).asString());
  } else if (kind == "MassProperties") {
    // Every mass-property row measures the mesh afresh.
    const femap::Set elements(pane.femap().feSet());
    elements.AddAll(femap::kElementType);
    const MeshMass mass = measureMeshMass(pane.femap(), elements);
    const std::string& word = list.cell(row, kEntityColumn);
    if (const std::optional<double> value = massQuantity(mass, word, vector)) {
      list.setCell(row, kValueColumn, support::formatNumber(*value));
    }
    pane.logDebug("Trying to update Output" + word);
  } else {
    // "maxval", "minval": the vector's member of that name.
    getVector(output, vector);
    list.setCell(row, kValueColumn, output.get(kind).asString());
    pane.logDebug("Trying to update Output" + kind);
  }
}

}  // namespace

void RefreshOutputs_Click(pane::CorvaneFemapInterface& pane) {
  pane.logPositionAndClearErrorIfAny("At the start of RefreshOutputs_Click");
  pane::FemapLock lock(pane.femap());
  pane.logDebug("Acquired Femap lock");
  pane::Hourglass hourglass(pane.form());

  const femap::Object output = pane.femap().feOutput();
  ui::Grid& list = pane.form().OutputsList;
  for (int row = ui::Grid::kFixedRows; row < list.rowCount(); ++row) {
    const std::string name = list.cell(row, kNameColumn);
    if (name.empty()) continue;
    // A row FEMAP cannot deliver ends the refresh here; the report names it, and the lock
    // and the pointer are given back on the way out.
    try {
      refreshRow(pane, output, list, row);
    } catch (...) {
      throw support::RuntimeError("Cannot refresh " + name + " (row " +
                                  support::formatInteger(row) +
                                  "): " + support::currentExceptionDescription());
    }
  }

  lock.release();
  pane.logDebug("Released Femap Lock");
  hourglass.restore();
  pane.logPositionAndClearErrorIfAny("At the end of RefreshOutputs_Click");
}

}  // namespace outputs
