// A study killed outright (SIGKILL) in the middle of an evaluation and started again with
// --resume runs no finished evaluation again and ends on the same design as a study that ran
// through.
#include "taskrun_e2e.h"

namespace taskrun_e2e {
namespace {

using testing_support::ScopedTempDir;

// A stress-ratio task whose "stresses" couple the two variables, so that the plan takes
// some forty resizings to settle on (6, 4). The Modprep stand-in counts its runs in `counter`
// and, when `killAt` is given, kills taskrun (its parent) at that run once.
void writeTask(const ScopedTempDir& dir, const fs::path& counter, const std::string& killAt) {
  TaskSpec task;
  task.inputs = {{"A", 1}, {"B", 1}};
  task.outputs = {"StressA", "StressB", "Mass"};
  std::string kill;
  if (!killAt.empty()) {
    fs::path killed = dir / "killed";
    kill = "if [ \"$n\" = " + killAt + " ] && [ ! -e " + shellQuoted(killed.string()) + " ]; then touch " +
           shellQuoted(killed.string()) + "; kill -KILL $PPID; exit 0; fi\n";
  }
  task.modprep = writeScript(dir / "modprep.sh", "n=$(( $(cat " + shellQuoted(counter.string()) + " 2>/dev/null || echo 0) + 1 ))\n"
                                                 "echo $n > " + shellQuoted(counter.string()) + "\n" + kill)
                     .string();
  task.script = {"awk '{ v[$1] = $2 } END { printf \"StressA  %.17g\\r\\nStressB  %.17g\\r\\nMass  %.17g\\r\\n\", "
                 "(2 + v[\"B\"]) / v[\"A\"], (1 + 0.5 * v[\"A\"]) / v[\"B\"], v[\"A\"] + v[\"B\"] }' InputValues.txt > "
                 "OutputValues.txt"};
  task.variables = {"A", "B"};
  task.inputBounds = {{"A", 0.1, 100.0}, {"B", 0.1, 100.0}};
  task.outputConstraints = {{"StressA", -1.0, 1.0}, {"StressB", -1.0, 1.0}};
  dir.write("task.desc", descriptionFile(task));
}

TEST(TaskrunResume, AfterSigkillNoFinishedEvaluationRunsAgainAndTheStudyEndsOnTheSameDesign) {
  ScopedTempDir through, killed;
  writeTask(through, through / "count", "");
  TaskrunRun reference = runTaskrun(through.path(), {"task.desc"});
  ASSERT_EQ(reference.status, 0) << reference.output;
  nlohmann::json expected = readJson(through / "study/summary.json");
  ASSERT_EQ(expected["status"], "converged");
  EXPECT_NEAR(expected["best"]["inputs"]["A"].get<double>(), 6, 1e-4);
  EXPECT_NEAR(expected["best"]["inputs"]["B"].get<double>(), 4, 1e-4);
  int total = expected["evaluations"]["run"];
  ASSERT_GT(total, 10);

  writeTask(killed, killed / "count", "7");
  TaskrunRun first = runTaskrun(killed.path(), {"task.desc"});
  EXPECT_EQ(first.status, 128 + 9) << first.output;
  EXPECT_EQ(query(killed / "study/Task1.db", "SELECT COUNT(*) FROM evaluations"), (std::vector<std::vector<std::string>>{{"6"}}));
  // history.csv gains a row as each evaluation ends: a kill leaves it with the data log's rows.
  std::string history = killed.read("study/history.csv");
  EXPECT_EQ(std::count(history.begin(), history.end(), '\n'), 7) << history;

  TaskrunRun resumed = runTaskrun(killed.path(), {"task.desc", "--resume"});
  ASSERT_EQ(resumed.status, 0) << resumed.output;
  nlohmann::json summary = readJson(killed / "study/summary.json");
  EXPECT_EQ(summary["evaluations"]["reused"], 6);
  EXPECT_EQ(summary["evaluations"]["run"], total - 6);
  EXPECT_EQ(summary["best"], expected["best"]);  // the same design, bit for bit, and its outputs
  // Every design of the study was evaluated once: 6 before the kill, the rest after it.
  EXPECT_EQ(killed.read("count"), std::to_string(7 + total - 6) + "\n");
  EXPECT_EQ(query(killed / "study/Task1.db", "SELECT COUNT(*), COUNT(DISTINCT A || ' ' || B) FROM evaluations"),
            (std::vector<std::vector<std::string>>{{std::to_string(total), std::to_string(total)}}));
}

}  // namespace
}  // namespace taskrun_e2e
