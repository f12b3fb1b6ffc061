// history.csv and summary.json from the report, and the writing of every report file.
#include "taskrun/report_files.h"

#include <nlohmann/json.hpp>
#include <stdexcept>

#include "support/text_file.h"
#include "taskrun/report_format.h"

namespace taskrun {
namespace {

using report_format::kindText;

using report_format::csvField;
using report_format::exactNumber;
using Json = nlohmann::ordered_json;

std::string feasibleText(const ReportedEvaluation& evaluation) {
  if (!evaluation.record.ok) return "";
  return evaluation.feasible ? "yes" : "no";
}

Json number(std::optional<double> value) { return value ? Json(*value) : Json(nullptr); }

Json designJson(const StudyReport& report, const ReportedDesign& design) {
  Json inputs = Json::object(), outputs = Json::object(), bounds = Json::array();
  for (std::size_t i = 0; i < report.inputs.size(); ++i) inputs[report.inputs[i]] = design.record.inputs[i];
  for (std::size_t k = 0; k < report.outputs.size(); ++k) {
    if (design.record.outputs[k]) outputs[report.outputs[k]] = *design.record.outputs[k];
  }
  for (const BoundCheck& bound : design.bounds) {
    bounds.push_back({{"output", report.outputs[bound.output]},
                      {"bound", bound.upper ? "upper" : "lower"},
                      {"limit", bound.limit},
                      {"value", number(bound.value)},
                      {"violation", bound.violation},
                      {"state", stateName(bound.state)}});
  }
  return {{"id", design.record.id},
          {"folder", design.record.folder},
          {"iteration", design.record.iteration},
          {"kind", design.record.kind},
          {"feasible", design.feasible},
          {"objective", number(design.objective)},
          {"worst_constraint", number(design.worst)},
          {"inputs", inputs},
          {"outputs", outputs},
          {"constraints", bounds}};
}

}  // namespace

std::string historyCsv(const StudyReport& report, RenderedRows& rows) {
  std::string header = "evaluation,id,iteration,kind,start,attempt,retry_of,source,status,feasible,objective,worst_constraint,best_feasible,seconds";
  for (const std::string& input : report.inputs) header += "," + csvField(input);
  for (const std::string& output : report.outputs) header += "," + csvField(output);
  header += ",failed_step,reason\r\n";
  for (; rows.count < report.evaluations.size(); ++rows.count) {
    const ReportedEvaluation& evaluation = report.evaluations[rows.count];
    const EvaluationRecord& record = evaluation.record;
    std::string& line = rows.text;
    line += std::to_string(rows.count + 1) + "," + std::to_string(record.id) + "," + std::to_string(record.iteration) + "," +
            kindText(record.kind) + "," + std::to_string(record.start) + "," + std::to_string(record.attempt) + "," +
            (record.retryOf ? std::to_string(record.retryOf) : std::string()) + "," + (evaluation.earlier ? "earlier" : "ran") + "," + (record.ok ? "ok" : "failed") +
            "," + feasibleText(evaluation) + "," + exactNumber(evaluation.objective) + "," + exactNumber(evaluation.worst) +
            "," + exactNumber(evaluation.bestFeasibleSoFar) + "," + report_format::fixed(evaluation.seconds, 3);
    for (double value : record.inputs) line += "," + exactNumber(value);
    for (const std::optional<double>& value : record.outputs) line += "," + exactNumber(value);
    line += "," + csvField(record.failedStep) + "," + csvField(record.reason) + "\r\n";
  }
  return header + rows.text;
}

std::string summaryJson(const StudyReport& report) {
  Json summary;
  summary["plan"] = report.plan;
  summary["status"] = stateName(report.state);
  summary["message"] = report.message;
  summary["feasible"] = report.best.has_value();
  summary["feasibility_tolerance"] = report.feasibilityTolerance;
  summary["active_within"] = report.activeWithin;
  summary["evaluations"] = {{"run", report.ran}, {"reused", report.reused}, {"failed", report.failed},
                            {"in_data_log", report.evaluations.size()}};
  summary["seconds"] = report.elapsedSeconds;
  summary["best"] = report.best ? designJson(report, *report.best) : Json(nullptr);
  summary["least_infeasible"] = report.leastInfeasible ? designJson(report, *report.leastInfeasible) : Json(nullptr);
  summary["plan_design"] = report.planDesign ? designJson(report, *report.planDesign) : Json(nullptr);
  return summary.dump(2) + "\n";
}

void ReportFiles::writeHistory(const StudyReport& report, bool whole) {
  std::string text = historyCsv(report, csvRows_);
  if (whole || !history_.is_open()) {
    history_.close();
    support::writeFileAtomically(folder_ / "history.csv", text);
    historyWritten_ = csvRows_.text.size();
    if (!whole) history_.open(folder_ / "history.csv", std::ios::binary | std::ios::app);
    return;
  }
  if (historyWritten_ == csvRows_.text.size()) return;
  // The new rows in one write: a row is never left half written.
  history_.write(csvRows_.text.data() + historyWritten_, static_cast<std::streamsize>(csvRows_.text.size() - historyWritten_));
  history_.flush();
  if (!history_) {
    history_.close();
    throw std::runtime_error("cannot add to " + (folder_ / "history.csv").string());
  }
  historyWritten_ = csvRows_.text.size();
}

void ReportFiles::writePage(const StudyReport& report) {
  pageText_.clear();
  renderReportHtml(report, dataRows_, pageText_);
  page_.write(pageText_);
}

void ReportFiles::writeProgress(const StudyReport& report) {
  writeHistory(report, false);
  writePage(report);
}

void ReportFiles::writeAll(const StudyReport& report) {
  writeHistory(report, true);
  writePage(report);
  page_.finish();
  support::writeFileAtomically(folder_ / "progress.svg", progressSvg(report));
  support::writeFileAtomically(folder_ / "variables.svg", variablesSvg(report));
  if (report.state != StudyState::running && report.state != StudyState::interrupted) {
    support::writeFileAtomically(folder_ / "summary.json", summaryJson(report));
  }
}

}  // namespace taskrun
