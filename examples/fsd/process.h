#pragma once
// Running another program and waiting for it, as an optimisation tool runs the programs of
// one evaluation: in a given folder, with its exit status back.

#include <filesystem>
#include <string>
#include <vector>

namespace fsd {

// Runs `program` with `arguments` in `folder`; returns its exit status (-1 when it could not
// be started or did not exit normally).
int runProgram(const std::string& program, const std::vector<std::string>& arguments,
               const std::filesystem::path& folder);

// Runs a command line through the shell in `folder`, with `extraPath` in front of PATH.
int runShellCommand(const std::string& commandLine, const std::filesystem::path& folder,
                    const std::filesystem::path& extraPath);

}  // namespace fsd
