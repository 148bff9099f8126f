// Rooms, workstations and the test library through the Administrator's
// library: the workstation folder as stored, a room kept while it has
// workstations, and test files carried between bases (the question before
// a replace, the ".emb" companion, the register's DAT:CODEBD).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "cp1251.h"
#include "installation.h"
#include "rooms.h"
#include "test_library.h"
#include "tables_central.h"
#include "test_tables.h"

using namespace administrator;
using testing_tables::TempDir;

namespace {

std::string u(const std::string& s) { return cp1251::fromUtf8(s); }

class Central : public ::testing::Test {
 protected:
  TempDir dir;
  setup::Installation inst;

  void SetUp() override {
    inst.program = setup::Program::Administrator;
    inst.workingDir = dir.path();
    inst.base = dir.path() + "/";
  }

  template <class R>
  void add(const store::TableDef& def, const char* file, R rec) {
    store::Table t(def, rec, inst.central(file));
    ASSERT_EQ(t.createIfMissing(), store::Ok) << t.error().text();
    ASSERT_EQ(t.open(store::Shared), store::Ok) << t.error().text();
    ASSERT_EQ(t.add(), store::Ok) << t.error().text();
  }
  void addRoom(std::uint16_t code, const std::string& name) {
    tables::Labr l;
    l.CODELABR = code;
    l.NAMELABR = u(name);
    add(tables::labrDef(), tables::files::Labr, l);
  }
  void addWorkstation(std::int32_t code, std::uint16_t room, const std::string& pc) {
    tables::Ws w;
    w.CODEWS = code;
    w.CODELABR = room;
    w.NAMEPC = pc;
    w.PATH = "/mnt/" + pc + "/";
    add(tables::wsDef(), tables::files::Ws, w);
  }
};

}  // namespace

TEST(WorkstationFolder, StoredEndingInASlash) {
  const std::pair<const char*, const char*> cases[] = {
      {"/mnt/a30301/varnuke", "/mnt/a30301/varnuke/"},
      {"/mnt/a30301/varnuke/", "/mnt/a30301/varnuke/"},
      {"  /mnt/Класс 101/pc1  ", "/mnt/Класс 101/pc1/"},
      {"/", "/"},
      {"", ""},
      {"   ", ""},
  };
  for (const auto& [typed, stored] : cases) {
    EXPECT_EQ(workstationFolder(typed), stored) << "typed: '" << typed << "'";
    EXPECT_EQ(workstationFolderProblem(typed), "") << "typed: '" << typed << "'";
  }
  // A folder typed the Windows way is not stored: the user is told what is wanted.
  for (const char* windows : {"\\\\a30301\\c\\Varnuke\\", "C:\\Varnuke", "/mnt/a30301\\varnuke"}) {
    const std::string why = workstationFolderProblem(windows);
    EXPECT_NE(why.find("/mnt/a30301/varnuke/"), std::string::npos) << windows << ": " << why;
  }
  // The autostart table lies inside the folder whether or not "/" was typed.
  EXPECT_EQ(autostartFile("/mnt/a30301/varnuke"), "/mnt/a30301/varnuke/AutoStar.tps");
  EXPECT_EQ(autostartFile("/mnt/a30301/varnuke/"), "/mnt/a30301/varnuke/AutoStar.tps");
}

