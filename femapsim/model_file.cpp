#include "femapsim/model_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <set>
#include <system_error>
#include <unordered_map>
#include <utility>

#include "support/strings.h"
#include "support/text_file.h"

namespace femapsim {
namespace {

constexpr std::string_view kHeader = "FEMAPSIM";

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool isKeyChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

std::string_view trimmed(std::string_view line) {
  std::size_t begin = 0, end = line.size();
  while (begin < end && isBlank(line[begin])) ++begin;
  while (end > begin && isBlank(line[end - 1])) --end;
  return line.substr(begin, end - begin);
}

bool parseDouble(std::string_view text, double& value) {
  if (text.empty()) return false;
  // Whole numbers (IDs, codes, node lists) are most of a model file: read them directly.
  if (text.size() <= 15) {
    std::size_t i = text[0] == '-' ? 1 : 0;
    if (i < text.size()) {
      long long whole = 0;
      std::size_t j = i;
      for (; j < text.size() && text[j] >= '0' && text[j] <= '9'; ++j) whole = whole * 10 + (text[j] - '0');
      if (j == text.size()) {
        // Negated as a double so that "-0" keeps its sign.
        value = i ? -static_cast<double>(whole) : static_cast<double>(whole);
        return true;
      }
    }
  }
  const char* first = text.data();
  const char* last = first + text.size();
  if (*first == '+') ++first;
  auto [end, error] = std::from_chars(first, last, value);
  return error == std::errc() && end == last;
}

bool parseInt(std::string_view text, int& value) {
  if (text.empty()) return false;
  const char* first = text.data();
  const char* last = first + text.size();
  if (*first == '+') ++first;
  auto [end, error] = std::from_chars(first, last, value);
  return error == std::errc() && end == last;
}

// The references of a whole model: every entity a member names must exist, lists that go
// together must have the same length, and no coordinate system may be defined in itself.
class ReferenceChecker {
 public:
  ReferenceChecker(const Model& model, std::string_view fileName, const EntityLineOf& lineOf, FileContent content)
      : model_(model), fileName_(fileName), lineOf_(lineOf), content_(content) {}

  std::string describe(Kind kind, const Entity& entity) const {
    return std::string(info(kind).word) + " " + std::to_string(entity.id);
  }

  void requireEntity(Kind owner, int ownerSet, const Entity& entity, std::string_view member, Kind target,
                     int targetId, int targetSet = 0) const {
    if (model_.table(target).find(targetId, targetSet)) return;
    fail(lineOf(owner, ownerSet, entity.id),
         describe(owner, entity) + " refers to missing " + std::string(info(target).word) + " " +
             std::to_string(targetId) + " (" + std::string(member) + ")");
  }

  void run() const {
    for (int k = 0; k < kKindCount; ++k) {
      Kind kind = static_cast<Kind>(k);
      for (const auto& [key, entity] : model_.table(kind).entities()) {
        int setId = static_cast<int>(key >> 32);
        checkEntity(kind, setId, entity);
      }
    }
    checkCoordinateCycles();
  }

  // Every entry of a list member names an entity of `target` (0 entries are allowed where
  // `zeroAllowed`).
  void requireEach(Kind owner, int ownerSet, const Entity& entity, std::string_view member, Kind target,
                   bool zeroAllowed = false) const {
    for (double id : entity.list(member)) {
      if (id == 0 && zeroAllowed) continue;
      if (!(id >= 1 && id <= std::numeric_limits<int>::max() && id == std::floor(id))) {
        fail(lineOf(owner, ownerSet, entity.id), describe(owner, entity) + " lists " + formatModelNumber(id) +
                                                   " in " + std::string(member) + ", which is no " +
                                                   std::string(info(target).word) + " ID");
      }
      requireEntity(owner, ownerSet, entity, member, target, static_cast<int>(id));
    }
  }

  // A member that names an entity when it is above 0.
  void requireIfSet(Kind owner, int ownerSet, const Entity& entity, std::string_view member, Kind target) const {
    if (int id = entity.integer(member); id > 0) requireEntity(owner, ownerSet, entity, member, target, id);
  }

  void requireSameLength(Kind kind, int setId, const Entity& entity, std::string_view first,
                         std::string_view second) const {
    std::size_t a = entity.list(first).size(), b = entity.list(second).size();
    if (a == b) return;
    fail(lineOf(kind, setId, entity.id), describe(kind, entity) + " has " + std::to_string(a) + " " +
                                             std::string(first) + " values but " + std::to_string(b) + " " +
                                             std::string(second) + " values");
  }

