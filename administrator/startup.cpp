#include "startup.h"

#include "table_opener.h"

namespace administrator {

bool startUp(const std::string& workingDir, setup::Installation& inst, tables::GlbTune& glb, messages::Interaction& ui) {
  inst = setup::resolve(setup::Program::Administrator, workingDir);
  tables::GlbTune rec;
  store::Table t(tables::glbTuneDef(), rec, inst.central(tables::files::GlbTune));
  setup::TableOpener opener(ui);
  if (opener.open(t) != store::Ok) return false;
  if (t.set() != store::Ok || t.next() != store::Ok) rec = tables::GlbTune{};
  glb = rec;
  opener.close(t);
  setup::applyKeyWord(inst, glb);
  return true;
}

}  // namespace administrator
