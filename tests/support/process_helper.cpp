// A tiny program the process layer's tests start: it carries out its arguments in order.
//   cwd               prints the working folder
//   print TEXT        prints TEXT on standard output; error TEXT: on standard error
//   env NAME          prints "[value]" of the variable NAME ("[]" when unset)
//   spawn FILE        starts a copy of itself that waits forever, and writes its process
//                     number to FILE (written whole: a reader finds all of it or nothing)
//   touch FILE        creates FILE
//   wait              waits forever
//   exit N            ends with exit status N
// An argument that names an existing folder is passed over (the folder taskrun gives a FEMAP
// step), so the helper can stand in for a program of a task too.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <spawn.h>
#include <unistd.h>
extern char** environ;
#endif

namespace {

[[noreturn]] void waitForever() {
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

// Starts `self wait` on its own (no handle or descriptor of ours kept) and returns its number.
unsigned long spawnWaiter(const std::string& self) {
#ifdef _WIN32
  std::wstring line = L"\"" + std::filesystem::path(self).wstring() + L"\" wait";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &process)) {
    std::exit(90);
  }
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return process.dwProcessId;
#else
  pid_t pid = 0;
  char* argv[] = {const_cast<char*>(self.c_str()), const_cast<char*>("wait"), nullptr};
  if (::posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv, environ) != 0) std::exit(90);
  return static_cast<unsigned long>(pid);
#endif
}

}  // namespace

int main(int argc, char** argv) {
  std::string self = argv[0];
#ifdef _WIN32
  wchar_t path[MAX_PATH];
  self = std::filesystem::path(std::wstring(path, ::GetModuleFileNameW(nullptr, path, MAX_PATH))).string();
#else
  self = std::filesystem::read_symlink("/proc/self/exe").string();
#endif
  for (int i = 1; i < argc; ++i) {
    std::string command = argv[i];
    std::string argument = i + 1 < argc ? argv[i + 1] : "";
    std::error_code error;
    if (std::filesystem::is_directory(command, error)) {
      continue;
    } else if (command == "cwd") {
      std::cout << std::filesystem::current_path().string() << std::endl;
    } else if (command == "print") {
      std::cout << argument << std::endl;
      ++i;
    } else if (command == "error") {
      std::cerr << argument << std::endl;
      ++i;
    } else if (command == "env") {
      const char* value = std::getenv(argument.c_str());
      std::cout << "[" << (value ? value : "") << "]" << std::endl;
      ++i;
    } else if (command == "spawn") {
      unsigned long pid = spawnWaiter(self);
      std::string temporary = argument + ".tmp";
      std::ofstream(temporary) << pid;
      std::filesystem::rename(temporary, argument);
      ++i;
    } else if (command == "touch") {
      std::ofstream{argument};
      ++i;
    } else if (command == "wait") {
      waitForever();
    } else if (command == "exit") {
      return std::atoi(argument.c_str());
    } else {
      std::cerr << "process-helper: unknown command " << command << std::endl;
      return 99;
    }
  }
  return 0;
}
