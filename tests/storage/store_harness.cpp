#include "store_harness.h"

#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>
#include <random>
#include <set>
#include <vector>

#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

#include "cp1251.h"
#include "store.h"

namespace harness {
namespace {

using clock = std::chrono::steady_clock;

struct Rez {
  std::int32_t CODE = 0;
  store::FixedString<24> TAG;
  std::int32_t STATION = 0;
};
const store::TableDef& rezDef() {
  static const store::TableDef d = store::TableBuilder<Rez>("Rez", "REZ")
                                       .field("CODE", &Rez::CODE)
                                       .field("TAG", &Rez::TAG)
                                       .field("STATION", &Rez::STATION)
                                       .key("KEYCODE", "CODE", store::Unique)
                                       .key("KEYTAG", "TAG", store::Unique)
                                       .build();
  return d;
}

struct Ved {
  std::int32_t CODE = 0;
  store::FixedString<24> TAG;
};
const store::TableDef& vedDef() {
  static const store::TableDef d = store::TableBuilder<Ved>("Ved", "VED")
                                       .field("CODE", &Ved::CODE)
                                       .field("TAG", &Ved::TAG)
                                       .key("KEYCODE", "CODE", store::Unique)
                                       .key("KEYTAG", "TAG", store::Unique)
                                       .build();
  return d;
}

struct App {
  store::FixedString<24> TAG;
};
const store::TableDef& appDef() {
  static const store::TableDef d =
      store::TableBuilder<App>("App", "APP").field("TAG", &App::TAG).key("KEYTAG", "TAG", store::Dup).build();
  return d;
}

std::string rezName(const std::string& dir) { return dir + "/j.rez\\!Rez"; }
std::string vedName(const std::string& dir) { return dir + "/c.tps"; }
std::string appName(const std::string& dir) { return dir + "/a.tps"; }

struct Report {
  int failures = 0;
  long long slowestUs = 0;
};

// One station's tables, open.
struct Station {
  Rez rez;
  Ved ved;
  App app;
  store::Table rt, vt, at;
  explicit Station(const std::string& dir)
      : rt(rezDef(), rez, rezName(dir)), vt(vedDef(), ved, vedName(dir)), at(appDef(), app, appName(dir)) {}
  bool open() { return rt.open(store::Shared) == store::Ok && vt.open(store::Shared) == store::Ok && at.open(store::Shared) == store::Ok; }

  int attempt(const std::string& tag, int station) {
    store::Transaction tx{&rt, &vt};
    if (int rc = tx.begin()) return rc;
    rez = Rez{};
    rez.CODE = static_cast<std::int32_t>(rt.records()) + 1;
    rez.TAG = tag;
    rez.STATION = station;
    if (int rc = rt.add()) return rc;
    ved = Ved{};
    ved.CODE = static_cast<std::int32_t>(vt.records()) + 1;
    ved.TAG = tag;
    if (int rc = vt.add()) return rc;
    return tx.commit();
  }
  int append(const std::string& tag) {
    app.TAG = tag;
    return at.add();
  }
};

void timed(Report& r, const std::function<int()>& op) {
  auto t0 = clock::now();
  if (op() != store::Ok) ++r.failures;
  long long us = std::chrono::duration_cast<std::chrono::microseconds>(clock::now() - t0).count();
  r.slowestUs = std::max(r.slowestUs, us);
}

// Forks `n` children that wait at a common gate, runs `body` in each and
// collects their reports.
LoadResult fleet(int n, const std::function<bool(int)>& ready, const std::function<Report(int)>& body) {
  int gate[2], back[2];
  LoadResult res;
  if (::pipe(gate) != 0 || ::pipe(back) != 0) {
    res.problem = "pipe";
    return res;
  }
  std::vector<pid_t> pids;
  for (int i = 0; i < n; ++i) {
    pid_t pid = ::fork();
    if (pid == 0) {
      ::close(gate[1]);
      bool ok = ready(i);
      char c;
      (void)!::read(gate[0], &c, 1);
      Report r;
      if (!ok) r.failures = 1 << 20;
      else r = body(i);
      (void)!::write(back[1], &r, sizeof r);
      ::_exit(0);
    }
    pids.push_back(pid);
  }
  ::close(gate[0]);
  ::close(back[1]);
  // Let every station open its tables before the common start.
  std::this_thread::sleep_for(std::chrono::milliseconds(200 + 10 * n));
  auto start = clock::now();
  std::string go(static_cast<std::size_t>(n), 'g');
  (void)!::write(gate[1], go.data(), go.size());
  ::close(gate[1]);
  long long slowest = 0;
  for (int i = 0; i < n; ++i) {
    Report r;
    if (::read(back[0], &r, sizeof r) != sizeof r) {
      res.problem = "a station ended without reporting";
      break;
    }
    res.failures += r.failures;
    slowest = std::max(slowest, r.slowestUs);
  }
  res.seconds = std::chrono::duration<double>(clock::now() - start).count();
  res.slowestWriteMs = slowest / 1000.0;
  ::close(back[0]);
  for (pid_t p : pids) ::waitpid(p, nullptr, 0);
  return res;
}

std::string integrity(const std::string& file) {
  sqlite3* db = nullptr;
  std::string out;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return file + ": does not open";
  }
  sqlite3_busy_timeout(db, 10000);
  sqlite3_create_collation_v2(
      db, "CP1251CI", SQLITE_UTF8, nullptr,
      [](void*, int n1, const void* a, int n2, const void* b) {
        return cp1251::compareNoCase(std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(n1)),
                                     std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(n2)));
      },
      nullptr);
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &s, nullptr) == SQLITE_OK) {
    while (sqlite3_step(s) == SQLITE_ROW) {
      std::string line = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
      if (line != "ok") out += file + ": " + line + "; ";
    }
  } else {
    out = file + ": " + sqlite3_errmsg(db);
  }
  sqlite3_finalize(s);
  sqlite3_close(db);
  return out;
}

}  // namespace

