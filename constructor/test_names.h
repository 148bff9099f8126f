#pragma once
// Test names: what the lists show and what the operations use.
#include <cstdint>
#include <string>
#include <vector>

namespace constructor {

// The name a list shows: the file's name cut at its first "." ("Гр" for
// "Гр. 1.2"). Every operation uses the whole base name instead.
std::string shownName(const std::string& baseName);

struct ListedTest {
  std::string base;   // the whole base name, without ".orm" (UTF-8)
  std::string shown;  // as the lists show it
  std::int32_t date = 0;
};
// Every "*.orm" of a test base, by base name.
std::vector<ListedTest> testsOf(const std::string& baseDir);

}  // namespace constructor
