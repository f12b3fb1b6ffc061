// The "optimise" plan: NLopt's MMA, SLSQP or COBYLA on the variables scaled to [0, 1] by their
// bounds, the objective scaled by its value at the start, every bound of a constrained output
// as one inequality relative to the bound's magnitude. Gradients are finite differences; the
// design and its perturbed designs form one batch, so they run side by side. NLopt asks for
// the objective and the constraints separately at the same point: the last point is kept.
//
// A failed design ends the plan, unless the failure policy is "infeasible": then NLopt is
// stopped, the design counts as unacceptable, and the plan steps back toward the last good
// design, halving the step each time (at most "step-backs" times), and starts NLopt afresh
// from the first of them that succeeds. A perturbed design that fails is taken from the other
// side of the design instead.
//
// Several starts run side by side in lockstep: each optimiser has a thread of its own and
// asks for its batch; when every running optimiser has asked, the batches are evaluated
// together as one (in the order of the starts, so the study runs the same way every time),
// and each gets its answers back. The best end of all is the plan's answer.
#include <nlopt.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <functional>
#include <limits>
#include <mutex>
#include <thread>

#include "taskrun/plans.h"

namespace taskrun {
namespace {

using Evaluate = std::function<std::vector<Answer>(const std::vector<std::vector<double>>&, const std::vector<EvaluationTag>&)>;

struct ConstraintRow {
  std::size_t output;
  bool upper;
  double bound;
};

// An NLopt optimiser, destroyed when it goes away.
class NloptHandle {
 public:
  NloptHandle(nlopt_algorithm algorithm, unsigned dimension) : opt_(nlopt_create(algorithm, dimension)) {}
  ~NloptHandle() { nlopt_destroy(opt_); }
  NloptHandle(const NloptHandle&) = delete;
  NloptHandle& operator=(const NloptHandle&) = delete;
  nlopt_opt get() const { return opt_; }

 private:
  nlopt_opt opt_;
};

std::string resultText(nlopt_result result) {
  switch (result) {
    case NLOPT_SUCCESS: return "NLopt reports success";
    case NLOPT_STOPVAL_REACHED: return "the objective reached its stop value";
    case NLOPT_FTOL_REACHED: return "the objective changes less than its tolerance";
    case NLOPT_XTOL_REACHED: return "the variables change less than xtol-rel";
    case NLOPT_MAXEVAL_REACHED: return "NLopt reached its evaluation limit";
    case NLOPT_MAXTIME_REACHED: return "NLopt reached its time limit";
    case NLOPT_ROUNDOFF_LIMITED: return "round-off limits further progress";
    case NLOPT_INVALID_ARGS: return "NLopt refused its arguments";
    case NLOPT_OUT_OF_MEMORY: return "NLopt ran out of memory";
    case NLOPT_FORCED_STOP: return "stopped";
    default: return "NLopt failed";
  }
}

class Optimiser {
 public:
  // `start`: 0 for the one start of a plan, else its number; `evaluate` answers its batches.
  Optimiser(const PlanContext& context, int start, const std::vector<double>& startValues, Evaluate evaluate)
      : context_(context), study_(context.study()), start_(start), startValues_(startValues), evaluate_(std::move(evaluate)) {
    for (const Variable& variable : study_.variables) {
      lower_.push_back(*variable.lower);
      upper_.push_back(*variable.upper);
    }
    for (const Constraint& constraint : study_.constraints) {
      if (constraint.lower) rows_.push_back({constraint.output, false, *constraint.lower});
      if (constraint.upper) rows_.push_back({constraint.output, true, *constraint.upper});
    }
    gradients_ = study_.optimise.algorithm != OptimiseOptions::Algorithm::cobyla;
    used_.assign(context.task().outputs.size(), false);
    used_[study_.objective->output] = true;
    for (const ConstraintRow& row : rows_) used_[row.output] = true;
  }

