#pragma once
// A test's frames as questions of the open formats, for writing a test out
// as GIFT or Moodle XML. Frames no format can hold (object frames,
// generators, several keywords that must all be typed) come as skipped
// questions with the reason.
#include <string>
#include <vector>

#include "bank.h"
#include "gift.h"
#include "tables_test_file.h"
#include "test_file.h"
#include "test_register.h"

namespace converter {

// One frame (its help record when it has one) as a question named
// "Кадр N", in the category of its section.
Question questionOfFrame(const tables::Vop& v, const tables::Training* help, const std::string& sectionUtf8);

// Every frame of an open test, in code order; a store error number, or 0.
int questionsOfTest(testfile::TestFile& tf, std::vector<Question>& out);

// Opens the test file `testPath` (".../name.orm") with the installation's
// key word and writes it in `format` (GIFT or Moodle XML) to `outPath`.
// `written` tells what was written and what was left out.
// An existing `outPath` is replaced only with `replace`; a name that is
// the test itself or a file of the installation (.orm, .emb, .tps, .rez,
// .ini) is always refused.
constructor::Outcome exportTest(const std::string& testPath, const std::string& keyWord, Format format, const std::string& outPath,
                                Written& written, bool replace = false);

// Why `outPath` may not receive the export of `testPath`; empty if it may.
std::string exportTargetRefusal(const std::string& testPath, const std::string& outPath);

}  // namespace converter
