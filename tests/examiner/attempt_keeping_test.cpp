// An attempt kept after every step outlives its workstation: killed and
// resumed elsewhere, cut off from the share and back, closed by the
// administrator, killed while its result is stored.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <thread>

#include "attempt.h"
#include "attempt_keeper.h"
#include "cp1251.h"
#include "demo_data.h"
#include "open_attempts.h"
#include "result_file.h"
#include "test_file.h"
#include "test_tables.h"

using namespace examiner;
using testing_tables::TempDir;

namespace {

std::string u(const char* s) { return cp1251::fromUtf8(s); }

struct Answers : Dialogue {
  bool skipUnanswered() override { return true; }
  bool retryWrong() override { return false; }
};

// A demo installation of its own: its database directory is the "share".
struct Share {
  TempDir dir;
  demo::Installation inst;
  Share() { EXPECT_EQ(demo::make(dir / "demo", inst), ""); }
  std::string base() const { return inst.directory; }
  std::string attempts() const { return inst.directory + tables::files::Attempt; }
  std::string working(const std::string& station) const {
    std::string w = dir / station;
    ::mkdir(w.c_str(), 0777);
    return w;
  }
  KeeperPlace place(const std::string& station) const {
    KeeperPlace p;
    p.attemptFile = attempts();
    p.workingDir = working(station);
    p.namePc = station;
    p.testFile = u((inst.library + "Арифметика.orm").c_str());
    p.target = journal();
    return p;
  }
  // A store request to this share's journal; with an attempt, its result.
  StoreRequest journal(const Attempt* a = nullptr) const {
    StoreRequest r;
    if (a) {
      r.rez = a->result();
      buildMemos(a->answers(), r.howot, r.howtxt);
    }
    r.resultBase = inst.directory;
    r.fileRez = inst.resultFile;
    r.vedomFile = inst.directory + "Vedom.tps";
    return r;
  }
  // The results of the journal, by code.
  std::vector<tables::RezTest> results() const {
    results::ResultFile rf;
    std::vector<tables::RezTest> out;
    if (rf.open(inst.directory, inst.resultFile) != store::Ok) return out;
    rf.rezT.set(rf.rezT.key("KEYCODEREZ"));
    while (rf.rezT.next() == store::Ok) out.push_back(rf.rez);
    return out;
  }
  std::vector<OpenAttempt> open() const {
    std::vector<OpenAttempt> list;
    EXPECT_EQ(common::listAttempts(attempts(), list), store::Ok);
    return list;
  }
};

AttemptConfig arithmetic(const Share& sh) {
  testfile::TestFile tf;
  tf.name(sh.inst.library, "Арифметика", u(sh.inst.keyWord.c_str()));
  EXPECT_EQ(tf.open(), store::Ok) << tf.error().text();
  AttemptConfig c;
  c.tema = tf.tema;
  c.titul = tf.titul;
  tf.vopT.set();
  while (tf.vopT.next() == store::Ok) c.frames.push_back(tf.vop);
  c.room = 101;
  c.library = u(sh.inst.library.c_str());
  c.who.fio = u("Иванов Алексей Иванович");
  c.who.group = u("ФМ-101");
  c.who.code = 1;
  return c;
}

// The examinee of every attempt here: a minute over each frame of the
// 7-frame arithmetic test, the fifth passed without an answer.
void answerFrame(Attempt& a, FixedClock& clock, int frame) {
  for (int s = 0; s < 60; ++s) {
    clock.time += 100;
    a.tick();
  }
  switch (frame) {
    case 1: a.click(2); break;
    case 2: for (int k : {1, 3, 5}) a.click(k); break;
    case 3:
      for (auto [k, n] : {std::pair{1, 3}, {2, 1}, {3, 4}, {4, 2}})
        for (int i = 0; i < n; ++i) a.click(k);
      break;
    case 4: a.setText("12"); break;
    case 5: break;
    case 6: a.setText("3/4"); break;
    case 7: a.click(1); break;
  }
  Answers d;
  a.next(d);
}

tables::RezTest uninterrupted(const Share& sh) {
  ScriptedRandom rnd;
  FixedClock clock;
  Attempt a(arithmetic(sh), rnd, clock);
  a.start();
  for (int f = 1; f <= 7; ++f) answerFrame(a, clock, f);
  EXPECT_TRUE(a.finished());
  return a.result();
}

// Waits for a child to write a byte, then kills it outright.
void killWhenSignalled(pid_t pid, int fd, std::chrono::microseconds after = {}) {
  char c = 0;
  ASSERT_EQ(::read(fd, &c, 1), 1);
  if (after.count()) std::this_thread::sleep_for(after);
  ::kill(pid, SIGKILL);
  int st = 0;
  ::waitpid(pid, &st, 0);
}

TEST(KeptAttempt, KilledAfterThreeOfSevenGoesOnElsewhereAndEndsAsIfNeverInterrupted) {
  Share sh;
  const tables::RezTest plain = uninterrupted(sh);

  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  pid_t pid = ::fork();
  if (pid == 0) {
    ScriptedRandom rnd;
    FixedClock clock;
    Attempt a(arithmetic(sh), rnd, clock);
    a.start();
    AttemptKeeper k(sh.place("ws1"), clock);
    if (k.begin(a) != AttemptKeeper::Saved::Central) ::_exit(2);
    for (int f = 1; f <= 3; ++f) {
      answerFrame(a, clock, f);
      if (k.save(a) != AttemptKeeper::Saved::Central) ::_exit(3);
    }
    // Half of the fourth frame's time passes and the answer being typed is
    // saved with the sign of life.
    for (int s = 0; s < 20; ++s) {
      clock.time += 100;
      a.tick();
    }
    a.setText("1");
    k.save(a, false);
    ::write(fds[1], "x", 1);
    for (;;) ::pause();
  }
  killWhenSignalled(pid, fds[0]);

  // Another workstation, five minutes later.
  auto list = sh.open();
  ASSERT_EQ(list.size(), 1u);
  const OpenAttempt o = list[0];
  EXPECT_EQ(o.rec.KOLOT, 3);
  EXPECT_EQ(o.rec.KOLVOP, 7);
  EXPECT_EQ(cp1251::clip(o.rec.NAMEPC.view()), "ws1");
  EXPECT_EQ(o.rez.REZBAL, 1 + 2 + 2);  // the result as it stands
  std::optional<OpenAttempt> mine;
  ASSERT_EQ(common::findAttempt(sh.attempts(), 1, u("Иванов Алексей Иванович"), u("ФМ-101"), mine), store::Ok);
  ASSERT_TRUE(mine);

  ScriptedRandom rnd;
  FixedClock clock;
  clock.time = o.rec.SEENTIME + 5 * 60 * 100;
  Attempt a(arithmetic(sh), rnd, clock);
  AttemptKeeper k(sh.place("ws2"), clock);
  ASSERT_EQ(k.adopt(o, false), AttemptKeeper::Saved::Central);
  ASSERT_TRUE(a.resume(o.rec.STATE.text, o.rez, AttemptKeeper::since(clock, o.rec.SEENDATE, o.rec.SEENTIME) * 100, 15 * 60 * 100));
  EXPECT_EQ(a.position(), 4);
  EXPECT_EQ(a.response().text, "1");  // the answer being typed
  EXPECT_EQ(a.testSeconds(), 3 * 60 + 20);  // the outage not counted
  EXPECT_EQ(a.result().REZBAL, 5);
  ASSERT_EQ(a.answers().size(), 3u);
  EXPECT_TRUE(a.answeredAt(1) && a.answeredAt(2) && a.answeredAt(3));
  // Going on is activity: not listed as abandoned after a long outage.
  EXPECT_EQ(sh.open()[0].rec.LASTTIME, clock.time);
  EXPECT_FALSE(common::abandoned(sh.open()[0].rec, clock.day, clock.time + 60 * 100));
  // The first station's run no longer owns it.
  EXPECT_NE(cp1251::clip(sh.open()[0].rec.OWNER.view()), cp1251::clip(o.rec.OWNER.view()));

  // The rest of the fourth frame's minute, then as before.
  for (int s = 0; s < 40; ++s) {
    clock.time += 100;
    a.tick();
  }
  Answers d;
  a.setText("12");
  a.next(d);
  k.save(a);
  for (int f = 5; f <= 7; ++f) {
    answerFrame(a, clock, f);
    if (!a.finished()) EXPECT_EQ(k.save(a), AttemptKeeper::Saved::Central);
  }
  ASSERT_TRUE(a.finished());
  ResultStore rs(sh.working("ws2"));
  StoreRequest req = sh.journal(&a);
  StoreOutcome out = k.finish(req, rs);
  ASSERT_EQ(out.code, store::Ok) << out.error.text();

  // Everything the examinee earned and spent is as without the outage; only
  // the clock time of the end is later.
  tables::RezTest got = a.result();
  EXPECT_EQ(got.TIMEEND, plain.TIMEEND + 5 * 60 * 100);
  EXPECT_EQ(got.TESTTIMEFAKT, plain.TESTTIMEFAKT);
  got.TIMEEND = plain.TIMEEND;
  EXPECT_TRUE(got == plain);
  EXPECT_EQ(got.REZBAL, 9);
  EXPECT_EQ(got.KOLTROT, 5);
  // Stored once, and the attempt is no longer open.
  auto stored = sh.results();
  std::size_t mineStored = 0;
  for (const auto& r : stored)
    if (r.CODEST == 1 && r.TIMEBEG == plain.TIMEBEG) ++mineStored;
  EXPECT_EQ(mineStored, 1u);
  EXPECT_TRUE(sh.open().empty());
}

TEST(KeptAttempt, OutageBeyondTheGraceCountsAgainstTheTime) {
  Share sh;
  ScriptedRandom rnd;
  FixedClock clock;
  AttemptConfig cfg = arithmetic(sh);
  ASSERT_EQ(cfg.tema.HOWTIMETEST, 2);  // the whole test's time: 15 minutes
  Attempt a(cfg, rnd, clock);
  a.start();
  answerFrame(a, clock, 1);
  const std::string state = a.state();
  tables::RezTest stood;
  std::string howot, howtxt;
  a.asItStands(stood, howot, howtxt);

  struct Case {
    int outageMinutes, graceMinutes;
    int testSeconds;  // after resuming
    bool timeUpAtNextTick;
  } cases[] = {
      {5, 15, 60, false},        // forgiven whole
      {20, 15, 60 + 5 * 60, false},  // five minutes count
      {60, 0, 15 * 60, true},    // all of it: the time is over at once
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.outageMinutes);
    ScriptedRandom r2;
    FixedClock c2;
    c2.time = clock.time + c.outageMinutes * 6000;
    Attempt b(cfg, r2, c2);
    ASSERT_TRUE(b.resume(state, stood, c.outageMinutes * 6000LL, c.graceMinutes * 6000LL));
    EXPECT_EQ(b.testSeconds(), c.testSeconds);
    EXPECT_EQ(b.tick() == Attempt::Tick::TestTimeUp, c.timeUpAtNextTick);
  }
}

