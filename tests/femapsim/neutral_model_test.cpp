// FEMAP neutral model files read as models (feFileReadNeutral with its model switches).

#include "femapsim/neutral_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "femap/object.h"
#include "femap/return_codes.h"
#include "femapsim/application.h"
#include "femapsim/mass_model.h"
#include "femapsim/model_file.h"
#include "testing/neutral_model_writer.h"
#include "testing/temp_dir.h"

namespace femapsim {
namespace {

using testing_support::ScopedTempDir;
using testing_support::writeNeutralModel;

// Every kind and member a neutral file carries, in FEMAP's blocks or in the member block.
constexpr const char* kModel =
    "FEMAPSIM 1\n"
    "model title=\"Bracket\" activeLoadSet=1 activeBCSet=1 activeAnalysisSet=1\n"
    "csys 1 title=\"Tilted\" type=1 origin=1,2,3 pointZ=1,3,4 pointXZ=2,2,3\n"
    "csys 2 type=0 defCSys=1 origin=1,0,0 pointZ=1,0,1 pointXZ=2,0.5,0\n"
    "node 1 x=0 y=0 z=0 color=46 layer=1\nnode 2 x=10 y=0 z=0 outCSys=1\nnode 3 x=10 y=5 z=0 permBC=0,0,0,1,1,1\n"
    "node 4 x=0 y=5 z=0\nnode 5 x=5 y=2.5 z=3 defCSys=1 localXYZ=4.5,30,0\n"
    "elem 1 type=17 topology=4 propID=1 node=1,2,3,4 MaterialAngle=30 PlateOffset=0.25\n"
    "elem 2 type=21 topology=2 propID=3 node=1,2,3 MaterialOrient=1 MaterialCSys=2\n"
    "elem 3 type=2 topology=0 propID=2 node=1,2 orient=0,1,0 offset=0,0,0.5,0,0,0.5 release=0,0,0,0,1,1,0,0,0,0,0,0\n"
    "elem 4 type=5 topology=0 propID=4 node=2,3 orientID=5 offsetType=\"GOO\"\n"
    "elem 5 type=29 topology=13 formulation=1 node=5 nodeList=1,2,3 nodeDOF=123,123,123 nodeWeight=1,2,0.5 refDOF=123456\n"
    "elem 6 type=29 topology=13 node=3 nodeList=4,5 nodeDOF=123456,12\n"
    "elem 7 type=7 topology=0 propID=5 node=4,0 springDOF=2,0\n"
    "elem 8 type=27 topology=9 propID=6 node=5\n"
    "elem 9 type=25 topology=6 propID=7 node=1,2,4,5\n"
    "prop 1 type=17 title=\"Skin 2 mm\" matlID=1 pval=2,0,0,0,1.1,0.8,0,0.001,1,-1 bendMatlID=1 shearMatlID=0\n"
    "prop 2 type=2 title=\"I beam\" matlID=1 shape=4 shapeDim=10,6,4,1,1.5,2 pval=0,0,0,0,0,0,0,0.2\n"
    "prop 3 type=21 layupID=3 pval=-0.3,0.01 flag=3,1,1\n"
    "prop 4 type=5 matlID=2 pval=1,2,3,0,4,0.8,0.8,0.1,0,0,0,0,0,0,0,0,0,0,0,0,2,3,4,0,5,0,0,0.2 stationX=0.5 "
    "stationValues=1.5,2.5,3.5,0,4.5,0.15,0,0,0,0,0,0,0,0\n"
    "prop 5 type=7 pval=1000,0.02 inlineOf=7\n"
    "prop 6 type=27 refCS=1 pval=0,2,0.5,3,0,0,4,5,1,0,0,5,5 inlineOf=8\n"
    "prop 7 type=25 matlID=2 integration=\"THREE\"\n"
    "layup 3 title=\"Skin\" matlID=1,2,1 thickness=0.1,0.2,0.1 angle=0,45,90 plyOutput=1,0,1\n"
    "matl 1 type=0 title=\"Steel\" Ex=210000 Gx=80000 Nuxy=0.3 Density=7.85e-09 Alphaxx=1.2e-05 RefTemp=20 "
    "TensionLimit1=400 Damping=0.02\n"
    "matl 2 type=3 GMatrix2D=1,2,3,4,5,6 Density=2.5e-09 GMatrix3D=1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21\n"
    "func 1 title=\"Ramp\" type=1 x=0,1,2 y=0,0.5,1\n"
    "loadset 1 title=\"Loads\" BodyAccel=0,0,-9810,0,0,0 BodyAccelOn=1 BodyCSys=1 BodyDefTemp=20 BodyDefTempOn=1\n"
    "loadset 2 title=\"Combined\" LoadCombineSet=1 LoadCombineScale=2 LoadCombineFactor=1.5\n"
    "loaddef 1 setID=1 title=\"Pull\" loadType=1 dataType=13\n"
    "loadmesh 1 setID=1 LoadDefinitionID=1 meshID=3 type=1 value=100,-250,0,0 CSys=1\n"
    "loadmesh 2 setID=1 meshID=1 type=13 value=0.5,0.5,0.6,0.6 FaceNumber=1 direction=0,0,1\n"
    "loadmesh 3 setID=1 meshID=4 type=3 value=0.01,0,0.02,0 XOn=1 ZOn=1\n"
    "nodetemp 1 setID=1 meshID=2 temp=35.5\n"
    "elemtemp 1 setID=1 meshID=1 temp=80 phase=1\n"
    "bcset 1 title=\"Supports\"\nbcset 2 SPCAddSet=1\n"
    "bcnode 1 setID=1 dof=1,1,1,1,1,1\nbcnode 4 setID=1 dof=1,1,1,0,0,0 enforced=0,0,0.1,0,0,0\n"
    "bceqn 7 setID=1 node=2,3 dof=1,1 coeff=1,-1\n"
    "analysis 1 title=\"Static\" Solver=31 AnalysisType=1 NasSol=\"101\"\n"
    "analysiscase 1 setID=1 title=\"Pull\" LoadSetID=1 BCSetID=1 caseText=\"STRESS = ALL\"\n"
    "deckcard 1 text=\"EIGRL,10,,,5\"\n";

// A model's entities, each as a sorted list of its members without zeros, so that two models
// that hold the same values compare equal whatever order and spelling their members have.
std::vector<std::string> canonical(const Model& model) {
  std::vector<std::string> lines;
  for (int k = 0; k < kKindCount; ++k) {
    Kind kind = static_cast<Kind>(k);
    for (const auto& [key, entity] : model.table(kind).entities()) {
      std::vector<std::string> members;
      for (const Member& member : entity.members) {
        Entity one;
        one.members.push_back(member);
        if (auto* list = std::get_if<std::vector<double>>(&one.members.back().value)) {
          while (!list->empty() && list->back() == 0) list->pop_back();
        }
        std::string text = formatModelMembers(one);
        if (text.empty() || text.ends_with("=0") || text.ends_with("=\"\"")) continue;
        std::string lower;
        for (char c : text) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        members.push_back(lower);
      }
      std::sort(members.begin(), members.end());
      std::string line = std::string(info(kind).word) + " " + std::to_string(entity.id);
      for (const std::string& m : members) line += m;
      lines.push_back(line);
    }
  }
  return lines;
}

TEST(NeutralModelTest, AModelWrittenAndReadBackHoldsTheSameValues) {
  Model model = parseModel(kModel, "bracket.mod");
  std::string text = writeNeutralModel(model);
  Model read = readNeutralModel(text, "bracket.neu");
  // Coordinate systems travel exactly through the member block; their FEMAP record holds the
  // origin and angles (compared by the frames below).
  EXPECT_EQ(canonical(read), canonical(model));
  // A second round gives the very same file.
  std::string again = writeNeutralModel(read);
  EXPECT_EQ(writeNeutralModel(readNeutralModel(again, "again.neu")), again);
  // The same mass, to the last digits.
  MassProperties before = measureMassProperties(massElementsOf(model));
  MassProperties after = measureMassProperties(massElementsOf(read));
  EXPECT_EQ(after.totalMass, before.totalMass);
  EXPECT_EQ(after.inertia, before.inertia);
}

TEST(NeutralModelTest, FemapBlocksAloneGiveFemapsModel) {
  // The member block left out: what FEMAP's own blocks hold.
  Model model = parseModel(kModel, "bracket.mod");
  std::string text = writeNeutralModel(model);
  text.erase(text.find("   -1\r\n   9000\r\n"));
  Model read = readNeutralModel(text, "bracket.neu");
  EXPECT_EQ(read.table(Kind::Node).size(), 5u);
  const Entity* plate = read.table(Kind::Elem).find(1);
  EXPECT_EQ(plate->number("MaterialAngle"), 30);
  EXPECT_EQ(plate->number("PlateOffset"), 0.25);
  EXPECT_EQ(read.table(Kind::Elem).find(2)->integer("MaterialCSys"), 2);
  EXPECT_EQ(read.table(Kind::Elem).find(5)->list("nodeWeight"), (std::vector<double>{1, 2, 0.5}));
  EXPECT_EQ(read.table(Kind::Elem).find(6)->list("nodeDOF"), (std::vector<double>{123456, 12}));
  EXPECT_EQ(read.table(Kind::Elem).find(7)->list("springDOF"), (std::vector<double>{2}));
  EXPECT_EQ(read.table(Kind::Prop).find(1)->integer("bendMatlID"), 1);
  EXPECT_EQ(read.table(Kind::Prop).find(1)->find("couplingMatlID"), nullptr);
  EXPECT_EQ(read.table(Kind::Matl).find(2)->list("GMatrix2D"), (std::vector<double>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(read.table(Kind::LoadMesh).find(3, 1)->integer("ZOn"), 1);
  EXPECT_EQ(read.table(Kind::BcEqn).find(7, 1)->list("coeff"), (std::vector<double>{1, -1}));
  EXPECT_EQ(read.table(Kind::LoadSet).find(1)->list("BodyAccel"), (std::vector<double>{0, 0, -9810}));
  // A system kept by its origin and angles: the same axes.
  const Entity* tilted = read.table(Kind::CSys).find(1);
  EXPECT_NEAR(tilted->element("pointZ", 1), 2 + std::sqrt(0.5), 1e-12);
  EXPECT_NEAR(tilted->element("pointZ", 2), 3 + std::sqrt(0.5), 1e-12);
  EXPECT_TRUE(read.table(Kind::Analysis).empty());
}

// A file written by hand from the format reference, in the layouts of version 4.41.
constexpr const char* kVersion441 =
    "   -1\n   100\n<NULL>\n4.41,\n   -1\n"
    "   -1\n   403\n"
    "1,0,0,1,46,0,0,0,0,0,0,  0.00000e+00,  0.00000e+00,  0.00000e+00,\n"
    "2,0,0,1,46,0,0,0,0,0,0,  1.00000e-02,  0.00000e+00,  0.00000e+00,\n"
    "3,0,0,1,46,0,0,0,0,0,0,  0.00000e+00,  1.00000e-02,  0.00000e+00,\n"
    "4,0,0,1,46,0,0,0,0,0,0,  0.00000e+00,  0.00000e+00,  1.00000e-02,\n"
    "   -1\n"
    "   -1\n   404\n"
    "225,124,1,25,6,1,0,0,\n1,2,3,4,0,0,0,0,0,0,\n0,0,0,0,0,0,0,0,0,0,\n0.,0.,0.,\n0.,0.,0.,\n0.,0.,0.,\n"
    "0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,\n"
    "   -1\n"
    "   -1\n   402\n1,24,1,25,1,0,\nSolid\n0,0,0,0,\n8,\n0,0,0,0,0,0,0,0,\n5,\n0.,0.,0.,0.,0.,\n   -1\n"
    "   -1\n   601\n1,-601,55,0,0,1,0,\nAluminium\n10,\n0,0,0,0,0,0,0,0,0,0,\n25,\n"
    "0,0,0,0,0,0,0,0,0,0,\n0,0,0,0,0,0,0,0,0,0,\n0,0,0,0,0,\n200,\n"
    "7.e10,0.,0.,2.6e10,0.,0.,0.33,0.,0.,0.,\n"
    "0.,0.,0.,0.,0.,0.,0.,0.,0.,0.,\n0.,0.,0.,0.,0.,0.,0.,0.,0.,0.,\n0.,0.,0.,0.,0.,0.,0.,0.,0.,0.,\n"
    "0.,0.,0.,0.,0.,0.,0.,0.,0.,2.7D+03,\n"
    "0.,0.,0.,0.,0.,0.,0.,0.,0.,0.,\n0.,0.,0.,0.,0.,0.,0.,0.,0.,0.,\n0.,0.,0.,0.,0.,0.,0.,0.,0.,0.,\n"
    "0.,0.,0.,0.,0.,0.,0.,0.,0.,0.,\n0.,0.,0.,0.,0.,0.,0.,0.,0.,0.,\n0.,0.,0.,0.,0.,0.,0.,0.,0.,0.,\n"
    "0.,0.,0.,0.,0.,0.,0.,0.,0.,0.,\n0.,0.,0.,0.,0.,0.,0.,0.,0.,0.,\n0.,0.,0.,0.,0.,0.,0.,0.,0.,0.,\n"
    "0.,0.,0.,0.,0.,0.,0.,0.,0.,0.,\n0.,0.,0.,0.,0.,0.,0.,0.,0.,0.,\n0.,0.,0.,0.,0.,0.,0.,0.,0.,0.,\n"
    "0.,0.,0.,0.,0.,0.,0.,0.,0.,0.,\n0.,0.,0.,0.,0.,0.,0.,0.,0.,0.,\n0.,0.,0.,0.,0.,0.,0.,0.,0.,0.,\n"
    "50,\n0,0,0,0,0,0,0,0,0,0,\n0,0,0,0,0,0,0,0,0,0,\n0,0,0,0,0,0,0,0,0,0,\n0,0,0,0,0,0,0,0,0,0,\n0,0,0,0,0,0,0,0,0,0,\n"
    "70,\n0,0,0,0,0,0,0,0,0,0,\n0,0,0,0,0,0,0,0,0,0,\n0,0,0,0,0,0,0,0,0,0,\n0,0,0,0,0,0,0,0,0,0,\n"
    "0,0,0,0,0,0,0,0,0,0,\n0,0,0,0,0,0,0,0,0,0,\n0,0,0,0,0,0,0,0,0,0,\n"
    "   -1\n"
    "   -1\n   450\n6,\nSTEP:6 Time: 6.00000e-02\n0,3,\n 6.00000e-02,\n1,\n<NULL>\n   -1\n"
    "   -1\n   999\nanything, at all\n-1,\n   -1\n";

TEST(NeutralModelTest, AFileWrittenByHandInTheOldLayoutsIsRead) {
  Model model = readNeutralModel(kVersion441, "old.neu");
  EXPECT_EQ(model.table(Kind::Node).size(), 4u);
  EXPECT_EQ(model.table(Kind::Node).find(2)->number("x"), 0.01);
  const Entity* tetra = model.table(Kind::Elem).find(225);
  EXPECT_EQ(tetra->list("node"), (std::vector<double>{1, 2, 3, 4}));
  EXPECT_EQ(model.table(Kind::Prop).find(1)->text("title"), "Solid");
  const Entity* aluminium = model.table(Kind::Matl).find(1);
  EXPECT_EQ(aluminium->number("Ex"), 7e10);
  EXPECT_EQ(aluminium->number("Density"), 2700);  // a Fortran D exponent
  EXPECT_TRUE(model.table(Kind::OutSet).empty());  // results blocks are passed over
  EXPECT_NEAR(measureMassProperties(massElementsOf(model)).totalMass, 2700 * 1e-6 / 6, 1e-15);
}

struct Damage {
  const char* from;   // replaced in the written file
  const char* to;
  const char* reason;
};

class NeutralDamageTest : public ::testing::TestWithParam<Damage> {};

TEST_P(NeutralDamageTest, IsRefusedWithItsLineAndReason) {
  Model model = parseModel(kModel, "bracket.mod");
  std::string text = writeNeutralModel(model);
  const Damage& damage = GetParam();
  std::size_t at = text.find(damage.from);
  ASSERT_NE(at, std::string::npos) << damage.from;
  text.replace(at, std::string_view(damage.from).size(), damage.to);
  int line = 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
  try {
    readNeutralModel(text, "damaged.neu");
    FAIL() << "accepted";
  } catch (const ModelFileError& error) {
    EXPECT_EQ(error.file(), "damaged.neu");
    EXPECT_EQ(error.line(), line) << error.what();
    EXPECT_NE(error.reason().find(damage.reason), std::string::npos) << error.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Damages, NeutralDamageTest,
    ::testing::Values(
        Damage{"3,0,0,0,0,0,0,0,1,1,1,10,5,0,0,", "3,0,0,0,0,0,0,0,1,1,1,10,five,0,0,", "must be a number, found \"five\""},
        Damage{"2,0,1,0,0,0,0,0,0,0,0,10,0,0,0,", "2,0,1,0,0,0,0,0,0,0,0,10,", "14 values expected, found 12"},
        Damage{"1,0,1,17,4,0,0,0,0,0,0,0,0,\r\n1,2,3,4,", "1,0,1,17,4,0,0,0,0,0,0,0,0,\r\n1,2,3,44,", "missing node 44"},
        Damage{"1,-601,", "1,-600,", "is not -601"},
        Damage{"4,0,0,0,0,0,0,0,0,0,0,0,5,0,0,", "3,0,0,0,0,0,0,0,0,0,0,0,5,0,0,", "duplicate node 3 (first on line"},
        Damage{"analysiscase 1 setID=1", "analysiscase 1 setID=1 Bogus=", "has no value"},
        Damage{"1,0,1,17,4,0,0,0,0,0,0,0,0,", "1,0,1,17,4,,0,0,0,0,0,0,0,", "an empty value"}));

TEST(NeutralModelTest, ATruncatedFileIsRefused) {
  std::string text = writeNeutralModel(parseModel(kModel, "bracket.mod"));
  for (std::size_t cut : {text.size() / 3, text.size() / 2, text.size() - 8}) {
    EXPECT_THROW(readNeutralModel(std::string_view(text).substr(0, cut), "cut.neu"), ModelFileError) << cut;
  }
  EXPECT_THROW(readNeutralModel("   -1\n   403\n1,0,0,0,0,0,0,0,0,0,0,1,2,3,\n", "open.neu"), ModelFileError);
  EXPECT_THROW(readNeutralModel("NASTRAN\n", "foreign.neu"), ModelFileError);
}

TEST(NeutralModelTest, FeFileReadNeutralReadsAModelWithItsModelSwitchesAndAddsNothingFromADamagedOne) {
  ScopedTempDir dir;
  std::string text = writeNeutralModel(parseModel(kModel, "bracket.mod"));
  auto application = std::make_shared<Application>();
  femap::Object femapApp(application);
  std::filesystem::path good = dir / "bracket.neu", bad = dir / "bad.neu";
  {
    std::ofstream(good, std::ios::binary) << text;
    std::ofstream(bad, std::ios::binary) << text.substr(0, text.size() / 2);
  }
  // No model open: the file goes into a new one.
  EXPECT_EQ(femapApp.call("feFileReadNeutral", false, good.string(), false, false, false, false, false).asInt(), femap::kOk);
  EXPECT_EQ(application->model().table(Kind::Elem).size(), 9u);
  std::string before = formatModel(application->model());
  EXPECT_NE(femapApp.call("feFileReadNeutral", false, bad.string(), false, false, false, false, false).asInt(), femap::kOk);
  EXPECT_EQ(formatModel(application->model()), before);
  ASSERT_FALSE(application->messages().empty());
  EXPECT_NE(application->messages().back().text.find("bad.neu:"), std::string::npos) << application->messages().back().text;
  // Read again into the same model: the entities of the same IDs are replaced, not doubled.
  EXPECT_EQ(femapApp.call("feFileReadNeutral", false, good.string(), false, false, false, false, false).asInt(), femap::kOk);
  EXPECT_EQ(formatModel(application->model()), before);
}

}  // namespace
}  // namespace femapsim
