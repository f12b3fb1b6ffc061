#include "taskrun/plans.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <set>

namespace taskrun {
namespace {

double clampTo(double value, const Variable& variable) {
  if (variable.lower) value = std::max(value, *variable.lower);
  if (variable.upper) value = std::min(value, *variable.upper);
  return value;
}

// Relative violation of one bound: how far past it, in units of the bound's magnitude.
double violation(double excess, double bound) {
  double scale = std::abs(bound);
  return excess / (scale > 0 ? scale : 1);
}

std::string number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

// splitmix64: the same sequence on every platform for a given seed.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }  // [0, 1)
  std::size_t below(std::size_t count) { return static_cast<std::size_t>(next() % count); }

 private:
  std::uint64_t state_;
};

}  // namespace

std::string failureText(const EvaluationRecord& record) {
  return "evaluation " + std::to_string(record.id) + " failed at " + record.failedStep + ": " + record.reason;
}

const char* statusName(PlanStatus status) {
  switch (status) {
    case PlanStatus::converged: return "converged";
    case PlanStatus::budget: return "budget";
    case PlanStatus::failed: return "failed";
  }
  return "failed";
}

std::optional<double> Measures::objective(const EvaluationRecord& record) const {
  if (!study_.objective || !record.ok) return std::nullopt;
  return record.outputs[study_.objective->output];
}

std::optional<double> Measures::worstConstraint(const EvaluationRecord& record) const {
  if (study_.constraints.empty() || !record.ok) return std::nullopt;
  double worst = -std::numeric_limits<double>::infinity();
  for (const Constraint& constraint : study_.constraints) {
    double value = record.outputs[constraint.output].value_or(0);
    if (constraint.lower) worst = std::max(worst, violation(*constraint.lower - value, *constraint.lower));
    if (constraint.upper) worst = std::max(worst, violation(value - *constraint.upper, *constraint.upper));
  }
  return worst;
}

bool Measures::feasible(const EvaluationRecord& record) const {
  if (!record.ok) return false;
  auto worst = worstConstraint(record);
  return !worst || *worst <= kFeasibility;
}

const char* stateName(BoundCheck::State state) {
  switch (state) {
    case BoundCheck::State::violated: return "violated";
    case BoundCheck::State::active: return "active";
    case BoundCheck::State::met: return "met";
  }
  return "met";
}

std::vector<BoundCheck> Measures::bounds(const EvaluationRecord& record) const {
  std::vector<BoundCheck> checks;
  for (const Constraint& constraint : study_.constraints) {
    std::optional<double> value =
        constraint.output < record.outputs.size() ? record.outputs[constraint.output] : std::nullopt;
    auto check = [&](double limit, bool upper) {
      BoundCheck bound{constraint.output, upper, limit, value, 0, BoundCheck::State::violated};
      if (value) {
        bound.violation = violation(upper ? *value - limit : limit - *value, limit);
        bound.state = bound.violation > kFeasibility    ? BoundCheck::State::violated
                      : bound.violation >= -kActiveWithin ? BoundCheck::State::active
                                                         : BoundCheck::State::met;
      }
      checks.push_back(bound);
    };
    if (constraint.lower) check(*constraint.lower, false);
    if (constraint.upper) check(*constraint.upper, true);
  }
  return checks;
}

bool Measures::better(const EvaluationRecord& a, const EvaluationRecord& b) const {
  bool feasibleA = feasible(a), feasibleB = feasible(b);
  if (feasibleA != feasibleB) return feasibleA;
  double worstA = worstConstraint(a).value_or(0), worstB = worstConstraint(b).value_or(0);
  if (!feasibleA && worstA != worstB) return worstA < worstB;
  auto objectiveA = objective(a), objectiveB = objective(b);
  if (objectiveA && objectiveB && *objectiveA != *objectiveB) {
    return study_.objective->maximise ? *objectiveA > *objectiveB : *objectiveA < *objectiveB;
  }
  return worstA < worstB;
}

std::vector<double> startValues(const Task& task, const Study& study) {
  std::vector<double> values;
  for (const Variable& variable : study.variables) {
    values.push_back(clampTo(variable.start.value_or(task.inputs[variable.input].initialValue), variable));
  }
  return values;
}

