// The simulated FEMAP served by femapsim-server as "femap.model", reached through real COM:
// COM starts the server, the running-object table finds it, members go by name with and
// without index, out-arguments and arrays come back, FEMAP's error texts arrive whole, names
// are looked up once per object kind, events reach a window of this process, and the
// server's watchdog ends it.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "com_testing.h"
#include "femap/com/transport.h"
#include "femap/connect.h"
#include "femap/return_codes.h"
#include "femapsim/application.h"
#include "support/text_file.h"
#include "support/wide_text.h"
#include "support/window_messages.h"
#include "testing/temp_dir.h"

namespace {

using femap::Object;
using femap::Variant;
using com_testing::sourceFile;
using namespace std::chrono_literals;

std::string plateModel() { return sourceFile("examples/plate/plate.mod"); }

// Each test creates its own FEMAP (COM starts the server) and ends the server afterwards.
class FemapServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    com_testing::endRunningServers();
    app_ = femap::create(femap::kFemapProgId);
  }
  void TearDown() override {
    com_testing::quit(app_);
    app_.reset();
    com_testing::endRunningServers();
  }
  Object create(const std::string& kind) const { return app_.call("fe" + kind).asObject(); }
  void openPlate() const { ASSERT_EQ(app_.call("feFileOpen", false, plateModel()).asInt(), femap::kOk); }

  Object app_;
};

TEST_F(FemapServerTest, CreatingStartsTheServerWhichOpensModels) {
  EXPECT_EQ(app_.kind(), "Application");
  EXPECT_THROW(app_.get("ModelName"), femap::Error);  // no model yet
  openPlate();
  EXPECT_EQ(app_.get("ModelName").asString(), plateModel());
  EXPECT_EQ(app_.call("feAppLock").asInt(), femap::kOk);
  EXPECT_EQ(app_.get("SimLockCount").asInt(), 1);
  app_.call("feAppUnlock");
  EXPECT_EQ(app_.get("SimLockCount").asInt(), 0);
}

TEST_F(FemapServerTest, MembersAreReadAndWrittenWithAndWithoutIndex) {
  openPlate();
  Object node = create("Node");
  EXPECT_EQ(node.kind(), "Node");
  ASSERT_EQ(node.call("Get", 5).asInt(), femap::kOk);
  EXPECT_EQ(node.get("X").asDouble(), 10);
  node.put("x", 12.5);
  ASSERT_EQ(node.call("Put", 5).asInt(), femap::kOk);

  Object property = create("Prop");
  ASSERT_EQ(property.call("Get", 2).asInt(), femap::kOk);
  EXPECT_EQ(property.get("Title").asString(), "Plate 2 mm");
  EXPECT_EQ(property.get("pval", 7).asDouble(), 1e-06);
  property.put("pval", 0, 2.75);
  property.put("Title", "Plate 2.75 mm – Blech");
  ASSERT_EQ(property.call("Put", 2).asInt(), femap::kOk);

  Object again = create("Prop");
  again.call("Get", 2);
  EXPECT_EQ(again.get("pval", 0).asDouble(), 2.75);
  EXPECT_EQ(again.get("title").asString(), "Plate 2.75 mm – Blech");
  Object node5 = create("Node");
  node5.call("Get", 5);
  EXPECT_EQ(node5.get("x").asDouble(), 12.5);

  EXPECT_EQ(app_.get("Info_ActiveID", femap::kLoadSetType).asInt(), 1);
  app_.put("Info_ActiveID", femap::kOutputSetType, 1);
  EXPECT_EQ(app_.call("Info_ActiveID", femap::kOutputSetType).asInt(), 1);
}

