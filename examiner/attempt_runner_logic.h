#pragma once
// Between the test file, the stored results and an attempt: the attempt's
// set-up from an open test, the stored attempt of error viewing, and what is
// stored at the end.
#include "frame_object.h"
#include <map>
#include <string>

#include "attempt.h"
#include "registration.h"
#include "attempt_keeper.h"
#include "startup.h"
#include "test_file.h"

namespace examiner {

AttemptConfig configFor(testfile::TestFile& tf, const Startup& s, const Registration& who, int variant);
// The journal that error viewing (ModeWork 7) reads CodeRez from: the one
// the Administrator named beside it (GlbTune/ViewFileRez), which need not be
// the current journal; the current one (Path/FileRez) when none is named or
// the name cannot be a journal's.
std::string errorViewingJournal(const setup::Installation& inst);
// The RezTest record of a result code and its answers read from RezDtl.
int loadStoredAttempt(const setup::Installation& inst, std::int32_t code, tables::RezTest& rez,
                      std::map<std::uint16_t, Response>& answers, store::ErrorInfo* error = nullptr);
StoreRequest storeRequestFor(const Attempt& a, const Startup& s, int saveRez);

// The file name under which an object's document is written out.
using frameobject::documentFileName;

}  // namespace examiner
