// More ways to run a study: start values of the study file, the designs of a CSV list, a
// sweep of one variable at a time, several optimiser starts side by side; and which
// evaluation folders stay ("keep").
#include "taskrun_e2e.h"

namespace taskrun_e2e {
namespace {

using testing_support::ScopedTempDir;

using Rows = std::vector<std::vector<std::string>>;

// Y = X * X + Z, and a design fails when X is 0.5.
void writeTask(const ScopedTempDir& dir) {
  TaskSpec task;
  task.inputs = {{"X", 1}, {"Z", 0}};
  task.outputs = {"Y"};
  task.script = {"awk '{ v[$1] = $2 } END { if (v[\"X\"] + 0 == 0.5) exit 3; printf \"Y  %.17g\\r\\n\", v[\"X\"] * v[\"X\"] + v[\"Z\"] }' "
                 "InputValues.txt > OutputValues.txt"};
  task.variables = {"X", "Z"};
  task.inputBounds = {{"X", 0.0, 2.0}, {"Z", 0.0, 1.0}};
  dir.write("task.desc", descriptionFile(task));
}

TEST(TaskrunPlans, StartValuesAListOfDesignsAndASweep) {
  ScopedTempDir dir;
  writeTask(dir);
  dir.write("start.toml", "plan = \"run\"\n[variables]\n\"X\" = { start = 1.5 }\n\"Z\" = { start = 0.25 }\n");
  TaskrunRun run = runTaskrun(dir.path(), {"task.desc", "start.toml"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(query(dir / "start/Task1.db", "SELECT X, Z, Y FROM evaluations"), (Rows{{"1.5", "0.25", "2.5"}}));

  // The list's columns in any order; an input it leaves out keeps its initial value.
  dir.write("designs.csv", "Z,X\r\n0.5,2\r\n1,0\r\n");
  dir.write("list.toml", "plan = \"list\"\n[list]\nfile = \"designs.csv\"\n");
  run = runTaskrun(dir.path(), {"task.desc", "list.toml"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("taskrun: plan list (2 designs from designs.csv), 2 variables"), std::string::npos) << run.output;
  EXPECT_EQ(query(dir / "list/Task1.db", "SELECT X, Z, Y FROM evaluations"), (Rows{{"2.0", "0.5", "4.5"}, {"0.0", "1.0", "1.0"}}));
  dir.write("only-x.csv", "X\n0.25\n");
  dir.write("only-x.toml", "plan = \"list\"\n[list]\nfile = \"only-x.csv\"\n");
  ASSERT_EQ(runTaskrun(dir.path(), {"task.desc", "only-x.toml"}).status, 0);
  EXPECT_EQ(query(dir / "only-x/Task1.db", "SELECT X, Z FROM evaluations"), (Rows{{"0.25", "0.0"}}));

  // X through 0, 1, 2 with Z at its start, then Z through 0, 0.5, 1 with X at its start: the
  // design (1, 0) comes twice and runs once.
  dir.write("sweep.toml", "plan = \"sweep\"\n[sweep]\npoints = 3\n");
  run = runTaskrun(dir.path(), {"task.desc", "sweep.toml"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("taskrun: plan sweep (6 designs: 2 variables through 3 points each, the others at their start "
                            "values)"),
            std::string::npos)
      << run.output;
  EXPECT_EQ(query(dir / "sweep/Task1.db", "SELECT X, Z FROM evaluations"),
            (Rows{{"0.0", "0.0"}, {"1.0", "0.0"}, {"2.0", "0.0"}, {"1.0", "0.5"}, {"1.0", "1.0"}}));
  EXPECT_EQ(readJson(dir / "sweep/summary.json")["message"], "6 designs, 0 failed");
  // Progress counts against the designs that run: the one that comes twice is not among them.
  EXPECT_NE(run.output.find("eval-000005  5 of 5  design"), std::string::npos) << run.output;
}

TEST(TaskrunPlans, SeveralStartsRunSideBySideAndTheBestEndIsTaken) {
  ScopedTempDir dir;
  // f = (x^2 - 4)^2 + x on [-3, 3]: a local minimum near x = 2 (f about 2), the lowest near
  // x = -2 (f about -2). From its start value 2.5 a gradient optimiser stops at the first.
  TaskSpec task;
  task.inputs = {{"X", 2.5}};
  task.outputs = {"F"};
  task.script = {"awk '$1==\"X\" { x = $2; printf \"F  %.17g\\r\\n\", (x * x - 4) ^ 2 + x }' InputValues.txt > OutputValues.txt"};
  task.variables = {"X"};
  task.inputBounds = {{"X", -3.0, 3.0}};
  dir.write("task.desc", descriptionFile(task));
  const std::string study =
      "plan = \"optimise\"\nworkers = 4\n[objective]\noutput = \"F\"\n[optimise]\nalgorithm = \"SLSQP\"\nxtol-rel = 1e-4\n";
  dir.write("one.toml", study);
  TaskrunRun one = runTaskrun(dir.path(), {"task.desc", "one.toml"});
  ASSERT_EQ(one.status, 0) << one.output;
  EXPECT_NEAR(readJson(dir / "one/summary.json")["best"]["inputs"]["X"].get<double>(), 1.97, 0.02);

  dir.write("four.toml", study + "starts = 4\nseed = 5\n");
  TaskrunRun four = runTaskrun(dir.path(), {"task.desc", "four.toml"});
  ASSERT_EQ(four.status, 0) << four.output;
  nlohmann::json summary = readJson(dir / "four/summary.json");
  EXPECT_NEAR(summary["best"]["inputs"]["X"].get<double>(), -2.03, 0.02) << summary.dump();
  EXPECT_NE(summary["message"].get<std::string>().find("the best of 4 starts is start "), std::string::npos) << summary.dump();
  // The first round: every start's design and its perturbed design, asked together.
  EXPECT_EQ(query(dir / "four/Task1.db", "SELECT start, iteration, kind FROM evaluations WHERE id <= 8"),
            (Rows{{"1", "1", "design"}, {"1", "1", "gradient"}, {"2", "1", "design"}, {"2", "1", "gradient"},
                  {"3", "1", "design"}, {"3", "1", "gradient"}, {"4", "1", "design"}, {"4", "1", "gradient"}}));
  EXPECT_EQ(query(dir / "four/Task1.db", "SELECT printf('%.17g', X) FROM evaluations WHERE id = 1"), (Rows{{"2.5"}}));
  // The budget is max-evaluations for each start; history.csv tells each row's start (its rows
  // in the order the evaluations ended).
  EXPECT_NE(four.output.find("     1 of 8000  "), std::string::npos) << four.output;
  EXPECT_NE(dir.read("four/history.csv").find(",3,1,design,2,1,,ran,ok,"), std::string::npos);
}

TEST(TaskrunPlans, KeepDecidesWhichEvaluationFoldersStay) {
  ScopedTempDir dir;
  writeTask(dir);
  // X = 1, 0.5 (fails), 1.5, 0: the best (least Y) comes last.
  dir.write("designs.csv", "X\n1\n0.5\n1.5\n0\n");
  auto folders = [&](const std::string& study) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir / study)) {
      if (entry.path().filename().string().rfind("eval-", 0) == 0) names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  };
  for (const auto& [keep, expected] : std::vector<std::pair<std::string, std::vector<std::string>>>{
           {"all", {"eval-000001", "eval-000002", "eval-000003", "eval-000004"}},
           {"failed", {"eval-000002"}},
           {"best", {"eval-000004"}},
           {"none", {}}}) {
    dir.write(keep + ".toml", "plan = \"list\"\nkeep = \"" + keep + "\"\n[list]\nfile = \"designs.csv\"\n[objective]\noutput = \"Y\"\n");
    TaskrunRun run = runTaskrun(dir.path(), {"task.desc", keep + ".toml"});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(folders(keep), expected) << keep;
    EXPECT_EQ(query(dir / (keep + "/Task1.db"), "SELECT COUNT(*) FROM evaluations"), (Rows{{"4"}})) << keep;
  }
}

}  // namespace
}  // namespace taskrun_e2e
