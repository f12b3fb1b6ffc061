// Respull as a real process: a working folder with the plate example, a results file and
// "Respull.txt"; what it leaves there (log, output values, saved model) and its exit status.
#include <gtest/gtest.h>

#include <algorithm>

#include "program_run.h"

namespace runtime_e2e {
namespace {

using femapsim::Kind;

const std::vector<std::string> kHeader = {"Reference Model (FEMAP) = plate.mod",
                                          "Results File (NastranNX) = plate.op2",
                                          "OutputNameValue = OutputValues.txt"};

std::vector<std::string> withHeader(std::vector<std::string> records,
                                    const std::vector<std::string>& header = kHeader) {
  records.insert(records.begin(), header.begin(), header.end());
  return records;
}

class RespullTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.writeText("plate.op2",
                      "FEMAPSIM 1\n"
                      "outset 1 title=\"NX run\"\n"
                      "outvec 1 setID=1 title=\"Total Translation\" entity=1,2,3,4,5,6,7,8,9 "
                      "value=0,0.0021,0.0042,0,0.0022,0.0044,0,0.0021,0.0043\n"
                      "outvec 7033 setID=1 title=\"Plate Top VonMises Stress\" entity=1,2,3,4 "
                      "value=25.5,-3.25,12,1.2e-05\n");
    folder_.writeText("OutputValues.txt", "Stale  1\r\n");
  }
  ProgramRun respull(const std::map<std::string, std::string>& environment = {}) {
    return runProgram(RESPULL_PATH, folder_.path(), shellQuoted(folder_.pathText()), environment);
  }
  std::vector<std::string> log() const { return folder_.lines("outputExeLogs.log"); }
  std::vector<std::string> outputValues() const { return folder_.lines("OutputValues.txt"); }
  std::vector<std::string> messages() const {
    return folder_.exists("messages.txt") ? folder_.lines("messages.txt")
                                          : std::vector<std::string>{};
  }
  std::map<std::string, std::string> attached(const std::string& openModels) const {
    return {{"FEMAPSIM_ATTACH", "1"},
            {"FEMAPSIM_OPEN", openModels},
            {"FEMAPSIM_MESSAGES", (folder_ / "messages.txt").string()}};
  }
  std::vector<int> outputSets() const {
    std::vector<int> ids;
    femapsim::Model model = folder_.model();
    for (const auto& [key, set] : model.table(Kind::OutSet).entities()) ids.push_back(set.id);
    return ids;
  }

  WorkFolder folder_;
};

TEST_F(RespullTest, FullRunWritesOneValuePerRecord) {
  folder_.write(
      "Respull.txt",
      withHeader({"Output  Disp_Node3  3  1", "maxval  Stress_max  0  7033",
                  "minval  Stress_min  0  7033", "MassProperties  Mass_total  MassTotal  0",
                  "MassProperties  CG_y  TotalCG  1"}));
  ProgramRun run = respull();
  EXPECT_EQ(run.status, 0) << run.output;
  expectLogAsStored(log(), "respull_full.log", folder_.path());
  EXPECT_EQ(outputValues(),
            (std::vector<std::string>{"Disp_Node3  0.0042", "Stress_max  25.5", "Stress_min  -3.25",
                                      "Mass_total  0.0002054165", "CG_y  14.9063731491871"}));
  // The results stay in the saved model as its second output set.
  EXPECT_EQ(outputSets(), (std::vector<int>{1, 2}));
}

TEST_F(RespullTest, KindsInAnyLetterCaseAndTheMeshMeasuredOnce) {
  folder_.write("Respull.txt",
                withHeader({"OUTPUT  A  3  1", "output  B  2  7033", "MaxVal  C  0  1",
                            "MINVAL  D  0  1", "massproperties  E  Length  0",
                            "MASSPROPERTIES  F  Area  0", "MassProperties  G  Inertia  5"}));
  ProgramRun run = respull();
  EXPECT_EQ(run.status, 0) << run.output;
  std::vector<std::string> values = outputValues();
  ASSERT_EQ(values.size(), 7u);
  EXPECT_EQ(values[0], "A  0.0042");
  EXPECT_EQ(values[1], "B  -3.25");
  EXPECT_EQ(values[2], "C  0.0044");
  EXPECT_EQ(values[3], "D  0");
  EXPECT_EQ(values[4], "E  20");
  EXPECT_EQ(values[5], "F  400");
  EXPECT_EQ(countOf(log(), "LOG:  Computes total mass values using FEMAP API"), 1u);
}

