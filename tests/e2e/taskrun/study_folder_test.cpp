// The study folder is taskrun's alone: one run at a time (an operating-system lock that dies
// with its process), an earlier study never replaced without --resume or --overwrite, an
// --overwrite that removes only what taskrun wrote, folders of others refused untouched, and
// data logs that are empty, damaged, of another task or named like a file of the evaluation
// refused before anything runs.
#include <signal.h>

#include "taskrun_e2e.h"
#include "testing/process_state.h"

namespace taskrun_e2e {
namespace {

using testing_support::ScopedTempDir;
using testing_support::processEnds;

const char kReadX[] = "x=$(tr -d '\\r' < InputValues.txt | awk '$1==\"X\"{print $2}')\n";
const char kDoe[] = "plan = \"doe\"\n[variables]\n\"X\" = { lower = 0, upper = 2 }\n[doe]\nmethod = \"factorial\"\nlevels = 3\n";

// Y = X * X; `modprepBody` runs first in every evaluation folder (with x set).
TaskSpec squareTask(const ScopedTempDir& dir, const std::string& modprepBody = "") {
  TaskSpec task;
  task.inputs = {{"X", 1}};
  task.outputs = {"Y"};
  task.modprep = writeScript(dir / "modprep.sh", std::string("cd \"$1\" || exit 1\n") + kReadX + modprepBody).string();
  task.script = {"awk '$1==\"X\" { printf \"Y  %.17g\\r\\n\", $2 * $2 }' InputValues.txt > OutputValues.txt"};
  task.variables = {"X"};
  return task;
}

std::string rowCount(const fs::path& database) { return query(database, "SELECT COUNT(*) FROM evaluations").at(0).at(0); }

TEST(TaskrunStudyFolder, ASecondRunIsRefusedWhileTheFirstHoldsTheFolderAndTheLockDiesWithItsProcess) {
  ScopedTempDir dir;
  // The first evaluation's Modprep tells the test taskrun's number, then waits to be let go.
  // The first, because the main thread stores and reports an evaluation while a worker already
  // runs the next one: only before the first has ended does the first run write nothing.
  fs::path holder = dir / "holder", release = dir / "release";
  dir.write("task.desc", descriptionFile(squareTask(
                             dir, "if [ ! -e " + shellQuoted(holder.string()) + " ]; then echo $PPID > " + shellQuoted(holder.string() + ".new") + " && mv " +
                                      shellQuoted(holder.string() + ".new") + " " + shellQuoted(holder.string()) + "; " +
                                      waitUntil("[ -e " + shellQuoted(release.string()) + " ]", "never let go") + "fi\n")));
  dir.write("study.toml", kDoe);
  std::string first = startTaskrun(dir.path(), {"task.desc", "study.toml"}, dir / "first.out");
  ASSERT_TRUE(waitForFile(holder)) << dir.read("first.out");
  std::string pid = firstLine(dir.read("holder"));
  EXPECT_EQ(pid, first);

  // The first run's own report page may be written while the second runs: it is left out.
  auto listing = [&] {
    auto files = folderListing(dir / "study");
    std::erase_if(files, [](const auto& file) { return file.first.rfind("report.html", 0) == 0; });
    return files;
  };
  auto before = listing();
  for (const std::vector<std::string>& arguments : {std::vector<std::string>{"task.desc", "study.toml"},
                                                    {"task.desc", "study.toml", "--resume"},
                                                    {"task.desc", "study.toml", "--overwrite"}}) {
    TaskrunRun second = runTaskrun(dir.path(), arguments);
    EXPECT_EQ(second.status, 2) << second.output;
    EXPECT_NE(second.output.find("study folder " + (dir / "study").string() + " is in use by taskrun process " + pid),
              std::string::npos)
        << second.output;
  }
  EXPECT_EQ(listing(), before);  // nothing touched
  dir.write("release", "");
  ASSERT_TRUE(processEnds(first));
  EXPECT_EQ(readJson(dir / "study/summary.json")["status"], "converged") << dir.read("first.out");
  EXPECT_EQ(rowCount(dir / "study/Task1.db"), "3");

  // A taskrun killed outright leaves no lock behind, not even while a step it started (which
  // inherits nothing of the lock) runs on: this one shrugs off SIGTERM, so it outlives taskrun
  // by the grace period before SIGKILL.
  ScopedTempDir killed;
  TaskSpec task = squareTask(killed);
  task.script = {"if [ ! -e " + shellQuoted((killed / "killed").string()) + " ]; then touch " +
                     shellQuoted((killed / "killed").string()) + "; trap '' TERM; sleep 30 & echo $! > " +
                     shellQuoted((killed / "sleeper").string()) + "; kill -KILL $PPID; wait; fi",
                 task.script[0]};
  killed.write("task.desc", descriptionFile(task));
  killed.write("study.toml", kDoe);
  EXPECT_EQ(runTaskrun(killed.path(), {"task.desc", "study.toml"}).status, 128 + SIGKILL);
  std::string sleeper = firstLine(killed.read("sleeper"));
  TaskrunRun resumed = runTaskrun(killed.path(), {"task.desc", "study.toml", "--resume"});
  EXPECT_EQ(resumed.status, 0) << resumed.output;
  EXPECT_EQ(resumed.output.find("is in use by taskrun process"), std::string::npos) << resumed.output;
  EXPECT_TRUE(processEnds(sleeper));
}

TEST(TaskrunStudyFolder, AnEarlierStudyNeedsResumeOrOverwriteAndOverwriteRemovesOnlyWhatTaskrunWrote) {
  ScopedTempDir dir;
  dir.write("task.desc", descriptionFile(squareTask(dir)));
  dir.write("study.toml", kDoe);
  ASSERT_EQ(runTaskrun(dir.path(), {"task.desc", "study.toml"}).status, 0);
  // The engineer's own files in the study folder, one named like an evaluation folder.
  dir.write("study/notes.txt", "keep me");
  dir.write("study/eval-000099/mine.txt", "keep me too");
  auto before = folderListing(dir / "study");

  TaskrunRun again = runTaskrun(dir.path(), {"task.desc", "study.toml"});
  EXPECT_EQ(again.status, 2) << again.output;
  EXPECT_NE(again.output.find("study folder " + (dir / "study").string() + " holds an earlier study (of \"study.toml\"): run "
                              "again with --resume to go on with it, or with --overwrite to remove it and start afresh"),
            std::string::npos)
      << again.output;
  EXPECT_EQ(folderListing(dir / "study"), before);

  TaskrunRun both = runTaskrun(dir.path(), {"task.desc", "study.toml", "--resume", "--overwrite"});
  EXPECT_EQ(both.status, 2);
  EXPECT_NE(both.output.find("--resume and --overwrite exclude each other"), std::string::npos) << both.output;
  EXPECT_EQ(folderListing(dir / "study"), before);

  TaskrunRun resumed = runTaskrun(dir.path(), {"task.desc", "study.toml", "--resume"});
  ASSERT_EQ(resumed.status, 0) << resumed.output;
  EXPECT_EQ(readJson(dir / "study/summary.json")["evaluations"]["reused"], 3);

  // Another study file with the same folder is not taken for this study.
  dir.write("other.toml", std::string("folder = \"study\"\n") + kDoe);
  TaskrunRun other = runTaskrun(dir.path(), {"task.desc", "other.toml", "--resume"});
  EXPECT_EQ(other.status, 2) << other.output;
  EXPECT_NE(other.output.find("holds the study of \"study.toml\", not of \"other.toml\""), std::string::npos) << other.output;

  // A leftover of a writer killed before it committed is taskrun's too.
  dir.write("study/history.csv.tmp-999999999-1", "half");
  TaskrunRun overwritten = runTaskrun(dir.path(), {"task.desc", "study.toml", "--overwrite"});
  ASSERT_EQ(overwritten.status, 0) << overwritten.output;
  EXPECT_EQ(readJson(dir / "study/summary.json")["evaluations"]["run"], 3);
  EXPECT_EQ(rowCount(dir / "study/Task1.db"), "3");
  EXPECT_EQ(dir.read("study/notes.txt"), "keep me");
  EXPECT_EQ(dir.read("study/eval-000099/mine.txt"), "keep me too");
  EXPECT_FALSE(fs::exists(dir / "study/history.csv.tmp-999999999-1"));
  std::string marker = dir.read("study/taskrun.study");
  EXPECT_EQ(marker.rfind("taskrun study folder\r\nstudy file: study.toml\r\ndata log: Task1.db\r\n", 0), 0u) << marker;
  EXPECT_NE(marker.find("folder: eval-000003\r\n"), std::string::npos) << marker;

  // Two study files without "folder =" each get a folder of their own.
  dir.write("doe.toml", kDoe);
  TaskrunRun own = runTaskrun(dir.path(), {"task.desc", "doe.toml"});
  ASSERT_EQ(own.status, 0) << own.output;
  EXPECT_TRUE(fs::exists(dir / "doe/summary.json"));
}

TEST(TaskrunStudyFolder, FoldersOfOthersAndFoldersOutsideAreRefusedUntouched) {
  ScopedTempDir dir, elsewhere;
  dir.write("task.desc", descriptionFile(squareTask(dir)));
  // A folder that taskrun did not make, with something in it: refused, not even a lock file.
  dir.write("mine/data.txt", "the engineer's");
  dir.write("mine.toml", std::string("folder = \"mine\"\n") + kDoe);
  TaskrunRun run = runTaskrun(dir.path(), {"task.desc", "mine.toml", "--overwrite"});
  EXPECT_EQ(run.status, 2) << run.output;
  EXPECT_NE(run.output.find("study folder " + (dir / "mine").string() + " holds files that taskrun did not make there"),
            std::string::npos)
      << run.output;
  EXPECT_EQ(folderListing(dir / "mine"), (std::map<std::string, std::uintmax_t>{{"data.txt", 14}}));

  for (const std::string& folder : std::vector<std::string>{".", "..", "../next", "/", dir.path().string()}) {
    dir.write("bad.toml", "folder = \"" + folder + "\"\n" + kDoe);
    run = runTaskrun(dir.path(), {"task.desc", "bad.toml"});
    EXPECT_EQ(run.status, 2) << folder << ": " << run.output;
    EXPECT_NE(run.output.find("bad.toml:1: the study folder \"" + folder + "\""), std::string::npos) << run.output;
  }

  // A folder of a run killed while it wrote its first marker holds the lock and the marker's
  // temporary file: taskrun's, taken afresh.
  dir.write("killed/taskrun.lock", "");
  dir.write("killed/taskrun.study.tmp-999999999-1", "taskrun study folder\r\n");
  dir.write("killed.toml", kDoe);
  run = runTaskrun(dir.path(), {"task.desc", "killed.toml"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_FALSE(fs::exists(dir / "killed/taskrun.study.tmp-999999999-1"));

  // An absolute path to an empty folder elsewhere is taken; a link inside that leads to a
  // folder of others is refused like that folder.
  fs::create_directories(elsewhere / "empty");
  dir.write("abs.toml", "folder = \"" + (elsewhere / "empty").string() + "\"\n" + kDoe);
  run = runTaskrun(dir.path(), {"task.desc", "abs.toml"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(fs::exists(elsewhere / "empty/taskrun.study"));
  elsewhere.write("full/data.txt", "others'");
  fs::create_directory_symlink(elsewhere / "full", dir / "link");
  dir.write("link.toml", std::string("folder = \"link\"\n") + kDoe);
  run = runTaskrun(dir.path(), {"task.desc", "link.toml"});
  EXPECT_EQ(run.status, 2) << run.output;
  EXPECT_EQ(folderListing(elsewhere / "full"), (std::map<std::string, std::uintmax_t>{{"data.txt", 7}}));
}

TEST(TaskrunStudyFolder, DataLogsThatAreEmptyDamagedOfAnotherTaskOrNamedLikeAFileOfTheEvaluationAreRefused) {
  ScopedTempDir dir;
  TaskSpec task = squareTask(dir);
  dir.write("task.desc", descriptionFile(task));
  dir.write("study.toml", kDoe);
  dir.write("truss.mod", "FEMAPSIM 1\n");
  dir.write("Modprep.txt", "Reference Model (FEMAP) = truss.mod\r\nInput Deck (NastranNX) = truss.dat\r\nNameValue = InputValues.txt\r\n");
  ASSERT_EQ(runTaskrun(dir.path(), {"task.desc", "study.toml"}).status, 0);

  // Emptied to 0 bytes: once taken for an empty study and everything run again.
  fs::resize_file(dir / "study/Task1.db", 0);
  for (const char* suffix : {"-wal", "-shm"}) fs::remove(dir / ("study/Task1.db" + std::string(suffix)));
  TaskrunRun run = runTaskrun(dir.path(), {"task.desc", "study.toml", "--resume"});
  EXPECT_EQ(run.status, 2) << run.output;
  EXPECT_NE(run.output.find("the data log " + (dir / "study/Task1.db").string() + " is empty (0 bytes)"), std::string::npos)
      << run.output;
  EXPECT_FALSE(fs::exists(dir / "study/summary.json"));

  dir.write("study/Task1.db", std::string(8192, 'x'));
  run = runTaskrun(dir.path(), {"task.desc", "study.toml", "--resume"});
  EXPECT_EQ(run.status, 2) << run.output;
  EXPECT_NE(run.output.find("the data log " + (dir / "study/Task1.db").string() + " is damaged (file is not a database)"),
            std::string::npos)
      << run.output;
  EXPECT_EQ(dir.read("study/Task1.db"), std::string(8192, 'x'));

  ASSERT_EQ(runTaskrun(dir.path(), {"task.desc", "study.toml", "--overwrite"}).status, 0);
  task.outputs = {"Y", "Z"};
  dir.write("task.desc", descriptionFile(task));
  run = runTaskrun(dir.path(), {"task.desc", "study.toml", "--resume"});
  EXPECT_EQ(run.status, 2) << run.output;
  EXPECT_NE(run.output.find("was written for another task"), std::string::npos) << run.output;

  // The data log may not take the name of a file of the evaluation or of taskrun's own.
  for (const auto& [name, what] : std::vector<std::pair<std::string, std::string>>{
           {"TRUSS.MOD", "a file every evaluation copies (truss.mod)"},
           {"Modprep.txt", "an exchange file (Modprep.txt)"},
           {"InputValues.txt", "the values file of SimCode Modprep (InputValues.txt)"},
           {"outputvalues.txt", "the values file of SimCode Respull (OutputValues.txt)"},
           {"history.csv", "a file taskrun writes in the study folder"}}) {
    dir.write("task.desc", support::replaceAll(descriptionFile(task), "DataLog: \"Task1.db\"", "DataLog: \"" + name + "\""));
    dir.write("fresh.toml", kDoe);
    run = runTaskrun(dir.path(), {"task.desc", "fresh.toml"});
    EXPECT_EQ(run.status, 2) << run.output;
    EXPECT_NE(run.output.find("task.desc:"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(": the data log \"" + name + "\" would take the name of " + what), std::string::npos)
        << run.output;
    EXPECT_FALSE(fs::exists(dir / "fresh"));
  }
}

}  // namespace
}  // namespace taskrun_e2e
