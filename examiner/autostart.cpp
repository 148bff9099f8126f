#include "autostart.h"

#include "cp1251.h"

namespace examiner {

Autostart readAutostart(const setup::Installation& inst) {
  Autostart a;
  tables::AutoStar rec;
  store::Table t(tables::autoStarDef(), rec, inst.central(tables::files::AutoStar));
  if (t.open(store::Shared) != store::Ok) return a;
  if (t.set() != store::Ok || t.next() != store::Ok) return a;
  a.armed = rec.AUTOSTART == 1;
  a.test = rec.CURTEST.utf8();
  a.library = rec.CURBT.utf8();
  a.journal = rec.CURREZ.utf8();
  // AUT:CURTEST outlives a disarming and an arming without a test: only
  // AUT:YESTEST says whether it is meant.
  a.presetsTest = rec.YESTEST != 0;
  return a;
}

bool applyAutostart(const Autostart& a, setup::Installation& inst) {
  if (!a.armed) return false;
  inst.modeWork = 10;
  if (a.presetsTest && !a.test.empty()) {
    inst.ini.set("GlbTune", "SelTest", a.test);
    if (!a.library.empty()) {
      inst.ini.set("Path", "DirBD", a.library);
      inst.libraryDir = a.library;
    }
  }
  if (!a.journal.empty()) {
    inst.ini.set("Path", "FileRez", a.journal);
    inst.rereadResultFile();
    return true;
  }
  return false;
}

}  // namespace examiner
