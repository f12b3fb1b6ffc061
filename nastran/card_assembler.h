#pragma once
// Bulk-data lines joined into cards: a card's first line and its continuation lines, in any of
// the field formats (small, large, free field, tabs), taken apart into fields.
//
// A line starts a card when its field 1 starts with a letter (a name ending in '*' starts a
// large-field card). It continues the card before it when its field 1 is blank, or starts with
// '+' (eight small fields follow) or '*' (four large fields follow), or when the line before it
// was a free-field line ending in a comma. A continuation carries the fields after those of the
// line before it, so the card's fields are numbered on from line to line; blank trailing fields of
// a line count. Where the line before holds a marker in field 10 and the continuation one in
// field 1, the two must be the same (the leading '+' or '*' aside). Comment and blank lines may
// stand between a card and its continuations; a card does not go on into or out of an included
// file.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "nastran/bulk_format.h"
#include "nastran/deck_error.h"

namespace nastran {

struct RawField {
  std::uint32_t offset = 0;  // in RawCard::text
  std::uint32_t length = 0;
  std::uint32_t line = 0;  // the line the field stands on
};

// One card as the lines give it: the fields' texts as written, without surrounding blanks
// (the name in upper case).
struct RawCard {
  std::string name;              // without the large-field '*'
  std::string text;              // the fields' texts one after the other
  std::vector<RawField> fields;  // field 1 (the first after the name) first; blank trailing fields dropped
  std::vector<std::string_view> lines;  // the card's lines as they stand, comments cut off
  Location at;                          // the first line

  std::size_t count() const { return fields.size(); }
  // Field n, counted from 1; "" when blank or beyond the last.
  std::string_view field(std::size_t n) const {
    if (n < 1 || n > fields.size()) return {};
    const RawField& f = fields[n - 1];
    return std::string_view(text).substr(f.offset, f.length);
  }
  // The line of field n; the card's first line for a field beyond the last.
  std::uint32_t lineOf(std::size_t n) const { return n >= 1 && n <= fields.size() ? fields[n - 1].line : at.line; }
};

// Receives each card as soon as it is complete; the card is valid only during the call.
class CardSink {
 public:
  virtual ~CardSink() = default;
  virtual void card(const RawCard& card) = 0;
};

class CardAssembler {
 public:
  // `names` names the files for messages.
  CardAssembler(CardSink& sink, const std::vector<std::string>& names) : sink_(sink), names_(names) {}

  // One line of the bulk data section (the text must stay valid until the card it belongs to is
  // complete). Throws DeckError for a line that is neither a card nor a continuation.
  void add(std::string_view line, Location at);
  // Ends the card being assembled (at the end of the section, or of a file).
  void finish();

 private:
  // One line taken apart: field 1, the data fields, field 10.
  struct LineFields {
    std::string_view head;
    bool freeField = false;
    bool large = false;
    bool headless = false;  // a free-field continuation after a trailing comma: no field 1
    bool trailingComma = false;
    std::size_t count = 0;  // data fields the line carries (eight small or four large ones)
    std::string_view marker;
    std::string_view data[format::kSmallFieldsPerLine];  // the first `count` are set

    // Ready for the next line (`data` is left as it is: split() sets what the line has).
    void start(bool freeFieldLine) {
      head = {};
      freeField = freeFieldLine;
      large = headless = trailingComma = false;
      count = 0;
      marker = {};
    }
  };
  void split(std::string_view content, Location at, LineFields& parts);
  void appendFields(std::string_view content, const LineFields& parts, Location at);
  [[noreturn]] void fail(Location at, const std::string& subject, const std::string& reason) const;

  CardSink& sink_;
  const std::vector<std::string>& names_;
  RawCard card_;
  bool open_ = false;
  std::string previousMarker_;       // field 10 of the card's last line
  bool previousTrailingComma_ = false;  // the card's last line was a free-field line ending in ','
  std::uint32_t previousLine_ = 0;
  std::string expanded_;             // a line with its tabs expanded
  std::vector<std::string_view> tokens_;
  LineFields parts_;
};

}  // namespace nastran