  PlanOutcome run() {
    std::size_t n = lower_.size();
    std::vector<double> u(n);
    for (std::size_t i = 0; i < n; ++i) {
      u[i] = std::clamp((startValues_[i] - lower_[i]) / (upper_[i] - lower_[i]), 0.0, 1.0);
    }
    // The objective's scale: its magnitude at the start.
    if (const Point* first = point(u.data(), gradients_)) {
      double f0 = std::abs(*first->outputs[study_.objective->output]);
      scale_ = f0 > 0 ? f0 : 1;
    }
    if (!stop_.empty()) return finish(stopStatus_, stop_);
    for (;;) {
      nlopt_result result = optimiseFrom(u);
      if (pending_) std::rethrow_exception(pending_);
      if (stepBackFrom_) {
        if (!stepBack(u)) return finish(stopStatus_, stop_);
        continue;
      }
      if (!stop_.empty()) return finish(stopStatus_, stop_);
      if (result == NLOPT_MAXEVAL_REACHED || result == NLOPT_MAXTIME_REACHED) {
        return finish(PlanStatus::budget, resultText(result));
      }
      if (result > 0 || result == NLOPT_ROUNDOFF_LIMITED) return finish(PlanStatus::converged, resultText(result));
      return finish(PlanStatus::failed, resultText(result));
    }
  }

 private:
  struct Point {
    std::vector<double> u;
    bool withGradient = false;
    std::vector<std::optional<double>> outputs;
    std::vector<std::vector<double>> slopes;  // [output][variable]: d output / d u (used outputs only)
  };

  const PlanContext& context_;
  const Study& study_;
  int start_;
  std::vector<double> startValues_;
  Evaluate evaluate_;
  std::vector<double> lower_, upper_;
  std::vector<ConstraintRow> rows_;
  std::vector<bool> used_;  // the outputs the objective and the constraints need slopes of
  bool gradients_ = true;
  nlopt_opt opt_ = nullptr;
  double scale_ = 1;
  std::optional<Point> last_;
  std::vector<std::vector<double>> iterations_;
  std::optional<EvaluationRecord> best_;
  std::size_t asked_ = 0;                      // designs answered for this start (run or reused)
  std::optional<std::vector<double>> lastGood_;  // the last point whose design and slopes were had
  std::optional<std::vector<double>> stepBackFrom_;  // a point that failed, to step back from
  std::string stop_;  // why the plan stopped NLopt, when it did
  std::exception_ptr pending_;  // thrown inside a callback; no exception crosses NLopt's C code
  PlanStatus stopStatus_ = PlanStatus::failed;

  // One NLopt run from u (updated to where it ended).
  nlopt_result optimiseFrom(std::vector<double>& u) {
    std::size_t n = u.size();
    nlopt_algorithm algorithm = study_.optimise.algorithm == OptimiseOptions::Algorithm::mma     ? NLOPT_LD_MMA
                                : study_.optimise.algorithm == OptimiseOptions::Algorithm::slsqp ? NLOPT_LD_SLSQP
                                                                                                  : NLOPT_LN_COBYLA;
    NloptHandle handle(algorithm, static_cast<unsigned>(n));
    opt_ = handle.get();
    std::vector<double> zeros(n, 0.0), ones(n, 1.0);
    nlopt_set_lower_bounds(opt_, zeros.data());
    nlopt_set_upper_bounds(opt_, ones.data());
    nlopt_set_min_objective(opt_, &Optimiser::objective, this);
    if (!rows_.empty()) {
      std::vector<double> tolerances(rows_.size(), 1e-8);
      nlopt_add_inequality_mconstraint(opt_, static_cast<unsigned>(rows_.size()), &Optimiser::constraints, this,
                                       tolerances.data());
    }
    nlopt_set_xtol_rel(opt_, study_.optimise.xtolRel);
    nlopt_set_maxeval(opt_, study_.optimise.maxEvaluations);
    double value = 0;
    nlopt_result result = nlopt_optimize(opt_, u.data(), &value);
    opt_ = nullptr;
    return result;
  }