TEST_F(RespullTest, RecordsThatProduceNoValueWriteNothingAndFailTheRun) {
  folder_.write("Respull.txt", withHeader({"Output  A  3  1", "MassProperties  B  TotalCG  3",
                                           "MassProperties  C  Weight  0", "Output  D  3  55",
                                           "Output  E  77  1", "minval  F  0  1"}));
  ProgramRun run = respull();
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(outputValues(), (std::vector<std::string>{"A  0.0042", "F  0"}));
  std::vector<std::string> lines = log();
  EXPECT_TRUE(contains(lines, "ERROR:  Output vector 55 does not exist. No value for D"));
  auto checkpoint =
      std::find(lines.begin(), lines.end(),
                "--------------------After writing output values to the file--------------------");
  ASSERT_NE(checkpoint, lines.end());
  EXPECT_EQ(*(checkpoint + 1), "ERROR: Output vector 1 of output set 2 has no value at entity 77");
}

TEST_F(RespullTest, DeleteAsTheFirstRecordRemovesTheResultsRead) {
  folder_.write("Respull.txt",
                withHeader({"Output  A  3  1"}, {"DELETE", kHeader[0], kHeader[1], kHeader[2]}));
  EXPECT_EQ(respull().status, 0);
  EXPECT_EQ(outputValues(), (std::vector<std::string>{"A  0.0042"}));
  EXPECT_EQ(outputSets(), (std::vector<int>{1}));
  EXPECT_FALSE(contains(log(), "LOG: Regenerating model"));

  // Anywhere else it is a record without a name.
  std::filesystem::copy_file(testing_support::sourceDir() / "examples/plate/plate.mod",
                             folder_ / "plate.mod",
                             std::filesystem::copy_options::overwrite_existing);
  folder_.write("Respull.txt", withHeader({"Output  A  3  1", "delete"}));
  EXPECT_EQ(respull().status, 0);
  EXPECT_EQ(outputSets(), (std::vector<int>{1, 2}));
  EXPECT_TRUE(contains(log(), "LOG: Regenerating model"));
}

TEST_F(RespullTest, TheReferenceAlreadyCurrentIsNotReadAgain) {
  std::filesystem::copy_file(folder_ / "plate.mod", folder_ / "other.mod");
  folder_.write("Respull.txt", withHeader({"Output  A  3  1"}));
  ProgramRun run =
      respull(attached((folder_ / "other.mod").string() + ";" + (folder_ / "plate.mod").string()));
  EXPECT_EQ(run.status, 0) << run.output;
  std::vector<std::string> lines = log();
  EXPECT_TRUE(contains(lines, "LOG:  Existing instance of FEMAP is used"));
  EXPECT_TRUE(contains(lines, "LOG: Before feAppGetAllModels call rc=0  num=0"));
  EXPECT_TRUE(contains(lines, "LOG: After feAppGetAllModels call rc=-1  num=2"));
  EXPECT_FALSE(contains(lines, "LOG: Before feFileNew call rc=-1"));
  EXPECT_FALSE(
      contains(lines, "LOG:  Finds out what kind of file will be read, opens accordingly"));
  EXPECT_EQ(outputValues(), (std::vector<std::string>{"A  0.0042"}));
  EXPECT_FALSE(contains(lines, "LOG: Femap object destructed successfully"));
}

TEST_F(RespullTest, WithOneModelOpenTheRunWorksInANewModel) {
  std::filesystem::copy_file(folder_ / "plate.mod", folder_ / "engineer.mod");
  std::string engineerModel = folder_.read("engineer.mod");
  folder_.write("Respull.txt", withHeader({"Output  A  3  1"}));
  ProgramRun run = respull(attached((folder_ / "engineer.mod").string()));
  EXPECT_EQ(run.status, 0) << run.output;
  std::vector<std::string> lines = log();
  EXPECT_TRUE(contains(lines, "LOG: After feAppGetAllModels call rc=-1  num=1"));
  EXPECT_TRUE(contains(lines, "LOG: Before feFileNew call rc=-1"));
  EXPECT_TRUE(contains(lines, "LOG: After feFileNew call rc=-1"));
  EXPECT_TRUE(contains(lines, "LOG:  Open the file type of (FEMAP)"));
  EXPECT_EQ(folder_.read("engineer.mod"), engineerModel);
  EXPECT_TRUE(messages().empty());
}

