#include "taskrun/study_folder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <set>

#include "support/strings.h"
#include "support/text_file.h"
#include "taskrun/data_log.h"
#include "taskrun/report_files.h"

namespace taskrun {
namespace {

namespace fs = std::filesystem;

constexpr const char* kMarkerHead = "taskrun study folder";

std::string quote(const std::string& text) { return "\"" + text + "\""; }

std::string described(const fs::path& folder) { return "study folder " + folder.string(); }

std::string studyText(const std::string& studyName) {
  return studyName.empty() ? std::string("the task's own plan") : quote(studyName);
}

// A name that stands for a file directly in the folder: no separator, not "." or "..".
bool plainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string::npos;
}

// What the marker says.
struct Marker {
  std::string studyName;
  std::vector<std::string> dataLogs;  // the data logs' names (among the files)
  std::vector<std::string> files;     // taskrun's own files
  std::vector<std::string> folders;   // evaluation folders
};

std::optional<Marker> readMarker(const fs::path& file) {
  std::string text;
  try {
    text = support::readWholeFile(file);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  std::vector<std::string> lines = support::split(support::replaceAll(text, "\r\n", "\n"), "\n");
  if (lines.empty() || lines.front() != kMarkerHead) return std::nullopt;
  Marker marker;
  for (const std::string& line : lines) {
    std::size_t colon = line.find(": ");
    std::string key = line.substr(0, colon), value = colon == std::string::npos ? "" : line.substr(colon + 2);
    if (key == "study file" || key == "study file:") {
      marker.studyName = value;
    } else if (key == "data log" && plainName(value)) {
      marker.dataLogs.push_back(value);
    } else if (key == "file" && plainName(value)) {
      marker.files.push_back(value);
    } else if (key == "folder" && StudyFolder::isEvaluationFolderName(value)) {
      marker.folders.push_back(value);
    }
  }
  return marker;
}

void writeMarker(const fs::path& file, const Marker& marker) {
  std::string text = std::string(kMarkerHead) + "\r\n";
  text += "study file:" + (marker.studyName.empty() ? std::string() : " " + marker.studyName) + "\r\n";
  for (const std::string& name : marker.dataLogs) text += "data log: " + name + "\r\n";
  for (const std::string& name : marker.files) text += "file: " + name + "\r\n";
  for (const std::string& name : marker.folders) text += "folder: " + name + "\r\n";
  support::writeFileAtomically(file, text);
}

// The files a study writes beside its evaluation folders, the data log's among them.
std::vector<std::string> ownFiles(const std::string& dataLog) {
  std::vector<std::string> files;
  for (const char* suffix : {"", "-wal", "-shm", "-journal", ".new", ".new-wal", ".new-shm", ".new-journal"}) {
    files.push_back(dataLog + suffix);
  }
  for (const char* report : kReportFiles) files.push_back(report);
  return files;
}

// Whether a folder holds anything besides `names` (and the temporary file of a marker whose
// writer was killed before it renamed it).
bool holdsAnythingBut(const fs::path& folder, std::initializer_list<const char*> names) {
  std::string markerTemporary = std::string(StudyFolder::kMarkerName) + ".tmp-";
  std::error_code error;
  for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
    std::string name = entry->path().filename().string();
    if (name.rfind(markerTemporary, 0) == 0) continue;
    if (std::none_of(names.begin(), names.end(), [&](const char* own) { return name == own; })) return true;
  }
  return false;
}

// The process number a lock file holds ("1234\n"), for the message of a second run.
std::string processNumber(const std::string& text) {
  std::size_t digits = text.find_first_not_of("0123456789");
  if (digits == 0 || text.empty() || (digits != std::string::npos && text[digits] != '\n')) {
    return "(its number not yet written)";
  }
  return text.substr(0, digits);
}

bool isInside(const fs::path& inner, const fs::path& outer) {
  fs::path relative = inner.lexically_relative(outer);
  return !relative.empty() && *relative.begin() != ".." && relative != ".";
}

#ifndef _WIN32
// Appends `text` to `file`; the descriptor is never inherited by a step.
void appendToFile(const fs::path& file, const std::string& text) {
  int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) throw StudyFolderError(file.string() + ": " + std::strerror(errno));
  std::size_t written = 0;
  while (written < text.size()) {
    ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      int error = errno;
      ::close(fd);
      throw StudyFolderError(file.string() + ": " + std::strerror(error));
    }
    written += static_cast<std::size_t>(n);
  }
  ::close(fd);
}
#else
void appendToFile(const fs::path& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary | std::ios::app);
  out << text;
  out.close();
  if (!out) throw StudyFolderError(file.string() + ": cannot be written");
}
#endif

}  // namespace

