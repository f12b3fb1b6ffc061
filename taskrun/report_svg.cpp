// progress.svg and variables.svg: still pictures of the report for documents and for viewers
// without scripts. Both axes carry ticks with values and a title; the worst constraint is drawn
// on a symmetric logarithmic scale (linear within the active band around zero, logarithmic
// beyond), so that the approach to the bound shows as well as a violation many times over.
#include <algorithm>
#include <cmath>

#include "taskrun/report_files.h"
#include "taskrun/report_format.h"

namespace taskrun {
namespace {

using report_format::kindText;

using report_format::escapeHtml;
using report_format::fixed;
using report_format::shortNumber;

const char* const kColours[] = {"#1f5fbf", "#d35400", "#27ae60", "#8e44ad", "#c0392b",
                                "#16a085", "#2c3e50", "#b7950b", "#7f8c8d", "#e84393"};
const char kFeasible[] = "#1f5fbf", kInfeasible[] = "#c0392b", kFailed[] = "#555555", kBest[] = "#1e8449";

// A tick: where it sits on the axis's own (possibly transformed) scale, and its label.
struct Tick {
  double at;
  std::string label;
};

struct Axis {
  double low = 0, high = 1;  // on the axis's scale
  std::vector<Tick> ticks;
  std::string title;
  double linearWithin = 0;  // > 0: symmetric logarithmic, linear within this band around zero

  double scale(double value) const {
    if (linearWithin <= 0) return value;
    return std::copysign(std::log10(1 + std::abs(value) / linearWithin), value);
  }
};

double niceStep(double range, int target) {
  double raw = range / target;
  double magnitude = std::pow(10, std::floor(std::log10(raw)));
  double fraction = raw / magnitude;
  return magnitude * (fraction <= 1 ? 1 : fraction <= 2 ? 2 : fraction <= 5 ? 5 : 10);
}

// A linear axis over [low, high] ending on ticks at 1, 2 or 5 times a power of ten.
Axis linearAxis(double low, double high, std::string title, bool whole) {
  Axis axis;
  axis.title = std::move(title);
  if (!(high > low)) {
    double pad = low == 0 ? 1 : std::abs(low) * 0.1;
    low -= pad;
    high += pad;
  }
  double step = niceStep(high - low, 6);
  if (whole) step = std::max(1.0, std::round(step));
  axis.low = std::floor(low / step) * step;
  axis.high = std::ceil(high / step) * step;
  for (double tick = axis.low; tick <= axis.high + step / 2; tick += step) {
    double value = std::abs(tick) < step * 1e-9 ? 0 : tick;
    axis.ticks.push_back({value, shortNumber(value)});
  }
  return axis;
}

// A symmetric logarithmic axis for relative violations: ticks at zero and at the active band's
// width times powers of ten, labelled as percentages of the bound.
Axis symlogAxis(double low, double high, double linearWithin, std::string title) {
  Axis axis;
  axis.title = std::move(title);
  axis.linearWithin = linearWithin;
  low = std::min(low, 0.0);
  high = std::max(high, 0.0);
  auto decades = [&](double extreme) {
    int count = 0;
    while (count < 12 && linearWithin * std::pow(10, count) < extreme * (1 - 1e-12)) ++count;
    return count;
  };
  // The axis ends on the first tick beyond the data; zero is always shown.
  int below = decades(-low), above = decades(high);
  int stride = below + above > 10 ? 2 : 1;
  std::vector<double> values{0};
  for (int k = 0; low < 0; k += stride) {
    values.insert(values.begin(), -linearWithin * std::pow(10, k));
    if (k >= below) break;
  }
  for (int k = 0; high > 0 || low >= 0; k += stride) {
    values.push_back(linearWithin * std::pow(10, k));
    if (k >= above) break;
  }
  axis.low = axis.scale(values.front());
  axis.high = axis.scale(values.back());
  // Beside zero the band's own ticks crowd the labels of a tall scale: their lines stay.
  bool crowded = below + above > 4;
  for (double value : values) {
    bool band = std::abs(value) == linearWithin;
    axis.ticks.push_back({axis.scale(value), value == 0 ? "0" : crowded && band ? "" : report_format::percent(value)});
  }
  return axis;
}

// One plot: a frame with its axes; its contents added in data units.
class Panel {
 public:
  Panel(double top, std::string title, Axis x, Axis y) : top_(top), x_(std::move(x)), y_(std::move(y)) {
    svg_ += "<text x=\"" + fixed(kLeft, 0) + "\" y=\"" + fixed(top_ - 26, 0) + "\" font-size=\"14\" font-weight=\"bold\">" +
            escapeHtml(title) + "</text>\n";
    svg_ += "<g font-size=\"11\" fill=\"#333\">\n";
    for (const Tick& tick : y_.ticks) {
      double py = yOnScale(tick.at);
      svg_ += line(kLeft, py, kLeft + kWidth, py, tick.at == 0 && y_.linearWithin > 0 ? "#c0392b" : "#e4e4e4",
                   tick.at == 0 && y_.linearWithin > 0 ? " stroke-dasharray=\"6 3\"" : "");
      svg_ += "<text x=\"" + fixed(kLeft - 6, 0) + "\" y=\"" + fixed(py + 4, 1) + "\" text-anchor=\"end\">" +
              escapeHtml(tick.label) + "</text>\n";
    }
    for (const Tick& tick : x_.ticks) {
      double px = kLeft + kWidth * (tick.at - x_.low) / (x_.high - x_.low);
      svg_ += line(px, top_, px, top_ + kHeight, "#f0f0f0", "");
      svg_ += line(px, top_ + kHeight, px, top_ + kHeight + 4, "#999", "");
      svg_ += "<text x=\"" + fixed(px, 1) + "\" y=\"" + fixed(top_ + kHeight + 16, 0) + "\" text-anchor=\"middle\">" +
              escapeHtml(tick.label) + "</text>\n";
    }
    svg_ += "<text x=\"" + fixed(kLeft + kWidth / 2, 0) + "\" y=\"" + fixed(top_ + kHeight + 34, 0) +
            "\" text-anchor=\"middle\" font-size=\"12\">" + escapeHtml(x_.title) + "</text>\n";
    double middle = top_ + kHeight / 2;
    svg_ += "<text x=\"16\" y=\"" + fixed(middle, 0) + "\" text-anchor=\"middle\" font-size=\"12\" transform=\"rotate(-90 16 " +
            fixed(middle, 0) + ")\">" + escapeHtml(y_.title) + "</text>\n</g>\n";
    svg_ += "<rect x=\"" + fixed(kLeft, 0) + "\" y=\"" + fixed(top_, 0) + "\" width=\"" + fixed(kWidth, 0) + "\" height=\"" +
            fixed(kHeight, 0) + "\" fill=\"none\" stroke=\"#999\"/>\n";
  }

