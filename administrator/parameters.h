#pragma once
// The system parameters that the window "Настройка параметров системы"
// shows and writes: the work mode and the database directories, the test
// library, the current result journal and how the Examiner chooses one, the
// titles of reports, monitoring, how long an outage is forgiven to an
// examinee who goes on, a new frame's defaults and the passwords.
// They live in the shared settings file (GlbTune/ModeNet, Path/CentBD,
// LocBD, DirBD, FileRez, CodeRez) and in the one-record tables GlbTune,
// TuneTest, ZagExzVed and the work table VOPPARAM: read together, checked,
// and written together (the records in one transaction, then the file).
//
// Text is UTF-8; records hold code page 1251.
#include <optional>
#include <string>

#include "contingent.h"
#include "installation.h"
#include "open_attempts.h"

namespace administrator {

// How the Examiner chooses the journal it writes to (TUN:CODEFILEREZ).
enum class ResultChoice : int { Common = 1, ByRoom = 2, ByFaculty = 3 };

struct Parameters {
  int modeNet = 1;                       // 1 network (CentBD), 2 local (LocBD)
  std::string centralDir, localDir;      // Path/CentBD, Path/LocBD
  std::string libraryDir;                // Path/DirBD, TUN:CURBIBL
  std::string fileRez;                   // Path/FileRez: the current journal
  ResultChoice resultChoice = ResultChoice::Common;
  std::string commonJournal;             // TUN:CURREZ
  std::string organisation, organisation2;  // TUN:ORG (and GLB:ORG), TUN:ORG2
  std::string owner;                     // GLB:ADMINISTRATOR
  std::string reportTitle, reportSubtitle;  // TUN:NAMEPROT, TUN:NAMEPROT2
  std::string examSheetTitle;            // ZGV:ZAG
  bool monitoring = false;               // TUN:YESMONI
  bool checkPassword = false;            // TUN:CHECKPASS not blank
  bool changePassword = false;           // TUN:CHANGEPASS not blank
  // An attempt that goes on after its workstation was lost: so many minutes
  // of the outage are not counted against its time (GLB:RESERVED4).
  int resumeGraceMinutes = common::kDefaultResumeGraceMinutes;
  // What a new frame starts with (VOPPARAM).
  int framePoints = 0, frameSeconds = 0, frameAttempts = 0, frameLevel = 0;

  // The database directory of the chosen mode.
  std::string& baseDir() { return modeNet == 2 ? localDir : centralDir; }
  const std::string& baseDir() const { return modeNet == 2 ? localDir : centralDir; }
};

// New passwords; one left empty stays as it is.
struct NewPasswords {
  std::optional<std::string> adminSignIn;    // GLB:PASSADM: "Администратор" in the Administrator and the Constructor
  std::optional<std::string> userSignIn;     // GLB:PASSINS: "Пользователь"
  std::optional<std::string> examinerAdmin;  // TUN:PASSADM: the Examiner's settings
  std::optional<std::string> examinerUser;   // TUN:PASSUSR: the Examiner's start
  bool any() const { return adminSignIn || userSignIn || examinerAdmin || examinerUser; }
};

// The parameters as the settings file and the records hold them now.
Outcome readParameters(const setup::Installation& inst, Parameters& out);

// The first reason the parameters cannot be written (UTF-8), or nothing:
// the current journal, and the common one when the Examiner is to take it,
// must be names of journals (common::journalNameRefusal); every text,
// the library directory too, must fit its record field in code page 1251;
// the numbers their fields.
std::optional<std::string> checkParameters(const Parameters& p);
std::optional<std::string> checkPasswords(const NewPasswords& pw);

// Writes the parameters: the records first (all or none), then the settings
// file (ModeNet, the directory of the chosen mode, FileRez, CodeRez, DirBD).
// The records are those of the base the parameters lead to (the new one
// when the mode or the directory changed); a base without settings records
// gets the current base's, key word and passwords included, before the
// window's values. CodeRez is the code of the journal FileRez in that
// base's catalogue AllRez, blank when it is not catalogued. Passwords are
// an administrator's business: with `administrator` false a new password
// is refused and nothing is written. A directory gets its closing
// separator. The installation is then resolved again, so that the program
// goes on in the new mode; in local mode the libraries of PathFile are
// moved under the local database directory.
Outcome writeParameters(setup::Installation& inst, const Parameters& p, const NewPasswords& pw, bool administrator);

// The library directory alone (with its closing separator): TUN:CURBIBL,
// with GlbTune in the same transaction, then Path/DirBD. Refused when it
// does not fit TUN:CURBIBL; then nothing is written.
Outcome saveLibraryDir(setup::Installation& inst, const std::string& dirUtf8);

// Local mode: every library of PathFile placed under the local database
// directory (setup::rewriteLibrariesForLocal); nothing in network mode or
// while the local directory is not set.
Outcome moveLibrariesUnderLocalBase(const setup::Installation& inst);

// "dir" -> "dir/"; an empty directory stays empty.
std::string withSeparator(std::string dir);

}  // namespace administrator
