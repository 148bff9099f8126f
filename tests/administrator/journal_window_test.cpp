// The results journal window of the Administrator on a demo installation:
// its caption, columns and orders, the filter as the user sets it, tagging
// across refreshes while the Examiner appends, copying and moving by the
// frame's items, deleting through the result form, the export read back,
// and "Подробно..." starting the Examiner's error viewing (the Examiner's
// side of it is tested with the Examiner's windows).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include <array>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>

#include "archive_window.h"
#include "autostart_window.h"
#include "browse.h"
#include "cp1251.h"
#include "journal_window.h"
#include "main_frame.h"
#include "result_file.h"
#include "result_forms.h"
#include "results_print.h"
#include "rooms_window.h"
#include "signed_in.h"
#include "user_events.h"

using namespace administrator;
using admin_testing::ms;
using admin_testing::SignedIn;

namespace {

JournalWindow* openJournal(SignedIn& s) {
  auto* w = qobject_cast<JournalWindow*>(s.app->openJournal());
  EXPECT_NE(w, nullptr);
  QApplication::processEvents();
  return w;
}

std::vector<QString> column(JournalWindow* w, int col) {
  std::vector<QString> out;
  for (int r = 0; r < w->list()->rowCount(); ++r) out.push_back(w->list()->cellText(r, col));
  return out;
}

int choose(QComboBox* c, const QString& text) {
  int i = c->findText(text);
  EXPECT_GE(i, 0) << text.toStdString();
  c->setCurrentIndex(i);
  emit c->activated(i);
  return i;
}

// A result appended as the Examiner appends it.
void appendResult(const SignedIn& s, const std::string& fio) {
  results::ResultFile rf;
  ASSERT_EQ(rf.open(s.made.directory, s.made.resultFile), store::Ok);
  store::Transaction tx{&rf.rezT};
  ASSERT_EQ(tx.begin(), store::Ok);
  rf.rez = tables::RezTest{};
  rf.rez.CODEREZ = static_cast<std::int32_t>(rf.rezT.records()) + 1;
  rf.rez.FIO = cp1251::fromUtf8(fio);
  ASSERT_EQ(rf.rezT.add(), store::Ok);
  ASSERT_EQ(tx.commit(), store::Ok);
}

TEST(JournalWindow, CaptionColumnsOrdersAndTheFramesEvents) {
  SignedIn s;
  QAction* tagAll = s.app->menuItem("Выделить все");
  ASSERT_FALSE(tagAll->isEnabled());
  JournalWindow* w = openJournal(s);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->windowTitle(), "Журнал результатов: ОБЩИЙ");
  EXPECT_EQ(w->statusText(2), "Записей-6");
  EXPECT_TRUE(w->statusText(3).startsWith("Путь-")) << w->statusText(3).toStdString();
  EXPECT_TRUE(w->statusText(3).endsWith("Stat/Общий.rez\\!RezTest"));
  QApplication::processEvents();
  EXPECT_TRUE(tagAll->isEnabled()) << "1025 reached the frame";
  QTableWidget* t = w->list()->table();
  QStringList heads;
  for (int c = 0; c < t->columnCount(); ++c) heads << t->horizontalHeaderItem(c)->text();
  EXPECT_EQ(heads, (QStringList{"", "№", "Фамилия И.О.", "Группа", "Тест", "Дата", "Оценка", "Результат", "Дисциплина", "Кафедра",
                                "Автор", "Старт", "Финиш", "Kol Vop", "Отвечено", "Верно", "REZBAL"}));
  EXPECT_EQ(w->list()->rowCount(), 6);
  EXPECT_EQ(w->list()->cellText(0, 0).trimmed(), "001");
  auto* tabs = w->list()->findChild<QTabBar*>();
  ASSERT_NE(tabs, nullptr);
  QStringList names;
  for (int i = 0; i < tabs->count(); ++i) names << tabs->tabText(i);
  EXPECT_EQ(names, (QStringList{"По коду", "По фамилиии", "По группе", "По тесту", "По дате", "По баллу", "По дисциплине"}));
  w->list()->setOrder(1);
  auto fio = column(w, 1);
  EXPECT_TRUE(std::is_sorted(fio.begin(), fio.end(), [](const QString& a, const QString& b) { return a.compare(b) < 0; }));
  // A second opening brings the same window back.
  EXPECT_EQ(s.app->openJournal(), w);
  w->close();
  QApplication::processEvents();
  EXPECT_FALSE(tagAll->isEnabled()) << "1026 reached the frame";
}

