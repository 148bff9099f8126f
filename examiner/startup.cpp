#include "startup.h"

#include "cp1251.h"
#include "settings_file.h"
#include "table_opener.h"

namespace examiner {


namespace {
messages::Message notice(const std::string& text, const std::string& caption) {
  messages::Message m;
  m.text = text;
  m.caption = caption;
  return m;
}
}  // namespace

bool startUp(Startup& s, const std::string& workingDir, messages::Interaction& ui) {
  s.inst = setup::resolve(setup::Program::Examiner, workingDir);
  // Error viewing and trial runs are started by the other programs for a
  // test and a journal of their own: an armed workstation does not override them.
  const int mode = s.inst.modeWork;
  if (mode == 0 || mode == 5 || mode == 10) s.autostart = readAutostart(s.inst);
  std::string why;
  if (!s.autostart.journal.empty() && !setup::safeFileName(s.autostart.journal, &why)) {
    // A journal name that would leave "Stat/" is not taken.
    ui.show(notice(why, "Автозапуск"));
    s.autostart.journal.clear();
  }
  const bool journalPreset = applyAutostart(s.autostart, s.inst);
  if (!setup::readSettings(tables::tuneTestDef(), s.inst.central(tables::files::TuneTest), s.tune, ui)) return false;
  if (!setup::readSettings(tables::glbTuneDef(), s.inst.central(tables::files::GlbTune), s.glb, ui)) return false;
  setup::applyKeyWord(s.inst, s.glb);
  if (!journalPreset && s.inst.modeNet == 1) {
    tables::Labr room;
    store::Table labr(tables::labrDef(), room, s.inst.central(tables::files::Labr));
    setup::TableOpener opener(ui);
    if (s.tune.CODEFILEREZ == 2 && opener.open(labr) != store::Ok) return false;
    why.clear();
    setup::chooseResultFile(s.inst, s.tune, s.autostart.armed && s.autostart.presetsTest, labr, room, &why);
    if (!why.empty()) ui.show(notice(why, "Файл результатов"));
  }
  s.namePc = settings::workstationName();
  return true;
}

void closeDown(setup::Installation& inst) { inst.ini.set("GlbTune", "ModeWork", "0"); }

bool userPasswordOk(const tables::TuneTest& tune, const std::string& typed) {
  std::string t(cp1251::clip(typed));
  return t == tune.PASSUSR.view() || t == tune.PASSADM.view();
}

bool adminPasswordOk(const tables::TuneTest& tune, const std::string& typed) {
  return cp1251::clip(typed) == tune.PASSADM.view();
}

}  // namespace examiner