TEST_F(FemapServerTest, OutArgumentsAndArraysComeBack) {
  openPlate();
  Variant count, models;
  EXPECT_EQ(app_.call("feAppGetAllModels", Variant::byRef(count), Variant::byRef(models)).asInt(), femap::kOk);
  EXPECT_EQ(count.asInt(), 1);
  ASSERT_EQ(models.asArray().size(), 1u);

  Variant results[11];
  ASSERT_EQ(app_.call("feMeasureMeshMassProp", 0, 0, false, false, Variant::byRef(results[0]),
                      Variant::byRef(results[1]), Variant::byRef(results[2]), Variant::byRef(results[3]),
                      Variant::byRef(results[4]), Variant::byRef(results[5]), Variant::byRef(results[6]),
                      Variant::byRef(results[7]), Variant::byRef(results[8]), Variant::byRef(results[9]),
                      Variant::byRef(results[10]))
                .asInt(),
            femap::kOk);
  // The same simulator in this process gives the same numbers, to the last bit.
  femapsim::Application local;
  ASSERT_EQ(local.openModel(plateModel()), femap::kOk);
  const femapsim::MassProperties expected = local.measure(0);
  EXPECT_EQ(results[0].asDouble(), expected.length);
  EXPECT_EQ(results[1].asDouble(), expected.area);
  EXPECT_EQ(results[5].asDouble(), expected.totalMass);
  EXPECT_EQ(results[8].asDoubles(), std::vector<double>(expected.totalCG.begin(), expected.totalCG.end()));
  EXPECT_EQ(results[9].asDoubles(), std::vector<double>(expected.inertia.begin(), expected.inertia.end()));

  Object function = create("Function");
  ASSERT_EQ(function.call("Get", 2).asInt(), femap::kOk);
  Variant points, x, y;
  function.call("GetFunctionList", Variant::byRef(points), Variant::byRef(x), Variant::byRef(y));
  EXPECT_EQ(points.asInt(), 2);
  EXPECT_EQ(y.asDoubles(), (std::vector<double>{-1.5, 0.00001}));
  // Arrays go as SAFEARRAYs of integers, of doubles, or of VARIANTs when the elements differ.
  const femap::VariantArray integers{0, 5, 10};
  const femap::VariantArray mixed{1, 2.5, "4"};
  EXPECT_EQ(function.call("PutFunctionList", 3, Variant(integers), Variant(mixed)).asInt(), femap::kOk);
  function.call("GetFunctionList", Variant::byRef(points), Variant::byRef(x), Variant::byRef(y));
  EXPECT_EQ(x.asDoubles(), (std::vector<double>{0, 5, 10}));
  EXPECT_EQ(y.asDoubles(), (std::vector<double>{1, 2.5, 4}));
  function.call("PutFunctionList", 2, Variant::fromDoubles({0.125, 1e-300}), Variant::fromDoubles({-0.0, 1e300}));
  function.call("GetFunctionList", Variant::byRef(points), Variant::byRef(x), Variant::byRef(y));
  EXPECT_EQ(x.asDoubles(), (std::vector<double>{0.125, 1e-300}));
  EXPECT_EQ(y.asDoubles(), (std::vector<double>{-0.0, 1e300}));
}

