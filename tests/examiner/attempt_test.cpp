// Whole attempts on the demo tests: fixed order and free order, the
// wrong-answer stop, time, the detail memos, storing and monitoring.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <map>
#include <set>

#include "attempt.h"
#include "attempt_runner_logic.h"
#include "cp1251.h"
#include "demo_data.h"
#include "monitoring.h"
#include "result_file.h"
#include "result_store.h"
#include "test_file.h"
#include "synthetic_test.h"
#include "test_tables.h"

using namespace examiner;
using testing_tables::TempDir;

namespace {

std::string u(const char* s) { return cp1251::fromUtf8(s); }

struct Answers : Dialogue {
  bool skip = true, retry = false;
  int asked = 0;
  std::vector<int> outcomes;
  bool skipUnanswered() override {
    ++asked;
    return skip;
  }
  bool retryWrong() override { return retry; }
  void feedback(int o) override { outcomes.push_back(o); }
};

// The demo installation, made once for all tests of this file.
const demo::Installation& demoInstallation() {
  static TempDir* dir = new TempDir;
  static demo::Installation inst;
  static bool made = false;
  if (!made) {
    std::string err = demo::make(*dir / "demo", inst);
    EXPECT_EQ(err, "");
    made = true;
  }
  return inst;
}

AttemptConfig loadTest(const std::string& name) {
  const auto& inst = demoInstallation();
  testfile::TestFile tf;
  tf.name(inst.library, name, u(inst.keyWord.c_str()));
  EXPECT_EQ(tf.open(), store::Ok) << tf.error().text();
  AttemptConfig c;
  c.tema = tf.tema;
  c.titul = tf.titul;
  tf.vopT.set();
  while (tf.vopT.next() == store::Ok) c.frames.push_back(tf.vop);
  tf.trainingT.set();
  while (tf.trainingT.next() == store::Ok) c.helps.push_back(tf.training);
  c.room = 101;
  c.library = u(inst.library.c_str());
  c.who.fio = u("Иванов Алексей Иванович");
  c.who.group = u("ФМ-101");
  c.who.faket = u("Физико-математический факультет");
  c.who.code = 1;
  return c;
}

void clicks(Attempt& a, int k, int times) {
  for (int i = 0; i < times; ++i) a.click(k);
}

TEST(Attempt, WholeFixedOrderAttemptStoredFieldByField) {
  AttemptConfig cfg = loadTest("Арифметика");
  ScriptedRandom rnd;  // every draw 1: variants shown in stored order
  FixedClock clock;
  clock.time = 3600001;
  Attempt a(cfg, rnd, clock);
  a.start();
  ASSERT_EQ(a.length(), 7);
  Answers d;
  a.click(2);  // 12 × 12 = 144
  EXPECT_EQ(a.next(d), Attempt::Step::Moved);
  for (int k : {1, 3, 5}) a.click(k);  // the primes 2, 13, 29
  a.next(d);
  clicks(a, 1, 3);  // ranks 3, 1, 4, 2
  clicks(a, 2, 1);
  clicks(a, 3, 4);
  clicks(a, 4, 2);
  a.next(d);
  a.setText("12");  // a number without a comma behind it counts
  a.next(d);
  // The matching frame is left unanswered: the examinee is asked and goes on.
  d.skip = false;
  EXPECT_EQ(a.next(d), Attempt::Step::Stayed);
  EXPECT_EQ(a.position(), 5);
  d.skip = true;
  a.next(d);
  EXPECT_EQ(d.asked, 2);
  a.setText("3/4");
  a.next(d);
  a.click(1);  // 2/9: wrong
  clock.time += 9 * 60 * 100;
  EXPECT_EQ(a.next(d), Attempt::Step::Finished);
  EXPECT_EQ(d.outcomes, (std::vector<int>{1, 1, 1, 1, 2, 1, 2}));

  const tables::RezTest& r = a.result();
  EXPECT_EQ(r.KOLVOP, 7);
  EXPECT_EQ(r.KOLVOPOT, 7);  // fixed order counts every frame passed
  EXPECT_EQ(r.KOLTROT, 5);
  EXPECT_EQ(r.KOLFSOT, 2);
  EXPECT_EQ(r.REZBAL, 1 + 2 + 2 + 1 + 3);
  EXPECT_EQ(r.MAXBALL, 15);
  EXPECT_EQ(r.OTMETKA, 3);  // 71 %: 70..80
  EXPECT_EQ(r.REZTEXT.utf8(), "Удовлетворительно");
  EXPECT_EQ(a.wrongList(), "005,007,");
  std::vector<int> allot(r.ALLOT.begin(), r.ALLOT.begin() + 8);
  EXPECT_EQ(allot, (std::vector<int>{1, 1, 1, 1, 0, 1, 0, 2}));
  EXPECT_EQ(r.PRRAZ[0], 4);
  EXPECT_EQ(r.PRRAZ[1], 1);
  EXPECT_EQ(r.KOLOTRAZ[0], 4);
  EXPECT_EQ(r.KOLOTRAZ[1], 3);
  EXPECT_EQ(r.BALLRAZ[0], 6);
  EXPECT_EQ(r.BALLRAZ[1], 3);
  EXPECT_EQ(r.PRLEVEL[0], 2);
  EXPECT_EQ(r.PRLEVEL[1], 2);
  EXPECT_EQ(r.PRLEVEL[2], 1);
  EXPECT_EQ(r.KOLOTLEVEL[1], 3);
  EXPECT_EQ(r.BALLLEV[1], 4);
  EXPECT_EQ(r.TIMEBEG, 3600001);
  EXPECT_EQ(r.TIMEEND, 3600001 + 54000);
  EXPECT_EQ(r.TESTTIMEFAKT, 54000 + 100);
  EXPECT_EQ(r.TIMEPROSVOP, (15 * 60 + 1) * 100);
  EXPECT_EQ(r.DATE, clock.day);
  EXPECT_EQ(r.CODEALL, 101);
  EXPECT_EQ(r.FIO.utf8(), "Иванов Алексей Иванович");
  EXPECT_EQ(r.CODETEMA, cfg.tema.CODETEMA);
  EXPECT_EQ(r.NAMETEMA, cfg.tema.NAME);
  EXPECT_EQ(r.OTDEL, cfg.tema.NAMEOTD);
  EXPECT_TRUE(r.ID.blank());

  // Stored in the demo journal with its detail and the class-journal line.
  const auto& inst = demoInstallation();
  std::string howot, howtxt;
  buildMemos(a.answers(), howot, howtxt);
  EXPECT_EQ(howot, "005000000000007100000000~");
  EXPECT_EQ(howtxt, "");
  ResultStore rs(inst.directory);
  StoreRequest req{r, howot, howtxt, 1, inst.directory, inst.resultFile, inst.directory + "Vedom.tps"};
  StoreOutcome out = rs.store(req);
  ASSERT_EQ(out.code, store::Ok) << out.error.text();
  EXPECT_EQ(out.resultCode, 7);  // six attempts were there
  results::ResultFile rf;
  ASSERT_EQ(rf.open(inst.directory, inst.resultFile), store::Ok);
  rf.rez.CODEREZ = 7;
  ASSERT_EQ(rf.rezT.get(rf.rezT.key("KEYCODEREZ")), store::Ok);
  EXPECT_EQ(rf.rez.KOLTROT, 5);
  EXPECT_EQ(rf.rez.REZBAL, 9);
  EXPECT_EQ(rf.rez.FIO.utf8(), "Иванов Алексей Иванович");
  rf.dtl.CODEREZ = 7;
  ASSERT_EQ(rf.dtlT.get(rf.dtlT.key("KEYCODEREZ")), store::Ok);
  EXPECT_EQ(rf.dtl.HOWOT.text, howot);
  tables::Vedom v;
  store::Table vt(tables::vedomDef(), v, inst.directory + "Vedom.tps");
  ASSERT_EQ(vt.open(store::Shared), store::Ok);
  v.CODEVED = 7;
  ASSERT_EQ(vt.get(vt.key("KEYCODEVED")), store::Ok);
  EXPECT_EQ(v.CODEREZ, 7);
  EXPECT_EQ(v.BALL, 9);
  EXPECT_EQ(v.FILEREZ.utf8(), "Общий");
  EXPECT_EQ(v.REZTEXT.utf8(), "Удовлетворительно");
}

TEST(Attempt, FreeOrderWithChangedAnswersAndShuffledMatching) {
  AttemptConfig cfg = loadTest("География");
  ASSERT_EQ(cfg.tema.MODECONTROLZN, 5);
  cfg.variant = 1;
  // Frame 1 (kind 3, four variants) shown in stored order, frame 2 (kind 4)
  // shuffled: display 1, 2, 3 show stored 3, 1, 2.
  ScriptedRandom rnd({1, 1, 1, 1, 3, 1, 2});
  FixedClock clock;
  Attempt a(cfg, rnd, clock);
  a.start();
  ASSERT_EQ(a.length(), 4);
  EXPECT_TRUE(a.freeOrder());
  Answers d;
  a.click(2);  // Москва
  a.goTo(2, d);
  EXPECT_TRUE(a.answeredAt(1));
  EXPECT_FALSE(a.answeredAt(3));
  EXPECT_EQ(a.result().REZBAL, 1);
  ASSERT_EQ(a.permutation().shown[1], 3);
  // Франция-Париж (stored 2, shown 3rd), Германия-Берлин (stored 3, shown 1st), Италия-Рим (stored 1, shown 2nd).
  clicks(a, 1, 3);
  clicks(a, 2, 1);
  clicks(a, 3, 2);
  EXPECT_EQ(a.shownNumber(1), 3);
  a.goTo(3, d);
  EXPECT_EQ(a.result().REZBAL, 3);  // the matching counted as right
  a.setText(u("Северный Ледовитый океан"));
  a.goTo(4, d);
  a.setText(u("Россия"));
  a.goTo(1, d);
  EXPECT_EQ(a.result().REZBAL, 6);
  EXPECT_EQ(a.response().r[1], 2);  // the stored answer is shown again
  a.click(1);  // changed to a wrong answer
  a.goTo(2, d);
  EXPECT_EQ(a.result().REZBAL, 5);  // its point withdrawn once
  a.finish(d);
  ASSERT_TRUE(a.finished());
  const auto& r = a.result();
  EXPECT_EQ(r.KOLVOP, 4);
  EXPECT_EQ(r.KOLVOPOT, 4);
  EXPECT_EQ(r.KOLTROT, 3);
  EXPECT_EQ(r.KOLFSOT, 1);
  EXPECT_EQ(r.ALLOT[0], 0);
  EXPECT_EQ(r.ALLOT[4], 2);  // the other variant's frames were not presented
  EXPECT_EQ(a.wrongList(), "001,");
}

TEST(Attempt, TheWrongAnswerStop) {
  struct Case {
    int stop;
    std::vector<int> answers;  // 1 right, 2 wrong
    bool stopped;
    int passed;
  } cases[] = {
      {3, {2, 2, 1, 2, 2, 2, 1}, true, 6},  // a right answer between resets the count
      {3, {2, 2, 1, 2, 2, 1, 1}, false, 7},
      {0, {2, 2, 2, 2, 2, 2, 2}, false, 7},  // 0 never stops
  };
  for (const auto& c : cases) {
    ScriptedRandom rnd;
    FixedClock clock;
    Attempt a(syntheticTest(7, c.stop), rnd, clock);
    a.start();
    Answers d;
    for (int ans : c.answers) {
      if (a.finished()) break;
      a.click(ans);
      a.next(d);
    }
    EXPECT_TRUE(a.finished());
    EXPECT_EQ(a.result().PRDURAK, c.stopped ? 1 : 0);
    EXPECT_EQ(a.result().KOLVOPOT, c.passed);
  }
}

TEST(Attempt, TimeRules) {
  ScriptedRandom rnd;
  FixedClock clock;
  {
    Attempt a(syntheticTest(2, 0), rnd, clock);  // one minute for the test
    a.start();
    EXPECT_EQ(a.allowanceSeconds(), 61);
    // Whole minutes left as a student reads them: a one-minute test shows 1
    // until its last (extra) second.
    EXPECT_EQ(a.minutesShown(), 1);
    EXPECT_EQ(a.timeUnit(), "мин");
    a.tick();
    EXPECT_EQ(a.minutesShown(), 1);
    a.tick();
    EXPECT_EQ(a.minutesShown(), 1);
    Attempt::Tick t = Attempt::Tick::None;
    int ticks = 2;
    while (t == Attempt::Tick::None && ticks < 200) {
      t = a.tick();
      ++ticks;
    }
    EXPECT_EQ(t, Attempt::Tick::TestTimeUp);
    EXPECT_EQ(ticks, 61);
    EXPECT_EQ(a.minutesShown(), 0);
  }
  {
    AttemptConfig c = syntheticTest(2, 0);
    c.tema.TIMETEST = 15;
    Attempt a(c, rnd, clock);
    a.start();
    EXPECT_EQ(a.minutesShown(), 15);  // not 16
    for (int i = 0; i < 60; ++i) a.tick();
    EXPECT_EQ(a.minutesShown(), 14);
  }
  {
    AttemptConfig c = syntheticTest(2, 0);
    c.tema.IFPROSTIME = 0;  // the examinee may go on
    Attempt a(c, rnd, clock);
    a.start();
    for (int i = 0; i < 200; ++i) EXPECT_EQ(a.tick(), Attempt::Tick::None);
  }
  {
    AttemptConfig c = syntheticTest(2, 0);
    c.tema.HOWTIMETEST = 1;
    c.tema.IFPROSVOP = 1;
    c.frames[0].TIMEVOP = 0;  // never runs out
    c.frames[1].TIMEVOP = 2;
    Attempt a(c, rnd, clock);
    a.start();
    EXPECT_EQ(a.timeUnit(), "сек");
    for (int i = 0; i < 100; ++i) EXPECT_EQ(a.tick(), Attempt::Tick::None);
    Answers d;
    a.click(1);
    a.next(d);
    a.click(1);  // right, but too late
    EXPECT_EQ(a.tick(), Attempt::Tick::None);
    EXPECT_EQ(a.tick(), Attempt::Tick::FrameTimeUp);
    EXPECT_EQ(a.next(d), Attempt::Step::Finished);
    EXPECT_EQ(a.lastOutcome(), 3);
    EXPECT_EQ(a.result().KOLTROT, 1);
    EXPECT_EQ(a.result().KOLPROSVOP, 1);
  }
}

// Hand-computed attempts on a small single-choice test (variant 1 right,
// one point a frame), each with the scenario changed as the case says.
TEST(Attempt, HandComputedTimeOrderAndWeights) {
  struct Expect {
    int rezbal, koltrot, kolvopot, maxball;
    std::vector<int> outcomes;
    bool finished;
  };
  struct Case {
    const char* what;
    int frames;
    std::function<void(AttemptConfig&)> scenario;
    std::function<void(Attempt&, Answers&)> play;
    Expect expect;
  };
  auto perFrame = [](int seconds, int late) {
    return [seconds, late](AttemptConfig& c) {
      c.tema.HOWTIMETEST = 1;
      c.tema.IFPROSVOP = static_cast<std::uint8_t>(late);
      for (auto& v : c.frames) v.TIMEVOP = static_cast<std::uint16_t>(seconds);
    };
  };
  auto freeOrder = [](std::function<void(AttemptConfig&)> more) {
    return [more](AttemptConfig& c) {
      c.tema.FREESEL = 1;
      if (more) more(c);
    };
  };
  auto ticks = [](Attempt& a, int n) {
    Attempt::Tick last = Attempt::Tick::None;
    for (int i = 0; i < n; ++i)
      if (Attempt::Tick t = a.tick(); t != Attempt::Tick::None) last = t;
    return last;
  };
  Case cases[] = {
      {"fixed order, time up, late answers count: checked as any answer", 2, perFrame(5, 0),
       [&](Attempt& a, Answers& d) {
         a.click(1);
         EXPECT_EQ(ticks(a, 5), Attempt::Tick::FrameTimeUp);
         a.frameTimedOut(d);
         a.click(2);
         a.next(d);
       },
       {1, 1, 2, 2, {1, 2}, true}},
      {"fixed order, time up, late answers do not count: no points, not right", 2, perFrame(5, 1),
       [&](Attempt& a, Answers& d) {
         a.click(1);
         ticks(a, 5);
         a.frameTimedOut(d);
         a.click(1);
         a.next(d);
       },
       {1, 1, 2, 2, {3, 1}, true}},
      {"free order: a frame's time adds up over its visits", 2, freeOrder(perFrame(10, 1)),
       [&](Attempt& a, Answers& d) {
         a.click(1);
         EXPECT_EQ(ticks(a, 6), Attempt::Tick::None);
         a.goTo(2, d);
         a.click(1);
         a.goTo(1, d);
         a.click(2);  // changed, and then too late
         EXPECT_EQ(ticks(a, 4), Attempt::Tick::FrameTimeUp);  // 6 + 4 seconds
         EXPECT_EQ(a.frameTimedOut(d), Attempt::Step::Moved);
         EXPECT_EQ(a.position(), 2);
         a.goTo(1, d);
         EXPECT_TRUE(a.locked());
         a.click(1);  // cannot be answered again
         EXPECT_EQ(a.response().r[1], 2);
         EXPECT_EQ(ticks(a, 30), Attempt::Tick::None);  // nor time out twice
         a.finish(d);
       },
       {1, 1, 2, 2, {1, 1, 3}, true}},
      {"free order: the last position's time-up is enforced too", 2, freeOrder(perFrame(3, 1)),
       [&](Attempt& a, Answers& d) {
         a.goTo(2, d);
         a.click(1);
         ticks(a, 3);
         EXPECT_EQ(a.frameTimedOut(d), Attempt::Step::Moved);
         EXPECT_EQ(a.position(), 1);  // on to the first frame still open
         a.click(1);
         ticks(a, 3);
         EXPECT_EQ(a.frameTimedOut(d), Attempt::Step::Finished);  // none left
       },
       {0, 0, 2, 2, {3, 3}, true}},
      {"free order: an answer checked on time keeps its result when the time runs out later", 2, freeOrder(perFrame(4, 1)),
       [&](Attempt& a, Answers& d) {
         a.click(1);
         a.goTo(2, d);
         a.goTo(1, d);
         ticks(a, 4);
         a.frameTimedOut(d);
         EXPECT_TRUE(a.lockedAt(1));
         a.finish(d);
       },
       {1, 1, 1, 2, {1}, true}},
      {"free order: an unchanged wrong answer timing out is no new wrong answer", 2,
       freeOrder([perFrame](AttemptConfig& c) {
         perFrame(5, 1)(c);
         c.tema.STOPTEST = 2;
       }),
       [&](Attempt& a, Answers& d) {
         a.click(2);
         a.goTo(2, d);
         a.goTo(1, d);
         ticks(a, 5);
         EXPECT_EQ(a.frameTimedOut(d), Attempt::Step::Moved);
         EXPECT_EQ(a.consecutiveWrong(), 1);
         a.finish(d);
       },
       {0, 0, 1, 2, {2}, true}},
      {"late and empty, weighted, a key with zeros in it: still nothing", 1,
       [perFrame](AttemptConfig& c) {
         perFrame(3, 1)(c);
         c.tema.DIFFBALL = 1;
         c.frames[0].TYPEKADR = 1;
         c.frames[0].TRUEOT = {1, 0, 0, 0, 0, 0, 0, 0, 0};
         c.frames[0].MARK = {1, 4, 0, 0, 0, 0, 0, 0, 0};
       },
       [&](Attempt& a, Answers& d) {
         ticks(a, 3);
         EXPECT_EQ(a.frameTimedOut(d), Attempt::Step::Finished);
       },
       {0, 0, 1, 5, {3}, true}},
      {"free order: passing a wrong frame again is no new wrong answer", 3,
       freeOrder([](AttemptConfig& c) { c.tema.STOPTEST = 2; }),
       [&](Attempt& a, Answers& d) {
         a.click(2);
         a.goTo(2, d);
         a.goTo(1, d);
         a.goTo(2, d);
         a.goTo(1, d);
         EXPECT_FALSE(a.finished());
         EXPECT_EQ(a.consecutiveWrong(), 1);
         a.goTo(3, d);
         a.click(2);
         a.goTo(1, d);  // the second wrong answer in a row stops the test
         EXPECT_TRUE(a.finished());
       },
       {0, 0, 2, 3, {2, 2}, true}},
      {"weighted single choice: the right variant's weight; the maximum agrees", 2,
       [](AttemptConfig& c) {
         c.tema.DIFFBALL = 1;
         for (auto& v : c.frames) {
           v.TRUEOT[0] = 2;
           v.MARK = {1, 4, 0, 0, 0, 0, 0, 0, 0};
         }
       },
       [&](Attempt& a, Answers& d) {
         a.click(2);
         a.next(d);
         a.click(1);
         a.next(d);
       },
       {4, 1, 2, 8, {1, 2}, true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    AttemptConfig cfg = syntheticTest(c.frames, 0);
    cfg.tema.SHOWTF_OT = 1;  // every check reports its outcome
    c.scenario(cfg);
    ScriptedRandom rnd;  // variants in stored order
    FixedClock clock;
    Attempt a(cfg, rnd, clock);
    a.start();
    Answers d;
    c.play(a, d);
    EXPECT_EQ(a.finished(), c.expect.finished);
    EXPECT_EQ(d.outcomes, c.expect.outcomes);
    const auto& r = a.result();
    EXPECT_EQ(r.REZBAL, c.expect.rezbal);
    EXPECT_EQ(r.KOLTROT, c.expect.koltrot);
    EXPECT_EQ(r.KOLVOPOT, c.expect.kolvopot);
    EXPECT_EQ(r.MAXBALL, c.expect.maxball);
    EXPECT_LE(r.REZBAL, r.MAXBALL);
    // The stored points and the counts agree frame by frame.
    long right = 0;
    for (const auto& [code, ans] : a.answers()) {
      EXPECT_EQ(ans.correct, r.ALLOT[code - 1] == 1) << "frame " << code;
      if (ans.correct) ++right;
    }
    EXPECT_EQ(right, r.KOLTROT);
  }
}

// "Неверный ответ|Повторить попытку?": asked for a wrong answer while
// attempts remain, never for a right or a late one.
TEST(Attempt, RetriesOfAWrongAnswer) {
  struct Case {
    const char* what;
    int kolpop;
    bool late;
    std::vector<int> clicks;  // 1 right, 2 wrong, one per "Далее"
    bool retry;               // the examinee's answer to the question
    int asked;
    int position;             // where the examinee is afterwards
  } cases[] = {
      {"wrong, tries again", 2, false, {2}, true, 1, 1},
      {"wrong twice: attempts used up", 2, false, {2, 2}, true, 1, 2},
      {"wrong, declines", 3, false, {2}, false, 1, 2},
      {"right: never asked", 3, false, {1}, true, 0, 2},
      {"late: never asked", 3, true, {2}, true, 0, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    AttemptConfig cfg = syntheticTest(2, 0);
    cfg.tema.HOWTIMETEST = 1;
    cfg.tema.IFPROSVOP = 1;
    for (auto& v : cfg.frames) {
      v.KOLPOP = static_cast<std::uint8_t>(c.kolpop);
      v.TIMEVOP = 5;
    }
    ScriptedRandom rnd;
    FixedClock clock;
    Attempt a(cfg, rnd, clock);
    a.start();
    struct Counting : Answers {
      int retries = 0;
      bool yes = true;
      bool retryWrong() override {
        ++retries;
        return yes;
      }
    } d;
    d.yes = c.retry;
    for (int k : c.clicks) {
      a.click(k);
      if (c.late)
        for (int i = 0; i < 5; ++i) a.tick();
      if (c.late) a.frameTimedOut(d);
      else a.next(d);
    }
    EXPECT_EQ(d.retries, c.asked);
    EXPECT_EQ(a.position(), c.position);
  }
}

TEST(Attempt, TrainingHelpByFrameCodeAndPages) {
  AttemptConfig cfg = loadTest("Информатика");
  ScriptedRandom rnd;
  FixedClock clock;
  Attempt a(cfg, rnd, clock);
  a.start();
  EXPECT_EQ(a.timeUnit(), "б/о");
  const tables::Training* h = a.helpForFrame();
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->CODEVOP, a.code());
  EXPECT_EQ(a.helpPages(), static_cast<int>(cfg.helps.size()));
  cfg.helps[1].HELPVOP = "";  // the pages end at the first blank text
  Attempt b(cfg, rnd, clock);
  EXPECT_EQ(b.helpPages(), 1);
}

TEST(Objects, StoredDocumentNamesAreReducedToASafeLastPart) {
  struct Case {
    const char* stored;
    const char* written;
  } cases[] = {
      {"Схема.png", "Схема.png"},
      {"C:\\Мои документы\\Отчёт.doc", "Отчёт.doc"},
      {"../../../home/user/.bashrc", ".bashrc"},
      {"/etc/", "document"},
      {"..", "document"},
      {"", "document"},
      {"a\x01b.txt", "document"},
  };
  for (const auto& c : cases) EXPECT_EQ(documentFileName(u(c.stored), "document"), c.written) << c.stored;
}

TEST(Memos, CodedAndReadBack) {
  std::map<std::uint16_t, Answer> answers;
  answers[7].response.text = u("Москва");
  answers[12].response.text = u("три   ");
  answers[3].response.r[2] = 1;
  answers[3].response.r[9] = 4;
  answers[5].correct = true;  // right answers are not stored
  answers[5].response.r[1] = 1;
  std::string howot, howtxt;
  buildMemos(answers, howot, howtxt);
  EXPECT_EQ(howtxt, u("~007Москва~012три~"));
  EXPECT_EQ(howot, "003010000004~");
  auto back = readMemos(howot, howtxt);
  ASSERT_EQ(back.size(), 3u);
  EXPECT_EQ(back[7].text, u("Москва"));
  EXPECT_EQ(back[12].text, u("три"));
  EXPECT_EQ(back[3].r[2], 1);
  EXPECT_EQ(back[3].r[9], 4);
  EXPECT_TRUE(readMemos("", "").empty());
}

TEST(Attempt, ErrorViewingShowsOnlyTheWrongFrames) {
  AttemptConfig cfg = loadTest("Арифметика");
  cfg.modeWork = 7;
  ScriptedRandom rnd;
  FixedClock clock;
  Attempt a(cfg, rnd, clock);
  tables::RezTest stored;
  stored.ALLOT.fill(2);
  for (int c : {1, 2, 3, 4, 6}) stored.ALLOT[static_cast<std::size_t>(c - 1)] = 1;
  stored.ALLOT[4] = 0;
  stored.ALLOT[6] = 0;
  a.startReview(stored, readMemos("005000000000007100000000~", ""));
  EXPECT_EQ(a.order(), (std::vector<std::uint16_t>{5, 7}));
  EXPECT_TRUE(a.freeOrder());
  Answers d;
  a.next(d);
  EXPECT_EQ(a.code(), 7);
  EXPECT_EQ(a.response().r[1], 1);  // the stored answer
  a.click(2);                       // read-only
  EXPECT_EQ(a.response().r[1], 1);
  EXPECT_EQ(a.tick(), Attempt::Tick::None);
  EXPECT_EQ(a.next(d), Attempt::Step::Finished);
  EXPECT_EQ(d.outcomes.size(), 0u);  // no checking
}

tables::RezTest sampleResult(int codeSt, const std::string& fio) {
  tables::RezTest r;
  r.CODEST = codeSt;
  r.FIO = fio;
  r.NAMETEMA = "Test";
  r.REZBAL = 5;
  return r;
}

TEST(ResultStore, SavingRulesCodesAndPending) {
  TempDir dir;
  const std::string base = dir.path() + "/base/";
  ::mkdir((dir.path() + "/base").c_str(), 0777);
  ResultStore rs(dir.path());
  auto req = [&](int save, int codeSt, const char* fio) {
    return StoreRequest{sampleResult(codeSt, fio), "001100000000~", "", save, base, "J", base + "Vedom.tps"};
  };
  ASSERT_EQ(rs.store(req(1, 1, "A")).code, store::Ok);
  ASSERT_EQ(rs.store(req(2, 2, "B")).code, store::Ok);  // brief: no detail
  ASSERT_EQ(rs.store(req(1, 0, "C")).code, store::Ok);  // no student code: no class-journal line
  StoreOutcome none = rs.store(req(3, 4, "D"));         // not saved, but the class journal has it
  ASSERT_EQ(none.code, store::Ok);
  results::ResultFile rf;
  ASSERT_EQ(rf.open(base, "J"), store::Ok);
  EXPECT_EQ(rf.rezT.records(), 3);
  EXPECT_EQ(rf.dtlT.records(), 2);
  tables::Vedom v;
  store::Table vt(tables::vedomDef(), v, base + "Vedom.tps");
  ASSERT_EQ(vt.open(store::Shared), store::Ok);
  EXPECT_EQ(vt.records(), 3);
  // The attempt not kept takes no code: its line names no result.
  EXPECT_EQ(none.resultCode, 0);
  ASSERT_EQ(vt.set(), store::Ok);
  std::map<std::string, std::int32_t> lineCodes;
  while (vt.next() == store::Ok) lineCodes[v.NAMESTUD.str()] = v.CODEREZ;
  EXPECT_EQ(lineCodes, (std::map<std::string, std::int32_t>{{"A", 1}, {"B", 2}, {"D", 0}}));

  // After a deletion count + 1 is taken: the highest code + 1 is used.
  rf.rez.CODEREZ = 2;
  ASSERT_EQ(rf.rezT.get(rf.rezT.key("KEYCODEREZ")), store::Ok);
  ASSERT_EQ(rf.rezT.del(), store::Ok);
  rf.close();
  StoreOutcome next = rs.store(req(1, 5, "E"));
  ASSERT_EQ(next.code, store::Ok);
  EXPECT_EQ(next.resultCode, 4);

  // A journal that cannot be reached keeps the attempt as pending.
  rs.retries = 0;
  const std::string gone = dir.path() + "/gone/";
  StoreOutcome p = rs.store({sampleResult(6, "F"), "", u("~001ответ~"), 1, gone, "J", gone + "Vedom.tps"});
  EXPECT_NE(p.code, store::Ok);
  EXPECT_TRUE(p.pending);
  EXPECT_EQ(rs.pendingCount(), 1);
  EXPECT_EQ(rs.storePending(), 1);  // still unreachable
  ::mkdir((dir.path() + "/gone").c_str(), 0777);
  EXPECT_EQ(rs.storePending(), 0);
  EXPECT_EQ(rs.pendingCount(), 0);
  ASSERT_EQ(rf.open(gone, "J"), store::Ok);
  ASSERT_EQ(rf.rezT.records(), 1);
  rf.dtlT.set();
  ASSERT_EQ(rf.dtlT.next(), store::Ok);
  EXPECT_EQ(rf.dtl.HOWTXT.text, u("~001ответ~"));
  EXPECT_EQ(rs.storePending(), 0);  // nothing stored twice
  EXPECT_EQ(rf.rezT.records(), 1);
}

TEST(ResultStore, TwentyStationsFinishingAtOnce) {
  TempDir dir;
  const std::string base = dir.path() + "/";
  constexpr int kStations = 20, kEach = 4;
  std::vector<pid_t> kids;
  for (int s = 0; s < kStations; ++s) {
    pid_t pid = ::fork();
    if (pid == 0) {
      ResultStore rs(dir / ("ws" + std::to_string(s)));
      ::mkdir((dir / ("ws" + std::to_string(s))).c_str(), 0777);
      for (int i = 0; i < kEach; ++i) {
        std::string mark = "s" + std::to_string(s) + "i" + std::to_string(i);
        StoreOutcome o = rs.store({sampleResult(s + 1, mark), "", "~001" + mark + "~", 1, base, "J", base + "Vedom.tps"});
        if (o.code != store::Ok) ::_exit(1);
      }
      ::_exit(0);
    }
    kids.push_back(pid);
  }
  for (pid_t k : kids) {
    int st = 0;
    ::waitpid(k, &st, 0);
    EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0);
  }
  results::ResultFile rf;
  ASSERT_EQ(rf.open(base, "J"), store::Ok);
  EXPECT_EQ(rf.rezT.records(), kStations * kEach);
  EXPECT_EQ(rf.dtlT.records(), kStations * kEach);
  std::set<int> codes;
  std::map<int, std::string> fioByCode;
  rf.rezT.set(rf.rezT.key("KEYCODEREZ"));
  while (rf.rezT.next() == store::Ok) {
    codes.insert(rf.rez.CODEREZ);
    fioByCode[rf.rez.CODEREZ] = rf.rez.FIO.str();
  }
  EXPECT_EQ(codes.size(), static_cast<std::size_t>(kStations * kEach));
  EXPECT_EQ(*codes.rbegin(), kStations * kEach);
  rf.dtlT.set();
  while (rf.dtlT.next() == store::Ok) EXPECT_EQ(rf.dtl.HOWTXT.text, "~001" + fioByCode[rf.dtl.CODEREZ] + "~");
  tables::Vedom v;
  store::Table vt(tables::vedomDef(), v, base + "Vedom.tps");
  ASSERT_EQ(vt.open(store::Shared), store::Ok);
  EXPECT_EQ(vt.records(), kStations * kEach);
}

TEST(Monitoring, RecordLife) {
  TempDir dir;
  const std::string file = dir / "MonCons.tps";
  {
    Monitor a(file), b(file), c(file);
    ASSERT_EQ(a.add("PC-1"), store::Ok);
    ASSERT_EQ(b.add("PC-2"), store::Ok);
    EXPECT_EQ(a.record().CODEC, 1);
    EXPECT_EQ(b.record().CODEC, 2);
    ASSERT_EQ(a.begin(u("Иванов"), 100, u("Тест"), 7), store::Ok);
    ASSERT_EQ(a.answered(1, 2, 2, 5, false), store::Ok);
    ASSERT_EQ(a.answered(2, 3, 2, 6, true), store::Ok);
    tables::MonCons r;
    store::Table t(tables::monConsDef(), r, file);
    ASSERT_EQ(t.open(store::Shared), store::Ok);
    r.CODEC = 1;
    ASSERT_EQ(t.get(t.key("BYCODEC")), store::Ok);
    EXPECT_EQ(r.FLAG, 2);
    EXPECT_EQ(r.KOLZAD, 7);
    EXPECT_EQ(r.KOLVOPOT, 2);
    EXPECT_EQ(r.KOLBALLMAX, 5);
    EXPECT_EQ(r.FALSEOT, 1);
    EXPECT_EQ(r.CODEVOP, 6);
    EXPECT_EQ(r.NAMEPC, "PC-1");
    ASSERT_EQ(a.remove(), store::Ok);
    EXPECT_EQ(t.records(), 1);
    // Count + 1 = 2 is taken by PC-2: the highest + 1.
    ASSERT_EQ(c.add("PC-3"), store::Ok);
    EXPECT_EQ(c.record().CODEC, 3);
  }
  tables::MonCons r;
  store::Table t(tables::monConsDef(), r, file);
  ASSERT_EQ(t.open(store::Shared), store::Ok);
  EXPECT_EQ(t.records(), 0);  // closing removes the records
}

}  // namespace
