#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "resultfiles/op2_tables.h"

namespace nastranccx::testing {

// What one run of the nastran-ccx program left behind.
struct ToolRun {
  int exitCode = -1;
  std::string standardError;
};

// One output vector of a results file.
struct ResultVector {
  std::string title;
  std::vector<int> entities;
  std::vector<double> values;

  double at(int entity) const;  // fails the test when the entity is missing
};

// The one output set of a results file (OUTPUT2, or neutral for a .fno) as FEMAP reads it.
struct ResultsFile {
  std::string setTitle;
  std::map<int, ResultVector> vectors;  // by vector ID
};

// The path of the real ccx, as nastran-ccx would find it, or nullopt.
std::optional<std::filesystem::path> findCcx();

// A fixture with a private temporary folder that the program runs in.
class NastranCcxTest : public ::testing::Test {
 protected:
  NastranCcxTest();
  ~NastranCcxTest() override;

  const std::filesystem::path& folder() const { return folder_; }
  std::filesystem::path writeFile(const std::string& name, const std::string& text) const;
  std::string readFile(const std::string& name) const;
  bool exists(const std::string& name) const { return std::filesystem::exists(folder_ / name); }

  // Runs nastran-ccx with these arguments in the folder; `environment` entries
  // are set (or, with an empty value, removed) for the child only. The results
  // carry the date 2026-01-02 unless NASTRAN_CCX_DATE is given.
  ToolRun run(const std::vector<std::string>& arguments,
              const std::map<std::string, std::string>& environment = {}) const;

  // Reads a results file, failing the test for anything outside its format.
  ResultsFile readResults(const std::string& name) const;

  // The static subcases of the OUTPUT2 file NAME, in the file's order.
  std::vector<resultfiles::SubcaseResults> readSubcases(const std::string& name) const;

  // Writes `bulk` as NAME.dat, a static deck of one subcase, solves it and gives that subcase
  // as NAME.op2 holds it; fails the test (and gives no results) unless it solves.
  resultfiles::SubcaseResults solveDeck(const std::string& name, const std::string& bulk) const;

  // A stand-in for ccx: a shell script with this body, made executable.
  std::filesystem::path writeFakeCcx(const std::string& body) const;

 private:
  std::filesystem::path folder_;
};

// Skips the current test unless a real ccx is installed.
#define REQUIRE_CCX()                                                      \
  do {                                                                     \
    if (!::nastranccx::testing::findCcx())                                 \
      GTEST_SKIP() << "CalculiX (ccx) is not installed; install calculix-ccx"; \
  } while (false)

}  // namespace nastranccx::testing
