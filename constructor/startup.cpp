#include "startup.h"

#include "cp1251.h"
#include "table_opener.h"

namespace constructor {

bool startUp(Startup& s, const std::string& workingDir, messages::Interaction& ui) {
  s.inst = setup::resolve(setup::Program::Constructor, workingDir);
  s.inst.libraryDir = currentBase(s.inst.ini);
  tables::GlbTune rec;
  store::Table t(tables::glbTuneDef(), rec, s.inst.central(tables::files::GlbTune));
  setup::TableOpener opener(ui);
  if (opener.open(t) != store::Ok) return false;
  const bool exists = t.set() == store::Ok && t.next() == store::Ok;
  if (!exists) rec = tables::GlbTune{};
  s.glb = rec;
  s.askStatus = s.glb.WHOSTART.view().empty();
  // Blanked at every start, so that the next start asks for the status again.
  rec.WHOSTART = std::string_view{};
  int rc = exists ? t.put() : t.add();
  if (rc != store::Ok) {
    messages::Procedure p(ui);
    store::ErrorInfo e = t.error();
    messages::Args a = messages::argsOf(e);
    a.name = t.name();
    p.show(rc, a, &e);
  }
  opener.close(t);
  setup::applyKeyWord(s.inst, s.glb);
  return true;
}

std::string currentBase(const settings::IniFile& shared) {
  std::string dir = shared.get("Path", "DirBD");
  while (!dir.empty() && dir.back() == ' ') dir.pop_back();
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir;
}

bool setCurrentBase(settings::IniFile& shared, const std::string& dir) {
  std::string d = dir;
  if (!d.empty() && d.back() != '/') d += '/';
  return shared.set("Path", "DirBD", d);
}

std::string libraryFile(const setup::Installation& inst, bool reserve) {
  return inst.central(reserve ? "PathFile.sec" : tables::files::PathFile);
}

const char* libraryName(bool reserve) { return reserve ? "Резервная библиотека" : "Основная библиотека"; }

int listBases(const std::string& file, std::vector<TestBase>& out, store::ErrorInfo* error) {
  out.clear();
  tables::PathFile rec;
  store::Table t(tables::pathFileDef(), rec, file);
  int rc = t.open(store::Shared);
  if (rc == store::Ok) rc = t.set(t.key("KEYCODEBD"));
  while (rc == store::Ok && (rc = t.next()) == store::Ok) {
    TestBase b{rec.CODEBD, cp1251::toUtf8(cp1251::clip(rec.NAMEBD.view())), std::string(cp1251::clip(rec.DIRBD.view()))};
    if (!b.dir.empty() && b.dir.back() != '/') b.dir += '/';  // as the console and the settings file keep it
    out.push_back(std::move(b));
  }
  if (rc == store::NoRecord) return store::Ok;
  if (error) *error = t.error();
  return rc;
}

}  // namespace constructor
