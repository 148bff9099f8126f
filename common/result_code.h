#pragma once
// The code a new result takes in a journal: the same rule wherever a
// result is written (the Examiner storing an attempt, the Administrator
// copying results), so that codes stay unique after deletions.
#include <cstdint>

#include "store.h"
#include "tables_results.h"

namespace common {

// The next free result code of the open RezTest table `t` (buffer `rec`):
// the record count + 1, or the highest code + 1 when that one is taken
// (results were deleted and the codes have a gap). Call it inside the
// transaction that adds the result, so that no other station takes the
// same code meanwhile. The buffer is overwritten.
std::int32_t nextResultCode(store::Table& t, tables::RezTest& rec);

}  // namespace common
