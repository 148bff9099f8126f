#pragma once
// Load and kill harnesses of the record store, shared by the tests (short
// forms) and by the benchmark (long forms). Stations are child processes
// that store "attempts": a result row in a journal file and a line in a
// central file, in one transaction, the result's code being the journal's
// record count plus one; some also append single rows to a third file.
#include <string>

namespace harness {

// The files of one run: "<dir>/j.rez" (table Rez), "<dir>/c.tps", "<dir>/a.tps".
void prepare(const std::string& dir);

struct LoadResult {
  int failures = 0;           // writes that returned an error
  double seconds = 0;         // from the common start to the last station's end
  double slowestWriteMs = 0;  // the longest single add or whole attempt
  std::string problem;        // what verify() found wrong, empty when all is well
};

// `stations` processes start at the same moment; each stores `attempts`
// attempts and appends `appends` rows; then everything is verified.
LoadResult runLoad(const std::string& dir, int stations, int attempts, int appends);

// The same number of processes writing with plain SQLite (a busy timeout of
// 15 s, no queue) the same rows into one table: the baseline.
LoadResult runPlainSqlite(const std::string& dir, int stations, int attempts);

struct KillResult {
  int kills = 0;
  int stored = 0;       // attempts found afterwards
  int masterJournals = 0;  // "-mj" files left once every file was opened
  int staleMasterJournals = 0;  // of those, the ones no journal they list is left for
  std::string problem;
};

// Writers are killed with SIGKILL at random moments until `kills` kills were
// made; then every file must open and pass the integrity check, and every
// attempt must be whole (both rows) or absent.
KillResult runKills(const std::string& dir, int kills, int writers, unsigned seed);

// Checks the files of a run: integrity, unique codes 1..n, every attempt in
// both files exactly once, `appendsExpected` appended rows each once (-1: any).
std::string verify(const std::string& dir, int appendsExpected);

}  // namespace harness
