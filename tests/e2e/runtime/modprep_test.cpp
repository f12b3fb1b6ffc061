// Modprep as a real process: a working folder with the plate example, its exchange files and
// input values; what it leaves there (log, deck, saved model) and its exit status.
#include <gtest/gtest.h>

#include "program_run.h"

namespace runtime_e2e {
namespace {

using femapsim::Kind;

const std::vector<std::string> kHeader = {"Reference Model (FEMAP) = plate.mod",
                                          "Input Deck (NastranNX) = plate.dat",
                                          "NameValue = InputValues.txt"};

std::vector<std::string> withHeader(std::vector<std::string> records,
                                    const std::vector<std::string>& header = kHeader) {
  records.insert(records.begin(), header.begin(), header.end());
  return records;
}

class ModprepTest : public ::testing::Test {
 protected:
  // "Apply" always writes the functions file, empty without function variables.
  void SetUp() override { folder_.writeText("FunctionsInputvalues.txt", ""); }
  ProgramRun modprep(const std::map<std::string, std::string>& environment = {}) {
    return runProgram(MODPREP_PATH, folder_.path(), shellQuoted(folder_.pathText()), environment);
  }
  std::vector<std::string> log() const { return folder_.lines("inputExeLogs.log"); }
  double member(Kind kind, int id, const std::string& name, std::size_t index = 0,
                int setId = 0) const {
    femapsim::Model model = folder_.model();
    const femapsim::Entity* entity = model.table(kind).find(id, setId);
    EXPECT_NE(entity, nullptr) << name << " of entity " << id;
    return entity ? entity->element(name, index) : -1;
  }
  std::vector<std::string> messages() const {
    return folder_.exists("messages.txt") ? folder_.lines("messages.txt")
                                          : std::vector<std::string>{};
  }
  std::map<std::string, std::string> attached() const {
    return {{"FEMAPSIM_ATTACH", "1"}, {"FEMAPSIM_MESSAGES", (folder_ / "messages.txt").string()}};
  }

