#pragma once
// What a frame must hold, kind by kind, before it is saved: the fields the
// Examiner's checking reads, normalised and validated; the reference answer
// line of a printed test; the points a frame is given.
//
// Field roles, as the Examiner's checking reads them:
//   kinds 1-3  variants VAROT11.. (contiguous), KOLOT their count, TRUEOT the key;
//   kind 4     variants VAROT11.. (contiguous), KOLOT their count; the left items
//              (rows) VAROT2[1..n] (contiguous), TRUEOT[i] the variant of row i;
//   kinds 5, 7 slot j (1..5): keyword or lower bound in VAROT1(4+j), synonyms
//              ("a, b, c") or upper bound in VAROT2[4+j]; KOLOT the filled slots;
//   kind 6     TRUEOTSTR, compared exactly with the typed answer.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "tables_test_file.h"

namespace common {

// The longest answer an examinee can type (the Examiner keeps 128 characters).
inline constexpr std::size_t kTypedAnswer = 128;

// Normalises `v` in place (the fields its kind does not use blanked, the
// variants made contiguous, KOLOT counted, the points set by the scenario's
// marking) and returns the problems that forbid saving it, as messages to
// show (UTF-8); empty when the frame may be saved.
std::vector<std::string> normaliseFrame(tables::Vop& v, const tables::Tema& tema);

// Where each answer variant went when the variants were closed up: old
// number i (1..9) -> to[i], 0 when the variant was blank or dropped.
struct VariantMoves {
  std::array<int, 10> to{};
  bool moved() const;  // some variant now stands in another place
};
// As above, telling where the variants went, so that the frame's comments
// (TRA:COMMOT, one per variant) can follow them.
std::vector<std::string> normaliseFrame(tables::Vop& v, const tables::Tema& tema, VariantMoves& moves);
// Moves the comments of a frame's help record as its variants moved.
void followVariants(tables::Training& help, const VariantMoves& moves);

// The points a frame carries by the scenario's marking: 1, TEM:BALLVOP, or
// the frame's own points brought within TEM:BALLRANGE. Never times the
// level: the Examiner multiplies when it checks.
std::uint16_t framePoints(const tables::Vop& v, const tables::Tema& tema);

// The characters of a UTF-8 text that code page 1251 lacks (each named
// once, in order of appearance; a broken UTF-8 sequence as U+FFFD).
std::vector<std::string> unfitCharacters(std::string_view utf8);
// "<label>: знаки «…» не входят в кодовую страницу 1251." or empty when the
// text fits. Windows ask it for every text of a frame before saving.
std::string unfitMessage(std::string_view label, std::string_view utf8);

// The reference answer line of a printed frame (UTF-8): kind 1 "1,3.",
// kind 2 "2,1,3.", kind 3 "2.", kind 4 "а2,б1.", completion answers with
// their synonyms "алгоритм (синонимы: программа); исполнитель" or their
// ranges "от 2.5 до 3.5", kind 6 its exact text; empty for no answer.
std::string referenceAnswer(const tables::Vop& v);

}  // namespace common
