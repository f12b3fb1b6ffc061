// taskrun's own cost: (1) its wall time minus the programs' time per evaluation over 1,000
// evaluations of a task whose three programs are trivial stand-ins; (2) the throughput of two
// workers against one on a task whose solver step sleeps 200 ms; (3) a design looked up by
// exact match in a data log of 100,000 evaluations; (4) the report after every evaluation
// (report.html rendered and handed to its writer, a history.csv row added) over a study of
// 1,000 evaluations of 10 variables and 11 outputs, at its start and at its end. The same on
// Linux and (under wine) on Windows: the stand-ins are copies of this program, which acts by
// the name it is called by.
#include <sqlite3.h>

#include <thread>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "support/process.h"
#include "taskrun/data_log.h"
#include "taskrun/process.h"
#include "taskrun/report_files.h"
#include "taskrun/study_run.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

void writeFile(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// A task of two inputs and one output in the layout "Apply" writes; `solverLine` is the
// solver step's script, `modprep` and `respull` the first and last programs.
std::string taskText(const fs::path& modprep, const fs::path& respull, const std::string& solverLine) {
  const std::string lines[] = {
      "Task Task1", "    Inputs Task1", "        Parameter: A Type: real InitialValue: 1",
      "        Parameter: B Type: real InitialValue: 1", "    End Inputs Task1", "    Outputs Task1",
      "        Parameter: Y Type: real", "    End Outputs Task1", "    SimCode Modprep", "        InputFiles Modprep",
      "            FileDescription InputValuestxt", "                InputFile: \"InputValues.txt\"",
      "            End FileDescription InputValuestxt", "        End InputFiles Modprep", "        SimCodeProcess Modprep",
      "            Program: \"" + modprep.string() + "\"", "            ElapseTime: 5m", "            Prologue",
      "                WriteInputSpecs: InputValuestxt", "        End SimCodeProcess Modprep", "    End SimCode Modprep",
      "    SimCode Nastran", "        SimCodeProcess Nastran", "            Script", "                " + solverLine,
      "            End Script", "            ReturnCodes: 0", "            ElapseTime: 5m",
      "        End SimCodeProcess Nastran", "    End SimCode Nastran", "    SimCode Respull",
      "        OutputFiles Respull", "            FileDescription OutputValuestxt",
      "                OutputFile: \"OutputValues.txt\"", "            End FileDescription OutputValuestxt",
      "        End OutputFiles Respull", "        SimCodeProcess Respull", "            Program: \"" + respull.string() + "\"",
      "            ElapseTime: 5m", "            Epilogue", "                ReadOutputSpecs: OutputValuestxt",
      "        End SimCodeProcess Respull", "    End SimCode Respull", "    TaskProcess Task1", "        Control: [",
      "            Modprep", "            Nastran", "            Respull", "        ]", "    End TaskProcess Task1",
      "    DataStorage Task1", "        DataLog: \"Task1.db\" Mode: overwrite", "        DataLookUp: \"Task1.db\"",
      "        MatchMode: Exact", "    End DataStorage Task1", "End Task Task1"};
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// The sum of every evaluation's step durations in a data log.
double programSeconds(const fs::path& database) {
  sqlite3* db = nullptr;
  double seconds = 0;
  if (sqlite3_open_v2(database.string().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    const char* sql = "SELECT SUM(\"Modprep seconds\" + \"Nastran seconds\" + \"Respull seconds\") FROM evaluations";
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW) {
      seconds = sqlite3_column_double(statement, 0);
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return seconds;
}

// The stand-ins: on Linux /bin/true, a shell script and the shell's own true and sleep; on
// Windows (no shell of that kind) copies of this program.
bool windows() { return support::platformName() == "Windows"; }

fs::path modprepStandIn(const fs::path& root) { return windows() ? root / "bench-modprep" : fs::path("/bin/true"); }

fs::path respullStandIn(const fs::path& root) {
  if (windows()) return root / "bench-respull";
  fs::path respull = root / "respull.sh";
  writeFile(respull, "#!/bin/sh\nprintf 'Y  1\\r\\n' > \"$1/OutputValues.txt\"\n");
  fs::permissions(respull, fs::perms::owner_all);
  return respull;
}

// The solver step's one line, sleeping `milliseconds`.
std::string solverLine(const fs::path& root, int milliseconds) {
  if (!windows()) return milliseconds ? "sleep " + std::to_string(milliseconds / 1000.0) : "true";
  return "\"" + (root / "bench-solver").string() + "\" " + std::to_string(milliseconds);
}

struct StudyRun {
  bool ok = false;
  double wall = 0;
  double programs = 0;
};

// A design of experiments of `samples` designs with `workers` workers, through the library
// exactly as the program runs it (progress lines go to a string).
StudyRun runDoe(const fs::path& root, const fs::path& folder, const std::string& solverLine, int samples, int workers) {
  fs::remove_all(folder);
  fs::create_directories(folder);
  writeFile(folder / "task.desc", taskText(modprepStandIn(root), respullStandIn(root), solverLine));
  writeFile(folder / "study.toml", "plan = \"doe\"\nworkers = " + std::to_string(workers) +
                                       "\n[variables]\n\"A\" = { lower = 0, upper = 1 }\n\"B\" = { lower = 0, upper = 1 }\n"
                                       "[doe]\nsamples = " + std::to_string(samples) + "\n");
  taskrun::RunOptions options;
  options.taskFile = folder / "task.desc";
  options.studyFile = folder / "study.toml";
  taskrun::Interruption interruption;
  std::ostringstream out, err;
  Clock::time_point start = Clock::now();
  int status = taskrun::runStudy(options, taskrun::ownFolder(), interruption, out, err);
  StudyRun run;
  run.wall = secondsSince(start);
  run.ok = status == 0;
  if (!run.ok) std::fprintf(stderr, "taskrun ended with %d: %s\n", status, err.str().c_str());
  run.programs = programSeconds(folder / "study/Task1.db");
  return run;
}

bool ownCost(const fs::path& root, int evaluations) {
  StudyRun run = runDoe(root, root / "own-cost", solverLine(root, 0), evaluations, 1);
  if (!run.ok) return false;
  double perEvaluation = (run.wall - run.programs) / evaluations;
  std::printf("1. own cost: %d evaluations of trivial stand-ins in %.2f s, the programs %.2f s of it:\n"
              "   taskrun's own cost %.3f ms per evaluation (limit 2 ms)\n",
              evaluations, run.wall, run.programs, 1e3 * perEvaluation);
  return true;
}

bool throughput(const fs::path& root) {
  const int evaluations = 20;
  StudyRun one = runDoe(root, root / "one-worker", solverLine(root, 200), evaluations, 1);
  StudyRun two = runDoe(root, root / "two-workers", solverLine(root, 200), evaluations, 2);
  if (!one.ok || !two.ok) return false;
  std::printf("2. throughput, solver step sleeping 200 ms, %d evaluations: 1 worker %.2f s (%.2f/s), 2 workers %.2f s "
              "(%.2f/s): %.2fx (at least 1.8x)\n",
              evaluations, one.wall, evaluations / one.wall, two.wall, evaluations / two.wall, one.wall / two.wall);
  return true;
}

void lookUp(const fs::path& root) {
  const int rows = 100000, inputs = 10, outputs = 11;
  taskrun::Task task;
  task.file = root / "task.desc";
  for (int i = 0; i < inputs; ++i) task.inputs.push_back({"AreaAtProp" + std::to_string(i + 1), 1, 0});
  for (int k = 0; k < outputs; ++k) task.outputs.push_back({"Stress" + std::to_string(k + 1), 0});
  task.process.resize(3);
  task.process[0].name = "Modprep";
  task.process[1].name = "Nastran";
  task.process[2].name = "Respull";
  std::mt19937_64 random(1);
  std::uniform_real_distribution<double> area(0.1, 100);
  std::vector<std::vector<double>> designs(rows, std::vector<double>(inputs));
  for (auto& design : designs) {
    for (double& value : design) value = area(random);
  }
  fs::path file = root / "lookup.db";
  Clock::time_point start = Clock::now();
  {
    taskrun::DataLog log(file, task, true);
    for (int id = 1; id <= rows; ++id) {
      taskrun::EvaluationRecord record;
      record.id = id;
      record.ok = true;
      record.inputs = designs[static_cast<std::size_t>(id - 1)];
      record.outputs.assign(outputs, 25000.0);
      record.stepSeconds = {0.1, 1, 0.1};
      record.started = "2024-05-07T14:03:09.042";
      record.folder = "eval-" + std::to_string(id);
      log.insert(record);
    }
  }
  double fill = secondsSince(start);
  start = Clock::now();
  taskrun::DataLog log(file, task, false);
  double open = secondsSince(start);
  const int lookUps = 200000;
  std::size_t found = 0;
  start = Clock::now();
  for (int i = 0; i < lookUps; ++i) {
    std::vector<double> design = designs[static_cast<std::size_t>((i * 7919) % rows)];
    if (i % 2) design[i % inputs] = std::nextafter(design[i % inputs], 200.0);  // one bit off: not there
    if (log.find(design)) ++found;
  }
  double each = secondsSince(start) / lookUps;
  std::printf("3. look-up: %d evaluations stored in %.2f s (%.1f us each, one transaction each), the log opened with "
              "its index in %.3f s;\n   %d look-ups (%zu found): %.2f us each (limit 50 us)\n",
              rows, fill, 1e6 * fill / rows, open, lookUps, found, 1e6 * each);
}

// Acting as a stand-in: "bench-modprep FOLDER" does nothing, "bench-respull FOLDER" writes the
// output, "bench-solver MS" sleeps. nullopt: not called as a stand-in.
std::optional<int> standIn(int argc, char** argv) {
  std::string name = fs::path(argv[0]).stem().string();
  if (name == "bench-modprep") return 0;
  if (name == "bench-respull" && argc == 2) {
    writeFile(fs::path(argv[1]) / "OutputValues.txt", "Y  1\r\n");
    return 0;
  }
  if (name == "bench-solver" && argc == 2) {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[1])));
    return 0;
  }
  return std::nullopt;
}

void reportWrites(const fs::path& root) {
  const int evaluations = 1000, variables = 10, outputs = 11;
  taskrun::StudyReport report;
  report.plan = "optimise";
  report.taskFile = "task.desc";
  report.dataLog = "Task1.db";
  for (int i = 0; i < variables; ++i) {
    report.inputs.push_back("AreaAtProp" + std::to_string(i + 1));
    report.variables.push_back(static_cast<std::size_t>(i));
  }
  for (int k = 0; k < outputs; ++k) report.outputs.push_back(k == 0 ? "TotalMass" : "RodAxialSt" + std::to_string(k));
  report.objective = taskrun::Objective{0, false};
  for (int k = 1; k < outputs; ++k) report.constraints.push_back({static_cast<std::size_t>(k), -25000.0, 25000.0});
  report.budget = evaluations;
  report.budgetIsLimit = true;
  fs::path folder = root / "report";
  fs::create_directories(folder);
  taskrun::ReportFiles files(folder);
  std::mt19937_64 random(1);
  std::uniform_real_distribution<double> area(0.1, 100), stress(-30000, 30000);
  double first = 0, last = 0;
  for (int id = 1; id <= evaluations; ++id) {
    taskrun::ReportedEvaluation evaluation;
    taskrun::EvaluationRecord& record = evaluation.record;
    record.id = id;
    record.iteration = (id + 10) / 11;
    record.kind = id % 11 == 1 ? "design" : "gradient";
    record.ok = true;
    for (int i = 0; i < variables; ++i) record.inputs.push_back(area(random));
    for (int k = 0; k < outputs; ++k) record.outputs.push_back(k == 0 ? area(random) : stress(random));
    evaluation.objective = record.outputs[0];
    evaluation.worst = -0.1;
    evaluation.feasible = true;
    evaluation.bestFeasibleSoFar = record.outputs[0];
    evaluation.seconds = 1;
    report.evaluations.push_back(std::move(evaluation));
    report.asked = static_cast<std::size_t>(id);
    Clock::time_point start = Clock::now();
    files.writeProgress(report);
    double seconds = secondsSince(start);
    if (id <= 100) first += seconds;
    if (id > evaluations - 100) last += seconds;
  }
  files.writeAll(report);
  std::printf("4. report after every evaluation, what the study waits for (the page rendered and handed to its writer, "
              "a history.csv row): %.3f ms per evaluation over the first 100, %.3f ms over the last 100 of %d "
              "(report.html %ju bytes at the end)\n",
              10 * first, 10 * last, evaluations, static_cast<std::uintmax_t>(fs::file_size(folder / "report.html")));
}

}  // namespace

