// The simulated FEMAP through its automation interface, as the system's programs see it.
#include <gtest/gtest.h>

#include <fstream>

#include "femap/object.h"
#include "femap/return_codes.h"
#include "femapsim/application.h"
#include "support/text_file.h"
#include "support/window_messages.h"
#include "testing/temp_dir.h"

namespace femapsim {
namespace {

using femap::Object;
using femap::Variant;
using testing_support::ScopedTempDir;
using testing_support::sourceDir;

class SimulatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(sourceDir() / "examples/plate/plate.mod", dir_ / "plate.mod");
    ASSERT_EQ(application_->openModel(dir_ / "plate.mod"), femap::kOk);
  }
  Object create(const char* kind) { return app_.call(std::string("fe") + kind).asObject(); }

  ScopedTempDir dir_;
  std::shared_ptr<Application> application_ = std::make_shared<Application>();
  Object app_{application_};
};

TEST_F(SimulatorTest, MembersAreReadAndWrittenByNameWithOrWithoutIndex) {
  Object node = create("Node");
  EXPECT_EQ(node.call("Get", 5).asInt(), femap::kOk);
  EXPECT_EQ(node.get("X").asString(), "10");  // letter case does not matter
  node.put("x", 12.5);
  EXPECT_EQ(node.call("Put", 5).asInt(), femap::kOk);

  Object property = create("Prop");
  property.call("Get", 2);
  EXPECT_EQ(property.get("pval", 0).asDouble(), 2);
  EXPECT_EQ(property.get("pval", 7).asDouble(), 1e-06);
  EXPECT_EQ(property.get("pval", 39).asDouble(), 0);  // declared but not in the file
  EXPECT_EQ(property.get("Title").asString(), "Plate 2 mm");
  EXPECT_EQ(property.get("Type").asInt(), 17);
  property.put("pval", 0, 2.75);
  property.call("Put", 2);

  Object again = create("Prop");
  again.call("Get", 2);
  EXPECT_EQ(again.get("pval", 0).asDouble(), 2.75);
  Object node5 = create("Node");
  node5.call("Get", 5);
  EXPECT_EQ(node5.get("x").asDouble(), 12.5);
}

TEST_F(SimulatorTest, UnknownMembersAndBadIndexesAreErrorsNamingKindAndMember) {
  Object node = create("Node");
  try {
    node.get("Thickness");
    FAIL();
  } catch (const femap::Error& error) {
    EXPECT_STREQ(error.what(), "Node has no member \"Thickness\"");
  }
  Object property = create("Prop");
  EXPECT_THROW(property.get("pval", 40), femap::Error);
  EXPECT_THROW(property.get("Color", 1), femap::Error);
  EXPECT_THROW(app_.call("feNoSuchThing"), femap::Error);
}