void prepare(const std::string& dir) {
  Rez r;
  Ved v;
  App a;
  store::Table rt(rezDef(), r, rezName(dir)), vt(vedDef(), v, vedName(dir)), at(appDef(), a, appName(dir));
  rt.create();
  vt.create();
  at.create();
}

std::string verify(const std::string& dir, int appendsExpected) {
  std::string problem;
  Station s(dir);
  // Opening first: it recovers what a killed station left half written.
  if (!s.open()) return "a file does not open: " + s.rt.error().text() + " / " + s.vt.error().text() + " / " + s.at.error().text();
  for (const char* f : {"/j.rez", "/c.tps", "/a.tps"}) problem += integrity(dir + f);
  auto codesAndTags = [&](store::Table& t, auto& rec, const char* what) {
    std::set<std::string> tags;
    std::int32_t expect = 1;
    t.set(t.key("KEYCODE"));
    while (t.next() == store::Ok) {
      if (rec.CODE != expect++) {
        problem += std::string(what) + ": codes not 1..n; ";
        break;
      }
      if (!tags.insert(rec.TAG.str()).second) problem += std::string(what) + ": doubled " + rec.TAG.str() + "; ";
    }
    return tags;
  };
  auto rezTags = codesAndTags(s.rt, s.rez, "journal");
  auto vedTags = codesAndTags(s.vt, s.ved, "central");
  if (rezTags != vedTags) problem += "attempts not whole: " + std::to_string(rezTags.size()) + " results, " + std::to_string(vedTags.size()) + " lines; ";
  std::set<std::string> apps;
  s.at.set();
  std::int64_t rows = 0;
  while (s.at.next() == store::Ok) {
    ++rows;
    if (!apps.insert(s.app.TAG.str()).second) problem += "appended twice: " + s.app.TAG.str() + "; ";
  }
  if (appendsExpected >= 0 && rows != appendsExpected)
    problem += "appended " + std::to_string(rows) + " of " + std::to_string(appendsExpected) + "; ";
  return problem;
}

LoadResult runLoad(const std::string& dir, int stations, int attempts, int appends) {
  prepare(dir);
  std::vector<std::unique_ptr<Station>> mine(1);
  LoadResult res = fleet(
      stations,
      [&](int) {
        mine[0] = std::make_unique<Station>(dir);
        return mine[0]->open();
      },
      [&](int id) {
        Report r;
        Station& s = *mine[0];
        for (int i = 0; i < std::max(attempts, appends); ++i) {
          std::string tag = "s" + std::to_string(id) + "-" + std::to_string(i);
          if (i < appends) timed(r, [&] { return s.append(tag); });
          if (i < attempts) timed(r, [&] { return s.attempt(tag, id); });
        }
        return r;
      });
  if (res.problem.empty()) res.problem = verify(dir, stations * appends);
  std::int64_t stored = 0;
  {
    Rez r;
    store::Table t(rezDef(), r, rezName(dir));
    if (t.open() == store::Ok) stored = t.records();
  }
  if (res.problem.empty() && res.failures == 0 && stored != std::int64_t(stations) * attempts)
    res.problem = "stored " + std::to_string(stored) + " attempts";
  return res;
}