TEST_F(Central, ARoomWithWorkstationsIsKeptAndItsWorkstationsAreItsOwn) {
  addRoom(1, "Класс 101");
  addRoom(2, "Класс 102");
  addRoom(3, "Пустой класс");
  addWorkstation(5, 1, "pc105");
  addWorkstation(2, 1, "pc102");
  addWorkstation(3, 2, "pc203");
  Rooms rooms(inst);

  std::vector<tables::Ws> ws;
  ASSERT_TRUE(rooms.workstationsOf(1, ws));
  ASSERT_EQ(ws.size(), 2u);
  EXPECT_EQ(ws[0].CODEWS, 2) << "in code order";
  EXPECT_EQ(ws[1].CODEWS, 5);
  ASSERT_TRUE(rooms.workstationsOf(3, ws));
  EXPECT_TRUE(ws.empty());

  Outcome kept = rooms.roomDeletable(1);
  EXPECT_EQ(kept.error, Outcome::Refused);
  EXPECT_NE(kept.message.find("2 рабочие станции"), std::string::npos) << kept.message;
  EXPECT_EQ(rooms.roomDeletable(2).error, Outcome::Refused);
  EXPECT_TRUE(rooms.roomDeletable(3));

  ASSERT_TRUE(rooms.removeWorkstationsOf(1));
  EXPECT_TRUE(rooms.roomDeletable(1));
  ASSERT_TRUE(rooms.workstationsOf(2, ws));
  EXPECT_EQ(ws.size(), 1u) << "another room's workstations stay";
}

