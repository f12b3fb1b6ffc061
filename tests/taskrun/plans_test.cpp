// The designs of a design of experiments, and which of two evaluations is the better design.
#include <gtest/gtest.h>

#include <set>

#include "taskrun/plans.h"

namespace taskrun {
namespace {

std::vector<Variable> twoVariables() { return {{0, 1.0, 3.0, {}}, {1, -10.0, 10.0, {}}}; }

TEST(DesignOfExperiments, ALatinHypercubeFillsEveryStratumOfEveryVariableOnce) {
  std::vector<Variable> variables = twoVariables();
  auto designs = latinHypercube(variables, 8, 42);
  ASSERT_EQ(designs.size(), 8u);
  for (std::size_t v = 0; v < variables.size(); ++v) {
    std::set<int> strata;
    for (const auto& design : designs) {
      double fraction = (design[v] - *variables[v].lower) / (*variables[v].upper - *variables[v].lower);
      ASSERT_GE(fraction, 0);
      ASSERT_LE(fraction, 1);
      strata.insert(static_cast<int>(fraction * 8));
    }
    EXPECT_EQ(strata.size(), 8u);
  }
  EXPECT_EQ(latinHypercube(variables, 8, 42), designs);  // the seed fixes the designs
  EXPECT_NE(latinHypercube(variables, 8, 43), designs);
}

TEST(DesignOfExperiments, AFullFactorialHasEveryCombinationOfLevels) {
  auto designs = fullFactorial(twoVariables(), 3);
  ASSERT_EQ(designs.size(), 9u);
  EXPECT_EQ(designs.front(), (std::vector<double>{1, -10}));
  EXPECT_EQ(designs[1], (std::vector<double>{2, -10}));
  EXPECT_EQ(designs.back(), (std::vector<double>{3, 10}));
  EXPECT_EQ(fullFactorial(twoVariables(), 1), (std::vector<std::vector<double>>{{2, 0}}));
}

TEST(Measures, FeasibleBeforeInfeasibleThenTheObjective) {
  Task task;
  task.outputs = {{"Mass", 1}, {"Stress", 2}};
  Study study;
  study.objective = Objective{0, false};
  study.constraints = {{1, -100.0, 100.0}};
  Measures measures(task, study);
  auto evaluation = [](double mass, double stress) {
    EvaluationRecord record;
    record.ok = true;
    record.outputs = {mass, stress};
    return record;
  };
  EXPECT_EQ(measures.worstConstraint(evaluation(1, 150)), 0.5);
  EXPECT_EQ(measures.worstConstraint(evaluation(1, -50)), -0.5);
  EXPECT_TRUE(measures.better(evaluation(10, 99), evaluation(1, 101)));   // feasible first
  EXPECT_TRUE(measures.better(evaluation(5, 99), evaluation(10, 0)));     // then the lighter
  EXPECT_TRUE(measures.better(evaluation(50, 110), evaluation(1, 120)));  // the smaller violation
  EXPECT_TRUE(measures.feasible(evaluation(1, 100 * (1 + 1e-7))));
  study.objective->maximise = true;
  EXPECT_TRUE(measures.better(evaluation(10, 0), evaluation(5, 99)));
  EvaluationRecord failed = evaluation(0, 0);
  failed.ok = false;
  EXPECT_FALSE(measures.objective(failed));
  EXPECT_FALSE(measures.worstConstraint(failed));
}

}  // namespace
}  // namespace taskrun
