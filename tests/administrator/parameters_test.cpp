// The system parameters on a demo installation: what the settings window
// writes is what it reads back, refusals write nothing, passwords are an
// administrator's, and local mode finds the libraries beside its database.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cp1251.h"
#include "demo_data.h"
#include "installation.h"
#include "journal_name.h"
#include "open_attempts.h"
#include "parameters.h"
#include "startup.h"
#include "tables_central.h"
#include "tables_work.h"
#include "test_tables.h"

using namespace administrator;
using testing_tables::TempDir;

namespace {

class ParametersTest : public ::testing::Test {
 protected:
  TempDir tmp;
  demo::Installation made;
  setup::Installation inst;

  void SetUp() override {
    ASSERT_EQ(demo::make(tmp / "demo", made), "");
    inst = setup::resolve(setup::Program::Administrator, made.directory);
  }

  template <class R>
  R first(const store::TableDef& def, const std::string& file) {
    R rec;
    store::Table t(def, rec, file);
    EXPECT_EQ(t.open(store::Shared), store::Ok) << t.error().text();
    EXPECT_EQ(t.set(), store::Ok);
    EXPECT_EQ(t.next(), store::Ok) << file;
    return rec;
  }
  tables::GlbTune glb() { return first<tables::GlbTune>(tables::glbTuneDef(), inst.central(tables::files::GlbTune)); }
  tables::TuneTest tune() { return first<tables::TuneTest>(tables::tuneTestDef(), inst.central(tables::files::TuneTest)); }

