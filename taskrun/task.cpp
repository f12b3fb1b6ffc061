#include "taskrun/task.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "support/number_text.h"
#include "support/strings.h"

namespace taskrun {
namespace {

using Kind = Entry::Kind;

std::string quote(std::string_view text) { return "\"" + std::string(text) + "\""; }

class TaskBuilder {
 public:
  explicit TaskBuilder(const BlockFile& file) : file_(file) {}

  Task build() {
    const Entry* task = nullptr;
    for (const Entry& entry : file_.entries) {
      if (entry.kind == Kind::block && entry.name == "Task") {
        if (task) fail(entry.line, "a second \"Task\" block; the file describes one task");
        task = &entry;
      } else if (entry.kind != Kind::keys) {
        fail(entry.line, "expected \"Task NAME\" or a \"Key: value\" line at the outermost level");
      }
    }
    if (!task) fail(0, "no \"Task NAME\" block");
    task_.file = file_.fileName;
    std::map<std::string, const Entry*> simCodes;
    const Entry* taskProcess = nullptr;
    for (const Entry& entry : task->children) {
      if (entry.kind != Kind::block) continue;  // the task's own keys mean nothing to the run
      if (entry.name == "Inputs") {
        inputs(entry);
      } else if (entry.name == "Outputs") {
        outputs(entry);
      } else if (entry.name == "SimCode") {
        if (!simCodes.emplace(entry.id, &entry).second) fail(entry.line, "a second SimCode " + quote(entry.id));
      } else if (entry.name == "TaskProcess") {
        taskProcess = &entry;
      } else if (entry.name == "Optimization") {
        optimization(entry);
      } else if (entry.name == "TaskPlan") {
        if (const Entry* control = list(entry, "Control")) task_.taskPlan = control->items;
      } else if (entry.name == "DataStorage") {
        dataStorage(entry);
      } else if (entry.name != "TaskHeader") {
        fail(entry.line, "a " + quote(entry.name) + " block cannot stand in a task");
      }
    }
    if (!taskProcess) fail(task->line, "the task has no \"TaskProcess\" block naming its programs");
    const Entry* control = list(*taskProcess, "Control");
    if (!control || control->items.empty()) fail(taskProcess->line, "the task process names no program (\"Control: [ ... ]\")");
    for (std::size_t i = 0; i < control->items.size(); ++i) {
      auto simCode = simCodes.find(control->items[i]);
      if (simCode == simCodes.end()) {
        fail(control->itemLines[i], "the task process names " + quote(control->items[i]) + ", which is no SimCode of the task");
      }
      task_.process.push_back(step(*simCode->second));
    }
    task_.indexNames();
    checkOptimization();
    return std::move(task_);
  }

 private:
  const BlockFile& file_;
  Task task_;
  std::set<std::string> names_;

  [[noreturn]] void fail(std::size_t line, const std::string& message) const {
    throw TaskFileError(file_.fileName, line, message);
  }

  double number(std::size_t line, std::string_view text, std::string_view what) const {
    auto value = support::parseNumber(text);
    if (!value || !std::isfinite(*value)) fail(line, "expected a number for " + std::string(what) + ", found " + quote(text));
    return *value;
  }

  static const Entry* list(const Entry& block, std::string_view key) {
    for (const Entry& entry : block.children) {
      if (entry.kind == Kind::list && entry.pairs.front().key == key) return &entry;
    }
    return nullptr;
  }

  void parameterName(const Entry& entry, std::string_view kind) {
    if (entry.name.empty()) fail(entry.line, "an " + std::string(kind) + " parameter without a name");
    if (!names_.insert(entry.name).second) {
      fail(entry.line, quote(entry.name) + " names a second parameter; every input and output needs its own name");
    }
  }

  void inputs(const Entry& block) {
    for (const Entry& entry : block.children) {
      if (entry.kind != Kind::parameter) fail(entry.line, "expected \"Parameter: NAME Type: real InitialValue: VALUE\"");
      parameterName(entry, "input");
      auto initial = entry.value("InitialValue");
      if (!initial) fail(entry.line, "the input " + quote(entry.name) + " has no \"InitialValue:\"");
      task_.inputs.push_back({entry.name, number(entry.line, *initial, "the initial value of " + entry.name), entry.line});
    }
  }

  void outputs(const Entry& block) {
    for (const Entry& entry : block.children) {
      if (entry.kind != Kind::parameter) fail(entry.line, "expected \"Parameter: NAME Type: real\"");
      parameterName(entry, "output");
      task_.outputs.push_back({entry.name, entry.line});
    }
  }

