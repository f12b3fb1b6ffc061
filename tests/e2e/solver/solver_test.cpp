// One design iteration through the solver step on each kind of model: Modprep writes the
// deck, nastran-ccx solves it and writes the results file, Respull reads it. The values are
// held to stored ones made by the same programs when nastran-ccx wrote the simulator's own
// text grammar: results files carry single-precision reals, so a value may differ from the
// stored one by the last bits of a float (about 1 in 10^7), never more. Values whose meaning
// the genuine tables changed (plate stresses at a fibre instead of through the thickness,
// solid stresses at the centre instead of averaged over the integration points) are stored
// as the genuine path gives them, below a comment line in the expected file.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "support/text_file.h"
#include "testing/temp_dir.h"

namespace {

using testing_support::ScopedTempDir;
using testing_support::sourceDir;

constexpr double kSinglePrecision = 2e-7;  // relative: one float's rounding and a little

std::string quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

int shell(const std::string& command) {
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Value {
  std::string name;
  double value = 0;
};

std::vector<Value> values(const std::string& text) {
  std::vector<Value> result;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    Value value;
    fields >> value.name >> value.value;
    EXPECT_FALSE(fields.fail()) << "not a name and a value: " << line;
    result.push_back(value);
  }
  return result;
}

// Copies the model and the case's exchange files into `dir`, runs the three programs there
// and answers "OutputValues.txt".
std::string runIteration(const ScopedTempDir& dir, const std::filesystem::path& model, const std::string& caseName,
                         const std::string& deck) {
  std::filesystem::copy_file(model, dir / model.filename().string());
  for (const char* file :
       {"Modprep.txt", "InputValues.txt", "FunctionsInputvalues.txt", "Respull.txt"})
    std::filesystem::copy_file(sourceDir() / "tests/e2e/solver" / caseName / file, dir / file);
  std::string inFolder = "cd " + quoted(dir.path()) + " && ";
  std::string programs = quoted(PROGRAMS_DIR);
  EXPECT_EQ(shell(inFolder + programs + "/Modprep " + quoted(dir.path()) + " > modprep.out 2>&1"), 0)
      << dir.read("modprep.out");
  EXPECT_EQ(shell(inFolder + programs + "/nastran-ccx nastran.ini " + deck + " notify=no > solve.out 2>&1"), 0)
      << dir.read("solve.out");
  EXPECT_EQ(shell(inFolder + programs + "/Respull " + quoted(dir.path()) + " > respull.out 2>&1"), 0)
      << dir.read("outputExeLogs.log");
  return dir.read("OutputValues.txt");
}

std::string stored(const std::string& name) {
  return support::readWholeFile(sourceDir() / "tests/e2e/solver/expected" / name);
}

void expectValues(const std::string& outputValues, const std::string& expectedName) {
  std::vector<Value> got = values(outputValues);
  std::vector<Value> expected = values(stored(expectedName));
  ASSERT_EQ(got.size(), expected.size()) << outputValues;
  for (std::size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].name, expected[i].name);
    EXPECT_NEAR(got[i].value, expected[i].value, kSinglePrecision * std::abs(expected[i].value))
        << got[i].name << " in " << expectedName;
  }
}

TEST(SolverStep, TrussThroughOutput2) {
  ScopedTempDir dir;
  expectValues(runIteration(dir, sourceDir() / "examples/truss/truss.mod", "truss", "truss.dat"), "truss.values");
}

// The NXNastran road (a .dat deck, OUTPUT2 results) and the NENastran road (a .nas deck, FEMAP
// neutral results read by feFileReadNeutral) carry the same single-precision values, so
// Respull writes the same output either way.
TEST(SolverStep, PlateThroughOutput2AndNeutralResults) {
  ScopedTempDir nx, ne;
  std::string throughOutput2 = runIteration(nx, sourceDir() / "examples/plate/plate.mod", "plate_nx", "plate.dat");
  std::string throughNeutral = runIteration(ne, sourceDir() / "examples/plate/plate.mod", "plate_ne", "plate.nas");
  expectValues(throughOutput2, "plate.values");
  EXPECT_TRUE(std::filesystem::exists(ne / "plate.fno"));
  EXPECT_FALSE(std::filesystem::exists(ne / "plate.op2"));
  EXPECT_EQ(throughNeutral, throughOutput2);
}

TEST(SolverStep, SolidBlockThroughOutput2) {
  ScopedTempDir dir;
  expectValues(runIteration(dir, sourceDir() / "tests/e2e/solver/models/block.mod", "block", "block.bdf"),
               "block.values");
}

}  // namespace
