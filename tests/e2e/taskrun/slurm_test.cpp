// The solver steps sent to a real one-node Slurm cluster (srun), the FEMAP steps kept where
// taskrun runs: each step's job id shows it ran under Slurm, its exit status comes back
// through srun, and the study goes on as with local solver steps.
#include <unistd.h>

#include "slurm_cluster.h"
#include "taskrun_e2e.h"

namespace taskrun_e2e {
namespace {

using testing_support::ScopedTempDir;

TEST(TaskrunSlurm, SolverStepsRunAsSlurmJobStepsOnARealCluster) {
  if (::geteuid() != 0) GTEST_SKIP() << "the test cluster's daemons run as root (as CI does)";
  ScopedTempDir dir;
  std::unique_ptr<SlurmCluster> cluster;
  try {
    cluster = std::make_unique<SlurmCluster>(dir / "cluster");
  } catch (const std::exception& error) {
    FAIL() << "the test cluster did not start: " << error.what();
  }
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

}  // namespace
}  // namespace taskrun_e2e
