#include "femapsim/objects.h"

#include <cmath>
#include <limits>

#include "femap/return_codes.h"
#include "support/number_text.h"
#include "support/record_reader.h"
#include "support/strings.h"
#include "support/text_file.h"

namespace femapsim {
namespace {

using femap::Invoke;
using femap::Variant;

femap::Error subscriptOutOfRange() { return femap::Error("Subscript out of range"); }

bool isIntegral(double value) {
  return std::isfinite(value) && std::nearbyint(value) == value &&
         value >= std::numeric_limits<std::int32_t>::min() &&
         value <= std::numeric_limits<std::int32_t>::max();
}

// A stored number as the automation interface hands it out: by the member's declared type, and
// for members without a declaration as a whole number when it is one.
Variant toVariant(const MemberInfo* declared, double value) {
  if (declared ? declared->type == ValueType::Int && isIntegral(value) : isIntegral(value)) {
    return Variant(static_cast<int>(value));
  }
  return Variant(value);
}

double toStored(const MemberInfo* declared, const Variant& value) {
  double number = value.asDouble();
  if (declared && declared->type == ValueType::Int) {
    if (!std::isfinite(number)) throw femap::Error("Overflow");
    number = std::nearbyint(number);
  }
  return number;
}

int setEntityType(Kind kind) { return info(kind).setType; }

bool isLoadKind(Kind kind) {
  return kind == Kind::LoadMesh || kind == Kind::LoadGeom || kind == Kind::ElemTemp ||
         kind == Kind::NodeTemp;
}

}  // namespace

// ---------------------------------------------------------------- entity objects

EntityObject::EntityObject(std::shared_ptr<Application> application, Kind kind)
    : application_(std::move(application)), kind_(kind) {}

std::string_view EntityObject::kind() const { return info(kind_).objectKind; }

const MemberTable<EntityObject>& EntityObject::members() {
  static const MemberTable<EntityObject> table{
      {"Get", [](EntityObject& self, Invoke, Args args) {
         return Variant(self.get(argument(args, 0, self.kind(), "Get").asInt()));
       }},
      {"Put", [](EntityObject& self, Invoke, Args args) {
         return Variant(self.put(argument(args, 0, self.kind(), "Put").asInt()));
       }},
      {"Exist", [](EntityObject& self, Invoke, Args args) {
         return Variant(self.exist(argument(args, 0, self.kind(), "Exist").asInt()));
       }},
      {"Next", [](EntityObject& self, Invoke, Args) { return Variant(self.next()); }},
      {"Reset", [](EntityObject& self, Invoke, Args) {
         self.cursor_ = 0;
         return Variant(femap::kOk);
       }},
      {"Delete", [](EntityObject& self, Invoke, Args args) {
         return Variant(self.remove(argument(args, 0, self.kind(), "Delete").asInt()));
       }},
      {"ID", [](EntityObject& self, Invoke how, Args args) {
         if (how == Invoke::Put) {
           self.buffer_.id = argument(args, 0, self.kind(), "ID").asInt();
           return Variant();
         }
         return Variant(self.buffer_.id);
       }},
      {"Last", [](EntityObject& self, Invoke, Args) { return Variant(self.last()); }},
      {"Value", [](EntityObject& self, Invoke how, Args args) {
         if (self.kind_ == Kind::OutVec && !args.empty() && how != Invoke::Put) {
           return self.outputValue(args[0].asInt());
         }
         return self.dataMember("value", how, args);
       }},
      {"maxval", [](EntityObject& self, Invoke how, Args args) {
         if (self.kind_ != Kind::OutVec || how == Invoke::Put) return self.dataMember("maxval", how, args);
         return Variant(self.application_->outputIndex(self.setOfBuffer(), self.buffer_.id).maxval);
       }},
      {"minval", [](EntityObject& self, Invoke how, Args args) {
         if (self.kind_ != Kind::OutVec || how == Invoke::Put) return self.dataMember("minval", how, args);
         return Variant(self.application_->outputIndex(self.setOfBuffer(), self.buffer_.id).minval);
       }},
      {"SelectID", [](EntityObject& self, Invoke how, Args args) {
         if (self.kind_ != Kind::Func) return self.dataMember("SelectID", how, args);
         return Variant(self.selectFunction(args.empty() ? std::string() : args[0].asString()));
       }},
      {"GetFunctionList", [](EntityObject& self, Invoke how, Args args) {
         if (self.kind_ != Kind::Func) return self.dataMember("GetFunctionList", how, args);
         return Variant(self.getFunctionList(args));
       }},
      {"PutFunctionList", [](EntityObject& self, Invoke how, Args args) {
         if (self.kind_ != Kind::Func) return self.dataMember("PutFunctionList", how, args);
         return Variant(self.putFunctionList(args));
       }},
      {"NextLoad", [](EntityObject& self, Invoke how, Args args) {
         if (self.kind_ != Kind::LoadDef) return self.dataMember("NextLoad", how, args);
         return Variant(self.nextLoad(argument(args, 0, self.kind(), "NextLoad")));
       }},
      {"ResetLoad", [](EntityObject& self, Invoke how, Args args) {
         if (self.kind_ != Kind::LoadDef) return self.dataMember("ResetLoad", how, args);
         self.loadCursors_.fill(0);
         return Variant(femap::kOk);
       }},
      {"Regenerate", [](EntityObject& self, Invoke how, Args args) {
         if (self.kind_ != Kind::View) return self.dataMember("Regenerate", how, args);
         self.application_->noteRegeneration();
         return Variant(femap::kOk);
       }},
  };
  return table;
}

Variant EntityObject::invoke(std::string_view member, Invoke how, Args args) {
  if (const auto* handler = members().find(member)) return (*handler)(*this, how, args);
  return dataMember(member, how, args);
}

Variant EntityObject::dataMember(std::string_view name, Invoke how, Args args) {
  const MemberInfo* declared = findMember(kind_, name);
  Member* stored = buffer_.find(name);
  if (!declared && !stored) throw unknownMember(kind(), name);
  bool isList = declared ? declared->size != 0
                         : std::holds_alternative<std::vector<double>>(stored->value);
  std::string key(declared ? declared->name : std::string_view(stored->key));
  if (how == Invoke::Put && support::equalsIgnoreCase(key, "setID")) setChosen_ = true;

  if (how == Invoke::Put) {
    if (args.empty()) throw femap::Error(std::string(kind()) + "." + key + ": no value to store");
    const Variant& value = args.back();
    if (args.size() == 1) {
      if (isList) {
        std::vector<double> list;
        for (const Variant& element : value.asArray()) list.push_back(toStored(declared, element));
        if (declared && declared->size > 0 && list.size() > static_cast<std::size_t>(declared->size)) {
          throw subscriptOutOfRange();
        }
        buffer_.set(key, std::move(list));
      } else if (declared ? declared->type == ValueType::Text
                          : std::holds_alternative<std::string>(stored->value)) {
        buffer_.set(key, value.asString());
      } else {
        buffer_.set(key, toStored(declared, value));
      }
      return Variant();
    }
    if (!isList) throw femap::Error(std::string(kind()) + "." + key + " takes no index");
    long index = args[0].asInt();
    long limit = declared && declared->size > 0 ? declared->size : std::numeric_limits<int>::max();
    if (index < 0 || index >= limit) throw subscriptOutOfRange();
    std::vector<double> list = buffer_.list(key);
    if (static_cast<std::size_t>(index) >= list.size()) list.resize(static_cast<std::size_t>(index) + 1, 0.0);
    list[static_cast<std::size_t>(index)] = toStored(declared, value);
    buffer_.set(key, std::move(list));
    return Variant();
  }

  if (args.empty()) {
    if (!isList) {
      if (declared ? declared->type == ValueType::Text
                   : std::holds_alternative<std::string>(stored->value)) {
        return Variant(buffer_.text(key));
      }
      return toVariant(declared, buffer_.number(key));
    }
    std::vector<double> list = buffer_.list(key);
    if (declared && declared->size > 0) list.resize(static_cast<std::size_t>(declared->size), 0.0);
    femap::VariantArray array;
    array.reserve(list.size());
    for (double element : list) array.push_back(toVariant(declared, element));
    return Variant(std::move(array));
  }
  if (!isList) throw femap::Error(std::string(kind()) + "." + key + " takes no index");
  long index = args[0].asInt();
  std::size_t available = declared && declared->size > 0 ? static_cast<std::size_t>(declared->size)
                                                         : buffer_.list(key).size();
  if (index < 0 || static_cast<std::size_t>(index) >= available) throw subscriptOutOfRange();
  return toVariant(declared, buffer_.element(key, static_cast<std::size_t>(index)));
}

int EntityObject::lookupSet() {
  if (!info(kind_).inSet) return 0;
  int setId = setChosen_ ? buffer_.integer("setID") : 0;
  return setId > 0 ? setId : application_->activeId(setEntityType(kind_));
}

int EntityObject::setOfBuffer() {
  if (!info(kind_).inSet) return 0;
  int setId = buffer_.integer("setID");
  return setId > 0 ? setId : application_->activeId(setEntityType(kind_));
}

int EntityObject::get(int id) {
  EntityTable& table = application_->model().table(kind_);
  int setId = lookupSet();
  const Entity* entity = table.find(id, setId);
  if (!entity) return femap::kNotExist;
  if (kind_ == Kind::OutVec) {
    // Output vectors can be large: the buffer keeps the vector's scalar members and reads
    // its values from the store through the output index.
    buffer_ = Entity{};
    buffer_.id = entity->id;
    for (const Member& member : entity->members) {
      if (!std::holds_alternative<std::vector<double>>(member.value)) buffer_.members.push_back(member);
    }
  } else {
    buffer_ = *entity;
  }
  if (info(kind_).inSet) buffer_.set("setID", static_cast<double>(setId));
  cursor_ = id;
  loadCursors_.fill(0);
  return femap::kOk;
}

int EntityObject::put(int id) {
  if (id <= 0) return femap::kFail;
  EntityTable& table = application_->model().table(kind_);
  Entity entity = buffer_;
  entity.id = id;
  if (info(kind_).inSet) entity.set("setID", static_cast<double>(setOfBuffer()));
  if (kind_ == Kind::OutVec) {
    if (const Entity* stored = table.find(id, setOfBuffer())) {
      for (const Member& member : stored->members) {
        if (std::holds_alternative<std::vector<double>>(member.value)) entity.set(member.key, member.value);
      }
    }
    application_->outputsChanged();
  }
  table.put(std::move(entity));
  buffer_.id = id;
  return femap::kOk;
}

bool EntityObject::exist(int id) {
  return application_->model().table(kind_).find(id, lookupSet()) != nullptr;
}

bool EntityObject::next() {
  if (kind_ == Kind::View && application_->model().table(kind_).empty()) {
    // A model always shows at least one view, stored or not.
    if (cursor_ != 0) return false;
    buffer_ = Entity{};
    buffer_.id = cursor_ = 1;
    return true;
  }
  const Entity* entity = application_->model().table(kind_).next(cursor_, lookupSet());
  if (!entity) return false;
  get(entity->id);
  return true;
}

int EntityObject::remove(int id) {
  // An output set takes its vectors with it.
  if (kind_ == Kind::OutSet) return application_->deleteOutputSet(id) ? femap::kOk : femap::kNotExist;
  Model& model = application_->model();
  if (!model.table(kind_).erase(id, lookupSet())) return femap::kNotExist;
  // An analysis set takes its analysis cases with it.
  if (kind_ == Kind::Analysis) model.table(Kind::AnalysisCase).eraseSet(id);
  if (kind_ == Kind::OutVec) application_->outputsChanged();
  return femap::kOk;
}

int EntityObject::last() {
  int id = application_->model().table(kind_).lastId(lookupSet());
  return id > 0 ? get(id) : femap::kNotExist;
}

Variant EntityObject::outputValue(int entityId) {
  int setId = setOfBuffer();
  const OutputIndex& index = application_->outputIndex(setId, buffer_.id);
  auto it = index.positionOf.find(entityId);
  if (it == index.positionOf.end()) {
    throw femap::Error("Output vector " + std::to_string(buffer_.id) + " of output set " +
                       std::to_string(setId) + " has no value at entity " + std::to_string(entityId));
  }
  const Entity* vector = application_->model().table(Kind::OutVec).find(buffer_.id, setId);
  return Variant(vector->element("value", it->second));
}

int EntityObject::selectFunction(const std::string& title) {
  Model& model = application_->model();
  if (model.table(Kind::Func).empty()) return femap::kNotExist;
  auto answer = application_->nextFunction(title);
  if (!answer || answer->cancel || answer->ids.empty()) return femap::kCancel;
  return get(answer->ids.front()) == femap::kOk ? femap::kOk : femap::kFail;
}

int EntityObject::getFunctionList(Args args) {
  std::vector<double> x = buffer_.list("x");
  std::vector<double> y = buffer_.list("y");
  y.resize(x.size(), 0.0);
  if (args.size() < 3) throw femap::Error("Function.GetFunctionList needs the count, X and Y places");
  args[0].assign(Variant(static_cast<int>(x.size())));
  args[1].assign(Variant::fromDoubles(x));
  args[2].assign(Variant::fromDoubles(y));
  return femap::kOk;
}

int EntityObject::putFunctionList(Args args) {
  int count = argument(args, 0, kind(), "PutFunctionList").asInt();
  std::vector<double> x = argument(args, 1, kind(), "PutFunctionList").asDoubles();
  std::vector<double> y = argument(args, 2, kind(), "PutFunctionList").asDoubles();
  if (count < 0 || static_cast<std::size_t>(count) > x.size() || static_cast<std::size_t>(count) > y.size()) {
    return femap::kFail;
  }
  x.resize(static_cast<std::size_t>(count));
  y.resize(static_cast<std::size_t>(count));
  buffer_.set("x", std::move(x));
  buffer_.set("y", std::move(y));
  return femap::kOk;
}

bool EntityObject::nextLoad(const Variant& loadObject) {
  auto load = std::dynamic_pointer_cast<EntityObject>(loadObject.asObject().dispatch());
  if (!load || !isLoadKind(load->kind_)) {
    throw femap::Error("LoadDefinition.NextLoad needs a load object (LoadMesh, LoadGeom, LoadETemp or LoadNTemp)");
  }
  int setId = setOfBuffer();
  const EntityTable& loads = application_->model().table(load->kind_);
  int& cursor = loadCursors_[static_cast<int>(load->kind_)];
  for (const Entity* entity = loads.next(cursor, setId); entity; entity = loads.next(entity->id, setId)) {
    if (entity->integer("LoadDefinitionID") == buffer_.id) {
      cursor = entity->id;
      load->load(*entity);
      return true;
    }
  }
  cursor = std::numeric_limits<int>::max();
  return false;
}

// ---------------------------------------------------------------- sets

SetObject::SetObject(std::shared_ptr<Application> application) : application_(std::move(application)) {}

const MemberTable<SetObject>& SetObject::members() {
  static const MemberTable<SetObject> table{
      {"ID", [](SetObject& self, Invoke, Args) { return Variant(self.id_); }},
      {"count", [](SetObject& self, Invoke, Args) { return Variant(static_cast<int>(self.ids_.size())); }},
      {"Select", [](SetObject& self, Invoke, Args args) {
         return Variant(self.select(argument(args, 0, "Set", "Select").asInt(),
                                    args.size() > 1 && args[1].asBool(),
                                    args.size() > 2 ? args[2].asString() : std::string(), -1));
       }},
      {"SelectIDInSet", [](SetObject& self, Invoke, Args args) {
         return Variant(self.select(argument(args, 0, "Set", "SelectIDInSet").asInt(),
                                    args.size() > 2 && args[2].asBool(),
                                    args.size() > 3 ? args[3].asString() : std::string(),
                                    argument(args, 1, "Set", "SelectIDInSet").asInt()));
       }},
      {"AddAll", [](SetObject& self, Invoke, Args args) {
         return Variant(self.addAll(argument(args, 0, "Set", "AddAll").asInt()));
       }},
      {"Add", [](SetObject& self, Invoke, Args args) {
         self.ids_.insert(argument(args, 0, "Set", "Add").asInt());
         return Variant(femap::kOk);
       }},
      {"Remove", [](SetObject& self, Invoke, Args args) {
         return Variant(self.ids_.erase(argument(args, 0, "Set", "Remove").asInt()) ? femap::kOk
                                                                                  : femap::kNotExist);
       }},
      {"IsAdded", [](SetObject& self, Invoke, Args args) {
         return Variant(self.ids_.count(argument(args, 0, "Set", "IsAdded").asInt()) != 0);
       }},
      {"Clear", [](SetObject& self, Invoke, Args) {
         self.ids_.clear();
         self.cursor_ = 0;
         return Variant(femap::kOk);
       }},
      {"Reset", [](SetObject& self, Invoke, Args) {
         self.cursor_ = 0;
         return Variant(femap::kOk);
       }},
      {"Next", [](SetObject& self, Invoke, Args) { return Variant(self.next()); }},
      {"First", [](SetObject& self, Invoke, Args) {
         self.cursor_ = 0;
         return Variant(self.next());
       }},
      {"Copy", [](SetObject& self, Invoke, Args args) {
         auto other = self.application_->findSet(argument(args, 0, "Set", "Copy").asInt());
         if (!other) return Variant(femap::kNotExist);
         self.ids_ = other->ids_;
         self.cursor_ = 0;
         return Variant(femap::kOk);
       }},
  };
  return table;
}

Variant SetObject::invoke(std::string_view member, Invoke how, Args args) {
  if (const auto* handler = members().find(member)) return (*handler)(*this, how, args);
  throw unknownMember(kind(), member);
}

int SetObject::select(int entityType, bool clear, const std::string& title, int inSet) {
  if (clear) {
    ids_.clear();
    cursor_ = 0;
  }
  auto answer = application_->nextSelection(title);
  if (!answer || answer->cancel) return femap::kCancel;
  auto kind = kindFromEntityType(entityType);
  for (int id : answer->ids) {
    // FEMAP's dialog offers only what exists, so IDs that don't are not picked.
    if (kind) {
      int setId = inSet > 0 ? inSet : application_->activeId(setEntityType(*kind));
      if (!application_->model().table(*kind).find(id, setId)) continue;
    }
    ids_.insert(id);
  }
  return femap::kOk;
}

int SetObject::addAll(int entityType) {
  auto kind = kindFromEntityType(entityType);
  if (!kind) return femap::kFail;
  const EntityTable& table = application_->model().table(*kind);
  int setId = info(*kind).inSet ? application_->activeId(setEntityType(*kind)) : 0;
  for (const Entity* entity = table.next(0, setId); entity; entity = table.next(entity->id, setId)) {
    ids_.insert(entity->id);
  }
  return femap::kOk;
}

int SetObject::next() {
  auto it = ids_.upper_bound(cursor_);
  if (it == ids_.end()) return 0;
  cursor_ = *it;
  return cursor_;
}

// ---------------------------------------------------------------- text reader

const MemberTable<ReadObject>& ReadObject::members() {
  static const MemberTable<ReadObject> table{
      {"Open", [](ReadObject& self, Invoke, Args args) {
         return Variant(self.open(argument(args, 0, "Read", "Open").asString(),
                                  args.size() > 1 ? args[1].asInt() : 0));
       }},
      {"Close", [](ReadObject& self, Invoke, Args) {
         self.open_ = false;
         self.text_.clear();
         return Variant(femap::kOk);
       }},
      {"SetSearchString", [](ReadObject& self, Invoke, Args args) {
         self.commentMarker_ = argument(args, 0, "Read", "SetSearchString").asString();
         return Variant(femap::kOk);
       }},
      {"SetSkip", [](ReadObject& self, Invoke, Args args) {
         self.skip_ = argument(args, 0, "Read", "SetSkip").asBool();
         return Variant(femap::kOk);
       }},
      {"SetTrimSpace", [](ReadObject& self, Invoke, Args args) {
         self.trimSpace_ = argument(args, 0, "Read", "SetTrimSpace").asBool();
         return Variant(femap::kOk);
       }},
      {"SetNoBlankLines", [](ReadObject& self, Invoke, Args args) {
         self.noBlankLines_ = argument(args, 0, "Read", "SetNoBlankLines").asBool();
         return Variant(femap::kOk);
       }},
      {"Read", [](ReadObject& self, Invoke, Args) { return Variant(self.read()); }},
      {"Line", [](ReadObject& self, Invoke, Args) { return Variant(self.line_); }},
      {"Field", [](ReadObject& self, Invoke, Args args) {
         return Variant(self.field(argument(args, 0, "Read", "Field").asInt()));
       }},
      {"IntField", [](ReadObject& self, Invoke, Args args) {
         auto value = support::parseInteger(self.field(argument(args, 0, "Read", "IntField").asInt()));
         if (value && *value >= std::numeric_limits<int>::min() && *value <= std::numeric_limits<int>::max()) {
           return Variant(static_cast<int>(*value));
         }
         return args.size() > 1 ? Variant(args[1].asInt()) : Variant(0);
       }},
      {"RealField", [](ReadObject& self, Invoke, Args args) {
         auto value = support::parseNumber(self.field(argument(args, 0, "Read", "RealField").asInt()));
         if (value) return Variant(*value);
         return args.size() > 1 ? Variant(args[1].asDouble()) : Variant(0.0);
       }},
      {"AtEOF", [](ReadObject& self, Invoke, Args) {
         // At the end when no further record follows.
         ReadObject probe = self;
         return Variant(!self.open_ || probe.read() != femap::kOk);
       }},
  };
  return table;
}

Variant ReadObject::invoke(std::string_view member, Invoke how, Args args) {
  if (const auto* handler = members().find(member)) return (*handler)(*this, how, args);
  throw unknownMember(kind(), member);
}

int ReadObject::open(const std::string& path, int maxLength) {
  try {
    text_ = support::readWholeFile(path);
  } catch (const std::exception&) {
    open_ = false;
    return femap::kFail;
  }
  open_ = true;
  position_ = 0;
  maxLength_ = maxLength;
  line_.clear();
  fields_.clear();
  return femap::kOk;
}

int ReadObject::read() {
  line_.clear();
  fields_.clear();
  while (open_ && position_ < text_.size()) {
    std::size_t end = text_.find('\n', position_);
    if (end == std::string::npos) end = text_.size();
    std::string line = text_.substr(position_, end - position_);
    position_ = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (maxLength_ > 0 && line.size() > static_cast<std::size_t>(maxLength_)) line.resize(static_cast<std::size_t>(maxLength_));
    if (trimSpace_) line = support::trim(line);
    if (noBlankLines_ && support::trim(line).empty()) continue;
    if (skip_ && !commentMarker_.empty() && support::startsWith(support::trimView(line), commentMarker_)) continue;
    line_ = line;
    for (std::string_view field : support::splitFields(support::trimView(line_))) fields_.emplace_back(field);
    return femap::kOk;
  }
  return femap::kFail;
}

std::string ReadObject::field(int n) const {
  return n >= 1 && static_cast<std::size_t>(n) <= fields_.size() ? fields_[static_cast<std::size_t>(n) - 1]
                                                                 : std::string();
}

}  // namespace femapsim
