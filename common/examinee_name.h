#pragma once
// An examinee's full name as results and the grade-sheet table store it:
// surname, name and patronymic clipped, one blank between them, blank
// parts skipped, cut to `width` characters. One rule for the Examiner that
// writes the name and the Administrator that checks it against the
// student list, so that a sound line never reads as a renamed student.
#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

#include "cp1251.h"

namespace common {

inline std::string examineeName(std::string_view fam, std::string_view name, std::string_view otche,
                                std::size_t width = 60) {
  std::string f(cp1251::clip(fam));
  for (std::string_view part : {name, otche}) {
    std::string_view p = cp1251::clip(part);
    if (!p.empty()) f += (f.empty() ? "" : " ") + std::string(p);
  }
  return f.substr(0, std::min(f.size(), width));
}

// The width of the name in the grade-sheet table (VED:NAMESTUD).
inline constexpr std::size_t kGradeSheetNameWidth = 40;

}  // namespace common
