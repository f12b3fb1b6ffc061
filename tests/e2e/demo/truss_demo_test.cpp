// The whole system on the ten-bar truss: the pane picks the variables and writes the files of
// "Apply", then a fully-stressed-design loop drives Modprep, the solver and Respull until the
// areas settle. It must land on the published design.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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
// "Apply", then the loop (quiet). Returns the script's exit status.
int runDemo(const std::filesystem::path& folder) {
  return shell(quoted(sourceDir() / "examples/truss/run-truss-demo") + " " + quoted(PROGRAMS_DIR) + " " +
               quoted(folder) + " --quiet > " + quoted(folder / "demo.out") + " 2>&1");
}

TEST(TrussDemo, LandsOnThePublishedFullyStressedDesign) {
  ScopedTempDir dir;
  ASSERT_EQ(runDemo(dir.path()), 0) << dir.read("demo.out");
  auto rows = csvRows(dir / "history.csv");
  ASSERT_GE(rows.size(), 2u);
  const std::vector<std::string>& header = rows.front();
  ASSERT_EQ(header.size(), 14u);
  for (int member = 1; member <= 10; ++member) {
    EXPECT_EQ(header[3 + member], "AreaAtProp" + std::to_string(member));
  }
  std::size_t iterations = rows.size() - 1;
  EXPECT_GE(iterations, 15u);  // "about twenty"
  EXPECT_LE(iterations, 25u);
  const std::vector<std::string>& last = rows.back();
  double weight = std::stod(last[1]);
  EXPECT_NEAR(weight, 1593.2, 1593.2 * 0.0005);
  EXPECT_LT(std::stod(last[3]), 1e-6);
  const double published[] = {7.94, 0.1, 8.06, 3.94, 0.1, 0.1, 5.74, 5.57, 5.57, 0.1};
  for (int member = 1; member <= 10; ++member) {
    EXPECT_NEAR(std::stod(last[3 + member]), published[member - 1], 0.01) << "member " << member;
  }
  EXPECT_NE(dir.read("convergence.svg").find("<polyline"), std::string::npos);
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
