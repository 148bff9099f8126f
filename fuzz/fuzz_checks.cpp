#include "fuzz_checks.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "filter_expr.h"
#include "settings_file.h"
#include "store_internal.h"

namespace fuzzing {
namespace {

struct Rec {
  std::int32_t CODE = 0;
  store::FixedString<20> NAME;
  std::uint8_t MARK = 0;
  store::Decimal<5, 2> AVG;
  store::Memo<200> NOTE;
};

const store::TableDef& recDef() {
  static const store::TableDef d = store::TableBuilder<Rec>("Rez", "REZ")
                                       .field("CODE", &Rec::CODE)
                                       .field("NAME", &Rec::NAME)
                                       .field("MARK", &Rec::MARK)
                                       .field("AVG", &Rec::AVG)
                                       .field("NOTE", &Rec::NOTE)
                                       .key("KEYCODE", "CODE", store::Primary)
                                       .key("KEYNAME", "NAME", store::Dup)
                                       .build();
  return d;
}

// A directory of this process's own for the files it writes.
const std::string& scratch() {
  static const std::string dir = [] {
    char tmpl[] = "/tmp/ormida-fuzz-XXXXXX";
    return std::string(::mkdtemp(tmpl));
  }();
  return dir;
}

void writeFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

}  // namespace

std::string checkFilter(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  auto t = store::filter::translate(text, recDef());
  if (!t.ok) return t.error.empty() ? "refused without a reason" : "";
  static sqlite3* db = [] {
    sqlite3* d = nullptr;
    sqlite3_open(":memory:", &d);
    store::prepareConnection(d);
    sqlite3_exec(d, "CREATE TABLE t(\"CODE\" INTEGER, \"NAME\" TEXT, \"MARK\" INTEGER, \"AVG\" INTEGER, \"NOTE\" TEXT)",
                 nullptr, nullptr, nullptr);
    return d;
  }();
  sqlite3_stmt* s = nullptr;
  std::string sql = "SELECT count(*) FROM t WHERE " + t.sql;
  if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &s, nullptr) != SQLITE_OK)
    return "accepted but not SQL: " + std::string(sqlite3_errmsg(db)) + " in " + t.sql.substr(0, 200);
  int marks = sqlite3_bind_parameter_count(s);
  sqlite3_finalize(s);
  if (marks != static_cast<int>(t.params.size()))
    return std::to_string(marks) + " marks for " + std::to_string(t.params.size()) + " parameters";
  return "";
}

std::string checkSettings(const std::uint8_t* data, std::size_t size) {
  std::string path = scratch() + "/Varnuke.ini";
  writeFile(path, data, size);
  settings::IniFile ini(path);
  // Sections and keys taken from the input itself reach the odd corners.
  std::string text(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 64));
  std::string section = text.substr(0, text.size() / 2), key = text.substr(text.size() / 2);
  (void)ini.find(section, key);
  (void)ini.getInt("GlbTune", "ModeNet", 1);
  (void)ini.get("Path", "CentBD");
  if (!ini.set("Path", "FileRez", "Общий")) return "";  // an unwritable file is no fault here
  auto back = ini.find("PATH", "filerez");
  if (!back || *back != "Общий") return "a key written does not read back";
  if (ini.getInt("GlbTune", "ModeNet", 1) != ini.getInt("glbtune", "MODENET", 1)) return "keys depend on letter case";
  return "";
}

std::string checkStoreOpen(const std::uint8_t* data, std::size_t size) {
  std::string path = scratch() + "/x.tps";
  ::unlink((path + "-journal").c_str());
  writeFile(path, data, size);
  Rec r;
  store::Table t(recDef(), r, path);
  int rc = t.open(store::Shared);
  if (rc == store::Ok) {
    int n = 0;
    t.set(t.key("KEYCODE"));
    while (t.next() == store::Ok && ++n < 1000) {
    }
    (void)t.records();
    t.close();
  } else if (rc != store::NotDataFile && rc != store::FileNotFound && rc != store::LayoutMismatch &&
             rc != store::RebuildKeys && rc != store::AccessDenied && rc != store::StoreSpecific) {
    return "unexpected error " + std::to_string(rc);
  }
  return "";
}

}  // namespace fuzzing
