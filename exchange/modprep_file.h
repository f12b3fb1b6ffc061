#pragma once
// "Modprep.txt": what Modprep reads before every solver run. Three header lines (the
// reference model, the input deck, the values file), then one record per input variable:
// entity type, variable name, entity ID, member name, index, separated by two blanks.
//
// The reader skips blank lines and lines that begin with "#", trims every line and splits a
// record at runs of blanks (support::RecordReader). A header line is used only through its
// format tag (the third field, parentheses included) and the text after its first "=".

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/record_lines.h"
#include "exchange/rows.h"
#include "support/text_buffer.h"

namespace exchange {

// ---- writer ----

// The three head lines: reference model, input deck by solver ("NENastran": "(NastranNE)"
// and base + ".nas"; any other: "(NastranNX)" and base + ".dat"), values file.
void writeModprepHead(support::TextBuffer& file, std::string_view base,
                      std::string_view extension, std::string_view solver);
// Entity type, name, entity ID, member, index: the row's fields as they stand.
void writeModprepRecord(support::TextBuffer& file, const InputRowView& row);

// ---- reader ----

struct VariableRecord {
  std::string entityType;     // field 1: "Node", "Prop", ..., "Function", or a load kind
  std::string name;           // field 2
  std::string member;         // field 4: the member the value goes into; may be empty
  // Field 3; 0 when missing or not a number (one beyond 64 bits reads as the nearest 64-bit
  // value, so that it is refused as out of range).
  std::int64_t entityId = 0;
  std::int64_t index = -1;    // field 5; -1 when missing or not a number; as field 3 beyond 64 bits
  std::string entityIdText;   // fields 3 and 5 as written, for messages
  std::string indexText;
};

struct ModprepFile {
  HeaderLine reference;
  HeaderLine deck;
  HeaderLine values;
  std::vector<VariableRecord> records;  // every record after the three header lines
};

ModprepFile parseModprepFile(std::string text);

}  // namespace exchange
