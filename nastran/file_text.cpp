#include "nastran/file_text.h"

#include <fstream>
#include <stdexcept>
#include <system_error>

namespace nastran {

FileText::FileText(std::string text) : text_(std::move(text)) {}

FileText::FileText(FileText&& other) noexcept
    : text_(std::move(other.text_)), mapping_(other.mapping_), size_(other.size_) {
  other.mapping_ = nullptr;
  other.size_ = 0;
}

FileText& FileText::operator=(FileText&& other) noexcept {
  if (this != &other) {
    release();
    text_ = std::move(other.text_);
    mapping_ = other.mapping_;
    size_ = other.size_;
    other.mapping_ = nullptr;
    other.size_ = 0;
  }
  return *this;
}

FileText::~FileText() { release(); }

// Reads a file whole with the standard library: the way on systems without a mapping, and
// for files that cannot be mapped.
std::string FileText::readWhole(const std::filesystem::path& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) throw std::runtime_error("it is a folder, not a file");
  std::ifstream stream(path, std::ios::binary);
  if (!stream) {
    if (!std::filesystem::exists(path, error)) throw std::runtime_error("no such file");
    throw std::runtime_error("it cannot be opened");
  }
  std::string content;
  stream.seekg(0, std::ios::end);
  std::streamoff size = stream.tellg();
  stream.seekg(0, std::ios::beg);
  if (size > 0) {
    content.resize(static_cast<std::size_t>(size));
    stream.read(content.data(), size);
    content.resize(static_cast<std::size_t>(stream.gcount()));
  }
  if (stream.bad()) throw std::runtime_error("it cannot be read to its end");
  return content;
}

}  // namespace nastran
