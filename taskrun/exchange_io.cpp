#include "taskrun/exchange_io.h"

#include <charconv>
#include <cstdlib>
#include <stdexcept>
#include <unordered_map>

#include "support/number_text.h"
#include "support/paths.h"
#include "support/record_reader.h"
#include "support/strings.h"
#include "support/text_file.h"

namespace taskrun {
namespace {

// The shortest digits that read back as `value`, laid out in the system's general form.
std::string shortestGeneralForm(double value) {
  char buffer[64];
  auto written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  std::string_view text(buffer, static_cast<std::size_t>(written.ptr - buffer));
  std::string sign;
  if (text.front() == '-') {
    sign = "-";
    text.remove_prefix(1);
  }
  std::size_t e = text.find('e');
  std::string digits(1, text[0]);
  if (e > 1) digits.append(text.substr(2, e - 2));
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  int exponent = std::atoi(std::string(text.substr(e + 1)).c_str());
  if (exponent < -4 || exponent >= 15) {
    std::string mantissa = digits.substr(0, 1) + (digits.size() > 1 ? "." + digits.substr(1) : "");
    int magnitude = exponent < 0 ? -exponent : exponent;
    return sign + mantissa + "E" + (exponent < 0 ? "-" : "+") + (magnitude < 10 ? "0" : "") + std::to_string(magnitude);
  }
  if (exponent < 0) return sign + "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
  std::size_t whole = static_cast<std::size_t>(exponent) + 1;
  if (digits.size() <= whole) return sign + digits + std::string(whole - digits.size(), '0');
  return sign + digits.substr(0, whole) + "." + digits.substr(whole);
}

}  // namespace

std::string formatExactNumber(double value) {
  std::string text = support::formatNumber(value);
  auto back = support::parseNumber(text);
  if (back && *back == value) return text;
  return shortestGeneralForm(value);
}

void writeInputValues(const std::filesystem::path& file, const std::vector<std::pair<std::string, double>>& values) {
  support::TextFileWriter writer(file);
  for (const auto& [name, value] : values) writer.writeLine(name + "  " + formatExactNumber(value));
  writer.commit();
}

std::vector<std::pair<std::string, std::optional<double>>> readOutputValues(const std::filesystem::path& file) {
  support::RecordReader reader = support::RecordReader::fromFile(file);
  std::vector<std::pair<std::string, std::optional<double>>> values;
  std::unordered_map<std::string, std::size_t> indexOf;
  while (reader.next()) {
    std::string name = reader.field(1);
    std::optional<double> value = reader.realFieldValue(2);
    auto [at, added] = indexOf.emplace(name, values.size());
    if (added) {
      values.emplace_back(std::move(name), value);
    } else {
      values[at->second].second = value;
    }
  }
  return values;
}

std::string exchangeFileName(const std::string& written) {
  std::string name = support::trim(written);
  std::size_t cut = name.find_last_of("\\/");
  return cut == std::string::npos ? name : name.substr(cut + 1);
}

namespace {

// Walks the lines of an exchange file and calls `header(n, line)` for header lines 1 and 2
// (blank lines, "#" lines and a leading "DELETE" record do not count), `other(line)` for the rest.
template <class Header, class Other>
void walkHeader(const std::string& text, Header&& header, Other&& other) {
  std::size_t start = 0;
  int headerLines = 0;
  bool firstRecord = true;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    start = end == std::string::npos ? text.size() : end + 1;
    std::string trimmed = support::trim(line);
    std::vector<std::string_view> fields = support::splitFields(trimmed);
    bool record = !fields.empty() && fields.front().front() != '#';
    if (record && firstRecord && support::equalsIgnoreCase(fields.front(), "DELETE")) {
      firstRecord = false;
      other(line);
      continue;
    }
    if (record) firstRecord = false;
    if (record && headerLines < 2) {
      header(++headerLines, line);
    } else {
      other(line);
    }
  }
}

std::string afterEquals(const std::string& line) {
  std::size_t equals = line.find('=');
  return equals == std::string::npos ? std::string() : support::trim(line.substr(equals + 1));
}

}  // namespace

ExchangeHead readExchangeHead(const std::filesystem::path& file) {
  std::string text = support::readWholeFile(file);
  ExchangeHead head;
  int found = 0;
  walkHeader(
      text,
      [&](int n, const std::string& line) {
        (n == 1 ? head.referenceModel : head.solverFile) = afterEquals(line);
        found = n;
      },
      [](const std::string&) {});
  if (found < 2 || head.referenceModel.empty()) {
    throw std::runtime_error(file.string() + " has no reference model and solver file lines");
  }
  return head;
}

void copyExchangeFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  std::string text = support::readWholeFile(from);
  support::TextFileWriter writer(to);
  walkHeader(
      text,
      [&](int, const std::string& line) {
        std::size_t equals = line.find('=');
        std::string written = afterEquals(line);
        std::string name = exchangeFileName(written);
        if (equals == std::string::npos || name == written) {
          writer.writeLine(line);
        } else {
          writer.writeLine(line.substr(0, equals + 1) + " " + name);
        }
      },
      [&](const std::string& line) { writer.writeLine(line); });
  writer.commit();
}

}  // namespace taskrun
