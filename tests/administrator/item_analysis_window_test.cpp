// "Анализ теста" on a demo installation: the journal read on the timer,
// the tests by name and library, the groups, both tables and the figures
// of a test whose statistics are known, another journal from "Архив", the
// printout and the export.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPaintEngine>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "report_texts.h"
#include "cp1251.h"
#include "item_analysis_window.h"
#include "previewer.h"
#include "report.h"
#include "result_file.h"
#include "signed_in.h"

using namespace administrator;
using admin_testing::SignedIn;
using admin_testing::ms;

using report_testing::reportTexts;

namespace {

std::string cp(const char* utf8) { return cp1251::fromUtf8(utf8); }

const char* kFixture[] = {"1111", "1110", "1100", "1010", "0100", "1000"};

// Results of a test of four frames in journal `name` of the installation:
// the six rows above in group "А-1", then `more` results in group "Б-2"
// that answered everything right.
void addFixture(const setup::Installation& inst, const std::string& name, const std::string& library, int more = 0) {
  results::ResultFile rf;
  ASSERT_EQ(rf.open(inst.base, name), 0) << rf.error().text();
  int code = static_cast<int>(rf.rezT.records());
  auto add = [&](const std::string& frames, const char* group) {
    auto& r = rf.rez;
    r = tables::RezTest{};
    r.CODEREZ = ++code;
    r.NAMETEMA = cp("Фикстура");
    r.BIBLTEST = library;
    r.GR = cp(group);
    r.ALLOT.fill(2);
    for (std::size_t i = 0; i < frames.size(); ++i) {
      r.ALLOT[i] = frames[i] == '1' ? 1 : 0;
      r.REZBAL += frames[i] == '1';
    }
    ASSERT_EQ(rf.add(false), 0) << rf.error().text();
  };
  for (const char* row : kFixture) add(row, "А-1");
  for (int i = 0; i < more; ++i) add("1111", "Б-2");
}

ItemAnalysisWindow* open(SignedIn& s) {
  QAction* item = s.app->menuItem(QStringLiteral("Анализ тестовых заданий"));
  EXPECT_NE(item, nullptr);
  if (!item) return nullptr;
  item->trigger();
  auto* w = qobject_cast<ItemAnalysisWindow*>(s.app->slot());
  EXPECT_NE(w, nullptr) << "the window takes the exclusive slot";
  return w;
}

bool settle(ItemAnalysisWindow* w) {
  for (int i = 0; i < 2000 && w->busy(); ++i) QTest::qWait(5);
  return !w->busy();
}

QString cell(QTableWidget* t, int row, int column) {
  auto* i = t->item(row, column);
  return i ? i->text() : QStringLiteral("<none>");
}

TEST(ItemAnalysisWindow, TheDemoJournalsTestsAreListedAndTheFirstAnalysed) {
  SignedIn s;
  ItemAnalysisWindow* w = open(s);
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->busy()) << "the journal is read on the timer";
  ASSERT_TRUE(settle(w));
  EXPECT_TRUE(w->findChild<QLabel*>(QStringLiteral("journal"))->text().contains(QString::fromStdString(s.made.resultFile).toUpper()));
  // The demo journal: four results of the arithmetic test, two of informatics.
  ASSERT_EQ(w->tests()->count(), 2);
  EXPECT_TRUE(w->tests()->itemText(0).startsWith(QStringLiteral("Арифметика")));
  EXPECT_EQ(w->figure(QStringLiteral("Всего проведено тестов:")), "4");
  EXPECT_EQ(w->groups()->itemText(0), "Все группы");
  EXPECT_GE(w->groups()->count(), 2);
  // Frame 1 was answered right by three of the four (demo attempts).
  ASSERT_GE(w->questionTable()->rowCount(), 7);
  EXPECT_EQ(cell(w->questionTable(), 0, 0), "1");
  EXPECT_EQ(cell(w->questionTable(), 0, 3), "3");
  EXPECT_EQ(cell(w->questionTable(), 0, 4), "1");
  EXPECT_EQ(cell(w->questionTable(), 0, 5), "0.750");
  EXPECT_TRUE(w->progress()->text().contains(QStringLiteral("4")));
  // The results' title is not the file's name: the file is found through the register.
  ASSERT_EQ(w->questions().size(), 7u);
  EXPECT_EQ(w->figure(QStringLiteral("Количество заданий:")), "7");
  EXPECT_FALSE(cell(w->questionTable(), 0, 2).isEmpty());
}

