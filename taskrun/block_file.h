#pragma once
// The block language of the description file, read into a tree without knowing what the
// keys mean:
//
//   Name Id                          a block, closed by "End Name Id" ("Script" ... "End Script")
//   Head [Id]                        a section (Prologue, Options, OptimizePlan ...): it holds the
//                                    lines indented deeper than its head
//   Key: value Key2: value2          key/value pairs; a value may be a "double-quoted" string in
//                                    which "" stands for one quote
//   Parameter: NAME Key: value ...   a parameter: a name, then key/value pairs
//   Key:                             a list: the lines indented deeper than the key are its items
//   Key: value                       ... and lines indented deeper continue the value as further
//       value2                       items (the return codes)
//   Control: [ ... ]                 a bracketed list, one item a line
//   # text                           a comment
//
// Blank lines are ignored everywhere. A line that fits none of these, a block that is not
// closed, or an "End" that closes nothing is an error naming the file, the line and what
// was expected there.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace taskrun {

// A fault in the description file: where, and what was expected.
class TaskFileError : public std::runtime_error {
 public:
  TaskFileError(const std::string& file, std::size_t line, const std::string& message);
  std::size_t line() const { return line_; }

 private:
  std::size_t line_;
};

struct KeyValue {
  std::string key;    // without its ":"
  std::string value;  // unquoted; empty when the key has no value
};

// One line of a block: a key line, a parameter, a list, a section or a nested block.
struct Entry {
  enum class Kind { keys, parameter, list, section, block, script };
  Kind kind = Kind::keys;
  std::size_t line = 0;
  // keys: the pairs in order (the same key may stand twice); parameter: its pairs after the
  // name; list: the key is pairs[0].key.
  std::vector<KeyValue> pairs;
  std::string name;                  // parameter: its name; section/block/script: the head word
  std::string id;                    // section/block: the word after the head (may be empty)
  std::vector<std::string> items;    // list and continued key lines: the items; script: its lines
  std::vector<std::size_t> itemLines;
  std::vector<Entry> children;       // section and block

  // The value of key `key` in a key line (first occurrence); nullopt when absent.
  std::optional<std::string> value(std::string_view key) const;
};

// The whole file: its leading key lines and blocks at the outermost level.
struct BlockFile {
  std::string fileName;  // for messages
  std::vector<Entry> entries;
};

// Reads `text` (CR LF or LF); `fileName` only names the file in errors. Throws TaskFileError.
BlockFile parseBlockFile(std::string_view text, const std::string& fileName);

// Reads the file at `path`; throws TaskFileError also when it cannot be read.
BlockFile readBlockFile(const std::filesystem::path& path);

}  // namespace taskrun
