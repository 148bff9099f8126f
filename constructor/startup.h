#pragma once
// The Constructor's start-up and the state the whole run shares: paths,
// the global settings record and its start status, the current test base
// and the two libraries of test bases.
#include <cstdint>
#include <string>
#include <vector>

#include "installation.h"
#include "messages.h"
#include "tables_central.h"

namespace constructor {

struct Startup {
  setup::Installation inst;
  tables::GlbTune glb;
  bool askStatus = true;  // GLB:WHOSTART was blank: the status window comes first
};

// Paths, the global settings record (created when missing) and its start
// status: GLB:WHOSTART is noted, then blanked and written back, so that the
// next start asks again. False when the table could not be opened (the user
// was told and the program ends).
bool startUp(Startup& s, const std::string& workingDir, messages::Interaction& ui);

// The current test base: Path/DirBD of the shared settings file, always
// ending in "/" (empty when none is set).
std::string currentBase(const settings::IniFile& shared);
// Writes a new current base (kept with its "/"); false when the file could
// not be written.
bool setCurrentBase(settings::IniFile& shared, const std::string& dir);

// The two libraries of test bases side by side in the database directory:
// "PathFile.tps" (main) and "PathFile.sec" (reserve).
std::string libraryFile(const setup::Installation& inst, bool reserve);
const char* libraryName(bool reserve);  // "Основная библиотека" / "Резервная библиотека"

// A test base as a library lists it.
struct TestBase {
  std::int32_t code = 0;  // PBD:CODEBD
  std::string name;       // PBD:NAMEBD (UTF-8)
  std::string dir;        // PBD:DIRBD, ending in "/"
};
// The bases of a library file in code order; the store's error number
// (2 for a library not made yet) with its text in `error`.
int listBases(const std::string& libraryFile, std::vector<TestBase>& out, store::ErrorInfo* error = nullptr);

}  // namespace constructor
