// The monitoring's abandoned attempts on a demo installation: which ones
// are listed, the question before closing one, closing it into its journal
// (once, even from two windows), and a journal that cannot be written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "datetime.h"
#include "demo_data.h"
#include "installation.h"
#include "kept_attempts.h"
#include "monitoring.h"
#include "test_tables.h"

using namespace administrator;
using admin_testing::KeptAttempt;
using admin_testing::secondsBefore;
using testing_tables::TempDir;

namespace {

// 12 March 2026, 00:05: an attempt last answered 16 minutes ago was
// answered the day before.
const std::int32_t kToday = datetime::dayNumber(2026, 3, 12);
const std::int32_t kNow = datetime::clockTime(0, 5, 0);

class AbandonedAttempts : public ::testing::Test {
 protected:
  TempDir tmp;
  demo::Installation made;
  setup::Installation inst;

  void SetUp() override {
    ASSERT_EQ(demo::make(tmp / "demo", made), "");
    inst = setup::resolve(setup::Program::Administrator, made.directory);
  }

  // An attempt last answered `answeredAgo` seconds ago on a station last
  // alive `seenAgo` seconds ago.
  KeptAttempt kept(std::int32_t code, int answeredAgo, int seenAgo) {
    KeptAttempt k;
    k.code = code;
    k.fio = "Тестируемый " + std::to_string(code);
    std::tie(k.lastDate, k.lastTime) = secondsBefore(kToday, kNow, answeredAgo);
    std::tie(k.seenDate, k.seenTime) = secondsBefore(kToday, kNow, seenAgo);
    return k;
  }
  void keep(const KeptAttempt& k) { admin_testing::keepAttempt(inst, made, k); }

