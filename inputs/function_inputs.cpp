// Function inputs: one FEMAP function, picked in FEMAP's function dialog, becomes one input
// variable that stands for its whole table of X-Y values.
#include "exchange/rows.h"
#include "exchange/vocabulary.h"
#include "femap/return_codes.h"
#include "inputs/inputs.h"
#include "pane/corvane_femap_interface.h"
#include "support/err.h"

namespace inputs {

namespace {

constexpr const char* kFunctionValue = "X-Y Values";

}  // namespace

// Removes the list's blank first row once a real row stands below it.
void removeBlankFirstRow(pane::CorvaneFemapInterface& pane) {
  ui::Grid& list = pane.form().InputsList;
  pane.logDebug("Check for blank variable in Input List");
  if (list.rowCount() > ui::Grid::kFixedRows + 1 && list.cell(1, exchange::kInputNameColumn).empty()) {
    list.removeItem(1);
    pane.logDebug("Blank row found in Input List and hence deleted");
  }
}

void FetchFunctionData(pane::CorvaneFemapInterface& pane) {
  // Every operation's failure is skipped: the flow goes on with the next one.
  support::Err& err = pane.err();
  InputsState& state = pane.subsystemState<InputsState>();
  pane.logPositionAndClearErrorIfAny("Start of fetching function data");
  if (!state.feFunction) {
    if (auto created = err.run([&] { return pane.femap().feFunction(); })) {
      state.feFunction = *created;
    }
    pane.logDebug("initialize function");
  }
  err.clear();

  state.returnCode = femap::kOk;
  if (auto code = err.run([&] {
        return state.feFunction.call("SelectID", "Select Function for Corvane Parameter").asInt();
      })) {
    state.returnCode = *code;
  }

  switch (state.returnCode) {
    case femap::kOk: {
      const std::string id =
          err.run([&] { return state.feFunction.get("ID").asString(); }).value_or("");
      const std::string title =
          err.run([&] { return state.feFunction.get("title").asString(); }).value_or("");
      pane.logDebug("Selected function ID=" + id + " Title=" + title);
      err.run([&] {
        pane.form().InputsList.addRow(exchange::cellsOf(
            exchange::InputRow{title, kFunctionValue, std::string(exchange::kFunctionWord), id, "", ""}));
      });
      pane.logDebug("Added function to Input list Variable Name=" + title +
                    " value=" + kFunctionValue);
      err.run([&] { removeBlankFirstRow(pane); });
      break;
    }
    case femap::kCancel:
      err.run([&] {
        pane.femap().feAppMessage(femap::kMessageError, "Function selection cancelled...");
      });
      pane.logError("Function selection cancelled...");
      break;
    case femap::kNotExist:
      err.run([&] {
        pane.femap().feAppMessage(femap::kMessageInfo, "No Function defined in model...");
      });
      pane.logError("No Function defined in model...");
      break;
    default:
      err.run(
          [&] { pane.femap().feAppMessage(femap::kMessageInfo, "Function selection failed..."); });
      pane.logError("Function selection failed...");
      break;
  }
  pane.logPositionAndClearErrorIfAny("End of fetching function data");
}

}  // namespace inputs
