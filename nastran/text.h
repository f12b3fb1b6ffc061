#pragma once
// The few text helpers deck reading needs: blanks are spaces and tabs, letters are ASCII.

#include <string>
#include <string_view>

namespace nastran::text {

inline bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline bool isDigit(char c) { return c >= '0' && c <= '9'; }
inline char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string upper(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = upper(c);
  return result;
}

// Whether `text` is `word` (given in upper case) in any case.
inline bool isWord(std::string_view text, std::string_view word) {
  if (text.size() != word.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (upper(text[i]) != word[i]) return false;
  return true;
}

// Without leading and trailing spaces and tabs.
inline std::string_view trimBlanks(std::string_view text) {
  std::size_t first = 0, last = text.size();
  while (first < last && (text[first] == ' ' || text[first] == '\t')) ++first;
  while (last > first && (text[last - 1] == ' ' || text[last - 1] == '\t')) --last;
  return text.substr(first, last - first);
}

}  // namespace nastran::text
