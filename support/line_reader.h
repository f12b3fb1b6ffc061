#pragma once
// The lines of a text one after the other, as they stand: LF or CR LF line ends, the last line
// needs none. The text must outlive the reader.

#include <cstddef>
#include <optional>
#include <string_view>

namespace support {

class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}

  bool atEnd() const { return position_ >= text_.size(); }
  // The next line without its line end; nullopt at the end of the text.
  std::optional<std::string_view> next() {
    if (atEnd()) return std::nullopt;
    std::size_t end = text_.find('\n', position_);
    if (end == std::string_view::npos) end = text_.size();
    std::string_view line = text_.substr(position_, end - position_);
    position_ = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
  }

 private:
  std::string_view text_;
  std::size_t position_ = 0;
};

}  // namespace support
