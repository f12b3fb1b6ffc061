#pragma once
// A temporary folder for one test, removed with everything in it when the test ends.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "support/text_file.h"

namespace testing_support {

class ScopedTempDir {
 public:
  ScopedTempDir() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("corvane-test-" + std::to_string(random()) + "-" +
             std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(path_);
  }
  ~ScopedTempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  // Writes a file in the folder and returns its path.
  std::filesystem::path write(const std::string& name, const std::string& content) const {
    std::filesystem::path file = path_ / name;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
    return file;
  }
  std::string read(const std::string& name) const { return support::readWholeFile(path_ / name); }

 private:
  std::filesystem::path path_;
};

// The checkout's root, for the example models and stored expected files.
inline std::filesystem::path sourceDir() {
  const char* dir = std::getenv("CORVANE_SOURCE_DIR");
  return dir ? std::filesystem::path(dir) : std::filesystem::path(CORVANE_SOURCE_DIR_DEFAULT);
}

}  // namespace testing_support
