#pragma once

#include <filesystem>

namespace nastranccx {

// A private folder under the system's temporary folder, removed with all its
// contents when the object goes away unless keep() was called.
class WorkFolder {
 public:
  WorkFolder();  // throws Failure
  ~WorkFolder();
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  void keep() { keep_ = true; }

 private:
  std::filesystem::path path_;
  bool keep_ = false;
};

}  // namespace nastranccx
