#include "taskrun/study_run.h"

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "support/number_text.h"
#include "support/strings.h"
#include "taskrun/data_log.h"
#include "taskrun/evaluation.h"
#include "taskrun/evaluator.h"
#include "taskrun/exchange_io.h"
#include "taskrun/help_text.h"
#include "taskrun/plans.h"
#include "taskrun/report.h"
#include "taskrun/report_files.h"
#include "taskrun/study_folder.h"
#include "taskrun/task.h"

namespace taskrun {
namespace {

namespace fs = std::filesystem;

// The data log lives in the study folder beside taskrun's own files, and must never take the
// name of a file that an evaluation copies or writes (the model, the exchange files): a
// study folder that once was the model's folder lost the model to it.
void checkDataLogName(const Task& task, const EvaluationSetup& setup, const std::string& name) {
  std::string where = task.file.string() + ":" + std::to_string(task.storage.line) + ": the data log " + "\"" + name + "\"";
  if (name.empty() || name == "." || name == "..") throw SetupError(where + " is no file name; name one after \"DataLog:\"");
  if (StudyFolder::isOwnFileName(name)) {
    throw SetupError(where + " would take the name of a file taskrun writes in the study folder; name another after \"DataLog:\"");
  }
  std::vector<std::pair<std::string, std::string>> taken;
  for (const fs::path& file : setup.exchangeCopies) taken.emplace_back(file.filename().string(), "an exchange file");
  for (const fs::path& file : setup.plainCopies) taken.emplace_back(file.filename().string(), "a file every evaluation copies");
  for (const Step& step : task.process) {
    for (const std::string& file : step.writesBefore) taken.emplace_back(exchangeFileName(file), "the values file of SimCode " + step.name);
    for (const std::string& file : step.readsAfter) taken.emplace_back(exchangeFileName(file), "the values file of SimCode " + step.name);
  }
  for (const auto& [file, what] : taken) {
    if (support::equalsIgnoreCase(file, name)) {
      throw SetupError(where + " would take the name of " + what + " (" + file + "); name another after \"DataLog:\"");
    }
  }
}

// FEMAP is shared by the evaluations when the programs attach to one running FEMAP: always
// on Windows, and with the simulated FEMAP when FEMAPSIM_ATTACH is 1 (as the simulator reads it).
bool femapShared() {
#ifdef _WIN32
  return true;
#else
  const char* attach = std::getenv("FEMAPSIM_ATTACH");
  return attach && std::string(attach) == "1";
#endif
}

// Removes an evaluation's folder once its outcome is known, as the study's "keep" says; its
// data-log row always stays. "best" keeps the folder of the best design so far until a better
// one comes.
class FolderKeeper {
 public:
  FolderKeeper(KeepFolders keep, fs::path folder, const Measures& measures, std::ostream& err)
      : keep_(keep), folder_(std::move(folder)), measures_(measures), err_(err) {}

  // Returns the IDs of the evaluations whose folders it removed.
  std::vector<std::int64_t> settled(const Answer& answer) {
    std::vector<std::int64_t> removed;
    if (keep_ == KeepFolders::all) return removed;
    if (answer.source != Answer::Source::ran && answer.source != Answer::Source::reused) return removed;
    const EvaluationRecord& record = answer.record;
    auto drop = [&](const EvaluationRecord& dropped) {
      if (remove(dropped.folder)) removed.push_back(dropped.id);
    };
    switch (keep_) {
      case KeepFolders::all: break;
      case KeepFolders::none: drop(record); break;
      case KeepFolders::failed:
        if (record.ok) drop(record);
        break;
      case KeepFolders::best:
        if (record.ok && (!best_ || measures_.better(record, *best_))) {
          if (best_) drop(*best_);
          best_ = record;
        } else {
          drop(record);
        }
        break;
    }
    return removed;
  }

 private:
  KeepFolders keep_;
  fs::path folder_;
  const Measures& measures_;
  std::ostream& err_;
  std::optional<EvaluationRecord> best_;

  bool remove(const std::string& name) {
    if (!StudyFolder::isEvaluationFolderName(name)) return false;
    std::error_code error;
    fs::remove_all(folder_ / name, error);
    if (error) err_ << "taskrun: " << (folder_ / name).string() << " cannot be removed: " << error.message() << "\n";
    return !error;
  }
};

// The report of the study, kept up to date as answers come in and written to the study folder.
// A report file that cannot be written is told once and does not stop the study: the data log
// holds every evaluation.
class LiveReport {
 public:
  LiveReport(StudyReport report, const Measures& measures, const fs::path& folder, std::ostream& out, std::ostream& err)
      : report_(std::move(report)), measures_(measures), files_(folder), out_(out), err_(err) {}

  StudyReport& report() { return report_; }

  void add(const Answer& answer) {
    ReportedEvaluation shown = addAnswer(report_, measures_, answer, elapsed());
    out_ << progressLine(report_, shown, answer.source) << std::endl;
    write(false);
  }

