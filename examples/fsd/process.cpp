#include "fsd/process.h"

#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fsd {
namespace {

// posix_spawn has no working-folder attribute everywhere; the child changes folder in a small
// shell step instead, which keeps the parent's own folder untouched.
int spawnAndWait(const std::vector<std::string>& argv, const std::vector<std::string>& environment) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  std::vector<char*> env;
  for (const std::string& entry : environment) env.push_back(const_cast<char*>(entry.c_str()));
  env.push_back(nullptr);
  pid_t pid;
  if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), env.data()) != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> currentEnvironment() {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry; ++entry) environment.emplace_back(*entry);
  return environment;
}

}  // namespace

int runProgram(const std::string& program, const std::vector<std::string>& arguments,
               const std::filesystem::path& folder) {
  // sh -c 'cd "$0" && exec "$@"' folder program arguments...
  std::vector<std::string> argv{"/bin/sh", "-c", "cd \"$0\" && exec \"$@\"", folder.string(), program};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return spawnAndWait(argv, currentEnvironment());
}

int runShellCommand(const std::string& commandLine, const std::filesystem::path& folder,
                    const std::filesystem::path& extraPath) {
  std::vector<std::string> environment;
  std::string path = extraPath.string();
  for (std::string& entry : currentEnvironment()) {
    if (entry.rfind("PATH=", 0) == 0) {
      path += ":" + entry.substr(5);
    } else {
      environment.push_back(std::move(entry));
    }
  }
  environment.push_back("PATH=" + path);
  std::vector<std::string> argv{"/bin/sh", "-c", "cd \"$0\" && " + commandLine, folder.string()};
  return spawnAndWait(argv, environment);
}

}  // namespace fsd
