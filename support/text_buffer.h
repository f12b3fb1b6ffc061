#pragma once
// The text of one file on its way to the file's writer. The writers of "Apply" put a file
// together from many short pieces (grid cells, blanks, fixed words) for every row; appending
// here is a bounds check and a copy, inlined at the call site.
//
// A small text grows in ordinary memory and reaches the writer in one write at the end. A large
// one moves into a block of kBlock bytes and goes to the writer a full block at a time, so every
// write but the last is one block that the writer passes on without copying it again. Blocks
// are kept for the next file instead of being given back, so that writing a large project again
// does not pay for fresh memory.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "support/text_file.h"

namespace support {

class TextBuffer {
 public:
  // At least the size from which TextFileWriter writes a piece through at once.
  static constexpr std::size_t kBlock = std::size_t{1} << 20;

  // Without a writer the whole text stays here (see view()).
  explicit TextBuffer(TextFileWriter* writer = nullptr) : writer_(writer) {}
  ~TextBuffer();
  TextBuffer(const TextBuffer&) = delete;
  TextBuffer& operator=(const TextBuffer&) = delete;

  [[gnu::always_inline]] void add(std::string_view text) {
    if (text.size() > static_cast<std::size_t>(end_ - cursor_)) {
      addOverflowing(text);
      return;
    }
    char* at = cursor_;
    cursor_ = at + text.size();
    copyShort(at, text.data(), text.size());
  }
  // `text` and CR LF.
  void line(std::string_view text = {}) {
    add(text);
    add("\r\n");
  }
  // `indent` blanks, `text` and CR LF.
  void indentedLine(std::size_t indent, std::string_view text) {
    static constexpr std::string_view kBlanks = "                                ";
    while (indent > 0) {
      const std::size_t piece = std::min(indent, kBlanks.size());
      add(kBlanks.substr(0, piece));
      indent -= piece;
    }
    line(text);
  }

  // Hands what is here to the writer.
  void flush();
  // The text not yet handed to the writer (all of it without a writer).
  std::string_view view() const {
    return std::string_view(data_, static_cast<std::size_t>(cursor_ - data_));
  }

 private:
  // Copies `n` bytes; the short pieces that make up most lines are copied with a few moves of
  // fixed size (two overlapping ones cover every length up to twice their width) instead of a
  // call.
  [[gnu::always_inline]] static void copyShort(char* to, const char* from, std::size_t n) {
    if (n >= 8 && n <= 16) {
      std::uint64_t head, tail;
      std::memcpy(&head, from, 8);
      std::memcpy(&tail, from + n - 8, 8);
      std::memcpy(to, &head, 8);
      std::memcpy(to + n - 8, &tail, 8);
    } else if (n >= 4 && n < 8) {
      std::uint32_t head, tail;
      std::memcpy(&head, from, 4);
      std::memcpy(&tail, from + n - 4, 4);
      std::memcpy(to, &head, 4);
      std::memcpy(to + n - 4, &tail, 4);
    } else if (n > 0 && n < 4) {
      to[0] = from[0];
      to[n / 2] = from[n / 2];
      to[n - 1] = from[n - 1];
    } else if (n > 16 && n <= 32) {
      std::uint64_t a, b, c, d;
      std::memcpy(&a, from, 8);
      std::memcpy(&b, from + 8, 8);
      std::memcpy(&c, from + n - 16, 8);
      std::memcpy(&d, from + n - 8, 8);
      std::memcpy(to, &a, 8);
      std::memcpy(to + 8, &b, 8);
      std::memcpy(to + n - 16, &c, 8);
      std::memcpy(to + n - 8, &d, 8);
    } else if (n > 32) {
      std::memcpy(to, from, n);
    }
  }
  void addOverflowing(std::string_view text);
  void useStorage(std::size_t capacity);

  TextFileWriter* writer_;
  std::unique_ptr<char[]> small_;  // ordinary memory while the text is small
  std::unique_ptr<char[]> block_;  // a kept block once it is large (with a writer)
  char* data_ = nullptr;           // the storage in use
  char* cursor_ = nullptr;         // the end of the text in it
  char* end_ = nullptr;            // the end of the storage
};

}  // namespace support
