#pragma once
// Whether a process a test started (or had started for it) still runs, read from /proc.

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

namespace testing_support {

// True while `pid` is a live process (a zombie counts as gone).
inline bool processAlive(const std::string& pid) {
  std::ifstream stat("/proc/" + pid + "/stat");
  std::string text;
  if (!std::getline(stat, text)) return false;
  std::size_t close = text.rfind(')');
  return close != std::string::npos && close + 2 < text.size() && text[close + 2] != 'Z';
}

// True once `pid` has ended. A process killed with SIGKILL runs no more code at once, but it
// takes the kernel a moment to show it ended; this waits for that, up to ten seconds.
inline bool processEnds(const std::string& pid) {
  for (int i = 0; i < 1000 && processAlive(pid); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return !processAlive(pid);
}

}  // namespace testing_support
