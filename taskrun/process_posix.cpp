// The POSIX launcher: posix_spawn into a process group of its own, in the working folder,
// output appended to a file. Waiting is a poll on the process (pidfd) and on the interruption
// together, with the time limit as the poll's time-out, so neither a time-out nor an
// interruption waits for the program. Ending a process ends its whole group: SIGTERM (which
// lets srun cancel its Slurm step), then SIGKILL after a grace period. The group leader is
// reaped only after its group was killed, so the group's number cannot have been reused.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "taskrun/process.h"

extern char** environ;

namespace taskrun {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kGraceMilliseconds = 5000;  // between SIGTERM and SIGKILL
constexpr int kPollFallbackMilliseconds = 20;  // only where the kernel has no pidfd

Interruption* signalledInterruption = nullptr;

void onSignal(int) {
  if (signalledInterruption) signalledInterruption->interrupt();
}

// A file descriptor closed when it goes away.
class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// The spawn attributes and file actions, destroyed on every path.
struct SpawnSetup {
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_t actions;
  SpawnSetup() {
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_init(&actions);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;
};

std::vector<char*> pointers(const std::vector<std::string>& texts) {
  std::vector<char*> result;
  result.reserve(texts.size() + 1);
  for (const std::string& text : texts) result.push_back(const_cast<char*>(text.c_str()));
  result.push_back(nullptr);
  return result;
}

// True once the process has ended (it stays a zombie until reaped).
bool hasEnded(pid_t pid) {
  siginfo_t info{};
  return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
}

class PosixLauncher : public ProcessLauncher {
 public:
  explicit PosixLauncher(const Interruption& interruption) : interruption_(interruption) {}

  ProcessOutcome run(const ProcessRequest& request) override {
    ProcessOutcome outcome;
    Clock::time_point start = Clock::now();
    pid_t pid = 0;
    if (std::string error = spawn(request, pid); !error.empty()) {
      outcome.error = error;
      return outcome;
    }
    Descriptor process(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
    std::optional<Clock::time_point> deadline;
    if (request.timeLimitSeconds) {
      deadline = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(*request.timeLimitSeconds));
    }
    outcome.kind = ProcessOutcome::Kind::exited;
    if (!waitForEnd(pid, process.get(), deadline, true)) {
      outcome.kind = interruption_.interrupted() ? ProcessOutcome::Kind::interrupted : ProcessOutcome::Kind::timedOut;
      ::kill(-pid, SIGTERM);
      if (!waitForEnd(pid, process.get(), Clock::now() + std::chrono::milliseconds(kGraceMilliseconds), false)) {
        ::kill(-pid, SIGKILL);
      }
    }
    // Whatever the program left running in its group goes with it; the leader is not yet
    // reaped, so the group still exists under this number.
    ::kill(-pid, SIGKILL);
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED) != 0 && errno == EINTR) {
    }
    outcome.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (outcome.kind == ProcessOutcome::Kind::exited) {
      if (info.si_code == CLD_EXITED) {
        outcome.status = info.si_status;
      } else {
        outcome.kind = ProcessOutcome::Kind::signalled;
        outcome.status = info.si_status;
      }
    }
    return outcome;
  }

 private:
  const Interruption& interruption_;

  // Starts the process in a group of its own; returns an error text when it cannot.
  static std::string spawn(const ProcessRequest& request, pid_t& pid) {
    SpawnSetup setup;
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int signal : {SIGINT, SIGTERM, SIGPIPE, SIGCHLD, SIGHUP, SIGQUIT}) sigaddset(&defaults, signal);
    posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&setup.attributes, 0);
    posix_spawnattr_setsigmask(&setup.attributes, &none);
    posix_spawnattr_setsigdefault(&setup.attributes, &defaults);
    posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
    std::string output = request.outputFile.empty() ? std::string("/dev/null") : request.outputFile.string();
    posix_spawn_file_actions_addopen(&setup.actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&setup.actions, 1, 2);
    std::string folder = request.folder.string();
    if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&setup.actions, folder.c_str());
    std::vector<char*> argv = pointers(request.arguments);
    std::vector<char*> envp = pointers(request.environment);
    int error = ::posix_spawn(&pid, argv[0], &setup.actions, &setup.attributes, argv.data(),
                              request.environment.empty() ? environ : envp.data());
    if (error != 0) return std::strerror(error);
    return {};
  }

  // Waits until the process ends (true), or until the deadline passes or, when
  // `stopOnInterruption`, taskrun is interrupted (false).
  bool waitForEnd(pid_t pid, int processHandle, std::optional<Clock::time_point> deadline, bool stopOnInterruption) const {
    for (;;) {
      if (processHandle < 0 && hasEnded(pid)) return true;
      if (stopOnInterruption && interruption_.interrupted()) return false;
      int timeout = -1;
      if (deadline) {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()).count();
        if (left <= 0) return false;
        timeout = static_cast<int>(std::min<long long>(left, 1 << 30));
      }
      if (processHandle < 0 && (timeout < 0 || timeout > kPollFallbackMilliseconds)) timeout = kPollFallbackMilliseconds;
      pollfd handles[2] = {{processHandle, POLLIN, 0}, {stopOnInterruption ? interruption_.waitHandle() : -1, POLLIN, 0}};
      int ready = ::poll(handles, 2, timeout);
      if (ready < 0 && errno != EINTR) return hasEnded(pid);
      if (processHandle >= 0 && (handles[0].revents & (POLLIN | POLLHUP))) return true;
    }
  }
};

}  // namespace

Interruption::Interruption() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

Interruption::~Interruption() {
  if (signalledInterruption == this) signalledInterruption = nullptr;
  if (fd_ >= 0) ::close(fd_);
}

void Interruption::interrupt() {
  interrupted_.store(true);
  std::uint64_t one = 1;
  ssize_t ignored = ::write(fd_, &one, sizeof one);
  (void)ignored;
}

void interruptOnSignals(Interruption& interruption) {
  signalledInterruption = &interruption;
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

std::unique_ptr<ProcessLauncher> platformLauncher(const Interruption& interruption) {
  return std::make_unique<PosixLauncher>(interruption);
}

std::filesystem::path ownFolder() {
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return std::filesystem::current_path();
  return self.parent_path();
}

std::optional<std::filesystem::path> findInPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    std::filesystem::path folder = folders.substr(start, end - start);
    if (folder.empty()) folder = ".";
    std::filesystem::path candidate = folder / name;
    std::error_code error;
    if (std::filesystem::is_regular_file(candidate, error) && ::access(candidate.c_str(), X_OK) == 0) {
      return std::filesystem::absolute(candidate, error);
    }
    start = end + 1;
  }
  return std::nullopt;
}

std::vector<std::string> environmentWithPathFirst(const std::filesystem::path& folder) {
  std::vector<std::string> environment;
  std::string path = "PATH=" + folder.string();
  bool hadPath = false;
  for (char** entry = environ; *entry; ++entry) {
    std::string text = *entry;
    if (text.rfind("PATH=", 0) == 0) {
      path += ":" + text.substr(5);
      hadPath = true;
    } else {
      environment.push_back(std::move(text));
    }
  }
  if (!hadPath) path += ":/usr/local/bin:/usr/bin:/bin";
  environment.push_back(path);
  return environment;
}

}  // namespace taskrun