TEST(JournalWindow, TheFilterAsTheUserSetsIt) {
  SignedIn s;
  JournalWindow* w = openJournal(s);
  ASSERT_NE(w, nullptr);
  EXPECT_FALSE(w->filterList(FilterColumn::Group)->isEnabled());
  w->filterBox()->setChecked(true);
  EXPECT_TRUE(w->clearButton(FilterColumn::Mark)->isEnabled());
  EXPECT_EQ(w->filter().text(), "");
  EXPECT_EQ(w->list()->rowCount(), 6) << "ticked with no column chosen: all";
  QComboBox* groups = w->filterList(FilterColumn::Group);
  ASSERT_GE(groups->count(), 2);
  const QString group = groups->itemText(0);
  choose(groups, group);
  const int inGroup = w->list()->rowCount();
  EXPECT_GT(inGroup, 0);
  EXPECT_LT(inGroup, 6);
  for (const auto& g : column(w, 2)) EXPECT_EQ(g, group);
  const QString mark = w->list()->cellText(0, 5).trimmed();
  choose(w->filterList(FilterColumn::Mark), QString::number(mark.toInt()));
  EXPECT_EQ(w->filter().text(), "UPPER(REZ:Gr) = UPPER(Gr) AND UPPER(REZ:Otmetka) = UPPER(Otm)");
  EXPECT_GE(w->list()->rowCount(), 1);
  for (const auto& m : column(w, 5)) EXPECT_EQ(m.trimmed().toInt(), mark.toInt());
  // Its clear button takes the group's condition away.
  w->clearButton(FilterColumn::Group)->click();
  EXPECT_EQ(w->filter().text(), "UPPER(REZ:Otmetka) = UPPER(Otm)");
  // Unticking resets every column.
  w->filterBox()->setChecked(false);
  EXPECT_EQ(w->filter().text(), "");
  EXPECT_EQ(w->list()->rowCount(), 6);
  EXPECT_EQ(w->filterList(FilterColumn::Mark)->currentIndex(), -1);
}

TEST(JournalWindow, TagsSurviveRefreshingWhileTheExaminerAppends) {
  SignedIn s;
  JournalWindow* w = openJournal(s);
  ASSERT_NE(w, nullptr);
  QTableWidget* t = w->list()->table();
  t->setFocus();
  w->list()->home();
  QTest::keyClick(t, Qt::Key_Space);
  w->list()->down();
  w->list()->down();
  QTest::keyClick(t, Qt::Key_F12);
  auto tagged = w->list()->tags();
  EXPECT_EQ(tagged.size(), 2u);
  appendResult(s, "Новый Экзаменуемый");
  w->button("Обновить")->click();
  EXPECT_EQ(w->list()->tags(), tagged);
  EXPECT_EQ(w->statusText(2), "Записей-7");
  w->list()->end();
  EXPECT_EQ(w->list()->cellText(w->list()->currentRow(), 1), "Новый Экзаменуемый");
  // The frame's "Выделить все" (1124).
  ui::post(w, TagAll);
  QApplication::processEvents();
  EXPECT_EQ(w->list()->tags().size(), 7u);
  QTest::keyClick(t, Qt::Key_Minus, Qt::ControlModifier);
  EXPECT_TRUE(w->list()->tags().empty());
}

