#pragma once
// Text files written whole: lines go to a temporary file beside the target, which replaces
// the target only when the writer is committed. A writer destroyed without commit removes
// its temporary file, so a failure never leaves a torn or half-written file behind.

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace support {

class TextFileWriter {
 public:
  // Creates the temporary file; throws std::system_error naming the target when it cannot.
  explicit TextFileWriter(std::filesystem::path target);
  ~TextFileWriter();
  TextFileWriter(const TextFileWriter&) = delete;
  TextFileWriter& operator=(const TextFileWriter&) = delete;

  // Appends `text` and CR LF.
  void writeLine(std::string_view text);
  // Appends `text` as it stands.
  void write(std::string_view text);

  // Flushes, closes and renames over the target; throws std::system_error on failure (the
  // target then keeps its previous content). Further writes are bugs.
  void commit();
  bool committed() const { return committed_; }
  const std::filesystem::path& target() const { return target_; }

 private:
  std::filesystem::path target_;
  std::filesystem::path temporary_;
  std::ofstream file_;
  std::string buffer_;  // written to file_ in large pieces
  bool committed_ = false;
  void flushBuffer();
  void replaceTarget();
};

// Writes `content` as the whole new content of `target` (atomically, as above).
void writeFileAtomically(const std::filesystem::path& target, std::string_view content);

// The temporary files that writers of a process no longer running left beside `targets`
// ("<target>.tmp-<process>-<n>": a run killed before it committed) are removed; the files
// removed are returned. Temporary files of running processes are never touched.
std::vector<std::filesystem::path> removeAbandonedTemporaries(
    const std::vector<std::filesystem::path>& targets);

// Reads a whole file; throws std::system_error naming the file when it cannot be read.
std::string readWholeFile(const std::filesystem::path& path);

}  // namespace support
