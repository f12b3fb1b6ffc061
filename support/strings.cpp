#include "support/strings.h"

#include <algorithm>

namespace support {

namespace {

char asciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::vector<std::string> split(std::string_view text, std::string_view separator) {
  std::vector<std::string> fields;
  if (text.empty()) return fields;
  if (separator.empty()) {
    fields.emplace_back(text);
    return fields;
  }
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = text.find(separator, start);
    if (at == std::string_view::npos) break;
    fields.emplace_back(text.substr(start, at - start));
    start = at + separator.size();
  }
  fields.emplace_back(text.substr(start));
  return fields;
}

std::string fieldOrEmpty(const std::vector<std::string>& fields, std::size_t index) {
  return index < fields.size() ? fields[index] : std::string();
}

std::string_view trimView(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

std::string trim(std::string_view text) { return std::string(trimView(text)); }

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string result;
  result.reserve(text.size());
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = text.find(from, start);
    if (at == std::string_view::npos) break;
    result.append(text.substr(start, at - start));
    result.append(to);
    start = at + from.size();
  }
  result.append(text.substr(start));
  return result;
}

std::string removeChars(std::string_view text, std::string_view characters) {
  std::string result;
  result.reserve(text.size());
  for (char c : text) {
    if (characters.find(c) == std::string_view::npos) result.push_back(c);
  }
  return result;
}

std::string toUpper(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(), asciiUpper);
  return result;
}

std::string toLower(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(), asciiLower);
  return result;
}

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool matchesWildcard(std::string_view pattern, std::string_view name) {
  // One pass with a single back-track point: the last "*" seen takes one more character each
  // time the rest fails to match.
  std::size_t p = 0, n = 0, star = std::string_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (p < pattern.size() && (pattern[p] == '?' || equalsIgnoreCase(pattern.substr(p, 1), name.substr(n, 1)))) {
      ++p;
      ++n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace support
