// Settings files: case-insensitive sections and keys, defaults, writes that
// keep every other line, the workstation's name.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "cp1251.h"
#include "settings_file.h"
#include "test_tables.h"

using testing_tables::TempDir;

namespace {

std::string readAll(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(IniFile, ReadsWithoutRegardToCaseAndGivesDefaults) {
  TempDir dir;
  std::string f = dir / "Varnuke.ini";
  {
    std::ofstream out(f);
    out << "; comment\r\n[GlbTune]\r\nModeNet = 2 \r\nClass=Нет\r\n\r\n[PATH]\r\nCentBD=/srv/base/\r\nFileRez=Группа 101\r\n";
  }
  settings::IniFile ini(f);
  EXPECT_EQ(ini.getInt("glbtune", "MODENET", 1), 2);
  EXPECT_EQ(ini.getInt("GlbTune", "Class", 5), 0);   // "Нет" reads as 0
  EXPECT_EQ(ini.getInt("GlbTune", "NumPC", 1), 1);    // absent: the default
  EXPECT_EQ(ini.get("Path", "centbd"), "/srv/base/");
  EXPECT_EQ(ini.get("Path", "FileRez"), "Группа 101");
  EXPECT_EQ(ini.getCp1251("Path", "FileRez"), cp1251::fromUtf8("Группа 101"));
  EXPECT_FALSE(ini.find("Path", "DirBD"));
  EXPECT_EQ(settings::IniFile(dir / "missing.ini").get("Path", "CentBD", "x"), "x");
}

TEST(IniFile, WritingAKeyKeepsEveryOtherLine) {
  TempDir dir;
  std::string f = dir / "Varnuke.ini";
  {
    std::ofstream out(f);
    out << "; keep me\n[GlbTune]\nModeNet=1\nModeWork=7\n[Path]\nCentBD=/a/\n[Vid]\nPultVid=1\n";
  }
  settings::IniFile ini(f);
  ASSERT_TRUE(ini.set("glbtune", "MODEWORK", "0"));           // an existing key in another letter case
  ASSERT_TRUE(ini.setCp1251("Path", "FileRez", cp1251::fromUtf8("Общий")));  // a new key in a section
  ASSERT_TRUE(ini.set("Reg", "NamePC", "PC101-01"));        // a new section
  EXPECT_EQ(readAll(f),
            "; keep me\n[GlbTune]\nModeNet=1\nModeWork=0\n[Path]\nCentBD=/a/\nFileRez=Общий\n[Vid]\nPultVid=1\n"
            "[Reg]\nNamePC=PC101-01\n");
  EXPECT_EQ(ini.get("GlbTune", "ModeWork"), "0");
  EXPECT_EQ(ini.get("Path", "FileRez"), "Общий");
  // A long path is kept whole.
  std::string longPath = "/" + std::string(300, 'd') + "/";
  ASSERT_TRUE(ini.set("Path", "CentBD", longPath));
  EXPECT_EQ(ini.get("Path", "CentBD"), longPath);
  // A file that cannot be written reports it and stays as it was.
  settings::IniFile nowhere(dir / "no/such/dir/Varnuke.ini");
  EXPECT_FALSE(nowhere.set("Path", "CentBD", "/x/"));
}

TEST(Workstation, MachineFileFirstThenUserFileThenTheNetworkName) {
  TempDir dir;
  std::string machine = dir / "machine.ini", user = dir / "user.ini";
  // Both blank: the computer's name, stored in the user's file.
  std::string name = settings::workstationName(machine, user);
  EXPECT_FALSE(name.empty());
  EXPECT_EQ(settings::IniFile(user).get("Reg", "NamePC"), name);
  // The user's file is used from then on; the machine's file wins over it.
  settings::IniFile(user).set("Reg", "NamePC", "USER-PC");
  EXPECT_EQ(settings::workstationName(machine, user), "USER-PC");
  settings::IniFile(machine).set("Reg", "NamePC", "Класс-101-Место-01-длинное-имя");
  EXPECT_EQ(settings::workstationName(machine, user), "Класс-101-Место-01-д");  // 20 characters
}

}  // namespace
