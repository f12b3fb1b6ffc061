#include "nastran/numbers.h"

#include <array>
#include <cassert>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

#include "nastran/text.h"

namespace nastran {
namespace {

using text::isDigit;
using text::isLetter;

bool isInteger(std::string_view text) {
  std::size_t i = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
  if (i == text.size()) return false;
  for (; i < text.size(); ++i)
    if (!isDigit(text[i])) return false;
  return true;
}

// The number in C form ("[-]mantissa[e[-]exponent]") in `out`; false when `text` is no number.
constexpr std::size_t kLongestNumber = 120;
bool normalise(std::string_view text, std::array<char, kLongestNumber + 8>& out, std::size_t& size) {
  if (text.empty() || text.size() > kLongestNumber) return false;
  size = 0;
  std::size_t i = 0;
  if (text[0] == '+' || text[0] == '-') {
    if (text[0] == '-') out[size++] = '-';
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
    out[size++] = c;
  }
  if (mantissaDigits == 0) return false;
  if (i == text.size()) return true;
  char c = text[i];
  if (c == 'e' || c == 'E' || c == 'd' || c == 'D') ++i;
  else if (c != '+' && c != '-') return false;
  out[size++] = 'e';
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    if (text[i] == '-') out[size++] = '-';
    ++i;
  }
  int exponentDigits = 0;
  for (; i < text.size() && isDigit(text[i]); ++i, ++exponentDigits) out[size++] = text[i];
  return exponentDigits > 0 && i == text.size();
}

// A value as significant digits and the decimal exponent of the first one.
struct Decimal {
  bool negative = false;
  char digits[24];
  std::size_t count = 0;
  int exponent = 0;
};

// precision 0: the shortest digits that read back exactly; otherwise that many significant digits.
Decimal decimalOf(double value, int precision) {
  char buffer[64];
  std::to_chars_result result =
      precision > 0 ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, precision - 1)
                    : std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
  Decimal decimal;
  if (text.front() == '-') {
    decimal.negative = true;
    text.remove_prefix(1);
  }
  std::size_t e = text.find('e');
  for (std::size_t i = 0; i < e; ++i)
    if (text[i] != '.') decimal.digits[decimal.count++] = text[i];
  while (decimal.count > 1 && decimal.digits[decimal.count - 1] == '0') --decimal.count;
  std::string_view exponent = text.substr(e + 1);
  bool negativeExponent = exponent.front() == '-';
  if (exponent.front() == '+' || negativeExponent) exponent.remove_prefix(1);
  std::from_chars(exponent.data(), exponent.data() + exponent.size(), decimal.exponent);
  if (negativeExponent) decimal.exponent = -decimal.exponent;
  return decimal;
}

void push(FieldText& out, char c) { out.chars[out.size++] = c; }
void append(FieldText& out, std::string_view text) {
  for (char c : text) push(out, c);
}

// The shorter of two forms Nastran reads as a real: plain ("720.", ".001") or with an exponent
// ("1.5E-7"); with `shortExponent`, Nastran's exponent without the E ("1.5-7") where it is shorter.
FieldText shortestForm(const Decimal& decimal, bool shortExponent) {
  std::string_view digits(decimal.digits, decimal.count);
  FieldText best;
  if (decimal.negative) push(best, '-');
  if (digits == "0") {
    best.size = 0;
    append(best, "0.");
    return best;
  }
  const long count = static_cast<long>(digits.size());
  const long pointAfter = decimal.exponent + 1L;  // digits before the point in the plain form
  const long plainSize = pointAfter <= 0 ? 1 - pointAfter + count : pointAfter >= count ? pointAfter + 1 : count + 1;
  const int magnitude = std::abs(decimal.exponent);
  const long magnitudeSize = magnitude >= 100 ? 3 : magnitude >= 10 ? 2 : 1;
  const long withE = count + 2 + (decimal.exponent < 0 ? 1 : 0) + magnitudeSize;
  const long withoutE = shortExponent ? count + 2 + magnitudeSize : withE;
  if (plainSize <= withE && plainSize <= withoutE) {
    if (pointAfter <= 0) {
      push(best, '.');
      for (long i = 0; i < -pointAfter; ++i) push(best, '0');
      append(best, digits);
    } else if (pointAfter >= count) {
      append(best, digits);
      for (long i = count; i < pointAfter; ++i) push(best, '0');
      push(best, '.');
    } else {
      append(best, digits.substr(0, static_cast<std::size_t>(pointAfter)));
      push(best, '.');
      append(best, digits.substr(static_cast<std::size_t>(pointAfter)));
    }
    return best;
  }
  push(best, digits[0]);
  push(best, '.');
  append(best, digits.substr(1));
  if (withE <= withoutE) {
    push(best, 'E');
    if (decimal.exponent < 0) push(best, '-');
  } else {
    push(best, decimal.exponent < 0 ? '-' : '+');
  }
  char buffer[8];
  auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, magnitude);
  append(best, std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
  return best;
}

