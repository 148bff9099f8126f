// Storing an attempt (RezTest, RezDtl and the Vedom line in one
// transaction) against the bare inserts of the same three records with
// plain SQLite statements: one attempt with a warm file, and 1,000 in a row.
#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "result_store.h"

namespace {

double since(std::chrono::steady_clock::time_point a) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - a).count();
}

tables::RezTest sample(int i) {
  tables::RezTest r;
  r.CODEST = i + 1;
  r.FIO = "Ivanov Ivan " + std::to_string(i);
  r.GR = "FM-101";
  r.NAMETEMA = "Arithmetic";
  r.KOLVOP = 20;
  r.KOLTROT = 15;
  r.REZBAL = 30;
  r.ALLOT.fill(1);
  return r;
}

// The same three inserts with plain statements, one transaction each.
double plain(const std::string& dir, int n) {
  sqlite3 *a = nullptr, *b = nullptr;
  sqlite3_open((dir + "/plain.rez").c_str(), &a);
  sqlite3_exec(a, "CREATE TABLE RezTest(CODEREZ INTEGER UNIQUE, FIO TEXT, GR TEXT, NAMETEMA TEXT, ALLOT BLOB, REZBAL INTEGER);"
                  "CREATE TABLE RezDtl(CODEREZ INTEGER, HOWOT TEXT, HOWTXT TEXT); CREATE INDEX d ON RezDtl(CODEREZ);",
               nullptr, nullptr, nullptr);
  sqlite3_open((dir + "/plainved.tps").c_str(), &b);
  sqlite3_exec(b, "CREATE TABLE Vedom(CODEVED INTEGER UNIQUE, CODEST INTEGER, NAMESTUD TEXT, CODEREZ INTEGER)", nullptr, nullptr, nullptr);
  sqlite3_close(b);
  sqlite3_exec(a, ("ATTACH '" + dir + "/plainved.tps' AS v").c_str(), nullptr, nullptr, nullptr);
  sqlite3_stmt *s1, *s2, *s3;
  sqlite3_prepare_v2(a, "INSERT INTO RezTest VALUES(?,?,?,?,?,?)", -1, &s1, nullptr);
  sqlite3_prepare_v2(a, "INSERT INTO RezDtl VALUES(?,?,?)", -1, &s2, nullptr);
  sqlite3_prepare_v2(a, "INSERT INTO v.Vedom VALUES(?,?,?,?)", -1, &s3, nullptr);
  std::string allot(512, '\1');
  auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < n; ++i) {
    sqlite3_exec(a, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    sqlite3_bind_int(s1, 1, i + 1);
    sqlite3_bind_text(s1, 2, "Ivanov Ivan", -1, SQLITE_STATIC);
    sqlite3_bind_text(s1, 3, "FM-101", -1, SQLITE_STATIC);
    sqlite3_bind_text(s1, 4, "Arithmetic", -1, SQLITE_STATIC);
    sqlite3_bind_blob(s1, 5, allot.data(), 512, SQLITE_STATIC);
    sqlite3_bind_int(s1, 6, 30);
    sqlite3_step(s1);
    sqlite3_reset(s1);
    sqlite3_bind_int(s2, 1, i + 1);
    sqlite3_bind_text(s2, 2, "001100000000~", -1, SQLITE_STATIC);
    sqlite3_bind_text(s2, 3, "", -1, SQLITE_STATIC);
    sqlite3_step(s2);
    sqlite3_reset(s2);
    sqlite3_bind_int(s3, 1, i + 1);
    sqlite3_bind_int(s3, 2, i + 1);
    sqlite3_bind_text(s3, 3, "Ivanov Ivan", -1, SQLITE_STATIC);
    sqlite3_bind_int(s3, 4, i + 1);
    sqlite3_step(s3);
    sqlite3_reset(s3);
    sqlite3_exec(a, "COMMIT", nullptr, nullptr, nullptr);
  }
  double ms = since(t0);
  sqlite3_finalize(s1);
  sqlite3_finalize(s2);
  sqlite3_finalize(s3);
  sqlite3_close(a);
  return ms;
}

}  // namespace

int main() {
  char tmpl[] = "/tmp/ormida-bench-XXXXXX";
  std::string dir = ::mkdtemp(tmpl);
  common::ResultStore rs(dir);
  auto req = [&](int i) {
    return common::StoreRequest{sample(i), "001100000000~", "", 1, dir + "/", "J", dir + "/Vedom.tps"};
  };
  if (rs.store(req(0)).code != 0) return 1;  // warms the file: created from nothing
  auto t0 = std::chrono::steady_clock::now();
  if (rs.store(req(1)).code != 0) return 1;
  double one = since(t0);
  const int n = 1000;
  t0 = std::chrono::steady_clock::now();
  for (int i = 2; i < n + 2; ++i)
    if (rs.store(req(i)).code != 0) return 1;
  double many = since(t0);
  double bare = plain(dir, n);
  std::filesystem::remove_all(dir);
  std::printf("%-40s %10s\n", "operation", "ms");
  std::printf("%-40s %10.2f\n", "store one attempt (warm file)", one);
  std::printf("%-40s %10.1f  (%.2f ms each)\n", "store 1,000 attempts in a row", many, many / n);
  std::printf("%-40s %10.1f  (%.2f ms each)\n", "bare inserts, plain SQLite, 1,000", bare, bare / n);
  std::printf("%-40s %10.2f\n", "ratio store / bare", many / bare);
  return 0;
}
