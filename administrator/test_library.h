#pragma once
// The test library: the test bases of the main library "PathFile.tps" or the
// reserve library "PathFile.sec", the test files of a base's folder, test
// files copied or moved between bases, and the central base redefined.
// Failures and refusals come back as an Outcome with the message.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "contingent.h"
#include "installation.h"
#include "tables_central.h"

namespace administrator {

enum class Library { Main, Reserve };
// "Основная библиотека" / "Резервная библиотека".
const char* libraryTitle(Library l);
// The library's table: the base directory + "PathFile.tps" or "PathFile.sec".
std::string libraryFile(const setup::Installation& inst, Library l);

// A test file of a base's folder.
struct TestFile {
  std::string file;  // "Физика.orm", as on disk (UTF-8)
  std::string name;  // "Физика": the test's name in the register
  std::int32_t date = 0, time = 0;  // of the last change
};

// Every "*.orm" of a folder (letters of the extension in any case), by name.
std::vector<TestFile> testsIn(const std::string& folder);

enum class Transfer { Copy, Move };

class TestLibrary {
 public:
  TestLibrary(const setup::Installation& inst, Library l = Library::Main);

  // The bases in code order.
  Outcome bases(std::vector<tables::PathFile>& out);

  // Copies or moves the test file `file` of base `from` into base `to`
  // with its companion "<test>.emb" when it has one. A test of that name
  // in the target is replaced only when `replace(name)` agrees; refused, it
  // is left as it was and the outcome is refused with an empty message.
  // The copy is made under other names and put in place only when every
  // file of it is whole; a move then gives the test's register record
  // (DAT:CODEBD) the target's code, and only then removes the source.
  Outcome transfer(const std::string& file, const tables::PathFile& from, const tables::PathFile& to, Transfer how,
                   const std::function<bool(const std::string& name)>& replace);

 private:
  std::string libraryFile_, registerFile_;
};

// The base directory becomes `dir` (with its closing "/"), taken by `inst`
// and written to the settings file where the next start reads it: section
// "Path", key "CentBD" (ModeNet set to 1 when no mode was set), or "LocBD"
// in local mode, whose libraries are then moved under it.
Outcome redefineCentralBase(setup::Installation& inst, const std::string& dir);
// Creates `dir` with any missing parents and its sub-folders "Stat" and
// "Test". A path ending in ":" is not created.
Outcome makeBaseFolders(const std::string& dir);

}  // namespace administrator
