// Adding picked variables to a list that already holds as many: n new entity input variables
// into an input list of n rows, half of them replacing rows of the same name, and the same for
// output variables (one vector at n nodes). Prints the time for n = 1,000 and n = 10,000 and
// their ratio (10 for linear growth; the duplicate check must not make it quadratic). Times
// are the best processor times of the thread over several runs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "femapsim/application.h"
#include "femapsim/registration.h"
#include "inputs/inputs.h"
#include "outputs/outputs.h"
#include "pane/corvane_femap_interface.h"
#include "pane/text_collection.h"
#include "ui/headless_windows.h"

namespace {

// Nodes 1 to 1.5 n, and vector 1 with a value at each.
std::string generatedModel(int nodes) {
  std::string text = "FEMAPSIM 1\nmodel title=\"generated\" activeOutputSet=1\n";
  std::string entities, values;
  for (int id = 1; id <= nodes; ++id) {
    text += "node " + std::to_string(id) + " x=" + std::to_string(id * 0.5) + " y=0 z=0\n";
    if (id > 1) {
      entities += ',';
      values += ',';
    }
    entities += std::to_string(id);
    values += std::to_string(id * 0.001);
  }
  text +=
      "outset 1 title=\"Case 1\"\noutvec 1 setID=1 title=\"Total Translation\" entity=" + entities +
      " value=" + values + "\n";
  return text;
}

// The list's rows before the update: variables of nodes 1 to n, sorted by name.
std::vector<ui::Grid::Row> existingRows(int n, bool outputs) {
  std::vector<ui::Grid::Row> rows;
  for (int id = 1; id <= n; ++id) {
    const std::string node = std::to_string(id);
    if (outputs) {
      rows.push_back({"TotalTrans1AtNode" + node, "0", node, "1", "Output"});
    } else {
      rows.push_back({"xAtNode" + node, "0", "Node", node, "x", ""});
    }
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

// The processor time of this thread: on a machine shared with other work, time the thread
// waited for a processor does not count.
double threadSeconds() {
#if defined(CLOCK_THREAD_CPUTIME_ID)
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
#else
  // Without a thread clock: wall-clock time.
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
#endif
}

struct Timing {
  double inputs = 1e300;
  double outputs = 1e300;
};

// One list size: the picked nodes (n/2 + 1 to 1.5 n) and the rows the lists hold before.
struct Case {
  Case(const pane::CorvaneFemapInterface& pane, int n)
      : n(n),
        set(pane.femap().feSet()),
        inputRows(existingRows(n, false)),
        outputRows(existingRows(n, true)) {
    for (int id = n / 2 + 1; id <= n / 2 + n; ++id) set.object().call("Add", id);
  }
  int n;
  femap::Set set;
  std::vector<ui::Grid::Row> inputRows, outputRows;
  Timing best;
};

// n new variables into a list of n; keeps the best time of each kind.
void measure(pane::CorvaneFemapInterface& pane, Case& c) {
  static pane::TextCollection names, members, indexes, vectors;
  if (names.empty()) {
    names.add("x");
    members.add("x", "x");
    vectors.add("1 ");
  }
  pane.form().InputsList.setDataRows(c.inputRows);
  pane.form().OutputsList.setDataRows(c.outputRows);
  const double start = threadSeconds();
  inputs::UpdateInputList(pane, "Node", c.set, names, members, indexes, -1);
  const double middle = threadSeconds();
  outputs::UpdateOutputList(pane, "Node", &c.set, vectors, -1);
  const double end = threadSeconds();
  c.best.inputs = std::min(c.best.inputs, middle - start);
  c.best.outputs = std::min(c.best.outputs, end - middle);
  const int expected = 1 + c.n + c.n / 2;
  if (pane.form().InputsList.rowCount() != expected ||
      pane.form().OutputsList.rowCount() != expected) {
    std::printf("unexpected row count\n");
  }
}

}  // namespace

int main(int argc, char** argv) {
  // An optional argument names the log level (default: no log).
  const std::string level = argc > 1 ? argv[1] : "NOTHING";
  const auto folder = std::filesystem::temp_directory_path() / "corvane-selection-bench";
  std::filesystem::create_directories(folder);
  const auto model = folder / "generated.mod";
  std::ofstream(model, std::ios::binary) << generatedModel(15000);

  femapsim::registerFemapSim();
  femapsim::startRunningApplication();
  ui::HeadlessWindows windows;
  pane::PaneSubsystems subsystems;
  {
    pane::CorvaneFemapInterface pane(windows, subsystems);
    if (!pane.start(model.string() + "$selection-bench.log$" + level)) return 1;
    std::printf("log level %s; n new variables into a list of n, half of them replacing rows\n",
                level.c_str());
    Case one(pane, 1000), ten(pane, 10000);
    for (int repetition = 0; repetition < 50; ++repetition) measure(pane, one);
    for (int repetition = 0; repetition < 10; ++repetition) measure(pane, ten);
    std::printf("inputs:  n = 1,000: %8.2f ms   n = 10,000: %8.2f ms   ratio %5.1f\n",
                one.best.inputs * 1e3, ten.best.inputs * 1e3, ten.best.inputs / one.best.inputs);
    std::printf("outputs: n = 1,000: %8.2f ms   n = 10,000: %8.2f ms   ratio %5.1f\n",
                one.best.outputs * 1e3, ten.best.outputs * 1e3,
                ten.best.outputs / one.best.outputs);
  }
  femapsim::stopRunningApplication();
  std::filesystem::remove_all(folder);
  return 0;
}
