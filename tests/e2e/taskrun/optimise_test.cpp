// NLopt's optimisers on a problem whose optimum is not the fully stressed design: minimise
// A + B with 1/A + 1/B <= 1 and 0.25/B <= 1. The optimum is A = B = 2 (mass 4) with only the
// first constraint active; resizing each variable by its own "stress" instead drives B to
// 0.25 and A to its upper bound.
#include "taskrun_e2e.h"

namespace taskrun_e2e {
namespace {

using testing_support::ScopedTempDir;

void writeTask(const ScopedTempDir& dir, double start = 5) {
  TaskSpec task;
  task.inputs = {{"A", start}, {"B", start}};
  task.outputs = {"Mass", "StressA", "StressB"};
  task.script = {"awk '{ v[$1] = $2 } END { a = v[\"A\"]; b = v[\"B\"]; "
                 "printf \"Mass  %.17g\\r\\nStressA  %.17g\\r\\nStressB  %.17g\\r\\n\", a + b, 1 / a + 1 / b, 0.25 / b }' "
                 "InputValues.txt > OutputValues.txt"};
  task.variables = {"A", "B"};
  task.inputBounds = {{"A", 0.1, 10.0}, {"B", 0.1, 10.0}};
  task.outputConstraints = {{"StressA", std::nullopt, 1.0}, {"StressB", std::nullopt, 1.0}};
  dir.write("task.desc", descriptionFile(task));
}

class TaskrunOptimise : public ::testing::TestWithParam<std::string> {};

TEST_P(TaskrunOptimise, ReachesTheTrueOptimumWhereItDiffersFromTheFullyStressedDesign) {
  ScopedTempDir dir;
  writeTask(dir);
  dir.write("optimise.toml", "plan = \"optimise\"\nworkers = 2\n[objective]\noutput = \"Mass\"\n[optimise]\nalgorithm = \"" +
                                 GetParam() + "\"\nxtol-rel = 1e-6\nmax-evaluations = 600\n");
  TaskrunRun run = runTaskrun(dir.path(), {"task.desc", "optimise.toml"});
  ASSERT_EQ(run.status, 0) << run.output;
  nlohmann::json summary = readJson(dir / "optimise/summary.json");
  EXPECT_EQ(summary["plan"], "optimise");
  EXPECT_EQ(summary["status"], "converged") << summary.dump();
  EXPECT_NEAR(summary["best"]["inputs"]["A"].get<double>(), 2, 2e-3) << summary.dump();
  EXPECT_NEAR(summary["best"]["inputs"]["B"].get<double>(), 2, 2e-3) << summary.dump();
  EXPECT_NEAR(summary["best"]["outputs"]["Mass"].get<double>(), 4, 1e-4) << summary.dump();
  EXPECT_LE(summary["best"]["outputs"]["StressA"].get<double>(), 1 + 1e-6);
  EXPECT_NE(dir.read("optimise/variables.svg").find("<polyline"), std::string::npos);

  // The task's own plan, the stress-ratio resizing, settles far from it, on a design that
  // breaks the first constraint (1/10 + 1/0.25 = 4.1): the best feasible design it met (the
  // start) is reported as the best, its own end apart.
  TaskrunRun resizing = runTaskrun(dir.path(), {"task.desc"});
  ASSERT_EQ(resizing.status, 0) << resizing.output;
  nlohmann::json fullyStressed = readJson(dir / "study/summary.json");
  EXPECT_EQ(fullyStressed["plan"], "stress-ratio");
  EXPECT_EQ(fullyStressed["feasible"], true);
  EXPECT_EQ(fullyStressed["best"]["inputs"]["A"], 5.0);
  EXPECT_EQ(fullyStressed["plan_design"]["feasible"], false);
  EXPECT_EQ(fullyStressed["plan_design"]["inputs"]["A"], 10.0);  // held at its upper bound
  EXPECT_NEAR(fullyStressed["plan_design"]["inputs"]["B"].get<double>(), 0.25, 1e-12);
  EXPECT_NEAR(fullyStressed["plan_design"]["worst_constraint"].get<double>(), 3.1, 1e-12);
  EXPECT_NE(resizing.output.find("The plan ended on eval-"), std::string::npos) << resizing.output;
}

INSTANTIATE_TEST_SUITE_P(Algorithms, TaskrunOptimise, ::testing::Values("MMA", "SLSQP", "COBYLA"));

// From A = B = 0.2 (1/A + 1/B = 10, ten times its bound) a budget of three evaluations spends
// itself on the start and its gradient: no design is feasible, and the run says so and fails.
TEST(TaskrunFeasibility, ABudgetSpentOnInfeasibleDesignsEndsWithNoFeasibleDesignFound) {
  ScopedTempDir dir;
  writeTask(dir, 0.2);
  dir.write("optimise.toml", "plan = \"optimise\"\n[objective]\noutput = \"Mass\"\n[optimise]\nmax-evaluations = 3\n");
  TaskrunRun run = runTaskrun(dir.path(), {"task.desc", "optimise.toml"});
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_NE(run.output.find("Plan optimise: budget"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("Result: no feasible design found"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("Best design"), std::string::npos) << run.output;
  // The least infeasible of the three is the start's forward step in A or B (1/0.2002 + 1/0.2).
  EXPECT_NE(run.output.find("Violated constraints:\n  StressA = 9.99"), std::string::npos) << run.output;
  nlohmann::json summary = readJson(dir / "optimise/summary.json");
  EXPECT_EQ(summary["feasible"], false);
  EXPECT_TRUE(summary["best"].is_null());
  EXPECT_EQ(summary["least_infeasible"]["feasible"], false);
  EXPECT_EQ(summary["least_infeasible"]["kind"], "gradient");
  EXPECT_NEAR(summary["least_infeasible"]["worst_constraint"].get<double>(), 1 / 0.2002 + 1 / 0.2 - 1, 1e-9);
  const nlohmann::json& bounds = summary["least_infeasible"]["constraints"];
  ASSERT_EQ(bounds.size(), 2u);
  EXPECT_EQ(bounds[0]["output"], "StressA");
  EXPECT_EQ(bounds[0]["state"], "violated");
  EXPECT_EQ(bounds[0]["limit"], 1.0);
  EXPECT_EQ(bounds[1]["output"], "StressB");
  EXPECT_EQ(bounds[1]["state"], "violated");  // 0.25 / 0.2 = 1.25
  std::string page = dir.read("optimise/report.html");
  EXPECT_NE(page.find("id=\"state\">no feasible design found<"), std::string::npos);
  EXPECT_NE(page.find("No feasible design found. The least infeasible design is eval-00000"), std::string::npos);
}

}  // namespace
}  // namespace taskrun_e2e
