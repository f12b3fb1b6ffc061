#include "nastran/card_assembler.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "nastran/bulk_format.h"
#include "nastran/text.h"

namespace nastran {
namespace {

using text::isDigit;
using text::isLetter;
using text::trimBlanks;
using text::upper;

bool isCardName(std::string_view name) {
  if (name.empty() || name.size() > format::kMaxNameLength || !isLetter(name[0])) return false;
  for (char c : name)
    if (!isLetter(c) && !isDigit(c)) return false;
  return true;
}

// The marker without its leading '+' or '*', which only says the width of the fields.
std::string_view markerName(std::string_view marker) {
  if (!marker.empty() && (marker[0] == format::kSmallMarker || marker[0] == format::kLargeMarker))
    marker.remove_prefix(1);
  return marker;
}

// What one look over a line finds: where its comment starts (its size when it has none), and
// whether a comma (free field) or a tab stands before that.
struct LineMarks {
  std::size_t comment = 0;
  bool comma = false;
  bool tab = false;
};

LineMarks markLine(std::string_view line) {
  LineMarks marks{line.size(), false, false};
  std::size_t i = 0;
#if defined(__SSE2__)
  // Sixteen characters at a time: most lines are card images of 80 columns or less.
  const __m128i dollar = _mm_set1_epi8(format::kComment);
  const __m128i comma = _mm_set1_epi8(format::kSeparator);
  const __m128i tab = _mm_set1_epi8('\t');
  for (; i + 16 <= line.size(); i += 16) {
    __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line.data() + i));
    auto dollars = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, dollar)));
    auto commas = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, comma)));
    auto tabs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, tab)));
    if (dollars != 0) {
      unsigned before = (dollars & (0u - dollars)) - 1;  // the characters before the first '$'
      marks.comma = marks.comma || (commas & before) != 0;
      marks.tab = marks.tab || (tabs & before) != 0;
      marks.comment = i + static_cast<std::size_t>(std::countr_zero(dollars));
      return marks;
    }
    marks.comma = marks.comma || commas != 0;
    marks.tab = marks.tab || tabs != 0;
  }
#endif
  for (; i < line.size(); ++i) {
    char c = line[i];
    if (c == format::kComment) {
      marks.comment = i;
      break;
    }
    if (c == format::kSeparator) marks.comma = true;
    else if (c == '\t') marks.tab = true;
  }
  return marks;
}

}  // namespace

void CardAssembler::fail(Location at, const std::string& subject, const std::string& reason) const {
  throw DeckError(names_, at, subject, reason);
}

void CardAssembler::split(std::string_view content, Location at, LineFields& parts) {
  if (parts.freeField) {
    tokens_.clear();
    std::size_t start = 0;
    while (true) {
      std::size_t comma = content.find(format::kSeparator, start);
      tokens_.push_back(trimBlanks(content.substr(start, comma == std::string_view::npos ? comma : comma - start)));
      if (comma == std::string_view::npos) break;
      start = comma + 1;
    }
    parts.trailingComma = trimBlanks(content).back() == format::kSeparator;
    std::size_t first = parts.headless ? 0 : 1;
    std::size_t capacity = format::fieldsPerLine(parts.large);
    std::size_t dataCount = tokens_.size() - first;
    if (dataCount > capacity + 1) {
      std::string_view subject = parts.headless ? std::string_view(card_.name) : parts.head;
      if (!subject.empty() && subject.back() == format::kLargeMarker) subject.remove_suffix(1);
      fail(at, upper(subject),
           std::to_string(dataCount) + " fields on one line; a " + (parts.large ? "large" : "small") +
               "-field line holds at most " + std::to_string(capacity) + ", the rest go on continuation lines");
    }
    if (dataCount == capacity + 1) parts.marker = tokens_.back();
    parts.count = capacity;
    for (std::size_t i = 0; i < capacity; ++i) parts.data[i] = i < dataCount ? tokens_[first + i] : std::string_view();
    return;
  }
  // Fixed columns; the head was taken from the same (tab-expanded) text.
  std::size_t width = format::fieldWidth(parts.large);
  parts.count = format::fieldsPerLine(parts.large);
  auto column = [&](std::size_t start, std::size_t length) {
    return start < content.size() ? trimBlanks(content.substr(start, length)) : std::string_view();
  };
  for (std::size_t i = 0; i < parts.count; ++i) parts.data[i] = column(format::kNameWidth + i * width, width);
  parts.marker = column(format::kMarkerColumn, format::kNameWidth);
}

