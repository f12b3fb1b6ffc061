#pragma once
// The plans a study runs: "run" (one evaluation at the start values), "stress-ratio" (the
// task's stress-ratio plan, variables matched with constrained outputs in order), "doe" (a
// Latin hypercube or a full factorial, evaluated in parallel), "list" (the designs of a CSV
// file), "sweep" (one variable at a time through its range) and "optimise" (NLopt with
// finite-difference gradients whose perturbed designs run in parallel, from one start or
// several side by side).

#include <optional>
#include <string>
#include <vector>

#include "taskrun/evaluator.h"
#include "taskrun/study.h"
#include "taskrun/task.h"

namespace taskrun {

// Objective and constraints of the study applied to an evaluation.
class Measures {
 public:
  // A design whose worst relative violation stays within this counts as feasible.
  static constexpr double kFeasibility = 1e-6;

  Measures(const Task& task, const Study& study) : task_(task), study_(study) {}

  std::optional<double> objective(const EvaluationRecord& record) const;
  // The largest relative violation of a constraint bound (<= 0: all kept); nullopt when the
  // study has no constraints or the evaluation failed.
  std::optional<double> worstConstraint(const EvaluationRecord& record) const;
  bool feasible(const EvaluationRecord& record) const;
  // True when `a` is a better design than `b` (both successful): feasible before infeasible,
  // then the better objective, then the smaller violation.
  bool better(const EvaluationRecord& a, const EvaluationRecord& b) const;

 private:
  const Task& task_;
  const Study& study_;
};

enum class PlanStatus { converged, budget, failed };
const char* statusName(PlanStatus status);

struct PlanOutcome {
  PlanStatus status = PlanStatus::failed;
  std::string message;                          // how the plan ended, for the engineer
  std::optional<EvaluationRecord> best;
  std::vector<std::vector<double>> iterations;  // the variables' values at each iteration
};

// What every plan uses: the evaluator, the study, and the record of every answer.
class PlanContext {
 public:
  PlanContext(const Task& task, const Study& study, Evaluator& evaluator)
      : task_(task), study_(study), evaluator_(evaluator), measures_(task, study) {}

  const Task& task() const { return task_; }
  const Study& study() const { return study_; }
  const Measures& measures() const { return measures_; }

  // The variables' start values: the task's initial values held within their bounds.
  std::vector<double> startValues() const;
  // The task's full input values with the variables set to `values`.
  std::vector<double> inputsFor(const std::vector<double>& values) const;
  // Evaluates designs given as the variables' values; answers in the same order. `tags`
  // (one a design, or none) say what each design is to the plan.
  std::vector<Answer> evaluate(const std::vector<std::vector<double>>& variableValues, const std::vector<EvaluationTag>& tags = {});
  // Every answer of the study that ran or was reused, in the order asked.
  const std::vector<Answer>& history() const { return history_; }
  // The best successful answer of the history; nullopt when none succeeded.
  std::optional<EvaluationRecord> bestOfHistory() const;
  // True when failed designs are to be stepped back from or passed by ("infeasible").
  bool goesOnPastFailures() const { return study_.failure.policy == FailureOptions::Policy::infeasible; }
  // Evaluations asked for so far (run or reused).
  std::size_t asked() const { return history_.size(); }

 private:
  const Task& task_;
  const Study& study_;
  Evaluator& evaluator_;
  Measures measures_;
  std::vector<Answer> history_;
};

PlanOutcome runOnce(PlanContext& context);
PlanOutcome runStressRatio(PlanContext& context);
PlanOutcome runDesignOfExperiments(PlanContext& context);
PlanOutcome runOptimiser(PlanContext& context);
PlanOutcome runList(PlanContext& context);
PlanOutcome runSweep(PlanContext& context);

// How many designs a plan that knows them beforehand runs, and how they are made ("" for
// the others): for the engineer before the first evaluation.
std::string planDescription(const Study& study);

// The designs of a design of experiments within the variables' bounds.
// "evaluation 12 failed at Nastran: exit status 3"
std::string failureText(const EvaluationRecord& record);

std::vector<std::vector<double>> latinHypercube(const std::vector<Variable>& variables, int samples, std::uint64_t seed);
std::vector<std::vector<double>> fullFactorial(const std::vector<Variable>& variables, int levels);
// One variable at a time through `points` values from its lower to its upper bound, the
// others at `start`.
std::vector<std::vector<double>> sweepDesigns(const std::vector<Variable>& variables, const std::vector<double>& start,
                                              int points);

}  // namespace taskrun
