// The record store between processes: open modes, seeing one another's
// commits, watched updates and many stations adding at once.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <thread>

#include "store.h"
#include "test_tables.h"

using namespace store;
using namespace testing_tables;

namespace {

// A child process that runs `body` and exits with its result; `ready` and
// `go` are pipes for stepping parent and child in turn.
struct Child {
  pid_t pid = -1;
  int toChild[2]{};
  int toParent[2]{};

  template <class F>
  explicit Child(F body) {
    EXPECT_EQ(::pipe(toChild), 0);
    EXPECT_EQ(::pipe(toParent), 0);
    pid = ::fork();
    if (pid == 0) {
      int rc = body(*this);
      ::_exit(rc);
    }
  }
  // Called in the child.
  void signalParent() const { char c = 1; (void)!::write(toParent[1], &c, 1); }
  void waitParent() const { char c; (void)!::read(toChild[0], &c, 1); }
  // Called in the parent.
  void signalChild() const { char c = 1; (void)!::write(toChild[1], &c, 1); }
  void waitChild() const { char c; (void)!::read(toParent[0], &c, 1); }
  int join() const {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
  }
};

void fill(const std::string& file, int n) {
  Person p;
  Table t(personDef(), p, file);
  ASSERT_EQ(t.create(), Ok);
  ASSERT_EQ(t.open(), Ok);
  for (int i = 1; i <= n; ++i) {
    p.CODE = static_cast<std::uint16_t>(i);
    p.NAME = "n" + std::to_string(i);
    ASSERT_EQ(t.add(), Ok);
  }
}

TEST(StoreProcesses, OpenModesAgainstAnotherProcess) {
  TempDir dir;
  std::string file = dir / "p.tps";
  fill(file, 1);
  struct Case {
    int held;
    int asked;
    int expected;
  } cases[] = {
      {Exclusive, Shared, AccessDenied},   {Exclusive, DenyWrite, AccessDenied}, {Exclusive, Exclusive, AccessDenied},
      {DenyWrite, Shared, AccessDenied},   {DenyWrite, DenyWrite, AccessDenied}, {DenyWrite, Exclusive, AccessDenied},
      {Shared, Shared, Ok},                {Shared, DenyWrite, AccessDenied},    {Shared, Exclusive, AccessDenied},
  };
  for (const auto& c : cases) {
    Child child([&](Child& self) {
      Person p;
      Table t(personDef(), p, file);
      if (t.open(c.held) != Ok) return 1;
      self.signalParent();
      self.waitParent();
      return 0;
    });
    child.waitChild();
    Person p;
    Table t(personDef(), p, file);
    EXPECT_EQ(t.open(c.asked), c.expected) << std::hex << c.held << " then " << c.asked;
    t.close();
    child.signalChild();
    EXPECT_EQ(child.join(), 0);
    // Once the other process is gone the table opens in any mode.
    EXPECT_EQ(t.open(c.asked), Ok);
  }
}

TEST(StoreProcesses, EachSeesTheOthersCommitsAtItsNextOperation) {
  TempDir dir;
  std::string file = dir / "p.tps";
  fill(file, 50);
  Person p;
  Table t(personDef(), p, file);
  ASSERT_EQ(t.open(Shared), Ok);
  ASSERT_EQ(t.set(t.key("KEYCODE")), Ok);
  ASSERT_EQ(t.next(), Ok);  // reads ahead beyond record 2
  ASSERT_EQ(t.next(), Ok);
  EXPECT_EQ(p.CODE, 2);
  Child child([&](Child&) {
    Person q;
    Table o(personDef(), q, file);
    if (o.open(Shared) != Ok) return 1;
    q.CODE = 3;
    if (o.get(o.key("KEYCODE")) != Ok) return 2;
    q.NAME = "from the other";
    if (o.put() != Ok) return 3;
    q = Person{};
    q.CODE = 100;
    q.NAME = "added";
    return o.add() == Ok ? 0 : 4;
  });
  ASSERT_EQ(child.join(), 0);
  ASSERT_EQ(t.next(), Ok);
  EXPECT_EQ(p.CODE, 3);
  EXPECT_EQ(p.NAME, "from the other");
  EXPECT_EQ(t.records(), 51);
  p.CODE = 100;
  EXPECT_EQ(t.get(t.key("KEYCODE")), Ok);
}

TEST(StoreProcesses, WatchDetectsAnUpdateOfAnotherProcess) {
  TempDir dir;
  std::string file = dir / "p.tps";
  fill(file, 2);
  Person p;
  Table t(personDef(), p, file);
  ASSERT_EQ(t.open(Shared), Ok);
  t.watch();
  p.CODE = 1;
  ASSERT_EQ(t.get(t.key("KEYCODE")), Ok);
  Child child([&](Child&) {
    Person q;
    Table o(personDef(), q, file);
    if (o.open(Shared) != Ok) return 1;
    q.CODE = 1;
    if (o.get(o.key("KEYCODE")) != Ok) return 2;
    q.GRADE = 9;
    return o.put() == Ok ? 0 : 3;
  });
  ASSERT_EQ(child.join(), 0);
  p.NAME = "mine";
  EXPECT_EQ(t.put(), ChangedByOther);
}

TEST(StoreProcesses, ExclusiveHolderMakesOthersWaitNotFail) {
  TempDir dir;
  std::string file = dir / "p.tps";
  fill(file, 1);
  // Writers of a shared table queue behind one another's transactions.
  Child child([&](Child& self) {
    Person q;
    Table o(personDef(), q, file);
    if (o.open(Shared) != Ok) return 1;
    Transaction tx{&o};
    if (tx.begin() != Ok) return 2;
    q.CODE = 2;
    if (o.add() != Ok) return 3;
    self.signalParent();
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    return tx.commit() == Ok ? 0 : 4;
  });
  child.waitChild();
  Person p;
  Table t(personDef(), p, file);
  ASSERT_EQ(t.open(Shared), Ok);
  p.CODE = 3;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(t.add(), Ok) << t.error().text();
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
  EXPECT_EQ(child.join(), 0);
  EXPECT_EQ(t.records(), 3);
}

TEST(StoreProcesses, TwentyStationsAddingToOneUniqueKey) {
  TempDir dir;
  std::string file = dir / "j.rez\\!Line";
  {
    Line l;
    Table t(lineDef(), l, file);
    ASSERT_EQ(t.create(), Ok);
  }
  constexpr int kStations = 20, kEach = 15;
  std::vector<std::unique_ptr<Child>> children;
  for (int s = 0; s < kStations; ++s) {
    children.push_back(std::make_unique<Child>([&, s](Child&) {
      Line l;
      Table t(lineDef(), l, file);
      if (t.open(Shared) != Ok) return 1;
      for (int i = 0; i < kEach; ++i) {
        // Code = highest + 1, taken and added in one transaction; a collision retries.
        for (int attempt = 0;; ++attempt) {
          if (attempt > 50) return 2;
          Transaction tx{&t};
          if (tx.begin() != Ok) continue;
          t.set(t.key("KEYCODE"));
          l.CODE = t.previous() == Ok ? l.CODE + 1 : 1;
          l.TEXT = "s" + std::to_string(s) + "-" + std::to_string(i);
          if (t.add() != Ok) continue;
          if (tx.commit() == Ok) break;
        }
      }
      return 0;
    }));
  }
  for (auto& c : children) EXPECT_EQ(c->join(), 0);
  Line l;
  Table t(lineDef(), l, file);
  ASSERT_EQ(t.open(), Ok);
  EXPECT_EQ(t.records(), kStations * kEach);
  std::set<std::string> texts;
  ASSERT_EQ(t.set(t.key("KEYCODE")), Ok);
  int expect = 1;
  while (t.next() == Ok) {
    EXPECT_EQ(l.CODE, expect++);
    texts.insert(l.TEXT.str());
  }
  EXPECT_EQ(texts.size(), static_cast<std::size_t>(kStations * kEach));  // every add stored once
}

}  // namespace

