#pragma once
// Tests as files of a test base and records of the test register
// (DataTest): creating, renaming and deleting a test, and its password.
// Every failure is reported with its error number and a message.
#include <cstdint>
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

  // Deletes a test's file and its companion file.
  Outcome remove(const std::string& baseDir, const std::string& name);

  // The register's test password of the test with this code (one record
  // updated).
  Outcome setPassword(std::uint16_t code, const std::string& passwordUtf8);

  // Whether the register holds a name (letter case ignored), in any base.
  bool registered(const std::string& nameUtf8, store::ErrorInfo* error = nullptr);

 private:
  int open(store::Table& t);
  std::string file_;
};

// The path of a test file: base directory + the whole base name + ".orm".
std::string testPath(const std::string& baseDir, const std::string& name);

}  // namespace constructor
