// The whole system on the ten-bar truss: the pane picks the variables and writes the files of
// "Apply", then taskrun runs the task's stress-ratio plan over Modprep, the solver and Respull
// until the areas settle. It must land on the published design.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/text_file.h"
#include "testing/temp_dir.h"

namespace {

using testing_support::ScopedTempDir;
using testing_support::sourceDir;

int shell(const std::string& command) {
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

std::vector<std::vector<std::string>> csvRows(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::vector<std::vector<std::string>> rows;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> cells;
    std::stringstream fields(line);
    std::string cell;
    while (std::getline(fields, cell, ',')) cells.push_back(cell);
    rows.push_back(cells);
  }
  return rows;
}

// Sets the demo up in `folder`: deck, one solve, results loaded, the pane's selection and
// "Apply", then taskrun's stress-ratio plan (quiet). Returns the script's exit status.
int runDemo(const std::filesystem::path& folder) {
  return shell(quoted(sourceDir() / "examples/truss/run-truss-demo") + " " + quoted(PROGRAMS_DIR) + " " +
               quoted(folder) + " --quiet --stress-ratio-only > " + quoted(folder / "demo.out") + " 2>&1");
}

TEST(TrussDemo, LandsOnThePublishedFullyStressedDesign) {
  ScopedTempDir dir;
  ASSERT_EQ(runDemo(dir.path()), 0) << dir.read("demo.out");
  auto rows = csvRows(dir / "study-stress-ratio/history.csv");
  ASSERT_GE(rows.size(), 2u);
  const std::vector<std::string>& header = rows.front();
  // The study's own columns end with "seconds"; the variables follow, then the outputs.
  auto seconds = std::find(header.begin(), header.end(), "seconds");
  ASSERT_NE(seconds, header.end());
  const std::size_t first = static_cast<std::size_t>(seconds - header.begin()) + 1;
  ASSERT_EQ(header.size(), first + 10 + 11 + 2);
  std::vector<std::string> areas;
  for (int member = 1; member <= 10; ++member) areas.push_back("AreaAtProp" + std::to_string(member));
  std::sort(areas.begin(), areas.end());  // the pane lists them by name
  for (std::size_t i = 0; i < areas.size(); ++i) EXPECT_EQ(header[first + i], areas[i]);
  std::size_t iterations = rows.size() - 1;
  EXPECT_GE(iterations, 15u);  // "about twenty"
  EXPECT_LE(iterations, 25u);

  nlohmann::json summary = nlohmann::json::parse(dir.read("study-stress-ratio/summary.json"));
  EXPECT_EQ(summary["plan"], "stress-ratio");
  EXPECT_EQ(summary["status"], "converged");
  EXPECT_EQ(summary["evaluations"]["run"], iterations);
  EXPECT_EQ(summary["evaluations"]["failed"], 0);
  double weight = summary["best"]["outputs"]["TotalMass"];
  EXPECT_NEAR(weight, 1593.2, 1593.2 * 0.0005);
  const double published[] = {7.94, 0.1, 8.06, 3.94, 0.1, 0.1, 5.74, 5.57, 5.57, 0.1};
  for (int member = 1; member <= 10; ++member) {
    double area = summary["best"]["inputs"]["AreaAtProp" + std::to_string(member)];
    EXPECT_NEAR(area, published[member - 1], 0.01) << "member " << member;
  }
  EXPECT_NE(dir.read("study-stress-ratio/progress.svg").find("<polyline"), std::string::npos);
  EXPECT_NE(dir.read("study-stress-ratio/variables.svg").find("<polyline"), std::string::npos);
  // Every evaluation in a folder of its own; the model of "Apply" itself untouched.
  EXPECT_TRUE(std::filesystem::exists(dir / "study-stress-ratio/eval-000001/truss.mod"));
  EXPECT_TRUE(std::filesystem::exists(dir / "study-stress-ratio" / ("eval-0000" + std::to_string(iterations)) / "truss.op2"));
  EXPECT_EQ(dir.read("InputValues.txt").substr(0, 16), "AreaAtProp1  1\r\n");
}

TEST(TrussDemo, AFailedSolveLeavesRespullNothingToReport) {
  ScopedTempDir dir;
  ASSERT_EQ(runDemo(dir.path()), 0) << dir.read("demo.out");
  std::string programs = quoted(PROGRAMS_DIR);
  std::string inFolder = "cd " + quoted(dir.path()) + " && ";
  ASSERT_EQ(shell(inFolder + programs + "/Modprep " + quoted(dir.path()) + " >/dev/null 2>&1"), 0);
  // The solver fails: CalculiX replaced by a program that fails at once.
  EXPECT_NE(shell(inFolder + "NASTRAN_CCX_CCX=/bin/false " + programs + "/nastran-ccx truss.dat 2>/dev/null"), 0);
  EXPECT_FALSE(std::filesystem::exists(dir / "truss.op2"));
  EXPECT_NE(shell(inFolder + programs + "/Respull " + quoted(dir.path()) + " >/dev/null 2>&1"), 0);
  EXPECT_FALSE(std::filesystem::exists(dir / "OutputValues.txt"));
  EXPECT_NE(dir.read("outputExeLogs.log").find("ERROR:  Results file does not exist: truss.op2"), std::string::npos);
}

}  // namespace