  // The file descriptions of an InputFiles or OutputFiles block: name -> file.
  std::map<std::string, std::string> fileDescriptions(const Entry& block, std::string_view fileKey) {
    std::map<std::string, std::string> files;
    for (const Entry& description : block.children) {
      if (description.kind != Kind::block || description.name != "FileDescription") {
        fail(description.line, "expected \"FileDescription NAME\" in " + quote(block.name + " " + block.id));
      }
      std::optional<std::string> file, type;
      for (const Entry& entry : description.children) {
        if (entry.kind != Kind::keys) continue;
        if (auto value = entry.value(fileKey)) file = value;
        if (auto value = entry.value("FileType")) type = value;
      }
      if (!file || file->empty()) fail(description.line, "the file description has no \"" + std::string(fileKey) + ":\"");
      if (type && *type != "fastparse") {
        fail(description.line, "file type " + quote(*type) + ": taskrun reads and writes \"fastparse\" files (one name and value a line)");
      }
      files[description.id] = *file;
    }
    return files;
  }

  Step step(const Entry& simCode) {
    Step step;
    step.name = simCode.id;
    step.line = simCode.line;
    std::map<std::string, std::string> inputFiles, outputFiles;
    const Entry* process = nullptr;
    for (const Entry& entry : simCode.children) {
      if (entry.kind == Kind::block && entry.name == "InputFiles") {
        inputFiles.merge(fileDescriptions(entry, "InputFile"));
      } else if (entry.kind == Kind::block && entry.name == "OutputFiles") {
        outputFiles.merge(fileDescriptions(entry, "OutputFile"));
      } else if (entry.kind == Kind::block && entry.name == "SimCodeProcess") {
        if (process) fail(entry.line, "a second \"SimCodeProcess\" in SimCode " + quote(simCode.id));
        process = &entry;
      } else if (entry.kind == Kind::block || entry.kind == Kind::section || entry.kind == Kind::script) {
        fail(entry.line, "a " + quote(entry.name) + " cannot stand in a SimCode");
      }
    }
    if (!process) fail(simCode.line, "SimCode " + quote(simCode.id) + " has no \"SimCodeProcess\"");
    bool hasScript = false;
    for (const Entry& entry : process->children) {
      if (entry.kind == Kind::script) {
        hasScript = true;
        for (std::size_t i = 0; i < entry.items.size(); ++i) step.script.push_back({entry.items[i], entry.itemLines[i]});
      } else if (entry.kind == Kind::keys) {
        processKeys(entry, step);
      } else if (entry.kind == Kind::section && (entry.name == "Prologue" || entry.name == "Epilogue")) {
        bool prologue = entry.name == "Prologue";
        for (const Entry& fileLine : entry.children) {
          if (fileLine.kind != Kind::keys) fail(fileLine.line, "expected \"Key: value\" in the " + entry.name);
          for (const KeyValue& pair : fileLine.pairs) {
            if (prologue && pair.key == "WriteInputSpecs") {
              auto file = inputFiles.find(pair.value);
              if (file == inputFiles.end()) fail(fileLine.line, quote(pair.value) + " is no input file description of SimCode " + quote(simCode.id));
              step.writesBefore.push_back(file->second);
            } else if (!prologue && pair.key == "ReadOutputSpecs") {
              auto file = outputFiles.find(pair.value);
              if (file == outputFiles.end()) fail(fileLine.line, quote(pair.value) + " is no output file description of SimCode " + quote(simCode.id));
              step.readsAfter.push_back(file->second);
            }
          }
        }
      } else {
        fail(entry.line, "a " + quote(entry.name) + " cannot stand in a SimCodeProcess");
      }
    }
    if (step.program && hasScript) fail(process->line, "the process has both a \"Program:\" and a \"Script\"");
    if (!step.program && !hasScript) fail(process->line, "the process has neither a \"Program:\" nor a \"Script\"");
    return step;
  }

