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

// The rows of the picked load definitions, one definition after the other. What a definition
// says of itself is kept from one definition to the next: a member FEMAP cannot deliver keeps
// the previous definition's text, as a failed read leaves its target unchanged.
class LoadDefinitionRows {
 public:
  LoadDefinitionRows(pane::CorvaneFemapInterface& pane, const femap::Object& loadDefinition)
      : pane_(pane),
        err_(pane.err()),
        state_(pane.subsystemState<InputsState>()),
        list_(pane.form().InputsList),
        definition_(loadDefinition) {}

  void addAll(const femap::Set& set) {
    int count = err_.run([&] { return set.count(); }).value_or(0);
    pane_.logDebug(formatInteger(count) + " Load definitions selected");
    for (; count > 0; --count) {
      if (auto next = err_.run([&] { return set.Next(); })) {
        err_.run([&] { definition_.call("Get", *next); });
      }
      readDefinition(count);
      if (const LoadKind* kind = loadKind(dataType_)) {
        pane_.logDebug(kind->detection);
        const femap::Object& load = readLoads(*kind);
        pane_.logPositionAndClearErrorIfAny("Before adding params to Input List");
        if (kind->components) {
          addComponentRows(*kind, load);
        } else {
          addTemperatureRow(*kind, load);
        }
      } else {
        const std::string message = "Load definition of load type = " + loadTypeText_ +
                                    "and data type = " + dataType_ + " not supported";
        err_.run([&] { pane_.femap().feAppMessage(femap::kMessageInfo, message); });
        pane_.logError(message);
      }
      if (!added_) {
        err_.run([&] {
          pane_.femap().feAppMessage(femap::kMessageInfo, "Load definition selection failed...");
        });
        pane_.logError("Load definition selection failed...");
      }
    }
    err_.run([&] { removeBlankFirstRow(pane_); });
  }

 private:
  // The definition's type, set, ID and title; `remaining` counts this one and those after it.
  void readDefinition(int remaining) {
    err_.run([&] {
      loadType_ = definition_.get("loadType").asInt();
      loadTypeText_ = formatInteger(loadType_);
    });
    err_.run([&] { dataType_ = definition_.get("dataType").asString(); });
    initialisePrefix(pane_, loadType_);
    err_.run([&] { setId_ = definition_.get("setID").asString(); });
    err_.run([&] { id_ = definition_.get("ID").asString(); });
    err_.run([&] { title_ = definition_.get("title").asString(); });
    pane_.logDebug(formatInteger(remaining) + "Load Defination: Title = " + title_ +
                   " SetId = " + setId_ + " ID = " + id_ + " Load Type = " + loadTypeText_ +
                   " Data Type = " + dataType_);
    pane_.logDebug("Start iterating over loadDef.NextLoad");
    err_.run([&] { pane_.femap().feAppMessage(femap::kMessageInfo, title_ + " is selected"); });
  }

  // Walks the definition's loads of `kind`, logging each; the last one stays in the object.
  // A fresh object per definition: a definition without loads reads zeros, not the last load
  // of the definition before it.
  const femap::Object& readLoads(const LoadKind& kind) {
    femap::Object& load = loadObjectOf(state_, kind.word);
    if (auto created = err_.run([&] { return pane_.femap().create(kind.word); })) load = *created;
    while (err_.run([&] { return definition_.call("NextLoad", load).asBool(); }).value_or(false)) {
      logLoad(pane_, kind, load);
    }
    return load;
  }

  // One row per component whose prefix the load type uses, valued from the last load.
  void addComponentRows(const LoadKind& kind, const femap::Object& load) {
    for (int k = 0; k < 4; ++k) {
      const std::string& prefix = state_.prefix[static_cast<std::size_t>(k)];
      if (prefix.empty()) continue;
      pane_.logDebug("Trying to alter the name " + title_ + "_" + id_ + "_" + prefix);
      const std::string name = loadVariableName(title_, id_, prefix);
      pane_.logDebug("Altered the name " + title_ + " to " + name);
      const std::string component = formatInteger(k);
      std::string value;
      err_.run([&] {
        value = load.get("value", k).asString();
        addRow({name, value, std::string(kind.word), id_, component, component});
      });
      added_ = true;
      pane_.logDebug("Added variable to Input list Variable Name=" + name + " value=" + value +
                     " Entity type=" + std::string(kind.word) + " ID=" + id_);
    }
  }

  // One row for the temperature of the last load.
  void addTemperatureRow(const LoadKind& kind, const femap::Object& load) {
    const std::string name = loadVariableName(title_, id_, "Temperature");
    std::string temperature;
    err_.run([&] {
      temperature = load.get("temp").asString();
      addRow({name, temperature, std::string(kind.word), id_, "0", "0"});
    });
    added_ = true;
    pane_.logDebug("Added variable to Input list Variable Name=" + name + " Temp=" + temperature +
                   " Entity type=" + std::string(kind.word) + " ID=" + id_);
  }

  void addRow(const exchange::InputRow& row) { list_.addRow(exchange::cellsOf(row)); }

  pane::CorvaneFemapInterface& pane_;
  support::Err& err_;
  InputsState& state_;
  ui::Grid& list_;
  const femap::Object& definition_;
  std::int32_t loadType_ = 0;
  std::string loadTypeText_, dataType_, setId_, id_, title_;
  bool added_ = false;  // a row was tried for some definition
};

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
    if (set) LoadDefinitionRows(pane, loadDefinition).addAll(*set);
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
