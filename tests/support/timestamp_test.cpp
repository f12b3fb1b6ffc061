#include "support/timestamp.h"

#include <gtest/gtest.h>


namespace support {
namespace {

TEST(TimeStampTest, FixedWidthFieldsWithLeadingZeros) {
  EXPECT_EQ(formatTimeStamp({2024, 5, 7, 14, 3, 9, 42}), "2024-05-07 Time 14:03:09.042");
  EXPECT_EQ(formatTimeStamp({1999, 12, 31, 0, 0, 0, 0}), "1999-12-31 Time 00:00:00.000");
  EXPECT_EQ(formatTimeStamp({2030, 1, 1, 23, 59, 59, 999}), "2030-01-01 Time 23:59:59.999");
}

TEST(TimeStampTest, LocalTimeKeepsTheMilliseconds) {
  const std::chrono::system_clock::time_point when =
      std::chrono::system_clock::from_time_t(1'700'000'000) + std::chrono::milliseconds(7);
  const LocalTime local = toLocalTime(when);
  EXPECT_EQ(local.millisecond, 7);
  EXPECT_EQ(local.year, 2023);
  EXPECT_GE(local.hour, 0);
  EXPECT_LE(local.hour, 23);
}

TEST(TimeStampTest, CurrentTimeHasTheStampForm) {
  const std::string shape = "dddd-dd-dd Time dd:dd:dd.ddd";  // d: any digit
  const std::string stamp = getTimeStamp();
  ASSERT_EQ(stamp.size(), shape.size()) << stamp;
  for (std::size_t i = 0; i < shape.size(); ++i) {
    if (shape[i] == 'd') {
      EXPECT_TRUE(stamp[i] >= '0' && stamp[i] <= '9') << stamp;
    } else {
      EXPECT_EQ(stamp[i], shape[i]) << stamp;
    }
  }
}

}  // namespace
}  // namespace support
