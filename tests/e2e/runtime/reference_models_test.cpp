// Modprep and Respull with a Nastran deck and a FEMAP neutral model file as the reference model:
// the design's values reach the deck Modprep writes and nothing else changes; Respull reads
// results into the same reference.
#include <gtest/gtest.h>

#include "femapsim/nastran_model.h"
#include "nastran/cross_reference.h"
#include "program_run.h"
#include "testing/neutral_model_writer.h"

namespace runtime_e2e {
namespace {

using femapsim::Kind;

// A plate and a bar: a PSHELL thickness, a PBARL dimension and a grid coordinate are the inputs.
constexpr const char* kReferenceDeck =
    "SOL 101\nCEND\nTITLE = Bracket\nSUBCASE 1\n  SUBTITLE = Pull\n  LOAD = 1\n  SPC = 2\n"
    "  DISPLACEMENT = ALL\nSUBCASE 2\n  LOAD = 3\n  SPC = 2\n  STRESS = ALL\nBEGIN BULK\n"
    "GRID,1,,0.,0.,0.\nGRID,2,,10.,0.,0.\nGRID,3,,10.,5.,0.\nGRID,4,,0.,5.,0.\nGRID,5,,10.,0.,10.\n"
    "CQUAD4,1,1,1,2,3,4\nCBAR,2,2,2,5,1.,0.,0.\n"
    "PSHELL,1,1,.25,1\nPBARL,2,1,,BAR\n,2.,3.\nMAT1,1,2.1+5,,.3,7.85-9\n"
    "FORCE,1,3,,1000.,0.,0.,-1.\nGRAV,3,,9810.,0.,0.,-1.\nSPC1,2,123456,1,4\nEIGRL,9,,,6\nENDDATA\n";

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

femapsim::Model modelOf(const std::string& text) {
  nastran::MemoryFiles files;
  nastran::Deck deck = nastran::readDeckText(text, "deck.dat", files);
  nastran::requireConsistent(deck);
  return femapsim::modelFromDeck(deck, femapsim::Model());
}

class ReferenceModelTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    folder_.writeText("FunctionsInputvalues.txt", "");
    if (neutral()) {
      folder_.writeText("ref.neu", testing_support::writeNeutralModel(modelOf(kReferenceDeck)));
    } else {
      folder_.writeText("ref.bdf", kReferenceDeck);
    }
  }
  bool neutral() const { return std::string(GetParam()) == "(FEMAPNeutral)"; }
  std::string referenceLine() const {
    return std::string("Reference Model ") + GetParam() + " = " + (neutral() ? "ref.neu" : "ref.bdf");
  }
  ProgramRun run(const char* program) {
    return runProgram(program, folder_.path(), shellQuoted(folder_.pathText()),
                      {{"FEMAPSIM_MESSAGES", (folder_ / "messages.txt").string()}});
  }

  WorkFolder folder_;
};