  std::string iniText() {
    std::ifstream in(inst.ini.path());
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  Parameters read() {
    Parameters p;
    Outcome o = readParameters(inst, p);
    EXPECT_TRUE(o) << o.message;
    return p;
  }
};

void expectSame(const Parameters& a, const Parameters& b) {
  EXPECT_EQ(a.modeNet, b.modeNet);
  EXPECT_EQ(a.centralDir, b.centralDir);
  EXPECT_EQ(a.localDir, b.localDir);
  EXPECT_EQ(a.libraryDir, b.libraryDir);
  EXPECT_EQ(a.fileRez, b.fileRez);
  EXPECT_EQ(a.resultChoice, b.resultChoice);
  EXPECT_EQ(a.commonJournal, b.commonJournal);
  EXPECT_EQ(a.organisation, b.organisation);
  EXPECT_EQ(a.organisation2, b.organisation2);
  EXPECT_EQ(a.owner, b.owner);
  EXPECT_EQ(a.reportTitle, b.reportTitle);
  EXPECT_EQ(a.reportSubtitle, b.reportSubtitle);
  EXPECT_EQ(a.examSheetTitle, b.examSheetTitle);
  EXPECT_EQ(a.monitoring, b.monitoring);
  EXPECT_EQ(a.checkPassword, b.checkPassword);
  EXPECT_EQ(a.changePassword, b.changePassword);
  EXPECT_EQ(a.framePoints, b.framePoints);
  EXPECT_EQ(a.frameSeconds, b.frameSeconds);
  EXPECT_EQ(a.frameAttempts, b.frameAttempts);
  EXPECT_EQ(a.frameLevel, b.frameLevel);
  EXPECT_EQ(a.resumeGraceMinutes, b.resumeGraceMinutes);
}

TEST_F(ParametersTest, WrittenAsShownAndReadBackWhatTheWindowDoesNotShowKept) {
  Parameters p = read();
  EXPECT_EQ(p.modeNet, 1);
  EXPECT_EQ(p.fileRez, "Общий");
  EXPECT_EQ(p.resultChoice, ResultChoice::Common);
  EXPECT_EQ(p.reportTitle, "Протокол компьютерного тестирования");
  EXPECT_EQ(p.examSheetTitle, "ЭКЗАМЕНАЦИОННАЯ ВЕДОМОСТЬ");
  EXPECT_TRUE(p.monitoring);

  const std::string library = tmp / "lib";  // typed without its separator
  p.libraryDir = library;
  p.fileRez = "Сессия 2026";
  p.resultChoice = ResultChoice::ByRoom;
  p.commonJournal = "";  // not needed when each room has its own
  p.organisation = "Университет";
  p.organisation2 = "Центр тестирования";
  p.owner = "Орлова";
  p.reportTitle = "Итоговый контроль";
  p.reportSubtitle = "";
  p.examSheetTitle = "ВЕДОМОСТЬ ЗАЧЁТА";
  p.monitoring = false;
  p.checkPassword = true;
  p.changePassword = true;
  p.framePoints = 3;
  p.frameSeconds = 90;
  p.frameAttempts = 2;
  p.frameLevel = 4;
  p.resumeGraceMinutes = 25;
  NewPasswords pw;
  pw.adminSignIn = "секрет";
  pw.examinerUser = "старт";
  const std::string keyWord = glb().KEYW.str();
  Outcome o = writeParameters(inst, p, pw, true);
  ASSERT_TRUE(o) << o.message;

  Parameters expected = p;
  expected.libraryDir = library + "/";
  expectSame(read(), expected);
  EXPECT_EQ(inst.libraryDir, library + "/") << "the program goes on with the new directories";
  EXPECT_EQ(inst.fileRez, "Сессия 2026");
  const settings::IniFile ini(inst.ini.path());
  EXPECT_EQ(ini.get("GlbTune", "ModeNet"), "1");
  EXPECT_EQ(ini.get("Path", "CodeRez"), "") << "a journal not in the catalogue has no code";
  EXPECT_EQ(ini.get("Path", "DirBD"), library + "/");

  // Passwords given went where their users look for them; the rest stayed.
  const tables::GlbTune g = glb();
  EXPECT_EQ(g.PASSADM.utf8(), "секрет");
  EXPECT_EQ(g.PASSINS.utf8(), made.userPassword);
  EXPECT_EQ(g.KEYW.str(), keyWord);
  EXPECT_EQ(g.ORG.utf8(), "Университет") << "a new test takes its organisation from here";
  const tables::TuneTest t = tune();
  EXPECT_EQ(t.PASSUSR.utf8(), "старт");
  EXPECT_EQ(t.PASSADM.utf8(), made.adminPassword);
  EXPECT_EQ(t.FONTNAME[0].utf8(), "DejaVu Sans");
  EXPECT_EQ(t.CODEFILEREZ, 2);
  EXPECT_EQ(t.CURBIBL.utf8(), library + "/");

  // Switched off, the examinee's password checks are blank again.
  p.checkPassword = p.changePassword = false;
  ASSERT_TRUE(writeParameters(inst, p, {}, false));
  EXPECT_TRUE(tune().CHECKPASS.blank());
  EXPECT_TRUE(tune().CHANGEPASS.blank());
}

TEST_F(ParametersTest, ResumeGraceGoesThroughGlbAndZeroIsNotTheDefault) {
  EXPECT_TRUE(glb().RESERVED4.blank());
  EXPECT_EQ(read().resumeGraceMinutes, 15) << "blank: the default";
  for (int minutes : {40, 0, 1440}) {
    SCOPED_TRACE(minutes);
    Parameters p = read();
    p.resumeGraceMinutes = minutes;
    Outcome o = writeParameters(inst, p, {}, true);
    ASSERT_TRUE(o) << o.message;
    EXPECT_EQ(glb().RESERVED4.str(), std::to_string(minutes));
    EXPECT_EQ(common::resumeGraceMinutes(glb()), minutes) << "as the Examiner reads it";
    EXPECT_EQ(read().resumeGraceMinutes, minutes);
  }
  // Other parameters written keep it.
  Parameters p = read();
  p.reportTitle = "Зачёт";
  ASSERT_TRUE(writeParameters(inst, p, {}, true));
  EXPECT_EQ(read().resumeGraceMinutes, 1440);
  for (int wrong : {-1, 1441}) {
    p.resumeGraceMinutes = wrong;
    auto why = checkParameters(p);
    ASSERT_TRUE(why.has_value()) << wrong;
    EXPECT_EQ(*why, "Перерыв при продолжении тестирования: число от 0 до 1440.");
    EXPECT_EQ(writeParameters(inst, p, {}, true).error, Outcome::Refused);
    EXPECT_EQ(glb().RESERVED4.str(), "1440");
  }
}

TEST_F(ParametersTest, RefusedParametersWriteNothing) {
  struct Case {
    const char* label;
    std::function<void(Parameters&)> change;
    const char* reason;
  } cases[] = {
      {"empty journal", [](Parameters& p) { p.fileRez = "  "; }, "Не указано имя файла результатов"},
      {"journal out of Stat", [](Parameters& p) { p.fileRez = "../Общий"; }, "Недопустимое имя файла"},
      {"journal in a folder", [](Parameters& p) { p.fileRez = "old/Общий"; }, "Недопустимое имя файла"},
      {"no common journal to take", [](Parameters& p) { p.commonJournal = ""; }, "Общий файл результатов"},
      {"unsafe common journal", [](Parameters& p) { p.commonJournal = "..\\x"; }, "Общий файл результатов"},
      {"letters the code page lacks", [](Parameters& p) { p.organisation = "大学"; }, "Организация"},
      {"too long a title", [](Parameters& p) { p.reportTitle = std::string(66, 'x'); }, "длиннее 65"},
      {"points past their field", [](Parameters& p) { p.framePoints = 70000; }, "Балл задания"},
      {"a mode of neither kind", [](Parameters& p) { p.modeNet = 0; }, "Режим работы"},
  };
  const Parameters before = read();
  const std::string ini = iniText();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Parameters p = before;
    p.reportSubtitle = "изменено";
    c.change(p);
    auto why = checkParameters(p);
    ASSERT_TRUE(why.has_value());
    EXPECT_NE(why->find(c.reason), std::string::npos) << *why;
    Outcome o = writeParameters(inst, p, {}, true);
    EXPECT_EQ(o.error, Outcome::Refused);
    EXPECT_EQ(o.message, *why);
    expectSame(read(), before);
    EXPECT_EQ(iniText(), ini);
  }
  // Rooms with journals of their own need no common one.
  Parameters p = before;
  p.commonJournal = "";
  p.resultChoice = ResultChoice::ByFaculty;
  EXPECT_FALSE(checkParameters(p).has_value());
}

TEST_F(ParametersTest, CodeRezIsTheJournalsCodeInTheCatalogue) {
  {
    tables::AllRez rec;
    store::Table t(tables::allRezDef(), rec, inst.central(tables::files::AllRez));
    ASSERT_EQ(t.open(store::Shared), store::Ok) << t.error().text();
    rec.CODEALL = 7;
    rec.NAMEREZ = cp1251::fromUtf8("Сессия 2026");
    ASSERT_EQ(t.add(), store::Ok) << t.error().text();
  }
  const struct {
    const char* fileRez;
    ResultChoice choice;
    const char* code;
  } cases[] = {
      {"Общий", ResultChoice::Common, "1"},
      {"Сессия 2026", ResultChoice::ByRoom, "7"},
      {"сессия 2026", ResultChoice::ByFaculty, "7"},  // file names ignore letter case
      {"Нет в каталоге", ResultChoice::ByRoom, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fileRez);
    Parameters p = read();
    p.fileRez = c.fileRez;
    p.resultChoice = c.choice;
    Outcome o = writeParameters(inst, p, {}, true);
    ASSERT_TRUE(o) << o.message;
    EXPECT_EQ(settings::IniFile(inst.ini.path()).get("Path", "CodeRez"), c.code);
    EXPECT_EQ(tune().CODEFILEREZ, static_cast<int>(c.choice)) << "the way of choosing stays in the record";
  }
}

TEST_F(ParametersTest, SwitchedToAnEmptyLocalBaseTheSettingsGoThereStartingFromTheOldOnes) {
  const std::string local = tmp / "empty";
  std::filesystem::create_directories(local);
  const tables::GlbTune oldGlb = glb();
  const tables::TuneTest oldTune = tune();
  Parameters p = read();
  p.modeNet = 2;
  p.localDir = local;
  p.organisation = "Лицей № 2";
  p.owner = "Кравцова";
  p.reportTitle = "Зачёт";
  NewPasswords pw;
  pw.examinerUser = "вход";
  Outcome o = writeParameters(inst, p, pw, true);
  ASSERT_TRUE(o) << o.message;
  ASSERT_EQ(inst.base, local + "/");

  // The new base holds the settings: the window's values over the old records.
  const tables::GlbTune g = glb();
  EXPECT_EQ(g.KEYW.str(), oldGlb.KEYW.str()) << "the test files open with the same key word";
  EXPECT_EQ(g.PASSADM.utf8(), made.adminPassword);
  EXPECT_EQ(g.PASSINS.utf8(), made.userPassword);
  EXPECT_EQ(g.ADMINISTRATOR.utf8(), "Кравцова");
  EXPECT_EQ(g.ORG.utf8(), "Лицей № 2");
  const tables::TuneTest t = tune();
  EXPECT_EQ(t.NAMEPROT.utf8(), "Зачёт");
  EXPECT_EQ(t.PASSUSR.utf8(), "вход");
  EXPECT_EQ(t.PASSADM.utf8(), made.adminPassword);
  EXPECT_EQ(t.FONTNAME[0].utf8(), oldTune.FONTNAME[0].utf8());
  EXPECT_EQ(t.MODENET, 2);
  Parameters expected = p;
  expected.localDir = local + "/";
  expectSame(read(), expected);

  // The old base keeps its own.
  setup::Installation old = inst;
  old.base = made.directory;
  const auto og = first<tables::GlbTune>(tables::glbTuneDef(), old.central(tables::files::GlbTune));
  const auto ot = first<tables::TuneTest>(tables::tuneTestDef(), old.central(tables::files::TuneTest));
  EXPECT_EQ(og.ADMINISTRATOR.str(), oldGlb.ADMINISTRATOR.str());
  EXPECT_EQ(og.ORG.str(), oldGlb.ORG.str());
  EXPECT_EQ(ot.NAMEPROT.str(), oldTune.NAMEPROT.str());
  EXPECT_EQ(ot.PASSUSR.str(), oldTune.PASSUSR.str());
  EXPECT_EQ(ot.MODENET, oldTune.MODENET);

  // Started again, the program signs in to the new base with the old passwords.
  setup::Installation started;
  tables::GlbTune signIn;
  messages::Scripted ui;
  ASSERT_TRUE(startUp(made.directory, started, signIn, ui));
  EXPECT_EQ(started.base, local + "/");
  EXPECT_EQ(signIn.PASSADM.utf8(), made.adminPassword);
  setup::Installation before;
  setup::applyKeyWord(before, oldGlb);
  EXPECT_EQ(started.keyWord, before.keyWord);
}

TEST_F(ParametersTest, LibraryDirectorySavedAloneReachesTheRecordAndTheSettingsFile) {
  const Parameters before = read();
  const std::string lib = tmp / "библиотека";
  Outcome o = saveLibraryDir(inst, lib);
  ASSERT_TRUE(o) << o.message;
  EXPECT_EQ(tune().CURBIBL.utf8(), lib + "/");
  EXPECT_EQ(settings::IniFile(inst.ini.path()).get("Path", "DirBD"), lib + "/");
  EXPECT_EQ(inst.libraryDir, lib + "/");
  Parameters expected = before;
  expected.libraryDir = lib + "/";
  expectSame(read(), expected);

  // One the record cannot hold: neither the record nor the file changes.
  const std::string ini = iniText();
  o = saveLibraryDir(inst, "/" + std::string(100, 'd'));
  EXPECT_EQ(o.error, Outcome::Refused);
  EXPECT_NE(o.message.find("Каталог библиотеки"), std::string::npos) << o.message;
  EXPECT_EQ(iniText(), ini);
  EXPECT_EQ(tune().CURBIBL.utf8(), lib + "/");
}

TEST(JournalName, ANameThatCannotBeAFileInStatIsRefused) {
  const struct {
    const char* name;
    const char* reason;  // nullptr: a journal's name
  } cases[] = {
      {"Общий", nullptr},
      {"Сессия 2026", nullptr},
      {"итоги.весна", nullptr},
      {"", "Не указано имя файла результатов"},
      {"   ", "Не указано имя файла результатов"},
      {".", "из одних точек"},
      {"...", "Недопустимое имя файла"},
      {" . ", "из одних точек"},
      {"../Общий", "Недопустимое имя файла"},
      {"Stat\\Общий", "Недопустимое имя файла"},
      {"a:b", "не может содержать знаки"},
      {"итог*", "не может содержать знаки"},
      {"что?", "не может содержать знаки"},
      {"<имя>", "не может содержать знаки"},
      {"a|b", "не может содержать знаки"},
      {"\"кавычки\"", "не может содержать знаки"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto why = common::journalNameRefusal(c.name);
    if (!c.reason) {
      EXPECT_FALSE(why.has_value()) << *why;
      continue;
    }
    ASSERT_TRUE(why.has_value());
    EXPECT_NE(why->find(c.reason), std::string::npos) << *why;
  }
}

TEST_F(ParametersTest, PasswordsAreAnAdministratorsToChange) {
  const Parameters p = read();
  NewPasswords pw;
  pw.userSignIn = "чужой";
  Outcome o = writeParameters(inst, p, pw, false);
  EXPECT_EQ(o.error, Outcome::Refused);
  EXPECT_EQ(glb().PASSINS.utf8(), made.userPassword);

  pw.userSignIn = std::string(21, 'a');
  EXPECT_EQ(writeParameters(inst, p, pw, true).error, Outcome::Refused);
  pw.userSignIn = "pass 王";
  EXPECT_EQ(writeParameters(inst, p, pw, true).error, Outcome::Refused);
  EXPECT_EQ(glb().PASSINS.utf8(), made.userPassword);

  pw.userSignIn = std::string(20, 'a');
  ASSERT_TRUE(writeParameters(inst, p, pw, true));
  EXPECT_EQ(glb().PASSINS.utf8(), std::string(20, 'a'));
}

TEST_F(ParametersTest, LocalModeFindsTheLibrariesBesideItsDatabase) {
  // A copy of the central database on this computer still names the
  // network's library directories.
  const std::string local = tmp / "local";
  std::filesystem::copy(made.directory, local, std::filesystem::copy_options::recursive);
  auto libraryDirs = [&](const std::string& base) {
    std::vector<std::string> out;
    tables::PathFile rec;
    store::Table t(tables::pathFileDef(), rec, base + tables::files::PathFile);
    EXPECT_EQ(t.open(store::Shared), store::Ok) << t.error().text();
    t.set(t.key("KEYCODEBD"));
    while (t.next() == store::Ok) out.push_back(rec.DIRBD.utf8());
    return out;
  };
  ASSERT_FALSE(libraryDirs(local + "/").empty());
  for (const auto& d : libraryDirs(local + "/")) EXPECT_EQ(d.rfind(made.directory, 0), 0u) << d;

  Parameters p = read();
  p.modeNet = 2;
  p.localDir = local;
  Outcome o = writeParameters(inst, p, {}, true);
  ASSERT_TRUE(o) << o.message;
  EXPECT_EQ(inst.modeNet, 2);
  EXPECT_EQ(inst.base, local + "/");
  const settings::IniFile ini(inst.ini.path());
  EXPECT_EQ(ini.get("Path", "LocBD"), local + "/");
  EXPECT_EQ(ini.get("Path", "CentBD"), made.directory) << "the other mode's directory stays";
  for (const auto& d : libraryDirs(local + "/")) EXPECT_EQ(d, local + "/Tema/");
  for (const auto& d : libraryDirs(made.directory)) EXPECT_EQ(d, made.library) << "the network's own stay";

  // Started in local mode on another copy, the program moves its libraries too.
  const std::string other = tmp / "other";
  std::filesystem::copy(made.directory, other, std::filesystem::copy_options::recursive);
  ASSERT_TRUE(inst.ini.set("Path", "LocBD", other + "/"));
  setup::Installation started;
  tables::GlbTune g;
  messages::Scripted ui;
  ASSERT_TRUE(startUp(made.directory, started, g, ui));
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(started.base, other + "/");
  for (const auto& d : libraryDirs(other + "/")) EXPECT_EQ(d, other + "/Tema/");
}

}  // namespace
