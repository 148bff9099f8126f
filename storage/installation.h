#pragma once
// The program-wide state of one running program: its working mode, the
// base directory and the name of every table, settled at start-up from the
// shared settings file. One object, passed to whatever needs it.
#include <string>
#include <string_view>

#include "settings_file.h"
#include "store.h"
#include "tables_central.h"

namespace setup {

enum class Program { Examiner, Constructor, Administrator };

struct Installation {
  Program program = Program::Examiner;
  std::string workingDir;    // the directory the program works in
  settings::IniFile ini;     // the shared settings file "Varnuke.ini" there
  int modeNet = 0;           // 1 network (CentBD), 2 local (LocBD), else 0
  std::string base;          // the database directory as stored; joined without adding a separator
  std::string libraryDir;    // Path/DirBD
  std::string fileRez;       // Path/FileRez (UTF-8)
  int modeWork = 0;          // GlbTune/ModeWork (the Examiner's working mode)
  std::string keyWord;       // GLB:KEYW, 20 characters of CP1251: the test files' owner password

  // A central table: base + its file name; with an empty base, in the
  // working directory. Names without a directory (WRITER) are always found
  // in the working directory, as is the Examiner's AutoStar.tps.
  std::string central(const char* fileName) const;
  // A work table of fixed name, in the working directory.
  std::string work(const char* fileName) const;
  // The current result file: base + "Stat/" + FileRez + ".rez", and its tables.
  std::string resultFile() const;
  std::string rezTest() const;
  std::string rezDtl() const;
  // A test file of the library: DirBD + base name + ".orm", and its tables.
  std::string testFile(const std::string& baseName) const;
  std::string testTable(const std::string& baseName, const char* table) const;

  // Reads Path/FileRez again (after the result file was chosen).
  void rereadResultFile();
};

// Start-up path resolution of a program working in `workingDir`: reads the
// settings file, chooses the base directory by ModeNet (absent: the Examiner
// takes network mode, the other programs an empty base), reads the library
// directory, the result file and the working mode.
Installation resolve(Program program, const std::string& workingDir);

// Copies the installation's key word into the test files' owner password.
void applyKeyWord(Installation& inst, const tables::GlbTune& glb);

// Examiner, network mode: chooses the current result file by
// TUN:CODEFILEREZ (1 the common file unless the autostart record presets a
// test, 2 the file of this workstation's room), writes Path/FileRez (and
// CodeRez) and reads it back. In error viewing (7) and trial testing (9) the
// caller's FileRez stands. Returns 0, or a store error from the room lookup.
// A journal name from a record that would leave "Stat/" is not taken: the
// current FileRez stands and `why` gets the message to show.
int chooseResultFile(Installation& inst, const tables::TuneTest& tune, bool autostartPresetsTest, store::Table& labr,
                     tables::Labr& room, std::string* why = nullptr);

// Administrator, local mode: every library of PathFile is moved under the
// local base directory, keeping only its last directory.
std::string localLibraryDir(std::string_view dirBd, const std::string& base);
int rewriteLibrariesForLocal(const Installation& inst, store::Table& pathFile, tables::PathFile& rec);

// A file name made from record text or typed by a user (a faculty, a
// discipline, a journal, a test) must stay inside its folder: no "/", "\",
// "..", control characters. `why` gets the message to show.
bool safeFileName(std::string_view nameUtf8, std::string* why = nullptr);

}  // namespace setup
