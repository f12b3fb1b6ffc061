// One evaluation's rules, with a launcher that records what it is asked to start instead of
// starting it (the same on every platform): the steps in their order with their folder, time
// limit, output and identity files; the solver script's del and copy lines done by taskrun and
// the rest through the platform's shell; FEMAP steps holding the turn; each kind of failure
// recorded with its step and reason.
#include "taskrun/evaluation.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>

#include "support/strings.h"
#include "testing/recording_launcher.h"
#include "testing/temp_dir.h"

namespace taskrun {
namespace {

namespace fs = std::filesystem;
using support::ProcessOutcome;
using support::ProcessRequest;
using testing_support::RecordingLauncher;
using testing_support::ScopedTempDir;

// Modprep, a solver script and Respull, as "Apply" writes them.
class EvaluationTest : public ::testing::Test {
 protected:
  EvaluationTest() {
    task_.file = dir_ / "task.desc";
    task_.inputs = {{"X", 1, 1}};
    task_.outputs = {{"Mass", 2}, {"Stress", 3}};
    Step modprep;
    modprep.name = "Modprep";
    modprep.program = "Modprep.exe";
    modprep.elapseTime = TimeLimit{300, "5m"};
    modprep.writesBefore = {"InputValues.txt"};
    Step solver;
    solver.name = "Nastran";
    solver.script = {{"del old.txt", 1}, {"copy InputValues.txt deck.dat", 2}, {"solver deck.dat", 3}};
    solver.returnCodes = {0, 1};
    solver.elapseTime = TimeLimit{60, "1m"};
    Step respull;
    respull.name = "Respull";
    respull.program = "Respull.exe";
    respull.readsAfter = {"OutputValues.txt"};
    task_.process = {modprep, solver, respull};
    setup_.task = &task_;
    setup_.steps = {PreparedStep{&task_.process[0], dir_ / "Modprep", {}},
                    PreparedStep{&task_.process[1], std::nullopt, scriptActions(task_.process[1].script)},
                    PreparedStep{&task_.process[2], dir_ / "Respull", {}}};
    setup_.environment = {"CORVANE_MARK=1"};
  }

  // Runs the evaluation of X = 1.5 in eval-000001 with programs that do what `act` does.
  EvaluationOutcome evaluate(RecordingLauncher::Act act, std::mutex* femapTurns = nullptr) {
    launcher_ = std::make_unique<RecordingLauncher>(std::move(act));
    return runEvaluation(setup_, {1.5}, folder(), *launcher_, solver_, femapTurns);
  }

  fs::path folder() const { return dir_ / "eval-000001"; }

  static bool isStep(const ProcessRequest& request, const std::string& name) {
    return fs::path(request.arguments[0]).filename() == name;
  }

  // Programs that succeed; Respull writes `outputs` (when not empty).
  static RecordingLauncher::Act succeeding(std::string outputs = "Mass  3\r\nStress  2\r\n") {
    return [outputs](const ProcessRequest& request) {
      if (isStep(request, "Respull") && !outputs.empty()) {
        std::ofstream(request.folder / "OutputValues.txt", std::ios::binary) << outputs;
      }
      return RecordingLauncher::exited(0);
    };
  }

