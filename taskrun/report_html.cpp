// report.html: the page to watch a study by. One self-contained file (its style, Chart.js and
// its own script inside), so it opens offline from the study folder; while the study runs it
// reloads itself. The status and the feasibility verdict are plain HTML; the plots and the
// table of evaluations are drawn by the page's script from a JSON block of the evaluations, one
// short row each, kept between writes: a page rewritten after every evaluation of a long study
// grows by that row only.
#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

#include "support/strings.h"
#include "taskrun/report_files.h"
#include "taskrun/report_format.h"
#include "taskrun/report_page_assets.h"

namespace taskrun {
namespace {

using report_format::kindText;

using report_format::duration;
using report_format::escapeHtml;
using report_format::percent;
using report_format::percentMagnitude;
using report_format::shortNumber;
using Json = nlohmann::json;

constexpr int kRefreshSeconds = 5;
// Columns of the table and lines of the plots past which the page shows the first ones only
// (history.csv has every value).
constexpr std::size_t kShownValues = 40, kListedBounds = 60;

// JSON inside a <script> element: no "<" at all, so that nothing in a name or a failure's
// reason ("</script>", "<!--") can end or change the element.
std::string scriptSafe(const std::string& json) { return support::replaceAll(json, "<", "\\u003c"); }

int statusCode(const ReportedEvaluation& evaluation) { return !evaluation.record.ok ? 2 : evaluation.feasible ? 0 : 1; }

// The outputs the page shows: the objective's and the constrained ones, or every output when
// the study has neither.
std::vector<std::size_t> shownResponses(const StudyReport& report) {
  std::vector<std::size_t> responses = report.responses();
  if (responses.empty()) {
    for (std::size_t k = 0; k < report.outputs.size(); ++k) responses.push_back(k);
  }
  if (responses.size() > kShownValues) responses.resize(kShownValues);
  return responses;
}

std::string cell(const std::string& text, const char* cellClass = nullptr) {
  return cellClass ? "<td class=\"" + std::string(cellClass) + "\">" + text + "</td>" : "<td>" + text + "</td>";
}

void appendNumber(std::string& text, std::optional<double> value) {
  text += value && std::isfinite(*value) ? report_format::jsonNumber(*value) : "null";
}

// [id, iteration, kind, status, objective, worst, best so far, [variables], [responses],
//  failure, earlier, seconds, attempt]
std::string dataRow(const StudyReport& report, const ReportedEvaluation& evaluation, const std::vector<std::size_t>& responses) {
  const EvaluationRecord& record = evaluation.record;
  std::string row = "[" + std::to_string(record.id) + "," + std::to_string(record.iteration) + "," +
                    (record.kind == "design"      ? "0"
                     : record.kind == "gradient"  ? "1"
                     : record.kind == "step-back" ? "2"
                                                  : "3") +
                    "," +
                    std::to_string(statusCode(evaluation)) + ",";
  appendNumber(row, evaluation.objective);
  row += ",";
  appendNumber(row, evaluation.worst);
  row += ",";
  appendNumber(row, evaluation.bestFeasibleSoFar);
  row += ",[";
  for (std::size_t v = 0; v < report.variables.size() && v < kShownValues; ++v) {
    if (v > 0) row += ",";
    appendNumber(row, record.inputs[report.variables[v]]);
  }
  row += "],[";
  for (std::size_t r = 0; r < responses.size(); ++r) {
    if (r > 0) row += ",";
    appendNumber(row, record.outputs[responses[r]]);
  }
  row += "],";
  row += record.ok ? std::string("\"\"") : scriptSafe(Json("at " + record.failedStep + ": " + record.reason).dump(-1, ' ', false, Json::error_handler_t::replace));
  row += evaluation.earlier ? ",1," : ",0,";
  row += report_format::fixed(evaluation.seconds, 2) + "," + std::to_string(record.attempt) + "]";
  return row;
}

std::string fact(const std::string& term, const std::string& description) {
  return "<div><dt>" + escapeHtml(term) + "</dt><dd>" + description + "</dd></div>\n";
}

// The state shown in the page's heading.
std::pair<std::string, std::string> heading(const StudyReport& report) {
  if (report.state == StudyState::running) return {"running", "running"};
  if (report.state == StudyState::interrupted) return {"interrupted", "interrupted"};
  if (report.state == StudyState::failed) return {"failed", "failed"};
  if (!report.best) return {"infeasible", "no feasible design found"};
  return {stateName(report.state), report.state == StudyState::converged ? "converged" : "budget spent"};
}

std::string statusSection(const StudyReport& report) {
  bool running = report.state == StudyState::running;
  std::string html = "<section id=\"status\">\n<h2>Status</h2>\n<dl class=\"facts\">\n";
  html += fact("Plan", escapeHtml(report.plan));
  html += fact("Evaluations", std::to_string(report.asked) + " of " + std::to_string(report.budget) +
                                  (report.budgetIsLimit ? " at most" : "") + "<br><progress value=\"" +
                                  std::to_string(std::min(report.asked, report.budget)) + "\" max=\"" +
                                  std::to_string(std::max<std::size_t>(report.budget, 1)) + "\"></progress><br><small>" +
                                  std::to_string(report.ran) + " run, " + std::to_string(report.reused) + " reused, " +
                                  std::to_string(report.failed) + " failed</small>");
  std::string best;
  if (report.best) {
    best = report.best->objective ? escapeHtml(shortNumber(*report.best->objective)) : "found";
    best += "<br><small>" + evaluationFolderName(report.best->record.id) + "</small>";
  } else {
    best = running ? "none yet" : "none";
  }
  html += fact(report.objective ? "Best feasible " + report.outputs[report.objective->output] : "Best feasible design", best);
  html += fact("Elapsed", escapeHtml(duration(report.elapsedSeconds)));
  std::string left = "-";
  if (running && report.secondsLeft) {
    left = std::string(report.budgetIsLimit ? "at most " : "about ") + escapeHtml(duration(*report.secondsLeft));
  } else if (!running) {
    left = "ended";
  }
  html += fact("Time left", left);
  html += fact("Data log", escapeHtml(report.dataLog) + "<br><small>" + std::to_string(report.evaluations.size()) +
                               " evaluations</small>");
  html += "</dl>\n";
  if (!report.message.empty()) html += "<p class=\"note\">Plan " + escapeHtml(stateName(report.state)) + ": " + escapeHtml(report.message) + "</p>\n";
  html += "<p class=\"note\">Updated " + escapeHtml(report.updated) + ". " +
          (running ? "This page reloads itself every " + std::to_string(kRefreshSeconds) + " s while the study runs."
                   : std::string("The study has ended; this page no longer reloads.")) +
          "</p>\n</section>\n";
  return html;
}

std::string boundsTable(const StudyReport& report, const ReportedDesign& design) {
  std::vector<const BoundCheck*> bounds;
  for (const BoundCheck& bound : design.bounds) bounds.push_back(&bound);
  std::stable_sort(bounds.begin(), bounds.end(), [](const BoundCheck* a, const BoundCheck* b) {
    return static_cast<int>(a->state) < static_cast<int>(b->state);
  });
  std::string html = "<table class=\"bounds\">\n<thead><tr><th class=\"text\">Output</th><th class=\"text\">Bound</th>"
                     "<th>Limit</th><th>Value</th><th>Past the bound</th><th class=\"text\">State</th></tr></thead>\n<tbody>\n";
  for (std::size_t i = 0; i < bounds.size() && i < kListedBounds; ++i) {
    const BoundCheck& bound = *bounds[i];
    std::string state = stateName(bound.state);
    html += "<tr>" + cell(escapeHtml(report.axisName(report.outputs[bound.output])), "text") +
            cell(bound.upper ? "upper" : "lower", "text") + cell(report_format::exactNumber(bound.limit)) +
            cell(bound.value ? report_format::exactNumber(bound.value) : "-") +
            cell(bound.value ? percent(bound.violation) : "-") + "<td class=\"text state-" + state + "\">" + state +
            "</td></tr>\n";
  }
  html += "</tbody>\n</table>\n";
  if (bounds.size() > kListedBounds) {
    html += "<p class=\"note\">The first " + std::to_string(kListedBounds) + " of " + std::to_string(bounds.size()) +
            " bounds; summary.json lists every one.</p>\n";
  }
  return html;
}

std::string feasibilitySection(const StudyReport& report) {
  bool running = report.state == StudyState::running;
  std::string html = "<section id=\"feasibility\">\n<h2>Feasibility</h2>\n";
  std::string tolerance = percentMagnitude(report.feasibilityTolerance);
  if (!report.hasConstraints()) {
    html += "<p class=\"verdict ok\">The study has no constraints: every successful design is feasible.</p>\n";
    if (report.best) html += "<p>Best design" + std::string(running ? " so far: " : ": ") + evaluationFolderName(report.best->record.id) + ".</p>\n";
    return html + "</section>\n";
  }
  if (report.best) {
    html += "<p class=\"verdict ok\">" + std::string(running ? "Best feasible design so far: " : "Feasible: the best design, ") +
            evaluationFolderName(report.best->record.id) + ", meets every constraint.</p>\n" + boundsTable(report, *report.best);
    if (report.planDesign) {
      html += "<p class=\"note\">The plan ended on " + evaluationFolderName(report.planDesign->record.id) +
              ", which is infeasible: its worst constraint is " + percent(report.planDesign->worst.value_or(0)) +
              " past its bound.</p>\n";
    }
  } else if (report.leastInfeasible) {
    html += "<p class=\"verdict bad\">" + std::string(running ? "No feasible design yet" : "No feasible design found") +
            ". The least infeasible design" + (running ? " so far" : "") + " is " +
            evaluationFolderName(report.leastInfeasible->record.id) + ", its worst constraint " +
            percent(report.leastInfeasible->worst.value_or(0)) + " past its bound.</p>\n" +
            boundsTable(report, *report.leastInfeasible);
  } else {
    html += "<p class=\"verdict\">No successful evaluation" + std::string(running ? " yet" : "") + ".</p>\n";
  }
  html += "<p class=\"note\">A bound is met when the response passes it by at most " + tolerance +
          " of the bound's magnitude (of 1 where the bound is 0), and active when it lies within " +
          percentMagnitude(report.activeWithin) + " of it.</p>\n</section>\n";
  return html;
}

std::string plotSections(const StudyReport& report) {
  auto plot = [](const std::string& title, const std::string& canvas, const std::string& caption) {
    return "<section>\n<h2>" + escapeHtml(title) + "</h2>\n<div class=\"chart\"><canvas id=\"" + canvas + "\"></canvas></div>\n" +
           (caption.empty() ? "" : "<p class=\"note\">" + escapeHtml(caption) + "</p>\n") + "</section>\n";
  };
  std::string html = "<div class=\"plots\">\n";
  if (report.objective) {
    html += plot("Objective per evaluation: " + report.axisName(report.outputs[report.objective->output]) +
                     (report.objective->maximise ? " (maximise)" : " (minimise)"),
                 "objective-chart",
                 "Circles feasible, triangles infeasible, crosses along the bottom failed; small pale marks are gradient "
                 "evaluations. The line is the best feasible value so far.");
  }
  if (report.hasConstraints()) {
    html += plot("Worst constraint per evaluation", "constraint-chart",
                 "How far the most violated bound is passed, in % of the bound, on a symmetric logarithmic scale: linear "
                 "within " + percentMagnitude(report.activeWithin) + " of the bound (the red line), logarithmic beyond.");
  }
  if (!report.variables.empty()) {
    std::string caption = report.variables.size() > kShownValues
                              ? "The first " + std::to_string(kShownValues) + " of " + std::to_string(report.variables.size()) + " variables."
                              : "";
    html += plot(report.plan == "doe" ? "Variables per sample" : "Variables per iteration", "variables-chart", caption);
  }
  html += "</div>\n";
  if (report.plan == "doe" && !report.variables.empty()) {
    html += "<section>\n<h2>Responses against variables</h2>\n<div id=\"doe-charts\" class=\"small-multiples\"></div>\n</section>\n";
  }
  return html;
}

}  // namespace

std::string reportHtml(const StudyReport& report) {
  RenderedRows dataRows;
  std::string page;
  renderReportHtml(report, dataRows, page);
  return page;
}

void renderReportHtml(const StudyReport& report, RenderedRows& dataRows, std::string& html) {
  std::vector<std::size_t> responses = shownResponses(report);
  for (; dataRows.count < report.evaluations.size(); ++dataRows.count) {
    if (dataRows.count > 0) dataRows.text += ",\n";
    dataRows.text += dataRow(report, report.evaluations[dataRows.count], responses);
  }
  bool running = report.state == StudyState::running;
  auto [stateClass, stateText] = heading(report);
  std::string title = "taskrun " + report.plan + " study of " + report.taskFile;

  html += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
          "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
  if (running) html += "<noscript><meta http-equiv=\"refresh\" content=\"" + std::to_string(kRefreshSeconds) + "\"></noscript>\n";
  html += "<title>" + escapeHtml(title + ": " + stateText) + "</title>\n<style>\n";
  html += report_page::kStyle;
  html += "</style>\n</head>\n<body data-state=\"" + std::string(stateName(report.state)) + "\">\n<header><h1>" +
          escapeHtml(report.plan) + " study <span class=\"task\">of " + escapeHtml(report.taskFile) +
          "</span></h1><div class=\"state state-" + stateClass + "\" id=\"state\">" + escapeHtml(stateText) +
          "</div></header>\n<main>\n";
  html += statusSection(report);
  html += feasibilitySection(report);
  html += plotSections(report);
  html += "<section id=\"evaluations\">\n<h2>Evaluations</h2>\n<div class=\"table-wrap\"><table id=\"evaluations-table\">"
          "<thead></thead><tbody></tbody></table></div>\n<p class=\"note\">Click a heading to sort. history.csv holds every "
          "value of every evaluation; each evaluation's files are in its folder.</p>\n</section>\n</main>\n"
          "<footer>Written by taskrun. Plots drawn with Chart.js (MIT licence).</footer>\n";

  Json head;
  head["state"] = stateName(report.state);
  head["plan"] = report.plan;
  head["refreshSeconds"] = kRefreshSeconds;
  head["objective"] = report.objective ? Json(report.axisName(report.outputs[report.objective->output])) : Json(nullptr);
  head["constraints"] = report.hasConstraints();
  head["activeWithin"] = report.activeWithin;
  head["best"] = report.best ? Json(report.best->record.id) : Json(nullptr);
  head["removed"] = report.removedFolders;
  head["variables"] = Json::array();
  for (std::size_t v = 0; v < report.variables.size() && v < kShownValues; ++v) {
    head["variables"].push_back(report.axisName(report.inputs[report.variables[v]]));
  }
  head["responses"] = Json::array();
  for (std::size_t output : responses) head["responses"].push_back(report.axisName(report.outputs[output]));
  std::string data = scriptSafe(head.dump(-1, ' ', false, Json::error_handler_t::replace));
  data.pop_back();  // the closing brace: the rows follow
  html += "<script>\n";
  html += report_page::kChartJs;
  html += "\n</script>\n<script type=\"application/json\" id=\"study-data\">\n";
  html += data;
  html += ",\"rows\":[\n";
  html += dataRows.text;
  html += "]}\n</script>\n<script>\n";
  html += report_page::kScript;
  html += "</script>\n</body>\n</html>\n";
}

}  // namespace taskrun