TEST(KeptAttempt, FreeOrderStateComesBackWholeAndForeignStatesAreRefused) {
  Share sh;
  testfile::TestFile tf;
  tf.name(sh.inst.library, "География", u(sh.inst.keyWord.c_str()));
  ASSERT_EQ(tf.open(), store::Ok);
  AttemptConfig cfg;
  cfg.tema = tf.tema;
  cfg.titul = tf.titul;
  tf.vopT.set();
  while (tf.vopT.next() == store::Ok) cfg.frames.push_back(tf.vop);
  cfg.variant = 1;
  ScriptedRandom rnd({1, 1, 1, 1, 3, 1, 2});
  FixedClock clock;
  Attempt a(cfg, rnd, clock);
  a.start();
  ASSERT_TRUE(a.freeOrder());
  Answers d;
  a.click(2);                         // right
  a.goTo(3, d);
  a.setText(u("Северный Ледовитый океан"));
  a.goTo(1, d);
  a.click(1);                         // changed to wrong, not yet checked
  const std::string state = a.state();
  tables::RezTest stood;
  std::string howot, howtxt;
  a.asItStands(stood, howot, howtxt);

  ScriptedRandom r2({1, 1, 1, 1, 3, 1, 2});
  Attempt b(cfg, r2, clock);
  ASSERT_TRUE(b.resume(state, stood, 0, 0));
  EXPECT_EQ(b.position(), 1);
  EXPECT_EQ(b.order(), a.order());
  EXPECT_TRUE(b.response() == a.response());  // the changed answer, not the checked one
  EXPECT_NE(b.response().r[1], 2);
  EXPECT_TRUE(b.answeredAt(3));
  EXPECT_FALSE(b.answeredAt(2));
  // Both go on alike: leaving frame 1 checks the changed answer once.
  a.goTo(2, d);
  b.goTo(2, d);
  a.finish(d);
  b.finish(d);
  EXPECT_TRUE(a.result() == b.result());
  EXPECT_EQ(b.result().REZBAL, stood.REZBAL - 1);  // frame 1's point withdrawn once

  const std::string good = state;
  const std::vector<std::pair<const char*, std::string>> bad = {
      {"no header", good.substr(good.find('\n') + 1)},
      {"another version", "ORMATT 2\n" + good.substr(good.find('\n') + 1)},
      {"a frame the test lacks", std::string(good).replace(good.find("order ") + 6, 1, "777")},
      {"position past the end", std::string(good).replace(good.find("pos 1"), 5, "pos 99")},
      {"a broken response", std::string(good).replace(good.find("cur ") + 4, 2, "zz")},
      {"an unknown line", good + "what 1\n"},
  };
  for (const auto& [why, text] : bad) {
    ScriptedRandom r3;
    Attempt c(cfg, r3, clock);
    EXPECT_FALSE(c.resume(text, stood, 0, 0)) << why;
  }
}

