#include "support/number_text.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "support/strings.h"

namespace support {

namespace {

constexpr int kSignificantDigits = 15;
// Plain notation covers decimal exponents from kSmallestPlainExponent up to, but not
// including, kSignificantDigits; anything else is written with an exponent.
constexpr int kSmallestPlainExponent = -4;

// A finite, non-zero value rounded to 15 significant digits.
struct DecimalDigits {
  bool negative = false;
  std::string digits;  // significant digits without trailing zeros, first one non-zero
  int exponent = 0;    // power of ten of the first digit
};

// The decimal digits of a finite, non-zero value: rounded to `significantDigits`, or the
// shortest that read back as the same double when it is 0.
DecimalDigits decimalDigits(double value, int significantDigits) {
  // std::to_chars never consults the locale and rounds correctly.
  char buffer[40];
  const auto written =
      significantDigits > 0
          ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific,
                          significantDigits - 1)
          : std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  std::string_view text(buffer, static_cast<std::size_t>(written.ptr - buffer));
  // text is "[-]d[.ddd]e<sign><digits>"
  DecimalDigits result;
  if (!text.empty() && text.front() == '-') {
    result.negative = true;
    text.remove_prefix(1);
  }
  const std::size_t e = text.find('e');
  result.digits.push_back(text[0]);
  if (e > 1) result.digits.append(text.substr(2, e - 2));
  while (result.digits.size() > 1 && result.digits.back() == '0') result.digits.pop_back();

  std::string_view exponentText = text.substr(e + 1);
  const bool negativeExponent = exponentText.front() == '-';
  exponentText.remove_prefix(1);
  std::from_chars(exponentText.data(), exponentText.data() + exponentText.size(),
                  result.exponent);
  if (negativeExponent) result.exponent = -result.exponent;
  return result;
}

// 1.5E+20, 1E-05: mantissa without trailing zeros, exponent signed and at least two digits.
std::string exponentNotation(const DecimalDigits& number) {
  std::string text(1, number.digits[0]);
  if (number.digits.size() > 1) {
    text.push_back('.');
    text.append(number.digits, 1);
  }
  text.push_back('E');
  text.push_back(number.exponent < 0 ? '-' : '+');
  const int magnitude = std::abs(number.exponent);
  if (magnitude < 10) text.push_back('0');
  text.append(std::to_string(magnitude));
  return text;
}

std::string plainNotation(const DecimalDigits& number) {
  const std::string& digits = number.digits;
  if (number.exponent < 0) {
    return "0." + std::string(static_cast<std::size_t>(-number.exponent - 1), '0') + digits;
  }
  const std::size_t integerDigits = static_cast<std::size_t>(number.exponent) + 1;
  if (digits.size() <= integerDigits) {
    return digits + std::string(integerDigits - digits.size(), '0');
  }
  return digits.substr(0, integerDigits) + "." + digits.substr(integerDigits);
}

// Plain notation for exponents from -4 up to (not including) 15, exponent notation otherwise.
std::string generalForm(const DecimalDigits& number) {
  const bool plain =
      number.exponent >= kSmallestPlainExponent && number.exponent < kSignificantDigits;
  std::string text = number.negative ? "-" : "";
  text += plain ? plainNotation(number) : exponentNotation(number);
  return text;
}

std::string withSignBlank(std::string text) {
  if (text.empty() || text.front() != '-') text.insert(text.begin(), ' ');
  return text;
}

std::size_t skipDigits(std::string_view text, std::size_t at) {
  while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
  return at;
}

// Checks that `text` is a whole real number in C notation: [sign] digits [. [digits]]
// or [sign] . digits, then optionally (E|e) [sign] digits. Returns the power of ten of its
// first significant digit (used to tell an underflow from an overflow), or nullopt when the
// text is not a number.
std::optional<long> decimalMagnitude(std::string_view text) {
  std::size_t at = 0;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
  const std::size_t integerStart = at;
  at = skipDigits(text, at);
  const std::size_t integerEnd = at;
  std::size_t fractionStart = at, fractionEnd = at;
  if (at < text.size() && text[at] == '.') {
    fractionStart = at + 1;
    at = fractionEnd = skipDigits(text, fractionStart);
  }
  if (integerEnd == integerStart && fractionEnd == fractionStart) return std::nullopt;

  long exponent = 0;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    const bool negative = at < text.size() && text[at] == '-';
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    const std::size_t exponentStart = at;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
      if (exponent < 1'000'000) exponent = exponent * 10 + (text[at] - '0');
    }
    if (at == exponentStart) return std::nullopt;
    if (negative) exponent = -exponent;
  }
  if (at != text.size()) return std::nullopt;

  const std::string_view integer = text.substr(integerStart, integerEnd - integerStart);
  const std::size_t firstSignificant = integer.find_first_not_of('0');
  if (firstSignificant != std::string_view::npos) {
    return exponent + static_cast<long>(integer.size() - firstSignificant) - 1;
  }
  const std::string_view fraction = text.substr(fractionStart, fractionEnd - fractionStart);
  const std::size_t leadingZeros = fraction.find_first_not_of('0');
  return exponent - static_cast<long>(leadingZeros == std::string_view::npos ? 0 : leadingZeros) -
         1;
}

}  // namespace

