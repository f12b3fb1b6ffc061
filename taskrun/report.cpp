#include "taskrun/report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "support/text_file.h"
#include "support/number_text.h"
#include "taskrun/exchange_io.h"

namespace taskrun {
namespace {

std::string shortNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

std::string fixed(double value, const char* format) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string csvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string csvNumber(std::optional<double> value) { return value ? support::formatNumberExactly(*value) : std::string(); }

const char* sourceName(Answer::Source source) {
  switch (source) {
    case Answer::Source::ran: return "ran";
    case Answer::Source::reused: return "reused";
    case Answer::Source::repeated: return "repeated";
    case Answer::Source::notRun: return "not run";
  }
  return "ran";
}

std::string escapeXml(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    switch (c) {
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '&': escaped += "&amp;"; break;
      case '"': escaped += "&quot;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

const char* const kColours[] = {"#1f5fbf", "#c0392b", "#27ae60", "#8e44ad", "#d35400",
                                "#16a085", "#2c3e50", "#f39c12", "#7f8c8d", "#e84393"};

// One plot panel: series of (x, y) points drawn as lines inside a frame with its value range.
struct Series {
  std::vector<std::pair<double, double>> points;
  std::string colour;
  std::string label;
};

std::string panel(double top, double height, const std::string& title, const std::vector<Series>& series,
                  const std::string& xLabel) {
  constexpr double left = 80, width = 560;
  double xLow = 0, xHigh = 1, yLow = 0, yHigh = 1;
  bool any = false;
  for (const Series& line : series) {
    for (auto [x, y] : line.points) {
      if (!std::isfinite(y)) continue;
      if (!any) {
        xLow = xHigh = x;
        yLow = yHigh = y;
        any = true;
      }
      xLow = std::min(xLow, x);
      xHigh = std::max(xHigh, x);
      yLow = std::min(yLow, y);
      yHigh = std::max(yHigh, y);
    }
  }
  if (yHigh == yLow) {
    yHigh += 0.5;
    yLow -= 0.5;
  }
  std::string svg = "<text x=\"" + fixed(left, "%.0f") + "\" y=\"" + fixed(top - 8, "%.0f") + "\" font-size=\"14\">" +
                    escapeXml(title) + "</text>\n";
  svg += "<rect x=\"" + fixed(left, "%.0f") + "\" y=\"" + fixed(top, "%.0f") + "\" width=\"" + fixed(width, "%.0f") +
         "\" height=\"" + fixed(height, "%.0f") + "\" fill=\"none\" stroke=\"#999\"/>\n";
  if (!any) {
    return svg + "<text x=\"" + fixed(left + width / 2, "%.0f") + "\" y=\"" + fixed(top + height / 2, "%.0f") +
           "\" font-size=\"12\" text-anchor=\"middle\">nothing to show</text>\n";
  }
  svg += "<text x=\"" + fixed(left - 6, "%.0f") + "\" y=\"" + fixed(top + 12, "%.0f") +
         "\" font-size=\"11\" text-anchor=\"end\">" + shortNumber(yHigh) + "</text>\n";
  svg += "<text x=\"" + fixed(left - 6, "%.0f") + "\" y=\"" + fixed(top + height, "%.0f") +
         "\" font-size=\"11\" text-anchor=\"end\">" + shortNumber(yLow) + "</text>\n";
  svg += "<text x=\"" + fixed(left + width / 2, "%.0f") + "\" y=\"" + fixed(top + height + 16, "%.0f") +
         "\" font-size=\"11\" text-anchor=\"middle\">" + escapeXml(xLabel) + " " + shortNumber(xLow) + " to " +
         shortNumber(xHigh) + "</text>\n";
  for (const Series& line : series) {
    std::string points;
    for (auto [x, y] : line.points) {
      if (!std::isfinite(y)) continue;
      double px = left + (xHigh > xLow ? width * (x - xLow) / (xHigh - xLow) : width / 2);
      double py = top + height * (1 - (y - yLow) / (yHigh - yLow));
      points += fixed(px, "%.1f") + "," + fixed(py, "%.1f") + " ";
    }
    svg += "<polyline fill=\"none\" stroke=\"" + line.colour + "\" stroke-width=\"1.5\" points=\"" + points + "\"/>\n";
  }
  return svg;
}

void writeSvg(const std::filesystem::path& file, double height, const std::string& body) {
  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"680\" height=\"" + fixed(height, "%.0f") +
                    "\" font-family=\"sans-serif\">\n<rect width=\"680\" height=\"" + fixed(height, "%.0f") +
                    "\" fill=\"white\"/>\n" + body + "</svg>\n";
  support::writeFileAtomically(file, svg);
}

}  // namespace

std::string progressLine(const Answer& answer, const Measures& measures) {
  const EvaluationRecord& record = answer.record;
  std::string line = evaluationFolderName(record.id);
  if (answer.source == Answer::Source::reused) {
    line += "  reused";
  } else {
    line += record.ok ? "  ok    " : "  failed";
  }
  if (!record.ok) return line + "  at " + record.failedStep + ": " + record.reason + "  (" + fixed(answer.seconds, "%.2f") + " s)";
  if (auto objective = measures.objective(record)) line += "  objective " + shortNumber(*objective);
  if (auto worst = measures.worstConstraint(record)) line += "  worst constraint " + fixed(*worst, "%+.3e");
  if (answer.source == Answer::Source::ran) line += "  (" + fixed(answer.seconds, "%.2f") + " s)";
  return line;
}

std::string closingSummary(const Task& task, const Study& study, const PlanOutcome& outcome, const StudyCounts& counts) {
  std::string text = "Plan " + std::string(planName(study.plan)) + ": " + statusName(outcome.status) + " (" + outcome.message + ")\n";
  text += "Evaluations: " + std::to_string(counts.ran) + " run, " + std::to_string(counts.reused) + " reused, " +
          std::to_string(counts.failed) + " failed\n";
  if (!outcome.best) return text + "No successful evaluation.\n";
  const EvaluationRecord& best = *outcome.best;
  // A long list is left to summary.json.
  constexpr std::size_t kListed = 40;
  text += "Best design: " + evaluationFolderName(best.id) + "\n";
  for (std::size_t v = 0; v < study.variables.size() && v < kListed; ++v) {
    std::size_t input = study.variables[v].input;
    text += "  " + task.inputs[input].name + " = " + shortNumber(best.inputs[input]) + "\n";
  }
  if (study.variables.size() > kListed) text += "  ... " + std::to_string(study.variables.size()) + " variables in all\n";
  text += "Its outputs:\n";
  for (std::size_t k = 0; k < task.outputs.size() && k < kListed; ++k) {
    text += "  " + task.outputs[k].name + " = " + (best.outputs[k] ? shortNumber(*best.outputs[k]) : "-") + "\n";
  }
  if (task.outputs.size() > kListed) text += "  ... " + std::to_string(task.outputs.size()) + " outputs in all\n";
  return text;
}

void writeHistoryCsv(const std::filesystem::path& file, const Task& task, const Measures& measures,
                     const std::vector<Answer>& history) {
  support::TextFileWriter csv(file);
  std::string header = "evaluation,id,source,status,objective,worst_constraint,seconds";
  for (const InputParameter& input : task.inputs) header += "," + csvField(input.name);
  for (const OutputParameter& output : task.outputs) header += "," + csvField(output.name);
  header += ",failed_step,reason";
  csv.writeLine(header);
  std::size_t number = 0;
  for (const Answer& answer : history) {
    const EvaluationRecord& record = answer.record;
    std::string line = std::to_string(++number) + "," + std::to_string(record.id) + "," + sourceName(answer.source) + "," +
                       (record.ok ? "ok" : "failed") + "," + csvNumber(measures.objective(record)) + "," +
                       csvNumber(measures.worstConstraint(record)) + "," + fixed(answer.seconds, "%.3f");
    for (double value : record.inputs) line += "," + support::formatNumberExactly(value);
    for (const std::optional<double>& value : record.outputs) line += "," + csvNumber(value);
    line += "," + csvField(record.failedStep) + "," + csvField(record.reason);
    csv.writeLine(line);
  }
  csv.commit();
}

void writeSummaryJson(const std::filesystem::path& file, const Task& task, const Study& study, const PlanOutcome& outcome,
                      const StudyCounts& counts) {
  nlohmann::ordered_json summary;
  summary["plan"] = planName(study.plan);
  summary["status"] = statusName(outcome.status);
  summary["message"] = outcome.message;
  summary["evaluations"] = {{"run", counts.ran}, {"reused", counts.reused}, {"failed", counts.failed}};
  if (outcome.best) {
    nlohmann::ordered_json inputs = nlohmann::ordered_json::object(), outputs = nlohmann::ordered_json::object();
    for (std::size_t i = 0; i < task.inputs.size(); ++i) inputs[task.inputs[i].name] = outcome.best->inputs[i];
    for (std::size_t k = 0; k < task.outputs.size(); ++k) {
      if (outcome.best->outputs[k]) outputs[task.outputs[k].name] = *outcome.best->outputs[k];
    }
    summary["best"] = {{"id", outcome.best->id}, {"inputs", inputs}, {"outputs", outputs}};
  } else {
    summary["best"] = nullptr;
  }
  support::writeFileAtomically(file, summary.dump(2) + "\n");
}

void writeProgressSvg(const std::filesystem::path& file, const Measures& measures, const std::vector<Answer>& history) {
  Series objective{{}, kColours[0], "objective"}, worst{{}, kColours[1], "worst constraint"};
  for (std::size_t i = 0; i < history.size(); ++i) {
    double x = static_cast<double>(i + 1);
    if (auto value = measures.objective(history[i].record)) objective.points.emplace_back(x, *value);
    if (auto value = measures.worstConstraint(history[i].record)) worst.points.emplace_back(x, *value);
  }
  writeSvg(file, 540,
           panel(40, 190, "Objective per evaluation", {objective}, "evaluation") +
               panel(300, 190, "Worst constraint per evaluation (relative violation; <= 0 is feasible)", {worst},
                     "evaluation"));
}

void writeVariablesSvg(const std::filesystem::path& file, const Task& task, const Study& study,
                       const std::vector<std::vector<double>>& iterations) {
  // Past a few dozen lines a plot says nothing more: the first ones are drawn.
  constexpr std::size_t kDrawn = 40;
  std::size_t drawn = std::min(kDrawn, study.variables.size());
  std::vector<Series> series;
  std::string legend;
  for (std::size_t v = 0; v < drawn; ++v) {
    Series line{{}, kColours[v % std::size(kColours)], task.inputs[study.variables[v].input].name};
    for (std::size_t i = 0; i < iterations.size(); ++i) {
      if (v < iterations[i].size()) line.points.emplace_back(static_cast<double>(i + 1), iterations[i][v]);
    }
    legend += "<text x=\"80\" y=\"" + fixed(270 + 14.0 * static_cast<double>(v), "%.0f") + "\" font-size=\"11\" fill=\"" +
              line.colour + "\">" + escapeXml(line.label) + "</text>\n";
    series.push_back(std::move(line));
  }
  std::string title = "Variables per iteration";
  if (drawn < study.variables.size()) {
    title += " (the first " + std::to_string(drawn) + " of " + std::to_string(study.variables.size()) + ")";
  }
  writeSvg(file, 280 + 14.0 * static_cast<double>(drawn), panel(40, 190, title, series, "iteration") + legend);
}

}  // namespace taskrun