  static constexpr double kLeft = 96, kWidth = 620, kHeight = 220, kBelow = 90;

  double xAt(double value) const {
    return kLeft + (x_.high > x_.low ? kWidth * (x_.scale(value) - x_.low) / (x_.high - x_.low) : kWidth / 2);
  }
  double yAt(double value) const { return yOnScale(y_.scale(value)); }
  // Where a value already on the axis's scale (a tick) lies.
  double yOnScale(double scaled) const { return top_ + kHeight * (1 - (scaled - y_.low) / (y_.high - y_.low)); }
  double bottom() const { return top_ + kHeight; }

  void polyline(const std::vector<std::pair<double, double>>& points, const std::string& colour, bool stepped) {
    if (points.empty()) return;
    std::string text;
    for (std::size_t i = 0; i < points.size(); ++i) {
      if (stepped && i > 0) text += fixed(xAt(points[i].first), 1) + "," + fixed(yAt(points[i - 1].second), 1) + " ";
      text += fixed(xAt(points[i].first), 1) + "," + fixed(yAt(points[i].second), 1) + " ";
    }
    svg_ += "<polyline fill=\"none\" stroke=\"" + colour + "\" stroke-width=\"" + (stepped ? "2" : "1.5") + "\" points=\"" +
            text + "\"/>\n";
  }

  // A marker at (x, y) in data units; y nullopt puts it on the frame's bottom edge.
  void marker(double x, std::optional<double> y, const std::string& shape, const std::string& colour, double size,
              const std::string& tip) {
    double px = xAt(x), py = y ? yAt(*y) : bottom();
    std::string title = "<title>" + escapeHtml(tip) + "</title>";
    if (shape == "circle") {
      svg_ += "<circle cx=\"" + fixed(px, 1) + "\" cy=\"" + fixed(py, 1) + "\" r=\"" + fixed(size, 1) + "\" fill=\"" + colour +
              "\">" + title + "</circle>\n";
    } else if (shape == "triangle") {
      svg_ += "<path d=\"M" + fixed(px, 1) + " " + fixed(py - size * 1.3, 1) + "l" + fixed(size * 1.2, 1) + " " +
              fixed(size * 2, 1) + "h" + fixed(-size * 2.4, 1) + "z\" fill=\"" + colour + "\">" + title + "</path>\n";
    } else {
      svg_ += "<path d=\"M" + fixed(px - size, 1) + " " + fixed(py - size, 1) + "l" + fixed(2 * size, 1) + " " +
              fixed(2 * size, 1) + "m0 " + fixed(-2 * size, 1) + "l" + fixed(-2 * size, 1) + " " + fixed(2 * size, 1) +
              "\" stroke=\"" + colour + "\" stroke-width=\"2\">" + title + "</path>\n";
    }
  }

