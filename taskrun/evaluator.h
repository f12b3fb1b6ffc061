#pragma once
// Answers the designs a plan asks for, a batch at a time: from the data log when the design
// was evaluated successfully before (exact match), else by running evaluations, up to
// `workers` at once. Ids are given in design order before anything runs, whatever order the
// evaluations end in; only the calling thread writes the data log and reports progress.
//
// A failure that counts as transient (failures.h) runs again, up to `retries` times, as a new
// evaluation in a fresh folder (its row tells the attempt and the evaluation it repeats); the
// failed attempt keeps its own row. With `stopAtFirstFailure` no further evaluation of the
// batch starts once one has failed for good: those designs are answered "not run".

#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "taskrun/data_log.h"
#include "taskrun/evaluation.h"
#include "taskrun/process.h"

namespace taskrun {

// The engineer interrupted the study; what finished is in the data log.
class Interrupted : public std::runtime_error {
 public:
  Interrupted() : std::runtime_error("interrupted") {}
};

struct Answer {
  enum class Source {
    ran,       // evaluated now
    reused,    // found in the data log from an earlier run of the study
    repeated,  // asked for again in this run: answered from the earlier answer, not counted
    notRun,    // not run: the batch stopped at a failure (stopAtFirstFailure); no record
  };
  Source source = Source::ran;
  EvaluationRecord record;
  double seconds = 0;  // wall time of the evaluation (0 when not run)
};

// What a design is to the plan that asks for it; stored with its evaluation.
struct EvaluationTag {
  int iteration = 0;
  std::string kind = "design";  // "design", "gradient", "step-back"
  int start = 0;                // of several optimiser starts (1...); 0: one start
};

struct EvaluatorOptions {
  int workers = 1;
  bool lookUp = true;       // "DataLookUp": designs evaluated before are not run again
  bool femapShared = false; // FEMAP steps take turns under one lock
  std::filesystem::path studyFolder;
  // Told the names of evaluation folders before they are made (the study folder's marker).
  std::function<void(const std::vector<std::string>&)> beforeFolders;
  int retries = 0;                  // runs again of a transient failure
  bool stopAtFirstFailure = false;  // a batch starts nothing more once an evaluation failed for good
};

class Evaluator {
 public:
  using Progress = std::function<void(const Answer&)>;

  Evaluator(const EvaluationSetup& setup, DataLog& log, ProcessLauncher& launcher, const SolverLauncher& solver,
            const Interruption& interruption, EvaluatorOptions options, Progress progress);

  // One answer per design (the task's full input values), in the designs' order; `tags`
  // (one a design, or none) go into the records. Throws Interrupted once the running
  // evaluations have ended when the engineer interrupted.
  std::vector<Answer> evaluate(const std::vector<std::vector<double>>& designs, const std::vector<EvaluationTag>& tags = {});

  // Evaluations run, reused and failed so far (repeated answers are not counted).
  int ran() const { return ran_; }
  int reused() const { return reused_; }
  int failed() const { return failed_; }

 private:
  struct Job {
    std::size_t answer;  // index of the answer it fills
    std::vector<double> inputs;
    std::int64_t id;
    EvaluationTag tag;
    int attempt = 1;
    std::int64_t retryOf = 0;
  };
  const EvaluationSetup& setup_;
  DataLog& log_;
  ProcessLauncher& launcher_;
  const SolverLauncher& solver_;
  const Interruption& interruption_;
  EvaluatorOptions options_;
  Progress progress_;
  std::int64_t firstIdOfRun_;
  std::int64_t nextId_;
  std::mutex femapTurns_;
  int ran_ = 0, reused_ = 0, failed_ = 0;

  void runJobs(std::vector<Job> jobs, std::vector<Answer>& answers);
  Answer finish(const Job& job, const EvaluationOutcome& outcome, const std::string& started, double seconds);
  // The same design again after a transient failure; nullopt when it is not to run again.
  std::optional<Job> retryOf(const Job& job, const EvaluationRecord& failed);
};

// "eval-000012"
std::string evaluationFolderName(std::int64_t id);

}  // namespace taskrun
