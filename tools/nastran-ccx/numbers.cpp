#include "numbers.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace nastranccx {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::optional<double> tryParseSpecial(std::string_view text) {
  std::string word = toUpper(text);
  bool negative = false;
  if (!word.empty() && (word[0] == '+' || word[0] == '-')) {
    negative = word[0] == '-';
    word.erase(0, 1);
  }
  if (word == "NAN") return std::numeric_limits<double>::quiet_NaN();
  if (word == "INF" || word == "INFINITY") {
    double infinity = std::numeric_limits<double>::infinity();
    return negative ? -infinity : infinity;
  }
  return std::nullopt;
}

}  // namespace

std::string_view trim(std::string_view text) {
  const char* blanks = " \t\r\n\f\v";
  std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  std::size_t last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

std::string toUpper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

std::optional<double> tryParseReal(std::string_view text) {
  text = trim(text);
  if (text.empty()) return std::nullopt;
  if (auto special = tryParseSpecial(text)) return special;

  // Rebuild the number as "[-]mantissa[e[-]exponent]" for from_chars.
  std::string normal;
  std::size_t i = 0;
  if (text[i] == '+' || text[i] == '-') {
    if (text[i] == '-') normal += '-';
    ++i;
  }
  int mantissaDigits = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (isDigit(c)) {
      ++mantissaDigits;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
    normal += c;
  }
  if (mantissaDigits == 0) return std::nullopt;
  if (i < text.size()) {
    char c = text[i];
    if (c == 'e' || c == 'E' || c == 'd' || c == 'D') ++i;
    else if (c != '+' && c != '-') return std::nullopt;
    normal += 'e';
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
      if (text[i] == '-') normal += '-';
      ++i;
    }
    int exponentDigits = 0;
    for (; i < text.size() && isDigit(text[i]); ++i, ++exponentDigits) normal += text[i];
    if (exponentDigits == 0 || i != text.size()) return std::nullopt;
  }

  double value = 0;
  auto [end, error] = std::from_chars(normal.data(), normal.data() + normal.size(), value);
  if (error != std::errc() || end != normal.data() + normal.size()) return std::nullopt;
  return value;
}

std::optional<int> tryParseInteger(std::string_view text) {
  text = trim(text);
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  int value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string formatReal(double value) {
  if (value == 0) return "0";  // also turns -0 into 0
  std::array<char, 64> buffer{};
  auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return std::string(buffer.data(), result.ptr);
}

std::string formatRealLimited(double value, std::size_t maxLength) {
  std::string text = formatReal(value);
  for (int precision = 16; text.size() > maxLength && precision > 0; --precision) {
    std::array<char, 64> buffer{};
    auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                std::chars_format::scientific, precision);
    text.assign(buffer.data(), result.ptr);
  }
  return text;
}

}  // namespace nastranccx
