#pragma once
// Running a run-time program as a real process in a temporary working folder, and reading
// back what it left there: its log, its files, the saved model, FEMAP's messages.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "femapsim/model_file.h"
#include "support/strings.h"
#include "support/text_file.h"
#include "testing/shell_command.h"
#include "testing/temp_dir.h"
#include "testing/update_expected.h"

namespace runtime_e2e {

// Standard output and standard error of the program, and its exit status.
using ProgramRun = testing_support::CommandResult;
using testing_support::shellQuoted;

// Runs `program` in `folder` with `arguments` (given to the shell as they stand) and the
// environment variables `environment`; FEMAPSIM_* variables of the test's own environment
// are not passed on.
inline ProgramRun runProgram(const std::string& program, const std::filesystem::path& folder,
                             const std::string& arguments = "",
                             const std::map<std::string, std::string>& environment = {}) {
  std::string command =
      "cd " + shellQuoted(folder.string()) +
      " && env -u FEMAPSIM_ATTACH -u FEMAPSIM_OPEN -u FEMAPSIM_MESSAGES -u FEMAPSIM_UNAVAILABLE";
  for (const auto& [name, value] : environment) command += " " + name + "=" + shellQuoted(value);
  command += " " + shellQuoted(program) + (arguments.empty() ? "" : " " + arguments) + " 2>&1";
  return testing_support::runShellCommand(command);
}

// The lines of a CR LF file, without their line ends. A line not ended by CR LF is a fault.
inline std::vector<std::string> crlfLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    EXPECT_NE(end, std::string::npos) << "line without CR LF: " << text.substr(start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// Text lines joined by CR LF, each ended by one.
inline std::string crlf(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

inline bool contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

inline std::size_t countOf(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
}

// Compares a log line by line with a stored expected log in which "{DIR}" stands for the
// working folder. With CORVANE_UPDATE_EXPECTED=1 in the environment the stored log is
// rewritten from `log` instead (scripts/refresh-expected).
inline void expectLogAsStored(const std::vector<std::string>& log, const std::string& expectedName,
                              const std::filesystem::path& folder) {
  const std::filesystem::path storedPath =
      testing_support::sourceDir() / "tests/e2e/runtime/expected" / expectedName;
  if (testing_support::updatingExpected()) {
    std::ofstream file(storedPath, std::ios::binary | std::ios::trunc);
    for (const std::string& line : log) {
      file << support::replaceAll(line, folder.string(), "{DIR}") << "\n";
    }
    return;
  }
  std::string stored = support::readWholeFile(storedPath);
  std::vector<std::string> expected;
  std::istringstream lines(stored);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    expected.push_back(support::replaceAll(line, "{DIR}", folder.string()));
  }
  for (std::size_t i = 0; i < std::max(log.size(), expected.size()); ++i) {
    ASSERT_LT(i, log.size()) << "log ends before expected line " << i + 1 << ": " << expected[i];
    ASSERT_LT(i, expected.size()) << "log goes on after the expected end, line " << i + 1 << ": "
                                  << log[i];
    EXPECT_EQ(log[i], expected[i]) << "log line " << i + 1;
  }
}

// A working folder with a copy of the plate example.
class WorkFolder {
 public:
  WorkFolder() {
    std::filesystem::copy_file(testing_support::sourceDir() / "examples/plate/plate.mod",
                               dir_ / "plate.mod");
  }
  const std::filesystem::path& path() const { return dir_.path(); }
  std::string pathText() const { return dir_.path().string(); }
  std::filesystem::path operator/(const std::string& name) const { return dir_ / name; }
  void write(const std::string& name, const std::vector<std::string>& lines) const {
    dir_.write(name, crlf(lines));
  }
  void writeText(const std::string& name, const std::string& content) const {
    dir_.write(name, content);
  }
  std::string read(const std::string& name) const { return dir_.read(name); }
  bool exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }
  std::vector<std::string> lines(const std::string& name) const { return crlfLines(read(name)); }
  femapsim::Model model(const std::string& name = "plate.mod") const {
    return femapsim::loadModelFile(dir_ / name);
  }

 private:
  testing_support::ScopedTempDir dir_;
};

}  // namespace runtime_e2e
