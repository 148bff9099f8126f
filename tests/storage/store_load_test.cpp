// The store under load and under kill -9 (short forms of the harnesses; the
// benchmark runs the long ones), and what a station that died leaves behind.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

#include "store.h"
#include "store_harness.h"
#include "test_tables.h"

using namespace store;
using namespace testing_tables;

namespace {

TEST(StoreUnderLoad, TwentyStationsStoringAtOnceLoseAndDoubleNothing) {
  TempDir dir;
  auto r = harness::runLoad(dir.path(), 20, 10, 10);
  EXPECT_EQ(r.failures, 0);
  EXPECT_EQ(r.problem, "");
}

TEST(StoreUnderLoad, WritersKilledAtRandomLeaveWholeAttemptsAndSoundFiles) {
  TempDir dir;
  auto r = harness::runKills(dir.path(), 20, 4, 20240613u);
  EXPECT_EQ(r.kills, 20);
  EXPECT_GT(r.stored, 0);
  EXPECT_EQ(r.problem, "");
  // A master journal is left only while a journal it lists is left too.
  EXPECT_EQ(r.staleMasterJournals, 0) << r.masterJournals << " master journals in all";
}

// A master journal of a transaction over two files, as a station that died
// while committing leaves it: the names of the files' rollback journals,
// each ended by a zero.
void writeMaster(const std::string& path, const std::vector<std::string>& journals) {
  std::ofstream f(path, std::ios::binary);
  for (const auto& n : journals) f << n << '\0';
}

// The end of a rollback journal that names a master journal.
void writeJournalNaming(const std::string& journal, const std::string& master) {
  std::ofstream f(journal, std::ios::binary);
  std::string page(512, 'x');
  f << page;
  const unsigned char pgno[4] = {0, 0, 0x40, 0x01};
  f.write(reinterpret_cast<const char*>(pgno), 4);
  f << master;
  std::uint32_t n = static_cast<std::uint32_t>(master.size());
  const unsigned char len[4] = {static_cast<unsigned char>(n >> 24), static_cast<unsigned char>(n >> 16),
                                static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(n)};
  f.write(reinterpret_cast<const char*>(len), 4);
  f.write("\0\0\0\0", 4);  // checksum, not looked at
  const unsigned char magic[8] = {0xd9, 0xd5, 0x05, 0xf9, 0x20, 0xa1, 0x63, 0xd7};
  f.write(reinterpret_cast<const char*>(magic), 8);
}

TEST(StoreRecovery, MasterJournalsNoFileNeedsAreRemovedWhenTheFileIsOpened) {
  TempDir dir;
  std::string j = dir / "j.rez", c = dir / "c.tps";
  {
    Line l;
    Table t(lineDef(), l, j + "\\!Line");
    ASSERT_EQ(t.create(), Ok);
  }
  std::string stale = j + "-mj1A2B3C4D", needed = j + "-mj5E6F7081", superseded = j + "-mj99AABBCC";
  writeMaster(stale, {j + "-journal", dir / "o.tps-journal"});
  writeMaster(needed, {j + "-journal", c + "-journal"});
  writeMaster(superseded, {c + "-journal"});
  // c.tps has not been recovered yet: its journal still names one of them.
  writeJournalNaming(c + "-journal", needed);
  Line l;
  Table t(lineDef(), l, j + "\\!Line");
  ASSERT_EQ(t.open(Shared), Ok);
  struct stat st{};
  EXPECT_NE(::stat(stale.c_str(), &st), 0) << "a stale master journal was left";
  EXPECT_NE(::stat(superseded.c_str(), &st), 0) << "a master journal no journal names was left";
  EXPECT_EQ(::stat(needed.c_str(), &st), 0) << "a master journal still needed for recovery was removed";
}

// The engine's own file system, except that deleting a master journal, the
// moment a transaction over several files commits, ends the process: a
// station dying at the last instant before its commit, both files written.
sqlite3_vfs* realVfs = nullptr;
sqlite3_vfs dyingVfs;
int deleteOrDie(sqlite3_vfs*, const char* name, int syncDir) {
  if (std::strstr(name, "-mj")) ::_exit(0);
  return realVfs->xDelete(realVfs, name, syncDir);
}

int mastersIn(const std::string& dir) {
  int n = 0;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (dirent* e = ::readdir(d)) n += std::strstr(e->d_name, "-mj") != nullptr;
    ::closedir(d);
  }
  return n;
}

TEST(StoreRecovery, ATransactionOverTwoFilesDyingBeforeItsCommitIsAbsentWhicheverFileOpensFirst) {
  for (bool journalFirst : {true, false}) {
    SCOPED_TRACE(journalFirst ? "the first file opened first" : "the attached file opened first");
    TempDir dir;
    std::string j = dir / "j.rez\\!Line", c = dir / "c.tps";
    auto store2 = [&](Line& a, Table& ta, Line& b, Table& tb, std::int32_t code) {
      Transaction tx{&ta, &tb};
      if (tx.begin()) return 1;
      a.CODE = b.CODE = code;
      a.TEXT = b.TEXT = "attempt";
      if (ta.add() || tb.add()) return 2;
      return tx.commit() ? 3 : 0;
    };
    {
      Line a, b;
      Table ta(lineDef(), a, j), tb(lineDef(), b, c);
      ASSERT_EQ(ta.create(), Ok);
      ASSERT_EQ(tb.create(), Ok);
      ASSERT_EQ(ta.open(Shared), Ok);
      ASSERT_EQ(tb.open(Shared), Ok);
      ASSERT_EQ(store2(a, ta, b, tb, 1), 0);
    }
    pid_t pid = ::fork();
    if (pid == 0) {
      realVfs = sqlite3_vfs_find(nullptr);
      dyingVfs = *realVfs;
      dyingVfs.zName = "dying";
      dyingVfs.xDelete = deleteOrDie;
      sqlite3_vfs_register(&dyingVfs, 1);
      Line a, b;
      Table ta(lineDef(), a, j), tb(lineDef(), b, c);
      if (ta.open(Shared) || tb.open(Shared)) ::_exit(10);
      ::_exit(20 + store2(a, ta, b, tb, 2));  // reached only if the commit did not die
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the station did not die committing: " << status;
    ASSERT_EQ(mastersIn(dir.path()), 1);
    struct stat st{};
    ASSERT_EQ(::stat((dir / "j.rez-journal").c_str(), &st), 0);
    ASSERT_EQ(::stat((dir / "c.tps-journal").c_str(), &st), 0);

    Line a, b;
    Table ta(lineDef(), a, j), tb(lineDef(), b, c);
    if (journalFirst) {
      ASSERT_EQ(ta.open(Shared), Ok);
      ASSERT_EQ(tb.open(Shared), Ok);
    } else {
      ASSERT_EQ(tb.open(Shared), Ok);
      ASSERT_EQ(ta.open(Shared), Ok);
    }
    EXPECT_EQ(ta.records(), 1);
    EXPECT_EQ(tb.records(), 1);
    EXPECT_EQ(mastersIn(dir.path()), 0) << "the master journal outlived the recovery of both files";
  }
}

}  // namespace
