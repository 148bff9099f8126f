#pragma once
// The question set of an attempt: which frames are presented, in which
// order, which test variant a workstation gets, and in which order the
// answer variants of a frame are shown.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "answer_checking.h"
#include "engine_support.h"
#include "store.h"
#include "tables_central.h"
#include "tables_test_file.h"

namespace examiner {

// Frame codes in presentation order. `framesInStoredOrder` gives, for mode
// 5, every frame's code and variant in the Vop table's stored order; modes 1
// to 4 draw among the codes the test holds (N of them), taken in ascending
// order, so that codes 1..N are drawn as themselves. A part larger than the
// test is clamped to it.
std::vector<std::uint16_t> selectFrames(int mode, int partSize, const std::vector<std::pair<std::uint16_t, int>>& framesInStoredOrder,
                                        int variant, Random& rnd);

// Display order of answer variants, drawn at random (identity: in stored order).
using common::Permutation;
Permutation drawPermutation(int count, Random& rnd, bool identity = false);

// The variants of a room's workstations by method 1 (random, each variant
// once per cycle of V), 4 (ascending) or 5 (descending).
std::vector<std::uint8_t> assignVariants(int method, int variants, int workstations, Random& rnd);

// The variant of this workstation for a test of selection mode 5.
struct VariantRequest {
  int method = 1;        // TEM:HOWRASPVAR
  int variants = 1;      // TEM:REITING (V)
  int givenToAll = 1;    // TEM:SELVAR
  std::string testName;  // TEM:NAME (CP1251, clipped)
  int workstations = 0;  // LAB:KOLWS
  int stationNumber = 1; // GlbTune/NumPC
  int chosenByExaminee = 1;
};
// Methods 1, 4 and 5 use the shared assignment in SelVar: checked and,
// when it was made for another test or method, made afresh and stored, all
// in one transaction, so that one workstation makes it and the others reuse
// it. Returns the variant, or 0 with `error` set when SelVar failed.
int chooseVariant(const VariantRequest& r, store::Table& selVar, tables::SelVar& rec, Random& rnd,
                  store::ErrorInfo* error = nullptr);

// Error viewing: the frames of a stored attempt that were presented and not
// answered correctly (REZ:ALLOT[c] = 0), in ascending order of code.
std::vector<std::uint16_t> framesToReview(const std::array<std::uint8_t, 512>& allot);

}  // namespace examiner
