#pragma once
// Whether a process a test started (or had started for it) still runs: read from /proc, or on
// Windows asked of the process itself.

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#endif

namespace testing_support {

// True while `pid` is a live process (a zombie counts as gone).
inline bool processAlive(const std::string& pid) {
#ifdef _WIN32
  HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(std::stoul(pid)));
  if (!process) return false;
  bool running = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  ::CloseHandle(process);
  return running;
#else
  std::ifstream stat("/proc/" + pid + "/stat");
  std::string text;
  if (!std::getline(stat, text)) return false;
  std::size_t close = text.rfind(')');
  return close != std::string::npos && close + 2 < text.size() && text[close + 2] != 'Z';
#endif
}

// True once `pid` has ended. A process killed with SIGKILL runs no more code at once, but it
// takes the kernel a moment to show it ended; this waits for that, up to ten seconds.
inline bool processEnds(const std::string& pid) {
  for (int i = 0; i < 1000 && processAlive(pid); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return !processAlive(pid);
}

}  // namespace testing_support
