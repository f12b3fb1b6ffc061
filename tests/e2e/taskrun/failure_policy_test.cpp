// The study file's failure policy: "abort" ends the plan at a failed design; "infeasible"
// steps back toward the last good design (halving the step, a set number of times) and goes
// on; "retry" runs a transient failure again in a fresh folder. And the reason of a failed
// step is what the step itself said: the last lines of its output, with the file's name; a
// solver whose return code was accepted but that left no results is the failed step, not
// Respull.
#include "taskrun_e2e.h"

namespace taskrun_e2e {
namespace {

using testing_support::ScopedTempDir;

using Rows = std::vector<std::vector<std::string>>;

// A solver that fails ("mesh distorted", exit 3) for A strictly between `low` and `high`.
std::string bandSolver(const std::string& low, const std::string& high, const std::string& outputs) {
  return "awk '{ v[$1] = $2 } END { a = v[\"A\"]; b = v[\"B\"]; if (a > " + low + " && a < " + high +
         ") { print \"mesh distorted\" > \"/dev/stderr\"; exit 3 } " + outputs + " }' InputValues.txt > OutputValues.txt";
}

// Minimum mass A + B with 1/A + 1/B <= 1 from (5, 5) (optimum (2, 2)); MMA's second design
// (3.68, 3.68) lies in the band 3 < A < 4 where the solver fails.
void writeOptimiseTask(const ScopedTempDir& dir) {
  TaskSpec task;
  task.inputs = {{"A", 5}, {"B", 5}};
  task.outputs = {"Mass", "StressA"};
  task.script = {bandSolver("3.0", "4.0", "printf \"Mass  %.17g\\r\\nStressA  %.17g\\r\\n\", a + b, 1 / a + 1 / b")};
  task.variables = {"A", "B"};
  task.inputBounds = {{"A", 0.1, 10.0}, {"B", 0.1, 10.0}};
  task.outputConstraints = {{"StressA", std::nullopt, 1.0}};
  dir.write("task.desc", descriptionFile(task));
}

TEST(TaskrunFailurePolicy, TheOptimiserStepsBackFromAFailedDesignUnderInfeasibleAndEndsUnderAbort) {
  ScopedTempDir dir;
  writeOptimiseTask(dir);
  const std::string study = "plan = \"optimise\"\nworkers = 2\n[objective]\noutput = \"Mass\"\n[optimise]\nmax-evaluations = 600\n";
  dir.write("abort.toml", study);
  TaskrunRun aborted = runTaskrun(dir.path(), {"task.desc", "abort.toml"});
  EXPECT_EQ(aborted.status, 1) << aborted.output;
  EXPECT_NE(aborted.output.find("Plan optimise: failed (evaluation 4 failed at Nastran: exit status 3, not among the return "
                                "codes 0 1; taskrun-Nastran.out ends: \"mesh distorted\")"),
            std::string::npos)
      << aborted.output;

  // From two starts side by side, one start's failure ends the plan with its reason.
  dir.write("starts.toml", study + "starts = 2\n");
  aborted = runTaskrun(dir.path(), {"task.desc", "starts.toml"});
  EXPECT_EQ(aborted.status, 1) << aborted.output;
  EXPECT_NE(aborted.output.find("Plan optimise: failed (evaluation "), std::string::npos) << aborted.output;
  EXPECT_NE(aborted.output.find(" failed at Nastran: exit status 3"), std::string::npos) << aborted.output;

  dir.write("infeasible.toml", study + "[failure]\npolicy = \"infeasible\"\n");
  TaskrunRun run = runTaskrun(dir.path(), {"task.desc", "infeasible.toml"});
  ASSERT_EQ(run.status, 0) << run.output;
  nlohmann::json summary = readJson(dir / "infeasible/summary.json");
  EXPECT_EQ(summary["status"], "converged") << summary.dump();
  EXPECT_NEAR(summary["best"]["inputs"]["A"].get<double>(), 2, 2e-3);
  EXPECT_NEAR(summary["best"]["inputs"]["B"].get<double>(), 2, 2e-3);
  // The failed design, then half way back to the start, which succeeds.
  Rows designs = query(dir / "infeasible/Task1.db",
                       "SELECT kind, iteration, printf('%.4f', A), status FROM evaluations WHERE kind != 'gradient' AND id <= 7");
  EXPECT_EQ(designs, (Rows{{"design", "1", "5.0000", "ok"}, {"design", "2", "3.6813", "failed"},
                           {"step-back", "3", "4.3407", "ok"}}));
  EXPECT_EQ(query(dir / "infeasible/Task1.db",
                  "SELECT COUNT(*) > 0 FROM evaluations WHERE kind = 'step-back' AND status = 'ok' AND id > 7"),
            (Rows{{"1"}}));
}

TEST(TaskrunFailurePolicy, TheStressRatioPlanStepsBackAndEndsAfterItsStepBacksFail) {
  ScopedTempDir dir;
  // The resizing of the coupled "stresses" settles on (6, 4) from (1, 1); its second design
  // has A = 3.
  auto writeTask = [&](const std::string& low, const std::string& high) {
    TaskSpec task;
    task.inputs = {{"A", 1}, {"B", 1}};
    task.outputs = {"StressA", "StressB"};
    task.script = {bandSolver(low, high, "printf \"StressA  %.17g\\r\\nStressB  %.17g\\r\\n\", (2 + b) / a, (1 + 0.5 * a) / b")};
    task.variables = {"A", "B"};
    task.inputBounds = {{"A", 0.1, 100.0}, {"B", 0.1, 100.0}};
    task.outputConstraints = {{"StressA", -1.0, 1.0}, {"StressB", -1.0, 1.0}};
    dir.write("task.desc", descriptionFile(task));
  };
  writeTask("2.5", "3.2");
  dir.write("once.toml", "[failure]\npolicy = \"infeasible\"\n");
  TaskrunRun run = runTaskrun(dir.path(), {"task.desc", "once.toml"});
  ASSERT_EQ(run.status, 0) << run.output;
  nlohmann::json summary = readJson(dir / "once/summary.json");
  EXPECT_NEAR(summary["best"]["inputs"]["A"].get<double>(), 6, 1e-4);
  EXPECT_NEAR(summary["best"]["inputs"]["B"].get<double>(), 4, 1e-4);
  EXPECT_EQ(query(dir / "once/Task1.db", "SELECT id, kind, iteration, A, B, status FROM evaluations WHERE id <= 3"),
            (Rows{{"1", "design", "1", "1.0", "1.0", "ok"}, {"2", "design", "2", "3.0", "1.5", "failed"},
                  {"3", "step-back", "2", "2.0", "1.25", "ok"}}));
  // The report tells the step back as such, and counts it beyond the plan's 100 resizings.
  EXPECT_NE(dir.read("once/history.csv").find("\r\n3,3,2,step-back,0,1,,ran,ok,"), std::string::npos);
  EXPECT_NE(run.output.find("eval-000003    3 of 101  step-back  ok"), std::string::npos) << run.output;

  // A band the resizing keeps running into: three halvings, then the plan ends.
  writeTask("5.5", "5.9");
  dir.write("wall.toml", "[failure]\npolicy = \"infeasible\"\nstep-backs = 3\n");
  run = runTaskrun(dir.path(), {"task.desc", "wall.toml"});
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_NE(run.output.find("mesh distorted\"; 3 steps back toward the last good design failed too)"), std::string::npos)
      << run.output;
  Rows last = query(dir / "wall/Task1.db", "SELECT kind, status FROM evaluations ORDER BY id DESC LIMIT 4");
  EXPECT_EQ(last, (Rows{{"step-back", "failed"}, {"step-back", "failed"}, {"step-back", "failed"}, {"design", "failed"}}));
}

TEST(TaskrunFailurePolicy, ATransientFailureRunsAgainInAFreshFolderAndOthersEndThePlan) {
  ScopedTempDir dir;
  fs::path tried = dir / "tried";
  fs::create_directories(tried);
  // Every design's first solver run finds no licence; X = 2 then fails for good (exit 5).
  TaskSpec task;
  task.inputs = {{"X", 0}};
  task.outputs = {"Y"};
  task.script = {"x=$(tr -d '\\r' < InputValues.txt | awk '$1==\"X\"{print $2}')",
                 "if [ ! -e " + shellQuoted(tried.string()) + "/$x ]; then touch " + shellQuoted(tried.string()) +
                     "/$x; echo 'Checking out a licence'; echo 'ERROR: no licence available for feature NASTRAN'; exit 4; fi",
                 "[ \"$x\" = 2 ] && { echo 'singular matrix'; exit 5; }",
                 "awk '$1==\"X\" { printf \"Y  %.17g\\r\\n\", $2 * $2 }' InputValues.txt > OutputValues.txt"};
  task.variables = {"X"};
  dir.write("task.desc", descriptionFile(task));
  dir.write("retry.toml", "plan = \"doe\"\n[variables]\n\"X\" = { lower = 0, upper = 1 }\n[doe]\nmethod = \"factorial\"\n"
                          "levels = 2\n[failure]\npolicy = \"retry\"\nretries = 1\n");
  TaskrunRun run = runTaskrun(dir.path(), {"task.desc", "retry.toml"});
  ASSERT_EQ(run.status, 0) << run.output;
  const std::string licence =
      "exit status 4, not among the return codes 0 1; taskrun-Nastran.out ends: \"Checking out a licence | ERROR: no licence "
      "available for feature NASTRAN\"";
  EXPECT_EQ(query(dir / "retry/Task1.db", "SELECT id, X, status, reason, attempt, retry_of, transient FROM evaluations"),
            (Rows{{"1", "0.0", "failed", licence, "1", "0", "1"},
                  {"2", "1.0", "failed", licence, "1", "0", "1"},
                  {"3", "0.0", "ok", "NULL", "2", "1", "0"},
                  {"4", "1.0", "ok", "NULL", "2", "2", "0"}}));
  EXPECT_TRUE(fs::exists(dir / "retry/eval-000001/taskrun-Nastran.out"));  // the failed attempt's folder stays
  // history.csv and the progress lines hold every attempt; each run again adds to the budget of 2.
  std::string history = dir.read("retry/history.csv");
  EXPECT_NE(history.find("\r\n1,1,1,design,0,1,,ran,failed,"), std::string::npos) << history;
  EXPECT_NE(history.find("\r\n3,3,1,design,0,2,1,ran,ok,"), std::string::npos) << history;
  EXPECT_NE(history.find("\r\n4,4,2,design,0,2,2,ran,ok,"), std::string::npos) << history;
  EXPECT_NE(run.output.find("eval-000001  1 of 2  design    failed"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("eval-000004  4 of 4  design    ok"), std::string::npos) << run.output;
  nlohmann::json summary = readJson(dir / "retry/summary.json");
  EXPECT_EQ(summary["status"], "converged");
  EXPECT_EQ(summary["best"]["inputs"]["X"], 0.0);

  // A failure that is not transient is not run again; "retry" then ends the plan, and the
  // designs not yet started are not run.
  dir.write("hard.toml", "plan = \"doe\"\n[variables]\n\"X\" = { lower = 2, upper = 3 }\n[doe]\nmethod = \"factorial\"\n"
                         "levels = 2\n[failure]\npolicy = \"retry\"\nretries = 3\n");
  run = runTaskrun(dir.path(), {"task.desc", "hard.toml"});
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_EQ(query(dir / "hard/Task1.db", "SELECT id, X, status, attempt, transient FROM evaluations"),
            (Rows{{"1", "2.0", "failed", "1", "1"}, {"2", "3.0", "failed", "1", "1"}, {"3", "2.0", "failed", "2", "0"}}));
  EXPECT_NE(run.output.find("Plan doe: failed (evaluation 3 failed at Nastran: exit status 5, not among the return codes 0 1; "
                            "taskrun-Nastran.out ends: \"singular matrix\" (1 of 2 designs not run))"),
            std::string::npos)
      << run.output;
  // The design not run is no failed evaluation of the report.
  nlohmann::json hard = readJson(dir / "hard/summary.json");
  EXPECT_EQ(hard["evaluations"]["failed"], 3);
  EXPECT_EQ(hard["evaluations"]["in_data_log"], 3);
  EXPECT_EQ(dir.read("hard/history.csv").find("\r\n4,"), std::string::npos);
}

TEST(TaskrunFailurePolicy, ASolverThatLeftNoResultsIsTheFailedStepWithItsOwnWords) {
  ScopedTempDir dir;
  dir.write("truss.mod", "FEMAPSIM 1\n");
  dir.write("Modprep.txt", "Reference Model (FEMAP) = truss.mod\r\nInput Deck (NastranNX) = truss.dat\r\nNameValue = InputValues.txt\r\n");
  dir.write("Respull.txt", "Reference Model (FEMAP) = truss.mod\r\nResults File (NastranNX) = truss.op2\r\n"
                           "OutputNameValue = OutputValues.txt\r\n");
  TaskSpec task;
  task.inputs = {{"X", 0}};
  task.outputs = {"Y"};
  // The solver's return code 1 is one of the task's ("ReturnCodes: 0 1"), as a Nastran run
  // with warnings returns; this one stopped on a fatal error and wrote no results.
  task.script = {"echo '*** USER FATAL MESSAGE 2025: UNDEFINED COORDINATE SYSTEM 7'; echo 'FATAL ERROR'; exit 1"};
  task.respull = writeScript(dir / "respull.sh", "touch " + shellQuoted((dir / "respull-ran").string()) + "; exit 1\n").string();
  task.variables = {"X"};
  dir.write("task.desc", descriptionFile(task));
  dir.write("study.toml", "plan = \"run\"\n");
  TaskrunRun run = runTaskrun(dir.path(), {"task.desc", "study.toml"});
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_EQ(query(dir / "study/Task1.db", "SELECT failed_step, reason FROM evaluations"),
            (Rows{{"Nastran", "ended with exit status 1, one of its return codes, but wrote no results file \"truss.op2\"; "
                              "taskrun-Nastran.out ends: \"*** USER FATAL MESSAGE 2025: UNDEFINED COORDINATE SYSTEM 7 | "
                              "FATAL ERROR\""}}));
  EXPECT_FALSE(fs::exists(dir / "respull-ran"));
}

}  // namespace
}  // namespace taskrun_e2e
