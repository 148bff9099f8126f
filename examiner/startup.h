#pragma once
// The Examiner's start-up: paths, the autostart record, the settings
// records, the key word and the choice of the result file; and what closing
// writes back.
#include <string>

#include "autostart.h"
#include "installation.h"
#include "messages.h"
#include "tables_central.h"

namespace examiner {

struct Startup {
  setup::Installation inst;
  tables::TuneTest tune;
  tables::GlbTune glb;
  Autostart autostart;
  std::string namePc;  // this workstation (UTF-8)
};

// False when a table could not be opened (the user was told and the
// program is to end through ui.endProgram).
bool startUp(Startup& s, const std::string& workingDir, messages::Interaction& ui);


// Closing: ModeWork back to "0" so that the next start is normal.
void closeDown(setup::Installation& inst);

// The start window's passwords (CP1251, blanks at the end ignored).
bool userPasswordOk(const tables::TuneTest& tune, const std::string& typed);
bool adminPasswordOk(const tables::TuneTest& tune, const std::string& typed);

}  // namespace examiner
