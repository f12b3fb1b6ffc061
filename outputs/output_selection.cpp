// "Select..." of the output frame: results at picked nodes and elements, the extremes of
// picked vectors, and the mass properties of the mesh become output rows.
#include <climits>
#include <cmath>
#include <functional>
#include <set>

#include "femap/return_codes.h"
#include "exchange/rows.h"
#include "exchange/vocabulary.h"
#include "outputs/outputs.h"
#include "pane/corvane_femap_interface.h"
#include "pane/guards.h"
#include "pane/variable_list.h"
#include "support/err.h"
#include "support/number_text.h"
#include "support/strings.h"

namespace outputs {

namespace {

using support::formatInteger;
using support::formatNumber;

constexpr const char* kNoResults = "Cannot select outputs without results loaded";

// A mass-property row: its name, the word Respull and the refresh select the quantity by,
// and the component of an array quantity (-1 for a scalar).
struct MassRow {
  const char* name;
  std::string_view word;
  int component;
};

// The rows of each mass-property label, by the label's position in the picker's list.
const std::vector<MassRow>& massRowsOf(int position) {
  using namespace exchange;
  static const std::vector<MassRow> kRows[] = {
      {{"TotalLength", kLengthWord, -1}},
      {{"TotalArea", kAreaWord, -1}},
      {{"TotalVolume", kVolumeWord, -1}},
      {{"StructuralMass", kStructuralMassWord, -1}},
      {{"NonStructuralMass", kNonStructuralMassWord, -1}},
      {{"TotalMass", kTotalMassWord, -1}},
      {{"StructuralCGx", kStructuralCGWord, 0},
       {"StructuralCGy", kStructuralCGWord, 1},
       {"StructuralCGz", kStructuralCGWord, 2}},
      {{"NonStructuralCGx", kNonStructuralCGWord, 0},
       {"NonStructuralCGy", kNonStructuralCGWord, 1},
       {"NonStructuralCGz", kNonStructuralCGWord, 2}},
      {{"TotalCGx", kTotalCGWord, 0}, {"TotalCGy", kTotalCGWord, 1}, {"TotalCGz", kTotalCGWord, 2}},
      {{"Inertia1", kInertiaWord, 0},
       {"Inertia2", kInertiaWord, 1},
       {"Inertia3", kInertiaWord, 2},
       {"Inertia4", kInertiaWord, 3},
       {"Inertia5", kInertiaWord, 4},
       {"Inertia6", kInertiaWord, 5}},
      {{"InertiaCG1", kInertiaCGWord, 0},
       {"InertiaCG2", kInertiaCGWord, 1},
       {"InertiaCG3", kInertiaCGWord, 2},
       {"InertiaCG4", kInertiaCGWord, 3},
       {"InertiaCG5", kInertiaCGWord, 4},
       {"InertiaCG6", kInertiaCGWord, 5}},
  };
  static const std::vector<MassRow> kNone;
  return position >= 0 && position < static_cast<int>(std::size(kRows)) ? kRows[position] : kNone;
}

std::string cleanedTitle(std::string_view title) { return support::removeChars(title, " -/"); }

void pick(pane::CorvaneFemapInterface& pane) {
  pane.windows().showModal(pane.frmPropertyList(), pane.form());
}

// One update of OutputsList.
class OutputListUpdate {
 public:
  explicit OutputListUpdate(pane::CorvaneFemapInterface& pane)
      : pane_(pane),
        err_(pane.err()),
        list_(pane.form().OutputsList, [this](const std::string& name) {
          pane_.logDebug("Deleted entry for " + name + "from Output List");
        }) {}

  // The row of `name` replaces the rows of that name. Reading its value is part of appending
  // it: a value FEMAP cannot deliver skips the row, and the failure waits for the next
  // position marker.
  void replace(const std::string& name, const std::function<femap::Variant()>& value,
               const std::function<exchange::OutputRow(std::string value)>& row) {
    pane_.logPositionAndClearErrorIfAny("Before checking for duplicate entry in Output List");
    err_.run([&] { list_.removeNamed(name); });
    pane_.logPositionAndClearErrorIfAny("After checking for duplicate entry in Output List");
    err_.run([&] { list_.append(exchange::cellsOf(row(value().asString()))); });
    err_.run([&] {
      pane_.logDebug("Added variable to Output list Variable Name=" + name +
                     " value=" + value().asString());
    });
  }

