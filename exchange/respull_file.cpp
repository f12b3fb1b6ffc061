#include "exchange/respull_file.h"

#include "exchange/vocabulary.h"
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
    *header = {reader.field(3), reader.textAfterEquals()};
    ++file.headerLines;
    more = reader.next();
  }
  for (; more; more = reader.next()) {
    file.records.push_back({reader.field(1), reader.field(2), reader.field(3),
                            reader.intField(3, 0), reader.intField(4, 0)});
  }
  return file;
}

std::string outputFileName(const RespullFile& file) {
  return file.headerLines == 3 ? file.output.file : std::string(kOutputValuesFile);
}

}  // namespace exchange
