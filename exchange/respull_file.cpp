#include "exchange/respull_file.h"

#include "exchange/vocabulary.h"
#include "support/number_text.h"
#include "support/record_reader.h"
#include "support/strings.h"

namespace exchange {
namespace {

constexpr std::string_view kDeleteRecord = "DELETE";

}  // namespace

void writeRespullHead(support::TextBuffer& file, std::string_view base,
                      std::string_view extension, std::string_view solver) {
  writeReferenceLine(file, base, extension);
  writeSolverFileLine(file, "Results File", base, solver, ".fno", ".op2");
  file.add("OutputNameValue = ");
  file.line(kOutputValuesFile);
}

void writeRespullRecord(support::TextBuffer& file, const OutputRowView& row) {
  writeRecordLine(file, {row.kind, row.name, row.entity, row.vector});
}

RespullFile parseRespullFile(std::string text) {
  support::RecordReader reader(std::move(text));
  RespullFile file;
  bool more = reader.next();
  if (more && support::equalsIgnoreCase(reader.field(1), kDeleteRecord)) {
    file.deleteResults = true;
    more = reader.next();
  }
  for (HeaderLine* header : {&file.reference, &file.results, &file.output}) {
    if (!more) break;
    *header = headerLine(reader);
    ++file.headerLines;
    more = reader.next();
  }
  for (; more; more = reader.next()) {
    OutputRecord& record = file.records.emplace_back();
    record.kind = reader.field(1);
    record.name = reader.field(2);
    record.entity = reader.field(3);
    record.vectorText = reader.field(4);
    record.entityId = support::parseIntegerClamped(record.entity).value_or(0);
    record.vector = support::parseIntegerClamped(record.vectorText).value_or(0);
  }
  return file;
}

std::string outputFileName(const RespullFile& file) {
  return file.headerLines == 3 ? file.output.file : std::string(kOutputValuesFile);
}

}  // namespace exchange
