#include "child_process.h"

#include <windows.h>

#include <cstdlib>
#include <sstream>

#include "failure.h"
#include "support/wide_text.h"

namespace nastranccx {
namespace {

// A kernel handle, closed when it goes away.
class Handle {
 public:
  explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
  ~Handle() {
    if (valid()) ::CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

std::string lastErrorText() {
  DWORD code = ::GetLastError();
  wchar_t* buffer = nullptr;
  DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text = length ? support::fromWide(std::wstring_view(buffer, length)) : "error " + std::to_string(code);
  if (buffer) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text;
}

bool isFile(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

// A program named without extension is found as name.exe too, as the command prompt does.
std::optional<std::filesystem::path> programAt(const std::filesystem::path& path) {
  if (isFile(path)) return path;
  if (!path.has_extension()) {
    std::filesystem::path withExe = path;
    withExe += ".exe";
    if (isFile(withExe)) return withExe;
  }
  return std::nullopt;
}

// One argument on a command line as the C runtime of the started program takes it apart.
std::wstring quotedArgument(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

}  // namespace

WorkFolder::WorkFolder() {
  std::error_code error;
  std::filesystem::path base = std::filesystem::temp_directory_path(error);
  if (error) throw Failure("cannot find the temporary folder: " + error.message());
  for (unsigned attempt = 0; attempt < 1000; ++attempt) {
    std::filesystem::path candidate =
        base / ("nastran-ccx-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(attempt));
    if (std::filesystem::create_directory(candidate, error)) {
      path_ = candidate;
      return;
    }
    if (error) throw Failure("cannot create a work folder in " + base.string() + ": " + error.message());
  }
  throw Failure("cannot create a work folder in " + base.string() + ": every name is taken");
}

WorkFolder::~WorkFolder() {
  if (keep_) return;
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::optional<std::filesystem::path> findProgram(const std::string& name) {
  if (name.empty()) return std::nullopt;
  if (name.find_first_of("/\\:") != std::string::npos) return programAt(name);
  const char* path = std::getenv("PATH");
  std::stringstream folders(path ? path : "");
  std::string folder;
  while (std::getline(folders, folder, ';')) {
    if (folder.empty()) continue;
    if (auto program = programAt(std::filesystem::path(folder) / name)) return program;
  }
  return std::nullopt;
}

ProcessOutcome runProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                          const std::filesystem::path& workingDirectory, const std::filesystem::path& outputFile) {
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  Handle output(::CreateFileW(outputFile.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!output.valid()) throw Failure("cannot create " + outputFile.string() + ": " + lastErrorText());
  Handle input(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!input.valid()) throw Failure("cannot open NUL for the standard input of " + program.string() + ": " + lastErrorText());

  std::wstring commandLine = quotedArgument(program.wstring());
  for (const std::string& argument : arguments) commandLine += L" " + quotedArgument(support::toWide(argument));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input.get();
  startup.hStdOutput = output.get();
  startup.hStdError = output.get();
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(program.wstring().c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                        nullptr, workingDirectory.wstring().c_str(), &startup, &process))
    throw Failure("cannot start " + program.string() + ": " + lastErrorText());
  Handle processHandle(process.hProcess);
  Handle threadHandle(process.hThread);
  if (::WaitForSingleObject(process.hProcess, INFINITE) != WAIT_OBJECT_0)
    throw Failure("lost track of " + program.string() + ": " + lastErrorText());
  DWORD exitCode = 0;
  if (!::GetExitCodeProcess(process.hProcess, &exitCode))
    throw Failure("cannot read the exit status of " + program.string() + ": " + lastErrorText());
  ProcessOutcome outcome;
  outcome.exited = true;
  outcome.exitCode = static_cast<int>(exitCode);
  return outcome;
}

}  // namespace nastranccx
