#include "fsd/fsd_loop.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>
#include <optional>

#include "fsd/process.h"
#include "support/number_text.h"
#include "support/record_reader.h"
#include "support/strings.h"
#include "support/text_file.h"

namespace fsd {
namespace {

struct NamedValue {
  std::string name;
  double value;
};

std::vector<NamedValue> readValues(const std::filesystem::path& file) {
  std::vector<NamedValue> values;
  support::RecordReader reader = [&] {
    try {
      return support::RecordReader::fromFile(file);
    } catch (const std::exception& error) {
      throw LoopError("cannot read " + file.string() + ": " + error.what());
    }
  }();
  while (reader.next()) {
    auto value = reader.realFieldValue(2);
    if (!value) throw LoopError(file.string() + ": \"" + reader.line() + "\" has no number");
    values.push_back({reader.field(1), *value});
  }
  return values;
}

// The number after `marker` at the end of `name` ("AreaAtProp7" with "AtProp" gives 7).
std::optional<int> trailingId(const std::string& name, const std::string& marker) {
  std::size_t at = name.rfind(marker);
  if (at == std::string::npos) return std::nullopt;
  auto id = support::parseInteger(name.substr(at + marker.size()));
  if (!id) return std::nullopt;
  return static_cast<int>(*id);
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void run(const std::string& what, int status) {
  if (status != 0) throw LoopError(what + " failed with exit status " + std::to_string(status));
}

std::string solverCommand(const std::filesystem::path& workFolder) {
  std::string text;
  try {
    text = support::readWholeFile(workFolder / "VOVarir.bat");
  } catch (const std::exception& error) {
    throw LoopError(std::string("cannot read VOVarir.bat: ") + error.what());
  }
  std::string line = text.substr(0, text.find_first_of("\r\n"));
  if (support::trim(line).empty()) throw LoopError("VOVarir.bat holds no command");
  return line;
}

}  // namespace

Result runFullyStressedDesign(const Options& options, const std::function<void(const Iteration&)>& onIteration) {
  const std::filesystem::path& work = options.workFolder;
  Result result;

  // The design variables and their start values, from the values file that "Apply" wrote.
  std::vector<NamedValue> inputs = readValues(work / "InputValues.txt");
  std::vector<int> properties;
  for (const NamedValue& input : inputs) {
    if (auto property = trailingId(input.name, "AtProp")) {
      result.areaNames.push_back(input.name);
      result.finalAreas.push_back(input.value);
      properties.push_back(*property);
    }
  }
  if (result.areaNames.empty()) throw LoopError("InputValues.txt names no property variable (...AtProp<N>)");
  // Members in property order, so that reports read 1, 2, ... 10 rather than in name order.
  std::vector<std::size_t> order(properties.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return properties[a] < properties[b]; });
  auto reorder = [&](auto& values) {
    auto copy = values;
    for (std::size_t i = 0; i < order.size(); ++i) values[i] = copy[order[i]];
  };
  reorder(result.areaNames);
  reorder(result.finalAreas);
  reorder(properties);
  std::string command = solverCommand(work);
  std::vector<double> areas = result.finalAreas;

  for (int number = 1; number <= options.maxIterations; ++number) {
    Iteration iteration;
    iteration.number = number;
    iteration.areas = areas;

    support::TextFileWriter values(work / "InputValues.txt");
    for (std::size_t i = 0; i < areas.size(); ++i) {
      values.writeLine(result.areaNames[i] + "  " + support::formatNumber(areas[i]));
    }
    values.commit();

    auto start = std::chrono::steady_clock::now();
    run("Modprep", runProgram((options.binFolder / "Modprep").string(), {work.string()}, work));
    iteration.modprepSeconds = secondsSince(start);
    start = std::chrono::steady_clock::now();
    run("The solver command \"" + command + "\"", runShellCommand(command, work, options.binFolder));
    iteration.solverSeconds = secondsSince(start);
    start = std::chrono::steady_clock::now();
    run("Respull", runProgram((options.binFolder / "Respull").string(), {work.string()}, work));
    iteration.respullSeconds = secondsSince(start);

    std::map<std::string, double> outputs;
    std::map<int, double> stressOfElement;
    for (const NamedValue& output : readValues(work / "OutputValues.txt")) {
      outputs[output.name] = output.value;
      if (auto element = trailingId(output.name, "AtElem")) stressOfElement[*element] = output.value;
    }
    auto weight = outputs.find("TotalMass");
    if (weight == outputs.end()) throw LoopError("OutputValues.txt has no TotalMass");
    iteration.weight = weight->second;

    std::vector<double> resized(areas.size());
    for (std::size_t i = 0; i < areas.size(); ++i) {
      auto stress = stressOfElement.find(properties[i]);
      if (stress == stressOfElement.end()) {
        throw LoopError("OutputValues.txt has no stress of element " + std::to_string(properties[i]) + " for " +
                        result.areaNames[i]);
      }
      double ratio = std::abs(stress->second) / options.stressLimit;
      iteration.largestStressRatio = std::max(iteration.largestStressRatio, ratio);
      resized[i] = std::max(options.minimumArea, areas[i] * ratio);
      iteration.largestChange = std::max(iteration.largestChange, std::abs(resized[i] - areas[i]) / areas[i]);
    }
    result.history.push_back(iteration);
    onIteration(iteration);
    areas = resized;
    result.finalAreas = areas;
    if (iteration.largestChange < options.tolerance) {
      result.converged = true;
      break;
    }
  }
  return result;
}

}  // namespace fsd