  void processKeys(const Entry& entry, Step& step) {
    for (const KeyValue& pair : entry.pairs) {
      if (pair.key == "Program") {
        if (pair.value.empty()) fail(entry.line, "\"Program:\" names no program");
        step.program = pair.value;
      } else if (pair.key == "ElapseTime") {
        auto seconds = parseTimeLimit(pair.value);
        if (!seconds) fail(entry.line, "expected a time such as \"5m\", \"30s\" or \"2h\" for \"ElapseTime:\", found " + quote(pair.value));
        step.elapseTime = TimeLimit{*seconds, pair.value};
      } else if (pair.key == "ReturnCodes") {
        std::vector<std::pair<std::string, std::size_t>> texts{{pair.value, entry.line}};
        for (std::size_t i = 0; i < entry.items.size(); ++i) texts.emplace_back(entry.items[i], entry.itemLines[i]);
        for (const auto& [text, line] : texts) {
          for (const std::string& piece : support::split(support::replaceAll(text, ",", " "), " ")) {
            if (piece.empty()) continue;
            auto code = support::parseInteger(piece);
            if (!code || *code < -2147483648LL || *code > 2147483647LL) {
              fail(line, "expected whole numbers after \"ReturnCodes:\", found " + quote(piece));
            }
            step.returnCodes.push_back(static_cast<int>(*code));
          }
        }
      } else if (pair.key == "ScriptLanguage" && pair.value != "DOSBatch") {
        fail(entry.line, "script language " + quote(pair.value) + ": taskrun runs \"DOSBatch\" scripts");
      }
    }
  }

  Bounds bounds(const Entry& entry) {
    Bounds result;
    for (const KeyValue& pair : entry.pairs) {
      if (pair.key == "LowerBound" && !result.lower) result.lower = number(entry.line, pair.value, "LowerBound");
      if (pair.key == "UpperBound" && !result.upper) result.upper = number(entry.line, pair.value, "UpperBound");
    }
    if (result.lower && result.upper && *result.lower > *result.upper) {
      fail(entry.line, "the lower bound of " + quote(entry.name) + " lies above its upper bound");
    }
    return result;
  }

  void optimization(const Entry& block) {
    for (const Entry& entry : block.children) {
      if (entry.kind == Kind::list && entry.pairs.front().key == "Variables") {
        for (std::size_t i = 0; i < entry.items.size(); ++i) {
          variableLines_[entry.items[i]] = entry.itemLines[i];
          task_.variables.push_back(entry.items[i]);
        }
      } else if (entry.kind == Kind::section && entry.name == "InputConstraints") {
        for (const Entry& parameter : entry.children) {
          if (parameter.kind != Kind::parameter) fail(parameter.line, "expected \"Parameter: NAME LowerBound: L UpperBound: U\"");
          task_.inputBounds[parameter.name] = bounds(parameter);
          variableLines_.emplace(parameter.name, parameter.line);
        }
      } else if (entry.kind == Kind::section && entry.name == "OutputConstraints") {
        for (const Entry& parameter : entry.children) {
          if (parameter.kind != Kind::parameter) fail(parameter.line, "expected \"Parameter: NAME LowerBound: L ... UpperBound: U ...\"");
          task_.outputConstraints.push_back({parameter.name, bounds(parameter), parameter.line});
        }
      } else if (entry.kind == Kind::section && entry.name == "OptimizePlan") {
        task_.plans.push_back(plan(entry));
      }
    }
  }

  OptimizePlan plan(const Entry& section) {
    OptimizePlan plan;
    plan.name = section.id;
    plan.line = section.line;
    for (const Entry& entry : section.children) {
      if (entry.kind == Kind::list && entry.pairs.front().key == "Control") {
        plan.control = entry.items;
      } else if (entry.kind == Kind::section && entry.name == "OptimizeStep") {
        PlanStep step;
        step.name = entry.id;
        step.line = entry.line;
        for (const Entry& part : entry.children) {
          if (part.kind == Kind::keys) {
            if (auto technique = part.value("Technique")) step.technique = *technique;
          } else if (part.kind == Kind::section && part.name == "Options") {
            for (const Entry& option : part.children) {
              if (option.kind != Kind::keys) fail(option.line, "expected \"Key: value\" among the options");
              for (const KeyValue& pair : option.pairs) {
                step.options[pair.key] = pair.value;
                step.optionLines[pair.key] = option.line;
              }
            }
          }
        }
        plan.steps.push_back(std::move(step));
      }
    }
    return plan;
  }

  void dataStorage(const Entry& block) {
    task_.storage.line = block.line;
    for (const Entry& entry : block.children) {
      if (entry.kind != Kind::keys) continue;
      if (auto log = entry.value("DataLog")) {
        task_.storage.dataLog = *log;
        auto mode = entry.value("Mode");
        if (mode && *mode != "overwrite" && *mode != "append") {
          fail(entry.line, "expected \"Mode: overwrite\" or \"Mode: append\", found " + quote(*mode));
        }
        task_.storage.overwrite = !mode || *mode == "overwrite";
      }
      if (auto lookUp = entry.value("DataLookUp")) task_.storage.lookUp = *lookUp;
      if (auto match = entry.value("MatchMode"); match && !support::equalsIgnoreCase(*match, "Exact")) {
        fail(entry.line, "match mode " + quote(*match) + ": taskrun looks designs up by exact match only");
      }
    }
    if (task_.storage.dataLog.empty()) task_.storage.lookUp.reset();
  }