  void entityRows(const std::string& entityType, const femap::Set& set,
                  const pane::TextCollection& picked, std::int32_t elementType) {
    const femap::Object output = pane_.femap().feOutput();
    pane_.logDebug(" Output title is " + output.get("Title").asString() + " And Id is " +
                   output.get("ID").asString());
    const femap::Object entity = pane_.femap().create(entityType);
    for (const std::string& vector : picked) {
      getOutputVector(output, vector);
      pane_.logDebug("Got entity of id = " + vector);
      const std::string title = output.get("Title").asString();
      const std::string vectorId = support::trim(vector);
      set.Reset();
      for (int id = set.Next(); id != 0; id = set.Next()) {
        entity.call("Get", id);
        const std::string idText = formatInteger(id);
        pane_.logDebug("Got entity of id = " + idText);
        if (elementType != -1 && entity.get("Type").asInt() != elementType) continue;
        const std::string name = entityOutputName(title, vectorId, entityType, id);
        replace(
            name, [&] { return output.get("Value", id); },
            [&](std::string value) {
              return exchange::OutputRow{name, std::move(value), idText, vectorId,
                                         std::string(exchange::kOutputKind)};
            });
      }
    }
  }

  void extremeRows(const std::string& entityType, const pane::TextCollection& picked) {
    const femap::Object output = pane_.femap().feOutput();
    pane_.logDebug(" Output title is " + output.get("Title").asString() + " And Id is " +
                   output.get("ID").asString());
    pane_.femap().create(entityType);
    for (const std::string& vector : picked) {
      getOutputVector(output, vector);
      pane_.logDebug("Got entity of id = " + vector);
      const std::string title = output.get("Title").asString();
      const std::string vectorId = support::trim(vector);
      for (const std::string_view kind : {exchange::kMaxKind, exchange::kMinKind}) {
        const std::string name = extremeOutputName(
            title, kind == exchange::kMaxKind ? "MaxAt" : "MinAt", entityType, vectorId);
        replace(
            name, [&] { return output.get(kind); },
            [&](std::string value) {
              return exchange::OutputRow{name, std::move(value), vector, vectorId,
                                         std::string(kind)};
            });
      }
    }
  }

  void massRows(const pane::TextCollection& picked) {
    pane_.logDebug("Found MeshMass entity type");
    const femap::Set elements(pane_.femap().feSet());
    elements.AddAll(femap::kElementType);
    pane_.logDebug("Called elemSet.AddAll(8)");
    const exchange::MassProperties mass = measureMeshMass(pane_.femap(), elements);
    pane_.logDebug("Called feMeasureMeshMassProp to compute total mass values");
    for (const std::string& entry : picked) {
      const std::optional<double> position = support::parseNumber(entry);
      if (!position || *position != std::trunc(*position)) continue;
      const std::vector<MassRow>& rows = massRowsOf(static_cast<int>(*position));
      std::string values[6];
      for (std::size_t k = 0; k < rows.size(); ++k) {
        const MassRow& row = rows[k];
        const std::string component = row.component < 0 ? "" : formatInteger(row.component);
        values[k] = formatNumber(*exchange::massQuantity(mass, row.word, row.component));
        // Mass properties are added as they come, without looking for their names.
        list_.append(exchange::cellsOf(exchange::OutputRow{
            row.name, values[k], std::string(row.word), component,
            std::string(exchange::kMassPropertiesKind)}));
        if (rows.size() == 1) {
          pane_.logDebug("Added variable to Output list Variable Name=" + std::string(row.name) +
                         "  value=" + values[k]);
        } else if (rows.size() == 6) {
          pane_.logDebug("Added variable to Output list Variable Name=" + std::string(row.word) +
                         formatInteger(row.component + 1) + " value=" + values[k]);
        }
      }
      if (rows.size() == 3) {
        pane_.logDebug("Added variable to Output list Variable Name=" + std::string(rows[0].word) +
                       "  value: x=" + values[0] + " y=" + values[1] + " z=" + values[2]);
      }
    }
  }

  void commit() { list_.commit(); }