TEST(KeptAttempt, AShareThatVanishesAndReturnsLosesNothing) {
  Share sh;
  const std::string base = sh.base().substr(0, sh.base().size() - 1);
  const std::string away = base + ".away";
  ScriptedRandom rnd;
  FixedClock clock;
  Attempt a(arithmetic(sh), rnd, clock);
  a.start();
  AttemptKeeper k(sh.place("ws1"), clock);
  ASSERT_EQ(k.begin(a), AttemptKeeper::Saved::Central);
  answerFrame(a, clock, 1);
  ASSERT_EQ(k.save(a), AttemptKeeper::Saved::Central);

  ASSERT_EQ(::rename(base.c_str(), away.c_str()), 0);  // the share is gone
  answerFrame(a, clock, 2);
  EXPECT_EQ(k.save(a), AttemptKeeper::Saved::Local);
  answerFrame(a, clock, 3);
  EXPECT_EQ(k.save(a), AttemptKeeper::Saved::Local);
  // A sign of life while a question box is open touches the time alone.
  {
    ASSERT_EQ(::rename(away.c_str(), base.c_str()), 0);
    const tables::Attempt before = sh.open()[0].rec;
    clock.time += 45 * 100;
    k.touch();
    const tables::Attempt after = sh.open()[0].rec;
    EXPECT_EQ(after.SEENTIME, clock.time);
    EXPECT_EQ(after.SAVES, before.SAVES);
    EXPECT_EQ(after.STATE, before.STATE);
    ASSERT_EQ(::rename(base.c_str(), away.c_str()), 0);
  }
  const std::string local = common::localAttemptFile(sh.working("ws1"));
  std::vector<OpenAttempt> kept;
  ASSERT_EQ(common::listAttempts(local, kept), store::Ok);
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].rec.KOLOT, 3);

  ASSERT_EQ(::rename(away.c_str(), base.c_str()), 0);  // back
  answerFrame(a, clock, 4);
  EXPECT_EQ(k.save(a), AttemptKeeper::Saved::Central);
  ASSERT_EQ(common::listAttempts(local, kept), store::Ok);
  EXPECT_TRUE(kept.empty());
  auto list = sh.open();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].rec.KOLOT, 4);

  // Gone again for the end: the result waits on the workstation with the
  // attempt's closing, and goes with it when the share is back.
  for (int f = 5; f <= 6; ++f) {
    answerFrame(a, clock, f);
    k.save(a);
  }
  ASSERT_EQ(::rename(base.c_str(), away.c_str()), 0);
  answerFrame(a, clock, 7);
  ASSERT_TRUE(a.finished());
  ResultStore rs(sh.working("ws1"));
  rs.retries = 0;
  StoreRequest req = sh.journal(&a);
  StoreOutcome out = k.finish(req, rs);
  EXPECT_NE(out.code, store::Ok);
  EXPECT_TRUE(out.pending);
  EXPECT_EQ(rs.pendingCount(), 1);
  ASSERT_EQ(::rename(away.c_str(), base.c_str()), 0);
  EXPECT_EQ(sh.open().size(), 1u);  // still open until the result is in
  EXPECT_EQ(rs.storePending(), 0);
  EXPECT_EQ(rs.pendingCount(), 0);
  EXPECT_TRUE(sh.open().empty());
  std::size_t mine = 0;
  for (const auto& r : sh.results())
    if (r.CODEST == 1 && r.TIMEBEG == a.result().TIMEBEG) {
      ++mine;
      EXPECT_EQ(r.REZBAL, 9);
    }
  EXPECT_EQ(mine, 1u);
}

