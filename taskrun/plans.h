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

// One bound of a constrained output checked on an evaluation.
struct BoundCheck {
  enum class State { violated, active, met };
  std::size_t output = 0;  // index into the task's outputs
  bool upper = true;       // the upper bound (else the lower one)
  double limit = 0;
  std::optional<double> value;  // nullopt: the evaluation gave none
  double violation = 0;         // past the bound, relative to its magnitude (<= 0: kept)
  State state = State::met;
};
const char* stateName(BoundCheck::State state);

// Objective and constraints of the study applied to an evaluation.
class Measures {
 public:
  // A design whose worst relative violation stays within this counts as feasible: a response
  // may pass its bound by a millionth of the bound's magnitude (of 1 where the bound is 0).
  static constexpr double kFeasibility = 1e-6;
  // A kept bound counts as active when the response lies within this fraction of it.
  static constexpr double kActiveWithin = 1e-3;

  Measures(const Task& task, const Study& study) : task_(task), study_(study) {}

  std::optional<double> objective(const EvaluationRecord& record) const;
  // The largest relative violation of a constraint bound (<= 0: all kept); nullopt when the
  // study has no constraints or the evaluation failed.
  std::optional<double> worstConstraint(const EvaluationRecord& record) const;
  // Successful and every bound kept within kFeasibility (true without constraints).
  bool feasible(const EvaluationRecord& record) const;
  // Every bound of every constrained output, in the study's order (lower before upper).
  std::vector<BoundCheck> bounds(const EvaluationRecord& record) const;
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
  std::vector<double> startValues() const;  // taskrun::startValues of its task and study
  // The task's full input values with the variables set to `values`.
  std::vector<double> inputsFor(const std::vector<double>& values) const;
  // Evaluates designs given as the variables' values (`tags`: what each is to the plan, one a
  // design); answers in the same order.
  std::vector<Answer> evaluate(const std::vector<std::vector<double>>& variableValues,
                               const std::vector<EvaluationTag>& tags);
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

// The evaluations a plan asks for at most: the designs of a design of experiments, the
// different designs of a list or a sweep, the resizings of a stress-ratio plan, the
// optimiser's max-evaluations for each start. A transient failure run again adds its attempt,
// and a stress-ratio plan's step back its evaluation, to what the plan asks for; an
// optimiser's step backs are within its max-evaluations.
std::size_t evaluationBudget(const Task& task, const Study& study);
// True when the plan's step backs toward the last good design count within its budget.
bool stepBacksWithinBudget(const Study& study);
// True when the plan may end before it has spent its budget (it converges).
bool budgetIsLimit(const Study& study);

// The variables' start values ("start =", else the task's initial values), within their bounds.
std::vector<double> startValues(const Task& task, const Study& study);

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
