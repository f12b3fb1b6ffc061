#include "support/record_reader.h"

#include "support/number_text.h"
#include "support/text_file.h"

namespace support {

namespace {

// Blanks and tabs separate fields. Tested one character at a time: the lines are short
// and many, so this beats the general find_first_of.
constexpr bool isFieldSeparator(char c) { return c == ' ' || c == '\t'; }

// Removes blanks and tabs at both ends, and a CR left over from a CR LF line end.
std::string_view trimRecordLine(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  std::size_t first = 0, last = line.size();
  while (first < last && isFieldSeparator(line[first])) ++first;
  while (last > first && isFieldSeparator(line[last - 1])) --last;
  return line.substr(first, last - first);
}

bool isRecord(std::string_view trimmedLine) {
  return !trimmedLine.empty() && trimmedLine.front() != '#';
}

// The line starting at `start` of `text`, without its LF; `next` receives the start of the
// following line (text.size() at the end).
std::string_view lineAt(std::string_view text, std::size_t start, std::size_t& next) {
  const std::size_t end = text.find('\n', start);
  if (end == std::string_view::npos) {
    next = text.size();
    return text.substr(start);
  }
  next = end + 1;
  return text.substr(start, end - start);
}

// Calls found(start, length) for each field of `line`; fields are separated by runs of
// blanks and tabs.
template <class Found>
void forEachField(std::string_view line, Found&& found) {
  std::size_t at = 0;
  const std::size_t size = line.size();
  for (;;) {
    while (at < size && isFieldSeparator(line[at])) ++at;
    if (at == size) return;
    const std::size_t start = at;
    while (at < size && !isFieldSeparator(line[at])) ++at;
    found(start, at - start);
  }
}

}  // namespace

std::vector<std::string_view> splitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  forEachField(line, [&](std::size_t start, std::size_t length) {
    fields.push_back(line.substr(start, length));
  });
  return fields;
}

RecordReader RecordReader::fromFile(const std::filesystem::path& path) {
  return RecordReader(readWholeFile(path));
}

RecordReader::RecordReader(std::string text) : text_(std::move(text)) {
  nextRecordAt_ = findRecord(0);
}

std::size_t RecordReader::findRecord(std::size_t from) const {
  std::size_t next = from;
  while (next < text_.size()) {
    const std::size_t start = next;
    if (isRecord(trimRecordLine(lineAt(text_, start, next)))) return start;
  }
  return std::string::npos;
}

bool RecordReader::next() {
  line_.clear();
  fields_.clear();
  if (nextRecordAt_ == std::string::npos) return false;

  line_.assign(trimRecordLine(lineAt(text_, nextRecordAt_, position_)));
  forEachField(line_, [&](std::size_t start, std::size_t length) {
    fields_.push_back(FieldSpan{start, length});
  });
  nextRecordAt_ = findRecord(position_);
  return true;
}

bool RecordReader::atEnd() const { return nextRecordAt_ == std::string::npos; }

std::string_view RecordReader::fieldView(std::size_t n) const {
  if (n == 0 || n > fields_.size()) return {};
  const FieldSpan& span = fields_[n - 1];
  return std::string_view(line_).substr(span.start, span.length);
}

std::string RecordReader::field(std::size_t n) const { return std::string(fieldView(n)); }

std::optional<std::int64_t> RecordReader::intFieldValue(std::size_t n) const {
  return parseInteger(fieldView(n));
}

std::optional<double> RecordReader::realFieldValue(std::size_t n) const {
  return parseNumber(fieldView(n));
}

std::int64_t RecordReader::intField(std::size_t n, std::int64_t fallback) const {
  return intFieldValue(n).value_or(fallback);
}

double RecordReader::realField(std::size_t n, double fallback) const {
  return realFieldValue(n).value_or(fallback);
}

std::string RecordReader::textAfterEquals() const {
  const std::size_t equals = line_.find('=');
  if (equals == std::string::npos) return {};
  return std::string(trimRecordLine(std::string_view(line_).substr(equals + 1)));
}

}  // namespace support