TEST_F(FemapServerTest, ObjectsGoBackToTheServerAsThemselves) {
  openPlate();
  Object definition = create("LoadDefinition");
  ASSERT_EQ(definition.call("Get", 1).asInt(), femap::kOk);
  Object meshLoad = create("LoadMesh");
  std::vector<int> loads;
  while (definition.call("NextLoad", meshLoad).asBool()) loads.push_back(meshLoad.get("ID").asInt());
  EXPECT_EQ(loads, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(meshLoad.get("value", 2).asDouble(), -50);
}

TEST_F(FemapServerTest, FailuresArriveWithTheServersDescription) {
  try {
    app_.get("NoSuchMember");
    FAIL() << "an unknown member was read";
  } catch (const femap::Error& error) {
    EXPECT_STREQ(error.what(), "Application has no member \"NoSuchMember\"");
  }
  try {
    app_.get("ModelName");
    FAIL() << "a model name without a model";
  } catch (const femap::Error& error) {
    EXPECT_STREQ(error.what(), "No model is open");
  }
  EXPECT_EQ(app_.call("feFileOpen", false, sourceFile("examples/plate/no-such.mod")).asInt(), 0);
}

TEST_F(FemapServerTest, AttachingFindsTheRunningFemap) {
  openPlate();
  Object attached = femap::attach(femap::kFemapProgId);
  EXPECT_EQ(attached.get("ModelName").asString(), plateModel());
  attached.call("feAppMessage", femap::kMessageInfo, "from the attached program");
  const Variant messages = app_.get("SimMessages");
  ASSERT_EQ(messages.asArray().size(), 1u);
  EXPECT_EQ(messages.asArray()[0].asString(), "1\tfrom the attached program");

  femap::Connection connection = femap::connect(femap::kFemapProgId);
  EXPECT_TRUE(connection.attached);
  EXPECT_EQ(connection.object.get("ModelName").asString(), plateModel());
}

TEST_F(FemapServerTest, NamesAreLookedUpOncePerObjectKindAndMember) {
  openPlate();
  const std::uint64_t before = femap::com::nameLookupCount();
  for (int round = 0; round < 5; ++round) {
    Object node = create("Node");                   // Application.feNode
    for (int id = 1; id <= 9; ++id) {
      ASSERT_EQ(node.call("Get", id).asInt(), femap::kOk);  // Node.Get
      node.put("Z", node.get("x").asDouble() + node.get("Y").asDouble());  // Node.z, Node.x, Node.y
      node.call("put", id);                         // Node.Put, whatever the spelling
    }
  }
  EXPECT_EQ(femap::com::nameLookupCount() - before, 6u);

  // The same name on another kind is another member: one look-up more, and no mix-up.
  Object material = create("Matl");                 // Application.feMatl
  material.call("Get", 1);                          // Matl.Get
  Object property = create("Prop");                 // Application.feProp
  property.call("Get", 1);                          // Prop.Get
  EXPECT_EQ(material.get("title").asString(), "Steel");         // Matl.title
  EXPECT_EQ(property.get("title").asString(), "Plate 1 mm");    // Prop.title
  EXPECT_EQ(femap::com::nameLookupCount() - before, 12u);
}

// The pane's side of an event: windows of this process that record what they get and, while
// handling it, call FEMAP back as the pane does.
struct Received {
  support::WindowHandle window;
  std::uintptr_t code;
  std::string modelName;
};
std::vector<Received>& received() {
  static std::vector<Received> messages;
  return messages;
}
Object* femapForPane = nullptr;

std::intptr_t paneProcedure(support::WindowHandle window, std::uint32_t message, std::uintptr_t code,
                            std::intptr_t) {
  if (message == support::registerWindowMessage("FE_EVENT_MESSAGE")) {
    std::string name;
    try {
      name = femapForPane->get("ModelName").asString();
    } catch (const femap::Error& error) {
      name = error.what();
    }
    received().push_back({window, code, name});
  }
  return 0;
}

// Runs this thread's message loop until `done` or the time limit; true when done.
bool pumpMessagesUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (done()) break;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
  }
  return true;
}

TEST_F(FemapServerTest, EventsReachRegisteredPaneWindowsOfThisProcess) {
  openPlate();
  received().clear();
  femapForPane = &app_;
  const support::WindowHandle leaving = support::createWindow(paneProcedure);
  const support::WindowHandle staying = support::createWindow(paneProcedure);
  for (support::WindowHandle pane : {leaving, staying}) {
    app_.call("feAppRegisterAddInPane", true, static_cast<int>(pane), static_cast<int>(pane), false, false, 2, 0);
  }
  EXPECT_EQ(app_.get("SimPanes").asDoubles(),
            (std::vector<double>{static_cast<double>(leaving), static_cast<double>(staying)}));
  app_.call("SimSendEvent", 2);
  EXPECT_TRUE(pumpMessagesUntil([] { return received().size() == 2; }, 10s));
  app_.call("feAppRegisterAddInPane", false, static_cast<int>(leaving), static_cast<int>(leaving), false, false, 1, 0);
  app_.call("SimSendEvent", 3);
  EXPECT_TRUE(pumpMessagesUntil([] { return received().size() >= 3; }, 10s));
  support::destroyWindow(leaving);
  support::destroyWindow(staying);
  femapForPane = nullptr;

  ASSERT_EQ(received().size(), 3u);
  const std::string model = plateModel();
  EXPECT_EQ(received()[0].code, 2u);
  EXPECT_EQ(received()[0].modelName, model);  // the handler called FEMAP back
  EXPECT_EQ(received()[1].code, 2u);
  EXPECT_EQ(received()[2].window, staying);
  EXPECT_EQ(received()[2].code, 3u);
  EXPECT_EQ(received()[2].modelName, model);
}

