// The Examiner's start-up logic: one instance, autostart, settings records,
// passwords, registration, test choice and the result archive.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "archive.h"
#include "cp1251.h"
#include "demo_data.h"
#include "registration.h"
#include "settings_file.h"
#include "single_instance.h"
#include "startup.h"
#include "test_choice.h"
#include "test_tables.h"

using namespace examiner;
using testing_tables::TempDir;

namespace {

std::string u(const char* s) { return cp1251::fromUtf8(s); }

TEST(SingleInstance, SecondStartRefusedUnlessRunTune) {
  TempDir dir;
  settings::IniFile ini(dir / "Varnuke.ini");
  SingleInstance first(dir / "lock");
  EXPECT_EQ(first.start(ini), SingleInstance::Start::First);
  // Another process is the second start.
  auto second = [&] {
    pid_t pid = ::fork();
    if (pid == 0) {
      SingleInstance s(dir / "lock");
      settings::IniFile mine(dir / "Varnuke.ini");
      ::_exit(static_cast<int>(s.start(mine)));
    }
    int st = 0;
    ::waitpid(pid, &st, 0);
    return static_cast<SingleInstance::Start>(WEXITSTATUS(st));
  };
  EXPECT_EQ(second(), SingleInstance::Start::Refused);
  ini.set("GlbTune", "RunTune", "1");  // the settings window's restart
  EXPECT_EQ(second(), SingleInstance::Start::Allowed);
  EXPECT_EQ(ini.get("GlbTune", "RunTune"), "0");  // once only
  EXPECT_EQ(second(), SingleInstance::Start::Refused);
  // A crashed instance leaves no lock behind.
  pid_t pid = ::fork();
  if (pid == 0) {
    SingleInstance s(dir / "lock2");
    settings::IniFile mine(dir / "x.ini");
    s.start(mine);
    ::abort();
  }
  ::waitpid(pid, nullptr, 0);
  SingleInstance after(dir / "lock2");
  EXPECT_EQ(after.start(ini), SingleInstance::Start::First);
}

struct Demo {
  TempDir tmp;
  demo::Installation inst;
  Demo() { EXPECT_EQ(demo::make(tmp / "demo", inst), ""); }
};

TEST(Startup, SettingsRecordsAutostartAndClosing) {
  Demo d;
  messages::Scripted ui;
  Startup s;
  ASSERT_TRUE(startUp(s, d.inst.directory, ui));
  EXPECT_EQ(s.inst.modeNet, 1);
  EXPECT_EQ(s.inst.modeWork, 0);
  EXPECT_EQ(s.tune.PASSUSR, "user");
  EXPECT_EQ(s.inst.keyWord, cp1251::pad("ormida-demo", 20));
  EXPECT_EQ(s.inst.fileRez, "Общий");  // the common file, chosen at start
  EXPECT_FALSE(s.namePc.empty());
  EXPECT_TRUE(userPasswordOk(s.tune, "user  "));
  EXPECT_TRUE(userPasswordOk(s.tune, "admin"));
  EXPECT_FALSE(userPasswordOk(s.tune, "guest"));
  EXPECT_TRUE(adminPasswordOk(s.tune, "admin"));
  EXPECT_FALSE(adminPasswordOk(s.tune, "user"));

  // An armed autostart record: mode 10 with the preset test and journal.
  {
    tables::AutoStar a;
    store::Table t(tables::autoStarDef(), a, d.inst.directory + "AutoStar.tps");
    ASSERT_EQ(t.open(), store::Ok);
    ASSERT_EQ(t.set(), store::Ok);
    ASSERT_EQ(t.next(), store::Ok);
    a.AUTOSTART = 1;
    a.YESTEST = 1;
    a.CURTEST = u("География");
    a.CURBT = u(d.inst.library.c_str());
    a.CURREZ = u("Класс 101");
    ASSERT_EQ(t.put(), store::Ok);
  }
  Startup s2;
  ASSERT_TRUE(startUp(s2, d.inst.directory, ui));
  EXPECT_EQ(s2.inst.modeWork, 10);
  EXPECT_TRUE(s2.autostart.presetsTest);
  EXPECT_EQ(s2.inst.ini.get("GlbTune", "SelTest"), "География");
  EXPECT_EQ(s2.inst.fileRez, "Класс 101");  // the network choice is skipped
  EXPECT_EQ(s2.inst.libraryDir, d.inst.library);
  s2.inst.ini.set("GlbTune", "ModeWork", "9");
  closeDown(s2.inst);
  EXPECT_EQ(s2.inst.ini.get("GlbTune", "ModeWork"), "0");

  // Error viewing and trial runs, started by the other programs, are not
  // overridden by an armed workstation.
  for (const char* mode : {"7", "9"}) {
    s2.inst.ini.set("GlbTune", "SelTest", "Арифметика");
    s2.inst.ini.set("Path", "FileRez", "Общий");
    s2.inst.ini.set("GlbTune", "ModeWork", mode);
    Startup fixed;
    ASSERT_TRUE(startUp(fixed, d.inst.directory, ui));
    EXPECT_EQ(fixed.inst.modeWork, std::stoi(mode));
    EXPECT_FALSE(fixed.autostart.armed);
    EXPECT_EQ(fixed.inst.ini.get("GlbTune", "SelTest"), "Арифметика");
    EXPECT_EQ(fixed.inst.fileRez, "Общий");
  }
  s2.inst.ini.set("GlbTune", "ModeWork", "0");

  // Missing settings tables are created empty; blank passwords let everyone in.
  TempDir empty;
  std::ofstream(empty / "Varnuke.ini") << "[GlbTune]\nModeNet=2\n[Path]\nLocBD=" << empty.path() << "/\n";
  Startup s3;
  ASSERT_TRUE(startUp(s3, empty.path(), ui));
  EXPECT_TRUE(userPasswordOk(s3.tune, ""));
  EXPECT_TRUE(std::filesystem::exists(empty / "TuneTest.tps"));
  EXPECT_FALSE(ui.ended);
}

TEST(Startup, JournalNamesFromRecordsStayInsideStat) {
  Demo d;
  auto setTune = [&](const char* curRez, int codeFileRez) {
    tables::TuneTest tune;
    store::Table tt(tables::tuneTestDef(), tune, d.inst.directory + "TuneTest.tps");
    ASSERT_EQ(tt.open(), store::Ok);
    tt.set();
    ASSERT_EQ(tt.next(), store::Ok);
    tune.CURREZ = u(curRez);
    tune.CODEFILEREZ = static_cast<std::uint8_t>(codeFileRez);
    ASSERT_EQ(tt.put(), store::Ok);
  };
  auto setRoom = [&](const char* curRez) {
    tables::Labr room;
    store::Table lt(tables::labrDef(), room, d.inst.directory + "Labr.tps");
    ASSERT_EQ(lt.open(), store::Ok);
    lt.set();
    ASSERT_EQ(lt.next(), store::Ok);
    room.CURREZ = u(curRez);
    ASSERT_EQ(lt.put(), store::Ok);
    settings::IniFile(d.inst.directory + "Varnuke.ini").setInt("GlbTune", "Class", room.NUMROOM);
  };
  auto setAutostart = [&](const char* curRez) {
    tables::AutoStar a;
    store::Table t(tables::autoStarDef(), a, d.inst.directory + "AutoStar.tps");
    ASSERT_EQ(t.open(), store::Ok);
    t.set();
    ASSERT_EQ(t.next(), store::Ok);
    a.AUTOSTART = curRez ? 1 : 0;
    a.CURREZ = u(curRez ? curRez : "");
    ASSERT_EQ(t.put(), store::Ok);
  };
  struct Case {
    const char* what;
    std::function<void()> arrange;
    std::string fileRez;
    bool told;
  } cases[] = {
      {"the common journal of the settings", [&] { setTune("Сессия", 1); }, "Сессия", false},
      {"a common journal outside Stat", [&] { setTune("../../etc/passwd", 1); }, "Общий", true},
      {"the room's journal", [&] { setTune("", 2); setRoom("Класс 101"); }, "Класс 101", false},
      {"a room's journal outside Stat", [&] { setTune("", 2); setRoom("..\\..\\x"); }, "Общий", true},
      {"an autostart journal outside Stat", [&] { setTune("", 1); setAutostart("../x"); }, "Общий", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    settings::IniFile(d.inst.directory + "Varnuke.ini").set("Path", "FileRez", "Общий");
    c.arrange();
    messages::Scripted ui;
    Startup s;
    ASSERT_TRUE(startUp(s, d.inst.directory, ui));
    EXPECT_EQ(s.inst.fileRez, c.fileRez);
    EXPECT_EQ(!ui.shown.empty(), c.told);
    if (c.told) {
      EXPECT_NE(ui.shown.back().text.find("Недопустимое имя файла"), std::string::npos);
    }
    setAutostart(nullptr);
  }
}

TEST(Registration, ListsNewStudentsAndPasswords) {
  TempDir dir;
  tables::Student st;
  store::Table t(tables::studentDef(), st, dir / "Student.tps");
  ASSERT_EQ(t.create(), store::Ok);
  ASSERT_EQ(t.open(store::Shared), store::Ok);
  tables::Group g;
  g.CODEGR = 3;
  g.NAME = u("ЕГ-201");
  Registration r;
  chooseGroup(r, g, nullptr, nullptr);
  EXPECT_EQ(r.groupCode, 3);

  // Checks in their order.
  struct Case {
    const char *fam, *name, *otche;
    const char* message;
  } cases[] = {
      {"", "Анна", "Ивановна", "Не указана фамилия"},
      {"Петрова", "", "Ивановна", "Не указано имя"},
      {"Петрова", "Анна", "", "Не указано отчество"},
  };
  for (const auto& c : cases) {
    r.fam = u(c.fam);
    r.name = u(c.name);
    r.otche = u(c.otche);
    auto refusal = addToDirectory(r, t, st);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->text, c.message);
  }
  Registration noGroup;
  noGroup.fam = u("А");
  noGroup.name = u("Б");
  noGroup.otche = u("В");
  EXPECT_EQ(addToDirectory(noGroup, t, st)->text, "Выберите группу");

  r.fam = u("Петрова");
  r.name = u("Анна");
  r.otche = u("Ивановна");
  r.password = "123";
  ASSERT_FALSE(addToDirectory(r, t, st));
  EXPECT_EQ(r.code, 1);  // the first student of an empty table
  EXPECT_EQ(r.fullName(), u("Петрова Анна Ивановна"));
  // The same full name is refused, whatever the group.
  Registration again = r;
  again.groupCode = 9;
  auto dup = addToDirectory(again, t, st);
  ASSERT_TRUE(dup);
  EXPECT_EQ(dup->text, "В списке уже имеется|такая фамилия с такими инициалами");
  EXPECT_EQ(t.records(), 1);

  // "Далее": a surname, and the student's own password when it is checked.
  Registration chosen;
  st.CODEST = 1;
  ASSERT_EQ(t.get(t.key("KEYKODST")), store::Ok);
  chooseStudent(chosen, st);
  chosen.password = "999";
  EXPECT_EQ(proceed(chosen, true)->text, "Неверный пароль доступа.");
  EXPECT_FALSE(proceed(chosen, false));
  chosen.password = "123";
  EXPECT_FALSE(proceed(chosen, true));
  Registration nobody;
  EXPECT_EQ(proceed(nobody, false)->text, "Введите, пожалуйста, свою фамилию.");

  // Changing the password.
  EXPECT_EQ(changePassword(t, st, 1, "000", "456", "456")->text, "Неверный пароль");
  EXPECT_EQ(changePassword(t, st, 1, "123", "456", "457")->text, "Неверное подтверждение");
  st.CODEST = 1;
  t.get(t.key("KEYKODST"));
  EXPECT_EQ(st.NUMID, "123");  // unchanged
  EXPECT_FALSE(changePassword(t, st, 1, "123", "456", "456"));
  st.CODEST = 1;
  t.get(t.key("KEYKODST"));
  EXPECT_EQ(st.NUMID, "456");
}

TEST(Registration, TwoWorkstationsRegisteringAtOnceBothSucceed) {
  TempDir dir;
  {
    tables::Student st;
    store::Table t(tables::studentDef(), st, dir / "Student.tps");
    ASSERT_EQ(t.create(), store::Ok);
  }
  std::vector<pid_t> kids;
  for (int w = 0; w < 8; ++w) {
    pid_t pid = ::fork();
    if (pid == 0) {
      tables::Student st;
      store::Table t(tables::studentDef(), st, dir / "Student.tps");
      if (t.open(store::Shared) != store::Ok) ::_exit(2);
      for (int i = 0; i < 5; ++i) {
        Registration r;
        r.fam = "F" + std::to_string(w) + "_" + std::to_string(i);
        r.name = "N";
        r.otche = "O";
        r.groupCode = 1;
        if (addToDirectory(r, t, st)) ::_exit(1);
      }
      ::_exit(0);
    }
    kids.push_back(pid);
  }
  for (pid_t k : kids) {
    int st = 0;
    ::waitpid(k, &st, 0);
    EXPECT_EQ(WEXITSTATUS(st), 0);
  }
  tables::Student st;
  store::Table t(tables::studentDef(), st, dir / "Student.tps");
  ASSERT_EQ(t.open(), store::Ok);
  EXPECT_EQ(t.records(), 40);
}

TEST(TestChoice, LibrariesTestsJournalsAndRunCount) {
  Demo d;
  tables::PathFile pf;
  store::Table pt(tables::pathFileDef(), pf, d.inst.directory + "PathFile.tps");
  ASSERT_EQ(pt.open(), store::Ok);
  auto libs = libraries(pt, pf);
  ASSERT_EQ(libs.size(), 1u);
  EXPECT_EQ(libs[0].dir, d.inst.library);
  auto tests = testsIn(libs[0].dir);
  ASSERT_EQ(tests.size(), 3u);
  EXPECT_EQ(tests[0].name, "Арифметика");
  EXPECT_GT(tests[0].date, 0);

  testfile::TestFile tf;
  tf.name(d.inst.library, "Арифметика", u("ormida-demo"));
  ASSERT_EQ(tf.open(), store::Ok);
  int before = tf.titul.KOLRUN;
  ASSERT_EQ(raiseRunCount(tf), store::Ok);
  ASSERT_EQ(raiseRunCount(tf), store::Ok);
  EXPECT_EQ(tf.titul.KOLRUN, before + 2);

  tables::Tema t;
  t.FAK = u("Физико-математический факультет");
  t.NAMEPRD = u("Математика");
  EXPECT_EQ(journalForTest(t), "Физико-математический факультет");
  t.FAK.clear();
  EXPECT_EQ(journalForTest(t), "Математика");
  t.NAMEPRD = "../../etc";
  std::string why;
  EXPECT_EQ(journalForTest(t, &why), "");
  EXPECT_FALSE(why.empty());

  EXPECT_EQ(locateTest("География", "/lib/").dir, "/lib/");
  TestLocation full = locateTest("/srv/tests/Физика.orm", "/lib/");
  EXPECT_EQ(full.dir, "/srv/tests/");
  EXPECT_EQ(full.base, "Физика");
}

TEST(Archive, NewDeleteRenameAndTheCurrentFile) {
  Demo d;
  common::Archive a(d.inst.directory, "Общий");
  EXPECT_EQ(a.list().size(), 1u);
  EXPECT_FALSE(a.create("Группа ФМ-101"));
  EXPECT_TRUE(a.create("Группа ФМ-101"));  // an existing journal is not replaced
  EXPECT_TRUE(a.create("../x"));
  EXPECT_EQ(a.list().size(), 2u);
  EXPECT_EQ(*a.remove("Общий"), "Указанный файл открыт,|удалить невозможно.");
  EXPECT_EQ(*a.rename("Общий", "Старый"), "Указанный файл открыт,|переименовать невозможно.");
  // Renaming keeps the results.
  common::Archive other(d.inst.directory, "Группа ФМ-101");
  EXPECT_FALSE(other.rename("Общий", "Архив 2026"));
  auto names = other.list();
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0].name, "Архив 2026");
  results::ResultFile rf;
  ASSERT_EQ(rf.open(d.inst.directory, "Архив 2026"), store::Ok);
  EXPECT_EQ(rf.rezT.records(), 6);
  TempDir elsewhere;
  std::string outside = elsewhere / "Зимняя сессия.rez";
  ASSERT_EQ(store::copyFile(d.inst.directory + "Stat/Архив 2026.rez", outside), store::Ok);
  // A journal another station is writing to is neither renamed nor removed.
  EXPECT_TRUE(other.rename("Архив 2026", "Ещё"));
  EXPECT_TRUE(other.remove("Архив 2026"));
  rf.close();
  EXPECT_FALSE(other.remove("Архив 2026"));
  EXPECT_EQ(other.list().size(), 1u);
  EXPECT_TRUE(other.remove("Нет такого"));  // the failure is reported

  // A point inside a journal's name belongs to the name: only ".rez" goes.
  auto listed = [&](const std::string& name) {
    for (const auto& f : other.list())
      if (f.name == name) return true;
    return false;
  };
  ASSERT_FALSE(other.create("Гр 1.2"));
  EXPECT_TRUE(listed("Гр 1.2"));
  EXPECT_FALSE(listed("Гр 1"));
  EXPECT_FALSE(other.rename("Гр 1.2", "Гр 1.3"));
  EXPECT_TRUE(listed("Гр 1.3"));
  EXPECT_FALSE(other.remove("Гр 1.3"));
  EXPECT_FALSE(listed("Гр 1.3"));

  // A journal picked outside "Stat/" is copied in under its own name, once.
  std::string name;
  EXPECT_TRUE(other.inStat(d.inst.directory + "Stat/Архив 2026.rez", name));
  EXPECT_EQ(name, "Архив 2026");
  EXPECT_FALSE(other.inStat(outside, name));
  EXPECT_FALSE(other.copyIn(outside, name));
  EXPECT_EQ(name, "Зимняя сессия");
  ASSERT_EQ(rf.open(d.inst.directory, "Зимняя сессия"), store::Ok);
  EXPECT_EQ(rf.rezT.records(), 6);  // the results came with it
  rf.close();
  EXPECT_TRUE(other.copyIn(outside, name));  // that name is taken now
  std::ofstream(elsewhere / "Чужой.rez") << "not a journal";
  EXPECT_TRUE(other.copyIn(elsewhere / "Чужой.rez", name));
  EXPECT_FALSE(std::filesystem::exists(d.inst.directory + "Stat/Чужой.rez"));
}

}  // namespace
