#include "nastran/case_control.h"

#include <algorithm>
#include <array>
#include <utility>

#include "nastran/numbers.h"
#include "nastran/text.h"

namespace nastran {
namespace {

using text::trimBlanks;
using text::upper;

constexpr std::array<std::pair<int, std::string_view>, 20> kSolutions = {{
    {101, "SESTATIC"}, {103, "SEMODES"},  {105, "SEBUCKL"},  {106, "NLSTATIC"}, {107, "SEDCEIG"},
    {108, "SEDFREQ"},  {109, "SEDTRAN"},  {110, "SEMCEIG"},  {111, "SEMFREQ"},  {112, "SEMTRAN"},
    {114, "CYCSTATX"}, {115, "CYCMODE"},  {116, "CYCBUCKL"}, {118, "CYCFREQ"},  {129, "NLTRAN"},
    {144, "AESTAT"},   {145, "SEFLUTTR"}, {146, "SEAERO"},   {153, "NLSCSH"},   {200, "DESOPT"},
}};

bool isWordChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'; }

// The command `key` stands for, when it is `full` or at least its first `shortest` letters.
bool isCommand(std::string_view key, std::string_view full, std::size_t shortest) {
  return key.size() >= std::min(shortest, full.size()) && key.size() <= full.size() && full.substr(0, key.size()) == key;
}

struct OutputCommand {
  std::string_view name;
  std::string_view canonical;
};

constexpr std::array<OutputCommand, 24> kOutputs = {{
    {"DISPLACEMENT", "DISPLACEMENT"}, {"VECTOR", "DISPLACEMENT"},   {"STRESS", "STRESS"},
    {"ELSTRESS", "STRESS"},           {"FORCE", "FORCE"},           {"ELFORCE", "FORCE"},
    {"SPCFORCES", "SPCFORCES"},       {"MPCFORCES", "MPCFORCES"},   {"STRAIN", "STRAIN"},
    {"OLOAD", "OLOAD"},               {"GPFORCE", "GPFORCE"},       {"ESE", "ESE"},
    {"EKE", "EKE"},                   {"EDE", "EDE"},               {"VELOCITY", "VELOCITY"},
    {"ACCELERATION", "ACCELERATION"}, {"GPSTRESS", "GPSTRESS"},     {"STRFIELD", "STRFIELD"},
    {"SVECTOR", "SVECTOR"},           {"THERMAL", "THERMAL"},       {"FLUX", "FLUX"},
    {"GPKE", "GPKE"},                 {"SDISPLACEMENT", "SDISPLACEMENT"}, {"NLSTRESS", "NLSTRESS"},
}};

std::optional<std::string_view> outputCommand(std::string_view key) {
  for (const OutputCommand& command : kOutputs)
    if (isCommand(key, command.name, 4)) return command.canonical;
  return std::nullopt;
}

// The words of a SET list: its members, THRU, BY, EXCEPT, separated by commas or blanks.
std::vector<std::string_view> setWords(std::string_view list) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < list.size()) {
    while (i < list.size() && (list[i] == ' ' || list[i] == '\t' || list[i] == ',')) ++i;
    std::size_t start = i;
    while (i < list.size() && list[i] != ' ' && list[i] != '\t' && list[i] != ',') ++i;
    if (i > start) words.push_back(list.substr(start, i - start));
  }
  return words;
}

}  // namespace

std::optional<int> solutionNumber(std::string_view name) {
  for (const auto& [number, known] : kSolutions)
    if (known == name) return number;
  return std::nullopt;
}

std::string_view solutionName(int number) {
  for (const auto& [known, name] : kSolutions)
    if (known == number) return name;
  return {};
}

bool CaseSet::contains(int value) const {
  if (all) return true;
  for (const Range& range : ranges) {
    if (value < range.first || value > range.last || (value - range.first) % range.by != 0) continue;
    if (std::find(range.except.begin(), range.except.end(), value) != range.except.end()) continue;
    return true;
  }
  return false;
}

std::optional<int> OutputRequest::setId() const { return parseInteger(target); }

Location Subcase::locationOf(std::string_view selection) const {
  auto found = selectionAt.find(selection);
  return found == selectionAt.end() ? at : found->second;
}

const CaseSet* Subcase::findSet(int setId) const {
  for (const CaseSet& set : sets)
    if (set.id == setId) return &set;
  return nullptr;
}

const OutputRequest* Subcase::findOutput(std::string_view name) const {
  for (const OutputRequest& output : outputs)
    if (output.name == name) return &output;
  return nullptr;
}

