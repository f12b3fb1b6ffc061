#pragma once
// The solver step's "Script" (a DOS batch) carried out where there is no cmd.exe: taskrun does
// the "del" lines itself (a file that is not there is no error) and the "copy" lines (a missing
// source fails the step); runs of other lines go to /bin/sh together, which, like a batch,
// goes on past a failing line and ends with the status of the last one.

#include <cstddef>
#include <string>
#include <vector>

#include "taskrun/task.h"

namespace taskrun {

struct ScriptAction {
  enum class Kind { remove, copy, shell };
  Kind kind = Kind::shell;
  std::vector<std::string> paths;  // remove: the files; copy: source, then destination (may be ".")
  std::string shellText;           // shell: the lines, one a line
  std::size_t line = 0;
};

std::vector<ScriptAction> scriptActions(const std::vector<ScriptLine>& script);

// A batch file's words: blank-separated, double quotes hold blanks and are removed.
std::vector<std::string> batchWords(const std::string& line);

}  // namespace taskrun
