// The monitoring window and the autostart window driven as a user would:
// the lights for an empty table and for a station that leaves, "Сброс"
// answered No and Yes, stations that stopped changing greyed, a table that
// cannot be read for a while; the abandoned attempts listed and closed, from
// two windows too; the autostart window's choosers, its limit of
// 100, arming from the window with one monitoring window opened beside it
// (none when nothing was armed), and the workstation chooser's tags across
// rooms.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTime>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <tuple>

#include "autostart_window.h"
#include "browse.h"
#include "cp1251.h"
#include "datetime.h"
#include "kept_attempts.h"
#include "monitoring_window.h"
#include "signed_in.h"

using namespace administrator;
using admin_testing::ms;
using admin_testing::SignedIn;

namespace {

std::string u(const std::string& s) { return cp1251::fromUtf8(s); }

// A station's record as an Examiner keeps it.
store::Position addStation(const setup::Installation& inst, std::uint16_t code, const std::string& pc, int answered = 0) {
  tables::MonCons r;
  store::Table t(tables::monConsDef(), r, inst.central(tables::files::MonCons));
  EXPECT_EQ(t.createIfMissing(), store::Ok);
  EXPECT_EQ(t.open(store::Shared), store::Ok);
  r.CODEC = code;
  r.NAMEPC = pc;
  r.FIO = u("Иванов И.И.");
  r.TIMEBEG = 360001;
  r.KOLVOPOT = static_cast<std::uint16_t>(answered);
  r.FLAG = 2;
  EXPECT_EQ(t.add(), store::Ok);
  return t.position();
}
void removeStation(const setup::Installation& inst, const std::string& pc) {
  tables::MonCons r;
  store::Table t(tables::monConsDef(), r, inst.central(tables::files::MonCons));
  ASSERT_EQ(t.open(store::Shared), store::Ok);
  ASSERT_EQ(t.set(), store::Ok);
  while (t.next() == store::Ok)
    if (r.NAMEPC == pc) {
      ASSERT_EQ(t.del(), store::Ok);
      return;
    }
  FAIL() << pc;
}
std::int64_t stations(const setup::Installation& inst) {
  tables::MonCons r;
  store::Table t(tables::monConsDef(), r, inst.central(tables::files::MonCons));
  EXPECT_EQ(t.open(store::Shared), store::Ok);
  return t.records();
}

using L = MonitoringWindow::LightIndex;

std::vector<MonitoringWindow*> monitoringWindows() {
  QApplication::processEvents();
  std::vector<MonitoringWindow*> out;
  for (QWidget* t : QApplication::topLevelWidgets())
    if (auto* m = qobject_cast<MonitoringWindow*>(t); m && m->isVisible()) out.push_back(m);
  return out;
}

TEST(MonitoringWindow, LightsForAnEmptyTableAndAStationThatLeaves) {
  SignedIn s;
  auto* w = qobject_cast<MonitoringWindow*>(s.app->openMonitoring());
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(s.app->slot(), w);
  EXPECT_EQ(w->windowTitle(), "Ормида2.0 - [Мониторинг] - [Основная библиотека тестов]");
  for (L l : {L::Link, L::Connect, L::Disconnect}) EXPECT_EQ(w->light(l), Signal::Sig3) << l;
  EXPECT_EQ(w->list()->rowCount(), 0);
  EXPECT_EQ(w->list()->columnCount(), 12);
  EXPECT_TRUE(w->list()->isColumnHidden(11));  // "flag"

  const auto inst = s.installation();
  addStation(inst, 1, "PC101-01", 2);
  addStation(inst, 2, "PC101-02", 5);
  w->tick();  // both seen at the next second
  EXPECT_EQ(w->light(L::Connect), Signal::Sig2);
  EXPECT_EQ(w->label("stations")->text(), "2");
  w->tick();
  EXPECT_EQ(w->light(L::Connect), Signal::Sig1);
  EXPECT_EQ(w->list()->rowCount(), 0);  // the list itself waits for its tenth second
  for (int i = 0; i < 8; ++i) w->tick();
  ASSERT_EQ(w->list()->rowCount(), 2);
  EXPECT_EQ(w->light(L::Update), Signal::Sig1);
  EXPECT_EQ(w->list()->item(0, 1)->text(), "PC101-01");
  EXPECT_EQ(w->list()->item(0, 4)->text(), "01:00:00");
  EXPECT_EQ(w->label("remaining")->text(), "2");
  w->tick();
  EXPECT_EQ(w->light(L::Update), Signal::Sig3);

  // "По ответам": the station with fewer answers first.
  w->orders()->setCurrentIndex(3);
  EXPECT_EQ(w->list()->item(0, 1)->text(), "PC101-01");
  EXPECT_EQ(w->list()->item(0, 6)->text(), "2");

  // One finishes: "Отключение" for one second at the next check.
  removeStation(inst, "PC101-01");
  w->tick();
  EXPECT_EQ(w->light(L::Disconnect), Signal::Sig2);
  w->tick();
  EXPECT_EQ(w->light(L::Disconnect), Signal::Sig1);
  w->refreshNow();
  EXPECT_EQ(w->light(L::Update), Signal::Sig2);
  EXPECT_EQ(w->list()->rowCount(), 1);
  EXPECT_EQ(w->label("finished")->text(), "1");
  EXPECT_EQ(w->label("remaining")->text(), "1");
  w->close();
}

TEST(MonitoringWindow, SbrosAnsweredNoKeepsTheRecordsAndYesClearsThem) {
  SignedIn s;
  const auto inst = s.installation();
  addStation(inst, 1, "PC101-01");
  addStation(inst, 2, "PC101-02");
  auto* w = qobject_cast<MonitoringWindow*>(s.app->openMonitoring());
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->light(L::Link), Signal::Sig2);
  EXPECT_EQ(w->light(L::Connect), Signal::Sig1);
  ASSERT_EQ(w->list()->rowCount(), 2);