// ---- the lock ----

#ifndef _WIN32
struct FolderLock::Handle {
  int fd = -1;
  ~Handle() {
    if (fd >= 0) ::close(fd);  // closing releases the lock
  }
};

FolderLock::FolderLock(const fs::path& file, const fs::path& folder) : handle_(std::make_unique<Handle>()) {
  // O_CLOEXEC: a step must not inherit the lock and keep it past taskrun's end.
  handle_->fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (handle_->fd < 0) throw StudyFolderError(file.string() + " cannot be opened: " + std::strerror(errno));
  if (::flock(handle_->fd, LOCK_EX | LOCK_NB) != 0) {
    int error = errno;
    if (error != EWOULDBLOCK) throw StudyFolderError(file.string() + " cannot be locked: " + std::strerror(error));
    char text[32] = {};
    ssize_t n = ::pread(handle_->fd, text, sizeof text - 1, 0);
    std::string holder = processNumber(std::string(text, n > 0 ? static_cast<std::size_t>(n) : 0));
    throw StudyFolderError(described(folder) + " is in use by taskrun process " + holder);
  }
  std::string pid = std::to_string(::getpid()) + "\n";
  if (::ftruncate(handle_->fd, 0) != 0 || ::pwrite(handle_->fd, pid.data(), pid.size(), 0) != static_cast<ssize_t>(pid.size())) {
    throw StudyFolderError(file.string() + " cannot be written: " + std::strerror(errno));
  }
}
#else
struct FolderLock::Handle {
  HANDLE file = INVALID_HANDLE_VALUE;
  ~Handle() {
    if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);  // closing releases the lock
  }
};

FolderLock::FolderLock(const fs::path& file, const fs::path& folder) : handle_(std::make_unique<Handle>()) {
  // Not inheritable, shared for reading the holder's number; the lock covers one byte far
  // past the number so that others can still read it.
  handle_->file = ::CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle_->file == INVALID_HANDLE_VALUE) {
    throw StudyFolderError(file.string() + " cannot be opened (error " + std::to_string(::GetLastError()) + ")");
  }
  OVERLAPPED at{};
  at.Offset = 0x40000000;
  if (!::LockFileEx(handle_->file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
    char text[32] = {};
    DWORD read = 0;
    ::ReadFile(handle_->file, text, sizeof text - 1, &read, nullptr);
    std::string holder = processNumber(std::string(text, read));
    throw StudyFolderError(described(folder) + " is in use by taskrun process " + holder);
  }
  std::string pid = std::to_string(::GetCurrentProcessId()) + "\n";
  DWORD written = 0;
  ::SetFilePointer(handle_->file, 0, nullptr, FILE_BEGIN);
  if (!::SetEndOfFile(handle_->file) ||
      !::WriteFile(handle_->file, pid.data(), static_cast<DWORD>(pid.size()), &written, nullptr)) {
    throw StudyFolderError(file.string() + " cannot be written (error " + std::to_string(::GetLastError()) + ")");
  }
}
#endif

FolderLock::~FolderLock() = default;

// ---- the folder ----

bool StudyFolder::isOwnFileName(const std::string& name) {
  for (const char* own : kReportFiles) {
    if (support::equalsIgnoreCase(own, name)) return true;
  }
  return support::equalsIgnoreCase(name, kMarkerName) || support::equalsIgnoreCase(name, kLockName) ||
         isEvaluationFolderName(support::toLower(name));
}

bool StudyFolder::isEvaluationFolderName(const std::string& name) {
  return name.size() >= 11 && name.rfind("eval-", 0) == 0 && name.find_first_not_of("0123456789", 5) == std::string::npos;
}

