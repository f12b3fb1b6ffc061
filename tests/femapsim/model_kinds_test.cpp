// The kinds real models hold (coordinate systems, layups, constraint equations, analysis
// cases, passed-through deck cards) in the model file, and the coordinate systems resolved.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "femap/object.h"
#include "femapsim/application.h"
#include "femapsim/coordinates.h"
#include "femapsim/model_file.h"

namespace femapsim {
namespace {

constexpr const char* kEveryKind =
    "FEMAPSIM 1\n"
    "model title=\"Every kind\" activeAnalysisSet=1\n"
    "csys 1 title=\"Cylinder\" type=1 origin=1,0,0 pointZ=1,0,1 pointXZ=2,0,0\n"
    "csys 2 type=0 defCSys=1 origin=0,0,0 pointZ=0,0,1 pointXZ=1,0,0\n"
    "csys 3 type=2 defNode=1,2,3\n"
    "node 1 x=0 y=0 z=0\nnode 2 x=0 y=0 z=1 defCSys=1 localXYZ=1,180,1 permBC=1,1,1,0,0,0\nnode 3 x=1 y=0 z=0\n"
    "elem 1 type=5 topology=0 propID=2 node=1,2 orientID=3 offset=0,0,0.1,0,0,0.1 release=0,0,0,0,1,0,0,0,0,0,0,0 "
    "offsetType=\"GGO\"\n"
    "elem 2 type=21 topology=2 propID=3 node=1,2,3 MaterialOrient=1 MaterialCSys=2 thickness=0.1,0.2,0.3\n"
    "elem 3 type=29 topology=13 formulation=1 node=1 nodeList=2,3 nodeDOF=123,123 nodeWeight=1,2.5 refDOF=123456 "
    "alpha=1.2e-05\n"
    "elem 4 type=7 topology=0 propID=4 node=1,0 springDOF=3,0\n"
    "matl 1 type=3 title=\"Anisotropic\" GMatrix2D=1,2,3,4,5,6 Density=2\n"
    "matl 2 type=4 GMatrix3D=1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21\n"
    "prop 2 type=5 matlID=1 shape=4 shapeDim=10,6,4,1,1.5,2,8,6,4,1,1.5,2 stationX=0,1 stationValues=0,0.5\n"
    "prop 3 type=21 layupID=3 pval=-0.3,0.01 flag=3,1,1\n"
    "prop 4 type=7 pval=1000 inlineOf=4\n"
    "layup 3 title=\"Skin\" matlID=1,2,1 thickness=0.1,0.2,0.1 angle=0,45,90 plyOutput=1,0,1 globalPly=11,12,13\n"
    "loadset 1 title=\"Gravity\" BodyAccel=0,0,-9.81,0,0,0 BodyAccelOn=1 BodyCSys=2\n"
    "loadset 2 LoadCombineSet=1 LoadCombineScale=1.5 LoadCombineFactor=2\n"
    "loadmesh 1 setID=1 meshID=2 type=1 value=1,2,3,0 CSys=1\n"
    "loadmesh 2 setID=1 meshID=2 type=3 value=0.1,0,0,0 XOn=1\n"
    "bcset 1 title=\"Supports\"\nbcset 2 SPCAddSet=1 MPCAddSet=1\n"
    "bcnode 1 setID=1 dof=1,1,1,0,0,0 enforced=0,0,0.5,0,0,0\n"
    "bceqn 1 setID=1 node=2,3 dof=1,1 coeff=1,-1\n"
    "analysis 1 title=\"Static\" Solver=31 AnalysisType=1 NasSol=\"SESTATIC\" NasExecText=\"TIME 10\" "
    "NasCaseText=\"ECHO = NONE\\nDISPLACEMENT = ALL\"\n"
    "analysiscase 1 setID=1 title=\"Pull\" LoadSetID=2 BCSetID=2 MPCSetID=1 TempSetID=1 caseText=\"STRESS = ALL\"\n"
    "deckcard 1 text=\"EIGRL,10,,,5\"\n"
    "deckcard 2 text=\"PARAM,POST,-1\"\n";

TEST(ModelKindsTest, EveryKindSurvivesLoadSaveLoad) {
  Model model = parseModel(kEveryKind, "every.mod");
  std::string text = formatModel(model);
  Model again = parseModel(text, "again.mod");
  EXPECT_EQ(formatModel(again), text);
  EXPECT_EQ(again.table(Kind::CSys).size(), 3u);
  EXPECT_EQ(again.table(Kind::AnalysisCase).find(1, 1)->integer("LoadSetID"), 2);
  EXPECT_EQ(again.table(Kind::DeckCard).find(2)->text("text"), "PARAM,POST,-1");
  EXPECT_EQ(again.table(Kind::Analysis).find(1)->text("NasCaseText"), "ECHO = NONE\nDISPLACEMENT = ALL");
  EXPECT_EQ(again.table(Kind::Prop).find(4)->integer("inlineOf"), 4);  // an undeclared member is kept
  // The file lists coordinate systems first and passed-through cards last.
  EXPECT_EQ(text.find("csys 1"), text.find('\n') + 1 + text.substr(text.find('\n') + 1).find("csys 1"));
  EXPECT_GT(text.find("deckcard 1"), text.find("analysiscase 1"));
}

TEST(ModelKindsTest, NewKindsAreReachedThroughTheAutomationInterface) {
  auto application = std::make_shared<Application>();
  ASSERT_EQ(application->newModel(), -1);
  application->model() = parseModel(kEveryKind, "every.mod");
  femap::Object femapApp(application);
  femap::Object layup = femapApp.call("feLayup").asObject();
  ASSERT_EQ(layup.call("Get", 3).asInt(), -1);
  EXPECT_DOUBLE_EQ(layup.get("thickness", femap::Variant(1)).asDouble(), 0.2);
  layup.put("thickness", femap::Variant(1), femap::Variant(0.25));
  EXPECT_EQ(layup.call("Put", 3).asInt(), -1);
  EXPECT_DOUBLE_EQ(application->model().table(Kind::Layup).find(3)->element("thickness", 1), 0.25);

  femap::Object analysisCase = femapApp.call("feAnalysisCase").asObject();
  EXPECT_EQ(analysisCase.call("Get", 1).asInt(), -1);  // in the active analysis set
  EXPECT_EQ(analysisCase.get("BCSetID").asInt(), 2);
  // Deleting an analysis set takes its cases with it.
  femap::Object analysisSet = femapApp.call("feAnalysisSet").asObject();
  EXPECT_EQ(analysisSet.call("Delete", 1).asInt(), -1);
  EXPECT_TRUE(application->model().table(Kind::AnalysisCase).empty());
}

struct BadModel {
  const char* body;
  const char* reason;
  int line = 5;  // the body's first line
};

class ModelKindsFaultTest : public ::testing::TestWithParam<BadModel> {};

TEST_P(ModelKindsFaultTest, MissingReferencesAndCyclesAreRefused) {
  std::string text = std::string("FEMAPSIM 1\nnode 1\nnode 2\nmatl 1\n") + GetParam().body;
  try {
    parseModel(text, "bad.mod");
    FAIL() << "accepted: " << GetParam().body;
  } catch (const ModelFileError& error) {
    EXPECT_EQ(error.line(), GetParam().line) << error.what();
    EXPECT_NE(error.reason().find(GetParam().reason), std::string::npos) << error.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ModelKindsFaultTest,
    ::testing::Values(
        BadModel{"csys 1 defCSys=7\n", "missing csys 7 (defCSys)"},
        BadModel{"csys 1 defCSys=2\ncsys 2 defCSys=1\n", "defined in itself"},
        BadModel{"csys 1 defNode=1,2,3\n", "missing node 3 (defNode)"},
        BadModel{"elem 1 type=29 topology=13 node=1 nodeList=2,4\n", "missing node 4 (nodeList)"},
        BadModel{"elem 1 type=29 topology=13 node=1 nodeList=2 nodeWeight=1,2\n", "1 nodeList values but 2 nodeWeight"},
        BadModel{"elem 1 type=2 topology=0 node=1,2 orientID=9\n", "missing node 9 (orientID)"},
        BadModel{"prop 1 type=21 layupID=3\n", "missing layup 3"},
        BadModel{"prop 1 type=17 matlID=1 shearMatlID=5\n", "missing matl 5 (shearMatlID)"},
        BadModel{"layup 1 matlID=1,2 thickness=1,1\n", "missing matl 2"},
        BadModel{"loadset 1 LoadCombineSet=1,8 LoadCombineScale=1,1\n", "missing loadset 8"},
        BadModel{"bcset 1 SPCAddSet=3\n", "missing bcset 3"},
        BadModel{"bcset 1\nbceqn 1 setID=1 node=1,3 dof=1,1 coeff=1,1\n", "missing node 3", 6},
        BadModel{"analysis 1\nanalysiscase 1 setID=1 LoadSetID=4\n", "missing loadset 4", 6},
        BadModel{"analysiscase 1 setID=2\n", "missing analysis 2"}));

TEST(CoordinateSystemsTest, CylindricalAndSphericalPositionsGoBothWays) {
  // System 1: cylindrical, origin (1,0,0), z along global z, x along global x.
  // System 4: spherical on system 2, which is system 1's frame turned 90° about z.
  Model model = parseModel(
      "FEMAPSIM 1\n"
      "csys 1 type=1 origin=1,0,0 pointZ=1,0,1 pointXZ=2,0,0\n"
      "csys 2 type=0 origin=0,0,0 pointZ=0,0,1 pointXZ=0,1,0\n"
      "csys 4 type=2 defCSys=2 origin=0,0,5 pointZ=0,0,6 pointXZ=1,0,5\n",
      "c.mod");
  CoordinateSystems systems(model);
  // r = 2, θ = 90°, z = 3 in system 1 is (1, 2, 3).
  std::array<double, 3> global = systems.toGlobal(1, {2, 90, 3});
  EXPECT_NEAR(global[0], 1, 1e-15);
  EXPECT_NEAR(global[1], 2, 1e-15);
  EXPECT_NEAR(global[2], 3, 1e-15);
  std::array<double, 3> local = systems.toLocal(1, {1, -2, 3});
  EXPECT_NEAR(local[0], 2, 1e-15);
  EXPECT_NEAR(local[1], -90, 1e-13);
  // System 2's x is global y; system 4's origin is at (0,0,5) and its x is global y too.
  // r = 2, θ = 90° (on the xy plane), φ = 0 (along its x): global (0, 2, 5).
  global = systems.toGlobal(4, {2, 90, 0});
  EXPECT_NEAR(global[0], 0, 1e-15);
  EXPECT_NEAR(global[1], 2, 1e-15);
  EXPECT_NEAR(global[2], 5, 1e-15);
  local = systems.toLocal(4, global);
  EXPECT_NEAR(local[0], 2, 1e-15);
  EXPECT_NEAR(local[1], 90, 1e-13);
  EXPECT_NEAR(local[2], 0, 1e-13);
  // At (1, 2, 3) the radial direction of system 1 is global y, the tangential one global −x.
  auto directions = systems.directionsAt(1, {1, 2, 3});
  EXPECT_NEAR(directions[0][1], 1, 1e-15);
  EXPECT_NEAR(directions[1][0], -1, 1e-15);
}

TEST(CoordinateSystemsTest, UnresolvableSystemsAreNamed) {
  Model model = parseModel(
      "FEMAPSIM 1\n"
      "csys 1 origin=0,0,0 pointZ=0,0,0 pointXZ=1,0,0\n"
      "csys 2 origin=0,0,0 pointZ=0,0,1 pointXZ=0,0,2\n",
      "c.mod");
  CoordinateSystems systems(model);
  EXPECT_THROW(systems.frame(1), CoordinateError);
  EXPECT_THROW(systems.frame(2), CoordinateError);
  try {
    systems.frame(3);
    FAIL();
  } catch (const CoordinateError& error) {
    EXPECT_STREQ(error.what(), "coordinate system 3 does not exist");
  }
}

}  // namespace
}  // namespace femapsim