TEST_F(FemapServerTest, CallsAfterTheServerEndedFailWithoutHanging) {
  Object node = create("Node");
  com_testing::quit(app_);
  com_testing::endRunningServers();
  EXPECT_THROW(app_.get("SimLockCount"), femap::Error);
  EXPECT_THROW(node.call("Get", 1), femap::Error);
}

TEST(FemapServerRegistration, UnregisteredServerCannotBeCreated) {
  com_testing::endRunningServers();
  com_testing::unregisterServer();
  EXPECT_THROW(femap::create(femap::kFemapProgId), femap::Error);
  com_testing::registerServer();
  Object app = femap::create(femap::kFemapProgId);
  EXPECT_EQ(app.kind(), "Application");
  com_testing::quit(app);
  app.reset();
  com_testing::endRunningServers();
}

std::wstring serverCommand(const std::wstring& options) {
  return L"\"" + com_testing::serverProgram().wstring() + L"\" " + options;
}

// A FEMAP the engineer started, with the environment hooks of the stand-in.
TEST(FemapServerStartedByHand, AttachingFindsItsModelsAndItsMessagesGoToAFile) {
  com_testing::endRunningServers();
  testing_support::ScopedTempDir dir;
  const std::string truss = sourceFile("examples/truss/truss.mod");
  const std::string messages = (dir / "messages.txt").string();
  SetEnvironmentVariableW(L"FEMAPSIM_OPEN", support::toWide(truss + ";" + plateModel()).c_str());
  SetEnvironmentVariableW(L"FEMAPSIM_MESSAGES", support::toWide(messages).c_str());
  com_testing::Process server(serverCommand(L"--idle 20 --lifetime 120"));
  SetEnvironmentVariableW(L"FEMAPSIM_OPEN", nullptr);
  SetEnvironmentVariableW(L"FEMAPSIM_MESSAGES", nullptr);

  femap::Connection connection;
  connection.object = com_testing::attachWithin(15s);
  ASSERT_TRUE(connection.object) << "the started server is not in the running-object table";
  EXPECT_EQ(connection.object.get("ModelName").asString(), plateModel());
  Variant count, models;
  connection.object.call("feAppGetAllModels", Variant::byRef(count), Variant::byRef(models));
  EXPECT_EQ(count.asInt(), 2);
  connection.object.call("feAppMessage", femap::kMessageError, "Reference file type not valid");
  EXPECT_EQ(support::readWholeFile(messages), "3\tReference file type not valid\r\n");

  com_testing::quit(connection.object);
  connection.object.reset();
  EXPECT_EQ(server.wait(15s), 0ul);
}

TEST(FemapServerWatchdog, AnIdleServerEndsAndSoDoesOneThatLivedTooLong) {
  com_testing::endRunningServers();
  const auto started = std::chrono::steady_clock::now();
  com_testing::Process idle(serverCommand(L"--idle 1 --lifetime 60"));
  EXPECT_EQ(idle.wait(15s), 0ul);
  Object busy;
  {
    com_testing::Process shortLived(serverCommand(L"--idle 0 --lifetime 2"));
    busy = com_testing::attachWithin(10s);
    ASSERT_TRUE(busy);
    // Calls keep it from being idle, not from ending when its lifetime is over.
    while (shortLived.wait(100ms) == std::nullopt && std::chrono::steady_clock::now() - started < 30s) {
      try {
        busy.get("SimLockCount");
      } catch (const femap::Error&) {
      }
    }
    EXPECT_TRUE(shortLived.wait(0ms).has_value());
  }
  EXPECT_THROW(busy.get("SimLockCount"), femap::Error);
}

}  // namespace
