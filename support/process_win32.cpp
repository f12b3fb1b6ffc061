// The Windows process layer: CreateProcess inside a job object of its own for each process,
// in the working folder, output appended to a file, and nothing inherited but the three
// standard handles (an attribute list naming them: the program starts processes from several
// threads, and another worker's inherited output file would keep that worker's folder from
// being removed). The job ends every process the program starts (a time-out, an interruption,
// whatever it leaves running when it ends), and, since it ends its processes when its last
// handle closes, it ends them too when this program ends, however it ends. Waiting is one wait
// on the process and the interruption's event, with the time limit as its time-out.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <utility>

#include "support/process.h"
#include "support/text_file.h"
#include "support/strings.h"
#include "support/wide_text.h"

namespace support {

struct Interruption::Waitable {
  HANDLE event = nullptr;
};

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

Interruption* consoleInterruption = nullptr;

BOOL WINAPI onConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
      if (consoleInterruption) consoleInterruption->interrupt();
      return TRUE;
    default: return FALSE;
  }
}

// A kernel handle, closed when it goes away.
class Handle {
 public:
  explicit Handle(HANDLE handle = nullptr) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  ~Handle() {
    if (handle_) ::CloseHandle(handle_);
  }
  Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) {
      if (handle_) ::CloseHandle(handle_);
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  bool valid() const { return handle_ != nullptr; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

std::string errorText(DWORD code) {
  wchar_t* buffer = nullptr;
  DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text = length ? fromWide(std::wstring_view(buffer, length)) : "error " + std::to_string(code);
  if (buffer) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.')) {
    text.pop_back();
  }
  return text;
}

std::string lastErrorText() { return errorText(::GetLastError()); }

// The attribute list that limits what a new process inherits to the handles it names.
class InheritedHandles {
 public:
  explicit InheritedHandles(std::vector<HANDLE> handles) : handles_(std::move(handles)) {
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    storage_.resize(size);
    list_ = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
    if (!::InitializeProcThreadAttributeList(list_, 1, 0, &size)) {
      list_ = nullptr;
      throw std::runtime_error("cannot make the list of inherited handles: " + lastErrorText());
    }
    if (!::UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                     handles_.size() * sizeof(HANDLE), nullptr, nullptr)) {
      throw std::runtime_error("cannot name the inherited handles: " + lastErrorText());
    }
  }
  ~InheritedHandles() {
    if (list_) ::DeleteProcThreadAttributeList(list_);
  }
  InheritedHandles(const InheritedHandles&) = delete;
  InheritedHandles& operator=(const InheritedHandles&) = delete;
  LPPROC_THREAD_ATTRIBUTE_LIST get() const { return list_; }

 private:
  std::vector<HANDLE> handles_;  // the list refers to this storage
  std::vector<char> storage_;
  LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

// A job that ends its processes when its last handle closes.
Handle makeJob() {
  Handle job(::CreateJobObjectW(nullptr, nullptr));
  if (!job.valid()) throw std::runtime_error("cannot create a job object: " + lastErrorText());
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
    throw std::runtime_error("cannot set up a job object: " + lastErrorText());
  }
  return job;
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

// The command line: the program quoted, then its arguments, quoted for the C runtime, or as
// they stand when asked, and for cmd.exe, which has quoting rules of its own.
std::wstring commandLine(const std::vector<std::string>& arguments, bool verbatimArguments) {
  std::wstring line = quotedArgument(toWide(arguments[0]));
  bool verbatim = verbatimArguments || equalsIgnoreCase(fs::path(arguments[0]).filename().string(), "cmd.exe");
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    line += L" ";
    line += verbatim ? toWide(arguments[i]) : quotedArgument(toWide(arguments[i]));
  }
  return line;
}

std::wstring environmentBlock(const std::vector<std::string>& environment) {
  std::wstring block;
  for (const std::string& entry : environment) {
    block += toWide(entry);
    block += L'\0';
  }
  block += L'\0';
  return block;
}

