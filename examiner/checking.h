#pragma once
// Checking one answer against a frame's key, for every frame kind, in plain
// and weighted marking; and the key written out under a frame.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tables_test_file.h"

namespace examiner {

// The examinee's response to a frame: r[1..9] for kinds 1 to 4 (stored
// variant numbers, whatever order they were shown in), the typed text
// (CP1251, 128 characters) for kinds 5 to 7.
struct Response {
  std::array<std::uint8_t, 10> r{};
  std::string text;
  bool answered(int kind) const;
};

struct Check {
  bool correct = false;
  long points = 0;
};

// Number of left items of a matching frame: the non-blank VAROT2[1..9].
int matchingRows(const tables::Vop& v);
Check check(const tables::Vop& v, const Response& resp, bool weighted);

// Keywords found in a typed text (kinds 5 and 7). Slot j (1..5) keeps its
// keyword or lower bound in VAROT1(4+j) and its synonyms ("a, b, c") or
// upper bound in VAROT2[4+j]. Both sides are compared in lower case.
int keywordsFound(const tables::Vop& v, const std::string& typed);
// The comma-separated items of a synonym list, blanks trimmed.
std::vector<std::string> synonyms(std::string_view list);

// The key as trial testing and error viewing show it under the frame
// (UTF-8).
std::string keyText(const tables::Vop& v);

}  // namespace examiner