TEST_F(RespullTest, AMissingResultsFileEndsTheRunAndLeavesNoOutputFile) {
  std::filesystem::remove(folder_ / "plate.op2");
  folder_.write("Respull.txt", withHeader({"Output  A  3  1"}));
  ProgramRun run =
      respull(attached((folder_ / "plate.mod").string() + ";" + (folder_ / "plate.mod").string()));
  EXPECT_EQ(run.status, 1);
  EXPECT_FALSE(folder_.exists("OutputValues.txt"));  // the previous iteration's values are gone
  EXPECT_EQ(log().back(), "ERROR:  Results file does not exist: plate.op2");
  EXPECT_EQ(messages(), (std::vector<std::string>{"3\tResults file does not exist"}));
}

TEST_F(RespullTest, AMissingReferenceEndsTheRunAndLeavesNoOutputFile) {
  folder_.write("Respull.txt",
                withHeader({"Output  A  3  1"},
                           {"Reference Model (FEMAP) = gone.mod", kHeader[1], kHeader[2]}));
  EXPECT_EQ(respull(attached("")).status, 1);
  EXPECT_FALSE(folder_.exists("OutputValues.txt"));
  EXPECT_EQ(log().back(), "ERROR:  Reference file gone.mod does not exist. ");
  EXPECT_EQ(messages(),
            (std::vector<std::string>{"3\tERROR:  Reference file gone.mod does not exist. "}));

  // Without "Respull.txt" the output file is the usual one, and goes as well.
  std::filesystem::remove(folder_ / "Respull.txt");
  folder_.writeText("OutputValues.txt", "Stale  1\r\n");
  EXPECT_EQ(respull().status, 1);
  EXPECT_FALSE(folder_.exists("OutputValues.txt"));
}

TEST_F(RespullTest, ResultsThatCannotBeReadEndTheRun) {
  folder_.write("Respull.txt",
                withHeader({"Output  A  3  1"},
                           {kHeader[0], "Results File (Ansys) = plate.op2", kHeader[2]}));
  EXPECT_EQ(respull().status, 1);
  EXPECT_FALSE(folder_.exists("OutputValues.txt"));
  EXPECT_EQ(log().back(), "ERROR:  Unable to read the results file " +
                              (folder_ / "plate.op2").string() + ". Return code is 0");

  folder_.write("Respull.txt",
                withHeader({"Output  A  3  1"},
                           {kHeader[0], "Results File (Nastran) = plate.op2", kHeader[2]}));
  EXPECT_EQ(respull().status, 1);
  EXPECT_EQ(log().back(), "ERROR:  Results file type not valid: (Nastran)");
}

TEST_F(RespullTest, AReferenceOfAnInvalidTypeEndsTheRunWithoutTouchingTheCurrentModel) {
  // Two models open: the run would work in the current one, the engineer's.
  std::filesystem::copy_file(folder_ / "plate.mod", folder_ / "engineer.mod");
  std::filesystem::copy_file(folder_ / "plate.mod", folder_ / "other.mod");
  std::string engineerModel = folder_.read("engineer.mod");
  folder_.write("Respull.txt",
                withHeader({"Output  A  3  1"},
                           {"Reference Model (Catia) = plate.mod", kHeader[1], kHeader[2]}));
  ProgramRun run =
      respull(attached((folder_ / "other.mod").string() + ";" + (folder_ / "engineer.mod").string()));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(log().back(), "ERROR:  Reference file type not valid: (Catia)");
  EXPECT_EQ(messages(), (std::vector<std::string>{"3\tReference type not valid"}));
  EXPECT_EQ(folder_.read("engineer.mod"), engineerModel);  // no results read into it, no save
  EXPECT_FALSE(folder_.exists("OutputValues.txt"));
}

TEST_F(RespullTest, WithoutFemapTheRunEndsAtOnce) {
  folder_.write("Respull.txt", withHeader({"Output  A  3  1"}));
  EXPECT_EQ(respull({{"FEMAPSIM_UNAVAILABLE", "1"}}).status, 1);
  EXPECT_EQ(log(),
            (std::vector<std::string>{"LOG:  Execution of Respull.exe started",
                                      "LOG:  Current directory is set to :- " + folder_.pathText(),
                                      "LOG:  Unable to get existing instance of FEMAP",
                                      "ERROR: Unable to instantiate FEMAP"}));
  EXPECT_FALSE(folder_.exists("OutputValues.txt"));
}

TEST_F(RespullTest, NumbersAlwaysCarryADecimalPoint) {
  folder_.write("Respull.txt", withHeader({"Output  A  3  1", "MassProperties  B  TotalCG  0"}));
  EXPECT_EQ(respull({{"LC_ALL", "de_DE.UTF-8"}, {"LANG", "de_DE.UTF-8"}}).status, 0);
  EXPECT_EQ(outputValues()[0], "A  0.0042");
  EXPECT_EQ(outputValues()[1].find(','), std::string::npos);
}