// "Обновить" and F5 bring the Examiner's new groups and tests into the
// filter's lists, and the value chosen stays chosen.
TEST(JournalWindow, RefreshingRefillsTheFilterListsKeepingTheChoice) {
  SignedIn s;
  JournalWindow* w = openJournal(s);
  ASSERT_NE(w, nullptr);
  w->filterBox()->setChecked(true);
  QComboBox* groups = w->filterList(FilterColumn::Group);
  const QString group = groups->itemText(1);
  choose(groups, group);
  const QString text = QString::fromStdString(w->filter().text());
  const int rows = w->list()->rowCount();
  {
    results::ResultFile rf;
    ASSERT_EQ(rf.open(s.made.directory, s.made.resultFile), store::Ok);
    rf.rez = tables::RezTest{};
    rf.rez.CODEREZ = 7;
    rf.rez.FIO = cp1251::fromUtf8("Новый Экзаменуемый");
    rf.rez.GR = cp1251::fromUtf8("АА-000");  // sorts first
    rf.rez.NAMETEMA = cp1251::fromUtf8("Новый тест");
    ASSERT_EQ(rf.add(false), store::Ok);
  }
  ASSERT_EQ(groups->findText("АА-000"), -1);
  QTest::keyClick(w->list()->table(), Qt::Key_F5);
  EXPECT_EQ(groups->findText("АА-000"), 0);
  EXPECT_GE(w->filterList(FilterColumn::Test)->findText("Новый тест"), 0);
  EXPECT_EQ(groups->currentText(), group) << "the chosen group is still shown";
  EXPECT_EQ(QString::fromStdString(w->filter().text()), text);
  EXPECT_EQ(w->list()->rowCount(), rows);
}

// The tags go only with a deletion: not when it is answered No, nor when
// it fails and is taken back.
TEST(JournalWindow, TagsStayWhenNothingIsDeleted) {
  SignedIn s;
  JournalWindow* w = openJournal(s);
  ASSERT_NE(w, nullptr);
  w->list()->home();
  w->list()->toggleTag();
  w->list()->down();
  w->list()->toggleTag();
  const auto tagged = w->list()->tags();
  ASSERT_EQ(tagged.size(), 2u);
  ms().script({messages::No});
  w->deleteCurrent();
  EXPECT_EQ(w->list()->tags(), tagged) << "the form's deletion answered No";
  ms().script({messages::No});
  ui::post(w, DeleteTagged);
  QApplication::processEvents();
  EXPECT_EQ(w->list()->tags(), tagged) << "the tagged deletion answered No";
  // The class journal cannot be opened: the deletion fails as a whole.
  const std::string vedom = s.made.directory + "Vedom.tps";
  ASSERT_EQ(std::rename(vedom.c_str(), (vedom + ".saved").c_str()), 0);
  { std::ofstream(vedom, std::ios::binary) << "not a table at all, not a table at all, not a table at all"; }
  ms().script({messages::Yes, messages::Ok});
  ms().clearShown();
  w->deleteTagged();
  ASSERT_EQ(ms().shown().size(), 2u);
  EXPECT_NE(ms().shown().back().text.find("Журналы оставлены без изменений"), std::string::npos) << ms().shown().back().text;
  EXPECT_EQ(w->list()->rowCount(), 6);
  EXPECT_EQ(w->list()->tags(), tagged) << "the failed deletion";
  ms().script({messages::Yes, messages::Ok});
  w->deleteCurrent();
  EXPECT_EQ(w->list()->rowCount(), 6);
  EXPECT_EQ(w->list()->tags(), tagged) << "the form's failed deletion";
  ASSERT_EQ(std::rename((vedom + ".saved").c_str(), vedom.c_str()), 0);
  ms().script({messages::Yes});
  w->deleteTagged();
  EXPECT_EQ(w->list()->rowCount(), 4);
  EXPECT_TRUE(w->list()->tags().empty());
}

