#pragma once
// taskrun TASKFILE [STUDYFILE] [--resume | --overwrite] [--workers N] [--launcher local|slurm]
//
// Reads the task and the study, checks that everything the evaluations need is there, then
// runs the plan. Exit status: 0 when the plan ended normally (converged, or its budget spent)
// with a feasible best design, 1 when it failed or found no feasible design, 2 when the command
// line, the task, the study or their surroundings are wrong, or the study folder is not to be
// had (nothing was started), 130 when interrupted (running steps killed, the data log
// consistent: --resume goes on from there).

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "taskrun/process.h"
#include "taskrun/study.h"

namespace taskrun {

struct RunOptions {
  std::filesystem::path taskFile;
  std::optional<std::filesystem::path> studyFile;
  bool resume = false;     // an earlier study in the folder goes on
  bool overwrite = false;  // an earlier study in the folder is removed first
  std::optional<int> workers;
  std::optional<LauncherKind> launcher;
};

// Parses the arguments (without the program name); nullopt and a message in `error` when wrong.
std::optional<RunOptions> parseArguments(const std::vector<std::string>& arguments, std::string& error);

constexpr int kExitOk = 0, kExitFailed = 1, kExitUsage = 2, kExitInterrupted = 130;

// Runs the study; progress and the summary go to `out`, errors to `err`. `programFolder` is
// where the programs of the task are looked for first.
int runStudy(const RunOptions& options, const std::filesystem::path& programFolder, Interruption& interruption,
             std::ostream& out, std::ostream& err);

// The whole program: arguments, signals, run.
int taskrunMain(int argc, char** argv);

}  // namespace taskrun
