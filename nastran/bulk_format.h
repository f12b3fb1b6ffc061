#pragma once
// The layout of bulk-data lines, shared by the deck reader and the deck writer.
//
// A fixed-format line is a card image of ten fields: field 1 (columns 1-8) holds the card name
// or a continuation marker, fields 2-9 hold data, field 10 (columns 73-80) may hold the marker
// that the next line's field 1 repeats. A small-field line has eight data fields of 8 columns; a
// large-field line (name ending in '*', continuation lines starting with '*') has four of 16, so
// that two large-field lines carry what one small-field line does. A free-field line separates
// the same fields by commas; its data fields may be as long as the fixed field they stand for.
// Columns beyond 80 are not part of a fixed-format line.

#include <cstddef>

namespace nastran::format {

inline constexpr std::size_t kNameWidth = 8;  // field 1, and field 10
inline constexpr std::size_t kSmallFieldWidth = 8;
inline constexpr std::size_t kLargeFieldWidth = 16;
inline constexpr std::size_t kSmallFieldsPerLine = 8;
inline constexpr std::size_t kLargeFieldsPerLine = 4;
inline constexpr std::size_t kMarkerColumn = kNameWidth + kSmallFieldsPerLine * kSmallFieldWidth;  // 72
inline constexpr std::size_t kLineWidth = kMarkerColumn + kNameWidth;                           // 80
inline constexpr std::size_t kTabStop = 8;
inline constexpr std::size_t kMaxNameLength = 8;  // card names have at most eight characters

inline constexpr char kComment = '$';
inline constexpr char kSeparator = ',';  // free field
inline constexpr char kSmallMarker = '+';
inline constexpr char kLargeMarker = '*';  // after a name, and at the start of a continuation

constexpr std::size_t fieldWidth(bool large) { return large ? kLargeFieldWidth : kSmallFieldWidth; }
constexpr std::size_t fieldsPerLine(bool large) { return large ? kLargeFieldsPerLine : kSmallFieldsPerLine; }

static_assert(kLargeFieldsPerLine * kLargeFieldWidth == kSmallFieldsPerLine * kSmallFieldWidth);

}  // namespace nastran::format
