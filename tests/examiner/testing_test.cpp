// The testing window, the calculator, the result window and the protocol on
// the demo tests.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>

#include "attempt_runner.h"
#include "attempt_runner_logic.h"
#include "calculator.h"
#include "cp1251.h"
#include "demo_data.h"
#include "examiner_app.h"
#include "message_service.h"
#include "testing_window.h"
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
    Calculator k;
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
  EXPECT_EQ(w.timerText(), "16 мин");
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
  EXPECT_TRUE(rw.keyShown().endsWith("2."));
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
