// The "optimise" plan: NLopt's MMA, SLSQP or COBYLA on the variables scaled to [0, 1] by their
// bounds, the objective scaled by its value at the start, every bound of a constrained output
// as one inequality relative to the bound's magnitude. Gradients are finite differences; the
// design and its perturbed designs form one batch, so they run side by side. NLopt asks for
// the objective and the constraints separately at the same point: the last point is kept.
#include <nlopt.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <limits>

#include "taskrun/plans.h"

namespace taskrun {
namespace {

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
  explicit Optimiser(PlanContext& context) : context_(context), study_(context.study()) {
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
    std::vector<double> start = context_.startValues(), u(n);
    for (std::size_t i = 0; i < n; ++i) u[i] = std::clamp((start[i] - lower_[i]) / (upper_[i] - lower_[i]), 0.0, 1.0);
    nlopt_algorithm algorithm = study_.optimise.algorithm == OptimiseOptions::Algorithm::mma     ? NLOPT_LD_MMA
                                : study_.optimise.algorithm == OptimiseOptions::Algorithm::slsqp ? NLOPT_LD_SLSQP
                                                                                                  : NLOPT_LN_COBYLA;
    NloptHandle handle(algorithm, static_cast<unsigned>(n));
    opt_ = handle.get();
    // The objective's scale: its magnitude at the start.
    if (const Point* first = point(u.data(), gradients_)) {
      double f0 = std::abs(*first->outputs[study_.objective->output]);
      scale_ = f0 > 0 ? f0 : 1;
    }
    if (!stop_.empty()) return finish(stopStatus_, stop_);
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
    if (pending_) std::rethrow_exception(pending_);
    if (!stop_.empty()) return finish(stopStatus_, stop_);
    if (result == NLOPT_MAXEVAL_REACHED || result == NLOPT_MAXTIME_REACHED) return finish(PlanStatus::budget, resultText(result));
    if (result > 0 || result == NLOPT_ROUNDOFF_LIMITED) return finish(PlanStatus::converged, resultText(result));
    return finish(PlanStatus::failed, resultText(result));
  }

 private:
  struct Point {
    std::vector<double> u;
    bool withGradient = false;
    std::vector<std::optional<double>> outputs;
    std::vector<std::vector<double>> slopes;  // [output][variable]: d output / d u (used outputs only)
  };

  PlanContext& context_;
  const Study& study_;
  std::vector<double> lower_, upper_;
  std::vector<ConstraintRow> rows_;
  std::vector<bool> used_;  // the outputs the objective and the constraints need slopes of
  bool gradients_ = true;
  nlopt_opt opt_ = nullptr;
  double scale_ = 1;
  std::optional<Point> last_;
  std::vector<std::vector<double>> iterations_;
  std::string stop_;  // why the plan stopped NLopt, when it did
  std::exception_ptr pending_;  // thrown inside a callback; no exception crosses NLopt's C code
  PlanStatus stopStatus_ = PlanStatus::failed;

  PlanOutcome finish(PlanStatus status, const std::string& message) {
    PlanOutcome outcome;
    outcome.status = status;
    outcome.message = message;
    outcome.best = context_.bestOfHistory();
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

  // The responses at u (and their slopes when asked); nullptr once the plan must stop.
  const Point* point(const double* values, bool withGradient) {
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
    if (withGradient) {
      for (std::size_t i = 0; i < n; ++i) {
        double range = upper_[i] - lower_[i];
        double h = study_.optimise.gradientStep * (std::abs(x[i]) > 0 ? std::abs(x[i]) : range);
        h = std::min(h, range / 2);
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
    if (context_.asked() > 0 && context_.asked() + designs.size() > static_cast<std::size_t>(study_.optimise.maxEvaluations)) {
      stop(PlanStatus::budget, "the next step would exceed max-evaluations (" + std::to_string(study_.optimise.maxEvaluations) + ")");
      return nullptr;
    }
    iterations_.push_back(x);
    std::vector<EvaluationTag> tags(designs.size(), {static_cast<int>(iterations_.size()), "gradient"});
    tags.front().kind = "design";
    std::vector<Answer> answers = context_.evaluate(designs, tags);
    for (const Answer& answer : answers) {
      if (!answer.record.ok) {
        stop(PlanStatus::failed, "evaluation " + std::to_string(answer.record.id) + " failed at " + answer.record.failedStep +
                                     ": " + answer.record.reason);
        return nullptr;
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

}  // namespace

PlanOutcome runOptimiser(PlanContext& context) { return Optimiser(context).run(); }

}  // namespace taskrun
