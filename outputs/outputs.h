#pragma once
// Output variables: results at nodes and elements, their extremes and mass properties chosen
// into the output grid, and the refresh of their values.
//
// An output row (OutputVariable) has five cells: variable name, value, entity reference (entity
// ID, the vector ID as picked for extremes, or the mass-property word), vector reference (the
// vector ID, or the component of a mass-property array), and the kind: "Output", "maxval",
// "minval" or "MassProperties". Names are keys only: readers find the value through the
// other cells.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/vocabulary.h"
#include "femap/wrappers.h"

namespace pane {
class CorvaneFemapInterface;
class TextCollection;
}  // namespace pane

namespace outputs {

// ---- handlers of the output frame ----

// "Select...": the kind chosen in OutputSelection, FEMAP's selection dialog where the kind
// needs entities (the picker once per element type for elements), the picker.
void OutputsButton_Click(pane::CorvaneFemapInterface& pane);
// "Refresh Values": re-reads the value of every row from the model now open. A row FEMAP
// cannot deliver (a vector or entity without a value, a reference that is not a number) ends
// the refresh with a report naming the row; the rows after it keep their values.
void RefreshOutputs_Click(pane::CorvaneFemapInterface& pane);

// Adds the rows of the picked output vectors (`picked`: vector IDs as the picker gives them,
// or mass-property positions for "MeshMass"): with a `set`, one row per vector and entity of
// the set (only elements of `elementType` unless it is -1); without one, a maximum and a
// minimum row per vector. A new row replaces the rows of its name; mass-property rows are
// added as they come. The list ends sorted by name.
void UpdateOutputList(pane::CorvaneFemapInterface& pane, const std::string& entityType,
                      const femap::Set* set, const pane::TextCollection& picked,
                      std::int32_t elementType);

// Makes `output` hold output vector `id` (its text; blanks around it allowed). An ID that is not
// a number or a vector not in the model throws support::RuntimeError.
void getOutputVector(const femap::Object& output, std::string_view id);

// ---- naming and tables ----

// An entity row's name: the first 10 characters of the vector's title without blanks, "-"
// and "/", the vector ID, "At", the entity type word and the entity ID. Vector 1 "Total
// Translation" at node 25 gives "TotalTrans1AtNode25".
std::string entityOutputName(std::string_view title, std::string_view vectorId,
                             std::string_view entityType, std::int64_t entityId);
// A maximum or minimum row's name: the first 14 characters of the cleaned title, `extreme`
// ("MaxAt" or "MinAt"), the entity type word and the vector ID: "TotalTranslatiMaxAtNode1".
std::string extremeOutputName(std::string_view title, std::string_view extreme,
                              std::string_view entityType, std::string_view vectorId);

// The picker's output kind for a FEMAP element type; empty for a type it has no list for
// (all element vectors).
std::string_view pickerOutputKind(std::int32_t elementType);

// Measures the elements of `elements`; FEMAP's failure is thrown.
exchange::MassProperties measureMeshMass(const femap::Application& femap,
                                         const femap::Set& elements);
// The quantity a mass-property word of an output row selects (exchange::massQuantity), with
// the row's component as its text: unused for the scalars, a whole number for the arrays. A
// component that is not a number or lies outside its array throws support::RuntimeError.
std::optional<double> massQuantity(const exchange::MassProperties& mass, std::string_view word,
                                   std::string_view component);

}  // namespace outputs
