#include "work_folder.h"

#include <random>
#include <string>

#include "failure.h"

namespace nastranccx {

// A folder is made only where none is (create_directory fails on an existing one), so a random
// name that another run took is simply tried again.
WorkFolder::WorkFolder() {
  std::error_code error;
  std::filesystem::path base = std::filesystem::temp_directory_path(error);
  if (error) throw Failure("cannot find the temporary folder: " + error.message());
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path candidate = base / ("nastran-ccx-" + std::to_string(random() % 1000000000000ULL));
    if (std::filesystem::create_directory(candidate, error)) {
      path_ = candidate;
      return;
    }
    if (error) throw Failure("cannot create a work folder in " + base.string() + ": " + error.message());
  }
  throw Failure("cannot create a work folder in " + base.string() + ": every name tried is taken");
}

WorkFolder::~WorkFolder() {
  if (keep_) return;
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace nastranccx
