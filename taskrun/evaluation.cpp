#include "taskrun/evaluation.h"

#include <chrono>
#include <cmath>
#include <set>

#include "support/process.h"
#include "support/strings.h"
#include "taskrun/exchange_io.h"
#include "taskrun/failures.h"

namespace taskrun {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string quote(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::string where(const Task& task, std::size_t line) { return task.file.string() + ":" + std::to_string(line) + ": "; }

fs::path findProgram(const Task& task, const Step& step, const fs::path& programFolder) {
  std::string name = support::localPathText(*step.program, true);
  if (support::namesFolder(name)) {
    fs::path path = fs::path(name).is_absolute() ? fs::path(name) : task.file.parent_path() / name;
    if (auto found = support::executableAt(path)) return found->lexically_normal();
    throw SetupError(where(task, step.line) + "the program " + quote(*step.program) + " of SimCode " + quote(step.name) +
                     " is not an executable file (" + path.string() + ")");
  }
  if (auto found = support::executableAt(programFolder / name)) return *found;
  if (auto found = support::findInPath(name)) return *found;
  throw SetupError(where(task, step.line) + "the program " + quote(*step.program) + " of SimCode " + quote(step.name) +
                   " is found neither beside taskrun (" + programFolder.string() + ") nor in PATH");
}

// The model file that an exchange file names: beside the task when it is there, else as written.
fs::path findModel(const Task& task, const fs::path& exchangeFile, const std::string& written) {
  std::string local = support::localPathText(written);
  std::error_code error;
  fs::path beside = task.file.parent_path() / local;
  if (fs::is_regular_file(beside, error)) return beside;
  if (fs::path(local).is_absolute() && fs::is_regular_file(local, error)) return local;
  throw SetupError(exchangeFile.string() + ": the reference model " + quote(written) + " is found neither in " +
                   task.file.parent_path().string() + " nor as written");
}

std::string exitReason(const ProcessOutcome& outcome, const Step& step) {
  switch (outcome.kind) {
    case ProcessOutcome::Kind::timedOut:
      return "timed out after " + (step.elapseTime ? step.elapseTime->text : std::string("its time limit"));
    case ProcessOutcome::Kind::interrupted: return "interrupted";
    case ProcessOutcome::Kind::signalled: return "killed by signal " + std::to_string(outcome.status);
    case ProcessOutcome::Kind::notStarted: return "cannot be started: " + outcome.error;
    case ProcessOutcome::Kind::exited: break;
  }
  std::string reason = "exit status " + std::to_string(outcome.status);
  if (!step.returnCodes.empty()) {
    reason += ", not among the return codes";
    for (int code : step.returnCodes) reason += " " + std::to_string(code);
  }
  return reason;
}

// A step's failure, carried out of the step's code to the evaluation.
struct StepFailure {
  std::string reason;
  bool interrupted = false;
  bool transient = false;
};

// A del or copy line's path, held to the evaluation folder; a path that leads outside fails
// the step naming the line.
fs::path scriptPath(const fs::path& folder, const ScriptAction& action, const std::string& written, PathUse use,
                    const std::string& where) {
  ScriptPath checked = pathInFolder(folder, written, use);
  if (!checked.problem.empty()) {
    throw StepFailure{where + std::to_string(action.line) + ": " + action.text + ": " + quote(written) + " " + checked.problem};
  }
  return checked.path;
}

// "del": every file named (patterns with * and ? as well); a missing file is no error. A
// symbolic link is removed itself, never what it leads to.
void removeFiles(const fs::path& folder, const ScriptAction& action, const std::string& where) {
  if (action.paths.empty()) throw StepFailure{where + std::to_string(action.line) + ": " + action.text + ": names no file"};
  std::vector<fs::path> paths;
  for (const std::string& name : action.paths) paths.push_back(scriptPath(folder, action, name, PathUse::remove, where));
  for (const fs::path& path : paths) {
    std::string pattern = path.filename().string();
    std::error_code error;
    if (pattern.find_first_of("*?") == std::string::npos) {
      fs::remove(path, error);
      continue;
    }
    std::vector<fs::path> matches;
    for (fs::directory_iterator entry(path.parent_path(), error), end; !error && entry != end; entry.increment(error)) {
      if (!entry->is_directory(error) && support::matchesWildcard(pattern, entry->path().filename().string())) {
        matches.push_back(entry->path());
      }
    }
    for (const fs::path& match : matches) fs::remove(match, error);
  }
}

// "copy": through a temporary file renamed over the destination, so that a symbolic link the
// solver left at the destination is replaced, never written through.
void copyFile(const fs::path& folder, const ScriptAction& action, const std::string& where) {
  if (action.paths.size() != 2) throw StepFailure{"copy takes one source and one destination"};
  fs::path source = scriptPath(folder, action, action.paths[0], PathUse::read, where);
  fs::path destination = scriptPath(folder, action, action.paths[1], PathUse::write, where);
  std::error_code error;
  if (!fs::is_regular_file(source, error)) throw StepFailure{"copy: the source " + quote(action.paths[0]) + " does not exist"};
  if (fs::is_directory(destination, error)) destination /= source.filename();
  fs::path temporary = destination.parent_path() / (".taskrun-copy-" + destination.filename().string());
  fs::remove(temporary, error);
  fs::copy_file(source, temporary, fs::copy_options::overwrite_existing, error);
  if (!error) fs::rename(temporary, destination, error);
  if (error) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    throw StepFailure{"copy " + quote(action.paths[0]) + " to " + quote(action.paths[1]) + ": " + error.message()};
  }
}

// A step that ended otherwise than with one of its return codes fails with its reason and the
// end of its output.
void checkExit(const ProcessOutcome& outcome, const Step& step, const fs::path& output, const std::vector<std::string>& texts) {
  if (outcome.kind == ProcessOutcome::Kind::exited && step.succeeded(outcome.status)) return;
  std::string all;
  std::string tail = outputTail(output, 3, &all);
  bool transient = false;
  switch (outcome.kind) {
    case ProcessOutcome::Kind::notStarted: transient = true; break;
    case ProcessOutcome::Kind::signalled: transient = killedFromOutside(outcome.status); break;
    case ProcessOutcome::Kind::exited: transient = mentionsTransientFailure(all, texts); break;
    case ProcessOutcome::Kind::timedOut:
    case ProcessOutcome::Kind::interrupted: break;
  }
  throw StepFailure{exitReason(outcome, step) + outputNote(output, tail), outcome.kind == ProcessOutcome::Kind::interrupted,
                    transient};
}

class EvaluationRun {
 public:
  EvaluationRun(const EvaluationSetup& setup, const std::vector<double>& inputs, const fs::path& folder,
                ProcessLauncher& launcher, const SolverLauncher& solver, std::mutex* femapTurns)
      : setup_(setup), task_(*setup.task), inputs_(inputs), folder_(folder), launcher_(launcher), solver_(solver),
        femapTurns_(femapTurns) {}

