// The testing window, the calculator, the result window and the protocol on
// the demo tests.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>

#include "attempt_runner.h"
#include "attempt_runner_logic.h"
#include "calculator.h"
#include "cp1251.h"
#include "demo_data.h"
#include "examiner_app.h"
#include "message_service.h"
#include "testing_window.h"
#include "when_shown.h"
#include "synthetic_test.h"
#include "test_tables.h"

using namespace examiner;
using testing_tables::TempDir;

namespace {

auto& ms() { return ui::MessageService::instance(); }

TEST(Calculator, KeySequences) {
  struct Case {
    std::vector<std::string> keys;
    std::string display;
  } cases[] = {
      {{"2", "+", "3", "="}, "5"},
      {{"2", "*", "3", "+", "4", "="}, "10"},
      {{"9", "sqrt"}, "3"},
      {{"4", "1/x"}, "0.25"},
      {{"0", "1/x"}, "0"},  // only when x is not 0
      {{"5", "MS", "C", "MR"}, "5"},
      {{"5", "M+", "M+", "MR"}, "10"},
      {{"5", "MS", "2", "M-", "MR"}, "3"},
      {{"5", "MS", "MC", "MR"}, "0"},
      {{"1", "2", "<-"}, "1"},
      {{"pi"}, "3.141592654"},
      {{"4", "Exp"}, "40"},
      {{"1", "0", "0", "lg"}, "2"},
      {{"1", "ln"}, "0"},
      {{"7", "+/-"}, "-7"},
      {{"3", "x^2"}, "9"},
      {{"1", ".", "5", "+", ".", "5", "="}, "2"},
      {{"6", "/", "0", "="}, "Ошибка"},
      {{"6", "/", "0", "=", "C", "4"}, "4"},
  };
  for (const auto& c : cases) {
    common::Calculator k;
    for (const auto& key : c.keys) k.press(key);
    EXPECT_EQ(k.display(), c.display) << c.keys.size();
  }
}

struct Demo {
  TempDir tmp;
  demo::Installation inst;
  Startup s;
  Demo() {
    EXPECT_EQ(demo::make(tmp / "demo", inst), "");
    ms().script({});
    ms().clearShown();
    messages::Scripted ui;
    EXPECT_TRUE(startUp(s, inst.directory, ui));
  }
  AttemptConfig config(const char* test, testfile::TestFile& tf, int variant = 1) {
    tf.name(inst.library, test, s.inst.keyWord);
    EXPECT_EQ(tf.open(), store::Ok);
    Registration who;
    who.fam = cp1251::fromUtf8("Иванов");
    who.name = cp1251::fromUtf8("Алексей");
    who.group = cp1251::fromUtf8("ФМ-101");
    who.code = 1;
    return configFor(tf, s, who, variant);
  }
};

TEST(TestingWindow, FixedOrderAttemptThroughTheWindowIsStored) {
  Demo d;
  testfile::TestFile tf;
  AttemptConfig cfg = d.config("Арифметика", tf);
  ScriptedRandom rnd;
  FixedClock clock;
  Attempt a(cfg, rnd, clock);
  a.start();
  Monitor monitor(d.inst.directory + "MonCons.tps");
  ASSERT_EQ(monitor.add("PC-1"), store::Ok);
  TestingWindow w(a, cfg, d.s, "Иванов Алексей", &monitor);
  EXPECT_TRUE(w.windowTitle().startsWith(QString::fromStdString(cfg.tema.NAME.utf8())));
  EXPECT_TRUE(w.windowTitle().endsWith("Иванов Алексей"));
  EXPECT_EQ(w.timerText(), "15 мин");
  EXPECT_TRUE(w.frameText().contains("12 · 12"));
  w.clickVariant(2);
  EXPECT_TRUE(w.variantButton(2)->styleSheet().contains("142,193,149"));  // the marked colour
  w.pressNext();
  EXPECT_EQ(monitor.record().KOLVOPOT, 1);
  for (int k : {1, 3, 5}) w.clickVariant(k);
  w.pressNext();
  for (auto [k, n] : std::vector<std::pair<int, int>>{{1, 3}, {2, 1}, {3, 4}, {4, 2}})
    for (int i = 0; i < n; ++i) w.clickVariant(k);
  EXPECT_TRUE(w.variantButton(1)->text().startsWith("[3]"));  // the rank beside the variant
  w.pressNext();
  w.answerText("12");
  w.pressNext();
  ms().script({messages::Yes});  // the matching frame is skipped with the question
  w.pressNext();
  ASSERT_FALSE(ms().shown().empty());
  EXPECT_EQ(ms().shown().back().text, "Вы не ответили на вопрос.|Перейти к следующему вопросу?");
  ms().script({});
  w.answerText("3/4");
  w.pressNext();
  w.clickVariant(1);
  w.pressNext();
  ASSERT_TRUE(w.finished());
  EXPECT_FALSE(monitor.active());  // the monitoring record goes at the end
  EXPECT_EQ(a.result().KOLTROT, 5);

  ResultStore rs(d.inst.directory);
  StoreOutcome out = rs.store(storeRequestFor(a, d.s, 1));
  ASSERT_EQ(out.code, store::Ok);
  tables::RezTest stored;
  std::map<std::uint16_t, Response> answers;
  ASSERT_EQ(loadStoredAttempt(d.s.inst, out.resultCode, stored, answers), store::Ok);
  EXPECT_EQ(stored.KOLTROT, 5);
  EXPECT_EQ(stored.REZBAL, 9);
  EXPECT_EQ(answers.size(), 2u);

  // Error viewing of the stored attempt: only the wrong frames, read-only, the key written out.
  AttemptConfig rc = cfg;
  rc.modeWork = 7;
  Attempt review(rc, rnd, clock);
  review.startReview(stored, answers);
  TestingWindow rw(review, rc, d.s, "Иванов Алексей");
  EXPECT_TRUE(rw.windowTitle().contains("[Просмотр ошибок]"));
  EXPECT_EQ(review.order(), (std::vector<std::uint16_t>{5, 7}));
  EXPECT_FALSE(rw.keyShown().isEmpty());
  rw.pressNext();
  ASSERT_NE(rw.variantButton(1), nullptr);
  EXPECT_FALSE(rw.variantButton(1)->isEnabled());
  EXPECT_TRUE(rw.keyShown().endsWith("б."));  // by the letter shown
  rw.pressNext();
  EXPECT_TRUE(rw.finished());
}

TEST(TestingWindow, FreeOrderGridAndFinish) {
  Demo d;
  testfile::TestFile tf;
  AttemptConfig cfg = d.config("География", tf);
  ScriptedRandom rnd;
  FixedClock clock;
  Attempt a(cfg, rnd, clock);
  a.start();
  TestingWindow w(a, cfg, d.s, "Иванов Алексей");
  EXPECT_TRUE(w.windowTitle().contains(" 1 - "));  // the variant in the caption
  ASSERT_NE(w.gridButton(1), nullptr);
  EXPECT_TRUE(w.gridButton(1)->styleSheet().contains("#0000ff"));  // current
  EXPECT_TRUE(w.gridButton(2)->styleSheet().contains("#804040"));  // not answered
  w.clickVariant(2);
  w.goToPosition(3);
  EXPECT_TRUE(w.gridButton(1)->styleSheet().contains("#008000"));  // answered
  w.answerText("Ледовитый");
  w.goToPosition(1);
  w.clickVariant(1);  // changed to a wrong answer
  ms().script({messages::No});
  w.pressFinish();
  EXPECT_FALSE(w.finished());  // "Нет" goes on
  EXPECT_TRUE(ms().shown().back().text.find("Вы дали ответ на 2 вопроса(ов) из 4") != std::string::npos);
  ms().script({messages::Yes});
  w.pressFinish();
  ms().script({});
  ASSERT_TRUE(w.finished());
  EXPECT_EQ(a.result().KOLTROT, 1);
  EXPECT_EQ(a.result().REZBAL, 2);
}

TEST(TestingWindow, TimeOverAndTheWrongAnswerStop) {
  Demo d;
  ScriptedRandom rnd;
  FixedClock clock;
  for (int ifProsTime : {1, 0}) {
    AttemptConfig cfg = syntheticTest(3, 0, ifProsTime);
    Attempt a(cfg, rnd, clock);
    a.start();
    TestingWindow w(a, cfg, d.s, "X");
    ms().clearShown();
    for (int i = 0; i < 70; ++i) w.tick();
    EXPECT_EQ(w.finished(), ifProsTime == 1);
    if (ifProsTime) {
      ASSERT_FALSE(ms().shown().empty());
      EXPECT_EQ(ms().shown().back().caption, "Внимание!");
    }
  }
  AttemptConfig cfg = syntheticTest(7, 3, 1);
  Attempt a(cfg, rnd, clock);
  a.start();
  TestingWindow w(a, cfg, d.s, "X");
  for (int ans : {2, 2, 1, 2, 2, 2}) {
    w.clickVariant(ans);
    w.pressNext();
  }
  EXPECT_TRUE(w.finished());
  EXPECT_EQ(a.result().PRDURAK, 1);
}

// The timer keeps firing while a question box is open (its nested event
// loop); a time-up there must wait until the box closes.
TEST(TestingWindow, TimeUpInsideAQuestionBoxWaitsUntilItCloses) {
  Demo d;
  ScriptedRandom rnd;
  FixedClock clock;
  auto perFrame = [] {
    AttemptConfig cfg = syntheticTest(3, 0, 1);
    cfg.tema.HOWTIMETEST = 1;
    cfg.tema.IFPROSVOP = 1;
    for (auto& v : cfg.frames) v.TIMEVOP = 3;
    return cfg;
  };
  {
    // "Вы не ответили на вопрос...": the frame's time runs out inside; "Да".
    AttemptConfig cfg = perFrame();
    Attempt a(cfg, rnd, clock);
    a.start();
    TestingWindow w(a, cfg, d.s, "X");
    int positionInside = 0;
    ms().script({messages::Yes});
    ms().whileScriptedBoxOpen([&](const messages::Message&) {
      for (int i = 0; i < 5; ++i) w.tick();
      positionInside = a.position();
    });
    w.pressNext();
    ms().script({});
    QApplication::processEvents();
    EXPECT_EQ(positionInside, 1);  // nothing moved while the box was open
    EXPECT_EQ(a.position(), 2);    // the examinee's "Да": on to the next frame, once
    EXPECT_EQ(a.result().KOLVOPOT, 1);
    EXPECT_EQ(a.result().ALLOT[1], 2);  // the frame never seen was not checked
  }
  {
    // The same with "Нет": the examinee stays, and the time-up then takes effect.
    AttemptConfig cfg = perFrame();
    Attempt a(cfg, rnd, clock);
    a.start();
    TestingWindow w(a, cfg, d.s, "X");
    ms().script({messages::No});
    ms().whileScriptedBoxOpen([&](const messages::Message&) {
      for (int i = 0; i < 5; ++i) w.tick();
    });
    w.pressNext();
    ms().script({});
    EXPECT_EQ(a.position(), 1);
    QApplication::processEvents();
    EXPECT_EQ(a.position(), 2);
    EXPECT_EQ(a.result().KOLPROSVOP, 1);
    EXPECT_EQ(a.lastOutcome(), 3);
  }
  {
    // The whole test's time runs out inside the "Финиш" question; "Нет".
    AttemptConfig cfg = syntheticTest(3, 0, 1);
    cfg.tema.FREESEL = 1;
    Attempt a(cfg, rnd, clock);
    a.start();
    TestingWindow w(a, cfg, d.s, "X");
    w.clickVariant(1);
    bool finishedInside = true;
    ms().script({messages::No});
    ms().whileScriptedBoxOpen([&](const messages::Message& m) {
      if (m.caption != "Завершение тестирования") return;
      for (int i = 0; i < 70; ++i) w.tick();
      finishedInside = a.finished();
    });
    w.pressFinish();
    EXPECT_FALSE(finishedInside);
    EXPECT_FALSE(w.finished());
    QApplication::processEvents();
    ms().script({});
    ASSERT_TRUE(w.finished());
    EXPECT_EQ(ms().shown().back().caption, "Внимание!");
    EXPECT_EQ(a.result().KOLTROT, 1);
  }
  {
    // The frame's time runs out while the answer is typed in its small
    // window: the answer typed goes to that frame, then the time-up moves on.
    AttemptConfig cfg = perFrame();
    cfg.tema.IFPROSVOP = 0;  // a late answer counts
    cfg.frames[0].TYPEKADR = 6;
    cfg.frames[0].TRUEOTSTR = "42";
    Attempt a(cfg, rnd, clock);
    a.start();
    TestingWindow w(a, cfg, d.s, "X");
    int positionInside = 0;
    whenShown<QDialog>([&](QDialog* input) {
      ASSERT_EQ(input->objectName(), "ADDOtvet");
      for (int i = 0; i < 5; ++i) w.tick();
      positionInside = a.position();
      input->findChild<QLineEdit*>()->setText("42");
      input->accept();
    });
    w.button("Ввести ответ...")->click();
    EXPECT_EQ(positionInside, 1);
    EXPECT_EQ(a.response().text, "42");
    QApplication::processEvents();
    EXPECT_EQ(a.position(), 2);
    EXPECT_EQ(a.result().KOLPROSVOP, 1);
    EXPECT_EQ(a.result().ALLOT[0], 1);  // the typed answer, checked on its own frame
  }
}

// The calculator and the help window work beside the testing window, which
// is modal: key and mouse input reach them through the window system.
TEST(TestingWindow, CalculatorAndHelpWorkBesideTheModalTestingWindow) {
  Demo d;
  ScriptedRandom rnd;
  FixedClock clock;
  AttemptConfig cfg = syntheticTest(2, 0, 1);
  cfg.tema.YESCALC = 1;
  cfg.tema.MODETRAINING = 1;
  cfg.tema.HOWHELP = 1;
  cfg.helps.resize(1);
  cfg.helps[0].CODEVOP = 1;
  cfg.helps[0].HELPVOP = cp1251::fromUtf8("Да — первый вариант.");
  Attempt a(cfg, rnd, clock);
  a.start();
  TestingWindow w(a, cfg, d.s, "X");
  w.setWindowModality(Qt::ApplicationModal);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

  ASSERT_NE(w.button("Калькулятор"), nullptr);
  w.button("Калькулятор")->click();
  common::CalculatorWindow* calc = w.calculatorWindow();
  ASSERT_NE(calc, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(calc));
  for (char k : std::string("12+30")) QTest::keyClick(calc->windowHandle(), k);
  QTest::keyClick(calc->windowHandle(), Qt::Key_Return);
  EXPECT_EQ(calc->display(), "42");
  QWidget* key7 = calc->findChild<QPushButton*>("7");
  ASSERT_NE(key7, nullptr);
  QTest::mouseClick(calc->windowHandle(), Qt::LeftButton, {}, key7->mapTo(calc, key7->rect().center()));
  EXPECT_EQ(calc->display(), "7");
  // F1 opens the window's own help page, beside it and not blocked either.
  QTest::keyClick(calc->windowHandle(), Qt::Key_F1);
  QTextBrowser* page = nullptr;
  for (QWidget* x : QApplication::topLevelWidgets() + calc->findChildren<QWidget*>())
    if (x->isVisible() && x->windowTitle() == "Справка") page = x->findChild<QTextBrowser*>();
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->documentTitle(), "Калькулятор");
  const QRect area = calc->screen()->availableGeometry();
  EXPECT_TRUE(area.contains(calc->frameGeometry())) << "the calculator opens on the screen";
  EXPECT_FALSE(calc->frameGeometry().intersects(w.button("Калькулятор")->geometry().translated(w.geometry().topLeft())));

