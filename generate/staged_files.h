#pragma once
// The files of one "Apply", replaced together or not at all.
//
// Each file is written whole into a temporary file beside its target (support::TextFileWriter,
// fed through a TextBuffer). Nothing replaces a target until commitAll, which moves every
// existing target aside, then puts every new file in place, and only then deletes the old ones.
// When any step fails, the new files already in place are removed and the old ones are moved
// back, so the folder holds exactly what it held before: the previous content of every file, no
// file where there was none, and no temporary file. A file that could not even be created (also
// where the caller resumed after that failure) makes commitAll refuse the whole set.
//
// Limits: the set is not one step for the file system. Readers that look at the folder while
// commitAll runs may miss a file for a moment; a crash inside commitAll can leave an old file
// under its aside name (target + ".old-" + process + "-" + counter).

#include <cstddef>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/text_buffer.h"
#include "support/text_file.h"

namespace generate {

class StagedFiles {
 public:
  StagedFiles() = default;
  ~StagedFiles();  // without commitAll: every temporary file is removed, no target changes
  StagedFiles(const StagedFiles&) = delete;
  StagedFiles& operator=(const StagedFiles&) = delete;

  // Starts the new content of `target` and returns it to be filled. A later file of the same
  // target replaces an earlier one. Throws std::system_error when the temporary file cannot be
  // created; the failure is also kept, so that commitAll refuses.
  support::TextBuffer& create(const std::filesystem::path& target);

  // Writes every file and puts it in place, or none (see above); throws std::system_error
  // naming the file that failed.
  void commitAll();

  std::size_t size() const { return files_.size(); }

 private:
  struct Aside {
    std::filesystem::path target;
    std::filesystem::path aside;
  };
  void moveTargetsAside(std::vector<Aside>& moved);

  struct File {
    explicit File(const std::filesystem::path& target) : writer(target), text(&writer) {}
    support::TextFileWriter writer;
    support::TextBuffer text;  // on its way to `writer`
  };
  std::vector<std::unique_ptr<File>> files_;
  std::exception_ptr creationFailure_;  // the first file that could not be created
};

}  // namespace generate