  ms().clearShown();
  ms().script({messages::No});
  w->button("Сброс")->click();
  ASSERT_EQ(ms().shown().size(), 1u);
  EXPECT_EQ(ms().shown()[0].caption, "Инспектор");
  EXPECT_EQ(ms().shown()[0].text, "Все сведения о подключенных станциях|будут удалены.||Удалить эти сведения?");
  EXPECT_EQ(stations(inst), 2);
  EXPECT_EQ(w->list()->rowCount(), 2);

  ms().script({messages::Yes});
  w->button("Сброс")->click();
  EXPECT_EQ(stations(inst), 0);
  EXPECT_EQ(w->list()->rowCount(), 0);
  EXPECT_EQ(w->label("finished")->text(), "0");  // cleared, not finished
  for (L l : {L::Link, L::Connect, L::Disconnect}) EXPECT_EQ(w->light(l), Signal::Sig3) << l;
  w->close();
}

TEST(MonitoringWindow, AStationUnchangedForFifteenMinutesIsGreyed) {
  SignedIn s;
  const auto inst = s.installation();
  // Both have answered: when, their records do not tell, so the window
  // counts from when it first saw them.
  addStation(inst, 1, "quiet", 1);
  MonitoringWindow w(inst);
  ASSERT_TRUE(w.opened());
  std::int64_t clock = QDateTime::currentSecsSinceEpoch();  // the window's first reading used the real clock
  w.now = [&] { return clock; };
  w.refreshNow();
  addStation(inst, 2, "busy", 1);
  clock += 14 * 60;
  w.refreshNow();
  ASSERT_EQ(w.list()->rowCount(), 2);
  EXPECT_FALSE(w.rowGreyed(0));
  clock += 60;
  w.refreshNow();
  ASSERT_EQ(w.list()->item(0, 1)->text(), "quiet");
  EXPECT_TRUE(w.rowGreyed(0));
  EXPECT_FALSE(w.rowGreyed(1));
}

