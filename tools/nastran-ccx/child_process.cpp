#include "child_process.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "failure.h"

namespace nastranccx {
namespace {

// Both ends of a pipe, closed when it goes away.
class Pipe {
 public:
  Pipe() {
    if (::pipe2(ends_, O_CLOEXEC) != 0) throw Failure(std::string("cannot create a pipe: ") + std::strerror(errno));
  }
  ~Pipe() {
    closeRead();
    closeWrite();
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  int readEnd() const { return ends_[0]; }
  int writeEnd() const { return ends_[1]; }
  void closeRead() { closeEnd(0); }
  void closeWrite() { closeEnd(1); }

 private:
  void closeEnd(int end) {
    if (ends_[end] >= 0) ::close(ends_[end]);
    ends_[end] = -1;
  }
  int ends_[2] = {-1, -1};
};

bool isExecutableFile(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0;
}

// In the child between fork and exec only async-signal-safe calls are allowed:
// report a failure as an errno value through the pipe and leave.
[[noreturn]] void childFailed(int reportFd, int error) {
  ssize_t ignored = ::write(reportFd, &error, sizeof error);
  (void)ignored;
  ::_exit(127);
}

}  // namespace

WorkFolder::WorkFolder() {
  std::error_code error;
  std::filesystem::path base = std::filesystem::temp_directory_path(error);
  if (error) base = "/tmp";
  std::string pattern = (base / "nastran-ccx-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr)
    throw Failure("cannot create a work folder in " + base.string() + ": " + std::strerror(errno));
  path_ = pattern;
}

WorkFolder::~WorkFolder() {
  if (keep_) return;
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::optional<std::filesystem::path> findProgram(const std::string& name) {
  if (name.empty()) return std::nullopt;
  if (name.find('/') != std::string::npos) {
    if (isExecutableFile(name)) return std::filesystem::path(name);
    return std::nullopt;
  }
  const char* path = std::getenv("PATH");
  std::stringstream folders(path && *path ? path : "/usr/local/bin:/usr/bin:/bin");
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    std::filesystem::path candidate = std::filesystem::path(folder.empty() ? "." : folder) / name;
    if (isExecutableFile(candidate)) return candidate;
  }
  return std::nullopt;
}

ProcessOutcome runProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                          const std::filesystem::path& workingDirectory, const std::filesystem::path& outputFile) {
  std::vector<std::string> argumentTexts{program.string()};
  argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& text : argumentTexts) argv.push_back(text.data());
  argv.push_back(nullptr);
  std::string directory = workingDirectory.string();
  std::string output = outputFile.string();

  Pipe report;  // carries errno from a child that could not start the program
  pid_t child = ::fork();
  if (child < 0) throw Failure(std::string("cannot start ") + program.string() + ": " + std::strerror(errno));
  if (child == 0) {
    int outputFd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int inputFd = ::open("/dev/null", O_RDONLY);
    if (outputFd < 0 || inputFd < 0) childFailed(report.writeEnd(), errno);
    if (::dup2(inputFd, 0) < 0 || ::dup2(outputFd, 1) < 0 || ::dup2(outputFd, 2) < 0)
      childFailed(report.writeEnd(), errno);
    if (::chdir(directory.c_str()) != 0) childFailed(report.writeEnd(), errno);
    ::execv(argv[0], argv.data());
    childFailed(report.writeEnd(), errno);
  }

  report.closeWrite();
  int childError = 0;
  ssize_t got;
  do got = ::read(report.readEnd(), &childError, sizeof childError);
  while (got < 0 && errno == EINTR);

  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) throw Failure(std::string("lost track of ") + program.string() + ": " + std::strerror(errno));
  }
  if (got == static_cast<ssize_t>(sizeof childError))
    throw Failure("cannot start " + program.string() + ": " + std::strerror(childError));

  ProcessOutcome outcome;
  outcome.exited = WIFEXITED(status);
  outcome.exitCode = outcome.exited ? WEXITSTATUS(status) : 0;
  outcome.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  return outcome;
}

}  // namespace nastranccx
