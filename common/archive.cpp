#include "archive.h"

#include <climits>
#include <cstdlib>

#include "cp1251.h"
#include "file_services.h"
#include "filepath.h"
#include "installation.h"
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

std::optional<std::string> Archive::create(const std::string& name) {
  std::string why;
  if (!setup::safeFileName(name, &why)) return why;
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

std::optional<std::string> Archive::rename(const std::string& from, const std::string& to) {
  if (filepath::sameName(from, current_)) return "Указанный файл открыт,|переименовать невозможно.";
  std::string why;
  if (!setup::safeFileName(to, &why)) return why;
  if (exists(to)) return "Журнал результатов \"" + to + "\" уже есть.|Выберите другое имя.";
  // Held exclusively while it is copied, so that no station writes to it meanwhile.
  tables::RezTest r;
  tables::RezDtl d;
  store::Table rt(tables::rezTestDef(), r, results::rezTestName(base_, from));
  store::Table dt(tables::rezDtlDef(), d, results::rezDtlName(base_, from));
  if (rt.open(store::Exclusive) == store::AccessDenied || dt.open(store::Exclusive) == store::AccessDenied)
    return "Журнал результатов \"" + from + "\" используется на другой станции,|переименовать невозможно.";
  store::ErrorInfo e;
  std::string src = filepath::resolve(results::path(base_, from));
  if (store::copyFile(src, results::path(base_, to), nullptr, &e) != store::Ok) {
    store::removeFile(results::path(base_, to));
    return "Не удалось скопировать журнал результатов: " + e.text();
  }
  rt.close();
  dt.close();
  int err = fileops::remove(src);
  if (err) return "Журнал скопирован под новым именем, но прежний файл удалить не удалось: " + fileops::errorText(err);
  return std::nullopt;
}

}  // namespace common
