// The study: the task's own plan without a study file, what a study file changes, and the
// study files that are refused with their line.
#include <gtest/gtest.h>

#include <string>

#include "support/text_file.h"
#include "taskrun/plans.h"
#include "taskrun/study.h"
#include "testing/temp_dir.h"

namespace taskrun {
namespace {

using testing_support::sourceDir;

Task plateTask() {
  return readTask(sourceDir() / "tests/e2e/generate/corvane_plate_ne.files/models/plate/cORVANEplate.desc");
}

TEST(Study, WithoutAStudyFileTheTasksOwnStressRatioPlanRuns) {
  // The plate task with a constrained output for each of its three variables.
  std::string text = support::readWholeFile(sourceDir() / "tests/e2e/generate/corvane_plate_ne.files/models/plate/cORVANEplate.desc");
  std::string constraint = "            Parameter: ElemStress7033AtElem2 LowerBound: -5000.0";
  std::size_t at = text.find(constraint);
  ASSERT_NE(at, std::string::npos);
  text.insert(at, "            Parameter: PlateVonMi7033AtElem1 UpperBound: 300.0\r\n"
                  "            Parameter: elemStress7033AtElem3 LowerBound: -200 UpperBound: 200\r\n");
  Task task = taskFromBlocks(parseBlockFile(text, (sourceDir() / "plate.desc").string()));
  Study study = readStudy(task, std::nullopt);
  ASSERT_EQ(study.constraints.size(), 3u);
  EXPECT_EQ(task.outputs[study.constraints[0].output].name, "PlateVonMi7033AtElem1");  // in output order
  EXPECT_FALSE(study.constraints[0].lower);
  EXPECT_EQ(study.constraints[2].upper, 200);
  EXPECT_EQ(study.plan, PlanKind::stressRatio);
  EXPECT_EQ(study.folder, (sourceDir() / "study").lexically_normal());
  EXPECT_EQ(study.stressRatio.simulations, 100);
  ASSERT_EQ(study.variables.size(), 3u);
  EXPECT_EQ(task.inputs[study.variables[1].input].name, "ThicknessAtProp1");
  EXPECT_EQ(study.variables[1].lower, 0.01);
  EXPECT_EQ(study.variables[1].upper, 5.0);
  EXPECT_EQ(study.workers, 1);
  EXPECT_EQ(study.launcher, LauncherKind::local);
  EXPECT_FALSE(study.objective);
}

TEST(Study, TheTasksPlanNeedsAsManyConstrainedOutputsAsVariables) {
  // The plate task has three variables and one constrained output: its plan cannot match them.
  Task task = plateTask();
  EXPECT_THROW(parseStudy(task, "", "study.toml"), StudyError);
  EXPECT_NO_THROW(parseStudy(task, "plan = \"run\"\n", "study.toml"));
}

TEST(Study, AStudyFileReplacesBoundsConstraintsAndPlan) {
  Task task = plateTask();
  Study study = parseStudy(task, R"(
plan = "optimise"
folder = "runs/one"
workers = 3
launcher = "slurm"
[objective]
output = "TotalMass"
sense = "maximise"
[constraints]
"TotalTrans1AtNode9" = { upper = 0.5 }
"PlateVonMi7033AtElem1" = { lower = -250, upper = 250.0 }
[variables]
"ThicknessAtProp2" = { lower = 0.5, upper = 8 }
"XAtNode6" = { lower = 10, upper = 30 }
"AreaAtProp3" = { upper = 9 }
[optimise]
algorithm = "SLSQP"
max-evaluations = 50
xtol-rel = 1e-4
gradient-step = 1e-2
central = true
)",
                           "study.toml");
  EXPECT_EQ(study.plan, PlanKind::optimise);
  EXPECT_EQ(study.folder, (task.file.parent_path() / "runs/one").lexically_normal());
  EXPECT_EQ(study.workers, 3);
  EXPECT_EQ(study.launcher, LauncherKind::slurm);
  ASSERT_TRUE(study.objective);
  EXPECT_EQ(task.outputs[study.objective->output].name, "TotalMass");
  EXPECT_TRUE(study.objective->maximise);
  // In the task's order, whatever the study file's order.
  ASSERT_EQ(study.constraints.size(), 2u);
  EXPECT_EQ(task.outputs[study.constraints[0].output].name, "TotalTrans1AtNode9");
  EXPECT_FALSE(study.constraints[0].lower);
  EXPECT_EQ(study.constraints[1].lower, -250);
  ASSERT_EQ(study.variables.size(), 3u);
  EXPECT_EQ(task.inputs[study.variables[0].input].name, "AreaAtProp3");
  EXPECT_EQ(study.variables[0].lower, 0.01);  // the task's bound where the study gives none
  EXPECT_EQ(study.variables[0].upper, 9);
  EXPECT_EQ(task.inputs[study.variables[2].input].name, "XAtNode6");
  EXPECT_EQ(study.optimise.algorithm, OptimiseOptions::Algorithm::slsqp);
  EXPECT_EQ(study.optimise.maxEvaluations, 50);
  EXPECT_TRUE(study.optimise.central);
}

TEST(Study, DesignOfExperimentsAndStressRatioOptions) {
  Task task = plateTask();
  Study study = parseStudy(task, R"(
plan = "doe"
[doe]
method = "factorial"
levels = 4
seed = 7
[stress-ratio]
tolerance = 1e-3
simulations = 12
)",
                           "study.toml");
  EXPECT_EQ(study.doe.method, DoeOptions::Method::factorial);
  EXPECT_EQ(study.doe.levels, 4);
  EXPECT_EQ(study.doe.seed, 7u);
  EXPECT_EQ(study.stressRatio.tolerance, 1e-3);
  EXPECT_EQ(study.stressRatio.simulations, 12);
}

