// The grade-sheet windows on the demo installation, driven as a user would:
// the clean-up of "Просмотр файла Vedom" answered through the message
// service, the rating's two pages (shared places, "Назад", the report and
// the export), the class journal, and the exam sheet of a group with two
// students absent, read back from the report and the export.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPaintEngine>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>

#include <sys/resource.h>

#include <QRegularExpression>
#include <QTimer>
#include <climits>
#include <csignal>

#include "report_texts.h"
#include "browse.h"
#include "contingent.h"
#include "contingent_forms.h"
#include "cp1251.h"
#include "datetime.h"
#include "examinee_name.h"
#include "grade_sheet_windows.h"
#include "previewer.h"
#include "rating_window.h"
#include "result_file.h"
#include "window_tools.h"
#include "signed_in.h"
#include "tables_central.h"
#include "tables_work.h"

using namespace administrator;
using admin_testing::ms;
using admin_testing::SignedIn;

using report_testing::reportTexts;

namespace {

std::string u(const std::string& s) { return cp1251::fromUtf8(s); }

QString readFile(const QString& path) {
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
  const QByteArray bytes = f.readAll();
  EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF")) << "a spreadsheet reads the Cyrillic by the byte-order mark";
  return QString::fromUtf8(bytes.mid(3));
}

struct VedLine {
  std::int32_t student;
  std::string name, group, test;
  std::int32_t ball = 0;
  std::string journal;
  std::int32_t date = 0;
  int mark = 0;
};

void addVedom(const setup::Installation& inst, const std::vector<VedLine>& lines) {
  tables::Vedom v;
  store::Table t(tables::vedomDef(), v, inst.central(tables::files::Vedom));
  ASSERT_EQ(t.open(store::Shared), store::Ok) << t.error().text();
  std::int32_t code = 1000 + static_cast<std::int32_t>(t.records());
  for (const VedLine& l : lines) {
    v = {};
    v.CODEVED = ++code;
    v.CODEST = l.student;
    v.NAMESTUD = u(l.name);
    v.GR = u(l.group);
    v.NAMETEMA = u(l.test);
    v.BALL = l.ball;
    v.FILEREZ = u(l.journal);
    v.DATE = l.date;
    v.OTMETKA = static_cast<std::uint8_t>(l.mark);
    ASSERT_EQ(t.add(), store::Ok) << t.error().text();
  }
}

std::vector<std::string> vedomNames(const setup::Installation& inst) {
  std::vector<std::string> out;
  tables::Vedom v;
  store::Table t(tables::vedomDef(), v, inst.central(tables::files::Vedom));
  EXPECT_EQ(t.open(store::Shared), store::Ok);
  t.set();
  while (t.next() == store::Ok) out.push_back(std::string(cp1251::toUtf8(cp1251::clip(v.NAMESTUD.view()))));
  return out;
}

// A student's name as the Examiner writes it into the grade sheet.
std::string studentName(const setup::Installation& inst, std::int32_t code) {
  tables::Student s;
  store::Table t(tables::studentDef(), s, inst.central(tables::files::Student));
  EXPECT_EQ(t.open(store::Shared), store::Ok);
  s.CODEST = code;
  EXPECT_EQ(t.get(t.key("KEYKODST")), store::Ok);
  return cp1251::toUtf8(common::examineeName(s.FAM.view(), s.NAME.view(), s.OTCHE.view(), common::kGradeSheetNameWidth));
}

template <class W>
W* visibleWindow(const QString& title = {}) {
  for (QWidget* t : QApplication::topLevelWidgets())
    if (auto* w = qobject_cast<W*>(t); w && w->isVisible() && (title.isEmpty() || w->windowTitle() == title)) return w;
  return nullptr;
}

}  // namespace

