#pragma once
// A real one-node Slurm cluster in a temporary folder, for one test: a munge key, munged on a
// socket of its own, slurm.conf with ports that are free at the time, slurmctld and slurmd
// in the foreground as children of the test (linuxproc process tracking and no task plugin,
// so no cgroups are needed). Everything is stopped when the object goes away, and the
// daemons are told to end should the test process die first.

#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/text_file.h"
#include "testing/shell_command.h"

namespace taskrun_e2e {

class SlurmCluster {
 public:
  explicit SlurmCluster(const std::filesystem::path& folder) : folder_(folder) {
    try {
      startAll();
    } catch (...) {
      stopAll();
      throw;
    }
  }

  ~SlurmCluster() { stopAll(); }
  SlurmCluster(const SlurmCluster&) = delete;
  SlurmCluster& operator=(const SlurmCluster&) = delete;

  std::string conf() const { return (folder_ / "slurm.conf").string(); }

 private:
  struct Daemon {
    pid_t pid;
    std::string name;
    bool ended = false;  // reaped already
  };
  std::filesystem::path folder_;
  std::vector<Daemon> daemons_;

  void startAll() {
    namespace fs = std::filesystem;
    for (const char* sub : {"state", "spool", "log"}) fs::create_directories(folder_ / sub);
    fs::permissions(folder_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    run({"mungekey", "--create", "--keyfile=" + (folder_ / "munge.key").string()});
    start({"munged", "--foreground", "--force", "--key-file=" + (folder_ / "munge.key").string(),
           "--socket=" + socket(), "--pid-file=" + (folder_ / "munged.pid").string(),
           "--log-file=" + (folder_ / "log/munged.log").string(), "--seed-file=" + (folder_ / "munged.seed").string()},
          "munged");
    waitFor([&] { return fs::exists(socket()); }, "munged to open its socket");
    writeConfiguration();
    setenv("SLURM_CONF", conf().c_str(), 1);
    start({"slurmctld", "-D", "-i", "-f", conf()}, "slurmctld");
    start({"slurmd", "-D", "-N", "taskrun-node", "-f", conf()}, "slurmd");
    waitFor([&] { return output("sinfo -h -o %T") == "idle\n"; }, "the node to become idle (sinfo)");
  }

  // The node first, the controller next, munge last; SIGKILL whatever outlives its grace.
  void stopAll() {
    for (auto daemon = daemons_.rbegin(); daemon != daemons_.rend(); ++daemon) stop(*daemon);
    daemons_.clear();
    unsetenv("SLURM_CONF");
  }

  std::string socket() const { return (folder_ / "munge.socket").string(); }

  static int freePort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      if (fd >= 0) ::close(fd);
      throw std::runtime_error("no free port");
    }
    ::close(fd);
    return ntohs(address.sin_port);
  }

  static std::string hostName() {
    char name[256] = {};
    ::gethostname(name, sizeof name - 1);
    std::string host = name;
    return host.substr(0, host.find('.'));
  }

  void writeConfiguration() const {
    std::string f = folder_.string();
    std::string host = hostName();
    int controllerPort = freePort(), nodePort = freePort();
    while (nodePort == controllerPort) nodePort = freePort();
    unsigned cpus = std::max(1u, std::thread::hardware_concurrency());
    support::writeFileAtomically(
        folder_ / "slurm.conf",
        "ClusterName=taskrun\nSlurmctldHost=" + host + "(127.0.0.1)\nSlurmctldPort=" + std::to_string(controllerPort) +
            "\nSlurmdPort=" + std::to_string(nodePort) + "\nAuthType=auth/munge\nCredType=cred/munge\nAuthInfo=socket=" +
            socket() + "\nSlurmUser=root\nSlurmdUser=root\nStateSaveLocation=" + f + "/state\nSlurmdSpoolDir=" + f +
            "/spool\nSlurmctldPidFile=" + f + "/slurmctld.pid\nSlurmdPidFile=" + f + "/slurmd.pid\nSlurmctldLogFile=" + f +
            "/log/slurmctld.log\nSlurmdLogFile=" + f + "/log/slurmd.log\nProctrackType=proctrack/linuxproc\n"
            "TaskPlugin=task/none\nJobAcctGatherType=jobacct_gather/none\nAccountingStorageType=accounting_storage/none\n"
            "JobCompType=jobcomp/none\nSchedulerType=sched/builtin\nSelectType=select/cons_tres\n"
            "SelectTypeParameters=CR_Core\nMpiDefault=none\nMailProg=/bin/true\nReturnToService=2\n"
            "NodeName=taskrun-node NodeHostname=" + host + " NodeAddr=127.0.0.1 CPUs=" + std::to_string(cpus) +
            " State=UNKNOWN\nPartitionName=taskrun Nodes=ALL Default=YES MaxTime=INFINITE State=UP\n");
  }

  // Runs a command to its end; throws when it fails.
  void run(const std::vector<std::string>& command) const {
    std::string line;
    for (const std::string& word : command) line += testing_support::shellQuoted(word) + " ";
    if (std::system((line + ">/dev/null 2>&1").c_str()) != 0) throw std::runtime_error("failed: " + line);
  }

  static std::string output(const std::string& command) {
    return testing_support::runShellCommand(command + " 2>/dev/null").output;
  }

  // Starts a daemon in the foreground, its output in the log folder; it gets SIGTERM should
  // the test process die before stopping it.
  void start(const std::vector<std::string>& command, const std::string& name) {
    std::string log = (folder_ / "log" / (name + ".out")).string();
    std::vector<char*> argv;
    for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    pid_t parent = ::getpid();
    pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("cannot start " + name);
    if (pid == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGTERM);
      if (::getppid() != parent) ::_exit(1);
      FILE* out = std::freopen(log.c_str(), "w", stdout);
      if (out) ::dup2(::fileno(stdout), 2);
      ::execvp(argv[0], argv.data());
      ::_exit(127);
    }
    daemons_.push_back({pid, name});
  }

  static void stop(const Daemon& daemon) {
    if (daemon.ended) return;
    ::kill(daemon.pid, SIGTERM);
    for (int i = 0; i < 1000; ++i) {
      if (::waitpid(daemon.pid, nullptr, WNOHANG) == daemon.pid) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(daemon.pid, SIGKILL);
    ::waitpid(daemon.pid, nullptr, 0);
  }

  // Polls `ready` up to a minute; throws naming what did not happen.
  template <class Ready>
  void waitFor(Ready&& ready, const std::string& what) {
    for (int i = 0; i < 600; ++i) {
      if (ready()) return;
      for (Daemon& daemon : daemons_) {
        if (!daemon.ended && ::waitpid(daemon.pid, nullptr, WNOHANG) == daemon.pid) {
          daemon.ended = true;
          throw std::runtime_error(daemon.name + " ended while waiting for " + what + ": " + logOf(daemon.name));
        }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::string logs;
    for (const Daemon& daemon : daemons_) logs += "\n" + daemon.name + ": " + logOf(daemon.name);
    throw std::runtime_error("gave up waiting for " + what + logs);
  }

  std::string logOf(const std::string& name) const {
    std::string text;
    for (const std::string& file : {name + ".out", name + ".log"}) {
      try {
        text += support::readWholeFile(folder_ / "log" / file);
      } catch (const std::exception&) {
      }
    }
    return text.size() > 4000 ? text.substr(text.size() - 4000) : text;
  }
};

}  // namespace taskrun_e2e
