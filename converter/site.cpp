#include "site.h"

#include "cp1251.h"
#include "filepath.h"
#include "frame_editing.h"
#include "settings_file.h"
#include "startup.h"

namespace converter {
namespace {

std::string withSlash(std::string dir) {
  while (!dir.empty() && dir.back() == ' ') dir.pop_back();
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir;
}

}  // namespace

bool openSite(const std::string& workingDir, Site& site, std::string& why) {
  const std::string ini = settings::sharedFile(workingDir);
  if (!filepath::exists(filepath::resolve(ini))) {
    why = "В каталоге " + workingDir + " нет файла настроек Varnuke.ini: запускайте конвертер в каталоге установки.";
    return false;
  }
  site.inst = setup::resolve(setup::Program::Constructor, workingDir);
  store::Table t(tables::glbTuneDef(), site.glb, site.inst.central(tables::files::GlbTune));
  if (t.open(store::Shared) != store::Ok || t.set() != store::Ok || t.next() != store::Ok) {
    why = "Не удалось прочитать настройки установки " + t.name() + " (" + t.error().text() + "): без ключевого слова тесты не открыть.";
    return false;
  }
  t.close();
  setup::applyKeyWord(site.inst, site.glb);
  // The frame defaults are read as the Constructor reads them; without them
  // new frames start blank.
  if (!constructor::readFrameDefaults(constructor::frameDefaultsFile(site.inst), site.defaults)) site.defaults = tables::VopParam{};
  return true;
}

std::vector<TestBase> testBases(const Site& site, std::string* error) {
  std::vector<TestBase> out;
  for (bool reserve : {false, true}) {
    tables::PathFile rec;
    store::Table t(tables::pathFileDef(), rec, constructor::libraryFile(site.inst, reserve));
    const int rc = t.open(store::Shared);
    if (rc == store::FileNotFound) continue;
    if (rc != store::Ok) {
      if (error) *error = "Не удалось открыть библиотеку тестов " + t.name() + " (" + t.error().text() + ").";
      continue;
    }
    if (t.set(t.key("KEYCODEBD")) != store::Ok) continue;
    while (t.next() == store::Ok) {
      TestBase b;
      b.code = rec.CODEBD;
      b.dir = withSlash(std::string(rec.DIRBD.view()));
      b.name = rec.NAMEBD.blank() ? b.dir : rec.NAMEBD.utf8();
      b.reserve = reserve;
      if (!b.dir.empty()) out.push_back(b);
    }
  }
  return out;
}

std::optional<TestBase> findBase(const std::vector<TestBase>& bases, const std::string& wanted) {
  const std::string dir = withSlash(wanted);
  for (const auto& b : bases)
    if (cp1251::equalNoCase(cp1251::fromUtf8(b.name), cp1251::fromUtf8(wanted))) return b;
  for (const auto& b : bases)
    if (b.dir == dir || filepath::resolve(b.dir) == filepath::resolve(dir)) return b;
  for (const auto& b : bases)
    if (std::to_string(b.code) == wanted) return b;
  return std::nullopt;
}

std::string dataTestFile(const Site& site) { return site.inst.central(tables::files::DataTest); }

}  // namespace converter
