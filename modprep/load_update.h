#pragma once
// Load-definition inputs: a new value for every load of one kind in a load definition
// (every mesh load's component at the load index, or every temperature).
//
// The load-definition object and one load object per kind are obtained on first use and
// kept for the run.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "femap/object.h"
#include "runtime/run.h"

namespace modprep {

class LoadUpdater {
 public:
  explicit LoadUpdater(runtime::Run& run);

  // `loadDefinitionId` is the decimal form of the record's entity ID; `kind` one of
  // "LoadMesh", "LoadGeom", "LoadETemp", "LoadNTemp"; `index` the load component (-1 none).
  void UpdateLoadDefinition(std::string_view name, const std::string& loadDefinitionId,
                            std::string_view kind, double value, std::int16_t index);

 private:
  // How one kind of load is found, read, set and reported.
  static constexpr std::size_t kLoadKinds = 4;
  struct LoadKind {
    std::size_t slot;       // its load object in loads_
    std::string_view word;  // as in "Modprep.txt", and the object kind: "fe" + word creates one
    std::string_view foundText;
    std::string_view updatedText;
    bool indexed;     // the value is the indexed "value" (else "temp")
    bool logBefore;   // a "Before updation" line precedes the update
    bool resetFirst;  // the definition's iteration starts again first
  };
  static const LoadKind* loadKind(std::string_view kind);
  femap::Object& loadObject(const LoadKind& kind);
  void updateLoads(const LoadKind& kind, const std::string& loadDefinitionId, double value,
                   std::int16_t index);

  runtime::Run& run_;
  femap::Object loadDefinition_;
  std::array<femap::Object, kLoadKinds> loads_;  // mesh, geometry, elemental, nodal temperature
};

}  // namespace modprep
