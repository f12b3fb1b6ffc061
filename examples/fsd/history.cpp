#include "fsd/history.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "support/text_file.h"

namespace fsd {
namespace {

std::string number(double value, const char* format = "%.10g") {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

struct Panel {
  double top, height;
  std::string title;
};

// One panel of the plot: a polyline of (iteration, value) scaled into the panel.
std::string polyline(const std::vector<double>& values, const Panel& panel, double low, double high,
                     const char* colour) {
  constexpr double left = 70, width = 540;
  std::size_t count = values.size();
  std::string points;
  for (std::size_t i = 0; i < count; ++i) {
    double x = left + (count > 1 ? width * static_cast<double>(i) / static_cast<double>(count - 1) : 0);
    double fraction = high > low ? (values[i] - low) / (high - low) : 0.5;
    double y = panel.top + panel.height * (1 - fraction);
    points += number(x, "%.1f") + "," + number(y, "%.1f") + " ";
  }
  std::string svg = "<rect x=\"70\" y=\"" + number(panel.top) + "\" width=\"540\" height=\"" + number(panel.height) +
                    "\" fill=\"none\" stroke=\"#999\"/>\n";
  svg += "<text x=\"70\" y=\"" + number(panel.top - 8) + "\" font-size=\"14\">" + panel.title + "</text>\n";
  svg += "<text x=\"64\" y=\"" + number(panel.top + 12) + "\" font-size=\"11\" text-anchor=\"end\">" +
         number(high, "%.4g") + "</text>\n";
  svg += "<text x=\"64\" y=\"" + number(panel.top + panel.height) + "\" font-size=\"11\" text-anchor=\"end\">" +
         number(low, "%.4g") + "</text>\n";
  svg += "<polyline fill=\"none\" stroke=\"" + std::string(colour) + "\" stroke-width=\"2\" points=\"" + points + "\"/>\n";
  return svg;
}

}  // namespace

void writeHistoryCsv(const Result& result, const std::filesystem::path& file) {
  support::TextFileWriter csv(file);
  std::string header = "iteration,weight,largest_stress_ratio,largest_relative_change";
  for (const std::string& name : result.areaNames) header += "," + name;
  csv.writeLine(header);
  for (const Iteration& iteration : result.history) {
    std::string line = std::to_string(iteration.number) + "," + number(iteration.weight) + "," +
                       number(iteration.largestStressRatio) + "," + number(iteration.largestChange);
    for (double area : iteration.areas) line += "," + number(area);
    csv.writeLine(line);
  }
  csv.commit();
}

void writeConvergenceSvg(const Result& result, const std::filesystem::path& file) {
  std::vector<double> weights, changes;
  for (const Iteration& iteration : result.history) {
    weights.push_back(iteration.weight);
    changes.push_back(std::log10(std::max(iteration.largestChange, 1e-12)));
  }
  auto range = [](const std::vector<double>& values) {
    if (values.empty()) return std::pair(0.0, 1.0);
    auto [low, high] = std::minmax_element(values.begin(), values.end());
    return std::pair(*low, *high);
  };
  auto [lowWeight, highWeight] = range(weights);
  auto [lowChange, highChange] = range(changes);
  support::TextFileWriter svg(file);
  svg.writeLine("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"640\" height=\"520\" font-family=\"sans-serif\">");
  svg.writeLine("<rect width=\"640\" height=\"520\" fill=\"white\"/>");
  svg.write(polyline(weights, {40, 190, "Weight (lb) per iteration"}, lowWeight, highWeight, "#1f5fbf"));
  svg.write(polyline(changes, {290, 190, "log10 of the largest relative change of an area"}, lowChange, highChange,
                     "#c0392b"));
  svg.writeLine("<text x=\"340\" y=\"510\" font-size=\"12\" text-anchor=\"middle\">iteration 1 to " +
                std::to_string(result.history.size()) + "</text>");
  svg.writeLine("</svg>");
  svg.commit();
}

}  // namespace fsd
