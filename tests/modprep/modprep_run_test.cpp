// Modprep's pieces in-process, against the simulated FEMAP: what the exchange files cannot
// reach (a record without entity type, a load kind outside the four) and FEMAP's failures.
#include "modprep/modprep_run.h"

#include <gtest/gtest.h>

#include "femap/return_codes.h"
#include "femapsim/model_file.h"
#include "modprep/load_update.h"
#include "modprep/variable_update.h"
#include "support/strings.h"
#include "testing/femap_stand_in.h"
#include "testing/temp_dir.h"

namespace modprep {
namespace {

using testing_support::sourceDir;

std::vector<std::string> logLines(const testing_support::ScopedTempDir& dir) {
  std::string text = support::replaceAll(dir.read("inputExeLogs.log"), "\r\n", "\n");
  std::vector<std::string> lines = support::split(text, "\n");
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

bool contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class ModprepPiecesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(sourceDir() / "examples/plate/plate.mod", dir_ / "plate.mod");
    ASSERT_EQ(femap_.simulator().openModel(dir_ / "plate.mod"), femap::kOk);
    ASSERT_EQ(run_.connectFemap(), runtime::FemapConnection::Attached);
  }
  exchange::VariableRecord record(std::string type, std::string name, int id,
                                  std::string member) {
    exchange::VariableRecord record;
    record.entityType = std::move(type);
    record.name = std::move(name);
    record.entityId = id;
    record.member = std::move(member);
    return record;
  }
  double node(int id, const char* member) {
    return femap_.simulator().model().table(femapsim::Kind::Node).find(id)->number(member);
  }

  testing_support::ScopedTempDir dir_;
  testing_support::FemapStandIn femap_;
  runtime::Run run_{"Modprep", dir_.path().string(), "inputExeLogs.log",
                    "Checked for error and cleared Err object "};
  exchange::InputValues values_ = exchange::InputValues::parse("X  11\nY  12\nZ  13\n");
  LoadUpdater loads_{run_};
  VariableUpdater variables_{run_, values_, loads_};
};

TEST_F(ModprepPiecesTest, AnEmptyEntityTypeReusesThePreviousObject) {
  variables_.apply(record("", "Z", 5, "z"));  // no object yet: nothing to reuse
  EXPECT_TRUE(run_.failed());
  EXPECT_EQ(node(5, "z"), 0);

  variables_.apply(record("Node", "X", 5, "x"));
  variables_.apply(record("", "Y", 5, "y"));
  EXPECT_EQ(node(5, "x"), 11);
  EXPECT_EQ(node(5, "y"), 12);
  run_.finish();
  std::vector<std::string> lines = logLines(dir_);
  EXPECT_TRUE(contains(
      lines,
      "LOG: Reading and performing update for variable Name = Y Entity Type =  Type id = y "
      "Entity Num = 5"));
  EXPECT_TRUE(contains(lines, "ERROR: Object variable or With block variable not set"));
}

TEST_F(ModprepPiecesTest, AKindThatIsNoEntityOfFemapDropsThePreviousObject) {
  variables_.apply(record("Node", "X", 5, "x"));
  variables_.apply(record("Nodes", "Y", 5, "y"));
  variables_.apply(record("", "Z", 5, "z"));
  EXPECT_EQ(node(5, "y"), 10);
  EXPECT_EQ(node(5, "z"), 0);
  EXPECT_TRUE(run_.failed());
}

TEST_F(ModprepPiecesTest, LoadUpdatesThatReachNoLoad) {
  loads_.UpdateLoadDefinition("W", "1", "LoadWind", 5, 0);
  loads_.UpdateLoadDefinition("M", "99", "LoadMesh", 5, 0);
  loads_.UpdateLoadDefinition("F", "1", "LoadMesh", 5, 7);
  run_.finish();
  std::vector<std::string> lines = logLines(dir_);
  EXPECT_TRUE(contains(lines, "ERROR: Unable to update the entity type=LoadWind"));
  EXPECT_TRUE(contains(lines, "ERROR: Unable to get the load definition for id = 99"));
  EXPECT_TRUE(contains(
      lines,
      "ERROR: Unable to update the load definition for id = 1 Reasons: Subscript out of range"));
  EXPECT_FALSE(contains(lines, "LOG: Load updated Load ID = 1 for load definition id =1"));
}

class ModprepSaveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(sourceDir() / "examples/plate/plate.mod", dir_ / "plate.mod");
    dir_.write("Modprep.txt",
               "Reference Model (FEMAP) = plate.mod\r\nInput Deck (NastranNX) = plate.dat\r\n"
               "NameValue = InputValues.txt\r\n");
    dir_.write("InputValues.txt", "");
  }
  testing_support::ScopedTempDir dir_;
  testing_support::FemapStandIn femap_;
};

TEST_F(ModprepSaveTest, ASaveThatFailsFailsTheRun) {
  femap_.answer("feFileSave", [] { return femap::Variant(0); });
  EXPECT_EQ(ModprepRun(dir_.path().string()).run(), 1);
  std::vector<std::string> lines = logLines(dir_);
  EXPECT_TRUE(contains(lines, "ERROR: Unable to save the file. feFileSave Return code is 0"));
  EXPECT_EQ(lines.back(), "LOG: Execution of Modprep.exe complete");
}

TEST_F(ModprepSaveTest, ASaveThatRaisesIsNoSuccess) {
  femap_.answer("feFileSave", []() -> femap::Variant { throw femap::Error("The disk is full"); });
  EXPECT_EQ(ModprepRun(dir_.path().string()).run(), 1);
  std::vector<std::string> lines = logLines(dir_);
  EXPECT_FALSE(contains(lines, "LOG: File saved successfully. Return code is -1"));
  EXPECT_TRUE(contains(lines, "--------------------After saving Femap file--------------------"));
  EXPECT_TRUE(contains(lines, "ERROR: The disk is full"));
}

TEST_F(ModprepSaveTest, ALogThatCannotBeCreatedFailsTheRun) {
  EXPECT_EQ(ModprepRun((dir_ / "no such folder").string()).run(), 1);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "no such folder"));
}

}  // namespace
}  // namespace modprep