std::string formatNumber(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Inf" : "Inf";
  if (value == 0) return "0";  // also -0
  return generalForm(decimalDigits(value, kSignificantDigits));
}

std::string formatNumberExactly(double value) {
  std::string text = formatNumber(value);
  const std::optional<double> back = parseNumber(text);
  if (!std::isfinite(value) || (back && *back == value)) return text;
  return generalForm(decimalDigits(value, 0));
}

std::string formatSignedNumber(double value) { return withSignBlank(formatNumber(value)); }

std::string formatInteger(std::int64_t value) {
  char buffer[24];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, written.ptr);
}

std::string formatSignedInteger(std::int64_t value) { return withSignBlank(formatInteger(value)); }

std::optional<double> parseNumber(std::string_view text) {
  std::string_view number = trimView(text);
  const std::optional<long> magnitude = decimalMagnitude(number);
  if (!magnitude) return std::nullopt;
  const bool negative = number.front() == '-';
  if (number.front() == '+') number.remove_prefix(1);  // from_chars takes no "+"

  double value = 0;
  const char* end = number.data() + number.size();
  const auto [stop, error] = std::from_chars(number.data(), end, value);
  if (error == std::errc::result_out_of_range) {
    if (*magnitude < 0) return negative ? -0.0 : 0.0;  // too small: underflows to zero
    return std::nullopt;                                // too large for a double
  }
  if (error != std::errc() || stop != end) return std::nullopt;
  return value;
}

std::optional<std::int64_t> parseInteger(std::string_view text) {
  std::string_view number = trimView(text);
  if (!number.empty() && number.front() == '+') {
    number.remove_prefix(1);
    if (!number.empty() && number.front() == '-') return std::nullopt;  // "+-1"
  }
  std::int64_t value = 0;
  const char* end = number.data() + number.size();
  const auto [stop, error] = std::from_chars(number.data(), end, value);
  if (error != std::errc() || stop != end) return std::nullopt;
  return value;
}

std::optional<std::int64_t> parseIntegerClamped(std::string_view text) {
  if (const std::optional<std::int64_t> value = parseInteger(text)) return value;
  std::string_view number = trimView(text);
  const bool negative = !number.empty() && number.front() == '-';
  if (!number.empty() && (number.front() == '-' || number.front() == '+')) number.remove_prefix(1);
  if (number.empty()) return std::nullopt;
  for (char c : number) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  return negative ? std::numeric_limits<std::int64_t>::min()
                  : std::numeric_limits<std::int64_t>::max();
}

}  // namespace support