TEST(ItemAnalysisWindow, TheFixturesFiguresTablesAndGroups) {
  SignedIn s;
  const setup::Installation inst = s.installation();
  addFixture(inst, s.made.resultFile, cp1251::fromUtf8(s.made.library), 2);
  ItemAnalysisWindow* w = open(s);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(settle(w));
  ASSERT_TRUE(w->chooseTest({cp("Фикстура"), cp1251::fromUtf8(s.made.library)}));
  ASSERT_TRUE(settle(w));
  EXPECT_EQ(w->figure(QStringLiteral("Всего проведено тестов:")), "8");
  ASSERT_EQ(w->groups()->count(), 3);
  ASSERT_TRUE(w->chooseGroup(QStringLiteral("А-1")));
  ASSERT_TRUE(settle(w));
  EXPECT_EQ(w->figure(QStringLiteral("Всего проведено тестов:")), "6");
  EXPECT_EQ(w->figure(QStringLiteral("Количество заданий:")), "4");  // no test file: the frames seen
  EXPECT_EQ(w->figure(QStringLiteral("Дискрминативность теста:")), "0.9028");
  EXPECT_EQ(w->figure(QStringLiteral("Коэффициент внутренней согласованности (CIC), %:")), "45.53");
  EXPECT_EQ(w->figure(QStringLiteral("Мода (наиболее повторяющийся балл):")), "1");
  QTableWidget* t = w->questionTable();
  ASSERT_EQ(t->rowCount(), 4);
  const char* discrimination[] = {"15.81", "0.00", "44.72", "54.77"};
  const char* efficiency[] = {"25.00", "0.00", "50.00", "100.00"};
  for (int r = 0; r < 4; ++r) {
    EXPECT_EQ(cell(t, r, 10), discrimination[r]) << r;
    EXPECT_EQ(cell(t, r, 12), efficiency[r]) << r;
  }
  EXPECT_EQ(w->tests()->itemText(w->tests()->currentIndex()), "Фикстура");
  EXPECT_EQ(w->distributionTable()->rowCount(), 4);
  EXPECT_EQ(cell(w->distributionTable(), 1, 0), "2");
  EXPECT_EQ(cell(w->distributionTable(), 1, 3), "66.7");
  EXPECT_EQ(w->distributionTable()->horizontalHeaderItem(3)->text(), QStringLiteral("%\n(нарастающий)"));
  EXPECT_EQ(w->questionTable()->horizontalHeaderItem(6)->text(), QStringLiteral("Доля:\nневерно"));

  // Back to every group: the eight results again, the group list kept.
  ASSERT_TRUE(w->chooseGroup(QStringLiteral("Все группы")));
  ASSERT_TRUE(settle(w));
  EXPECT_EQ(w->figure(QStringLiteral("Всего проведено тестов:")), "8");
}

