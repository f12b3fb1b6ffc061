#pragma once
// Text helpers with the semantics the exchange files and command lines were defined with:
// split at every separator (empty fields kept), trim blanks only, replace every occurrence.

#include <string>
#include <string_view>
#include <vector>

namespace support {

// Splits `text` at every occurrence of `separator`. Empty fields are kept, so "a$$b" split
// at "$" gives {"a", "", "b"}. An empty text gives no field at all (the platform's behaviour:
// asking for field 0 of an empty command line is a subscript error, see fieldOrEmpty).
std::vector<std::string> split(std::string_view text, std::string_view separator);

// Field `index` of `fields`, or the empty string when there are fewer fields.
std::string fieldOrEmpty(const std::vector<std::string>& fields, std::size_t index);

// Removes leading and trailing blanks (spaces only, not tabs).
std::string trim(std::string_view text);
std::string_view trimView(std::string_view text);

// Replaces every occurrence of `from` (non-empty) by `to`, scanning left to right.
std::string replaceAll(std::string_view text, std::string_view from, std::string_view to);

// Removes every occurrence of each character of `characters`.
std::string removeChars(std::string_view text, std::string_view characters);

std::string toUpper(std::string_view text);  // ASCII letters only
std::string toLower(std::string_view text);  // ASCII letters only
inline bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x != y && ((x | 0x20) != (y | 0x20) || static_cast<unsigned char>((x | 0x20) - 'a') > 25)) return false;
  }
  return true;
}
bool startsWith(std::string_view text, std::string_view prefix);

// True when `name` matches `pattern`, whose "*" stands for any run of characters and "?" for
// any one character, ASCII letters compared without case (a batch file's "del" patterns).
bool matchesWildcard(std::string_view pattern, std::string_view name);

}  // namespace support
