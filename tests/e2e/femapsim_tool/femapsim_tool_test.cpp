// The femapsim tool as a real process on the example models.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>

#include "support/strings.h"
#include "testing/temp_dir.h"

namespace {

using testing_support::ScopedTempDir;
using testing_support::sourceDir;

struct ToolRun {
  int status;
  std::string output;
};

// The tool's exit status and everything it printed. The command goes through the platform's
// shell (sh, or cmd on Windows, whose /c drops one pair of outer quotes).
ToolRun run(const std::string& arguments) {
#ifdef _WIN32
  const std::string command =
      "\"\"" + std::filesystem::absolute(FEMAPSIM_TOOL).string() + "\" " + arguments + " 2>&1\"";
  FILE* pipe = _popen(command.c_str(), "rb");
#else
  const std::string command = std::string(FEMAPSIM_TOOL) + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
#endif
  ToolRun result{-1, {}};
  if (!pipe) return result;
  char buffer[4096];
  std::size_t read;
  while ((read = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, read);
#ifdef _WIN32
  result.status = _pclose(pipe);
  result.output = support::replaceAll(result.output, "\r\n", "\n");
#else
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  return result;
}

#ifdef _WIN32
std::string quoted(const std::filesystem::path& path) {
  return "\"" + std::filesystem::absolute(path).string() + "\"";
}
#else
std::string quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }
#endif

TEST(FemapsimTool, MassOfTheTrussIsItsTenRods) {
  ToolRun result = run("mass " + quoted(sourceDir() / "examples/truss/truss.mod"));
  ASSERT_EQ(result.status, 0) << result.output;
  // Six members of 360 in and four diagonals of 360·√2 in, area 1 in², density 0.1 lb/in³.
  std::istringstream lines(result.output);
  std::string line;
  std::vector<std::string> names;
  double totalMass = 0;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string name;
    fields >> name;
    names.push_back(name);
    if (name == "MassTotal") fields >> totalMass;
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Length", "Area", "Volume", "MassStructural", "MassNonStructural",
                                             "MassTotal", "StructuralCG", "NonStructuralCG", "TotalCG",
                                             "Inertia", "InertiaCG"}));
  EXPECT_NEAR(totalMass, 0.1 * (6 * 360 + 4 * 360 * std::sqrt(2.0)), 1e-9);
}

TEST(FemapsimTool, CheckNamesFileLineAndReason) {
  ScopedTempDir dir;
  EXPECT_EQ(run("check " + quoted(sourceDir() / "examples/plate/plate.mod")).status, 0);
  auto bad = dir.write("bad.mod", "FEMAPSIM 1\nnode 1 x=0\nelem 1 type=1 topology=0 node=1,2\n");
  ToolRun result = run("check " + quoted(bad));
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.output, bad.string() + ":3: elem 1 refers to missing node 2 (node)\n");
  EXPECT_EQ(run("frobnicate x").status, 2);
}

TEST(FemapsimTool, DumpIsTheNormalisedModelAndReadsBackTheSame) {
  ScopedTempDir dir;
  // Negative zeros, as a hand edit or an earlier dump writes them, keep their sign.
  const auto signedZeros = dir.write("zeros.mod",
                                     "FEMAPSIM 1\n"
                                     "node 1 x=-0.00 y=-0 z=0\n"
                                     "prop 1 type=1 pval=-0.0,1,-0,0,0,0,0,0\n");
  for (const auto& model : {sourceDir() / "examples/plate/plate.mod", signedZeros}) {
    ToolRun first = run("dump " + quoted(model));
    ASSERT_EQ(first.status, 0) << model;
    auto copy = dir.write("copy.mod", first.output);
    EXPECT_EQ(run("dump " + quoted(copy)).output, first.output) << model;
  }
  EXPECT_NE(run("dump " + quoted(signedZeros)).output.find("node 1 x=-0 y=-0 z=0"), std::string::npos);
}

TEST(FemapsimTool, ResultsAreReadIntoTheModelAndSaved) {
  ScopedTempDir dir;
  std::filesystem::copy_file(sourceDir() / "examples/truss/truss.mod", dir / "truss.mod");
  auto results = dir.write("truss.op2", "FEMAPSIM 1\noutset 1 title=\"Case\"\noutvec 3022 setID=1 entity=1 value=5\n");
  ASSERT_EQ(run("results " + quoted(dir / "truss.mod") + " " + quoted(results)).status, 0);
  EXPECT_NE(dir.read("truss.mod").find("outvec 3022 setID=1 entity=1 value=5"), std::string::npos);
  EXPECT_EQ(run("results " + quoted(dir / "truss.mod") + " " + quoted(dir / "none.op2")).status, 1);
}

// A deck and a neutral file of it imported as model files: the same mass either way; what passed
// through unread is said; a bad deck names its file and line.
TEST(FemapsimTool, ImportOfADeckAndOfItsNeutralFile) {
  ScopedTempDir dir;
  auto deck = dir.write("truss.bdf",
                        "SOL 101\nCEND\nBEGIN BULK\nGRID,1,,0.,0.,0.\nGRID,2,,100.,0.,0.\nCROD,1,1,1,2\n"
                        "PROD,1,1,2.5\nMAT1,1,1.E7,,.3,.1\nEIGRL,9,,,6\nENDDATA\n");
  ToolRun imported = run("import " + quoted(deck) + " " + quoted(dir / "truss.mod"));
  ASSERT_EQ(imported.status, 0) << imported.output;
  EXPECT_EQ(imported.output, deck.string() + ": 1 card passed through unread: EIGRL (1)\n");
  ToolRun mass = run("mass " + quoted(dir / "truss.mod"));
  EXPECT_NE(mass.output.find("MassTotal 25\n"), std::string::npos) << mass.output;  // 0.1 x 2.5 x 100

  auto bad = dir.write("bad.bdf", "SOL 101\nCEND\nBEGIN BULK\nGRID,1,,0.,0.,x\nENDDATA\n");
  ToolRun refused = run("import " + quoted(bad) + " " + quoted(dir / "bad.mod"));
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.output, bad.string() + ":4: GRID 1: field 5 (X3) 'x' is not a number\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "bad.mod"));
}

}  // namespace