namespace {

namespace fs = std::filesystem;

void write(const std::string& path, const std::string& text) {
  std::ofstream f(path, std::ios::binary);
  f << text;
}

std::string read(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

// Two bases "A" and "B" of the main library, and the register.
class TestBases : public Central {
 protected:
  tables::PathFile a, b;
  std::string dirA, dirB;

  void SetUp() override {
    Central::SetUp();
    dirA = dir / "A/";
    dirB = dir / "B/";
    fs::create_directories(dirA);
    fs::create_directories(dirB);
    a.CODEBD = 1;
    a.NAMEBD = u("База А");
    a.DIRBD = u(dirA);
    b.CODEBD = 2;
    b.NAMEBD = u("База Б");
    b.DIRBD = dirB.substr(0, dirB.size() - 1);  // stored without the closing "/"
    add(tables::pathFileDef(), tables::files::PathFile, a);
    add(tables::pathFileDef(), tables::files::PathFile, b);
  }
  void registerTest(std::uint16_t code, const std::string& name, std::int32_t base) {
    tables::DataTest d;
    d.CODETEST = code;
    d.NAME = u(name);
    d.CODEBD = base;
    add(tables::dataTestDef(), tables::files::DataTest, d);
  }
  std::map<std::string, std::int32_t> registerBases() {
    std::map<std::string, std::int32_t> out;
    tables::DataTest d;
    store::Table t(tables::dataTestDef(), d, inst.central(tables::files::DataTest));
    EXPECT_EQ(t.open(store::Shared), store::Ok);
    t.set();
    while (t.next() == store::Ok) out[cp1251::toUtf8(cp1251::clip(d.NAME.view()))] = d.CODEBD;
    return out;
  }
};

}  // namespace

TEST_F(TestBases, TheBasesOfEachLibraryAndTheTestsOfAFolder) {
  std::vector<tables::PathFile> bases;
  ASSERT_TRUE(TestLibrary(inst).bases(bases));
  ASSERT_EQ(bases.size(), 2u);
  EXPECT_EQ(bases[0].CODEBD, 1);
  ASSERT_TRUE(TestLibrary(inst, Library::Reserve).bases(bases));
  EXPECT_TRUE(bases.empty()) << "the reserve library is a file of its own";
  EXPECT_TRUE(fs::exists(dir / "PathFile.sec"));

  write(dirA + "Физика.orm", "1");
  write(dirA + "Алгебра.ORM", "2");
  write(dirA + "Физика.emb", "objects");
  write(dirA + "заметки.txt", "");
  fs::create_directories(dirA + "Папка.orm");
  const auto tests = testsIn(dirA);
  ASSERT_EQ(tests.size(), 2u);
  EXPECT_EQ(tests[0].file, "Алгебра.ORM");
  EXPECT_EQ(tests[0].name, "Алгебра");
  EXPECT_EQ(tests[1].name, "Физика");
  EXPECT_GT(tests[1].date, 0);
}

TEST_F(TestBases, ATestOfTheSameNameInTheTargetIsReplacedOnlyWhenAgreed) {
  write(dirA + "Физика.orm", "new test");
  write(dirA + "Физика.emb", "new objects");
  write(dirB + "Физика.orm", "old test");
  write(dirB + "Физика.emb", "old objects");
  registerTest(1, "Физика", 1);
  TestLibrary lib(inst);
  for (Transfer how : {Transfer::Copy, Transfer::Move}) {
    std::vector<std::string> asked;
    Outcome o = lib.transfer("Физика.orm", a, b, how, [&](const std::string& name) {
      asked.push_back(name);
      return false;
    });
    EXPECT_EQ(o.error, Outcome::Refused);
    EXPECT_EQ(asked, std::vector<std::string>{"Физика"});
    // Both tests are kept as they were.
    EXPECT_EQ(read(dirA + "Физика.orm"), "new test");
    EXPECT_EQ(read(dirA + "Физика.emb"), "new objects");
    EXPECT_EQ(read(dirB + "Физика.orm"), "old test");
    EXPECT_EQ(read(dirB + "Физика.emb"), "old objects");
    EXPECT_EQ(registerBases()["Физика"], 1);
  }
  // Without anyone to ask, nothing is replaced either.
  EXPECT_FALSE(lib.transfer("Физика.orm", a, b, Transfer::Copy, nullptr));
  EXPECT_EQ(read(dirB + "Физика.orm"), "old test");

  ASSERT_TRUE(lib.transfer("Физика.orm", a, b, Transfer::Copy, [](const std::string&) { return true; }));
  EXPECT_EQ(read(dirB + "Физика.orm"), "new test");
  EXPECT_EQ(read(dirB + "Физика.emb"), "new objects");
  EXPECT_EQ(read(dirA + "Физика.orm"), "new test") << "a copy leaves the source";
  EXPECT_EQ(registerBases()["Физика"], 1) << "a copy leaves the register";
  for (const auto& e : fs::directory_iterator(dirB)) EXPECT_EQ(e.path().string().find(".copy"), std::string::npos) << e.path();
}

// The files of a folder (plain files and folders), by name.
std::vector<std::string> filesIn(const std::string& dir) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(dir)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

TEST_F(TestBases, ATestOfTheSameNameInAnotherLetterCaseIsTheSameTest) {
  struct Case {
    const char* what;
    std::vector<std::string> twins;  // in B before the drag
  } cases[] = {
      {"test and objects", {"физика.orm", "физика.emb"}},
      {"test only", {"ФИЗИКА.ORM"}},
      {"objects only", {"Физика.EMB"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const auto& e : fs::directory_iterator(dirB)) fs::remove_all(e.path());
    write(dirA + "Физика.orm", "new test");
    write(dirA + "Физика.emb", "new objects");
    for (const std::string& f : c.twins) write(dirB + f, "old " + f);
    TestLibrary lib(inst);
    int asked = 0;
    EXPECT_EQ(lib.transfer("Физика.orm", a, b, Transfer::Copy, [&](const std::string&) { return ++asked, false; }).error,
              Outcome::Refused);
    EXPECT_EQ(asked, 1);
    std::vector<std::string> kept = c.twins;
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(filesIn(dirB), kept) << "refused: the target's test stays as it was";
    for (const std::string& f : c.twins) EXPECT_EQ(read(dirB + f), "old " + f);

    ASSERT_TRUE(lib.transfer("Физика.orm", a, b, Transfer::Copy, [&](const std::string&) { return ++asked, true; }));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(filesIn(dirB), (std::vector<std::string>{"Физика.emb", "Физика.orm"})) << "no case-twin is left beside it";
    EXPECT_EQ(read(dirB + "Физика.orm"), "new test");
    EXPECT_EQ(read(dirB + "Физика.emb"), "new objects");
  }
}

TEST_F(TestBases, AReplaceThatFailsHalfWayBringsThePreviousTestBackWhole) {
  // A folder of the new file's name in the target stops its file from
  // coming in: first the test's, then the objects' (after the test's came in).
  registerTest(1, "Физика", 1);
  for (const char* blocked : {"Физика.orm", "Физика.emb"}) {
    for (Transfer how : {Transfer::Copy, Transfer::Move}) {
      SCOPED_TRACE(std::string(blocked) + (how == Transfer::Move ? " move" : " copy"));
      for (const auto& e : fs::directory_iterator(dirB)) fs::remove_all(e.path());
      write(dirA + "Физика.orm", "new test");
      write(dirA + "Физика.emb", "new objects");
      write(dirB + "физика.orm", "old test");
      write(dirB + "физика.emb", "old objects");
      fs::create_directories(dirB + blocked);
      Outcome o = TestLibrary(inst).transfer("Физика.orm", a, b, how, [](const std::string&) { return true; });
      EXPECT_FALSE(o);
      EXPECT_NE(o.message.find("прежний тест оставлен как был"), std::string::npos) << o.message;
      EXPECT_EQ(filesIn(dirB), (std::vector<std::string>{blocked, "физика.emb", "физика.orm"}));
      EXPECT_EQ(read(dirB + "физика.orm"), "old test");
      EXPECT_EQ(read(dirB + "физика.emb"), "old objects") << "the old test keeps its own objects";
      EXPECT_EQ(read(dirA + "Физика.orm"), "new test");
      EXPECT_EQ(read(dirA + "Физика.emb"), "new objects");
      EXPECT_EQ(registerBases()["Физика"], 1);
    }
  }
}

TEST_F(TestBases, AMoveCarriesTheObjectsAndTheRegisterFollowsThenTheSourceGoes) {
  write(dirA + "Химия.orm", "test");
  write(dirA + "Химия.emb", "objects");
  write(dirA + "Биология.orm", "test 2");
  registerTest(1, "Химия", 1);
  registerTest(2, "Биология", 1);
  TestLibrary lib(inst);
  ASSERT_TRUE(lib.transfer("Химия.orm", a, b, Transfer::Move, nullptr));
  EXPECT_EQ(read(dirB + "Химия.orm"), "test");
  EXPECT_EQ(read(dirB + "Химия.emb"), "objects");
  EXPECT_FALSE(fs::exists(dirA + "Химия.orm"));
  EXPECT_FALSE(fs::exists(dirA + "Химия.emb"));
  auto reg = registerBases();
  EXPECT_EQ(reg["Химия"], 2);
  EXPECT_EQ(reg["Биология"], 1) << "another test keeps its base";

  // A test without objects replacing one with them leaves no stray objects behind.
  write(dirA + "Химия.orm", "test 3");
  ASSERT_TRUE(lib.transfer("Химия.orm", a, b, Transfer::Move, [](const std::string&) { return true; }));
  EXPECT_EQ(read(dirB + "Химия.orm"), "test 3");
  EXPECT_FALSE(fs::exists(dirB + "Химия.emb"));

  // Onto its own base: refused, nothing touched.
  EXPECT_EQ(lib.transfer("Биология.orm", a, a, Transfer::Move, nullptr).error, Outcome::Refused);
  EXPECT_TRUE(fs::exists(dirA + "Биология.orm"));
}

TEST_F(TestBases, AFailedCopyLeavesTheSourceAndTheRegister) {
  write(dirA + "Химия.orm", "test");
  write(dirA + "Химия.emb", "objects");
  registerTest(1, "Химия", 1);
  tables::PathFile gone = b;
  gone.DIRBD = u(dir / "нет такой папки");
  Outcome o = TestLibrary(inst).transfer("Химия.orm", a, gone, Transfer::Move, nullptr);
  EXPECT_FALSE(o);
  EXPECT_NE(o.message.find("не найдена"), std::string::npos) << o.message;
  EXPECT_TRUE(fs::exists(dirA + "Химия.orm"));
  EXPECT_TRUE(fs::exists(dirA + "Химия.emb"));
  EXPECT_EQ(registerBases()["Химия"], 1);
  EXPECT_FALSE(TestLibrary(inst).transfer("../Химия.orm", a, b, Transfer::Copy, nullptr)) << "a name leaving its folder";
}

TEST_F(TestBases, TheBaseRedefinedIsTheOneTheProgramUsesNowAndAtItsNextStart) {
  struct Case {
    int modeNet;
    const char* key;  // where it is stored
  } cases[] = {{1, "CentBD"}, {2, "LocBD"}, {0, "CentBD"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.modeNet);
    const std::string work = dir / ("work" + std::to_string(c.modeNet));
    fs::create_directories(work);
    setup::Installation in = inst;
    in.workingDir = work;
    in.ini = settings::IniFile(work + "/Varnuke.ini");
    ASSERT_TRUE(in.ini.setInt("GlbTune", "ModeNet", c.modeNet));
    ASSERT_TRUE(in.ini.set("Path", "CentBD", inst.base));
    ASSERT_TRUE(in.ini.set("Path", "LocBD", inst.base));
    in.modeNet = c.modeNet;
    const std::string fresh = dir / ("база" + std::to_string(c.modeNet));
    // A library of the new base that points elsewhere: a local base takes it under itself.
    {
      fs::create_directories(fresh);
      tables::PathFile lib;
      lib.CODEBD = 1;
      lib.DIRBD = u("/где-то/Тесты/");
      store::Table t(tables::pathFileDef(), lib, fresh + "/" + tables::files::PathFile);
      ASSERT_EQ(t.createIfMissing(), store::Ok);
      ASSERT_EQ(t.open(store::Shared), store::Ok);
      ASSERT_EQ(t.add(), store::Ok);
    }
    ASSERT_TRUE(redefineCentralBase(in, fresh));
    EXPECT_EQ(in.base, fresh + "/");
    EXPECT_EQ(in.ini.get("Path", c.key), fresh + "/");
    const setup::Installation next = setup::resolve(setup::Program::Administrator, work);
    EXPECT_EQ(next.base, in.base) << "the next start works with the same base";
    EXPECT_EQ(next.modeNet, in.modeNet);
    std::vector<tables::PathFile> bases;
    ASSERT_TRUE(TestLibrary(in).bases(bases));
    ASSERT_EQ(bases.size(), 1u);
    EXPECT_EQ(cp1251::toUtf8(cp1251::clip(bases[0].DIRBD.view())), c.modeNet == 2 ? fresh + "/Тесты/" : "/где-то/Тесты/");
  }
}

TEST_F(TestBases, TheCentralBaseRedefinedWithItsSubFolders) {
  inst.ini = settings::IniFile(dir / "Varnuke.ini");
  inst.modeNet = 1;
  const std::string base = dir / "новая/база/данных";
  ASSERT_TRUE(makeBaseFolders(base));
  EXPECT_TRUE(fs::is_directory(base + "/Stat"));
  EXPECT_TRUE(fs::is_directory(base + "/Test"));
  ASSERT_TRUE(redefineCentralBase(inst, base));
  EXPECT_EQ(inst.ini.get("Path", "CentBD"), base + "/");
  EXPECT_EQ(inst.base, base + "/");
  EXPECT_EQ(inst.central(tables::files::PathFile), base + "/PathFile.tps");
  // A drive alone is not a folder to make.
  EXPECT_TRUE(makeBaseFolders("C:"));
  EXPECT_FALSE(fs::exists("C:"));
  // A folder that cannot be made is reported.
  write(dir / "файл", "");
  EXPECT_FALSE(makeBaseFolders(dir / "файл/база"));
}
