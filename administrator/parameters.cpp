#include "parameters.h"

#include "cp1251.h"
#include "journal_name.h"
#include "tables_central.h"
#include "tables_work.h"

namespace administrator {
namespace {

// One of the one-record settings tables, opened shared for one operation.
template <class R>
struct OneRecord {
  R rec;
  store::Table t;
  bool had = false;  // the table held its record
  OneRecord(const store::TableDef& def, const std::string& file) : t(def, rec, file) {}

  Outcome open() {
    if (t.createIfMissing() != store::Ok) return Outcome::failed(t.error(), "Не удалось создать " + t.name());
    if (t.open(store::Shared) != store::Ok) return Outcome::failed(t.error(), "Не удалось открыть " + t.name());
    return {};
  }
  Outcome read() {
    rec = R{};
    int rc = t.set();
    if (rc == store::Ok) rc = t.next();
    had = rc == store::Ok;
    if (rc == store::NoRecord) rec = R{};
    else if (rc != store::Ok) return Outcome::failed(t.error(), "Не удалось прочитать " + t.name());
    return {};
  }
  Outcome write() {
    if ((had ? t.put() : t.add()) != store::Ok) return Outcome::failed(t.error(), "Не удалось записать " + t.name());
    had = true;
    return {};
  }
};

struct Records {
  OneRecord<tables::GlbTune> glb;
  OneRecord<tables::TuneTest> tune;
  OneRecord<tables::ZagExzVed> zag;
  OneRecord<tables::VopParam> vop;
  explicit Records(const setup::Installation& inst)
      : glb(tables::glbTuneDef(), inst.central(tables::files::GlbTune)),
        tune(tables::tuneTestDef(), inst.central(tables::files::TuneTest)),
        zag(tables::zagExzVedDef(), inst.central(tables::files::ZagExzVed)),
        vop(tables::vopParamDef(), inst.work(tables::files::VopParam)) {}

