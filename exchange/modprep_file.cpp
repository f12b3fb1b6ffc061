#include "exchange/modprep_file.h"

#include "exchange/vocabulary.h"
#include "support/record_reader.h"
#include "support/strings.h"

namespace exchange {
namespace {

constexpr std::string_view kTwoBlanks = "  ";

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

void writeReferenceLine(support::TextBuffer& file, std::string_view base,
                        std::string_view extension) {
  file.add("Reference Model (FEMAP) = ");
  file.add(base);
  file.add(".");
  file.line(support::trimView(extension));
}

void writeModprepHead(support::TextBuffer& file, std::string_view base,
                      std::string_view extension, std::string_view solver) {
  writeReferenceLine(file, base, extension);
  if (solver == kNENastran) {
    file.add("Input Deck (NastranNE) = ");
    file.add(base);
    file.line(".nas");
  } else {
    file.add("Input Deck (NastranNX) = ");
    file.add(base);
    file.line(".dat");
  }
  file.add("NameValue = ");
  file.line(kInputValuesFile);
}

void writeModprepRecord(support::TextBuffer& file, const InputRowView& row) {
  file.add(row.entityType);
  file.add(kTwoBlanks);
  file.add(row.name);
  file.add(kTwoBlanks);
  file.add(row.entityId);
  file.add(kTwoBlanks);
  file.add(row.member);
  file.add(kTwoBlanks);
  file.line(row.index);
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
