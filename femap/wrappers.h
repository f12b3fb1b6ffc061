#pragma once
// Typed views of the FEMAP objects the system uses, for readability at the call sites. They
// add no behaviour: each member is one late-bound call of the same name.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "femap/object.h"
#include "femap/return_codes.h"

namespace femap {

class Application {
 public:
  Application() = default;
  explicit Application(Object object) : object_(std::move(object)) {}
  const Object& object() const { return object_; }
  explicit operator bool() const { return static_cast<bool>(object_); }

  int feAppMessage(int colour, std::string_view text) const {
    return object_.call("feAppMessage", colour, text).asInt();
  }
  int feAppLock() const { return object_.call("feAppLock").asInt(); }
  int feAppUnlock() const { return object_.call("feAppUnlock").asInt(); }
  int feAppVisible(bool visible) const { return object_.call("feAppVisible", visible).asInt(); }
  // The open model's path; throws when FEMAP has no model open.
  std::string ModelName() const { return object_.get("ModelName").asString(); }
  int feFileOpen(bool checkSave, std::string_view path) const {
    return object_.call("feFileOpen", checkSave, path).asInt();
  }
  int feFileNew() const { return object_.call("feFileNew").asInt(); }
  int feFileSave(bool useNewName) const { return object_.call("feFileSave", useNewName).asInt(); }
  int feFileClose(bool checkSave) const { return object_.call("feFileClose", checkSave).asInt(); }
  int Info_ActiveID(int entityType) const { return object_.get("Info_ActiveID", entityType).asInt(); }
  // The mass properties of the elements of set `setId`, through the out-arguments: length,
  // area, volume, structural, non-structural and total mass; the structural, non-structural
  // and total centre of gravity, the inertia about the origin and about the centre of gravity.
  // They are filled when FEMAP answers kOk; a value of the wrong kind throws.
  int feMeasureMeshMassProp(int setId, std::array<double, 6>& scalars,
                            std::array<std::vector<double>, 5>& arrays) const;

  // Factories: "fe" + the object kind.
  Object create(std::string_view kind) const {
    return object_.call(std::string("fe") + std::string(kind)).asObject();
  }
  Object feSet() const { return create("Set"); }
  Object feOutput() const { return create("Output"); }
  Object feFunction() const { return create("Function"); }
  Object feLoadDefinition() const { return create("LoadDefinition"); }
  Object feAnalysisSet() const { return create("AnalysisSet"); }
  Object feView() const { return create("View"); }
  Object feRead() const { return create("Read"); }

 private:
  Object object_;
};

// An entity set (`feSet`).
class Set {
 public:
  explicit Set(Object object) : object_(std::move(object)) {}
  const Object& object() const { return object_; }
  int Select(int entityType, bool clear, std::string_view title) const {
    return object_.call("Select", entityType, clear, title).asInt();
  }
  int AddAll(int entityType) const { return object_.call("AddAll", entityType).asInt(); }
  int count() const { return object_.get("count").asInt(); }
  int Reset() const { return object_.call("Reset").asInt(); }
  int Next() const { return object_.call("Next").asInt(); }
  int ID() const { return object_.get("ID").asInt(); }
  int Copy(int setId) const { return object_.call("Copy", setId).asInt(); }

 private:
  Object object_;
};

}  // namespace femap
