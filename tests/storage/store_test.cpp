// The record store within one process: every operation, every open mode's
// own checks and every error number.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <iterator>

#include "cp1251.h"
#include "store.h"
#include "test_tables.h"

using namespace store;
using namespace testing_tables;

namespace {

std::string u(const char* utf8) { return cp1251::fromUtf8(utf8); }

// Creates the Person table and fills it with `names` (codes 1, 2, ...).
void fill(const std::string& file, const std::vector<std::string>& names, const std::vector<int>& grades = {}) {
  Person p;
  Table t(personDef(), p, file);
  ASSERT_EQ(t.create(), Ok) << t.error().text();
  ASSERT_EQ(t.open(), Ok) << t.error().text();
  for (std::size_t i = 0; i < names.size(); ++i) {
    p = Person{};
    p.CODE = static_cast<std::uint16_t>(i + 1);
    p.NAME = names[i];
    p.GRADE = static_cast<std::uint8_t>(i < grades.size() ? grades[i] : 0);
    ASSERT_EQ(t.add(), Ok) << t.error().text();
  }
}

std::vector<std::string> readAll(Table& t, Person& p, int dir = 1) {
  std::vector<std::string> out;
  while ((dir > 0 ? t.next() : t.previous()) == Ok) out.push_back(cp1251::toUtf8(p.NAME.view()));
  EXPECT_EQ(t.errorCode(), NoRecord);
  return out;
}

TEST(RecordDefinition, SizesAndLookups) {
  const TableDef& d = personDef();
  // 2 + 30 + 4 + 1 + 3*2 + 2*5 + decimal(5,2) 3 + date 4 + 2; memo and blob not counted
  EXPECT_EQ(d.recordSize(), 62u);
  EXPECT_EQ(d.fieldIndex("per:name"), 1);
  EXPECT_EQ(d.fieldIndex("NAME"), 1);
  EXPECT_EQ(d.fieldIndex("XXX:NAME"), -1);
  EXPECT_EQ(d.keyIndex("PER:KeyGrade"), 3);
  EXPECT_TRUE(d.keys[3].descending);
  EXPECT_EQ(d.keyLabel(0), "PER:KEYCODE");
  EXPECT_NE(d.signature(), personV2Def().signature());
}

TEST(Store, EveryFieldTypeRoundTripsThroughTheFile) {
  TempDir dir;
  std::string file = dir / "person.tps";
  Person p;
  {
    Table t(personDef(), p, file);
    ASSERT_EQ(t.create(), Ok);
    ASSERT_EQ(t.open(), Ok);
    p.CODE = 65535;
    p.NAME = u("Ёлкина Анна");
    p.BORN = -123456;
    p.GRADE = 255;
    p.SCORES = {1, 65535, 300};
    p.TAGS[0] = "ab";
    p.TAGS[1] = u("вгдеж");
    p.AVG.set(123.45);
    p.SEEN = 80000;
    p.DELTA = -32768;
    p.NOTE = std::string(150, 'x');  // longer than the memo holds
    p.PIC.bytes = {0, 1, 2, 0, 255};
    ASSERT_EQ(t.add(), Ok);
  }
  Person r;
  Table t(personDef(), r, file);
  ASSERT_EQ(t.open(), Ok);
  ASSERT_EQ(t.set(), Ok);
  ASSERT_EQ(t.next(), Ok);
  EXPECT_EQ(r.CODE, 65535);
  EXPECT_EQ(r.NAME, u("Ёлкина Анна"));
  EXPECT_EQ(r.NAME.utf8(), "Ёлкина Анна");
  EXPECT_EQ(r.BORN, -123456);
  EXPECT_EQ(r.GRADE, 255);
  EXPECT_EQ(r.SCORES, (std::array<std::uint16_t, 3>{1, 65535, 300}));
  EXPECT_EQ(r.TAGS[0], "ab");
  EXPECT_EQ(r.TAGS[1], u("вгдеж"));
  EXPECT_EQ(r.AVG.scaled, 12345);
  EXPECT_EQ(r.SEEN.day, 80000);
  EXPECT_EQ(r.DELTA, -32768);
  EXPECT_EQ(r.NOTE.text, std::string(100, 'x'));
  EXPECT_EQ(r.PIC.bytes, (std::vector<std::uint8_t>{0, 1, 2, 0, 255}));
  EXPECT_EQ(t.blobSize(personDef().fieldIndex("PIC")), 5);
  EXPECT_EQ(t.records(), 1);
  EXPECT_EQ(t.next(), NoRecord);
}

TEST(Store, OpenErrors) {
  TempDir dir;
  fill(dir / "person.tps", {"a"});
  { std::ofstream(dir / "garbage.tps") << std::string(5000, 'g'); }
  {
    // A store file cut in the middle of its pages.
    fill(dir / "cut.tps", std::vector<std::string>(300, std::string(30, 'c')));
    auto size = std::filesystem::file_size(dir / "cut.tps");
    std::filesystem::resize_file(dir / "cut.tps", size / 2 + 100);
  }
  { std::ofstream(dir / "empty.tps"); }

  struct Case {
    std::string name;
    const TableDef* def;
    int expected;
  } cases[] = {
      {dir / "missing.tps", &personDef(), FileNotFound},
      {dir / "nodir/missing.tps", &personDef(), PathNotFound},
      {dir / "garbage.tps", &personDef(), NotDataFile},
      {dir / "empty.tps", &personDef(), FileNotFound},
      {dir / "person.tps", &personV2Def(), LayoutMismatch},
      {dir / "person.tps\\!Line", &lineDef(), FileNotFound},  // a table the file lacks
      {dir / "PERSON.TPS", &personDef(), Ok},                 // names match without regard to case
  };
  for (const auto& c : cases) {
    Person p;
    Table t(*c.def, static_cast<void*>(&p), c.name);
    EXPECT_EQ(t.open(), c.expected) << c.name << ": " << t.error().text();
    if (c.expected != Ok) {
      EXPECT_EQ(t.error().code, c.expected);
      EXPECT_FALSE(t.isOpen());
    }
  }
  // A truncated file gives an error number at open or at the first read, never a crash.
  Person p;
  Table cut(personDef(), p, dir / "cut.tps");
  int rc = cut.open();
  if (rc == Ok) {
    cut.set();
    int n = 0;
    while ((rc = cut.next()) == Ok) ++n;
    EXPECT_NE(rc, Ok);
    EXPECT_LT(n, 300);
  }
  EXPECT_TRUE(rc == NotDataFile || rc == RebuildKeys || rc == NoRecord) << rc;
}

TEST(Store, AlreadyOpenAndOperationsOnAClosedTable) {
  TempDir dir;
  fill(dir / "p.tps", {"a"});
  Person p;
  Table t(personDef(), p, dir / "p.tps");
  ASSERT_EQ(t.open(), Ok);
  EXPECT_EQ(t.open(), AlreadyOpen);
  EXPECT_EQ(t.error().text(), "Файл уже открыт (52)");
  ASSERT_EQ(t.close(), Ok);
  EXPECT_NE(t.next(), Ok);
  EXPECT_NE(t.add(), Ok);
}

TEST(Store, DuplicateKeyNamesTheKey) {
  TempDir dir;
  fill(dir / "p.tps", {"a", "b"});
  Person p;
  Table t(personDef(), p, dir / "p.tps");
  ASSERT_EQ(t.open(), Ok);
  p = Person{};
  p.CODE = 2;
  p.NAME = "c";
  EXPECT_EQ(t.add(), DuplicateKey);
  EXPECT_EQ(t.error().key, "PER:KEYCODE");
  EXPECT_EQ(t.records(), 2);
  // An update that collides too; the record stays as it was.
  p.CODE = 1;
  ASSERT_EQ(t.get(t.key("KEYCODE")), Ok);
  p.CODE = 2;
  EXPECT_EQ(t.put(), DuplicateKey);
  EXPECT_EQ(t.error().key, "PER:KEYCODE");
  p.CODE = 1;
  ASSERT_EQ(t.get(t.key("KEYCODE")), Ok);
  EXPECT_EQ(p.NAME, "a");
}

TEST(Store, KeyOrdersBothWays) {
  TempDir dir;
  fill(dir / "p.tps", {u("Жуков"), u("ёжиков"), u("Егоров"), u("анисимов"), u("Борисов"), u("Ёжиков")}, {3, 5, 1, 5, 2, 4});
  Person p;
  Table t(personDef(), p, dir / "p.tps");
  ASSERT_EQ(t.open(), Ok);

  // Case-insensitive: alphabetical, Ё after Е; equal names keep the order they were added.
  ASSERT_EQ(t.set(t.key("KEYNAME")), Ok);
  EXPECT_EQ(readAll(t, p), (std::vector<std::string>{"анисимов", "Борисов", "Егоров", "ёжиков", "Ёжиков", "Жуков"}));
  ASSERT_EQ(t.set(t.key("KEYNAME")), Ok);
  EXPECT_EQ(readAll(t, p, -1), (std::vector<std::string>{"Жуков", "Ёжиков", "ёжиков", "Егоров", "Борисов", "анисимов"}));

  // Descending key on the grade.
  ASSERT_EQ(t.set(t.key("KEYGRADE")), Ok);
  std::vector<int> grades;
  while (t.next() == Ok) grades.push_back(p.GRADE);
  EXPECT_EQ(grades, (std::vector<int>{5, 5, 4, 3, 2, 1}));

  // From a key value: the first record not below it.
  p.NAME = u("ЕЖ");
  ASSERT_EQ(t.setFrom(t.key("KEYNAME")), Ok);
  ASSERT_EQ(t.next(), Ok);
  EXPECT_EQ(p.NAME.utf8(), "ёжиков");

  // Back and forth from the middle.
  ASSERT_EQ(t.next(), Ok);
  EXPECT_EQ(p.NAME.utf8(), "Ёжиков");
  ASSERT_EQ(t.previous(), Ok);
  EXPECT_EQ(p.NAME.utf8(), "ёжиков");
  ASSERT_EQ(t.previous(), Ok);
  EXPECT_EQ(p.NAME.utf8(), "Егоров");

  // Get by a key value in any letter case, and by exact case.
  p.NAME = u("ЖУКОВ");
  ASSERT_EQ(t.get(t.key("KEYNAME")), Ok);
  EXPECT_EQ(p.CODE, 1);
  p.NAME = u("ЖУКОВ");
  EXPECT_EQ(t.get(t.key("KEYNAMECS")), NoRecord);
  EXPECT_EQ(t.error().text(), "Запись недоступна (33)");
}

TEST(Store, SavedPositionsAreStable) {
  TempDir dir;
  fill(dir / "p.tps", {"a", "b", "c", "d"});
  Person p;
  Table t(personDef(), p, dir / "p.tps");
  ASSERT_EQ(t.open(), Ok);
  p.CODE = 3;
  ASSERT_EQ(t.get(t.key("KEYCODE")), Ok);
  Position c = t.position();
  p.CODE = 4;
  ASSERT_EQ(t.get(t.key("KEYCODE")), Ok);
  Position last = t.position();
  ASSERT_EQ(t.del(), Ok);
  // A new record never takes the position of a deleted one.
  p = Person{};
  p.CODE = 9;
  p.NAME = "z";
  ASSERT_EQ(t.add(), Ok);
  EXPECT_NE(t.position(), last);
  EXPECT_EQ(t.getAt(last), NoRecord);
  ASSERT_EQ(t.reget(c), Ok);
  EXPECT_EQ(p.NAME, "c");
  // Reading on from a saved position, in key order, both ways.
  ASSERT_EQ(t.setAt(t.key("KEYNAME"), c), Ok);
  ASSERT_EQ(t.next(), Ok);
  EXPECT_EQ(p.NAME, "c");
  ASSERT_EQ(t.next(), Ok);
  EXPECT_EQ(p.NAME, "z");
  ASSERT_EQ(t.setAt(t.key("KEYNAME"), c), Ok);
  ASSERT_EQ(t.previous(), Ok);
  EXPECT_EQ(p.NAME, "c");
  ASSERT_EQ(t.previous(), Ok);
  EXPECT_EQ(p.NAME, "b");
}

TEST(Store, UpdateDeleteAndReadingAheadSeesOwnChanges) {
  TempDir dir;
  fill(dir / "p.tps", {"a", "b", "c"});
  Person p;
  Table t(personDef(), p, dir / "p.tps");
  ASSERT_EQ(t.open(), Ok);
  Person q;
  Table other(personDef(), q, dir / "p.tps");  // a second handle, as another window would hold
  ASSERT_EQ(other.open(Shared), AccessDenied);  // the first denies writing to others
  t.close();
  ASSERT_EQ(t.open(Shared), Ok);
  ASSERT_EQ(other.open(Shared), Ok);

  ASSERT_EQ(t.set(t.key("KEYCODE")), Ok);
  ASSERT_EQ(t.next(), Ok);  // reads ahead past "b" and "c"
  q.CODE = 2;
  ASSERT_EQ(other.get(other.key("KEYCODE")), Ok);
  q.NAME = "B2";
  ASSERT_EQ(other.put(), Ok);
  q.CODE = 3;
  ASSERT_EQ(other.get(other.key("KEYCODE")), Ok);
  ASSERT_EQ(other.del(), Ok);
  ASSERT_EQ(t.next(), Ok);
  EXPECT_EQ(p.NAME, "B2");
  EXPECT_EQ(t.next(), NoRecord);
  EXPECT_EQ(other.del(), NoRecord);  // nothing current after a delete
}

TEST(Store, WatchedUpdateFailsWhenAnotherStationChangedTheRecord) {
  TempDir dir;
  fill(dir / "p.tps", {"a", "b"});
  Person a, b;
  Table ta(personDef(), a, dir / "p.tps"), tb(personDef(), b, dir / "p.tps");
  ASSERT_EQ(ta.open(Shared), Ok);
  ASSERT_EQ(tb.open(Shared), Ok);

  ta.watch();
  a.CODE = 1;
  ASSERT_EQ(ta.get(ta.key("KEYCODE")), Ok);
  b.CODE = 1;
  ASSERT_EQ(tb.get(tb.key("KEYCODE")), Ok);
  b.NAME = "changed";
  ASSERT_EQ(tb.put(), Ok);
  a.NAME = "mine";
  EXPECT_EQ(ta.put(), ChangedByOther);
  EXPECT_EQ(ta.error().text(), "Запись изменена другой станцией (89)");
  // Watched again and re-read, the update goes through.
  ta.watch();
  ASSERT_EQ(ta.reget(ta.position()), Ok);
  EXPECT_EQ(a.NAME, "changed");
  a.NAME = "mine";
  EXPECT_EQ(ta.put(), Ok);

  // A watched delete of a record deleted elsewhere.
  ta.watch();
  a.CODE = 2;
  ASSERT_EQ(ta.get(ta.key("KEYCODE")), Ok);
  b.CODE = 2;
  ASSERT_EQ(tb.get(tb.key("KEYCODE")), Ok);
  ASSERT_EQ(tb.del(), Ok);
  EXPECT_EQ(ta.del(), ChangedByOther);
  // Without watch, an update of an unchanged record simply succeeds.
  a.CODE = 1;
  ASSERT_EQ(ta.get(ta.key("KEYCODE")), Ok);
  a.NAME = "again";
  EXPECT_EQ(ta.put(), Ok);
}

TEST(Store, MultiTableFileAndRemove) {
  TempDir dir;
  std::string file = dir / "journal.rez";
  Person p;
  Line l;
  Table tp(personDef(), p, file + "\\!Person");
  Table tl(lineDef(), l, file + "\\!Line");
  ASSERT_EQ(tp.create(), Ok);
  ASSERT_EQ(tl.create(), Ok);
  ASSERT_EQ(tp.open(), Ok);
  ASSERT_EQ(tl.open(), Ok);
  p.CODE = 1;
  ASSERT_EQ(tp.add(), Ok);
  l.CODE = 7;
  ASSERT_EQ(tl.add(), Ok);
  // Creating a table anew while it is open elsewhere is refused.
  Line l2;
  Table again(lineDef(), l2, file + "\\!Line");
  EXPECT_EQ(again.create(), AccessDenied);
  tl.close();
  EXPECT_EQ(again.remove(), Ok);  // the table goes, the file and its other table stay
  EXPECT_EQ(tl.open(), FileNotFound);
  EXPECT_EQ(tp.records(), 1);
  tp.close();
  Table single(personDef(), p, dir / "single.tps");
  ASSERT_EQ(single.create(), Ok);
  EXPECT_EQ(single.remove(), Ok);
  EXPECT_FALSE(std::filesystem::exists(dir / "single.tps"));
  EXPECT_EQ(single.remove(), FileNotFound);
  EXPECT_EQ(removeFile(file), Ok);
  EXPECT_EQ(removeFile(file), FileNotFound);
}

TEST(Store, CreateNeedsTheDirectoryAndEmptiesAnExistingTable) {
  TempDir dir;
  Person p;
  Table t(personDef(), p, dir / "a/b/p.tps");
  EXPECT_EQ(t.create(), PathNotFound);
  fill(dir / "p.tps", {"a", "b"});
  Table t2(personDef(), p, dir / "p.tps");
  ASSERT_EQ(t2.create(), Ok);
  ASSERT_EQ(t2.open(), Ok);
  EXPECT_EQ(t2.records(), 0);
}

TEST(Store, CreateIfMissingNeverReplacesWhatAnotherStationMade) {
  TempDir dir;
  fill(dir / "p.tps", {"a", "b"});
  Person p;
  Table t(personDef(), p, dir / "p.tps");
  EXPECT_EQ(t.createIfMissing(), Ok);
  ASSERT_EQ(t.open(), Ok);
  EXPECT_EQ(t.records(), 2);  // kept
  t.close();
  Line l;
  Table inFile(lineDef(), l, dir / "p.tps\\!Line");
  EXPECT_EQ(inFile.createIfMissing(), Ok);  // a missing table of an existing file is made
  ASSERT_EQ(inFile.open(), Ok);
  EXPECT_EQ(inFile.records(), 0);
  ASSERT_EQ(t.open(), Ok);
  EXPECT_EQ(t.records(), 2);
  Table nowhere(personDef(), p, dir / "no/such/p.tps");
  EXPECT_EQ(nowhere.createIfMissing(), PathNotFound);
}

TEST(Store, OwnerPasswordEncrypts) {
  TempDir dir;
  std::string file = dir / "test.orm";
  const std::string blank20(20, ' ');
  const std::string key = cp1251::pad("secret", 20);
  struct Case {
    std::string table;
    std::string password;
  } cases[] = {{"\\!Person", key}, {"\\!Line", blank20}};
  {
    Person p;
    Table t(personDef(), p, file + "\\!Person");
    t.setPassword(key);
    ASSERT_EQ(t.create(), Ok);
    ASSERT_EQ(t.open(), Ok);
    p.NAME = "PLAINTEXT-MARKER";
    ASSERT_EQ(t.add(), Ok);
  }
  {
    Line l;
    Table t(lineDef(), l, dir / "blank.tps");
    t.setPassword(blank20);  // a blank key word still encrypts
    ASSERT_EQ(t.create(), Ok);
    ASSERT_EQ(t.open(), Ok);
    l.TEXT = "PLAINTEXT-MARKER";
    ASSERT_EQ(t.add(), Ok);
  }
  for (const std::string& f : {file, dir / "blank.tps"}) {
    std::ifstream in(f, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(bytes.find("PLAINTEXT-MARKER"), std::string::npos) << f;
    EXPECT_EQ(bytes.find("SQLite format 3"), std::string::npos) << f;
  }
  (void)cases;
  Person p;
  Table wrong(personDef(), p, file + "\\!Person");
  wrong.setPassword(cp1251::pad("other", 20));
  EXPECT_EQ(wrong.open(), NotDataFile);
  wrong.clearPassword();
  EXPECT_EQ(wrong.open(), NotDataFile);
  wrong.setPassword(cp1251::pad("secret", 19));  // the trailing blank belongs to the key
  EXPECT_EQ(wrong.open(), NotDataFile);
  wrong.setPassword(key);
  ASSERT_EQ(wrong.open(), Ok);
  ASSERT_EQ(wrong.set(), Ok);
  ASSERT_EQ(wrong.next(), Ok);
  EXPECT_EQ(p.NAME, "PLAINTEXT-MARKER");
}

// Damages the store file's index of a key behind the store's back.
void dropIndex(const std::string& file, const std::string& index) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "PRAGMA writable_schema=ON", nullptr, nullptr, nullptr), SQLITE_OK);
  std::string sql = "DELETE FROM sqlite_master WHERE name='" + index + "'";
  ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
}

