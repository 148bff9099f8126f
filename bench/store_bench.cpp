// The record store against plain SQLite statements doing the same work on a
// wide table: add 100,000 records, read them all in key order, get 10,000 by
// key. Prints each time and the ratio store / plain.
//   Goal: reads within 1.5x, writes within 2x.
#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "cp1251.h"
#include "store.h"

namespace {

struct Wide {
  std::int32_t CODE = 0;
  store::FixedString<60> FIO;
  store::FixedString<30> GR;
  store::FixedString<200> NAMETEMA;
  store::FixedString<120> OTDEL;
  store::FixedString<60> PREDMET;
  std::int32_t DATE = 0;
  std::int32_t TIMEBEG = 0;
  std::int32_t TIMEEND = 0;
  std::uint16_t KOLVOP = 0;
  std::uint16_t KOLTROT = 0;
  std::uint8_t OTMETKA = 0;
  std::array<std::uint16_t, 9> PRRAZ{};
  std::int32_t REZBAL = 0;
  std::int32_t MAXBALL = 0;
};

const store::TableDef& wideDef() {
  static const store::TableDef d = store::TableBuilder<Wide>("Wide", "WID")
                                       .field("CODE", &Wide::CODE)
                                       .field("FIO", &Wide::FIO)
                                       .field("GR", &Wide::GR)
                                       .field("NAMETEMA", &Wide::NAMETEMA)
                                       .field("OTDEL", &Wide::OTDEL)
                                       .field("PREDMET", &Wide::PREDMET)
                                       .field("DATE", &Wide::DATE)
                                       .field("TIMEBEG", &Wide::TIMEBEG)
                                       .field("TIMEEND", &Wide::TIMEEND)
                                       .field("KOLVOP", &Wide::KOLVOP)
                                       .field("KOLTROT", &Wide::KOLTROT)
                                       .field("OTMETKA", &Wide::OTMETKA)
                                       .field("PRRAZ", &Wide::PRRAZ)
                                       .field("REZBAL", &Wide::REZBAL)
                                       .field("MAXBALL", &Wide::MAXBALL)
                                       .key("KEYCODE", "CODE", store::Primary)
                                       .key("KEYFIO", "FIO", store::Dup)
                                       .build();
  return d;
}

constexpr int kRecords = 100000;
constexpr int kGets = 10000;

void fillRecord(Wide& w, int i, std::uint32_t r) {
  w.CODE = static_cast<std::int32_t>((static_cast<std::int64_t>(i) * 7919) % 100003);  // a permutation
  w.FIO = "Familia" + std::to_string(r % 5000) + " Imya Otchestvo";
  w.GR = "GR-" + std::to_string(i % 40);
  w.NAMETEMA = "Test name number " + std::to_string(i % 30);
  w.OTDEL = "Kafedra informatiki";
  w.PREDMET = "Informatika";
  w.DATE = 80000 + i % 365;
  w.TIMEBEG = i;
  w.TIMEEND = i + 100;
  w.KOLVOP = 20;
  w.KOLTROT = static_cast<std::uint16_t>(i % 21);
  w.OTMETKA = static_cast<std::uint8_t>(i % 5);
  w.PRRAZ.fill(static_cast<std::uint16_t>(i % 100));
  w.REZBAL = i % 50;
  w.MAXBALL = 50;
}

double seconds(std::chrono::steady_clock::time_point a) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - a).count();
}

struct Times {
  double add = 0, scan = 0, get = 0;
  long checksum = 0;
};

