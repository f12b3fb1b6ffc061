// The description file as "Apply" writes it, read into a task; and the lines a reader must
// refuse, each with its line and what was expected.
#include <gtest/gtest.h>

#include <string>

#include "support/strings.h"
#include "support/text_file.h"
#include "taskrun/task.h"
#include "testing/temp_dir.h"

namespace taskrun {
namespace {

using testing_support::sourceDir;

std::string storedDescription(const std::string& scenario) {
  return support::readWholeFile(sourceDir() / "tests/e2e/generate" / (scenario + ".files") / "models/plate/cORVANEplate.desc");
}

Task taskOf(const std::string& text) { return taskFromBlocks(parseBlockFile(text, "task.desc")); }

TEST(TaskFile, ThePanesDescriptionFileIsATaskThatCanRun) {
  Task task = taskOf(storedDescription("corvane_plate_ne"));
  ASSERT_EQ(task.inputs.size(), 12u);
  EXPECT_EQ(task.inputs[0].name, "AreaAtProp3");
  EXPECT_EQ(task.inputs[0].initialValue, 4.5);
  EXPECT_EQ(task.inputs[8].name, "EdgeLoad1_1_Fz");
  EXPECT_EQ(task.inputs[8].initialValue, -50);
  ASSERT_EQ(task.outputs.size(), 9u);
  EXPECT_EQ(task.outputs[7].name, "TotalMass");

  ASSERT_EQ(task.process.size(), 3u);
  const Step& modprep = task.process[0];
  EXPECT_EQ(modprep.name, "Modprep");
  EXPECT_EQ(modprep.program, "Modprep.exe");
  EXPECT_EQ(modprep.writesBefore, std::vector<std::string>{"InputValues.txt"});
  ASSERT_TRUE(modprep.elapseTime);
  EXPECT_EQ(modprep.elapseTime->seconds, 300);
  EXPECT_EQ(modprep.elapseTime->text, "5m");
  EXPECT_TRUE(modprep.succeeded(0));
  EXPECT_FALSE(modprep.succeeded(1));

  const Step& nastran = task.process[1];
  EXPECT_FALSE(nastran.program);
  ASSERT_EQ(nastran.script.size(), 5u);
  EXPECT_EQ(nastran.script[0].text, "del plate.fno");
  EXPECT_EQ(nastran.script[3].text, "copy \"C:\\Program Files\\NEiNastran Engine V84\\nastran.ini\" nastran.ini");
  EXPECT_EQ(nastran.script[4].text, "nastran nastran.ini plate.nas");
  EXPECT_EQ(nastran.returnCodes, (std::vector<int>{0, 1}));  // the continuation line under "ReturnCodes:"
  EXPECT_TRUE(nastran.succeeded(1));
  EXPECT_FALSE(nastran.succeeded(2));

  const Step& respull = task.process[2];
  EXPECT_EQ(respull.program, "Respull");
  EXPECT_EQ(respull.readsAfter, std::vector<std::string>{"OutputValues.txt"});

  EXPECT_EQ(task.variables, (std::vector<std::string>{"AreaAtProp3", "ThicknessAtProp1", "ThicknessAtProp2"}));
  EXPECT_EQ(task.inputBounds.at("ThicknessAtProp1").lower, 0.01);
  EXPECT_EQ(task.inputBounds.at("ThicknessAtProp1").upper, 5.0);
  ASSERT_EQ(task.outputConstraints.size(), 1u);
  EXPECT_EQ(task.outputConstraints[0].name, "ElemStress7033AtElem2");
  EXPECT_EQ(task.outputConstraints[0].bounds.lower, -5000.0);
  EXPECT_EQ(task.outputConstraints[0].bounds.upper, 5000.0);

  // The task plan names a plan left to be configured; the ready-made stress-ratio step runs.
  const PlanStep* step = task.ownPlanStep();
  ASSERT_NE(step, nullptr);
  EXPECT_EQ(step->technique, "Stress Ratio Optimizer");
  EXPECT_EQ(step->options.at("Simulations"), "100");
  EXPECT_EQ(step->options.at("Matching"), "sequentially");

  EXPECT_EQ(task.storage.dataLog, "Task1.db");
  EXPECT_TRUE(task.storage.overwrite);
  EXPECT_EQ(task.storage.lookUp, "Task1.db");
}

TEST(TaskFile, LineEndsCommentsAndIndentationOfAHandEditedFile) {
  std::string text = support::replaceAll(storedDescription("corvane_plate_nx"), "\r\n", "\n");
  text = support::replaceAll(text, "    Outputs Task1\n", "    # the responses\n  Outputs Task1\n\n");
  text = support::replaceAll(text, "            ReturnCodes: 0\n                         1\n",
                             "            ReturnCodes: 0 3\n                   4, 5\n");
  Task task = taskOf(text);
  EXPECT_EQ(task.outputs.size(), 9u);
  EXPECT_EQ(task.process[1].returnCodes, (std::vector<int>{0, 3, 4, 5}));
  EXPECT_EQ(task.process[1].script.size(), 4u);  // no copy line for NXNastran
}

struct Refusal {
  std::string from, to;  // the change made to the stored description file
  std::size_t line;
  std::string expected;  // part of the message
};

class TaskFileRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(TaskFileRefusal, NamesTheLineAndWhatWasExpected) {
  const Refusal& refusal = GetParam();
  std::string text = storedDescription("corvane_plate_ne");
  ASSERT_NE(text.find(refusal.from), std::string::npos) << refusal.from;
  text = support::replaceAll(text, refusal.from, refusal.to);
  try {
    taskOf(text);
    FAIL() << "accepted: " << refusal.to;
  } catch (const TaskFileError& error) {
    EXPECT_EQ(error.line(), refusal.line) << error.what();
    EXPECT_NE(std::string(error.what()).find(refusal.expected), std::string::npos) << error.what();
    EXPECT_EQ(std::string(error.what()).rfind("task.desc:" + std::to_string(refusal.line) + ": ", 0), 0u) << error.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, TaskFileRefusal,
    ::testing::Values(
        Refusal{"        Evaluation: single\r\n", "        Evaluation single now\r\n", 8, "expected \"Key: value\""},
        Refusal{"    End Inputs Task1\r\n", "    End Inputs Task2\r\n", 28, "expected \"End Inputs Task1\""},
        Refusal{"End Task Task1\r\n", "", 194, "the file ends before \"End Task Task1\""},
        Refusal{"Task Task1\r\n", "Task Task1\r\nEnd Outputs Task1\r\n", 5, "expected \"End Task Task1\""},
        Refusal{"            End Script\r\n", "            End Scripts\r\n", 195, "\"End Script\""},
        Refusal{"Program: \"Respull\"", "Program: \"Respull", 93, "is not closed"},
        Refusal{"        ]\r\n    End TaskProcess", "    End TaskProcess", 108, "expected \"]\" closing the list opened at line 104"},
        Refusal{"            Respull\r\n        ]", "            Respullx\r\n        ]", 107,
                "\"Respullx\", which is no SimCode"},
        Refusal{"InitialValue: 4.5", "InitialValue: 4,5", 16, "expected a number"},
        Refusal{"ElapseTime: 5m\r\n            Prologue", "ElapseTime: soon\r\n            Prologue", 55, "ElapseTime"},
        Refusal{"                         1\r\n", "                         one\r\n", 76, "ReturnCodes"},
        Refusal{"        Variables:\r\n            AreaAtProp3", "        Variables:\r\n            AreaAtProp9", 130,
                "\"AreaAtProp9\" is no input parameter"},
        Refusal{"Parameter: TotalCGx Type: real", "Parameter: TotalMass Type: real", 39, "a second parameter"},
        Refusal{"Parameter: AreaAtProp3 Type", "Parameter:  Type", 16, "without a name"},
        Refusal{"WriteInputSpecs: InputValuestxt", "WriteInputSpecs: Valuestxt", 57, "no input file description"},
        Refusal{"MatchMode: Exact", "MatchMode: Nearest", 189, "exact match"},
        Refusal{"    TaskHeader Task1\r\n", "    TaskHeader\r\n", 6, "expected \"TaskHeader NAME\""}));

TEST(TaskFile, NestingIsBounded) {
  std::string text;
  for (int i = 0; i < 100000; ++i) text += "Task T\n";
  try {
    taskOf(text);
    FAIL() << "accepted";
  } catch (const TaskFileError& error) {
    EXPECT_EQ(error.line(), 65u);
  }
}

TEST(TaskFile, NothingButATaskIsRefused) {
  EXPECT_THROW(taskOf(""), TaskFileError);
  EXPECT_THROW(taskOf("TQDLVersion: 9.0\r\n"), TaskFileError);
  EXPECT_THROW(taskOf("End Task Task1\r\n"), TaskFileError);
  EXPECT_THROW(taskOf("Task Task1\r\nEnd Task Task1\r\n"), TaskFileError);  // no task process
  EXPECT_THROW(readTask("/nonexistent/task.desc"), TaskFileError);
}

TEST(TaskFile, TimeLimits) {
  EXPECT_EQ(parseTimeLimit("5m"), 300);
  EXPECT_EQ(parseTimeLimit("30s"), 30);
  EXPECT_EQ(parseTimeLimit("1.5h"), 5400);
  EXPECT_EQ(parseTimeLimit("45"), 45);
  EXPECT_FALSE(parseTimeLimit("m"));
  EXPECT_FALSE(parseTimeLimit("-5m"));
  EXPECT_FALSE(parseTimeLimit("5 minutes"));
}

}  // namespace
}  // namespace taskrun
