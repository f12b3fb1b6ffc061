#include "taskrun/study.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <toml++/toml.h>

#include "support/number_text.h"
#include "support/strings.h"
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
    // Without "folder =": a folder named after the study file, so that two study files of a
    // task never share one; "study" for the task's own plan.
    std::string stem = fileName_.empty() ? std::string() : std::filesystem::path(fileName_).stem().string();
    study.folder = (task_.file.parent_path() / (stem.empty() ? std::string("study") : stem)).lexically_normal();
    study.studyName = fileName_.empty() ? std::string() : std::filesystem::path(fileName_).filename().string();
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
      Variable variable{*task_.inputIndex(name), {}, {}, {}};
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
    const toml::node* listNode = nullptr;
    bool policyGiven = false, retriesGiven = false;
    for (auto&& [key, node] : root) {
      std::string_view name = key.str();
      if (name == "plan") {
        std::string plan = stringValue(node, "plan");
        if (plan == "run") study.plan = PlanKind::run;
        else if (plan == "stress-ratio") study.plan = PlanKind::stressRatio;
        else if (plan == "doe") study.plan = PlanKind::doe;
        else if (plan == "optimise") study.plan = PlanKind::optimise;
        else if (plan == "list") study.plan = PlanKind::list;
        else if (plan == "sweep") study.plan = PlanKind::sweep;
        else fail(node, "plan " + quote(plan) + ": expected \"run\", \"stress-ratio\", \"doe\", \"optimise\", \"list\" or \"sweep\"");
      } else if (name == "folder") {
        folder(node, study);
      } else if (name == "keep") {
        std::string keep = stringValue(node, "keep");
        if (keep == "all") study.keep = KeepFolders::all;
        else if (keep == "failed") study.keep = KeepFolders::failed;
        else if (keep == "best") study.keep = KeepFolders::best;
        else if (keep == "none") study.keep = KeepFolders::none;
        else fail(node, "keep " + quote(keep) + ": expected \"all\", \"failed\", \"best\" or \"none\"");
      } else if (name == "list") {
        listNode = &node;
        listOptions(table(node, "list"), study);
      } else if (name == "sweep") {
        keys(table(node, "sweep"), {"points"}, "sweep", [&](std::string_view key, const toml::node& value) {
          study.sweep.points = static_cast<int>(integer(value, key, 2, 1000000));
        });
      } else if (name == "failure") {
        failure(table(node, "failure"), study, policyGiven, retriesGiven);
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
                       "; expected plan, folder, workers, launcher, keep, [objective], [constraints], [variables], "
                       "[stress-ratio], [optimise], [doe], [list], [sweep], [failure] or [units]");
      }
    }
    // A design of experiments, a list and a sweep go on past a failed design unless told.
    bool survey = study.plan == PlanKind::doe || study.plan == PlanKind::list || study.plan == PlanKind::sweep;
    if (!policyGiven) study.failure.policy = survey ? FailureOptions::Policy::infeasible : FailureOptions::Policy::abort;
    if (!retriesGiven && study.failure.policy == FailureOptions::Policy::retry) study.failure.retries = 2;
    if (study.failure.policy == FailureOptions::Policy::abort && study.failure.retries > 0) {
      throw StudyError(where() + "retries = " + std::to_string(study.failure.retries) +
                       " with policy = \"abort\": a failed evaluation is never run again; choose \"retry\" or \"infeasible\"");
    }
    if (study.plan == PlanKind::list) {
      if (!listNode) throw StudyError(where() + "the list plan needs [list] with the file of its designs (file = \"designs.csv\")");
      readList(*listNode, study);
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
    if (study.plan == PlanKind::doe || study.plan == PlanKind::optimise || study.plan == PlanKind::sweep) {
      for (const Variable& variable : study.variables) {
        if (!variable.lower || !variable.upper) {
          throw StudyError(where() + "the variable " + variableName(variable) + " needs a lower and an upper bound for the " +
                           planName(study.plan) + " plan");
        }
        if ((study.plan == PlanKind::optimise || study.plan == PlanKind::sweep) && !(*variable.lower < *variable.upper)) {
          throw StudyError(where() + "the variable " + variableName(variable) + " has no room between its bounds");
        }
      }
    }
    if (study.plan == PlanKind::sweep) {
      double count = static_cast<double>(study.variables.size()) * study.sweep.points;
      if (count > 1e6) throw StudyError(where() + "a sweep of " + std::to_string(study.sweep.points) + " points through " +
                                        std::to_string(study.variables.size()) + " variables exceeds a million designs");
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

  // "folder": relative to the description file's folder and inside it, or an absolute path;
  // never the root, the description file's folder or a folder above it.
  void folder(const toml::node& node, Study& study) const {
    namespace fs = std::filesystem;
    std::string written = stringValue(node, "folder");
    if (written.empty()) fail(node, "the study folder is empty");
    fs::path description = task_.file.parent_path().lexically_normal();
    fs::path given(written);
    // A rooted path ("/scratch/study"; on Windows also "\\scratch\\study", on the description
    // file's drive) is taken as an absolute one.
    if (given.is_absolute() || given.has_root_directory()) {
      study.folder = (given.has_root_name() ? given : description.root_name() / given).lexically_normal();
      if (!study.folder.has_filename() && study.folder.has_parent_path() && study.folder != study.folder.root_path()) {
        study.folder = study.folder.parent_path();
      }
      study.folderAbsolute = true;
      if (study.folder == study.folder.root_path()) fail(node, "the study folder " + quote(written) + " is the root folder");
      fs::path relative = description.lexically_relative(study.folder);
      if (!relative.empty() && *relative.begin() != "..") {
        fail(node, "the study folder " + quote(written) + (relative == "." ? " is" : " holds") +
                       " the description file's folder; choose a folder of its own");
      }
      return;
    }
    study.folder = (description / given).lexically_normal();
    if (!study.folder.has_filename() && study.folder.has_parent_path()) study.folder = study.folder.parent_path();
    fs::path relative = study.folder.lexically_relative(description);
    if (relative.empty() || relative == "." || *relative.begin() == "..") {
      fail(node, "the study folder " + quote(written) + (relative == "." ? " is the description file's own folder"
                                                                       : " leaves the description file's folder") +
                     "; name a folder inside it, or give an absolute path to a new, empty or taskrun-made folder");
    }
  }

  void listOptions(const toml::table& table, Study& study) const {
    keys(table, {"file"}, "list", [&](std::string_view key, const toml::node& node) {
      std::string file = stringValue(node, key);
      if (file.empty()) fail(node, "the list's file is empty");
      std::filesystem::path path(file);
      study.list.file = path.is_absolute() ? path : std::filesystem::path(fileName_).parent_path() / path;
    });
  }

  // The designs of the list's CSV file: the header names inputs of the task, which become the
  // plan's variables (their bounds, where they have them, hold for every design); variables
  // with a start value that the list leaves out keep it in every design.
  void readList(const toml::node& node, Study& study) const {
    if (study.list.file.empty()) fail(node, "[list] needs file = \"designs.csv\"");
    std::string text;
    std::error_code error;
    if (!std::filesystem::is_regular_file(study.list.file, error)) fail(node, "the list " + study.list.file.string() + " is no file");
    try {
      text = support::readWholeFile(study.list.file);
    } catch (const std::exception& error) {
      fail(node, "the list " + study.list.file.string() + " cannot be read: " + error.what());
    }
    designList(text, study.list.file.string(), study);
  }

 public:
  void designList(std::string_view text, const std::string& name, Study& study) const {
    auto listError = [&](std::size_t line, const std::string& message) {
      return StudyError(name + ":" + std::to_string(line) + ": " + message);
    };
    std::vector<Variable> columns;
    std::size_t lineNumber = 0;
    for (std::string_view rest = text; !rest.empty();) {
      std::size_t end = rest.find('\n');
      std::string line(rest.substr(0, end));
      rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
      ++lineNumber;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (lineNumber == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);  // a byte-order mark
      std::string content = trimmed(line);
      if (content.empty() || content.front() == '#') continue;
      std::vector<std::string> cells = csvCells(line);
      if (columns.empty()) {
        std::set<std::size_t> seen;
        for (const std::string& cell : cells) {
          auto index = task_.inputIndex(cell);
          if (!index) throw listError(lineNumber, quote(cell) + " is no input of the task");
          if (!seen.insert(*index).second) throw listError(lineNumber, quote(cell) + " stands twice in the header");
          Variable variable{*index, {}, {}, {}};
          taskBounds(variable);
          for (const Variable& given : study.variables) {
            if (given.input == *index) variable = given;
          }
          columns.push_back(variable);
        }
        continue;
      }
      if (cells.size() != columns.size()) {
        throw listError(lineNumber, std::to_string(cells.size()) + (cells.size() == 1 ? " value" : " values") + " for the " + std::to_string(columns.size()) +
                                        " columns of the header");
      }
      std::vector<double> design;
      for (std::size_t c = 0; c < cells.size(); ++c) {
        const std::string& input = task_.inputs[columns[c].input].name;
        auto value = support::parseNumber(cells[c]);
        if (!value || !std::isfinite(*value)) throw listError(lineNumber, "the value of " + quote(input) + " is no number: " + quote(cells[c]));
        if ((columns[c].lower && *value < *columns[c].lower) || (columns[c].upper && *value > *columns[c].upper)) {
          throw listError(lineNumber, "the value " + cells[c] + " of " + quote(input) + " lies outside its bounds");
        }
        design.push_back(*value);
      }
      study.list.designs.push_back(std::move(design));
      study.list.lines.push_back(lineNumber);
    }
    if (columns.empty()) throw listError(lineNumber, "the list has no header naming its inputs");
    if (study.list.designs.empty()) throw listError(lineNumber, "the list holds no designs");
    // The variables with a start value that the list leaves out stay at it in every design.
    std::size_t listed = columns.size();
    for (const Variable& given : study.variables) {
      bool inList = std::any_of(columns.begin(), columns.begin() + static_cast<std::ptrdiff_t>(listed),
                                [&](const Variable& column) { return column.input == given.input; });
      if (inList || !given.start) continue;
      columns.push_back(given);
      for (std::vector<double>& design : study.list.designs) design.push_back(*given.start);
    }
    // The columns in the task's order, and every design's values with them.
    std::vector<std::size_t> order(columns.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return columns[a].input < columns[b].input; });
    study.variables.clear();
    for (std::size_t i : order) study.variables.push_back(columns[i]);
    for (std::vector<double>& design : study.list.designs) {
      std::vector<double> sorted;
      for (std::size_t i : order) sorted.push_back(design[i]);
      design = std::move(sorted);
    }
  }


 private:
  // The cells of a CSV line: commas separate, double quotes hold commas ("" is one quote),
  // blanks around a cell are dropped.
  static std::vector<std::string> csvCells(const std::string& line) {
    std::vector<std::string> cells;
    std::string cell;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
      char c = line[i];
      if (quoted) {
        if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
          cell.push_back('"');
          ++i;
        } else if (c == '"') {
          quoted = false;
        } else {
          cell.push_back(c);
        }
      } else if (c == '"') {
        quoted = true;
      } else if (c == ',') {
        cells.push_back(trimmed(cell));
        cell.clear();
      } else {
        cell.push_back(c);
      }
    }
    cells.push_back(trimmed(cell));
    return cells;
  }

  static std::string trimmed(const std::string& text) {
    std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
  }

  void failure(const toml::table& table, Study& study, bool& policyGiven, bool& retriesGiven) const {
    keys(table, {"policy", "retries", "step-backs", "transient"}, "failure", [&](std::string_view key, const toml::node& node) {
      FailureOptions& options = study.failure;
      if (key == "policy") {
        std::string policy = stringValue(node, key);
        if (policy == "abort") options.policy = FailureOptions::Policy::abort;
        else if (policy == "retry") options.policy = FailureOptions::Policy::retry;
        else if (policy == "infeasible") options.policy = FailureOptions::Policy::infeasible;
        else fail(node, "policy " + quote(policy) + ": expected \"abort\", \"retry\" or \"infeasible\"");
        policyGiven = true;
      } else if (key == "retries") {
        options.retries = static_cast<int>(integer(node, key, 0, 100));
        retriesGiven = true;
      } else if (key == "step-backs") {
        options.stepBacks = static_cast<int>(integer(node, key, 0, 50));
      } else {
        const toml::array* texts = node.as_array();
        if (!texts) fail(node, "\"transient\" must be a list of texts, e.g. [\"licence\", \"No space left\"]");
        for (const toml::node& text : *texts) {
          std::string value = stringValue(text, "transient");
          if (value.empty()) fail(text, "an empty text among \"transient\"");
          options.transientTexts.push_back(value);
        }
      }
    });
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
      Variable variable{*index, {}, {}, {}};
      taskBounds(variable);
      const toml::table* given = node.as_table();
      if (!given) fail(node, quote(key.str()) + " must be given as { lower = L, upper = U, start = S }");
      keys(*given, {"lower", "upper", "start"}, key.str(), [&](std::string_view name, const toml::node& value) {
        (name == "lower" ? variable.lower : name == "upper" ? variable.upper : variable.start) = real(value, name);
      });
      if (given->empty()) fail(node, quote(key.str()) + " gives neither a bound nor a start value");
      if (variable.lower && variable.upper && *variable.lower > *variable.upper) {
        fail(node, "the lower bound of " + quote(key.str()) + " lies above its upper bound");
      }
      if (variable.start && ((variable.lower && *variable.start < *variable.lower) ||
                             (variable.upper && *variable.start > *variable.upper))) {
        fail(node, "the start value of " + quote(key.str()) + " lies outside its bounds");
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
    keys(table, {"algorithm", "max-evaluations", "xtol-rel", "gradient-step", "central", "starts", "seed"}, "optimise",
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
           } else if (key == "starts") {
             options.starts = static_cast<int>(integer(node, key, 1, 1000));
           } else if (key == "seed") {
             options.seed = static_cast<std::uint64_t>(integer(node, key, 0, INT64_MAX));
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
    case PlanKind::list: return "list";
    case PlanKind::sweep: return "sweep";
  }
  return "run";
}

const char* policyName(FailureOptions::Policy policy) {
  switch (policy) {
    case FailureOptions::Policy::abort: return "abort";
    case FailureOptions::Policy::retry: return "retry";
    case FailureOptions::Policy::infeasible: return "infeasible";
  }
  return "abort";
}

const char* keepName(KeepFolders keep) {
  switch (keep) {
    case KeepFolders::all: return "all";
    case KeepFolders::failed: return "failed";
    case KeepFolders::best: return "best";
    case KeepFolders::none: return "none";
  }
  return "all";
}

void readDesignList(const Task& task, std::string_view csv, const std::string& fileName, Study& study) {
  StudyReader(task, fileName).designList(csv, fileName, study);
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
