// Modprep and Respull on generated models, against the simulated FEMAP's own work on the same
// files: Modprep (N records on a model of N entities) against loading and saving that model,
// Respull (M output records) against loading the model and reading a results file of M
// values. Both at a small and a large size, with the growth between them. A run of either
// program that fails stops the benchmark with its reason: a failed run measures nothing.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>

#include <unistd.h>

#include "femapsim/application.h"
#include "femapsim/registration.h"
#include "modprep/modprep_run.h"
#include "respull/respull_run.h"

namespace {

namespace fs = std::filesystem;

void writeFile(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// A program run that failed: its log's last error line says why.
[[noreturn]] void failedRun(const char* program, const fs::path& log) {
  std::ifstream file(log, std::ios::binary);
  std::string line, lastError;
  while (std::getline(file, line)) {
    if (line.rfind("ERROR:", 0) == 0) lastError = line;
  }
  if (!lastError.empty() && lastError.back() == '\r') lastError.pop_back();
  throw std::runtime_error(std::string(program) + " run failed" + (lastError.empty() ? "" : ": " + lastError) +
                           " (log " + log.string() + ")");
}

// Best of `repetitions` timings of `work`; `prepare` runs untimed before each.
double bestSeconds(int repetitions, const std::function<void()>& prepare,
                   const std::function<void()>& work) {
  double best = 1e300;
  for (int i = 0; i < repetitions; ++i) {
    prepare();
    auto start = std::chrono::steady_clock::now();
    work();
    std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    best = std::min(best, elapsed.count());
  }
  return best;
}

// A plate mesh of at most `entities` nodes, quadrilaterals, properties, one material and one
// load set; the counts of each come back.
std::string generatedModel(int entities, int& nodes, int& elements, int& properties) {
  int side = 1;
  auto total = [](int n) { return (n + 1) * (n + 1) + n * n + n * n / 100 + 2; };
  while (total(side + 1) <= entities) ++side;
  nodes = (side + 1) * (side + 1);
  elements = side * side;
  properties = elements / 100 + 1;
  std::string text =
      "FEMAPSIM 1\nmodel title=\"generated\" activeLoadSet=1\n"
      "matl 1 title=\"Steel\" Ex=210000 Nuxy=0.3 Density=7.85e-09\n";
  for (int p = 1; p <= properties; ++p) {
    text += "prop " + std::to_string(p) + " type=17 title=\"Plate " + std::to_string(p) +
            "\" matlID=1 pval=" + std::to_string(1.0 + p * 0.001) + "\n";
  }
  for (int i = 0; i <= side; ++i) {
    for (int j = 0; j <= side; ++j) {
      text += "node " + std::to_string(i * (side + 1) + j + 1) +
              " x=" + std::to_string(j * 10.125) + " y=" + std::to_string(i * 10.375) + " z=0\n";
    }
  }
  auto node = [&](int i, int j) { return std::to_string(i * (side + 1) + j + 1); };
  int element = 1;
  for (int i = 0; i < side; ++i) {
    for (int j = 0; j < side; ++j, ++element) {
      text += "elem " + std::to_string(element) +
              " type=17 topology=4 propID=" + std::to_string(element / 100 + 1) +
              " node=" + node(i, j) + "," + node(i, j + 1) + "," + node(i + 1, j + 1) + "," +
              node(i + 1, j) + "\n";
    }
  }
  text += "loadset 1 title=\"Load case 1\"\n";
  return text;
}

struct Timing {
  int size = 0;
  double program = 0;
  double simulator = 0;
};

// Modprep with one record per node, element and property.
Timing timeModprep(int entities, const fs::path& folder) {
  int nodes = 0, elements = 0, properties = 0;
  const std::string model = generatedModel(entities, nodes, elements, properties);
  std::string exchange =
      "Reference Model (FEMAP) = model.mod\r\nInput Deck (NastranNX) = model.dat\r\n"
      "NameValue = InputValues.txt\r\n";
  std::string values;
  auto add = [&](const std::string& kind, int id, const std::string& member,
                 const std::string& index) {
    std::string name = kind + std::to_string(id);
    exchange +=
        kind + "  " + name + "  " + std::to_string(id) + "  " + member + "  " + index + "\r\n";
    values += name + "  " + std::to_string(id * 0.5 + 1) + "\r\n";
  };
  for (int id = 1; id <= nodes; ++id) add("Node", id, "z", "");
  for (int id = 1; id <= elements; ++id) add("Elem", id, "MaterialAngle", "");
  for (int id = 1; id <= properties; ++id) add("Prop", id, "pval", "0");
  writeFile(folder / "Modprep.txt", exchange);
  writeFile(folder / "InputValues.txt", values);
  writeFile(folder / "FunctionsInputvalues.txt", "");  // "Apply" writes it even without functions
  // A fresh model file, and no FEMAP left over from the run before (one the program started
  // goes when the program ends).
  auto restore = [&] {
    writeFile(folder / "model.mod", model);
    femapsim::stopRunningApplication();
  };

  Timing timing{nodes + elements + properties, 0, 0};  // records; the model holds two entities more
  timing.program = bestSeconds(5, restore, [&] {
    if (modprep::ModprepRun(folder.string()).run() != 0) failedRun("Modprep", folder / "inputExeLogs.log");
  });
  timing.simulator = bestSeconds(5, restore, [&] {
    auto femap = std::make_shared<femapsim::Application>();
    femap->openModel(folder / "model.mod");
    femap->saveModel();
  });
  return timing;
}

// Respull with one output record per value of a displacement vector at every node.
Timing timeRespull(int values, const fs::path& folder) {
  int nodes = 0, elements = 0, properties = 0;
  const std::string model = generatedModel(values, nodes, elements, properties);
  std::string entities, numbers,
      exchange =
          "Reference Model (FEMAP) = model.mod\r\n"
          "Results File (NastranNX) = model.op2\r\n"
          "OutputNameValue = OutputValues.txt\r\n";
  for (int id = 1; id <= values; ++id) {
    entities += (id > 1 ? "," : "") + std::to_string(id);
    numbers += (id > 1 ? "," : "") + std::to_string(id * 1e-6);
    exchange += "Output  D" + std::to_string(id) + "  " + std::to_string(id) + "  1\r\n";
  }
  writeFile(
      folder / "model.op2",
      "FEMAPSIM 1\noutset 1 title=\"run\"\noutvec 1 setID=1 title=\"Total Translation\" entity=" +
          entities + " value=" + numbers + "\n");
  writeFile(folder / "Respull.txt", exchange);
  // A fresh model file, and no FEMAP left over from the run before (one the program started
  // goes when the program ends).
  auto restore = [&] {
    writeFile(folder / "model.mod", model);
    femapsim::stopRunningApplication();
  };

  Timing timing{values, 0, 0};
  timing.program = bestSeconds(5, restore, [&] {
    if (respull::RespullRun(folder.string()).run() != 0) failedRun("Respull", folder / "outputExeLogs.log");
  });
  timing.simulator = bestSeconds(5, restore, [&] {
    auto femap = std::make_shared<femapsim::Application>();
    femap->openModel(folder / "model.mod");
    femap->readResults(folder / "model.op2");
  });
  return timing;
}

void report(const char* program, const char* baseline, const Timing& small, const Timing& large,
            double linear, double growthTarget) {
  for (const Timing& t : {small, large}) {
    std::printf("%s %7d: %8.1f ms; %s %8.1f ms; ratio %.2f\n", program, t.size, t.program * 1e3,
                baseline, t.simulator * 1e3, t.program / t.simulator);
  }
  std::printf(
      "%s ratio at %d: %.2f (target at most 1.5); growth %d/%d: %.1f (linear %.1f, target at most "
      "%.0f)\n",
      program, large.size, large.program / large.simulator, large.size, small.size,
      large.program / small.program, linear, growthTarget);
}

}  // namespace

int main() {
  femapsim::registerFemapSim();
  // A folder of this run's own: others may run the benchmark on the same machine.
  const fs::path folder = fs::temp_directory_path() / ("runtime-bench-" + std::to_string(getpid()));
  fs::create_directories(folder);
  Timing modprepSmall, modprepLarge, respullSmall, respullLarge;
  try {
    modprepSmall = timeModprep(1000, folder);
    modprepLarge = timeModprep(32767, folder);
    respullSmall = timeRespull(1000, folder);
    respullLarge = timeRespull(100000, folder);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "runtime_bench: %s\n", failure.what());
    return 1;  // the folder stays for its logs
  }
  fs::remove_all(folder);
  report("Modprep", "load + save", modprepSmall, modprepLarge,
         static_cast<double>(modprepLarge.size) / modprepSmall.size, 40);
  report("Respull", "load + results read", respullSmall, respullLarge,
         static_cast<double>(respullLarge.size) / respullSmall.size, 120);
  return 0;
}