Times runStore(const std::string& file, const std::vector<std::uint32_t>& rnd) {
  Times t;
  Wide w;
  store::Table tab(wideDef(), w, file);
  if (tab.create() || tab.open(store::Shared)) {
    std::fprintf(stderr, "store: %s\n", tab.error().text().c_str());
    std::exit(1);
  }
  auto a = std::chrono::steady_clock::now();
  {
    store::Transaction tx{&tab};
    tx.begin();
    for (int i = 0; i < kRecords; ++i) {
      fillRecord(w, i, rnd[static_cast<std::size_t>(i)]);
      if (tab.add() != store::Ok) std::exit(2);
    }
    tx.commit();
  }
  t.add = seconds(a);
  a = std::chrono::steady_clock::now();
  tab.set(tab.key("KEYCODE"));
  while (tab.next() == store::Ok) t.checksum += w.KOLTROT;
  t.scan = seconds(a);
  a = std::chrono::steady_clock::now();
  for (int i = 0; i < kGets; ++i) {
    fillRecord(w, i * 7, rnd[static_cast<std::size_t>(i * 7)]);
    if (tab.get(tab.key("KEYCODE")) != store::Ok) std::exit(3);
    t.checksum += w.KOLTROT;
  }
  t.get = seconds(a);
  return t;
}

// Plain statements: the same table with the same indexes and collation, the
// same values bound and read back into the same struct.
int collate(void*, int n1, const void* a, int n2, const void* b) {
  return cp1251::compareNoCase(std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(n1)),
                               std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(n2)));
}

void bindText(sqlite3_stmt* s, int i, std::string_view v) {
  v = cp1251::clip(v);
  sqlite3_bind_text(s, i, v.data(), static_cast<int>(v.size()), SQLITE_STATIC);
}
template <std::size_t N>
void readText(sqlite3_stmt* s, int i, store::FixedString<N>& f) {
  f.assign(std::string_view(reinterpret_cast<const char*>(sqlite3_column_text(s, i)), static_cast<std::size_t>(sqlite3_column_bytes(s, i))));
}

void readWide(sqlite3_stmt* s, Wide& w) {
  w.CODE = sqlite3_column_int(s, 1);
  readText(s, 2, w.FIO);
  readText(s, 3, w.GR);
  readText(s, 4, w.NAMETEMA);
  readText(s, 5, w.OTDEL);
  readText(s, 6, w.PREDMET);
  w.DATE = sqlite3_column_int(s, 7);
  w.TIMEBEG = sqlite3_column_int(s, 8);
  w.TIMEEND = sqlite3_column_int(s, 9);
  w.KOLVOP = static_cast<std::uint16_t>(sqlite3_column_int(s, 10));
  w.KOLTROT = static_cast<std::uint16_t>(sqlite3_column_int(s, 11));
  w.OTMETKA = static_cast<std::uint8_t>(sqlite3_column_int(s, 12));
  std::memcpy(w.PRRAZ.data(), sqlite3_column_blob(s, 13), sizeof w.PRRAZ);
  w.REZBAL = sqlite3_column_int(s, 14);
  w.MAXBALL = sqlite3_column_int(s, 15);
}

