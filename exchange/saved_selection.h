#pragma once
// The saved selection of a model, base name + "Control.txt" beside the model: the rows of both
// variable lists, hidden fields included, so that the pane can show them again when the model
// is opened. The input rows, one empty line, the output rows; a row's fields joined by tabs in
// grid column order. "Apply" writes it; the pane reads it at start-up and when FEMAP reports a
// model.

#include <string>
#include <string_view>
#include <vector>

#include "exchange/rows.h"
#include "support/text_buffer.h"

namespace exchange {

// ---- writer ----

// One row: its fields joined by tabs. Rows with an empty name are not saved: the caller
// passes only named rows.
void writeSavedRow(support::TextBuffer& file, const InputRowView& row);
void writeSavedRow(support::TextBuffer& file, const OutputRowView& row);
// The empty line that ends the input rows.
void writeSavedSectionEnd(support::TextBuffer& file);

// ---- reader ----

template <class Row>
struct SavedRow {
  std::string text;  // the line as saved
  Row row;           // its fields; fields beyond the row's are dropped, missing ones empty
};

struct SavedSelection {
  std::vector<SavedRow<InputRow>> inputs;    // the lines up to the first empty line
  std::vector<SavedRow<OutputRow>> outputs;  // the lines after it, up to the next empty line
};

SavedSelection parseSavedSelection(std::string_view text);

}  // namespace exchange
