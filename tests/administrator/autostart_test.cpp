// Autostart and monitoring through the Administrator's library: the
// AutoStar record written into workstations' folders as the Examiner reads
// it (one test runs the Examiner's own start-up in an armed folder), the
// selection's limit, unreachable folders, disarming; the monitoring lights,
// counters and stale stations, and a station cleared by "Сброс" coming back.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

// Both programs have headers of these names: each is named by its folder.
#include "../../administrator/autostart.h"
#include "../../administrator/monitoring.h"
#include "../../examiner/monitoring.h"
#include "../../examiner/startup.h"
#include "../../examiner/test_choice.h"
#include "cp1251.h"
#include "datetime.h"
#include "demo_data.h"
#include "installation.h"
#include "messages.h"
#include "tables_central.h"
#include "test_file.h"
#include "test_tables.h"

using namespace administrator;
using testing_tables::TempDir;

namespace {

std::string u(const std::string& s) { return cp1251::fromUtf8(s); }

class Stations : public ::testing::Test {
 protected:
  TempDir dir;
  setup::Installation inst;

  void SetUp() override {
    inst.program = setup::Program::Administrator;
    inst.workingDir = dir.path();
    inst.base = dir.path() + "/";
  }
  // A workstation whose Examiner folder is `folder` (made when `reachable`).
  tables::Ws station(std::int32_t code, std::uint16_t room, const std::string& pc, bool reachable = true) {
    const std::string folder = dir / ("ws-" + pc) + "/";
    if (reachable) std::filesystem::create_directories(folder);
    tables::Ws w;
    w.CODEWS = code;
    w.CODELABR = room;
    w.NAMEPC = pc;
    w.PATH = u(folder);
    store::Table t(tables::wsDef(), w, inst.central(tables::files::Ws));
    EXPECT_EQ(t.createIfMissing(), store::Ok);
    EXPECT_EQ(t.open(store::Shared), store::Ok);
    EXPECT_EQ(t.add(), store::Ok) << t.error().text();
    return w;
  }
  std::string folderOf(const std::string& pc) { return dir / ("ws-" + pc) + "/"; }
  // The one AutoStar record of a folder; false when there is none.
  bool autostar(const std::string& folder, tables::AutoStar& out, std::int64_t* records = nullptr) {
    store::Table t(tables::autoStarDef(), out, folder + "AutoStar.tps");
    if (t.open(store::Shared) != store::Ok) return false;
    if (records) *records = t.records();
    return t.set() == store::Ok && t.next() == store::Ok;
  }
};

TEST_F(Stations, ArmingWritesWhatIsGivenAndRefusesWhatDoesNotFit) {
  AutostartSelection sel;
  sel.append({station(1, 1, "a30301"), station(2, 1, "a30302")});
  // a30302 already holds an armed record with another test and journal.
  {
    tables::AutoStar a;
    store::Table t(tables::autoStarDef(), a, folderOf("a30302") + "AutoStar.tps");
    ASSERT_EQ(t.create(), store::Ok);
    ASSERT_EQ(t.open(store::Shared), store::Ok);
    a.AUTOSTART = 1;
    a.YESREZ = 7;  // not ours: carried unchanged
    a.CURTEST = u("Старый");
    a.CURREZ = u("Старый журнал");
    ASSERT_EQ(t.add(), store::Ok);
  }
  Autostart as(inst);
  AutostartReport report;
  AutostartOrder order{"География", "/srv/Тесты", "Класс 101", false};  // the box unticked
  ASSERT_TRUE(as.arm(order, sel, report));
  EXPECT_EQ(report.done, (std::vector<std::string>{"a30301", "a30302"}));
  EXPECT_TRUE(report.failed.empty());
  for (const char* pc : {"a30301", "a30302"}) {
    SCOPED_TRACE(pc);
    tables::AutoStar a;
    std::int64_t n = 0;
    ASSERT_TRUE(autostar(folderOf(pc), a, &n));  // made where it was missing
    EXPECT_EQ(n, 1);
    EXPECT_EQ(a.CURTEST, u("География"));
    EXPECT_EQ(a.CURBT, u("/srv/Тесты/"));  // the Examiner appends the test's name
    EXPECT_EQ(a.CURREZ, u("Класс 101"));
    EXPECT_EQ(a.YESTEST, 1);
  }
  tables::AutoStar a;
  ASSERT_TRUE(autostar(folderOf("a30301"), a));
  EXPECT_EQ(a.AUTOSTART, 0);  // unticked: as it was
  ASSERT_TRUE(autostar(folderOf("a30302"), a));
  EXPECT_EQ(a.AUTOSTART, 1);
  EXPECT_EQ(a.YESREZ, 7);

  // Ticked with only a journal: armed, the stored test and base stay but
  // the test is no longer preset.
  ASSERT_TRUE(as.arm({"", "", "Другой", true}, sel, report));
  ASSERT_TRUE(autostar(folderOf("a30301"), a));
  EXPECT_EQ(a.AUTOSTART, 1);
  EXPECT_EQ(a.CURTEST, u("География"));
  EXPECT_EQ(a.CURBT, u("/srv/Тесты/"));
  EXPECT_EQ(a.CURREZ, u("Другой"));
  EXPECT_EQ(a.YESTEST, 0);

  // Refused before any workstation is touched: never cut, never outside its folder.
  struct Bad {
    const char* what;
    AutostartOrder order;
    const char* says;
  };
  const std::string longName(101, 'x');
  for (const Bad& b : {Bad{"a test name of 101 characters", {longName, "", "", true}, "101"},
                       Bad{"a folder of 101 characters", {"", "/" + std::string(99, 'd'), "", true}, "101"},
                       Bad{"a journal of 101 characters", {"", "", longName, true}, "101"},
                       Bad{"a journal name with \"..\"", {"", "", "x..y", true}, "\"..\""},
                       Bad{"a test in another folder", {"a/b", "", "", true}, "\"/\""},
                       Bad{"a character the code page lacks", {"Тест ☺", "", "", true}, "☺"}}) {
    SCOPED_TRACE(b.what);
    Outcome o = as.arm(b.order, sel, report);
    EXPECT_FALSE(o);
    EXPECT_NE(o.message.find(b.says), std::string::npos) << o.message;
    EXPECT_TRUE(report.done.empty());
    ASSERT_TRUE(autostar(folderOf("a30301"), a));
    EXPECT_EQ(a.CURTEST, u("География"));
    EXPECT_EQ(a.CURREZ, u("Другой"));
  }
  // Exactly 100 characters fit.
  ASSERT_TRUE(as.arm({std::string(100, 't'), "", "", false}, sel, report));
  ASSERT_TRUE(autostar(folderOf("a30301"), a));
  EXPECT_EQ(a.CURTEST.view().size(), 100u);
}

TEST(AutostartOrderCheck, TheBaseFolderEndsInOneSeparator) {
  struct Case {
    const char* typed;
    const char* written;
  };
  for (const Case& c : {Case{"", ""},
                        Case{"/srv/Тесты", "/srv/Тесты/"},
                        Case{"/srv/Тесты/", "/srv/Тесты/"},
                        Case{"/srv/Тесты  ", "/srv/Тесты/"},
                        Case{"\\\\a30301\\Тесты\\", "\\\\a30301\\Тесты\\"},
                        Case{"C:\\Тесты", "C:\\Тесты/"}}) {
    SCOPED_TRACE(c.typed);
    AutostartValues v;
    ASSERT_TRUE(checkOrder({"", c.typed, "", true}, v));
    EXPECT_EQ(v.folder, u(c.written));
  }
}

TEST_F(Stations, AnEmptyTableGetsItsOneRecord) {
  AutostartSelection sel;
  sel.append({station(1, 1, "pc1")});
  {
    tables::AutoStar a;
    store::Table t(tables::autoStarDef(), a, folderOf("pc1") + "AutoStar.tps");
    ASSERT_EQ(t.create(), store::Ok);
  }
  AutostartReport report;
  ASSERT_TRUE(Autostart(inst).arm({"Тест", "", "", true}, sel, report));
  tables::AutoStar a;
  std::int64_t n = 0;
  ASSERT_TRUE(autostar(folderOf("pc1"), a, &n));
  EXPECT_EQ(n, 1);
  EXPECT_EQ(a.AUTOSTART, 1);
  EXPECT_EQ(a.CURTEST, u("Тест"));
}

TEST_F(Stations, AnUnreachableFolderIsNamedAndTheOthersAreArmed) {
  AutostartSelection sel;
  sel.append({station(1, 1, "pc1"), station(2, 1, "off", false), station(3, 2, "pc3")});
  // A workstation deleted from the list after it was chosen.
  tables::Ws gone;
  gone.CODEWS = 9;
  gone.CODELABR = 2;
  sel.append({gone});
  AutostartReport report;
  ASSERT_TRUE(Autostart(inst).arm({"Тест", "", "", true}, sel, report));
  EXPECT_EQ(report.done, (std::vector<std::string>{"pc1", "pc3"}));
  ASSERT_EQ(report.failed.size(), 2u);
  EXPECT_EQ(report.failed[0].station, "off");
  EXPECT_NE(report.failed[0].why.find("недоступна"), std::string::npos);
  EXPECT_EQ(report.failed[1].station, "№ 9");
  EXPECT_FALSE(std::filesystem::exists(folderOf("off")));  // nothing made there
  tables::AutoStar a;
  ASSERT_TRUE(autostar(folderOf("pc3"), a));
  EXPECT_EQ(a.AUTOSTART, 1);
}

TEST_F(Stations, AtMostAHundredInTheOrderChosen) {
  std::vector<tables::Ws> many;
  for (int i = 1; i <= 101; ++i) {
    tables::Ws w;
    w.CODEWS = i;
    w.CODELABR = static_cast<std::uint16_t>(i % 3);
    many.push_back(w);
  }
  AutostartSelection sel;
  std::vector<tables::Ws> first{many[4], many[2]};
  EXPECT_EQ(sel.append(first), 0u);
  EXPECT_EQ(sel.rooms(), 2u);  // codes 5 and 3: rooms 2 and 0
  EXPECT_EQ(sel.append(many), 1u);  // 5 and 3 are not chosen twice; 101 has no room left
  ASSERT_EQ(sel.count(), 100u);
  EXPECT_EQ(sel.stations()[0].code, 5);
  EXPECT_EQ(sel.stations()[1].code, 3);
  EXPECT_EQ(sel.stations()[2].code, 1);
  EXPECT_EQ(sel.stations().back().code, 100);
  EXPECT_EQ(sel.rooms(), 3u);
}

TEST_F(Stations, DisarmingLeavesTheRestAndMakesNothing) {
  AutostartSelection sel;
  sel.append({station(1, 1, "pc1"), station(2, 1, "pc2")});
  Autostart as(inst);
  AutostartReport report;
  AutostartSelection one;
  one.append({station(3, 1, "pc3")});
  ASSERT_TRUE(as.arm({"Тест", "/t/", "Журнал", true}, one, report));
  one.append({tables::Ws{1, 1, {}, {}}, tables::Ws{2, 1, {}, {}}});
  ASSERT_TRUE(as.disarm(one, report));
  EXPECT_EQ(report.done, (std::vector<std::string>{"pc3", "pc1", "pc2"}));
  tables::AutoStar a;
  ASSERT_TRUE(autostar(folderOf("pc3"), a));
  EXPECT_EQ(a.AUTOSTART, 0);
  EXPECT_EQ(a.YESTEST, 0);
  EXPECT_EQ(a.CURTEST, u("Тест"));  // kept for a later arming
  EXPECT_FALSE(std::filesystem::exists(folderOf("pc1") + "AutoStar.tps"));
}

// Across both programs: a folder armed here starts the Examiner in mode 10
// with the test, its base and the journal.
TEST(AutostartEndToEnd, TheExaminerStartsArmedWithTheTest) {
  TempDir tmp;
  demo::Installation d;
  ASSERT_EQ(demo::make(tmp / "demo", d), "");
  setup::Installation admin = setup::resolve(setup::Program::Administrator, d.directory);
  // The demo's workstation: the Examiner works in the installation's folder.
  tables::Ws ws;
  ws.CODEWS = 900;
  ws.CODELABR = 1;
  ws.NAMEPC = "e2e";
  ws.PATH = u(d.directory);
  {
    store::Table t(tables::wsDef(), ws, admin.central(tables::files::Ws));
    ASSERT_EQ(t.open(store::Shared), store::Ok);
    ASSERT_EQ(t.add(), store::Ok);
  }
  AutostartSelection sel;
  sel.append({ws});
  AutostartReport report;
  std::string folder = d.library;
  if (!folder.empty() && folder.back() == '/') folder.pop_back();  // as a user may type it
  ASSERT_TRUE(Autostart(admin).arm({"География", folder, "Класс 101", true}, sel, report));
  ASSERT_EQ(report.done.size(), 1u);

  messages::Scripted ui;
  examiner::Startup s;
  ASSERT_TRUE(examiner::startUp(s, d.directory, ui));
  EXPECT_EQ(s.inst.modeWork, 10);
  EXPECT_TRUE(s.autostart.armed);
  EXPECT_TRUE(s.autostart.presetsTest);
  EXPECT_EQ(s.inst.libraryDir, d.library);
  EXPECT_EQ(s.inst.fileRez, "Класс 101");
  // The start page locates and opens the preset test exactly so.
  examiner::TestLocation where = examiner::locateTest(s.inst.ini.get("GlbTune", "SelTest"), s.inst.libraryDir);
  testfile::TestFile tf;
  tf.name(where.dir, where.base, s.inst.keyWord);
  ASSERT_EQ(tf.open(), store::Ok);
  EXPECT_EQ(tf.tema.NAME.utf8().find("Географ"), 0u);

  // Disarmed, the next start is normal.
  examiner::closeDown(s.inst);
  ASSERT_TRUE(Autostart(admin).disarm(sel, report));
  examiner::Startup after;
  ASSERT_TRUE(examiner::startUp(after, d.directory, ui));
  EXPECT_EQ(after.inst.modeWork, 0);
  EXPECT_FALSE(after.autostart.armed);

  // Armed again with only a journal: mode 10, but the test kept in the
  // record from the first arming is not preset; the examinee chooses.
  examiner::closeDown(after.inst);
  after.inst.ini.set("GlbTune", "SelTest", "Арифметика");
  ASSERT_TRUE(Autostart(admin).arm({"", "", "Класс 102", true}, sel, report));
  ASSERT_EQ(report.done.size(), 1u);
  examiner::Startup chooses;
  ASSERT_TRUE(examiner::startUp(chooses, d.directory, ui));
  EXPECT_EQ(chooses.inst.modeWork, 10);
  EXPECT_TRUE(chooses.autostart.armed);
  EXPECT_FALSE(chooses.autostart.presetsTest);
  EXPECT_EQ(chooses.inst.ini.get("GlbTune", "SelTest"), "Арифметика");
  EXPECT_EQ(chooses.inst.fileRez, "Класс 102");
}

// ------------------------------------------------------------------ monitoring

class Monitoring : public Stations {
 protected:
  std::string file() { return inst.central(tables::files::MonCons); }
};

TEST_F(Monitoring, OrdersFollowTheStartNotTheReusedEntryNumber) {
  examiner::Monitor a(file()), b(file()), c(file());
  ASSERT_EQ(a.add("PC-A"), store::Ok);
  ASSERT_EQ(b.add("PC-B"), store::Ok);
  ASSERT_EQ(a.begin(u("Яковлев"), 300, u("Т"), 10), store::Ok);
  ASSERT_EQ(b.begin(u("Антонов"), 200, u("Т"), 10), store::Ok);
  ASSERT_EQ(a.remove(), store::Ok);
  ASSERT_EQ(c.add("PC-C"), store::Ok);  // entry number 3: count + 1 is B's
  ASSERT_EQ(c.begin(u("Борисов"), 100, u("Т"), 10), store::Ok);
  ASSERT_EQ(b.answered(3, 2, 5, 3, false), store::Ok);
  ASSERT_EQ(c.answered(1, 2, 1, 1, true), store::Ok);

  MonitorTable t(inst);
  std::vector<MonitoredStation> list;
  auto names = [&](MonitorOrder o) {
    EXPECT_TRUE(t.read(o, list));
    std::vector<std::string> n;
    for (const auto& s : list) n.push_back(s.rec.NAMEPC.str());
    return n;
  };
  using V = std::vector<std::string>;
  EXPECT_EQ(names(MonitorOrder::ByStart), (V{"PC-C", "PC-B"}));
  EXPECT_EQ(names(MonitorOrder::ByComputer), (V{"PC-B", "PC-C"}));
  EXPECT_EQ(names(MonitorOrder::ByName), (V{"PC-B", "PC-C"}));
  EXPECT_EQ(names(MonitorOrder::ByAnswers), (V{"PC-C", "PC-B"}));
  EXPECT_EQ(names(MonitorOrder::ByPoints), (V{"PC-C", "PC-B"}));
  EXPECT_EQ(t.count(), 2);
}

TEST_F(Monitoring, LightsForAnEmptyTableAndAStationThatLeaves) {
  MonitorLights l;
  l.opened(0);
  EXPECT_EQ(l.link, Signal::Sig3);
  EXPECT_EQ(l.connect, Signal::Sig3);
  EXPECT_EQ(l.disconnect, Signal::Sig3);
  for (int i = 1; i < 10; ++i) EXPECT_FALSE(l.tick(0));
  EXPECT_TRUE(l.tick(0));  // the tenth second reads the list again
  EXPECT_EQ(l.link, Signal::Sig3);
  EXPECT_EQ(l.update, Signal::Sig1);
  EXPECT_FALSE(l.tick(0));
  EXPECT_EQ(l.update, Signal::Sig3);  // the first second after a reading

  // A station connects: one second of "Подключение".
  l.tick(1);
  EXPECT_EQ(l.connect, Signal::Sig2);
  EXPECT_EQ(l.counted(), 1);
  l.tick(1);
  EXPECT_EQ(l.connect, Signal::Sig1);
  // The blink counter ran on while the table was empty, so it starts again
  // at the 12th second; then "Связь" goes quiet at 2 and lit at 4.
  std::vector<Signal> link;
  for (int i = 0; i < 4; ++i) {
    l.tick(2);
    link.push_back(l.link);
  }
  EXPECT_EQ(link, (std::vector<Signal>{Signal::Sig1, Signal::Sig1, Signal::Sig2, Signal::Sig2}));
  // One leaves: "Отключение" at the next check, for one second.
  l.tick(1);
  EXPECT_EQ(l.disconnect, Signal::Sig2);
  EXPECT_EQ(l.counted(), 1);
  l.tick(1);
  EXPECT_EQ(l.disconnect, Signal::Sig1);

  MonitorLights open;
  open.opened(3);
  EXPECT_EQ(open.link, Signal::Sig2);
  {
    // "Связь" from the opening: quiet from the 2nd second, lit from the 4th,
    // each for two seconds; a table that cannot be read shows no link and
    // changes no count.
    MonitorLights b;
    b.opened(3);
    std::vector<Signal> seen;
    for (int i = 1; i <= 9; ++i) {
      b.tick(3);
      seen.push_back(b.link);
    }
    using S = Signal;
    EXPECT_EQ(seen, (std::vector<S>{S::Sig2, S::Sig1, S::Sig1, S::Sig2, S::Sig2, S::Sig1, S::Sig1, S::Sig2, S::Sig2}));
    b.tick(std::nullopt);
    EXPECT_EQ(b.link, Signal::Sig3);
    EXPECT_EQ(b.connect, Signal::Sig1);
    EXPECT_EQ(b.disconnect, Signal::Sig1);
    EXPECT_EQ(b.counted(), 3);
  }
  EXPECT_EQ(open.connect, Signal::Sig1);
  EXPECT_EQ(open.disconnect, Signal::Sig1);
  open.refreshPressed();
  EXPECT_EQ(open.update, Signal::Sig2);
  for (int i = 1; i < 10; ++i) EXPECT_FALSE(open.tick(3)) << i;  // the count starts again
  EXPECT_TRUE(open.tick(3));
}

TEST_F(Monitoring, FinishedStationsAndStaleOnes) {
  auto st = [](store::Position p, int answered) {
    MonitoredStation s;
    s.position = p;
    s.rec.KOLVOPOT = static_cast<std::uint16_t>(answered);
    return s;
  };
  MonitorHistory h;
  h.read({st(1, 0), st(2, 0), st(3, 0)}, 1000);
  h.read({st(1, 1), st(3, 0), st(4, 0)}, 1000 + 14 * 60);  // 2 left, 4 came
  EXPECT_EQ(h.finished(), 1);
  h.read({st(1, 1), st(3, 1), st(4, 0)}, 1000 + 15 * 60);
  EXPECT_FALSE(h.stale(1, 1000 + 15 * 60));  // changed 1 minute ago
  EXPECT_FALSE(h.stale(3, 1000 + 15 * 60));  // changed just now
  EXPECT_FALSE(h.stale(4, 1000 + 15 * 60));
  EXPECT_TRUE(h.stale(4, 1000 + 14 * 60 + 15 * 60));  // unchanged since it came
  // Records cleared by "Сброс" did not finish.
  h.cleared();
  h.read({}, 5000);
  EXPECT_EQ(h.finished(), 1);
  h.read({st(7, 0)}, 5010);
  h.read({}, 5020);
  EXPECT_EQ(h.finished(), 2);
}

// The share of the central tables goes and comes back: a failed reading
// is no list, nor a count of none.
TEST_F(Monitoring, AFailedReadingKeepsTheLastListAndRecovers) {
  examiner::Monitor a(file()), b(file());
  ASSERT_EQ(a.add("PC-A"), store::Ok);
  ASSERT_EQ(b.add("PC-B"), store::Ok);
  MonitorTable t(inst);
  std::vector<MonitoredStation> list;
  ASSERT_TRUE(t.read(MonitorOrder::ByComputer, list));
  ASSERT_EQ(list.size(), 2u);
  std::string saved;
  {
    std::ifstream in(file(), std::ios::binary);
    saved.assign(std::istreambuf_iterator<char>(in), {});
  }
  ASSERT_FALSE(saved.empty());
  std::ofstream(file(), std::ios::binary | std::ios::trunc) << "this is no table";
  EXPECT_FALSE(t.count().has_value());
  EXPECT_FALSE(t.read(MonitorOrder::ByComputer, list));
  EXPECT_FALSE(t.failure().empty());
  ASSERT_EQ(list.size(), 2u);  // as last read
  EXPECT_EQ(list[1].rec.NAMEPC, "PC-B");
  std::ofstream(file(), std::ios::binary | std::ios::trunc) << saved;
  EXPECT_EQ(t.count(), 2);
  ASSERT_EQ(b.remove(), store::Ok);
  ASSERT_TRUE(t.read(MonitorOrder::ByComputer, list));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].rec.NAMEPC, "PC-A");
}