  std::int64_t vedomLines() {
    tables::Vedom v;
    store::Table t(tables::vedomDef(), v, inst.central(tables::files::Vedom));
    EXPECT_EQ(t.open(store::Shared), store::Ok) << t.error().text();
    return t.records();
  }
};

TEST_F(AbandonedAttempts, ListedAfterFifteenMinutesWithoutAnAnswerRunningOrNot) {
  AttemptWatch watch(inst);
  std::vector<AbandonedAttempt> got{AbandonedAttempt{}};
  // No Examiner has kept an attempt yet: no file, no attempts, no error.
  ASSERT_FALSE(std::filesystem::exists(watch.file()));
  Outcome o = watch.read(kToday, kNow, got);
  ASSERT_TRUE(o) << o.message;
  EXPECT_TRUE(got.empty());

  const struct {
    std::int32_t code;
    int answeredAgo, seenAgo;
    bool listed, running;
  } cases[] = {
      {1, 60, 10, false, true},            // answering
      {2, 16 * 60, 16 * 60, true, false},  // the station died with it
      {3, 15 * 60 - 1, 900, false, false},
      {4, 15 * 60, 600, true, false},
      {5, 40 * 60, 20, true, true},        // the station is alive, the examinee is not answering
      {6, 2 * 86400, 2 * 86400, true, false},
  };
  for (const auto& c : cases) keep(kept(c.code, c.answeredAgo, c.seenAgo));
  o = watch.read(kToday, kNow, got);
  ASSERT_TRUE(o) << o.message;
  std::vector<std::int32_t> listed;
  for (const auto& a : got) listed.push_back(a.attempt.rec.CODE);
  EXPECT_EQ(listed, (std::vector<std::int32_t>{2, 4, 5, 6}));
  for (const auto& a : got) {
    SCOPED_TRACE(a.attempt.rec.CODE);
    for (const auto& c : cases)
      if (c.code == a.attempt.rec.CODE) {
        EXPECT_EQ(a.running, c.running);
      }
    EXPECT_EQ(a.attempt.rez.FIO, a.attempt.rec.FIO) << "each with its result as it stands";
  }

  // One of them found as it stands now, and one that is not there.
  std::optional<AbandonedAttempt> one;
  ASSERT_TRUE(watch.find(5, kToday, kNow, one));
  ASSERT_TRUE(one.has_value());
  EXPECT_TRUE(one->running);
  EXPECT_EQ(one->attempt.rec.FIO.utf8(), "Тестируемый 5");
  ASSERT_TRUE(watch.find(77, kToday, kNow, one));
  EXPECT_FALSE(one.has_value());
}

TEST(AbandonedAttempt, TheQuestionNamesTheStationOnlyWhileItStillWorks) {
  AbandonedAttempt a;
  a.attempt.rec.FIO = cp1251::fromUtf8("Сидорова А.В.");
  a.attempt.rec.NAMETEMA = cp1251::fromUtf8("География");
  a.attempt.rec.NAMEPC = cp1251::fromUtf8("PC101-07");
  a.attempt.rec.KOLVOP = 12;
  a.attempt.rec.KOLOT = 5;
  const std::string asked = "Закрыть тестирование «Сидорова А.В.» по тесту «География»?|"
                            "Его результат будет записан в журнал результатов как есть.";
  EXPECT_EQ(closeQuestion(a), asked);
  a.running = true;
  EXPECT_EQ(closeQuestion(a), asked + "|Рабочая станция «PC101-07» ещё работает с ним.");
  EXPECT_EQ(answeredText(a.attempt.rec), "5 из 12");
}

TEST_F(AbandonedAttempts, ClosingStoresTheResultAsItStandsOnceAndTheRecordGoes) {
  KeptAttempt student = kept(1, 20 * 60, 20 * 60);
  student.student = 3;
  student.points = 7;
  student.answered = 6;
  keep(student);
  keep(kept(2, 30 * 60, 30 * 60));
  const auto before = admin_testing::journal(made);
  const std::int64_t lines = vedomLines();

  // Two monitoring windows both list it; each closes it.
  AttemptWatch first(inst), second(inst);
  std::vector<AbandonedAttempt> a, b;
  ASSERT_TRUE(first.read(kToday, kNow, a));
  ASSERT_TRUE(second.read(kToday, kNow, b));
  ASSERT_EQ(a.size(), 2u);
  ASSERT_EQ(b.size(), 2u);
  ClosedAttempt done = first.close(1);
  EXPECT_EQ(done.how, Closing::Stored) << done.message;
  EXPECT_EQ(done.message, "Результат записан в журнал результатов.");
  done = second.close(1);
  EXPECT_EQ(done.how, Closing::AlreadyClosed) << done.message;
  EXPECT_EQ(done.message, "Это тестирование уже завершено.");

  const auto after = admin_testing::journal(made);
  ASSERT_EQ(after.size(), before.size() + 1) << "stored once";
  const tables::RezTest& r = after.back();
  EXPECT_EQ(r.FIO.utf8(), "Тестируемый 1");
  EXPECT_EQ(r.CODEST, 3);
  EXPECT_EQ(r.REZBAL, 7);
  EXPECT_EQ(r.KOLVOPOT, 6);
  EXPECT_GT(r.CODEREZ, 0);
  EXPECT_EQ(vedomLines(), lines + 1) << "the class journal has its line";
  EXPECT_EQ(admin_testing::openCodes(inst), std::vector<std::int32_t>{2}) << "the other attempt stays open";
  ASSERT_TRUE(first.read(kToday, kNow, a));
  ASSERT_EQ(a.size(), 1u);
  EXPECT_EQ(a[0].attempt.rec.CODE, 2);

  // The attempt file gone altogether: nothing is open any more.
  std::filesystem::remove(first.file());
  EXPECT_EQ(first.close(2).how, Closing::AlreadyClosed);
  EXPECT_EQ(admin_testing::journal(made).size(), after.size());
}

TEST_F(AbandonedAttempts, AJournalThatCannotBeWrittenKeepsTheAttemptOpen) {
  KeptAttempt k = kept(1, 20 * 60, 20 * 60);
  // Its base lies under a plain file: the journal cannot be made there.
  const std::string blocker = tmp / "blocker";
  std::ofstream(blocker) << "not a folder";
  k.base = blocker + "/base/";
  keep(k);
  AttemptWatch watch(inst);
  const ClosedAttempt done = watch.close(1);
  EXPECT_EQ(done.how, Closing::Failed);
  EXPECT_EQ(done.message.rfind("Не удалось записать результат тестирования (", 0), 0u) << done.message;
  EXPECT_EQ(admin_testing::openCodes(inst), std::vector<std::int32_t>{1}) << "neither stored nor lost";
}

}  // namespace