TEST(GradeSheetWindows, CleanUpAsksOfEveryUnsoundLineAndCountsWhatWent) {
  struct Case {
    const char* what;
    std::vector<int> answers;
    std::size_t asked, deleted;
    std::vector<const char*> left;  // of the three unsound lines
  } cases[] = {
      // Answers are the buttons' places: "&Нет", "&Да", "&Отмена", "&Все удалить".
      {"\"&Все удалить\" at once deletes the first line too", {3}, 1, 3, {}},
      {"\"&Нет\" keeps, \"&Да\" deletes, \"&Отмена\" stops", {0, 1, 2}, 3, 1,
       {"Пропавший Студент", "Сидоров Переименованный"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SignedIn s;
    const setup::Installation inst = s.installation();
    const std::vector<std::string> before = vedomNames(inst);
    ASSERT_FALSE(before.empty()) << "the demo's lines, written as the Examiner writes them";
    // Sound: student 5 by its own name; unsound: a code nobody has, a
    // student gone, and student 6 under a name it no longer has.
    addVedom(inst, {{5, studentName(inst, 5), "ФМ-101", "Т", 1, "Общий"},
                    {0, "Пропавший Студент", "ФМ-101", "Т", 1, "Общий"},
                    {9999, "Ушедший Студент", "ФМ-101", "Т", 1, "Общий"},
                    {6, "Сидоров Переименованный", "ФМ-101", "Т", 1, "Общий"}});
    s.app->menuItem(QStringLiteral("Ведомость успеваемости"))->trigger();
    auto* w = visibleWindow<ui::BrowseWindow>(QStringLiteral("Просмотр файла Vedom"));
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->findChild<QLabel*>(QStringLiteral("deleted"))->isVisible()) << "counters only after a clean-up";
    ms().clearShown();
    ms().script(c.answers);
    auto* clean = w->findChild<QPushButton*>(QStringLiteral("clean"));
    ASSERT_NE(clean, nullptr);
    EXPECT_EQ(clean->text(), "Очистить");
    clean->click();
    ASSERT_EQ(ms().shown().size(), c.asked);
    EXPECT_EQ(ms().shown()[0].text, "Пропавший Студент       Отсутствует в справочнике|Удалить эту запись?");
    EXPECT_EQ(ms().lastButtons(), (QStringList{"&Нет", "&Да", "&Отмена", "&Все удалить"}));
    std::vector<std::string> want = before;
    want.push_back(studentName(inst, 5));
    for (const char* l : c.left) want.push_back(l);
    EXPECT_EQ(vedomNames(inst), want);
    EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("deleted"))->text(),
              QStringLiteral("Удаленных лишних записей: %1").arg(c.deleted));
    EXPECT_TRUE(w->findChild<QLabel*>(QStringLiteral("deleted"))->isVisible());
    if (c.answers.size() == 1) {
      EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("read"))->text(),
                QStringLiteral("Прочитано записей: %1").arg(before.size() + 4));
    }
    EXPECT_EQ(w->rowCount(), std::min<int>(static_cast<int>(want.size()), w->pageRows())) << "the list read again";
    w->close();
  }
}

TEST(GradeSheetWindows, CleanUpQuestionOnScreenShowsItsButtonsInOrder) {
  SignedIn s;
  const setup::Installation inst = s.installation();
  addVedom(inst, {{0, "Пропавший Студент", "ФМ-101", "Т", 1, "Общий"}, {9999, "Ушедший Студент", "ФМ-101", "Т", 1, "Общий"}});
  const std::size_t before = vedomNames(inst).size();
  s.app->menuItem(QStringLiteral("Ведомость успеваемости"))->trigger();
  auto* w = visibleWindow<ui::BrowseWindow>(QStringLiteral("Просмотр файла Vedom"));
  ASSERT_NE(w, nullptr);
  // A real box: its buttons left to right, then "&Все удалить" pressed.
  QStringList order;
  whenShown<QMessageBox>([&](QMessageBox* box) {
    QList<QPushButton*> buttons = box->findChildren<QPushButton*>();
    std::sort(buttons.begin(), buttons.end(),
              [](QPushButton* a, QPushButton* b) { return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x(); });
    for (QPushButton* b : buttons) order << b->text();
    for (QPushButton* b : buttons)
      if (b->text() == QStringLiteral("&Все удалить")) b->click();
  });
  ms().stopScript();
  w->findChild<QPushButton*>(QStringLiteral("clean"))->click();
  ms().script({});
  EXPECT_EQ(order, (QStringList{"&Нет", "&Да", "&Отмена", "&Все удалить"}));
  EXPECT_EQ(vedomNames(inst).size(), before - 2) << "both unsound lines gone after one question";
  w->close();
}