TEST_P(ReferenceModelTest, ModprepWritesTheDesignIntoTheDeckAndRespullReadsResults) {
  folder_.write("Modprep.txt", {referenceLine(), "Input Deck (NastranNX) = out.dat", "NameValue = InputValues.txt",
                                "Prop  Thickness  1  pval  0", "Prop  Width  2  shapeDim  0", "Node  X3  3  x"});
  folder_.write("InputValues.txt", {"Thickness  0.375", "Width  2.5", "X3  12.25"});
  ProgramRun modprep = run(MODPREP_PATH);
  ASSERT_EQ(modprep.status, 0) << modprep.output << joined(folder_.lines("inputExeLogs.log"));

  // The deck written is the reference with the three new values and nothing else changed.
  femapsim::Model expected = modelOf(kReferenceDeck);
  expected.table(Kind::Prop).find(1)->set("pval", [&] {
    std::vector<double> values = expected.table(Kind::Prop).find(1)->list("pval");
    values[0] = 0.375;
    return femapsim::Value(values);
  }());
  expected.table(Kind::Prop).find(2)->set("shapeDim", femapsim::Value(std::vector<double>{2.5, 3}));
  expected.table(Kind::Node).find(3)->set("x", 12.25);
  femapsim::Model written = modelOf(folder_.read("out.dat"));
  if (!neutral()) {
    EXPECT_EQ(femapsim::formatModel(written), femapsim::formatModel(expected));
  } else {
    // FEMAP's neutral blocks carry no case control: the deck's structure is compared.
    for (Kind kind : {Kind::Node, Kind::Elem, Kind::Prop, Kind::Matl, Kind::LoadMesh, Kind::BcNode}) {
      for (const auto& [key, entity] : expected.table(kind).entities()) {
        const femapsim::Entity* other = written.table(kind).find(entity.id, entity.integer("setID"));
        ASSERT_NE(other, nullptr) << femapsim::info(kind).word << " " << entity.id;
        for (const char* member : {"x", "y", "z", "pval", "shapeDim", "node", "value", "dof", "type"}) {
          EXPECT_EQ(other->list(member), entity.list(member)) << femapsim::info(kind).word << " " << entity.id << " " << member;
        }
      }
    }
  }
  EXPECT_NE(folder_.read("out.dat").find("EIGRL"), std::string::npos);

  folder_.writeText("out.op2", "FEMAPSIM 1\noutset 1 title=\"NX run\"\n"
                               "outvec 1 setID=1 title=\"Total Translation\" entity=1,2,3,4,5 value=0,0.5,0.75,0,1.25\n");
  folder_.write("Respull.txt", {referenceLine(), "Results File (NastranNX) = out.op2", "OutputNameValue = OutputValues.txt",
                                "Output  Disp3  3  1", "maxval  DispMax  0  1"});
  ProgramRun respull = run(RESPULL_PATH);
  ASSERT_EQ(respull.status, 0) << respull.output << joined(folder_.lines("outputExeLogs.log"));
  EXPECT_EQ(folder_.lines("OutputValues.txt"), (std::vector<std::string>{"Disp3  0.75", "DispMax  1.25"}));
}

TEST_P(ReferenceModelTest, ABadReferenceIsLoggedAndNeitherADeckNorAModelIsWritten) {
  folder_.writeText(neutral() ? "ref.neu" : "ref.bdf",
                    neutral() ? "   -1\n   100\n<NULL>\n8.1,\n   -1\n   -1\n   403\nbroken\n"
                              : "SOL 101\nCEND\nBEGIN BULK\nGRID,1,,0.,0.,0.\nCROD,1,1,1,2\nPROD,1,1,1.\nENDDATA\n");
  folder_.write("Modprep.txt", {referenceLine(), "Input Deck (NastranNX) = out.dat", "NameValue = InputValues.txt",
                                "Node  X1  1  x"});
  folder_.write("InputValues.txt", {"X1  1"});
  ProgramRun modprep = run(MODPREP_PATH);
  EXPECT_EQ(modprep.status, 1);
  EXPECT_FALSE(folder_.exists("out.dat"));
  EXPECT_FALSE(folder_.exists(neutral() ? "ref.neu.mod" : "ref.bdf.mod"));
  std::string log = joined(folder_.lines("inputExeLogs.log"));
  EXPECT_NE(log.find("Unable to read the reference file"), std::string::npos) << log;
  // The reason, with the file and line, in FEMAP's message window.
  std::string messages = joined(folder_.lines("messages.txt"));
  EXPECT_NE(messages.find(neutral() ? "ref.neu:" : "ref.bdf:5: CROD 1"), std::string::npos) << messages;
}

INSTANTIATE_TEST_SUITE_P(Tags, ReferenceModelTest, ::testing::Values("(NastranNX)", "(FEMAPNeutral)"),
                         [](const auto& info) { return std::string(info.param).substr(1, std::string(info.param).size() - 2); });

}  // namespace
}  // namespace runtime_e2e
