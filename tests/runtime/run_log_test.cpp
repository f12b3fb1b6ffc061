// The run log: started afresh, every line on disk as soon as it is written.
#include "runtime/run_log.h"

#include <gtest/gtest.h>

#include "support/text_file.h"
#include "testing/temp_dir.h"

namespace runtime {
namespace {

TEST(RunLogTest, EveryLineIsOnDiskBeforeTheLogCloses) {
  testing_support::ScopedTempDir dir;
  const auto path = dir / "run.log";
  support::writeFileAtomically(path, "an earlier run's log\r\n");
  RunLog log(path, "Checked ");
  ASSERT_TRUE(log.open());
  EXPECT_EQ(support::readWholeFile(path), "");  // started afresh
  log.log(" started");
  support::Err err;
  log.checkError(err, "here");
  err.raise("Type mismatch");
  EXPECT_TRUE(log.checkError(err, "there"));
  // A run killed now leaves these lines.
  EXPECT_EQ(support::readWholeFile(path),
            "LOG:  started\r\nLOG: Checked here\r\n--------------------there--------------------\r\n"
            "ERROR: Type mismatch\r\n\r\n");
  EXPECT_TRUE(log.close());
  EXPECT_EQ(log.failure(), "");
}

TEST(RunLogTest, ALogThatCannotBeCreatedSaysWhy) {
  testing_support::ScopedTempDir dir;
  RunLog log(dir / "missing" / "run.log", "Checked ");
  EXPECT_FALSE(log.open());
  log.log("dropped");
  EXPECT_NE(log.failure().find("Cannot create the file"), std::string::npos);
  EXPECT_FALSE(log.close());
}

}  // namespace
}  // namespace runtime
