#pragma once
// One evaluation of the task in a folder of its own: copies of the exchange files (their
// reference lines pointed at the copies) and of the model, "InputValues.txt" with the design's
// values, then the task's programs in their order, each with its time limit, and at the end
// the outputs read back. Nothing in the folder is shared with another evaluation.

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "taskrun/process.h"
#include "taskrun/script.h"
#include "taskrun/task.h"

namespace taskrun {

// A fault of the task's surroundings found before anything runs (a program or a model that
// cannot be found).
class SetupError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Where the solver steps run.
class SolverLauncher {
 public:
  virtual ~SolverLauncher() = default;
  // The command that runs `shellText` (lines of the solver script) in `folder` within
  // `timeLimitSeconds`.
  virtual std::vector<std::string> command(const std::string& shellText, const std::filesystem::path& folder,
                                           std::optional<double> timeLimitSeconds, const std::string& jobName) const = 0;
};

// The platform's shell on this machine: /bin/sh; on Windows cmd.exe with a batch file.
class LocalSolverLauncher : public SolverLauncher {
 public:
  std::vector<std::string> command(const std::string& shellText, const std::filesystem::path& folder,
                                   std::optional<double> timeLimitSeconds, const std::string& jobName) const override;
};

// srun: one Slurm job step a solver step, in the evaluation folder (which the nodes must see
// at the same path), with the step's time limit in whole minutes. Inside an allocation
// (taskrun itself a batch job: `insideAllocation`) the steps are steps of that job, each
// given only the processors of its one task (--exact), so that `workers` of them run side by
// side within it; elsewhere every step is a job of its own.
class SlurmSolverLauncher : public SolverLauncher {
 public:
  SlurmSolverLauncher(std::filesystem::path srun, bool insideAllocation)
      : srun_(std::move(srun)), insideAllocation_(insideAllocation) {}
  std::vector<std::string> command(const std::string& shellText, const std::filesystem::path& folder,
                                   std::optional<double> timeLimitSeconds, const std::string& jobName) const override;

 private:
  std::filesystem::path srun_;
  bool insideAllocation_;
};

// A step ready to run: its program found, or its script taken apart.
struct PreparedStep {
  const Step* step = nullptr;
  std::optional<std::filesystem::path> program;
  std::vector<ScriptAction> actions;
  bool femapStep() const { return program.has_value(); }  // Modprep and Respull reach FEMAP
};

// What all evaluations of a study share, found once before the first one runs.
struct EvaluationSetup {
  const Task* task = nullptr;
  std::vector<PreparedStep> steps;
  std::vector<std::filesystem::path> exchangeCopies;  // rewritten as they are copied
  std::vector<std::filesystem::path> plainCopies;     // the functions file and the model files
  std::vector<std::string> environment;               // for the solver steps: taskrun's folder first in PATH
  // The results file that "Respull.txt" names: the last script step (the solver) must leave
  // it, or it failed whatever its exit status.
  std::optional<std::string> resultsFile;
  std::size_t resultsStep = static_cast<std::size_t>(-1);
  std::vector<std::string> transientTexts;  // the study's own, beside the built-in ones
};

// Finds the programs ("Program:" beside taskrun first, then in PATH; ".exe" dropped off
// Windows) and the files to copy. Throws SetupError.
EvaluationSetup prepareEvaluations(const Task& task, const std::filesystem::path& programFolder);

struct EvaluationOutcome {
  bool ok = false;
  bool interrupted = false;
  bool transient = false;  // failed in a way that may pass in a fresh folder (see failures.h)
  std::string failedStep, reason;
  std::vector<std::optional<double>> outputs;  // one a task output
  std::vector<double> stepSeconds;             // one a step
};

// Runs one evaluation with the task's `inputs` in `folder` (made afresh). `femapTurns`, when
// given, is held around each FEMAP step so that evaluations take turns at a shared FEMAP.
// While a step runs, this file in its evaluation folder names its processes.
inline constexpr const char* kRunningStepFile = "taskrun-step.running";

// Ends what an earlier run of the study left running in its evaluation folders (it was killed
// before it could end its steps); returns how many steps it ended.
int endStepsLeftRunning(const std::filesystem::path& studyFolder);

EvaluationOutcome runEvaluation(const EvaluationSetup& setup, const std::vector<double>& inputs,
                                const std::filesystem::path& folder, ProcessLauncher& launcher,
                                const SolverLauncher& solver, std::mutex* femapTurns);

}  // namespace taskrun
