// The Examiner's windows on a demo installation: single instance, start
// passwords, registration, test choice, settings, autostart, the archive.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <fstream>

#include "archive_window.h"
#include "attempt_runner_logic.h"
#include "browse.h"
#include "cp1251.h"
#include "demo_data.h"
#include "examiner_app.h"
#include "main_frame.h"
#include "result_file.h"
#include "results_journal.h"
#include "test_location.h"
#include "when_shown.h"
#include "testing_window.h"
#include "message_service.h"
#include "settings_file.h"
#include "settings_window.h"
#include "test_tables.h"

using namespace examiner;
using testing_tables::TempDir;

namespace {

auto& ms() { return ui::MessageService::instance(); }

struct Demo {
  TempDir tmp;
  demo::Installation inst;
  QString dir;
  std::string lock;
  Demo() {
    EXPECT_EQ(demo::make(tmp / "demo", inst), "");
    dir = QString::fromStdString(inst.directory);
    lock = tmp / "varnuke.lock";
    ms().script({});
    ms().clearShown();
  }
  std::string lastText() const { return ms().shown().empty() ? std::string() : ms().shown().back().text; }
};

// Chooses a listed student the way a click on the row does.
void chooseStudentCoded(const Demo& d, StartWindow* w, std::int32_t code) {
  tables::Student st;
  store::Table t(tables::studentDef(), st, d.inst.directory + "Student.tps");
  ASSERT_EQ(t.open(store::Shared), store::Ok);
  st.CODEST = code;
  ASSERT_EQ(t.get(t.key("KEYKODST")), store::Ok);
  ASSERT_TRUE(w->students()->choose(t.position()));
}

int rowOf(QTableWidget* t, const QString& text) {
  for (int i = 0; i < t->rowCount(); ++i)
    if (t->item(i, 0) && t->item(i, 0)->text() == text) return i;
  return -1;
}

TEST(ExaminerWindows, ASecondInstanceIsRefusedUnlessRunTune) {
  Demo d;
  ExaminerApp first(d.dir, {}, d.lock);
  ASSERT_TRUE(first.start());
  ExaminerApp second(d.dir, {}, d.lock);
  EXPECT_FALSE(second.start());
  ASSERT_FALSE(ms().shown().empty());
  EXPECT_EQ(ms().shown().back().text, "Программа Экзаменатор уже запущена");
  EXPECT_EQ(ms().shown().back().caption, "Ормида [Varnuke.exe]");
  first.startup().inst.ini.set("GlbTune", "RunTune", "1");
  ExaminerApp third(d.dir, {}, d.lock);
  EXPECT_TRUE(third.start());
}

TEST(ExaminerWindows, StartPasswordsRegistrationAndTestChoice) {
  Demo d;
  int runs = 0;
  ExaminerApp app(d.dir, [&](AttemptRequest& r) {
    ++runs;
    EXPECT_EQ(r.who.code, 1);
    return 0;
  }, d.lock);
  ASSERT_TRUE(app.start());
  StartWindow* w = app.startWindow();
  EXPECT_EQ(w->page(), StartWindow::Invite);
  w->passwordField()->setText("wrong");
  w->start();
  EXPECT_EQ(d.lastText(), "Неверный пароль.");
  EXPECT_EQ(w->page(), StartWindow::Invite);
  w->passwordField()->setText("user");
  w->start();
  ASSERT_EQ(w->page(), StartWindow::Register);
  EXPECT_EQ(app.startup().inst.modeWork, 5);

  // Signing in from the lists: the group's students only.
  EXPECT_EQ(w->students()->rowCount(), 0);  // no group chosen yet
  w->chooseGroupNamed("ФМ-101");
  EXPECT_EQ(w->field("GROUP")->text(), "ФМ-101");
  ASSERT_GT(w->students()->rowCount(), 0);
  EXPECT_TRUE(w->field("FAM")->text().isEmpty());  // listing chooses nobody
  chooseStudentCoded(d, w, 1);  // the student with code 1 is in this group
  ASSERT_EQ(w->registration().code, 1);
  EXPECT_FALSE(w->field("FAM")->text().isEmpty());
  EXPECT_EQ(w->registration().faculty, cp1251::fromUtf8("Физико-математический факультет"));

  w->next();
  ASSERT_EQ(w->page(), StartWindow::Choice);
  // No test chosen yet.
  w->beginTest();
  EXPECT_EQ(d.lastText(), "Не выбран тест");
  EXPECT_EQ(ms().shown().back().caption, "Стоп");
  ASSERT_EQ(w->libraries()->count(), 1);
  int t = rowOf(w->tests(), "Арифметика");
  ASSERT_GE(t, 0);
  w->chooseTest(t);
  ASSERT_TRUE(w->testChosen());
  int before = w->test().titul.KOLRUN;
  w->beginTest();
  w->beginTest();
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(w->test().titul.KOLRUN, before + 2);  // every start counts

  // "Вернуться назад", then closing writes ModeWork "0".
  app.startup().inst.ini.set("GlbTune", "ModeWork", "5");
  app.close();
  EXPECT_EQ(app.startup().inst.ini.get("GlbTune", "ModeWork"), "0");
}

TEST(ExaminerWindows, NewStudentsAndStudentPasswords) {
  Demo d;
  // An empty contingent and checked passwords.
  std::filesystem::remove(d.inst.directory + "Student.tps");
  {
    tables::TuneTest tune;
    store::Table tt(tables::tuneTestDef(), tune, d.inst.directory + "TuneTest.tps");
    ASSERT_EQ(tt.open(), store::Ok);
    tt.set();
    ASSERT_EQ(tt.next(), store::Ok);
    tune.CHECKPASS = "1";
    ASSERT_EQ(tt.put(), store::Ok);
  }
  ExaminerApp app(d.dir, {}, d.lock);
  ASSERT_TRUE(app.start());
  StartWindow* w = app.startWindow();
  w->passwordField()->setText("user");
  w->start();
  w->chooseGroupNamed("ЕГ-201");
  w->newStudent();
  w->field("FAM")->setText("Орлова");
  w->field("NAME")->setText("Вера");
  w->field("OTCHE")->setText("Павловна");
  w->field("PASSWORD")->setText("777");
  w->addStudent();
  EXPECT_EQ(w->registration().code, 1);  // the first student of an empty table
  EXPECT_EQ(w->students()->rowCount(), 1);
  w->newStudent();
  w->field("FAM")->setText("Орлова");
  w->field("NAME")->setText("Вера");
  w->field("OTCHE")->setText("Павловна");
  w->addStudent();
  EXPECT_EQ(d.lastText(), "В списке уже имеется|такая фамилия с такими инициалами");
  EXPECT_EQ(w->students()->rowCount(), 1);

  w->chooseStudentAt(0);
  w->field("PASSWORD")->setText("000");
  w->next();
  EXPECT_EQ(d.lastText(), "Неверный пароль доступа.");
  EXPECT_EQ(w->page(), StartWindow::Register);
  w->field("PASSWORD")->setText("777");
  w->next();
  EXPECT_EQ(w->page(), StartWindow::Choice);
}

TEST(ExaminerWindows, AStudentChosenAgainAfterNewUserKeepsTheCode) {
  Demo d;
  std::vector<std::int32_t> codes;
  int outcome = 0;
  ExaminerApp app(d.dir, [&](AttemptRequest& r) {
    codes.push_back(r.who.code);
    return outcome;
  }, d.lock);
  ASSERT_TRUE(app.start());
  app.frame()->show();
  StartWindow* w = app.startWindow();
  w->passwordField()->setText("user");
  w->start();
  app.frame()->resize(1000, 760);
  w->chooseGroupNamed("ФМ-101");
  QApplication::processEvents();
  QTableWidget* list = w->students()->table();
  ASSERT_GT(w->students()->rowCount(), 3);
  auto clickRow = [&](int r) {
    QRect cell = list->visualRect(list->model()->index(r, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
  };
  clickRow(2);
  const std::int32_t code = w->registration().code;
  ASSERT_NE(code, 0);
  const QString fam = w->field("FAM")->text();
  w->newStudent();
  EXPECT_TRUE(w->field("FAM")->text().isEmpty());
  clickRow(2);  // the same student again
  EXPECT_EQ(w->field("FAM")->text(), fam);
  EXPECT_EQ(w->registration().code, code);
  // Tab leaves the list instead of walking its cells into other students.
  list->setFocus();
  for (int i = 0; i < 3; ++i) QTest::keyClick(list, Qt::Key_Tab);
  EXPECT_EQ(w->registration().code, code);
  w->next();
  ASSERT_EQ(w->page(), StartWindow::Choice);
  w->chooseTest(rowOf(w->tests(), "Арифметика"));
  outcome = 7;  // "Регистрация" in the result window
  w->beginTest();
  ASSERT_EQ(codes, std::vector<std::int32_t>{code});
  // The next examinee finds the page cleared, not the previous one chosen.
  EXPECT_EQ(w->page(), StartWindow::Register);
  EXPECT_TRUE(w->field("FAM")->text().isEmpty());
  EXPECT_EQ(w->registration().code, 0);
  EXPECT_TRUE(list->selectedItems().isEmpty());
}

TEST(ExaminerWindows, EnterPressesEachPagesButtonAndDatesReadAlike) {
  Demo d;
  int runs = 0;
  ExaminerApp app(d.dir, [&](AttemptRequest&) {
    ++runs;
    return 0;
  }, d.lock);
  ASSERT_TRUE(app.start());
  app.frame()->show();
  StartWindow* w = app.startWindow();
  w->passwordField()->setText("wrong");
  ms().clearShown();
  QTest::keyClick(w->passwordField(), Qt::Key_Return);
  EXPECT_EQ(ms().shown().size(), 1u);  // one answer to one key
  w->passwordField()->setText("user");
  ms().clearShown();
  QTest::keyClick(w->passwordField(), Qt::Key_Return);
  ASSERT_EQ(w->page(), StartWindow::Register);
  EXPECT_TRUE(ms().shown().empty());  // "Далее" was not pressed as well
  w->chooseGroupNamed("ФМ-101");
  w->field("FAM")->setText("Гость");
  QTest::keyClick(w->field("FAM"), Qt::Key_Return);  // "Далее"
  ASSERT_EQ(w->page(), StartWindow::Choice);
  const int t = rowOf(w->tests(), "Арифметика");
  ASSERT_GE(t, 0);
  // One date format everywhere: day.month.year.
  EXPECT_TRUE(QRegularExpression("^\\d\\d\\.\\d\\d\\.\\d{4}$").match(w->tests()->item(t, 1)->text()).hasMatch())
      << w->tests()->item(t, 1)->text().toStdString();
  w->chooseTest(t);
  w->tests()->setFocus();
  QTest::keyClick(w->tests(), Qt::Key_Return);  // "Начать тестирование"
  EXPECT_EQ(runs, 1);
}

TEST(ExaminerWindows, SettingsRefuseUnsafeJournalsAndAFailedRestartGoesOn) {
  Demo d;
  ExaminerApp app(d.dir, {}, d.lock);
  ASSERT_TRUE(app.start());
  app.startProgram = [](const QString&, const QString&) { return false; };
  QSignalSpy done(&app, &ExaminerApp::finished);
  auto fillSettings = [](const QString& journal) {
    QTimer::singleShot(0, [journal] {
      for (QWidget* x : QApplication::topLevelWidgets())
        if (auto* s = qobject_cast<SettingsWindow*>(x); s && s->isVisible()) {
          s->fileName()->setText(journal);
          s->accept();
          if (s->isVisible()) s->reject();  // refused: leave the window
        }
    });
  };
  fillSettings("../../Чужой");
  app.openSettings();
  EXPECT_NE(d.lastText().find("Недопустимое имя файла"), std::string::npos);
  EXPECT_EQ(app.startup().inst.ini.get("Path", "FileRez"), "Общий");

  ms().script({messages::Yes});  // "Вы изменили файл результатов..." - restart
  fillSettings("Сессия");
  app.openSettings();
  ms().script({});
  // The new copy did not start: this one goes on, and RunTune lets no later start slip through.
  EXPECT_EQ(done.count(), 0);
  EXPECT_FALSE(app.restartRequested());
  EXPECT_EQ(app.startup().inst.ini.get("GlbTune", "RunTune"), "0");
  EXPECT_NE(d.lastText().find("Программа не перезапущена"), std::string::npos);
}

TEST(ExaminerWindows, AStartEndingOnATableErrorResetsTheMode) {
  Demo d;
  settings::IniFile ini(d.inst.directory + "Varnuke.ini");
  ini.set("GlbTune", "ModeWork", "9");
  std::ofstream(d.inst.directory + "TuneTest.tps", std::ios::trunc) << "this is no table";
  std::string ended;
  ms().setShutdownHandler([&](const std::string& m) { ended = m.empty() ? "ended" : m; });
  ExaminerApp app(d.dir, {}, d.lock);
  EXPECT_FALSE(app.start());
  ms().setShutdownHandler(nullptr);
  EXPECT_FALSE(ended.empty());
  EXPECT_EQ(settings::IniFile(d.inst.directory + "Varnuke.ini").get("GlbTune", "ModeWork"), "0");
}

// The demo's autostart record armed (mode 10) with the test `test` of the
// library, preset when `yesTest` is 1.
void arm(const Demo& d, std::uint8_t yesTest, const std::string& test) {
  tables::AutoStar a;
  store::Table t(tables::autoStarDef(), a, d.inst.directory + "AutoStar.tps");
  ASSERT_EQ(t.open(), store::Ok);
  t.set();
  ASSERT_EQ(t.next(), store::Ok);
  a.AUTOSTART = 1;
  a.YESTEST = yesTest;
  a.CURTEST = cp1251::fromUtf8(test);
  a.CURBT = cp1251::fromUtf8(d.inst.library);
  ASSERT_EQ(t.put(), store::Ok);
}

TEST(ExaminerWindows, ArmedAutostartPresetsTheTest) {
  Demo d;
  arm(d, 1, "Информатика");
  int runs = 0;
  bool abortNext = false;
  std::string started;
  ExaminerApp app(d.dir, [&](AttemptRequest& r) {
    ++runs;
    started = r.test.tema.NAME.utf8();
    if (abortNext) r.test.tema.HOWEND = 1;  // as Ctrl+Alt with a click does
    abortNext = false;
    return 0;
  }, d.lock);
  ASSERT_TRUE(app.start());
  EXPECT_EQ(app.startup().inst.modeWork, 10);
  StartWindow* w = app.startWindow();
  EXPECT_EQ(w->page(), StartWindow::Register);
  EXPECT_TRUE(w->testChosen());
  w->field("FAM")->setText("Гость");
  w->next();
  ASSERT_EQ(w->page(), StartWindow::Choice);
  EXPECT_FALSE(w->tests()->isEnabled());  // locked to the preset test
  w->beginTest();
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(started, "Основы информатики");

  // The next examinee, after an aborted attempt (back to registration), gets
  // the preset test too.
  abortNext = true;
  w->beginTest();
  EXPECT_EQ(runs, 2);
  ASSERT_EQ(w->page(), StartWindow::Register);
  w->field("FAM")->setText("Второй");
  w->next();
  ASSERT_EQ(w->page(), StartWindow::Choice);
  EXPECT_TRUE(w->testChosen());
  ms().clearShown();
  w->beginTest();
  EXPECT_EQ(runs, 3);
  EXPECT_EQ(d.lastText(), "");  // no "Не выбран тест"
  EXPECT_EQ(started, "Основы информатики");
}

// Armed without a preset test (AUT:YESTEST = 0) while the record still
// names the test of an earlier arming: the examinee chooses freely.
TEST(ExaminerWindows, ArmedWithoutAPresetTestLeavesTheChoiceFree) {
  Demo d;
  arm(d, 0, "Информатика");
  ExaminerApp app(d.dir, [](AttemptRequest&) { return 0; }, d.lock);
  ASSERT_TRUE(app.start());
  EXPECT_EQ(app.startup().inst.modeWork, 10);
  StartWindow* w = app.startWindow();
  EXPECT_EQ(w->page(), StartWindow::Register);
  w->field("FAM")->setText("Гость");
  w->next();
  ASSERT_EQ(w->page(), StartWindow::Choice);
  EXPECT_TRUE(w->libraries()->isEnabled());
  EXPECT_TRUE(w->tests()->isEnabled());
}

TEST(ExaminerWindows, TheArchiveKeepsTheCurrentJournal) {
  Demo d;
  Archive a(d.inst.directory, "Общий");
  ArchiveWindow w(a);
  ASSERT_EQ(w.list()->rowCount(), 1);
  w.select("Общий");
  w.deleteJournal();
  EXPECT_EQ(d.lastText(), "Указанный файл открыт,|удалить невозможно.");
  EXPECT_EQ(w.list()->rowCount(), 1);
  // A new journal through the form UpdateArxiv.
  QTimer::singleShot(0, [] {
    for (QWidget* x : QApplication::topLevelWidgets())
      if (x->objectName() == "UpdateArxiv" && x->isVisible()) {
        x->findChild<QLineEdit*>("name")->setText("Группа 101");
        qobject_cast<QDialog*>(x)->accept();
      }
  });
  w.newJournal();
  EXPECT_EQ(w.list()->rowCount(), 2);
  w.select("Группа 101");
  ms().script({messages::No});
  w.deleteJournal();  // not the current one: the standard question first
  EXPECT_EQ(ms().shown().back().text, "Вы уверены в том, что хотите удалить эту запись?");
  EXPECT_EQ(w.list()->rowCount(), 2);
  ms().script({messages::Yes});
  w.deleteJournal();
  ms().script({});
  EXPECT_EQ(w.list()->rowCount(), 1);
  // A name longer than the 50 characters shown is chosen whole.
  const std::string longName = "Журнал результатов зимней сессии 2026 года, группа ФМ-101";
  ASSERT_FALSE(a.create(longName));
  w.refill();
  w.select(QString::fromStdString(longName));
  w.choose();
  EXPECT_EQ(w.chosen().toStdString(), longName);
  w.select("Общий");
  w.choose();
  EXPECT_EQ(w.chosen(), "Общий");
}

// The Administrator's "Подробно..." on a workstation armed for autostart:
// the Examiner it starts opens the result in error viewing, not the
// registration of the armed test, and closes to a normal mode. The result
// lies in a journal that is not the current one, whose own result of that
// code is someone else's: the attempt shown is the one of the journal named.
TEST(ExaminerWindows, ErrorViewingFromTheAdministratorOutranksAnArmedAutostart) {
  Demo d;
  arm(d, 1, "География");
  tables::RezTest result;
  tables::RezDtl detail;
  {
    results::ResultFile rf;
    ASSERT_EQ(rf.open(d.inst.directory, d.inst.resultFile), store::Ok);
    rf.rez.CODEREZ = 2;
    ASSERT_EQ(rf.rezT.get(rf.rezT.key("KEYCODEREZ")), store::Ok);
    result = rf.rez;
    rf.dtl.CODEREZ = 2;
    ASSERT_EQ(rf.dtlT.get(rf.dtlT.key("KEYCODEREZ")), store::Ok);
    detail = rf.dtl;
  }
  // The same attempt, as result 2 of another journal, under another name.
  const std::string other = "Прошлый семестр";
  {
    ASSERT_EQ(results::create(d.inst.directory, other), store::Ok);
    results::ResultFile rf;
    ASSERT_EQ(rf.open(d.inst.directory, other), store::Ok);
    for (std::int32_t code : {1, 2}) {
      rf.rez = result;
      rf.rez.CODEREZ = code;
      rf.rez.FIO = cp1251::fromUtf8(code == 2 ? "Другой Экзаменуемый" : "Первый Экзаменуемый");
      rf.dtl = detail;
      rf.dtl.CODEREZ = code;
      ASSERT_EQ(rf.add(true), store::Ok);
    }
  }
  ASSERT_NE(result.FIO.utf8(), "Другой Экзаменуемый");
  setup::Installation admin = setup::resolve(setup::Program::Administrator, d.inst.directory);
  admin.keyWord = cp1251::pad(cp1251::fromUtf8(d.inst.keyWord), 20);
  administrator::TestFound where = administrator::locateResultTest(result, admin);
  ASSERT_TRUE(where.found);

  int mode = -1;
  bool registration = true;
  QString reviewed;
  bool started = administrator::startErrorViewing(admin.ini, other, 2, where.path, [&] {
    ExaminerApp exam(d.dir, [](AttemptRequest&) { return 0; }, d.lock);
    QSignalSpy done(&exam, &ExaminerApp::finished);
    whenShown<TestingWindow>([&](TestingWindow* t) {
      reviewed = t->windowTitle();
      t->close();
    });
    if (!exam.start()) return false;
    mode = exam.startup().inst.modeWork;
    registration = exam.startWindow()->page() == StartWindow::Register;
    EXPECT_TRUE(done.wait(10000));
    return true;
  });
  EXPECT_TRUE(started);
  EXPECT_EQ(mode, 7);
  EXPECT_FALSE(registration);
  EXPECT_TRUE(reviewed.contains(" - Другой Экзаменуемый")) << reviewed.toStdString();
  settings::IniFile ini(d.inst.directory + "Varnuke.ini");
  EXPECT_EQ(ini.get("GlbTune", "ModeWork"), "0");
  EXPECT_EQ(ini.get("Path", "FileRez"), d.inst.resultFile) << "the current journal stays";
}

// The journal error viewing reads: the one named beside CodeRez, else the
// current one; a name that cannot be a journal's is not followed.
TEST(ExaminerWindows, ErrorViewingReadsTheJournalNamedBesideTheCode) {
  Demo d;
  setup::Installation inst = setup::resolve(setup::Program::Examiner, d.inst.directory);
  const struct {
    const char* named;
    std::string journal;
  } cases[] = {{"", d.inst.resultFile}, {"Гр 1.2", "Гр 1.2"}, {"../Общий", d.inst.resultFile}, {"a:b", d.inst.resultFile}};
  for (const auto& c : cases) {
    inst.ini.set("GlbTune", "ViewFileRez", c.named);
    EXPECT_EQ(errorViewingJournal(inst), c.journal) << c.named;
  }
}

}  // namespace
