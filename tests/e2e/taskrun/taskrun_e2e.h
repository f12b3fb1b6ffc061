#pragma once
// taskrun as a real process on tasks whose programs are small shell stand-ins written by the
// test: the description file in the layout "Apply" writes, the stand-ins, running taskrun,
// and reading back its data log and summary.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <chrono>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "support/strings.h"
#include "support/text_file.h"
#include "testing/shell_command.h"
#include "testing/sqlite_query.h"
#include "testing/temp_dir.h"

namespace taskrun_e2e {

namespace fs = std::filesystem;

struct Bound {
  std::string name;
  std::optional<double> lower, upper;
};

// A task as the description file states it.
struct TaskSpec {
  std::vector<std::pair<std::string, double>> inputs;
  std::vector<std::string> outputs;
  std::string modprep = "/bin/true";  // "Program:" of the first step
  std::string respull = "/bin/true";  // "Program:" of the last step
  std::vector<std::string> script;    // the solver step's lines
  std::string solverTime = "5m";
  std::string programTime = "5m";
  std::vector<std::string> variables;
  std::vector<Bound> inputBounds;
  std::vector<Bound> outputConstraints;
  int simulations = 100;
};

inline std::string number(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

inline std::string descriptionFile(const TaskSpec& task) {
  std::vector<std::string> lines{"TQDLVersion: 9.0", "CompilerOptions: warn", "", "Task Task1", "", "    Inputs Task1"};
  for (const auto& [name, value] : task.inputs) {
    lines.push_back("        Parameter: " + name + " Type: real InitialValue: " + number(value));
  }
  lines.insert(lines.end(), {"    End Inputs Task1", "", "    Outputs Task1"});
  for (const std::string& name : task.outputs) lines.push_back("        Parameter: " + name + " Type: real");
  lines.insert(lines.end(), {"    End Outputs Task1", "", "    SimCode Modprep", "        InputFiles Modprep",
                             "            FileDescription InputValuestxt", "                FileType: fastparse",
                             "                TemplateFile: \"InputValues.txt.template\"",
                             "                InputFile: \"InputValues.txt\"", "            End FileDescription InputValuestxt",
                             "        End InputFiles Modprep", "", "        SimCodeProcess Modprep",
                             "            Program: \"" + task.modprep + "\"", "            ElapseTime: " + task.programTime,
                             "            Prologue", "                WriteInputSpecs: InputValuestxt",
                             "        End SimCodeProcess Modprep", "", "    End SimCode Modprep", "", "    SimCode Nastran",
                             "        SimCodeProcess Nastran", "            ScriptLanguage: DOSBatch", "            Script"});
  for (const std::string& line : task.script) lines.push_back("                " + line);
  lines.insert(lines.end(), {"            End Script", "            ReturnCodes: 0", "                         1",
                             "            ElapseTime: " + task.solverTime, "            Execution: \"$Program\"",
                             "        End SimCodeProcess Nastran", "    End SimCode Nastran", "", "    SimCode Respull",
                             "        OutputFiles Respull", "            FileDescription OutputValuestxt",
                             "                FileType: fastparse", "                OutputFile: \"OutputValues.txt\"",
                             "            End FileDescription OutputValuestxt", "        End OutputFiles Respull",
                             "        SimCodeProcess Respull", "            Program: \"" + task.respull + "\"",
                             "            ElapseTime: " + task.programTime, "            Epilogue",
                             "                ReadOutputSpecs: OutputValuestxt", "        End SimCodeProcess Respull",
                             "    End SimCode Respull", "", "    TaskProcess Task1", "        Control: [",
                             "            Modprep", "            Nastran", "            Respull", "        ]",
                             "    End TaskProcess Task1", "", "    Optimization Task1", "        Variables:"});
  for (const std::string& name : task.variables) lines.push_back("            " + name);
  auto bounds = [](const Bound& bound) {
    std::string text;
    if (bound.lower) text += " LowerBound: " + number(*bound.lower);
    if (bound.upper) text += " UpperBound: " + number(*bound.upper);
    return text;
  };
  lines.push_back("        InputConstraints");
  for (const Bound& bound : task.inputBounds) lines.push_back("            Parameter: " + bound.name + bounds(bound));
  lines.push_back("        OutputConstraints");
  for (const Bound& bound : task.outputConstraints) lines.push_back("            Parameter: " + bound.name + bounds(bound));
  lines.insert(lines.end(), {"", "        OptimizePlan StressRatio", "            OptimizeStep Step1",
                             "                Technique: \"Stress Ratio Optimizer\"", "                Options",
                             "                    Simulations: " + std::to_string(task.simulations),
                             "                    Matching: sequentially", "            Control: [", "                Step1",
                             "            ]", "    End Optimization Task1", "", "    TaskPlan Task1", "        Control: [",
                             "            StressRatio", "        ]", "    End TaskPlan Task1", "", "    DataStorage Task1",
                             "        DataLog: \"Task1.db\" Mode: overwrite", "        DataLookUp: \"Task1.db\"",
                             "        MatchMode: Exact", "    End DataStorage Task1", "", "End Task Task1"});
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// Writes an executable shell script.
inline fs::path writeScript(const fs::path& file, const std::string& body) {
  support::writeFileAtomically(file, "#!/bin/sh\n" + body);
  fs::permissions(file, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
  return file;
}

using testing_support::shellQuoted;
using TaskrunRun = testing_support::CommandResult;

// Runs taskrun with `arguments` in `folder`; `environment` entries go in front.
inline TaskrunRun runTaskrun(const fs::path& folder, const std::vector<std::string>& arguments,
                      const std::map<std::string, std::string>& environment = {}) {
  std::string command = "cd " + shellQuoted(folder.string()) + " && env -u FEMAPSIM_ATTACH";
  for (const auto& [name, value] : environment) command += " " + name + "=" + shellQuoted(value);
  command += " " + shellQuoted(TASKRUN_PATH);
  for (const std::string& argument : arguments) command += " " + shellQuoted(argument);
  command += " 2>&1";
  return testing_support::runShellCommand(command);
}

// The first line of a text, without its line end.
inline std::string firstLine(const std::string& text) { return text.substr(0, text.find_first_of("\r\n")); }

// Starts taskrun with `arguments` in `folder` in the background, its output going to
// `outputFile`; returns its process number.
inline std::string startTaskrun(const fs::path& folder, const std::vector<std::string>& arguments, const fs::path& outputFile) {
  std::string command = "cd " + shellQuoted(folder.string()) + " && exec env -u FEMAPSIM_ATTACH " + shellQuoted(TASKRUN_PATH);
  for (const std::string& argument : arguments) command += " " + shellQuoted(argument);
  TaskrunRun started = testing_support::runShellCommand("(" + command + ") > " + shellQuoted(outputFile.string()) +
                                                        " 2>&1 & echo $!");
  return firstLine(started.output);
}

// Waits up to a minute for a file that another process makes; false when it never comes.
inline bool waitForFile(const fs::path& file) {
  for (int i = 0; i < 6000; ++i) {
    std::error_code error;
    if (fs::exists(file, error)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// The names in a folder and below it, with each file's size: to show that nothing changed.
inline std::map<std::string, std::uintmax_t> folderListing(const fs::path& folder) {
  std::map<std::string, std::uintmax_t> listing;
  std::error_code error;
  for (fs::recursive_directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
    listing[entry->path().lexically_relative(folder).string()] = entry->is_regular_file() ? entry->file_size() : 0;
  }
  return listing;
}

inline nlohmann::json readJson(const fs::path& file) { return nlohmann::json::parse(support::readWholeFile(file)); }

using testing_support::query;

// A condition met by another process, waited for in small steps up to a minute: for
// stand-ins that must meet each other (two evaluations running at once).
inline std::string waitUntil(const std::string& condition, const std::string& failure) {
  return "n=0; until " + condition + "; do n=$((n+1)); if [ $n -gt 6000 ]; then echo '" + failure +
         "' >&2; exit 9; fi; sleep 0.01; done\n";
}

}  // namespace taskrun_e2e
