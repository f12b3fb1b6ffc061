// "Select..." of the input frame for model entities: FEMAP's selection dialog, the picker
// (once per property type for properties), and the rows of the picked values.
#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "exchange/rows.h"
#include "exchange/vocabulary.h"
#include "inputs/inputs.h"
#include "pane/corvane_femap_interface.h"
#include "pane/guards.h"
#include "pane/variable_list.h"
#include "support/err.h"
#include "support/number_text.h"
#include "support/strings.h"

namespace inputs {

namespace {

using support::formatInteger;

// The entity kinds of InputSelection: FEMAP's entity type code, the entity type word, and
// whether the picker's list depends on the property type.
struct EntityKind {
  std::string_view comboText;
  int entityTypeCode;
  std::string_view word;
  bool splitByPropertyType;
};

constexpr EntityKind kEntityKinds[] = {
    {"Nodes", femap::kNodeType, exchange::kNodeWord, false},
    {"Elements", femap::kElementType, exchange::kElementWord, false},
    {"Properties", femap::kPropertyType, exchange::kPropertyWord, true},
    {"Materials", femap::kMaterialType, exchange::kMaterialWord, false},
};

const EntityKind* entityKind(std::string_view comboText) {
  for (const EntityKind& kind : kEntityKinds) {
    if (kind.comboText == comboText) return &kind;
  }
  return nullptr;
}

void pick(pane::CorvaneFemapInterface& pane) {
  pane.windows().showModal(pane.frmPropertyList(), pane.form());
}

// One picker pass per FEMAP property type among the picked properties, in the order the
// types first appear.
void selectPropertyValues(pane::CorvaneFemapInterface& pane, const femap::Set& set) {
  support::Err& err = pane.err();
  pane::PropertyPicker& picker = pane.frmPropertyList();
  const std::string propertyWord(exchange::kPropertyWord);
  const femap::Object property = pane.femap().create(propertyWord);
  std::vector<std::int32_t> types;
  for (int id = set.Next(); id != 0; id = set.Next()) {
    property.call("Get", id);
    pane.logDebug("Got entity of id = " + formatInteger(id));
    err.run([&] {
      const std::int32_t type = property.get("Type").asInt();
      if (std::find(types.begin(), types.end(), type) == types.end()) types.push_back(type);
    });
  }
  for (const std::int32_t type : types) {
    const bool filled =
        err.run([&] { picker.GetPropertyList(propertyWord, std::string(pickerPropertyType(type))); });
    pane.logDebug("Called the Form Property List for entity type=Prop");
    if (!filled) {
      err.clear();
      picker.GetPropertyList(propertyWord, "");
    }
    pick(pane);
    UpdateInputList(pane, propertyWord, set, picker.collection, picker.femapColl, picker.arrayIndex,
                    type);
  }
}

// The value of one display name on the entity in `entity`, as text; empty when it cannot be
// read (the failure stays pending for the next position marker).
std::string readValue(support::Err& err, const femap::Object& entity, const std::string& member,
                      const std::optional<std::string>& index) {
  const auto value = err.run([&] {
    if (!index) return entity.get(member).asString();
    const std::optional<double> number = support::parseNumber(*index);
    if (!number) throw support::RuntimeError("Type mismatch: the index \"" + *index + "\"");
    return entity.get(member, static_cast<int>(std::trunc(*number))).asString();
  });
  return value.value_or(std::string());
}

}  // namespace

std::string_view pickerPropertyType(std::int32_t propertyType) {
  switch (propertyType) {
    case 1:
      return "Rod";
    case 2:
      return "Bar";
    case 5:
      return "Beam";
    case 11:
    case 12:
      return "Shear";
    case 17:
    case 18:
      return "Plate";
    default:
      return "";
  }
}

std::string inputVariableName(std::string_view displayName, std::string_view entityType,
                              std::int64_t id) {
  const std::string cleaned = support::removeChars(displayName, " -/");
  return support::removeChars(
      pane::leftCharacters(cleaned, 15) + "At" + std::string(entityType) + formatInteger(id), ",");
}

void InputsButton_Click(pane::CorvaneFemapInterface& pane) {
  pane.logPosition("Before click of Select for input parameter");
  const std::string selection = pane.form().InputSelection.text();
  pane.logDebug("input selection is " + selection);
  if (selection == "Functions") {
    FetchFunctionData(pane);
    return;
  }
  if (selection == "LoadDefinition") {
    FetchLoadDefinitionData(pane);
    return;
  }
  const EntityKind* kind = entityKind(selection);
  if (!kind) {
    pane.showError(selection + " type not currently supported");
    return;
  }

  const femap::Set set(pane.femap().feSet());
  set.Select(kind->entityTypeCode, true, "Select " + selection + " to Control");
  if (set.count() > 0) {
    if (kind->splitByPropertyType) {
      selectPropertyValues(pane, set);
    } else {
      pane::PropertyPicker& picker = pane.frmPropertyList();
      picker.GetPropertyList(std::string(kind->word), "");
      pane.logDebug("Called the Form Property List for entity type=" + std::string(kind->word));
      pick(pane);
      UpdateInputList(pane, std::string(kind->word), set, picker.collection, picker.femapColl, picker.arrayIndex,
                      -1);
    }
  }
  pane.logPosition("After click of Select for input parameter");
}

void UpdateInputList(pane::CorvaneFemapInterface& pane, const std::string& entityType,
                     const femap::Set& set, const pane::TextCollection& names,
                     const pane::TextCollection& members, const pane::TextCollection& indexes,
                     std::int32_t propertyType) {
  support::Err& err = pane.err();
  pane.logPositionAndClearErrorIfAny("Before updating input list");
  pane::FemapLock lock(pane.femap());
  pane.logDebug("Aquired FEMAP lock");
  pane::Hourglass hourglass(pane.form());

  const femap::Object entity = pane.femap().create(entityType);
  pane.logDebug("called entity fe" + entityType);
  pane::VariableListUpdate list(pane.form().InputsList, [&](const std::string& name) {
    pane.logDebug("Deleted entry for " + name + "from Input List");
  });

  set.Reset();
  int id = set.Next();
  pane.logDebug("Start iterating over ID");
  for (; id != 0; id = set.Next()) {
    entity.call("Get", id);
    if (propertyType != -1 && entity.get("Type").asInt() != propertyType) continue;
    const std::string idText = formatInteger(id);
    pane.logDebug("Got entity of id = " + idText);
    pane.logDebug("Iterating over property for each property names");
    for (const std::string& displayName : names) {
      const std::string name = inputVariableName(displayName, entityType, id);
      // From here each operation's failure is skipped; the display name's row still comes.
      pane.logPositionAndClearErrorIfAny("Checking for duplicate entry in Input List");
      err.run([&] { list.removeNamed(name); });
      const std::string member = err.run([&] { return members.item(displayName); }).value_or("");
      std::optional<std::string> index;
      if (indexes.contains(displayName)) index = indexes.item(displayName);
      const std::string value = readValue(err, entity, member, index);
      err.run([&] {
        list.append(exchange::cellsOf(
            exchange::InputRow{name, value, entityType, idText, member, index.value_or("")}));
      });
      pane.logDebug("Added variable to Input list Variable Name=" + name + " value=" + value +
                    " EntityType=" + entityType + " ID=" + idText);
    }
  }

  list.commit();
  lock.release();
  pane.logDebug("Released FEMAP lock");
  hourglass.restore();
  pane.logPositionAndClearErrorIfAny("After updating input list");
}

}  // namespace inputs