StudyFolder::StudyFolder(const StudyFolderRequest& request) : folder_(request.folder.lexically_normal()) {
  if (folder_.has_filename() == false && folder_.has_parent_path()) folder_ = folder_.parent_path();
  std::error_code error;
  // Never the root, the description file's folder or a folder above it, however reached.
  fs::path real = fs::weakly_canonical(folder_, error);
  if (error) real = folder_;
  fs::path description = fs::weakly_canonical(request.descriptionFolder, error);
  if (error) description = request.descriptionFolder;
  if (real == real.root_path()) throw StudyFolderError(described(folder_) + " is the root folder; choose a folder of its own");
  if (real == description) {
    throw StudyFolderError(described(folder_) + " is the description file's own folder; choose a folder of its own");
  }
  if (isInside(description, real)) {
    throw StudyFolderError(described(folder_) + " holds the description file's folder; choose a folder of its own");
  }

  auto refuseForeign = [&] {
    throw StudyFolderError(described(folder_) + " holds files that taskrun did not make there (it has no " + kMarkerName +
                           "); choose a new or empty folder");
  };
  fs::path markerFile = folder_ / kMarkerName;
  bool exists = fs::exists(folder_, error);
  if (exists && !fs::is_directory(folder_, error)) throw StudyFolderError(described(folder_) + " is not a folder");
  // Looked at before the lock too, so that a foreign folder is not even given a lock file.
  if (exists && !fs::exists(markerFile, error) && holdsAnythingBut(folder_, {kLockName})) refuseForeign();
  if (!exists) {
    fs::create_directories(folder_, error);
    if (error) throw StudyFolderError(described(folder_) + " cannot be made: " + error.message());
  }
  lock_ = std::make_unique<FolderLock>(folder_ / kLockName, folder_);
  if (request.whenLocked) request.whenLocked(folder_);

  // Under the lock: what the folder holds now decides.
  support::removeAbandonedTemporaries({markerFile});
  std::optional<Marker> earlier = readMarker(markerFile);
  if (!earlier && (fs::exists(markerFile, error) || holdsAnythingBut(folder_, {kLockName}))) refuseForeign();
  Marker marker;
  marker.studyName = request.studyName;
  if (earlier && holdsAnythingBut(folder_, {kLockName, kMarkerName})) {
    if (request.start == StudyStart::fresh) {
      throw StudyFolderError(described(folder_) + " holds an earlier study (of " + studyText(earlier->studyName) +
                             "): run again with --resume to go on with it, or with --overwrite to remove it and start "
                             "afresh");
    }
    if (request.start == StudyStart::resume && earlier->studyName != request.studyName) {
      throw StudyFolderError(described(folder_) + " holds the study of " + studyText(earlier->studyName) + ", not of " +
                             studyText(request.studyName) + "; give this study a folder of its own (\"folder =\" in the "
                             "study file) or start afresh there with --overwrite");
    }
    if (request.start == StudyStart::resume) {
      continues_ = true;
      marker.dataLogs = earlier->dataLogs;
      marker.files = earlier->files;
      marker.folders = earlier->folders;
    } else {
      // Only what the marker and the data logs it names say taskrun wrote.
      std::set<std::string> folders(earlier->folders.begin(), earlier->folders.end());
      for (const std::string& log : earlier->dataLogs) {
        for (const std::string& name : evaluationFoldersOfDataLog(folder_ / log)) {
          if (isEvaluationFolderName(name)) folders.insert(name);
        }
      }
      for (const std::string& name : folders) {
        fs::remove_all(folder_ / name, error);
        if (error) throw StudyFolderError(described(folder_) + ": " + name + " cannot be removed: " + error.message());
      }
      std::vector<fs::path> files;
      for (const std::string& file : earlier->files) {
        if (file == kMarkerName || file == kLockName) continue;
        files.push_back(folder_ / file);
        fs::remove(folder_ / file, error);
        if (error) throw StudyFolderError(described(folder_) + ": " + file + " cannot be removed: " + error.message());
      }
      support::removeAbandonedTemporaries(files);
    }
  }
  if (!continues_ && fs::exists(folder_ / request.dataLog, error)) {
    throw StudyFolderError(described(folder_) + " holds a file " + quote(request.dataLog) +
                           " that taskrun did not write there; remove it or choose another folder");
  }
  if (std::find(marker.dataLogs.begin(), marker.dataLogs.end(), request.dataLog) == marker.dataLogs.end()) {
    marker.dataLogs.push_back(request.dataLog);
  }
  for (const std::string& file : ownFiles(request.dataLog)) {
    if (std::find(marker.files.begin(), marker.files.end(), file) == marker.files.end()) marker.files.push_back(file);
  }
  writeMarker(markerFile, marker);
  // What writers of a killed run left half written beside taskrun's files.
  std::vector<fs::path> own;
  for (const std::string& file : marker.files) own.push_back(folder_ / file);
  support::removeAbandonedTemporaries(own);
}

StudyFolder::~StudyFolder() = default;

void StudyFolder::recordEvaluationFolders(const std::vector<std::string>& names) {
  if (names.empty()) return;
  std::string text;
  for (const std::string& name : names) text += "folder: " + name + "\r\n";
  appendToFile(folder_ / kMarkerName, text);
}

}  // namespace taskrun
