#include "result_file.h"

#include <dirent.h>
#include <unistd.h>

#include <cerrno>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>

#include "cp1251.h"
#include "datetime.h"
#include "filepath.h"

namespace results {

std::string path(const std::string& base, const std::string& name) { return base + "Stat/" + name + ".rez"; }
std::string rezTestName(const std::string& base, const std::string& name) { return path(base, name) + "\\!RezTest"; }
std::string rezDtlName(const std::string& base, const std::string& name) { return path(base, name) + "\\!RezDtl"; }
std::string templatePath(const std::string& base) { return base + "ObrazRez.rez"; }

namespace {

int createTables(const std::string& file, store::ErrorInfo* error) {
  tables::RezTest rez;
  tables::RezDtl dtl;
  store::Table r(tables::rezTestDef(), rez, file + "\\!RezTest");
  store::Table d(tables::rezDtlDef(), dtl, file + "\\!RezDtl");
  for (store::Table* t : {&r, &d}) {
    if (int rc = t->createIfMissing()) {
      if (error) *error = t->error();
      return rc;
    }
  }
  return store::Ok;
}

void ensureDir(const std::string& dir) {
  if (!dir.empty() && !filepath::isDirectory(dir)) ::mkdir(dir.c_str(), 0777);
}

}  // namespace

int createTemplate(const std::string& base, store::ErrorInfo* error) {
  return createTables(templatePath(base), error);
}

int create(const std::string& base, const std::string& name, store::ErrorInfo* error) {
  std::string target = path(base, name);
  ensureDir(filepath::directoryOf(target));
  std::string tmpl = filepath::resolve(templatePath(base));
  if (!filepath::exists(tmpl)) return createTables(target, error);
  // The copy appears under the journal's name only when it is whole, and
  // never over a journal another station made meanwhile.
  std::string part = target + ".new" + std::to_string(::getpid());
  int rc = store::copyFile(tmpl, part, nullptr, error);
  if (rc == store::Ok && ::link(part.c_str(), target.c_str()) != 0 && errno != EEXIST) rc = store::AccessDenied;
  ::unlink(part.c_str());
  ::unlink((part + "-journal").c_str());
  if (rc != store::Ok && error && error->code == store::Ok) error->code = rc;
  return rc;
}

std::vector<Listed> list(const std::string& base) {
  std::vector<Listed> out;
  std::string dir = filepath::resolve(base + "Stat");
  DIR* d = ::opendir(dir.c_str());
  if (!d) return out;
  while (dirent* e = ::readdir(d)) {
    std::string n = e->d_name;
    if (n.size() < 4 || cp1251::upper(n.substr(n.size() - 4)) != ".REZ") continue;
    struct stat st{};
    std::string full = dir + "/" + n;
    if (::stat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    Listed l;
    l.fileName = n;
    // All of the file name but its extension: a point inside belongs to the name.
    l.name = n.substr(0, n.size() - 4);
    std::tm tm{};
    localtime_r(&st.st_mtime, &tm);
    l.date = datetime::dayNumber(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    l.time = datetime::clockTime(tm.tm_hour, tm.tm_min, tm.tm_sec);
    l.sizeK = static_cast<std::int64_t>(st.st_size) / 1000;
    out.push_back(std::move(l));
  }
  ::closedir(d);
  std::sort(out.begin(), out.end(), [](const Listed& a, const Listed& b) { return a.fileName < b.fileName; });
  return out;
}

ResultFile::ResultFile() : rezT(tables::rezTestDef(), rez), dtlT(tables::rezDtlDef(), dtl) {}

int ResultFile::open(const std::string& base, const std::string& name, int mode) {
  error_ = {};
  rezT.setName(rezTestName(base, name));
  dtlT.setName(rezDtlName(base, name));
  if (!filepath::exists(filepath::resolve(path(base, name)))) {
    if (int rc = create(base, name, &error_)) return rc;
  }
  for (store::Table* t : {&rezT, &dtlT}) {
    int rc = t->open(mode);
    if (rc == store::FileNotFound) {
      // A file without one of its tables gets the table.
      if (t->createIfMissing() == store::Ok) rc = t->open(mode);
    }
    if (rc != store::Ok) {
      error_ = t->error();
      close();
      return rc;
    }
  }
  return store::Ok;
}

void ResultFile::close() {
  for (store::Table* t : {&rezT, &dtlT})
    if (t->isOpen()) t->close();
}

int ResultFile::add(bool withDetail) {
  error_ = {};
  store::Transaction tx{&rezT, &dtlT};
  if (int rc = tx.begin()) {
    error_ = tx.error();
    return rc;
  }
  if (int rc = rezT.add()) {
    error_ = rezT.error();
    return rc;
  }
  if (withDetail) {
    dtl.CODEREZ = rez.CODEREZ;
    if (int rc = dtlT.add()) {
      error_ = dtlT.error();
      return rc;
    }
  }
  if (int rc = tx.commit()) {
    error_ = tx.error();
    return rc;
  }
  return store::Ok;
}

int catalogue(store::Table& allRez, tables::AllRez& rec, const std::string& name, const std::string& path,
              std::int32_t libraryCode) {
  std::uint16_t code = 1;
  if (allRez.set(allRez.key("KEYCODE")) == store::Ok && allRez.previous() == store::Ok) code = rec.CODEALL + 1;
  rec = tables::AllRez{};
  rec.CODEALL = code;
  rec.CODEBD = libraryCode;
  rec.NAMEREZ = name;
  rec.PATHREZ = path;
  rec.DATECR = rec.DATEIZM = datetime::today();
  rec.TIMECR = rec.TIMEIZM = datetime::now();
  return allRez.add();
}

std::string embPath(const std::string& testPath) {
  auto dot = testPath.rfind('.');
  if (dot == std::string::npos || testPath.find('/', dot) != std::string::npos) return testPath + ".emb";
  return testPath.substr(0, dot) + ".emb";
}

std::string embPart(const std::string& testPath, std::uint16_t code) { return embPath(testPath) + "\\!" + std::to_string(code); }

bool parseEmbPart(const std::string& part, std::string& file, std::uint16_t& code) {
  store::TableName n = store::splitName(part);
  if (n.table.empty() || n.table.size() > 5 || n.table.find_first_not_of("0123456789") != std::string::npos) return false;
  unsigned long v = std::stoul(n.table);
  if (v == 0 || v > 65535) return false;
  file = n.file;
  code = static_cast<std::uint16_t>(v);
  return true;
}

std::string resolveEmbPart(const std::string& objectDoc, const std::string& libraryDir) {
  std::string name = cp1251::toUtf8(cp1251::clip(objectDoc));
  if (!name.empty() && name[0] == '/') return name;
  return libraryDir + name;
}

namespace {

// Opens the companion file's table, creating it when `create` allows.
int openEmb(store::Table& t, const std::string& file, bool create, store::ErrorInfo* error) {
  t.setName(file + "\\!Emb");
  int rc = t.open(store::Shared);
  if ((rc == store::FileNotFound) && create) {
    if ((rc = t.createIfMissing()) == store::Ok) rc = t.open(store::Shared);
  }
  if (rc && error) *error = t.error();
  return rc;
}

}  // namespace

int writeEmb(const std::string& part, const std::vector<std::uint8_t>& bytes, const std::string& fileName,
             const std::string& type, store::ErrorInfo* error) {
  std::string file;
  std::uint16_t code = 0;
  if (!parseEmbPart(part, file, code)) return store::FileNotFound;
  tables::Emb e;
  store::Table t(tables::embDef(), e);
  if (int rc = openEmb(t, file, true, error)) return rc;
  e.CODEVOP = code;
  bool exists = t.get(t.key("KEYCODEVOP")) == store::Ok;
  e.CODEVOP = code;
  e.FILENAME = fileName;
  e.TYPE = type;
  e.DATA.bytes = bytes;
  int rc = exists ? t.put() : t.add();
  if (rc && error) *error = t.error();
  return rc;
}

int readEmb(const std::string& part, tables::Emb& out, store::ErrorInfo* error) {
  std::string file;
  std::uint16_t code = 0;
  if (!parseEmbPart(part, file, code)) return store::FileNotFound;
  store::Table t(tables::embDef(), out);
  if (int rc = openEmb(t, file, false, error)) return rc;
  out.CODEVOP = code;
  int rc = t.get(t.key("KEYCODEVOP"));
  if (rc && error) *error = t.error();
  return rc;
}

int removeEmb(const std::string& part, store::ErrorInfo* error) {
  std::string file;
  std::uint16_t code = 0;
  if (!parseEmbPart(part, file, code)) return store::FileNotFound;
  tables::Emb e;
  store::Table t(tables::embDef(), e);
  if (int rc = openEmb(t, file, false, error)) return rc;
  e.CODEVOP = code;
  int rc = t.get(t.key("KEYCODEVOP"));
  if (rc == store::Ok) rc = t.del();
  if (rc && error) *error = t.error();
  return rc;
}

}  // namespace results