  void checkEntity(Kind kind, int setId, const Entity& entity) const {
    switch (kind) {
      case Kind::CSys:
        requireIfSet(kind, 0, entity, "defCSys", Kind::CSys);
        if (entity.find("defNode")) requireEach(kind, 0, entity, "defNode", Kind::Node, true);
        break;
      case Kind::Elem: {
        for (double node : entity.list("node")) {
          if (node == 0) continue;  // an unused corner
          if (!(node >= 1 && node <= std::numeric_limits<int>::max() && node == std::floor(node))) {
            fail(lineOf(kind, 0, entity.id),
                 describe(kind, entity) + " lists " + formatModelNumber(node) + " among its nodes, which is no node ID");
          }
          requireEntity(kind, 0, entity, "node", Kind::Node, static_cast<int>(node));
        }
        if (int prop = entity.integer("propID")) requireEntity(kind, 0, entity, "propID", Kind::Prop, prop);
        requireEach(kind, 0, entity, "nodeList", Kind::Node);
        if (entity.find("nodeDOF")) requireSameLength(kind, 0, entity, "nodeList", "nodeDOF");
        if (entity.find("nodeWeight")) requireSameLength(kind, 0, entity, "nodeList", "nodeWeight");
        if (int type = entity.integer("type"); type == 2 || type == 5 || type == 6) {
          requireIfSet(kind, 0, entity, "orientID", Kind::Node);
        }
        if (entity.integer("MaterialOrient") == 1) requireIfSet(kind, 0, entity, "MaterialCSys", Kind::CSys);
        requireIfSet(kind, 0, entity, "orientCSys", Kind::CSys);
        break;
      }
      case Kind::Prop:
        if (int matl = entity.integer("matlID")) requireEntity(kind, 0, entity, "matlID", Kind::Matl, matl);
        requireIfSet(kind, 0, entity, "layupID", Kind::Layup);
        requireIfSet(kind, 0, entity, "bendMatlID", Kind::Matl);
        requireIfSet(kind, 0, entity, "shearMatlID", Kind::Matl);
        requireIfSet(kind, 0, entity, "couplingMatlID", Kind::Matl);
        break;
      case Kind::Layup:
        requireEach(kind, 0, entity, "matlID", Kind::Matl, true);
        requireSameLength(kind, 0, entity, "matlID", "thickness");
        break;
      case Kind::LoadSet:
        requireEach(kind, 0, entity, "LoadCombineSet", Kind::LoadSet);
        requireSameLength(kind, 0, entity, "LoadCombineSet", "LoadCombineScale");
        break;
      case Kind::BcSet:
        requireEach(kind, 0, entity, "SPCAddSet", Kind::BcSet);
        requireEach(kind, 0, entity, "MPCAddSet", Kind::BcSet);
        break;
      case Kind::LoadDef:
        requireEntity(kind, setId, entity, "setID", Kind::LoadSet, setId);
        break;
      case Kind::LoadMesh:
      case Kind::LoadGeom:
      case Kind::ElemTemp:
      case Kind::NodeTemp:
        requireEntity(kind, setId, entity, "setID", Kind::LoadSet, setId);
        if (int definition = entity.integer("LoadDefinitionID")) {
          requireEntity(kind, setId, entity, "LoadDefinitionID", Kind::LoadDef, definition, setId);
        }
        if (kind == Kind::NodeTemp) {
          requireEntity(kind, setId, entity, "meshID", Kind::Node, entity.integer("meshID"));
        }
        if (kind == Kind::ElemTemp) {
          requireEntity(kind, setId, entity, "meshID", Kind::Elem, entity.integer("meshID"));
        }
        if (kind == Kind::LoadMesh) requireIfSet(kind, setId, entity, "CSys", Kind::CSys);
        break;
      case Kind::BcNode:
        requireEntity(kind, setId, entity, "setID", Kind::BcSet, setId);
        requireEntity(kind, setId, entity, "ID", Kind::Node, entity.id);
        break;
      case Kind::BcEqn:
        requireEntity(kind, setId, entity, "setID", Kind::BcSet, setId);
        requireEach(kind, setId, entity, "node", Kind::Node);
        requireSameLength(kind, setId, entity, "node", "dof");
        requireSameLength(kind, setId, entity, "node", "coeff");
        break;
      case Kind::AnalysisCase:
        requireEntity(kind, setId, entity, "setID", Kind::Analysis, setId);
        requireIfSet(kind, setId, entity, "LoadSetID", Kind::LoadSet);
        requireIfSet(kind, setId, entity, "BCSetID", Kind::BcSet);
        requireIfSet(kind, setId, entity, "MPCSetID", Kind::BcSet);
        requireIfSet(kind, setId, entity, "TempSetID", Kind::LoadSet);
        requireIfSet(kind, setId, entity, "TempInitSetID", Kind::LoadSet);
        break;
      case Kind::OutVec:
        if (content_ == FileContent::Model || setId > 0) {
          requireEntity(kind, setId, entity, "setID", Kind::OutSet, setId);
        }
        if (entity.list("entity").size() != entity.list("value").size()) {
          fail(lineOf(kind, setId, entity.id),
               describe(kind, entity) + " has " + std::to_string(entity.list("entity").size()) +
                   " entities but " + std::to_string(entity.list("value").size()) + " values");
        }
        break;
      case Kind::Func:
        if (entity.list("x").size() != entity.list("y").size()) {
          fail(lineOf(kind, 0, entity.id), describe(kind, entity) + " has " +
                                               std::to_string(entity.list("x").size()) + " x values but " +
                                               std::to_string(entity.list("y").size()) + " y values");
        }
        break;
      default:
        break;
    }
  }