  // Back from the failed point toward the last good one, halving the step each time; u
  // becomes the first of them that succeeds (false: none did, or the budget is spent).
  bool stepBack(std::vector<double>& u) {
    std::vector<double> failed = *stepBackFrom_;
    std::string failure = stop_;
    stepBackFrom_.reset();
    stop_.clear();
    for (int halving = 1; halving <= study_.failure.stepBacks; ++halving) {
      double fraction = std::ldexp(1.0, -halving);
      std::vector<double> trial(u.size());
      for (std::size_t i = 0; i < trial.size(); ++i) trial[i] = (*lastGood_)[i] + fraction * (failed[i] - (*lastGood_)[i]);
      const Point* reached = point(trial.data(), gradients_, "step-back");
      if (reached) {
        u = trial;
        return true;
      }
      if (pending_) std::rethrow_exception(pending_);
      if (stopStatus_ == PlanStatus::budget) return false;
      stepBackFrom_.reset();
      stop_.clear();
    }
    stop_ = failure + "; " + std::to_string(study_.failure.stepBacks) + " steps back toward the last good design failed too";
    return false;
  }

  PlanOutcome finish(PlanStatus status, const std::string& message) {
    PlanOutcome outcome;
    outcome.status = status;
    outcome.message = message;
    outcome.best = best_;
    outcome.iterations = iterations_;
    if (!outcome.best) outcome.status = PlanStatus::failed;
    return outcome;
  }

  void stop(PlanStatus status, const std::string& message) {
    stop_ = message;
    stopStatus_ = status;
    if (opt_) nlopt_force_stop(opt_);
  }

  std::vector<double> designAt(const std::vector<double>& u) const {
    std::vector<double> x(u.size());
    for (std::size_t i = 0; i < u.size(); ++i) x[i] = std::clamp(lower_[i] + u[i] * (upper_[i] - lower_[i]), lower_[i], upper_[i]);
    return x;
  }

  // Answers a batch and keeps the best successful design of this start.
  std::vector<Answer> answer(const std::vector<std::vector<double>>& designs, const std::vector<EvaluationTag>& tags) {
    std::vector<Answer> answers = evaluate_(designs, tags);
    for (const Answer& answer : answers) {
      if (answer.source == Answer::Source::ran || answer.source == Answer::Source::reused) ++asked_;
      if (answer.record.ok && answer.source != Answer::Source::notRun &&
          (!best_ || context_.measures().better(answer.record, *best_))) {
        best_ = answer.record;
      }
    }
    return answers;
  }

  // The failure to tell of a batch: the first evaluation that ran and failed (designs that
  // were not run after it have no record).
  static const EvaluationRecord* firstFailure(const std::vector<Answer>& answers) {
    const EvaluationRecord* first = nullptr;
    for (const Answer& answer : answers) {
      if (answer.source == Answer::Source::notRun || answer.record.ok) continue;
      if (!first || answer.record.id < first->id) first = &answer.record;
    }
    return first ? first : &answers.front().record;
  }

  // A failed design: the plan ends, or with "infeasible" it steps back (once NLopt stopped).
  const Point* failedAt(const std::vector<double>& u, const EvaluationRecord& record) {
    stop(PlanStatus::failed, failureText(record));
    if (context_.goesOnPastFailures() && lastGood_) stepBackFrom_ = u;
    return nullptr;
  }

