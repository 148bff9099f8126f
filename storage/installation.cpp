#include "installation.h"

#include "cp1251.h"
#include "result_file.h"

namespace setup {
namespace {

std::string clipRight(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
  return s;
}

bool hasDirectory(const char* name) { return std::string_view(name).find('/') != std::string_view::npos; }

}  // namespace

std::string Installation::work(const char* fileName) const {
  if (workingDir.empty()) return fileName;
  return workingDir + (workingDir.back() == '/' ? "" : "/") + fileName;
}

std::string Installation::central(const char* fileName) const {
  std::string_view n(fileName);
  if (n == tables::files::Writer && !hasDirectory(fileName)) return work(fileName);
  if (program == Program::Examiner && n == tables::files::AutoStar) return work(fileName);
  if (base.empty()) return work(fileName);
  return base + fileName;
}

std::string Installation::resultFile() const {
  return base.empty() ? work(("Stat/" + fileRez + ".rez").c_str()) : results::path(base, fileRez);
}
std::string Installation::rezTest() const { return resultFile() + "\\!RezTest"; }
std::string Installation::rezDtl() const { return resultFile() + "\\!RezDtl"; }
std::string Installation::testFile(const std::string& baseName) const { return libraryDir + baseName + ".orm"; }
std::string Installation::testTable(const std::string& baseName, const char* table) const {
  return testFile(baseName) + "\\!" + table;
}

void Installation::rereadResultFile() { fileRez = ini.get("Path", "FileRez"); }

Installation resolve(Program program, const std::string& workingDir) {
  Installation inst;
  inst.program = program;
  inst.workingDir = workingDir;
  inst.ini = settings::IniFile(settings::sharedFile(workingDir));
  long mode = inst.ini.getInt("GlbTune", "ModeNet", program == Program::Examiner ? 1 : 0);
  inst.modeNet = mode == 1 || mode == 2 ? static_cast<int>(mode) : 0;
  if (inst.modeNet == 1) inst.base = clipRight(inst.ini.get("Path", "CentBD"));
  else if (inst.modeNet == 2) inst.base = clipRight(inst.ini.get("Path", "LocBD"));
  inst.libraryDir = clipRight(inst.ini.get("Path", "DirBD"));
  inst.rereadResultFile();
  inst.modeWork = static_cast<int>(inst.ini.getInt("GlbTune", "ModeWork", 0));
  return inst;
}

void applyKeyWord(Installation& inst, const tables::GlbTune& glb) {
  inst.keyWord = std::string(glb.KEYW.data, sizeof glb.KEYW.data);
}

int chooseResultFile(Installation& inst, const tables::TuneTest& tune, bool autostartPresetsTest, store::Table& labr,
                     tables::Labr& room, std::string* why) {
  auto take = [&](std::string_view cp) {
    std::string name = cp1251::toUtf8(cp1251::clip(cp));
    if (!safeFileName(name, why)) return false;
    inst.ini.set("Path", "FileRez", name);
    return true;
  };
  // Error viewing and trial testing show an attempt of the journal their
  // caller named; choosing another journal would show the wrong one.
  if (inst.modeWork == 7 || inst.modeWork == 9) return store::Ok;
  if (inst.modeNet != 1) return store::Ok;
  if (tune.CODEFILEREZ == 1) {
    if (!tune.CURREZ.blank() && !autostartPresetsTest && take(tune.CURREZ.view())) inst.ini.set("Path", "CodeRez", "1");
  } else if (tune.CODEFILEREZ == 2) {
    long cls = inst.ini.getInt("GlbTune", "Class", 0);
    room = tables::Labr{};
    room.NUMROOM = static_cast<std::uint16_t>(cls);
    int rc = labr.get(labr.key("KEYNUMROOM"));
    if (rc == store::Ok) take(room.CURREZ.view());
    else if (rc != store::NoRecord) return rc;
  }
  inst.rereadResultFile();
  return store::Ok;
}

std::string localLibraryDir(std::string_view dir, const std::string& base) {
  std::string d(cp1251::clip(dir));
  bool trailing = !d.empty() && d.back() == '/';
  if (trailing) d.pop_back();
  auto slash = d.rfind('/');
  std::string last = slash == std::string::npos ? d : d.substr(slash + 1);
  return base + last + (trailing ? "/" : "");
}

int rewriteLibrariesForLocal(const Installation& inst, store::Table& pathFile, tables::PathFile& rec) {
  if (inst.modeNet != 2) return store::Ok;
  if (int rc = pathFile.set(pathFile.key("KEYCODEBD"))) return rc;
  int rc;
  while ((rc = pathFile.next()) == store::Ok) {
    std::string now = localLibraryDir(rec.DIRBD.view(), cp1251::fromUtf8(inst.base));
    if (now == rec.DIRBD.view()) continue;
    rec.DIRBD = now;
    if (int e = pathFile.put()) return e;
  }
  return rc == store::NoRecord ? store::Ok : rc;
}

bool safeFileName(std::string_view name, std::string* why) {
  auto refuse = [&](const std::string& reason) {
    if (why) *why = "Недопустимое имя файла \"" + std::string(name) + "\": " + reason + ".";
    return false;
  };
  if (name.find('/') != std::string_view::npos || name.find('\\') != std::string_view::npos)
    return refuse("имя не может содержать знаки \"/\" и \"\\\"");
  if (name.find("..") != std::string_view::npos) return refuse("имя не может содержать \"..\"");
  for (unsigned char c : name)
    if (c < 0x20 || c == 0x7F) return refuse("имя не может содержать управляющие символы");
  return true;
}

}  // namespace setup