TEST(GradeSheetWindows, VedomBrowseHasItsSixOrdersAndChangesThroughItsForm) {
  SignedIn s;
  s.app->menuItem(QStringLiteral("Ведомость успеваемости"))->trigger();
  auto* w = visibleWindow<ui::BrowseWindow>(QStringLiteral("Просмотр файла Vedom"));
  ASSERT_NE(w, nullptr);
  auto* tabs = w->findChild<QTabBar*>();
  ASSERT_NE(tabs, nullptr);
  QStringList orders;
  for (int i = 0; i < tabs->count(); ++i) orders << tabs->tabText(i);
  EXPECT_EQ(orders, (QStringList{"По коду", "По коду студента", "По фамилии", "По коду группы", "По тесту", "По предмету"}));
  EXPECT_FALSE(w->button(ui::BrowseWindow::Button::Insert)->isVisible());
  // "По фамилии": the names in their order.
  w->setOrder(2);
  QStringList names;
  for (int r = 0; r < w->rowCount(); ++r) names << w->cellText(r, 2);
  QStringList sorted = names;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(names, sorted);
  whenShown<ui::UpdateForm>([](ui::UpdateForm* f) {
    EXPECT_EQ(f->windowTitle(), "Редактирование файла Vedom");
    auto* ball = qobject_cast<QLineEdit*>(f->editorOf(tables::vedomDef().fieldIndex("BALL")));
    ASSERT_NE(ball, nullptr);
    ball->setText("77");
    f->accept();
  });
  w->changeRecord();
  tables::Vedom v;
  store::Table t(tables::vedomDef(), v, s.installation().central(tables::files::Vedom));
  ASSERT_EQ(t.open(store::Shared), store::Ok);
  ASSERT_EQ(t.getAt(w->currentPosition()), store::Ok);
  EXPECT_EQ(v.BALL, 77);
  EXPECT_EQ(QString::fromStdString(cp1251::toUtf8(cp1251::clip(v.NAMESTUD.view()))), w->cellText(w->currentRow(), 2));
  w->close();
}

