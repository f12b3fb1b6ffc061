// The pane's log: its level ladder, where the file goes, and that a log that cannot be written
// is switched off silently.
#include "pane/femap_logger.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/text_file.h"
#include "testing/scoped_environment.h"
#include "testing/temp_dir.h"

namespace pane {
namespace {

using testing_support::ScopedEnvironment;
using testing_support::ScopedTempDir;

TEST(FemapLoggerTest, TheLadderLetsEachConfiguredLevelWriteItsOwnAndTheQuieterLevels) {
  const std::vector<std::string> configured = {"ALWAYS", "ERROR", "WARN", "DEBUG", "INFO"};
  const std::vector<std::string> messages = {"ALWAYS", "INFO", "DEBUG", "WARN", "ERROR", "FATAL"};
  // Rows: configured level; columns: message level, as written (1) or not (0).
  const std::vector<std::string> expected = {
      "111111",  // ALWAYS writes every name, also unknown ones
      "111110",  // ERROR is the most talkative rung
      "111100", "111000",
      "110000",  // INFO writes ALWAYS and INFO only
  };
  for (std::size_t row = 0; row < configured.size(); ++row) {
    std::string written;
    for (const std::string& message : messages) {
      written += FemapLogger::passes(configured[row], message) ? '1' : '0';
    }
    EXPECT_EQ(written, expected[row]) << "configured " << configured[row];
  }
  EXPECT_FALSE(FemapLogger::passes("ERROR", "error"));  // names are compared exactly
}

TEST(FemapLoggerTest, TheFolderIsTempOrElseTmpFollowedByQubel) {
  const std::string separator(1, static_cast<char>(std::filesystem::path::preferred_separator));
  EXPECT_EQ(FemapLogger::logFolder("/t/temp", "/t/tmp"), "/t/temp" + separator + "qubel");
  EXPECT_EQ(FemapLogger::logFolder("", "/t/tmp"), "/t/tmp" + separator + "qubel");
  EXPECT_EQ(FemapLogger::logFolder("", ""), separator + "qubel");
}

class FemapLoggerFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    environment_.set("TEMP", dir_.path().string());
    environment_.set("TMP", std::nullopt);
  }
  std::string logText(const std::string& name) { return dir_.read("qubel/" + name); }

  ScopedTempDir dir_;
  ScopedEnvironment environment_;
};

TEST_F(FemapLoggerFileTest, WritesLevelledLinesAndHighlightedBlocksWithCrLf) {
  FemapLogger log;
  std::string name = "pane.log";
  std::string level = "INFO";
  log.InitialiseLogger(name, level);
  ASSERT_TRUE(log.enabled());
  EXPECT_EQ(log.LogLevel_warning, "WARN");
  log.writeLogWithLevel(log.LogLevel_info, "shown");
  log.writeLogWithLevel(log.LogLevel_debug, "not shown");
  log.writeLoghighlighted("Subscript out of range");
  EXPECT_EQ(log.writeLog("at the configured level"), "");
  log.DeinitialiseLogger();
  log.writeLogWithLevel(log.LogLevel_always, "after closing");
  const std::string rule(70, '-');
  EXPECT_EQ(logText("pane.log"), "INFO: shown\r\n" + rule + "\r\nSubscript out of range\r\n" +
                                     rule + "\r\nINFO: at the configured level\r\n");
}

TEST_F(FemapLoggerFileTest, NamesComeBackCompletedAndAStartReplacesTheOldFile) {
  {
    FemapLogger log;
    std::string name, level = "DEBUG";
    log.InitialiseLogger(name, level);
    EXPECT_EQ(name, "CorvaneFemapInterfaceLog.log");
    log.writeLogWithLevel("DEBUG", "first run");
  }
  FemapLogger log;
  std::string name, level = "DEBUG";
  log.InitialiseLogger(name, level);
  log.writeLogWithLevel("DEBUG", "second run");
  log.DeinitialiseLogger();
  EXPECT_EQ(logText("CorvaneFemapInterfaceLog.log"), "DEBUG: second run\r\n");
}

TEST_F(FemapLoggerFileTest, AnUnknownLevelOrLowerCaseSwitchesTheLogOffWithoutAFile) {
  for (std::string level : {"debug", "", "NOTHING", "VERBOSE"}) {
    FemapLogger log;
    std::string name = "off.log";
    log.InitialiseLogger(name, level);
    EXPECT_EQ(level, "NOTHING");
    EXPECT_FALSE(log.enabled());
    EXPECT_EQ(log.LogLevel_debug, "DEBUG");  // the names are set all the same
    log.writeLogWithLevel(log.LogLevel_always, "nothing");
  }
  EXPECT_FALSE(std::filesystem::exists(dir_ / "qubel/off.log"));
}

TEST_F(FemapLoggerFileTest, AFolderOrFileThatCannotBeMadeLeavesTheLogOff) {
  // TEMP names a file: no folder can be made under it.
  const auto notAFolder = dir_.write("plain-file", "x");
  environment_.set("TEMP", notAFolder.string());
  FemapLogger log;
  std::string name = "pane.log", level = "ERROR";
  log.InitialiseLogger(name, level);
  EXPECT_FALSE(log.enabled());
  log.writeLogWithLevel("ERROR", "goes nowhere");

  // A name with a folder part is placed under qubel as it stands; its folder does not exist.
  environment_.set("TEMP", dir_.path().string());
  FemapLogger nested;
  std::string nestedName = "missing/pane.log";
  nested.InitialiseLogger(nestedName, level);
  EXPECT_FALSE(nested.enabled());
  EXPECT_TRUE(std::filesystem::is_directory(dir_ / "qubel"));
}

}  // namespace
}  // namespace pane