TEST(MonitoringWindow, AStationSilentSinceItsStartIsGreyedAtOnce) {
  SignedIn s;
  const auto inst = s.installation();
  const QTime day = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch()).time();
  const QTime started = day.addSecs(-20 * 60);
  const std::int32_t beg = datetime::clockTime(started.hour(), started.minute(), started.second());
  for (const char* pc : {"silent", "answering"}) {
    tables::MonCons r;
    store::Table t(tables::monConsDef(), r, inst.central(tables::files::MonCons));
    ASSERT_EQ(t.createIfMissing(), store::Ok);
    ASSERT_EQ(t.open(store::Shared), store::Ok);
    r.CODEC = static_cast<std::uint16_t>(t.records() + 1);
    r.NAMEPC = pc;
    r.TIMEBEG = beg;
    r.KOLVOPOT = std::string(pc) == "silent" ? 0 : 4;
    r.FLAG = 2;
    ASSERT_EQ(t.add(), store::Ok);
  }
  MonitoringWindow w(inst);
  ASSERT_TRUE(w.opened());
  w.setOrder(MonitorOrder::ByComputer);
  ASSERT_EQ(w.list()->rowCount(), 2);
  ASSERT_EQ(w.list()->item(1, 1)->text(), "silent");
  EXPECT_TRUE(w.rowGreyed(1));   // dead for 20 minutes before the window opened
  EXPECT_FALSE(w.rowGreyed(0));  // its last answer may have been a second ago
}

// The share of the central tables goes for a while: the last list and its
// counts stay, the window says why, no station is counted as finished, and
// all comes back by itself.
TEST(MonitoringWindow, ALostTableKeepsTheLastListAndComesBack) {
  SignedIn s;
  const auto inst = s.installation();
  addStation(inst, 1, "PC101-01");
  addStation(inst, 2, "PC101-02");
  MonitoringWindow w(inst);
  ASSERT_TRUE(w.opened());
  ASSERT_EQ(w.list()->rowCount(), 2);
  EXPECT_TRUE(w.label("link")->text().isEmpty());
  const std::string file = inst.central(tables::files::MonCons);
  std::string saved;
  {
    std::ifstream in(file, std::ios::binary);
    saved.assign(std::istreambuf_iterator<char>(in), {});
  }
  std::ofstream(file, std::ios::binary | std::ios::trunc) << "this is no table";
  ms().clearShown();
  for (int i = 0; i < 12; ++i) w.tick();  // a reading due meanwhile fails too
  EXPECT_TRUE(ms().shown().empty());      // no box every second
  EXPECT_EQ(w.list()->rowCount(), 2);
  EXPECT_EQ(w.label("stations")->text(), "2");
  EXPECT_EQ(w.label("remaining")->text(), "2");
  EXPECT_EQ(w.label("finished")->text(), "0");
  EXPECT_NE(w.light(L::Disconnect), Signal::Sig2);
  EXPECT_EQ(w.light(L::Link), Signal::Sig3);
  EXPECT_TRUE(w.label("link")->text().startsWith("Нет связи с таблицей станций")) << w.label("link")->text().toStdString();

  std::ofstream(file, std::ios::binary | std::ios::trunc) << saved;
  removeStation(inst, "PC101-02");  // leaves just as the table comes back
  w.tick();                         // read again at once
  EXPECT_TRUE(w.label("link")->text().isEmpty());
  EXPECT_EQ(w.list()->rowCount(), 1);
  EXPECT_EQ(w.label("finished")->text(), "1");
  EXPECT_EQ(w.light(L::Disconnect), Signal::Sig2);
}

// ------------------------------------------------------------------ abandoned attempts

