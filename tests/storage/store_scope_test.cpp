// What a transaction covers and who waits for whom: writes through tables a
// transaction does not name, threads, the position kept when a saved one is
// gone.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>

#include "store.h"
#include "test_tables.h"

using namespace store;
using namespace testing_tables;
using namespace std::chrono_literals;

namespace {

struct TwoHandles : ::testing::Test {
  TempDir dir;
  std::string file = dir / "j.rez\\!Line";
  Line la, lb;
  Table a{lineDef(), la, file};  // the transaction's
  Table b{lineDef(), lb, file};  // another window's, on the same file
  void SetUp() override {
    ASSERT_EQ(a.create(), Ok);
    ASSERT_EQ(a.open(Shared), Ok);
    ASSERT_EQ(b.open(Shared), Ok);
  }
  std::int64_t stored() {
    Line l;
    Table t(lineDef(), l, file);
    EXPECT_EQ(t.open(Shared), Ok);
    return t.records();
  }
};

TEST_F(TwoHandles, AWriteOfTheSameThreadThroughAnUnnamedTableNeverJoinsTheTransaction) {
  Transaction tx{&a};
  ASSERT_EQ(tx.begin(), Ok);
  la.CODE = 1;
  ASSERT_EQ(a.add(), Ok);
  // A timer firing inside a message box of the transaction's own thread: it
  // cannot wait for a transaction that only this thread can end.
  lb.CODE = 2;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(b.add(), AccessDenied);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
  EXPECT_EQ(tx.rollback(), Ok);
  EXPECT_EQ(stored(), 0);
  // Once the transaction is over the other table writes as usual, for good.
  EXPECT_EQ(b.add(), Ok);
  EXPECT_EQ(stored(), 1);
}

TEST_F(TwoHandles, AnotherThreadsWriteWaitsForTheTransactionAndOutlivesItsRollback) {
  for (bool commit : {true, false}) {
    SCOPED_TRACE(commit ? "commit" : "rollback");
    Transaction tx{&a};
    ASSERT_EQ(tx.begin(), Ok);
    la.CODE = commit ? 10 : 20;
    ASSERT_EQ(a.add(), Ok);
    std::atomic<bool> ended{false};
    auto other = std::async(std::launch::async, [&] {
      lb.CODE = commit ? 11 : 21;
      int rc = b.add();  // a table opened by the main thread, used from this one
      return std::make_pair(rc, ended.load());
    });
    std::this_thread::sleep_for(300ms);
    ended = true;
    EXPECT_EQ(commit ? tx.commit() : tx.rollback(), Ok);
    auto [rc, afterEnd] = other.get();
    EXPECT_EQ(rc, Ok) << b.error().text();
    EXPECT_TRUE(afterEnd) << "the write did not wait for the transaction";
    la.CODE = commit ? 11 : 21;
    EXPECT_EQ(a.get(a.key("KEYCODE")), Ok) << "the other thread's record was lost";
    la.CODE = commit ? 10 : 20;
    EXPECT_EQ(a.get(a.key("KEYCODE")), commit ? Ok : NoRecord);
  }
}

TEST_F(TwoHandles, TransactionsOfTwoThreadsOnOneFileTakeTurns) {
  constexpr int kEach = 40;
  auto run = [&](Table& t, Line& l, int base) {
    int failed = 0;
    for (int i = 0; i < kEach; ++i) {
      Transaction tx{&t};
      if (tx.begin() != Ok) {
        ++failed;
        continue;
      }
      l.CODE = base + i;
      if (t.add() != Ok || tx.commit() != Ok) ++failed;
    }
    return failed;
  };
  auto other = std::async(std::launch::async, [&] { return run(b, lb, 1000); });
  EXPECT_EQ(run(a, la, 0), 0);
  EXPECT_EQ(other.get(), 0);
  EXPECT_EQ(stored(), 2 * kEach);
}

// Writers that find the file busy are served in the order they came, so
// that none waits longer than those after it.
TEST_F(TwoHandles, WaitingWritersAreServedInTheOrderTheyCame) {
  constexpr int kWriters = 5;
  Transaction tx{&a};
  ASSERT_EQ(tx.begin(), Ok);
  std::mutex m;
  std::vector<int> served;
  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([&, w] {
      Line l;
      Table t(lineDef(), l, file);
      ASSERT_EQ(t.open(Shared), Ok);
      l.CODE = 100 + w;
      ASSERT_EQ(t.add(), Ok);
      std::lock_guard<std::mutex> g(m);
      served.push_back(w);
    });
    std::this_thread::sleep_for(60ms);  // each comes well after the one before
  }
  la.CODE = 1;
  ASSERT_EQ(a.add(), Ok);
  ASSERT_EQ(tx.commit(), Ok);
  for (auto& t : writers) t.join();
  EXPECT_EQ(served, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(stored(), kWriters + 1);
}

TEST_F(TwoHandles, ThreadsAddingThroughTablesOpenedElsewhereEachGetTheirOwnRecord) {
  // The position of a record just added must be that record, whatever
  // another thread adds at the same moment.
  auto run = [&](Table& t, Line& l, int base) {
    int wrong = 0;
    for (int i = 0; i < 150; ++i) {
      l.CODE = base + i;
      if (t.add() != Ok) return -1;
      Position p = t.position();
      if (t.getAt(p) != Ok || l.CODE != base + i) ++wrong;
    }
    return wrong;
  };
  auto first = std::async(std::launch::async, [&] { return run(a, la, 0); });
  auto second = std::async(std::launch::async, [&] { return run(b, lb, 1000); });
  EXPECT_EQ(first.get(), 0);
  EXPECT_EQ(second.get(), 0);
}

TEST(SavedPositions, ASavedPositionThatIsGoneLeavesTheReadingWhereItWas) {
  TempDir dir;
  Line l;
  Table t(lineDef(), l, dir / "l.tps");
  ASSERT_EQ(t.create(), Ok);
  ASSERT_EQ(t.open(), Ok);
  Position gone = 0;
  for (int i = 1; i <= 6; ++i) {
    l.CODE = i;
    ASSERT_EQ(t.add(), Ok);
    if (i == 5) gone = t.position();
  }
  ASSERT_EQ(t.getAt(gone), Ok);
  ASSERT_EQ(t.del(), Ok);
  for (int key : {t.key("KEYCODE"), -1}) {
    SCOPED_TRACE(key);
    ASSERT_EQ(key < 0 ? t.set() : t.set(key), Ok);
    ASSERT_EQ(t.next(), Ok);
    ASSERT_EQ(t.next(), Ok);
    ASSERT_EQ(l.CODE, 2);
    if (key >= 0) EXPECT_EQ(t.setAt(key, gone), NoRecord);
    else EXPECT_EQ(t.setAt(t.key("KEYCODE"), gone), NoRecord);
    ASSERT_EQ(t.next(), Ok);
    EXPECT_EQ(l.CODE, 3);  // not 1: the reading goes on from where it was
  }
}

}  // namespace
