// The study report: which design it calls the best and whether it says so plainly when none
// meets the constraints, the bounds it lists, and its files: history.csv rows rendered a few at
// a time as at once, summary.json, the SVG axes, and report.html against a stored expected page
// made from a hand-built report.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "support/strings.h"
#include "support/text_file.h"
#include "taskrun/report.h"
#include "taskrun/report_files.h"
#include "taskrun/report_page_assets.h"
#include "taskrun/report_writer.h"
#include "testing/temp_dir.h"
#include "testing/update_expected.h"

namespace taskrun {
namespace {

// A rod sized by its area: Mass grows with it, Stress falls; the bound is 25,000 psi.
struct RodStudy {
  Task task;
  Study study;
  RodStudy() {
    task.file = "rod.desc";
    task.inputs = {{"Area", 1, 1}};
    task.outputs = {{"Mass", 2}, {"Stress", 3}};
    study.plan = PlanKind::optimise;
    study.variables = {{0, 0.1, 10.0}};
    study.objective = Objective{0, false};
    study.constraints = {{1, std::nullopt, 25000.0}};
    study.optimise.maxEvaluations = 10;
  }
};

Answer answer(std::int64_t id, double area, std::optional<double> mass, std::optional<double> stress,
              const std::string& kind = "design") {
  Answer result;
  EvaluationRecord& record = result.record;
  record.id = id;
  record.iteration = static_cast<int>(id);
  record.kind = kind;
  record.ok = mass && stress;
  record.folder = evaluationFolderName(id);
  record.inputs = {area};
  record.outputs = {mass, stress};
  if (!record.ok) {
    record.failedStep = "Nastran";
    record.reason = "exit status 3";
  }
  result.seconds = 0.5;
  return result;
}

struct Outcome {
  StudyReport report;
  std::vector<Answer> history;
};

Outcome run(const RodStudy& rod, const std::vector<Answer>& answers, std::optional<std::size_t> planBest, PlanStatus status) {
  Measures measures(rod.task, rod.study);
  Outcome outcome{beginReport(rod.task, rod.study, "rod.db", {}), answers};
  for (const Answer& each : answers) addAnswer(outcome.report, measures, each, 1.0);
  PlanOutcome plan;
  plan.status = status;
  plan.message = "the next step would exceed max-evaluations (10)";
  if (planBest) plan.best = answers[*planBest].record;
  concludeReport(outcome.report, measures, plan, answers);
  return outcome;
}

TEST(StudyReport, NoFeasibleDesignIsSaidPlainlyAndTheLeastInfeasibleKeptApart) {
  RodStudy rod;
  // Every design far past the bound; the optimiser's own best is not the least violating one.
  Outcome outcome = run(rod, {answer(1, 0.1, 0.1, 195341.0), answer(2, 0.2, 0.2, 97670.5), answer(3, 0.15, 0.15, 130227.3)},
                        2, PlanStatus::budget);
  const StudyReport& report = outcome.report;
  EXPECT_FALSE(report.best);
  ASSERT_TRUE(report.leastInfeasible);
  EXPECT_EQ(report.leastInfeasible->record.id, 2);
  EXPECT_NEAR(*report.leastInfeasible->worst, 97670.5 / 25000 - 1, 1e-12);
  ASSERT_EQ(report.leastInfeasible->bounds.size(), 1u);
  EXPECT_EQ(report.leastInfeasible->bounds[0].state, BoundCheck::State::violated);

  std::string summary = closingSummary(report);
  EXPECT_EQ(summary.find("Best design"), std::string::npos) << summary;
  EXPECT_NE(summary.find("Result: no feasible design found"), std::string::npos) << summary;
  EXPECT_NE(summary.find("Least infeasible design: eval-000002 (worst constraint +291 % past its bound)"), std::string::npos)
      << summary;
  EXPECT_NE(summary.find("Violated constraints:\n  Stress = 97670.5, upper bound 25000 (violated by 291 % of the bound)\n"),
            std::string::npos)
      << summary;

  nlohmann::json json = nlohmann::json::parse(summaryJson(report));
  EXPECT_EQ(json["feasible"], false);
  EXPECT_TRUE(json["best"].is_null());
  EXPECT_EQ(json["least_infeasible"]["id"], 2);
  EXPECT_EQ(json["least_infeasible"]["feasible"], false);
  nlohmann::json bound = nlohmann::json::parse(
      R"({"output": "Stress", "bound": "upper", "limit": 25000.0, "value": 97670.5, "state": "violated"})");
  bound["violation"] = 97670.5 / 25000 - 1;
  EXPECT_EQ(json["least_infeasible"]["constraints"][0], bound);
  EXPECT_EQ(json["feasibility_tolerance"], 1e-6);
  EXPECT_EQ(json["status"], "budget");
}

TEST(StudyReport, TheBestFeasibleDesignWinsOverALighterInfeasibleOneAndItsActiveBoundIsListed) {
  RodStudy rod;
  Outcome outcome = run(rod,
                        {answer(1, 5, 5.0, 5000.0), answer(2, 0.5, 0.5, 50000.0), answer(3, 1.0000001, 1.0000001, 24999.99),
                         answer(4, 1.2, std::nullopt, std::nullopt), answer(5, 1.01, 1.01, 24750.0, "gradient")},
                        1, PlanStatus::converged);
  const StudyReport& report = outcome.report;
  ASSERT_TRUE(report.best);
  EXPECT_EQ(report.best->record.id, 3);
  EXPECT_FALSE(report.leastInfeasible);
  EXPECT_EQ(report.best->bounds[0].state, BoundCheck::State::active);  // 4e-7 of the bound away
  ASSERT_TRUE(report.planDesign);  // the plan named the infeasible design
  EXPECT_EQ(report.planDesign->record.id, 2);

  // The best feasible objective up to each evaluation; failed and infeasible ones change nothing.
  std::vector<std::optional<double>> bestSoFar;
  for (const ReportedEvaluation& evaluation : report.evaluations) bestSoFar.push_back(evaluation.bestFeasibleSoFar);
  EXPECT_EQ(bestSoFar, (std::vector<std::optional<double>>{5.0, 5.0, 1.0000001, 1.0000001, 1.0000001}));
  EXPECT_EQ(report.ran, 5);
  EXPECT_EQ(report.failed, 1);
  EXPECT_EQ(report.budget, 10u);

  std::string summary = closingSummary(report);
  EXPECT_NE(summary.find("Best design: eval-000003, feasible: every constraint met (within 0.0001 % of its bound)\n"),
            std::string::npos)
      << summary;
  EXPECT_NE(summary.find("Violated constraints: none\nActive constraints (within 0.1 % of their bound):\n  Stress = 24999.99"),
            std::string::npos)
      << summary;
  EXPECT_NE(summary.find("The plan ended on eval-000002, which is infeasible"), std::string::npos) << summary;
}

TEST(StudyReport, ProgressLinesGiveTheCountKindBestFeasibleAndTimeLeft) {
  RodStudy rod;
  Measures measures(rod.task, rod.study);
  StudyReport report = beginReport(rod.task, rod.study, "rod.db", {});
  ReportedEvaluation first = addAnswer(report, measures, answer(1, 0.5, 0.5, 50000.0), 2.0);
  EXPECT_EQ(progressLine(report, first, Answer::Source::ran),
            "eval-000001   1 of 10  design    ok      objective 0.5  worst constraint +1.000e+00 infeasible  best feasible "
            "none yet  (0.50 s; 2.0 s elapsed, at most 18 s left)");
  ReportedEvaluation second = addAnswer(report, measures, answer(2, 2, 2.0, 12500.0, "gradient"), 3.0);
  EXPECT_EQ(progressLine(report, second, Answer::Source::ran),
            "eval-000002   2 of 10  gradient  ok      objective 2  worst constraint -5.000e-01  best feasible 2  (0.50 s; "
            "3.0 s elapsed, at most 12 s left)");
  ReportedEvaluation failed = addAnswer(report, measures, answer(3, 3, std::nullopt, std::nullopt), 4.0);
  EXPECT_EQ(progressLine(report, failed, Answer::Source::ran),
            "eval-000003   3 of 10  design    failed  at Nastran: exit status 3  best feasible 2  (0.50 s; 4.0 s elapsed, "
            "at most 9.3 s left)");
}

TEST(StudyReportFiles, HistoryRowsRenderedAsTheyComeMatchTheWholeFile) {
  RodStudy rod;
  std::vector<Answer> answers{answer(1, 0.5, 0.5, 50000.0), answer(2, 2, 2.0, 12500.0, "gradient"),
                              answer(3, 3, std::nullopt, std::nullopt)};
  answers[2].record.reason = "said \"no\", twice";
  Measures measures(rod.task, rod.study);
  StudyReport report = beginReport(rod.task, rod.study, "rod.db", {});
  RenderedRows growing;
  for (const Answer& each : answers) {
    addAnswer(report, measures, each, 1.0);
    historyCsv(report, growing);
  }
  RenderedRows whole;
  std::string csv = historyCsv(report, whole);
  EXPECT_EQ(historyCsv(report, growing), csv);
  EXPECT_EQ(csv,
            "evaluation,id,iteration,kind,start,attempt,retry_of,source,status,feasible,objective,worst_constraint,best_feasible,seconds,Area,Mass,"
            "Stress,failed_step,reason\r\n"
            "1,1,1,design,0,1,,ran,ok,no,0.5,1,,0.500,0.5,0.5,50000,,\r\n"
            "2,2,2,gradient,0,1,,ran,ok,yes,2,-0.5,2,0.500,2,2,12500,,\r\n"
            "3,3,3,design,0,1,,ran,failed,,,,2,0.500,3,,,Nastran,\"said \"\"no\"\", twice\"\r\n");
}

TEST(StudyReportFiles, TheWorstConstraintPlotHasASymmetricLogScaleWithTicksOnBothSidesOfZero) {
  RodStudy rod;
  Outcome outcome = run(rod, {answer(1, 5, 5.0, 5000.0), answer(2, 0.1, 0.1, 195341.0), answer(3, 1, 1.0, 24990.0)}, 2,
                        PlanStatus::budget);
  std::string svg = progressSvg(outcome.report);
  // -80 % and +681 %: ticks at zero and at 0.1 % times powers of ten up to the first beyond
  // (the 0.1 % ones unlabelled beside zero).
  for (const char* tick : {">-100 %<", ">-10 %<", ">-1 %<", ">0<", ">+1 %<", ">+10 %<", ">+100 %<", ">+1e+03 %<",
                           ">evaluation (id)<", ">Mass<", ">best feasible so far<", ">infeasible<"}) {
    EXPECT_NE(svg.find(tick), std::string::npos) << tick;
  }
  EXPECT_EQ(svg.find(">+1e+04 %<"), std::string::npos);
  EXPECT_EQ(svg.find(">+0.1 %<"), std::string::npos);
  EXPECT_NE(svg.find("stroke-dasharray"), std::string::npos);  // the zero line
}

// The page of a hand-built report, its built-in style, script and library replaced by their
// names: everything taskrun renders is held to the stored page.
TEST(StudyReportFiles, TheReportPageMatchesTheStoredPage) {
  StudyReport report;
  report.plan = "doe";
  report.taskFile = "cORVANEtruss.desc";
  report.dataLog = "Truss.db";
  report.inputs = {"AreaAtProp1", "Length"};
  report.outputs = {"TotalMass", "RodAxialSt3022AtElem1"};
  report.variables = {0};
  report.objective = Objective{0, false};
  report.constraints = {{1, -25000.0, 25000.0}};
  report.units = {{"TotalMass", "lbf s2/in"}, {"AreaAtProp1", "in2"}};
  report.budget = 4;
  report.state = StudyState::running;
  report.asked = 3;
  report.ran = 2;
  report.reused = 1;
  report.failed = 1;
  report.elapsedSeconds = 75;
  report.secondsLeft = 37.5;
  report.updated = "2024-05-07 14:03:09";
  auto evaluation = [](std::int64_t id, double area, std::optional<double> mass, std::optional<double> stress, bool feasible,
                       std::optional<double> best) {
    ReportedEvaluation reported;
    reported.record.id = id;
    reported.record.iteration = static_cast<int>(id);
    reported.record.kind = "design";
    reported.record.ok = mass.has_value();
    reported.record.inputs = {area, 10};
    reported.record.outputs = {mass, stress};
    reported.objective = mass;
    if (stress) reported.worst = std::abs(*stress) / 25000 - 1;
    reported.feasible = feasible;
    reported.bestFeasibleSoFar = best;
    reported.seconds = 12.5;
    return reported;
  };
  report.evaluations = {evaluation(1, 2, 0.2, 12500, true, 0.2), evaluation(2, 0.5, 0.05, -50000, false, 0.2),
                        evaluation(3, 1, std::nullopt, std::nullopt, false, 0.2)};
  report.evaluations[0].earlier = true;
  report.evaluations[2].record.failedStep = "Nastran";
  report.evaluations[2].record.reason = "exit status 3 <fatal> & \"more\"";
  report.best = ReportedDesign{report.evaluations[0].record, 0.2, -0.5, true,
                               {{1, false, -25000, 12500, -1.5, BoundCheck::State::met},
                                {1, true, 25000, 12500, -0.5, BoundCheck::State::met}}};

  std::string page = reportHtml(report);
  page = support::replaceAll(page, report_page::kChartJs, "[Chart.js]");
  page = support::replaceAll(page, report_page::kStyle, "[report.css]\n");
  page = support::replaceAll(page, report_page::kScript, "[report.js]\n");
  std::filesystem::path expected = testing_support::sourceDir() / "tests/taskrun/expected/report.html";
  if (testing_support::updatingExpected()) support::writeFileAtomically(expected, page);
  EXPECT_EQ(page, support::readWholeFile(expected));

  // Ended, the page stops reloading itself and says how the plan ended.
  report.state = StudyState::converged;
  report.message = "4 designs, 1 failed";
  std::string ended = reportHtml(report);
  EXPECT_EQ(ended.find("http-equiv=\"refresh\""), std::string::npos);
  EXPECT_NE(ended.find("The study has ended; this page no longer reloads."), std::string::npos);
  EXPECT_NE(ended.find("\"state\":\"converged\""), std::string::npos);
}

TEST(BackgroundFileWriter, TheFileEndsWithTheLatestContentAndAFailedWriteIsToldOnce) {
  testing_support::ScopedTempDir dir;
  {
    BackgroundFileWriter writer(dir / "page.html");
    for (int version = 1; version <= 200; ++version) writer.write("version " + std::to_string(version));
    writer.finish();
    EXPECT_EQ(dir.read("page.html"), "version 200");
    writer.write("after finish");
  }  // the destructor writes what waits
  EXPECT_EQ(dir.read("page.html"), "after finish");

  BackgroundFileWriter nowhere(dir / "no-such-folder/page.html");
  nowhere.write("lost");
  EXPECT_THROW(nowhere.finish(), std::system_error);
  EXPECT_NO_THROW(nowhere.finish());
}

}  // namespace
}  // namespace taskrun