// The windows' clock held at 10:30 on 12 March 2026, and earlier moments
// as an Examiner writes them.
struct HeldClock {
  std::int64_t secs = QDateTime(QDate(2026, 3, 12), QTime(10, 30, 0)).toSecsSinceEpoch();
  std::pair<std::int32_t, std::int32_t> before(int seconds) const {
    const QDateTime t = QDateTime::fromSecsSinceEpoch(secs - seconds);
    return {datetime::dayNumber(t.date().year(), t.date().month(), t.date().day()),
            datetime::clockTime(t.time().hour(), t.time().minute(), t.time().second())};
  }
  void hold(MonitoringWindow& w) const {
    w.now = [s = secs] { return s; };
    w.refreshNow();
  }
  admin_testing::KeptAttempt kept(std::int32_t code, const std::string& fio, int answeredAgo, int seenAgo) const {
    admin_testing::KeptAttempt k;
    k.code = code;
    k.fio = fio;
    std::tie(k.lastDate, k.lastTime) = before(answeredAgo);
    std::tie(k.seenDate, k.seenTime) = before(seenAgo);
    return k;
  }
};

QStringList rowTexts(QTableWidget* t, int row) {
  QStringList out;
  for (int c = 0; c < t->columnCount(); ++c) out << (t->item(row, c) ? t->item(row, c)->text() : QString());
  return out;
}

const char* const kQuestion = "Закрыть тестирование «Петров П.П.» по тесту «Арифметика»?|"
                              "Его результат будет записан в журнал результатов как есть.";

TEST(MonitoringWindow, AnAbandonedAttemptIsListedAndClosedIntoItsJournal) {
  SignedIn s;
  const auto inst = s.installation();
  const HeldClock clock;
  ms().clearShown();
  // No Examiner has kept an attempt yet: an empty list, not an error.
  MonitoringWindow w(inst);
  ASSERT_TRUE(w.opened());
  clock.hold(w);
  QTableWidget* list = w.abandonedList();
  QStringList headings;
  for (int c = 0; c < list->columnCount(); ++c) headings << list->horizontalHeaderItem(c)->text();
  EXPECT_EQ(headings,
            (QStringList{"Тестируемый", "Группа", "Тест", "Рабочая станция", "Дано ответов", "Последний ответ"}));
  EXPECT_EQ(list->rowCount(), 0);
  EXPECT_TRUE(w.label("attemptsLink")->text().isEmpty());
  EXPECT_TRUE(ms().shown().empty());
  QPushButton* close = w.button("Закрыть тестирование");
  ASSERT_NE(close, nullptr);
  EXPECT_FALSE(close->isEnabled());

  admin_testing::keepAttempt(inst, s.made, clock.kept(1, "Петров П.П.", 16 * 60, 16 * 60));
  admin_testing::keepAttempt(inst, s.made, clock.kept(2, "Орлов О.О.", 60, 10));  // answering
  const auto before = admin_testing::journal(s.made);
  // Read with the list, at its tenth second.
  for (int i = 0; i < MonitorLights::kRefreshTicks; ++i) w.tick();
  ASSERT_EQ(list->rowCount(), 1);
  EXPECT_EQ(rowTexts(list, 0),
            (QStringList{"Петров П.П.", "ИТ-11", "Арифметика", "PC101-03", "4 из 10", "12.03.2026 10:14:00"}));
  EXPECT_FALSE(close->isEnabled()) << "no row chosen";
  list->selectRow(0);
  EXPECT_TRUE(close->isEnabled());
  w.refreshNow();
  EXPECT_TRUE(close->isEnabled()) << "the row chosen stays chosen across a refresh";

  ms().script({messages::No});
  close->click();
  ASSERT_EQ(ms().shown().size(), 1u);
  EXPECT_EQ(ms().shown()[0].caption, "Мониторинг");
  EXPECT_EQ(ms().shown()[0].text, kQuestion);
  EXPECT_EQ(admin_testing::journal(s.made).size(), before.size());
  EXPECT_EQ(admin_testing::openCodes(inst), (std::vector<std::int32_t>{1, 2}));

  ms().clearShown();
  ms().script({messages::Yes});
  close->click();
  ASSERT_EQ(ms().shown().size(), 2u);
  EXPECT_EQ(ms().shown()[1].text, "Результат записан в журнал результатов.");
  const auto after = admin_testing::journal(s.made);
  ASSERT_EQ(after.size(), before.size() + 1);
  EXPECT_EQ(after.back().FIO.utf8(), "Петров П.П.");
  EXPECT_EQ(admin_testing::openCodes(inst), std::vector<std::int32_t>{2}) << "the one answering stays open";
  EXPECT_EQ(list->rowCount(), 0) << "the list is read again";
  EXPECT_FALSE(close->isEnabled());
}

