#include "nastran/line_source.h"

#include "nastran/text.h"

#include <cstring>
#include <system_error>

namespace nastran {
namespace {

using text::trimBlanks;

// `INCLUDE` followed by a blank, a quote or nothing, from column 1 on.
bool isIncludeStatement(std::string_view line) {
  line = trimBlanks(line);
  if (line.size() < 7 || !text::isWord(line.substr(0, 7), "INCLUDE")) return false;
  if (line.size() == 7) return true;
  char next = line[7];
  return next == ' ' || next == '\t' || next == '\'' || next == '"';
}

std::string folderOfName(const std::string& name) {
  return std::filesystem::path(name).parent_path().generic_string();
}

}  // namespace

FileText DiskFiles::read(const std::filesystem::path& path) { return FileText::read(path); }

std::string DiskFiles::identity(const std::filesystem::path& path) {
  std::error_code error;
  std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
  return (error ? std::filesystem::absolute(path, error).lexically_normal() : canonical).generic_string();
}

void MemoryFiles::add(const std::filesystem::path& path, std::string content) {
  files_[identity(path)] = std::move(content);
}

FileText MemoryFiles::read(const std::filesystem::path& path) {
  auto found = files_.find(identity(path));
  if (found == files_.end()) throw std::runtime_error("no such file");
  return FileText(found->second);
}

std::string MemoryFiles::identity(const std::filesystem::path& path) {
  return path.lexically_normal().generic_string();
}

void LineSource::start(FileText text, std::string name, const std::filesystem::path& path) {
  buffers_.push_back(std::move(text));
  names_.push_back(std::move(name));
  OpenFile file;
  file.text = buffers_.back().view();
  file.index = static_cast<std::uint32_t>(names_.size() - 1);
  file.folder = path.parent_path();
  file.identity = files_.identity(path);
  open_.push_back(std::move(file));
}

std::optional<std::string_view> LineSource::nextLineOf(OpenFile& file) {
  if (file.position >= file.text.size()) return std::nullopt;
  const char* begin = file.text.data() + file.position;
  const void* newline = std::memchr(begin, '\n', file.text.size() - file.position);
  std::size_t end = newline ? static_cast<std::size_t>(static_cast<const char*>(newline) - file.text.data())
                            : file.text.size();
  std::string_view line = file.text.substr(file.position, end - file.position);
  file.position = end + 1;
  ++file.line;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

std::optional<PhysicalLine> LineSource::next() {
  while (!open_.empty()) {
    OpenFile& file = open_.back();
    std::optional<std::string_view> line = nextLineOf(file);
    if (!line) {
      open_.pop_back();
      continue;
    }
    Location at{file.index, file.line};
    if (!line->empty() && (((*line)[0] | 0x20) == 'i' || (*line)[0] == ' ') && isIncludeStatement(*line)) {
      include(*line, at);
      continue;
    }
    return PhysicalLine{*line, at};
  }
  return std::nullopt;
}

void LineSource::fail(Location at, const std::string& subject, const std::string& reason) const {
  throw DeckError(names_, at, subject, reason);
}

std::string LineSource::includedPath(std::string_view statement, Location at) {
  std::string_view rest = trimBlanks(trimBlanks(statement).substr(7));
  if (rest.empty()) fail(at, "INCLUDE", "no file named");
  char quote = rest[0];
  if (quote != '\'' && quote != '"') {
    std::size_t blank = rest.find_first_of(" \t");
    return std::string(rest.substr(0, blank));
  }
  std::string path;
  std::string_view piece = rest.substr(1);
  OpenFile& file = open_.back();
  while (true) {
    std::size_t close = piece.find(quote);
    path += trimBlanks(piece.substr(0, close));
    if (close != std::string_view::npos) break;
    std::optional<std::string_view> line = nextLineOf(file);
    if (!line) fail(at, "INCLUDE", "the closing quote of the file name is missing");
    piece = *line;
  }
  if (path.empty()) fail(at, "INCLUDE", "no file named");
  return path;
}

void LineSource::include(std::string_view statement, Location at) {
  std::string name = includedPath(statement, at);
  const OpenFile& including = open_.back();
  std::filesystem::path path = std::filesystem::path(name).is_absolute() ? std::filesystem::path(name)
                                                                          : including.folder / name;
  std::string shownName = std::filesystem::path(name).is_absolute()
                              ? name
                              : (std::filesystem::path(folderOfName(names_[including.index])) / name)
                                    .lexically_normal()
                                    .generic_string();
  std::string subject = "INCLUDE '" + name + "'";
  std::string identity = files_.identity(path);
  for (std::size_t i = 0; i < open_.size(); ++i) {
    if (open_[i].identity != identity) continue;
    std::string chain;
    for (std::size_t j = i; j < open_.size(); ++j) chain += names_[open_[j].index] + " -> ";
    fail(at, subject, "an include loop (" + chain + shownName + ")");
  }
  FileText text;
  try {
    text = files_.read(path);
  } catch (const std::exception& error) {
    fail(at, subject, "cannot read " + shownName + ": " + error.what());
  }
  buffers_.push_back(std::move(text));
  names_.push_back(shownName);
  OpenFile file;
  file.text = buffers_.back().view();
  file.index = static_cast<std::uint32_t>(names_.size() - 1);
  file.folder = path.parent_path();
  file.identity = std::move(identity);
  open_.push_back(std::move(file));
}

}  // namespace nastran
