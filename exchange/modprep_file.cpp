#include "exchange/modprep_file.h"

#include "exchange/vocabulary.h"
#include "support/record_reader.h"

namespace exchange {
namespace {

HeaderLine headerLine(support::RecordReader& reader) {
  reader.next();
  return {reader.field(3), reader.textAfterEquals()};
}

VariableRecord variableRecord(const support::RecordReader& reader) {
  VariableRecord record;
  record.entityType = reader.field(1);
  record.name = reader.field(2);
  record.entityIdText = reader.field(3);
  record.member = reader.field(4);
  record.indexText = reader.field(5);
  record.entityId = reader.intField(3, 0);
  record.index = reader.intField(5, -1);
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
  file.reference = headerLine(reader);
  file.deck = headerLine(reader);
  file.values = headerLine(reader);
  while (reader.next()) file.records.push_back(variableRecord(reader));
  return file;
}

}  // namespace exchange
