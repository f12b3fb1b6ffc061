#include "femapsim/application.h"

#include <algorithm>
#include <fstream>

#include "femap/return_codes.h"
#include "femapsim/coordinates.h"
#include "femapsim/nastran_model.h"
#include "femapsim/mass_model.h"
#include "femapsim/model_file.h"
#include "femapsim/neutral_model.h"
#include "femapsim/objects.h"
#include "support/number_text.h"
#include "support/text_file.h"

namespace femapsim {
namespace {

using femap::Invoke;
using femap::Variant;

std::string_view activeKey(int entityType) {
  switch (entityType) {
    case femap::kLoadSetType: return "activeLoadSet";
    case femap::kConstraintSetType: return "activeBCSet";
    case femap::kOutputSetType: return "activeOutputSet";
    case femap::kAnalysisSetType: return "activeAnalysisSet";
    default: return {};
  }
}

Variant arrayOf(const double* values, std::size_t count) {
  return Variant::fromDoubles(std::vector<double>(values, values + count));
}

// Readers of formats the simulated FEMAP does not have.
int notAvailable(Application& application, std::string_view member) {
  return application.failure("the simulated FEMAP cannot do " + std::string(member));
}

}  // namespace

Application::Application() = default;
Application::~Application() = default;

Variant Application::invoke(std::string_view member, Invoke how, Args args) {
  static const MemberTable<Application> table{
      {"feAppMessage", [](Application& self, Invoke, Args args) {
         return Variant(self.addMessage(argument(args, 0, "Application", "feAppMessage").asInt(),
                                        argument(args, 1, "Application", "feAppMessage").asString()));
       }},
      {"feAppLock", [](Application& self, Invoke, Args) {
         ++self.locks_;
         return Variant(femap::kOk);
       }},
      {"feAppUnlock", [](Application& self, Invoke, Args) {
         if (self.locks_ > 0) --self.locks_;
         return Variant(femap::kOk);
       }},
      {"feAppVisible", [](Application& self, Invoke, Args args) {
         self.visible_ = argument(args, 0, "Application", "feAppVisible").asBool();
         return Variant(femap::kOk);
       }},
      {"ModelName", [](Application& self, Invoke how, Args) {
         if (how == Invoke::Put) throw femap::Error("Application.ModelName is read-only");
         return Variant(self.model().path);
       }},
      {"feAppRegisterAddInPane", [](Application& self, Invoke, Args args) {
         bool registering = argument(args, 0, "Application", "feAppRegisterAddInPane").asBool();
         auto window = static_cast<support::WindowHandle>(
             argument(args, 1, "Application", "feAppRegisterAddInPane").asDouble());
         auto& panes = self.panes_;
         panes.erase(std::remove(panes.begin(), panes.end(), window), panes.end());
         if (registering) panes.push_back(window);
         return Variant(femap::kOk);
       }},
      {"feAppGetAllModels", [](Application& self, Invoke, Args args) {
         if (args.size() < 2) throw femap::Error("Application.feAppGetAllModels needs the count and list places");
         femap::VariantArray ids;
         for (const OpenModel& open : self.models_) ids.emplace_back(open.id);
         args[0].assign(Variant(static_cast<int>(ids.size())));
         args[1].assign(Variant(std::move(ids)));
         return Variant(femap::kOk);
       }},
      {"feFileOpen", [](Application& self, Invoke, Args args) {
         return Variant(self.openModel(argument(args, 1, "Application", "feFileOpen").asString()));
       }},
      {"feFileNew", [](Application& self, Invoke, Args) { return Variant(self.newModel()); }},
      {"feFileSave", [](Application& self, Invoke, Args) { return Variant(self.saveModel()); }},
      {"feFileClose", [](Application& self, Invoke, Args) { return Variant(self.closeModel()); }},
      {"feFileReadNeutral", [](Application& self, Invoke, Args args) {
         std::string path = argument(args, 1, "Application", "feFileReadNeutral").asString();
         // The results switches (the fifth and sixth arguments) read output sets; without them
         // the file is read as a model.
         bool results = (args.size() > 4 && args[4].asBool()) || (args.size() > 5 && args[5].asBool());
         if (results) return Variant(self.readResults(path, ResultsFormat::Neutral));
         return Variant(self.readModel(path, ModelFormat::Neutral));
       }},
      {"feDeleteResultsRead", [](Application& self, Invoke, Args) { return Variant(self.deleteResultsRead()); }},
      {"feFileReadNastranResults", [](Application& self, Invoke, Args args) {
         return Variant(self.readResults(argument(args, 1, "Application", "feFileReadNastranResults").asString(),
                                         ResultsFormat::Output2));
       }},
      {"feFileWriteNastran", [](Application& self, Invoke, Args args) {
         std::string path = argument(args, 1, "Application", "feFileWriteNastran").asString();
         try {
           support::writeFileAtomically(path, formatNastranModelDeck(self.model()));
         } catch (const std::exception& failure) {
           return Variant(self.failure("cannot write the Nastran deck " + path + ": " + failure.what()));
         }
         return Variant(femap::kOk);
       }},
      {"feFileReadNastran", [](Application& self, Invoke, Args args) {
         return Variant(self.readModel(argument(args, 1, "Application", "feFileReadNastran").asString(),
                                       ModelFormat::Nastran));
       }},
      {"feFileReadAnsys", [](Application& self, Invoke, Args) { return Variant(notAvailable(self, "feFileReadAnsys")); }},
      {"feFileReadMarc", [](Application& self, Invoke, Args) { return Variant(notAvailable(self, "feFileReadMarc")); }},
      {"feFileReadDyna", [](Application& self, Invoke, Args) { return Variant(notAvailable(self, "feFileReadDyna")); }},
      {"feFileReadAbaqus", [](Application& self, Invoke, Args) { return Variant(notAvailable(self, "feFileReadAbaqus")); }},
      {"feFileWriteAbaqus", [](Application& self, Invoke, Args) { return Variant(notAvailable(self, "feFileWriteAbaqus")); }},
      {"feFileWriteAnsys", [](Application& self, Invoke, Args) { return Variant(notAvailable(self, "feFileWriteAnsys")); }},
      {"feFileWriteMarc", [](Application& self, Invoke, Args) { return Variant(notAvailable(self, "feFileWriteMarc")); }},
      {"feFileWriteDyna", [](Application& self, Invoke, Args) { return Variant(notAvailable(self, "feFileWriteDyna")); }},
      {"feFileReadAnsysResults", [](Application& self, Invoke, Args) { return Variant(notAvailable(self, "feFileReadAnsysResults")); }},
      {"feFileReadAbaqusResults", [](Application& self, Invoke, Args) { return Variant(notAvailable(self, "feFileReadAbaqusResults")); }},
      {"feFileReadDynaResults", [](Application& self, Invoke, Args) { return Variant(notAvailable(self, "feFileReadDynaResults")); }},
      {"feFileReadMarcResults", [](Application& self, Invoke, Args) { return Variant(notAvailable(self, "feFileReadMarcResults")); }},
      {"feMeasureMeshMassProp", [](Application& self, Invoke, Args args) {
         if (args.size() < 15) throw femap::Error("Application.feMeasureMeshMassProp needs 15 arguments");
         MassProperties mass = self.measure(args[0].asInt());
         const double scalars[] = {mass.length, mass.area, mass.volume,
                                   mass.structuralMass, mass.nonStructuralMass, mass.totalMass};
         for (std::size_t i = 0; i < 6; ++i) args[4 + i].assign(Variant(scalars[i]));
         args[10].assign(arrayOf(mass.structuralCG.data(), 3));
         args[11].assign(arrayOf(mass.nonStructuralCG.data(), 3));
         args[12].assign(arrayOf(mass.totalCG.data(), 3));
         args[13].assign(arrayOf(mass.inertia.data(), 6));
         args[14].assign(arrayOf(mass.inertiaCG.data(), 6));
         return Variant(femap::kOk);
       }},
      {"Info_ActiveID", [](Application& self, Invoke how, Args args) {
         int type = argument(args, 0, "Application", "Info_ActiveID").asInt();
         if (how == Invoke::Put) {
           self.setActiveId(type, argument(args, 1, "Application", "Info_ActiveID").asInt());
           return Variant();
         }
         return Variant(self.activeId(type));
       }},
      {"Pref_AnalysisType", [](Application& self, Invoke how, Args args) {
         if (how == Invoke::Put) {
           self.analysisType_ = argument(args, 0, "Application", "Pref_AnalysisType").asInt();
           return Variant();
         }
         return Variant(self.analysisType_);
       }},
      {"feViewRegenerate", [](Application& self, Invoke, Args) {
         self.model();
         self.noteRegeneration();
         return Variant(femap::kOk);
       }},
  };
  if (const auto* handler = table.find(member)) return (*handler)(*this, how, args);
  if (member.size() > 2 && (member[0] == 'f' || member[0] == 'F') && (member[1] == 'e' || member[1] == 'E')) {
    Variant object = createObject(member.substr(2));
    if (!object.isEmpty()) return object;
  }
  throw unknownMember(kind(), member);
}

Variant Application::createObject(std::string_view kindName) {
  auto self = shared_from_this();
  if (support::equalsIgnoreCase(kindName, "Set")) {
    auto set = std::make_shared<SetObject>(self);
    set->attachId(registerSet(set));
    return Variant(femap::Object(set));
  }
  if (support::equalsIgnoreCase(kindName, "Read")) return Variant(femap::Object(std::make_shared<ReadObject>()));
  if (auto kind = kindFromObjectKind(kindName)) {
    return Variant(femap::Object(std::make_shared<EntityObject>(self, *kind)));
  }
  return Variant();
}

Model& Application::model() {
  if (current_ < 0) throw femap::Error("No model is open");
  return *models_[static_cast<std::size_t>(current_)].model;
}

int Application::addMessage(int colour, std::string text) {
  if (messageFile_) {
    std::ofstream file(*messageFile_, std::ios::binary | std::ios::app);
    file << colour << '\t' << text << "\r\n";
  }
  messages_.push_back({colour, std::move(text)});
  return femap::kOk;
}

int Application::failure(std::string reason, int code) {
  lastFailure_ = std::move(reason);
  addMessage(femap::kMessageError, lastFailure_);
  return code;
}

int Application::openModel(const std::filesystem::path& path) {
  Model model;
  try {
    model = loadModelFile(path);
  } catch (const ModelFileError& error) {
    return failure(std::string("Cannot open ") + error.what());
  }
  models_.push_back({nextModelId_++, std::make_unique<Model>(std::move(model))});
  current_ = static_cast<int>(models_.size()) - 1;
  outputsChanged();
  return femap::kOk;
}

int Application::newModel() {
  models_.push_back({nextModelId_++, std::make_unique<Model>()});
  current_ = static_cast<int>(models_.size()) - 1;
  outputsChanged();
  return femap::kOk;
}

int Application::closeModel() {
  if (current_ < 0) return femap::kFail;
  models_.erase(models_.begin() + current_);
  current_ = static_cast<int>(models_.size()) - 1;
  outputsChanged();
  return femap::kOk;
}

int Application::saveModel() {
  if (current_ < 0) return failure("No model is open to save");
  Model& current = model();
  if (current.path.empty()) return failure("The model has never been saved to a file");
  try {
    saveModelFile(current, current.path);
  } catch (const std::exception& error) {
    return failure("Cannot save " + current.path + ": " + error.what());
  }
  return femap::kOk;
}

int Application::readResults(const std::filesystem::path& path, ResultsFormat format) {
  if (current_ < 0) return failure("No model is open to read results into");
  LoadedResults loaded;
  try {
    loaded = loadResults(path, format);
  } catch (const std::exception& error) {
    return failure(std::string("Cannot read results ") + error.what());
  }
  Model& results = loaded.model;
  if (results.table(Kind::OutSet).empty()) {
    if (loaded.whyNoOutputSet.empty()) return failure("No output set in " + path.string());
    return failure(path.string() + ": No output set: " + loaded.whyNoOutputSet);
  }
  Model& target = model();
  EntityTable& sets = target.table(Kind::OutSet);
  EntityTable& vectors = target.table(Kind::OutVec);
  int nextSet = sets.lastId() + 1;
  std::map<int, int> renumbered;
  resultsModel_ = models_[static_cast<std::size_t>(current_)].id;
  resultSets_.clear();
  for (auto& [key, set] : results.table(Kind::OutSet).entities()) {
    renumbered[set.id] = nextSet;
    resultSets_.push_back(nextSet);
    Entity copy = set;
    copy.id = nextSet++;
    sets.put(std::move(copy));
  }
  for (auto& [key, vector] : results.table(Kind::OutVec).entities()) {
    Entity copy = vector;
    copy.set("setID", static_cast<double>(renumbered[vector.integer("setID")]));
    vectors.put(std::move(copy));
  }
  setActiveId(femap::kOutputSetType, nextSet - 1);
  outputsChanged();
  return femap::kOk;
}

int Application::readModel(const std::filesystem::path& path, ModelFormat format) {
  Model read;
  std::string unread;
  try {
    if (format == ModelFormat::Neutral) {
      read = readNeutralModel(support::readWholeFile(path), path.string());
    } else {
      const Model empty;
      NastranRead deck = readNastranModel(path, current_ < 0 ? empty : model());
      read = std::move(deck.model);
      unread = std::move(deck.unread);
    }
  } catch (const ModelFileError& error) {
    return failure(std::string("Cannot read ") + error.what());
  } catch (const nastran::DeckError& error) {
    return failure(std::string("Cannot read ") + error.what());
  } catch (const std::system_error& error) {
    return failure("Cannot read " + path.string() + ": " + error.code().message());
  }
  // A model that holds nothing but what this read brings gets a file beside the one read (its
  // name with ".mod" added, so that no model file of the same stem is overwritten), where
  // feFileSave puts it: FEMAP asks for a name there, which no batch program can answer.
  if (current_ < 0) newModel();
  bool fresh = model().path.empty() && model().entityCount() == 0;
  model().merge(std::move(read));
  if (fresh) model().path = path.string() + ".mod";
  if (!unread.empty()) addMessage(femap::kMessageInfo, path.string() + ": " + unread);
  outputsChanged();
  return femap::kOk;
}

int Application::deleteResultsRead() {
  if (current_ < 0 || models_[static_cast<std::size_t>(current_)].id != resultsModel_) return femap::kNotExist;
  bool deleted = false;
  for (int id : resultSets_) deleted = deleteOutputSet(id) || deleted;
  resultSets_.clear();
  return deleted ? femap::kOk : femap::kNotExist;
}

bool Application::deleteOutputSet(int id) {
  Model& current = model();
  if (!current.table(Kind::OutSet).erase(id)) return false;
  current.table(Kind::OutVec).eraseSet(id);
  if (activeId(femap::kOutputSetType) == id) {
    setActiveId(femap::kOutputSetType, current.table(Kind::OutSet).lastId());
  }
  outputsChanged();
  return true;
}

void Application::putMember(std::string_view kindWord, int id, std::string_view member,
                            std::optional<int> index, std::string_view valueText) {
  auto kind = kindFromWord(kindWord);
  if (!kind) throw femap::Error("unknown kind \"" + std::string(kindWord) + "\"");
  EntityTable& table = model().table(*kind);
  int setId = info(*kind).inSet ? activeId(info(*kind).setType) : 0;
  Entity* entity = table.find(id, setId);
  if (!entity) throw femap::Error(std::string(kindWord) + " " + std::to_string(id) + " does not exist");
  const MemberInfo* declared = findMember(*kind, member);
  std::string key(declared ? declared->name : member);
  if (declared && declared->type == ValueType::Text) {
    entity->set(key, std::string(valueText));
  } else {
    auto number = support::parseNumber(valueText);
    if (!number) throw femap::Error("\"" + std::string(valueText) + "\" is not a number");
    if (index) {
      std::vector<double> list = entity->list(key);
      if (*index < 0) throw femap::Error("Subscript out of range");
      if (static_cast<std::size_t>(*index) >= list.size()) list.resize(static_cast<std::size_t>(*index) + 1, 0.0);
      list[static_cast<std::size_t>(*index)] = *number;
      entity->set(key, std::move(list));
    } else {
      entity->set(key, *number);
    }
  }
  if (*kind == Kind::OutVec) outputsChanged();
}

void Application::sendEvent(int code) {
  std::uint32_t message = support::registerWindowMessage("FE_EVENT_MESSAGE");
  std::vector<support::WindowHandle> panes = panes_;  // a pane may unregister while handling it
  for (support::WindowHandle pane : panes) {
    support::sendMessage(pane, message, static_cast<std::uintptr_t>(code), 0);
  }
}

int Application::registerSet(const std::shared_ptr<SetObject>& set) {
  int id = nextSetId_++;
  sets_[id] = set;
  // Forget sets that are gone, so the table stays as small as the live sets.
  for (auto it = sets_.begin(); it != sets_.end();) {
    it = it->second.expired() ? sets_.erase(it) : std::next(it);
  }
  return id;
}

std::shared_ptr<SetObject> Application::findSet(int id) const {
  auto it = sets_.find(id);
  return it == sets_.end() ? nullptr : it->second.lock();
}

std::optional<DialogAnswer> Application::nextSelection(std::string title) {
  dialogTitles_.push_back(std::move(title));
  if (selectionAnswers_.empty()) return std::nullopt;
  DialogAnswer answer = std::move(selectionAnswers_.front());
  selectionAnswers_.pop_front();
  return answer;
}

std::optional<DialogAnswer> Application::nextFunction(std::string title) {
  dialogTitles_.push_back(std::move(title));
  if (functionAnswers_.empty()) return std::nullopt;
  DialogAnswer answer = std::move(functionAnswers_.front());
  functionAnswers_.pop_front();
  return answer;
}

const OutputIndex& Application::outputIndex(int setId, int vectorId) {
  auto key = std::pair(setId, vectorId);
  auto it = outputIndexes_.find(key);
  if (it != outputIndexes_.end()) return it->second;
  const Entity* vector = model().table(Kind::OutVec).find(vectorId, setId);
  if (!vector) {
    throw femap::Error("Output vector " + std::to_string(vectorId) + " does not exist in output set " +
                       std::to_string(setId));
  }
  OutputIndex index;
  std::vector<double> entities = vector->list("entity");
  std::vector<double> values = vector->list("value");
  index.positionOf.reserve(entities.size());
  for (std::size_t i = 0; i < entities.size(); ++i) {
    index.positionOf.emplace(static_cast<int>(entities[i]), i);
  }
  if (!values.empty()) {
    auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
    index.minval = *lowest;
    index.maxval = *highest;
  }
  return outputIndexes_.emplace(key, std::move(index)).first->second;
}

int Application::activeId(int entityType) {
  Model& current = model();
  std::string_view key = activeKey(entityType);
  auto kind = kindFromEntityType(entityType);
  int active = key.empty() ? 0 : current.header.integer(key);
  if (active > 0 || !kind) return active;
  // Without an active set of its own the model works in its first one.
  const Entity* first = current.table(*kind).next(0);
  return first ? first->id : 0;
}

void Application::setActiveId(int entityType, int id) {
  std::string_view key = activeKey(entityType);
  if (key.empty()) throw femap::Error("Info_ActiveID: entity type " + std::to_string(entityType) + " has no active ID");
  model().header.set(key, static_cast<double>(id));
}

MassProperties Application::measure(int setId) {
  Model& current = model();
  std::shared_ptr<SetObject> set = setId > 0 ? findSet(setId) : nullptr;
  if (setId > 0 && !set) throw femap::Error("Set " + std::to_string(setId) + " does not exist");
  try {
    return measureMassProperties(massElementsOf(current, set ? &set->ids() : nullptr));
  } catch (const CoordinateError& error) {
    throw femap::Error(std::string("Mass properties: ") + error.what());
  }
}

}  // namespace femapsim