  void write(bool all) {
    report_.elapsedSeconds = elapsed();
    try {
      if (all) {
        files_.writeAll(report_);
      } else {
        files_.writeProgress(report_);
      }
    } catch (const std::exception& error) {
      if (!warned_) err_ << "taskrun: the report cannot be written: " << error.what() << "\n";
      warned_ = true;
      if (all) throw;
    }
  }

 private:
  using Clock = std::chrono::steady_clock;
  StudyReport report_;
  const Measures& measures_;
  ReportFiles files_;
  std::ostream& out_;
  std::ostream& err_;
  Clock::time_point start_ = Clock::now();
  bool warned_ = false;

  double elapsed() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }
};

}  // namespace

std::optional<RunOptions> parseArguments(const std::vector<std::string>& arguments, std::string& error) {
  RunOptions options;
  std::vector<std::string> files;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    auto valueOf = [&](const std::string& name) -> std::optional<std::string> {
      if (argument == name) {
        if (i + 1 >= arguments.size()) return std::nullopt;
        return arguments[++i];
      }
      return argument.substr(name.size() + 1);
    };
    if (argument == "--resume") {
      options.resume = true;
    } else if (argument == "--overwrite") {
      options.overwrite = true;
    } else if (argument == "--workers" || argument.rfind("--workers=", 0) == 0) {
      auto value = valueOf("--workers");
      auto workers = value ? support::parseInteger(*value) : std::nullopt;
      if (!workers || *workers < 1 || *workers > 256) {
        error = "--workers takes a whole number from 1 to 256";
        return std::nullopt;
      }
      options.workers = static_cast<int>(*workers);
    } else if (argument == "--launcher" || argument.rfind("--launcher=", 0) == 0) {
      auto value = valueOf("--launcher");
      if (value == "local") {
        options.launcher = LauncherKind::local;
      } else if (value == "slurm") {
        options.launcher = LauncherKind::slurm;
      } else {
        error = "--launcher takes \"local\" or \"slurm\"";
        return std::nullopt;
      }
    } else if (argument.size() > 1 && argument.front() == '-') {
      error = "unknown option " + argument;
      return std::nullopt;
    } else {
      files.push_back(argument);
    }
  }
  if (options.resume && options.overwrite) {
    error = "--resume and --overwrite exclude each other";
    return std::nullopt;
  }
  if (files.empty() || files.size() > 2) {
    error = files.empty() ? "no task file given" : "more than a task file and a study file given";
    return std::nullopt;
  }
  options.taskFile = files[0];
  if (files.size() == 2) options.studyFile = files[1];
  return options;
}