namespace {

TEST(StoreProcesses, AFileOpenAnywhereIsNotRemoved) {
  TempDir dir;
  std::string file = dir / "j.rez";
  {
    Line l;
    Table t(lineDef(), l, file + "\\!Line");
    ASSERT_EQ(t.create(), Ok);
  }
  // Held open by another station, then by this one.
  Child child([&](Child& self) {
    Line l;
    Table t(lineDef(), l, file + "\\!Line");
    if (t.open(Shared) != Ok) return 1;
    self.signalParent();
    self.waitParent();
    return 0;
  });
  child.waitChild();
  EXPECT_EQ(removeFile(file), AccessDenied);
  child.signalChild();
  EXPECT_EQ(child.join(), 0);
  {
    Line l;
    Table t(lineDef(), l, file + "\\!Line");
    ASSERT_EQ(t.open(Shared), Ok);
    EXPECT_EQ(removeFile(file), AccessDenied);
    l.CODE = 1;
    EXPECT_EQ(t.add(), Ok) << "the file went from under an open table";
  }
  EXPECT_EQ(removeFile(file), Ok);
  EXPECT_EQ(removeFile(file), FileNotFound);
}

TEST(StoreProcesses, AWriteInAReadOnlyDirectoryIsRefusedNotMissing) {
  TempDir dir;
  std::string sub = dir / "ro";
  ASSERT_EQ(::mkdir(sub.c_str(), 0777), 0);
  ::chmod(dir.path().c_str(), 0755);
  std::string file = sub + "/l.tps";
  {
    Line l;
    Table t(lineDef(), l, file);
    ASSERT_EQ(t.create(), Ok);
  }
  ::chmod(file.c_str(), 0666);
  ASSERT_EQ(::chmod(sub.c_str(), 0555), 0);
  // Permissions bind only an ordinary user: as root the station runs as nobody.
  Child child([&](Child&) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 10;
    Line l;
    Table t(lineDef(), l, file);
    if (t.open(Shared) != Ok) return 11;
    l.CODE = 1;
    int rc = t.add();
    return rc == AccessDenied ? 0 : rc;
  });
  EXPECT_EQ(child.join(), 0) << "the add gave that error instead of 5";
  ::chmod(sub.c_str(), 0777);
}

}  // namespace
