#include "exchange/value_files.h"

#include "support/number_text.h"
#include "support/record_reader.h"
#include "support/strings.h"

namespace exchange {
namespace {

constexpr std::string_view kMarkOpen = "!<";
constexpr std::string_view kMarkFormat = "%f!";
constexpr std::string_view kMarkClose = ">!";

}  // namespace

void writeValueLine(support::TextBuffer& file, std::string_view name, std::string_view value) {
  file.add(name);
  file.add("  ");
  file.line(value);
}

void writeTemplateLine(support::TextBuffer& file, std::string_view name,
                       std::string_view value) {
  file.add(name);
  file.add("  ");
  file.add(kMarkOpen);
  file.add(name);
  file.add(kMarkFormat);
  file.add(value);
  file.line(kMarkClose);
}

std::vector<NamedValue> parseValueLines(std::string text) {
  std::vector<NamedValue> lines;
  support::RecordReader reader(std::move(text));
  while (reader.next()) {
    lines.push_back({reader.field(1), reader.field(2), reader.realFieldValue(2)});
  }
  return lines;
}

std::vector<NamedValue> parseTemplateLines(std::string_view text) {
  std::vector<NamedValue> lines;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::string_view trimmed = support::trimView(line);
    if (trimmed.empty() || trimmed.front() == '#') continue;

    NamedValue entry;
    // The marked field holds the name whole, blanks included; its value runs from the format
    // to the closing mark.
    const std::size_t open = line.find(kMarkOpen);
    const std::size_t close = line.rfind(kMarkClose);
    const std::size_t format =
        open == std::string_view::npos ? open : line.find(kMarkFormat, open + kMarkOpen.size());
    if (format != std::string_view::npos && close != std::string_view::npos && close > format) {
      entry.name = line.substr(open + kMarkOpen.size(), format - open - kMarkOpen.size());
      const std::size_t valueAt = format + kMarkFormat.size();
      entry.valueText = line.substr(valueAt, close - valueAt);
      entry.value = support::parseNumber(entry.valueText);
    } else {
      entry.name = support::splitFields(trimmed).front();
    }
    lines.push_back(std::move(entry));
  }
  return lines;
}

InputValues InputValues::parse(std::string text) {
  InputValues values;
  values.lines_ = parseValueLines(std::move(text));
  // Indexed once all names stand still; a later line of a name replaces the earlier index.
  const std::size_t count = values.lines_.size();
  values.lastIndexOf_.reserve(count);
  values.lastOccurrence_.assign(count, true);
  for (std::size_t k = 0; k < count; ++k) {
    auto [entry, added] = values.lastIndexOf_.try_emplace(values.lines_[k].name, k);
    if (!added) {
      values.lastOccurrence_[entry->second] = false;
      entry->second = k;
    }
  }
  return values;
}

long InputValues::find(std::string_view name, std::size_t expected) const {
  if (expected < lines_.size() && lastOccurrence_[expected] && lines_[expected].name == name) {
    return static_cast<long>(expected);
  }
  auto found = lastIndexOf_.find(name);
  return found == lastIndexOf_.end() ? -1 : static_cast<long>(found->second);
}

}  // namespace exchange