TEST(JournalWindow, ACancelledMoveAndTheCurrentJournalAsDestinationChangeNothing) {
  SignedIn s;
  JournalWindow* w = openJournal(s);
  ASSERT_NE(w, nullptr);
  ASSERT_EQ(results::create(s.made.directory, "Архив"), store::Ok);
  w->list()->tagAll();
  QString answer;
  int asked = 0, shownTagged = 0;
  w->askDestination = [&](bool move, int tagged) {
    ++asked;
    EXPECT_TRUE(move);
    shownTagged = tagged;
    return answer;
  };
  ui::post(w, MoveTagged);  // the frame's "Переместить в..."
  QApplication::processEvents();
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(shownTagged, 6);
  EXPECT_EQ(w->list()->rowCount(), 6);
  EXPECT_EQ(w->list()->tags().size(), 6u);
  // The current journal is refused.
  answer = "Общий";
  ms().clearShown();
  w->copyTagged(true);
  ASSERT_FALSE(ms().shown().empty());
  EXPECT_NE(ms().shown().back().text.find("Выберите другой журнал назначения"), std::string::npos);
  // The move's question answered No.
  answer = "Архив";
  ms().script({messages::No});
  w->copyTagged(true);
  EXPECT_EQ(ms().shown().back().text, "Вы уверены в том, что хотите удалить эту запись?");
  EXPECT_EQ(w->list()->rowCount(), 6);
  results::ResultFile rf;
  ASSERT_EQ(rf.open(s.made.directory, "Архив"), store::Ok);
  EXPECT_EQ(rf.rezT.records(), 0);
  // Answered Yes: two tagged results go.
  w->list()->untagAll();
  w->list()->home();
  w->list()->toggleTag();
  w->list()->down();
  w->list()->toggleTag();
  ms().script({messages::Yes});
  ms().clearShown();
  w->copyTagged(true);
  ASSERT_EQ(ms().shown().size(), 1u) << ms().shown().back().text;
  EXPECT_EQ(rf.rezT.records(), 2);
  EXPECT_EQ(w->list()->rowCount(), 4);
  EXPECT_TRUE(w->list()->tags().empty());
  EXPECT_EQ(w->statusText(2), "Записей-4");
}

TEST(JournalWindow, TheDestinationDialogWantsAJournal) {
  SignedIn s;
  DestinationDialog d(s.made.directory, false, 3, nullptr);
  EXPECT_EQ(d.windowTitle(), "Копирование выбранных заданий");
  ms().clearShown();
  whenShown<DestinationDialog>([](DestinationDialog* x) {
    x->accept();  // nothing chosen: it stays open
    EXPECT_TRUE(x->isVisible());
    x->choose("Общий");
    x->accept();
  });
  EXPECT_EQ(d.exec(), QDialog::Accepted);
  ASSERT_FALSE(ms().shown().empty());
  EXPECT_EQ(ms().shown().front().text, "Выберите архив тест назначения");
  EXPECT_EQ(ms().shown().front().caption, "Ошибка");
  EXPECT_EQ(d.destination(), "Общий");
}

TEST(JournalWindow, DeletingTheHighlightedResultTakesItsDetailAndRenumbers) {
  SignedIn s;
  JournalWindow* w = openJournal(s);
  ASSERT_NE(w, nullptr);
  w->list()->home();
  w->list()->down();  // result 2
  std::string howot3;
  {
    results::ResultFile rf;
    ASSERT_EQ(rf.open(s.made.directory, s.made.resultFile), store::Ok);
    rf.dtl.CODEREZ = 3;
    ASSERT_EQ(rf.dtlT.get(rf.dtlT.key("KEYCODEREZ")), store::Ok);
    howot3 = rf.dtl.HOWOT.text;
  }
  ms().script({messages::Yes});
  QTest::keyClick(w->list()->table(), Qt::Key_Delete);
  EXPECT_EQ(w->list()->rowCount(), 5);
  results::ResultFile rf;
  ASSERT_EQ(rf.open(s.made.directory, s.made.resultFile), store::Ok);
  EXPECT_EQ(rf.dtlT.records(), 5);
  rf.dtl.CODEREZ = 2;
  ASSERT_EQ(rf.dtlT.get(rf.dtlT.key("KEYCODEREZ")), store::Ok);
  EXPECT_EQ(rf.dtl.HOWOT.text, howot3);
  rf.dtl.CODEREZ = 0;
  EXPECT_NE(rf.dtlT.get(rf.dtlT.key("KEYCODEREZ")), store::Ok) << "no orphan detail";
}