TEST(Study, EachStudyFileHasAFolderOfItsOwnInsideTheDescriptionFilesFolder) {
  Task task = plateTask();
  std::filesystem::path models = task.file.parent_path();
  EXPECT_EQ(parseStudy(task, "plan = \"run\"\n", "runs/doe.toml").folder, models / "doe");
  EXPECT_EQ(parseStudy(task, "plan = \"run\"\n", "optimise.toml").folder, models / "optimise");
  EXPECT_EQ(parseStudy(task, "plan = \"run\"\n", "optimise.toml").studyName, "optimise.toml");
  EXPECT_EQ(parseStudy(task, "plan = \"run\"\nfolder = \"a/../b/\"\n", "s.toml").folder, models / "b");
  Study absolute = parseStudy(task, "plan = \"run\"\nfolder = \"/scratch/me/study\"\n", "s.toml");
  EXPECT_EQ(absolute.folder, models.root_name() / "/scratch/me/study");  // on Windows, on the models' drive
  EXPECT_TRUE(absolute.folderAbsolute);
}

TEST(Study, StartValuesListsSweepsFailuresAndFolders) {
  testing_support::ScopedTempDir dir;
  Task task = plateTask();
  Study study = parseStudy(task, R"(
plan = "optimise"
keep = "best"
[objective]
output = "TotalMass"
[variables]
"ThicknessAtProp2" = { lower = 0.5, upper = 8, start = 2.5 }
"XAtNode6" = { lower = 10, upper = 30, start = 12 }
[optimise]
starts = 4
seed = 9
[failure]
policy = "infeasible"
retries = 1
step-backs = 3
transient = ["licence", "No space left"]
)",
                           "study.toml");
  EXPECT_EQ(study.variables[0].start, 2.5);
  EXPECT_EQ(study.variables[1].start, 12);
  EXPECT_EQ(study.keep, KeepFolders::best);
  EXPECT_EQ(study.optimise.starts, 4);
  EXPECT_EQ(study.optimise.seed, 9u);
  EXPECT_EQ(study.failure.policy, FailureOptions::Policy::infeasible);
  EXPECT_EQ(study.failure.retries, 1);
  EXPECT_EQ(study.failure.stepBacks, 3);
  EXPECT_EQ(study.failure.transientTexts, (std::vector<std::string>{"licence", "No space left"}));

  // The policy when none is given: surveys go on past failed designs, the others end; "retry"
  // runs a transient failure twice more unless told.
  EXPECT_EQ(parseStudy(task, "plan = \"run\"\n", "s.toml").failure.policy, FailureOptions::Policy::abort);
  EXPECT_EQ(parseStudy(task, "plan = \"sweep\"\n[variables]\n\"XAtNode6\" = { lower = 0, upper = 1 }\n", "s.toml").failure.policy,
            FailureOptions::Policy::infeasible);
  EXPECT_EQ(parseStudy(task, "plan = \"run\"\n[failure]\npolicy = \"retry\"\n", "s.toml").failure.retries, 2);

  // A list: its header's inputs become the variables, in the task's order.
  dir.write("designs.csv", "\xEF\xBB\xBF\"XAtNode6\", AreaAtProp3\r\n# a comment\r\n10, 1.5\r\n\r\n20,2e0\r\n");
  Study list = parseStudy(task, "plan = \"list\"\n[list]\nfile = \"designs.csv\"\n", (dir / "study.toml").string());
  ASSERT_EQ(list.variables.size(), 2u);
  EXPECT_EQ(task.inputs[list.variables[0].input].name, "AreaAtProp3");
  EXPECT_EQ(list.list.designs, (std::vector<std::vector<double>>{{1.5, 10}, {2, 20}}));
  EXPECT_EQ(list.list.lines, (std::vector<std::size_t>{3, 5}));
  EXPECT_EQ(planDescription(list), "2 designs from designs.csv");
  Study withStart = parseStudy(task, "plan = \"list\"\n[list]\nfile = \"designs.csv\"\n[variables]\n\"ThicknessAtProp1\" = { start = 0.5 }\n",
                               (dir / "study.toml").string());
  ASSERT_EQ(withStart.variables.size(), 3u);
  EXPECT_EQ(task.inputs[withStart.variables[1].input].name, "ThicknessAtProp1");
  EXPECT_EQ(withStart.list.designs, (std::vector<std::vector<double>>{{1.5, 0.5, 10}, {2, 0.5, 20}}));

  Study sweep = parseStudy(task, "plan = \"sweep\"\n[sweep]\npoints = 3\n[variables]\n\"XAtNode6\" = { lower = 0, upper = 1 }\n"
                                 "\"AreaAtProp3\" = { lower = 1, upper = 2 }\n",
                           "s.toml");
  EXPECT_EQ(planDescription(sweep), "6 designs: 2 variables through 3 points each, the others at their start values");

  const char* bad[][2] = {
      {"a,b\n", ":1: \"a\" is no input of the task"},
      {"AreaAtProp3,AreaAtProp3\n1,2\n", ":1: \"AreaAtProp3\" stands twice"},
      {"AreaAtProp3,XAtNode6\n1\n", ":2: 1 value for the 2 columns"},
      {"AreaAtProp3\nthick\n", ":2: the value of \"AreaAtProp3\" is no number: \"thick\""},
      {"AreaAtProp3\n1\n99\n", ":3: the value 99 of \"AreaAtProp3\" lies outside its bounds"},
      {"AreaAtProp3\n", ":1: the list holds no designs"}};
  for (const auto& [csv, expected] : bad) {
    dir.write("bad.csv", csv);
    try {
      parseStudy(task, "plan = \"list\"\n[list]\nfile = \"bad.csv\"\n", (dir / "study.toml").string());
      ADD_FAILURE() << "accepted: " << csv;
    } catch (const StudyError& error) {
      EXPECT_EQ(std::string(error.what()).rfind((dir / "bad.csv").string() + expected, 0), 0u) << error.what();
    }
  }
}

