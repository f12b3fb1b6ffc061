#pragma once
// Local time stamps of the form 2024-05-07 Time 14:03:09.042.

#include <chrono>
#include <string>

namespace support {

struct LocalTime {
  int year, month, day, hour, minute, second, millisecond;
};

std::string formatTimeStamp(const LocalTime& time);
LocalTime toLocalTime(std::chrono::system_clock::time_point when);
// The current local time, formatted.
std::string getTimeStamp();

}  // namespace support
