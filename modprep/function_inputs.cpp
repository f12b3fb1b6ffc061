#include "modprep/function_inputs.h"

#include <limits>

#include "support/err.h"
#include "support/number_text.h"
#include "support/strings.h"

namespace modprep {
namespace {

double pointCoordinate(std::string_view text) {
  auto value = support::parseNumber(text);
  if (!value)
    throw support::RuntimeError("Type mismatch: \"" + std::string(text) + "\" is not a number");
  return *value;
}

}  // namespace

FunctionInputReader::FunctionInputReader(std::string text) : text_(std::move(text)) {}

std::string_view FunctionInputReader::nextLine() {
  std::string_view all(text_);
  std::size_t end = all.find('\n', position_);
  if (end == std::string_view::npos) end = all.size();
  std::string_view line = all.substr(position_, end - position_);
  position_ = end + 1;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

bool FunctionInputReader::findBlock() {
  while (!atEnd()) {
    if (nextLine() == kFunctionBlockStart) return true;
  }
  return false;
}

std::string FunctionInputReader::readLine() {
  if (atEnd()) throw support::RuntimeError("Input past end of file");
  return std::string(nextLine());
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

}  // namespace modprep