  // The responses at u (and their slopes when asked); nullptr once the plan must stop or step
  // back.
  const Point* point(const double* values, bool withGradient, const char* kind = "design") {
    std::size_t n = lower_.size();
    std::vector<double> u(values, values + n);
    if (last_ && last_->u == u && (last_->withGradient || !withGradient)) return &*last_;
    if (!stop_.empty()) return nullptr;
    std::vector<double> x = designAt(u);
    std::vector<std::vector<double>> designs{x};
    // Perturbed designs: one (forward or, at the upper bound, backward) or two (central) a variable.
    struct Difference {
      std::size_t plus, minus;  // indexes into designs (minus may be the design itself)
      double width;             // in x
    };
    std::vector<Difference> differences;
    std::vector<double> steps(n, 0);
    if (withGradient) {
      for (std::size_t i = 0; i < n; ++i) {
        double range = upper_[i] - lower_[i];
        double h = study_.optimise.gradientStep * (std::abs(x[i]) > 0 ? std::abs(x[i]) : range);
        steps[i] = h = std::min(h, range / 2);
        auto shifted = [&](double by) {
          std::vector<double> design = x;
          design[i] = x[i] + by;
          designs.push_back(design);
          return designs.size() - 1;
        };
        if (study_.optimise.central && x[i] - h >= lower_[i] && x[i] + h <= upper_[i]) {
          std::size_t plus = shifted(h), minus = shifted(-h);
          differences.push_back({plus, minus, designs[plus][i] - designs[minus][i]});
        } else if (x[i] + h <= upper_[i]) {
          std::size_t plus = shifted(h);
          differences.push_back({plus, 0, designs[plus][i] - x[i]});
        } else {
          std::size_t minus = shifted(-h);
          differences.push_back({0, minus, x[i] - designs[minus][i]});
        }
      }
    }
    if (asked_ > 0 && asked_ + designs.size() > static_cast<std::size_t>(study_.optimise.maxEvaluations)) {
      stop(PlanStatus::budget, "the next step would exceed max-evaluations (" + std::to_string(study_.optimise.maxEvaluations) + ")");
      return nullptr;
    }
    iterations_.push_back(x);
    int iteration = static_cast<int>(iterations_.size());
    std::vector<EvaluationTag> tags(designs.size(), EvaluationTag{iteration, "gradient", start_});
    tags.front().kind = kind;
    std::vector<Answer> answers = answer(designs, tags);
    if (answers.front().source == Answer::Source::notRun) {
      // Another evaluation of the same batch (another start's) failed and ended it.
      stop(PlanStatus::failed, "not run: an evaluation of the same batch failed");
      return nullptr;
    }
    if (!answers.front().record.ok) return failedAt(u, *firstFailure(answers));
    // A perturbed design that failed is taken from the other side of the design, once.
    if (withGradient && context_.goesOnPastFailures()) {
      std::vector<std::vector<double>> others;
      std::vector<std::size_t> replaced;  // (into designs) the failed perturbed designs
      for (std::size_t i = 0; i < n; ++i) {
        Difference& difference = differences[i];
        for (std::size_t* side : {&difference.plus, &difference.minus}) {
          if (*side == 0 || answers[*side].record.ok) continue;
          double by = designs[*side][i] - x[i];
          std::vector<double> other = x;
          other[i] = std::clamp(x[i] - by, lower_[i], upper_[i]);
          if (other[i] == x[i]) continue;
          replaced.push_back(*side);
          others.push_back(other);
          designs.push_back(other);
          *side = designs.size() - 1;
          difference.width = designs[difference.plus][i] - designs[difference.minus][i];
        }
      }
      if (!others.empty()) {
        if (asked_ + others.size() > static_cast<std::size_t>(study_.optimise.maxEvaluations)) {
          stop(PlanStatus::budget, "the next step would exceed max-evaluations (" + std::to_string(study_.optimise.maxEvaluations) + ")");
          return nullptr;
        }
        std::vector<Answer> more = answer(others, std::vector<EvaluationTag>(others.size(), EvaluationTag{iteration, "gradient", start_}));
        answers.insert(answers.end(), more.begin(), more.end());
      }
    }
    if (withGradient) {
      for (const Difference& difference : differences) {
        if (!answers[difference.plus].record.ok || !answers[difference.minus].record.ok) {
          // Without its slopes the point is of no use: stepped back from like a failed design.
          return failedAt(u, *firstFailure(answers));
        }
      }
    }
    Point point;
    point.u = u;
    point.withGradient = withGradient;
    point.outputs = answers.front().record.outputs;
    if (withGradient) {
      std::size_t outputs = point.outputs.size();
      point.slopes.assign(outputs, {});
      for (std::size_t k = 0; k < outputs; ++k) {
        if (used_[k]) point.slopes[k].assign(n, 0);
      }
      for (std::size_t i = 0; i < n; ++i) {
        const Difference& difference = differences[i];
        for (std::size_t k = 0; k < outputs; ++k) {
          if (!used_[k]) continue;
          double plus = *answers[difference.plus].record.outputs[k], minus = *answers[difference.minus].record.outputs[k];
          point.slopes[k][i] = (plus - minus) / difference.width * (upper_[i] - lower_[i]);
        }
      }
    }
    lastGood_ = u;
    last_ = std::move(point);
    return &*last_;
  }

