#pragma once
// Starting programs and waiting for them, the one process layer of taskrun and nastran-ccx.
// Each platform has its own file behind this header, chosen by the build: process_posix.cpp
// (a process group a step, posix_spawn, pidfd) and process_win32.cpp (CreateProcess inside a
// job object). A process runs in a given folder with its output going to a file; past its time
// limit, or when the engineer interrupts the program, it is ended together with every process
// it started, and so is whatever it leaves running when it ends. When the program that started
// it ends, however it ends (killed too), the processes it started end with it.

#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace support {

// The engineer's interruption (Ctrl-C, Ctrl-Break, SIGTERM): raised once, seen at once by every
// wait on a process.
class Interruption {
 public:
  Interruption();
  ~Interruption();
  Interruption(const Interruption&) = delete;
  Interruption& operator=(const Interruption&) = delete;

  void interrupt();  // safe inside a signal handler or a console control handler
  bool interrupted() const { return interrupted_.load(); }

  struct Waitable;  // what the platform's wait includes: an eventfd, an event object
  const Waitable& waitable() const { return *waitable_; }

 private:
  std::atomic<bool> interrupted_{false};
  std::unique_ptr<Waitable> waitable_;
};

// Makes the engineer's interruption raise `interruption` for the rest of the program's life:
// SIGINT and SIGTERM; on Windows Ctrl-C, Ctrl-Break and the closing of the console.
void interruptOnSignals(Interruption& interruption);

struct ProcessRequest {
  std::vector<std::string> arguments;  // arguments[0]: the program's path
  std::filesystem::path folder;        // the working folder
  std::optional<double> timeLimitSeconds;
  std::vector<std::string> environment;  // "NAME=value" entries; empty: the program's own
  std::filesystem::path outputFile;      // standard output and error are appended to it
  // When given, the running process's identity is kept in this file until it has ended, so that
  // a later run can end what an earlier one left running (endLeftRunning).
  std::filesystem::path identityFile = {};
  // Windows: the arguments after the program go on its command line as they stand, not quoted
  // (for programs that take the rest of their command line as one text, blanks and all).
  // Elsewhere arguments are separate anyway.
  bool verbatimArguments = false;
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

// The platform's launcher; its processes are ended when `interruption` is raised, and when the
// program that made it ends.
std::unique_ptr<ProcessLauncher> platformLauncher(const Interruption& interruption);

// Ends the processes that an identity file names when they still run (an earlier run of the
// program was killed before it could end them), and removes the file. True when something was
// ended. A process that merely has the same number is never touched.
bool endLeftRunning(const std::filesystem::path& identityFile);

// The folder of the running program.
std::filesystem::path ownFolder();

// True for a file this platform can run (POSIX: executable; Windows: an extension of PATHEXT).
bool isExecutable(const std::filesystem::path& path);

// `path` when it is executable, else (Windows) the first of path + each PATHEXT extension that
// is; nullopt when none.
std::optional<std::filesystem::path> executableAt(const std::filesystem::path& path);

// An executable found by name in the folders of the search path (PATH; Windows: Path, with the
// extensions of PATHEXT); nullopt when none.
std::optional<std::filesystem::path> findInPath(const std::string& name);

// True when a program name holds a folder part, so it is a path rather than a name to look up
// (POSIX: a "/"; Windows: "/", "\" or a drive).
bool namesFolder(std::string_view name);

// A path as the task wrote it (on Windows, in a Windows world) made into this platform's form:
// POSIX turns "\" into "/" and drops a trailing ".exe" from a program (`program`); Windows keeps it.
std::string localPathText(std::string_view written, bool program = false);

// The current environment with `folder` put in front of the search path.
std::vector<std::string> environmentWithPathFirst(const std::filesystem::path& folder);

// The arguments that run `scriptText` (lines of a batch) as this platform runs a script in
// `folder`: /bin/sh -c; on Windows cmd.exe with the lines as a batch file written into `folder`.
// Throws std::runtime_error when the batch file cannot be written.
std::vector<std::string> shellCommand(const std::string& scriptText, const std::filesystem::path& folder);

// The platform's name for messages ("Linux", "Windows").
std::string_view platformName();

}  // namespace support