TEST(Store, DamagedKeysAreReportedAndRebuilt) {
  TempDir dir;
  fill(dir / "p.tps", {"c", "a", "b"});
  dropIndex(dir / "p.tps", "Person_KEYNAME");
  Person p;
  Table t(personDef(), p, dir / "p.tps");
  EXPECT_EQ(t.open(), RebuildKeys);
  EXPECT_FALSE(t.isOpen());
  ASSERT_EQ(t.buildKeys(), Ok) << t.error().text();
  ASSERT_EQ(t.open(), Ok);
  ASSERT_EQ(t.set(t.key("KEYNAME")), Ok);
  EXPECT_EQ(readAll(t, p), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(t.buildKeys(), Ok);  // on an open table too
}

TEST(Store, TransactionAcrossFiles) {
  TempDir dir;
  ::mkdir((dir / "Stat").c_str(), 0777);
  Person p;
  Line l;
  Table rez(personDef(), p, dir / "Stat/j.rez\\!Person");
  Table ved(lineDef(), l, dir / "Vedom.tps");
  ASSERT_EQ(rez.create(), Ok);
  ASSERT_EQ(ved.create(), Ok);
  ASSERT_EQ(rez.open(Shared), Ok);
  ASSERT_EQ(ved.open(Shared), Ok);
  {
    Transaction tx{&rez, &ved};
    ASSERT_EQ(tx.begin(), Ok) << tx.error().text();
    p.CODE = 1;
    ASSERT_EQ(rez.add(), Ok);
    l.CODE = 1;
    ASSERT_EQ(ved.add(), Ok);
    EXPECT_EQ(ved.records(), 1);
    ASSERT_EQ(tx.rollback(), Ok);
  }
  EXPECT_EQ(rez.records(), 0);
  EXPECT_EQ(ved.records(), 0);
  {
    Transaction tx{&rez, &ved};
    ASSERT_EQ(tx.begin(), Ok);
    p.CODE = 1;
    ASSERT_EQ(rez.add(), Ok);
    l.CODE = 1;
    ASSERT_EQ(ved.add(), Ok);
    ASSERT_EQ(tx.commit(), Ok) << tx.error().text();
  }
  EXPECT_EQ(rez.records(), 1);
  EXPECT_EQ(ved.records(), 1);
  {
    // Left without commit: rolled back when it ends.
    Transaction tx{&ved, &rez};
    ASSERT_EQ(tx.begin(), Ok);
    l.CODE = 2;
    ASSERT_EQ(ved.add(), Ok);
    p.CODE = 1;
    EXPECT_EQ(rez.add(), DuplicateKey);
  }
  EXPECT_EQ(ved.records(), 1);
  // Another process sees the committed state (a fresh handle stands in).
  Line l2;
  Table ved2(lineDef(), l2, dir / "vedom.TPS");
  ASSERT_EQ(ved2.open(Shared), Ok);
  EXPECT_EQ(ved2.records(), 1);
}

TEST(Store, DriverOptions) {
  TempDir dir;
  fill(dir / "p.tps", {"a"});
  Person p;
  Table t(personDef(), p, dir / "p.tps");
  ASSERT_EQ(t.open(), Ok);
  EXPECT_EQ(t.send("QUICKSCAN=off"), Ok);
  EXPECT_EQ(t.send("QUICKSCAN=on"), Ok);
  EXPECT_EQ(t.send("NOSUCH=1"), StoreSpecific);
  EXPECT_NE(t.error().text().find("NOSUCH"), std::string::npos);
}

TEST(Store, LargeTableReadsInKeyOrderAcrossReadAheadBatches) {
  TempDir dir;
  Person p;
  Table t(personDef(), p, dir / "big.tps");
  ASSERT_EQ(t.create(), Ok);
  ASSERT_EQ(t.open(), Ok);
  Transaction tx{&t};
  ASSERT_EQ(tx.begin(), Ok);
  for (int i = 0; i < 2000; ++i) {
    p.CODE = static_cast<std::uint16_t>((i * 7919) % 2000 + 1);  // a permutation of 1..2000
    p.NAME = "n" + std::to_string(i);
    ASSERT_EQ(t.add(), Ok);
  }
  ASSERT_EQ(tx.commit(), Ok);
  ASSERT_EQ(t.set(t.key("KEYCODE")), Ok);
  int expect = 1;
  while (t.next() == Ok) ASSERT_EQ(p.CODE, expect++);
  EXPECT_EQ(expect, 2001);
  ASSERT_EQ(t.set(t.key("KEYCODE")), Ok);
  expect = 2000;
  while (t.previous() == Ok) ASSERT_EQ(p.CODE, expect--);
  EXPECT_EQ(expect, 0);
}

}  // namespace
