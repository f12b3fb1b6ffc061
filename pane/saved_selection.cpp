// The saved selection of a model beside the model file (exchange/saved_selection.h): written by
// "Apply" from both grids, rows with an empty variable name left out; read back into the grids
// at start-up and when FEMAP reports a model.
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

#include "exchange/saved_selection.h"
#include "exchange/vocabulary.h"
#include "pane/corvane_femap_interface.h"
#include "pane/variable_rows.h"
#include "support/paths.h"
#include "support/text_buffer.h"
#include "support/text_file.h"

namespace pane {

namespace {

constexpr const char* kModelNeverSaved = "Model must be saved in .MOD format first";

std::string controlFileOf(const std::string& modelPath) {
  return support::modelDirectory(modelPath) +
         exchange::savedSelectionFileName(support::modelBaseName(modelPath));
}

// The whole file, or nothing when it cannot be opened (never saved, a folder of that name).
// A failure while reading an opened file is thrown.
std::optional<std::string> readIfItOpens(const std::string& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return std::nullopt;
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::string content;
  char buffer[1 << 16];
  errno = 0;
  while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
    content.append(buffer, static_cast<std::size_t>(file.gcount()));
  }
  if (file.bad()) {
    throw std::system_error(errno ? errno : EIO, std::generic_category(),
                            "Cannot read the file " + path);
  }
  return content;
}

}  // namespace

void CorvaneFemapInterface::Save_Config() {
  logPosition("At start of Save_Config");
  const std::string modelPath = femap_.ModelName();
  if (modelPath.empty()) {
    showError(kModelNeverSaved);
  } else {
    const std::string path = controlFileOf(modelPath);
    support::TextFileWriter file(path);
    logDebug("Opened file " + path + " to write");
    support::TextBuffer text(&file);
    const ui::Grid& inputs = form_.InputsList;
    for (int row = ui::Grid::kFixedRows; row < inputs.rowCount(); ++row) {
      const exchange::InputRowView input = inputRowAt(inputs, row);
      if (!input.name.empty()) exchange::writeSavedRow(text, input);
    }
    exchange::writeSavedSectionEnd(text);
    const ui::Grid& outputs = form_.OutputsList;
    for (int row = ui::Grid::kFixedRows; row < outputs.rowCount(); ++row) {
      const exchange::OutputRowView output = outputRowAt(outputs, row);
      if (!output.name.empty()) exchange::writeSavedRow(text, output);
    }
    text.flush();
    file.commit();
    logDebug("Closed file " + path);
  }
  logPosition("At start of Save_Config");
}

void CorvaneFemapInterface::Load_Click() {
  logPosition("At start of Load_Click");
  const std::string modelPath = femap_.ModelName();
  if (modelPath.empty()) {
    showError(kModelNeverSaved);
    return;
  }
  logDebug("fileBase=" + support::modelBaseName(modelPath));
  logPositionAndClearErrorIfAny("In the Load_Click");
  const std::optional<std::string> content = readIfItOpens(controlFileOf(modelPath));
  if (!content) {
    err_.clear();
    return;
  }
  ClearAll_Click();

  const exchange::SavedSelection saved = exchange::parseSavedSelection(*content);
  // The first row of a section takes the place of the grid's blank row.
  auto loadSection = [&](ui::Grid& grid, const auto& rows, const std::string& listName) {
    bool first = true;
    for (const auto& saved : rows) {
      grid.addRow(exchange::cellsOf(saved.row));
      logDebug("Added " + saved.text + " to " + listName + " list");
      if (first) {
        grid.removeItem(1);
        logDebug("Removed 1 from " + listName + " list");
        first = false;
      }
    }
  };
  loadSection(form_.InputsList, saved.inputs, "Input");
  loadSection(form_.OutputsList, saved.outputs, "Output");
}

}  // namespace pane
