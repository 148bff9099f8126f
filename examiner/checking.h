#pragma once
// The answer rules the Examiner shares with the Constructor's preview, under
// the names the Examiner's code uses.
#include "answer_checking.h"
#include "selection.h"

namespace examiner {

using common::Check;
using common::Response;
using common::check;
using common::chosenVariants;
using common::keyText;
using common::keyTextShown;
using common::keywordsFound;
using common::matchingRows;
using common::maxPoints;
using common::synonyms;

}  // namespace examiner