TEST(KeptAttempt, AStationKilledWhileCutOffHandsItsCopyOverAtItsNextStart) {
  Share sh;
  const std::string base = sh.base().substr(0, sh.base().size() - 1);
  const std::string away = base + ".away";
  ScriptedRandom rnd;
  FixedClock clock;
  {
    Attempt a(arithmetic(sh), rnd, clock);
    a.start();
    AttemptKeeper k(sh.place("ws1"), clock);
    ASSERT_EQ(k.begin(a), AttemptKeeper::Saved::Central);
    answerFrame(a, clock, 1);
    k.save(a);
    ASSERT_EQ(::rename(base.c_str(), away.c_str()), 0);
    answerFrame(a, clock, 2);
    ASSERT_EQ(k.save(a), AttemptKeeper::Saved::Local);
    // The station dies here.
  }
  ASSERT_EQ(::rename(away.c_str(), base.c_str()), 0);
  EXPECT_EQ(sh.open()[0].rec.KOLOT, 1);
  AttemptKeeper::pushLocal(sh.attempts(), sh.working("ws1"));
  auto list = sh.open();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].rec.KOLOT, 2);
  std::vector<OpenAttempt> kept;
  ASSERT_EQ(common::listAttempts(common::localAttemptFile(sh.working("ws1")), kept), store::Ok);
  EXPECT_TRUE(kept.empty());
}