TEST(GradeSheetWindows, RatingSharesPlacesGoesBackBlankAndPrintsAndExports) {
  SignedIn s;
  const setup::Installation inst = s.installation();
  const std::string test = "Рейтинговый тест";
  // Many lines of another test first, so that the pass takes several ticks.
  std::vector<VedLine> lines;
  for (int i = 0; i < 300; ++i) lines.push_back({2000 + i, "Фоновый " + std::to_string(i), "ЕГ-201", "Другой", 10, "Общий"});
  lines.push_back({101, "Андреев Андрей", "ФМ-101", test, 80, "Общий"});
  lines.push_back({102, "Борисов Борис", "ФМ-101", test, 90, "ОБЩИЙ.rez"});
  lines.push_back({103, "Васильев Василий", "ФМ-101", test, 70, "Общий"});
  lines.push_back({104, "Григорьев Григорий", "ФМ-101", test, 80, "Общий"});
  lines.push_back({105, "Дмитриев Дмитрий", "ФМ-102", test, 100, "Общий"});  // a group not tagged
  addVedom(inst, lines);

  s.app->menuItem(QStringLiteral("Рейтинг"))->trigger();
  auto* w = qobject_cast<RatingWindow*>(s.app->slot());
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->windowTitle(), "Рейтинг тестируемых");
  EXPECT_EQ(w->page(), 0);
  auto tag = [](QListWidget* l, const QString& text) {
    const auto found = l->findItems(text, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << text.toStdString();
    found.front()->setCheckState(Qt::Checked);
  };
  tag(w->journals(), QStringLiteral("Общий"));
  tag(w->tests(), QString::fromStdString(test));
  // The drop list tags the test it names, too.
  w->testChoice()->setCurrentIndex(w->testChoice()->findText(QStringLiteral("Другой")));
  emit w->testChoice()->activated(w->testChoice()->currentIndex());
  EXPECT_EQ(w->tagged(w->tests()), (QStringList{QString::fromStdString(test), QStringLiteral("Другой")}));
  tag(w->groups(), QStringLiteral("ФМ-101"));

  w->next();
  EXPECT_TRUE(w->running()) << "the pass goes on in timer slices";
  ASSERT_NE(w->progress(), nullptr);
  EXPECT_TRUE(w->progress()->isVisible());
  ASSERT_TRUE(QTest::qWaitFor([w] { return !w->running(); }, 20000));
  ASSERT_EQ(w->page(), 1);
  QTableWidget* list = w->ratingList();
  const QStringList heads = {"Место", "Балл", "Испытуемый", "Группа"};
  for (int c = 0; c < 4; ++c) EXPECT_EQ(list->horizontalHeaderItem(c)->text(), heads[c]);
  const struct {
    const char* place;
    const char* score;
    const char* name;
  } want[] = {{"1", "90", "Борисов Борис"}, {"2", "80", "Андреев Андрей"}, {"2", "80", "Григорьев Григорий"}, {"4", "70", "Васильев Василий"}};
  ASSERT_EQ(list->rowCount(), 4);
  for (int r = 0; r < 4; ++r) {
    EXPECT_EQ(list->item(r, 0)->text(), want[r].place);
    EXPECT_EQ(list->item(r, 1)->text(), want[r].score);
    EXPECT_EQ(list->item(r, 2)->text(), want[r].name);
    EXPECT_EQ(list->item(r, 3)->text(), "ФМ-101");
  }
  // The work table the report is made of.
  {
    tables::RtingSel rec;
    store::Table t(tables::rtingSelDef(), rec, inst.work(tables::files::RtingSel));
    ASSERT_EQ(t.open(store::Shared), store::Ok) << t.error().text();
    EXPECT_EQ(t.records(), 4u);
  }

  whenShown<ui::Previewer>([](ui::Previewer* p) { p->reject(); });
  w->print();
  ASSERT_NE(w->report(), nullptr);
  const QStringList texts = reportTexts(*w->report());
  for (const char* h : {"Отчет по рейтингу", "Code Rei", "Code St", "Студент", "GR", "File Rez", "Ball", "Cum F", "Pros Rei", "Mesto", "Лист 1"})
    EXPECT_TRUE(texts.contains(QString::fromUtf8(h))) << h;
  const qsizetype at = texts.indexOf(QStringLiteral("Григорьев Григорий"));
  ASSERT_GE(at, 0);
  // Its line: group, journal, score, F, CumF, percentile rank, place, test.
  EXPECT_EQ(texts.mid(at + 1, 7), (QStringList{"ФМ-101", "Общий", "80", "2", "3", "50.0", "2"}));

  testing_tables::TempDir out;
  const QString path = QString::fromStdString(out / "rating.csv");
  w->pickExportFile = [path](QWidget*) { return path; };
  w->exportCsv();
  const QStringList rows = readFile(path).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
  ASSERT_EQ(rows.size(), 5);
  EXPECT_TRUE(rows[1].startsWith(QStringLiteral("1;90;Борисов Борис;ФМ-101"))) << rows[1].toStdString();
  EXPECT_TRUE(rows[4].startsWith(QStringLiteral("4;70;Васильев Василий"))) << rows[4].toStdString();

  w->back();
  EXPECT_EQ(w->page(), 0);
  for (QListWidget* l : {w->journals(), w->tests(), w->groups()}) {
    EXPECT_TRUE(w->tagged(l).isEmpty());
    for (int i = 0; i < l->count(); ++i) EXPECT_EQ(l->item(i)->checkState(), Qt::Unchecked);
  }
  // A pass cancelled in its progress window shows no rating.
  tag(w->journals(), QStringLiteral("Общий"));
  tag(w->tests(), QString::fromStdString(test));
  tag(w->groups(), QStringLiteral("ФМ-101"));
  w->next();
  ASSERT_TRUE(w->running());
  w->progress()->cancelButton()->click();
  ASSERT_TRUE(QTest::qWaitFor([w] { return !w->running(); }, 20000));
  EXPECT_EQ(w->page(), 0);
  EXPECT_EQ(w->progress(), nullptr);
  w->back();
  // With nothing tagged nobody takes part.
  w->next();
  ASSERT_TRUE(QTest::qWaitFor([w] { return !w->running(); }, 20000));
  EXPECT_EQ(w->ratingList()->rowCount(), 0);
  w->close();
}

