#pragma once
// Starting the programs of an evaluation and waiting for them, behind one interface so that
// each platform has its own implementation (POSIX here: process_posix.cpp; a Windows one
// would use CreateProcess with a job object). A process runs in a given folder with its
// output going to a file; past its time limit, or when the engineer interrupts taskrun, it is
// killed together with every process it started.

#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace taskrun {

// The engineer's Ctrl-C or SIGTERM: raised once from a signal handler, seen by every waiting
// process launch at once.
class Interruption {
 public:
  Interruption();
  ~Interruption();
  Interruption(const Interruption&) = delete;
  Interruption& operator=(const Interruption&) = delete;

  void interrupt();  // safe inside a signal handler
  bool interrupted() const { return interrupted_.load(); }
  int waitHandle() const { return fd_; }  // readable once interrupted

 private:
  std::atomic<bool> interrupted_{false};
  int fd_ = -1;
};

// Makes SIGINT and SIGTERM interrupt `interruption` for the rest of the process's life.
void interruptOnSignals(Interruption& interruption);

struct ProcessRequest {
  std::vector<std::string> arguments;  // arguments[0]: the program's path
  std::filesystem::path folder;        // the working folder
  std::optional<double> timeLimitSeconds;
  std::vector<std::string> environment;  // "NAME=value" entries; empty: taskrun's own
  std::filesystem::path outputFile;      // standard output and error are appended to it
};

struct ProcessOutcome {
  enum class Kind { exited, signalled, timedOut, interrupted, notStarted };
  Kind kind = Kind::notStarted;
  int status = 0;     // exited: the exit status; signalled: the signal
  std::string error;  // notStarted: why
  double seconds = 0;
};

class ProcessLauncher {
 public:
  virtual ~ProcessLauncher() = default;
  // Runs the request to its end; safe to call from several threads at once.
  virtual ProcessOutcome run(const ProcessRequest& request) = 0;
};

// The platform's launcher; processes are killed when `interruption` is raised.
std::unique_ptr<ProcessLauncher> platformLauncher(const Interruption& interruption);

// The folder of the running taskrun program.
std::filesystem::path ownFolder();

// An executable found by name in the folders of PATH; nullopt when none.
std::optional<std::filesystem::path> findInPath(const std::string& name);

// The current environment with `folder` put in front of PATH.
std::vector<std::string> environmentWithPathFirst(const std::filesystem::path& folder);

}  // namespace taskrun
