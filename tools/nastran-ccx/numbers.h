#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace nastranccx {

// Reads a real the way Nastran writes them: "720.", ".3", "1.E+7", "7.5E-03",
// "1.D+7", and the short exponent forms "1.+7" and "-2.5-3". Plain integers are
// accepted too. "nan" and "inf" come back as such so that callers can name them;
// anything else that is not a number gives nullopt. Also reads Fortran output
// such as "1.234567-100".
std::optional<double> tryParseReal(std::string_view text);

// Reads a plain decimal integer with an optional sign.
std::optional<int> tryParseInteger(std::string_view text);

// The shortest text that reads back as the same double ("0.005", "1e+07").
std::string formatReal(double value);

// Like formatReal, but never longer than maxLength characters: CalculiX reads
// only the first 20 characters of a number, so longer forms lose precision
// (at worst 13 significant digits are kept).
std::string formatRealLimited(double value, std::size_t maxLength = 20);

std::string_view trim(std::string_view text);
std::string toUpper(std::string_view text);

}  // namespace nastranccx
