#pragma once
// Reader of the exchange files' records: blank lines and lines whose first non-blank
// character is "#" are skipped, each line is trimmed, fields are separated by runs of blanks
// and numbered from 1. CR LF and LF line ends are both accepted; a line is never cut.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace support {

class RecordReader {
 public:
  // Reads the whole file; throws std::system_error naming the file when it cannot.
  static RecordReader fromFile(const std::filesystem::path& path);
  explicit RecordReader(std::string text);

  // Moves to the next record; false (and an empty current record) when none is left.
  bool next();
  // True when no record is left after the current one.
  bool atEnd() const;

  const std::string& line() const { return line_; }  // the current record, trimmed
  std::size_t fieldCount() const { return fields_.size(); }
  // Field n (from 1) of the current record; empty when missing.
  std::string field(std::size_t n) const;
  // Field n as a whole number / real number; nullopt when missing or not a number.
  std::optional<std::int64_t> intFieldValue(std::size_t n) const;
  std::optional<double> realFieldValue(std::size_t n) const;
  // The same with a default for a missing field or one that is not a number.
  std::int64_t intField(std::size_t n, std::int64_t fallback) const;
  double realField(std::size_t n, double fallback) const;
  // The text after the first "=" of the current record, trimmed; empty when there is no "=".
  std::string textAfterEquals() const;

 private:
  std::string text_;
  std::size_t position_ = 0;       // start of the next unread line in text_
  std::size_t nextRecordAt_ = 0;   // start of the next record (after skipping), or npos
  std::string line_;
  // Where each field lies in line_. Offsets rather than views, so that a copied or moved
  // reader never points into another reader's line.
  struct FieldSpan {
    std::size_t start, length;
  };
  std::vector<FieldSpan> fields_;
  std::size_t findRecord(std::size_t from) const;
  std::string_view fieldView(std::size_t n) const;
};

// Splits a trimmed line into fields at runs of blanks (and tabs).
std::vector<std::string_view> splitFields(std::string_view line);

}  // namespace support