int main(int argc, char** argv) {
  if (auto status = standIn(argc, argv)) return *status;
  fs::path root = fs::temp_directory_path() /
                  ("taskrun-bench-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  fs::create_directories(root);
  std::printf("taskrun benchmarks (in %s)\n", root.string().c_str());
  auto self = support::executableAt(support::ownFolder() / "taskrun_bench");
  if (!self) {
    std::fprintf(stderr, "taskrun_bench: cannot find itself in %s\n", support::ownFolder().string().c_str());
    return 1;
  }
  for (const char* name : {"bench-modprep", "bench-respull", "bench-solver"}) {
    fs::copy_file(*self, (root / name).replace_extension(self->extension()));
  }
  // taskrun_bench [EVALUATIONS]: fewer than the 1,000 of the own-cost figure where starting a
  // program is slow (under wine a start takes a good part of a second).
  int evaluations = argc > 1 ? std::atoi(argv[1]) : 1000;
  if (evaluations < 1) {
    std::fprintf(stderr, "taskrun_bench: the number of evaluations must be a whole number above 0\n");
    return 2;
  }
  // A study that fails stops the benchmark: no figure of a broken run.
  if (!ownCost(root, evaluations) || !throughput(root)) {
    std::fprintf(stderr, "taskrun benchmark: a study failed\n");
    return 1;
  }
  lookUp(root);
  reportWrites(root);
  std::error_code ignored;
  fs::remove_all(root, ignored);
  return 0;
}