TEST(ItemAnalysisWindow, OneNameInTwoLibrariesIsTwoTestsAndQuestionsComeFromTheTestFile) {
  SignedIn s;
  const setup::Installation inst = s.installation();
  addFixture(inst, s.made.resultFile, cp1251::fromUtf8(s.made.library));
  addFixture(inst, s.made.resultFile, cp("D:/Резерв/"), 3);
  ItemAnalysisWindow* w = open(s);
  ASSERT_NE(w, nullptr);
  // The fixture stands for the demo's first test file, whose questions it takes.
  w->locateTest = [&](const tables::RezTest& r) {
    TestFound f;
    f.found = r.BIBLTEST == cp1251::fromUtf8(s.made.library);
    f.dir = s.made.library;
    f.base = s.made.tests[0];
    return f;
  };
  ASSERT_TRUE(settle(w));
  EXPECT_EQ(w->tests()->count(), 4);
  ASSERT_TRUE(w->chooseTest({cp("Фикстура"), cp("D:/Резерв/")}));
  ASSERT_TRUE(settle(w));
  EXPECT_EQ(w->figure(QStringLiteral("Всего проведено тестов:")), "9");
  EXPECT_TRUE(w->questions().empty());
  EXPECT_TRUE(w->progress()->text().contains(QStringLiteral("Файл теста не найден")));
  ASSERT_TRUE(w->chooseTest({cp("Фикстура"), cp1251::fromUtf8(s.made.library)}));
  ASSERT_TRUE(settle(w));
  EXPECT_EQ(w->figure(QStringLiteral("Всего проведено тестов:")), "6");
  ASSERT_FALSE(w->questions().empty());
  EXPECT_EQ(w->figure(QStringLiteral("Количество заданий:")), QString::number(w->questions().size()));
  EXPECT_EQ(w->questionTable()->rowCount(), static_cast<int>(w->questions().size()));
  EXPECT_FALSE(cell(w->questionTable(), 0, 2).isEmpty()) << "the question's text";
  EXPECT_EQ(cell(w->questionTable(), 4, 3), "0") << "frame 5 was presented to nobody";
  EXPECT_EQ(cell(w->questionTable(), 4, 5), "");
}

TEST(ItemAnalysisWindow, ArchiveReadsAnotherJournal) {
  SignedIn s;
  const setup::Installation inst = s.installation();
  ASSERT_EQ(results::create(inst.base, "second"), 0);
  addFixture(inst, "second", cp("C:/Тесты/"));
  ItemAnalysisWindow* w = open(s);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(settle(w));
  int asked = 0;
  w->chooseJournal = [&](QWidget*) -> std::optional<QString> {
    ++asked;
    return asked == 1 ? std::nullopt : std::optional<QString>(QStringLiteral("second"));
  };
  w->button(QStringLiteral("Архив"))->click();  // cancelled: the journal stays
  EXPECT_FALSE(w->busy());
  EXPECT_EQ(w->tests()->count(), 2);
  w->button(QStringLiteral("Архив"))->click();
  ASSERT_TRUE(settle(w));
  EXPECT_EQ(w->journal(), "second");
  EXPECT_TRUE(w->findChild<QLabel*>(QStringLiteral("journal"))->text().endsWith(QStringLiteral("SECOND")));
  ASSERT_EQ(w->tests()->count(), 1);
  EXPECT_EQ(w->figure(QStringLiteral("Всего проведено тестов:")), "6");
  EXPECT_TRUE(w->findChild<QLabel*>(QStringLiteral("status"))->text().startsWith(QStringLiteral("Записей- 6")));
}

