#include "exchange/saved_selection.h"

#include "support/line_reader.h"

namespace exchange {
namespace {

template <std::size_t N>
void writeJoined(support::TextBuffer& file, const std::array<std::string_view, N>& cells) {
  for (std::size_t column = 0; column < N; ++column) {
    if (column > 0) file.add("\t");
    file.add(cells[column]);
  }
  file.line();
}

// The cells of a saved line: the text between tabs, at most `columns` of them.
std::vector<std::string> cellsOfLine(std::string_view line, std::size_t columns) {
  std::vector<std::string> cells;
  std::size_t start = 0;
  while (cells.size() < columns) {
    const std::size_t tab = line.find('\t', start);
    cells.emplace_back(line.substr(start, tab - start));
    if (tab == std::string_view::npos) break;
    start = tab + 1;
  }
  return cells;
}

}  // namespace

void writeSavedRow(support::TextBuffer& file, const InputRowView& row) {
  writeJoined(file, row.cells());
}

void writeSavedRow(support::TextBuffer& file, const OutputRowView& row) {
  writeJoined(file, row.cells());
}

void writeSavedSectionEnd(support::TextBuffer& file) { file.line(); }

SavedSelection parseSavedSelection(std::string_view text) {
  SavedSelection selection;
  support::LineReader lines(text);
  // Each section ends at an empty line (the outputs also at the end of the text).
  while (const auto line = lines.next()) {
    if (line->empty()) break;
    selection.inputs.push_back(
        {std::string(*line), inputRowFromCells(cellsOfLine(*line, kInputColumns))});
  }
  while (const auto line = lines.next()) {
    if (line->empty()) break;
    selection.outputs.push_back(
        {std::string(*line), outputRowFromCells(cellsOfLine(*line, kOutputColumns))});
  }
  return selection;
}

}  // namespace exchange