  // A coordinate system may not be defined, through its reference systems, in itself.
  void checkCoordinateCycles() const {
    const EntityTable& systems = model_.table(Kind::CSys);
    for (const auto& [key, system] : systems.entities()) {
      int steps = 0;
      for (int reference = system.integer("defCSys"); reference > 0;) {
        if (reference == system.id || ++steps > static_cast<int>(systems.size())) {
          fail(lineOf(Kind::CSys, 0, system.id),
               "csys " + std::to_string(system.id) + " is defined in itself through its reference systems (defCSys)");
        }
        const Entity* next = systems.find(reference);
        reference = next ? next->integer("defCSys") : 0;
      }
    }
  }


 private:
  [[noreturn]] void fail(int line, std::string reason) const {
    throw ModelFileError(std::string(fileName_), line, std::move(reason));
  }
  int lineOf(Kind kind, int setId, int id) const { return lineOf_ ? lineOf_(kind, setId, id) : 0; }

  const Model& model_;
  std::string_view fileName_;
  const EntityLineOf& lineOf_;
  FileContent content_;
};

// Parses one file, line by line, into a Model; remembers where each entity stood for the
// reference checks that follow.
class Parser {
 public:
  Parser(std::string_view text, std::string_view fileName, FileContent content)
      : text_(text), fileName_(fileName), content_(content) {}

  Model run() {
    bool headerSeen = false;
    std::size_t position = 0;
    while (position <= text_.size()) {
      std::size_t end = text_.find('\n', position);
      if (end == std::string_view::npos) end = text_.size();
      ++lineNumber_;
      std::string_view line = trimmed(text_.substr(position, end - position));
      position = end + 1;
      if (line.empty() || line.front() == '#') continue;
      if (!headerSeen) {
        readHeader(line);
        headerSeen = true;
        continue;
      }
      readLine(line);
    }
    if (!headerSeen) fail(0, "empty file: the first line must be \"FEMAPSIM 1\"");
    checkDuplicates();
    checkReferences();
    return std::move(model_);
  }

 private:
  [[noreturn]] void fail(int line, std::string reason) const {
    throw ModelFileError(std::string(fileName_), line, std::move(reason));
  }
  [[noreturn]] void fail(std::string reason) const { fail(lineNumber_, std::move(reason)); }

  void readHeader(std::string_view line) {
    if (line.substr(0, kHeader.size()) != kHeader || trimmed(line.substr(kHeader.size())) != "1") {
      fail("the first line must be \"FEMAPSIM 1\", found \"" + std::string(line) + "\"");
    }
  }

  static std::string_view nextToken(std::string_view& rest) {
    std::size_t begin = 0;
    while (begin < rest.size() && isBlank(rest[begin])) ++begin;
    std::size_t end = begin;
    while (end < rest.size() && !isBlank(rest[end])) ++end;
    std::string_view token = rest.substr(begin, end - begin);
    rest.remove_prefix(end);
    return token;
  }

