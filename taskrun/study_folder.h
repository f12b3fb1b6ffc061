#pragma once
// The study folder belongs to one taskrun at a time, and to taskrun alone.
//
// - A lock: "taskrun.lock" in the folder, locked by the operating system for the whole run
//   (flock; LockFileEx on Windows), so the kernel releases it when the process dies however
//   it dies; the file holds the holder's process number for the message a second run gives.
// - A marker: "taskrun.study" says that taskrun made the folder, for which task and study
//   file, and lists what taskrun wrote there: its own files and, appended before each is
//   made, every evaluation folder.
// - A folder that exists and is neither empty nor marked is refused. A marked folder holding
//   an earlier study is taken only with --resume (its data log kept) or --overwrite (what
//   the marker and the data log name removed first, nothing else); a study of another study
//   file is never resumed there.
//
// Every refusal throws StudyFolderError before anything in the folder was changed.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace taskrun {

class StudyFolderError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// How this run means to start on a folder that may hold an earlier study.
enum class StudyStart {
  fresh,      // the folder must hold no earlier study
  resume,     // an earlier study (of the same study file) goes on; none is no error
  overwrite,  // an earlier study is removed first
};

struct StudyFolderRequest {
  std::filesystem::path folder;             // absolute
  std::filesystem::path descriptionFolder;  // absolute: the description file's folder
  std::string studyName;                    // the study file's name, or "" for the task's own plan
  std::string dataLog;                      // the data log's file name
  StudyStart start = StudyStart::fresh;
  // Called once the lock is taken, before anything in the folder is looked at or changed.
  std::function<void(const std::filesystem::path&)> whenLocked;
};

// The exclusive lock on a study folder, released when it goes away (or the process dies).
class FolderLock {
 public:
  // Takes the lock on `file` (made when missing); throws StudyFolderError naming the holder's
  // process number when another process holds it.
  FolderLock(const std::filesystem::path& file, const std::filesystem::path& folderForMessages);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  struct Handle;
  std::unique_ptr<Handle> handle_;
};

class StudyFolder {
 public:
  static constexpr const char* kMarkerName = "taskrun.study";
  static constexpr const char* kLockName = "taskrun.lock";

  // Takes the folder for this run as described above; throws StudyFolderError.
  explicit StudyFolder(const StudyFolderRequest& request);
  ~StudyFolder();
  StudyFolder(const StudyFolder&) = delete;
  StudyFolder& operator=(const StudyFolder&) = delete;

  const std::filesystem::path& path() const { return folder_; }
  // True when an earlier study's data log is kept and goes on.
  bool continuesEarlierStudy() const { return continues_; }

  // Notes in the marker the evaluation folders about to be made (before they are).
  void recordEvaluationFolders(const std::vector<std::string>& names);

  // The names taskrun itself gives to files of a study folder (the reports of report_files.h,
  // which an --overwrite removes with the rest, the marker, the lock): no data log may take
  // one of them.
  static bool isOwnFileName(const std::string& name);
  // "eval-" and six or more digits.
  static bool isEvaluationFolderName(const std::string& name);

 private:
  std::filesystem::path folder_;
  std::unique_ptr<FolderLock> lock_;
  bool continues_ = false;
};

}  // namespace taskrun
