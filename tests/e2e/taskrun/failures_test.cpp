// Evaluations that fail, each kind recorded with its step and reason and never taken as the
// best design; a task that cannot run refused before anything starts; and SIGTERM ending the
// study with its data log consistent, to be resumed.
#include <signal.h>

#include "taskrun_e2e.h"
#include "testing/process_state.h"

namespace taskrun_e2e {
namespace {

using testing_support::ScopedTempDir;
using testing_support::processEnds;

// The value of X in the evaluation folder's "InputValues.txt", for the stand-ins.
// (The file's lines end in CR LF.)
const char kReadX[] = "x=$(tr -d '\\r' < InputValues.txt | awk '$1==\"X\"{print $2}')\n";

// X = 0 succeeds; 1 to 5 fail, each its own way, with a lower "Mass" than X = 0.
TaskSpec failingTask(const ScopedTempDir& dir) {
  TaskSpec task;
  task.inputs = {{"X", 0}};
  task.outputs = {"Mass", "Stress"};
  task.modprep = writeScript(dir / "modprep.sh", std::string("cd \"$1\" || exit 1\n") + kReadX +
                                                     "[ \"$x\" = 5 ] || echo extra > extra.txt\n")
                     .string();
  writeScript(dir / "solver.sh", std::string(kReadX) +
                                     "case \"$x\" in\n"
                                     "  1) sleep 300 & echo $! > sleeper.pid; wait ;;\n"
                                     "  2) exit 7 ;;\n"
                                     "esac\n"
                                     "mass=$(awk \"BEGIN { print 10 - $x }\")\n"
                                     "printf 'Mass  %s\\r\\n' \"$mass\" > results.txt\n"
                                     "[ \"$x\" = 4 ] || printf 'Stress  1\\r\\n' >> results.txt\n");
  task.script = {"del results.txt", "copy extra.txt copied.txt", "sh " + (dir / "solver.sh").string()};
  task.solverTime = "1s";
  task.respull = writeScript(dir / "respull.sh", std::string("cd \"$1\" || exit 1\n") + kReadX +
                                                     "[ \"$x\" = 3 ] && exit 1\ncp results.txt OutputValues.txt\n")
                     .string();
  task.variables = {"X"};
  return task;
}

TEST(TaskrunFailures, EachFailureIsRecordedWithItsStepAndNeverTakenAsTheBestDesign) {
  ScopedTempDir dir;
  dir.write("task.desc", descriptionFile(failingTask(dir)));
  dir.write("study.toml", R"(plan = "doe"
workers = 2
[objective]
output = "Mass"
[constraints]
"Stress" = { upper = 10 }
[variables]
"X" = { lower = 0, upper = 5 }
[doe]
method = "factorial"
levels = 6
)");
  TaskrunRun run = runTaskrun(dir.path(), {"task.desc", "study.toml"});
  ASSERT_EQ(run.status, 0) << run.output;
  auto rows = query(dir / "study/Task1.db", "SELECT id, X, status, failed_step, reason, Mass FROM evaluations ORDER BY id");
  ASSERT_EQ(rows.size(), 6u) << run.output;
  const std::vector<std::vector<std::string>> expected{
      {"1", "0.0", "ok", "NULL", "NULL", "10.0"},
      {"2", "1.0", "failed", "Nastran", "timed out after 1s", "NULL"},
      {"3", "2.0", "failed", "Nastran", "exit status 7, not among the return codes 0 1", "NULL"},
      {"4", "3.0", "failed", "Respull", "exit status 1", "NULL"},
      {"5", "4.0", "failed", "Respull", "no value for the output \"Stress\"", "6.0"},
      {"6", "5.0", "failed", "Nastran", "copy: the source \"extra.txt\" does not exist", "NULL"}};
  EXPECT_EQ(rows, expected);

  nlohmann::json summary = readJson(dir / "study/summary.json");
  EXPECT_EQ(summary["plan"], "doe");
  EXPECT_EQ(summary["status"], "converged");
  EXPECT_EQ(summary["evaluations"]["run"], 6);
  EXPECT_EQ(summary["evaluations"]["failed"], 5);
  EXPECT_EQ(summary["evaluations"]["reused"], 0);
  EXPECT_EQ(summary["best"]["inputs"]["X"], 0.0);
  EXPECT_EQ(summary["best"]["outputs"]["Mass"], 10.0);

  // The timed-out solver's own child went with it.
  std::string sleeper = dir.read("study/eval-000002/sleeper.pid");
  sleeper.pop_back();
  EXPECT_TRUE(processEnds(sleeper)) << sleeper;
  // Each progress line: the evaluation, how many of the budget, its kind and what became of it.
  std::size_t line = run.output.find("eval-000004  ");
  ASSERT_NE(line, std::string::npos) << run.output;
  std::string progress = run.output.substr(line, run.output.find('\n', line) - line);
  EXPECT_NE(progress.find(" of 6  design    failed  at Respull: exit status 1  best feasible 10  ("), std::string::npos)
      << progress;
  std::string history = dir.read("study/history.csv");
  EXPECT_EQ(std::count(history.begin(), history.end(), '\n'), 7);
  EXPECT_NE(dir.read("study/progress.svg").find("<polyline"), std::string::npos);
}

TEST(TaskrunFailures, ATaskThatCannotRunIsRefusedBeforeAnythingStarts) {
  ScopedTempDir dir;
  TaskSpec task = failingTask(dir);
  std::string text = support::replaceAll(descriptionFile(task), "            Nastran\r\n", "            Nastran2\r\n");
  dir.write("task.desc", text);
  TaskrunRun run = runTaskrun(dir.path(), {"task.desc"});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.output.find("task.desc:"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("\"Nastran2\", which is no SimCode"), std::string::npos) << run.output;
  EXPECT_FALSE(fs::exists(dir / "study"));

  task.modprep = "no-such-program.exe";
  dir.write("task.desc", descriptionFile(task));
  dir.write("run.toml", "plan = \"run\"\n");
  run = runTaskrun(dir.path(), {"task.desc", "run.toml"});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.output.find("the program \"no-such-program.exe\" of SimCode \"Modprep\" is found neither beside taskrun"),
            std::string::npos)
      << run.output;

