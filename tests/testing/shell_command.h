#pragma once
// Running a command line through the shell for a test, its output (standard output and
// standard error when the command sends the latter there) and exit status kept.

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "support/strings.h"

namespace testing_support {

struct CommandResult {
  int status = -1;     // the exit status; 128 + the signal for a command killed by one
  std::string output;  // what the command wrote to its standard output
};

// `text` as one word of a POSIX shell command line, whatever it holds.
inline std::string shellQuoted(const std::string& text) {
  return "'" + support::replaceAll(text, "'", "'\\''") + "'";
}

inline CommandResult runShellCommand(const std::string& command) {
  CommandResult result;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  std::size_t read;
  while ((read = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, read);
  int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

}  // namespace testing_support
