// The POSIX launcher: a process in its folder with its output kept, its exit status; past its
// time limit or on interruption it is killed with everything it started.
#include <gtest/gtest.h>
#include <signal.h>

#include "support/text_file.h"
#include "taskrun/process.h"
#include "testing/process_state.h"
#include "testing/temp_dir.h"

namespace taskrun {
namespace {

using testing_support::ScopedTempDir;
using testing_support::processEnds;

ProcessRequest shell(const ScopedTempDir& dir, const std::string& script) {
  return ProcessRequest{{"/bin/sh", "-c", script}, dir.path(), std::nullopt, {}, dir / "output.txt"};
}

TEST(Process, RunsInItsFolderWithItsOutputKeptAndGivesItsExitStatus) {
  ScopedTempDir dir;
  Interruption interruption;
  auto launcher = platformLauncher(interruption);
  ProcessRequest request = shell(dir, "pwd; echo to-out; echo to-err >&2; exit 3");
  request.environment = {"PATH=/usr/bin:/bin", "MARK=set"};
  ProcessOutcome outcome = launcher->run(request);
  EXPECT_EQ(outcome.kind, ProcessOutcome::Kind::exited);
  EXPECT_EQ(outcome.status, 3);
  EXPECT_EQ(dir.read("output.txt"), dir.path().string() + "\nto-out\nto-err\n");
  outcome = launcher->run(shell(dir, "echo \"[$MARK]\""));  // taskrun's own environment
  EXPECT_EQ(outcome.status, 0);
  EXPECT_NE(dir.read("output.txt").find("[]"), std::string::npos);
  request = shell(dir, "echo \"[$MARK]\"");
  request.environment = {"MARK=again"};
  launcher->run(request);
  EXPECT_NE(dir.read("output.txt").find("[again]"), std::string::npos);
}

TEST(Process, PastItsTimeLimitItIsKilledWithItsChildren) {
  ScopedTempDir dir;
  Interruption interruption;
  auto launcher = platformLauncher(interruption);
  ProcessRequest request = shell(dir, "sleep 300 & echo $! > child.pid; wait");
  request.timeLimitSeconds = 0.3;
  ProcessOutcome outcome = launcher->run(request);
  EXPECT_EQ(outcome.kind, ProcessOutcome::Kind::timedOut);
  std::string child = dir.read("child.pid");
  child.pop_back();
  EXPECT_TRUE(processEnds(child)) << child;
}

TEST(Process, WhatAProgramLeavesRunningEndsWithIt) {
  ScopedTempDir dir;
  Interruption interruption;
  auto launcher = platformLauncher(interruption);
  ProcessOutcome outcome = launcher->run(shell(dir, "sleep 300 & echo $! > child.pid; exit 0"));
  EXPECT_EQ(outcome.kind, ProcessOutcome::Kind::exited);
  EXPECT_EQ(outcome.status, 0);
  std::string child = dir.read("child.pid");
  child.pop_back();
  EXPECT_TRUE(processEnds(child)) << child;
}

TEST(Process, AnInterruptionEndsItAtOnce) {
  ScopedTempDir dir;
  Interruption interruption;
  auto launcher = platformLauncher(interruption);
  interruption.interrupt();
  EXPECT_TRUE(interruption.interrupted());
  ProcessOutcome outcome = launcher->run(shell(dir, "sleep 300"));
  EXPECT_EQ(outcome.kind, ProcessOutcome::Kind::interrupted);
}

TEST(Process, KilledBySignal) {
  ScopedTempDir dir;
  Interruption interruption;
  ProcessOutcome outcome = platformLauncher(interruption)->run(shell(dir, "kill -9 $$"));
  EXPECT_EQ(outcome.kind, ProcessOutcome::Kind::signalled);
  EXPECT_EQ(outcome.status, SIGKILL);
}

TEST(Process, WhatCannotStartSaysWhy) {
  ScopedTempDir dir;
  Interruption interruption;
  auto launcher = platformLauncher(interruption);
  ProcessOutcome outcome = launcher->run({{(dir / "missing").string()}, dir.path(), std::nullopt, {}, dir / "out.txt"});
  EXPECT_EQ(outcome.kind, ProcessOutcome::Kind::notStarted);
  EXPECT_FALSE(outcome.error.empty());
  outcome = launcher->run({{"/bin/true"}, dir / "no-such-folder", std::nullopt, {}, dir / "out.txt"});
  EXPECT_EQ(outcome.kind, ProcessOutcome::Kind::notStarted);
}

TEST(Process, ProgramsAreFoundInPath) {
  auto sh = findInPath("sh");
  ASSERT_TRUE(sh);
  EXPECT_TRUE(sh->is_absolute());
  EXPECT_EQ(sh->filename(), "sh");
  EXPECT_FALSE(findInPath("no-such-program-of-taskrun"));
  std::vector<std::string> environment = environmentWithPathFirst("/opt/tools");
  bool found = false;
  for (const std::string& entry : environment) {
    if (entry.rfind("PATH=", 0) == 0) found = entry.rfind("PATH=/opt/tools:", 0) == 0;
  }
  EXPECT_TRUE(found);
}

}  // namespace
}  // namespace taskrun
