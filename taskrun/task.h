#pragma once
// The task that "Apply" writes, as taskrun runs it: the input parameters and their start
// values, the output parameters, the programs of one evaluation in their order, the
// optimisation the task describes and where run data is kept. Built from the block tree of
// the description file; anything taskrun cannot run is an error naming its line.

#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "taskrun/block_file.h"

namespace taskrun {

struct InputParameter {
  std::string name;
  double initialValue = 0;
  std::size_t line = 0;
};

struct OutputParameter {
  std::string name;
  std::size_t line = 0;
};

struct Bounds {
  std::optional<double> lower, upper;
};

// A time limit as written ("5m") and in seconds.
struct TimeLimit {
  double seconds = 0;
  std::string text;
};

struct ScriptLine {
  std::string text;
  std::size_t line = 0;
};

// One program of an evaluation: a SimCode of the task process.
struct Step {
  std::string name;  // the SimCode's name ("Modprep", "Nastran", "Respull")
  std::size_t line = 0;
  std::optional<std::string> program;  // "Program:", as written ("Modprep.exe")
  std::vector<ScriptLine> script;      // the "Script" lines, when the step is a script
  std::vector<int> returnCodes;        // exit statuses that count as success; empty: only 0
  std::optional<TimeLimit> elapseTime;
  std::vector<std::string> writesBefore;  // files written with the design's values before it runs
  std::vector<std::string> readsAfter;    // files read for the outputs after it ran

  bool succeeded(int exitStatus) const;
};

struct OutputConstraint {
  std::string name;
  Bounds bounds;
  std::size_t line = 0;
};

// One step of an optimisation plan: its technique and options as written.
struct PlanStep {
  std::string name;
  std::string technique;
  std::map<std::string, std::string> options;
  std::map<std::string, std::size_t> optionLines;
  std::size_t line = 0;
};

struct OptimizePlan {
  std::string name;
  std::vector<PlanStep> steps;
  std::vector<std::string> control;  // the steps or plans it runs, in order
  std::size_t line = 0;
};

struct DataStorage {
  std::string dataLog;                // file name of the database
  bool overwrite = true;              // "Mode: overwrite" (else the log is kept)
  std::optional<std::string> lookUp;  // "DataLookUp": designs already run are taken from it
  std::size_t line = 0;
};

struct Task {
  std::filesystem::path file;
  std::vector<InputParameter> inputs;
  std::vector<OutputParameter> outputs;
  std::vector<Step> process;  // in the order of the task process

  std::vector<std::string> variables;  // "Variables:", in the file's order
  std::map<std::string, Bounds> inputBounds;  // "InputConstraints"
  std::vector<OutputConstraint> outputConstraints;
  std::vector<OptimizePlan> plans;
  std::vector<std::string> taskPlan;  // the task plan's "Control"
  DataStorage storage;

  // The index of an input or output by name. Found through an index of the names once
  // indexNames() has seen the current lists, else by going through them.
  std::optional<std::size_t> inputIndex(std::string_view name) const;
  std::optional<std::size_t> outputIndex(std::string_view name) const;
  void indexNames();
  // The plan step the task itself asks for: the first step reached from the task plan, or,
  // when the plans it names are left to be configured (empty), the first plan that has
  // steps. nullopt when the task has none.
  const PlanStep* ownPlanStep() const;

 private:
  std::unordered_map<std::string, std::size_t> inputIndexOf_, outputIndexOf_;
};

// Builds the task from the description file's tree; throws TaskFileError.
Task taskFromBlocks(const BlockFile& file);
// Reads and builds; throws TaskFileError.
Task readTask(const std::filesystem::path& path);

// "5m", "30s", "2h", "1d" or a plain number of seconds.
std::optional<double> parseTimeLimit(std::string_view text);

}  // namespace taskrun
