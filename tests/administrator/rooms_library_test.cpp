// Rooms, workstations and the test library through the Administrator's
// library: the workstation folder as stored, a room kept while it has
// workstations, and test files carried between bases (the question before
// a replace, the ".emb" companion, the register's DAT:CODEBD).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cp1251.h"
#include "installation.h"
#include "rooms.h"
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
  for (const auto& [typed, stored] : cases) EXPECT_EQ(workstationFolder(typed), stored) << "typed: '" << typed << "'";
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