TEST(GradeSheetWindows, RatingOfAJournalWithAPointInItsNameEachJournalOfferedOnce) {
  SignedIn s;
  const setup::Installation inst = s.installation();
  {
    results::ResultFile rf;
    ASSERT_EQ(rf.open(inst.base, "Сессия.2025"), store::Ok) << rf.error().text();
  }
  // The demo's journal "Общий" once more under another letter case.
  {
    QFile twin(QString::fromStdString(inst.base + "Stat/общий.REZ"));
    ASSERT_TRUE(twin.open(QIODevice::WriteOnly));
  }
  addVedom(inst, {{101, "Андреев Андрей", "ФМ-101", "Сессионный", 70, "Сессия.2025"},
                  {102, "Борисов Борис", "ФМ-101", "Сессионный", 60, "сессия.2025.rez"},
                  {103, "Васильев Василий", "ФМ-101", "Сессионный", 90, "Сессия"}});  // another journal
  s.app->menuItem(QStringLiteral("Рейтинг"))->trigger();
  auto* w = qobject_cast<RatingWindow*>(s.app->slot());
  ASSERT_NE(w, nullptr);
  QStringList journals;
  for (int i = 0; i < w->journals()->count(); ++i) journals << w->journals()->item(i)->text();
  EXPECT_EQ(journals.filter(QRegularExpression(QStringLiteral("^общий$"), QRegularExpression::CaseInsensitiveOption)).size(), 1)
      << journals.join(QLatin1Char(',')).toStdString();
  auto tag = [](QListWidget* l, const QString& text) {
    const auto found = l->findItems(text, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << text.toStdString();
    found.front()->setCheckState(Qt::Checked);
  };
  tag(w->journals(), QStringLiteral("Сессия.2025"));
  tag(w->tests(), QStringLiteral("Сессионный"));
  tag(w->groups(), QStringLiteral("ФМ-101"));
  w->next();
  ASSERT_TRUE(QTest::qWaitFor([w] { return !w->running(); }, 20000));
  ASSERT_EQ(w->page(), 1);
  QStringList got;
  for (int r = 0; r < w->ratingList()->rowCount(); ++r)
    got << w->ratingList()->item(r, 2)->text() + QLatin1Char(' ') + w->ratingList()->item(r, 1)->text();
  EXPECT_EQ(got, (QStringList{"Андреев Андрей 70", "Борисов Борис 60"}));

  // "Отчет по рейтингу" goes through the progress window; cancelled there,
  // no report and no preview.
  std::vector<std::size_t> steps;
  w->printStepped = [&](std::size_t done) {
    steps.push_back(done);
    auto* progress = visibleWindow<ui::ProgressWindow>();
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->windowTitle(), "Выполнение...");
  };
  whenShown<ui::Previewer>([](ui::Previewer* p) { p->reject(); });
  w->print();
  ASSERT_NE(w->report(), nullptr);
  EXPECT_EQ(steps, (std::vector<std::size_t>{0, 2}));
  bool previewed = false;
  QTimer guard;
  QObject::connect(&guard, &QTimer::timeout, [&] {
    if (auto* p = visibleWindow<ui::Previewer>()) {
      previewed = true;
      p->reject();
    }
  });
  guard.start(10);
  w->printStepped = [&](std::size_t) { visibleWindow<ui::ProgressWindow>()->cancelButton()->click(); };
  w->print();
  guard.stop();
  EXPECT_EQ(w->report(), nullptr);
  EXPECT_FALSE(previewed);
  EXPECT_EQ(visibleWindow<ui::ProgressWindow>(), nullptr);

  // An export that cannot be written in full (the file size limit stands
  // for a full disk) is told, and the file written before stays whole.
  testing_tables::TempDir out;
  const QString path = QString::fromStdString(out / "rating.csv");
  w->pickExportFile = [path](QWidget*) { return path; };
  w->exportCsv();
  const QString written = readFile(path);
  ASSERT_TRUE(written.contains(QStringLiteral("Андреев Андрей")));
  ms().clearShown();
  {
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 64;
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    w->exportCsv();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
  }
  ASSERT_EQ(ms().shown().size(), 1u);
  EXPECT_EQ(ms().shown()[0].text.rfind("Не удалось записать файл " + path.toStdString(), 0), 0u) << ms().shown()[0].text;
  EXPECT_EQ(readFile(path), written);
  w->close();
}