int runStudy(const RunOptions& options, const fs::path& programFolder, Interruption& interruption, std::ostream& out,
             std::ostream& err) {
  Task task;
  Study study;
  EvaluationSetup setup;
  std::unique_ptr<SolverLauncher> solver;
  try {
    task = readTask(fs::absolute(options.taskFile).lexically_normal());
    study = readStudy(task, options.studyFile);
    if (options.workers) study.workers = *options.workers;
    if (options.launcher) study.launcher = *options.launcher;
    setup = prepareEvaluations(task, programFolder);
    setup.transientTexts = study.failure.transientTexts;
    if (study.launcher == LauncherKind::slurm) {
      if (support::platformName() != "Linux") {
        throw SetupError("the Slurm launcher runs on Linux only; on " + std::string(support::platformName()) +
                         " solver steps run on this computer (launcher = \"local\")");
      }
      auto srun = findInPath("srun");
      if (!srun) throw SetupError("the Slurm launcher needs srun, which is not in PATH");
      const char* job = std::getenv("SLURM_JOB_ID");
      solver = std::make_unique<SlurmSolverLauncher>(*srun, job && *job);
    } else {
      solver = std::make_unique<LocalSolverLauncher>();
    }
  } catch (const std::exception& error) {
    err << "taskrun: " << error.what() << "\n";
    return kExitUsage;
  }

  std::string logName = task.storage.dataLog.empty() ? std::string("taskrun.db") : exchangeFileName(task.storage.dataLog);
  // "Mode: append" keeps the data log of an earlier run as --resume does.
  StudyStart start = options.overwrite                                   ? StudyStart::overwrite
                     : (options.resume || !task.storage.overwrite) ? StudyStart::resume
                                                                        : StudyStart::fresh;
  std::unique_ptr<StudyFolder> folder;
  std::unique_ptr<DataLog> log;
  bool fresh = true;
  try {
    checkDataLogName(task, setup, logName);
    StudyFolderRequest request{study.folder, task.file.parent_path(), study.studyName, logName, start, {}};
    // Under the lock, before anything of an earlier run is removed: what a killed run left
    // running goes first (never the steps of a run that still holds the folder).
    request.whenLocked = [&](const fs::path& locked) {
      if (int ended = endStepsLeftRunning(locked)) {
        out << "taskrun: ended " << ended << (ended == 1 ? " step" : " steps") << " that an earlier run left running" << std::endl;
      }
    };
    folder = std::make_unique<StudyFolder>(request);
    fresh = !folder->continuesEarlierStudy();
    fs::remove(study.folder / "summary.json");
    log = std::make_unique<DataLog>(study.folder / logName, task, fresh);
    if (task.storage.lookUp && exchangeFileName(*task.storage.lookUp) != logName) {
      log->addLookUp(study.folder / exchangeFileName(*task.storage.lookUp));
    }
  } catch (const std::exception& error) {
    err << "taskrun: " << error.what() << "\n";
    return kExitUsage;
  }

  std::unique_ptr<ProcessLauncher> launcher = platformLauncher(interruption);
  EvaluatorOptions evaluatorOptions;
  evaluatorOptions.workers = study.workers;
  evaluatorOptions.lookUp = task.storage.lookUp.has_value();
  evaluatorOptions.femapShared = femapShared();
  evaluatorOptions.studyFolder = study.folder;
  evaluatorOptions.retries = study.failure.policy == FailureOptions::Policy::abort ? 0 : study.failure.retries;
  evaluatorOptions.stopAtFirstFailure = study.failure.policy != FailureOptions::Policy::infeasible;
  evaluatorOptions.beforeFolders = [&](const std::vector<std::string>& names) { folder->recordEvaluationFolders(names); };
  Measures measures(task, study);
  FolderKeeper keeper(study.keep, study.folder, measures, err);
  std::unique_ptr<LiveReport> live;
  try {
    live = std::make_unique<LiveReport>(beginReport(task, study, logName, log->records()), measures, study.folder, out, err);
  } catch (const std::exception& error) {
    err << "taskrun: " << error.what() << "\n";
    return kExitUsage;
  }
  Evaluator evaluator(setup, *log, *launcher, *solver, interruption, evaluatorOptions, [&](const Answer& answer) {
    // Folders removed first, so that the report written for this answer links only to folders there are.
    for (std::int64_t id : keeper.settled(answer)) live->report().removedFolders.insert(id);
    live->add(answer);
  });
  PlanContext context(task, study, evaluator);
  std::string description = planDescription(study);
  out << "taskrun: plan " << planName(study.plan) << (description.empty() ? "" : " (" + description + ")") << ", "
      << study.variables.size() << " variables, " << study.workers
      << (study.workers == 1 ? " worker" : " workers") << ", solver steps "
      << (study.launcher == LauncherKind::slurm ? "on Slurm" : "local") << (evaluatorOptions.femapShared ? ", FEMAP shared" : "")
      << "; study folder " << study.folder.string() << (fresh ? "" : " (data log kept)") << std::endl;
  out << "taskrun: watch it in " << (study.folder / "report.html").string() << std::endl;
  live->write(false);
  PlanOutcome outcome;
  try {
    switch (study.plan) {
      case PlanKind::run: outcome = runOnce(context); break;
      case PlanKind::stressRatio: outcome = runStressRatio(context); break;
      case PlanKind::doe: outcome = runDesignOfExperiments(context); break;
      case PlanKind::optimise: outcome = runOptimiser(context); break;
      case PlanKind::list: outcome = runList(context); break;
      case PlanKind::sweep: outcome = runSweep(context); break;
    }
  } catch (const Interrupted&) {
    live->report().state = StudyState::interrupted;
    live->report().message = "interrupted";
    try {
      live->write(true);
    } catch (const std::exception&) {
    }
    out << "Interrupted: " << evaluator.ran() << " evaluations finished and stored; run again with --resume to go on"
        << std::endl;
    return kExitInterrupted;
  } catch (const std::exception& error) {
    live->report().state = StudyState::failed;
    live->report().message = error.what();
    try {
      live->write(true);
    } catch (const std::exception&) {
    }
    err << "taskrun: " << error.what() << "\n";
    return kExitFailed;
  }
  StudyReport& report = live->report();
  concludeReport(report, measures, outcome, context.history());
  try {
    live->write(true);
  } catch (const std::exception& error) {
    err << "taskrun: " << error.what() << "\n";
    return kExitFailed;
  }
  out << closingSummary(report);
  out << "Study folder: " << study.folder.string() << " (report.html, history.csv, summary.json, progress.svg, variables.svg, "
      << logName << ")" << std::endl;
  return outcome.status == PlanStatus::failed || !report.best ? kExitFailed : kExitOk;
}

int taskrunMain(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
    std::cout << helpText();
    return kExitOk;
  }
  std::string error;
  std::optional<RunOptions> options = parseArguments(arguments, error);
  if (!options) {
    std::cerr << "taskrun: " << error << "\n" << kUsage << "\n";
    return kExitUsage;
  }
  Interruption interruption;
  interruptOnSignals(interruption);
  try {
    return runStudy(*options, ownFolder(), interruption, std::cout, std::cerr);
  } catch (const std::exception& failure) {
    std::cerr << "taskrun: " << failure.what() << "\n";
    return kExitFailed;
  }
}

}  // namespace taskrun
