#pragma once
// The physical lines of a deck, one after the other, with INCLUDE statements replaced by the
// lines of the files they name.
//
// INCLUDE may stand in any section: `INCLUDE 'path'` (single or double quotes, or a path without
// blanks unquoted); a quoted path may go on over several lines, each piece taken without its
// surrounding blanks. A relative path is taken from the folder of the file that includes it, and
// messages name an included file by that path joined to the including file's name. A file that
// cannot be read, and a file that includes itself directly or through others, are errors naming
// the INCLUDE statement's file and line.

#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nastran/deck_error.h"
#include "nastran/file_text.h"

namespace nastran {

// Where the files of a deck come from: the disk, or for tests files held in memory.
class DeckFiles {
 public:
  virtual ~DeckFiles() = default;
  // The whole content of a file; throws std::runtime_error saying why it cannot be read.
  virtual FileText read(const std::filesystem::path& path) = 0;
  // The same text however the path of one file is spelled, to find include loops.
  virtual std::string identity(const std::filesystem::path& path) = 0;
};

class DiskFiles : public DeckFiles {
 public:
  FileText read(const std::filesystem::path& path) override;
  std::string identity(const std::filesystem::path& path) override;
};

// Files by their path (made lexically normal); every other path cannot be read.
class MemoryFiles : public DeckFiles {
 public:
  void add(const std::filesystem::path& path, std::string content);
  FileText read(const std::filesystem::path& path) override;
  std::string identity(const std::filesystem::path& path) override;

 private:
  std::map<std::string, std::string> files_;
};

struct PhysicalLine {
  std::string_view text;  // without its line end; comments are still in it
  Location at;
};

class LineSource {
 public:
  // `names` receives the name of every file as it is opened (its index is Location::file).
  LineSource(DeckFiles& files, std::vector<std::string>& names) : files_(files), names_(names) {}

  // Starts with the deck's own text, read from `path` (its folder is where relative INCLUDE
  // paths start); `name` is what messages call it.
  void start(FileText text, std::string name, const std::filesystem::path& path);

  // The next line, or nullopt after the last line of the deck's own text. The text of a line
  // stays valid as long as the source.
  std::optional<PhysicalLine> next();

 private:
  struct OpenFile {
    std::string_view text;
    std::size_t position = 0;
    std::uint32_t index = 0;  // in names_
    std::uint32_t line = 0;
    std::filesystem::path folder;
    std::string identity;
  };

  std::optional<std::string_view> nextLineOf(OpenFile& file);
  void include(std::string_view statement, Location at);
  std::string includedPath(std::string_view statement, Location at);
  [[noreturn]] void fail(Location at, const std::string& subject, const std::string& reason) const;

  DeckFiles& files_;
  std::vector<std::string>& names_;
  std::deque<FileText> buffers_;  // every file's text, for as long as its lines are in use
  std::vector<OpenFile> open_;       // the deck's text, then the files it includes, innermost last
};

}  // namespace nastran