  // point() for NLopt's callbacks: an exception (the engineer's interruption) is kept for later.
  const Point* pointForNlopt(const double* u, bool withGradient) {
    try {
      return point(u, withGradient);
    } catch (...) {
      pending_ = std::current_exception();
      stop(PlanStatus::failed, "interrupted");
      return nullptr;
    }
  }

  static double objective(unsigned n, const double* u, double* gradient, void* data) {
    auto* self = static_cast<Optimiser*>(data);
    const Point* point = self->pointForNlopt(u, gradient != nullptr);
    if (!point) {
      if (gradient) std::fill(gradient, gradient + n, 0.0);
      return std::numeric_limits<double>::max();
    }
    std::size_t output = self->study_.objective->output;
    double sign = self->study_.objective->maximise ? -1 : 1;
    if (gradient) {
      for (unsigned i = 0; i < n; ++i) gradient[i] = sign * point->slopes[output][i] / self->scale_;
    }
    return sign * *point->outputs[output] / self->scale_;
  }

  static void constraints(unsigned m, double* result, unsigned n, const double* u, double* gradient, void* data) {
    auto* self = static_cast<Optimiser*>(data);
    const Point* point = self->pointForNlopt(u, gradient != nullptr);
    for (unsigned j = 0; j < m; ++j) {
      if (!point) {
        result[j] = 0;
        if (gradient) std::fill(gradient + j * n, gradient + (j + 1) * n, 0.0);
        continue;
      }
      const ConstraintRow& row = self->rows_[j];
      double scale = std::abs(row.bound) > 0 ? std::abs(row.bound) : 1;
      double sign = row.upper ? 1 : -1;
      result[j] = sign * (*point->outputs[row.output] - row.bound) / scale;
      if (gradient) {
        for (unsigned i = 0; i < n; ++i) gradient[j * n + i] = sign * point->slopes[row.output][i] / scale;
      }
    }
  }
};

// The starts' batches, answered together: a start's thread asks and waits; the plan's thread
// answers a round once every start still running has asked.
class Lockstep {
 public:
  Lockstep(PlanContext& context, std::size_t starts) : context_(context), slots_(starts) {}

  // From start s's thread: its batch, answered with the others of the round.
  std::vector<Answer> evaluate(std::size_t s, const std::vector<std::vector<double>>& designs, const std::vector<EvaluationTag>& tags) {
    std::unique_lock<std::mutex> lock(mutex_);
    Slot& slot = slots_[s];
    slot.designs = designs;
    slot.tags = tags;
    slot.asked = true;
    changed_.notify_all();
    changed_.wait(lock, [&] { return slot.answered; });
    slot.answered = false;
    if (slot.error) std::rethrow_exception(slot.error);
    return std::move(slot.answers);
  }

  // From start s's thread: it asks nothing more.
  void done(std::size_t s) {
    std::lock_guard<std::mutex> lock(mutex_);
    slots_[s].done = true;
    changed_.notify_all();
  }

