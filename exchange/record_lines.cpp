#include "exchange/record_lines.h"

#include "exchange/vocabulary.h"
#include "support/line_reader.h"
#include "support/record_reader.h"
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

std::string renameHeaderFiles(std::string_view text,
                              const std::function<std::string(const std::string&)>& rename) {
  std::string renamed;
  renamed.reserve(text.size());
  int headerLines = 0;
  bool firstRecord = true;
  support::LineReader lines(text);
  std::size_t start = 0;  // where the current line starts in `text`
  while (const std::optional<std::string_view> line = lines.next()) {
    const std::size_t lineStart = start;
    start = lineStart + line->size();
    const std::string_view lineEnd = text.substr(start, text.substr(start, 2).starts_with("\r\n") ? 2 : 1);
    start += lineEnd.size();
    renamed += *line;

    const std::vector<std::string_view> fields = support::splitFields(*line);
    const bool record = !fields.empty() && fields.front().front() != '#';
    const bool deleteRecord = record && firstRecord && support::equalsIgnoreCase(fields.front(), "DELETE");
    if (record) firstRecord = false;
    if (record && !deleteRecord && headerLines < 2) {
      ++headerLines;
      const std::size_t equals = line->find('=');
      if (equals != std::string_view::npos) {
        const std::string file(support::trimView(line->substr(equals + 1)));
        const std::string name = rename(file);
        if (name != file) renamed.replace(renamed.size() - line->size() + equals + 1, std::string::npos, " " + name);
      }
    }
    renamed += lineEnd;
  }
  return renamed;
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