TEST(JournalWindow, TheExportReadBackEqualsTheFilteredList) {
  SignedIn s;
  JournalWindow* w = openJournal(s);
  ASSERT_NE(w, nullptr);
  w->filterBox()->setChecked(true);
  choose(w->filterList(FilterColumn::Test), w->filterList(FilterColumn::Test)->itemText(0));
  w->list()->setOrder(1);
  const std::string path = s.tmp / "export.csv";
  ms().clearShown();
  ASSERT_TRUE(w->exportTo(QString::fromStdString(path))) << (ms().shown().empty() ? "" : ms().shown().back().text);
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  const std::string bytes = ss.str();
  ASSERT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
  QString text = QString::fromUtf8(QByteArray::fromStdString(bytes.substr(3)));
  QStringList lines = text.split("\r\n", Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), w->list()->rowCount() + 1);
  for (int r = 0; r < w->list()->rowCount(); ++r) {
    QStringList f = lines[r + 1].split(';');
    ASSERT_EQ(f.size(), 17);
    EXPECT_EQ(f[0].toInt(), w->list()->cellText(r, 0).toInt());
    EXPECT_EQ(f[1], w->list()->cellText(r, 1));
    EXPECT_EQ(f[3], w->list()->cellText(r, 3));
    EXPECT_EQ(f[5].toInt(), w->list()->cellText(r, 5).trimmed().toInt());
  }
}

TEST(JournalWindow, ProtocolPrintDialogAndNameSearch) {
  SignedIn s;
  JournalWindow* w = openJournal(s);
  ASSERT_NE(w, nullptr);
  std::vector<QString> reports;
  w->showReport = [&](const ui::Report& r) {
    reports.push_back(r.title());
    EXPECT_GE(r.pageCount(), 1);
  };
  emit w->list()->table()->cellDoubleClicked(0, 1);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], "Протокол тестирования");
  whenShown<ResultsPrintDialog>([](ResultsPrintDialog* d) {
    EXPECT_EQ(d->windowTitle(), "Печать результатов тестирования");
    d->setMode(ResultsPrintDialog::All);
    d->accept();
  });
  QTest::keyClick(w->list()->table(), Qt::Key_P, Qt::ControlModifier);
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[1], "Ведомость по результатам тестирования");
  // Ctrl+F's search lands on the name.
  const QString someone = w->list()->cellText(3, 1);
  w->list()->home();
  ASSERT_TRUE(w->findNext(someone.left(4).toLower()));
  EXPECT_TRUE(w->list()->cellText(w->list()->currentRow(), 1).startsWith(someone.left(4)));
}

// The list report tells its progress by records and pages as it goes, and
// stops when told to.
TEST(JournalWindow, TheListReportTellsItsProgress) {
  SignedIn s;
  std::vector<tables::RezTest> rows(300);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    rows[i].CODEREZ = static_cast<std::int32_t>(i + 1);
    rows[i].FIO = cp1251::fromUtf8("Экзаменуемый " + std::to_string(i + 1));
    rows[i].KOLVOP = 10;
  }
  std::vector<std::array<int, 3>> heard;
  ui::Report r = resultsListReport(rows, "Тест", false, [&](int done, int total, int page) {
    heard.push_back({done, total, page});
    return true;
  });
  ASSERT_GE(r.pageCount(), 3);
  ASSERT_FALSE(heard.empty());
  EXPECT_LE(heard.size(), 101u);
  EXPECT_EQ(heard.back(), (std::array<int, 3>{300, 300, r.pageCount()}));
  EXPECT_EQ(heard.front()[2], 1);
  for (std::size_t i = 1; i < heard.size(); ++i) {
    EXPECT_GT(heard[i][0], heard[i - 1][0]);
    EXPECT_GE(heard[i][2], heard[i - 1][2]);
  }
  int calls = 0;
  ui::Report stopped = resultsListReport(rows, "Тест", false, [&](int, int, int) { return ++calls < 2; });
  EXPECT_EQ(calls, 2);
  EXPECT_LT(stopped.pageCount(), r.pageCount());
}