  EvaluationOutcome run() {
    outcome_.outputs.assign(task_.outputs.size(), std::nullopt);
    outcome_.stepSeconds.assign(setup_.steps.size(), 0);
    try {
      prepareFolder();
    } catch (const std::exception& error) {
      outcome_.transient = mentionsTransientFailure(error.what(), setup_.transientTexts);
      return failed("preparation", error.what());
    }
    std::string lastReader;
    for (std::size_t i = 0; i < setup_.steps.size(); ++i) {
      const PreparedStep& prepared = setup_.steps[i];
      const Step& step = *prepared.step;
      Clock::time_point start = Clock::now();
      try {
        for (const std::string& file : step.writesBefore) writeInputs(folder_ / exchangeFileName(file));
        if (prepared.femapStep()) {
          runProgram(prepared);
        } else {
          runScript(prepared, i == setup_.resultsStep);
        }
        for (const std::string& file : step.readsAfter) readOutputs(folder_ / exchangeFileName(file), file);
      } catch (const StepFailure& failure) {
        outcome_.stepSeconds[i] = seconds(start);
        outcome_.interrupted = failure.interrupted;
        outcome_.transient = failure.transient;
        return failed(step.name, failure.reason);
      } catch (const std::exception& error) {
        outcome_.stepSeconds[i] = seconds(start);
        return failed(step.name, error.what());
      }
      outcome_.stepSeconds[i] = seconds(start);
      if (!step.readsAfter.empty()) lastReader = step.name;
    }
    for (std::size_t k = 0; k < task_.outputs.size(); ++k) {
      if (!outcome_.outputs[k]) {
        std::string reason = missing_.count(k) ? "the value of " + quote(task_.outputs[k].name) + " is not a number"
                                               : "no value for the output " + quote(task_.outputs[k].name);
        return failed(lastReader.empty() ? setup_.steps.back().step->name : lastReader, reason);
      }
    }
    outcome_.ok = true;
    return outcome_;
  }

