// fsd-loop WORK_FOLDER [--bin FOLDER] [--quiet]: the demo's optimisation tool. Prints one line
// per iteration and the final areas, and writes history.csv and convergence.svg into the work
// folder. Exit 0 when the design converged.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "fsd/fsd_loop.h"
#include "fsd/history.h"

int main(int argc, char** argv) {
  fsd::Options options;
  bool quiet = false;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (argument == "--bin" && i + 1 < argc) {
      options.binFolder = argv[++i];
    } else if (argument == "--quiet") {
      quiet = true;
    } else if (options.workFolder.empty()) {
      options.workFolder = argument;
    } else {
      std::fprintf(stderr, "usage: fsd-loop WORK_FOLDER [--bin FOLDER] [--quiet]\n");
      return 2;
    }
  }
  if (options.workFolder.empty()) {
    std::fprintf(stderr, "usage: fsd-loop WORK_FOLDER [--bin FOLDER] [--quiet]\n");
    return 2;
  }
  options.workFolder = std::filesystem::absolute(options.workFolder).lexically_normal();
  if (options.binFolder.empty()) options.binFolder = std::filesystem::absolute(argv[0]).parent_path();
  options.binFolder = std::filesystem::absolute(options.binFolder).lexically_normal();

  if (!quiet) std::printf("%9s %14s %14s\n", "iteration", "weight (lb)", "stress ratio");
  fsd::Result result;
  try {
    result = fsd::runFullyStressedDesign(options, [&](const fsd::Iteration& iteration) {
      if (!quiet) {
        std::printf("%9d %14.4f %14.6f\n", iteration.number, iteration.weight, iteration.largestStressRatio);
        std::fflush(stdout);
      }
    });
    fsd::writeHistoryCsv(result, options.workFolder / "history.csv");
    fsd::writeConvergenceSvg(result, options.workFolder / "convergence.svg");
  } catch (const std::exception& error) {
    std::fprintf(stderr, "fsd-loop: %s\n", error.what());
    return 1;
  }
  double modprep = 0, solver = 0, respull = 0;
  for (const fsd::Iteration& iteration : result.history) {
    modprep += iteration.modprepSeconds;
    solver += iteration.solverSeconds;
    respull += iteration.respullSeconds;
  }
  std::size_t count = result.history.size();
  std::printf("%s after %zu iterations; final areas (in^2):\n", result.converged ? "Converged" : "Not converged", count);
  for (std::size_t i = 0; i < result.areaNames.size(); ++i) {
    std::printf("  %-24s %.4f\n", result.areaNames[i].c_str(), result.finalAreas[i]);
  }
  if (count > 0) {
    std::printf("Weight %.2f lb. Mean time per iteration: Modprep %.1f ms, solver %.1f ms, Respull %.1f ms\n",
                result.history.back().weight, 1e3 * modprep / count, 1e3 * solver / count, 1e3 * respull / count);
  }
  std::printf("History: %s, plot: %s\n", (options.workFolder / "history.csv").c_str(),
              (options.workFolder / "convergence.svg").c_str());
  return result.converged ? 0 : 1;
}
