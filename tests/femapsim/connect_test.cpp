// Reaching the simulated FEMAP by ProgID, with the environment hooks of the test stand-in.
// This is the in-process registry of every system but Windows; on Windows connecting is COM
// (tests/com).
#ifndef _WIN32

#include <gtest/gtest.h>

#include <cstdlib>

#include "femap/connect.h"
#include "femap/return_codes.h"
#include "femapsim/registration.h"
#include "testing/temp_dir.h"

namespace femapsim {
namespace {

class ConnectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registerFemapSim();
    stopRunningApplication();
    for (const char* name : {"FEMAPSIM_ATTACH", "FEMAPSIM_OPEN", "FEMAPSIM_UNAVAILABLE", "FEMAPSIM_MESSAGES"}) {
      unsetenv(name);
    }
  }
  void TearDown() override {
    stopRunningApplication();
    setFemapUnavailable(false);
    SetUp();
  }
};

TEST_F(ConnectTest, AttachFindsOnlyARunningFemapAndCreateStartsOne) {
  EXPECT_THROW(femap::attach("femap.model"), femap::Error);
  femap::Connection first = femap::connect("femap.model");
  EXPECT_FALSE(first.attached);
  femap::Connection second = femap::connect("FEMAP.Model");
  EXPECT_TRUE(second.attached);
  EXPECT_EQ(first.object, second.object);
  EXPECT_THROW(femap::create("no.such.progid"), femap::Error);
}

TEST_F(ConnectTest, EnvironmentHooksAttachOpenAndReport) {
  testing_support::ScopedTempDir dir;
  setenv("FEMAPSIM_ATTACH", "1", 1);
  std::string models = (testing_support::sourceDir() / "examples/truss/truss.mod").string() + ";" +
                       (testing_support::sourceDir() / "examples/plate/plate.mod").string();
  setenv("FEMAPSIM_OPEN", models.c_str(), 1);
  setenv("FEMAPSIM_MESSAGES", (dir / "messages.txt").c_str(), 1);
  femap::Connection connection = femap::connect("femap.model");
  EXPECT_TRUE(connection.attached);
  EXPECT_EQ(connection.object.get("ModelName").asString(),
            (testing_support::sourceDir() / "examples/plate/plate.mod").string());
  connection.object.call("feAppMessage", 3, "Reference file type not valid");
  EXPECT_EQ(dir.read("messages.txt"), "3\tReference file type not valid\r\n");
}

TEST_F(ConnectTest, UnavailableFemapCanBeNeitherAttachedNorCreated) {
  setenv("FEMAPSIM_UNAVAILABLE", "1", 1);
  setenv("FEMAPSIM_ATTACH", "1", 1);
  EXPECT_THROW(femap::connect("femap.model"), femap::Error);
  unsetenv("FEMAPSIM_UNAVAILABLE");
  setFemapUnavailable(true);
  EXPECT_THROW(femap::create("femap.model"), femap::Error);
}

}  // namespace
}  // namespace femapsim

#endif  // _WIN32
