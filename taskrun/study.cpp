#include "taskrun/study.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <toml++/toml.h>

#include "support/number_text.h"
#include "support/text_file.h"

namespace taskrun {
namespace {

std::string quote(std::string_view text) { return "\"" + std::string(text) + "\""; }

class StudyReader {
 public:
  StudyReader(const Task& task, std::string fileName) : task_(task), fileName_(std::move(fileName)) {}

  // The study without a file: the task's own plan, variables, bounds and constraints.
  Study defaults() {
    Study study;
    study.folder = (task_.file.parent_path() / "study").lexically_normal();
    if (const PlanStep* step = task_.ownPlanStep()) {
      if (step->technique != "Stress Ratio Optimizer") {
        throw StudyError(task_.file.string() + ":" + std::to_string(step->line) + ": the plan step " + quote(step->name) +
                         " uses the technique " + quote(step->technique) +
                         ", which taskrun does not run; choose a plan in a study file");
      }
      study.plan = PlanKind::stressRatio;
    }
    taskSimulations(study);
    for (const std::string& name : task_.variables) {
      Variable variable{*task_.inputIndex(name), {}, {}};
      taskBounds(variable);
      study.variables.push_back(variable);
    }
    for (const OutputConstraint& constraint : task_.outputConstraints) {
      study.constraints.push_back({*task_.outputIndex(constraint.name), constraint.bounds.lower, constraint.bounds.upper});
    }
    std::stable_sort(study.constraints.begin(), study.constraints.end(),
                     [](const Constraint& a, const Constraint& b) { return a.output < b.output; });
    return study;
  }

  Study read(std::string_view text) {
    Study study = defaults();
    toml::table root;
    try {
      root = toml::parse(text, std::string_view(fileName_));
    } catch (const toml::parse_error& error) {
      throw StudyError(fileName_ + ":" + std::to_string(error.source().begin.line) + ": " + std::string(error.description()));
    }
    for (auto&& [key, node] : root) {
      std::string_view name = key.str();
      if (name == "plan") {
        std::string plan = stringValue(node, "plan");
        if (plan == "run") study.plan = PlanKind::run;
        else if (plan == "stress-ratio") study.plan = PlanKind::stressRatio;
        else if (plan == "doe") study.plan = PlanKind::doe;
        else if (plan == "optimise") study.plan = PlanKind::optimise;
        else fail(node, "plan " + quote(plan) + ": expected \"run\", \"stress-ratio\", \"doe\" or \"optimise\"");
      } else if (name == "folder") {
        std::filesystem::path folder = stringValue(node, "folder");
        if (folder.empty()) fail(node, "the study folder is empty");
        study.folder = (task_.file.parent_path() / folder).lexically_normal();
      } else if (name == "workers") {
        study.workers = static_cast<int>(integer(node, "workers", 1, 256));
      } else if (name == "launcher") {
        std::string launcher = stringValue(node, "launcher");
        if (launcher == "local") study.launcher = LauncherKind::local;
        else if (launcher == "slurm") study.launcher = LauncherKind::slurm;
        else fail(node, "launcher " + quote(launcher) + ": expected \"local\" or \"slurm\"");
      } else if (name == "objective") {
        objective(table(node, "objective"), study);
      } else if (name == "constraints") {
        constraints(table(node, "constraints"), study);
      } else if (name == "variables") {
        variables(table(node, "variables"), study);
      } else if (name == "stress-ratio") {
        stressRatio(table(node, "stress-ratio"), study);
      } else if (name == "optimise") {
        optimise(table(node, "optimise"), study);
      } else if (name == "doe") {
        doe(table(node, "doe"), study);
      } else if (name == "units") {
        units(table(node, "units"), study);
      } else {
        fail(node, "unknown key " + quote(name) +
                       "; expected plan, folder, workers, launcher, [objective], [constraints], [variables], "
                       "[stress-ratio], [optimise], [doe] or [units]");
      }
    }
    return study;
  }

