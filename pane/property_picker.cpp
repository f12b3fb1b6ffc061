#include "pane/property_picker.h"

#include "femap/connect.h"
#include "femap/return_codes.h"
#include "femap/wrappers.h"
#include "support/err.h"
#include "support/number_text.h"
#include "support/strings.h"

namespace pane {

namespace {

// The lists the picker offers, in list order.
// clang-format off
constexpr std::initializer_list<const char*> kNodeList = {"x", "y", "z", "defCSys", "outCSys"};
constexpr std::initializer_list<const char*> kElementList = {
    "orientA", "orientB", "orientC", "node1", "node2", "node3", "node4", "node5",
    "MaterialAngle", "PlateOffset", "geomID", "orientID", "topology"};
constexpr std::initializer_list<const char*> kBarBeamList = {
    "End A Area", "I1", "I2", "I12", "J", "ShearAr, K1", "ShearAr, K2", "NS Mass/Len"};
constexpr std::initializer_list<std::int16_t> kBarBeamIndexes = {0, 1, 2, 3, 4, 5, 6, 7};
constexpr std::initializer_list<const char*> kPlateList = {
    "Thickness", "Thick Corn2", "Thick Corn3", "Thick Corn4", "NS Mass/Len", "Top Fiber",
    "Bot Fiber"};
constexpr std::initializer_list<std::int16_t> kPlateIndexes = {0, 1, 2, 3, 7, 8, 9};
constexpr std::initializer_list<const char*> kRodList = {
    "Area", "J", "Ctors", "NS Mass/Len", "Initial Tension"};
constexpr std::initializer_list<std::int16_t> kRodIndexes = {0, 4, 5, 7, 8};
// Members every property has; they are read by name, not from the value array.
constexpr std::initializer_list<const char*> kGeneralPropertyFields = {
    "Color", "layer", "type", "matlID", "refCS"};
constexpr std::initializer_list<const char*> kMaterialList = {
    "Ex", "Ey", "Ez", "Gx", "Gy", "Gz", "Nuxy", "Nuyz", "Nuxz",
    "Alphaxx", "Alphayy", "Alphazz", "Alphaxy", "Alphayz", "Alphaxz",
    "Kxx", "Kyy", "Kzz", "Kxy", "Kyz", "Kxz", "Cp", "Density", "Damping", "RefTemp",
    "TensionLimit1", "TensionLimit2", "CompressionLimit1", "CompressionLimit2", "ShearLimit",
    "TsaiWu"};
constexpr std::initializer_list<const char*> kBodyLoadList = {
    "BodyAccelA", "BodyAccelB", "BodyAccelC", "BodyAccelD", "BodyAccelE", "BodyAccelF",
    "BodyVelocityA", "BodyVelocityB", "BodyVelocityC", "BodyOriginA", "BodyOriginB",
    "BodyOriginC", "BodyDefTemp", "BodyRefTemp", "StefanBoltzmann", "RadiationAmbientElem",
    "TempOffset", "FreeConvExponent", "FCFluidCoductivity", "FCFluidHeatCapacity",
    "FCFluidViscosity", "FCFluidDensity"};
constexpr std::initializer_list<const char*> kMassPropertyList = {
    "Length", "Area", "Volume", "MassStructural", "MassNonStructural", "MassTotal",
    "StructuralCG", "NonStructuralCG", "TotalCG", "Inertia", "InertiaCG"};
constexpr std::initializer_list<const char*> kConstraintList = {
    "Degrees of freedom 0", "Degrees of freedom 1", "Degrees of freedom 2",
    "Degrees of freedom 3", "Degrees of freedom 4", "Degrees of freedom 5",
    "color", "layer", "expanded"};
// clang-format on

bool isGeneralPropertyField(std::string_view label) {
  for (const char* field : kGeneralPropertyFields) {
    if (label == field) return true;
  }
  return false;
}

// Files one entry text by its output vector's ID.
void file(OutputVectorCatalogue& catalogue, int id, std::string entry) {
  if (id >= 3000 && id <= 89999) catalogue.allElemOutputVectors.push_back(entry);
  if (id < 3000) {
    catalogue.nodeOutputVectors.push_back(std::move(entry));
  } else if (id < 6000) {
    catalogue.lineOutputVectors.push_back(std::move(entry));
  } else if (id < 60000) {
    catalogue.plateOutputVectors.push_back(std::move(entry));
  } else if (id < 80000) {
    catalogue.solidOutputVectors.push_back(std::move(entry));
  } else if (id < 90000) {
    catalogue.commonElemOutputVectors.push_back(std::move(entry));
  } else if (id < 100000) {
    catalogue.patranOutputVectors.push_back(std::move(entry));
  } else if (id < 300000) {
    catalogue.cornerOutputVectors.push_back(std::move(entry));
  } else {
    catalogue.highIdOutputVectors.push_back(std::move(entry));
  }
}

}  // namespace

// ---------------------------------------------------------------- field and index of a pick

void PropIndexMap::add(std::string_view label, std::int16_t index) {
  if (!indexOf_.emplace(support::toLower(label), index).second) {
    throw support::RuntimeError("The key \"" + std::string(label) +
                                "\" is already associated with an element of this collection");
  }
}

std::int16_t PropIndexMap::item(std::string_view label) const {
  const auto found = indexOf_.find(support::toLower(label));
  if (found == indexOf_.end()) {
    throw support::RuntimeError("The property \"" + std::string(label) +
                                "\" has no index in FEMAP's property values");
  }
  return found->second;
}

PickedField pickedField(std::string_view entityType, std::string_view label, int position,
                        const PropIndexMap& propIndexMap) {
  if (entityType == "Prop" && !isGeneralPropertyField(label)) {
    return {"pval", propIndexMap.item(label)};
  }
  // "orientID" is the element's own orientation ID, a scalar like "geomID", and that is what
  // the engineer picks by that label; the "orient" array below holds only the three
  // components of the orientation vector.
  if (label == "orientID") return {"orientID", std::nullopt};
  // The array labels stand in their list in array order, so the position less the first
  // label's position is the index.
  struct ArrayLabels {
    std::string_view prefix;
    const char* field;
    int firstPosition;
  };
  static constexpr ArrayLabels kArrays[] = {
      {"orient", "orient", 0},      {"node", "node", 3},        {"BodyAccel", "BodyAccel", 0},
      {"BodyV", "BodyVelocity", 6}, {"BodyO", "BodyOrigin", 9}, {"Degrees", "dof", 0},
  };
  for (const ArrayLabels& array : kArrays) {
    if (label.starts_with(array.prefix)) return {array.field, position - array.firstPosition};
  }
  // Mass properties are told apart by their list position.
  if (entityType == "MeshMass") return {std::string(label), position};
  return {std::string(label), std::nullopt};
}

// ---------------------------------------------------------------- the dialog

PropertyPicker::PropertyPicker()
    : ui::Form("frmPropertyList", "Select Properties", 4800, 5400),
      Label2(add<ui::Label>("Label2", nullptr, ui::Bounds{120, 120, 4560, 252}, 0, "Properties:")),
      lstProperties(
          add<ui::ListBox>("lstProperties", nullptr, ui::Bounds{120, 420, 4560, 4080}, 1)),
      cmdSelect(
          add<ui::Button>("cmdSelect", nullptr, ui::Bounds{120, 4680, 1050, 372}, 2, "Select All")),
      cmdDeSelect(add<ui::Button>("cmdDeSelect", nullptr, ui::Bounds{1290, 4680, 1050, 372}, 3,
                                  "Deselect All")),
      cmdCancel(
          add<ui::Button>("cmdCancel", nullptr, ui::Bounds{2460, 4680, 1050, 372}, 4, "Cancel")),
      cmdAdd(add<ui::Button>("cmdAdd", nullptr, ui::Bounds{3630, 4680, 1050, 372}, 5, "OK")) {
  cmdSelect.onClick = [this] {
    for (int entry = 0; entry < lstProperties.count(); ++entry)
      lstProperties.setSelected(entry, true);
  };
  cmdDeSelect.onClick = [this] {
    for (int entry = 0; entry < lstProperties.count(); ++entry)
      lstProperties.setSelected(entry, false);
  };
  cmdCancel.onClick = [this] { setVisible(false); };
  cmdAdd.onClick = [this] {
    setVisible(false);
    recordPicks();
  };
  // The dialog's first load offers the constraint list; every caller's fill replaces it.
  fill("BCNode", "");
}

void PropertyPicker::GetPropertyList(const std::string& entityType, const std::string& propType) {
  femap_ = femap::attach(femap::kFemapProgId);
  fill(entityType, propType);
}

void PropertyPicker::fill(const std::string& entityType, const std::string& propType) {
  propIndexMap_.clear();
  collection.clear();
  femapColl.clear();
  arrayIndex.clear();
  lstProperties.clear();
  entityType_ = entityType;

  if (entityType == "Node") {
    Label2.setCaption("Node Properties");
    offer(kNodeList);
  } else if (entityType == "Elem") {
    Label2.setCaption("Element Properties");
    offer(kElementList);
  } else if (entityType == "Prop") {
    if (propType == "Bar" || propType == "Beam") {
      Label2.setCaption(propType + " Properties");
      offerPropertyList(kBarBeamList, kBarBeamIndexes);
    } else if (propType == "Plate") {
      Label2.setCaption("Plate Properties");
      offerPropertyList(kPlateList, kPlateIndexes);
    } else if (propType == "Rod") {
      Label2.setCaption("Rod Properties");
      offerPropertyList(kRodList, kRodIndexes);
    } else {
      Label2.setCaption("Undefined Property");
    }
    offer(kGeneralPropertyFields);
  } else if (entityType == "Matl") {
    Label2.setCaption("Material Properties");
    offer(kMaterialList);
  } else if (entityType == "LoadSet") {
    Label2.setCaption("LoadSet Properties");
    offer(kBodyLoadList);
  } else if (entityType == "Output") {
    const OutputVectorCatalogue& c = catalogue_;
    if (propType == "Node") {
      Label2.setCaption("Node Output Properties");
      offer(c.nodeOutputVectors);
    } else if (propType == "LineElement") {
      Label2.setCaption("Line Element Output Properties");
      offer(c.lineOutputVectors);
      offer(c.commonElemOutputVectors);
    } else if (propType == "PlateElement") {
      Label2.setCaption("Plate Element Output Properties");
      offer(c.plateOutputVectors);
      offer(c.commonElemOutputVectors);
    } else if (propType == "SolidElement") {
      Label2.setCaption("Solid Element Output Properties");
      offer(c.solidOutputVectors);
      offer(c.commonElemOutputVectors);
    } else if (propType == "LaminateElement") {
      Label2.setCaption("Laminate Element Output Properties");
      offer(c.plateOutputVectors);
      offer(c.commonElemOutputVectors);
    } else if (propType == "ShearPanel") {
      Label2.setCaption("Shear Panel Output Properties");
      offer(c.plateOutputVectors);
      offer(c.commonElemOutputVectors);
    } else if (propType == "AllElements") {
      Label2.setCaption("All Element Output Properties");
      offer(c.allElemOutputVectors);
    } else if (propType == "PATRAN") {
      Label2.setCaption("PATRAN Element Output Properties");
      offer(c.patranOutputVectors);
    } else if (propType == "Corner") {
      Label2.setCaption("Plate Corner Output Properties");
      offer(c.cornerOutputVectors);
    } else {
      Label2.setCaption("Undefined Output Property");
      offer(c.allElemOutputVectors);
    }
  } else if (entityType == "MeshMass") {
    Label2.setCaption("Total Mesh Properties");
    offer(kMassPropertyList);
  } else if (entityType == "BCNode" || entityType == "BCGeom") {
    Label2.setCaption("Constraint Properties");
    offer(kConstraintList);
  }
}

void PropertyPicker::offer(std::initializer_list<const char*> labels) {
  for (const char* label : labels) lstProperties.addItem(label);
}

void PropertyPicker::offer(const std::vector<std::string>& entries) {
  for (const std::string& entry : entries) lstProperties.addItem(entry);
}

void PropertyPicker::offerPropertyList(std::initializer_list<const char*> labels,
                                       std::initializer_list<std::int16_t> indexes) {
  auto index = indexes.begin();
  for (const char* label : labels) {
    lstProperties.addItem(label);
    propIndexMap_.add(label, *index++);
  }
}

// The picks in list order, whatever order they were ticked in.
void PropertyPicker::recordPicks() {
  for (int position = 0; position < lstProperties.count(); ++position) {
    if (!lstProperties.selected(position)) continue;
    const std::string& entry = lstProperties.item(position);
    if (entityType_ == "Output") {
      // The vector's ID and the blank after it: "3000 - Line Stress" gives "3000 ".
      const std::size_t blank = entry.find(' ');
      arrayIndex.add(blank == std::string::npos ? std::string() : entry.substr(0, blank + 1));
      continue;
    }
    const PickedField picked = pickedField(entityType_, entry, position, propIndexMap_);
    collection.add(entry);
    femapColl.add(picked.field, entry);
    if (picked.index) arrayIndex.add(support::formatInteger(*picked.index), entry);
  }
}

void PropertyPicker::UpdateCollection() {
  const femap::Application femap(femap::attach(femap::kFemapProgId));
  catalogue_ = OutputVectorCatalogue();
  const femap::Set vectors(femap.feSet());
  const femap::Object output = femap.feOutput();
  vectors.AddAll(femap::kOutputVectorType);
  // Next yields the IDs in ascending order, so each range fills in ID order.
  for (int id = vectors.Next(); id != 0; id = vectors.Next()) {
    output.call("Get", id);
    file(catalogue_, id, support::formatInteger(id) + " - " + output.get("Title").asString());
  }
}

}  // namespace pane
