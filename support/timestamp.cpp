#include "support/timestamp.h"

#include <cstdio>
#include <ctime>

namespace support {

std::string formatTimeStamp(const LocalTime& time) {
  char buffer[96];  // room for any int in every field
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d Time %02d:%02d:%02d.%03d", time.year,
                time.month, time.day, time.hour, time.minute, time.second, time.millisecond);
  return buffer;
}

LocalTime toLocalTime(std::chrono::system_clock::time_point when) {
  using namespace std::chrono;
  const auto wholeSeconds = floor<seconds>(when);
  const auto milliseconds = duration_cast<std::chrono::milliseconds>(when - wholeSeconds);
  const std::time_t seconds = system_clock::to_time_t(wholeSeconds);

  std::tm local{};
#ifdef _WIN32
  const bool converted = localtime_s(&local, &seconds) == 0;
#else
  const bool converted = localtime_r(&seconds, &local) != nullptr;
#endif
  if (!converted) return LocalTime{1970, 1, 1, 0, 0, 0, 0};  // outside the C library's range
  return LocalTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                   local.tm_min,         local.tm_sec,     static_cast<int>(milliseconds.count())};
}

std::string getTimeStamp() { return formatTimeStamp(toLocalTime(std::chrono::system_clock::now())); }

}  // namespace support
