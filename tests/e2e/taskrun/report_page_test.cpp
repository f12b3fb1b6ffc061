// report.html in a real browser: headless Chromium opens the page of a running study (from
// inside one of its evaluations) and of the finished study, runs its scripts, and the test
// reads what the page then shows: the status, the plots' axes and marks, the table of every
// evaluation with the failed one's reason. Screenshots of both are kept in the build folder.
// Also --help, which describes what the page and the other files are.
#include "taskrun_e2e.h"

namespace taskrun_e2e {
namespace {

using testing_support::ScopedTempDir;

const fs::path kScreenshots = TASKRUN_SCREENSHOT_DIR;

// Chromium as this machine allows it: no network, no sandbox (root), a profile of its own.
std::string browser(const fs::path& profile) {
  return "timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
         "--disable-background-networking --disable-component-update --disable-sync --hide-scrollbars "
         "--user-data-dir=" + shellQuoted(profile.string()) + " ";
}

// The page's DOM after its scripts ran into `dom`, and a screenshot of it into `picture`.
std::string look(const fs::path& profile, const fs::path& page, const fs::path& dom, const fs::path& picture) {
  return browser(profile) + "--window-size=1400,2200 --screenshot=" + shellQuoted(picture.string()) + " --dump-dom " +
         shellQuoted("file://" + page.string()) + " > " + shellQuoted(dom.string()) + " 2>/dev/null\n";
}

// What a plot's script says it shows (its aria-label: axes, ticks, marks per dataset).
std::string plotLabel(const std::string& dom, const std::string& id) {
  std::size_t at = dom.find("id=\"" + id + "\"");
  if (at == std::string::npos) return "";
  std::size_t label = dom.find("aria-label=\"", at);
  if (label == std::string::npos) return "";
  label += 12;
  std::string text = dom.substr(label, dom.find('"', label) - label);
  for (auto [entity, character] : {std::pair{"&quot;", "\""}, {"&gt;", ">"}, {"&lt;", "<"}, {"&amp;", "&"}}) {
    text = support::replaceAll(text, entity, character);
  }
  return text;
}

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t found = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++found;
  return found;
}

TEST(TaskrunReportPage, ChromiumShowsTheRunningAndTheFinishedStudy) {
  ASSERT_EQ(std::system("command -v chromium >/dev/null"), 0) << "chromium is not installed: scripts/ensure-packages chromium";
  ScopedTempDir dir;
  fs::create_directories(kScreenshots);
  fs::path page = dir / "study/report.html";
  // X from 0 to 4: X = 2 fails, X = 4 passes the stress bound; while X = 3 runs, the browser
  // looks at the page of the first three.
  TaskSpec task;
  task.inputs = {{"X", 0}};
  task.outputs = {"Mass", "Stress"};
  writeScript(dir / "solver.sh",
              "x=$(tr -d '\\r' < InputValues.txt | awk '$1==\"X\"{print $2}')\n"
              "[ \"$x\" = 2 ] && { echo 'FATAL: matrix is singular' >&2; exit 3; }\n"
              "if [ \"$x\" = 3 ]; then\n" +
                  waitUntil("grep -q '<dd>3 of 5<br>' " + shellQuoted(page.string()), "the page never showed 3 of 5") +
                  look(dir / "profile-running", page, dir / "running.dom", kScreenshots / "report-running.png") +
                  "fi\n"
                  "awk -v x=\"$x\" 'BEGIN { printf \"Mass  %.17g\\r\\nStress  %.17g\\r\\n\", 10 + 2 * x, 40 * x * x }' > "
                  "OutputValues.txt\n");
  task.script = {"sh " + (dir / "solver.sh").string()};
  task.variables = {"X"};
  dir.write("task.desc", descriptionFile(task));
  // Only the failed evaluation's folder is kept: the table links to it alone.
  dir.write("study.toml", R"(plan = "doe"
keep = "failed"
[objective]
output = "Mass"
[constraints]
"Stress" = { upper = 400 }
[variables]
"X" = { lower = 0, upper = 4 }
[doe]
method = "factorial"
levels = 5
[units]
"Mass" = "kg"
"Stress" = "MPa"
"X" = "mm"
)");
  TaskrunRun run = runTaskrun(dir.path(), {"task.desc", "study.toml"});
  ASSERT_EQ(run.status, 0) << run.output;
  ASSERT_EQ(std::system(look(dir / "profile-ended", page, dir / "ended.dom", kScreenshots / "report-finished.png").c_str()), 0);

  std::string running = dir.read("running.dom");
  ASSERT_NE(running.find("data-drawn="), std::string::npos) << "the page's script did not run: " << running.substr(0, 2000);
  EXPECT_NE(running.find("data-state=\"running\""), std::string::npos);
  EXPECT_NE(running.find("<dd>3 of 5<br>"), std::string::npos);
  EXPECT_NE(running.find("This page reloads itself every 5 s while the study runs."), std::string::npos);
  EXPECT_NE(running.find("Best feasible design so far: eval-000001"), std::string::npos);
  EXPECT_EQ(count(running, "<tr id=\"row-"), 3u);
  EXPECT_EQ(count(running, "href=\"eval-"), 1u);
  EXPECT_NE(running.find("at Nastran: exit status 3"), std::string::npos);
  EXPECT_NE(plotLabel(running, "objective-chart").find("best feasible so far: 3; feasible: 2; infeasible: 0; failed: 1"),
            std::string::npos)
      << plotLabel(running, "objective-chart");

  std::string ended = dir.read("ended.dom");
  EXPECT_NE(ended.find("data-state=\"converged\""), std::string::npos);
  EXPECT_NE(ended.find("data-drawn=\"5\""), std::string::npos);  // three plots and Mass, Stress against X
  EXPECT_EQ(ended.find("This page reloads itself"), std::string::npos);
  EXPECT_NE(ended.find("Feasible: the best design, eval-000001, meets every constraint."), std::string::npos);
  EXPECT_EQ(count(ended, "<tr id=\"row-"), 5u);
  EXPECT_EQ(count(ended, "href=\"eval-"), 1u);
  EXPECT_NE(ended.find("<a href=\"eval-000003/\">eval-000003</a>"), std::string::npos);
  EXPECT_NE(ended.find("\">eval-000005</td>"), std::string::npos);  // named, not linked
  EXPECT_EQ(count(ended, "badge failed"), 1u);
  EXPECT_EQ(count(ended, "badge infeasible"), 1u);
  std::string objective = plotLabel(ended, "objective-chart");
  EXPECT_NE(objective.find("x \"evaluation (id)\" ticks 0 | 1 | 2 | 3 | 4 | 5 | 6"), std::string::npos) << objective;
  EXPECT_NE(objective.find("y \"Mass [kg]\" ticks"), std::string::npos) << objective;
  EXPECT_NE(objective.find("feasible: 3; infeasible: 1; failed: 1"), std::string::npos) << objective;
  // Stress 0, 40, 360, 640 against 400: -100 %, -90 %, -10 %, +60 % on the symmetric log scale
  // (the ticks at 0.1 % unlabelled beside zero).
  std::string constraint = plotLabel(ended, "constraint-chart");
  EXPECT_NE(constraint.find("ticks \u2212100 % | \u221210 % | \u22121 % |  | 0 |  | +1 % | +10 % | +100 %"),
            std::string::npos)
      << constraint;
  std::string scatter = plotLabel(ended, "doe-1-0");
  EXPECT_NE(scatter.find("x \"X [mm]\""), std::string::npos) << scatter;
  EXPECT_NE(scatter.find("y \"Stress [MPa]\""), std::string::npos) << scatter;
  EXPECT_NE(plotLabel(ended, "variables-chart").find("x \"sample\" ticks 0 | 1 | 2 | 3 | 4 | 5 | 6; y \"X [mm]\""), std::string::npos)
      << plotLabel(ended, "variables-chart");
  EXPECT_TRUE(fs::file_size(kScreenshots / "report-running.png") > 10000);
  EXPECT_TRUE(fs::file_size(kScreenshots / "report-finished.png") > 10000);
}

TEST(TaskrunReportPage, HelpDescribesThePlansKeysFilesAndExitStatuses) {
  ScopedTempDir dir;
  TaskrunRun help = runTaskrun(dir.path(), {"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* part : {"usage: taskrun TASKFILE", "Plans (plan = \"...\"):", "stress-ratio", "Study file keys:",
                           "[constraints]", "report.html", "summary.json", "history.csv", "Exit status:",
                           "130  interrupted", "Example:", "0.0001 %"}) {
    EXPECT_NE(help.output.find(part), std::string::npos) << part << "\n" << help.output;
  }
}

}  // namespace
}  // namespace taskrun_e2e
