#include "exchange/record_lines.h"

#include "exchange/vocabulary.h"
#include "support/strings.h"

namespace exchange {

HeaderLine headerLine(const support::RecordReader& reader) {
  const std::string& text = reader.line();
  const std::size_t equals = text.find('=');
  return {reader.field(3), reader.textAfterEquals(),
          std::string(support::trimView(std::string_view(text).substr(0, equals))), text};
}

void writeReferenceLine(support::TextBuffer& file, std::string_view base,
                        std::string_view extension) {
  file.add("Reference Model (FEMAP) = ");
  file.add(base);
  file.add(".");
  file.line(support::trimView(extension));
}

void writeSolverFileLine(support::TextBuffer& file, std::string_view label, std::string_view base,
                         std::string_view solver, std::string_view neExtension,
                         std::string_view nxExtension) {
  const bool ne = solver == kNENastran;
  file.add(label);
  file.add(ne ? " (NastranNE) = " : " (NastranNX) = ");
  file.add(base);
  file.line(ne ? neExtension : nxExtension);
}

void writeRecordLine(support::TextBuffer& file, std::initializer_list<std::string_view> fields) {
  bool first = true;
  for (std::string_view field : fields) {
    if (!first) file.add("  ");
    file.add(field);
    first = false;
  }
  file.line();
}

}  // namespace exchange