TEST(MonitoringWindow, AnAttemptClosedFromTwoWindowsIsStoredOnce) {
  SignedIn s;
  const auto inst = s.installation();
  const HeldClock clock;
  // Its station still saves it, though nobody has answered for 20 minutes.
  admin_testing::keepAttempt(inst, s.made, clock.kept(1, "Петров П.П.", 20 * 60, 10));
  const auto before = admin_testing::journal(s.made);
  MonitoringWindow a(inst), b(inst);
  ASSERT_TRUE(a.opened());
  ASSERT_TRUE(b.opened());
  for (MonitoringWindow* w : {&a, &b}) {
    clock.hold(*w);
    ASSERT_EQ(w->abandonedList()->rowCount(), 1);
    w->abandonedList()->selectRow(0);
  }
  ms().clearShown();
  ms().script({messages::Yes});
  a.button("Закрыть тестирование")->click();
  ASSERT_EQ(ms().shown().size(), 2u);
  EXPECT_EQ(ms().shown()[0].text, std::string(kQuestion) + "|Рабочая станция «PC101-03» ещё работает с ним.");
  EXPECT_EQ(ms().shown()[1].text, "Результат записан в журнал результатов.");

  // The other window still lists it: it is told, not asked.
  ms().clearShown();
  ms().script({messages::Yes});
  b.button("Закрыть тестирование")->click();
  ASSERT_EQ(ms().shown().size(), 1u);
  EXPECT_EQ(ms().shown()[0].text, "Это тестирование уже завершено.");
  EXPECT_EQ(b.abandonedList()->rowCount(), 0);
  EXPECT_EQ(admin_testing::journal(s.made).size(), before.size() + 1);

  // Closed elsewhere while this window's question is open.
  admin_testing::keepAttempt(inst, s.made, clock.kept(2, "Петров П.П.", 20 * 60, 20 * 60));
  b.refreshNow();
  ASSERT_EQ(b.abandonedList()->rowCount(), 1);
  b.abandonedList()->selectRow(0);
  ms().clearShown();
  ms().script({messages::Yes});
  bool closedElsewhere = false;
  ms().whileScriptedBoxOpen([&](const messages::Message&) {
    if (closedElsewhere) return;
    closedElsewhere = true;
    EXPECT_EQ(AttemptWatch(inst).close(2).how, Closing::Stored);
  });
  b.button("Закрыть тестирование")->click();
  ms().script({});
  ASSERT_EQ(ms().shown().size(), 2u);
  EXPECT_EQ(ms().shown()[0].text, kQuestion) << "its station is gone";
  EXPECT_EQ(ms().shown()[1].text, "Это тестирование уже завершено.");
  EXPECT_EQ(admin_testing::journal(s.made).size(), before.size() + 2);
  EXPECT_TRUE(admin_testing::openCodes(inst).empty());
}

// An attempt file that cannot be read for a while: the last list stays,
// the window says why without a box, and all comes back by itself.
TEST(MonitoringWindow, AnUnreadableAttemptFileKeepsTheLastList) {
  SignedIn s;
  const auto inst = s.installation();
  const HeldClock clock;
  admin_testing::keepAttempt(inst, s.made, clock.kept(1, "Петров П.П.", 16 * 60, 16 * 60));
  MonitoringWindow w(inst);
  ASSERT_TRUE(w.opened());
  clock.hold(w);
  ASSERT_EQ(w.abandonedList()->rowCount(), 1);
  const std::string file = admin_testing::attemptFile(inst);
  std::string saved;
  {
    std::ifstream in(file, std::ios::binary);
    saved.assign(std::istreambuf_iterator<char>(in), {});
  }
  std::ofstream(file, std::ios::binary | std::ios::trunc) << "this is no table";
  ms().clearShown();
  w.refreshNow();
  EXPECT_TRUE(ms().shown().empty());
  EXPECT_EQ(w.abandonedList()->rowCount(), 1);
  EXPECT_TRUE(w.label("attemptsLink")->text().startsWith("Нет связи с таблицей тестирований"))
      << w.label("attemptsLink")->text().toStdString();
  EXPECT_TRUE(w.label("link")->text().isEmpty()) << "the stations' table is read as before";

  std::ofstream(file, std::ios::binary | std::ios::trunc) << saved;
  w.refreshNow();
  EXPECT_TRUE(w.label("attemptsLink")->text().isEmpty());
  EXPECT_EQ(w.abandonedList()->rowCount(), 1);
}

