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
  EXPECT_EQ(ini.get("Path", "CodeRez"), "2");
  EXPECT_EQ(ini.get("Path", "DirBD"), library + "/");

  // Passwords given went where their users look for them; the rest stayed.
  const tables::GlbTune g = glb();
  EXPECT_EQ(g.PASSADM.utf8(), "секрет");
  EXPECT_EQ(g.PASSINS.utf8(), made.userPassword);
  EXPECT_EQ(g.KEYW.str(), keyWord);
  const tables::TuneTest t = tune();
  EXPECT_EQ(t.PASSUSR.utf8(), "старт");
  EXPECT_EQ(t.PASSADM.utf8(), made.adminPassword);
  EXPECT_EQ(t.FONTNAME[0].utf8(), "DejaVu Sans");
  EXPECT_EQ(t.CODEFILEREZ, 2);

  // Switched off, the examinee's password checks are blank again.
  p.checkPassword = p.changePassword = false;
  ASSERT_TRUE(writeParameters(inst, p, {}, false));
  EXPECT_TRUE(tune().CHECKPASS.blank());
  EXPECT_TRUE(tune().CHANGEPASS.blank());
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
