#pragma once
// Day numbers (day 4 = 1 January 1801, day 0 = 28 December 1800) and clock
// times (hundredths of a second since midnight plus one, 1 to 8,640,000).
#include <cstdint>

namespace datetime {

struct Ymd {
  int year = 0, month = 0, day = 0;
  friend bool operator==(const Ymd&, const Ymd&) = default;
};
struct Hms {
  int hour = 0, minute = 0, second = 0, hundredth = 0;
  friend bool operator==(const Hms&, const Hms&) = default;
};

std::int32_t dayNumber(int year, int month, int day);
Ymd fromDayNumber(std::int32_t dayNumber);
int weekday(std::int32_t dayNumber);  // 0 Sunday .. 6 Saturday

std::int32_t clockTime(int hour, int minute, int second, int hundredth = 0);
Hms fromClockTime(std::int32_t time);

// The local date and clock of this machine.
std::int32_t today();
std::int32_t now();

bool validDate(int year, int month, int day);

}  // namespace datetime
