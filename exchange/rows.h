#pragma once
// The two kinds of variable row: an input variable (a row of the pane's input list) and an
// output variable (a row of its output list). A row's fields are text exactly as the grids
// show them and the exchange files carry them; nothing is converted or checked here.
//
// A row comes as a value (fields held as std::string: rows being built or read from a file)
// or as a view (fields as std::string_view into a grid or a file, for the writers that only
// copy them). Every writer takes the view; view() gives it for either.
//
// The order of the grid columns is fixed by InputColumn and OutputColumn; cellsOf and
// fromCells are the only translation between a row and a grid's cells.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace exchange {

// The columns of the input list.
enum InputColumn : int {
  kInputNameColumn,
  kInputValueColumn,
  kInputEntityTypeColumn,
  kInputEntityIdColumn,
  kInputMemberColumn,
  kInputIndexColumn,
  kInputColumns
};

template <class Text>
struct BasicInputRow {
  Text name;
  Text value;       // the current value; "X-Y Values" for a function row
  Text entityType;  // "Node", "Elem", "Prop", "Matl", "Function" or a load kind
  Text entityId;    // the entity, function or load-definition ID
  Text member;      // the FEMAP member the value goes into; a load row's component; empty
  Text index;       // the index into an indexed member, or a load row's component; may be empty

  // The fields in grid column order.
  std::array<std::string_view, kInputColumns> cells() const {
    return {name, value, entityType, entityId, member, index};
  }
  BasicInputRow<std::string_view> view() const {
    return {name, value, entityType, entityId, member, index};
  }
  bool operator==(const BasicInputRow&) const = default;
};

// The columns of the output list.
enum OutputColumn : int {
  kOutputNameColumn,
  kOutputValueColumn,
  kOutputEntityColumn,
  kOutputVectorColumn,
  kOutputKindColumn,
  kOutputColumns
};

template <class Text>
struct BasicOutputRow {
  Text name;
  Text value;   // the current value
  Text entity;  // the node or element ID; the vector ID of an extreme; a mass-property word
  Text vector;  // the output vector ID; the component of a mass-property array (may be empty)
  Text kind;    // "Output", "maxval", "minval" or "MassProperties"

  std::array<std::string_view, kOutputColumns> cells() const {
    return {name, value, entity, vector, kind};
  }
  BasicOutputRow<std::string_view> view() const { return {name, value, entity, vector, kind}; }
  bool operator==(const BasicOutputRow&) const = default;
};

using InputRow = BasicInputRow<std::string>;
using InputRowView = BasicInputRow<std::string_view>;
using OutputRow = BasicOutputRow<std::string>;
using OutputRowView = BasicOutputRow<std::string_view>;

// A field that holds a whole number (an entity, vector or function ID, an index, a component)
// as a 32-bit integer; throws support::RuntimeError, naming the field as `what`, when it is
// none.
int rowInteger(std::string_view field, std::string_view what);

// A row that keeps its fields, from one that views them.
inline InputRow ownedRow(const InputRowView& row) {
  return {std::string(row.name),     std::string(row.value),  std::string(row.entityType),
          std::string(row.entityId), std::string(row.member), std::string(row.index)};
}
inline OutputRow ownedRow(const OutputRowView& row) {
  return {std::string(row.name), std::string(row.value), std::string(row.entity),
          std::string(row.vector), std::string(row.kind)};
}

// A grid's row as a variable row: cells beyond the row's columns are dropped, missing ones
// read as empty.
InputRow inputRowFromCells(const std::vector<std::string>& cells);
OutputRow outputRowFromCells(const std::vector<std::string>& cells);

// A variable row as a grid's cells, in column order.
template <class Row>
std::vector<std::string> cellsOf(const Row& row) {
  const auto fields = row.cells();
  return std::vector<std::string>(fields.begin(), fields.end());
}

}  // namespace exchange
