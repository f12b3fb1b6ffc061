// The report as the terminal shows it: a progress line per evaluation and the closing summary.
#include <cstdio>

#include "taskrun/report.h"
#include "taskrun/report_format.h"

namespace taskrun {
namespace {

using report_format::kindText;

using report_format::duration;
using report_format::percent;
using report_format::percentMagnitude;
using report_format::shortNumber;

std::string padded(std::string text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

std::string leftPadded(const std::string& text, std::size_t width) {
  return text.size() < width ? std::string(width - text.size(), ' ') + text : text;
}

std::string signedExponent(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%+.3e", value);
  return text;
}

// "elapsed 12 s, about 40 s left" / "at most 6 min 40 s left"
std::string timeText(const StudyReport& report) {
  std::string text = duration(report.elapsedSeconds) + " elapsed";
  if (report.secondsLeft && *report.secondsLeft > 0) {
    text += std::string(", ") + (report.budgetIsLimit ? "at most " : "about ") + duration(*report.secondsLeft) + " left";
  }
  return text;
}

std::string boundLine(const StudyReport& report, const BoundCheck& bound) {
  // Every digit: a response beside its bound must not read as the bound itself.
  std::string text = "  " + report.outputs[bound.output] + " = " + (bound.value ? report_format::exactNumber(bound.value) : "-") +
                     (bound.upper ? ", upper bound " : ", lower bound ") + report_format::exactNumber(bound.limit);
  if (bound.value) {
    text += bound.state == BoundCheck::State::violated ? " (violated by " + percentMagnitude(bound.violation) + " of the bound)"
                                                         : " (within " + percentMagnitude(-bound.violation) + " of the bound)";
  }
  return text + "\n";
}

// The design's variables, outputs and the bounds in the given states.
std::string designText(const StudyReport& report, const ReportedDesign& design) {
  // A long list is left to summary.json.
  constexpr std::size_t kListed = 40;
  std::string text;
  for (std::size_t v = 0; v < report.variables.size() && v < kListed; ++v) {
    std::size_t input = report.variables[v];
    text += "  " + report.inputs[input] + " = " + shortNumber(design.record.inputs[input]) + "\n";
  }
  if (report.variables.size() > kListed) text += "  ... " + std::to_string(report.variables.size()) + " variables in all\n";
  text += "Its outputs:\n";
  for (std::size_t k = 0; k < report.outputs.size() && k < kListed; ++k) {
    text += "  " + report.outputs[k] + " = " + shortNumber(design.record.outputs[k]) + "\n";
  }
  if (report.outputs.size() > kListed) text += "  ... " + std::to_string(report.outputs.size()) + " outputs in all\n";
  if (!report.hasConstraints()) return text;
  for (BoundCheck::State state : {BoundCheck::State::violated, BoundCheck::State::active}) {
    std::string lines;
    std::size_t count = 0;
    for (const BoundCheck& bound : design.bounds) {
      if (bound.state != state) continue;
      if (++count <= kListed) lines += boundLine(report, bound);
    }
    if (count > kListed) lines += "  ... " + std::to_string(count) + " in all\n";
    if (state == BoundCheck::State::violated) {
      text += count == 0 ? "Violated constraints: none\n" : "Violated constraints:\n" + lines;
    } else {
      text += "Active constraints (within " + percentMagnitude(report.activeWithin) + " of their bound):" +
              (count == 0 ? " none\n" : "\n" + lines);
    }
  }
  return text;
}

}  // namespace

std::string progressLine(const StudyReport& report, const ReportedEvaluation& evaluation, Answer::Source source) {
  const EvaluationRecord& record = evaluation.record;
  std::string budget = std::to_string(report.budget);
  std::string line = evaluationFolderName(record.id) + "  " + leftPadded(std::to_string(report.asked), budget.size()) +
                     " of " + budget + "  " + padded(kindText(record.kind), 8) + "  ";
  line += source == Answer::Source::reused ? "reused" : record.ok ? "ok    " : "failed";
  if (!record.ok) {
    line += "  at " + record.failedStep + ": " + record.reason;
  } else {
    if (evaluation.objective) line += "  objective " + shortNumber(*evaluation.objective);
    if (evaluation.worst) line += "  worst constraint " + signedExponent(*evaluation.worst) + (evaluation.feasible ? "" : " infeasible");
  }
  if (report.objective) {
    line += "  best feasible " + (report.best && report.best->objective ? shortNumber(*report.best->objective) : "none yet");
  }
  line += "  (";
  if (source == Answer::Source::ran) line += report_format::fixed(evaluation.seconds, 2) + " s; ";
  return line + timeText(report) + ")";
}

std::string closingSummary(const StudyReport& report) {
  std::string text = "Plan " + report.plan + ": " + stateName(report.state) + " (" + report.message + ")\n";
  text += "Evaluations: " + std::to_string(report.ran) + " run, " + std::to_string(report.reused) + " reused, " +
          std::to_string(report.failed) + " failed, in " + duration(report.elapsedSeconds) + "\n";
  std::string tolerance = percentMagnitude(report.feasibilityTolerance);
  if (report.best) {
    const ReportedDesign& best = *report.best;
    text += "Best design: " + evaluationFolderName(best.record.id);
    if (report.hasConstraints()) {
      text += ", feasible: every constraint met (within " + tolerance + " of its bound)\n";
    } else {
      text += " (the study has no constraints)\n";
    }
    text += designText(report, best);
    if (report.planDesign) {
      text += "The plan ended on " + evaluationFolderName(report.planDesign->record.id) + ", which is infeasible (worst constraint " +
              percent(report.planDesign->worst.value_or(0)) + " past its bound); summary.json holds it as \"plan_design\".\n";
    }
    return text;
  }
  if (!report.leastInfeasible) return text + "No successful evaluation.\n";
  const ReportedDesign& least = *report.leastInfeasible;
  text += "Result: no feasible design found: every successful design violates a constraint by more than " + tolerance +
          " of its bound\n";
  text += "Least infeasible design: " + evaluationFolderName(least.record.id) + " (worst constraint " +
          percent(least.worst.value_or(0)) + " past its bound)\n";
  return text + designText(report, least);
}

}  // namespace taskrun