  w.button("Конспект")->click();
  HelpWindow* help = w.helpWindow();
  ASSERT_NE(help, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(help));
  EXPECT_EQ(help->text(), "Да — первый вариант.");
  EXPECT_EQ(help->heading()->text(), "К заданию: 1");
  EXPECT_TRUE(area.contains(help->frameGeometry()));
  auto* close = help->findChild<QPushButton*>();
  for (auto* b : help->findChildren<QPushButton*>())
    if (b->text() == "Закрыть") close = b;
  QTest::mouseClick(help->windowHandle(), Qt::LeftButton, {}, close->mapTo(help, close->rect().center()));
  EXPECT_FALSE(help->isVisible());

  // Both go with the test.
  w.button("Конспект")->click();
  w.clickVariant(1);
  w.pressNext();
  w.clickVariant(1);
  w.pressNext();
  ASSERT_TRUE(w.finished());
  EXPECT_FALSE(calc->isVisible());
  EXPECT_FALSE(help->isVisible());
}

TEST(TestingWindow, FeedbackShowsOneOutcomeWithTheChosenVariantsComments) {
  Demo d;
  ScriptedRandom rnd;  // variants in stored order
  FixedClock clock;
  AttemptConfig cfg = syntheticTest(2, 0, 1);
  cfg.tema.SHOWTF_OT = 1;
  cfg.tema.MODETRAINING = 1;
  cfg.helps.resize(1);
  cfg.helps[0].CODEVOP = 1;
  cfg.helps[0].COMMOT[0] = cp1251::fromUtf8("Верно: да.");
  cfg.helps[0].COMMOT[1] = cp1251::fromUtf8("Подумайте ещё: нет неверно.");
  Attempt a(cfg, rnd, clock);
  a.start();
  TestingWindow w(a, cfg, d.s, "X");
  w.clickVariant(2);
  w.pressNext();
  QWidget* f = w.feedbackWindow();
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->findChild<QTabWidget*>(), nullptr);  // one outcome, no tabs
  EXPECT_EQ(f->findChild<QLabel*>("outcome")->text(), "Неверный ответ");
  EXPECT_EQ(f->findChild<QLabel*>("comments")->text(), "Подумайте ещё: нет неверно.");
}

