// The process layer, the same tests on Linux and (under wine) on Windows: a process in its
// folder with its output kept and its exit status; past its time limit or on interruption it
// is ended with everything it started, and so is what it leaves running; an identity file lets
// a later run end what an earlier one left; programs are found the platform's way; a script
// runs through the platform's shell.
#include "support/process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <string>

#include "support/strings.h"
#include "support/text_file.h"
#include "testing/process_state.h"
#include "testing/temp_dir.h"

namespace support {
namespace {

using testing_support::ScopedTempDir;
namespace fs = std::filesystem;

#ifdef _WIN32
constexpr const char* kShellName = "cmd";  // found as cmd.exe through PATHEXT
#else
constexpr const char* kShellName = "sh";
#endif

const fs::path& helper() {
  static const fs::path path = fs::absolute(PROCESS_HELPER_PATH).make_preferred();
  return path;
}

ProcessRequest helperRun(const ScopedTempDir& dir, std::vector<std::string> commands) {
  commands.insert(commands.begin(), helper().string());
  return ProcessRequest{std::move(commands), dir.path(), std::nullopt, {}, dir / "output.txt"};
}

// The output with Windows line ends taken as plain ones.
std::string output(const ScopedTempDir& dir) { return replaceAll(dir.read("output.txt"), "\r\n", "\n"); }

// Waits until a helper wrote the number of the process it started (the file appears whole).
std::string spawnedProcess(const fs::path& file) {
  std::error_code error;
  for (int i = 0; i < 3000 && !fs::exists(file, error); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return readWholeFile(file);
}

// Runs `request` on a thread of its own; returns once `file` exists (the helper got there).
std::future<ProcessOutcome> runUntilFile(ProcessLauncher& launcher, const ProcessRequest& request, const fs::path& file) {
  auto running = std::async(std::launch::async, [&launcher, request] { return launcher.run(request); });
  std::error_code error;
  while (!fs::exists(file, error) && running.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
  }
  return running;
}

TEST(Process, RunsInItsFolderWithItsOutputKeptAndGivesItsExitStatus) {
  ScopedTempDir dir;
  Interruption interruption;
  auto launcher = platformLauncher(interruption);
  ProcessOutcome outcome = launcher->run(helperRun(dir, {"cwd", "print", "to-out", "error", "to-err", "exit", "3"}));
  EXPECT_EQ(outcome.kind, ProcessOutcome::Kind::exited);
  EXPECT_EQ(outcome.status, 3);
  std::string text = output(dir);
  std::string folder = text.substr(0, text.find('\n'));
  EXPECT_TRUE(fs::equivalent(folder, dir.path())) << folder;
  EXPECT_EQ(text.substr(text.find('\n') + 1), "to-out\nto-err\n");
  launcher->run(helperRun(dir, {"print", "appended"}));  // the output file grows
  EXPECT_NE(output(dir).find("to-err\nappended\n"), std::string::npos);
}

TEST(Process, TakesTheEnvironmentItIsGivenWithTheProgramFolderFirstInThePath) {
  ScopedTempDir dir;
  Interruption interruption;
  auto launcher = platformLauncher(interruption);
  launcher->run(helperRun(dir, {"env", "CORVANE_MARK"}));  // the program's own: not set
  EXPECT_EQ(output(dir), "[]\n");
  ProcessRequest request = helperRun(dir, {"env", "CORVANE_MARK"});
  request.environment = environmentWithPathFirst(dir.path());
  request.environment.push_back("CORVANE_MARK=set");
  launcher->run(request);
  EXPECT_EQ(output(dir), "[]\n[set]\n");

  std::string path;
  for (const std::string& entry : environmentWithPathFirst(dir.path())) {
    if (equalsIgnoreCase(entry.substr(0, 5), "PATH=")) path = entry.substr(5);
  }
  EXPECT_EQ(path.rfind(dir.path().string(), 0), 0U) << path;
}

TEST(Process, PastItsTimeLimitItIsEnded) {
  ScopedTempDir dir;
  Interruption interruption;
  auto launcher = platformLauncher(interruption);
  ProcessRequest request = helperRun(dir, {"wait"});
  request.timeLimitSeconds = 0.3;
  ProcessOutcome outcome = launcher->run(request);
  EXPECT_EQ(outcome.kind, ProcessOutcome::Kind::timedOut);
  EXPECT_GE(outcome.seconds, 0.3);
}

TEST(Process, AnInterruptionEndsItWithEverythingItStarted) {
  ScopedTempDir dir;
  Interruption interruption;
  auto launcher = platformLauncher(interruption);
  auto running = runUntilFile(*launcher, helperRun(dir, {"spawn", (dir / "child").string(), "wait"}), dir / "child");
  interruption.interrupt();
  EXPECT_EQ(running.get().kind, ProcessOutcome::Kind::interrupted);
  EXPECT_TRUE(testing_support::processEnds(spawnedProcess(dir / "child")));
  EXPECT_EQ(launcher->run(helperRun(dir, {"wait"})).kind, ProcessOutcome::Kind::interrupted);  // at once
}

TEST(Process, WhatAProgramLeavesRunningEndsWithIt) {
  ScopedTempDir dir;
  Interruption interruption;
  auto launcher = platformLauncher(interruption);
  ProcessOutcome outcome = launcher->run(helperRun(dir, {"spawn", (dir / "child").string(), "exit", "0"}));
  EXPECT_EQ(outcome.kind, ProcessOutcome::Kind::exited);
  EXPECT_EQ(outcome.status, 0);
  EXPECT_TRUE(testing_support::processEnds(spawnedProcess(dir / "child")));
}

TEST(Process, WhatCannotStartIsAnOutcomeThatSaysWhy) {
  ScopedTempDir dir;
  Interruption interruption;
  auto launcher = platformLauncher(interruption);
  ProcessOutcome outcome = launcher->run({{(dir / "missing").string()}, dir.path(), std::nullopt, {}, dir / "out.txt"});
  EXPECT_EQ(outcome.kind, ProcessOutcome::Kind::notStarted);
  EXPECT_FALSE(outcome.error.empty());
  outcome = launcher->run({{helper().string()}, dir / "no-such-folder", std::nullopt, {}, dir / "out.txt"});
  EXPECT_EQ(outcome.kind, ProcessOutcome::Kind::notStarted);
}

TEST(Process, AnIdentityFileLetsALaterRunEndWhatWasLeftRunning) {
  ScopedTempDir dir;
  Interruption interruption;
  auto launcher = platformLauncher(interruption);
  ProcessRequest request = helperRun(dir, {"touch", (dir / "started").string(), "wait"});
  request.identityFile = dir / "running";
  // The identity is written once the program has started, perhaps after it touched its file.
  auto running = runUntilFile(*launcher, request, dir / "running");
  // What an earlier run left: the same identity in another evaluation's folder.
  fs::copy_file(dir / "running", dir / "left");
  bool ended = endLeftRunning(dir / "left");
  if (!ended) interruption.interrupt();  // so that the test fails instead of waiting forever
  EXPECT_TRUE(ended);
  ProcessOutcome::Kind kind = running.get().kind;  // it ended: killed, or terminated on Windows
  EXPECT_TRUE(kind == ProcessOutcome::Kind::signalled || kind == ProcessOutcome::Kind::exited);
  EXPECT_FALSE(fs::exists(dir / "left"));
  EXPECT_FALSE(fs::exists(dir / "running"));  // the launcher removed its own when it ended

  // A damaged file names nothing to end; it is removed.
  dir.write("damaged", "process-group x\n");
  EXPECT_FALSE(endLeftRunning(dir / "damaged"));
  EXPECT_FALSE(fs::exists(dir / "damaged"));
  EXPECT_FALSE(endLeftRunning(dir / "no-such-file"));
}

TEST(Process, AProcessWithTheSameNumberButAnotherStartIsNeverEnded) {
  ScopedTempDir dir;
  Interruption interruption;
  auto launcher = platformLauncher(interruption);
  ProcessRequest request = helperRun(dir, {"touch", (dir / "started").string(), "wait"});
  request.identityFile = dir / "running";
  auto running = runUntilFile(*launcher, request, dir / "running");
  // The same process number with an earlier start time: a process that has gone, whose number
  // was given again.
  std::string identity = dir.read("running");
  std::size_t last = identity.find(' ', identity.find(' ') + 1);
  std::size_t end = identity.find_first_of(" \n", last + 1);
  dir.write("reused", identity.substr(0, last + 1) + "1" + identity.substr(end));
  EXPECT_FALSE(endLeftRunning(dir / "reused"));
  EXPECT_EQ(running.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);  // still runs
  interruption.interrupt();
  EXPECT_EQ(running.get().kind, ProcessOutcome::Kind::interrupted);
}

TEST(Process, ProgramsAreFoundThePlatformsWay) {
  auto shell = findInPath(kShellName);
  ASSERT_TRUE(shell);
  EXPECT_TRUE(shell->is_absolute());
  EXPECT_TRUE(isExecutable(*shell));
  EXPECT_FALSE(findInPath("no-such-program-of-corvane"));
  fs::path withoutExtension = helper().parent_path() / helper().stem();
  ASSERT_TRUE(executableAt(withoutExtension));  // Windows adds ".exe"
  EXPECT_TRUE(fs::equivalent(*executableAt(withoutExtension), helper()));
  EXPECT_FALSE(executableAt(helper().parent_path() / "no-such-program"));
  EXPECT_TRUE(namesFolder("bin/ccx"));
  EXPECT_FALSE(namesFolder("ccx"));
}

TEST(Process, AScriptRunsThroughThePlatformsShellAndEndsWithItsLastLinesStatus) {
  ScopedTempDir dir;
  Interruption interruption;
  auto launcher = platformLauncher(interruption);
  ProcessRequest request{shellCommand("echo one\necho two\nexit 7", dir.path()), dir.path(), std::nullopt, {},
                         dir / "output.txt"};
  ProcessOutcome outcome = launcher->run(request);
  EXPECT_EQ(outcome.kind, ProcessOutcome::Kind::exited);
  EXPECT_EQ(outcome.status, 7);
  EXPECT_EQ(output(dir), "one\ntwo\n");
}

}  // namespace
}  // namespace support