TEST(GradeSheetWindows, ClassJournalShowsTheStudentsLinesAndExportsTheGroup) {
  SignedIn s;
  const setup::Installation inst = s.installation();
  std::vector<StudentRow> students;
  ASSERT_TRUE(Contingent(inst).students(1, students));
  ASSERT_FALSE(students.empty());
  // A line of the first student dated the 14th of March 2025: shown month first.
  addVedom(inst, {{students.front().code, "", "ФМ-101", "Датированный", 5, "Общий", datetime::dayNumber(2025, 3, 14), 4}});
  s.app->menuItem(QStringLiteral("Классный журнал"))->trigger();
  auto* w = qobject_cast<ClassJournalWindow*>(s.app->slot());
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->windowTitle(), "Журнал успеваемости группы");
  ASSERT_TRUE(w->chooseGroup(1));
  EXPECT_EQ(w->group()->currentText(), "ФМ-101");
  ASSERT_EQ(w->students()->count(), 10);
  w->students()->setCurrentRow(0);
  const auto dated = w->lines()->findItems(QStringLiteral("Датированный"), Qt::MatchExactly);
  ASSERT_EQ(dated.size(), 1);
  EXPECT_EQ(w->lines()->item(dated.front()->row(), 1)->text(), "03/14/25");
  // Each student's lines are those the grade sheet holds for its code.
  int withLines = 0;
  for (int r = 0; r < w->students()->count(); ++r) {
    w->students()->setCurrentRow(r);
    std::vector<GradeLine> lines;
    ASSERT_TRUE(studentGradeLines(inst, students[static_cast<std::size_t>(r)].code, lines));
    ASSERT_EQ(w->lines()->rowCount(), static_cast<int>(lines.size()));
    for (int i = 0; i < w->lines()->rowCount(); ++i) {
      EXPECT_EQ(w->lines()->item(i, 0)->text().toStdString(), lines[static_cast<std::size_t>(i)].test);
      EXPECT_EQ(w->lines()->item(i, 3)->text(), QString::number(lines[static_cast<std::size_t>(i)].mark));
    }
    withLines += !lines.empty();
  }
  EXPECT_GE(withLines, 3) << "the demo's students 1, 2, 3 and 4 have results";

  testing_tables::TempDir out;
  const QString path = QString::fromStdString(out / "group.csv");
  w->pickExportFile = [path](QWidget*) { return path; };
  w->exportCsv();
  const QString text = readFile(path);
  EXPECT_TRUE(text.startsWith(QStringLiteral("Группа;ФМ-101\r\n"))) << text.toStdString();
  EXPECT_EQ(text.count(QStringLiteral("\r\n")), 2 + [&] {
    int n = 0;
    for (const auto& st : students) {
      std::vector<GradeLine> lines;
      studentGradeLines(inst, st.code, lines);
      n += static_cast<int>(lines.size());
    }
    return n;
  }());
  w->close();

  // The students list then shows the group chosen here "По группам".
  ui::BrowseWindow* list = openStudentList(inst, nullptr);
  ASSERT_NE(list, nullptr);
  auto* choice = list->findChild<QComboBox*>(QStringLiteral("SelectGroup"));
  ASSERT_NE(choice, nullptr);
  EXPECT_EQ(choice->currentData().toInt(), 1);
  EXPECT_EQ(choice->currentText().left(6), QStringLiteral("ФМ-101"));
  list->close();
  setStudentGroupFilter(0);
}

namespace {

// A group of five of whom three took the test (one of them twice).
void fiveStudents(const setup::Installation& inst, std::int32_t day) {
  {
    tables::Group g;
    store::Table t(tables::groupDef(), g, inst.central(tables::files::Group));
    ASSERT_EQ(t.open(store::Shared), store::Ok);
    g.CODEGR = 50;
    g.NAME = u("ПР-5");
    g.CODEFAK = 1;
    g.CODEKURS = 2;
    g.KODSPES = u("010101");
    ASSERT_EQ(t.add(), store::Ok) << t.error().text();
  }
  const char* fams[] = {"Абрамов", "Белов", "Волков", "Гусев", "Дьяков"};
  tables::Student st;
  store::Table t(tables::studentDef(), st, inst.central(tables::files::Student));
  ASSERT_EQ(t.open(store::Shared), store::Ok);
  for (int i = 0; i < 5; ++i) {
    st = {};
    st.CODEST = 501 + i;
    st.CODEGR = 50;
    st.NAMEGR = u("ПР-5");
    st.FAM = u(fams[i]);
    st.NAME = u("Иван");
    st.ZACHBOOK = u("ЗК-" + std::to_string(501 + i));
    ASSERT_EQ(t.add(), store::Ok) << t.error().text();
  }
  results::ResultFile rf;
  ASSERT_EQ(rf.open(inst.base, inst.fileRez), store::Ok) << rf.error().text();
  const struct {
    std::int32_t student;
    int mark;
  } results[] = {{501, 3}, {502, 4}, {501, 5}, {503, 2}};
  std::int32_t code = 500;
  for (const auto& r : results) {
    rf.rez = tables::RezTest{};
    rf.rez.CODEREZ = ++code;
    rf.rez.CODEST = r.student;
    rf.rez.FIO = u(std::string(fams[r.student - 501]) + " Иван");
    rf.rez.GR = u("ПР-5");
    rf.rez.NAMETEMA = u("Проба");
    rf.rez.PREDMET = u("Физика");
    rf.rez.DATE = day;
    rf.rez.OTMETKA = static_cast<std::uint8_t>(r.mark);
    ASSERT_EQ(rf.add(false), store::Ok) << rf.error().text();
  }
}

}  // namespace

