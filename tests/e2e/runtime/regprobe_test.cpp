// Regprobe as a real process: the one-line answer file, and its refusal of a command line
// without "$$".
#include <gtest/gtest.h>

#include "program_run.h"

namespace runtime_e2e {
namespace {

class RegprobeTest : public ::testing::Test {
 protected:
  ProgramRun regprobe(const std::string& commandLine,
                      const std::map<std::string, std::string>& environment = {}) {
    return runProgram(REGPROBE_PATH, dir_.path(), shellQuoted(commandLine), environment);
  }
  testing_support::ScopedTempDir dir_;
};

TEST_F(RegprobeTest, AnswersWhetherTheProgIdCanBeCreated) {
  EXPECT_EQ(regprobe("answer.txt$$femap.model").status, 0);
  EXPECT_EQ(dir_.read("answer.txt"), "0 : The Prog ID exist.\r\n");

  // An existing file is overwritten with the single answer line.
  EXPECT_EQ(regprobe((dir_ / "answer.txt").string() + "$$No.Such.Thing").status, 0);
  EXPECT_EQ(dir_.read("answer.txt"), "1 : The Prog ID does not exist.\r\n");

  // Registered, but its server cannot start.
  EXPECT_EQ(regprobe("answer.txt$$femap.model", {{"FEMAPSIM_UNAVAILABLE", "1"}}).status, 0);
  EXPECT_EQ(dir_.read("answer.txt"), "1 : The Prog ID does not exist.\r\n");
}

TEST_F(RegprobeTest, PartsAfterTheSecondAreIgnoredAndNothingIsTrimmed) {
  EXPECT_EQ(regprobe("answer.txt$$femap.model$$extra$$more").status, 0);
  EXPECT_EQ(dir_.read("answer.txt"), "0 : The Prog ID exist.\r\n");
  EXPECT_EQ(regprobe("answer.txt$$ femap.model").status, 0);
  EXPECT_EQ(dir_.read("answer.txt"), "1 : The Prog ID does not exist.\r\n");
}

TEST_F(RegprobeTest, ACommandLineWithoutTheSeparatorIsRefused) {
  ProgramRun run = regprobe("answer.txt femap.model");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.output, "Usage: Regprobe RESULT_FILE$$PROGID\n");
  EXPECT_TRUE(std::filesystem::is_empty(dir_.path()));

  run = regprobe((dir_ / "no/such/folder/answer.txt").string() + "$$femap.model");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("answer.txt"), std::string::npos) << run.output;
}

}  // namespace
}  // namespace runtime_e2e
