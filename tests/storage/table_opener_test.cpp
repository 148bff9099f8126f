// The common opening procedure, each branch with scripted answers, and the
// message procedure.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "messages.h"
#include "table_opener.h"
#include "test_tables.h"

using namespace store;
using namespace testing_tables;
using messages::Scripted;

namespace {

TEST(OpeningProcedure, CreatesMissingDirectoriesAndTableAndCountsUsers) {
  TempDir dir;
  Scripted ui;
  setup::TableOpener opener(ui);
  Person p;
  Table t(personDef(), p, dir / "a/b/c/person.tps");
  ASSERT_EQ(opener.open(t), Ok);
  EXPECT_TRUE(t.isOpen());
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(opener.users(t), 1);
  ASSERT_EQ(opener.open(t), Ok);  // a nested user shares the open table
  EXPECT_EQ(opener.users(t), 2);
  opener.close(t);
  EXPECT_TRUE(t.isOpen());
  opener.close(t);
  EXPECT_FALSE(t.isOpen());
  EXPECT_EQ(opener.users(t), 0);
  // A table of a multi-table file that lacks it is created inside the file.
  Line l;
  Table line(lineDef(), l, dir / "a/b/c/person.tps\\!Line");
  EXPECT_EQ(opener.open(line), Ok);
}

struct EndCase {
  const char* what;
  int message;
  const char* finalMessage;
};

TEST(OpeningProcedure, FailuresThatEndTheProgram) {
  TempDir dir;
  // Files for each failure.
  { Person p; Table t(personDef(), p, dir / "person.tps"); ASSERT_EQ(t.create(), Ok); }
  { std::ofstream(dir / "garbage.tps") << std::string(3000, 'x'); }
  { std::ofstream(dir / "plainfile") << "x"; }

  struct Case {
    std::string name;
    const TableDef* def;
    bool allowCreate;
    int message;
    std::string finalMessage;
    std::string inText;
  } cases[] = {
      {dir / "missing.tps", &personDef(), false, 22, "Ошибка создания файла!", "отсутсвует атрибут CREATE"},
      {dir / "person.tps", &personV2Def(), true, 1, "Недопустимая структура файла!", "не соответствует описанию"},
      {dir / "garbage.tps", &personDef(), true, 30, "Ошибка диска", "(36)"},
      {dir / "plainfile/x.tps", &personDef(), true, 4, "Ошибка создания файла!", "при создании"},
  };
  for (const auto& c : cases) {
    Scripted ui;
    setup::TableOpener opener(ui);
    Person p;
    Table t(*c.def, static_cast<void*>(&p), c.name);
    EXPECT_NE(opener.open(t, c.allowCreate), Ok) << c.name;
    EXPECT_TRUE(opener.ended());
    EXPECT_TRUE(ui.ended);
    EXPECT_EQ(ui.finalMessage, c.finalMessage) << c.name;
    ASSERT_FALSE(ui.shown.empty()) << c.name;
    const auto& m = ui.shown.back();
    EXPECT_EQ(m.number, c.message) << c.name;
    EXPECT_NE(m.text.find(c.name), std::string::npos) << m.text;
    EXPECT_NE(m.text.find(c.inText), std::string::npos) << m.text;
    EXPECT_FALSE(t.isOpen());
  }
}

void dropIndex(const std::string& file, const std::string& index) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  sqlite3_exec(db, "PRAGMA writable_schema=ON", nullptr, nullptr, nullptr);
  sqlite3_exec(db, ("DELETE FROM sqlite_master WHERE name='" + index + "'").c_str(), nullptr, nullptr, nullptr);
  sqlite3_close(db);
}

TEST(OpeningProcedure, DamagedKeysAreRebuiltOnYesAndEndTheProgramOnNo) {
  for (int answer : {messages::Yes, messages::No}) {
    TempDir dir;
    {
      Person p;
      Table t(personDef(), p, dir / "person.tps");
      ASSERT_EQ(t.create(), Ok);
    }
    dropIndex(dir / "person.tps", "Person_KEYGRADE");
    Scripted ui;
    ui.answers = {answer};
    setup::TableOpener opener(ui);
    Person p;
    Table t(personDef(), p, dir / "person.tps");
    int rc = opener.open(t);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].number, 2);
    EXPECT_EQ(ui.shown[0].caption, "Ошибка ключевого файла");
    if (answer == messages::Yes) {
      EXPECT_EQ(rc, Ok);
      EXPECT_EQ(ui.rebuilt, (std::vector<std::string>{dir / "person.tps"}));
      EXPECT_FALSE(ui.ended);
    } else {
      EXPECT_NE(rc, Ok);
      EXPECT_TRUE(ui.rebuilt.empty());
      EXPECT_EQ(ui.finalMessage, "Ошибка ключевого файла!");
    }
  }
}

// Another process holds the table exclusively for `seconds`.
pid_t holdExclusively(const std::string& file, int seconds, int readyFd) {
  pid_t pid = ::fork();
  if (pid == 0) {
    Person p;
    Table t(personDef(), p, file);
    int rc = t.open(Exclusive);
    char c = rc == Ok ? 1 : 0;
    (void)!::write(readyFd, &c, 1);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    ::_exit(0);
  }
  return pid;
}

