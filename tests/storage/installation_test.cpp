// Start-up paths of the three programs, the choice of the result file, the
// local-mode library rewrite and file names made from record text.
#include <gtest/gtest.h>

#include <fstream>

#include "cp1251.h"
#include "installation.h"
#include "test_tables.h"

using namespace store;
using setup::Program;
using testing_tables::TempDir;

namespace {

void writeIni(const std::string& dir, const std::string& text) { std::ofstream(dir + "/Varnuke.ini") << text; }

TEST(StartupPaths, TableOfCases) {
  struct Case {
    Program program;
    std::string ini;
    std::string base;     // expected
    std::string student;  // expected name of Student.tps; "@" stands for the working directory
    std::string result;   // expected result file
  } cases[] = {
      // ModeNet absent: the Examiner works in network mode, the others on an empty base.
      {Program::Examiner, "[Path]\nCentBD=/c/\nLocBD=/l/\nFileRez=Общий\n", "/c/", "/c/Student.tps", "/c/Stat/Общий.rez"},
      {Program::Administrator, "[Path]\nCentBD=/c/\nFileRez=A\n", "", "@/Student.tps", "@/Stat/A.rez"},
      {Program::Constructor, "[Path]\nCentBD=/c/\n", "", "@/Student.tps", "@/Stat/.rez"},
      {Program::Constructor, "[GlbTune]\nModeNet=2\n[Path]\nCentBD=/c/\nLocBD=/l/\n", "/l/", "/l/Student.tps", "/l/Stat/.rez"},
      {Program::Administrator, "[GlbTune]\nModeNet=1\n[Path]\nCentBD=/c/   \nFileRez=B\n", "/c/", "/c/Student.tps", "/c/Stat/B.rez"},
      // A base without its trailing separator is joined as stored.
      {Program::Examiner, "[GlbTune]\nModeNet=1\n[Path]\nCentBD=/base\n", "/base", "/baseStudent.tps", "/baseStat/.rez"},
      // Any other ModeNet: the working directory.
      {Program::Examiner, "[GlbTune]\nModeNet=3\n[Path]\nCentBD=/c/\n", "", "@/Student.tps", "@/Stat/.rez"},
      {Program::Examiner, "[glbtune]\nmodenet=2\n[PATH]\nLOCBD=/loc/\n", "/loc/", "/loc/Student.tps", "/loc/Stat/.rez"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    writeIni(dir.path(), c.ini);
    auto inst = setup::resolve(c.program, dir.path());
    auto at = [&](std::string s) {
      if (!s.empty() && s[0] == '@') s = dir.path() + s.substr(1);
      return s;
    };
    EXPECT_EQ(inst.base, c.base) << c.ini;
    EXPECT_EQ(inst.central(tables::files::Student), at(c.student)) << c.ini;
    EXPECT_EQ(inst.resultFile(), at(c.result)) << c.ini;
    EXPECT_EQ(inst.rezTest(), at(c.result) + "\\!RezTest");
  }
}

TEST(StartupPaths, TablesOutsideTheBaseAndTestFiles) {
  TempDir dir;
  writeIni(dir.path(), "[GlbTune]\nModeNet=1\nModeWork=9\n[Path]\nCentBD=/c/\nDirBD=/lib/\n");
  auto ex = setup::resolve(Program::Examiner, dir.path());
  EXPECT_EQ(ex.modeWork, 9);
  EXPECT_EQ(ex.central(tables::files::Writer), dir / "WRITER");  // a name without a directory
  EXPECT_EQ(ex.central(tables::files::AutoStar), dir / "AutoStar.tps");  // the Examiner's own
  EXPECT_EQ(ex.work("OtTestW.ott"), dir / "OtTestW.ott");
  EXPECT_EQ(ex.testTable("Арифметика", "Vop"), "/lib/Арифметика.orm\\!Vop");
  auto admin = setup::resolve(Program::Administrator, dir.path());
  EXPECT_EQ(admin.central(tables::files::AutoStar), "/c/AutoStar.tps");

  tables::GlbTune g;
  g.KEYW = "key";
  setup::applyKeyWord(ex, g);
  EXPECT_EQ(ex.keyWord, cp1251::pad("key", 20));  // the whole field, blanks included
}

TEST(StartupPaths, NetworkChoiceOfTheResultFile) {
  TempDir dir;
  tables::Labr room;
  Table labr(tables::labrDef(), room, dir / "Labr.tps");
  ASSERT_EQ(labr.create(), Ok);
  ASSERT_EQ(labr.open(), Ok);
  room.CODELABR = 1;
  room.NUMROOM = 101;
  room.CURREZ = cp1251::fromUtf8("Класс 101");
  ASSERT_EQ(labr.add(), Ok);

  struct Case {
    int codeFileRez;
    int modeNet, modeWork;
    bool presetTest;
    std::string expected;
  } cases[] = {
      {1, 1, 0, false, "Общий"},    // the common file
      {1, 1, 0, true, "Старый"},    // the autostart record presets a test: unchanged
      {2, 1, 0, false, "Класс 101"},  // the room's file
      {1, 1, 7, false, "Старый"},   // error viewing keeps its caller's journal
      {2, 1, 9, false, "Старый"},   // so does trial testing
      {1, 2, 0, false, "Старый"},   // local mode: no choice
      {3, 1, 0, false, "Старый"},   // by faculty: chosen when the test starts
  };
  for (const auto& c : cases) {
    writeIni(dir.path(), "[GlbTune]\nModeNet=" + std::to_string(c.modeNet) + "\nClass=101\nModeWork=" +
                             std::to_string(c.modeWork) + "\n[Path]\nCentBD=/c/\nLocBD=/l/\nFileRez=Старый\n");
    auto inst = setup::resolve(Program::Examiner, dir.path());
    tables::TuneTest tune;
    tune.CODEFILEREZ = static_cast<std::uint16_t>(c.codeFileRez);
    tune.CURREZ = cp1251::fromUtf8("Общий");
    ASSERT_EQ(setup::chooseResultFile(inst, tune, c.presetTest, labr, room), Ok);
    EXPECT_EQ(inst.fileRez, c.expected) << c.codeFileRez << " " << c.modeWork;
    EXPECT_EQ(inst.ini.get("Path", "FileRez"), c.expected);
    if (c.expected == "Общий") {
      EXPECT_EQ(inst.ini.get("Path", "CodeRez"), "1");
    }
  }
}

TEST(StartupPaths, LocalModeMovesLibrariesUnderTheLocalBase) {
  EXPECT_EQ(setup::localLibraryDir("/srv/net/Tema/", "/home/loc/"), "/home/loc/Tema/");
  EXPECT_EQ(setup::localLibraryDir("/srv/net/Tema", "/home/loc/"), "/home/loc/Tema");
  EXPECT_EQ(setup::localLibraryDir("Tema/", "/home/loc/"), "/home/loc/Tema/");

  TempDir dir;
  writeIni(dir.path(), "[GlbTune]\nModeNet=2\n[Path]\nLocBD=/home/loc/\n");
  auto inst = setup::resolve(Program::Administrator, dir.path());
  tables::PathFile rec;
  Table pf(tables::pathFileDef(), rec, dir / "PathFile.tps");
  ASSERT_EQ(pf.create(), Ok);
  ASSERT_EQ(pf.open(), Ok);
  const char* dirs[] = {"/srv/net/Tema/", "/srv/net/Физика/"};
  for (int i = 0; i < 2; ++i) {
    rec.CODEBD = i + 1;
    rec.DIRBD = cp1251::fromUtf8(dirs[i]);
    ASSERT_EQ(pf.add(), Ok);
  }
  ASSERT_EQ(setup::rewriteLibrariesForLocal(inst, pf, rec), Ok);
  ASSERT_EQ(pf.set(pf.key("KEYCODEBD")), Ok);
  ASSERT_EQ(pf.next(), Ok);
  EXPECT_EQ(rec.DIRBD.utf8(), "/home/loc/Tema/");
  ASSERT_EQ(pf.next(), Ok);
  EXPECT_EQ(rec.DIRBD.utf8(), "/home/loc/Физика/");
}

TEST(FileNamesFromRecords, StayInsideTheirFolder) {
  struct Case {
    const char* name;
    bool ok;
  } cases[] = {
      {"Физико-математический факультет", true}, {"Группа 101", true}, {"", true}, {"a.b", true},
      {"../Общий", false}, {"..", false}, {"Stat/Общий", false}, {"/etc/passwd", false}, {"a\\!RezTest", false},
      {"a\tb", false}, {"a\nb", false},
  };
  for (const auto& c : cases) {
    std::string why;
    EXPECT_EQ(setup::safeFileName(c.name, &why), c.ok) << c.name;
    if (!c.ok) {
      EXPECT_NE(why.find("Недопустимое имя файла"), std::string::npos);
    }
  }
}

}  // namespace