  WorkFolder folder_;
};

TEST_F(ModprepTest, FullRunUpdatesTheModelWritesTheDeckAndSaves) {
  folder_.write("Modprep.txt", withHeader({
                                   "Node  Node5_X  5  x  ",
                                   "Prop  Prop1_Thickness  1  pval  0",
                                   "Matl  Matl1_Ex  1  Ex  ",
                                   "Elem  Elem5    5    ",
                                   "LoadMesh  Edge_Load  1  0  1",
                                   "LoadNTemp  Nodal_T  5  0  ",
                                   "Function  Temperature_curve  1    ",
                               }));
  folder_.write("InputValues.txt",
                {"Node5_X  10.5", "Prop1_Thickness  1.25", "Matl1_Ex  200000", "Elem5  0",
                 "Edge_Load  -250", "Nodal_T  35.5", "Temperature_curve  X-Y Values"});
  folder_.write("FunctionsInputvalues.txt",
                {"Function Definition", " 1 ", "Temperature curve", " 3", " 0_ 20", " 1.5_-1E-05",
                 " 2_ 1.23456789012345E+20"});
  ProgramRun run = modprep();
  EXPECT_EQ(run.status, 0) << run.output;
  expectLogAsStored(log(), "modprep_full.log", folder_.path());

  EXPECT_EQ(member(Kind::Node, 5, "x"), 10.5);
  EXPECT_EQ(member(Kind::Prop, 1, "pval", 0), 1.25);
  EXPECT_EQ(member(Kind::Matl, 1, "Ex"), 200000);
  EXPECT_EQ(member(Kind::Elem, 5, "propID"), 3);  // stored unchanged
  for (int load : {1, 2, 3}) EXPECT_EQ(member(Kind::LoadMesh, load, "value", 1, 1), -250) << load;
  EXPECT_EQ(member(Kind::LoadMesh, 4, "value", 1, 1), 0);  // another definition
  for (int load : {1, 2}) EXPECT_EQ(member(Kind::NodeTemp, load, "temp", 0, 1), 35.5) << load;

  femapsim::Model model = folder_.model();
  const femapsim::Entity* function = model.table(Kind::Func).find(1);
  ASSERT_NE(function, nullptr);
  EXPECT_EQ(function->list("x"), (std::vector<double>{0, 1.5, 2}));
  EXPECT_EQ(function->list("y"), (std::vector<double>{20, -1e-05, 1.23456789012345e+20}));

  // The analysis set was stored, made active and deleted again.
  EXPECT_EQ(model.header.integer("activeAnalysisSet"), 9000000);
  EXPECT_EQ(model.table(Kind::Analysis).find(9000000), nullptr);

  std::string deck = folder_.read("plate.dat");
  EXPECT_NE(deck.find("GRID,5,,10.5,10.\n"), std::string::npos) << deck;
  EXPECT_NE(deck.find("PSHELL,1,1,1.25,"), std::string::npos) << deck;
  EXPECT_NE(deck.find("MAT1,1,2.E5,"), std::string::npos) << deck;
  EXPECT_NE(deck.find("FORCE,1,6,,1.,200.,-250.\n"), std::string::npos) << deck;
  EXPECT_NE(deck.find("TEMP,1,4,35.5"), std::string::npos) << deck;
}

TEST_F(ModprepTest, ValuesGoIntoPlainAndIndexedMembersAndTheLastOccurrenceHolds) {
  folder_.write("Modprep.txt", withHeader({"Node  X5  5  x", "Prop  A3  3  pval  4", "Elem  E1  1",
                                           "Matl  Nu  1  Nuxy  -1"}));
  folder_.write("InputValues.txt", {"X5  1", "A3  2.5", "E1  9", "Nu  0.25", "X5  12.75"});
  ProgramRun run = modprep();
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(member(Kind::Node, 5, "x"), 12.75);
  EXPECT_EQ(member(Kind::Prop, 3, "pval", 4), 2.5);
  EXPECT_EQ(member(Kind::Prop, 3, "pval", 0), 4.5);
  EXPECT_EQ(member(Kind::Matl, 1, "Nuxy"), 0.25);  // index -1: the plain member
  EXPECT_EQ(member(Kind::Elem, 1, "propID"), 1);
  EXPECT_TRUE(
      contains(log(),
               "LOG: Reading and performing update for variable Name = E1 Entity Type = Elem "
               "Type id =  Entity Num = 1"));
}

TEST_F(ModprepTest, ValuesMissingOrNotNumbersAreReportedAndNotApplied) {
  folder_.write("Modprep.txt", withHeader({"Node  Bare  5  x", "Node  Word  5  y",
                                           "Node  Absent  5  z", "Node  Good  4  x"}));
  folder_.write("InputValues.txt", {"Bare", "Word  1,5", "Good  3"});
  ProgramRun run = modprep(attached());
  EXPECT_EQ(run.status, 1);
  std::vector<std::string> lines = log();
  EXPECT_TRUE(
      contains(lines, "ERROR:   Variable Bare not applied: its value \"\" is not a number"));
  EXPECT_TRUE(
      contains(lines, "ERROR:   Variable Word not applied: its value \"1,5\" is not a number"));
  EXPECT_TRUE(contains(lines, "ERROR:   There is no new value specified for: Absent"));
  EXPECT_EQ(member(Kind::Node, 5, "x"), 10);
  EXPECT_EQ(member(Kind::Node, 5, "y"), 10);
  EXPECT_EQ(member(Kind::Node, 4, "x"), 3);
  EXPECT_EQ(messages(), (std::vector<std::string>{"3\tThere is no new value specified forAbsent"}));
}

TEST_F(ModprepTest, TheFourLoadKinds) {
  folder_.write("Modprep.txt", withHeader({"LoadMesh  Fx  1  0  0", "LoadGeom  Mz  3  2  2",
                                           "LoadETemp  ET  4  0  3", "LoadNTemp  NT  5  0  ",
                                           "LoadWind  W  1  0  0"}));
  folder_.write("InputValues.txt", {"Fx  150", "Mz  -7.5", "ET  90", "NT  30", "W  1"});
  ProgramRun run = modprep();
  EXPECT_EQ(run.status, 1);  // the unknown kind
  for (int load : {1, 2, 3}) EXPECT_EQ(member(Kind::LoadMesh, load, "value", 0, 1), 150);
  EXPECT_EQ(member(Kind::LoadMesh, 3, "value", 2, 1), -50);
  EXPECT_EQ(member(Kind::LoadGeom, 1, "value", 2, 1), -7.5);
  for (int load : {1, 2}) EXPECT_EQ(member(Kind::ElemTemp, load, "temp", 0, 1), 90);
  for (int load : {1, 2}) EXPECT_EQ(member(Kind::NodeTemp, load, "temp", 0, 1), 30);

  std::vector<std::string> lines = log();
  EXPECT_EQ(countOf(lines, "LOG: Found loadmesh load for load definition id =1"), 3u);
  EXPECT_TRUE(
      contains(lines,
               "LOG: Before updation: Load ID: 2   current value=200   Value to be assigned=150  "
               "load definition id =1"));
  EXPECT_TRUE(contains(lines, "LOG: Found Geometry load for load definition id =3"));
  EXPECT_TRUE(
      contains(lines,
               "LOG: After updation: Load ID: 1   current value=-7.5   value assigned=-7.5  "
               "load definition id =3"));
  // The temperature's index 3 is not used.
  EXPECT_TRUE(
      contains(lines,
               "LOG: Update load definition called with VariableName = ET Load definition ID =4 "
               "Entity type=LoadETemp Modified Value=90 Load Index=3"));
  EXPECT_EQ(countOf(lines, "LOG: Found Elemental temperature load for load definition id =4"), 2u);
  EXPECT_TRUE(contains(lines, "LOG: Load updated Load ID = 2 for load definition id =4"));
  auto reset =
      std::find(lines.begin(), lines.end(),
                "LOG: Checked for error and cleared Err object Before calling reset next load");
  ASSERT_NE(reset, lines.end());
  EXPECT_EQ(*(reset + 1), "LOG: Found Nodal temperature load for load definition id =5");
  EXPECT_TRUE(contains(lines, "LOG: Load updated: Load ID = 2 for load definition id =5"));
  // A kind that is no load kind is taken as an entity type, and is none.
  EXPECT_TRUE(contains(lines, "ERROR:   Variable W not applied: \"LoadWind\" is not an entity type"));
}

TEST_F(ModprepTest, FunctionBlocksReplaceThePointsExactly) {
  folder_.write("Modprep.txt",
                withHeader({"Function  F1  1", "Function  F2  2", "Function  F9  9"}));
  folder_.write("InputValues.txt", {"F1  X-Y Values", "F2  X-Y Values", "F9  X-Y Values"});
  folder_.write("FunctionsInputvalues.txt",
                {"written by hand", "Function Definition", " 1 ", "Temperature curve", " 0",
                 "between blocks", "Function Definition", " 2 ", "Scale factor", " 2",
                 "-0.5_ 1.23456789012345E-07", " 1E+20_-3.14159265358979", "Function Definition",
                 " 9 ", "No such function", " 1", " 1_ 1"});
  ProgramRun run = modprep();
  EXPECT_EQ(run.status, 1);  // function 9 does not exist
  femapsim::Model model = folder_.model();
  EXPECT_TRUE(model.table(Kind::Func).find(1)->list("x").empty());
  EXPECT_EQ(model.table(Kind::Func).find(2)->list("x"), (std::vector<double>{-0.5, 1e20}));
  EXPECT_EQ(model.table(Kind::Func).find(2)->list("y"),
            (std::vector<double>{1.23456789012345e-07, -3.14159265358979}));
  EXPECT_EQ(model.table(Kind::Func).find(9), nullptr);
  std::vector<std::string> lines = log();
  EXPECT_TRUE(contains(
      lines, "LOG: Fetching function details for Name = Temperature curve ID =  1  Size =  0"));
  EXPECT_TRUE(contains(lines, "LOG: -0.51.23456789012345E-07"));
  EXPECT_TRUE(contains(lines, "ERROR: Function No such function with id  9 does not exists"));
}

TEST_F(ModprepTest, FunctionBlocksThatCannotBeReadWholeAreNotApplied) {
  folder_.write("Modprep.txt", withHeader({"Function  F1  1", "Function  F2  2"}));
  folder_.write("InputValues.txt", std::vector<std::string>{});
  folder_.write("FunctionsInputvalues.txt",
                {"Function Definition", " 1 ", "Temperature curve", " 2", " 5_ 6", " seven_ 8",
                 "Function Definition", " 2 ", "Scale factor", " 3", " 1_ 1"});
  ProgramRun run = modprep();
  EXPECT_EQ(run.status, 1);
  femapsim::Model model = folder_.model();
  EXPECT_EQ(model.table(Kind::Func).find(1)->list("x"), (std::vector<double>{0, 1, 2}));
  EXPECT_EQ(model.table(Kind::Func).find(2)->list("x"), (std::vector<double>{0, 10}));
  std::vector<std::string> lines = log();
  EXPECT_TRUE(contains(lines, "ERROR: Type mismatch: \" seven\" is not a number"));
  EXPECT_TRUE(contains(lines, "ERROR: Input past end of file"));
}

TEST_F(ModprepTest, AMissingFunctionFileFailsTheRunAlsoWithoutFunctionVariables) {
  std::filesystem::remove(folder_.path() / "FunctionsInputvalues.txt");
  folder_.write("Modprep.txt", withHeader({"Node  X5  5  x"}));
  folder_.write("InputValues.txt", {"X5  1"});
  EXPECT_EQ(modprep().status, 1);
  EXPECT_TRUE(contains(
      log(),
      "ERROR: FunctionsInputvalues.txt file not exist. Unable to update the Femap Function "
      "parameters"));
  EXPECT_EQ(member(Kind::Node, 5, "x"), 1);  // the rest of the update still happens

  folder_.write("Modprep.txt", withHeader({"Function  F1  1"}));
  EXPECT_EQ(modprep().status, 1);
}

TEST_F(ModprepTest, OnlyTheHeaderRunsThroughToTheDeckAndTheSave) {
  folder_.write("Modprep.txt", kHeader);
  folder_.write("InputValues.txt", std::vector<std::string>{});
  ProgramRun run = modprep();
  EXPECT_EQ(run.status, 0) << run.output;
  std::vector<std::string> lines = log();
  EXPECT_TRUE(contains(lines, "LOG:  Found  0 variables "));
  EXPECT_TRUE(contains(lines, "LOG: File saved successfully. Return code is -1"));
  EXPECT_NE(folder_.read("plate.dat").find("BEGIN BULK"), std::string::npos);
}

TEST_F(ModprepTest, ReferenceRelativeOrAbsoluteAndDeckPerTag) {
  testing_support::ScopedTempDir elsewhere;
  std::filesystem::copy_file(folder_ / "plate.mod", elsewhere / "model.mod");
  folder_.write("Modprep.txt",
                withHeader({"Node  X5  5  x"},
                           {"Reference Model (FEMAP) = " + (elsewhere / "model.mod").string(),
                            "Input Deck (NastranNE) = model.nas", "NameValue = InputValues.txt"}));
  folder_.write("InputValues.txt", {"X5  44"});
  EXPECT_EQ(modprep().status, 0);
  EXPECT_EQ(femapsim::loadModelFile(elsewhere / "model.mod").table(Kind::Node).find(5)->number("x"),
            44);
  EXPECT_NE(folder_.read("model.nas").find("GRID,5,,44.,10.\n"), std::string::npos);
  EXPECT_EQ(member(Kind::Node, 5, "x"),
            10);  // the plate in the working folder is not the reference

  folder_.write("Modprep.txt",
                withHeader({}, {"Reference Model (FEMAP) = plate.mod",
                                "Input Deck (Abaqus) = plate.inp", "NameValue = InputValues.txt"}));
  EXPECT_EQ(modprep().status, 1);
  EXPECT_TRUE(contains(log(), "ERROR:   Unable to write the input deck " +
                                  (folder_ / "plate.inp").string() + ". Return code is 0"));

  folder_.write("Modprep.txt",
                withHeader({}, {"Reference Model (FEMAP) = plate.mod",
                                "Input Deck (Deck) = plate.x", "NameValue = InputValues.txt"}));
  EXPECT_EQ(modprep().status, 1);
  EXPECT_TRUE(contains(log(), "ERROR:   Invalid input deck type"));
}

TEST_F(ModprepTest, TheWorkingFolderIsTheCommandLineElseTheCurrentFolder) {
  folder_.write("Modprep.txt", withHeader({"Node  X5  5  x"}));
  folder_.write("InputValues.txt", {"X5  2"});
  ProgramRun run = runProgram(MODPREP_PATH, folder_.path());
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(log()[1], "LOG: Current directory is set to :- " +
                          std::filesystem::canonical(folder_.path()).string());
  EXPECT_EQ(member(Kind::Node, 5, "x"), 2);

  // Started from elsewhere, the deck still goes into the working folder and nothing is
  // written where the program was started.
  std::filesystem::remove(folder_ / "plate.dat");
  testing_support::ScopedTempDir elsewhere;
  run = runProgram(MODPREP_PATH, elsewhere.path(), shellQuoted(folder_.pathText()));
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(folder_.read("plate.dat").find("GRID,5,,2.,10.\n"), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_empty(elsewhere.path()));
}

TEST_F(ModprepTest, AttachedToARunningFemapItsMessagesGoToTheMessageWindow) {
  folder_.write("Modprep.txt", withHeader({"Node  X5  5  x", "Node  X99  99  x"}));
  folder_.write("InputValues.txt", {"X5  2", "X99  3"});
  ProgramRun run = modprep(attached());
  EXPECT_EQ(run.status, 1);
  std::vector<std::string> lines = log();
  EXPECT_EQ(lines[2], "LOG: Existing instance of FEMAP is used");
  EXPECT_FALSE(contains(lines, "LOG: Femap object destructed successfully"));
  EXPECT_EQ(messages(), (std::vector<std::string>{"3\tNode number 99 doesn't exist"}));

  // A FEMAP this run started gets no messages.
  std::filesystem::remove(folder_ / "messages.txt");
  modprep({{"FEMAPSIM_MESSAGES", (folder_ / "messages.txt").string()}});
  EXPECT_TRUE(messages().empty());
  EXPECT_TRUE(contains(log(), "#LOG: Opening new instance of FEMAP"));
}

TEST_F(ModprepTest, WithoutFemapTheRunEndsAtOnce) {
  folder_.write("Modprep.txt", withHeader({"Node  X5  5  x"}));
  ProgramRun run = modprep({{"FEMAPSIM_UNAVAILABLE", "1"}});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(log(),
            (std::vector<std::string>{"LOG:  Execution of Modprep.exe started",
                                      "LOG: Current directory is set to :- " + folder_.pathText(),
                                      "LOG: Unable to get existing instance of FEMAP",
                                      "ERROR:  Unable to instantiate FEMAP"}));
}

// The engineer's own model, open in the running FEMAP, must survive a run whose reference
// model cannot be loaded.
class ModprepReferenceTest : public ModprepTest {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(folder_ / "plate.mod", folder_ / "engineer.mod");
    engineerModel_ = folder_.read("engineer.mod");
    folder_.write("InputValues.txt", {"X5  99"});
  }
  ProgramRun runWithReference(const std::string& referenceLine) {
    folder_.write("Modprep.txt", withHeader({"Node  X5  5  x"},
                                            {referenceLine, "Input Deck (NastranNX) = plate.dat",
                                             "NameValue = InputValues.txt"}));
    auto environment = attached();
    environment["FEMAPSIM_OPEN"] = (folder_ / "engineer.mod").string();
    return modprep(environment);
  }
  void expectNothingTouched() {
    EXPECT_EQ(folder_.read("engineer.mod"), engineerModel_);
    EXPECT_FALSE(folder_.exists("plate.dat"));
    std::vector<std::string> lines = log();
    EXPECT_FALSE(
        contains(lines, "LOG: Reads the rest of the input and decides which update to perform"));
    EXPECT_FALSE(contains(lines, "LOG: File saved successfully. Return code is -1"));
  }
  std::string engineerModel_;
};

TEST_F(ModprepReferenceTest, AMissingReferenceEndsTheRun) {
  ProgramRun run = runWithReference("Reference Model (FEMAP) = gone.mod");
  EXPECT_EQ(run.status, 1);
  expectNothingTouched();
  EXPECT_EQ(log().back(), "ERROR:   Reference file gone.mod does not exist. ");
  EXPECT_EQ(messages(), (std::vector<std::string>{
                            "3\tERROR:   Reference file gone.mod does not exist. Make sure you "
                            "are in the correct directory and you've clicked 'Generate'."}));
}

TEST_F(ModprepReferenceTest, AnInvalidReferenceTypeEndsTheRun) {
  ProgramRun run = runWithReference("Reference Model (Catia) = plate.mod");
  EXPECT_EQ(run.status, 1);
  expectNothingTouched();
  std::vector<std::string> lines = log();
  EXPECT_EQ(lines[lines.size() - 2], "ERROR:   Reference file type not valid: (Catia)");
  EXPECT_EQ(messages(), (std::vector<std::string>{"3\tReference file type not valid"}));
}

TEST_F(ModprepReferenceTest, AReferenceThatCannotBeLoadedEndsTheRun) {
  folder_.writeText("plate.mod", "FEMAPSIM 1\nnode 1 x=oops\n");
  ProgramRun run = runWithReference("Reference Model (FEMAP) = plate.mod");
  EXPECT_EQ(run.status, 1);
  expectNothingTouched();
  EXPECT_EQ(log().back(), "ERROR:   Unable to read the reference file " +
                              (folder_ / "plate.mod").string() + ". Return code is 0");
}

TEST_F(ModprepTest, AMissingEntityIsReportedAndNotCreated) {
  folder_.write("Modprep.txt",
                withHeader({"Node  X5  5  x", "Node  X77  77  x", "Prop  P40  40  pval  0"}));
  folder_.write("InputValues.txt", {"X5  3", "X77  4", "P40  5"});
  EXPECT_EQ(modprep().status, 1);
  femapsim::Model model = folder_.model();
  EXPECT_EQ(model.table(Kind::Node).find(77), nullptr);
  EXPECT_EQ(model.table(Kind::Prop).find(40), nullptr);
  EXPECT_EQ(model.table(Kind::Node).find(5)->number("x"), 3);
  std::vector<std::string> lines = log();
  EXPECT_TRUE(contains(lines, "ERROR: Node number 77 doesn't exist"));
  EXPECT_TRUE(contains(lines, "ERROR: Prop number 40 doesn't exist"));
}

TEST_F(ModprepTest, IdsAndIndexesBeyondSixteenBitsAreRefused) {
  // 65541 and 65536 + 3 would wrap to node 5 and index 3 in 16 bits.
  folder_.write("Modprep.txt", withHeader({"Node  Big  65541  x", "Prop  Deep  1  pval  65539",
                                           "Node  X6  6  x"}));
  folder_.write("InputValues.txt", {"Big  1", "Deep  2", "X6  3"});
  EXPECT_EQ(modprep().status, 1);
  std::vector<std::string> lines = log();
  EXPECT_TRUE(contains(
      lines,
      "LOG: Reading and performing update for variable Name = Big Entity Type = Node Type id = "
      "x Entity Num = 65541"));
  EXPECT_TRUE(contains(
      lines,
      "ERROR:   Variable Big not applied: entity ID 65541 is outside the range -32768 to 32767"));
  EXPECT_TRUE(contains(
      lines,
      "ERROR:   Variable Deep not applied: index 65539 is outside the range -32768 to 32767"));
  EXPECT_EQ(member(Kind::Node, 5, "x"), 10);
  EXPECT_EQ(member(Kind::Prop, 1, "pval", 3), 0);
  EXPECT_EQ(member(Kind::Node, 6, "x"), 3);
}

TEST_F(ModprepTest, AWordThatIsNoEntityTypeNeverReachesFemap) {
  // "FileClose" would call FEMAP's feFileClose by name.
  folder_.write("Modprep.txt", withHeader({"Node  X5  5  x", "FileClose  Shut  1", "Node  X6  6  x"}));
  folder_.write("InputValues.txt", {"X5  3", "Shut  1", "X6  4"});
  EXPECT_EQ(modprep().status, 1);
  std::vector<std::string> lines = log();
  EXPECT_TRUE(contains(lines, "ERROR:   Variable Shut not applied: \"FileClose\" is not an entity type"));
  EXPECT_TRUE(contains(lines, "LOG: File saved successfully. Return code is -1"));
  EXPECT_EQ(member(Kind::Node, 5, "x"), 3);
  EXPECT_EQ(member(Kind::Node, 6, "x"), 4);
}

TEST_F(ModprepTest, NumbersBeyondSixtyFourBitsAreRefusedNotReadAsDefaults) {
  folder_.write("Modprep.txt", withHeader({"Node  LongIndex  5  x  99999999999999999999",
                                           "Node  LongId  99999999999999999999  y",
                                           "Node  Fine  6  z"}));
  folder_.write("InputValues.txt", {"LongIndex  123", "LongId  456", "Fine  7"});
  ProgramRun run = modprep();
  EXPECT_EQ(run.status, 1);
  const std::vector<std::string> lines = log();
  EXPECT_TRUE(contains(lines, "ERROR:   Variable LongIndex not applied: index "
                              "99999999999999999999 is outside the range -32768 to 32767"));
  EXPECT_TRUE(contains(lines, "ERROR:   Variable LongId not applied: entity ID "
                              "99999999999999999999 is outside the range -32768 to 32767"));
  EXPECT_NE(member(Kind::Node, 5, "x"), 123);  // not the plain member instead
  EXPECT_NE(member(Kind::Node, 5, "y"), 456);
  EXPECT_EQ(member(Kind::Node, 6, "z"), 7);
}

TEST_F(ModprepTest, TheLogIsStartedAfreshAndAKilledRunsTemporaryFilesGo) {
  folder_.writeText("inputExeLogs.log", "the log of an earlier run\r\n");
  folder_.writeText("plate.dat.tmp-999999999-1", std::string(1000, 'x'));
  folder_.writeText("plate.mod.tmp-999999999-2", std::string(1000, 'x'));
  folder_.write("Modprep.txt", kHeader);
  folder_.write("InputValues.txt", std::vector<std::string>{});
  ProgramRun run = modprep();
  EXPECT_EQ(run.status, 0) << run.output;
  const std::vector<std::string> lines = log();
  EXPECT_FALSE(contains(lines, "the log of an earlier run"));
  for (const char* name : {"plate.dat.tmp-999999999-1", "plate.mod.tmp-999999999-2"}) {
    EXPECT_FALSE(folder_.exists(name)) << name;
    EXPECT_TRUE(contains(lines, "LOG:  Removed " + (folder_.path() / name).string() +
                                    ", left by an earlier run that did not finish"));
  }
}

}  // namespace
}  // namespace runtime_e2e