TEST(ItemAnalysisWindow, PrintShowsBothTablesAndExportWritesThem) {
  SignedIn s;
  const setup::Installation inst = s.installation();
  addFixture(inst, s.made.resultFile, cp1251::fromUtf8(s.made.library));
  ItemAnalysisWindow* w = open(s);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(settle(w));
  ASSERT_TRUE(w->chooseTest({cp("Фикстура"), cp1251::fromUtf8(s.made.library)}));
  ASSERT_TRUE(settle(w));

  const QStringList texts = reportTexts(*w->report());
  for (const char* t : {"Анализ теста: Фикстура", "дискр.", "54.77", "Результат", "в баллах", "66.7", "0.9028", "45.53"})
    EXPECT_TRUE(texts.contains(QString::fromUtf8(t))) << t << ": " << texts.join(" | ").toStdString();
  // The discrimination of the test heads the distribution, as on the window.
  EXPECT_LT(texts.indexOf(QStringLiteral("Дискрминативность теста:")), texts.indexOf(QStringLiteral("Результат")));
  int pages = 0;
  whenShown<ui::Previewer>([&](ui::Previewer* p) {
    pages = p->pageCount();
    p->reject();
  });
  w->button(QStringLiteral("Печать"))->click();
  EXPECT_GE(pages, 1);

  const QString path = QString::fromStdString(s.tmp / "analysis");
  w->pickExportFile = [&](QWidget*) { return path; };
  ms().clearShown();
  w->button(QStringLiteral("Экспорт"))->click();
  QFile f(path + QStringLiteral(".csv"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray csv = f.readAll();
  EXPECT_TRUE(csv.startsWith("\xEF\xBB\xBF"));
  EXPECT_TRUE(csv.contains(QStringLiteral("\r\n4;;;1;5;0,167;0,833;0,14;-1,609;0,50;54,77;30,00;100,00\r\n").toUtf8()));
  EXPECT_TRUE(csv.contains(QStringLiteral("Результат в баллах;Частоты (повторения);%;% (нарастающий)").toUtf8()));
  ASSERT_EQ(ms().shown().size(), 1u);
  EXPECT_NE(ms().shown()[0].text.find("analysis.csv"), std::string::npos);
  f.close();

  // The name typed without ".csv" again: the file of that name is there, so
  // it is replaced only when the user agrees.
  {
    QFile old(path + QStringLiteral(".csv"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly | QIODevice::Truncate));
    old.write("kept");
  }
  auto content = [&] {
    QFile g(path + QStringLiteral(".csv"));
    return g.open(QIODevice::ReadOnly) ? g.readAll() : QByteArray();
  };
  ms().clearShown();
  ms().script({messages::No});
  w->button(QStringLiteral("Экспорт"))->click();
  ASSERT_EQ(ms().shown().size(), 1u);
  EXPECT_NE(ms().shown()[0].text.find("Заменить"), std::string::npos) << ms().shown()[0].text;
  EXPECT_EQ(content(), QByteArray("kept"));
  ms().clearShown();
  ms().script({messages::Yes});
  w->button(QStringLiteral("Экспорт"))->click();
  ASSERT_EQ(ms().shown().size(), 2u);
  EXPECT_TRUE(content().startsWith("\xEF\xBB\xBF"));
  // A name with its extension was asked about by the file dialog: no second question.
  ms().clearShown();
  w->pickExportFile = [&](QWidget*) { return path + QStringLiteral(".csv"); };
  w->button(QStringLiteral("Экспорт"))->click();
  ASSERT_EQ(ms().shown().size(), 1u);
  EXPECT_NE(ms().shown()[0].text.find("записаны"), std::string::npos);
  ms().script({});
}

TEST(ItemAnalysisWindow, AnExportThatCannotBeWrittenWholeIsReportedAndTheOldFileKept) {
  SignedIn s;
  const setup::Installation inst = s.installation();
  addFixture(inst, s.made.resultFile, cp1251::fromUtf8(s.made.library));
  ItemAnalysisWindow* w = open(s);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(settle(w));
  ASSERT_TRUE(w->chooseTest({cp("Фикстура"), cp1251::fromUtf8(s.made.library)}));
  ASSERT_TRUE(settle(w));
  const QString path = QString::fromStdString(s.tmp / "full.csv");
  {
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("previous export");
  }
  w->pickExportFile = [&](QWidget*) { return path; };
  ms().clearShown();
  // Files may grow to 300 bytes only: the tables do not fit, whether the
  // write or its flush on closing runs into the limit.
  struct rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 300;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  w->button(QStringLiteral("Экспорт"))->click();
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldSignal);
  ASSERT_EQ(ms().shown().size(), 1u);
  EXPECT_NE(ms().shown()[0].text.find("Не удалось записать"), std::string::npos) << ms().shown()[0].text;
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("previous export"));
  f.close();
  QStringList left = QDir(QString::fromStdString(s.tmp.path())).entryList(QDir::Files);
  EXPECT_EQ(left.filter(QStringLiteral("full")), QStringList{QStringLiteral("full.csv")}) << "no part-written file stays";
}

}  // namespace