Subcase CaseControl::effective(const Subcase& subcase) const {
  Subcase result = subcase;
  auto inherit = [](auto& own, const auto& fallback) {
    if (!own) own = fallback;
  };
  inherit(result.title, global.title);
  inherit(result.subtitle, global.subtitle);
  inherit(result.label, global.label);
  inherit(result.load, global.load);
  inherit(result.spc, global.spc);
  inherit(result.mpc, global.mpc);
  inherit(result.method, global.method);
  inherit(result.temperatureLoad, global.temperatureLoad);
  inherit(result.temperatureInitial, global.temperatureInitial);
  inherit(result.temperatureMaterial, global.temperatureMaterial);
  for (const auto& [selection, where] : global.selectionAt) result.selectionAt.try_emplace(selection, where);
  for (const CaseSet& set : global.sets)
    if (!result.findSet(set.id)) result.sets.push_back(set);
  for (const OutputRequest& output : global.outputs)
    if (!result.findOutput(output.name)) result.outputs.push_back(output);
  result.others.insert(result.others.begin(), global.others.begin(), global.others.end());
  return result;
}

std::vector<Subcase> CaseControl::effectiveSubcases() const {
  std::vector<Subcase> result;
  for (const Subcase& subcase : subcases) result.push_back(effective(subcase));
  if (subcases.empty()) {
    Subcase only = global;
    only.id = 1;
    result.push_back(std::move(only));
  }
  return result;
}

void CaseControlReader::fail(Location at, const std::string& subject, const std::string& reason) const {
  throw DeckError(files_, at, subject, reason);
}

void CaseControlReader::add(std::string_view line, Location at) {
  std::string_view text = trimBlanks(line.substr(0, line.find('$')));
  if (text.empty()) return;
  if (plotting_) {
    control_.plotPackets.push_back({std::string(text), at});
    return;
  }
  if (pending_.empty()) {
    pending_ = text;
    pendingAt_ = at;
  } else {
    pending_ += ' ';
    pending_ += text;
  }
  std::string key;
  for (char c : upper(pending_.substr(0, 16))) {
    if (!isWordChar(c)) break;
    key += c;
  }
  bool freeText = isCommand(key, "TITLE", 4) || isCommand(key, "SUBTITLE", 4) || isCommand(key, "LABEL", 4);
  if (!freeText && pending_.back() == ',') return;
  std::string statementText = std::move(pending_);
  pending_.clear();
  statement(statementText, pendingAt_);
}

CaseControl CaseControlReader::finish() {
  if (!pending_.empty()) {
    // Case control ended while the statement waited for its next line.
    std::string statementText = std::move(pending_);
    pending_.clear();
    while (!statementText.empty() && (statementText.back() == ',' || statementText.back() == ' '))
      statementText.pop_back();
    if (!statementText.empty()) statement(statementText, pendingAt_);
  }
  return std::move(control_);
}