void CardAssembler::appendFields(std::string_view content, const LineFields& parts, Location at) {
  // The line's text is copied once; each field is where it stands in it (the fields of a line
  // are all parts of `content`, a blank one beyond its end has no text).
  const std::size_t base = card_.text.size();
  card_.text.append(content);
  const std::size_t first = card_.fields.size();
  card_.fields.resize(first + parts.count);
  RawField* field = card_.fields.data() + first;
  for (std::size_t i = 0; i < parts.count; ++i, ++field) {
    std::string_view text = parts.data[i];
    std::size_t offset = text.empty() ? 0 : static_cast<std::size_t>(text.data() - content.data());
    *field = RawField{static_cast<std::uint32_t>(base + offset), static_cast<std::uint32_t>(text.size()), at.line};
  }
  previousMarker_.assign(parts.marker);
  previousTrailingComma_ = parts.freeField && parts.trailingComma;
  previousLine_ = at.line;
}

void CardAssembler::add(std::string_view line, Location at) {
  const LineMarks marks = markLine(line);
  line = line.substr(0, marks.comment);
  if (trimBlanks(line).empty()) return;
  if (open_ && at.file != card_.at.file) finish();

  LineFields& parts = parts_;  // reused: made afresh for every line, it costs more than the rest
  parts.start(marks.comma);
  std::string_view content = line;
  if (parts.freeField) {
    parts.head = trimBlanks(line.substr(0, line.find(format::kSeparator)));
  } else {
    if (marks.tab) {
      expanded_.clear();
      for (char c : line) {
        if (c != '\t') {
          expanded_ += c;
          continue;
        }
        do expanded_ += ' ';
        while (expanded_.size() % format::kTabStop != 0);
      }
      content = expanded_;
    }
    if (content.size() > format::kLineWidth) content = content.substr(0, format::kLineWidth);
    parts.head = trimBlanks(content.substr(0, format::kNameWidth));
  }

  bool continuation = parts.head.empty() || parts.head[0] == format::kSmallMarker || parts.head[0] == format::kLargeMarker;
  if (!continuation && !isLetter(parts.head[0])) {
    if (!(open_ && previousTrailingComma_)) fail(at, "", "'" + std::string(trimBlanks(line)) + "' is not a bulk data card");
    // After a free-field line ending in a comma: the fields go on, in free field.
    continuation = true;
    parts.headless = true;
    parts.freeField = true;
    content = line;
  }

  if (continuation) {
    if (!open_) fail(at, "", "continuation line without a card before it");
    parts.large = !parts.headless && !parts.head.empty() && parts.head[0] == format::kLargeMarker;
    if (!parts.headless) {
      std::string_view expected = markerName(previousMarker_);
      std::string_view given = markerName(parts.head);
      if (!expected.empty() && !given.empty() && !text::isWord(given, text::upper(expected)))
        fail(at, card_.name,
             "continuation marker '" + std::string(parts.head) + "' does not match '" + previousMarker_ +
                 "' at the end of line " + std::to_string(previousLine_));
    }
    split(content, at, parts);
    card_.lines.push_back(line);
    appendFields(content, parts, at);
    return;
  }

  finish();
  std::string_view name = parts.head;
  parts.large = name.back() == format::kLargeMarker;
  if (parts.large) name.remove_suffix(1);
  if (!isCardName(name)) fail(at, "", "'" + std::string(trimBlanks(line)) + "' is not a bulk data card");
  split(content, at, parts);
  card_.name = upper(name);
  card_.text.clear();
  card_.fields.clear();
  card_.lines.clear();
  card_.lines.push_back(line);
  card_.at = at;
  open_ = true;
  appendFields(content, parts, at);
}

void CardAssembler::finish() {
  if (!open_) return;
  open_ = false;
  while (!card_.fields.empty() && card_.fields.back().length == 0) card_.fields.pop_back();
  sink_.card(card_);
}

}  // namespace nastran
