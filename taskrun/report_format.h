#pragma once
// How the report's writers turn values into text, in one place: numbers for people and for
// files, durations, and escaping for HTML/SVG and CSV (JSON is escaped by its library).

#include <optional>
#include <string>
#include <string_view>

namespace taskrun::report_format {

// Six significant digits, "-" for none: 4.00012, 1.95341e+05.
std::string shortNumber(double value);
std::string shortNumber(std::optional<double> value);
// Every digit that reads back the same double (for files); empty for none.
std::string exactNumber(std::optional<double> value);
// A finite number for JSON, to ten significant digits (plenty for a plot or a table).
std::string jsonNumber(double value);
// A relative violation as a signed percentage: "+681 %", "-0.012 %", "0 %".
std::string percent(double fraction);
// The same without its sign: "681 %", "0.012 %".
std::string percentMagnitude(double fraction);
// printf-style fixed form, for coordinates and seconds.
std::string fixed(double value, int decimals);
// "0.4 s", "12 s", "6 min 40 s", "2 h 05 min".
std::string duration(double seconds);

// What an evaluation was to its plan ("design", "gradient", ...), "-" when not told.
std::string kindText(const std::string& kind);

// Text safe inside HTML or SVG content and attribute values.
std::string escapeHtml(std::string_view text);
// A CSV field, quoted when it holds a comma, a quote or a line break.
std::string csvField(std::string_view text);

}  // namespace taskrun::report_format