unsigned long long creationTime(HANDLE process) {
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  return (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

void writeIdentity(const fs::path& file, DWORD pid, HANDLE process) {
  // Whole or not at all: a later run may read it at any moment.
  // A file that cannot be written only loses the clean-up by a later run; the step runs on.
  try {
    writeFileAtomically(file, "process " + std::to_string(pid) + " " + std::to_string(creationTime(process)) + "\n");
  } catch (const std::exception&) {
  }
}

// What the engineer's search path and executable extensions say.
std::wstring environmentValue(const wchar_t* name) {
  DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  value.resize(::GetEnvironmentVariableW(name, value.data(), size));
  return value;
}

std::vector<std::string> executableExtensions() {
  std::string text = fromWide(environmentValue(L"PATHEXT"));
  if (text.empty()) text = ".COM;.EXE;.BAT;.CMD";
  std::vector<std::string> extensions;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = std::min(text.find(';', start), text.size());
    if (end > start) extensions.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return extensions;
}

bool isFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

class Win32Launcher : public ProcessLauncher {
 public:
  explicit Win32Launcher(const Interruption& interruption) : interruption_(interruption) {}

  ProcessOutcome run(const ProcessRequest& request) override {
    ProcessOutcome outcome;
    Clock::time_point start = Clock::now();
    if (request.arguments.empty()) {
      outcome.error = "no program given";
      return outcome;
    }
    Handle job, process;
    try {
      job = makeJob();
    } catch (const std::exception& error) {
      outcome.error = error.what();
      return outcome;
    }
    outcome.error = start_(request, job.get(), process);
    if (!process.valid()) return outcome;
    if (!request.identityFile.empty()) writeIdentity(request.identityFile, ::GetProcessId(process.get()), process.get());

    outcome.kind = ProcessOutcome::Kind::exited;
    if (!waitForEnd(process.get(), request.timeLimitSeconds, start)) {
      outcome.kind = interruption_.interrupted() ? ProcessOutcome::Kind::interrupted : ProcessOutcome::Kind::timedOut;
      ::TerminateJobObject(job.get(), 1);
      ::WaitForSingleObject(process.get(), INFINITE);
    }
    DWORD exitCode = 0;
    ::GetExitCodeProcess(process.get(), &exitCode);
    ::TerminateJobObject(job.get(), 1);  // whatever the program left running goes with it
    if (!request.identityFile.empty()) {
      std::error_code ignored;
      fs::remove(request.identityFile, ignored);
    }
    outcome.status = static_cast<int>(exitCode);
    outcome.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return outcome;
  }

 private:
  const Interruption& interruption_;

  // Starts the process, suspended until it is in the job; on failure returns why.
  static std::string start_(const ProcessRequest& request, HANDLE job, Handle& process) {
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    fs::path outputPath = request.outputFile.empty() ? fs::path("NUL") : request.outputFile;
    Handle output(::CreateFileW(outputPath.wstring().c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inheritable, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!output.valid()) return "cannot open " + outputPath.string() + ": " + lastErrorText();
    Handle input(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!input.valid()) return "cannot open NUL: " + lastErrorText();
    try {
      InheritedHandles inherited({input.get(), output.get()});
      STARTUPINFOEXW startup{};
      startup.StartupInfo.cb = sizeof startup;
      startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
      startup.StartupInfo.hStdInput = input.get();
      startup.StartupInfo.hStdOutput = output.get();
      startup.StartupInfo.hStdError = output.get();
      startup.lpAttributeList = inherited.get();
      std::wstring line = commandLine(request.arguments, request.verbatimArguments);
      std::wstring environment = environmentBlock(request.environment);
      std::wstring folder = request.folder.wstring();
      PROCESS_INFORMATION started{};
      DWORD flags = CREATE_SUSPENDED | CREATE_NO_WINDOW | CREATE_NEW_PROCESS_GROUP | CREATE_UNICODE_ENVIRONMENT |
                    EXTENDED_STARTUPINFO_PRESENT;
      if (!::CreateProcessW(toWide(request.arguments[0]).c_str(), line.data(), nullptr, nullptr, TRUE, flags,
                            request.environment.empty() ? nullptr : environment.data(),
                            folder.empty() ? nullptr : folder.c_str(), &startup.StartupInfo, &started)) {
        return lastErrorText();
      }
      Handle thread(started.hThread);
      process = Handle(started.hProcess);
      if (!::AssignProcessToJobObject(job, started.hProcess)) {
        std::string error = "cannot put the process into its job: " + lastErrorText();
        ::TerminateProcess(started.hProcess, 1);
        ::WaitForSingleObject(started.hProcess, INFINITE);
        process = Handle();
        return error;
      }
      ::ResumeThread(started.hThread);
    } catch (const std::exception& error) {
      return error.what();
    }
    return {};
  }

  // Waits until the process ends (true), or until the time limit passes or the program is
  // interrupted (false).
  bool waitForEnd(HANDLE process, std::optional<double> timeLimitSeconds, Clock::time_point start) const {
    HANDLE handles[2] = {process, interruption_.waitable().event};
    for (;;) {
      if (interruption_.interrupted()) return false;
      DWORD timeout = INFINITE;
      if (timeLimitSeconds) {
        auto deadline = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(*timeLimitSeconds));
        auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        timeout = static_cast<DWORD>(std::min<long long>(left, 0x7fffffff));
      }
      DWORD result = ::WaitForMultipleObjects(2, handles, FALSE, timeout);
      if (result == WAIT_OBJECT_0) return true;
      if (result == WAIT_FAILED) return ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    }
  }
};

}  // namespace

Interruption::Interruption() : waitable_(std::make_unique<Waitable>()) {
  waitable_->event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

Interruption::~Interruption() {
  if (consoleInterruption == this) consoleInterruption = nullptr;
  if (waitable_->event) ::CloseHandle(waitable_->event);
}

void Interruption::interrupt() {
  interrupted_.store(true);
  if (waitable_->event) ::SetEvent(waitable_->event);
}

void interruptOnSignals(Interruption& interruption) {
  consoleInterruption = &interruption;
  ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

std::unique_ptr<ProcessLauncher> platformLauncher(const Interruption& interruption) {
  return std::make_unique<Win32Launcher>(interruption);
}

bool endLeftRunning(const fs::path& identityFile) {
  std::ifstream in(identityFile);
  if (!in) return false;
  std::string word;
  unsigned long pid = 0;
  unsigned long long created = 0;
  bool read = static_cast<bool>(in >> word >> pid >> created) && word == "process";
  in.close();
  std::error_code ignored;
  fs::remove(identityFile, ignored);
  if (!read) return false;
  Handle process(::OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid));
  if (!process.valid() || creationTime(process.get()) != created) return false;
  if (::WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) return false;
  return ::TerminateProcess(process.get(), 1) != 0;
}

fs::path ownFolder() {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) return fs::current_path();
    if (length < name.size()) {
      name.resize(length);
      return fs::path(name).parent_path();
    }
    name.resize(name.size() * 2);
  }
}

