#pragma once
// The autostart record the Administrator writes into the Examiner's working
// directory ("AutoStar.tps"), and what it does to the start-up.
#include <string>

#include "installation.h"

namespace examiner {

struct Autostart {
  bool armed = false;        // AUT:AUTOSTART = 1: the Examiner starts in mode 10
  bool presetsTest = false;  // AUT:YESTEST: the test lists are locked to SelTest
  std::string library;       // AUT:CURBT (UTF-8)
  std::string test;          // AUT:CURTEST (UTF-8)
  std::string journal;       // AUT:CURREZ (UTF-8)
};

// Reads the first record of the working directory's AutoStar.tps (none: disarmed).
Autostart readAutostart(const setup::Installation& inst);
// Applies an armed record before the result file is chosen: mode 10; when
// it presets a test, that test into SelTest and its library into DirBD; the
// preset journal into FileRez. Returns true when the journal was preset, so that the
// network choice of the result file is skipped. The record stays armed.
bool applyAutostart(const Autostart& a, setup::Installation& inst);

}  // namespace examiner
