#pragma once
// A test file "<library dir><base name>.orm" and the operations every program
// shares on it.
#include <string>
#include <string_view>
#include <vector>

#include "store.h"
#include "tables_test_file.h"

namespace testfile {

// What a new test starts with besides the scenario's defaults.
struct NewTest {
  std::uint16_t code = 0;    // DAT:CODETEST of its library record
  std::string name;          // CP1251; the test's file name when empty
  std::string password;      // access password (CP1251)
  std::string organisation;  // GLB:ORG (CP1251)
};

// The scenario and title of a new test, as the Constructor primes them.
void primeTema(tables::Tema& tema, const NewTest& t);
void primeTitul(tables::Titul& titul, const NewTest& t);

class TestFile {
 public:
  TestFile();

  // Names the five tables and sets the owner password (the key word,
  // 20 characters with its blanks). `libraryDir` is joined as stored.
  void name(const std::string& libraryDir, const std::string& baseName, std::string_view keyWord);
  const std::string& path() const { return path_; }

  // Creates the file's five tables and adds the primed scenario and title.
  // The tables stay closed.
  int create(const NewTest& t);
  // Opens the five tables and reads the first scenario and title records.
  // On error 36 (another key word, a foreign file) nothing further is read.
  int open(int mode = store::Shared);
  void close();
  bool isOpen() const { return temaT.isOpen(); }

  // Every frame in the order of its code.
  int frames(std::vector<tables::Vop>& out);
  // The help of a frame, by TRA:KEYCODEVOP into `training`; 33 when it has none.
  int findHelp(std::uint16_t codeVop);

  const store::ErrorInfo& error() const { return error_; }

  tables::Tema tema;
  tables::Titul titul;
  tables::Razdel razdel;
  tables::Vop vop;
  tables::Training training;
  store::Table temaT, titulT, razdelT, vopT, trainingT;

 private:
  int failWith(const store::Table& t);
  std::vector<store::Table*> all();
  std::string path_;
  store::ErrorInfo error_;
};

// Deletes a test's file (and its companion file of separate objects).
int removeTest(const std::string& path);

}  // namespace testfile
