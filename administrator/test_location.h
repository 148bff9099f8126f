#pragma once
// Where the test file of a stored result lies. A result keeps the test's
// title (REZ:NAMETEMA), which is seldom its file name, so the file is
// looked for in turn: the library and the title; the test register's
// record of the test's code, in its library; every test of the library
// whose scenario has that code. Used by the results journal (error
// viewing) and by the item analysis.
#include <optional>
#include <string>

#include "installation.h"
#include "messages.h"
#include "protocol.h"
#include "tables_results.h"

namespace administrator {

struct TestFound {
  bool found = false;
  std::string path;  // the ".orm" file (UTF-8), when found
  std::string dir;   // its directory, ending in '/'
  std::string base;  // its name without ".orm"
  // When not found: the file first looked for, and why it is not there.
  std::string tried;
  store::ErrorInfo error;
};

// `inst` gives the test register (DataTest), the libraries (PathFile) and
// the key word that opens test files.
TestFound locateResultTest(const tables::RezTest& r, const setup::Installation& inst);

// The time limit of the result's test as its scenario sets it (the frames
// only for a limit per frame); nothing when the test cannot be found or read.
std::optional<common::TestTiming> testTimingOf(const tables::RezTest& r, const setup::Installation& inst);

// The standard message 35 for a test that was not found.
messages::Message testNotFoundMessage(const TestFound& f);

}  // namespace administrator