// ------------------------------------------------------------------ autostart

TEST(AutostartWindow, ChoosersLimitAndArmingOpenMonitoringBeside) {
  SignedIn s;
  auto* w = qobject_cast<AutostartWindow*>(s.app->openAutostart());
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->windowTitle(), "АвтоСтарт");
  EXPECT_EQ(s.app->slot(), w);
  const auto inst = s.installation();

  w->chooseTest = [](QWidget*) { return AutostartWindow::TestChoice{"География", "/srv/тесты/"}; };
  {
    // A base of the library other than the Administrator's own.
    tables::PathFile pf;
    store::Table t(tables::pathFileDef(), pf, inst.central(tables::files::PathFile));
    ASSERT_EQ(t.open(store::Shared), store::Ok);
    pf.CODEBD = 77;
    pf.DIRBD = u("/srv/тесты");
    pf.NAMEBD = u("Экзамены");
    ASSERT_EQ(t.add(), store::Ok);
  }
  w->chooseJournal = [](QWidget*, const QString&) { return std::optional<QString>("Класс 101"); };
  w->button("chooseTest")->click();
  w->button("chooseJournal")->click();
  EXPECT_EQ(w->testBox()->text(), "География");
  EXPECT_EQ(w->baseBox()->text(), "/srv/тесты/");
  EXPECT_EQ(w->journalBox()->text(), "Класс 101");

  // Two reachable workstations in two rooms, then 101 more of which 98 fit.
  testing_tables::TempDir folders;
  std::vector<tables::Ws> two;
  for (int i = 0; i < 2; ++i) {
    tables::Ws ws;
    ws.CODEWS = 500 + i;
    ws.CODELABR = static_cast<std::uint16_t>(1 + i);
    ws.NAMEPC = "WS" + std::to_string(i);
    std::filesystem::create_directories(folders / ws.NAMEPC.str());
    ws.PATH = folders / ws.NAMEPC.str();  // stored without "/": the folder is still found
    store::Table t(tables::wsDef(), ws, inst.central(tables::files::Ws));
    ASSERT_EQ(t.open(store::Shared), store::Ok);
    ASSERT_EQ(t.add(), store::Ok);
    two.push_back(ws);
  }
  w->chooseWorkstations = [&](QWidget*) { return std::optional<std::vector<tables::Ws>>(two); };
  w->button("Выбрать рабочие станции для автозапуска")->click();
  EXPECT_EQ(w->stationsLabel()->text(), "2");
  EXPECT_EQ(w->roomsLabel()->text(), "2");
  std::vector<tables::Ws> many;
  for (int i = 1; i <= 101; ++i) many.push_back(tables::Ws{i, 1, {}, {}});
  w->chooseWorkstations = [&](QWidget*) { return std::optional<std::vector<tables::Ws>>(many); };
  ms().clearShown();
  w->button("Выбрать рабочие станции для автозапуска")->click();
  EXPECT_EQ(w->stationsLabel()->text(), "100");
  ASSERT_EQ(ms().shown().size(), 1u);
  EXPECT_NE(ms().shown()[0].text.find("Не вошли в выбор: 3"), std::string::npos);

  // The box unticked: test, base and journal are still written.
  w->armBox()->setChecked(false);
  ms().clearShown();
  w->button("&OK")->click();
  ASSERT_FALSE(ms().shown().empty());
  const std::string said = ms().shown()[0].text;
  EXPECT_NE(said.find("WS0, WS1"), std::string::npos) << said;
  EXPECT_NE(said.find("№ 7 — нет в справочнике"), std::string::npos) << said;  // the demo has codes 1 to 6
  for (const auto& ws : two) {
    tables::AutoStar a;
    store::Table t(tables::autoStarDef(), a, folders / ws.NAMEPC.str() + "/AutoStar.tps");
    ASSERT_EQ(t.open(store::Shared), store::Ok);
    ASSERT_EQ(t.set(), store::Ok);
    ASSERT_EQ(t.next(), store::Ok);
    EXPECT_EQ(a.AUTOSTART, 0);
    EXPECT_EQ(a.CURTEST, u("География"));
    EXPECT_EQ(a.CURBT, u("/srv/тесты/"));
    EXPECT_EQ(a.CURREZ, u("Класс 101"));
  }
  // Monitoring opened beside it, watching the base just armed; the
  // autostart window keeps its place.
  auto open = monitoringWindows();
  ASSERT_EQ(open.size(), 1u);
  MonitoringWindow* mon = open[0];
  EXPECT_EQ(mon->windowTitle(), "Ормида2.0 - [Мониторинг] - [Экзамены]");
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(s.app->slot(), w);
  // "&OK" again: the same monitoring window, raised.
  w->button("&OK")->click();
  EXPECT_EQ(monitoringWindows(), std::vector<MonitoringWindow*>{mon});

  // A name too long for its field is refused, nothing written, no monitoring.
  mon->close();
  w->testBox()->setText(QString(101, QChar('x')));
  ms().clearShown();
  w->button("&OK")->click();
  ASSERT_EQ(ms().shown().size(), 1u);
  EXPECT_NE(ms().shown()[0].text.find("Имя теста"), std::string::npos);
  EXPECT_TRUE(monitoringWindows().empty());

  // "Мониторинг" from the menu while one is open beside: that one comes
  // into the slot and the autostart window goes.
  w->testBox()->setText("География");
  w->button("&OK")->click();
  open = monitoringWindows();
  ASSERT_EQ(open.size(), 1u);
  QPointer<AutostartWindow> autostart(w);
  EXPECT_EQ(s.app->openMonitoring(), open[0]);
  EXPECT_EQ(s.app->slot(), open[0]);
  EXPECT_EQ(monitoringWindows(), open);
  EXPECT_TRUE(!autostart || !autostart->isVisible());
  open[0]->close();
}

