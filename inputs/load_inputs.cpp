// Load-definition inputs: the load definitions picked in the active load set become one input
// variable per load component (mesh and geometry loads) or one temperature (thermal loads),
// valued from the definition's last load.
#include <optional>

#include "exchange/rows.h"
#include "exchange/vocabulary.h"
#include "femap/return_codes.h"
#include "inputs/inputs.h"
#include "pane/corvane_femap_interface.h"
#include "pane/guards.h"
#include "support/err.h"
#include "support/number_text.h"
#include "support/strings.h"

namespace inputs {

namespace {

using support::formatInteger;

// The data types of load definitions that become input variables. The word is the rows'
// entity type word and also the load object's kind ("fe" + word creates one).
struct LoadKind {
  std::string_view dataType;
  const char* detection;
  std::string_view word;
  bool components;  // one row per component prefix, else one temperature row
};

constexpr LoadKind kLoadKinds[] = {
    {"13", "Found Surface load", exchange::kLoadMeshWord, true},
    {"14", "Found Geometry load", exchange::kLoadGeomWord, true},
    {"16", "Found Elemental Thermal load", exchange::kLoadETempWord, false},
    {"15", "Found Nodal Thermal load", exchange::kLoadNTempWord, false},
};

const LoadKind* loadKind(std::string_view dataType) {
  for (const LoadKind& kind : kLoadKinds) {
    if (kind.dataType == dataType) return &kind;
  }
  return nullptr;
}

femap::Object& loadObjectOf(InputsState& state, std::string_view word) {
  if (word == exchange::kLoadMeshWord) return state.loadMesh;
  if (word == exchange::kLoadGeomWord) return state.loadGeom;
  if (word == exchange::kLoadETempWord) return state.loadETemp;
  return state.loadNTemp;
}

// The two log lines of one load: its ID, then its members as key and value pairs.
void logLoad(pane::CorvaneFemapInterface& pane, const LoadKind& kind, const femap::Object& load) {
  support::Err& err = pane.err();
  auto text = [&](std::string_view member) { return load.get(member).asString(); };
  auto component = [&](int k) { return load.get("value", k).asString(); };
  const std::string_view word = kind.word;
  if (word == exchange::kLoadMeshWord) {
    err.run([&] { pane.logDebug("loadMesh_ID " + text("ID")); });
    err.run([&] {
      pane.logDebug(" ID = " + text("ID") + " SetID = " + text("setID") +
                    " MeshID = " + text("meshID") +
                    " LoadDefinitionId  = " + text("LoadDefinitionID") + " Type = " + text("type") +
                    " SubType = " + text("subtype") + " Load_0 = " + component(0) +
                    " Load_1 = " + component(1) + " Load_2 = " + component(2) +
                    " Load_3 = " + component(3) + " FaceNumber = " + text("FaceNumber"));
    });
  } else if (word == exchange::kLoadGeomWord) {
    err.run([&] { pane.logDebug("Load ID " + text("ID")); });
    err.run([&] {
      pane.logDebug(" ID = " + text("ID") + " SetID = " + text("setID") +
                    " GeomID = " + text("geomID") + " GeomType = " + text("geomType") +
                    " LoadDefinitionId  = " + text("LoadDefinitionID") + " Type = " + text("type") +
                    " SubType = " + text("subtype") + " Load_0 = " + component(0) + " Load_1 = " +
                    component(1) + " Load_2 = " + component(2) + " Load_3 = " + component(3));
    });
  } else {
    err.run([&] { pane.logDebug(" Load Id = " + text("ID")); });
    err.run([&] {
      pane.logDebug(" ID = " + text("ID") + " SetID = " + text("setID") +
                    " Temp = " + text("temp") + " LoadDefinitionId  = " + text("LoadDefinitionID") +
                    " Phase = " + text("phase"));
    });
  }
}

// The picked load definitions, one after the other.
void addLoadDefinitions(pane::CorvaneFemapInterface& pane, const femap::Set& set,
                        const femap::Object& loadDefinition) {
  support::Err& err = pane.err();
  InputsState& state = pane.subsystemState<InputsState>();
  ui::Grid& list = pane.form().InputsList;

  int count = err.run([&] { return set.count(); }).value_or(0);
  pane.logDebug(formatInteger(count) + " Load definitions selected");
  bool added = false;
  std::int32_t loadType = 0;
  std::string loadTypeText, dataTypeText, setId, id, title;
  while (count > 0) {
    if (auto next = err.run([&] { return set.Next(); })) {
      err.run([&] { loadDefinition.call("Get", *next); });
    }
    err.run([&] {
      loadType = loadDefinition.get("loadType").asInt();
      loadTypeText = formatInteger(loadType);
    });
    err.run([&] { dataTypeText = loadDefinition.get("dataType").asString(); });
    initialisePrefix(pane, loadType);
    err.run([&] { setId = loadDefinition.get("setID").asString(); });
    err.run([&] { id = loadDefinition.get("ID").asString(); });
    err.run([&] { title = loadDefinition.get("title").asString(); });
    pane.logDebug(formatInteger(count) + "Load Defination: Title = " + title + " SetId = " + setId +
                  " ID = " + id + " Load Type = " + loadTypeText + " Data Type = " + dataTypeText);
    pane.logDebug("Start iterating over loadDef.NextLoad");
    err.run([&] { pane.femap().feAppMessage(femap::kMessageInfo, title + " is selected"); });

    if (const LoadKind* kind = loadKind(dataTypeText)) {
      pane.logDebug(kind->detection);
      // A fresh load object per definition: a definition without loads reads zeros, not the
      // last load of the definition before it.
      femap::Object& load = loadObjectOf(state, kind->word);
      if (auto created = err.run([&] { return pane.femap().create(kind->word); })) load = *created;
      while (
          err.run([&] { return loadDefinition.call("NextLoad", load).asBool(); }).value_or(false)) {
        logLoad(pane, *kind, load);
      }
      pane.logPositionAndClearErrorIfAny("Before adding params to Input List");
      if (kind->components) {
        for (int k = 0; k < 4; ++k) {
          const std::string& prefix = state.prefix[static_cast<std::size_t>(k)];
          if (prefix.empty()) continue;
          pane.logDebug("Trying to alter the name " + title + "_" + id + "_" + prefix);
          const std::string name = loadVariableName(title, id, prefix);
          pane.logDebug("Altered the name " + title + " to " + name);
          const std::string component = formatInteger(k);
          std::string value;
          err.run([&] {
            value = load.get("value", k).asString();
            list.addRow(exchange::cellsOf(
                exchange::InputRow{name, value, std::string(kind->word), id, component, component}));
          });
          added = true;
          pane.logDebug("Added variable to Input list Variable Name=" + name + " value=" + value +
                        " Entity type=" + std::string(kind->word) + " ID=" + id);
        }
      } else {
        const std::string name = loadVariableName(title, id, "Temperature");
        std::string temperature;
        err.run([&] {
          temperature = load.get("temp").asString();
          list.addRow(exchange::cellsOf(
              exchange::InputRow{name, temperature, std::string(kind->word), id, "0", "0"}));
        });
        added = true;
        pane.logDebug("Added variable to Input list Variable Name=" + name +
                      " Temp=" + temperature + " Entity type=" + std::string(kind->word) + " ID=" + id);
      }
    } else {
      const std::string message = "Load definition of load type = " + loadTypeText +
                                  "and data type = " + dataTypeText + " not supported";
      err.run([&] { pane.femap().feAppMessage(femap::kMessageInfo, message); });
      pane.logError(message);
    }
    if (!added) {
      err.run([&] {
        pane.femap().feAppMessage(femap::kMessageInfo, "Load definition selection failed...");
      });
      pane.logError("Load definition selection failed...");
    }
    --count;
  }
  err.run([&] { removeBlankFirstRow(pane); });
}

}  // namespace

LoadPrefixes prefixesOf(std::int32_t loadType) {
  struct Group {
    std::initializer_list<std::int32_t> loadTypes;
    LoadPrefixes prefixes;
  };
  static const Group kGroups[] = {
      {{1, 81, 121, 122, 123, 161, 162, 163}, {"Found force", {"Fx", "Fy", "Fz", ""}}},
      {{2, 82, 124, 125, 126, 164, 165, 166}, {"Found moment", {"Mx", "My", "Mz", ""}}},
      {{10, 44, 90, 134, 135, 136, 140, 174, 175, 176, 180}, {"Found flux", {"Flux", "", "", ""}}},
      {{11, 47, 91, 137, 143, 177, 183}, {"Found generation", {"Generation", "", "", ""}}},
      {{45, 141, 181}, {"Found convection", {"Coefficient", "Temperature", "", ""}}},
      {{46, 142, 182},
       {"Found radiation", {"Emissivity", "Absorptivity", "Temperature", "View Factor"}}},
      {{13, 14, 42, 92, 93, 101, 138, 144, 145, 178, 184, 185},
       {"Found pressure", {"Pressure", "", "", ""}}},
      {{3, 83, 127, 167}, {"Found displacement", {"Tx", "Ty", "Tz", ""}}},
      {{4, 84, 128, 168}, {"Found rotational displacement", {"Rx", "Ry", "Rz", ""}}},
      {{5, 85, 129, 169}, {"Found velocity", {"Vx", "Vy", "Vz", ""}}},
      {{6, 86, 130, 170}, {"Found rotational velocity", {"VRx", "VRy", "VRz", ""}}},
      {{7, 87, 131, 171}, {"Found acceleration", {"Ax", "Ay", "Az", ""}}},
      {{8, 88, 132, 172}, {"Found roataional acceleration", {"ARx", "ARy", "ARz", ""}}},
  };
  for (const Group& group : kGroups) {
    for (const std::int32_t member : group.loadTypes) {
      if (member == loadType) return group.prefixes;
    }
  }
  return {};
}

std::string loadVariableName(std::string_view title, std::string_view id, std::string_view prefix) {
  return support::removeChars(
      std::string(title) + "_" + std::string(id) + "_" + std::string(prefix), " []./");
}

void initialisePrefix(pane::CorvaneFemapInterface& pane, std::int32_t loadType) {
  InputsState& state = pane.subsystemState<InputsState>();
  pane.logPosition("At start of initialisePrefix");
  const LoadPrefixes found = prefixesOf(loadType);
  for (std::size_t k = 0; k < state.prefix.size(); ++k) state.prefix[k] = found.prefix[k];
  if (!found.detection.empty()) pane.logDebug(found.detection);
  pane.logDebug("Selected Load Type=" + formatInteger(loadType) +
                " firstPrefix=" + state.prefix[0] + " secondPrefix=" + state.prefix[1] +
                " thirdPrefix=" + state.prefix[2] + " fourthPrefix=" + state.prefix[3]);
  pane.logPosition("At end of initialisePrefix");
}

void FetchLoadDefinitionData(pane::CorvaneFemapInterface& pane) {
  // Every operation's failure is skipped: the flow goes on with the next one, and FEMAP's
  // lock is given back on every path.
  support::Err& err = pane.err();
  InputsState& state = pane.subsystemState<InputsState>();
  pane.logPositionAndClearErrorIfAny("Before fetching load definition data");
  std::optional<pane::FemapLock> lock;
  err.run([&] { lock.emplace(pane.femap()); });
  pane.logDebug("Acquired femap lock before getting load definition data");
  femap::Object loadDefinition;
  if (auto created = err.run([&] { return pane.femap().feLoadDefinition(); })) {
    loadDefinition = *created;
  }
  pane.logDebug("intialize feLoadDefinition");
  std::optional<femap::Set> set;
  if (auto created = err.run([&] { return pane.femap().feSet(); })) set.emplace(*created);
  pane.logDebug("intialize loadDefSet");

  pane.logPositionAndClearErrorIfAny("Before getting active loadset ID");
  int loadSetId = 1;
  if (auto active = err.run([&] { return pane.femap().Info_ActiveID(femap::kLoadSetType); })) {
    loadSetId = *active;
  }
  pane.logPositionAndClearErrorIfAny("After getting active loadset ID. Active loadset id=" +
                                     formatInteger(loadSetId));

  if (auto code = err.run([&] {
        return set.value()
            .object()
            .call("SelectIDInSet", femap::kLoadDefinitionType, loadSetId, true,
                  "Select Load Definition ")
            .asInt();
      })) {
    state.returnCode = *code;
  }
  if (state.returnCode == femap::kOk) {
    if (set) addLoadDefinitions(pane, *set, loadDefinition);
  } else if (state.returnCode == femap::kCancel) {
    err.run([&] {
      pane.femap().feAppMessage(femap::kMessageError, "Load Definition selection cancelled...");
    });
    pane.logError("Load definition selection cancelled...");
  } else {
    err.run([&] {
      pane.femap().feAppMessage(femap::kMessageInfo, "Load Definition  selection failed...");
    });
    pane.logError("Load definition selection failed...");
  }

  if (lock) err.run([&] { lock->release(); });
  pane.logDebug("Released femap lock before getting load definition data");
  pane.logPositionAndClearErrorIfAny("After fetching load definition data");
}

}  // namespace inputs
