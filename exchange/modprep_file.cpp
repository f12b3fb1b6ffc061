#include "exchange/modprep_file.h"

#include "exchange/vocabulary.h"
#include "support/number_text.h"
#include "support/record_reader.h"

namespace exchange {
namespace {

HeaderLine nextHeaderLine(support::RecordReader& reader) {
  reader.next();
  return headerLine(reader);
}

VariableRecord variableRecord(const support::RecordReader& reader) {
  VariableRecord record;
  record.entityType = reader.field(1);
  record.name = reader.field(2);
  record.entityIdText = reader.field(3);
  record.member = reader.field(4);
  record.indexText = reader.field(5);
  // A number too long for 64 bits stays a number (the nearest one) so that it is refused as
  // out of range instead of reading as a missing field.
  record.entityId = support::parseIntegerClamped(record.entityIdText).value_or(0);
  record.index = support::parseIntegerClamped(record.indexText).value_or(-1);
  return record;
}

}  // namespace

void writeModprepHead(support::TextBuffer& file, std::string_view base,
                      std::string_view extension, std::string_view solver) {
  writeReferenceLine(file, base, extension);
  writeSolverFileLine(file, "Input Deck", base, solver, ".nas", ".dat");
  file.add("NameValue = ");
  file.line(kInputValuesFile);
}

void writeModprepRecord(support::TextBuffer& file, const InputRowView& row) {
  writeRecordLine(file, {row.entityType, row.name, row.entityId, row.member, row.index});
}

ModprepFile parseModprepFile(std::string text) {
  support::RecordReader reader(std::move(text));
  ModprepFile file;
  file.reference = nextHeaderLine(reader);
  file.deck = nextHeaderLine(reader);
  file.values = nextHeaderLine(reader);
  while (reader.next()) file.records.push_back(variableRecord(reader));
  return file;
}

}  // namespace exchange
