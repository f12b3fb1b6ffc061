// Several evaluations at once: each in its own folder with its own copies of the exchange
// files and the model, so that two workers never share a file; and with a shared FEMAP the
// FEMAP steps take turns while the solver steps overlap.
#include <sys/stat.h>

#include <set>

#include "taskrun_e2e.h"

namespace taskrun_e2e {
namespace {

using testing_support::ScopedTempDir;

const char kStudy[] = R"(plan = "doe"
workers = 2
[variables]
"A" = { lower = 0, upper = 1 }
"B" = { lower = 0, upper = 1 }
[doe]
method = "lhs"
samples = 6
seed = 3
)";

// The solver: Y = 3A + B from the folder's own "InputValues.txt".
const char kSolver[] =
    "awk '{ v[$1] = $2 } END { printf \"Y  %.17g\\r\\n\", 3 * v[\"A\"] + v[\"B\"] }' InputValues.txt > results.txt";

TaskSpec twoVariables(const ScopedTempDir& dir, const std::string& modprepBody, const std::string& respullBody) {
  TaskSpec task;
  task.inputs = {{"A", 0.5}, {"B", 0.5}};
  task.outputs = {"Y"};
  task.modprep = writeScript(dir / "modprep.sh", "cd \"$1\" || exit 1\n" + modprepBody).string();
  task.respull = writeScript(dir / "respull.sh", "cd \"$1\" || exit 1\n" + respullBody + "cp results.txt OutputValues.txt\n").string();
  task.variables = {"A", "B"};
  return task;
}

// Y of every evaluation as its own inputs give it: an evaluation that read another's file
// would not match.
void expectOwnResults(const fs::path& database, std::size_t count) {
  auto rows = query(database, "SELECT status, printf('%.17g', A), printf('%.17g', B), printf('%.17g', Y) FROM evaluations");
  ASSERT_EQ(rows.size(), count);
  for (const auto& row : rows) {
    ASSERT_EQ(row[0], "ok");
    EXPECT_DOUBLE_EQ(std::stod(row[3]), 3 * std::stod(row[1]) + std::stod(row[2]));
  }
}

TEST(TaskrunWorkers, TwoWorkersRunSideBySideAndNeverShareAFile) {
  ScopedTempDir dir;
  fs::path shared = dir / "shared";
  fs::create_directories(shared);
  fs::create_directories(dir / "models");
  dir.write("models/truss.mod", "FEMAPSIM 1\n");
  dir.write("Modprep.txt", "Reference Model (FEMAP) = " + (dir / "models/truss.mod").string() +
                               "\r\nInput Deck (NastranNX) = truss.dat\r\nNameValue = InputValues.txt\r\n");
  dir.write("Respull.txt", "Reference Model (FEMAP) = " + (dir / "models/truss.mod").string() +
                               "\r\nResults File (NastranNX) = results.txt\r\nOutputNameValue = OutputValues.txt\r\n");
  dir.write("FunctionsInputvalues.txt", "");
  // Every Modprep checks its folder's copies, then waits for a second one to have started:
  // only two evaluations running at once get past the first two.
  std::string modprep = "touch " + shellQuoted((shared / "modprep-").string()) + "$(basename \"$PWD\")\n" +
                        waitUntil("[ $(ls " + shellQuoted(shared.string()) + " | grep -c '^modprep-') -ge 2 ]",
                                  "no second evaluation runs beside this one") +
                        "grep -q '^Reference Model (FEMAP) = truss.mod' Modprep.txt || exit 3\n"
                        "grep -q '^Reference Model (FEMAP) = truss.mod' Respull.txt || exit 4\n"
                        "[ -f truss.mod ] && [ -f FunctionsInputvalues.txt ] && [ -f InputValues.txt ] || exit 5\n";
  TaskSpec task = twoVariables(dir, modprep, "");
  task.script = {kSolver};
  dir.write("task.desc", descriptionFile(task));
  dir.write("study.toml", kStudy);

  TaskrunRun run = runTaskrun(dir.path(), {"task.desc", "study.toml"});
  ASSERT_EQ(run.status, 0) << run.output;
  expectOwnResults(dir / "study/Task1.db", 6);
  // Six folders, each with a model file of its own (a copy, not a link to another).
  std::set<ino_t> models;
  struct stat original {};
  ASSERT_EQ(::stat((dir / "models/truss.mod").c_str(), &original), 0);
  models.insert(original.st_ino);
  for (int id = 1; id <= 6; ++id) {
    struct stat copy {};
    fs::path folder = dir / "study" / ("eval-00000" + std::to_string(id));
    ASSERT_EQ(::stat((folder / "truss.mod").c_str(), &copy), 0) << folder;
    EXPECT_TRUE(models.insert(copy.st_ino).second) << folder;
    EXPECT_EQ(support::readWholeFile(folder / "Modprep.txt"),
              "Reference Model (FEMAP) = truss.mod\r\nInput Deck (NastranNX) = truss.dat\r\nNameValue = InputValues.txt\r\n");
  }
}

TEST(TaskrunWorkers, WithASharedFemapTheFemapStepsTakeTurnsWhileTheSolverStepsOverlap) {
  ScopedTempDir dir;
  fs::path shared = dir / "shared";
  fs::create_directories(shared);
  // A FEMAP step fails when another one is running (mkdir is atomic); a solver step waits
  // until another solver step has started.
  std::string femapStep = "mkdir " + shellQuoted((shared / "femap-busy").string()) + " || exit 6\n" +
                          "touch " + shellQuoted((shared / "femap-").string()) + "$$\n" +
                          "rmdir " + shellQuoted((shared / "femap-busy").string()) + "\n";
  TaskSpec task = twoVariables(dir, femapStep, femapStep);
  writeScript(dir / "solver.sh", "touch " + shellQuoted((shared / "solver-").string()) + "$(basename \"$PWD\")\n" +
                                     waitUntil("[ $(ls " + shellQuoted(shared.string()) + " | grep -c '^solver-') -ge 2 ]",
                                               "no second solver step runs beside this one") +
                                     kSolver + "\n");
  task.script = {"sh " + (dir / "solver.sh").string()};
  dir.write("task.desc", descriptionFile(task));
  dir.write("study.toml", kStudy);

  TaskrunRun run = runTaskrun(dir.path(), {"task.desc", "study.toml"}, {{"FEMAPSIM_ATTACH", "1"}});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("FEMAP shared"), std::string::npos) << run.output;
  expectOwnResults(dir / "study/Task1.db", 6);
}

}  // namespace
}  // namespace taskrun_e2e