TEST_F(RespullTest, AnOutputLineThatIsNotPlainlyOneRefusesTheRunAndRemovesNothing) {
  const std::string model = folder_.read("plate.mod");
  const std::string results = folder_.read("plate.op2");
  struct Case {
    std::vector<std::string> lines;
    std::string why;
  };
  const std::vector<Case> cases = {
      // The reference line written three times by a hand edit.
      {{kHeader[0], kHeader[0], kHeader[0], "Output  A  3  1"},
       "the third line of Respull.txt is not the output line: \"" + kHeader[0] + "\""},
      {{kHeader[0], kHeader[1], "OutputNameValue = ./plate.mod", "Output  A  3  1"},
       "the output line of Respull.txt names the reference model plate.mod"},
      {{kHeader[0], kHeader[1], "OutputNameValue = plate.op2", "Output  A  3  1"},
       "the output line of Respull.txt names the results file plate.op2"},
      {{kHeader[0], kHeader[1]}, "Respull.txt has no output line after its results line"},
      {{kHeader[0], kHeader[1], "OutputNameValue = "}, "the output line of Respull.txt names no file"},
  };
  for (const Case& refused : cases) {
    folder_.write("Respull.txt", refused.lines);
    ProgramRun run = respull();
    EXPECT_EQ(run.status, 1) << refused.why;
    EXPECT_TRUE(contains(log(), "ERROR:  Run refused: " + refused.why +
                                    ". Nothing was removed or written."))
        << refused.why;
    EXPECT_EQ(folder_.read("plate.mod"), model) << refused.why;
    EXPECT_EQ(folder_.read("plate.op2"), results) << refused.why;
    EXPECT_EQ(outputValues(), std::vector<std::string>{"Stale  1"}) << refused.why;
  }
}

TEST_F(RespullTest, AComponentIndexBeyondSixtyFourBitsIsRefusedNotReadAsZero) {
  folder_.write("Respull.txt", withHeader({"MassProperties  CG_long  TotalCG  99999999999999999999",
                                           "MassProperties  CG_x  TotalCG  0"}));
  ProgramRun run = respull();
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(contains(log(), "ERROR:  Variable CG_long not written: component index "
                              "99999999999999999999 is outside the range -32768 to 32767"));
  ASSERT_EQ(outputValues().size(), 1u);
  EXPECT_TRUE(outputValues()[0].starts_with("CG_x  "));
}

TEST_F(RespullTest, AValueThatIsNoFiniteNumberIsAnErrorNotAnOutput) {
  // A node far away: the plates' area and everything built on it overflow; the rods' length
  // does not.
  std::string model = folder_.read("plate.mod");
  model.replace(model.find("node 1 x=0 "), 11, "node 1 x=1e200 ");
  folder_.writeText("plate.mod", model);
  folder_.write("Respull.txt", withHeader({"MassProperties  Iyy  Inertia  1",
                                           "MassProperties  Length  Length  0"}));
  ProgramRun run = respull();
  EXPECT_EQ(run.status, 1);
  std::vector<std::string> lines = log();
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
    return line.starts_with("ERROR:  No value for Iyy: ") &&
           line.ends_with(" is not a finite number");
  }));
  ASSERT_EQ(outputValues().size(), 1u);
  EXPECT_EQ(outputValues()[0], "Length  20");
}

TEST_F(RespullTest, AKilledRunsTemporaryFilesGoAtTheNextStart) {
  // Files a run of a process no longer running left half written (no such process exists).
  const std::vector<std::string> leftovers = {"OutputValues.txt.tmp-999999999-1",
                                              "plate.mod.tmp-999999999-2",
                                              "outputExeLogs.log.tmp-999999999-3"};
  for (const std::string& name : leftovers) folder_.writeText(name, std::string(1000, 'x'));
  folder_.writeText("other.txt.tmp-999999999-4", "not this program's");
  folder_.writeText("outputExeLogs.log", "the log of an earlier run\r\n");
  folder_.write("Respull.txt", withHeader({"Output  A  3  1"}));
  ProgramRun run = respull();
  EXPECT_EQ(run.status, 0) << run.output;
  for (const std::string& name : leftovers) {
    EXPECT_FALSE(folder_.exists(name)) << name;
    EXPECT_TRUE(contains(log(), "LOG:  Removed " + (folder_.path() / name).string() +
                                    ", left by an earlier run that did not finish"))
        << name;
  }
  EXPECT_TRUE(folder_.exists("other.txt.tmp-999999999-4"));
  EXPECT_FALSE(contains(log(), "the log of an earlier run"));
}

}  // namespace
}  // namespace runtime_e2e