Times runPlain(const std::string& file, const std::vector<std::uint32_t>& rnd) {
  Times t;
  sqlite3* db = nullptr;
  sqlite3_open(file.c_str(), &db);
  sqlite3_create_collation_v2(db, "CP1251CI", SQLITE_UTF8, nullptr, collate, nullptr);
  sqlite3_exec(db,
               "CREATE TABLE w(id INTEGER PRIMARY KEY, CODE INTEGER, FIO TEXT, GR TEXT, NAMETEMA TEXT, OTDEL TEXT, "
               "PREDMET TEXT, DATE INTEGER, TIMEBEG INTEGER, TIMEEND INTEGER, KOLVOP INTEGER, KOLTROT INTEGER, "
               "OTMETKA INTEGER, PRRAZ BLOB, REZBAL INTEGER, MAXBALL INTEGER);"
               "CREATE UNIQUE INDEX wc ON w(CODE); CREATE INDEX wf ON w(FIO COLLATE CP1251CI);",
               nullptr, nullptr, nullptr);
  Wide w;
  auto a = std::chrono::steady_clock::now();
  sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  sqlite3_stmt* ins = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO w(CODE,FIO,GR,NAMETEMA,OTDEL,PREDMET,DATE,TIMEBEG,TIMEEND,KOLVOP,KOLTROT,OTMETKA,PRRAZ,REZBAL,MAXBALL) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)", -1, &ins, nullptr);
  for (int i = 0; i < kRecords; ++i) {
    fillRecord(w, i, rnd[static_cast<std::size_t>(i)]);
    sqlite3_bind_int(ins, 1, w.CODE);
    bindText(ins, 2, {w.FIO.data, 60});
    bindText(ins, 3, {w.GR.data, 30});
    bindText(ins, 4, {w.NAMETEMA.data, 200});
    bindText(ins, 5, {w.OTDEL.data, 120});
    bindText(ins, 6, {w.PREDMET.data, 60});
    sqlite3_bind_int(ins, 7, w.DATE);
    sqlite3_bind_int(ins, 8, w.TIMEBEG);
    sqlite3_bind_int(ins, 9, w.TIMEEND);
    sqlite3_bind_int(ins, 10, w.KOLVOP);
    sqlite3_bind_int(ins, 11, w.KOLTROT);
    sqlite3_bind_int(ins, 12, w.OTMETKA);
    sqlite3_bind_blob(ins, 13, w.PRRAZ.data(), sizeof w.PRRAZ, SQLITE_STATIC);
    sqlite3_bind_int(ins, 14, w.REZBAL);
    sqlite3_bind_int(ins, 15, w.MAXBALL);
    if (sqlite3_step(ins) != SQLITE_DONE) std::exit(4);
    sqlite3_reset(ins);
  }
  sqlite3_finalize(ins);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  t.add = seconds(a);
  a = std::chrono::steady_clock::now();
  sqlite3_stmt* sel = nullptr;
  sqlite3_prepare_v2(db, "SELECT * FROM w ORDER BY CODE", -1, &sel, nullptr);
  while (sqlite3_step(sel) == SQLITE_ROW) {
    readWide(sel, w);
    t.checksum += w.KOLTROT;
  }
  sqlite3_finalize(sel);
  t.scan = seconds(a);
  a = std::chrono::steady_clock::now();
  sqlite3_stmt* get = nullptr;
  sqlite3_prepare_v2(db, "SELECT * FROM w WHERE CODE = ? LIMIT 1", -1, &get, nullptr);
  for (int i = 0; i < kGets; ++i) {
    fillRecord(w, i * 7, rnd[static_cast<std::size_t>(i * 7)]);
    sqlite3_bind_int(get, 1, w.CODE);
    if (sqlite3_step(get) != SQLITE_ROW) std::exit(5);
    readWide(get, w);
    t.checksum += w.KOLTROT;
    sqlite3_reset(get);
  }
  sqlite3_finalize(get);
  t.get = seconds(a);
  sqlite3_close(db);
  return t;
}

}  // namespace

int main() {
  char tmpl[] = "/tmp/ormida-bench-XXXXXX";
  std::string dir = ::mkdtemp(tmpl);
  std::mt19937 gen(42);
  std::vector<std::uint32_t> rnd(kRecords);
  for (auto& r : rnd) r = gen();
  Times plain = runPlain(dir + "/plain.db", rnd);
  Times st = runStore(dir + "/store.tps", rnd);
  std::filesystem::remove_all(dir);
  if (plain.checksum != st.checksum) {
    std::fprintf(stderr, "checksums differ: %ld %ld\n", plain.checksum, st.checksum);
    return 1;
  }
  std::printf("%-32s %10s %10s %8s %8s\n", "operation", "plain s", "store s", "ratio", "goal");
  std::printf("%-32s %10.3f %10.3f %8.2f %8s\n", "add 100,000 (one transaction)", plain.add, st.add, st.add / plain.add, "2.0");
  std::printf("%-32s %10.3f %10.3f %8.2f %8s\n", "read all in key order", plain.scan, st.scan, st.scan / plain.scan, "1.5");
  std::printf("%-32s %10.3f %10.3f %8.2f %8s\n", "get 10,000 by key", plain.get, st.get, st.get / plain.get, "1.5");
  return 0;
}
