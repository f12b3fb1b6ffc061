// A whole study on Windows, as the engineer runs it beside FEMAP: the programs in one folder
// (taskrun.exe, Modprep.exe, Respull.exe, nastran-ccx.exe with ccx.exe), the ten-bar truss's
// deck, solve and "Apply" done in a folder with a blank in its name, a FEMAP running beside
// them (femapsim-server as "femap.model"), then taskrun.exe from the model's folder. The
// stress-ratio plan lands on the published design with the data log of the Linux build; two
// workers' solver steps overlap while their FEMAP steps take turns; a step past its time limit
// is ended with every process it started; each kind of failure is recorded as failed.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "com_testing.h"
#include "support/process.h"
#include "support/strings.h"
#include "support/text_file.h"
#include "support/wide_text.h"
#include "testing/process_state.h"
#include "testing/sqlite_query.h"
#include "testing/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing_support::ScopedTempDir;
using testing_support::query;

fs::path builtProgram(const std::string& name) { return com_testing::serverProgram().parent_path() / name; }

class WindowsStudy : public ::testing::Test {
 protected:
  void SetUp() override {
    com_testing::endRunningServers();
    programs_ = dir_ / "programs";
    model_ = dir_ / "truss model";
    fs::create_directories(programs_);
    fs::create_directories(model_ / "temp");
    for (const char* name : {"taskrun.exe", "Modprep.exe", "Respull.exe", "nastran-ccx.exe", "femapsim.exe",
                             "pane-script.exe"}) {
      fs::copy_file(builtProgram(name), programs_ / name);
    }
    fs::copy_file(fs::absolute(CCX_EXE), programs_ / "ccx.exe");
    fs::copy_file(fs::absolute(PROCESS_HELPER_EXE), programs_ / "process-helper.exe");
    fs::path truss = testing_support::sourceDir() / "examples/truss";
    for (const char* name : {"truss.mod", "stress-ratio.toml"}) fs::copy_file(truss / name, model_ / name);

    // The engineer's part: a deck, one solve so that results exist, the pane's selection and Apply.
    ASSERT_EQ(run({"femapsim.exe", "deck", "truss.mod", "truss.dat"}), 0) << output();
    ASSERT_EQ(run({"nastran-ccx.exe", "truss.dat"}), 0) << output();
    ASSERT_EQ(run({"femapsim.exe", "results", "truss.mod", "truss.op2"}), 0) << output();
    std::vector<std::string> environment = support::environmentWithPathFirst(programs_);
    environment.push_back("TEMP=" + (model_ / "temp").string());
    ASSERT_EQ(run({"pane-script.exe", (truss / "select-and-apply.script").string()}, environment), 0) << output();
    ASSERT_TRUE(fs::exists(model_ / "cORVANEtruss.desc")) << output();
  }

  void TearDown() override {
    if (server_) {
      EXPECT_TRUE(com_testing::quitAndWait(*server_, 60s)) << "the FEMAP beside the study did not end";
    }
    com_testing::endRunningServers();
  }

  // Runs a program of the programs folder in the model's folder; its exit status (-1 when it
  // did not end as a program ends), its output in output().
  int run(std::vector<std::string> arguments, std::vector<std::string> environment = {},
          std::chrono::seconds limit = 300s) {
    arguments[0] = (programs_ / arguments[0]).string();
    std::error_code ignored;
    fs::remove(dir_ / "output.txt", ignored);
    support::ProcessOutcome outcome = launcher_->run(
        {arguments, model_, static_cast<double>(limit.count()), std::move(environment), dir_ / "output.txt"});
    return outcome.kind == support::ProcessOutcome::Kind::exited ? outcome.status : -1;
  }
  // The program's output and, for a study, what each evaluation's steps and logs say.
  std::string output() const {
    std::error_code error;
    std::string text = fs::exists(dir_ / "output.txt", error) ? dir_.read("output.txt") : std::string();
    for (fs::recursive_directory_iterator entry(model_, error), end; !error && entry != end; entry.increment(error)) {
      std::string name = entry->path().filename().string();
      if (name.rfind("taskrun-", 0) == 0 || entry->path().extension() == ".log") {
        text += "\n--- " + entry->path().string() + "\n" + support::readWholeFile(entry->path());
      }
    }
    return text;
  }

  // A FEMAP running beside the engineer, its message window writing to messages.txt.
  void startFemap() {
    server_.emplace(L"\"" + com_testing::serverProgram().wstring() + L"\" --messages \"" +
                    (dir_ / "messages.txt").wstring() + L"\" --idle 600 --lifetime 900");
    ASSERT_TRUE(static_cast<bool>(com_testing::attachWithin(30s))) << "the FEMAP beside the study did not come up";
  }

