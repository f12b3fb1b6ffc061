#include "taskrun/report_format.h"

#include <cmath>
#include <cstdio>

#include "support/number_text.h"

namespace taskrun::report_format {

std::string shortNumber(double value) {
  if (std::isnan(value)) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value == 0 ? 0.0 : value);
  return text;
}

std::string shortNumber(std::optional<double> value) { return value ? shortNumber(*value) : std::string("-"); }

std::string exactNumber(std::optional<double> value) { return value ? support::formatNumberExactly(*value) : std::string(); }

std::string jsonNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.10g", value == 0 ? 0.0 : value);
  return text;
}

std::string percent(double fraction) {
  if (fraction == 0) return "0 %";
  char text[32];
  std::snprintf(text, sizeof text, "%+.3g %%", 100 * fraction);
  return text;
}

std::string percentMagnitude(double fraction) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3g %%", 100 * std::abs(fraction));
  return text;
}

std::string fixed(double value, int decimals) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string duration(double seconds) {
  if (!(seconds >= 0)) seconds = 0;
  char text[48];
  if (seconds < 10) {
    std::snprintf(text, sizeof text, "%.1f s", seconds);
  } else if (seconds < 60) {
    std::snprintf(text, sizeof text, "%.0f s", seconds);
  } else if (seconds < 3600) {
    long whole = std::lround(seconds);
    std::snprintf(text, sizeof text, "%ld min %02ld s", whole / 60, whole % 60);
  } else {
    long minutes = std::lround(seconds / 60);
    std::snprintf(text, sizeof text, "%ld h %02ld min", minutes / 60, minutes % 60);
  }
  return text;
}

std::string kindText(const std::string& kind) { return kind.empty() ? "-" : kind; }

std::string escapeHtml(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '&': escaped += "&amp;"; break;
      case '"': escaped += "&quot;"; break;
      case '\'': escaped += "&#39;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

std::string csvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace taskrun::report_format
