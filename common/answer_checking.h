#pragma once
// A frame's answer, as the Examiner takes it and the Constructor's preview
// tries it: how a click or a typed text changes the response, how the
// response is checked against the frame's key for every frame kind in plain
// and weighted marking, and the key written out under a frame.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tables_test_file.h"

namespace common {

// Display order of answer variants: byte k (1-based) is the stored variant
// shown at display position k; inverse[v] is the display position of v.
struct Permutation {
  std::array<std::uint8_t, 10> shown{};    // [1..9]
  std::array<std::uint8_t, 10> inverse{};  // [1..9]
  int count = 0;
};
// The variants shown in their stored order (count clamped to 0..9).
Permutation identityPermutation(int count);

// The examinee's response to a frame: r[1..9] for kinds 1 to 4 (stored
// variant numbers, whatever order they were shown in), the typed text
// (CP1251, 128 characters) for kinds 5 to 7.
struct Response {
  std::array<std::uint8_t, 10> r{};
  std::string text;
  bool answered(int kind) const;
  // Same answer: the same bytes and the same text without trailing blanks.
  bool operator==(const Response& o) const;
};

// A click on the control at display position k (kinds 1 to 3) or on left
// item k (kind 4): kind 1 marks or unmarks the variant, kind 2 gives it the
// next place (1..n, round again), kind 3 chooses it, kind 4 gives the row the
// next display number. Clicks outside the frame's controls change nothing.
void clickAnswer(const tables::Vop& v, const Permutation& shown, Response& r, int k);
// Kind 4: the display number now given to left item k (0 none).
int shownNumber(const Permutation& shown, const Response& r, int k);
// The typed answer of kinds 5 to 7 (CP1251), kept to its 128 characters.
void typeAnswer(Response& r, const std::string& cp1251);

struct Check {
  bool correct = false;
  long points = 0;
};

// Number of left items of a matching frame: the non-blank VAROT2[1..9].
int matchingRows(const tables::Vop& v);
Check check(const tables::Vop& v, const Response& resp, bool weighted);

// The most a frame can earn: what the checking gives for the frame's own
// key (the weights of a weighted frame, else VOP:BALLVOP).
long maxPoints(const tables::Vop& v, bool weighted);

// The stored numbers of the variants a response chooses (kind 1 the marked
// ones, kind 3 the one chosen, kinds 2 and 4 every one given a number), for
// the training comments of those variants.
std::vector<int> chosenVariants(const tables::Vop& v, const Response& r);

// Keywords found in a typed text (kinds 5 and 7). Numbers: only the first K
// comma-separated items are read (K slots), each slot met by its own number. Slot j (1..5) keeps its
// keyword or lower bound in VAROT1(4+j) and its synonyms ("a, b, c") or
// upper bound in VAROT2[4+j]. Both sides are compared in lower case.
int keywordsFound(const tables::Vop& v, const std::string& typed);
// The comma-separated items of a synonym list, blanks trimmed.
std::vector<std::string> synonyms(std::string_view list);

// The key as trial testing and error viewing show it under the frame
// (UTF-8), in stored numbering.
std::string keyText(const tables::Vop& v);
// The key named as the examinee sees the frame: variants by the letters of
// their display places (kind 1 "а, в.", kind 2 "а-3, б-1", kind 3 "б."),
// matching rows by the display numbers of their variants ("а2, б3").
std::string keyTextShown(const tables::Vop& v, const Permutation& shown);

}  // namespace common