TEST(OpeningProcedure, ATableHeldByAnotherStationIsRetriedForTenSeconds) {
  for (int seconds : {3, 12}) {
    TempDir dir;
    {
      Person p;
      Table t(personDef(), p, dir / "person.tps");
      ASSERT_EQ(t.create(), Ok);
    }
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    pid_t child = holdExclusively(dir / "person.tps", seconds, fds[1]);
    char ok = 0;
    ASSERT_EQ(::read(fds[0], &ok, 1), 1);
    ASSERT_EQ(ok, 1);
    Scripted ui;
    setup::TableOpener opener(ui);
    Person p;
    Table t(personDef(), p, dir / "person.tps");
    auto start = std::chrono::steady_clock::now();
    int rc = opener.open(t);
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(ui.waitCursorOn, 1);
    if (seconds == 3) {
      EXPECT_EQ(rc, Ok);
      EXPECT_TRUE(ui.shown.empty());
      EXPECT_GE(waited, std::chrono::milliseconds(2500));
    } else {
      EXPECT_EQ(rc, AccessDenied);
      ASSERT_EQ(ui.shown.size(), 1u);
      EXPECT_EQ(ui.shown[0].number, 30);
      EXPECT_EQ(ui.shown[0].caption, "Ошибка доступа к файлу");
      EXPECT_NE(ui.shown[0].text.find("Доступ запрещен (5)"), std::string::npos);
      EXPECT_EQ(ui.finalMessage, "Ошибка диска");
      EXPECT_GE(waited, std::chrono::milliseconds(9900));
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
  }
}

// Records when the wait cursor came on.
struct TimedUi : Scripted {
  std::chrono::steady_clock::time_point cursorAt{};
  void waitCursor(bool on) override {
    if (on && cursorAt == std::chrono::steady_clock::time_point{}) cursorAt = std::chrono::steady_clock::now();
    Scripted::waitCursor(on);
  }
};

TEST(OpeningProcedure, ALowLevelWriteLockIsRetriedWithinTheRetryTimeCursorFirst) {
  TempDir dir;
  {
    Person p;
    Table t(personDef(), p, dir / "person.tps");
    ASSERT_EQ(t.create(), Ok);
  }
  // Another station in the middle of writing the file: readers are locked out.
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  pid_t child = ::fork();
  if (child == 0) {
    sqlite3* db = nullptr;
    sqlite3_open((dir / "person.tps").c_str(), &db);
    char c = sqlite3_exec(db, "BEGIN EXCLUSIVE; DELETE FROM _layout WHERE 0;", nullptr, nullptr, nullptr) == SQLITE_OK;
    (void)!::write(fds[1], &c, 1);
    std::this_thread::sleep_for(std::chrono::seconds(30));
    ::_exit(0);
  }
  char ok = 0;
  ASSERT_EQ(::read(fds[0], &ok, 1), 1);
  ASSERT_EQ(ok, 1);
  TimedUi ui;
  setup::TableOpener opener(ui);
  opener.retryFor = std::chrono::milliseconds(2000);
  Person p;
  Table t(personDef(), p, dir / "person.tps");
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(opener.open(t), AccessDenied);
  auto waited = std::chrono::steady_clock::now() - start;
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  EXPECT_GE(waited, std::chrono::milliseconds(1900));
  EXPECT_LT(waited, std::chrono::milliseconds(2600)) << "each try waited for the lock by itself";
  EXPECT_LT(ui.cursorAt - start, std::chrono::milliseconds(400)) << "the wait cursor came late";
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].number, 30);
}

TEST(MessageProcedure, RecordsTheErrorRollsBackAndReturnsTheButton) {
  TempDir dir;
  Line l;
  Table t(lineDef(), l, dir / "line.tps");
  ASSERT_EQ(t.create(), Ok);
  ASSERT_EQ(t.open(), Ok);
  Transaction tx{&t};
  ASSERT_EQ(tx.begin(), Ok);
  l.CODE = 1;
  ASSERT_EQ(t.add(), Ok);
  ASSERT_EQ(t.add(), DuplicateKey);

  Scripted ui;
  ui.answers = {messages::Cancel};
  messages::Procedure proc(ui);
  store::ErrorInfo e = t.error();
  messages::Args a = messages::argsOf(e);
  EXPECT_EQ(proc.show(24, a, &e, &tx), messages::Cancel);
  EXPECT_FALSE(tx.active());
  EXPECT_EQ(t.records(), 0);  // the transaction's add was rolled back
  EXPECT_EQ(proc.lastError().code, DuplicateKey);
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].text, "При обновлении файла возник недопустимый дубликат в ключе [LIN:KEYCODE].");
  EXPECT_EQ(ui.shown[0].caption, "Дубликат в ключе");

  // The catalogue: numbers, captions and buttons as users know them.
  struct Case {
    int number;
    const char* caption;
    messages::Buttons buttons;
  } cases[] = {
      {2, "Ошибка ключевого файла", messages::Buttons::YesNo}, {16, "Ошибка обновления записи", messages::Buttons::YesNoCancel},
      {18, "Ошибка удаления записи", messages::Buttons::YesNoCancel}, {25, "Ошибка автонумерации", messages::Buttons::RetryCancel},
      {29, "Конец файла", messages::Buttons::YesNo}, {32, "Удаление записи", messages::Buttons::YesNo},
      {38, "Ошибка обновления записи", messages::Buttons::Ok}, {101, "Ошибка создания директории", messages::Buttons::Ok},
  };
  for (const auto& c : cases) {
    auto m = messages::standard(c.number, a);
    EXPECT_EQ(m.caption, c.caption) << c.number;
    EXPECT_EQ(m.buttons, c.buttons) << c.number;
  }
  EXPECT_EQ(messages::standard(29, a, true).caption, "Начало файла");
  EXPECT_EQ(messages::standard(5, a).finalMessage, "Ошибка  открытия файла!");
  // Error 90 shows the store's own message and code.
  store::ErrorInfo e90;
  e90.code = StoreSpecific;
  e90.storeCode = 13;
  e90.storeMessage = "database or disk is full";
  EXPECT_EQ(messages::argsOf(e90).error, "database or disk is full (13)");
}

}  // namespace
