#pragma once
// The lines of "Modprep.txt" and "Respull.txt". Three header lines open them: a label, a blank,
// a format tag in parentheses, " = " and a file name; the third is a key, " = " and a file name.
// Readers use only the format tag (the third blank-separated field) and the text after the
// first "=". Every other line is a record: fields separated by two blanks.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

#include "support/record_reader.h"
#include "support/text_buffer.h"

namespace exchange {

// Entity IDs, indexes and components are held as 16-bit integers by FEMAP's objects.
constexpr bool fitsInt16(std::int64_t value) { return value >= -32768 && value <= 32767; }

// A header line as the readers use it.
struct HeaderLine {
  std::string tag;   // field 3, e.g. "(FEMAP)"; empty when missing
  std::string file;  // the text after the first "=", trimmed; empty without "="
  std::string key;   // the text before the first "=", trimmed ("OutputNameValue")
  std::string text;  // the whole line, trimmed, for messages
};

// The header line that is the current record of `reader`.
HeaderLine headerLine(const support::RecordReader& reader);

// "Reference Model (FEMAP) = " base "." extension (trimmed).
void writeReferenceLine(support::TextBuffer& file, std::string_view base,
                        std::string_view extension);
// `label` " (NastranNE) = " base `neExtension` for the solver "NENastran", else
// `label` " (NastranNX) = " base `nxExtension`.
void writeSolverFileLine(support::TextBuffer& file, std::string_view label, std::string_view base,
                         std::string_view solver, std::string_view neExtension,
                         std::string_view nxExtension);

// The text of "Modprep.txt" or "Respull.txt" with the file names of its first two header lines
// (the reference model; the input deck or the results file) replaced by what `rename` makes of
// them; every other byte stays. A leading "DELETE" record is no header line.
std::string renameHeaderFiles(std::string_view text,
                              const std::function<std::string(const std::string&)>& rename);

// The fields as they stand, separated by two blanks.
void writeRecordLine(support::TextBuffer& file, std::initializer_list<std::string_view> fields);

}  // namespace exchange