 private:
  const EvaluationSetup& setup_;
  const Task& task_;
  const std::vector<double>& inputs_;
  fs::path folder_;
  ProcessLauncher& launcher_;
  const SolverLauncher& solver_;
  std::mutex* femapTurns_;
  EvaluationOutcome outcome_;
  std::set<std::size_t> missing_;  // outputs whose text was not a number

  static double seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

  EvaluationOutcome failed(const std::string& step, const std::string& reason) {
    outcome_.ok = false;
    outcome_.failedStep = step;
    outcome_.reason = reason;
    return outcome_;
  }

  void prepareFolder() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
    fs::create_directories(folder_);
    for (const fs::path& file : setup_.exchangeCopies) copyExchangeFile(file, folder_ / file.filename());
    for (const fs::path& file : setup_.plainCopies) fs::copy_file(file, folder_ / file.filename());
  }

  void writeInputs(const fs::path& file) {
    std::vector<std::pair<std::string, double>> values;
    values.reserve(task_.inputs.size());
    for (std::size_t i = 0; i < task_.inputs.size(); ++i) values.emplace_back(task_.inputs[i].name, inputs_[i]);
    writeInputValues(file, values);
  }

  void readOutputs(const fs::path& file, const std::string& written) {
    std::error_code error;
    if (!fs::is_regular_file(file, error)) throw StepFailure{quote(written) + " was not written"};
    for (auto& [name, value] : readOutputValues(file)) {
      auto index = task_.outputIndex(name);
      if (!index) continue;
      outcome_.outputs[*index] = value;
      if (!value) missing_.insert(*index);
      else missing_.erase(*index);
    }
  }

  std::optional<double> timeLimit(const Step& step) const {
    if (!step.elapseTime) return std::nullopt;
    return step.elapseTime->seconds;
  }

  fs::path outputFile(const Step& step) const { return folder_ / ("taskrun-" + step.name + ".out"); }

  void runProgram(const PreparedStep& prepared) {
    const Step& step = *prepared.step;
    ProcessRequest request{{prepared.program->string(), folder_.string()}, folder_, timeLimit(step), {}, outputFile(step),
                           folder_ / kRunningStepFile};
    request.verbatimArguments = true;  // Modprep and Respull take the rest of their command line as the folder
    std::unique_lock<std::mutex> turn;
    if (femapTurns_) turn = std::unique_lock<std::mutex>(*femapTurns_);
    checkExit(launcher_.run(request), step, outputFile(step), setup_.transientTexts);
  }

  // The solver script; `writesResults`: the last script of the task, which must leave the
  // results file that "Respull.txt" names.
  void runScript(const PreparedStep& prepared, bool writesResults) {
    const Step& step = *prepared.step;
    Clock::time_point start = Clock::now();
    std::optional<ProcessOutcome> last;
    for (const ScriptAction& action : prepared.actions) {
      switch (action.kind) {
        case ScriptAction::Kind::remove: removeFiles(folder_, action, task_.file.string() + ":"); break;
        case ScriptAction::Kind::copy: copyFile(folder_, action, task_.file.string() + ":"); break;
        case ScriptAction::Kind::shell: {
          std::optional<double> left = timeLimit(step);
          if (left) {
            *left -= seconds(start);
            if (*left <= 0) throw StepFailure{"timed out after " + step.elapseTime->text};
          }
          ProcessRequest request{solver_.command(action.shellText, folder_, left, "taskrun-" + folder_.filename().string()),
                                 folder_, left, setup_.environment, outputFile(step), folder_ / kRunningStepFile};
          last = launcher_.run(request);
          if (last->kind != ProcessOutcome::Kind::exited) checkExit(*last, step, outputFile(step), setup_.transientTexts);
          break;
        }
      }
    }
    if (last) checkExit(*last, step, outputFile(step), setup_.transientTexts);
    std::error_code error;
    if (writesResults && setup_.resultsFile && !fs::exists(folder_ / *setup_.resultsFile, error)) {
      // Its return code was taken as success, but the solver left nothing for Respull: the
      // reason is the solver's, not Respull's.
      std::string all;
      std::string tail = outputTail(outputFile(step), 3, &all);
      std::string ended = last ? "ended with exit status " + std::to_string(last->status) + ", one of its return codes, but wrote"
                               : std::string("wrote");
      throw StepFailure{ended + " no results file " + quote(*setup_.resultsFile) + outputNote(outputFile(step), tail), false,
                        mentionsTransientFailure(all, setup_.transientTexts)};
    }
  }
};

}  // namespace