TEST(KeptAttempt, ClosedOrTakenOverIsStoredOnceAndTheOldRunStops) {
  Share sh;
  ScriptedRandom rnd;
  FixedClock clock;
  Attempt a(arithmetic(sh), rnd, clock);
  a.start();
  AttemptKeeper k(sh.place("ws1"), clock);
  ASSERT_EQ(k.begin(a), AttemptKeeper::Saved::Central);
  answerFrame(a, clock, 1);
  answerFrame(a, clock, 2);
  k.save(a);
  const std::size_t before = sh.results().size();

  // Taken over by another workstation: the first run's next save says so.
  AttemptKeeper other(sh.place("ws2"), clock);
  ASSERT_EQ(other.adopt(sh.open()[0], false), AttemptKeeper::Saved::Central);
  answerFrame(a, clock, 3);
  EXPECT_EQ(k.save(a), AttemptKeeper::Saved::TakenOver);
  // A second taking-over from the same reading comes too late.
  AttemptKeeper third(sh.place("ws3"), clock);
  auto stale = sh.open()[0];
  stale.rec.OWNER = u("ws1:старый");
  EXPECT_EQ(third.adopt(stale, false), AttemptKeeper::Saved::TakenOver);

  // The administrator closes it twice (two monitoring windows): stored once.
  const std::int32_t code = sh.open()[0].rec.CODE;
  StoreOutcome first = common::closeAttempt(sh.attempts(), code);
  ASSERT_EQ(first.code, store::Ok) << first.error.text();
  StoreOutcome second = common::closeAttempt(sh.attempts(), code);
  EXPECT_TRUE(second.superseded);
  auto after = sh.results();
  ASSERT_EQ(after.size(), before + 1);
  EXPECT_EQ(after.back().REZBAL, 3);  // as it stood: two answers right
  EXPECT_EQ(after.back().KOLVOP, 7);
  EXPECT_TRUE(sh.open().empty());
  // The run that had taken it over finds it closed and stores nothing more.
  EXPECT_EQ(other.save(a), AttemptKeeper::Saved::Closed);
  ResultStore rs(sh.working("ws2"));
  StoreRequest req = sh.journal(&a);
  EXPECT_TRUE(other.finish(req, rs).superseded);
  EXPECT_EQ(sh.results().size(), before + 1);
}