  ScopedTempDir dir_;
  Task task_;
  EvaluationSetup setup_;
  LocalSolverLauncher solver_;
  std::unique_ptr<RecordingLauncher> launcher_;
};

TEST_F(EvaluationTest, StepsRunInOrderEachInTheFolderWithItsLimitOutputAndIdentityFile) {
  bool inputsWritten = false;
  EvaluationOutcome outcome = evaluate([&](const ProcessRequest& request) {
    if (isStep(request, "Modprep")) {
      inputsWritten = fs::exists(request.folder / "InputValues.txt");
      std::ofstream(request.folder / "old.txt") << "from an earlier solve";
    }
    return succeeding()(request);
  });
  ASSERT_TRUE(outcome.ok) << outcome.failedStep << ": " << outcome.reason;
  EXPECT_EQ(outcome.outputs, (std::vector<std::optional<double>>{3.0, 2.0}));
  EXPECT_TRUE(inputsWritten);

  std::vector<ProcessRequest> requests = launcher_->requests();
  ASSERT_EQ(requests.size(), 3U);
  const ProcessRequest& modprep = requests[0];
  EXPECT_EQ(modprep.arguments, (std::vector<std::string>{(dir_ / "Modprep").string(), folder().string()}));
  EXPECT_EQ(modprep.folder, folder());
  EXPECT_EQ(modprep.timeLimitSeconds, 300);
  EXPECT_TRUE(modprep.environment.empty());  // taskrun's own
  EXPECT_EQ(modprep.outputFile, folder() / "taskrun-Modprep.out");
  EXPECT_EQ(modprep.identityFile, folder() / kRunningStepFile);
  EXPECT_TRUE(modprep.verbatimArguments);  // the folder as it stands, blanks and all

  // The del and copy lines were taskrun's; the solver line went to the platform's shell.
  const ProcessRequest& solver = requests[1];
  EXPECT_EQ(solver.arguments, support::shellCommand("solver deck.dat", folder()));
  EXPECT_EQ(solver.environment, setup_.environment);
  ASSERT_TRUE(solver.timeLimitSeconds);
  EXPECT_LE(*solver.timeLimitSeconds, 60);
  EXPECT_GT(*solver.timeLimitSeconds, 50);
  EXPECT_EQ(solver.outputFile, folder() / "taskrun-Nastran.out");
  EXPECT_FALSE(fs::exists(folder() / "old.txt"));
  EXPECT_EQ(support::readWholeFile(folder() / "deck.dat"), support::readWholeFile(folder() / "InputValues.txt"));

  EXPECT_FALSE(requests[2].timeLimitSeconds);  // Respull has none
}

TEST_F(EvaluationTest, TheFemapStepsHoldTheTurnAndTheSolverStepDoesNot) {
  std::mutex femapTurns;
  std::vector<std::string> held;
  EvaluationOutcome outcome = evaluate(
      [&](const ProcessRequest& request) {
        bool free = femapTurns.try_lock();
        if (free) femapTurns.unlock();
        held.push_back(fs::path(request.arguments[0]).stem().string() + (free ? " free" : " held"));
        return succeeding()(request);
      },
      &femapTurns);
  ASSERT_TRUE(outcome.ok) << outcome.reason;
  ASSERT_EQ(held.size(), 3U);
  EXPECT_EQ(held[0], "Modprep held");
  EXPECT_EQ(held[1].substr(held[1].size() - 4), "free");
  EXPECT_EQ(held[2], "Respull held");
}

TEST_F(EvaluationTest, DelPatternsMatchWithoutCase) {
  task_.process[1].script = {{"del *.TMP", 1}, {"del result?.op2", 2}, {"solver", 3}};
  setup_.steps[1].actions = scriptActions(task_.process[1].script);
  EvaluationOutcome outcome = evaluate([&](const ProcessRequest& request) {
    if (isStep(request, "Modprep")) {
      for (const char* name : {"a.tmp", "b.Tmp", "keep.txt", "result1.op2", "result12.op2"}) {
        std::ofstream(request.folder / name) << name;
      }
    }
    return succeeding()(request);
  });
  ASSERT_TRUE(outcome.ok) << outcome.reason;
  EXPECT_FALSE(fs::exists(folder() / "a.tmp"));
  EXPECT_FALSE(fs::exists(folder() / "b.Tmp"));
  EXPECT_FALSE(fs::exists(folder() / "result1.op2"));
  EXPECT_TRUE(fs::exists(folder() / "result12.op2"));
  EXPECT_TRUE(fs::exists(folder() / "keep.txt"));
}

struct FailureCase {
  const char* name;
  std::function<ProcessOutcome(const ProcessRequest&)> solver;  // the solver step's outcome
  std::string respullWrites;
  const char* failedStep;
  const char* reason;
};

ProcessOutcome outcomeOf(ProcessOutcome::Kind kind, int status = 0, std::string error = "") {
  ProcessOutcome outcome;
  outcome.kind = kind;
  outcome.status = status;
  outcome.error = std::move(error);
  return outcome;
}

TEST_F(EvaluationTest, EachKindOfFailureIsRecordedWithItsStepAndReason) {
  auto fine = [](const ProcessRequest&) { return RecordingLauncher::exited(0); };
  std::vector<FailureCase> cases{
      {"time-out", [](auto&) { return outcomeOf(ProcessOutcome::Kind::timedOut); }, "Mass  1\r\nStress  1\r\n",
       "Nastran", "timed out after 1m"},
      {"return code", [](auto&) { return RecordingLauncher::exited(7); }, "Mass  1\r\nStress  1\r\n", "Nastran",
       "exit status 7, not among the return codes 0 1"},
      {"accepted return code", [](auto&) { return RecordingLauncher::exited(1); }, "Mass  1\r\n", "Respull",
       "no value for the output \"Stress\""},
      {"no results", fine, "", "Respull", "\"OutputValues.txt\" was not written"},
      {"not a number", fine, "Mass  1\r\nStress  n/a\r\n", "Respull", "the value of \"Stress\" is not a number"},
      {"not started", [](auto&) { return outcomeOf(ProcessOutcome::Kind::notStarted, 0, "no such file"); },
       "Mass  1\r\nStress  1\r\n", "Nastran", "cannot be started: no such file"},
      {"signal", [](auto&) { return outcomeOf(ProcessOutcome::Kind::signalled, 9); }, "Mass  1\r\nStress  1\r\n",
       "Nastran", "killed by signal 9"},
  };
  for (const FailureCase& failure : cases) {
    EvaluationOutcome outcome = evaluate([&](const ProcessRequest& request) {
      if (isStep(request, "Modprep")) return RecordingLauncher::exited(0);
      if (isStep(request, "Respull")) return succeeding(failure.respullWrites)(request);
      return failure.solver(request);
    });
    EXPECT_FALSE(outcome.ok) << failure.name;
    EXPECT_FALSE(outcome.interrupted) << failure.name;
    EXPECT_EQ(outcome.failedStep, failure.failedStep) << failure.name;
    EXPECT_EQ(outcome.reason, failure.reason) << failure.name;
  }

  // A copy whose source is missing fails the step before its shell lines run.
  task_.process[1].script = {{"copy extra.txt copied.txt", 1}, {"solver", 2}};
  setup_.steps[1].actions = scriptActions(task_.process[1].script);
  EvaluationOutcome outcome = evaluate(succeeding());
  EXPECT_EQ(outcome.failedStep, "Nastran");
  EXPECT_EQ(outcome.reason, "copy: the source \"extra.txt\" does not exist");
  EXPECT_EQ(launcher_->requests().size(), 1U);  // Modprep only
}

TEST_F(EvaluationTest, AnInterruptedStepEndsTheEvaluationAsInterrupted) {
  EvaluationOutcome outcome = evaluate([](const ProcessRequest& request) {
    if (isStep(request, "Modprep")) return RecordingLauncher::exited(0);
    return outcomeOf(ProcessOutcome::Kind::interrupted);
  });
  EXPECT_FALSE(outcome.ok);
  EXPECT_TRUE(outcome.interrupted);
  EXPECT_EQ(outcome.failedStep, "Nastran");
  EXPECT_EQ(launcher_->requests().size(), 2U);  // Respull never started
}

}  // namespace
}  // namespace taskrun