  // The task file with its solver script's solve line replaced by `lines` and, when given, the
  // solver step's time limit.
  void editTask(const std::vector<std::string>& lines, const std::string& solverTime = "") {
    std::string task = dir_.read("truss model/cORVANEtruss.desc");
    std::string replacement;
    for (std::size_t i = 0; i < lines.size(); ++i) replacement += (i ? "\r\n                " : "") + lines[i];
    ASSERT_NE(task.find("nastran-ccx truss.dat"), std::string::npos);
    task = support::replaceAll(task, "nastran-ccx truss.dat", replacement);
    if (!solverTime.empty()) {
      std::size_t solver = task.find("SimCode Nastran");
      std::size_t limit = task.find("ElapseTime: 5m", solver);
      ASSERT_NE(limit, std::string::npos);
      task.replace(limit, 14, "ElapseTime: " + solverTime);
    }
    support::writeFileAtomically(model_ / "cORVANEtruss.desc", task);
  }

  void writeStudy(const std::string& name, const std::string& text) { support::writeFileAtomically(model_ / name, text); }

  ScopedTempDir dir_;
  fs::path programs_, model_;
  support::Interruption interruption_;
  std::unique_ptr<support::ProcessLauncher> launcher_ = support::platformLauncher(interruption_);
  std::optional<com_testing::Process> server_;
};

// The expected data log: what the Linux build's truss demo stores, one line an evaluation
// ("id status" and the ten areas, ten stresses and the mass).
std::vector<std::vector<std::string>> expectedDataLog() {
  std::ifstream in(testing_support::sourceDir() / "tests/e2e/windows_study/expected/truss-stress-ratio.txt");
  std::vector<std::vector<std::string>> rows;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::vector<std::string> row;
    for (std::string field; fields >> field;) row.push_back(field);
    rows.push_back(row);
  }
  return rows;
}

std::string dataLogColumns() {
  std::string columns = "id, status";
  for (int i = 1; i <= 10; ++i) columns += ", AreaAtProp" + std::to_string(i);
  for (int i = 1; i <= 10; ++i) columns += ", RodAxialSt3022AtElem" + std::to_string(i);
  return columns + ", TotalMass";
}

TEST_F(WindowsStudy, TheStressRatioPlanLandsOnThePublishedDesignWithTheDataLogOfLinux) {
  startFemap();
  ASSERT_EQ(run({"taskrun.exe", "cORVANEtruss.desc", "stress-ratio.toml"}), 0) << output();
  EXPECT_NE(output().find("FEMAP shared"), std::string::npos) << output();
  nlohmann::json summary = nlohmann::json::parse(dir_.read("truss model/study-stress-ratio/summary.json"));
  EXPECT_EQ(summary["status"], "converged");
  EXPECT_EQ(summary["evaluations"]["failed"], 0);
  EXPECT_NEAR(summary["best"]["outputs"]["TotalMass"].get<double>(), 1593.2, 1593.2 * 0.0005);
  const double published[] = {7.94, 0.1, 8.06, 3.94, 0.1, 0.1, 5.74, 5.57, 5.57, 0.1};
  for (int member = 1; member <= 10; ++member) {
    EXPECT_NEAR(summary["best"]["inputs"]["AreaAtProp" + std::to_string(member)].get<double>(), published[member - 1], 0.01);
  }

  // The same evaluations as on Linux: status exact, values to the last few digits (CalculiX's
  // floating point on another compiler's run time).
  auto rows = query(model_ / "study-stress-ratio/Task1.db", "SELECT " + dataLogColumns() + " FROM evaluations ORDER BY id");
  auto expected = expectedDataLog();
  ASSERT_EQ(rows.size(), expected.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    ASSERT_EQ(rows[r].size(), expected[r].size());
    EXPECT_EQ(rows[r][0], expected[r][0]);
    EXPECT_EQ(rows[r][1], expected[r][1]);
    for (std::size_t c = 2; c < rows[r].size(); ++c) {
      double value = std::stod(rows[r][c]), wanted = std::stod(expected[r][c]);
      EXPECT_NEAR(value, wanted, 1e-9 * std::max(1.0, std::fabs(wanted))) << "evaluation " << rows[r][0] << ", column " << c;
    }
  }
}

