#include "exchange/functions_file.h"

#include <limits>

#include "support/err.h"
#include "support/line_reader.h"
#include "support/number_text.h"
#include "support/strings.h"

namespace exchange {
namespace {

constexpr std::string_view kPastEnd = "Input past end of file";

double pointCoordinate(std::string_view text) {
  auto value = support::parseNumber(text);
  if (!value)
    throw support::RuntimeError("Type mismatch: \"" + std::string(text) + "\" is not a number");
  return *value;
}

// Reads the ID and count lines of `block`; the count line is read only after a good ID.
void readBlockHeader(support::LineReader& lines, FunctionBlock& block) {
  try {
    block.id = functionInteger(block.idLine);
    const std::optional<std::string_view> countLine = lines.next();
    if (!countLine) throw support::RuntimeError(std::string(kPastEnd));
    block.count = functionInteger(*countLine);
    if (block.count < 0) {
      throw support::RuntimeError("Invalid point count " + support::formatInteger(block.count));
    }
  } catch (const support::RuntimeError& failure) {
    block.headerError = failure.what();
  }
}

}  // namespace

void writeFunctionHead(support::TextBuffer& file, std::int32_t id, std::string_view title,
                       std::int32_t pointCount) {
  file.line(kFunctionBlockStart);
  file.add(support::formatSignedInteger(id));
  file.line(" ");
  file.line(title);
  file.line(support::formatSignedInteger(pointCount));
}

void writePointLine(support::TextBuffer& file, double x, double y) {
  file.add(support::formatSignedNumber(x));
  file.add("_");
  file.line(support::formatSignedNumber(y));
}

FunctionsFile parseFunctionsFile(std::string_view text) {
  FunctionsFile file;
  support::LineReader lines(text);
  while (const std::optional<std::string_view> line = lines.next()) {
    if (*line != kFunctionBlockStart) continue;
    const std::optional<std::string_view> idLine = lines.next();
    const std::optional<std::string_view> title = idLine ? lines.next() : std::nullopt;
    if (!title) {
      file.endsInsideBlock = true;
      break;
    }
    FunctionBlock& block = file.blocks.emplace_back();
    block.idLine = *idLine;
    block.title = *title;
    readBlockHeader(lines, block);
    if (!block.headerError.empty()) continue;
    for (std::int32_t j = 0; j < block.count; ++j) {
      const std::optional<std::string_view> pointLine = lines.next();
      if (!pointLine) break;
      PointLine& read = block.lines.emplace_back();
      try {
        read.point = functionPoint(*pointLine);
      } catch (const support::RuntimeError& failure) {
        read.error = failure.what();
      }
    }
  }
  return file;
}

std::int32_t functionInteger(std::string_view line) {
  auto value = support::parseInteger(line);
  if (!value) {
    throw support::RuntimeError("Type mismatch: \"" + std::string(line) +
                                "\" is not a whole number");
  }
  if (*value < std::numeric_limits<std::int32_t>::min() ||
      *value > std::numeric_limits<std::int32_t>::max()) {
    throw support::RuntimeError("Overflow: " + std::string(support::trimView(line)) +
                                " does not fit 32 bits");
  }
  return static_cast<std::int32_t>(*value);
}

FunctionPoint functionPoint(std::string_view line) {
  const std::size_t separator = line.find('_');
  if (separator == std::string_view::npos) {
    throw support::RuntimeError("Subscript out of range: the point line \"" + std::string(line) +
                                "\" has no \"_\"");
  }
  std::string_view rest = line.substr(separator + 1);
  // Anything after a second "_" is not part of the point.
  rest = rest.substr(0, rest.find('_'));
  return {pointCoordinate(line.substr(0, separator)), pointCoordinate(rest)};
}

}  // namespace exchange
