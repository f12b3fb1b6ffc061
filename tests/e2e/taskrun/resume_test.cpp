// A study killed outright (SIGKILL) in the middle of an evaluation and started again with
// --resume runs no finished evaluation again and ends on the same design as a study that ran
// through.
#include <signal.h>

#include <random>

#include "taskrun_e2e.h"
#include "testing/process_state.h"

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

// Every process whose working folder lies in `folder`: what a killed taskrun left running.
std::vector<std::string> processesIn(const fs::path& folder) {
  std::vector<std::string> found;
  std::error_code error;
  for (fs::directory_iterator entry("/proc", error), end; !error && entry != end; entry.increment(error)) {
    std::string pid = entry->path().filename().string();
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    std::error_code gone;
    fs::path cwd = fs::read_symlink(entry->path() / "cwd", gone);
    if (!gone && cwd.string().rfind(folder.string(), 0) == 0 && testing_support::processAlive(pid)) found.push_back(pid);
  }
  return found;
}

// The optimiser from two starts side by side, two workers: killed outright at moments drawn
// from a fixed seed (inside a step, between steps, while the data log is written), resumed
// each time, it always ends on the design of a study that ran through, and no design is
// stored twice.
TEST(TaskrunResume, KilledAtRandomMomentsAndResumedEveryTimeItEndsOnTheSameBestDesign) {
  auto writeOptimiseTask = [](const ScopedTempDir& dir) {
    TaskSpec task;
    task.inputs = {{"A", 5}, {"B", 5}};
    task.outputs = {"Mass", "StressA"};
    task.script = {"awk '{ v[$1] = $2 } END { a = v[\"A\"]; b = v[\"B\"]; "
                   "printf \"Mass  %.17g\\r\\nStressA  %.17g\\r\\n\", a + b, 1 / a + 1 / b }' InputValues.txt > OutputValues.txt"};
    task.variables = {"A", "B"};
    task.inputBounds = {{"A", 0.1, 10.0}, {"B", 0.1, 10.0}};
    task.outputConstraints = {{"StressA", std::nullopt, 1.0}};
    dir.write("task.desc", descriptionFile(task));
    dir.write("study.toml", "plan = \"optimise\"\nworkers = 2\n[objective]\noutput = \"Mass\"\n[optimise]\n"
                            "max-evaluations = 200\nxtol-rel = 1e-3\nstarts = 2\nseed = 3\n");
  };
  ScopedTempDir through, killed;
  writeOptimiseTask(through);
  TaskrunRun reference = runTaskrun(through.path(), {"task.desc", "study.toml"});
  ASSERT_EQ(reference.status, 0) << reference.output;
  nlohmann::json expected = readJson(through / "study/summary.json");

  writeOptimiseTask(killed);
  std::mt19937 random(20240507);
  std::uniform_int_distribution<int> moment(30, 400);  // milliseconds after the start
  int kills = 0;
  for (int round = 0; round < 6; ++round) {
    std::vector<std::string> arguments{"task.desc", "study.toml"};
    if (round > 0) arguments.push_back("--resume");
    std::string pid = startTaskrun(killed.path(), arguments, killed / "run.out");
    std::this_thread::sleep_for(std::chrono::milliseconds(moment(random)));  // the moment of the kill, not a wait
    if (::kill(std::stoi(pid), SIGKILL) == 0) ++kills;
    ASSERT_TRUE(testing_support::processEnds(pid));
    // The steps the killed run left go their way before the next run starts.
    for (int i = 0; i < 1000 && !processesIn(killed / "study").empty(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  EXPECT_GE(kills, 3);
  TaskrunRun last = runTaskrun(killed.path(), {"task.desc", "study.toml", "--resume"});
  ASSERT_EQ(last.status, 0) << last.output;
  nlohmann::json summary = readJson(killed / "study/summary.json");
  EXPECT_EQ(summary["best"]["inputs"], expected["best"]["inputs"]);  // bit for bit
  EXPECT_EQ(summary["best"]["outputs"], expected["best"]["outputs"]);
  EXPECT_EQ(query(killed / "study/Task1.db",
                  "SELECT COUNT(*) = COUNT(DISTINCT hex(inputs)) FROM evaluations WHERE status = 'ok'"),
            (std::vector<std::vector<std::string>>{{"1"}}));
  EXPECT_EQ(query(killed / "study/Task1.db", "SELECT COUNT(*) FROM evaluations WHERE status != 'ok'"),
            (std::vector<std::vector<std::string>>{{"0"}}));
}

}  // namespace
}  // namespace taskrun_e2e