TEST(TestingWindow, ObjectsAndTheTrialKeyAsTheStudentSeesThem) {
  Demo d;
  FixedClock clock;
  AttemptConfig cfg = syntheticTest(1, 0, 1);
  cfg.modeWork = 9;
  auto& v = cfg.frames[0];
  v.TYPEKADR = 3;
  v.KOLOT = 3;
  v.VAROT13 = "maybe";
  v.TRUEOT[0] = 1;  // stored variant 1
  v.OBJECTTYPE = "D";
  v.OBJECTSAVE = "B";
  const std::string pdf = "%PDF-1.4\n1 0 obj << >> endobj\ntrailer << >>\n%%EOF\n";
  v.OLEBLOB.bytes.assign(pdf.begin(), pdf.end());
  ScriptedRandom rnd({3, 1, 1});  // shown: stored 3, 1, 2
  Attempt a(cfg, rnd, clock);
  a.start();
  TestingWindow w(a, cfg, d.s, {});
  EXPECT_FALSE(w.windowTitle().contains(" - "));  // no examinee in a trial run
  EXPECT_EQ(w.windowTitle().count("Пробное тестирование"), 1);
  EXPECT_EQ(w.keyShown(), "Правильный ответ: б.");  // stored 1 is shown second
  EXPECT_TRUE(w.objectLabel()->text().contains("PDF"));

  // No application for the document: the student is told, and the copy
  // lies in a folder of this run's own.
  w.documents().desktopOpen = [](const QString&) { return false; };
  ms().clearShown();
  w.openObject();
  ASSERT_FALSE(ms().shown().empty());
  EXPECT_NE(ms().shown().back().text.find("нет программы"), std::string::npos);
  const QFileInfo copy(w.documents().lastCopy());
  EXPECT_TRUE(copy.exists());
  EXPECT_EQ(copy.suffix(), "pdf");
  EXPECT_EQ(QFile::permissions(copy.absolutePath()) & (QFile::ReadOther | QFile::ReadGroup), QFile::Permissions{});

  // Plain text is shown here, whatever the desktop has.
  const std::string text = "Таблица значений";
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  ms().clearShown();
  EXPECT_TRUE(w.documents().open(&w, bytes, "таблица.txt"));
  EXPECT_TRUE(ms().shown().empty());
  ASSERT_NE(w.documents().lastViewer(), nullptr);
  EXPECT_TRUE(w.documents().lastViewer()->findChild<QTextBrowser*>()->toPlainText().contains("Таблица"));
  // The student closes it, then the test ends: nothing left to close twice.
  w.documents().lastViewer()->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(w.documents().lastViewer(), nullptr);
  w.clickVariant(2);
  w.pressNext();
  EXPECT_TRUE(w.finished());
}