  void readLine(std::string_view line) {
    ParsedLine parsed = readEntityLine(line);
    if (!parsed.kind) {
      if (content_ == FileContent::Results) fail("only outset and outvec lines belong in a results file");
      if (modelLineSeen_) fail("a second model line");
      modelLineSeen_ = true;
      model_.header = std::move(parsed.entity);
      return;
    }
    Kind kind = *parsed.kind;
    if (content_ == FileContent::Results && kind != Kind::OutSet && kind != Kind::OutVec) {
      fail("only outset and outvec lines belong in a results file, found \"" + std::string(info(kind).word) + "\"");
    }
    EntityTable& table = model_.table(kind);
    int setId = table.inSet() ? parsed.entity.integer("setID") : 0;
    table.append(EntityTable::key(setId, parsed.entity.id), std::move(parsed.entity));
  }

 public:
  // One line: the model line (no kind) or an entity of its kind with its members.
  ParsedLine readEntityLine(std::string_view line) {
    std::string_view rest = line;
    std::string_view word = nextToken(rest);
    ParsedLine parsed;
    if (word == "model") {
      readMembers(rest, nullptr, parsed.entity);
      return parsed;
    }
    auto kind = kindFromWord(word);
    if (!kind) fail("unknown kind \"" + std::string(word) + "\"");
    std::string_view idText = nextToken(rest);
    if (!parseInt(idText, parsed.entity.id) || parsed.entity.id <= 0) {
      fail("the ID of a " + std::string(word) + " must be a whole number above 0, found \"" +
           std::string(idText) + "\"");
    }
    readMembers(rest, &*kind, parsed.entity);
    if (info(*kind).inSet && parsed.entity.integer("setID") <= 0) {
      fail(std::string(word) + " " + std::to_string(parsed.entity.id) + " needs setID");
    }
    parsed.kind = kind;
    return parsed;
  }
  void setLine(int lineNumber) { lineNumber_ = lineNumber; }

 private:
  void readMembers(std::string_view rest, const Kind* kind, Entity& entity) const {
    entity.members.reserve(4);
    while (true) {
      std::size_t begin = 0;
      while (begin < rest.size() && isBlank(rest[begin])) ++begin;
      rest.remove_prefix(begin);
      if (rest.empty()) return;
      std::size_t keyEnd = 0;
      while (keyEnd < rest.size() && isKeyChar(rest[keyEnd])) ++keyEnd;
      if (keyEnd == 0 || keyEnd >= rest.size() || rest[keyEnd] != '=') {
        fail("expected key=value, found \"" + std::string(nextToken(rest)) + "\"");
      }
      std::string_view key = rest.substr(0, keyEnd);
      rest.remove_prefix(keyEnd + 1);
      Value value = readValue(rest, key);
      for (const Member& other : entity.members) {
        if (support::equalsIgnoreCase(other.key, key)) fail("member \"" + std::string(key) + "\" given twice");
      }
      const MemberInfo* declared = kind ? declaredMember(*kind, key) : findModelMember(key);
      if (declared) checkShape(*declared, value, key);
      entity.members.push_back({std::string(key), std::move(value)});
    }
  }

  // Declared members by their spelling in this file: a model repeats the same few keys on
  // every line, so each spelling is looked up in the schema once.
  const MemberInfo* declaredMember(Kind kind, std::string_view key) const {
    auto& seen = memberCache_[static_cast<int>(kind)];
    for (const auto& [spelling, member] : seen) {
      if (spelling == key) return member;
    }
    const MemberInfo* member = findMember(kind, key);
    seen.emplace_back(std::string(key), member);
    return member;
  }

  static const MemberInfo* findModelMember(std::string_view key) {
    for (const MemberInfo& member : modelMembers()) {
      if (member.name.size() == key.size() && std::equal(key.begin(), key.end(), member.name.begin(),
                                                         [](char a, char b) {
                                                           return (a | 0x20) == (b | 0x20);
                                                         })) {
        return &member;
      }
    }
    return nullptr;
  }

  void checkShape(const MemberInfo& declared, const Value& value, std::string_view key) const {
    bool isText = std::holds_alternative<std::string>(value);
    if (declared.type == ValueType::Text && !isText) {
      fail("member \"" + std::string(key) + "\" must be a quoted text");
    }
    if (declared.type != ValueType::Text && isText) {
      fail("member \"" + std::string(key) + "\" must be a number" +
           (declared.size != 0 ? " list" : ""));
    }
    if (declared.size == 0 && std::holds_alternative<std::vector<double>>(value)) {
      fail("member \"" + std::string(key) + "\" takes one value, not a list");
    }
    if (declared.size > 0) {
      if (const auto* list = std::get_if<std::vector<double>>(&value)) {
        if (list->size() > static_cast<std::size_t>(declared.size)) {
          fail("member \"" + std::string(key) + "\" takes at most " + std::to_string(declared.size) +
               " values");
        }
      }
    }
  }