TEST_F(SimulatorTest, EntitiesExistGetPutDeleteAndIterateInOrder) {
  Object element = create("Elem");
  EXPECT_TRUE(element.call("Exist", 5).asBool());
  EXPECT_FALSE(element.call("Exist", 99).asBool());
  EXPECT_EQ(element.call("Get", 99).asInt(), femap::kNotExist);
  EXPECT_EQ(element.call("Get", 5).asInt(), femap::kOk);
  EXPECT_EQ(element.get("node", 1).asInt(), 9);
  EXPECT_EQ(element.call("Put", 6).asInt(), femap::kOk);  // a copy under a new ID
  EXPECT_TRUE(element.call("Exist", 6).asBool());
  EXPECT_EQ(element.call("Delete", 6).asInt(), femap::kOk);
  EXPECT_EQ(element.call("Delete", 6).asInt(), femap::kNotExist);

  std::vector<int> ids;
  element.call("Reset");
  while (element.call("Next").asBool()) ids.push_back(element.get("ID").asInt());
  EXPECT_EQ(ids, (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST_F(SimulatorTest, ScriptedSelectionDialogsPickExistingEntitiesOrCancel) {
  Object set = create("Set");
  application_->queueSelection({false, {3, 1, 42}});
  EXPECT_EQ(set.call("Select", 11, true, "Select Properties to Control").asInt(), femap::kOk);
  EXPECT_EQ(set.get("count").asInt(), 2);  // property 42 does not exist
  EXPECT_EQ(set.call("Next").asInt(), 1);
  EXPECT_EQ(set.call("Next").asInt(), 3);
  EXPECT_EQ(set.call("Next").asInt(), 0);
  set.call("Reset");
  EXPECT_EQ(set.call("Next").asInt(), 1);

  application_->queueSelection({});  // cancel
  EXPECT_EQ(set.call("Select", 7, true, "again").asInt(), femap::kCancel);
  EXPECT_EQ(set.call("Select", 7, true, "empty queue").asInt(), femap::kCancel);
  EXPECT_EQ(application_->dialogTitles(),
            (std::vector<std::string>{"Select Properties to Control", "again", "empty queue"}));

  application_->queueSelection({false, {2, 5, 9}});
  EXPECT_EQ(set.call("SelectIDInSet", 46, 1, true, "Select Load Definition ").asInt(), femap::kOk);
  EXPECT_EQ(set.get("count").asInt(), 2);

  Object copy = create("Set");
  EXPECT_EQ(copy.call("Copy", set.get("ID")).asInt(), femap::kOk);
  EXPECT_EQ(copy.get("count").asInt(), 2);
  EXPECT_EQ(copy.call("Copy", 9999).asInt(), femap::kNotExist);

  Object all = create("Set");
  all.call("AddAll", 29);
  EXPECT_EQ(all.get("count").asInt(), 6);
}

TEST_F(SimulatorTest, OutputVectorsGiveValuesExtremesAndTitles) {
  Object output = create("Output");
  EXPECT_EQ(output.call("Get", 7033).asInt(), femap::kOk);
  EXPECT_EQ(output.get("Title").asString(), "Plate VonMises Stress");
  EXPECT_EQ(output.get("Value", 2).asDouble(), 18.25);
  EXPECT_EQ(output.get("MAXVAL").asDouble(), 21.5);
  EXPECT_EQ(output.get("minval").asDouble(), 9.5);
  EXPECT_THROW(output.get("Value", 5), femap::Error);  // no value at element 5

  // Results read later form a new output set, which becomes the current one.
  auto results = dir_.write("r.op2",
                            "FEMAPSIM 1\noutset 7 title=\"Second\"\n"
                            "outvec 7033 setID=7 title=\"Plate Top VonMises Stress\" entity=1,2 value=1,-3\n");
  EXPECT_EQ(app_.call("feFileReadNastranResults", 8, results.string()).asInt(), femap::kOk);
  EXPECT_EQ(app_.get("Info_ActiveID", 28).asInt(), 2);
  output.call("Get", 7033);
  EXPECT_EQ(output.get("Value", 2).asDouble(), -3);
  EXPECT_EQ(output.get("minval").asDouble(), -3);
  Object set = create("Set");
  set.call("AddAll", 29);
  EXPECT_EQ(set.get("count").asInt(), 1);

  Object outputSet = create("OutputSet");
  EXPECT_EQ(outputSet.call("Last").asInt(), femap::kOk);
  EXPECT_EQ(outputSet.get("ID").asInt(), 2);
  EXPECT_EQ(outputSet.call("Delete", 2).asInt(), femap::kOk);
  EXPECT_EQ(app_.get("Info_ActiveID", 28).asInt(), 1);
  output.call("Get", 7033);
  EXPECT_EQ(output.get("Value", 2).asDouble(), 18.25);

  EXPECT_NE(app_.call("feFileReadNastranResults", 8, (dir_ / "missing.op2").string()).asInt(), femap::kOk);
  EXPECT_NE(app_.call("feFileReadAnsysResults", 1, results.string()).asInt(), femap::kOk);
}

TEST_F(SimulatorTest, TheOutputSetsOfTheLastResultsReadAreDeletedTogether) {
  auto results = dir_.write("two.op2",
                            "FEMAPSIM 1\noutset 1 title=\"Load\"\noutset 2 title=\"Thermal\"\n"
                            "outvec 1 setID=1 title=\"T\" entity=1 value=4\noutvec 1 setID=2 title=\"T\" entity=1 value=5\n");
  ASSERT_EQ(app_.call("feFileReadNastranResults", 8, results.string()).asInt(), femap::kOk);
  Object outputSet = create("OutputSet");
  outputSet.call("Last");
  EXPECT_EQ(outputSet.get("ID").asInt(), 3);
  EXPECT_EQ(outputSet.call("Delete", 3).asInt(), femap::kOk);

  // What is left of that read goes; the model's own output set stays and is current again.
  EXPECT_EQ(app_.call("feDeleteResultsRead").asInt(), femap::kOk);
  EXPECT_EQ(app_.call("feDeleteResultsRead").asInt(), femap::kNotExist);
  EXPECT_EQ(outputSet.call("Last").asInt(), femap::kOk);
  EXPECT_EQ(outputSet.get("ID").asInt(), 1);
  EXPECT_EQ(app_.get("Info_ActiveID", 28).asInt(), 1);
  Object output = create("Output");
  output.call("Get", 1);
  EXPECT_EQ(output.get("Value", 2).asDouble(), 0.0012);
}

TEST_F(SimulatorTest, FunctionsAreSelectedReadAndReplaced) {
  Object function = create("Function");
  application_->queueFunction({false, {2}});
  EXPECT_EQ(function.call("SelectID", "Select Function for Corvane Parameter").asInt(), femap::kOk);
  EXPECT_EQ(function.get("ID").asInt(), 2);
  EXPECT_EQ(function.get("title").asString(), "Scale factor");
  EXPECT_EQ(function.call("SelectID", "cancelled").asInt(), femap::kCancel);

  Variant count, x, y;
  EXPECT_EQ(function.call("GetFunctionList", Variant::byRef(count), Variant::byRef(x), Variant::byRef(y)).asInt(),
            femap::kOk);
  EXPECT_EQ(count.asInt(), 2);
  EXPECT_EQ(y.asDoubles(), (std::vector<double>{-1.5, 0.00001}));

  EXPECT_EQ(function.call("Get", 1).asInt(), femap::kOk);
  EXPECT_EQ(function.call("PutFunctionList", 1, Variant::fromDoubles({5}), Variant::fromDoubles({6})).asInt(),
            femap::kOk);
  EXPECT_EQ(function.call("Put", 1).asInt(), femap::kOk);
  Object again = create("Function");
  again.call("Get", 1);
  again.call("GetFunctionList", Variant::byRef(count), Variant::byRef(x), Variant::byRef(y));
  EXPECT_EQ(count.asInt(), 1);
  EXPECT_EQ(x.asDoubles(), std::vector<double>{5});
  EXPECT_EQ(again.call("PutFunctionList", 0, Variant::fromDoubles({}), Variant::fromDoubles({})).asInt(), femap::kOk);
}

TEST_F(SimulatorTest, ModelWithoutFunctionsAnswersNothingOfThatKind) {
  ASSERT_EQ(application_->openModel(sourceDir() / "examples/truss/truss.mod"), femap::kOk);
  EXPECT_EQ(create("Function").call("SelectID", "Select").asInt(), femap::kNotExist);
}

TEST_F(SimulatorTest, LoadDefinitionsIterateTheirLoadsOfOneKind) {
  Object definition = create("LoadDefinition");
  Object meshLoad = create("LoadMesh");
  ASSERT_EQ(definition.call("Get", 1).asInt(), femap::kOk);
  EXPECT_EQ(definition.get("title").asString(), "Edge Load [1]");
  EXPECT_EQ(definition.get("loadType").asInt(), 1);
  EXPECT_EQ(definition.get("dataType").asInt(), 13);
  std::vector<int> loads;
  while (definition.call("NextLoad", meshLoad).asBool()) loads.push_back(meshLoad.get("ID").asInt());
  EXPECT_EQ(loads, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(meshLoad.get("value", 2).asDouble(), -50);

  // Values written back through the load object are stored under its ID.
  meshLoad.put("value", 0, 333.0);
  EXPECT_EQ(meshLoad.call("Put", meshLoad.get("ID")).asInt(), femap::kOk);
  definition.call("ResetLoad");
  ASSERT_TRUE(definition.call("NextLoad", meshLoad).asBool());
  EXPECT_EQ(meshLoad.get("ID").asInt(), 1);
  definition.call("Get", 1);  // Get starts the iteration again
  int seen = 0;
  while (definition.call("NextLoad", meshLoad).asBool()) ++seen;
  EXPECT_EQ(seen, 3);
  Object check = create("LoadMesh");
  check.call("Get", 3);
  EXPECT_EQ(check.get("value", 0).asDouble(), 333.0);

  Object temperature = create("LoadNTemp");
  definition.call("Get", 5);
  std::vector<double> temperatures;
  while (definition.call("NextLoad", temperature).asBool()) temperatures.push_back(temperature.get("temp").asDouble());
  EXPECT_EQ(temperatures, (std::vector<double>{20, 25}));
  EXPECT_THROW(definition.call("NextLoad", create("Node")), femap::Error);
}

TEST_F(SimulatorTest, ModelsOpenSaveAndCloseWithTheirNames) {
  EXPECT_EQ(app_.get("ModelName").asString(), (dir_ / "plate.mod").string());
  EXPECT_EQ(app_.call("feFileNew").asInt(), femap::kOk);
  EXPECT_EQ(app_.get("ModelName").asString(), "");
  EXPECT_NE(app_.call("feFileSave", false).asInt(), femap::kOk);  // never saved: no name
  Variant count, models;
  app_.call("feAppGetAllModels", Variant::byRef(count), Variant::byRef(models));
  EXPECT_EQ(count.asInt(), 2);
  EXPECT_EQ(models.asArray().size(), 2u);
  EXPECT_EQ(app_.call("feFileClose", false).asInt(), femap::kOk);
  EXPECT_EQ(app_.call("feFileClose", false).asInt(), femap::kOk);
  EXPECT_THROW(app_.get("ModelName"), femap::Error);

  EXPECT_NE(app_.call("feFileOpen", false, (dir_ / "nothing.mod").string()).asInt(), femap::kOk);
  EXPECT_FALSE(application_->hasModel());
  dir_.write("bad.mod", "FEMAPSIM 1\nnode 1\nnode 1\n");
  EXPECT_NE(app_.call("feFileOpen", false, (dir_ / "bad.mod").string()).asInt(), femap::kOk);
  EXPECT_NE(application_->lastFailure().find("bad.mod:3: duplicate node 1"), std::string::npos);
  EXPECT_FALSE(application_->hasModel());

  EXPECT_EQ(app_.call("feFileOpen", false, (dir_ / "plate.mod").string()).asInt(), femap::kOk);
  Object node = create("Node");
  node.call("Get", 1);
  node.put("z", 4.0);
  node.call("Put", 1);
  EXPECT_EQ(app_.call("feFileSave", false).asInt(), femap::kOk);
  EXPECT_NE(support::readWholeFile(dir_ / "plate.mod").find("node 1 x=0 y=0 z=4"), std::string::npos);
}

TEST_F(SimulatorTest, MessagesLocksAndActiveIdsAreKept) {
  app_.call("feAppMessage", 3, "Something failed");
  app_.call("feAppLock");
  app_.call("feAppLock");
  app_.call("feAppUnlock");
  EXPECT_EQ(application_->lockCount(), 1);
  ASSERT_EQ(application_->messages().size(), 1u);
  EXPECT_EQ(application_->messages()[0].colour, 3);
  EXPECT_EQ(application_->messages()[0].text, "Something failed");

  application_->setMessageFile(dir_ / "messages.txt");
  app_.call("feAppMessage", 1, "one");
  app_.call("feAppMessage", 3, "two");
  EXPECT_EQ(dir_.read("messages.txt"), "1\tone\r\n3\ttwo\r\n");

  EXPECT_EQ(app_.get("Info_ActiveID", 12).asInt(), 1);
  app_.put("Info_ActiveID", 60, 9000000);
  EXPECT_EQ(app_.get("Info_ActiveID", 60).asInt(), 9000000);
  EXPECT_EQ(app_.get("Pref_AnalysisType").asInt(), 1);
}

// The pane's side of an event: a window whose procedure records what it gets.
std::vector<std::pair<std::uint32_t, std::uintptr_t>>& received() {
  static std::vector<std::pair<std::uint32_t, std::uintptr_t>> messages;
  return messages;
}
std::intptr_t recordingProcedure(support::WindowHandle, std::uint32_t message, std::uintptr_t code, std::intptr_t) {
  if (message != support::kCloseMessage) received().emplace_back(message, code);
  return 0;
}

TEST_F(SimulatorTest, EventsReachRegisteredPanesOnly) {
  received().clear();
  support::WindowHandle pane = support::createWindow(recordingProcedure);
  app_.call("feAppRegisterAddInPane", true, static_cast<int>(pane), static_cast<int>(pane), false, false, 2, 0);
  application_->sendEvent(2);
  app_.call("feAppRegisterAddInPane", false, static_cast<int>(pane), static_cast<int>(pane), false, false, 1, 0);
  application_->sendEvent(3);
  support::destroyWindow(pane);
  ASSERT_EQ(received().size(), 1u);
  EXPECT_EQ(received()[0].first, support::registerWindowMessage("FE_EVENT_MESSAGE"));
  EXPECT_EQ(received()[0].second, 2u);
}

TEST_F(SimulatorTest, MassPropertiesComeBackThroughOutArguments) {
  ASSERT_EQ(application_->openModel(sourceDir() / "examples/truss/truss.mod"), femap::kOk);
  Object set = create("Set");
  set.call("AddAll", 8);
  Variant results[11];
  EXPECT_EQ(app_.call("feMeasureMeshMassProp", set.get("ID"), 0, false, false, Variant::byRef(results[0]),
                      Variant::byRef(results[1]), Variant::byRef(results[2]), Variant::byRef(results[3]),
                      Variant::byRef(results[4]), Variant::byRef(results[5]), Variant::byRef(results[6]),
                      Variant::byRef(results[7]), Variant::byRef(results[8]), Variant::byRef(results[9]),
                      Variant::byRef(results[10]))
                .asInt(),
            femap::kOk);
  double diagonal = 360 * std::sqrt(2.0);
  EXPECT_NEAR(results[0].asDouble(), 6 * 360 + 4 * diagonal, 1e-9);
  EXPECT_NEAR(results[5].asDouble(), 0.1 * (6 * 360 + 4 * diagonal), 1e-9);
  EXPECT_EQ(results[8].asArray().size(), 3u);
  EXPECT_EQ(results[9].asArray().size(), 6u);
  EXPECT_NEAR(results[8].asArray()[1].asDouble(), 180, 1e-9);  // symmetric about y = 180
}

TEST_F(SimulatorTest, TheDeckHoldsTheCurrentValues) {
  Object property = create("Prop");
  property.call("Get", 3);
  property.put("pval", 0, 7.9412345678);
  property.call("Put", 3);
  auto deck = dir_ / "plate.dat";
  EXPECT_EQ(app_.call("feFileWriteNastran", 8, deck.string()).asInt(), femap::kOk);
  std::string text = support::readWholeFile(deck);
  EXPECT_NE(text.find("PROD*,3,1,7.9412345678,1.2\n"), std::string::npos) << text;
  EXPECT_NE(app_.call("feFileWriteAbaqus", 0, deck.string()).asInt(), femap::kOk);
}

TEST_F(SimulatorTest, TheTextReaderReadsRecordsWithFemapOptions) {
  auto file = dir_.write("in.txt", "# comment\n\n  first  record 12  \nsecond 2.5\n");
  Object reader = create("Read");
  EXPECT_EQ(reader.call("Open", file.string(), 1000).asInt(), femap::kOk);
  reader.call("SetSearchString", "#", "");
  reader.call("SetSkip", true);
  reader.call("SetTrimSpace", true);
  reader.call("SetNoBlankLines", true);
  EXPECT_EQ(reader.call("Read").asInt(), femap::kOk);
  EXPECT_EQ(reader.get("Line").asString(), "first  record 12");
  EXPECT_EQ(reader.call("IntField", 3, 0).asInt(), 12);
  EXPECT_EQ(reader.call("IntField", 2, -1).asInt(), -1);
  EXPECT_FALSE(reader.get("AtEOF").asBool());
  reader.call("Read");
  EXPECT_EQ(reader.call("RealField", 2, 0.0).asDouble(), 2.5);
  EXPECT_TRUE(reader.get("AtEOF").asBool());
}

}  // namespace
}  // namespace femapsim