std::vector<double> PlanContext::startValues() const { return taskrun::startValues(task_, study_); }

std::vector<double> PlanContext::inputsFor(const std::vector<double>& values) const {
  std::vector<double> inputs;
  inputs.reserve(task_.inputs.size());
  for (const InputParameter& input : task_.inputs) inputs.push_back(input.initialValue);
  for (std::size_t i = 0; i < study_.variables.size() && i < values.size(); ++i) inputs[study_.variables[i].input] = values[i];
  return inputs;
}

std::vector<Answer> PlanContext::evaluate(const std::vector<std::vector<double>>& variableValues,
                                          const std::vector<EvaluationTag>& tags) {
  std::vector<std::vector<double>> designs;
  designs.reserve(variableValues.size());
  for (const std::vector<double>& values : variableValues) designs.push_back(inputsFor(values));
  std::vector<Answer> answers = evaluator_.evaluate(designs, tags);
  for (const Answer& answer : answers) {
    if (answer.source != Answer::Source::repeated && answer.source != Answer::Source::notRun) history_.push_back(answer);
  }
  return answers;
}

std::optional<EvaluationRecord> PlanContext::bestOfHistory() const {
  const EvaluationRecord* best = nullptr;
  for (const Answer& answer : history_) {
    if (answer.record.ok && (!best || measures_.better(answer.record, *best))) best = &answer.record;
  }
  if (!best) return std::nullopt;
  return *best;
}

namespace {

// How many different designs there are among `designs`: a design asked for twice runs once.
std::size_t distinctDesigns(const std::vector<std::vector<double>>& designs) {
  std::set<std::vector<std::uint64_t>> keys;
  for (const std::vector<double>& design : designs) keys.insert(designKey(design));
  return keys.size();
}

}  // namespace

std::size_t evaluationBudget(const Task& task, const Study& study) {
  switch (study.plan) {
    case PlanKind::run: return 1;
    case PlanKind::stressRatio: return static_cast<std::size_t>(study.stressRatio.simulations);
    case PlanKind::doe: {
      if (study.doe.method == DoeOptions::Method::lhs) return static_cast<std::size_t>(study.doe.samples);
      std::size_t count = 1;
      for (std::size_t v = 0; v < study.variables.size(); ++v) count *= static_cast<std::size_t>(study.doe.levels);
      return count;
    }
    case PlanKind::list: return distinctDesigns(study.list.designs);
    case PlanKind::sweep: return distinctDesigns(sweepDesigns(study.variables, startValues(task, study), study.sweep.points));
    case PlanKind::optimise:
      return static_cast<std::size_t>(study.optimise.maxEvaluations) * static_cast<std::size_t>(std::max(1, study.optimise.starts));
  }
  return 1;
}

bool stepBacksWithinBudget(const Study& study) { return study.plan == PlanKind::optimise; }

bool budgetIsLimit(const Study& study) { return study.plan == PlanKind::stressRatio || study.plan == PlanKind::optimise; }

PlanOutcome runOnce(PlanContext& context) {
  PlanOutcome outcome;
  std::vector<double> values;
  for (const Variable& variable : context.study().variables) {
    values.push_back(variable.start.value_or(context.task().inputs[variable.input].initialValue));
  }
  outcome.iterations.push_back(values);
  Answer answer = context.evaluate({values}, {{1, "design"}}).front();
  if (!answer.record.ok) {
    outcome.message = failureText(answer.record);
    return outcome;
  }
  outcome.status = PlanStatus::converged;
  outcome.message = "one evaluation at the start values";
  outcome.best = answer.record;
  return outcome;
}

