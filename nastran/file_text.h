#pragma once
// The whole text of a file in memory: mapped where the system allows it (no copy, and the pages
// come from the file cache), else read. Move-only; the text lives as long as the object.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace nastran {

class FileText {
 public:
  FileText() = default;
  explicit FileText(std::string text);
  FileText(FileText&& other) noexcept;
  FileText& operator=(FileText&& other) noexcept;
  FileText(const FileText&) = delete;
  FileText& operator=(const FileText&) = delete;
  ~FileText();

  std::string_view view() const { return mapping_ ? std::string_view(mapping_, size_) : std::string_view(text_); }

  // Throws std::runtime_error saying why the file cannot be read ("no such file", "it is a
  // folder, not a file", the system's reason).
  static FileText read(const std::filesystem::path& path);

 private:
  void release();
  static std::string readWhole(const std::filesystem::path& path);

  std::string text_;
  const char* mapping_ = nullptr;  // a mapped file, or nullptr for text_
  std::size_t size_ = 0;
};

}  // namespace nastran
