// The POSIX process layer: posix_spawn into a process group of its own, in the working folder,
// output appended to a file, no descriptor inherited beyond the three standard ones. Waiting
// is a poll on the process (pidfd) and on the interruption together, with the time limit as the
// poll's time-out, so neither a time-out nor an interruption waits for the program. Ending a
// process ends its whole group: SIGTERM (which lets srun cancel its Slurm step), then SIGKILL
// after a grace period. The group leader is reaped only after its group was killed, so the
// group's number cannot have been reused.
//
// When the program itself dies (kill -9 included), a guard process ends the groups it left:
// each launcher forks one at its start, in a session of its own, which holds the reading end
// of a pipe and is told each group as it starts and ends. The pipe's end of file (every writer
// gone: the program has ended, however it ended) makes the guard end the groups still running.
// Unlike a parent-death signal it does not depend on which thread started a step, and it
// reaches a step's grandchildren too. A group's identity (number, start time, boot) is also
// kept in the request's identity file while it runs, for endLeftRunning.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <stdexcept>

#include "support/process.h"
#include "support/text_file.h"

extern char** environ;

namespace support {

struct Interruption::Waitable {
  int fd = -1;
};

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kGraceMilliseconds = 5000;       // between SIGTERM and SIGKILL
constexpr int kPollFallbackMilliseconds = 20;  // only where the kernel has no pidfd

Interruption* signalledInterruption = nullptr;

void onSignal(int) {
  if (signalledInterruption) signalledInterruption->interrupt();
}

// A file descriptor closed when it goes away.
class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() { reset(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

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

// --- process identities ----------------------------------------------------------------------

// What /proc tells of a process: its group and its start time (clock ticks since boot).
struct ProcessStat {
  pid_t group = 0;
  unsigned long long start = 0;
};

std::optional<ProcessStat> readStat(const std::string& pid) {
  std::ifstream file("/proc/" + pid + "/stat");
  std::string text;
  if (!std::getline(file, text)) return std::nullopt;
  std::size_t close = text.rfind(')');
  if (close == std::string::npos) return std::nullopt;
  std::istringstream fields(text.substr(close + 1));
  // After the name: state (3), ppid, pgrp (5), ..., starttime (22).
  std::string field;
  ProcessStat stat;
  for (int number = 3; number <= 22 && fields >> field; ++number) {
    if (number == 3 && field == "Z") return std::nullopt;  // ended, not yet reaped
    if (number == 5) stat.group = static_cast<pid_t>(std::atoll(field.c_str()));
    if (number == 22) stat.start = std::strtoull(field.c_str(), nullptr, 10);
  }
  if (!fields) return std::nullopt;
  return stat;
}

std::string bootId() {
  std::ifstream file("/proc/sys/kernel/random/boot_id");
  std::string id;
  std::getline(file, id);
  return id;
}

void writeIdentity(const fs::path& file, pid_t group) {
  std::optional<ProcessStat> stat = readStat(std::to_string(group));
  // Whole or not at all: a later run may read it at any moment.
  // A file that cannot be written only loses the clean-up by a later run; the step runs on.
  try {
    writeFileAtomically(file, "process-group " + std::to_string(group) + " " + std::to_string(stat ? stat->start : 0) +
                                  " " + bootId() + "\n");
  } catch (const std::exception&) {
  }
}

// --- the guard -------------------------------------------------------------------------------

// Runs in the forked guard: only async-signal-safe calls from here on.
[[noreturn]] void guardMain(int readEnd) {
  ::setsid();  // neither the terminal's Ctrl-C nor a kill of the program's group reaches it
  if (readEnd != 3) {
    ::dup2(readEnd, 3);
    readEnd = 3;
  }
#ifdef SYS_close_range
  if (::syscall(SYS_close_range, 4U, ~0U, 0U) != 0)
#endif
    for (int fd = 4; fd < 65536; ++fd) ::close(fd);
  int null = ::open("/dev/null", O_RDWR);
  for (int fd = 0; fd < 3; ++fd) ::dup2(null, fd);
  if (null > 3) ::close(null);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGINT, &ignore, nullptr);
  ::sigaction(SIGHUP, &ignore, nullptr);
  ::sigaction(SIGPIPE, &ignore, nullptr);
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);

  constexpr int kMaxGroups = 4096;
  static pid_t groups[kMaxGroups];
  int count = 0;
  std::int64_t message = 0;
  std::size_t filled = 0;
  for (;;) {
    ssize_t got = ::read(readEnd, reinterpret_cast<char*>(&message) + filled, sizeof message - filled);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    filled += static_cast<std::size_t>(got);
    if (filled < sizeof message) continue;
    filled = 0;
    if (message > 0 && count < kMaxGroups) {
      groups[count++] = static_cast<pid_t>(message);
    } else if (message < 0) {
      for (int i = 0; i < count; ++i) {
        if (groups[i] == static_cast<pid_t>(-message)) {
          groups[i] = groups[--count];
          break;
        }
      }
    }
  }
  // The program has ended: its groups go the way an ended step goes.
  for (int i = 0; i < count; ++i) ::kill(-groups[i], SIGTERM);
  for (int waited = 0; waited < kGraceMilliseconds; waited += 10) {
    bool any = false;
    for (int i = 0; i < count; ++i) any = any || ::kill(-groups[i], 0) == 0;
    if (!any) break;
    struct timespec pause {0, 10 * 1000 * 1000};
    ::nanosleep(&pause, nullptr);
  }
  for (int i = 0; i < count; ++i) ::kill(-groups[i], SIGKILL);
  ::_exit(0);
}

class Guard {
 public:
  Guard() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return;
    Descriptor readEnd(ends[0]);
    writeEnd_.reset(ends[1]);
    pid_ = ::fork();
    if (pid_ == 0) guardMain(ends[0]);
    if (pid_ < 0) writeEnd_.reset();
  }
  ~Guard() {
    writeEnd_.reset();  // the guard sees the end of its pipe, has nothing to end, and leaves
    if (pid_ > 0) {
      while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
      }
    }
  }
  Guard(const Guard&) = delete;
  Guard& operator=(const Guard&) = delete;

  void started(pid_t group) { tell(group); }
  void ended(pid_t group) { tell(-static_cast<std::int64_t>(group)); }

 private:
  Descriptor writeEnd_;
  pid_t pid_ = -1;

  void tell(std::int64_t message) {
    if (writeEnd_.get() < 0) return;
    // Eight bytes are written whole (below PIPE_BUF), whichever thread writes.
    while (::write(writeEnd_.get(), &message, sizeof message) < 0 && errno == EINTR) {
    }
  }
};