TEST(KeptAttempt, AKillDuringTheFinalStoreLeavesTheAttemptOrItsResultNeverBothNorNeither) {
  Share sh;
  const AttemptConfig cfg = arithmetic(sh);
  std::mt19937 gen(20261210);
  int stored = 0, open = 0;
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE(round);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const std::int32_t who = 100 + round;
    pid_t pid = ::fork();
    if (pid == 0) {
      ScriptedRandom rnd;
      FixedClock clock;
      AttemptConfig c = cfg;
      c.who.code = who;
      Attempt a(c, rnd, clock);
      a.start();
      AttemptKeeper k(sh.place("ws" + std::to_string(round)), clock);
      if (k.begin(a) != AttemptKeeper::Saved::Central) ::_exit(2);
      for (int f = 1; f <= 7; ++f) {
        answerFrame(a, clock, f);
        if (!a.finished()) k.save(a);
      }
      ResultStore rs(sh.working("ws" + std::to_string(round)));
      StoreRequest req = sh.journal(&a);
      ::write(fds[1], "x", 1);
      StoreOutcome out = k.finish(req, rs);
      ::_exit(out.code == store::Ok ? 0 : 1);
    }
    // Rounds spread the kill over the store: at once, during it, after it.
    const auto delay = std::chrono::microseconds(std::uniform_int_distribution<int>(0, 30000)(gen));
    killWhenSignalled(pid, fds[0], delay);
    ::close(fds[0]);
    ::close(fds[1]);
    int results = 0, attempts = 0;
    for (const auto& r : sh.results()) results += r.CODEST == who;
    for (const auto& o : sh.open()) attempts += o.rec.CODEST == who;
    EXPECT_EQ(results + attempts, 1) << "results " << results << ", open " << attempts;
    stored += results;
    open += attempts;
  }
  // How the kills fell, for the test log.
  RecordProperty("stored", stored);
  RecordProperty("open", open);
}

}  // namespace

namespace {

TEST(KeptAttempt, ARecordWithoutItsResultHalfIsStillClosedOnceAndAMissingFileIsClosedAlready) {
  Share sh;
  EXPECT_TRUE(common::closeAttempt(sh.attempts(), 1).superseded);  // no file at all
  ScriptedRandom rnd;
  FixedClock clock;
  Attempt a(arithmetic(sh), rnd, clock);
  a.start();
  AttemptKeeper k(sh.place("ws1"), clock);
  ASSERT_EQ(k.begin(a), AttemptKeeper::Saved::Central);
  answerFrame(a, clock, 1);
  k.save(a);
  {
    common::AttemptTables t(sh.attempts());
    ASSERT_EQ(t.open(false), store::Ok);
    t.rez.CODEREZ = k.code();
    ASSERT_EQ(t.rezT.get(t.rezT.key("KEYCODEREZ")), store::Ok);
    ASSERT_EQ(t.rezT.del(), store::Ok);
  }
  ASSERT_EQ(sh.open().size(), 1u);  // still listed, to be closed
  const std::size_t before = sh.results().size();
  StoreOutcome out = common::closeAttempt(sh.attempts(), k.code());
  ASSERT_EQ(out.code, store::Ok) << out.error.text();
  auto after = sh.results();
  ASSERT_EQ(after.size(), before + 1);
  EXPECT_EQ(after.back().FIO.utf8(), "Иванов Алексей Иванович");
  EXPECT_EQ(after.back().KOLVOP, 7);
  EXPECT_TRUE(sh.open().empty());
  EXPECT_TRUE(common::closeAttempt(sh.attempts(), k.code()).superseded);
}

}  // namespace

namespace {

TEST(KeptAttempt, TimeInAQuestionBoxAfterTheLastSaveCountsAndAnEndedStateIsNotGoneOn) {
  Share sh;
  const AttemptConfig cfg = arithmetic(sh);
  ScriptedRandom rnd;
  FixedClock clock;
  Attempt a(cfg, rnd, clock);
  a.start();
  answerFrame(a, clock, 1);
  const std::string state = a.state();
  tables::RezTest stood;
  std::string howot, howtxt;
  a.asItStands(stood, howot, howtxt);
  // Five minutes in a question box (signs of life only), then five minutes
  // dead, forgiven: the first five count.
  ScriptedRandom r2;
  FixedClock later;
  later.time = clock.time + 10 * 6000;
  Attempt b(cfg, r2, later);
  ASSERT_TRUE(b.resume(state, stood, 5 * 6000, 15 * 6000));
  EXPECT_EQ(b.testSeconds(), 60 + 5 * 60);

  // Ended before its result was stored: never gone on with.
  EXPECT_FALSE(Attempt::stateEnded(state));
  Answers d;
  a.finish(d);
  const std::string ended = a.state();
  EXPECT_TRUE(Attempt::stateEnded(ended));
  ScriptedRandom r3;
  Attempt c(cfg, r3, later);
  EXPECT_FALSE(c.resume(ended, stood, 0, 0));
}

}  // namespace
