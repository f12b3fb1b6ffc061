#pragma once
// Numbers as the exchange files, logs and grids show them, and back, independent of the
// process locale: "." is always the decimal separator.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace support {

// General form: up to 15 significant digits, no trailing zeros, no leading "+".
// Plain notation for magnitudes from 1E-04 up to (not including) 1E+15 after rounding to
// 15 digits; exponent notation otherwise, mantissa without trailing zeros and a signed
// exponent of at least two digits: 0.00001 -> "1E-05", 1.5E+20 -> "1.5E+20",
// 1234567890123456 -> "1.23456789012346E+15". Zero (also -0) is "0".
std::string formatNumber(double value);

// As formatNumber, with as many significant digits as it takes to read back the very same
// double: 15 where they do, up to 17 where they do not (0.1 + 0.2 -> "0.30000000000000004").
// For values that must survive a round trip through a file, such as a design's values.
std::string formatNumberExactly(double value);

// As formatNumber, with one blank in front when the value is not negative (the blank stands
// where a minus sign would): 2 -> " 2", -1.5 -> "-1.5".
std::string formatSignedNumber(double value);

// Whole numbers: decimal, no leading zeros; negative with "-".
std::string formatInteger(std::int64_t value);
// As formatInteger with one blank in front when not negative.
std::string formatSignedInteger(std::int64_t value);

// Parses a real number in C notation (optional sign, digits, ".", exponent with "E" or "e").
// Leading and trailing blanks are allowed; anything else makes it fail.
std::optional<double> parseNumber(std::string_view text);

// Parses a whole number (optional sign, digits). Leading and trailing blanks are allowed.
std::optional<std::int64_t> parseInteger(std::string_view text);
// As parseInteger, but a whole number beyond 64 bits gives the nearest 64-bit value instead of
// nothing: a range check then refuses it, where "not a number" would let a default stand in.
std::optional<std::int64_t> parseIntegerClamped(std::string_view text);

}  // namespace support
