// "Apply" with 32,767 input rows and 100,000 output rows, for the PIDO tools Corvane and Tavro,
// against writing the same bytes with one buffered write per file. The pane runs headless on
// the simulated FEMAP with its log off; the rows come from the saved selection, restored at
// start-up (not timed). Measured: the project files alone (the generation), and the whole
// "Apply", which also saves the selection; each against writing its bytes. Also at a tenth of
// the size, for the growth. Times are processor time (user and system), the best of several
// turns.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "femapsim/application.h"
#include "femapsim/registration.h"
#include "generate/generate.h"
#include "pane/corvane_femap_interface.h"
#include "support/text_file.h"
#include "ui/headless_windows.h"

namespace {

namespace fs = std::filesystem;

class Generation : public pane::PaneSubsystems {
 public:
  explicit Generation(std::string tool) : tool_(std::move(tool)) {}
  void writeProjectFiles(pane::CorvaneFemapInterface& pane, const std::string&) override {
    generate::writeProjectFiles(pane, tool_);
  }

 private:
  std::string tool_;
};

// A saved selection of every input kind (a few function rows among them) and every output kind.
std::string savedSelection(int inputs, int outputs) {
  std::string text;
  text.reserve(static_cast<std::size_t>(inputs) * 48 + static_cast<std::size_t>(outputs) * 48);
  for (int k = 1; k <= inputs; ++k) {
    const std::string id = std::to_string(k);
    switch (k % 5) {
      case 0:
        text += "ThicknessAtProp" + id + "\t1.25\tProp\t" + id + "\tpval\t0";
        break;
      case 1:
        text += "XAtNode" + id + "\t" + std::to_string(k * 0.5) + "\tNode\t" + id + "\tx\t";
        break;
      case 2:
        text += "ExAtMatl" + id + "\t210000\tMatl\t" + id + "\tEx\t";
        break;
      case 3:
        text += "EdgeLoad_" + id + "_Fx\t-100\tLoadMesh\t" + id + "\t0\t0";
        break;
      default:
        if (k % 1000 == 4) {
          text += "Curve " + id + "\tX-Y Values\tFunction\t" + std::to_string(k % 2 + 1) + "\t\t";
        } else {
          text += "MaterialAngleAtElem" + id + "\t0\tElem\t" + id + "\tMaterialAngle\t";
        }
    }
    text += "\r\n";
  }
  text += "\r\n";
  for (int k = 1; k <= outputs; ++k) {
    const std::string id = std::to_string(k);
    switch (k % 4) {
      case 0:
        text += "TotalTrans1AtNode" + id + "\t0.0031\t" + id + "\t1\tOutput";
        break;
      case 1:
        text += "PlateVonMi7033AtElem" + id + "\t21.5\t" + id + "\t7033\tOutput";
        break;
      case 2:
        text += "ElemStress" + id + "MaxAtElem7033\t12.5\t7033 \t7033\tmaxval";
        break;
      default:
        text += "TotalCG" + id + "\t10\tTotalCG\t0\tMassProperties";
    }
    text += "\r\n";
  }
  return text;
}

// The model only needs the functions that the function rows name.
constexpr int kRepetitions = 9;

constexpr const char* kModel =
    "FEMAPSIM 1\n"
    "model title=\"bench\"\n"
    "func 1 title=\"Temperature curve\" type=1 x=0,1,2 y=20,30,45\n"
    "func 2 title=\"Scale factor\" type=1 x=0,10 y=-1.5,0.00001\n";

struct Timing {
  double generation = 1e300;  // the project files (writeProjectFiles)
  double apply = 1e300;       // the whole "Apply": the project files and the saved selection
  double generationBaseline = 1e300;  // the project files' bytes, one buffered write per file
  double applyBaseline = 1e300;       // every file's bytes, one buffered write per file
  std::size_t files = 0;
  std::size_t bytes = 0;
  std::size_t generationBytes = 0;
};

// Seconds of processor time (user and system) of this process, which other processes on the
// machine disturb less than the clock on the wall.
double processorSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

template <class Work>
double processorSecondsOf(Work&& work) {
  const double start = processorSeconds();
  work();
  return processorSeconds() - start;
}

Timing timeApply(const std::string& tool, int inputs, int outputs, const fs::path& root) {
  const fs::path folder = root / (tool + "-" + std::to_string(inputs));
  fs::remove_all(folder);
  fs::create_directories(folder / "model");
  fs::create_directories(folder / "baseline");
  support::writeFileAtomically(folder / "model/plate.mod", kModel);
  support::writeFileAtomically(folder / "model/plateControl.txt", savedSelection(inputs, outputs));

  femapsim::startRunningApplication();
  ui::HeadlessWindows windows;
  Generation generation(tool);
  Timing timing;
  {
    pane::CorvaneFemapInterface pane(windows, generation);
    pane.start((folder / "model/plate.mod").string() + "$bench.log$NOTHING");
    pane.form().GenerateButton.click();  // the files exist from here on, as after any "Apply"

    std::map<std::string, std::string> written;
    for (const auto& entry : fs::directory_iterator(folder / "model")) {
      if (entry.path().filename() == "plate.mod") continue;
      written[entry.path().filename().string()] = support::readWholeFile(entry.path());
      timing.bytes += written.rbegin()->second.size();
    }
    timing.files = written.size();
    auto writeBaseline = [&](bool withSavedSelection) {
      for (const auto& [name, content] : written) {
        if (!withSavedSelection && name == "plateControl.txt") continue;
        std::ofstream file(folder / "baseline" / name, std::ios::binary | std::ios::trunc);
        file.write(content.data(), static_cast<std::streamsize>(content.size()));
      }
    };
    timing.generationBytes = timing.bytes - written["plateControl.txt"].size();
    writeBaseline(true);
    // Taken in turns, so that all see the same load of the machine; the best of each counts.
    for (int repetition = 0; repetition < kRepetitions; ++repetition) {
      timing.apply =
          std::min(timing.apply, processorSecondsOf([&] { pane.form().GenerateButton.click(); }));
      timing.applyBaseline =
          std::min(timing.applyBaseline, processorSecondsOf([&] { writeBaseline(true); }));
      timing.generation = std::min(
          timing.generation, processorSecondsOf([&] { generate::writeProjectFiles(pane, tool); }));
      timing.generationBaseline =
          std::min(timing.generationBaseline, processorSecondsOf([&] { writeBaseline(false); }));
    }
    pane.close();
  }
  femapsim::stopRunningApplication();
  fs::remove_all(folder);
  return timing;
}

void report(const std::string& tool, int inputs, int outputs, const Timing& t) {
  std::printf(
      "%-7s %5d inputs %6d outputs: project files %6.1f ms, %5.1f MB in one write each "
      "%6.1f ms, ratio %.2f; whole Apply %6.1f ms, %zu files %5.1f MB %6.1f ms, ratio %.2f\n",
      tool.c_str(), inputs, outputs, t.generation * 1e3, t.generationBytes / 1e6,
      t.generationBaseline * 1e3, t.generation / t.generationBaseline, t.apply * 1e3, t.files,
      t.bytes / 1e6, t.applyBaseline * 1e3, t.apply / t.applyBaseline);
}

}  // namespace

int main() {
  femapsim::registerFemapSim();
  const fs::path root = fs::temp_directory_path() / "generate-bench";
  for (const std::string tool : {"Corvane", "Tavro"}) {
    const Timing small = timeApply(tool, 3276, 10000, root);
    const Timing large = timeApply(tool, 32767, 100000, root);
    report(tool, 3276, 10000, small);
    report(tool, 32767, 100000, large);
    std::printf("%-7s growth of the project files for ten times the rows: %.1f (linear: 10)\n",
                tool.c_str(), large.generation / small.generation);
  }
  fs::remove_all(root);
  return 0;
}