TEST(GradeSheetWindows, ExamSheetListsTheAbsentAndCountsByMark) {
  SignedIn s;
  const setup::Installation inst = s.installation();
  const std::int32_t day = datetime::today() - 5;
  fiveStudents(inst, day);
  auto* w = static_cast<ExamSheetSetup*>(openExamSheetSetup(inst, inst.base, inst.fileRez, nullptr));
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->windowTitle(), "Зачетно-экзаменационная ведомость. Настройка.");
  w->group()->setCurrentIndex(w->group()->findText(QStringLiteral("ПР-5")));
  ASSERT_EQ(w->test()->count(), 1);
  EXPECT_EQ(w->test()->currentText(), "Проба");
  ASSERT_EQ(w->date()->count(), 1);
  EXPECT_EQ(w->date()->currentData().toInt(), day);
  w->allTests()->setChecked(true);
  EXPECT_FALSE(w->test()->isEnabled());
  EXPECT_FALSE(w->date()->isEnabled());
  w->allTests()->setChecked(false);

  // A teacher not in the list opens it; closed without a choice, the typed name stays.
  bool listShown = false;
  whenShown<ui::BrowseWindow>([&](ui::BrowseWindow* b) {
    listShown = true;
    b->close();
  });
  w->teacher()->setText(QStringLiteral("Никто Из Списка"));
  w->checkTeacher();
  EXPECT_TRUE(listShown);
  EXPECT_EQ(w->teacher()->text(), "Никто Из Списка");
  const auto writers = dictionaryEntries(inst, common::Dictionary::Authors);
  ASSERT_FALSE(writers.empty());
  listShown = false;
  w->teacher()->setText(QString::fromStdString(writers.front().name));
  w->checkTeacher();
  QTest::qWait(50);
  EXPECT_FALSE(listShown) << "a teacher of the list is taken as typed";

  w->semester()->setText(QStringLiteral("03"));
  w->examDate()->setText(QStringLiteral("20.01.2027"));
  w->heading()->setPlainText(QStringLiteral("ЗАЧЕТНО-ЭКЗАМЕНАЦИОННАЯ ВЕДОМОСТЬ № 7"));
  whenShown<ExamSheetHeaderForm>([](ExamSheetHeaderForm* f) {
    EXPECT_EQ(f->windowTitle(), "Редактирование ведомости");
    EXPECT_EQ(f->field(QStringLiteral("Группа:"))->text(), "ПР-5");
    EXPECT_EQ(f->field(QStringLiteral("Код специальности:"))->text(), "010101");
    EXPECT_EQ(f->field(QStringLiteral("Курс:"))->text(), "2");
    EXPECT_EQ(f->field(QStringLiteral("Дисциплина:"))->text(), "Физика");
    f->field(QStringLiteral("Дисциплина:"))->setText(QStringLiteral("Физика (зачет)"));
    whenShown<ui::Previewer>([](ui::Previewer* p) { p->reject(); });
    f->accept();
  });
  ASSERT_TRUE(w->makeSheet());
  std::string kept;
  ASSERT_TRUE(readSheetHeading(inst, kept));
  EXPECT_EQ(kept, "ЗАЧЕТНО-ЭКЗАМЕНАЦИОННАЯ ВЕДОМОСТЬ № 7");
  ASSERT_NE(w->report(), nullptr);
  const QStringList texts = reportTexts(*w->report());
  for (const char* h : {"ЗАЧЕТНО-ЭКЗАМЕНАЦИОННАЯ ВЕДОМОСТЬ № 7", "Факультет", "Семестр", "03", "группа", "ПР-5",
                        "Специальность (код)", "курс", "Дисциплина", "Физика (зачет)", "Название теста:", "Проба",
                        "Фамилия И.О., должность преподавателя", "Дата проведения зачета, экзамена (подчеркнуть):",
                        "20.01.2027 г.", "Шифр", "ДЕКАН ФАКУЛЬТЕТА ______________________________________",
                        "Система компьютерного тестирования Ормида 2.0", "Лист 1"})
    EXPECT_TRUE(texts.contains(QString::fromUtf8(h))) << h;
  // Rows in name order: number, name, record book, then the mark or "не явился".
  const struct {
    const char* name;
    const char* mark;
  } rows[] = {{"Абрамов Иван", "5"}, {"Белов Иван", "4"}, {"Волков Иван", "2"}, {"Гусев Иван", "не явился"}, {"Дьяков Иван", "не явился"}};
  for (int i = 0; i < 5; ++i) {
    const qsizetype at = texts.indexOf(QString::fromUtf8(rows[i].name));
    ASSERT_GE(at, 1) << rows[i].name;
    EXPECT_EQ(texts[at - 1], QString::number(i + 1));
    EXPECT_EQ(texts[at + 1], QStringLiteral("ЗК-%1").arg(501 + i));
    EXPECT_EQ(texts[at + 2], QString::fromUtf8(rows[i].mark));
  }
  EXPECT_EQ(texts.count(QStringLiteral("не явился")), 2);
  auto after = [&](const QString& label) {
    const qsizetype at = texts.indexOf(label);
    return at >= 0 && at + 1 < texts.size() ? texts[at + 1] : QString();
  };
  EXPECT_EQ(after(QStringLiteral("Число студентов на экзамене (зачете)")), "3");
  EXPECT_EQ(after(QStringLiteral("Из них: получивших \"отлично\"")), "1");
  EXPECT_EQ(after(QStringLiteral("получивших \"хорошо\"")), "1");
  EXPECT_EQ(after(QStringLiteral("получивших \"удовлетворительно\"")), "0");
  EXPECT_EQ(after(QStringLiteral("получивших \"неудовлетворительно\"")), "1");
  EXPECT_EQ(after(QStringLiteral("Число студентов, не явившихся на экзамен (зачет)")), "2");

  // The export goes through the header edit too, which keeps what was
  // edited for the print; a cancelled edit writes nothing.
  testing_tables::TempDir out;
  const QString path = QString::fromStdString(out / "sheet.csv");
  w->pickExportFile = [path](QWidget*) { return path; };
  whenShown<ExamSheetHeaderForm>([](ExamSheetHeaderForm* f) { f->reject(); });
  w->exportCsv();
  EXPECT_FALSE(QFile::exists(path));
  whenShown<ExamSheetHeaderForm>([](ExamSheetHeaderForm* f) {
    EXPECT_EQ(f->field(QStringLiteral("Дисциплина:"))->text(), "Физика (зачет)");
    f->field(QStringLiteral("Факультет:"))->setText(QStringLiteral("Физико-математический"));
    f->accept();
  });
  w->exportCsv();
  const QString csv = readFile(path);
  EXPECT_TRUE(csv.startsWith(QStringLiteral("ЗАЧЕТНО-ЭКЗАМЕНАЦИОННАЯ ВЕДОМОСТЬ № 7\r\n"))) << csv.toStdString();
  for (const char* line : {"Факультет;Физико-математический\r\n", "Семестр;03\r\n", "Дисциплина;Физика (зачет)\r\n",
                           "1;Абрамов Иван;ЗК-501;Проба;5\r\n"})
    EXPECT_TRUE(csv.contains(QString::fromUtf8(line))) << line << "\n" << csv.toStdString();
  EXPECT_EQ(csv.count(QStringLiteral("не явился")), 2);

  // A date with no results: the set-up says so and stays.
  ms().clearShown();
  w->date()->addItem(QStringLiteral("01.01.2001"), datetime::dayNumber(2001, 1, 1));
  w->date()->setCurrentIndex(w->date()->count() - 1);
  EXPECT_FALSE(w->makeSheet());
  ASSERT_EQ(ms().shown().size(), 1u);
  EXPECT_EQ(ms().shown()[0].text, "Нет записей по этим критериям");
  EXPECT_EQ(ms().shown()[0].caption, "Стоп");
  EXPECT_TRUE(w->isVisible());
  w->close();
}