  dir.write("study.toml", "plan = \"run\"\nworkers = 2\nfolders = \"x\"\n");
  task = failingTask(dir);
  dir.write("task.desc", descriptionFile(task));
  run = runTaskrun(dir.path(), {"task.desc", "study.toml"});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.output.find("study.toml:3: unknown key \"folders\""), std::string::npos) << run.output;

  run = runTaskrun(dir.path(), {"task.desc", "--workers", "none"});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.output.find("usage: taskrun TASKFILE"), std::string::npos) << run.output;
}

TEST(TaskrunFailures, SigtermEndsTheStudyWithItsDataLogConsistentAndResumeGoesOn) {
  ScopedTempDir dir;
  TaskSpec task;
  task.inputs = {{"X", 0}};
  task.outputs = {"Y"};
  // The third Modprep asks taskrun (its parent) to stop, then waits to be killed.
  task.modprep = writeScript(dir / "modprep.sh", std::string("cd \"$1\" || exit 1\n") + kReadX +
                                                     "if [ \"$x\" = 2 ] && [ ! -e " + shellQuoted((dir / "stopped").string()) +
                                                     " ]; then touch " + shellQuoted((dir / "stopped").string()) +
                                                     "; kill -TERM $PPID; sleep 300; fi\n")
                     .string();
  task.script = {"awk '$1==\"X\" { printf \"Y  %.17g\\r\\n\", $2 * $2 }' InputValues.txt > results.txt"};
  task.respull = writeScript(dir / "respull.sh", "cd \"$1\" && cp results.txt OutputValues.txt\n").string();
  task.variables = {"X"};
  dir.write("task.desc", descriptionFile(task));
  dir.write("study.toml", "plan = \"doe\"\n[variables]\n\"X\" = { lower = 0, upper = 4 }\n[doe]\nmethod = \"factorial\"\nlevels = 5\n");

  TaskrunRun first = runTaskrun(dir.path(), {"task.desc", "study.toml"});
  EXPECT_EQ(first.status, 130) << first.output;
  EXPECT_NE(first.output.find("run again with --resume"), std::string::npos) << first.output;
  EXPECT_EQ(query(dir / "study/Task1.db", "SELECT id, X, status FROM evaluations"),
            (std::vector<std::vector<std::string>>{{"1", "0.0", "ok"}, {"2", "1.0", "ok"}}));
  EXPECT_FALSE(fs::exists(dir / "study/summary.json"));
  // The reports hold what the data log holds, though the plan never got its answers back.
  std::string history = dir.read("study/history.csv");
  EXPECT_EQ(std::count(history.begin(), history.end(), '\n'), 3) << history;
  EXPECT_NE(history.find("\r\n1,1,1,design,0,1,,ran,ok,"), std::string::npos) << history;
  EXPECT_NE(history.find("\r\n2,2,2,design,0,1,,ran,ok,"), std::string::npos) << history;
  EXPECT_NE(dir.read("study/report.html").find("id=\"state\">interrupted<"), std::string::npos);

  TaskrunRun resumed = runTaskrun(dir.path(), {"task.desc", "study.toml", "--resume"});
  ASSERT_EQ(resumed.status, 0) << resumed.output;
  nlohmann::json summary = readJson(dir / "study/summary.json");
  EXPECT_EQ(summary["evaluations"]["reused"], 2);
  EXPECT_EQ(summary["evaluations"]["run"], 3);
  EXPECT_EQ(query(dir / "study/Task1.db", "SELECT COUNT(*), COUNT(DISTINCT X) FROM evaluations WHERE status = 'ok'"),
            (std::vector<std::vector<std::string>>{{"5", "5"}}));
  history = dir.read("study/history.csv");
  EXPECT_EQ(std::count(history.begin(), history.end(), '\n'), 6) << history;  // two from before, three new
  std::size_t second = history.find("\r\n2,2,");
  ASSERT_NE(second, std::string::npos) << history;
  EXPECT_NE(history.substr(second, history.find("\r\n", second + 2) - second).find(",earlier,ok,"), std::string::npos) << history;
  EXPECT_NE(history.find("\r\n5,5,5,design,0,1,,ran,ok,"), std::string::npos) << history;
}

}  // namespace
}  // namespace taskrun_e2e
