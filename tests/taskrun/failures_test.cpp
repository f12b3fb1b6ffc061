// What a failed step's output tells: its last lines for the reason, and whether the failure
// is transient.
#include <gtest/gtest.h>

#include "taskrun/failures.h"
#include "testing/temp_dir.h"

namespace taskrun {
namespace {

using testing_support::ScopedTempDir;

TEST(StepOutput, TheLastNonEmptyLinesWithTheFilesName) {
  ScopedTempDir dir;
  dir.write("a.out", "banner\r\n\r\nline 1\r\n\tline 2  \r\nline 3\r\n\r\n");
  EXPECT_EQ(outputTail(dir / "a.out", 3), "line 1 | line 2 | line 3");
  EXPECT_EQ(outputTail(dir / "a.out", 1), "line 3");
  EXPECT_EQ(outputNote(dir / "a.out", "line 3"), "; a.out ends: \"line 3\"");
  EXPECT_EQ(outputTail(dir / "missing.out", 3), "");
  dir.write("empty.out", "");
  EXPECT_EQ(outputTail(dir / "empty.out", 3), "");
  EXPECT_EQ(outputNote(dir / "empty.out", ""), "");
  // A long output: only its end is read, a line cut off at the front of what was read is left
  // out, and a long line is cut.
  dir.write("long.out", std::string(10000, 'x') + "\n" + std::string(300, 'y') + "\nlast");
  std::string all;
  EXPECT_EQ(outputTail(dir / "long.out", 3, &all), std::string(200, 'y') + "... | last");
  EXPECT_EQ(all.size(), 4096u);
}

TEST(StepOutput, LicenceDiskAndBatchSystemMessagesAreTransient) {
  EXPECT_TRUE(mentionsTransientFailure("ERROR: No LICENSE available for feature NASTRAN", {}));
  EXPECT_TRUE(mentionsTransientFailure("write failed: No space left on device", {}));
  EXPECT_TRUE(mentionsTransientFailure("srun: Job step creation temporarily disabled, retrying", {}));
  EXPECT_FALSE(mentionsTransientFailure("*** USER FATAL MESSAGE 2025: UNDEFINED COORDINATE SYSTEM", {}));
  EXPECT_TRUE(mentionsTransientFailure("FLEXlm error -15", {"flexlm error"}));
}

}  // namespace
}  // namespace taskrun
