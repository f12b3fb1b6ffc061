#pragma once
// What the COM tests share: the registered stand-in server, processes started and awaited
// with a time limit, Windows paths of the checkout's files, and ending running servers.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include "femap/object.h"

namespace com_testing {

// The built femapsim-server.exe beside the tests.
std::filesystem::path serverProgram();

// Runs `commandLine` (program and arguments, quoted as Windows wants) and waits for it; the
// exit status, or nothing when it did not end within `limit` (it is then killed).
std::optional<unsigned long> runProcess(const std::wstring& commandLine, std::chrono::milliseconds limit,
                                        const std::filesystem::path& workingFolder = {});

// A running process, killed when the object goes unless it ended.
class Process {
 public:
  // Starts in `workingFolder`, or in the test's own folder when it is empty.
  explicit Process(const std::wstring& commandLine, const std::filesystem::path& workingFolder = {});
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process();
  // The exit status once the process ended within `limit`.
  std::optional<unsigned long> wait(std::chrono::milliseconds limit);

 private:
  void* process_ = nullptr;
};

// Registers the server for this user (femapsim-server /regserver with a short idle time).
void registerServer();
void unregisterServer();

// A file of the checkout as a full Windows path (what a server in another process can open).
std::string sourceFile(const std::string& relative);

// Attaches to "femap.model" within `limit`, or returns an empty object.
femap::Object attachWithin(std::chrono::milliseconds limit);

// Asks every running "femap.model" to end and waits until attaching finds none.
void endRunningServers();

// Asks the server behind `application` to end (SimQuit); a server already gone is fine.
void quit(const femap::Object& application);

// Asks the running "femap.model" started as `server` to end, again and again (on a busy machine
// an attach can miss it, and a server asked once would then stay for its idle time), until the
// process has ended or `limit` has passed; whether it ended.
bool quitAndWait(Process& server, std::chrono::milliseconds limit);

}  // namespace com_testing
