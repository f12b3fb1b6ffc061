#include "modprep/load_update.h"

#include <array>

#include "exchange/vocabulary.h"
#include "femap/return_codes.h"
#include "support/err.h"
#include "support/number_text.h"

namespace modprep {
namespace {

using support::formatInteger;
using support::formatNumber;

constexpr std::string_view kLoadValue = "value";
constexpr std::string_view kTemperature = "temp";

}  // namespace

LoadUpdater::LoadUpdater(runtime::Run& run) : run_(run) {}

const LoadUpdater::LoadKind* LoadUpdater::loadKind(std::string_view kind) {
  // The kind word is also the load object's kind: "fe" + word creates one.
  static constexpr std::array<LoadKind, kLoadKinds> kinds{{
      {0, exchange::kLoadMeshWord, "Found loadmesh load for load definition id =", "Load updated Load ID = ",
       true, true, false},
      {1, exchange::kLoadGeomWord, "Found Geometry load for load definition id =", "Load updated Load ID = ",
       true, false, false},
      {2, exchange::kLoadETempWord, "Found Elemental temperature load for load definition id =",
       "Load updated Load ID = ", false, false, false},
      {3, exchange::kLoadNTempWord, "Found Nodal temperature load for load definition id =",
       "Load updated: Load ID = ", false, false, true},
  }};
  for (const LoadKind& loadKind : kinds) {
    if (loadKind.word == kind) return &loadKind;
  }
  return nullptr;
}

femap::Object& LoadUpdater::loadObject(const LoadKind& kind) {
  femap::Object& load = loads_[kind.slot];
  if (!load) load = run_.femap().create(kind.word);
  return load;
}

void LoadUpdater::UpdateLoadDefinition(std::string_view name, const std::string& loadDefinitionId,
                                       std::string_view kind, double value, std::int16_t index) {
  run_.log("Update load definition called with VariableName = " + std::string(name) +
           " Load definition ID =" + loadDefinitionId + " Entity type=" + std::string(kind) +
           " Modified Value=" + formatNumber(value) + " Load Index=" + formatInteger(index));
  support::Err& err = run_.err;
  if (!loadDefinition_) {
    if (auto created = err.run([&] { return run_.femap().feLoadDefinition(); }))
      loadDefinition_ = *created;
    run_.CheckError("intialize feLoadDefinition");
  }
  const auto got = err.run([&] {
    return loadDefinition_
        .call("Get", static_cast<int>(support::parseInteger(loadDefinitionId).value_or(0)))
        .asInt();
  });
  if (!got || *got != femap::kOk) {
    run_.error("Unable to get the load definition for id = " + loadDefinitionId);
    return;
  }

  const LoadKind* loadKind = LoadUpdater::loadKind(kind);
  if (!loadKind) {
    run_.error("Unable to update the entity type=" + std::string(kind));
    return;
  }
  // From here a failing statement ends the update of this definition.
  support::StopAtFirstFailure updating;
  if (!updating.run([&] { updateLoads(*loadKind, loadDefinitionId, value, index); })) {
    run_.error("Unable to update the load definition for id = " + loadDefinitionId +
               " Reasons: " + updating.failure());
  }
}

void LoadUpdater::updateLoads(const LoadKind& kind, const std::string& loadDefinitionId,
                              double value, std::int16_t index) {
  if (kind.resetFirst) {
    run_.CheckError("Before calling reset next load");
    loadDefinition_.call("ResetLoad");
  }
  femap::Object& load = loadObject(kind);
  const std::string ofDefinition = "  load definition id =" + loadDefinitionId;
  auto currentValue = [&] {
    return kind.indexed ? load.get(kLoadValue, index).asString()
                        : load.get(kTemperature).asString();
  };
  while (loadDefinition_.call("NextLoad", load).asBool()) {
    run_.log(std::string(kind.foundText) + loadDefinitionId);
    std::string loadId = load.get("ID").asString();
    if (kind.logBefore) {
      run_.log("Before updation: Load ID: " + loadId + "   current value=" + currentValue() +
               "   Value to be assigned=" + formatNumber(value) + ofDefinition);
    }
    if (kind.indexed) {
      load.put(kLoadValue, index, value);
    } else {
      load.put(kTemperature, value);
    }
    const int stored = load.call("Put", load.get("ID")).asInt();
    loadId = load.get("ID").asString();
    run_.log("After updation: Load ID: " + loadId + "   current value=" + currentValue() +
             "   value assigned=" + formatNumber(value) + ofDefinition);
    if (stored == femap::kOk) {
      run_.log(std::string(kind.updatedText) + loadId +
               " for load definition id =" + loadDefinitionId);
    } else {
      run_.error("Unable to store the entity with the specified Load ID = " + loadId +
                 " for load definition id =" + loadDefinitionId);
    }
  }
}

}  // namespace modprep
