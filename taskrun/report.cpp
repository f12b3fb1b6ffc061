#include "taskrun/report.h"

#include <chrono>
#include <filesystem>
#include <cstdio>

#include "support/timestamp.h"

namespace taskrun {
namespace {

std::string now() {
  support::LocalTime time = support::toLocalTime(std::chrono::system_clock::now());
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month, time.day, time.hour, time.minute,
                time.second);
  return text;
}

ReportedDesign designOf(const Measures& measures, const EvaluationRecord& record) {
  return {record, measures.objective(record), measures.worstConstraint(record), measures.feasible(record),
          measures.bounds(record)};
}

bool improves(const StudyReport& report, double objective, std::optional<double> best) {
  if (!best) return true;
  return report.objective && report.objective->maximise ? objective > *best : objective < *best;
}

ReportedEvaluation reported(const StudyReport& report, const Measures& measures, const EvaluationRecord& record,
                            bool earlier, double seconds) {
  ReportedEvaluation evaluation{record, earlier, seconds, measures.objective(record), measures.worstConstraint(record),
                                measures.feasible(record), std::nullopt};
  evaluation.bestFeasibleSoFar = report.evaluations.empty() ? std::nullopt : report.evaluations.back().bestFeasibleSoFar;
  if (evaluation.feasible && evaluation.objective && improves(report, *evaluation.objective, evaluation.bestFeasibleSoFar)) {
    evaluation.bestFeasibleSoFar = evaluation.objective;
  }
  return evaluation;
}

// The best feasible design so far, or while there is none the least infeasible one.
void keepBest(StudyReport& report, const Measures& measures, const EvaluationRecord& record) {
  if (!record.ok) return;
  if (measures.feasible(record)) {
    if (!report.best || measures.better(record, report.best->record)) report.best = designOf(measures, record);
    report.leastInfeasible.reset();
  } else if (!report.best && (!report.leastInfeasible || measures.better(record, report.leastInfeasible->record))) {
    report.leastInfeasible = designOf(measures, record);
  }
}

void append(StudyReport& report, const Measures& measures, const EvaluationRecord& record, bool earlier, double seconds) {
  report.evaluations.push_back(reported(report, measures, record, earlier, seconds));
  keepBest(report, measures, record);
}

}  // namespace

const char* stateName(StudyState state) {
  switch (state) {
    case StudyState::running: return "running";
    case StudyState::converged: return "converged";
    case StudyState::budget: return "budget";
    case StudyState::failed: return "failed";
    case StudyState::interrupted: return "interrupted";
  }
  return "running";
}

std::vector<std::size_t> StudyReport::responses() const {
  std::vector<std::size_t> outputs;
  if (objective) outputs.push_back(objective->output);
  for (const Constraint& constraint : constraints) {
    if (!objective || constraint.output != objective->output) outputs.push_back(constraint.output);
  }
  return outputs;
}

std::string StudyReport::axisName(const std::string& name) const {
  auto unit = units.find(name);
  return unit == units.end() || unit->second.empty() ? name : name + " [" + unit->second + "]";
}

StudyReport beginReport(const Task& task, const Study& study, const std::string& dataLog,
                        const std::vector<EvaluationRecord>& stored) {
  StudyReport report;
  report.plan = planName(study.plan);
  report.taskFile = task.file.filename().string();
  report.dataLog = dataLog;
  for (const InputParameter& input : task.inputs) report.inputs.push_back(input.name);
  for (const OutputParameter& output : task.outputs) report.outputs.push_back(output.name);
  for (const Variable& variable : study.variables) report.variables.push_back(variable.input);
  report.objective = study.objective;
  report.constraints = study.constraints;
  report.units = study.units;
  report.budget = evaluationBudget(task, study);
  report.budgetIsLimit = budgetIsLimit(study);
  report.stepBacksWithinBudget = stepBacksWithinBudget(study);
  Measures measures(task, study);
  report.evaluations.reserve(stored.size());
  for (const EvaluationRecord& record : stored) {
    append(report, measures, record, true, 0);
    std::error_code error;
    if (record.folder.empty() || !std::filesystem::exists(study.folder / record.folder, error)) {
      report.removedFolders.insert(record.id);
    }
  }
  report.updated = now();
  return report;
}

ReportedEvaluation addAnswer(StudyReport& report, const Measures& measures, const Answer& answer, double elapsedSeconds) {
  ++report.asked;
  // A transient failure run again, and a step back the plan's budget does not hold, add an
  // evaluation to what the plan asks for.
  const EvaluationRecord& record = answer.record;
  if (record.attempt > 1 || (record.kind == "step-back" && !report.stepBacksWithinBudget)) ++report.budget;
  report.elapsedSeconds = elapsedSeconds;
  report.updated = now();
  ReportedEvaluation shown;
  if (answer.source == Answer::Source::ran) {
    ++report.ran;
    if (!answer.record.ok) ++report.failed;
    append(report, measures, answer.record, false, answer.seconds);
    shown = report.evaluations.back();
  } else {
    ++report.reused;
    shown = reported(report, measures, answer.record, true, 0);
  }
  std::size_t remaining = report.budget > report.asked ? report.budget - report.asked : 0;
  if (remaining == 0) {
    report.secondsLeft = 0;
  } else if (report.ran > 0) {
    report.secondsLeft = static_cast<double>(remaining) * elapsedSeconds / report.ran;
  }
  return shown;
}

void concludeReport(StudyReport& report, const Measures& measures, const PlanOutcome& outcome,
                    const std::vector<Answer>& history) {
  switch (outcome.status) {
    case PlanStatus::converged: report.state = StudyState::converged; break;
    case PlanStatus::budget: report.state = StudyState::budget; break;
    case PlanStatus::failed: report.state = StudyState::failed; break;
  }
  report.message = outcome.message;
  report.secondsLeft.reset();
  report.updated = now();
  report.best.reset();
  report.leastInfeasible.reset();
  report.planDesign.reset();
  if (outcome.best && measures.feasible(*outcome.best)) {
    report.best = designOf(measures, *outcome.best);
    return;
  }
  const EvaluationRecord* best = nullptr;
  for (const Answer& answer : history) {
    const EvaluationRecord& record = answer.record;
    if (measures.feasible(record) && (!best || measures.better(record, *best))) best = &record;
  }
  if (best) {
    report.best = designOf(measures, *best);
    if (outcome.best && outcome.best->id != best->id) report.planDesign = designOf(measures, *outcome.best);
    return;
  }
  for (const Answer& answer : history) {
    const EvaluationRecord& record = answer.record;
    if (record.ok && (!best || measures.better(record, *best))) best = &record;
  }
  if (best) report.leastInfeasible = designOf(measures, *best);
}

}  // namespace taskrun