TEST(JournalWindow, DetailsWriteTheErrorViewingAndAFailedStartPutsTheModeBack) {
  SignedIn s;
  std::vector<std::string> modes;
  bool starts = true;
  s.app->startProgram = [&](const QString& command, const QString&) {
    EXPECT_EQ(command, "Varnuke.exe");
    modes.push_back(settings::IniFile(s.made.directory + "Varnuke.ini").get("GlbTune", "ModeWork"));
    return starts;
  };
  JournalWindow* w = openJournal(s);
  ASSERT_NE(w, nullptr);
  w->list()->home();
  whenShown<WrongAnswersWindow>([](WrongAnswersWindow* x) {
    EXPECT_EQ(x->windowTitle(), "Неверные ответы");
    EXPECT_EQ(x->listText(), "007,");
    x->detailsButton()->click();  // started: the window closes
  });
  w->button("Ошибки")->click();
  ASSERT_EQ(modes, (std::vector<std::string>{"7"}));
  settings::IniFile ini(s.made.directory + "Varnuke.ini");
  EXPECT_EQ(ini.get("GlbTune", "CodeRez"), "1");
  EXPECT_EQ(ini.get("GlbTune", "ViewFileRez"), "Общий") << "the journal the result is in";
  // The test's file, found from the result's title by the register.
  EXPECT_EQ(ini.get("GlbTune", "SelTest"), s.made.library + "Арифметика.orm");

  // An Examiner that cannot start leaves the mode as it was.
  ini.set("GlbTune", "ModeWork", "0");
  ini.set("GlbTune", "ViewFileRez", "");
  starts = false;
  whenShown<WrongAnswersWindow>([](WrongAnswersWindow* x) {
    x->detailsButton()->click();
    EXPECT_TRUE(x->isVisible());
    x->reject();
  });
  ms().clearShown();
  w->showErrors();
  EXPECT_EQ(modes.size(), 2u);
  EXPECT_EQ(modes.back(), "7");
  EXPECT_EQ(settings::IniFile(s.made.directory + "Varnuke.ini").get("GlbTune", "ModeWork"), "0");
  EXPECT_EQ(settings::IniFile(s.made.directory + "Varnuke.ini").get("GlbTune", "ViewFileRez"), "");
  ASSERT_FALSE(ms().shown().empty());
  EXPECT_EQ(ms().shown().back().text, "Не удалось запустить программу Экзаменатор.");
}

TEST(JournalWindow, TheJournalListChoosesAndRefusesTheCurrentJournal) {
  SignedIn s;
  QPointer<JournalWindow> w = openJournal(s);
  ASSERT_NE(w, nullptr);
  ASSERT_EQ(results::create(s.made.directory, "Гр 1.2"), store::Ok);
  // The frame's "Файлы результатов".
  QPointer<common::ArchiveWindow> list = qobject_cast<common::ArchiveWindow*>(s.app->openJournalList());
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->windowTitle(), "Архив результатов тестирования");
  QApplication::processEvents();
  ASSERT_TRUE(w) << "the list leaves the journal open";
  EXPECT_TRUE(w->isVisible());
  list->select("Общий");
  ms().clearShown();
  list->deleteJournal();
  EXPECT_EQ(ms().shown().back().text, "Указанный файл открыт,|удалить невозможно.");
  // A second list, opened before the choice below.
  QPointer<common::ArchiveWindow> other = qobject_cast<common::ArchiveWindow*>(s.app->openJournalList());
  ASSERT_NE(other, nullptr);
  list->select("Гр 1.2");
  EXPECT_EQ(list->selectedName(), "Гр 1.2");
  list->choose();
  QApplication::processEvents();
  EXPECT_EQ(settings::IniFile(s.made.directory + "Varnuke.ini").get("Path", "FileRez"), "Гр 1.2");
  // The open journal turned to it (1040).
  ASSERT_TRUE(w);
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(w->windowTitle(), "Журнал результатов: ГР 1.2");
  EXPECT_EQ(w->list()->rowCount(), 0);
  EXPECT_EQ(w->statusText(2), "Записей-0");

  // The other list knows the journal is current now, though nothing holds it open.
  w->close();
  QApplication::processEvents();
  ms().clearShown();
  ms().script({messages::Yes});
  other->select("Гр 1.2");
  other->deleteJournal();
  EXPECT_TRUE(std::filesystem::exists(s.made.directory + "Stat/Гр 1.2.rez")) << "the current journal is never deleted";
  EXPECT_FALSE(ms().shown().empty());
  ms().script({});
  other->reject();
}

