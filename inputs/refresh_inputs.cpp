// "Refresh Values" of the input frame: every entity row re-reads its value from the open
// model through its hidden cells (entity type word, ID, member, index).
#include <cstdint>
#include <optional>
#include <string>

#include "exchange/rows.h"
#include "exchange/vocabulary.h"
#include "femap/return_codes.h"
#include "inputs/inputs.h"
#include "pane/corvane_femap_interface.h"
#include "pane/guards.h"
#include "pane/variable_rows.h"
#include "support/err.h"
#include "support/number_text.h"

namespace inputs {

namespace {

// Rows whose value is not an entity member: they keep the value they were given.
bool keepsItsValue(std::string_view type) {
  return type.empty() || type == exchange::kFunctionWord || exchange::isLoadKind(type);
}

// The value of an entity row as FEMAP holds it now.
std::string currentValue(pane::CorvaneFemapInterface& pane, const exchange::InputRowView& row) {
  const std::string type(row.entityType);
  const femap::Object entity = pane.femap().create(type);
  pane.logDebug("Called the entity " + type + " to update");
  const int id = exchange::rowInteger(row.entityId, "entity ID");
  if (entity.call("Get", id).asInt() != femap::kOk) {
    throw support::RuntimeError(type + " " + support::formatInteger(id) + " is not in the model");
  }
  const femap::Variant value = row.index.empty()
                                   ? entity.get(row.member)
                                   : entity.get(row.member, exchange::rowInteger(row.index, "index"));
  return value.asString();
}

// A row that could not be refreshed, reported in the words the pane uses for a handler's failure.
void reportRow(pane::CorvaneFemapInterface& pane, const std::string& problem) {
  const std::string message = "Error in RefreshInputs_Click: " + problem;
  pane.logError(message);
  pane.err().run([&] { pane.femap().feAppMessage(femap::kMessageError, message); });
}

}  // namespace

void RefreshInputs_Click(pane::CorvaneFemapInterface& pane) {
  pane.logPositionAndClearErrorIfAny("At the start of RefreshInputs_Click");
  ui::Grid& list = pane.form().InputsList;
  if (list.rowCount() > 0) {
    pane::FemapLock lock(pane.femap());
    pane.logDebug("Acquired Femap lock");
    pane::Hourglass hourglass(pane.form());
    pane.logDebug("Number of rowsto refresh  in input list = " +
                  support::formatInteger(list.rowCount()));
    support::StopAtFirstFailure refreshing;
    for (int row = ui::Grid::kFixedRows; row < list.rowCount(); ++row) {
      // A copy: FEMAP's events may change the grid while FEMAP is asked.
      const exchange::InputRow input = exchange::ownedRow(pane::inputRowAt(list, row));
      pane.logDebug("Entry:  Name=" + input.name + "  Value=" + input.value +
                    "  Type=" + input.entityType);
      if (keepsItsValue(input.entityType)) continue;
      // A row FEMAP cannot deliver (its entity no longer in the model, say) is reported in the
      // log and in FEMAP's message window and keeps its value; the other rows are refreshed.
      const std::optional<std::string> value =
          refreshing.run([&] { return currentValue(pane, input.view()); });
      if (!value) {
        reportRow(pane, "Cannot refresh " + input.name + " (row " + support::formatInteger(row) +
                            "): " + refreshing.failure());
        continue;
      }
      list.setCell(row, exchange::kInputValueColumn, *value);
    }
    lock.release();
    pane.logDebug("Released Femap lock");
    hourglass.restore();
  }
  pane.logPositionAndClearErrorIfAny("At the end of RefreshInputs_Click");
}

}  // namespace inputs
