// The saved selection of a model: both grids, hidden columns included, in the text file
// model directory + base name + "Control.txt" beside the model. Input rows, one empty line,
// output rows; cells joined by tabs; rows whose variable name is empty are not saved.
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

#include "pane/corvane_femap_interface.h"
#include "support/paths.h"
#include "support/text_file.h"

namespace pane {

namespace {

constexpr const char* kModelNeverSaved = "Model must be saved in .MOD format first";

std::string controlFileOf(const std::string& modelPath) {
  return support::modelDirectory(modelPath) + support::modelBaseName(modelPath) + "Control.txt";
}

void writeRows(support::TextFileWriter& file, const ui::Grid& grid) {
  std::string line;
  for (int row = ui::Grid::kFixedRows; row < grid.rowCount(); ++row) {
    if (grid.cell(row, 0).empty()) continue;
    line.clear();
    for (int column = 0; column < grid.columnCount(); ++column) {
      if (column > 0) line += '\t';
      line += grid.cell(row, column);
    }
    file.writeLine(line);
  }
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

// Reads the lines of a text one by one; lines end with LF or CR LF.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  // The next line, or nothing at the end of the text.
  std::optional<std::string_view> next() {
    if (position_ >= text_.size()) return std::nullopt;
    std::size_t end = text_.find('\n', position_);
    if (end == std::string_view::npos) end = text_.size();
    std::string_view line = text_.substr(position_, end - position_);
    position_ = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
  }

 private:
  std::string_view text_;
  std::size_t position_ = 0;
};

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
    writeRows(file, form_.InputsList);
    file.writeLine("");
    writeRows(file, form_.OutputsList);
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

  LineReader lines(*content);
  // Each section ends at an empty line (the outputs also at the end of the file). The first
  // row of a section takes the place of the grid's blank row.
  auto loadSection = [&](ui::Grid& grid, const std::string& listName) {
    bool first = true;
    while (const auto line = lines.next()) {
      if (line->empty()) return;
      grid.addItem(*line);
      logDebug("Added " + std::string(*line) + " to " + listName + " list");
      if (first) {
        grid.removeItem(1);
        logDebug("Removed 1 from " + listName + " list");
        first = false;
      }
    }
  };
  loadSection(form_.InputsList, "Input");
  loadSection(form_.OutputsList, "Output");
}

}  // namespace pane
