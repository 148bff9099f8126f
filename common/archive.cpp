#include "archive.h"

#include <climits>
#include <cstdlib>

#include "cp1251.h"
#include "file_services.h"
#include "filepath.h"
#include "installation.h"
#include "journal_name.h"
#include "tables_central.h"
#include "tables_results.h"

namespace common {

std::vector<results::Listed> Archive::list() const { return results::list(base_); }

bool Archive::exists(const std::string& name) const {
  return filepath::exists(filepath::resolve(results::path(base_, name)));
}

bool Archive::inUse(const std::string& name) const {
  // Another station writing to the journal holds its tables open.
  tables::RezTest r;
  store::Table t(tables::rezTestDef(), r, results::rezTestName(base_, name));
  int rc = t.open(store::Exclusive);
  return rc == store::AccessDenied;
}

std::optional<std::string> Archive::nameRefusal(const std::string& name) {
  if (auto why = journalNameRefusal(name)) return why;
  const std::string cp = cp1251::fromUtf8(name);
  if (cp1251::toUtf8(cp) != name)
    return "Недопустимое имя журнала \"" + name + "\": в нём есть знаки, которых нет в кодовой странице 1251.";
  if (cp.size() > kNameWidth)
    return "Слишком длинное имя журнала \"" + name + "\": не более " + std::to_string(kNameWidth) + " знаков.";
  return std::nullopt;
}

std::optional<std::string> Archive::create(const std::string& name) {
  if (auto why = nameRefusal(name)) return why;
  // A journal of that name keeps its results: it is not replaced by the empty template.
  if (exists(name)) return "Журнал результатов \"" + name + "\" уже есть.|Выберите другое имя.";
  store::ErrorInfo e;
  if (results::create(base_, name, &e) != store::Ok)
    return "Не удалось создать журнал результатов \"" + name + "\": " + e.text();
  return std::nullopt;
}

std::optional<std::string> Archive::remove(const std::string& name) {
  if (filepath::sameName(name, current_)) return "Указанный файл открыт,|удалить невозможно.";
  if (inUse(name)) return "Журнал результатов \"" + name + "\" используется на другой станции,|удалить невозможно.";
  int err = fileops::remove(filepath::resolve(results::path(base_, name)));
  if (err) return "Не удалось удалить журнал результатов \"" + name + "\": " + fileops::errorText(err);
  return std::nullopt;
}

namespace {

std::string baseNameOf(const std::string& path) {
  std::string f = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
  auto dot = f.rfind('.');
  return dot == std::string::npos ? f : f.substr(0, dot);
}

std::string directoryOf(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string realDir(const std::string& dir) {
  char buf[PATH_MAX];
  return ::realpath(dir.c_str(), buf) ? std::string(buf) : dir;
}

}  // namespace

bool Archive::inStat(const std::string& path, std::string& name) const {
  name = baseNameOf(path);
  std::string stat = base_ + "Stat";
  return realDir(directoryOf(path)) == realDir(filepath::resolve(stat));
}

std::optional<std::string> Archive::copyIn(const std::string& path, std::string& name) {
  name = baseNameOf(path);
  std::string why;
  if (!setup::safeFileName(name, &why) || name.empty()) return why.empty() ? "Недопустимое имя файла." : why;
  if (exists(name)) return "В каталоге Stat уже есть журнал результатов \"" + name + "\".|Выберите другой файл.";
  // Only a journal is taken: its table of results must open.
  tables::RezTest r;
  store::Table t(tables::rezTestDef(), r, path + "\\!RezTest");
  if (t.open(store::Shared) != store::Ok)
    return "Файл " + path + " не является журналом результатов (" + t.error().text() + ").";
  t.close();
  store::ErrorInfo e;
  std::string to = results::path(base_, name);
  if (store::copyFile(path, to, nullptr, &e) != store::Ok) {
    store::removeFile(to);
    return "Не удалось скопировать журнал результатов: " + e.text();
  }
  return std::nullopt;
}

namespace {

// Rewrites, inside the caller's transaction, the records of `t` that `match`
// picks; they are found first so that changing them does not disturb the reading.
template <class R, class Match, class Change>
int rewrite(store::Table& t, R& rec, Match match, Change change) {
  std::vector<store::Position> found;
  int rc = t.set();
  if (rc) return rc;
  while ((rc = t.next()) == store::Ok)
    if (match(rec)) found.push_back(t.position());
  if (rc != store::NoRecord) return rc;
  for (store::Position p : found) {
    if ((rc = t.getAt(p))) return rc;
    change(rec);
    if ((rc = t.put())) return rc;
  }
  return store::Ok;
}

bool sameCp(std::string_view field, const std::string& cp) { return cp1251::equalNoCase(cp1251::clip(field), cp1251::clip(cp)); }

}  // namespace

std::optional<std::string> Archive::rename(const std::string& from, const std::string& to) {
  if (filepath::sameName(from, current_)) return "Указанный файл открыт,|переименовать невозможно.";
  if (auto why = nameRefusal(to)) return why;
  if (exists(to)) return "Журнал результатов \"" + to + "\" уже есть.|Выберите другое имя.";

  // The central tables that may name the journal; one that is not there names none.
  tables::Vedom ved;
  tables::Labr lab;
  tables::TuneTest tun;
  tables::AllRez all;
  store::Table vt(tables::vedomDef(), ved, base_ + tables::files::Vedom);
  store::Table lt(tables::labrDef(), lab, base_ + tables::files::Labr);
  store::Table tt(tables::tuneTestDef(), tun, base_ + tables::files::TuneTest);
  store::Table at(tables::allRezDef(), all, base_ + tables::files::AllRez);
  std::vector<store::Table*> refs;
  for (store::Table* t : {&vt, &lt, &tt, &at}) {
    int rc = t->open(store::Shared);
    if (rc == store::FileNotFound) continue;
    if (rc) return "Не удалось открыть " + t->name() + ": " + t->error().text() + ".|Журнал результатов не переименован.";
    refs.push_back(t);
  }

  // Held exclusively while it is copied, so that no station writes to it meanwhile.
  tables::RezTest r;
  tables::RezDtl d;
  store::Table rt(tables::rezTestDef(), r, results::rezTestName(base_, from));
  store::Table dt(tables::rezDtlDef(), d, results::rezDtlName(base_, from));
  if (rt.open(store::Exclusive) == store::AccessDenied || dt.open(store::Exclusive) == store::AccessDenied)
    return "Журнал результатов \"" + from + "\" используется на другой станции,|переименовать невозможно.";
  store::ErrorInfo e;
  std::string src = filepath::resolve(results::path(base_, from));
  const std::string dst = results::path(base_, to);
  if (store::copyFile(src, dst, nullptr, &e) != store::Ok) {
    store::removeFile(dst);
    return "Не удалось скопировать журнал результатов: " + e.text();
  }

  const std::string fromCp = cp1251::fromUtf8(from), toCp = cp1251::fromUtf8(to);
  const std::string fromPathCp = cp1251::fromUtf8(results::path(base_, from)), toPathCp = cp1251::fromUtf8(dst);
  auto undo = [&](const store::ErrorInfo& why) {
    store::removeFile(dst);
    return "Не удалось исправить ссылки на журнал результатов (" + why.text() + ").|Журнал результатов не переименован.";
  };
  if (!refs.empty()) {
    store::Transaction tx(refs);
    if (tx.begin()) return undo(tx.error());
    store::Table* failed = nullptr;
    auto step = [&](store::Table& t, auto& rec, auto match, auto change) {
      if (failed || !t.isOpen()) return;
      if (rewrite(t, rec, match, change)) failed = &t;
    };
    step(vt, ved, [&](const tables::Vedom& v) { return sameCp(v.FILEREZ.view(), fromCp); },
         [&](tables::Vedom& v) { v.FILEREZ = toCp; });
    step(lt, lab, [&](const tables::Labr& l) { return sameCp(l.CURREZ.view(), fromCp); },
         [&](tables::Labr& l) { l.CURREZ = toCp; });
    step(tt, tun, [&](const tables::TuneTest& t) { return sameCp(t.CURREZ.view(), fromCp); },
         [&](tables::TuneTest& t) { t.CURREZ = toCp; });
    // A catalogue entry of that name in another folder is another journal.
    step(
        at, all,
        [&](const tables::AllRez& a) {
          return sameCp(a.NAMEREZ.view(), fromCp) && (a.PATHREZ.blank() || sameCp(a.PATHREZ.view(), fromPathCp));
        },
        [&](tables::AllRez& a) {
          a.NAMEREZ = toCp;
          if (!a.PATHREZ.blank()) a.PATHREZ = toPathCp;
        });
    if (failed) {
      const store::ErrorInfo why = failed->error();
      tx.rollback();
      return undo(why);
    }
    if (tx.commit()) return undo(tx.error());
  }
  rt.close();
  dt.close();
  int err = fileops::remove(src);
  if (err)
    return "Журнал скопирован под новым именем, и ссылки на него исправлены, но прежний файл удалить не удалось: " +
           fileops::errorText(err);
  return std::nullopt;
}

}  // namespace common
