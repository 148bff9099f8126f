#pragma once
// The installation the converter works in (the working directory with
// Varnuke.ini), read without changing it: paths, the key word the test
// files are kept under, the institution, the frame defaults, and the test
// bases of the two libraries.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "installation.h"
#include "tables_central.h"
#include "tables_work.h"

namespace converter {

struct Site {
  setup::Installation inst;
  tables::GlbTune glb;
  tables::VopParam defaults;
};

// False, and `why`, when the directory holds no installation (no settings
// file or no settings record to take the key word from).
bool openSite(const std::string& workingDir, Site& site, std::string& why);

struct TestBase {
  std::int32_t code = 0;
  std::string name;  // UTF-8 (its directory when it has no name)
  std::string dir;   // ending in "/"
  bool reserve = false;
};
// The bases of the main and the reserve library.
std::vector<TestBase> testBases(const Site& site, std::string* error = nullptr);
// A base named by its name, its directory or its code (the command line's BASE).
std::optional<TestBase> findBase(const std::vector<TestBase>& bases, const std::string& nameDirOrCode);

std::string dataTestFile(const Site& site);

}  // namespace converter