std::vector<std::string> LocalSolverLauncher::command(const std::string& shellText, const fs::path& folder,
                                                      std::optional<double>, const std::string&) const {
  return support::shellCommand(shellText, folder);
}

std::vector<std::string> SlurmSolverLauncher::command(const std::string& shellText, const fs::path& folder,
                                                      std::optional<double> timeLimitSeconds, const std::string& jobName) const {
  std::vector<std::string> command{srun_.string(), "--chdir=" + folder.string(), "--job-name=" + jobName, "--ntasks=1",
                                   "--quiet"};
  if (insideAllocation_) command.push_back("--exact");
  if (timeLimitSeconds) {
    long minutes = std::max(1L, static_cast<long>(std::ceil(*timeLimitSeconds / 60)));
    command.push_back("--time=" + std::to_string(minutes));
  }
  command.insert(command.end(), {"/bin/sh", "-c", shellText});
  return command;
}

EvaluationSetup prepareEvaluations(const Task& task, const fs::path& programFolder) {
  EvaluationSetup setup;
  setup.task = &task;
  bool readsOutputs = false;
  for (const Step& step : task.process) {
    PreparedStep prepared;
    prepared.step = &step;
    if (step.program) {
      prepared.program = findProgram(task, step, programFolder);
    } else {
      prepared.actions = scriptActions(step.script);
    }
    readsOutputs = readsOutputs || !step.readsAfter.empty();
    setup.steps.push_back(std::move(prepared));
  }
  for (std::size_t i = 0; i < setup.steps.size(); ++i) {
    if (!setup.steps[i].femapStep()) setup.resultsStep = i;
  }
  if (!task.outputs.empty() && !readsOutputs) {
    throw SetupError(task.file.string() + ": no program of the task reads the outputs (\"ReadOutputSpecs:\" in an Epilogue)");
  }
  fs::path folder = task.file.parent_path();
  std::set<fs::path> copied;
  std::error_code error;
  for (const char* name : {"Modprep.txt", "Respull.txt"}) {
    fs::path file = folder / name;
    if (!fs::is_regular_file(file, error)) continue;
    setup.exchangeCopies.push_back(file);
    ExchangeHead head;
    try {
      head = readExchangeHead(file);
    } catch (const std::exception& failure) {
      throw SetupError(failure.what());
    }
    if (std::string(name) == "Respull.txt" && !head.solverFile.empty()) setup.resultsFile = exchangeFileName(head.solverFile);
    fs::path model = findModel(task, file, head.referenceModel);
    if (model.filename() != exchangeFileName(head.referenceModel)) {
      throw SetupError(file.string() + ": the reference model " + quote(head.referenceModel) + " has no file name");
    }
    if (copied.insert(fs::weakly_canonical(model, error)).second) setup.plainCopies.push_back(model);
  }
  if (fs::path functions = folder / "FunctionsInputvalues.txt"; fs::is_regular_file(functions, error)) {
    setup.plainCopies.push_back(functions);
  }
  std::set<fs::path> names;
  for (const fs::path& file : setup.exchangeCopies) names.insert(file.filename());
  for (const fs::path& file : setup.plainCopies) {
    if (!names.insert(file.filename()).second) {
      throw SetupError("two files to copy into every evaluation folder have the name " + file.filename().string());
    }
  }
  setup.environment = environmentWithPathFirst(programFolder);
  return setup;
}

int endStepsLeftRunning(const fs::path& studyFolder) {
  int ended = 0;
  std::error_code error;
  for (fs::directory_iterator entry(studyFolder, error), end; !error && entry != end; entry.increment(error)) {
    std::error_code ignored;
    if (entry->is_directory(ignored) && support::endLeftRunning(entry->path() / kRunningStepFile)) ++ended;
  }
  return ended;
}

EvaluationOutcome runEvaluation(const EvaluationSetup& setup, const std::vector<double>& inputs, const fs::path& folder,
                                ProcessLauncher& launcher, const SolverLauncher& solver, std::mutex* femapTurns) {
  return EvaluationRun(setup, inputs, folder, launcher, solver, femapTurns).run();
}

}  // namespace taskrun
