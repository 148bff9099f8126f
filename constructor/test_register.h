#pragma once
// Tests as files of a test base and records of the test register
// (DataTest): creating, renaming and deleting a test, and its password.
// Every failure is reported with its error number and a message.
#include <cstdint>
#include <functional>
#include <string>

#include "store.h"
#include "tables_central.h"
#include "test_file.h"

namespace constructor {

// What an operation came to: 0, or the store's error number (a refusal of
// the operation's own is `Refused`), with the message to show (UTF-8).
struct Outcome {
  static constexpr int Refused = -1;
  int error = 0;
  std::string message;
  explicit operator bool() const { return error == 0; }
};

struct NewTestRequest {
  std::string baseDir;       // the test base, joined as stored
  std::int32_t baseCode = 0; // PBD:CODEBD of the base
  std::string name;          // the file's base name (UTF-8), without ".orm"
  std::string password;      // access password (UTF-8), may be empty
  std::string organisation;  // GLB:ORG (CP1251)
  std::string keyWord;       // GLB:KEYW, the test files' owner password
};

class TestRegister {
 public:
  // `dataTestFile`: the central DataTest.tps.
  explicit TestRegister(std::string dataTestFile) : file_(std::move(dataTestFile)) {}

  // Registers the name with the next code and creates the test file with
  // its primed scenario and title. Refused for an unsafe name, a name whose
  // ".orm" lies in the base (any letter case) or that the register holds
  // in any base; the register's record goes again when the file cannot be
  // made. `code` gets DAT:CODETEST = TEM:CODETEMA.
  Outcome create(const NewTestRequest& r, std::uint16_t& code);

  // Gives a test a new file name: the ".orm" and its ".emb" companion are
  // renamed, the separately stored objects named anew, and TEM:NAME and
  // TIT:NAME follow where they equalled the old name. Refused when the new
  // name is unsafe or taken. The register keeps the old name (it keeps
  // refusing it for new tests).
  Outcome rename(const std::string& baseDir, const std::string& from, const std::string& to, const std::string& keyWord);

  // Deletes a test's file and its companion file. The register keeps the
  // test's record (its code and name), so the name stays refused.
  Outcome remove(const std::string& baseDir, const std::string& name);

  // What create() checks before writing anything: the name given, safe and
  // in code page 1251, neither its ".orm" nor its companion file in the
  // base, not held by the register.
  Outcome checkNewName(const NewTestRequest& r);

  // The register's test password of the test with this code (one record
  // updated).
  Outcome setPassword(std::uint16_t code, const std::string& passwordUtf8);

  // Whether the register holds a name (letter case ignored), in any base.
  bool registered(const std::string& nameUtf8, store::ErrorInfo* error = nullptr);

 private:
  friend class TestApart;
  int open(store::Table& t);
  std::string file_;
};

// A new test filled before anyone may see it: its file is made in a working
// directory of the base (one no list of tests looks into) and, when it is
// complete, moved to its name and registered in one step. A test that is
// never finished leaves neither a file under its name nor a register
// record; what a killed process left in its working directory is removed
// by the next begin() in that base.
class TestApart {
 public:
  TestApart(TestRegister& reg, NewTestRequest r) : reg_(reg), r_(std::move(r)) {}
  ~TestApart();  // discards an unfinished test
  TestApart(const TestApart&) = delete;
  TestApart& operator=(const TestApart&) = delete;

  // Checks the name as create() does and creates the test file with its
  // primed scenario and title in the working directory.
  Outcome begin();
  // Where the file lies until finish(), ending in "/"; the file is
  // dir() + name + ".orm" and opens with the request's key word.
  const std::string& dir() const { return dir_; }
  // The code the file's scenario carries now; frames written meanwhile
  // take it as VOP:CODETEMA, and finish() changes them all when the
  // register gives another.
  std::uint16_t code() const { return code_; }

  // The file (closed by the caller) gets the register's next code, its
  // register record is committed, and then it moves to its name (and its
  // companion file with it), never over another test: a test under its
  // name is always registered. Refused, with the working directory and the
  // record removed, when the name was taken meanwhile. `code` gets
  // DAT:CODETEST.
  Outcome finish(std::uint16_t& code);
  // Removes the working directory and all in it.
  void discard();

  // Called by finish() between committing the register record and moving
  // the file in: lets a test kill the process at the worst moment.
  std::function<void()> onRegistered;

 private:
  Outcome recode(std::uint16_t to);
  TestRegister& reg_;
  NewTestRequest r_;
  std::string dir_, lockPath_;
  int lock_ = -1;
  std::uint16_t code_ = 0;
};

// The working directories of unfinished tests in a base (see TestApart)
// whose process is gone, removed; returns how many went. A run that died
// after committing its register record (read from `dataTestFile`) gets its
// test moved in under the registered name first.
int removeAbandonedWork(const std::string& baseDir, const std::string& dataTestFile = {});

// The path of a test file: base directory + the whole base name + ".orm".
std::string testPath(const std::string& baseDir, const std::string& name);

}  // namespace constructor