  // The plan's thread: rounds until every start is done.
  void serve() {
    for (;;) {
      std::vector<std::size_t> asking;
      std::vector<std::vector<double>> designs;
      std::vector<EvaluationTag> tags;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] {
          return std::all_of(slots_.begin(), slots_.end(), [](const Slot& slot) { return slot.done || slot.asked; });
        });
        for (std::size_t s = 0; s < slots_.size(); ++s) {
          if (!slots_[s].asked) continue;
          asking.push_back(s);
          designs.insert(designs.end(), slots_[s].designs.begin(), slots_[s].designs.end());
          tags.insert(tags.end(), slots_[s].tags.begin(), slots_[s].tags.end());
        }
      }
      if (asking.empty()) return;
      std::vector<Answer> answers;
      std::exception_ptr error;
      try {
        answers = context_.evaluate(designs, tags);
      } catch (...) {
        error = std::current_exception();
      }
      std::lock_guard<std::mutex> lock(mutex_);
      std::size_t at = 0;
      for (std::size_t s : asking) {
        Slot& slot = slots_[s];
        std::size_t count = slot.designs.size();
        if (error) {
          slot.error = error;
        } else {
          slot.answers.assign(answers.begin() + static_cast<std::ptrdiff_t>(at), answers.begin() + static_cast<std::ptrdiff_t>(at + count));
        }
        at += count;
        slot.asked = false;
        slot.answered = true;
      }
      changed_.notify_all();
    }
  }

 private:
  struct Slot {
    std::vector<std::vector<double>> designs;
    std::vector<EvaluationTag> tags;
    std::vector<Answer> answers;
    std::exception_ptr error;
    bool asked = false, answered = false, done = false;
  };
  PlanContext& context_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Slot> slots_;
};

PlanOutcome runStarts(PlanContext& context) {
  const Study& study = context.study();
  std::size_t starts = static_cast<std::size_t>(study.optimise.starts);
  std::vector<std::vector<double>> points{context.startValues()};
  std::vector<std::vector<double>> spread = latinHypercube(study.variables, study.optimise.starts - 1, study.optimise.seed);
  points.insert(points.end(), spread.begin(), spread.end());

  Lockstep lockstep(context, starts);
  std::vector<PlanOutcome> outcomes(starts);
  std::vector<std::exception_ptr> errors(starts);
  std::vector<std::thread> threads;
  threads.reserve(starts);
  for (std::size_t s = 0; s < starts; ++s) {
    threads.emplace_back([&, s] {
      try {
        Evaluate evaluate = [&lockstep, s](const std::vector<std::vector<double>>& designs, const std::vector<EvaluationTag>& tags) {
          return lockstep.evaluate(s, designs, tags);
        };
        outcomes[s] = Optimiser(context, static_cast<int>(s + 1), points[s], evaluate).run();
      } catch (...) {
        errors[s] = std::current_exception();
      }
      lockstep.done(s);
    });
  }
  lockstep.serve();
  for (std::thread& thread : threads) thread.join();
  for (const std::exception_ptr& error : errors) {
    if (error) std::rethrow_exception(error);
  }
  std::size_t chosen = 0;
  for (std::size_t s = 1; s < starts; ++s) {
    if (outcomes[s].best && (!outcomes[chosen].best || context.measures().better(*outcomes[s].best, *outcomes[chosen].best))) {
      chosen = s;
    }
  }
  PlanOutcome outcome = outcomes[chosen];
  // "abort" and "retry": a start that failed ends the plan, whatever the others reached.
  if (!context.goesOnPastFailures()) {
    for (const PlanOutcome& ended : outcomes) {
      if (ended.status == PlanStatus::failed && ended.message.rfind("not run:", 0) != 0) {
        outcome.status = PlanStatus::failed;
        outcome.message = ended.message;
        return outcome;
      }
    }
  }
  std::string ends;
  for (std::size_t s = 0; s < starts; ++s) {
    ends += (s ? "; " : "") + std::to_string(s + 1) + ": " + statusName(outcomes[s].status);
  }
  outcome.message = "the best of " + std::to_string(starts) + " starts is start " + std::to_string(chosen + 1) + " (" +
                    outcome.message + "); the starts ended " + ends;
  return outcome;
}

}  // namespace

PlanOutcome runOptimiser(PlanContext& context) {
  if (context.study().optimise.starts > 1) return runStarts(context);
  Evaluate evaluate = [&context](const std::vector<std::vector<double>>& designs, const std::vector<EvaluationTag>& tags) {
    return context.evaluate(designs, tags);
  };
  return Optimiser(context, 0, context.startValues(), evaluate).run();
}

}  // namespace taskrun
