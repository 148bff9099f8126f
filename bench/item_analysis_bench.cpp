// Test-item analysis of a journal of 100,000 results (four in five of the
// analysed test, the rest of two others), read in the window's slices of
// 20,000 bytes and analysed, against a plain SQL pass over the same file
// that selects the test's results and counts right answers per frame and
// scores. Prints both times and the ratio analysis / plain.
//   Goal: under 2 s, within 3x of the plain pass.
#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <unistd.h>

#include "cp1251.h"
#include "item_analysis.h"
#include "result_file.h"

namespace {

constexpr int kResults = 100000;
constexpr int kFramesOfTest = 40;

double seconds(std::chrono::steady_clock::time_point a) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - a).count();
}

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "%s\n", what.c_str());
  std::exit(1);
}

const std::string kName = cp1251::fromUtf8("Информатика: системы счисления");
const std::string kLibrary = cp1251::fromUtf8("C:/Ормида/Тесты/");

void writeJournal(const std::string& base) {
  if (results::create(base, "bench")) fail("cannot create the journal");
  results::ResultFile rf;
  if (rf.open(base, "bench")) fail("journal: " + rf.error().text());
  std::mt19937 rnd(7);
  store::Transaction tx{&rf.rezT};
  if (tx.begin()) fail("begin: " + tx.error().text());
  for (int i = 1; i <= kResults; ++i) {
    auto& r = rf.rez;
    r = tables::RezTest{};
    r.CODEREZ = i;
    const bool ours = i % 5 != 0;
    r.NAMETEMA = ours ? kName : cp1251::fromUtf8(i % 2 ? "География" : "Арифметика");
    r.BIBLTEST = kLibrary;
    r.GR = cp1251::fromUtf8("ИС-" + std::to_string(i % 40));
    r.FIO = cp1251::fromUtf8("Студент " + std::to_string(rnd() % 5000));
    r.OTDEL = cp1251::fromUtf8("Кафедра информатики");
    r.PREDMET = cp1251::fromUtf8("Информатика");
    r.DATE = 80000 + i % 365;
    r.ALLOT.fill(2);
    // An able examinee answers more frames right.
    const int ability = static_cast<int>(rnd() % 100);
    for (int c = 0; c < kFramesOfTest; ++c) {
      r.ALLOT[static_cast<std::size_t>(c)] = static_cast<int>(rnd() % 100) < (ability + c) / 2 + 20 ? 1 : 0;
      if (r.ALLOT[static_cast<std::size_t>(c)] == 1) r.REZBAL += 1 + c % 3;
    }
    r.KOLVOP = kFramesOfTest;
    if (rf.rezT.add()) fail("add: " + rf.rezT.error().text());
  }
  if (tx.commit()) fail("commit: " + tx.error().text());
  rf.close();
}

struct Pass {
  double time = 0;
  double reading = 0;  // of that, reading the journal
  long results = 0;
  long checksum = 0;  // right answers over every frame plus the scores
};

Pass analysis(const std::string& rezTest) {
  Pass p;
  const auto a = std::chrono::steady_clock::now();
  administrator::analysis::ResultsReader reader(rezTest, {{kName, kLibrary}, ""});
  if (!reader.start()) fail("start: " + reader.error().message);
  while (!reader.step(20000)) {
  }
  if (!reader.error()) fail("read: " + reader.error().message);
  p.reading = seconds(a);
  const auto an = administrator::analysis::analyse(reader.results());
  p.time = seconds(a);
  p.results = an.results;
  for (const auto& it : an.items) p.checksum += it.right;
  for (const auto& row : an.distribution) p.checksum += static_cast<long>(row.score) * row.count;
  return p;
}

// Every record read through the record store and nothing done with it:
// the share of the analysis that is the store's.
double storeAlone(const std::string& rezTest) {
  const auto a = std::chrono::steady_clock::now();
  tables::RezTest r;
  store::Table t(tables::rezTestDef(), r, rezTest);
  if (t.open(store::Shared) || t.set()) fail("store: " + t.error().text());
  long n = 0;
  while (t.next() == store::Ok) ++n;
  if (n != kResults) fail("store: records missing");
  return seconds(a);
}

Pass plain(const std::string& file) {
  Pass p;
  const auto a = std::chrono::steady_clock::now();
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) fail("sqlite open");
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT REZBAL, ALLOT FROM \"RezTest\" WHERE NAMETEMA = ? AND BIBLTEST = ? ORDER BY _pos", -1, &s,
                         nullptr) != SQLITE_OK)
    fail(std::string("prepare: ") + sqlite3_errmsg(db));
  sqlite3_bind_text(s, 1, kName.data(), static_cast<int>(kName.size()), SQLITE_STATIC);
  sqlite3_bind_text(s, 2, kLibrary.data(), static_cast<int>(kLibrary.size()), SQLITE_STATIC);
  std::vector<long> right(administrator::analysis::kFrames, 0);
  std::map<int, long> scores;
  while (sqlite3_step(s) == SQLITE_ROW) {
    ++p.results;
    ++scores[sqlite3_column_int(s, 0)];
    const auto* allot = static_cast<const unsigned char*>(sqlite3_column_blob(s, 1));
    const int n = std::min(sqlite3_column_bytes(s, 1), administrator::analysis::kFrames);
    for (int c = 0; c < n; ++c) right[static_cast<std::size_t>(c)] += allot[c] == 1;
  }
  sqlite3_finalize(s);
  sqlite3_close(db);
  p.time = seconds(a);
  for (long r : right) p.checksum += r;
  for (const auto& [score, count] : scores) p.checksum += static_cast<long>(score) * count;
  return p;
}

}  // namespace

int main() {
  char tmpl[] = "/tmp/item-analysis-bench-XXXXXX";
  const std::string dir = ::mkdtemp(tmpl);
  const std::string base = dir + "/";
  auto a = std::chrono::steady_clock::now();
  writeJournal(base);
  std::printf("journal of %d results written in %.2f s\n", kResults, seconds(a));

  plain(results::path(base, "bench"));  // the file into the system's cache for both passes
  const Pass ours = analysis(results::rezTestName(base, "bench"));
  const Pass sql = plain(results::path(base, "bench"));
  const double alone = storeAlone(results::rezTestName(base, "bench"));
  std::printf("item analysis:   %.3f s (%ld results; reading %.3f s, statistics %.3f s)\n", ours.time, ours.results,
              ours.reading, ours.time - ours.reading);
  std::printf("plain SQL pass:  %.3f s (%ld results)\n", sql.time, sql.results);
  std::printf("every record read through the record store alone: %.3f s\n", alone);
  std::printf("ratio analysis / plain: %.2f (goal: under 2 s and within 3x)\n", ours.time / sql.time);
  const bool same = ours.results == sql.results && ours.checksum == sql.checksum;
  if (!same) std::printf("the passes disagree: checksums %ld and %ld\n", ours.checksum, sql.checksum);
  std::filesystem::remove_all(dir);
  return same ? 0 : 1;
}
