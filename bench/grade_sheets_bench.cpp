// The rating over a grade-sheet table of 500,000 lines and the exam sheet
// of one group over a 100,000-result journal, each against a plain SQLite
// pass doing the same work over the same data in the same run. Prints the
// times and the ratio ours / plain.
//   Goal: within 3x.
#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "cp1251.h"
#include "grade_sheets.h"
#include "installation.h"
#include "rating.h"
#include "result_file.h"
#include "tables_central.h"

namespace {

using Clock = std::chrono::steady_clock;
double since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

constexpr int kVedom = 500000;
constexpr int kResults = 100000;
constexpr int kPeople = 20000;
constexpr int kChunk = 10000;
constexpr int kTests = 30;
constexpr int kGroups = 40;

std::string person(int i) { return "Familia" + std::to_string(i) + " Imya"; }
std::string test(int i) { return "Test " + std::to_string(i % kTests); }
std::string group(int p) { return "GR-" + std::to_string(p % kGroups); }

// A result that differs from the plain pass's makes the run fail.
void mismatch(const char* what) {
  std::fprintf(stderr, "error: %s\n", what);
  std::exit(2);
}

void check(int rc, sqlite3* db) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
    std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
    std::exit(1);
  }
}

}  // namespace

int main() {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("grade-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  setup::Installation inst;
  inst.program = setup::Program::Administrator;
  inst.workingDir = dir.string();
  inst.base = dir.string() + "/";

  // The same lines into the store and into a plain SQLite file.
  sqlite3* db = nullptr;
  check(sqlite3_open((dir / "plain.db").c_str(), &db), db);
  check(sqlite3_exec(db,
                     "CREATE TABLE vedom(codest INT, namestud TEXT, gr TEXT, nametema TEXT, ball INT, filerez TEXT);"
                     "CREATE TABLE rez(coderez INT PRIMARY KEY, codest INT, fio TEXT, gr TEXT, nametema TEXT, date INT,"
                     " otmetka INT, predmet TEXT, allot BLOB);"
                     "CREATE INDEX rezfio ON rez(fio);",
                     nullptr, nullptr, nullptr),
        db);
  {
    tables::Vedom v;
    store::Table t(tables::vedomDef(), v, inst.central(tables::files::Vedom));
    if (t.create() != store::Ok || t.open() != store::Ok) return 1;
    store::Transaction tx{&t};
    tx.begin();
    check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
    sqlite3_stmt* ins = nullptr;
    check(sqlite3_prepare_v2(db, "INSERT INTO vedom VALUES(?,?,?,?,?,?)", -1, &ins, nullptr), db);
    for (int i = 0; i < kVedom; ++i) {
      const int p = (i * 7919) % kPeople;
      v = {};
      v.CODEVED = i + 1;
      v.CODEST = p + 1;
      v.NAMESTUD = person(p);
      v.GR = group(p);
      v.NAMETEMA = test(i);
      v.BALL = i % 100;
      v.FILEREZ = i % 2 ? "Stat" : "Other";
      if (t.add() != store::Ok) return 1;
      // Written in transactions of a size a station would make.
      if (i % kChunk == kChunk - 1) {
        tx.commit();
        tx.begin();
      }
      sqlite3_bind_int(ins, 1, p + 1);
      sqlite3_bind_text(ins, 2, person(p).c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(ins, 3, group(p).c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(ins, 4, test(i).c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_int(ins, 5, i % 100);
      sqlite3_bind_text(ins, 6, i % 2 ? "Stat" : "Other", -1, SQLITE_TRANSIENT);
      check(sqlite3_step(ins), db);
      sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    tx.commit();
  }
  {
    results::ResultFile rf;
    if (rf.open(inst.base, "Stat") != store::Ok) return 1;
    store::Transaction tx{&rf.rezT};
    tx.begin();
    sqlite3_stmt* ins = nullptr;
    check(sqlite3_prepare_v2(db, "INSERT INTO rez VALUES(?,?,?,?,?,?,?,?,?)", -1, &ins, nullptr), db);
    for (int i = 0; i < kResults; ++i) {
      const int p = (i * 7919) % kPeople;
      rf.rez = {};
      rf.rez.CODEREZ = i + 1;
      rf.rez.CODEST = p + 1;
      rf.rez.FIO = person(p);
      rf.rez.GR = group(p);
      rf.rez.NAMETEMA = test(i % 3);
      rf.rez.DATE = 80000 + i % 5;
      rf.rez.OTMETKA = static_cast<std::uint8_t>(2 + i % 4);
      rf.rez.PREDMET = "Informatika";
      rf.rez.ALLOT.fill(1);
      if (rf.rezT.add() != store::Ok) return 1;
      if (i % kChunk == kChunk - 1) {
        tx.commit();
        tx.begin();
      }
      sqlite3_bind_int(ins, 1, i + 1);
      sqlite3_bind_int(ins, 2, p + 1);
      sqlite3_bind_text(ins, 3, person(p).c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(ins, 4, group(p).c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(ins, 5, test(i % 3).c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_int(ins, 6, 80000 + i % 5);
      sqlite3_bind_int(ins, 7, 2 + i % 4);
      sqlite3_bind_text(ins, 8, "Informatika", -1, SQLITE_TRANSIENT);
      sqlite3_bind_zeroblob(ins, 9, 512);
      check(sqlite3_step(ins), db);
      sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    tx.commit();
    check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
  }

  // The rating: seven groups, seven tests, one journal.
  std::vector<std::string> groups, tests;
  for (int i = 0; i < 7; ++i) {
    groups.push_back(group(i));
    tests.push_back(test(i));
  }
  auto t0 = Clock::now();
  administrator::RatingPass pass(inst.central(tables::files::Vedom), administrator::ratingConditions({"Stat"}, tests, groups));
  if (const administrator::Outcome o = pass.start(); !o) {
    std::fprintf(stderr, "rating: %s\n", o.message.c_str());
    return 1;
  }
  int slices = 0;
  double longest = 0;
  for (;;) {
    auto s = Clock::now();
    const bool done = pass.step();
    longest = std::max(longest, since(s));
    ++slices;
    if (done) break;
  }
  if (!pass.error()) {
    std::fprintf(stderr, "rating: %s\n", pass.error().message.c_str());
    return 1;
  }
  const auto rows = pass.rows();
  const double ours = since(t0);

  t0 = Clock::now();
  sqlite3_stmt* q = nullptr;
  check(sqlite3_prepare_v2(db,
                           "SELECT codest, SUM(best) s FROM (SELECT codest, nametema, MAX(ball) best FROM vedom"
                           " WHERE filerez = 'Stat' AND nametema IN ('Test 0','Test 1','Test 2','Test 3','Test 4','Test 5','Test 6')"
                           " AND gr IN ('GR-0','GR-1','GR-2','GR-3','GR-4','GR-5','GR-6') GROUP BY codest, nametema)"
                           " GROUP BY codest ORDER BY s DESC",
                           -1, &q, nullptr),
        db);
  std::map<std::int32_t, std::int64_t> plainScores;
  while (sqlite3_step(q) == SQLITE_ROW) plainScores[sqlite3_column_int(q, 0)] = sqlite3_column_int64(q, 1);
  sqlite3_finalize(q);
  const double plain = since(t0);
  const std::size_t plainRows = plainScores.size();
  {
    std::map<std::int32_t, std::int64_t> ourScores;
    for (const auto& r : rows) ourScores[r.student] = r.score;
    if (ourScores != plainScores) mismatch("the rating's scores differ from the plain pass");
    for (std::size_t i = 1; i < rows.size(); ++i)
      if (rows[i].score > rows[i - 1].score || rows[i].place < rows[i - 1].place) mismatch("the rating is out of order");
  }
  std::printf("rating over %d lines: ours %.3f s (%d slices, longest %.1f ms), plain SQL %.3f s, ratio %.2f; %zu/%zu examinees\n",
              kVedom, ours, slices, longest * 1000, plain, ours / plain, rows.size(), plainRows);

  // The exam sheet of one group, test and date.
  t0 = Clock::now();
  administrator::ExamSheet sheet;
  // The group, test and date of the second result.
  const std::string sheetGroup = group(7919 % kPeople);
  if (const administrator::Outcome o = administrator::buildExamSheet(inst, inst.base, "Stat", {sheetGroup, test(1), false, 80001}, sheet); !o) {
    std::fprintf(stderr, "exam sheet: %s\n", o.message.c_str());
    return 1;
  }
  const double oursSheet = since(t0);
  t0 = Clock::now();
  // One row per person with the highest mark, in name order.
  check(sqlite3_prepare_v2(db,
                           "SELECT codest, MAX(otmetka), fio FROM rez WHERE gr = ? AND nametema = ? AND date = ?"
                           " GROUP BY codest ORDER BY fio",
                           -1, &q, nullptr),
        db);
  sqlite3_bind_text(q, 1, sheetGroup.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(q, 2, test(1).c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_int(q, 3, 80001);
  std::map<std::int32_t, int> plainMarks;
  while (sqlite3_step(q) == SQLITE_ROW) plainMarks[sqlite3_column_int(q, 0)] = sqlite3_column_int(q, 1);
  sqlite3_finalize(q);
  const double plainS = since(t0);
  {
    std::map<std::int32_t, int> ourMarks;
    for (const auto& r : sheet.rows)
      if (!r.absent()) ourMarks[r.student] = r.mark;
    if (plainMarks.empty() || ourMarks != plainMarks) mismatch("the exam sheet's rows differ from the plain pass");
  }
  std::printf("exam sheet over %d results: ours %.3f s, plain SQL %.3f s, ratio %.2f; %d/%zu results\n", kResults, oursSheet,
              plainS, oursSheet / plainS, sheet.present, plainMarks.size());

  // The set-up's lists: groups, their tests and dates, in one reading.
  t0 = Clock::now();
  administrator::ExamSheetLists lists;
  if (const administrator::Outcome o = administrator::examSheetLists(inst.base, "Stat", lists); !o) {
    std::fprintf(stderr, "exam sheet lists: %s\n", o.message.c_str());
    return 1;
  }
  const double oursLists = since(t0);
  t0 = Clock::now();
  check(sqlite3_prepare_v2(db, "SELECT DISTINCT gr, nametema, date FROM rez ORDER BY gr, nametema, date", -1, &q, nullptr), db);
  std::map<std::pair<std::string, std::string>, std::vector<std::int32_t>> plainDates;
  while (sqlite3_step(q) == SQLITE_ROW)
    plainDates[{reinterpret_cast<const char*>(sqlite3_column_text(q, 0)), reinterpret_cast<const char*>(sqlite3_column_text(q, 1))}]
        .push_back(sqlite3_column_int(q, 2));
  sqlite3_finalize(q);
  const double plainL = since(t0);
  if (lists.dates != plainDates || lists.groups.size() != static_cast<std::size_t>(kGroups))
    mismatch("the set-up's lists differ from the plain pass");
  std::printf("set-up lists over %d results: ours %.3f s, plain SQL %.3f s, ratio %.2f; %zu groups, %zu group-test pairs\n",
              kResults, oursLists, plainL, oursLists / plainL, lists.groups.size(), plainDates.size());
  sqlite3_close(db);
  std::filesystem::remove_all(dir);
  return 0;
}