// A station first seen by the window: quiet since its start when it has
// answered nothing (the record keeps no time of its answers).
TEST_F(Monitoring, AStationFirstSeenCountsFromItsStartWhenItHasNotAnswered) {
  const auto at = [](int h, int m) { return datetime::clockTime(h, m, 0); };
  struct Case {
    const char* what;
    std::int32_t clock, timeBeg;
    int answered;
    bool staleAtOnce;
  };
  const std::int64_t now = 1'000'000;
  for (const Case& c : {Case{"started 20 minutes ago, no answer", at(10, 0), at(9, 40), 0, true},
                        Case{"started 14 minutes ago, no answer", at(10, 0), at(9, 46), 0, false},
                        Case{"started an hour ago, answering", at(10, 0), at(9, 0), 3, false},
                        Case{"started before midnight, no answer", at(0, 5), at(23, 45), 0, true},
                        Case{"a workstation clock running ahead", at(10, 0), at(10, 2), 0, false},
                        Case{"our clock time not known", 0, at(9, 0), 0, false},
                        Case{"the attempt not set up yet", at(10, 0), 0, 0, false}}) {
    SCOPED_TRACE(c.what);
    MonitoredStation s;
    s.position = 5;
    s.rec.TIMEBEG = c.timeBeg;
    s.rec.KOLVOPOT = static_cast<std::uint16_t>(c.answered);
    MonitorHistory h;
    h.read({s}, now, c.clock);
    EXPECT_EQ(h.stale(5, now), c.staleAtOnce);
    EXPECT_TRUE(h.stale(5, now + MonitorHistory::kStaleSeconds));  // unchanged since first seen
  }
}

