#pragma once
// Display pictures: how numbers, dates and times are shown in lists,
// reports and memo texts.
#include <cstdint>
#include <string>
#include <string_view>

namespace picture {

// Pattern picture such as "P###P" or "P###,P": between the two P letters,
// '#' is a digit shown with leading zeros, '<' a digit shown as a blank while
// only zeros precede it; any other character is copied. A value too large for
// the pattern shows as '#' in every digit place.
std::string pattern(std::string_view picture, std::int64_t value);

// Integer right-aligned in `width` places; `grouping` separates thousands
// with blanks. Too wide a value shows as '#' characters.
std::string integer(std::int64_t value, int width, bool grouping = false);

// Fixed point: `value` shown with `places` decimals, right-aligned in
// `width` places (the point and sign included).
std::string fixed(double value, int width, int places);

// Day number as day/month/two-digit year ("09/12/26"); day 0 shows blank.
std::string date(std::int32_t dayNumber);
// Day number as day.month.four-digit year, the system's short date.
std::string shortDate(std::int32_t dayNumber);
// Clock time as hours:minutes:seconds ("08:05:03"); time 0 shows blank.
std::string time(std::int32_t clockTime);
// Hours:minutes.
std::string timeHM(std::int32_t clockTime);

}  // namespace picture
