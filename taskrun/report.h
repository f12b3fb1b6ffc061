#pragma once
// What the engineer sees and keeps of a study, gathered in one StudyReport and rendered from it
// by every writer: the progress line of each evaluation, the closing summary, and in the study
// folder history.csv, summary.json, progress.svg, variables.svg and report.html (see
// report_files.h). The page, the summary and the files therefore cannot disagree.
//
// The report holds every evaluation of the data log (those of an earlier run of the study
// first), with what the study makes of it: its objective, its worst constraint, whether it is
// feasible, and the best feasible objective up to it. It is a plain value: the run builds it
// with the functions below; a test may build one by hand.

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "taskrun/evaluator.h"
#include "taskrun/plans.h"
#include "taskrun/study.h"

namespace taskrun {

struct ReportedEvaluation {
  EvaluationRecord record;
  bool earlier = false;  // stored by an earlier run of the study
  double seconds = 0;    // wall time when run by this run
  std::optional<double> objective, worst;
  bool feasible = false;
  std::optional<double> bestFeasibleSoFar;  // the best feasible objective up to this evaluation
};

// A design singled out: the best feasible one, or the least infeasible one.
struct ReportedDesign {
  EvaluationRecord record;
  std::optional<double> objective, worst;
  bool feasible = false;
  std::vector<BoundCheck> bounds;
};

enum class StudyState { running, converged, budget, failed, interrupted };
const char* stateName(StudyState state);

struct StudyReport {
  // The study.
  std::string plan;
  std::string taskFile;  // the description file's name
  std::string dataLog;   // the data log's file name
  std::vector<std::string> inputs, outputs;  // the task's names, in its order
  std::vector<std::size_t> variables;        // indexes into inputs
  std::optional<Objective> objective;
  std::vector<Constraint> constraints;
  std::map<std::string, std::string> units;  // by input or output name, where known
  double feasibilityTolerance = Measures::kFeasibility;
  double activeWithin = Measures::kActiveWithin;
  std::size_t budget = 0;
  bool budgetIsLimit = false;  // the plan may end sooner
  bool stepBacksWithinBudget = false;  // else each step back adds one to the budget

  // Where it stands.
  StudyState state = StudyState::running;
  std::string message;         // how the plan ended
  std::size_t asked = 0;       // evaluations this run asked for (run or reused)
  int ran = 0, reused = 0, failed = 0;
  double elapsedSeconds = 0;   // of this run
  std::optional<double> secondsLeft;
  std::string updated;         // local time of the last change
  std::vector<ReportedEvaluation> evaluations;  // every evaluation of the data log, as stored
  // Evaluations whose folder is gone: removed as the study's "keep" says, in this run or before.
  std::set<std::int64_t> removedFolders;
  std::optional<ReportedDesign> best;             // the best feasible design (so far)
  std::optional<ReportedDesign> leastInfeasible;  // while no design is feasible
  // The design the plan itself ended on, when it is infeasible and another design is the best
  // feasible one (a stress-ratio plan that resizes past a bound it does not match).
  std::optional<ReportedDesign> planDesign;

  bool hasConstraints() const { return !constraints.empty(); }
  // The outputs the study looks at: the objective's, then the constrained ones.
  std::vector<std::size_t> responses() const;
  // "TotalMass" or "TotalMass [lbm]".
  std::string axisName(const std::string& name) const;
};

// The report of a study about to run, with the evaluations its data log already holds.
StudyReport beginReport(const Task& task, const Study& study, const std::string& dataLog,
                        const std::vector<EvaluationRecord>& stored);

// Takes an answer of this run in: a new evaluation joins the list, a reused one is counted.
// Returns the evaluation as the progress line shows it.
ReportedEvaluation addAnswer(StudyReport& report, const Measures& measures, const Answer& answer, double elapsedSeconds);

// The plan ended: its best design is reported as the best feasible one when it is feasible,
// else the best feasible design of `history` is; when none is feasible the least infeasible
// design of `history` is kept apart.
void concludeReport(StudyReport& report, const Measures& measures, const PlanOutcome& outcome,
                    const std::vector<Answer>& history);

// Progress line of an evaluation just taken in; the closing summary.
std::string progressLine(const StudyReport& report, const ReportedEvaluation& evaluation, Answer::Source source);
std::string closingSummary(const StudyReport& report);

}  // namespace taskrun
