// Display pictures.
#include <gtest/gtest.h>

#include "datetime.h"
#include "pictures.h"

namespace {

TEST(Pictures, PatternsNumbersDatesTimes) {
  struct Case {
    std::string got, want;
  } cases[] = {
      {picture::pattern("P###P", 7), "007"},
      {picture::pattern("P###P", 512), "512"},
      {picture::pattern("P###,P", 12), "012,"},
      {picture::pattern("P###P", 1234), "###"},
      {picture::pattern("P<<#P", 5), "  5"},
      {picture::integer(42, 5), "   42"},
      {picture::integer(-42, 4), " -42"},
      {picture::integer(1234567, 0, true), "1 234 567"},
      {picture::integer(123456, 3), "###"},
      {picture::fixed(12.5, 6, 2), " 12.50"},
      {picture::fixed(-0.001, 5, 2), " 0.00"},
      {picture::fixed(3.14159, 0, 3), "3.142"},
      {picture::date(datetime::dayNumber(2026, 12, 9)), "09/12/26"},
      {picture::date(0), ""},
      {picture::shortDate(datetime::dayNumber(2001, 1, 2)), "02.01.2001"},
      {picture::time(datetime::clockTime(8, 5, 3, 99)), "08:05:03"},
      {picture::timeHM(datetime::clockTime(23, 59, 0)), "23:59"},
      {picture::time(0), ""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want);
}

}  // namespace