  Outcome openAndRead() {
    for (auto* step : {+[](Records& r) { return r.glb.open(); }, +[](Records& r) { return r.tune.open(); },
                       +[](Records& r) { return r.zag.open(); }, +[](Records& r) { return r.vop.open(); },
                       +[](Records& r) { return r.glb.read(); }, +[](Records& r) { return r.tune.read(); },
                       +[](Records& r) { return r.zag.read(); }, +[](Records& r) { return r.vop.read(); }})
      if (Outcome o = step(*this); !o) return o;
    return {};
  }
};

// The library directory as TUN:CURBIBL holds it, closing separator included.
std::optional<std::string> libraryDirRefusal(const std::string& dirUtf8) {
  std::string why;
  if (!recordText(withSeparator(dirUtf8), decltype(tables::TuneTest::CURBIBL)::width, &why))
    return "Каталог библиотеки: " + why + ".";
  return std::nullopt;
}

// A text field of the window and the record field it goes to.
struct TextField {
  const std::string* text;
  std::size_t width;
  const char* label;
};

std::vector<TextField> textFields(const Parameters& p) {
  return {{&p.fileRez, 100, "Текущий файл результатов"},
          {&p.commonJournal, decltype(tables::TuneTest::CURREZ)::width, "Общий файл результатов"},
          {&p.organisation, decltype(tables::TuneTest::ORG)::width, "Организация"},
          {&p.organisation2, decltype(tables::TuneTest::ORG2)::width, "Подразделение"},
          {&p.owner, decltype(tables::GlbTune::ADMINISTRATOR)::width, "Фамилия владельца"},
          {&p.reportTitle, decltype(tables::TuneTest::NAMEPROT)::width, "Название отчета"},
          {&p.reportSubtitle, decltype(tables::TuneTest::NAMEPROT2)::width, "Подзаголовок"},
          {&p.examSheetTitle, decltype(tables::ZagExzVed::ZAG)::width, "Заголовок экзаменационной ведомости"}};
}

// Record text that checkParameters accepted.
std::string cp(const std::string& utf8, std::size_t width) { return recordText(utf8, width).value_or(std::string()); }

std::string flagText(bool on, const store::FixedString<10>& was) {
  if (!on) return {};
  return was.blank() ? cp1251::fromUtf8("Да") : was.str();
}

// The first record of a table that is there; nothing when the table is
// missing, cannot be opened or holds no record. Nothing is created.
template <class R>
std::optional<R> firstRecord(const store::TableDef& def, const std::string& file) {
  R rec;
  store::Table t(def, rec, file);
  if (t.open(store::Shared) != store::Ok) return std::nullopt;
  if (t.set() != store::Ok || t.next() != store::Ok) return std::nullopt;
  return rec;
}

// The installation the parameters lead to: their mode and directories,
// the tables of that base. The settings file is not touched.
setup::Installation leadsTo(const setup::Installation& inst, const Parameters& p) {
  setup::Installation t = inst;
  t.modeNet = p.modeNet;
  t.base = p.baseDir();
  t.libraryDir = p.libraryDir;
  t.fileRez = p.fileRez;
  return t;
}

// Path/CodeRez: the code of the journal in the catalogue AllRez of the
// base (letter case ignored, as file names are); blank when it is not
// catalogued there.
std::string journalCode(const setup::Installation& inst, const std::string& fileRezUtf8) {
  tables::AllRez rec;
  store::Table t(tables::allRezDef(), rec, inst.central(tables::files::AllRez));
  if (t.open(store::Shared) != store::Ok) return {};
  const std::string wanted = cp1251::upper(cp1251::fromUtf8(fileRezUtf8));
  int rc = t.set(t.key("KEYCODE"));
  while (rc == store::Ok && (rc = t.next()) == store::Ok) {
    std::string name = rec.NAMEREZ.str();
    while (!name.empty() && name.back() == ' ') name.pop_back();
    if (cp1251::upper(name) == wanted) return std::to_string(rec.CODEALL);
  }
  return {};
}

}  // namespace

std::string withSeparator(std::string dir) {
  while (!dir.empty() && (dir.back() == ' ' || dir.back() == '\t')) dir.pop_back();
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir;
}

Outcome readParameters(const setup::Installation& inst, Parameters& out) {
  out = Parameters{};
  const settings::IniFile& ini = inst.ini;
  out.modeNet = ini.getInt("GlbTune", "ModeNet", 0) == 2 ? 2 : 1;
  out.centralDir = ini.get("Path", "CentBD");
  out.localDir = ini.get("Path", "LocBD");
  out.libraryDir = ini.get("Path", "DirBD");
  out.fileRez = ini.get("Path", "FileRez");
  Records r(inst);
  if (Outcome o = r.openAndRead(); !o) return o;
  const tables::TuneTest& t = r.tune.rec;
  out.resultChoice = t.CODEFILEREZ >= 1 && t.CODEFILEREZ <= 3 ? static_cast<ResultChoice>(t.CODEFILEREZ) : ResultChoice::Common;
  out.commonJournal = t.CURREZ.utf8();
  // The Constructor names a new test's organisation from GLB:ORG: a base
  // set up there may hold it alone.
  out.organisation = t.ORG.blank() ? r.glb.rec.ORG.utf8() : t.ORG.utf8();
  out.organisation2 = t.ORG2.utf8();
  out.owner = r.glb.rec.ADMINISTRATOR.utf8();
  out.reportTitle = t.NAMEPROT.utf8();
  out.reportSubtitle = t.NAMEPROT2.utf8();
  out.examSheetTitle = r.zag.rec.ZAG.utf8();
  out.monitoring = t.YESMONI != 0;
  out.checkPassword = !t.CHECKPASS.blank();
  out.changePassword = !t.CHANGEPASS.blank();
  out.resumeGraceMinutes = common::resumeGraceMinutes(r.glb.rec);
  const tables::VopParam& v = r.vop.rec;
  out.framePoints = v.BALLVOP;
  out.frameSeconds = v.TIMEVOP;
  out.frameAttempts = v.KOLPOP;
  out.frameLevel = v.LEVEL;
  return {};
}

std::optional<std::string> checkParameters(const Parameters& p) {
  if (p.modeNet != 1 && p.modeNet != 2) return "Режим работы должен быть сетевым или локальным.";
  if (auto why = common::journalNameRefusal(p.fileRez)) return "Текущий файл результатов: " + *why;
  if (p.resultChoice == ResultChoice::Common || !p.commonJournal.empty())
    if (auto why = common::journalNameRefusal(p.commonJournal)) return "Общий файл результатов: " + *why;
  for (const TextField& f : textFields(p)) {
    std::string why;
    if (!recordText(*f.text, f.width, &why)) return std::string(f.label) + ": " + why + ".";
  }
  if (auto why = libraryDirRefusal(p.libraryDir)) return *why;
  const struct {
    int value, max;
    const char* label;
  } numbers[] = {{p.framePoints, 65535, "Балл задания"},
                 {p.frameSeconds, 65535, "Время на задание"},
                 {p.frameAttempts, 255, "Число попыток"},
                 {p.frameLevel, 255, "Уровень сложности"},
                 {p.resumeGraceMinutes, 24 * 60, "Перерыв при продолжении тестирования"}};
  for (const auto& n : numbers)
    if (n.value < 0 || n.value > n.max)
      return std::string(n.label) + ": число от 0 до " + std::to_string(n.max) + ".";
  return std::nullopt;
}

std::optional<std::string> checkPasswords(const NewPasswords& pw) {
  const std::pair<const std::optional<std::string>*, const char*> all[] = {
      {&pw.adminSignIn, "Пароль администратора"},
      {&pw.userSignIn, "Пароль пользователя"},
      {&pw.examinerAdmin, "Пароль настройки Экзаменатора"},
      {&pw.examinerUser, "Пароль запуска Экзаменатора"}};
  for (const auto& [value, label] : all) {
    if (!*value) continue;
    const std::string& s = **value;
    if (cp1251::toUtf8(cp1251::fromUtf8(s)) != s)
      return std::string(label) + ": есть знаки, которых нет в кодовой странице 1251.";
    if (cp1251::fromUtf8(s).size() > 20) return std::string(label) + ": не длиннее 20 знаков.";
  }
  return std::nullopt;
}

Outcome writeParameters(setup::Installation& inst, const Parameters& given, const NewPasswords& pw, bool administrator) {
  if (pw.any() && !administrator) return Outcome::refused("Пароли меняет только администратор.");
  if (auto why = checkParameters(given)) return Outcome::refused(*why);
  if (auto why = checkPasswords(pw)) return Outcome::refused(*why);
  Parameters p = given;
  p.centralDir = withSeparator(p.centralDir);
  p.localDir = withSeparator(p.localDir);
  p.libraryDir = withSeparator(p.libraryDir);
  auto trim = [](std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.erase(0, 1);
    return s;
  };
  p.fileRez = trim(p.fileRez);
  p.commonJournal = trim(p.commonJournal);

  // The records go to the base the parameters lead to: switched to another
  // database, the program works on there. A base that has no settings yet
  // starts from the current one's, key word and passwords included, so that
  // its test files open and its users sign in as before.
  const setup::Installation target = leadsTo(inst, p);
  {
    Records r(target);
    if (Outcome o = r.openAndRead(); !o) return o;
    std::optional<tables::GlbTune> glbSeed;
    std::optional<tables::TuneTest> tuneSeed;
    std::optional<tables::ZagExzVed> zagSeed;
    if (target.central(tables::files::GlbTune) != inst.central(tables::files::GlbTune)) {
      if (!r.glb.had) glbSeed = firstRecord<tables::GlbTune>(tables::glbTuneDef(), inst.central(tables::files::GlbTune));
      if (!r.tune.had) tuneSeed = firstRecord<tables::TuneTest>(tables::tuneTestDef(), inst.central(tables::files::TuneTest));
      if (!r.zag.had) zagSeed = firstRecord<tables::ZagExzVed>(tables::zagExzVedDef(), inst.central(tables::files::ZagExzVed));
    }
    store::Transaction tx{&r.glb.t, &r.tune.t, &r.zag.t, &r.vop.t};
    if (tx.begin() != store::Ok) return Outcome::failed(tx.error(), "Не удалось начать запись параметров");
    // Read again inside the transaction: fields this window does not show
    // keep what other stations wrote.
    for (Outcome o : {r.glb.read(), r.tune.read(), r.zag.read(), r.vop.read()})
      if (!o) return o;
    if (!r.glb.had && glbSeed) r.glb.rec = *glbSeed;
    if (!r.tune.had && tuneSeed) r.tune.rec = *tuneSeed;
    if (!r.zag.had && zagSeed) r.zag.rec = *zagSeed;
    tables::GlbTune& g = r.glb.rec;
    g.ADMINISTRATOR = cp(p.owner, decltype(g.ADMINISTRATOR)::width);
    // The Constructor gives a new test the organisation of GLB:ORG.
    g.ORG = cp(p.organisation, decltype(g.ORG)::width);
    if (pw.adminSignIn) g.PASSADM = cp1251::fromUtf8(*pw.adminSignIn);
    if (pw.userSignIn) g.PASSINS = cp1251::fromUtf8(*pw.userSignIn);
    common::setResumeGraceMinutes(g, p.resumeGraceMinutes);
    tables::TuneTest& t = r.tune.rec;
    t.CODEFILEREZ = static_cast<std::uint16_t>(p.resultChoice);
    t.CURREZ = cp(p.commonJournal, decltype(t.CURREZ)::width);
    t.CURBIBL = cp(p.libraryDir, decltype(t.CURBIBL)::width);
    t.ORG = cp(p.organisation, decltype(t.ORG)::width);
    t.ORG2 = cp(p.organisation2, decltype(t.ORG2)::width);
    t.NAMEPROT = cp(p.reportTitle, decltype(t.NAMEPROT)::width);
    t.NAMEPROT2 = cp(p.reportSubtitle, decltype(t.NAMEPROT2)::width);
    t.YESMONI = p.monitoring ? 1 : 0;
    t.CHECKPASS = flagText(p.checkPassword, t.CHECKPASS);
    t.CHANGEPASS = flagText(p.changePassword, t.CHANGEPASS);
    t.MODENET = static_cast<std::uint8_t>(p.modeNet);
    if (pw.examinerAdmin) t.PASSADM = cp1251::fromUtf8(*pw.examinerAdmin);
    if (pw.examinerUser) t.PASSUSR = cp1251::fromUtf8(*pw.examinerUser);
    r.zag.rec.ZAG = cp(p.examSheetTitle, decltype(r.zag.rec.ZAG)::width);
    tables::VopParam& v = r.vop.rec;
    v.BALLVOP = static_cast<std::uint16_t>(p.framePoints);
    v.TIMEVOP = static_cast<std::uint16_t>(p.frameSeconds);
    v.KOLPOP = static_cast<std::uint8_t>(p.frameAttempts);
    v.LEVEL = static_cast<std::uint8_t>(p.frameLevel);
    for (auto* w : {+[](Records& x) { return x.glb.write(); }, +[](Records& x) { return x.tune.write(); },
                    +[](Records& x) { return x.zag.write(); }, +[](Records& x) { return x.vop.write(); }})
      if (Outcome o = w(r); !o) return o;
    if (tx.commit() != store::Ok) return Outcome::failed(tx.error(), "Не удалось записать параметры");
  }

  settings::IniFile& ini = inst.ini;
  const bool written = ini.setInt("GlbTune", "ModeNet", p.modeNet) &&
                       ini.set("Path", p.modeNet == 2 ? "LocBD" : "CentBD", p.baseDir()) &&
                       ini.set("Path", "FileRez", p.fileRez) &&
                       ini.set("Path", "CodeRez", journalCode(target, p.fileRez)) &&
                       ini.set("Path", "DirBD", p.libraryDir);
  if (!written) return Outcome::refused("Не удалось записать файл настроек «" + ini.path() + "».");
  const std::string keyWord = inst.keyWord;
  inst = setup::resolve(inst.program, inst.workingDir);
  inst.keyWord = keyWord;
  return moveLibrariesUnderLocalBase(inst);
}

Outcome saveLibraryDir(setup::Installation& inst, const std::string& dirUtf8) {
  const std::string dir = withSeparator(dirUtf8);
  if (auto why = libraryDirRefusal(dir)) return Outcome::refused(*why);
  {
    OneRecord<tables::GlbTune> glb(tables::glbTuneDef(), inst.central(tables::files::GlbTune));
    OneRecord<tables::TuneTest> tune(tables::tuneTestDef(), inst.central(tables::files::TuneTest));
    for (Outcome o : {glb.open(), tune.open()})
      if (!o) return o;
    store::Transaction tx{&glb.t, &tune.t};
    if (tx.begin() != store::Ok) return Outcome::failed(tx.error(), "Не удалось начать запись каталога библиотеки");
    for (Outcome o : {glb.read(), tune.read()})
      if (!o) return o;
    tune.rec.CURBIBL = cp(dir, decltype(tune.rec.CURBIBL)::width);
    // GlbTune holds no directory: it is written back as it is (made when
    // missing), so that both settings records stand as the window left them.
    for (Outcome o : {glb.write(), tune.write()})
      if (!o) return o;
    if (tx.commit() != store::Ok) return Outcome::failed(tx.error(), "Не удалось записать каталог библиотеки");
  }
  if (!inst.ini.set("Path", "DirBD", dir)) return Outcome::refused("Не удалось записать файл настроек «" + inst.ini.path() + "».");
  inst.libraryDir = dir;
  return {};
}

Outcome moveLibrariesUnderLocalBase(const setup::Installation& inst) {
  if (inst.modeNet != 2 || inst.base.empty()) return {};
  tables::PathFile rec;
  store::Table t(tables::pathFileDef(), rec, inst.central(tables::files::PathFile));
  if (t.createIfMissing() != store::Ok) return Outcome::failed(t.error(), "Не удалось создать " + t.name());
  if (t.open(store::Shared) != store::Ok) return Outcome::failed(t.error(), "Не удалось открыть " + t.name());
  store::Transaction tx{&t};
  if (tx.begin() != store::Ok) return Outcome::failed(tx.error(), "Не удалось начать перенос библиотек");
  if (setup::rewriteLibrariesForLocal(inst, t, rec) != store::Ok)
    return Outcome::failed(t.error(), "Не удалось перенести библиотеки тестов в локальную базу");
  if (tx.commit() != store::Ok) return Outcome::failed(tx.error(), "Не удалось записать библиотеки тестов");
  return {};
}

}  // namespace administrator
