#pragma once
// A complete demo installation made from nothing: settings file, settings
// tables, dictionaries, contingent, a computer room, a test library with
// three sample tests and a results journal with a few attempts.
#include <string>
#include <vector>

namespace demo {

struct Installation {
  std::string directory;    // absolute, ends with '/'
  std::string keyWord;      // GLB:KEYW (UTF-8)
  std::string adminPassword, userPassword;
  std::string library;      // the library directory (test files)
  std::vector<std::string> tests;  // base names of the test files
  std::string resultFile;   // FileRez
};

// Fills `dir` (created when missing). Returns an empty string when it
// succeeded, else what failed.
std::string make(const std::string& dir, Installation& out);

}  // namespace demo
