#include "datetime.h"

#include <chrono>
#include <ctime>

namespace datetime {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

Ymd civilFromDays(std::int64_t z) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return Ymd{static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

const std::int64_t kDay0 = daysFromCivil(1800, 12, 28);

}  // namespace

std::int32_t dayNumber(int year, int month, int day) {
  return static_cast<std::int32_t>(daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kDay0);
}

Ymd fromDayNumber(std::int32_t n) { return civilFromDays(kDay0 + n); }

int weekday(std::int32_t n) {
  // Day 0 (28 December 1800) was a Sunday.
  int w = n % 7;
  return w < 0 ? w + 7 : w;
}

bool validDate(int year, int month, int day) {
  if (month < 1 || month > 12 || day < 1 || year < 1) return false;
  return fromDayNumber(dayNumber(year, month, day)) == Ymd{year, month, day};
}

std::int32_t clockTime(int hour, int minute, int second, int hundredth) {
  return ((hour * 60 + minute) * 60 + second) * 100 + hundredth + 1;
}

Hms fromClockTime(std::int32_t t) {
  if (t < 1) t = 1;
  std::int32_t h = t - 1;
  Hms r;
  r.hundredth = h % 100;
  h /= 100;
  r.second = h % 60;
  h /= 60;
  r.minute = h % 60;
  r.hour = h / 60;
  return r;
}

std::int32_t today() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return dayNumber(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

std::int32_t now() {
  auto tp = std::chrono::system_clock::now();
  std::time_t t = std::chrono::system_clock::to_time_t(tp);
  std::tm tm{};
  localtime_r(&t, &tm);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(tp.time_since_epoch()).count() % 1000;
  return clockTime(tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms / 10));
}

}  // namespace datetime