// Through the window to the record the Examiner reads in its folder; and
// no monitoring when no workstation was armed.
TEST(AutostartWindow, ArmsAnExaminerFolderAndWatchesOnlyWhatWasArmed) {
  SignedIn s;
  auto* w = qobject_cast<AutostartWindow*>(s.app->openAutostart());
  ASSERT_NE(w, nullptr);
  const auto inst = s.installation();
  w->chooseWorkstations = [](QWidget*) { return std::optional<std::vector<tables::Ws>>({tables::Ws{999, 1, {}, {}}}); };
  w->button("Выбрать рабочие станции для автозапуска")->click();
  ms().clearShown();
  w->button("&OK")->click();
  ASSERT_EQ(ms().shown().size(), 1u);
  EXPECT_NE(ms().shown()[0].text.find("№ 999"), std::string::npos) << ms().shown()[0].text;
  EXPECT_TRUE(monitoringWindows().empty());

  // The demo's own Examiner folder as a workstation.
  tables::Ws ws;
  ws.CODEWS = 901;
  ws.CODELABR = 1;
  ws.NAMEPC = "e2e";
  ws.PATH = u(s.made.directory);
  {
    store::Table t(tables::wsDef(), ws, inst.central(tables::files::Ws));
    ASSERT_EQ(t.open(store::Shared), store::Ok);
    ASSERT_EQ(t.add(), store::Ok);
  }
  w->chooseWorkstations = [&](QWidget*) { return std::optional<std::vector<tables::Ws>>({ws}); };
  w->button("Выбрать рабочие станции для автозапуска")->click();
  std::string library = s.made.library;
  if (library.back() == '/') library.pop_back();  // as a user may type it
  w->chooseTest = [&](QWidget*) { return AutostartWindow::TestChoice{"География", QString::fromStdString(library)}; };
  w->button("chooseTest")->click();
  w->journalBox()->setText("Класс 101");
  w->armBox()->setChecked(true);
  ms().clearShown();
  w->button("&OK")->click();
  ASSERT_EQ(ms().shown().size(), 1u);
  EXPECT_NE(ms().shown()[0].text.find("e2e"), std::string::npos) << ms().shown()[0].text;

  tables::AutoStar a;
  store::Table t(tables::autoStarDef(), a, s.made.directory + "AutoStar.tps");
  ASSERT_EQ(t.open(store::Shared), store::Ok);
  ASSERT_EQ(t.records(), 1);
  ASSERT_EQ(t.set(), store::Ok);
  ASSERT_EQ(t.next(), store::Ok);
  EXPECT_EQ(a.AUTOSTART, 1);
  EXPECT_EQ(a.YESTEST, 1);
  EXPECT_EQ(a.CURREZ, u("Класс 101"));
  // The Examiner opens the folder followed by the test's name.
  EXPECT_EQ(a.CURBT.utf8(), library + "/");
  EXPECT_TRUE(std::filesystem::is_regular_file(a.CURBT.utf8() + a.CURTEST.utf8() + ".orm"));

  auto open = monitoringWindows();
  ASSERT_EQ(open.size(), 1u);
  EXPECT_EQ(open[0]->windowTitle(), "Ормида2.0 - [Мониторинг] - [Основная библиотека тестов]");
  open[0]->close();
  w->close();
}

