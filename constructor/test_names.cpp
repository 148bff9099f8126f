#include "test_names.h"

#include "test_choice.h"

namespace constructor {

std::string shownName(const std::string& baseName) {
  auto dot = baseName.find('.');
  return dot == std::string::npos ? baseName : baseName.substr(0, dot);
}

std::vector<ListedTest> testsOf(const std::string& baseDir) {
  std::vector<ListedTest> out;
  for (const auto& t : examiner::testsIn(baseDir)) out.push_back({t.name, shownName(t.name), t.date});
  return out;
}

}  // namespace constructor