LoadResult runPlainSqlite(const std::string& dir, int stations, int attempts) {
  std::string a = dir + "/plain-j.db", b = dir + "/plain-c.db";
  for (const auto& f : {a, b}) {
    sqlite3* db = nullptr;
    sqlite3_open(f.c_str(), &db);
    sqlite3_exec(db, "CREATE TABLE IF NOT EXISTS t(code INTEGER UNIQUE, tag TEXT UNIQUE)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
  }
  sqlite3* db = nullptr;
  LoadResult res = fleet(
      stations,
      [&](int) {
        if (sqlite3_open(a.c_str(), &db) != SQLITE_OK) return false;
        sqlite3_busy_timeout(db, 15000);
        return sqlite3_exec(db, ("ATTACH '" + b + "' AS c").c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
      },
      [&](int id) {
        Report r;
        for (int i = 0; i < attempts; ++i) {
          std::string tag = "s" + std::to_string(id) + "-" + std::to_string(i);
          timed(r, [&] {
            std::string sql = "BEGIN IMMEDIATE;"
                              "INSERT INTO main.t VALUES((SELECT count(*) + 1 FROM main.t), '" + tag + "');"
                              "INSERT INTO c.t VALUES((SELECT count(*) + 1 FROM c.t), '" + tag + "');"
                              "COMMIT;";
            if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK) return 0;
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            return 5;
          });
        }
        return r;
      });
  return res;
}

KillResult runKills(const std::string& dir, int kills, int writers, unsigned seed) {
  prepare(dir);
  KillResult res;
  std::mt19937 rnd(seed);
  int next = 0;
  auto spawn = [&]() {
    int id = next++;
    pid_t pid = ::fork();
    if (pid == 0) {
      Station s(dir);
      // Opening may find the file locked by a dying writer's recovery: retried.
      for (int i = 0; i < 100 && !s.open(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
      for (int i = 0;; ++i) {
        std::string tag = "k" + std::to_string(id) + "-" + std::to_string(i);
        s.attempt(tag, id);
        if (i % 3 == 0) s.append(tag);
      }
    }
    return pid;
  };
  std::vector<pid_t> live;
  for (int i = 0; i < writers; ++i) live.push_back(spawn());
  std::uniform_int_distribution<int> pause(5, 60), which(0, writers - 1);
  while (res.kills < kills) {
    std::this_thread::sleep_for(std::chrono::milliseconds(pause(rnd)));
    int w = which(rnd);
    ::kill(live[static_cast<std::size_t>(w)], SIGKILL);
    ::waitpid(live[static_cast<std::size_t>(w)], nullptr, 0);
    ++res.kills;
    live[static_cast<std::size_t>(w)] = spawn();
  }
  for (pid_t p : live) {
    ::kill(p, SIGKILL);
    ::waitpid(p, nullptr, 0);
  }
  res.problem = verify(dir, -1);
  {
    Rez r;
    store::Table t(rezDef(), r, rezName(dir));
    if (t.open() == store::Ok) res.stored = static_cast<int>(t.records());
  }
  if (DIR* d = ::opendir(dir.c_str())) {
    while (dirent* e = ::readdir(d)) {
      if (!std::strstr(e->d_name, "-mj")) continue;
      ++res.masterJournals;
      // A master journal lists its files' rollback journals, each ended by a
      // zero; while one of them is left it may still be needed.
      std::ifstream f(dir + "/" + e->d_name, std::ios::binary);
      std::string all((std::istreambuf_iterator<char>(f)), {});
      bool needed = false;
      for (std::size_t at = 0; at < all.size();) {
        std::size_t end = all.find('\0', at);
        if (end == std::string::npos) end = all.size();
        if (end > at && ::access(all.substr(at, end - at).c_str(), F_OK) == 0) needed = true;
        at = end + 1;
      }
      if (!needed) ++res.staleMasterJournals;
    }
    ::closedir(d);
  }
  return res;
}

}  // namespace harness
