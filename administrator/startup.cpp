#include "startup.h"

#include "table_opener.h"

namespace administrator {

bool startUp(const std::string& workingDir, setup::Installation& inst, tables::GlbTune& glb, messages::Interaction& ui) {
  inst = setup::resolve(setup::Program::Administrator, workingDir);
  if (!setup::readSettings(tables::glbTuneDef(), inst.central(tables::files::GlbTune), glb, ui)) return false;
  setup::applyKeyWord(inst, glb);
  return true;
}

}  // namespace administrator
