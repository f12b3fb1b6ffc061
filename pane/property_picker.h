#pragma once
// The property picker dialog (frmPropertyList): the engineer ticks the properties of one kind
// of entity, or output vectors of one kind of result location, and the caller reads the picks
// from three collections afterwards. One instance lives as long as the pane; OK and Cancel
// only hide it.
//
// It also keeps the catalogue of the model's output vectors, grouped by their ID ranges, which
// UpdateCollection rebuilds from the open model. The lists that GetPropertyList fills and the
// recording of picks on OK belong to the input and output selection; until they are filled in,
// GetPropertyList only starts a new pick (empty results, empty list).

#include <string>
#include <vector>

#include "pane/text_collection.h"
#include "ui/control.h"
#include "ui/form.h"

namespace pane {

// Entry texts ("ID - Title") of the model's output vectors, by ID range.
struct OutputVectorCatalogue {
  std::vector<std::string> nodeOutputVectors;        // 1 to 2999
  std::vector<std::string> lineOutputVectors;        // 3000 to 5999
  std::vector<std::string> plateOutputVectors;       // 6000 to 59999
  std::vector<std::string> solidOutputVectors;       // 60000 to 79999
  std::vector<std::string> commonElemOutputVectors;  // 80000 to 89999
  std::vector<std::string> allElemOutputVectors;     // 3000 to 89999
  std::vector<std::string> patranOutputVectors;      // 90000 to 99999
  std::vector<std::string> cornerOutputVectors;      // 100000 to 299999
  std::vector<std::string> highIdOutputVectors;      // 300000 and above (never offered)
};

class PropertyPicker : public ui::Form {
 public:
  PropertyPicker();

  ui::Label& Label2;
  ui::ListBox& lstProperties;
  ui::Button& cmdSelect;
  ui::Button& cmdDeSelect;
  ui::Button& cmdCancel;
  ui::Button& cmdAdd;

  // The picks of the last OK, in list order.
  TextCollection collection;  // the picked labels
  TextCollection femapColl;   // the FEMAP member each label reads, keyed by the label
  TextCollection arrayIndex;  // the array index of indexed picks, keyed by the label

  // Starts a new pick for one entity type and property type: empty results, a new list.
  void GetPropertyList(const std::string& entityType, const std::string& propType);
  // Rebuilds the output-vector catalogue from the model open in FEMAP; FEMAP's failures reach
  // the caller.
  void UpdateCollection();
  const OutputVectorCatalogue& catalogue() const { return catalogue_; }
  const std::string& entityType() const { return entityType_; }

  // Closing the dialog without an answer is its Cancel.
  void dismiss() override { cmdCancel.click(); }

 private:
  OutputVectorCatalogue catalogue_;
  std::string entityType_;
};

}  // namespace pane