// Free order, training, a time limit per frame: a frame whose time ran out
// can be left even unanswered; the monitoring record counts only checks.
TEST(TestingWindow, LockedFramesAreLeftAndTheMonitorCountsOnlyChecks) {
  Demo d;
  ScriptedRandom rnd;
  FixedClock clock;
  AttemptConfig cfg = syntheticTest(3, 0, 1);
  cfg.tema.FREESEL = 1;
  cfg.tema.MODETRAINING = 1;
  cfg.tema.HOWTIMETEST = 1;
  cfg.tema.IFPROSVOP = 1;
  for (auto& v : cfg.frames) v.TIMEVOP = 2;
  cfg.frames[2].TIMEVOP = 0;  // no limit
  Attempt a(cfg, rnd, clock);
  a.start();
  Monitor monitor(d.inst.directory + "MonCons.tps");
  ASSERT_EQ(monitor.add("PC-1"), store::Ok);
  TestingWindow w(a, cfg, d.s, "X", &monitor);
  w.clickVariant(2);        // wrong
  w.goToPosition(3);        // checked: one wrong answer
  EXPECT_EQ(monitor.record().CODEVOP, a.codeAt(1));  // the frame answered, not the one shown now
  w.clickVariant(1);        // right
  w.goToPosition(1);        // checked
  w.goToPosition(3);        // frame 1 passed again unchanged: no new check
  EXPECT_EQ(monitor.record().FALSEOT, 1);
  EXPECT_EQ(monitor.record().KOLBALLMAX, 2);  // each frame's maximum once
  w.goToPosition(2);        // unanswered; its time runs out
  w.tick();
  w.tick();
  ASSERT_TRUE(a.lockedAt(2));
  w.goToPosition(2);
  w.goToPosition(3);        // training would open the help for an unanswered frame; a locked one is left
  EXPECT_EQ(a.position(), 3);
}