  Value readValue(std::string_view& rest, std::string_view key) const {
    if (!rest.empty() && rest.front() == '"') return readText(rest, key);
    std::size_t end = 0;
    while (end < rest.size() && !isBlank(rest[end])) ++end;
    std::string_view token = rest.substr(0, end);
    rest.remove_prefix(end);
    if (token.empty()) fail("member \"" + std::string(key) + "\" has no value");
    if (token.find(',') == std::string_view::npos) {
      double number;
      if (!parseDouble(token, number)) {
        fail("member \"" + std::string(key) + "\": \"" + std::string(token) +
             "\" is neither a number nor a quoted text");
      }
      return number;
    }
    std::vector<double> list;
    list.reserve(static_cast<std::size_t>(std::count(token.begin(), token.end(), ',')) + 1);
    std::size_t start = 0;
    while (true) {
      std::size_t comma = token.find(',', start);
      std::string_view item = token.substr(start, comma == std::string_view::npos ? std::string_view::npos
                                                                                   : comma - start);
      double number;
      if (!parseDouble(item, number)) {
        fail("member \"" + std::string(key) + "\": list item \"" + std::string(item) +
             "\" is not a number");
      }
      list.push_back(number);
      if (comma == std::string_view::npos) break;
      start = comma + 1;
    }
    return list;
  }

  Value readText(std::string_view& rest, std::string_view key) const {
    std::string text;
    std::size_t i = 1;
    for (; i < rest.size(); ++i) {
      char c = rest[i];
      if (c == '"') break;
      if (c == '\\') {
        if (++i >= rest.size()) break;
        switch (rest[i]) {
          case '"': text += '"'; break;
          case '\\': text += '\\'; break;
          case 'n': text += '\n'; break;
          case 'r': text += '\r'; break;
          case 't': text += '\t'; break;
          default: fail("member \"" + std::string(key) + "\": unknown escape \\" + std::string(1, rest[i]));
        }
        continue;
      }
      text += c;
    }
    if (i >= rest.size()) fail("member \"" + std::string(key) + "\": text without closing quote");
    rest.remove_prefix(i + 1);
    if (!rest.empty() && !isBlank(rest.front())) fail("member \"" + std::string(key) + "\": blank expected after the closing quote");
    return text;
  }

  // The line of an entity, found again by scanning the text: only needed to report a fault,
  // so loading keeps no per-entity line table.
  int lineOf(Kind kind, int setId, int id, int occurrence = 1) const {
    std::string_view word = info(kind).word;
    bool inSet = info(kind).inSet;
    int lineNumber = 0;
    std::size_t position = 0;
    while (position <= text_.size()) {
      std::size_t end = text_.find('\n', position);
      if (end == std::string_view::npos) end = text_.size();
      ++lineNumber;
      std::string_view rest = trimmed(text_.substr(position, end - position));
      position = end + 1;
      int lineId = 0;
      if (nextToken(rest) != word || !parseInt(nextToken(rest), lineId) || lineId != id) continue;
      if (!inSet && --occurrence == 0) return lineNumber;
      if (!inSet) continue;
      Entity members;
      try {
        readMembers(rest, &kind, members);
      } catch (const ModelFileError&) {
        continue;
      }
      if (members.integer("setID") == setId && --occurrence == 0) return lineNumber;
    }
    return 0;
  }

  // Entities were appended as read; sorting each table once finds IDs given twice.
  void checkDuplicates() {
    for (int k = 0; k < kKindCount; ++k) {
      Kind kind = static_cast<Kind>(k);
      auto duplicate = model_.table(kind).finishAppending();
      if (!duplicate) continue;
      int setId = static_cast<int>(*duplicate >> 32);
      int id = static_cast<int>(*duplicate & 0xffffffff);
      bool inSet = info(kind).inSet;
      fail(lineOf(kind, setId, id, 2), "duplicate " + std::string(info(kind).word) + " " + std::to_string(id) +
                                           (inSet ? " in set " + std::to_string(setId) : std::string()));
    }
  }

  std::string describe(Kind kind, const Entity& entity) const {
    return std::string(info(kind).word) + " " + std::to_string(entity.id);
  }

