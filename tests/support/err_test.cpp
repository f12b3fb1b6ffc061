#include "support/err.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <system_error>
#include <vector>

namespace support {
namespace {

int failingRead() { throw RuntimeError("Type mismatch"); }

TEST(ResumeTest, FailingStatementIsSkippedAndItsErrorPends) {
  Err err;
  int statementsRun = 0;
  EXPECT_FALSE(err.run([&] {
    throw std::runtime_error("Units not set");
    ++statementsRun;
  }));
  EXPECT_TRUE(err.run([&] { ++statementsRun; }));
  EXPECT_EQ(statementsRun, 1);
  EXPECT_TRUE(err.pending());
  EXPECT_EQ(err.description(), "Units not set");
}

TEST(ResumeTest, LaterSuccessDoesNotClearThePendingError) {
  Err err;
  err.run([] { throw RuntimeError("first"); });
  EXPECT_EQ(err.run([] { return 5; }), 5);
  EXPECT_TRUE(err.pending());
  EXPECT_EQ(err.description(), "first");
}

TEST(ResumeTest, LastErrorWinsBetweenCheckpoints) {
  Err err;
  err.run([] { throw RuntimeError("first"); });
  err.run([] { throw std::system_error(std::make_error_code(std::errc::io_error), "second"); });
  EXPECT_EQ(err.description().rfind("second", 0), 0u);
  err.clear();  // the checkpoint
  EXPECT_FALSE(err.pending());
  err.run([] { throw RuntimeError("third"); });
  EXPECT_EQ(err.description(), "third");
}

TEST(ResumeTest, FailedReadLeavesItsTargetUnchanged) {
  Err err;
  int nodeCount = 17;
  if (auto value = err.run(failingRead)) nodeCount = *value;
  EXPECT_EQ(nodeCount, 17);
  if (auto value = err.run([] { return 42; })) nodeCount = *value;
  EXPECT_EQ(nodeCount, 42);
}

TEST(ResumeTest, FailureWithoutTextStillPends) {
  Err err;
  err.run([] { throw 3; });
  EXPECT_EQ(err.description(), "Unknown error");
  err.clear();
  err.run([] { throw RuntimeError(""); });
  EXPECT_TRUE(err.pending());
  err.clear();
  err.raise("");
  EXPECT_TRUE(err.pending());
}

TEST(ResumeTest, ExceptionDescriptionComesFromWhat) {
  try {
    throw std::invalid_argument("bad argument");
  } catch (...) {
    EXPECT_EQ(currentExceptionDescription(), "bad argument");
  }
  EXPECT_EQ(currentExceptionDescription(), "Unknown error");  // outside any catch block
}

TEST(StopAtFirstFailureTest, TheStretchEndsAtItsFirstFailureWhoseDescriptionIsKept) {
  StopAtFirstFailure stretch;
  std::vector<int> ran;
  const bool finished = stretch.run([&] {
    ran.push_back(1);
    throw RuntimeError("row 2 is not in the model");
    ran.push_back(2);
  });
  EXPECT_FALSE(finished);
  EXPECT_EQ(ran, std::vector<int>{1});
  EXPECT_TRUE(stretch.failed());
  EXPECT_EQ(stretch.failure(), "row 2 is not in the model");

  // The next stretch starts clean and hands back its value.
  EXPECT_EQ(stretch.run([] { return 7; }), 7);
  EXPECT_FALSE(stretch.failed());
  EXPECT_EQ(stretch.failure(), "");
  EXPECT_EQ(stretch.run([]() -> int { throw 3; }), std::nullopt);
  EXPECT_EQ(stretch.failure(), "Unknown error");
  stretch.run([] { throw RuntimeError(""); });
  EXPECT_EQ(stretch.failure(), "Unknown error");
}

}  // namespace
}  // namespace support