  // What each plan needs from the study, checked before anything runs.
  void check(const Study& study) const {
    auto variableName = [&](const Variable& variable) { return quote(task_.inputs[variable.input].name); };
    if (study.plan != PlanKind::run && study.variables.empty()) {
      throw StudyError(where() + "the " + std::string(planName(study.plan)) +
                       " plan has no variables: the task names none and the study file has no [variables]");
    }
    if (study.plan == PlanKind::stressRatio) {
      if (study.constraints.size() != study.variables.size()) {
        throw StudyError(where() + "the stress-ratio plan matches the n-th variable with the n-th constrained output, but there are " +
                         std::to_string(study.variables.size()) + " variables and " + std::to_string(study.constraints.size()) +
                         " constrained outputs");
      }
      for (const Constraint& constraint : study.constraints) {
        if (constraint.lower.value_or(0) == 0 && constraint.upper.value_or(0) == 0) {
          throw StudyError(where() + "the constrained output " + quote(task_.outputs[constraint.output].name) +
                           " has no non-zero bound to take as its allowable");
        }
      }
    }
    if (study.plan == PlanKind::doe || study.plan == PlanKind::optimise) {
      for (const Variable& variable : study.variables) {
        if (!variable.lower || !variable.upper) {
          throw StudyError(where() + "the variable " + variableName(variable) + " needs a lower and an upper bound for the " +
                           planName(study.plan) + " plan");
        }
        if (study.plan == PlanKind::optimise && !(*variable.lower < *variable.upper)) {
          throw StudyError(where() + "the variable " + variableName(variable) + " has no room between its bounds");
        }
      }
    }
    if (study.plan == PlanKind::optimise && !study.objective) {
      throw StudyError(where() + "the optimise plan needs an [objective] with the output to minimise or maximise");
    }
    if (study.plan == PlanKind::doe && study.doe.method == DoeOptions::Method::factorial) {
      double count = std::pow(static_cast<double>(study.doe.levels), static_cast<double>(study.variables.size()));
      if (count > 1e6) throw StudyError(where() + "a full factorial of " + std::to_string(study.doe.levels) + " levels and " +
                                        std::to_string(study.variables.size()) + " variables exceeds a million designs");
    }
  }

 private:
  const Task& task_;
  std::string fileName_;

  std::string where() const { return (fileName_.empty() ? task_.file.string() : fileName_) + ": "; }

  [[noreturn]] void fail(const toml::node& node, const std::string& message) const {
    throw StudyError(fileName_ + ":" + std::to_string(node.source().begin.line) + ": " + message);
  }

  void taskSimulations(Study& study) const {
    const PlanStep* step = task_.ownPlanStep();
    if (!step) return;
    auto simulations = step->options.find("Simulations");
    if (simulations == step->options.end()) return;
    auto value = support::parseInteger(simulations->second);
    if (!value || *value < 1 || *value > 100000000) {
      throw StudyError(task_.file.string() + ":" + std::to_string(step->optionLines.at("Simulations")) +
                       ": expected a positive whole number after \"Simulations:\"");
    }
    study.stressRatio.simulations = static_cast<int>(*value);
  }

  void taskBounds(Variable& variable) const {
    auto bounds = task_.inputBounds.find(task_.inputs[variable.input].name);
    if (bounds == task_.inputBounds.end()) return;
    variable.lower = bounds->second.lower;
    variable.upper = bounds->second.upper;
  }

  const toml::table& table(const toml::node& node, std::string_view name) const {
    const toml::table* table = node.as_table();
    if (!table) fail(node, quote(name) + " must be a table ([" + std::string(name) + "])");
    return *table;
  }

  std::string stringValue(const toml::node& node, std::string_view name) const {
    auto value = node.value<std::string>();
    if (!node.is_string() || !value) fail(node, quote(name) + " must be a string");
    return *value;
  }

  double real(const toml::node& node, std::string_view name) const {
    if (!node.is_number()) fail(node, quote(name) + " must be a number");
    double value = *node.value<double>();
    if (!std::isfinite(value)) fail(node, quote(name) + " must be a finite number");
    return value;
  }