TEST(Checking, TheKeyNamedByWhatIsShown) {
  auto frame = [](int kind, int n, std::vector<int> key) {
    tables::Vop v;
    v.TYPEKADR = static_cast<std::uint8_t>(kind);
    v.KOLOT = static_cast<std::uint8_t>(n);
    for (std::size_t i = 0; i < key.size(); ++i) v.TRUEOT[i] = static_cast<std::uint8_t>(key[i]);
    return v;
  };
  ScriptedRandom r({3, 1, 1});  // display 1, 2, 3 show stored 3, 1, 2
  const Permutation shown = drawPermutation(3, r);
  const Permutation same = drawPermutation(3, r, true);
  struct Case {
    tables::Vop v;
    const Permutation& p;
    std::string key;
  } cases[] = {
      {frame(1, 3, {1, 0, 1}), shown, "а, б."},
      {frame(2, 3, {3, 1, 2}), shown, "а-2, б-3, в-1"},
      {frame(3, 3, {2}), shown, "в."},
      {frame(4, 3, {2, 3, 1}), shown, "а3, б1, в2"},
      {frame(3, 3, {2}), same, "б."},
  };
  for (const auto& c : cases) EXPECT_EQ(keyTextShown(c.v, c.p), c.key) << c.key;
}

TEST(ExaminerWindows, StandardBoxesSpeakRussian) {
  QMessageBox box(QMessageBox::Question, "t", "?", QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove('&'), "Да");
  EXPECT_EQ(box.button(QMessageBox::No)->text().remove('&'), "Нет");
}