bool isExecutable(const fs::path& path) {
  if (!isFile(path)) return false;
  std::string extension = path.extension().string();
  for (const std::string& known : executableExtensions()) {
    if (equalsIgnoreCase(extension, known)) return true;
  }
  return false;
}

std::optional<fs::path> executableAt(const fs::path& path) {
  if (isExecutable(path)) return path;
  if (path.has_extension() && isFile(path)) return std::nullopt;
  for (const std::string& extension : executableExtensions()) {
    fs::path candidate = path;
    candidate += extension;
    if (isFile(candidate)) return candidate;
  }
  return std::nullopt;
}

std::optional<fs::path> findInPath(const std::string& name) {
  if (name.empty()) return std::nullopt;
  std::wstring folders = environmentValue(L"Path");
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = std::min(folders.find(L';', start), folders.size());
    std::wstring folder = folders.substr(start, end - start);
    folder.erase(std::remove(folder.begin(), folder.end(), L'"'), folder.end());
    if (!folder.empty()) {
      if (auto found = executableAt(fs::path(folder) / toWide(name))) {
        std::error_code error;
        return fs::absolute(*found, error);
      }
    }
    start = end + 1;
  }
  return std::nullopt;
}

bool namesFolder(std::string_view name) { return name.find_first_of("/\\:") != std::string_view::npos; }

std::string localPathText(std::string_view written, bool) { return std::string(written); }

std::vector<std::string> environmentWithPathFirst(const fs::path& folder) {
  std::vector<std::string> environment;
  std::string path = "Path=" + folder.string();
  bool hadPath = false;
  wchar_t* block = ::GetEnvironmentStringsW();
  for (const wchar_t* entry = block; entry && *entry; entry += std::wcslen(entry) + 1) {
    std::string text = fromWide(entry);
    std::size_t equals = text.find('=', 1);  // entries such as "=C:=C:\work" start with "="
    if (equals != std::string::npos && equalsIgnoreCase(std::string_view(text).substr(0, equals), "Path")) {
      path += ";" + text.substr(equals + 1);
      hadPath = true;
    } else {
      environment.push_back(std::move(text));
    }
  }
  if (block) ::FreeEnvironmentStringsW(block);
  (void)hadPath;
  environment.push_back(path);
  return environment;
}

std::vector<std::string> shellCommand(const std::string& scriptText, const fs::path& folder) {
  // The lines as a batch file, in the console's code page, the way cmd.exe reads a batch.
  std::wstring wide = toWide("@echo off\n" + scriptText);
  std::wstring lines;
  for (wchar_t c : wide) {
    if (c == L'\n') lines += L'\r';
    lines += c;
  }
  if (lines.empty() || lines.back() != L'\n') lines += L"\r\n";
  int size = ::WideCharToMultiByte(CP_OEMCP, 0, lines.data(), static_cast<int>(lines.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_OEMCP, 0, lines.data(), static_cast<int>(lines.size()), bytes.data(), size, nullptr, nullptr);
  fs::path batch = folder / "taskrun-script.cmd";
  std::ofstream out(batch, std::ios::binary | std::ios::trunc);
  out << bytes;
  out.close();
  if (!out) throw std::runtime_error("cannot write the batch file " + batch.string());
  std::wstring shell = environmentValue(L"ComSpec");
  if (shell.empty()) {
    wchar_t system[MAX_PATH];
    UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
    shell = std::wstring(system, length) + L"\\cmd.exe";
  }
  // cmd.exe /s takes away the outer quotes and keeps the inner ones around the path.
  return {fromWide(shell), "/d", "/s", "/c", "\"\"" + batch.string() + "\"\""};
}

std::string_view platformName() { return "Windows"; }

}  // namespace support