  void checkReferences() const {
    checkModelReferences(model_, fileName_, [this](Kind kind, int setId, int id) { return lineOf(kind, setId, id); },
                         content_);
  }

  std::string_view text_;
  std::string_view fileName_;
  FileContent content_;
  int lineNumber_ = 0;
  bool modelLineSeen_ = false;
  Model model_;
  mutable std::array<std::vector<std::pair<std::string, const MemberInfo*>>, kKindCount> memberCache_;
};

void appendText(std::string& out, std::string_view text) {
  out += '"';
  for (char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: out += c;
    }
  }
  out += '"';
}

void appendNumber(std::string& out, double value) {
  char buffer[32];
  // Whole numbers (IDs, codes, node lists) are written as integers, which is much cheaper
  // than the shortest-round-trip form and gives the same text.
  if (value >= -1e15 && value <= 1e15 && value == static_cast<double>(static_cast<long long>(value)) &&
      !(value == 0 && std::signbit(value))) {
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(value));
    out.append(buffer, end);
    return;
  }
  auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (error != std::errc()) {
    out += "0";
    return;
  }
  out.append(buffer, end);
}

void appendMembers(std::string& out, const Entity& entity) {
  for (const Member& member : entity.members) {
    // An empty list has no text of its own; leaving it out reads back the same (no values).
    if (const auto* list = std::get_if<std::vector<double>>(&member.value); list && list->empty()) continue;
    out += ' ';
    out += member.key;
    out += '=';
    std::visit(
        [&](const auto& value) {
          using T = std::decay_t<decltype(value)>;
          if constexpr (std::is_same_v<T, double>) {
            appendNumber(out, value);
          } else if constexpr (std::is_same_v<T, std::string>) {
            appendText(out, value);
          } else {
            for (std::size_t i = 0; i < value.size(); ++i) {
              if (i) out += ',';
              appendNumber(out, value[i]);
            }
            // A one-value list is written as a single number, which list members accept.
          }
        },
        member.value);
  }
}

}  // namespace

ModelFileError::ModelFileError(std::string file, int line, std::string reason)
    : std::runtime_error(file + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " + reason),
      file_(std::move(file)),
      line_(line),
      reason_(std::move(reason)) {}

void checkModelReferences(const Model& model, std::string_view fileName, const EntityLineOf& lineOf,
                          FileContent content) {
  ReferenceChecker(model, fileName, lineOf, content).run();
}

ParsedLine parseModelLine(std::string_view line, std::string_view fileName, int lineNumber) {
  Parser parser(line, fileName, FileContent::Model);
  parser.setLine(lineNumber);
  return parser.readEntityLine(trimmed(line));
}

Model parseModel(std::string_view text, std::string_view fileName, FileContent content) {
  return Parser(text, fileName, content).run();
}

Model loadModelFile(const std::filesystem::path& path, FileContent content) {
  std::string text;
  try {
    text = support::readWholeFile(path);
  } catch (const std::system_error& failure) {
    throw ModelFileError(path.string(), 0, failure.code().message());
  }
  Model model = parseModel(text, path.string(), content);
  if (content == FileContent::Model) model.path = path.string();
  return model;
}

std::string formatModelLine(Kind kind, const Entity& entity) {
  std::string out(info(kind).word);
  out += ' ';
  out += std::to_string(entity.id);
  appendMembers(out, entity);
  return out;
}

std::string formatModelMembers(const Entity& entity) {
  std::string out;
  appendMembers(out, entity);
  return out;
}

std::string formatModelNumber(double value) {
  std::string out;
  appendNumber(out, value);
  return out;
}

std::string formatModel(const Model& model) {
  std::string out;
  out.reserve(64 * (model.entityCount() + 2));
  out += "FEMAPSIM 1\n";
  if (!model.header.members.empty()) {
    out += "model";
    appendMembers(out, model.header);
    out += '\n';
  }
  for (int k = 0; k < kKindCount; ++k) {
    Kind kind = static_cast<Kind>(k);
    std::string_view word = info(kind).word;
    for (const auto& [key, entity] : model.table(kind).entities()) {
      out += word;
      out += ' ';
      out += std::to_string(entity.id);
      appendMembers(out, entity);
      out += '\n';
    }
  }
  return out;
}

void saveModelFile(const Model& model, const std::filesystem::path& path) {
  support::writeFileAtomically(path, formatModel(model));
}

}  // namespace femapsim