PlanOutcome runStressRatio(PlanContext& context) {
  const Study& study = context.study();
  PlanOutcome outcome;
  std::vector<double> values = context.startValues();
  std::optional<std::vector<double>> lastGood;
  double change = 0;
  for (int simulation = 1; simulation <= study.stressRatio.simulations; ++simulation) {
    outcome.iterations.push_back(values);
    Answer answer = context.evaluate({values}, {EvaluationTag{simulation, "design", 0}}).front();
    if (!answer.record.ok) {
      // "infeasible": back toward the last good design, halving the step each time.
      std::string failure = failureText(answer.record);
      if (!context.goesOnPastFailures() || !lastGood) {
        outcome.message = failure;
        return outcome;
      }
      std::vector<double> failed = values;
      bool found = false;
      for (int halving = 1; halving <= study.failure.stepBacks && !found; ++halving) {
        double fraction = std::ldexp(1.0, -halving);
        for (std::size_t i = 0; i < values.size(); ++i) values[i] = (*lastGood)[i] + fraction * (failed[i] - (*lastGood)[i]);
        answer = context.evaluate({values}, {EvaluationTag{simulation, "step-back", 0}}).front();
        found = answer.record.ok;
      }
      if (!found) {
        outcome.message = failure + "; " + std::to_string(study.failure.stepBacks) +
                          " steps back toward the last good design failed too";
        outcome.best = context.bestOfHistory();
        return outcome;
      }
    }
    lastGood = values;
    outcome.best = answer.record;
    // Every variable resized by the ratio of its output to that output's allowable.
    std::vector<double> resized(values.size());
    change = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
      const Constraint& constraint = study.constraints[i];
      double response = *answer.record.outputs[constraint.output];
      double allowable = response >= 0 ? (constraint.upper ? *constraint.upper : std::abs(*constraint.lower))
                                       : (constraint.lower ? std::abs(*constraint.lower) : *constraint.upper);
      if (allowable == 0) allowable = std::abs(constraint.upper.value_or(0)) + std::abs(constraint.lower.value_or(0));
      resized[i] = clampTo(values[i] * std::abs(response) / std::abs(allowable), study.variables[i]);
      double scale = std::abs(values[i]) > 0 ? std::abs(values[i]) : 1;
      change = std::max(change, std::abs(resized[i] - values[i]) / scale);
    }
    if (change <= study.stressRatio.tolerance) {
      outcome.status = PlanStatus::converged;
      outcome.message = "no variable changes by more than " + number(study.stressRatio.tolerance) + " after " +
                        std::to_string(simulation) + " simulations";
      return outcome;
    }
    values = resized;
  }
  outcome.status = PlanStatus::budget;
  outcome.message = "stopped after " + std::to_string(study.stressRatio.simulations) +
                    " simulations; a variable still changed by " + number(change);
  return outcome;
}

std::vector<std::vector<double>> latinHypercube(const std::vector<Variable>& variables, int samples, std::uint64_t seed) {
  Random random(seed);
  std::size_t count = static_cast<std::size_t>(samples);
  std::vector<std::vector<double>> designs(count, std::vector<double>(variables.size()));
  std::vector<std::size_t> strata(count);
  for (std::size_t v = 0; v < variables.size(); ++v) {
    for (std::size_t i = 0; i < count; ++i) strata[i] = i;
    for (std::size_t i = count; i > 1; --i) std::swap(strata[i - 1], strata[random.below(i)]);
    double lower = *variables[v].lower, upper = *variables[v].upper;
    for (std::size_t i = 0; i < count; ++i) {
      double fraction = (static_cast<double>(strata[i]) + random.uniform()) / static_cast<double>(count);
      designs[i][v] = std::min(upper, lower + fraction * (upper - lower));
    }
  }
  return designs;
}

std::vector<std::vector<double>> fullFactorial(const std::vector<Variable>& variables, int levels) {
  std::vector<std::vector<double>> designs;
  std::vector<int> level(variables.size(), 0);
  auto at = [&](std::size_t v, int k) {
    double lower = *variables[v].lower, upper = *variables[v].upper;
    if (levels == 1) return (lower + upper) / 2;
    return k == levels - 1 ? upper : lower + (upper - lower) * k / (levels - 1);
  };
  for (;;) {
    std::vector<double> design(variables.size());
    for (std::size_t v = 0; v < variables.size(); ++v) design[v] = at(v, level[v]);
    designs.push_back(std::move(design));
    std::size_t v = 0;
    while (v < variables.size() && ++level[v] == levels) level[v++] = 0;
    if (v == variables.size()) break;
  }
  return designs;
}