struct BadStudy {
  std::string toml;
  std::string expected;  // the start of the message, with its line
};

class StudyRefusal : public ::testing::TestWithParam<BadStudy> {};

TEST_P(StudyRefusal, NamesTheLine) {
  Task task = plateTask();
  try {
    parseStudy(task, GetParam().toml, "study.toml");
    FAIL() << "accepted: " << GetParam().toml;
  } catch (const StudyError& error) {
    EXPECT_EQ(std::string(error.what()).rfind(GetParam().expected, 0), 0u) << error.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, StudyRefusal,
    ::testing::Values(
        BadStudy{"plan = \"run\"\nworkerz = 2\n", "study.toml:2: unknown key \"workerz\""},
        BadStudy{"plan = \"run\"\n[objective]\noutput = \"Mass\"\n", "study.toml:3: \"Mass\" is no output"},
        BadStudy{"plan = \"run\"\n[constraints]\n\"AreaAtProp3\" = { upper = 1 }\n", "study.toml:3: \"AreaAtProp3\" is no output"},
        BadStudy{"plan = \"run\"\n[variables]\n\"TotalMass\" = { upper = 1 }\n", "study.toml:3: \"TotalMass\" is no input"},
        BadStudy{"plan = \"run\"\n[variables]\n\"XAtNode6\" = { upper = 1, step = 2 }\n", "study.toml:3: unknown key \"step\""},
        BadStudy{"plan = \"run\"\n\n[optimise]\nalgorithm = \"BFGS\"\n", "study.toml:4: algorithm \"BFGS\""},
        BadStudy{"plan = \"anneal\"\n", "study.toml:1: plan \"anneal\""},
        BadStudy{"plan = \"run\"\nworkers = \"two\"\n", "study.toml:2: \"workers\" must be a whole number"},
        BadStudy{"plan = \"run\"\nworkers = 0\n", "study.toml:2: \"workers\" must lie between 1 and 256"},
        BadStudy{"plan = \"run\"\n[doe]\nsamples = 2.5\n", "study.toml:3: \"samples\" must be a whole number"},
        BadStudy{"plan = [\n", "study.toml:"},
        BadStudy{"plan = \"optimise\"\n", "study.toml: the optimise plan needs an [objective]"},
        BadStudy{"plan = \"doe\"\n[variables]\n\"XAtNode6\" = { lower = 1 }\n", "study.toml: the variable \"XAtNode6\" needs"},
        BadStudy{"folder = \".\"\n", "study.toml:1: the study folder \".\" is the description file's own folder"},
        BadStudy{"folder = \"../elsewhere\"\n", "study.toml:1: the study folder \"../elsewhere\" leaves the description file's folder"},
        BadStudy{"folder = \"/\"\n", "study.toml:1: the study folder \"/\" is the root folder"},
        BadStudy{"keep = \"some\"\n", "study.toml:1: keep \"some\": expected \"all\", \"failed\", \"best\" or \"none\""},
        BadStudy{"plan = \"run\"\n[variables]\n\"XAtNode6\" = { lower = 0, upper = 1, start = 2 }\n",
                 "study.toml:3: the start value of \"XAtNode6\" lies outside its bounds"},
        BadStudy{"plan = \"run\"\n[failure]\nretries = 2\n", "study.toml: retries = 2 with policy = \"abort\""},
        BadStudy{"plan = \"run\"\n[failure]\npolicy = \"ignore\"\n", "study.toml:3: policy \"ignore\""},
        BadStudy{"plan = \"run\"\n[failure]\ntransient = \"licence\"\n", "study.toml:3: \"transient\" must be a list"},
        BadStudy{"plan = \"list\"\n", "study.toml: the list plan needs [list]"},
        BadStudy{"plan = \"sweep\"\n[sweep]\npoints = 1\n", "study.toml:3: \"points\" must lie between 2"}));

}  // namespace
}  // namespace taskrun