  void checkOptimization() {
    for (const std::string& name : task_.variables) {
      auto index = task_.inputIndex(name);
      if (!index) fail(variableLines_[name], "the variable " + quote(name) + " is no input parameter of the task");
    }
    for (const auto& [name, bound] : task_.inputBounds) {
      if (!task_.inputIndex(name)) fail(variableLines_[name], "the input constraint names " + quote(name) + ", which is no input parameter");
    }
    for (const OutputConstraint& constraint : task_.outputConstraints) {
      if (!task_.outputIndex(constraint.name)) {
        fail(constraint.line, "the output constraint names " + quote(constraint.name) + ", which is no output parameter");
      }
    }
  }

  std::map<std::string, std::size_t> variableLines_;
};

}  // namespace

bool Step::succeeded(int exitStatus) const {
  if (returnCodes.empty()) return exitStatus == 0;
  return std::find(returnCodes.begin(), returnCodes.end(), exitStatus) != returnCodes.end();
}

namespace {

template <class Parameters>
std::optional<std::size_t> indexOf(const Parameters& parameters, const std::unordered_map<std::string, std::size_t>& index,
                                   std::string_view name) {
  if (index.size() == parameters.size()) {
    auto found = index.find(std::string(name));
    if (found == index.end()) return std::nullopt;
    return found->second;
  }
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    if (parameters[i].name == name) return i;
  }
  return std::nullopt;
}

template <class Parameters>
void buildIndex(const Parameters& parameters, std::unordered_map<std::string, std::size_t>& index) {
  index.clear();
  for (std::size_t i = 0; i < parameters.size(); ++i) index.emplace(parameters[i].name, i);
}

}  // namespace

std::optional<std::size_t> Task::inputIndex(std::string_view name) const { return indexOf(inputs, inputIndexOf_, name); }

std::optional<std::size_t> Task::outputIndex(std::string_view name) const { return indexOf(outputs, outputIndexOf_, name); }

void Task::indexNames() {
  buildIndex(inputs, inputIndexOf_);
  buildIndex(outputs, outputIndexOf_);
}

const PlanStep* Task::ownPlanStep() const {
  auto findPlan = [&](std::string_view name) -> const OptimizePlan* {
    for (const OptimizePlan& plan : plans) {
      if (plan.name == name) return &plan;
    }
    return nullptr;
  };
  // Follows a plan's control list to its first step; plans may name plans.
  std::set<std::string> visited;
  auto firstStep = [&](auto&& self, const OptimizePlan& plan) -> const PlanStep* {
    if (!visited.insert(plan.name).second) return nullptr;
    for (const std::string& name : plan.control) {
      for (const PlanStep& step : plan.steps) {
        if (step.name == name) return &step;
      }
      if (const OptimizePlan* inner = findPlan(name)) {
        if (const PlanStep* step = self(self, *inner)) return step;
      }
    }
    return nullptr;
  };
  for (const std::string& name : taskPlan) {
    if (const OptimizePlan* plan = findPlan(name)) {
      if (const PlanStep* step = firstStep(firstStep, *plan)) return step;
    }
  }
  for (const OptimizePlan& plan : plans) {
    visited.clear();
    if (const PlanStep* step = firstStep(firstStep, plan)) return step;
  }
  return nullptr;
}

Task taskFromBlocks(const BlockFile& file) { return TaskBuilder(file).build(); }

Task readTask(const std::filesystem::path& path) { return taskFromBlocks(readBlockFile(path)); }

std::optional<double> parseTimeLimit(std::string_view text) {
  std::string trimmed = support::trim(text);
  if (trimmed.empty()) return std::nullopt;
  double unit = 1;
  switch (trimmed.back()) {
    case 's': unit = 1; trimmed.pop_back(); break;
    case 'm': unit = 60; trimmed.pop_back(); break;
    case 'h': unit = 3600; trimmed.pop_back(); break;
    case 'd': unit = 86400; trimmed.pop_back(); break;
    default: break;
  }
  auto value = support::parseNumber(trimmed);
  if (!value || !std::isfinite(*value) || *value <= 0 || *value > 1e9) return std::nullopt;
  return *value * unit;
}

}  // namespace taskrun
