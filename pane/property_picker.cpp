#include "pane/property_picker.h"

#include "femap/connect.h"
#include "femap/return_codes.h"
#include "femap/wrappers.h"
#include "support/number_text.h"

namespace pane {

namespace {

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
  cmdAdd.onClick = [this] { setVisible(false); };
}

void PropertyPicker::GetPropertyList(const std::string& entityType,
                                     const std::string& /*propType*/) {
  collection.clear();
  femapColl.clear();
  arrayIndex.clear();
  lstProperties.clear();
  entityType_ = entityType;
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
