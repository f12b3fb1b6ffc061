#pragma once
// Input variables: model entities, functions and load definitions chosen into the input
// grid, and the refresh of their values.
//
// An input row (InputVariable) has six cells: variable name, value, entity type word, entity
// ID, FEMAP member, index. Entity rows carry "Node", "Elem", "Prop" or "Matl"; function rows
// "Function"; load rows "LoadMesh", "LoadGeom", "LoadETemp" or "LoadNTemp". Names are keys
// only: every later reader finds the value through the other cells.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "femap/object.h"
#include "femap/wrappers.h"

namespace pane {
class CorvaneFemapInterface;
class TextCollection;
}  // namespace pane

namespace inputs {

// ---- handlers of the input frame ----

// "Select...": the kind chosen in InputSelection, FEMAP's selection dialog, the picker.
void InputsButton_Click(pane::CorvaneFemapInterface& pane);
// "Refresh Values": re-reads the value of every entity row. A row FEMAP cannot deliver (an
// entity no longer in the model, an ID or index that is not a number, a member the entity
// lacks) is reported, naming the row, in the log and FEMAP's message window and keeps its
// value; every other row is refreshed.
void RefreshInputs_Click(pane::CorvaneFemapInterface& pane);

// ---- the flows behind "Select..." ----

// Adds one row per picked entity of `set` and picked display name (`names`, with the member
// each reads in `members` and the array index of indexed ones in `indexes`); with a
// `propertyType` other than -1 only for properties of that FEMAP type. A new row replaces the
// rows of its name; the list ends sorted by name.
void UpdateInputList(pane::CorvaneFemapInterface& pane, const std::string& entityType,
                     const femap::Set& set, const pane::TextCollection& names,
                     const pane::TextCollection& members, const pane::TextCollection& indexes,
                     std::int32_t propertyType);
// One FEMAP function, picked in FEMAP's function dialog, as one row after the others.
void FetchFunctionData(pane::CorvaneFemapInterface& pane);
// The load definitions picked in the active load set, one row per load component (or one
// temperature), after the others.
void FetchLoadDefinitionData(pane::CorvaneFemapInterface& pane);
// Sets the pane's four component prefixes for a FEMAP load type.
void initialisePrefix(pane::CorvaneFemapInterface& pane, std::int32_t loadType);

// Removes the list's blank first row once a real row stands below it (the function and
// load flows, which append without sorting).
void removeBlankFirstRow(pane::CorvaneFemapInterface& pane);

// ---- naming and tables ----

// The name of an entity input variable: the display name without blanks, "-" and "/", cut to
// 15 characters, then "At", the entity type word and the ID; commas removed from the whole
// (the cut counts them). "ShearAr, K1" on property 5 gives "ShearArK1AtProp5".
std::string inputVariableName(std::string_view displayName, std::string_view entityType,
                              std::int64_t id);
// The name of a load input variable: title + "_" + ID + "_" + prefix, without blanks, "[",
// "]", "." and "/". "Edge Load [1]", 4, "Fx" gives "EdgeLoad1_4_Fx".
std::string loadVariableName(std::string_view title, std::string_view id, std::string_view prefix);

// The component prefixes of a FEMAP load type (empty: the component is not used) and the log
// line that names its group; a type in no group has four empty prefixes and no line.
struct LoadPrefixes {
  std::string_view detection;
  std::array<std::string_view, 4> prefix;
};
LoadPrefixes prefixesOf(std::int32_t loadType);

// The picker's property-type name for a FEMAP property type; empty for a type it has no list
// for (the general property fields).
std::string_view pickerPropertyType(std::int32_t propertyType);

// What the input subsystem keeps for the pane's whole life.
struct InputsState {
  femap::Object feFunction;           // reused by every function selection
  int returnCode = -1;                // FEMAP's answer to the last selection dialog
  std::array<std::string, 4> prefix;  // first to fourth prefix of the last load type
  // The load objects the last definition's loads were read into, by kind.
  femap::Object loadMesh, loadGeom, loadETemp, loadNTemp;
};

}  // namespace inputs