// A journal that does not open is not made current, and an open journal
// window whose journal cannot be reopened goes instead of showing closed tables.
TEST(JournalWindow, AJournalThatDoesNotOpenIsNeitherChosenNorShown) {
  SignedIn s;
  QPointer<JournalWindow> w = openJournal(s);
  ASSERT_NE(w, nullptr);
  { std::ofstream(s.made.directory + "Stat/Битый.rez", std::ios::binary) << "not a journal, not a journal, not a journal"; }
  settings::IniFile ini(s.made.directory + "Varnuke.ini");
  for (bool fromFrame : {true, false}) {
    ms().clearShown();
    if (fromFrame) {
      QPointer<common::ArchiveWindow> list = qobject_cast<common::ArchiveWindow*>(s.app->openJournalList());
      ASSERT_NE(list, nullptr);
      list->select("Битый");
      list->choose();
      EXPECT_TRUE(list->isVisible()) << "the list stays for another choice";
      list->reject();
    } else {
      whenShown<common::ArchiveWindow>([](common::ArchiveWindow* list) {
        list->select("Битый");
        list->choose();
        EXPECT_TRUE(list->isVisible());
        list->reject();
      });
      w->button("Выбор другого журнала результатов")->click();
    }
    QApplication::processEvents();
    ASSERT_EQ(ms().shown().size(), 1u) << fromFrame;
    EXPECT_EQ(ms().shown()[0].text.rfind("Журнал результатов \"Битый\" не открывается", 0), 0u) << ms().shown()[0].text;
    EXPECT_EQ(ini.get("Path", "FileRez"), "Общий");
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle(), "Журнал результатов: ОБЩИЙ");
    EXPECT_EQ(w->list()->rowCount(), 6);
  }
  // Made current behind its back: the reopening fails, is said, and the window goes.
  ini.set("Path", "FileRez", "Битый");
  ms().clearShown();
  w->reopen();
  EXPECT_EQ(ms().shown().size(), 1u);
  EXPECT_FALSE(w->isVisible());
  w->refreshList();
  w->tagAll();
  w->deleteTagged();
  EXPECT_EQ(ms().shown().size(), 1u) << "nothing more reads the closed tables";
  ini.set("Path", "FileRez", "Общий");
}

// A list opened to choose a room's or the workstations' journal still
// keeps the system's current journal from being deleted or renamed.
TEST(JournalWindow, NoJournalListDeletesOrRenamesTheCurrentJournal) {
  SignedIn s;
  ASSERT_EQ(results::create(s.made.directory, "Гр 1.2"), store::Ok);
  setup::Installation inst = s.installation();
  tables::Labr room;
  store::Table rooms(tables::labrDef(), room, inst.central(tables::files::Labr));
  ASSERT_EQ(rooms.open(store::Shared), store::Ok);
  const std::function<void()> openers[] = {
      [&] {
        RoomForm f(rooms, room, inst);
        f.field("CURREZ")->setText("Гр 1.2");
        f.journalButton()->click();
      },
      [&] {
        AutostartWindow a(inst);
        a.chooseJournal(nullptr, "Гр 1.2");
      },
  };
  for (const auto& open : openers) {
    bool seen = false;
    whenShown<common::ArchiveWindow>([&](common::ArchiveWindow* list) {
      seen = true;
      EXPECT_EQ(list->selectedName(), "Гр 1.2") << "it opens on the journal being chosen";
      list->select("Общий");
      ms().script({messages::Yes});
      ms().clearShown();
      list->deleteJournal();
      ASSERT_FALSE(ms().shown().empty());
      EXPECT_EQ(ms().shown().back().text, "Указанный файл открыт,|удалить невозможно.");
      ms().clearShown();
      list->renameJournal();
      ASSERT_FALSE(ms().shown().empty());
      EXPECT_EQ(ms().shown().back().text, "Указанный файл открыт,|переименовать невозможно.");
      list->reject();
    });
    open();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(std::ifstream(s.made.directory + "Stat/Общий.rez").good());
  }
  ms().script({});
}

}  // namespace