  void legend(const std::vector<std::pair<std::string, std::string>>& entries) {
    double x = kLeft + kWidth;
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
      x -= 14 + 6.5 * static_cast<double>(entry->first.size());
      svg_ += "<rect x=\"" + fixed(x, 1) + "\" y=\"" + fixed(top_ - 15, 0) + "\" width=\"9\" height=\"9\" fill=\"" +
              entry->second + "\"/><text x=\"" + fixed(x + 12, 1) + "\" y=\"" + fixed(top_ - 7, 0) + "\" font-size=\"11\">" +
              escapeHtml(entry->first) + "</text>\n";
    }
  }

  void note(const std::string& text) {
    svg_ += "<text x=\"" + fixed(kLeft + kWidth / 2, 0) + "\" y=\"" + fixed(top_ + kHeight / 2, 0) +
            "\" font-size=\"12\" text-anchor=\"middle\" fill=\"#666\">" + escapeHtml(text) + "</text>\n";
  }

  std::string take() { return std::move(svg_); }

 private:
  double top_;
  Axis x_, y_;
  std::string svg_;

  static std::string line(double x1, double y1, double x2, double y2, const std::string& colour, const std::string& extra) {
    return "<line x1=\"" + fixed(x1, 1) + "\" y1=\"" + fixed(y1, 1) + "\" x2=\"" + fixed(x2, 1) + "\" y2=\"" + fixed(y2, 1) +
           "\" stroke=\"" + colour + "\"" + extra + "/>\n";
  }
};

std::string document(double height, const std::string& body) {
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"740\" height=\"" + fixed(height, 0) + "\" viewBox=\"0 0 740 " +
         fixed(height, 0) + "\" font-family=\"DejaVu Sans, Arial, sans-serif\">\n<rect width=\"740\" height=\"" +
         fixed(height, 0) + "\" fill=\"white\"/>\n" + body + "</svg>\n";
}

std::pair<double, double> rangeOf(const std::vector<double>& values) {
  if (values.empty()) return {0, 1};
  auto [low, high] = std::minmax_element(values.begin(), values.end());
  return {*low, *high};
}

std::string tip(const ReportedEvaluation& evaluation) {
  const EvaluationRecord& record = evaluation.record;
  std::string text = evaluationFolderName(record.id) + " (" + kindText(record.kind) + ")";
  if (!record.ok) return text + " failed at " + record.failedStep + ": " + record.reason;
  if (evaluation.objective) text += " objective " + shortNumber(*evaluation.objective);
  if (evaluation.worst) text += " worst constraint " + report_format::percent(*evaluation.worst);
  return text;
}

// The markers of the evaluations on a panel: feasible, infeasible (triangles), failed (crosses
// on the bottom edge); gradient evaluations smaller and paler.
template <class ValueOf>
void markEvaluations(Panel& panel, const StudyReport& report, ValueOf valueOf) {
  for (const ReportedEvaluation& evaluation : report.evaluations) {
    const EvaluationRecord& record = evaluation.record;
    double x = static_cast<double>(record.id);
    bool gradient = record.kind != "design";
    if (!record.ok) {
      panel.marker(x, std::nullopt, "cross", kFailed, 3.5, tip(evaluation));
    } else if (auto value = valueOf(evaluation)) {
      panel.marker(x, *value, evaluation.feasible ? "circle" : "triangle", evaluation.feasible ? kFeasible : kInfeasible,
                   gradient ? 1.8 : 3, tip(evaluation));
    }
  }
}

Axis evaluationAxis(const StudyReport& report) {
  double last = report.evaluations.empty() ? 1 : static_cast<double>(report.evaluations.back().record.id);
  double first = report.evaluations.empty() ? 0 : static_cast<double>(report.evaluations.front().record.id);
  return linearAxis(first, std::max(last, first + 1), "evaluation (id)", true);
}

}  // namespace

