// Respull in-process against a FEMAP whose save or close fails.
#include "respull/respull_run.h"

#include <gtest/gtest.h>

#include "femap/return_codes.h"
#include "support/strings.h"
#include "testing/femap_stand_in.h"
#include "testing/temp_dir.h"

namespace respull {
namespace {

using testing_support::sourceDir;

class RespullFailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(sourceDir() / "examples/plate/plate.mod", dir_ / "plate.mod");
    dir_.write(
        "plate.op2",
        "FEMAPSIM 1\noutset 1 title=\"run\"\noutvec 1 setID=1 title=\"T\" entity=1 value=2.5\n");
    dir_.write("Respull.txt",
               "Reference Model (FEMAP) = plate.mod\r\nResults File (NastranNX) = plate.op2\r\n"
               "OutputNameValue = OutputValues.txt\r\nOutput  A  1  1\r\n");
    femap_.answer("feAppGetAllModels", [] { return femap::Variant(femap::kOk); });
  }
  std::vector<std::string> logLines() const {
    std::vector<std::string> lines =
        support::split(support::replaceAll(dir_.read("outputExeLogs.log"), "\r\n", "\n"), "\n");
    if (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
  }
  bool logged(const std::string& line) const {
    std::vector<std::string> lines = logLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  testing_support::ScopedTempDir dir_;
  testing_support::FemapStandIn femap_;
};

TEST_F(RespullFailureTest, ASaveThatFailsFailsTheRunButTheValuesAreWritten) {
  femap_.answer("feFileSave", [] { return femap::Variant(4); });
  EXPECT_EQ(RespullRun(dir_.path().string()).run(), 1);
  EXPECT_TRUE(logged("ERROR: Unable to save the file. feFileSave Return code is 4"));
  EXPECT_TRUE(logged("LOG: File closed successfully. Return code is -1"));
  EXPECT_EQ(dir_.read("OutputValues.txt"), "A  2.5\r\n");
}

TEST_F(RespullFailureTest, ACloseThatFailsIsReported) {
  femap_.answer("feFileClose", [] { return femap::Variant(0); });
  EXPECT_EQ(RespullRun(dir_.path().string()).run(), 1);
  EXPECT_TRUE(logged("LOG: File saved successfully. Return code is -1"));
  EXPECT_TRUE(logged("ERROR: Unable to close the file. feFileClose Return code is 0"));
}

TEST_F(RespullFailureTest, AMeasurementThatFailsWritesNoMassValue) {
  dir_.write("Respull.txt",
             "Reference Model (FEMAP) = plate.mod\r\nResults File (NastranNX) = plate.op2\r\n"
             "OutputNameValue = OutputValues.txt\r\nMassProperties  M  MassTotal  0\r\n"
             "MassProperties  L  Length  0\r\nOutput  A  1  1\r\n");
  femap_.answer("feMeasureMeshMassProp", [] { return femap::Variant(0); });
  EXPECT_EQ(RespullRun(dir_.path().string()).run(), 1);
  EXPECT_TRUE(logged("ERROR:  Unable to measure the mass properties. Return code is 0"));
  EXPECT_EQ(dir_.read("OutputValues.txt"), "A  2.5\r\n");
}

}  // namespace
}  // namespace respull
