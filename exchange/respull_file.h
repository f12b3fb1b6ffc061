#pragma once
// "Respull.txt": what Respull reads after every solver run. An optional first record
// "DELETE" (any letter case; never written by the pane), three header lines (the reference
// model, the results file, the output file), then one record per output variable: output
// kind, variable name, entity ID (or mass-property word), output vector ID (or component
// index), separated by two blanks.
//
// Read like "Modprep.txt" (exchange/modprep_file.h): blank and "#" lines skipped, lines
// trimmed, records split at runs of blanks.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/record_lines.h"
#include "exchange/rows.h"
#include "support/text_buffer.h"

namespace exchange {

// ---- writer ----

// The three head lines: reference model, results file by solver ("NENastran": "(NastranNE)"
// and base + ".fno"; any other: "(NastranNX)" and base + ".op2"), output file.
void writeRespullHead(support::TextBuffer& file, std::string_view base,
                      std::string_view extension, std::string_view solver);
// Kind, name, entity, vector: the row's fields as they stand.
void writeRespullRecord(support::TextBuffer& file, const OutputRowView& row);

// ---- reader ----

struct OutputRecord {
  std::string kind;           // field 1: "Output", "maxval", "minval", "MassProperties", any case
  std::string name;           // field 2
  std::string entity;         // field 3 as written: an entity ID or a mass-property word
  // Field 3 as a whole number; 0 when missing or not a number (one beyond 64 bits reads as the
  // nearest 64-bit value, so that it is refused as out of range).
  std::int64_t entityId = 0;
  std::int64_t vector = 0;  // field 4: output vector ID or component index; 0 when missing
  std::string vectorText;   // field 4 as written, for messages
};

struct RespullFile {
  bool deleteResults = false;  // the first record is "DELETE"
  // The header lines; a missing one reads as empty. `headerLines` counts those present.
  HeaderLine reference;
  HeaderLine results;
  HeaderLine output;
  int headerLines = 0;
  std::vector<OutputRecord> records;  // every record after the three header lines
};

RespullFile parseRespullFile(std::string text);

// The output file the exchange file names, or "OutputValues.txt" when it has no output line.
std::string outputFileName(const RespullFile& file);

}  // namespace exchange
