// The Constructor's start-up status, its current base and libraries, the
// sign-in rule it shares with the Administrator, and the test properties
// the Navigator lists.
#include <gtest/gtest.h>

#include "cp1251.h"
#include "datetime.h"
#include "messages.h"
#include "settings_file.h"
#include "sign_in.h"
#include "startup.h"
#include "test_summary.h"
#include "test_tables.h"

using namespace constructor;
using testing_tables::TempDir;

namespace {

std::string u(const std::string& s) { return cp1251::fromUtf8(s); }

// A working directory whose settings file puts the central tables in `base`.
struct Working {
  TempDir dir;
  std::string base = dir.path() + "/db/";
  Working() {
    settings::IniFile ini(settings::sharedFile(dir.path()));
    ini.set("GlbTune", "ModeNet", "1");
    ini.set("Path", "CentBD", base);
    ini.set("Path", "DirBD", dir.path() + "/tests");
  }
  tables::GlbTune read() {
    tables::GlbTune g;
    store::Table t(tables::glbTuneDef(), g, base + tables::files::GlbTune);
    EXPECT_EQ(t.open(), store::Ok);
    EXPECT_EQ(t.set(), store::Ok);
    EXPECT_EQ(t.next(), store::Ok);
    EXPECT_EQ(t.records(), 1);
    return g;
  }
  void write(const std::string& whoStart) {
    tables::GlbTune g;
    store::Table t(tables::glbTuneDef(), g, base + tables::files::GlbTune);
    ASSERT_EQ(t.open(), store::Ok);
    if (t.set() == store::Ok && t.next() == store::Ok) {
      g.WHOSTART = u(whoStart);
      ASSERT_EQ(t.put(), store::Ok);
    }
  }
};

TEST(ConstructorStart, TheStatusIsAskedWhenWhoStartIsBlankAndItIsBlankedAtEveryStart) {
  Working w;
  messages::Scripted ui;
  Startup s;
  // No settings table yet: made with a blank record, and the status is asked.
  ASSERT_TRUE(startUp(s, w.dir.path(), ui));
  EXPECT_TRUE(s.askStatus);
  EXPECT_EQ(s.inst.libraryDir, w.dir.path() + "/tests/");
  EXPECT_TRUE(w.read().WHOSTART.view().empty());

  w.write("Администратор");
  Startup again;
  ASSERT_TRUE(startUp(again, w.dir.path(), ui));
  EXPECT_FALSE(again.askStatus);
  EXPECT_TRUE(w.read().WHOSTART.view().empty()) << "the next start asks again";
  Startup third;
  ASSERT_TRUE(startUp(third, w.dir.path(), ui));
  EXPECT_TRUE(third.askStatus);
  EXPECT_TRUE(ui.shown.empty());
}

TEST(ConstructorStart, CurrentBaseEndsInASlashAndTheLibrariesLieSideBySide) {
  TempDir dir;
  settings::IniFile ini(dir / "Varnuke.ini");
  EXPECT_EQ(currentBase(ini), "");
  struct Case {
    const char* stored;
    const char* read;
  } cases[] = {{"/srv/tests", "/srv/tests/"}, {"/srv/tests/", "/srv/tests/"}, {"/srv/tests  ", "/srv/tests/"}};
  for (const auto& c : cases) {
    ASSERT_TRUE(ini.set("Path", "DirBD", c.stored));
    EXPECT_EQ(currentBase(ini), c.read) << c.stored;
  }
  ASSERT_TRUE(setCurrentBase(ini, "/srv/другая"));
  EXPECT_EQ(ini.get("Path", "DirBD"), "/srv/другая/");
  EXPECT_EQ(ini.get("DirBD", "Path"), "") << "section Path, entry DirBD, as the Examiner reads it";

  setup::Installation inst;
  inst.base = "/srv/db/";
  EXPECT_EQ(libraryFile(inst, false), "/srv/db/PathFile.tps");
  EXPECT_EQ(libraryFile(inst, true), "/srv/db/PathFile.sec");
}

TEST(ConstructorStart, SignInTakesEachStatusWithItsOwnPassword) {
  tables::GlbTune g;
  g.PASSADM = u("Админ");
  g.PASSINS = "user";
  struct Case {
    const char* status;
    const char* password;
    common::SignIn mode;
  } cases[] = {
      {"Администратор", "Админ", common::SignIn::Administrator},
      {"Администратор", "Админ   ", common::SignIn::Administrator},
      {"Пользователь", "user", common::SignIn::User},
      {"Пользователь", "Админ", common::SignIn::Refused},
      {"Администратор", "user", common::SignIn::Refused},
      {"Администратор", "админ", common::SignIn::Refused},
      {"Гость", "user", common::SignIn::Refused},
      {"Администратор", "", common::SignIn::Refused},
  };
  for (const auto& c : cases)
    EXPECT_EQ(common::signIn(g, c.status, c.password), c.mode) << c.status << " / " << c.password;
  tables::GlbTune blank;
  EXPECT_EQ(common::signIn(blank, "Администратор", ""), common::SignIn::Administrator) << "no password set";
}

TEST(ConstructorStart, PropertiesShowUnknownsAndDates) {
  tables::Tema tema;
  tables::Titul titul;
  auto value = [](const std::vector<Property>& ps, const std::string& label) {
    for (const auto& p : ps)
      if (p.label == label) return p.value;
    return std::string("(нет строки)");
  };
  auto blank = testProperties(tema, titul, 0);
  std::vector<std::string> labels;
  for (const auto& p : blank) labels.push_back(p.label);
  EXPECT_EQ(labels, (std::vector<std::string>{"Название теста", "Автор", "Кафедра", "Дисциплина", "Заданий", "Создан",
                                              "Изменен", "Версия теста", "Количество тестирования", "Дата печати"}));
  EXPECT_EQ(value(blank, "Название теста"), "Неизвестно");
  EXPECT_EQ(value(blank, "Создан"), "Неизвестно");
  EXPECT_EQ(value(blank, "Дата печати"), "Не печатался");

  tema.NAME = u("Алгебра");
  std::string fifty;
  for (int i = 0; i < 50; ++i) fifty += "к";
  tema.NAMEOTD = u(fifty);
  titul.CREATED = datetime::dayNumber(2026, 3, 7);
  titul.CREATET = datetime::clockTime(9, 5, 30);
  titul.PRINTD = datetime::dayNumber(2026, 12, 1);
  titul.KOLRUN = 12;
  titul.VERSION = 4;
  auto filled = testProperties(tema, titul, 7);
  EXPECT_EQ(value(filled, "Название теста"), "Алгебра");
  std::string forty;
  for (int i = 0; i < 40; ++i) forty += "к";
  EXPECT_EQ(value(filled, "Кафедра"), forty) << "cut to 40 characters";
  EXPECT_EQ(value(filled, "Заданий"), "7");
  EXPECT_EQ(value(filled, "Создан"), "07.03.2026 09:05:30");
  EXPECT_EQ(value(filled, "Дата печати"), "01.12.2026");
  EXPECT_EQ(value(filled, "Количество тестирования"), "12");
  EXPECT_EQ(value(filled, "Версия теста"), "4");
}

}  // namespace