std::vector<std::vector<double>> sweepDesigns(const std::vector<Variable>& variables, const std::vector<double>& start,
                                              int points) {
  std::vector<std::vector<double>> designs;
  designs.reserve(variables.size() * static_cast<std::size_t>(points));
  for (std::size_t v = 0; v < variables.size(); ++v) {
    double lower = *variables[v].lower, upper = *variables[v].upper;
    for (int k = 0; k < points; ++k) {
      std::vector<double> design = start;
      design[v] = k == points - 1 ? upper : lower + (upper - lower) * k / (points - 1);
      designs.push_back(std::move(design));
    }
  }
  return designs;
}

std::string planDescription(const Study& study) {
  std::size_t variables = study.variables.size();
  switch (study.plan) {
    case PlanKind::doe:
      if (study.doe.method == DoeOptions::Method::lhs) {
        return std::to_string(study.doe.samples) + " designs of a Latin hypercube (seed " + std::to_string(study.doe.seed) + ")";
      }
      return std::to_string(fullFactorial(study.variables, study.doe.levels).size()) + " designs of a full factorial of " +
             std::to_string(study.doe.levels) + " levels";
    case PlanKind::list:
      return std::to_string(study.list.designs.size()) + " designs from " + study.list.file.filename().string();
    case PlanKind::sweep:
      return std::to_string(variables * static_cast<std::size_t>(study.sweep.points)) + " designs: " + std::to_string(variables) +
             (variables == 1 ? " variable" : " variables") + " through " + std::to_string(study.sweep.points) +
             " points each, the others at their start values";
    case PlanKind::optimise:
      if (study.optimise.starts > 1) {
        return std::to_string(study.optimise.starts) + " starts side by side (the start values and a Latin hypercube, seed " +
               std::to_string(study.optimise.seed) + "), up to " + std::to_string(study.optimise.maxEvaluations) +
               " evaluations each";
      }
      return "up to " + std::to_string(study.optimise.maxEvaluations) + " evaluations";
    case PlanKind::run:
    case PlanKind::stressRatio: break;
  }
  return {};
}

namespace {

// The designs of a plan that knows them all beforehand, evaluated as one batch.
PlanOutcome survey(PlanContext& context, std::vector<std::vector<double>> designs) {
  PlanOutcome outcome;
  outcome.iterations = std::move(designs);
  std::vector<EvaluationTag> tags(outcome.iterations.size());
  for (std::size_t i = 0; i < tags.size(); ++i) tags[i].iteration = static_cast<int>(i + 1);
  std::vector<Answer> answers = context.evaluate(outcome.iterations, tags);
  outcome.best = context.bestOfHistory();
  std::size_t failed = 0, notRun = 0;
  const EvaluationRecord* firstFailure = nullptr;
  for (const Answer& answer : answers) {
    if (answer.source == Answer::Source::notRun) {
      ++notRun;
    } else if (!answer.record.ok) {
      ++failed;
      if (!firstFailure || answer.record.id < firstFailure->id) firstFailure = &answer.record;
    }
  }
  outcome.message = std::to_string(answers.size()) + " designs, " + std::to_string(failed) + " failed";
  outcome.status = outcome.best ? PlanStatus::converged : PlanStatus::failed;
  if (firstFailure && !context.goesOnPastFailures()) {
    // "abort" and "retry" end the plan at a failure that stays.
    outcome.status = PlanStatus::failed;
    outcome.message = failureText(*firstFailure) + " (" + std::to_string(notRun) + " of " + std::to_string(answers.size()) +
                      " designs not run)";
  }
  return outcome;
}

}  // namespace

PlanOutcome runDesignOfExperiments(PlanContext& context) {
  const Study& study = context.study();
  return survey(context, study.doe.method == DoeOptions::Method::lhs
                             ? latinHypercube(study.variables, study.doe.samples, study.doe.seed)
                             : fullFactorial(study.variables, study.doe.levels));
}

PlanOutcome runList(PlanContext& context) { return survey(context, context.study().list.designs); }

PlanOutcome runSweep(PlanContext& context) {
  const Study& study = context.study();
  return survey(context, sweepDesigns(study.variables, context.startValues(), study.sweep.points));
}

}  // namespace taskrun