TEST_F(WindowsStudy, TwoWorkersSolveSideBySideWhileTheirFemapStepsTakeTurns) {
  // Each solver step waits until the other has started before it solves (a batch file's own
  // loop): only steps that run side by side get past it.
  editTask({"type nul > solver-started.txt", ":other", "if not exist ..\\eval-000001\\solver-started.txt goto other",
            "if not exist ..\\eval-000002\\solver-started.txt goto other", "nastran-ccx truss.dat"},
           "2m");
  writeStudy("doe.toml",
             "plan = \"doe\"\nworkers = 2\nfolder = \"study-doe\"\n[objective]\noutput = \"TotalMass\"\n[variables]\n"
             "\"AreaAtProp1\" = { lower = 5.0, upper = 10.0 }\n[doe]\nmethod = \"factorial\"\nlevels = 2\n");
  startFemap();
  ASSERT_EQ(run({"taskrun.exe", "cORVANEtruss.desc", "doe.toml"}), 0) << output();
  EXPECT_NE(output().find("2 workers"), std::string::npos) << output();
  EXPECT_NE(output().find("FEMAP shared"), std::string::npos) << output();
  EXPECT_EQ(query(model_ / "study-doe/Task1.db", "SELECT COUNT(*) FROM evaluations WHERE status = 'ok'"),
            (std::vector<std::vector<std::string>>{{"2"}}));
}

TEST_F(WindowsStudy, AStepPastItsTimeLimitIsEndedWithEveryProcessItStarted) {
  editTask({"process-helper spawn child.pid wait"}, "3s");
  writeStudy("run.toml", "plan = \"run\"\nfolder = \"study-run\"\n");
  startFemap();
  run({"taskrun.exe", "cORVANEtruss.desc", "run.toml"});
  EXPECT_EQ(query(model_ / "study-run/Task1.db", "SELECT status, failed_step, reason FROM evaluations"),
            (std::vector<std::vector<std::string>>{{"failed", "Nastran", "timed out after 3s"}}))
      << output();
  std::string child = dir_.read("truss model/study-run/eval-000001/child.pid");
  EXPECT_TRUE(testing_support::processEnds(child)) << child;
}

// taskrun.exe on this test's console, so that the engineer's Ctrl-C can be sent to it (the test
// itself lets Ctrl-C pass).
class ConsoleProgram {
 public:
  ConsoleProgram(const std::wstring& commandLine, const fs::path& folder) {
    ::AllocConsole();  // none when the test runs without a terminal
    ::SetConsoleCtrlHandler(nullptr, TRUE);
    std::wstring line = commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring where = folder.wstring();
    if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, where.c_str(),
                         &startup, &process_)) {
      ::CloseHandle(process_.hThread);
    } else {
      ADD_FAILURE() << "cannot start " << support::fromWide(commandLine);
    }
  }
  ~ConsoleProgram() {
    if (!process_.hProcess) return;
    if (::WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) ::TerminateProcess(process_.hProcess, 99);
    ::CloseHandle(process_.hProcess);
  }
  ConsoleProgram(const ConsoleProgram&) = delete;
  ConsoleProgram& operator=(const ConsoleProgram&) = delete;

  bool ctrlC() const { return ::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) != 0; }
  void kill() const { ::TerminateProcess(process_.hProcess, 1); }
  std::optional<unsigned long> wait(std::chrono::milliseconds limit) const {
    if (!process_.hProcess || ::WaitForSingleObject(process_.hProcess, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) {
      return {};
    }
    DWORD status = 0;
    ::GetExitCodeProcess(process_.hProcess, &status);
    return status;
  }

 private:
  PROCESS_INFORMATION process_{};
};

TEST_F(WindowsStudy, CtrlCEndsTheRunningStepsWithTheDataLogConsistentAndResumeGoesOn) {
  std::string task = dir_.read("truss model/cORVANEtruss.desc");
  editTask({"process-helper spawn child.pid wait"});
  writeStudy("run.toml", "plan = \"run\"\nfolder = \"study-break\"\n");
  startFemap();
  fs::path evaluation = model_ / "study-break/eval-000001";
  std::string child;
  {
    ConsoleProgram taskrun(L"\"" + (programs_ / "taskrun.exe").wstring() + L"\" cORVANEtruss.desc run.toml", model_);
    std::error_code error;
    for (int i = 0; i < 6000 && !fs::exists(evaluation / "child.pid", error); ++i) std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(fs::exists(evaluation / "child.pid"));
    child = dir_.read("truss model/study-break/eval-000001/child.pid");
    if (!taskrun.ctrlC()) {
      // Wine without a terminal has no console to send the event through (error 12).
      GTEST_SKIP() << "this system sends no Ctrl-C (GenerateConsoleCtrlEvent: error " << ::GetLastError() << ")";
    }
    EXPECT_EQ(taskrun.wait(60s), 130UL);
  }
  EXPECT_TRUE(testing_support::processEnds(child)) << child;
  EXPECT_FALSE(fs::exists(evaluation / "taskrun-step.running"));
  EXPECT_EQ(query(model_ / "study-break/Task1.db", "SELECT COUNT(*) FROM evaluations WHERE status = 'ok'"),
            (std::vector<std::vector<std::string>>{{"0"}}));

  support::writeFileAtomically(model_ / "cORVANEtruss.desc", task);
  ASSERT_EQ(run({"taskrun.exe", "cORVANEtruss.desc", "run.toml", "--resume"}), 0) << output();
  EXPECT_EQ(query(model_ / "study-break/Task1.db", "SELECT COUNT(*) FROM evaluations WHERE status = 'ok'"),
            (std::vector<std::vector<std::string>>{{"1"}}));
}

