#pragma once
// The study: what the task leaves to be configured, from an optional TOML study file. Without
// one the task's own plan runs with the task's own variables, bounds and constraints.
//
//   plan = "stress-ratio"   folder = "study"   workers = 1   launcher = "local"   keep = "all"
//   [objective] output, sense       [constraints] OUTPUT = { lower, upper }
//   [variables] INPUT = { lower, upper, start }
//   [stress-ratio] tolerance, simulations
//   [optimise] algorithm, max-evaluations, xtol-rel, gradient-step, central, starts, seed
//   [doe] method, samples, levels, seed
//   [list] file                    [sweep] points
//   [failure] policy, retries, step-backs, transient
//   [units] NAME = "unit"   (shown on the report's axes)
//
// The study folder is relative to the description file's folder and stays inside it unless
// given as an absolute path; without "folder =" it is named after the study file ("doe.toml":
// "doe"), or "study" for the task's own plan.
//
// An unknown key, a value of the wrong kind, or a name that is neither an input nor an output
// of the task is an error naming the study file's line.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "taskrun/task.h"

namespace taskrun {

class StudyError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class PlanKind { run, stressRatio, doe, optimise, list, sweep };
enum class LauncherKind { local, slurm };

const char* planName(PlanKind plan);

struct Variable {
  std::size_t input = 0;  // index into the task's inputs
  std::optional<double> lower, upper;
  std::optional<double> start;  // the study's start value (else the task's initial value)
};

struct Constraint {
  std::size_t output = 0;  // index into the task's outputs
  std::optional<double> lower, upper;
};

struct Objective {
  std::size_t output = 0;
  bool maximise = false;
};

struct StressRatioOptions {
  double tolerance = 1e-6;  // of the relative change of every variable
  int simulations = 100;
};

struct OptimiseOptions {
  enum class Algorithm { mma, slsqp, cobyla } algorithm = Algorithm::mma;
  int maxEvaluations = 2000;
  double xtolRel = 1e-6;
  // Finite differences: the step relative to the variable. Responses that a solver prints to
  // about 7 significant digits keep about 4 of them in a difference at 1e-3, while the
  // truncation error of a forward difference stays near 1e-3 of the curvature term.
  double gradientStep = 1e-3;
  bool central = false;
  // Several starts: the first at the start values, the others from a Latin hypercube of the
  // bounds drawn with `seed`, run side by side; max-evaluations holds for each.
  int starts = 1;
  std::uint64_t seed = 1;
};

struct DoeOptions {
  enum class Method { lhs, factorial } method = Method::lhs;
  int samples = 20;
  int levels = 3;
  std::uint64_t seed = 1;
};

// The designs of a CSV file: a header of input names, then one design a line.
struct ListOptions {
  std::filesystem::path file;
  std::vector<std::vector<double>> designs;  // the variables' values (the file's columns), a row each
  std::vector<std::size_t> lines;            // the file's line of each design
};

struct SweepOptions {
  int points = 5;  // per variable, from its lower to its upper bound
};

// What a failed evaluation does to the plan.
struct FailureOptions {
  enum class Policy {
    abort,       // the plan ends at the first failed evaluation
    retry,       // a transient failure runs again in a fresh folder; any other ends the plan
    infeasible,  // the design counts as unacceptable and the plan goes on past it
  };
  Policy policy = Policy::abort;  // when not given: "infeasible" for doe, list and sweep, else "abort"
  int retries = 0;                // runs again of a transient failure ("retry": 2 when not given)
  int stepBacks = 5;              // halvings toward the last good design after a failed one
  std::vector<std::string> transientTexts;  // further texts in a step's output that mark a failure transient
};

// Which evaluation folders stay once an evaluation's outcome is known (its data-log row always
// stays).
enum class KeepFolders { all, failed, best, none };

struct Study {
  PlanKind plan = PlanKind::run;
  std::filesystem::path folder;  // absolute
  bool folderAbsolute = false;   // given as an absolute path
  std::string studyName;         // the study file's name; "" for the task's own plan
  int workers = 1;
  LauncherKind launcher = LauncherKind::local;
  std::optional<Objective> objective;
  std::vector<Variable> variables;      // in the order of the task's inputs
  std::vector<Constraint> constraints;  // in the order of the task's outputs
  StressRatioOptions stressRatio;
  OptimiseOptions optimise;
  DoeOptions doe;
  ListOptions list;
  SweepOptions sweep;
  FailureOptions failure;
  KeepFolders keep = KeepFolders::all;
  std::map<std::string, std::string> units;  // [units]: by input or output name, for the report's axes
};

const char* policyName(FailureOptions::Policy policy);
const char* keepName(KeepFolders keep);

// The study for `task` from `studyFile` (none: the task's own plan). Throws StudyError.
Study readStudy(const Task& task, const std::optional<std::filesystem::path>& studyFile);
// The same from TOML text; `fileName` names it in errors.
Study parseStudy(const Task& task, std::string_view toml, const std::string& fileName);
// The designs of a list plan from CSV text into `study` (its list and variables); `fileName`
// names it in errors. Throws StudyError.
void readDesignList(const Task& task, std::string_view csv, const std::string& fileName, Study& study);

}  // namespace taskrun
