// The COM transport with an automation object of the system itself: created by ProgID,
// members called by name, objects and texts both ways, failures as femap::Error.
#include <gtest/gtest.h>

#include <thread>

#include "com_testing.h"
#include "femap/connect.h"

namespace {

using femap::Object;

TEST(ComTransport, ObjectsOfTheSystemAreCreatedByProgIdAndCalledByName) {
  Object files = femap::create("Scripting.FileSystemObject");
  const std::string folder = com_testing::sourceFile("examples/plate");
  EXPECT_TRUE(files.call("FolderExists", folder).asBool());
  EXPECT_FALSE(files.call("fileexists", folder + "\\no-such.mod").asBool());  // names without regard to case
  EXPECT_EQ(files.call("GetFileName", folder + "\\plate.mod").asString(), "plate.mod");
  // UTF-8 in, UTF-16 across, UTF-8 back.
  EXPECT_EQ(files.call("BuildPath", "Müller", "Résumé €.txt").asString(), "Müller\\Résumé €.txt");

  Object file = files.call("GetFile", folder + "\\plate.mod").asObject();
  EXPECT_NE(file.kind(), files.kind());
  EXPECT_EQ(file.get("Name").asString(), "plate.mod");
  EXPECT_GT(file.get("Size").asDouble(), 100);
  Object parent = files.call("GetFolder", folder).asObject();
  EXPECT_EQ(parent.get("Name").asString(), "plate");
  EXPECT_EQ(parent.get("Files").asObject().get("Count").asInt(), 1);
}

TEST(ComTransport, UnknownMembersAndFailedCallsAreErrors) {
  Object files = femap::create("Scripting.FileSystemObject");
  try {
    files.get("NoSuchMember");
    FAIL() << "an unknown member was read";
  } catch (const femap::Error& error) {
    EXPECT_NE(std::string(error.what()).find("NoSuchMember"), std::string::npos) << error.what();
  }
  try {
    files.call("GetFile", com_testing::sourceFile("examples/plate/no-such.mod"));
    FAIL() << "a missing file was found";
  } catch (const femap::Error& error) {
    EXPECT_STRNE(error.what(), "");
  }
}

TEST(ComTransport, ConnectingFailsForUnknownProgIdsAndAttachesOnlyToRunningObjects) {
  try {
    femap::create("Corvane.NoSuchProgId");
    FAIL() << "an unknown ProgID was created";
  } catch (const femap::Error& error) {
    EXPECT_STREQ(error.what(), "ActiveX component can't create object");
  }
  EXPECT_THROW(femap::attach("Scripting.FileSystemObject"), femap::Error);
  femap::Connection connection = femap::connect("Scripting.FileSystemObject");
  EXPECT_FALSE(connection.attached);
  EXPECT_TRUE(connection.object.call("FolderExists", com_testing::sourceFile("examples")).asBool());
}

TEST(ComTransport, AThreadWithoutComIsToldSo) {
  std::string failure;
  std::thread([&] {
    try {
      femap::create("Scripting.FileSystemObject");
    } catch (const femap::Error& error) {
      failure = error.what();
    }
  }).join();
  EXPECT_NE(failure.find("COM is not initialised"), std::string::npos) << failure;
}

}  // namespace
