#include "numbers.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

#include "nastran/numbers.h"

namespace nastranccx {
namespace {

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
  if (auto special = tryParseSpecial(text)) return special;
  return nastran::parseReal(text);
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
