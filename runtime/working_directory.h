#pragma once
// The command line and working directory of a run-time program, and the file look-ups made
// in it. The command line is taken whole as the working directory: no quoting is removed.

#include <optional>
#include <string>
#include <string_view>

namespace runtime {

// The command line as the program got it (support/command_line.h): on Windows the raw text
// after the program's name, elsewhere the arguments joined by single blanks.
std::string commandLineOf(int argc, const char* const* argv);

// The whole command line when it is not empty, else the process's current directory
// (without a trailing separator).
std::string workingDirectory(std::string_view commandLine);

// True when `path` names an existing file (not a folder).
bool fileExists(const std::string& path);

// A file named in an exchange file: the working directory joined with the name when that
// file exists, else the name as written when that exists; nullopt when neither does.
std::optional<std::string> findFile(std::string_view workingDirectory, std::string_view name);

}  // namespace runtime
