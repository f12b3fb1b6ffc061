#include "support/text_file.h"

#include <atomic>
#include <cassert>
#include <cerrno>
#include <charconv>
#include <optional>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

namespace support {

namespace {

// Temporary files are named target + ".tmp-" + process + "-" + counter.
constexpr std::string_view kTemporaryMark = ".tmp-";

// Lines are collected up to this size and then written in one piece.
constexpr std::size_t kFlushThreshold = 1 << 20;
// A piece this large written to an empty buffer skips it: copying it would only cost time
// (fresh memory for a whole file rewritten often, as the study report is).
constexpr std::size_t kDirectWrite = 1 << 16;

std::string displayName(const std::filesystem::path& path) {
  const std::u8string name = path.u8string();
  return std::string(name.begin(), name.end());
}

// The C library's last error, or `fallback` when it did not record one.
std::error_code lastErrorOr(std::errc fallback) {
  const int error = errno;
  return error != 0 ? std::error_code(error, std::generic_category())
                    : std::make_error_code(fallback);
}

unsigned long processId() {
#ifdef _WIN32
  return GetCurrentProcessId();
#else
  return static_cast<unsigned long>(getpid());
#endif
}

// A name beside the target that no other writer of this or another process uses.
std::filesystem::path temporaryNameFor(const std::filesystem::path& target) {
  static std::atomic<unsigned long> counter{0};
  std::filesystem::path temporary = target;
  temporary += std::string(kTemporaryMark) + std::to_string(processId()) + "-" +
               std::to_string(++counter);
  return temporary;
}

// Whether process `id` is running now (this process included).
bool processRunning(unsigned long id) {
  if (id == processId()) return true;
#ifdef _WIN32
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
  if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
  const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return running;
#else
  return kill(static_cast<pid_t>(id), 0) == 0 || errno == EPERM;
#endif
}

// The process of a temporary name "<target>.tmp-<process>-<n>", or nothing for another name.
std::optional<unsigned long> temporaryOwner(std::string_view name, std::string_view target) {
  if (!name.starts_with(target)) return std::nullopt;
  name.remove_prefix(target.size());
  if (!name.starts_with(kTemporaryMark)) return std::nullopt;
  name.remove_prefix(kTemporaryMark.size());
  const std::size_t dash = name.find('-');
  if (dash == 0 || dash == std::string_view::npos || dash + 1 == name.size()) return std::nullopt;
  auto digits = [](std::string_view text) {
    return text.find_first_not_of("0123456789") == std::string_view::npos;
  };
  if (!digits(name.substr(0, dash)) || !digits(name.substr(dash + 1))) return std::nullopt;
  unsigned long id = 0;
  const auto [stop, error] = std::from_chars(name.data(), name.data() + dash, id);
  if (error != std::errc()) return std::nullopt;
  return id;
}

void removeQuietly(const std::filesystem::path& path) noexcept {
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
}

}  // namespace

TextFileWriter::TextFileWriter(std::filesystem::path target)
    : target_(std::move(target)), temporary_(temporaryNameFor(target_)) {
  errno = 0;
  file_.open(temporary_, std::ios::binary | std::ios::trunc);
  if (!file_) {
    throw std::system_error(lastErrorOr(std::errc::io_error),
                            "Cannot create the file " + displayName(target_));
  }
}

TextFileWriter::~TextFileWriter() {
  if (committed_) return;
  try {
    file_.close();
  } catch (...) {
    // Closing an abandoned file: nothing left to report.
  }
  removeQuietly(temporary_);
}

void TextFileWriter::writeLine(std::string_view text) {
  assert(!committed_ && "write after commit");
  if (committed_) return;
  if (text.size() >= kFlushThreshold) {
    write(text);
    write("\r\n");
    return;
  }
  buffer_.append(text).append("\r\n");
  if (buffer_.size() >= kFlushThreshold) flushBuffer();
}

void TextFileWriter::write(std::string_view text) {
  assert(!committed_ && "write after commit");
  if (committed_) return;
  // A large piece goes to the file as it stands rather than through the buffer.
  if (text.size() >= kFlushThreshold || (buffer_.empty() && text.size() >= kDirectWrite)) {
    flushBuffer();
    file_.write(text.data(), static_cast<std::streamsize>(text.size()));
    return;
  }
  buffer_.append(text);
  if (buffer_.size() >= kFlushThreshold) flushBuffer();
}

void TextFileWriter::flushBuffer() {
  if (buffer_.empty()) return;
  file_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  buffer_.clear();
}

void TextFileWriter::commit() {
  assert(!committed_ && "commit twice");
  if (committed_) return;
  errno = 0;
  flushBuffer();
  file_.close();
  if (!file_) {
    const std::error_code error = lastErrorOr(std::errc::io_error);
    removeQuietly(temporary_);
    throw std::system_error(error, "Cannot write the file " + displayName(target_));
  }
  replaceTarget();
  committed_ = true;
}

// Renames the complete temporary file over the target in one step, so readers see either
// the old or the new content.
void TextFileWriter::replaceTarget() {
  std::error_code error;
#ifdef _WIN32
  if (!MoveFileExW(temporary_.c_str(), target_.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = std::error_code(static_cast<int>(GetLastError()), std::system_category());
  }
#else
  std::filesystem::rename(temporary_, target_, error);
#endif
  if (error) {
    removeQuietly(temporary_);
    throw std::system_error(error, "Cannot replace the file " + displayName(target_));
  }
}

void writeFileAtomically(const std::filesystem::path& target, std::string_view content) {
  TextFileWriter writer(target);
  writer.write(content);
  writer.commit();
}

std::vector<std::filesystem::path> removeAbandonedTemporaries(
    const std::vector<std::filesystem::path>& targets) {
  std::vector<std::filesystem::path> removed;
  for (const std::filesystem::path& target : targets) {
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    const std::string name = target.filename().string();
    if (name.empty()) continue;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
      const std::optional<unsigned long> owner =
          temporaryOwner(entry->path().filename().string(), name);
      if (!owner || processRunning(*owner)) continue;
      std::error_code removing;
      if (std::filesystem::remove(entry->path(), removing)) removed.push_back(entry->path());
    }
  }
  return removed;
}

std::string readWholeFile(const std::filesystem::path& path) {
  errno = 0;
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    throw std::system_error(lastErrorOr(std::errc::io_error),
                            "Cannot open the file " + displayName(path));
  }
  // One read when the size is known; further pieces for a file that grew or has no size.
  std::error_code sizeError;
  const std::uintmax_t knownSize = std::filesystem::file_size(path, sizeError);
  const std::size_t piece =
      sizeError ? std::size_t{1} << 16 : static_cast<std::size_t>(knownSize) + 1;

  std::string content;
  errno = 0;
  while (file) {
    const std::size_t oldSize = content.size();
    content.resize(oldSize + piece);
    file.read(content.data() + oldSize, static_cast<std::streamsize>(piece));
    content.resize(oldSize + static_cast<std::size_t>(file.gcount()));
  }
  if (file.bad()) {
    throw std::system_error(lastErrorOr(std::errc::io_error),
                            "Cannot read the file " + displayName(path));
  }
  return content;
}

}  // namespace support