TEST(AutostartWindow, TheChooserTagsAcrossRoomsInTagOrder) {
  SignedIn s;
  const auto inst = s.installation();
  {
    tables::Labr l;
    l.CODELABR = 2;
    l.NAMELABR = u("Аудитория 202");
    l.NUMROOM = 202;
    store::Table t(tables::labrDef(), l, inst.central(tables::files::Labr));
    ASSERT_EQ(t.open(store::Shared), store::Ok);
    ASSERT_EQ(t.add(), store::Ok);
    tables::Ws ws;
    ws.CODEWS = 77;
    ws.CODELABR = 2;
    ws.NAMEPC = "PC202-01";
    store::Table wt(tables::wsDef(), ws, inst.central(tables::files::Ws));
    ASSERT_EQ(wt.open(store::Shared), store::Ok);
    ASSERT_EQ(wt.add(), store::Ok);
  }
  WorkstationChooser c(inst);
  ASSERT_TRUE(c.opened());
  c.show();
  QApplication::processEvents();
  // Rooms by name: "Аудитория 202" before "Компьютерный класс 101".
  EXPECT_EQ(c.workstations()->rowCount(), 1);
  c.workstations()->toggleTag();  // PC202-01
  EXPECT_EQ(c.tagged().size(), 1u);
  c.rooms()->down();
  ASSERT_TRUE(c.rooms()->choose(c.rooms()->currentPosition()));
  // As many of the room's six as fit the list laid out after they were read.
  const int fit = c.workstations()->pageRows();
  ASSERT_GT(fit, 3);
  ASSERT_EQ(c.workstations()->rowCount(), std::min(fit, 6));
  c.workstations()->down();
  c.workstations()->down();
  c.workstations()->toggleTag();  // PC101-03
  c.tagged();
  c.workstations()->home();
  c.workstations()->toggleTag();  // PC101-01
  std::vector<std::string> names;
  for (const auto& ws : c.tagged()) names.push_back(ws.NAMEPC.str());
  EXPECT_EQ(names, (std::vector<std::string>{"PC202-01", "PC101-03", "PC101-01"}));
}

}  // namespace