// Plain decimals of up to 15 digits ("130.", "-2.5", "129.997433911298"), the most
// common reals, without a general conversion: the digits and the power of ten are both exact
// doubles, so their one correctly rounded quotient is the double nearest the decimal value.
// False for any other text.
bool plainDecimal(std::string_view text, double& value) {
  static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const bool negative = !text.empty() && text[0] == '-';
  std::uint64_t digits = 0;
  std::size_t count = 0, point = std::string_view::npos;
  for (std::size_t i = negative ? 1 : 0; i < text.size(); ++i) {
    unsigned digit = static_cast<unsigned>(static_cast<unsigned char>(text[i])) - '0';
    if (digit <= 9) {
      digits = digits * 10 + digit;
      ++count;
    } else if (text[i] == '.' && point == std::string_view::npos) {
      point = count;
    } else {
      return false;
    }
  }
  // Up to 15 digits in all (fewer than 2^53): longer texts take the general way.
  if (count == 0 || count > 15) return false;
  value = static_cast<double>(digits) / kPowers[point == std::string_view::npos ? 0 : count - point];
  if (negative) value = -value;
  return true;
}

}  // namespace

FieldKind classifyField(std::string_view text) {
  if (text.empty()) return FieldKind::Blank;
  if (isLetter(text[0])) return FieldKind::Character;
  if (isInteger(text)) return FieldKind::Integer;
  return parseReal(text) ? FieldKind::Real : FieldKind::Character;
}

bool parseReal(std::string_view text, double& value) {
  if (plainDecimal(text, value)) return true;
  std::optional<double> general = parseReal(text);
  if (general) value = *general;
  return general.has_value();
}

std::optional<double> parseReal(std::string_view text) {
  if (double value = 0; plainDecimal(text, value)) return value;
  // Most reals are in the C form already ("-1.5", "2.E7"): read those as they stand.
  bool cForm = !text.empty() && (isDigit(text[0]) || text[0] == '.' ||
                                 (text[0] == '-' && text.size() > 1 && (isDigit(text[1]) || text[1] == '.')));
  for (std::size_t i = 1; cForm && i < text.size(); ++i) {
    char c = text[i];
    if (c == 'D' || c == 'd' || ((c == '+' || c == '-') && text[i - 1] != 'E' && text[i - 1] != 'e')) cForm = false;
  }
  if (cForm) {
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc() && end == text.data() + text.size() && std::isfinite(value)) return value;
    if (end == text.data() + text.size()) return std::nullopt;  // out of range
  }
  std::array<char, kLongestNumber + 8> normal;
  std::size_t size = 0;
  if (!normalise(text, normal, size)) return std::nullopt;
  double value = 0;
  auto [end, error] = std::from_chars(normal.data(), normal.data() + size, value);
  if (error != std::errc() || end != normal.data() + size || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<int> parseInteger(std::string_view text) {
  std::size_t i = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
  if (i == text.size()) return std::nullopt;
  bool negative = text[0] == '-';
  long long value = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (!isDigit(c)) return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > 2147483648LL) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > 2147483647LL) return std::nullopt;
  return static_cast<int>(value);
}

FieldText exactRealText(double value) {
  assert(std::isfinite(value));
  return shortestForm(decimalOf(value, 0), false);
}

FieldText realText(double value, std::size_t width, bool* exact) {
  FieldText text = exactRealText(value);
  if (text.size > width) text = shortestForm(decimalOf(value, 0), true);
  if (exact) *exact = text.size <= width;
  for (int precision = std::numeric_limits<double>::max_digits10; text.size > width && precision >= 1; --precision) {
    Decimal rounded = decimalOf(value, precision);
    text = shortestForm(rounded, false);
    if (text.size > width) text = shortestForm(rounded, true);
  }
  return text;
}

FieldText integerText(long long value) {
  FieldText text;
  auto [end, error] = std::to_chars(text.chars, text.chars + sizeof text.chars, value);
  text.size = static_cast<std::size_t>(end - text.chars);
  return text;
}

}  // namespace nastran