std::string progressSvg(const StudyReport& report) {
  std::string body;
  double top = 50;
  const std::vector<std::pair<std::string, std::string>> legend{
      {"feasible", kFeasible}, {"infeasible", kInfeasible}, {"failed", kFailed}};
  if (report.objective) {
    std::vector<double> values;
    std::vector<std::pair<double, double>> best;
    for (const ReportedEvaluation& evaluation : report.evaluations) {
      if (evaluation.objective) values.push_back(*evaluation.objective);
      if (evaluation.bestFeasibleSoFar) best.emplace_back(static_cast<double>(evaluation.record.id), *evaluation.bestFeasibleSoFar);
    }
    auto [low, high] = rangeOf(values);
    std::string name = report.axisName(report.outputs[report.objective->output]);
    Panel panel(top, "Objective per evaluation: " + name + (report.objective->maximise ? " (maximise)" : " (minimise)"),
                evaluationAxis(report), linearAxis(low, high, name, false));
    panel.polyline(best, kBest, true);
    markEvaluations(panel, report, [](const ReportedEvaluation& evaluation) { return evaluation.objective; });
    auto entries = legend;
    entries.insert(entries.begin(), {"best feasible so far", kBest});
    panel.legend(entries);
    if (report.evaluations.empty()) panel.note("no evaluation yet");
    body += panel.take();
    top += Panel::kHeight + Panel::kBelow;
  }
  if (report.hasConstraints()) {
    std::vector<double> values;
    for (const ReportedEvaluation& evaluation : report.evaluations) {
      if (evaluation.worst) values.push_back(*evaluation.worst);
    }
    auto [low, high] = rangeOf(values);
    Panel panel(top, "Worst constraint per evaluation (past its bound: > 0 violated)", evaluationAxis(report),
                symlogAxis(low, high, report.activeWithin, "worst constraint, % of its bound"));
    markEvaluations(panel, report, [](const ReportedEvaluation& evaluation) { return evaluation.worst; });
    panel.legend(legend);
    if (report.evaluations.empty()) panel.note("no evaluation yet");
    body += panel.take();
    top += Panel::kHeight + Panel::kBelow;
  }
  if (body.empty()) {
    Panel panel(top, "Progress", evaluationAxis(report), linearAxis(0, 1, "", false));
    panel.note("the study has no objective and no constraints");
    body += panel.take();
    top += Panel::kHeight + Panel::kBelow;
  }
  return document(top - 20, body);
}

std::string variablesSvg(const StudyReport& report) {
  // Past a few dozen lines a plot says nothing more: the first ones are drawn.
  constexpr std::size_t kDrawn = 40;
  std::size_t drawn = std::min(kDrawn, report.variables.size());
  bool samples = report.plan == "doe";
  std::vector<std::vector<std::pair<double, double>>> series(drawn);
  std::vector<double> values;
  double lastIteration = 1;
  for (const ReportedEvaluation& evaluation : report.evaluations) {
    const EvaluationRecord& record = evaluation.record;
    if (record.kind != "design" || record.iteration < 1) continue;
    lastIteration = std::max(lastIteration, static_cast<double>(record.iteration));
    for (std::size_t v = 0; v < drawn; ++v) {
      double value = record.inputs[report.variables[v]];
      series[v].emplace_back(record.iteration, value);
      values.push_back(value);
    }
  }
  auto [low, high] = rangeOf(values);
  std::string title = samples ? "Variables per sample" : "Variables per iteration";
  if (drawn < report.variables.size()) {
    title += " (the first " + std::to_string(drawn) + " of " + std::to_string(report.variables.size()) + ")";
  }
  Panel panel(50, title, linearAxis(1, std::max(2.0, lastIteration), samples ? "sample" : "iteration", true),
              linearAxis(low, high, "value", false));
  std::string legend;
  for (std::size_t v = 0; v < drawn; ++v) {
    const char* colour = kColours[v % std::size(kColours)];
    std::sort(series[v].begin(), series[v].end());
    if (!samples) panel.polyline(series[v], colour, false);
    for (auto [x, y] : series[v]) panel.marker(x, y, "circle", colour, samples ? 3 : 2, report.inputs[report.variables[v]]);
    double row = 50 + Panel::kHeight + 62 + 16.0 * static_cast<double>(v / 3);
    double column = Panel::kLeft + 210.0 * static_cast<double>(v % 3);
    legend += "<rect x=\"" + fixed(column, 0) + "\" y=\"" + fixed(row - 9, 0) + "\" width=\"9\" height=\"9\" fill=\"" + colour +
              "\"/><text x=\"" + fixed(column + 13, 0) + "\" y=\"" + fixed(row, 0) + "\" font-size=\"11\">" +
              escapeHtml(report.axisName(report.inputs[report.variables[v]])) + "</text>\n";
  }
  if (values.empty()) panel.note("no design evaluated yet");
  return document(50 + Panel::kHeight + 70 + 16.0 * static_cast<double>((drawn + 2) / 3), panel.take() + legend);
}

}  // namespace taskrun