TEST_F(Monitoring, AStationClearedBySbrosReappearsAtItsNextAnswer) {
  examiner::Monitor a(file()), b(file());
  ASSERT_EQ(a.add("PC-A"), store::Ok);
  ASSERT_EQ(b.add("PC-B"), store::Ok);
  ASSERT_EQ(a.begin(u("Иванов"), 100, u("Тест"), 5), store::Ok);
  ASSERT_EQ(a.answered(1, 2, 2, 7, false), store::Ok);
  MonitorTable t(inst);
  ASSERT_TRUE(t.clear());
  EXPECT_EQ(t.count(), 0);
  EXPECT_TRUE(a.active());
  ASSERT_EQ(a.answered(2, 3, 2, 9, true), store::Ok);
  std::vector<MonitoredStation> list;
  ASSERT_TRUE(t.read(MonitorOrder::ByStart, list));
  ASSERT_EQ(list.size(), 1u);  // PC-B says nothing until it answers
  const auto& r = list[0].rec;
  EXPECT_EQ(r.NAMEPC, "PC-A");
  EXPECT_EQ(r.FIO, u("Иванов"));
  EXPECT_EQ(r.TIMEBEG, 100);
  EXPECT_EQ(r.KOLZAD, 5);
  EXPECT_EQ(r.KOLVOPOT, 2);
  EXPECT_EQ(r.KOLBALLMAX, 5);
  EXPECT_EQ(r.CODEVOP, 9);
  EXPECT_EQ(r.FALSEOT, 1);
  EXPECT_EQ(r.FLAG, 2);
  // At the end it goes for good.
  ASSERT_EQ(a.remove(), store::Ok);
  EXPECT_EQ(a.answered(3, 1, 3, 10, false), store::NoRecord);
  EXPECT_EQ(t.count(), 0);
}

}  // namespace
