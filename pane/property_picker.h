#pragma once
// The property picker dialog (frmPropertyList): the engineer ticks the properties of one kind
// of entity, or output vectors of one kind of result location, and the caller reads the picks
// from three collections afterwards. One instance lives as long as the pane; OK and Cancel
// only hide it.
//
// It knows the program's whole property vocabulary: a fixed list of labels per entity kind,
// the FEMAP member each label reads and, for array members, the index into the array. For
// outputs it offers the model's output vectors from a catalogue grouped by their ID ranges,
// which UpdateCollection rebuilds from the open model (the output lists offer the catalogue as
// last built).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "femap/object.h"
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

// Property label -> index into FEMAP's property value array ("pval"), for the labels of the
// Bar/Beam, Plate and Rod lists. Labels are compared without regard to case.
class PropIndexMap {
 public:
  void add(std::string_view label, std::int16_t index);
  // Throws support::RuntimeError for a label without an index.
  std::int16_t item(std::string_view label) const;
  bool empty() const { return indexOf_.empty(); }
  void clear() { indexOf_.clear(); }

 private:
  std::unordered_map<std::string, std::int16_t> indexOf_;  // keys in lower case
};

// What one pick of a label reads: a FEMAP member and, for an array member, the index into it.
struct PickedField {
  std::string field;
  std::optional<int> index;  // nothing for a plain scalar member
};

// The member and index of `label`, picked at list position `position` while the picker
// offers the list of `entityType` (any type but "Output").
PickedField pickedField(std::string_view entityType, std::string_view label, int position,
                        const PropIndexMap& propIndexMap);

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

  // Starts a new pick: empty results, and the list and caption (Label2) of `entityType`
  // ("Node", "Elem", "Prop", "Matl", "LoadSet", "Output", "MeshMass", "BCNode", "BCGeom") with
  // `propType` choosing among property lists ("Bar", "Plate", ...) or output kinds ("Node",
  // "LineElement", ...). An entity type outside these leaves the list empty and the caption as
  // it was.
  void GetPropertyList(const std::string& entityType, const std::string& propType);
  // Rebuilds the output-vector catalogue from the model open in FEMAP; FEMAP's failures reach
  // the caller.
  void UpdateCollection();
  const OutputVectorCatalogue& catalogue() const { return catalogue_; }
  const std::string& entityType() const { return entityType_; }
  const PropIndexMap& propIndexMap() const { return propIndexMap_; }

  // Closing the dialog without an answer is its Cancel.
  void dismiss() override { cmdCancel.click(); }

 private:
  void fill(const std::string& entityType, const std::string& propType);
  void offer(std::initializer_list<const char*> labels);
  void offer(const std::vector<std::string>& entries);
  void offerPropertyList(std::initializer_list<const char*> labels,
                         std::initializer_list<std::int16_t> indexes);
  void recordPicks();

  OutputVectorCatalogue catalogue_;
  std::string entityType_;
  PropIndexMap propIndexMap_;
  femap::Object femap_;  // attached afresh by every fill
};

}  // namespace pane
