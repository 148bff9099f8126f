// Stations storing attempts into one journal at the same moment: 50 and 100
// processes, each storing attempts (a result and a central line in one
// transaction), against as many plain SQLite writers doing the same in the
// same run. Prints failures, the slowest single write and the total time,
// then runs the kill harness's long form (240 kills).
//   Goal: every attempt stored; the slowest write well under the 10 s a
//   writer waits before giving up.
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "store_harness.h"

namespace {

std::string freshDir(const char* name) {
  std::string d = std::filesystem::temp_directory_path().string() + "/ormida-load-" + name + "-" + std::to_string(::getpid());
  std::filesystem::remove_all(d);
  std::filesystem::create_directories(d);
  return d;
}

}  // namespace

int main(int argc, char** argv) {
  int attempts = argc > 1 ? std::atoi(argv[1]) : 5;
  int kills = argc > 2 ? std::atoi(argv[2]) : 240;
  int bad = 0;
  for (int stations : {50, 100}) {
    std::string d1 = freshDir("store"), d2 = freshDir("plain");
    auto s = harness::runLoad(d1, stations, attempts, attempts);
    auto p = harness::runPlainSqlite(d2, stations, attempts);
    std::printf("%3d stations x %d attempts: store %5.2f s, slowest write %7.1f ms, failures %d%s%s\n", stations, attempts,
                s.seconds, s.slowestWriteMs, s.failures, s.problem.empty() ? "" : ", PROBLEM: ", s.problem.c_str());
    std::printf("%3d plain SQLite writers:      %5.2f s, slowest write %7.1f ms, failures %d\n", stations, p.seconds,
                p.slowestWriteMs, p.failures);
    std::printf("    ratio store/plain: total %.2f, slowest write %.2f\n", s.seconds / p.seconds,
                s.slowestWriteMs / p.slowestWriteMs);
    bad += s.failures + !s.problem.empty();
    std::filesystem::remove_all(d1);
    std::filesystem::remove_all(d2);
  }
  if (kills > 0) {
    std::string d = freshDir("kill");
    auto k = harness::runKills(d, kills, 6, 7u);
    std::printf("kill -9 harness: %d kills, %d attempts stored, %d master journals left (%d stale)%s%s\n", k.kills, k.stored,
                k.masterJournals, k.staleMasterJournals, k.problem.empty() ? ", all files sound" : ", PROBLEM: ", k.problem.c_str());
    bad += !k.problem.empty() || k.staleMasterJournals;
    std::filesystem::remove_all(d);
  }
  return bad ? 1 : 0;
}
