#pragma once
// The study: what the task leaves to be configured, from an optional TOML study file. Without
// one the task's own plan runs with the task's own variables, bounds and constraints.
//
//   plan = "stress-ratio"   folder = "study"   workers = 1   launcher = "local"
//   [objective] output, sense       [constraints] OUTPUT = { lower, upper }
//   [variables] INPUT = { lower, upper }
//   [stress-ratio] tolerance, simulations
//   [optimise] algorithm, max-evaluations, xtol-rel, gradient-step, central
//   [doe] method, samples, levels, seed
//   [units] NAME = "unit"   (shown on the report's axes)
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

enum class PlanKind { run, stressRatio, doe, optimise };
enum class LauncherKind { local, slurm };

const char* planName(PlanKind plan);

struct Variable {
  std::size_t input = 0;  // index into the task's inputs
  std::optional<double> lower, upper;
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
};

struct DoeOptions {
  enum class Method { lhs, factorial } method = Method::lhs;
  int samples = 20;
  int levels = 3;
  std::uint64_t seed = 1;
};

struct Study {
  PlanKind plan = PlanKind::run;
  std::filesystem::path folder;  // absolute
  int workers = 1;
  LauncherKind launcher = LauncherKind::local;
  std::optional<Objective> objective;
  std::vector<Variable> variables;      // in the order of the task's inputs
  std::vector<Constraint> constraints;  // in the order of the task's outputs
  StressRatioOptions stressRatio;
  OptimiseOptions optimise;
  DoeOptions doe;
  std::map<std::string, std::string> units;  // [units]: by input or output name, for the report's axes
};

// The study for `task` from `studyFile` (none: the task's own plan). Throws StudyError.
Study readStudy(const Task& task, const std::optional<std::filesystem::path>& studyFile);
// The same from TOML text; `fileName` names it in errors.
Study parseStudy(const Task& task, std::string_view toml, const std::string& fileName);

}  // namespace taskrun