TEST_F(WindowsStudy, AKilledTaskrunLeavesNothingRunningAndResumeGoesOn) {
  std::string task = dir_.read("truss model/cORVANEtruss.desc");
  editTask({"process-helper spawn child.pid wait"});
  writeStudy("run.toml", "plan = \"run\"\nfolder = \"study-killed\"\n");
  startFemap();
  fs::path evaluation = model_ / "study-killed/eval-000001";
  std::string child;
  {
    ConsoleProgram taskrun(L"\"" + (programs_ / "taskrun.exe").wstring() + L"\" cORVANEtruss.desc run.toml", model_);
    std::error_code error;
    for (int i = 0; i < 6000 && !fs::exists(evaluation / "child.pid", error); ++i) std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(fs::exists(evaluation / "child.pid"));
    child = dir_.read("truss model/study-killed/eval-000001/child.pid");
    taskrun.kill();  // as the task manager ends it: no handler runs
    EXPECT_TRUE(taskrun.wait(60s).has_value());
  }
  EXPECT_TRUE(testing_support::processEnds(child)) << child;  // its step's job went with it

  support::writeFileAtomically(model_ / "cORVANEtruss.desc", task);
  ASSERT_EQ(run({"taskrun.exe", "cORVANEtruss.desc", "run.toml", "--resume"}), 0) << output();
  EXPECT_EQ(query(model_ / "study-killed/Task1.db", "SELECT COUNT(*) FROM evaluations WHERE status = 'ok'"),
            (std::vector<std::vector<std::string>>{{"1"}}));
}

TEST_F(WindowsStudy, EachKindOfFailureIsRecordedAsFailed) {
  startFemap();
  struct Case {
    std::vector<std::string> lines;
    std::string addedOutput;  // an output the task has and Respull does not give
    const char* failedStep;
    const char* reason;  // empty: any
  };
  const Case cases[] = {
      {{"process-helper exit 7"}, "", "Nastran", "exit status 7, not among the return codes 0 1"},
      {{"copy extra.txt copied.txt", "nastran-ccx truss.dat"}, "", "Nastran",
       "copy: the source \"extra.txt\" does not exist"},
      {{"no-such-solver truss.dat"}, "", "Nastran", ""},  // a program not found fails its step
      {{"nastran-ccx truss.dat"}, "Missing", "Respull", "no value for the output \"Missing\""},
  };
  std::string task = dir_.read("truss model/cORVANEtruss.desc");
  int number = 0;
  for (const Case& failure : cases) {
    std::string folder = "study-failure-" + std::to_string(++number);
    std::string edited = task;
    if (!failure.addedOutput.empty()) {
      edited = support::replaceAll(edited, "    End Outputs Task1",
                                   "        Parameter: " + failure.addedOutput + " Type: real\r\n    End Outputs Task1");
    }
    support::writeFileAtomically(model_ / "cORVANEtruss.desc", edited);
    editTask(failure.lines);
    writeStudy("run.toml", "plan = \"run\"\nfolder = \"" + folder + "\"\n");
    run({"taskrun.exe", "cORVANEtruss.desc", "run.toml"});
    auto rows = query(model_ / folder / "Task1.db", "SELECT status, failed_step, reason FROM evaluations");
    ASSERT_EQ(rows.size(), 1U) << output();
    EXPECT_EQ(rows[0][0], "failed") << output();
    EXPECT_EQ(rows[0][1], failure.failedStep) << output();
    if (*failure.reason) {
      EXPECT_EQ(rows[0][2], failure.reason) << output();
    }
    nlohmann::json summary = nlohmann::json::parse(dir_.read("truss model/" + folder + "/summary.json"));
    EXPECT_TRUE(summary["best"].is_null()) << summary.dump();  // a failed design is never the best
  }
}

}  // namespace
