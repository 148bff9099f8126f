// The Examiner's windows on a demo installation: single instance, start
// passwords, registration, test choice, settings, autostart, the archive.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>
#include <QTimer>

#include "archive_window.h"
#include "cp1251.h"
#include "demo_data.h"
#include "examiner_app.h"
#include "main_frame.h"
#include "message_service.h"
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

int rowOf(QListWidget* l, const QString& text) {
  for (int i = 0; i < l->count(); ++i)
    if (l->item(i)->text() == text) return i;
  return -1;
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

  // Signing in from the lists.
  int g = rowOf(w->groups(), "ФМ-101");
  ASSERT_GE(g, 0);
  w->groups()->setCurrentRow(g);
  EXPECT_EQ(w->field("GROUP")->text(), "ФМ-101");
  ASSERT_EQ(w->students()->rowCount(), 10);
  int s = -1;
  for (int r = 0; r < w->students()->rowCount(); ++r)
    if (w->students()->item(r, 0)->text() == "Кузнецов" || w->students()->item(r, 0)->text() == "Кузнецова") s = r;
  (void)s;
  // The student with code 1 is in this group.
  bool found = false;
  for (int r = 0; r < w->students()->rowCount() && !found; ++r) {
    w->chooseStudent(r);
    found = w->registration().code == 1;
  }
  ASSERT_TRUE(found);
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
  w->groups()->setCurrentRow(rowOf(w->groups(), "ЕГ-201"));
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

  w->chooseStudent(0);
  w->field("PASSWORD")->setText("000");
  w->next();
  EXPECT_EQ(d.lastText(), "Неверный пароль доступа.");
  EXPECT_EQ(w->page(), StartWindow::Register);
  w->field("PASSWORD")->setText("777");
  w->next();
  EXPECT_EQ(w->page(), StartWindow::Choice);
}

TEST(ExaminerWindows, ArmedAutostartPresetsTheTest) {
  Demo d;
  {
    tables::AutoStar a;
    store::Table t(tables::autoStarDef(), a, d.inst.directory + "AutoStar.tps");
    ASSERT_EQ(t.open(), store::Ok);
    t.set();
    ASSERT_EQ(t.next(), store::Ok);
    a.AUTOSTART = 1;
    a.YESTEST = 1;
    a.CURTEST = cp1251::fromUtf8("Информатика");
    a.CURBT = cp1251::fromUtf8(d.inst.library);
    ASSERT_EQ(t.put(), store::Ok);
  }
  int runs = 0;
  std::string started;
  ExaminerApp app(d.dir, [&](AttemptRequest& r) {
    ++runs;
    started = r.test.tema.NAME.utf8();
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
  w.deleteJournal();  // not the current one: removed without a question
  EXPECT_EQ(w.list()->rowCount(), 1);
  w.select("Общий");
  w.choose();
  EXPECT_EQ(w.chosen(), "Общий");
}

}  // namespace
