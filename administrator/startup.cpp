#include "startup.h"

#include "parameters.h"
#include "table_opener.h"

namespace administrator {

bool startUp(const std::string& workingDir, setup::Installation& inst, tables::GlbTune& glb, messages::Interaction& ui) {
  inst = setup::resolve(setup::Program::Administrator, workingDir);
  if (!setup::readSettings(tables::glbTuneDef(), inst.central(tables::files::GlbTune), glb, ui)) return false;
  setup::applyKeyWord(inst, glb);
  // A local database copied with its libraries finds them beside it; the
  // program works on if they cannot be moved.
  if (Outcome o = moveLibrariesUnderLocalBase(inst); !o) {
    messages::Message m;
    m.text = o.message;
    m.caption = "Библиотеки тестов";
    ui.show(m);
  }
  return true;
}

}  // namespace administrator
