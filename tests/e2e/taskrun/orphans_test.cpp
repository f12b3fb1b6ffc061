// taskrun killed outright (SIGKILL) in the middle of a solver step leaves nothing running: the
// step's shell, the solver it started and that solver's own child end with it, every time. And
// when what ends them was killed as well, the next run of the study (--resume) ends them.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "taskrun_e2e.h"
#include "testing/process_state.h"

extern char** environ;

namespace taskrun_e2e {
namespace {

using testing_support::processAlive;
using testing_support::processEnds;
using testing_support::ScopedTempDir;

// One evaluation whose solver step starts a solver that starts a child of its own; each writes
// its process number, then the step says it has started and waits.
void writeTask(const ScopedTempDir& dir) {
  writeScript(dir / "solver.sh", "sleep 300 & echo $! > grandchild.pid\necho $$ > solver.pid\ntouch started\nwait\n");
  TaskSpec task;
  task.inputs = {{"X", 1}};
  task.outputs = {"Y"};
  task.script = {"echo $$ > shell.pid", "sh " + shellQuoted((dir / "solver.sh").string())};
  task.variables = {"X"};
  dir.write("task.desc", descriptionFile(task));
  dir.write("run.toml", "plan = \"run\"\n");
}

// taskrun started in the background, its output in a file.
pid_t startTaskrun(const ScopedTempDir& dir, const std::vector<std::string>& arguments) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, (dir / "taskrun.out").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawn_file_actions_addchdir_np(&actions, dir.path().c_str());
  std::vector<std::string> texts{TASKRUN_PATH};
  texts.insert(texts.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  EXPECT_EQ(posix_spawn(&pid, TASKRUN_PATH, &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// Waits (up to a minute) until the step has started and taskrun has recorded it.
bool stepRunning(const fs::path& evaluation, pid_t taskrun) {
  for (int i = 0; i < 6000; ++i) {
    if (fs::exists(evaluation / "started") && fs::exists(evaluation / "taskrun-step.running") &&
        fs::exists(evaluation / "grandchild.pid")) {
      return true;
    }
    if (::waitpid(taskrun, nullptr, WNOHANG) == taskrun) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

std::string readNumber(const fs::path& file) {
  std::ifstream in(file);
  std::string number;
  in >> number;
  return number;
}

// The processes the step started: its shell, the solver and the solver's child.
std::vector<std::string> stepProcesses(const fs::path& evaluation) {
  return {readNumber(evaluation / "shell.pid"), readNumber(evaluation / "solver.pid"),
          readNumber(evaluation / "grandchild.pid")};
}

// taskrun's children that are taskrun too (the guard it forked).
std::vector<pid_t> taskrunChildren(pid_t taskrun) {
  std::vector<pid_t> children;
  for (const fs::directory_entry& entry : fs::directory_iterator("/proc")) {
    std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string text;
    if (!std::getline(stat, text)) continue;
    std::size_t open = text.find('('), close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos) continue;
    std::istringstream rest(text.substr(close + 2));
    std::string state;
    pid_t parent = 0;
    rest >> state >> parent;
    if (parent == taskrun && text.substr(open + 1, close - open - 1) == "taskrun") children.push_back(std::stoi(name));
  }
  return children;
}

TEST(TaskrunOrphans, KilledMidStepTaskrunLeavesNothingRunningEveryTime) {
  for (int round = 0; round < 5; ++round) {
    ScopedTempDir dir;
    writeTask(dir);
    pid_t taskrun = startTaskrun(dir, {"task.desc", "run.toml"});
    fs::path evaluation = dir / "run/eval-000001";  // the folder named after run.toml
    ASSERT_TRUE(stepRunning(evaluation, taskrun)) << dir.read("taskrun.out");
    std::vector<std::string> step = stepProcesses(evaluation);
    ASSERT_EQ(::kill(taskrun, SIGKILL), 0);
    ASSERT_EQ(::waitpid(taskrun, nullptr, 0), taskrun);
    for (const std::string& pid : step) EXPECT_TRUE(processEnds(pid)) << "round " << round << ": " << pid << " still runs";
  }
}

TEST(TaskrunOrphans, WhatAKilledRunLeftRunningIsEndedByTheNextRun) {
  ScopedTempDir dir;
  writeTask(dir);
  pid_t taskrun = startTaskrun(dir, {"task.desc", "run.toml"});
  fs::path evaluation = dir / "run/eval-000001";  // the folder named after run.toml
  ASSERT_TRUE(stepRunning(evaluation, taskrun)) << dir.read("taskrun.out");
  std::vector<std::string> step = stepProcesses(evaluation);
  // taskrun and its guard killed at once, as a kill of everything named taskrun would.
  std::vector<pid_t> guards = taskrunChildren(taskrun);
  ASSERT_EQ(guards.size(), 1U);
  ASSERT_EQ(::kill(guards[0], SIGKILL), 0);
  ASSERT_EQ(::kill(taskrun, SIGKILL), 0);
  ASSERT_EQ(::waitpid(taskrun, nullptr, 0), taskrun);
  for (const std::string& pid : step) EXPECT_TRUE(processAlive(pid)) << pid;  // nothing ended them

  // The step now finishes at once, so the resumed study can end.
  writeScript(dir / "solver.sh", "printf 'Y  1\\r\\n' > OutputValues.txt\n");
  TaskrunRun resumed = runTaskrun(dir.path(), {"task.desc", "run.toml", "--resume"});
  EXPECT_EQ(resumed.status, 0) << resumed.output;
  EXPECT_NE(resumed.output.find("taskrun: ended 1 step that an earlier run left running"), std::string::npos)
      << resumed.output;
  for (const std::string& pid : step) EXPECT_TRUE(processEnds(pid)) << pid;
}

}  // namespace
}  // namespace taskrun_e2e
