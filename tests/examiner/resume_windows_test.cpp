// Going on with an interrupted attempt as the examinee and the laboratory
// meet it: a workstation dies after three frames and the student signs in at
// another one, declines, finds the attempt still running elsewhere; trial
// runs and error viewing keep nothing; the share goes away and comes back
// during an attempt; the administrator closes it meanwhile.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "attempt_runner.h"
#include "browse.h"
#include "attempt_runner_logic.h"
#include "cp1251.h"
#include "demo_data.h"
#include "examiner_app.h"
#include "message_service.h"
#include "open_attempts.h"
#include "result_file.h"
#include "settings_file.h"
#include "test_file.h"
#include "test_tables.h"
#include "testing_window.h"
#include "when_shown.h"

using namespace examiner;
using testing_tables::TempDir;

namespace {

auto& ms() { return ui::MessageService::instance(); }

const char* const kTestName = "Арифметика: действия с натуральными числами и дробями";

// An environment variable for the span of a test.
class EnvVar {
 public:
  EnvVar(const char* name, const std::string& value) : name_(name) {
    if (const char* v = std::getenv(name)) old_ = v;
    ::setenv(name, value.c_str(), 1);
  }
  ~EnvVar() {
    if (old_)
      ::setenv(name_.c_str(), old_->c_str(), 1);
    else
      ::unsetenv(name_.c_str());
  }
  void set(const std::string& value) { ::setenv(name_.c_str(), value.c_str(), 1); }

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// A demo database directory (the share) and workstations of their own: a
// working directory whose settings name the share, and a workstation name.
struct Share {
  TempDir tmp;
  demo::Installation inst;
  EnvVar machineConfig{"XDG_CONFIG_DIRS", tmp / "no-machine-config"};
  EnvVar userConfig{"XDG_CONFIG_HOME", tmp / "no-user-config"};
  Share() {
    EXPECT_EQ(demo::make(tmp / "demo", inst), "");
    ms().script({});
    ms().clearShown();
  }
  std::string attempts() const { return inst.directory + tables::files::Attempt; }

  // The workstation `name` from now on: its working directory.
  QString station(const std::string& name) {
    const std::string dir = tmp / name;
    std::filesystem::create_directories(dir);
    if (!std::filesystem::exists(dir + "/Varnuke.ini"))
      std::filesystem::copy_file(inst.directory + "Varnuke.ini", dir + "/Varnuke.ini");
    const std::string config = tmp / (name + "-config");
    std::filesystem::create_directories(config + "/ormida");
    std::ofstream(config + "/ormida/Varnuke.ini") << "[Reg]\nNamePC=" << name << "\n";
    userConfig.set(config);
    return QString::fromStdString(dir);
  }
  std::string lock(const std::string& name) const { return tmp / (name + ".lock"); }

