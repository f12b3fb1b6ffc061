#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace nastranccx {

// A private folder under the system's temporary folder, removed with all its
// contents when the object goes away unless keep() was called.
class WorkFolder {
 public:
  WorkFolder();  // throws Failure
  ~WorkFolder();
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  void keep() { keep_ = true; }

 private:
  std::filesystem::path path_;
  bool keep_ = false;
};

// Looks a program up the way a shell does: a name with a '/' is taken as a path,
// any other name is searched in PATH. Only executable files are found.
std::optional<std::filesystem::path> findProgram(const std::string& name);

struct ProcessOutcome {
  bool exited = false;  // false: ended by a signal
  int exitCode = 0;
  int signal = 0;
};

// Runs a program to its end in `workingDirectory`, with standard input empty and
// standard output and error both written to `outputFile`. Throws Failure when
// the program cannot be started.
ProcessOutcome runProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                          const std::filesystem::path& workingDirectory, const std::filesystem::path& outputFile);

}  // namespace nastranccx
