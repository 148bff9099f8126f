#pragma once
// The test-choice page's logic: the libraries, the tests of a library, the
// journal chosen by faculty or discipline, the run counter.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "store.h"
#include "tables_central.h"
#include "test_file.h"

namespace examiner {

struct Library {
  std::int32_t code = 0;
  std::string dir;   // UTF-8, as stored: joined to test names without a separator
  std::string name;  // UTF-8
};
std::vector<Library> libraries(store::Table& pathFile, tables::PathFile& rec);

struct TestEntry {
  std::string name;        // UTF-8, without ".orm"
  std::int32_t date = 0;   // day number of the file's last change
};
// Every "*.orm" of a library directory, by name.
std::vector<TestEntry> testsIn(const std::string& libraryDir);

// TUN:CODEFILEREZ = 3: the journal named by the test's faculty, or by its
// discipline when the faculty is blank (UTF-8). Empty when the name would
// leave the "Stat" folder (`why` then says so).
std::string journalForTest(const tables::Tema& tema, std::string* why = nullptr);

// Raises TIT:KOLRUN of an open test by one, in a transaction, so that
// workstations starting the test together each count.
int raiseRunCount(testfile::TestFile& tf);

// SelTest holds a base name of the library or the full path of a test file
// (the Constructor writes a full path): the directory and the base name.
struct TestLocation {
  std::string dir;
  std::string base;
};
TestLocation locateTest(const std::string& selTest, const std::string& libraryDir);

}  // namespace examiner