  std::vector<tables::RezTest> results() const {
    results::ResultFile rf;
    std::vector<tables::RezTest> out;
    if (rf.open(inst.directory, inst.resultFile) != store::Ok) return out;
    rf.rezT.set(rf.rezT.key("KEYCODEREZ"));
    while (rf.rezT.next() == store::Ok) out.push_back(rf.rez);
    return out;
  }
  std::vector<common::OpenAttempt> open() const {
    std::vector<common::OpenAttempt> list;
    if (std::filesystem::exists(attempts())) {
      EXPECT_EQ(common::listAttempts(attempts(), list), store::Ok);
    }
    return list;
  }
  std::vector<common::OpenAttempt> keptLocally(const QString& station) const {
    std::vector<common::OpenAttempt> list;
    const std::string file = common::localAttemptFile(station.toStdString());
    if (std::filesystem::exists(file)) {
      EXPECT_EQ(common::listAttempts(file, list), store::Ok);
    }
    return list;
  }
  void setRetake(int povtortest) {
    testfile::TestFile tf;
    tf.name(inst.library, "Арифметика", cp1251::fromUtf8(inst.keyWord));
    ASSERT_EQ(tf.open(), store::Ok) << tf.error().text();
    tf.tema.POVTORTEST = static_cast<std::uint8_t>(povtortest);
    ASSERT_EQ(tf.temaT.put(), store::Ok);
    tf.close();
  }
};

int rowOf(QTableWidget* t, const QString& text) {
  for (int i = 0; i < t->rowCount(); ++i)
    if (t->item(i, 0) && t->item(i, 0)->text() == text) return i;
  return -1;
}

// The student with code 1 of ФМ-101 registered, "Далее" not yet pressed.
StartWindow* registerStudent(const Share& sh, ExaminerApp& app) {
  if (!app.start()) {
    ADD_FAILURE() << "not started: " << (ms().shown().empty() ? std::string() : ms().shown().back().text);
    return nullptr;
  }
  StartWindow* w = app.startWindow();
  w->passwordField()->setText("user");
  w->start();
  w->chooseGroupNamed("ФМ-101");
  tables::Student st;
  store::Table t(tables::studentDef(), st, sh.inst.directory + "Student.tps");
  if (t.open(store::Shared) != store::Ok) return nullptr;
  st.CODEST = 1;
  const int got = t.get(t.key("KEYKODST"));
  if (got != store::Ok || !w->students()->choose(t.position())) {
    ADD_FAILURE() << "student 1 not chosen: " << got << ", " << w->students()->rowCount() << " rows listed";
    return nullptr;
  }
  return w->registration().code == 1 ? w : nullptr;
}

bool chooseArithmetic(StartWindow* w) {
  const int row = rowOf(w->tests(), "Арифметика");
  if (row < 0) return false;
  w->chooseTest(row);
  return w->testChosen();
}

QString positionShown(TestingWindow* t) {
  for (QLabel* l : t->findChildren<QLabel*>())
    if (l->text().startsWith(QStringLiteral("Задание "))) return l->text();
  return {};
}

// The examinee's answer to a frame of the 7-frame arithmetic test, then
// "Далее"; the fifth is passed without an answer.
void answerFrame(TestingWindow* t, int frame) {
  switch (frame) {
    case 1: t->clickVariant(2); break;
    case 2: for (int k : {1, 3, 5}) t->clickVariant(k); break;
    case 3:
      for (auto [k, n] : {std::pair{1, 3}, {2, 1}, {3, 4}, {4, 2}})
        for (int i = 0; i < n; ++i) t->clickVariant(k);
      break;
    case 4: t->answerText("12"); break;
    case 5: ms().script({messages::Yes}); break;  // "Вы не ответили на вопрос..."
    case 6: t->answerText("3/4"); break;
    case 7: t->clickVariant(1); break;
  }
  t->pressNext();
  if (frame == 5) ms().script({});
}

// The workstation dies with its testing window open: nothing is stored and
// nothing discarded, the attempt stays as its last step left it.
void dieWith(TestingWindow* t) { t->QDialog::accept(); }

// PC-A: the student answers three frames, then the workstation dies.
void threeFramesThenDeadWorkstation(Share& sh) {
  ExaminerApp app(sh.station("PC-A"), runAttempt, sh.lock("PC-A"));
  StartWindow* w = registerStudent(sh, app);
  ASSERT_NE(w, nullptr);
  w->next();
  ASSERT_EQ(w->page(), StartWindow::Choice);  // nothing to go on with yet
  ASSERT_TRUE(chooseArithmetic(w));
  bool ran = false;
  whenShown<TestingWindow>([&](TestingWindow* t) {
    ran = true;
    for (int f = 1; f <= 3; ++f) answerFrame(t, f);
    EXPECT_FALSE(t->offlineLabel()->isVisible());
    dieWith(t);
  });
  w->beginTest();
  ASSERT_TRUE(ran);
  const auto open = sh.open();
  ASSERT_EQ(open.size(), 1u);
  EXPECT_EQ(open[0].rec.KOLOT, 3);
  EXPECT_EQ(cp1251::toUtf8(cp1251::clip(open[0].rec.NAMEPC.view())), "PC-A");
}

// Moves the attempt's last sign of life `seconds` back, as a workstation
// that stopped then would have left it.
void lastSeenAgo(Share& sh, int seconds) {
  const auto open = sh.open();
  ASSERT_EQ(open.size(), 1u);
  common::AttemptTables t(sh.attempts());
  ASSERT_EQ(t.open(false), store::Ok);
  store::Transaction tx{&t.attT, &t.rezT};
  ASSERT_EQ(tx.begin(), store::Ok);
  ASSERT_EQ(t.get(open[0].rec.CODE), store::Ok);
  auto back = [seconds](std::int32_t& day, std::int32_t& time) {
    time -= seconds * 100;
    if (time < 1) {
      time += 24 * 3600 * 100;
      --day;
    }
  };
  back(t.att.SEENDATE, t.att.SEENTIME);
  back(t.att.LASTDATE, t.att.LASTTIME);
  ASSERT_EQ(t.write(), store::Ok);
  ASSERT_EQ(tx.commit(), store::Ok);
}

const messages::Message* findShown(const std::string& caption) {
  for (const auto& m : ms().shown())
    if (m.caption == caption) return &m;
  return nullptr;
}

TEST(GoingOn, ADeadWorkstationsAttemptGoesOnAtAnotherFromTheFourthFrame) {
  Share sh;
  threeFramesThenDeadWorkstation(sh);
  lastSeenAgo(sh, 5 * 60);
  const std::size_t before = sh.results().size();
  ASSERT_EQ(sh.open().size(), 1u);
  const tables::RezTest atPcA = sh.open()[0].rez;  // the result as PC-A left it

  const QString pcB = sh.station("PC-B");
  ExaminerApp app(pcB, runAttempt, sh.lock("PC-B"));
  StartWindow* w = registerStudent(sh, app);
  ASSERT_NE(w, nullptr);
  QString position;
  bool offline = true;
  QString answeredShown;
  whenShown<TestingWindow>([&](TestingWindow* t) {
    position = positionShown(t);
    offline = t->offlineLabel()->isVisible();
    // PC-B owns the attempt now.
    const auto open = sh.open();
    EXPECT_EQ(open.size(), 1u);
    if (!open.empty()) {
      EXPECT_EQ(cp1251::toUtf8(cp1251::clip(open[0].rec.NAMEPC.view())), "PC-B");
    }
    for (int f = 4; f <= 7; ++f) answerFrame(t, f);
  });
  whenShown<ResultWindow>([&](ResultWindow* r) {
    answeredShown = r->value(QStringLiteral("Отвечено на"));
    r->button(QStringLiteral("Регистрация"))->click();
  });
  ms().clearShown();
  ms().script({messages::Yes});
  w->next();

  const messages::Message* asked = findShown("Продолжение тестирования");
  ASSERT_NE(asked, nullptr);
  EXPECT_EQ(asked->text, std::string("Не завершено тестирование по тесту «") + kTestName +
                             "».|Дано ответов: 3 из 7.|Продолжить тестирование?");
  EXPECT_EQ(asked->buttons, messages::Buttons::YesNo);
  EXPECT_EQ(position, "Задание 4 из 7");
  EXPECT_FALSE(offline);
  EXPECT_EQ(answeredShown, "6");  // three here, three at PC-A

  // One result: the frames checked at PC-A count as they did there, every
  // frame is checked, the wrong ones (the passed fifth among them) detailed.
  const auto results = sh.results();
  ASSERT_EQ(results.size(), before + 1);
  const tables::RezTest& r = results.back();
  EXPECT_EQ(r.CODEST, 1);
  EXPECT_EQ(r.KOLVOP, 7);
  for (int f = 0; f < 3; ++f) EXPECT_EQ(r.ALLOT[f], atPcA.ALLOT[f]) << "frame " << f + 1;
  EXPECT_GE(r.REZBAL, atPcA.REZBAL);
  tables::RezTest stored;
  std::map<std::uint16_t, Response> answers;
  ASSERT_EQ(loadStoredAttempt(app.startup().inst, r.CODEREZ, stored, answers), store::Ok);
  int right = 0;
  for (int f = 1; f <= 7; ++f) {
    EXPECT_LE(r.ALLOT[f - 1], 1) << "frame " << f;
    EXPECT_EQ(r.ALLOT[f - 1] == 0, answers.count(static_cast<std::uint16_t>(f)) == 1) << "frame " << f;
    right += r.ALLOT[f - 1];
  }
  EXPECT_EQ(r.KOLTROT, right);
  EXPECT_EQ(answers.count(5), 1u);
  EXPECT_TRUE(sh.open().empty());
  EXPECT_TRUE(sh.keptLocally(pcB).empty());
  EXPECT_EQ(w->page(), StartWindow::Register);  // "Регистрация": the next examinee
}

TEST(GoingOn, DeclinedTheAttemptIsStoredAsItStandsAndTheTestIsNotStartedAgain) {
  for (int retake : {0, 1}) {
    SCOPED_TRACE(retake);
    Share sh;
    sh.setRetake(retake);
    threeFramesThenDeadWorkstation(sh);
    lastSeenAgo(sh, 5 * 60);
    const auto open = sh.open();
    ASSERT_EQ(open.size(), 1u);
    const tables::RezTest asItStands = open[0].rez;
    const std::size_t before = sh.results().size();

    int runs = 0;
    ExaminerApp app(sh.station("PC-B"), [&](AttemptRequest&) { return ++runs, 0; }, sh.lock("PC-B"));
    StartWindow* w = registerStudent(sh, app);
    ASSERT_NE(w, nullptr);
    ms().clearShown();
    ms().script({messages::No});
    w->next();
    ms().script({});
    ASSERT_FALSE(ms().shown().empty());
    EXPECT_EQ(ms().shown().back().text, "Результат незавершённого тестирования записан в журнал результатов.");
    const auto results = sh.results();
    ASSERT_EQ(results.size(), before + 1);
    EXPECT_EQ(results.back().CODEST, 1);
    EXPECT_EQ(results.back().REZBAL, asItStands.REZBAL);
    EXPECT_EQ(results.back().KOLTROT, asItStands.KOLTROT);
    EXPECT_EQ(results.back().KOLVOP, 7);
    EXPECT_TRUE(sh.open().empty());
    EXPECT_EQ(runs, 0);

    // The same test at once: refused unless the test allows retaking it.
    ASSERT_EQ(w->page(), StartWindow::Choice);
    ASSERT_TRUE(chooseArithmetic(w));
    const int runCount = w->test().titul.KOLRUN;
    ms().clearShown();
    w->beginTest();
    if (retake) {
      EXPECT_EQ(runs, 1);
    } else {
      EXPECT_EQ(runs, 0);
      ASSERT_FALSE(ms().shown().empty());
      EXPECT_EQ(ms().shown().back().text, std::string("Повторное прохождение теста «") + kTestName + "» не разрешено.");
      EXPECT_EQ(w->test().titul.KOLRUN, runCount);  // a refused start is no run
    }
    EXPECT_EQ(sh.results().size(), before + 1);
  }
}

TEST(GoingOn, AnAttemptStillRunningElsewhereIsNotOffered) {
  Share sh;
  threeFramesThenDeadWorkstation(sh);  // seen a moment ago: PC-A may still be at it
  const auto was = sh.open();
  ASSERT_EQ(was.size(), 1u);
  const std::size_t before = sh.results().size();

  ExaminerApp app(sh.station("PC-B"), runAttempt, sh.lock("PC-B"));
  StartWindow* w = registerStudent(sh, app);
  ASSERT_NE(w, nullptr);
  bool windowShown = false;
  ms().clearShown();
  ms().script({messages::Yes, messages::Yes});  // whatever were asked
  w->next();
  ms().script({});
  QApplication::processEvents();
  for (QWidget* top : QApplication::topLevelWidgets()) windowShown |= qobject_cast<TestingWindow*>(top) != nullptr;
  EXPECT_FALSE(windowShown);
  ASSERT_EQ(ms().shown().size(), 1u);
  EXPECT_EQ(ms().shown().back().text,
            "Тестирование этого тестируемого уже идёт на рабочей станции «PC-A».|"
            "Продолжить его можно, только когда та рабочая станция его оставит.");
  EXPECT_EQ(w->page(), StartWindow::Register);
  const auto now = sh.open();
  ASSERT_EQ(now.size(), 1u);
  EXPECT_EQ(std::string(now[0].rec.OWNER.view()), std::string(was[0].rec.OWNER.view()));
  EXPECT_EQ(now[0].rec.SAVES, was[0].rec.SAVES);
  EXPECT_EQ(sh.results().size(), before);
}

TEST(GoingOn, TrialTestingAndErrorViewingKeepNoAttempt) {
  for (const char* mode : {"9", "7"}) {
    SCOPED_TRACE(mode);
    Share sh;
    const QString dir = sh.station("PC-A");
    {
      settings::IniFile ini(settings::sharedFile(dir.toStdString()));
      ini.set("GlbTune", "ModeWork", mode);
      ini.set("GlbTune", "SelTest", "Арифметика");
      ini.set("GlbTune", "CodeRez", "1");  // the demo's first result: Арифметика, one wrong answer
    }
    const std::size_t before = sh.results().size();
    ExaminerApp app(dir, runAttempt, sh.lock("PC-A"));
    QSignalSpy done(&app, &ExaminerApp::finished);
    bool ran = false;
    std::size_t keptMeanwhile = 99;
    whenShown<TestingWindow>([&](TestingWindow* t) {
      ran = true;
      t->pressNext();
      t->pressNext();
      keptMeanwhile = sh.open().size() + sh.keptLocally(dir).size();
      dieWith(t);
    });
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(done.wait(5000));
    EXPECT_TRUE(ran);
    EXPECT_EQ(keptMeanwhile, 0u);
    EXPECT_FALSE(std::filesystem::exists(sh.attempts()));
    EXPECT_TRUE(sh.keptLocally(dir).empty());
    EXPECT_EQ(sh.results().size(), before);
  }
}

TEST(GoingOn, TheShareGoesAwayAndComesBackDuringTheAttempt) {
  Share sh;
  const QString pc = sh.station("PC-A");
  const std::size_t before = sh.results().size();
  ExaminerApp app(pc, runAttempt, sh.lock("PC-A"));
  StartWindow* w = registerStudent(sh, app);
  ASSERT_NE(w, nullptr);
  w->next();
  ASSERT_TRUE(chooseArithmetic(w));
  const std::string share = sh.inst.directory.substr(0, sh.inst.directory.size() - 1);
  std::vector<bool> offline;
  std::vector<std::size_t> local;
  tables::RezTest afterFour;
  afterFour.ALLOT.fill(9);
  whenShown<TestingWindow>([&](TestingWindow* t) {
    answerFrame(t, 1);
    offline.push_back(t->offlineLabel()->isVisible());
    std::filesystem::rename(share, share + ".away");
    answerFrame(t, 2);
    offline.push_back(t->offlineLabel()->isVisible());
    local.push_back(sh.keptLocally(pc).size());
    answerFrame(t, 3);
    offline.push_back(t->offlineLabel()->isVisible());
    std::filesystem::rename(share + ".away", share);
    answerFrame(t, 4);
    offline.push_back(t->offlineLabel()->isVisible());
    local.push_back(sh.keptLocally(pc).size());
    const auto open = sh.open();
    EXPECT_EQ(open.size(), 1u);
    if (!open.empty()) {
      EXPECT_EQ(open[0].rec.KOLOT, 4);
      afterFour = open[0].rez;
    }
    for (int f = 5; f <= 7; ++f) answerFrame(t, f);
  });
  whenShown<ResultWindow>([](ResultWindow* r) { r->button(QStringLiteral("Регистрация"))->click(); });
  w->beginTest();
  EXPECT_EQ(offline, (std::vector<bool>{false, true, true, false}));
  EXPECT_EQ(local, (std::vector<std::size_t>{1, 0}));
  const auto results = sh.results();
  ASSERT_EQ(results.size(), before + 1);
  // The answers given while the share was away are in the result.
  for (int f = 0; f < 4; ++f) EXPECT_EQ(results.back().ALLOT[f], afterFour.ALLOT[f]) << "frame " << f + 1;
  EXPECT_EQ(results.back().KOLVOP, 7);
  EXPECT_TRUE(sh.open().empty());
  EXPECT_TRUE(sh.keptLocally(pc).empty());
}

TEST(GoingOn, ClosedByTheAdministratorTheWindowEndsWithoutASecondResult) {
  Share sh;
  const QString pc = sh.station("PC-A");
  const std::size_t before = sh.results().size();
  ExaminerApp app(pc, runAttempt, sh.lock("PC-A"));
  StartWindow* w = registerStudent(sh, app);
  ASSERT_NE(w, nullptr);
  w->next();
  ASSERT_TRUE(chooseArithmetic(w));
  bool stillOpen = true;
  int closedRezbal = -1;
  whenShown<TestingWindow>([&](TestingWindow* t) {
    answerFrame(t, 1);
    answerFrame(t, 2);
    const auto open = sh.open();
    ASSERT_EQ(open.size(), 1u);
    closedRezbal = open[0].rez.REZBAL;
    const common::StoreOutcome out = common::closeAttempt(sh.attempts(), open[0].rec.CODE);
    EXPECT_EQ(out.code, store::Ok);
    ms().clearShown();
    answerFrame(t, 3);
    stillOpen = t->isVisible();
  });
  w->beginTest();
  EXPECT_FALSE(stillOpen);
  const messages::Message* said = findShown("Тестирование");
  ASSERT_NE(said, nullptr);
  EXPECT_EQ(said->text, "Тестирование завершено администратором.|Его результат записан в журнал результатов.");
  const auto results = sh.results();
  ASSERT_EQ(results.size(), before + 1);  // the administrator's, no second one
  EXPECT_EQ(results.back().REZBAL, closedRezbal);
  EXPECT_TRUE(sh.open().empty());
  EXPECT_TRUE(sh.keptLocally(pc).empty());
  EXPECT_EQ(w->page(), StartWindow::Register);
}

}  // namespace
