// The solver steps sent to a real one-node Slurm cluster (srun), the FEMAP steps kept where
// taskrun runs: each step's job id shows it ran under Slurm, its exit status comes back
// through srun, and the study goes on as with local solver steps.
#include <signal.h>
#include <unistd.h>

#include "slurm_cluster.h"
#include "taskrun_e2e.h"
#include "testing/process_state.h"

namespace taskrun_e2e {
namespace {

using testing_support::ScopedTempDir;

// The test cluster in `folder`; nullptr, and the reason in `why`, when it does not start.
std::unique_ptr<SlurmCluster> startCluster(const fs::path& folder, std::string& why) {
  try {
    return std::make_unique<SlurmCluster>(folder);
  } catch (const std::exception& error) {
    why = error.what();
    return nullptr;
  }
}

TEST(TaskrunSlurm, SolverStepsRunAsSlurmJobStepsOnARealCluster) {
  if (::geteuid() != 0) GTEST_SKIP() << "the test cluster's daemons run as root (as CI does)";
  ScopedTempDir dir;
  std::string why;
  std::unique_ptr<SlurmCluster> cluster = startCluster(dir / "cluster", why);
  ASSERT_TRUE(cluster) << "the test cluster did not start: " << why;
  TaskSpec task;
  task.inputs = {{"X", 0}};
  task.outputs = {"Y"};
  task.modprep = writeScript(dir / "modprep.sh", "cd \"$1\" && echo \"${SLURM_JOB_ID:-none}\" > modprep-job.txt\n").string();
  task.script = {"del results.txt",
                 "echo \"${SLURM_JOB_ID:-none}\" > solver-job.txt; hostname > solver-host.txt",
                 "awk '$1==\"X\" { if ($2 + 0 == 2) exit 7; printf \"Y  %.17g\\r\\n\", 10 * $2 }' InputValues.txt > results.txt"};
  task.respull = writeScript(dir / "respull.sh", "cd \"$1\" && cp results.txt OutputValues.txt\n").string();
  task.variables = {"X"};
  dir.write("task.desc", descriptionFile(task));
  dir.write("study.toml", "plan = \"doe\"\nworkers = 2\n[variables]\n\"X\" = { lower = 0, upper = 2 }\n"
                          "[doe]\nmethod = \"factorial\"\nlevels = 3\n");

  TaskrunRun run = runTaskrun(dir.path(), {"task.desc", "study.toml", "--launcher", "slurm"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("solver steps on Slurm"), std::string::npos) << run.output;
  EXPECT_EQ(query(dir / "study/Task1.db", "SELECT id, X, status, failed_step, reason, Y FROM evaluations ORDER BY id"),
            (std::vector<std::vector<std::string>>{
                {"1", "0.0", "ok", "NULL", "NULL", "0.0"},
                {"2", "1.0", "ok", "NULL", "NULL", "10.0"},
                {"3", "2.0", "failed", "Nastran",
                 "exit status 7, not among the return codes 0 1; taskrun-Nastran.out ends: \"srun: error: taskrun-node: task 0: "
                 "Exited with exit code 7\"",
                 "NULL"}}));
  for (const char* folder : {"eval-000001", "eval-000002", "eval-000003"}) {
    std::string job = dir.read(std::string("study/") + folder + "/solver-job.txt");
    EXPECT_NE(job, "none\n") << folder;
    EXPECT_EQ(job.find_first_not_of("0123456789\n"), std::string::npos) << job;
    EXPECT_EQ(dir.read(std::string("study/") + folder + "/modprep-job.txt"), "none\n") << folder;
  }
}

// A whole study inside one allocation: taskrun is the batch script of "sbatch --wait", its
// FEMAP steps run in the batch step and its solver steps are job steps (srun) of the same
// job, side by side; the study goes on to its end when whatever submitted it is gone (the
// engineer logged out).
TEST(TaskrunSlurm, AWholeStudyRunsInsideOneAllocationAndOutlivesItsSubmitter) {
  if (::geteuid() != 0) GTEST_SKIP() << "the test cluster's daemons run as root (as CI does)";
  ScopedTempDir dir;
  std::string why;
  std::unique_ptr<SlurmCluster> cluster = startCluster(dir / "cluster", why);
  ASSERT_TRUE(cluster) << "the test cluster did not start: " << why;
  // Should the test end early, the job goes first: its steps would outlive the cluster.
  struct CancelJob {
    ~CancelJob() {
      testing_support::runShellCommand("scancel --name=truss-study 2>/dev/null");
      for (int i = 0; i < 100 && !testing_support::runShellCommand("squeue -h 2>/dev/null").output.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
    }
  } cancelJob;
  fs::path shared = dir / "shared", goOn = dir / "go-on";
  fs::create_directories(shared);
  TaskSpec task;
  task.inputs = {{"X", 0}};
  task.outputs = {"Y"};
  task.modprep = writeScript(dir / "modprep.sh", "cd \"$1\" && echo \"$SLURM_JOB_ID ${SLURM_STEP_ID:-none}\" > modprep-job.txt\n").string();
  // Each solver step waits until a second one runs beside it, and the first of them until
  // the test has let the study go on.
  task.script = {"echo \"$SLURM_JOB_ID $SLURM_STEP_ID\" > solver-job.txt",
                 "touch " + shellQuoted(shared.string()) + "/$SLURM_STEP_ID",
                 waitUntil("[ $(ls " + shellQuoted(shared.string()) + " | wc -l) -ge 2 ]", "no second step runs beside this one") +
                     waitUntil("[ -e " + shellQuoted(goOn.string()) + " ]", "the test never let the study go on"),
                 "awk '$1==\"X\" { printf \"Y  %.17g\\r\\n\", 10 * $2 }' InputValues.txt > OutputValues.txt"};
  task.variables = {"X"};
  dir.write("task.desc", descriptionFile(task));
  dir.write("study.toml", "plan = \"doe\"\nworkers = 2\nlauncher = \"slurm\"\n[variables]\n\"X\" = { lower = 0, upper = 1 }\n"
                          "[doe]\nmethod = \"factorial\"\nlevels = 2\n");
  dir.write("study.sbatch", "#!/bin/sh\n#SBATCH --job-name=truss-study\n#SBATCH --ntasks=2\n#SBATCH --output=" +
                                (dir / "study-%j.out").string() + "\ncd " + shellQuoted(dir.path().string()) + " && exec " +
                                shellQuoted(TASKRUN_PATH) + " task.desc study.toml\n");

  // The submitter: sbatch --wait, gone (SIGHUP, as at a logout) once the job runs.
  std::string submitter = testing_support::runShellCommand(
      "cd " + shellQuoted(dir.path().string()) + " && (sbatch --wait --parsable study.sbatch > sbatch.out 2>&1 & echo $!)")
                              .output;
  submitter = firstLine(submitter);
  ASSERT_TRUE(waitForFile(shared / "0") || waitForFile(shared / "1")) << dir.read("sbatch.out");
  ::kill(std::stoi(submitter), SIGHUP);
  ASSERT_TRUE(testing_support::processEnds(submitter));
  std::string job = firstLine(dir.read("sbatch.out"));
  dir.write("go-on", "");
  // The job goes on without its submitter: wait for it to leave the queue.
  for (int i = 0; i < 600 && !testing_support::runShellCommand("squeue -h -j " + job + " 2>/dev/null").output.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_TRUE(fs::exists(dir / "study/summary.json")) << job << ": " << testing_support::runShellCommand(
      "cat " + shellQuoted(dir.path().string()) + "/study-*.out " + shellQuoted(dir.path().string()) + "/study/eval-*/taskrun-*.out 2>&1").output;
  nlohmann::json summary = readJson(dir / "study/summary.json");
  EXPECT_EQ(summary["status"], "converged");
  EXPECT_EQ(summary["evaluations"]["run"], 2);
  for (const char* folder : {"eval-000001", "eval-000002"}) {
    std::string solver = dir.read(std::string("study/") + folder + "/solver-job.txt");
    EXPECT_EQ(solver.substr(0, solver.find(' ')), job) << folder;  // a step of the study's own job
    EXPECT_EQ(solver.find_first_not_of("0123456789 \n"), std::string::npos) << solver;
    EXPECT_EQ(dir.read(std::string("study/") + folder + "/modprep-job.txt"), job + " none\n") << folder;  // in the batch step
  }
}

}  // namespace
}  // namespace taskrun_e2e