TEST(TestingWindow, CtrlAltClickAbortsWithoutStoring) {
  Demo d;
  ScriptedRandom rnd;
  FixedClock clock;
  AttemptConfig cfg = syntheticTest(3, 0, 1);
  Attempt a(cfg, rnd, clock);
  a.start();
  TestingWindow w(a, cfg, d.s, "X");
  w.show();
  QPushButton* b = w.variantButton(1);
  ASSERT_NE(b, nullptr);
  QPointF at(5, 5);
  QMouseEvent plain(QEvent::MouseButtonPress, at, b->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(b, &plain);
  EXPECT_FALSE(w.aborted());
  QMouseEvent chord(QEvent::MouseButtonPress, at, b->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                    Qt::ControlModifier | Qt::AltModifier);
  QApplication::sendEvent(b, &chord);
  EXPECT_TRUE(w.aborted());
  EXPECT_FALSE(a.finished());  // nothing to store
}

TEST(ResultWindow, ButtonsFollowTheResultAndTheProtocolIsKept) {
  Demo d;
  testfile::TestFile tf;
  AttemptConfig cfg = d.config("Арифметика", tf);
  tables::RezTest r;
  r.KOLVOP = 7;
  r.KOLVOPOT = 7;
  r.KOLTROT = 7;
  r.KOLFSOT = 0;
  r.REZBAL = 15;
  r.REZTEXT = cp1251::fromUtf8("Отлично");
  r.FIO = cp1251::fromUtf8("Иванов Алексей");
  r.ALLOT.fill(2);
  {
    ResultWindow w(r, cfg, d.s, "");
    EXPECT_FALSE(w.button("Ошибки")->isEnabled());  // every answer right
    EXPECT_TRUE(w.button("Повторить")->isEnabled());
    EXPECT_EQ(w.value("Отметка:"), "Отлично");
    EXPECT_EQ(w.value("Процент верных ответов:"), "100 %");
    w.button("Повторить")->click();
    EXPECT_EQ(w.outcome(), 2);
  }
  cfg.tema.SHOWOTM = 1;
  cfg.tema.POVTORTEST = 0;
  r.KOLTROT = 5;
  r.KOLFSOT = 2;
  {
    ResultWindow w(r, cfg, d.s, "005,007,");
    EXPECT_TRUE(w.value("Отметка:").isEmpty());  // the mark is hidden
    EXPECT_TRUE(w.button("Ошибки")->isEnabled());
    EXPECT_FALSE(w.button("Повторить")->isEnabled());
    w.button("Выход")->click();
    EXPECT_EQ(w.outcome(), 5);
  }
  // The protocol: its pages are drawn, and without a printer it is kept as PDF.
  r.ALLOT[4] = 0;
  r.ALLOT[6] = 0;
  Protocol p = protocolOf(r, cfg.tema, cfg.titul, d.s.tune, {});
  EXPECT_EQ(p.wrong, "005,007,");
  ui::Report rep = protocolReport(p);
  ASSERT_GE(rep.pageCount(), 1);
  QImage img = rep.pageImage(1, 72);
  int dark = 0;
  for (int y = 0; y < img.height(); y += 2)
    for (int x = 0; x < img.width(); x += 2) dark += qGray(img.pixel(x, y)) < 128;
  EXPECT_GT(dark, 200);
  ms().clearShown();
  QString pdf = printProtocol(p, d.s, 12);
  if (!pdf.isEmpty()) {  // a machine without a printer
    EXPECT_TRUE(pdf.endsWith("Stat/Protocols/Общий_12.pdf"));
    EXPECT_TRUE(QFile::exists(pdf));
    EXPECT_EQ(ms().shown().back().text, ("Протокол сохранён в файле " + pdf).toStdString());
  }
}

TEST(ExaminerWindows, TrialTestingClosesTheProgram) {
  Demo d;
  d.s.inst.ini.set("GlbTune", "ModeWork", "9");
  d.s.inst.ini.set("GlbTune", "SelTest", "Арифметика");
  int runs = 0;
  ExaminerApp app(QString::fromStdString(d.inst.directory), [&](AttemptRequest& r) {
    ++runs;
    EXPECT_EQ(r.test.tema.NAME.utf8(), "Арифметика: действия с натуральными числами и дробями");
    return 0;
  }, d.tmp / "lock");
  QSignalSpy done(&app, &ExaminerApp::finished);
  ASSERT_TRUE(app.start());
  ASSERT_TRUE(done.wait(3000));
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(app.startup().inst.ini.get("GlbTune", "ModeWork"), "0");
}

}  // namespace
