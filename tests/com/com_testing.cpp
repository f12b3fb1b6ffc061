#include "com_testing.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "femap/com/com_init.h"
#include "femap/connect.h"
#include "support/wide_text.h"
#include "testing/temp_dir.h"

namespace com_testing {
namespace {

std::filesystem::path testProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) return std::filesystem::path(path.substr(0, length)).parent_path();
    path.resize(path.size() * 2);
  }
}

std::wstring quoted(const std::filesystem::path& path) { return L"\"" + path.wstring() + L"\""; }

}  // namespace

std::filesystem::path serverProgram() {
  return std::filesystem::weakly_canonical(testProgramFolder() / FEMAPSIM_SERVER_FROM_TESTS);
}

Process::Process(const std::wstring& commandLine, const std::filesystem::path& workingFolder) {
  std::wstring line = commandLine;  // CreateProcessW may write into it
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  const std::wstring folder = workingFolder.wstring();
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &started)) {
    ADD_FAILURE() << "cannot start " << support::fromWide(commandLine) << " (error " << GetLastError() << ")";
    return;
  }
  CloseHandle(started.hThread);
  process_ = started.hProcess;
}

Process::~Process() {
  if (!process_) return;
  if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, 99);
  CloseHandle(process_);
}

std::optional<unsigned long> Process::wait(std::chrono::milliseconds limit) {
  if (!process_ || WaitForSingleObject(process_, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) return {};
  DWORD status = 0;
  GetExitCodeProcess(process_, &status);
  return status;
}

std::optional<unsigned long> runProcess(const std::wstring& commandLine, std::chrono::milliseconds limit,
                                        const std::filesystem::path& workingFolder) {
  return Process(commandLine, workingFolder).wait(limit);
}

void registerServer() {
  const auto status = runProcess(quoted(serverProgram()) + L" /regserver --idle 20 --lifetime 300",
                                 std::chrono::seconds(30));
  ASSERT_EQ(status, 0ul) << "femapsim-server /regserver failed";
}

void unregisterServer() {
  ASSERT_EQ(runProcess(quoted(serverProgram()) + L" /unregserver", std::chrono::seconds(30)), 0ul);
}

std::string sourceFile(const std::string& relative) {
  const std::wstring path = (testing_support::sourceDir() / relative).wstring();
  wchar_t full[MAX_PATH * 4];
  const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH * 4, full, nullptr);
  return support::fromWide(std::wstring_view(full, length));
}

femap::Object attachWithin(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    try {
      return femap::attach(femap::kFemapProgId);
    } catch (const femap::Error&) {
      if (std::chrono::steady_clock::now() >= deadline) return {};
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
}

void quit(const femap::Object& application) {
  try {
    application.call("SimQuit");
  } catch (const femap::Error&) {
  }
}

bool quitAndWait(Process& server, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    quit(attachWithin(std::chrono::seconds(5)));
    if (server.wait(std::chrono::seconds(2)).has_value()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
  }
}

void endRunningServers() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (std::chrono::steady_clock::now() < deadline) {
    femap::Object running;
    try {
      running = femap::attach(femap::kFemapProgId);
    } catch (const femap::Error&) {
      return;
    }
    quit(running);
    running.reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ADD_FAILURE() << "a running femap.model did not end";
}

}  // namespace com_testing

namespace com_testing {
namespace {

// COM for the test program's main thread (what main() does in the programs), and the
// stand-in server registered for this user.
class ComEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    com_.emplace();
    registerServer();
  }
  void TearDown() override { com_.reset(); }

 private:
  std::optional<femap::com::ComInit> com_;
};

[[maybe_unused]] ::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new ComEnvironment);

}  // namespace
}  // namespace com_testing