  std::int64_t integer(const toml::node& node, std::string_view name, std::int64_t low, std::int64_t high) const {
    if (!node.is_integer()) fail(node, quote(name) + " must be a whole number");
    std::int64_t value = *node.value<std::int64_t>();
    if (value < low || value > high) {
      fail(node, quote(name) + " must lie between " + std::to_string(low) + " and " + std::to_string(high));
    }
    return value;
  }

  bool boolean(const toml::node& node, std::string_view name) const {
    if (!node.is_boolean()) fail(node, quote(name) + " must be true or false");
    return *node.value<bool>();
  }

  template <class Each>
  void keys(const toml::table& table, std::initializer_list<std::string_view> allowed, std::string_view section, Each&& each) const {
    for (auto&& [key, node] : table) {
      if (std::find(allowed.begin(), allowed.end(), key.str()) == allowed.end()) {
        std::string list;
        for (std::string_view name : allowed) list += (list.empty() ? "" : ", ") + std::string(name);
        fail(node, "unknown key " + quote(key.str()) + " in [" + std::string(section) + "]; expected " + list);
      }
      each(key.str(), node);
    }
  }

  // { lower = L, upper = U }: either may be left out.
  std::pair<std::optional<double>, std::optional<double>> bounds(const toml::node& node, std::string_view name) const {
    const toml::table* table = node.as_table();
    if (!table) fail(node, quote(name) + " must be given as { lower = L, upper = U }");
    std::optional<double> lower, upper;
    keys(*table, {"lower", "upper"}, name, [&](std::string_view key, const toml::node& value) {
      (key == "lower" ? lower : upper) = real(value, key);
    });
    if (!lower && !upper) fail(node, quote(name) + " gives neither a lower nor an upper bound");
    if (lower && upper && *lower > *upper) fail(node, "the lower bound of " + quote(name) + " lies above its upper bound");
    return {lower, upper};
  }

  void objective(const toml::table& table, Study& study) const {
    Objective objective;
    bool named = false;
    keys(table, {"output", "sense"}, "objective", [&](std::string_view key, const toml::node& node) {
      std::string value = stringValue(node, key);
      if (key == "output") {
        auto index = task_.outputIndex(value);
        if (!index) fail(node, quote(value) + " is no output of the task");
        objective.output = *index;
        named = true;
      } else if (value == "minimise" || value == "maximise") {
        objective.maximise = value == "maximise";
      } else {
        fail(node, "sense " + quote(value) + ": expected \"minimise\" or \"maximise\"");
      }
    });
    if (!named) throw StudyError(fileName_ + ": [objective] names no output (output = \"NAME\")");
    study.objective = objective;
  }

  void constraints(const toml::table& table, Study& study) const {
    study.constraints.clear();
    for (auto&& [key, node] : table) {
      auto index = task_.outputIndex(key.str());
      if (!index) fail(node, quote(key.str()) + " is no output of the task");
      auto [lower, upper] = bounds(node, key.str());
      study.constraints.push_back({*index, lower, upper});
    }
    std::sort(study.constraints.begin(), study.constraints.end(),
              [](const Constraint& a, const Constraint& b) { return a.output < b.output; });
  }

  void variables(const toml::table& table, Study& study) const {
    study.variables.clear();
    for (auto&& [key, node] : table) {
      auto index = task_.inputIndex(key.str());
      if (!index) fail(node, quote(key.str()) + " is no input of the task");
      Variable variable{*index, {}, {}};
      taskBounds(variable);
      auto [lower, upper] = bounds(node, key.str());
      if (lower) variable.lower = lower;
      if (upper) variable.upper = upper;
      if (variable.lower && variable.upper && *variable.lower > *variable.upper) {
        fail(node, "the lower bound of " + quote(key.str()) + " lies above its upper bound");
      }
      study.variables.push_back(variable);
    }
    std::sort(study.variables.begin(), study.variables.end(),
              [](const Variable& a, const Variable& b) { return a.input < b.input; });
  }

