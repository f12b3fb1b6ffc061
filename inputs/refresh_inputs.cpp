// "Refresh Values" of the input frame: every entity row re-reads its value from the open
// model through its hidden cells (entity type word, ID, member, index).
#include <climits>
#include <cstdint>
#include <optional>
#include <string>

#include "femap/return_codes.h"
#include "inputs/inputs.h"
#include "pane/corvane_femap_interface.h"
#include "pane/guards.h"
#include "support/err.h"
#include "support/number_text.h"

namespace inputs {

namespace {

constexpr int kNameColumn = 0;
constexpr int kValueColumn = 1;
constexpr int kTypeColumn = 2;
constexpr int kIdColumn = 3;
constexpr int kMemberColumn = 4;
constexpr int kIndexColumn = 5;

// Rows whose value is not an entity member: they keep the value they were given.
bool keepsItsValue(const std::string& type) {
  return type.empty() || type == "LoadMesh" || type == "Function" || type == "LoadGeom" ||
         type == "LoadETemp" || type == "LoadNTemp";
}

int wholeNumber(const std::string& text, std::string_view what) {
  const std::optional<std::int64_t> number = support::parseInteger(text);
  if (!number || *number < INT32_MIN || *number > INT32_MAX) {
    throw support::RuntimeError("the " + std::string(what) + " \"" + text + "\" is not a number");
  }
  return static_cast<int>(*number);
}

void refreshRow(pane::CorvaneFemapInterface& pane, ui::Grid& list, int row) {
  const std::string& type = list.cell(row, kTypeColumn);
  const femap::Object entity = pane.femap().create(type);
  pane.logDebug("Called the entity " + type + " to update");
  const int id = wholeNumber(list.cell(row, kIdColumn), "entity ID");
  if (entity.call("Get", id).asInt() != femap::kOk) {
    throw support::RuntimeError(type + " " + support::formatInteger(id) + " is not in the model");
  }
  const std::string& member = list.cell(row, kMemberColumn);
  const std::string& index = list.cell(row, kIndexColumn);
  const femap::Variant value =
      index.empty() ? entity.get(member) : entity.get(member, wholeNumber(index, "index"));
  list.setCell(row, kValueColumn, value.asString());
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
    for (int row = ui::Grid::kFixedRows; row < list.rowCount(); ++row) {
      pane.logDebug("Entry:  Name=" + list.cell(row, kNameColumn) + "  Value=" +
                    list.cell(row, kValueColumn) + "  Type=" + list.cell(row, kTypeColumn));
      if (keepsItsValue(list.cell(row, kTypeColumn))) continue;
      // A row FEMAP cannot deliver ends the refresh here; the report names it, and the lock
      // and the pointer are given back on the way out.
      try {
        refreshRow(pane, list, row);
      } catch (...) {
        throw support::RuntimeError("Cannot refresh " + list.cell(row, kNameColumn) + " (row " +
                                    support::formatInteger(row) +
                                    "): " + support::currentExceptionDescription());
      }
    }
    lock.release();
    pane.logDebug("Released Femap lock");
    hourglass.restore();
  }
  pane.logPositionAndClearErrorIfAny("At the end of RefreshInputs_Click");
}

}  // namespace inputs
