// The solver script's "del" and "copy" lines, which taskrun carries out itself, stay inside the
// evaluation folder: a line that leads outside fails its step naming the line and touches
// nothing outside; a link the solver left is replaced by a copy, never written through.
#include <sys/stat.h>

#include "taskrun_e2e.h"

namespace taskrun_e2e {
namespace {

using testing_support::ScopedTempDir;

// The line of the description file that holds `text`.
std::size_t lineOf(const std::string& description, const std::string& text) {
  std::size_t at = description.find(text);
  return at == std::string::npos ? 0 : 1 + static_cast<std::size_t>(std::count(description.begin(), description.begin() + at, '\n'));
}

TaskSpec scriptTask(const std::vector<std::string>& lines) {
  TaskSpec task;
  task.inputs = {{"X", 1}};
  task.outputs = {"Y"};
  task.script = {"printf 'Y  2\\r\\n' > results.txt"};
  task.script.insert(task.script.end(), lines.begin(), lines.end());
  task.script.push_back("cp results.txt OutputValues.txt");
  task.variables = {"X"};
  return task;
}

TEST(TaskrunScriptLines, ADelOrCopyThatLeadsOutsideFailsItsStepNamingTheLineAndTouchesNothingOutside) {
  ScopedTempDir dir;
  dir.write("truss.mod", "the model");
  dir.write("notes.txt", "the engineer's");
  std::string absolute = (dir / "truss.mod").string();
  struct Case {
    std::string line;     // as the script has it
    std::string written;  // the path as the reason quotes it
    std::string problem;
  };
  const std::vector<Case> cases{
      {"del ..\\..\\*.*", "../../*.*", "leads outside the evaluation folder"},
      {"copy results.txt ..\\..\\truss.mod", "../../truss.mod", "leads outside the evaluation folder"},
      {"del \\truss.mod", "/truss.mod", "is a rooted path, outside the evaluation folder"},
      {"del /Q " + absolute, absolute, "is a rooted path, outside the evaluation folder"},
      {"erase C:\\work\\truss.mod", "C:/work/truss.mod", "names a drive, outside the evaluation folder"},
      {"copy ..\\..\\truss.mod model.mod", "../../truss.mod", "leads outside the evaluation folder"}};
  int n = 0;
  for (const Case& c : cases) {
    std::string description = descriptionFile(scriptTask({c.line}));
    dir.write("task.desc", description);
    std::string study = "case" + std::to_string(++n);
    dir.write(study + ".toml", "plan = \"run\"\n");
    auto before = folderListing(dir.path());
    TaskrunRun run = runTaskrun(dir.path(), {"task.desc", study + ".toml"});
    EXPECT_EQ(run.status, 1) << c.line << "\n" << run.output;
    std::string reason = (dir / "task.desc").string() + ":" + std::to_string(lineOf(description, c.line)) + ": " + c.line +
                         ": \"" + c.written + "\" " + c.problem;
    EXPECT_EQ(query(dir / (study + "/Task1.db"), "SELECT status, failed_step, reason FROM evaluations"),
              (std::vector<std::vector<std::string>>{{"failed", "Nastran", reason}}))
        << run.output;
    EXPECT_EQ(dir.read("truss.mod"), "the model");
    EXPECT_EQ(dir.read("notes.txt"), "the engineer's");
    auto after = folderListing(dir.path());
    for (const auto& [name, size] : before) {
      if (name.rfind("case", 0) != 0) {
        EXPECT_EQ(after[name], size) << name;  // the study folders aside
      }
    }
  }
}

TEST(TaskrunScriptLines, ACopyReplacesALinkTheSolverLeftInsteadOfWritingThroughIt) {
  ScopedTempDir dir;
  dir.write("victim.txt", "not to be written");
  TaskSpec task = scriptTask({"ln -s " + shellQuoted((dir / "victim.txt").string()) + " OutputValues.txt",
                                   "copy results.txt OutputValues.txt", "del results.txt"});
  task.script.pop_back();  // OutputValues.txt comes from the copy
  dir.write("task.desc", descriptionFile(task));
  dir.write("study.toml", "plan = \"run\"\n");
  TaskrunRun run = runTaskrun(dir.path(), {"task.desc", "study.toml"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(dir.read("victim.txt"), "not to be written");
  struct stat copied {};
  ASSERT_EQ(::lstat((dir / "study/eval-000001/OutputValues.txt").c_str(), &copied), 0);
  EXPECT_TRUE(S_ISREG(copied.st_mode));
  EXPECT_FALSE(fs::exists(dir / "study/eval-000001/results.txt"));
  EXPECT_EQ(readJson(dir / "study/summary.json")["best"]["outputs"]["Y"], 2.0);
}

}  // namespace
}  // namespace taskrun_e2e
