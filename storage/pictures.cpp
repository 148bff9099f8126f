#include "pictures.h"

#include <cmath>
#include <cstdio>

#include "datetime.h"

namespace picture {

std::string pattern(std::string_view pic, std::int64_t value) {
  if (pic.size() >= 2 && (pic.front() == 'P' || pic.front() == 'p') && (pic.back() == 'P' || pic.back() == 'p'))
    pic = pic.substr(1, pic.size() - 2);
  bool negative = value < 0;
  std::uint64_t v = negative ? static_cast<std::uint64_t>(-value) : static_cast<std::uint64_t>(value);
  std::string digits = std::to_string(v);
  int slots = 0;
  for (char c : pic)
    if (c == '#' || c == '<') ++slots;
  std::string out(pic);
  if (static_cast<int>(digits.size()) > slots) {
    for (auto& c : out)
      if (c == '#' || c == '<') c = '#';
    return out;
  }
  digits.insert(0, static_cast<std::size_t>(slots) - digits.size(), '0');
  std::size_t d = 0;
  bool leading = true;
  for (auto& c : out) {
    if (c != '#' && c != '<') continue;
    char digit = digits[d++];
    if (digit != '0' || d == digits.size()) leading = false;
    if (c == '<' && leading) c = ' ';
    else c = digit;
  }
  if (negative) out.insert(0, "-");
  return out;
}

std::string integer(std::int64_t value, int width, bool grouping) {
  bool negative = value < 0;
  std::uint64_t v = negative ? static_cast<std::uint64_t>(-value) : static_cast<std::uint64_t>(value);
  std::string s = std::to_string(v);
  if (grouping)
    for (int i = static_cast<int>(s.size()) - 3; i > 0; i -= 3) s.insert(static_cast<std::size_t>(i), " ");
  if (negative) s.insert(0, "-");
  if (width > 0 && static_cast<int>(s.size()) > width) return std::string(static_cast<std::size_t>(width), '#');
  if (width > 0) s.insert(0, static_cast<std::size_t>(width) - s.size(), ' ');
  return s;
}

std::string fixed(double value, int width, int places) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", places, value);
  std::string s(buf);
  if (s == "-0" || s.find_first_not_of("-0.") == std::string::npos) {
    if (!s.empty() && s[0] == '-') s.erase(0, 1);  // no "-0.00"
  }
  if (width > 0 && static_cast<int>(s.size()) > width) return std::string(static_cast<std::size_t>(width), '#');
  if (width > 0) s.insert(0, static_cast<std::size_t>(width) - s.size(), ' ');
  return s;
}

std::string date(std::int32_t n) {
  if (n <= 0) return {};
  auto d = datetime::fromDayNumber(n);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d/%02d/%02d", d.day, d.month, d.year % 100);
  return buf;
}

std::string shortDate(std::int32_t n) {
  if (n <= 0) return {};
  auto d = datetime::fromDayNumber(n);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", d.day, d.month, d.year);
  return buf;
}

std::string time(std::int32_t t) {
  if (t <= 0) return {};
  auto h = datetime::fromClockTime(t);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", h.hour, h.minute, h.second);
  return buf;
}

std::string timeHM(std::int32_t t) {
  if (t <= 0) return {};
  auto h = datetime::fromClockTime(t);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d", h.hour, h.minute);
  return buf;
}

}  // namespace picture
