#pragma once
// The solver step's "Script" (a DOS batch) carried out where there is no cmd.exe: taskrun does
// the "del" lines itself (a file that is not there is no error) and the "copy" lines (a missing
// source fails the step); runs of other lines go to /bin/sh together, which, like a batch,
// goes on past a failing line and ends with the status of the last one.
//
// A word of a "del" or "copy" line that begins with "/" is a switch only when it is one of the
// command's own (del: /P /F /S /Q /A[:attributes]; copy: /A /B /V /N /Y /-Y /Z /L /D), which
// taskrun ignores; any other such word is a path (on Linux "/abs/path"), held to the
// evaluation folder like every path of these lines (see pathInFolder).

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "taskrun/task.h"

namespace taskrun {

struct ScriptAction {
  enum class Kind { remove, copy, shell };
  Kind kind = Kind::shell;
  std::vector<std::string> paths;  // remove: the files; copy: source, then destination (may be ".")
  std::string shellText;           // shell: the lines, one a line
  std::size_t line = 0;            // in the description file (the first line of a shell run)
  std::string text;                // remove, copy: the line as written
};

std::vector<ScriptAction> scriptActions(const std::vector<ScriptLine>& script);

// A batch file's words: blank-separated, double quotes hold blanks and are removed.
std::vector<std::string> batchWords(const std::string& line);

// How a "del" or "copy" line uses a path.
enum class PathUse {
  remove,  // del: the files go
  write,   // copy's destination (a file, or a folder to copy into)
  read,    // copy's source: may also be an absolute path of this system (a solver's installation)
};

// Where `written` (a path of a del or copy line, "" already turned to "/" off Windows) leads
// from the evaluation folder `folder`; `problem` says why it may not be used: what is removed
// or written stays inside the folder, lexically ("..", a rooted path, a drive) and through
// symbolic links. A relative source must stay inside too; an absolute one is only read.
struct ScriptPath {
  std::filesystem::path path;
  std::string problem;  // empty: fine
};
ScriptPath pathInFolder(const std::filesystem::path& folder, const std::string& written, PathUse use);

}  // namespace taskrun