  void stressRatio(const toml::table& table, Study& study) const {
    keys(table, {"tolerance", "simulations"}, "stress-ratio", [&](std::string_view key, const toml::node& node) {
      if (key == "tolerance") {
        study.stressRatio.tolerance = real(node, key);
        if (!(study.stressRatio.tolerance > 0)) fail(node, "the tolerance must be positive");
      } else {
        study.stressRatio.simulations = static_cast<int>(integer(node, key, 1, 100000000));
      }
    });
  }

  void optimise(const toml::table& table, Study& study) const {
    keys(table, {"algorithm", "max-evaluations", "xtol-rel", "gradient-step", "central"}, "optimise",
         [&](std::string_view key, const toml::node& node) {
           OptimiseOptions& options = study.optimise;
           if (key == "algorithm") {
             std::string algorithm = stringValue(node, key);
             if (algorithm == "MMA") options.algorithm = OptimiseOptions::Algorithm::mma;
             else if (algorithm == "SLSQP") options.algorithm = OptimiseOptions::Algorithm::slsqp;
             else if (algorithm == "COBYLA") options.algorithm = OptimiseOptions::Algorithm::cobyla;
             else fail(node, "algorithm " + quote(algorithm) + ": expected \"MMA\", \"SLSQP\" or \"COBYLA\"");
           } else if (key == "max-evaluations") {
             options.maxEvaluations = static_cast<int>(integer(node, key, 1, 100000000));
           } else if (key == "xtol-rel") {
             options.xtolRel = real(node, key);
             if (!(options.xtolRel > 0)) fail(node, "xtol-rel must be positive");
           } else if (key == "gradient-step") {
             options.gradientStep = real(node, key);
             if (!(options.gradientStep > 0 && options.gradientStep < 1)) fail(node, "gradient-step must lie between 0 and 1");
           } else {
             options.central = boolean(node, key);
           }
         });
  }

  void units(const toml::table& table, Study& study) const {
    for (auto&& [key, node] : table) {
      std::string name(key.str());
      if (!task_.inputIndex(name) && !task_.outputIndex(name)) fail(node, quote(name) + " is neither an input nor an output of the task");
      study.units[name] = stringValue(node, name);
    }
  }

  void doe(const toml::table& table, Study& study) const {
    keys(table, {"method", "samples", "levels", "seed"}, "doe", [&](std::string_view key, const toml::node& node) {
      DoeOptions& options = study.doe;
      if (key == "method") {
        std::string method = stringValue(node, key);
        if (method == "lhs") options.method = DoeOptions::Method::lhs;
        else if (method == "factorial") options.method = DoeOptions::Method::factorial;
        else fail(node, "method " + quote(method) + ": expected \"lhs\" or \"factorial\"");
      } else if (key == "samples") {
        options.samples = static_cast<int>(integer(node, key, 1, 1000000));
      } else if (key == "levels") {
        options.levels = static_cast<int>(integer(node, key, 1, 1000));
      } else {
        options.seed = static_cast<std::uint64_t>(integer(node, key, 0, INT64_MAX));
      }
    });
  }
};

}  // namespace

const char* planName(PlanKind plan) {
  switch (plan) {
    case PlanKind::run: return "run";
    case PlanKind::stressRatio: return "stress-ratio";
    case PlanKind::doe: return "doe";
    case PlanKind::optimise: return "optimise";
  }
  return "run";
}

Study parseStudy(const Task& task, std::string_view toml, const std::string& fileName) {
  StudyReader reader(task, fileName);
  Study study = reader.read(toml);
  reader.check(study);
  return study;
}

Study readStudy(const Task& task, const std::optional<std::filesystem::path>& studyFile) {
  if (!studyFile) {
    StudyReader reader(task, "");
    Study study = reader.defaults();
    reader.check(study);
    return study;
  }
  std::string text;
  try {
    text = support::readWholeFile(*studyFile);
  } catch (const std::exception& error) {
    throw StudyError(studyFile->string() + ": cannot be read: " + error.what());
  }
  return parseStudy(task, text, studyFile->string());
}

}  // namespace taskrun