// --- the launcher ----------------------------------------------------------------------------

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
    guard_.started(pid);
    if (!request.identityFile.empty()) writeIdentity(request.identityFile, pid);
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
    guard_.ended(pid);
    if (!request.identityFile.empty()) {
      std::error_code ignored;
      fs::remove(request.identityFile, ignored);
    }
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
  Guard guard_;

  // Starts the process in a group of its own; returns an error text when it cannot.
  static std::string spawn(const ProcessRequest& request, pid_t& pid) {
    if (request.arguments.empty()) return "no program given";
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
    // Another worker's output file or the program's own files stay with the program.
    posix_spawn_file_actions_addclosefrom_np(&setup.actions, 3);
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
  // `stopOnInterruption`, the program is interrupted (false).
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
      pollfd handles[2] = {{processHandle, POLLIN, 0}, {stopOnInterruption ? interruption_.waitable().fd : -1, POLLIN, 0}};
      int ready = ::poll(handles, 2, timeout);
      if (ready < 0 && errno != EINTR) return hasEnded(pid);
      if (processHandle >= 0 && (handles[0].revents & (POLLIN | POLLHUP))) return true;
    }
  }
};

bool isExecutableFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

Interruption::Interruption() : waitable_(std::make_unique<Waitable>()) {
  waitable_->fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

Interruption::~Interruption() {
  if (signalledInterruption == this) signalledInterruption = nullptr;
  if (waitable_->fd >= 0) ::close(waitable_->fd);
}

void Interruption::interrupt() {
  interrupted_.store(true);
  std::uint64_t one = 1;
  ssize_t ignored = ::write(waitable_->fd, &one, sizeof one);
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

bool endLeftRunning(const fs::path& identityFile) {
  std::ifstream in(identityFile);
  if (!in) return false;
  std::string word, boot;
  long long group = 0;
  unsigned long long start = 0;
  bool read = static_cast<bool>(in >> word >> group >> start >> boot) && word == "process-group" && group > 1;
  in.close();
  std::error_code ignored;
  fs::remove(identityFile, ignored);
  if (!read || boot != bootId()) return false;
  auto leader = readStat(std::to_string(group));
  if (leader && leader->start != start) return false;  // the number was given again: ours are gone
  if (leader) return ::kill(static_cast<pid_t>(-group), SIGKILL) == 0;
  // The leader has gone; while any member of its group lives the number stays that group's.
  bool ended = false;
  for (const fs::directory_entry& entry : fs::directory_iterator("/proc", ignored)) {
    std::string name = entry.path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    auto stat = readStat(name);
    if (stat && stat->group == group && stat->start >= start) {
      ended = ::kill(static_cast<pid_t>(std::atoll(name.c_str())), SIGKILL) == 0 || ended;
    }
  }
  return ended;
}

fs::path ownFolder() {
  std::error_code error;
  fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (error) return fs::current_path();
  return self.parent_path();
}

bool isExecutable(const fs::path& path) { return isExecutableFile(path); }

std::optional<fs::path> executableAt(const fs::path& path) {
  if (isExecutableFile(path)) return path;
  return std::nullopt;
}

std::optional<fs::path> findInPath(const std::string& name) {
  if (name.empty()) return std::nullopt;
  const char* path = std::getenv("PATH");
  std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    fs::path folder = folders.substr(start, end - start);
    if (folder.empty()) folder = ".";
    fs::path candidate = folder / name;
    if (isExecutableFile(candidate)) {
      std::error_code error;
      return fs::absolute(candidate, error);
    }
    start = end + 1;
  }
  return std::nullopt;
}

bool namesFolder(std::string_view name) { return name.find('/') != std::string_view::npos; }

std::string localPathText(std::string_view written, bool program) {
  std::string text(written);
  std::replace(text.begin(), text.end(), '\\', '/');
  if (program && text.size() > 4) {
    std::string extension = text.substr(text.size() - 4);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == ".exe") text.resize(text.size() - 4);
  }
  return text;
}

std::vector<std::string> environmentWithPathFirst(const fs::path& folder) {
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

std::vector<std::string> shellCommand(const std::string& scriptText, const fs::path&) {
  return {"/bin/sh", "-c", scriptText};
}

std::string_view platformName() { return "Linux"; }

}  // namespace support
