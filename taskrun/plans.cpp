#include "taskrun/plans.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

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

std::string failureText(const EvaluationRecord& record) {
  return "evaluation " + std::to_string(record.id) + " failed at " + record.failedStep + ": " + record.reason;
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

std::vector<double> PlanContext::startValues() const {
  std::vector<double> values;
  for (const Variable& variable : study_.variables) values.push_back(clampTo(task_.inputs[variable.input].initialValue, variable));
  return values;
}

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
    if (answer.source != Answer::Source::repeated) history_.push_back(answer);
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

std::size_t evaluationBudget(const Study& study) {
  switch (study.plan) {
    case PlanKind::run: return 1;
    case PlanKind::stressRatio: return static_cast<std::size_t>(study.stressRatio.simulations);
    case PlanKind::doe: {
      if (study.doe.method == DoeOptions::Method::lhs) return static_cast<std::size_t>(study.doe.samples);
      std::size_t count = 1;
      for (std::size_t v = 0; v < study.variables.size(); ++v) count *= static_cast<std::size_t>(study.doe.levels);
      return count;
    }
    case PlanKind::optimise: return static_cast<std::size_t>(study.optimise.maxEvaluations);
  }
  return 1;
}

bool budgetIsLimit(const Study& study) { return study.plan == PlanKind::stressRatio || study.plan == PlanKind::optimise; }

PlanOutcome runOnce(PlanContext& context) {
  PlanOutcome outcome;
  std::vector<double> values;
  for (const Variable& variable : context.study().variables) values.push_back(context.task().inputs[variable.input].initialValue);
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
  double change = 0;
  for (int simulation = 1; simulation <= study.stressRatio.simulations; ++simulation) {
    outcome.iterations.push_back(values);
    Answer answer = context.evaluate({values}, {{simulation, "design"}}).front();
    if (!answer.record.ok) {
      outcome.message = failureText(answer.record);
      return outcome;
    }
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

PlanOutcome runDesignOfExperiments(PlanContext& context) {
  const Study& study = context.study();
  PlanOutcome outcome;
  outcome.iterations = study.doe.method == DoeOptions::Method::lhs
                           ? latinHypercube(study.variables, study.doe.samples, study.doe.seed)
                           : fullFactorial(study.variables, study.doe.levels);
  std::vector<EvaluationTag> tags(outcome.iterations.size());
  for (std::size_t i = 0; i < tags.size(); ++i) tags[i].iteration = static_cast<int>(i + 1);
  std::vector<Answer> answers = context.evaluate(outcome.iterations, tags);
  outcome.best = context.bestOfHistory();
  std::size_t failed = static_cast<std::size_t>(std::count_if(answers.begin(), answers.end(),
                                                              [](const Answer& answer) { return !answer.record.ok; }));
  outcome.message = std::to_string(answers.size()) + " designs, " + std::to_string(failed) + " failed";
  outcome.status = outcome.best ? PlanStatus::converged : PlanStatus::failed;
  return outcome;
}

}  // namespace taskrun
