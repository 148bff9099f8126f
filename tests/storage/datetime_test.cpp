// Day numbers and clock times.
#include <gtest/gtest.h>

#include "datetime.h"

namespace {

TEST(DayNumbers, FixedPointsAndRoundTrips) {
  struct Case {
    int y, m, d;
    std::int32_t n;
  } cases[] = {
      {1800, 12, 28, 0}, {1801, 1, 1, 4}, {1801, 12, 31, 368}, {1900, 3, 1, 36222}, {2000, 2, 29, 72746},
      {2026, 12, 9, 82526},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(datetime::dayNumber(c.y, c.m, c.d), c.n) << c.y << "-" << c.m << "-" << c.d;
    EXPECT_EQ(datetime::fromDayNumber(c.n), (datetime::Ymd{c.y, c.m, c.d}));
  }
  for (std::int32_t n = 0; n < 100000; n += 37) EXPECT_EQ(datetime::dayNumber(datetime::fromDayNumber(n).year, datetime::fromDayNumber(n).month, datetime::fromDayNumber(n).day), n);
  EXPECT_EQ(datetime::weekday(datetime::dayNumber(2026, 12, 9)), 3);  // a Wednesday
  EXPECT_TRUE(datetime::validDate(2024, 2, 29));
  EXPECT_FALSE(datetime::validDate(2023, 2, 29));
  EXPECT_FALSE(datetime::validDate(2023, 13, 1));
}

TEST(ClockTimes, RangeAndRoundTrips) {
  EXPECT_EQ(datetime::clockTime(0, 0, 0, 0), 1);
  EXPECT_EQ(datetime::clockTime(23, 59, 59, 99), 8640000);
  EXPECT_EQ(datetime::fromClockTime(datetime::clockTime(8, 5, 3, 42)), (datetime::Hms{8, 5, 3, 42}));
  EXPECT_EQ(datetime::fromClockTime(1), (datetime::Hms{0, 0, 0, 0}));
  std::int32_t now = datetime::now();
  EXPECT_GE(now, 1);
  EXPECT_LE(now, 8640000);
  EXPECT_GT(datetime::today(), datetime::dayNumber(2020, 1, 1));
}

}  // namespace