 private:
  pane::CorvaneFemapInterface& pane_;
  support::Err& err_;
  pane::VariableListUpdate list_;
};

// One picker pass per element type among the picked elements, in the order the types first
// appear in ascending element ID order.
void selectElementOutputs(pane::CorvaneFemapInterface& pane, const femap::Set& selection) {
  support::Err& err = pane.err();
  pane::PropertyPicker& picker = pane.frmPropertyList();
  const femap::Object element = pane.femap().create("Elem");
  // UpdateOutputList walks its own copy, so this walk over the selection goes on undisturbed.
  const femap::Set elements(pane.femap().feSet());
  elements.Copy(selection.ID());
  std::set<std::int32_t> types;
  for (int id = selection.Next(); id != 0; id = selection.Next()) {
    element.call("Get", id);
    std::optional<std::int32_t> firstOfType;
    err.run([&] {
      const std::int32_t type = element.get("Type").asInt();
      if (types.insert(type).second) firstOfType = type;
    });
    if (firstOfType) {
      const std::string_view kind = pickerOutputKind(*firstOfType);
      if (!err.run([&] { picker.GetPropertyList("Output", std::string(kind)); })) {
        err.clear();
        picker.GetPropertyList("Output", "");
      }
      pick(pane);
      UpdateOutputList(pane, "Elem", &elements, picker.arrayIndex, *firstOfType);
    }
    err.clear();
  }
}

}  // namespace

void getOutputVector(const femap::Object& output, std::string_view id) {
  if (output.call("Get", exchange::rowInteger(id, "output vector ID")).asInt() != femap::kOk) {
    throw support::RuntimeError("Output vector " + support::trim(id) + " is not in the model");
  }
}

std::string entityOutputName(std::string_view title, std::string_view vectorId,
                             std::string_view entityType, std::int64_t entityId) {
  return pane::leftCharacters(cleanedTitle(title), 10) + std::string(vectorId) + "At" +
         std::string(entityType) + formatInteger(entityId);
}

std::string extremeOutputName(std::string_view title, std::string_view extreme,
                              std::string_view entityType, std::string_view vectorId) {
  return pane::leftCharacters(cleanedTitle(title), 14) + std::string(extreme) +
         std::string(entityType) + std::string(vectorId);
}

std::string_view pickerOutputKind(std::int32_t elementType) {
  switch (elementType) {
    case 1:
    case 2:
    case 5:
      return "LineElement";
    case 11:
    case 12:
      return "ShearPanel";
    case 17:
    case 18:
      return "PlateElement";
    case 21:
    case 22:
      return "LaminateElement";
    case 25:
    case 26:
      return "SolidElement";
    default:
      return "";
  }
}

void OutputsButton_Click(pane::CorvaneFemapInterface& pane) {
  pane.logPosition("At start of OutputsButton_Click");
  const femap::Set vectors(pane.femap().feSet());
  vectors.AddAll(femap::kOutputVectorType);
  if (vectors.count() == 0) {
    pane.showError(kNoResults);
    return;
  }
  const std::string selection = pane.form().OutputSelection.text();
  pane.logDebug("output selection is " + selection);
  pane::PropertyPicker& picker = pane.frmPropertyList();

  if (selection == "Mass Properties") {
    picker.GetPropertyList("MeshMass", "");
    pick(pane);
    UpdateOutputList(pane, "MeshMass", nullptr, picker.arrayIndex, -1);
    return;
  }
  if (selection == "Nodes Min/Max") {
    picker.GetPropertyList("Output", "Node");
    pick(pane);
    UpdateOutputList(pane, "Node", nullptr, picker.arrayIndex, -1);
    pane.logDebug("Called update output list for Node");
  } else if (selection == "Elements Min/Max") {
    picker.GetPropertyList("Output", "AllElements");
    pick(pane);
    UpdateOutputList(pane, "Elem", nullptr, picker.arrayIndex, -1);
    pane.logDebug("Called update output list for entity type=Elem");
  } else if (selection == "Nodes" || selection == "Elements") {
    const bool nodes = selection == "Nodes";
    const femap::Set selected(pane.femap().feSet());
    selected.Select(nodes ? femap::kNodeType : femap::kElementType, true,
                    "Select " + selection + " to Analyze");
    if (selected.count() > 0) {
      if (nodes) {
        picker.GetPropertyList("Output", "Node");
        pick(pane);
        UpdateOutputList(pane, "Node", &selected, picker.arrayIndex, -1);
        pane.logDebug("Called update output list for Node");
      } else {
        selectElementOutputs(pane, selected);
      }
    }
  } else {
    return;
  }
  pane.logPosition("At end of OutputsButton_Click");
}

void UpdateOutputList(pane::CorvaneFemapInterface& pane, const std::string& entityType,
                      const femap::Set* set, const pane::TextCollection& picked,
                      std::int32_t elementType) {
  pane.logPositionAndClearErrorIfAny("Before updating output list");
  pane::FemapLock lock(pane.femap());
  pane.logDebug("Acquired Femap lock");
  pane::Hourglass hourglass(pane.form());

  OutputListUpdate list(pane);
  if (entityType == "MeshMass") {
    list.massRows(picked);
  } else if (set) {
    list.entityRows(entityType, *set, picked, elementType);
  } else {
    list.extremeRows(entityType, picked);
  }
  list.commit();

  lock.release();
  pane.logDebug("Released FEMAP lock");
  hourglass.restore();
  pane.logPositionAndClearErrorIfAny("After updating output list");
}

}  // namespace outputs