void CaseControlReader::statement(const std::string& text, Location at) {
  std::string normal = upper(text);
  std::size_t keyEnd = 0;
  while (keyEnd < normal.size() && isWordChar(normal[keyEnd])) ++keyEnd;
  std::string key = normal.substr(0, keyEnd);
  std::string_view rest = trimBlanks(std::string_view(normal).substr(keyEnd));

  if (key == "SUBCASE") {
    auto id = parseInteger(rest);
    if (!id || *id <= 0) fail(at, "", "'" + text + "' needs a positive subcase number");
    const Subcase& previous = control_.subcases.empty() ? control_.global : control_.subcases.back();
    if (!control_.subcases.empty() && *id <= previous.id)
      fail(at, "SUBCASE " + std::to_string(*id),
           "subcase numbers must increase (SUBCASE " + std::to_string(previous.id) + " comes before it)");
    control_.subcases.push_back(Subcase());
    control_.subcases.back().id = *id;
    control_.subcases.back().at = at;
    current_ = &control_.subcases.back();
    return;
  }
  if (key == "OUTPUT" && !rest.empty() && rest[0] == '(') {
    plotting_ = true;
    control_.plotPackets.push_back({text, at});
    return;
  }

  // KEY [(describers)] = value
  std::vector<std::string> describers;
  if (!rest.empty() && rest[0] == '(') {
    std::size_t close = rest.find(')');
    if (close == std::string_view::npos) fail(at, key, "the describers' closing parenthesis is missing");
    for (std::string_view word : setWords(rest.substr(1, close - 1))) describers.emplace_back(word);
    rest = trimBlanks(rest.substr(close + 1));
  }
  if (key == "SET") {
    std::size_t equals = rest.find('=');
    auto id = parseInteger(trimBlanks(rest.substr(0, equals)));
    if (equals == std::string_view::npos || !id || *id <= 0) fail(at, "", "'" + text + "' needs a positive set number and '='");
    CaseSet set;
    set.id = *id;
    set.at = at;
    std::string subject = "SET " + std::to_string(*id);
    std::vector<std::string_view> words = setWords(rest.substr(equals + 1));
    if (words.empty()) fail(at, subject, "the set lists nothing");
    bool reals = std::any_of(words.begin(), words.end(), [](std::string_view word) {
      return classifyField(word) == FieldKind::Real;
    });
    if (words.size() == 1 && words[0] == "ALL") {
      set.all = true;
    } else if (reals) {
      for (std::string_view word : words) {
        auto value = parseReal(word);
        if (!value) fail(at, subject, "'" + std::string(word) + "' is not a number");
        set.reals.push_back(*value);
      }
    } else {
      auto number = [&](std::size_t i) {
        auto value = i < words.size() ? parseInteger(words[i]) : std::nullopt;
        if (!value) fail(at, subject, i < words.size() ? "'" + std::string(words[i]) + "' is not a whole number" : "the list ends early");
        return *value;
      };
      for (std::size_t i = 0; i < words.size();) {
        CaseSet::Range range;
        range.first = range.last = number(i++);
        if (i < words.size() && words[i] == "THRU") {
          range.last = number(i + 1);
          i += 2;
          if (range.last < range.first) fail(at, subject, "THRU range ends before it starts");
          if (i < words.size() && words[i] == "BY") {
            range.by = number(i + 1);
            i += 2;
            if (range.by <= 0) fail(at, subject, "BY needs a positive step");
          }
          if (i < words.size() && words[i] == "EXCEPT") {
            ++i;
            range.except.push_back(number(i++));
            while (i < words.size()) {
              auto value = parseInteger(words[i]);
              if (!value || *value < range.first || *value > range.last || (i + 1 < words.size() && words[i + 1] == "THRU")) break;
              range.except.push_back(*value);
              ++i;
            }
          }
        }
        set.ranges.push_back(std::move(range));
      }
    }
    current_->sets.push_back(std::move(set));
    return;
  }

  std::size_t equals = rest.empty() || rest[0] != '=' ? std::string_view::npos : 0;
  if (equals == std::string_view::npos) {
    current_->others.push_back({text, at});
    return;
  }
  std::string_view value = trimBlanks(rest.substr(1));
  std::string subject = key + " = " + std::string(value);
  auto setId = [&] {
    auto id = parseInteger(value);
    if (!id || *id <= 0) fail(at, subject, "a positive set ID is expected");
    return *id;
  };
  auto originalValue = [&] {
    std::size_t at = text.find('=');
    return std::string(trimBlanks(std::string_view(text).substr(at + 1)));
  };
  if (isCommand(key, "TITLE", 4)) {
    current_->title = originalValue();
  } else if (isCommand(key, "SUBTITLE", 4)) {
    current_->subtitle = originalValue();
  } else if (isCommand(key, "LABEL", 4)) {
    current_->label = originalValue();
  } else if (key == "LOAD") {
    current_->load = setId();
    current_->selectionAt["LOAD"] = at;
  } else if (key == "SPC") {
    current_->spc = setId();
    current_->selectionAt["SPC"] = at;
  } else if (key == "MPC") {
    current_->mpc = setId();
    current_->selectionAt["MPC"] = at;
  } else if (isCommand(key, "METHOD", 4)) {
    current_->method = setId();
    current_->selectionAt["METHOD"] = at;
  } else if (isCommand(key, "TEMPERATURE", 4)) {
    std::string kind = describers.empty() ? "BOTH" : describers.front();
    int id = setId();
    if (isCommand(kind, "LOAD", 4)) {
      current_->temperatureLoad = id;
      current_->selectionAt["TEMPERATURE(LOAD)"] = at;
    } else if (isCommand(kind, "INITIAL", 4)) {
      current_->temperatureInitial = id;
      current_->selectionAt["TEMPERATURE(INITIAL)"] = at;
    } else if (isCommand(kind, "MATERIAL", 3)) {
      current_->temperatureMaterial = id;
      current_->selectionAt["TEMPERATURE(MATERIAL)"] = at;
    } else if (kind == "BOTH") {
      current_->temperatureLoad = id;
      current_->temperatureMaterial = id;
      current_->selectionAt["TEMPERATURE(LOAD)"] = at;
      current_->selectionAt["TEMPERATURE(MATERIAL)"] = at;
    } else {
      fail(at, key + "(" + kind + ")", "the describer must be LOAD, INITIAL, MATERIAL or BOTH");
    }
  } else if (auto output = outputCommand(key)) {
    OutputRequest request;
    request.name = *output;
    request.describers = std::move(describers);
    request.target = value;
    request.at = at;
    if (request.target != "ALL" && request.target != "NONE") {
      auto id = parseInteger(value);
      if (!id || *id <= 0) fail(at, subject, "ALL, NONE or a set ID is expected");
    }
    for (OutputRequest& existing : current_->outputs) {
      if (existing.name == request.name) {
        existing = std::move(request);
        return;
      }
    }
    current_->outputs.push_back(std::move(request));
  } else {
    current_->others.push_back({text, at});
  }
}

}  // namespace nastran
