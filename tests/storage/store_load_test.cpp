// The store under load and under kill -9 (short forms of the harnesses; the
// benchmark runs the long ones), and what a station that died leaves behind.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

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
  EXPECT_EQ(r.masterJournals, 0);
}

// A master journal of a transaction over two files, as a station that died
// while committing leaves it: the names of the files, each ended by a zero.
void writeMaster(const std::string& path, const std::vector<std::string>& files) {
  std::ofstream f(path, std::ios::binary);
  for (const auto& n : files) f << n << '\0';
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
  std::string stale = j + "-mj1A2B3C4D", needed = j + "-mj5E6F7081";
  writeMaster(stale, {j, dir / "o.tps"});
  writeMaster(needed, {j, c});
  // c.tps has not been recovered yet: its journal still names one of them.
  writeJournalNaming(c + "-journal", needed);
  Line l;
  Table t(lineDef(), l, j + "\\!Line");
  ASSERT_EQ(t.open(Shared), Ok);
  struct stat st{};
  EXPECT_NE(::stat(stale.c_str(), &st), 0) << "a stale master journal was left";
  EXPECT_EQ(::stat(needed.c_str(), &st), 0) << "a master journal still needed for recovery was removed";
}

}  // namespace
