#pragma once
// Attempts under way as an Examiner keeps them in the database directory
// ("Attempt.tps"), each with its result as it stands, and the journal and
// class journal that closing one writes to.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "cp1251.h"
#include "demo_data.h"
#include "installation.h"
#include "open_attempts.h"
#include "result_file.h"
#include "tables_central.h"

namespace admin_testing {

// A day and clock time `seconds` before another (across midnight too).
inline std::pair<std::int32_t, std::int32_t> secondsBefore(std::int32_t day, std::int32_t clock, int seconds) {
  constexpr std::int64_t kDay = 24LL * 3600 * 100;
  std::int64_t t = static_cast<std::int64_t>(clock) - 1 - static_cast<std::int64_t>(seconds) * 100;
  while (t < 0) {
    t += kDay;
    --day;
  }
  return {day, static_cast<std::int32_t>(t + 1)};
}

struct KeptAttempt {
  std::int32_t code = 1;
  std::int32_t student = 0;  // 0: a name typed in
  std::string fio = "Петров П.П.", group = "ИТ-11", test = "Арифметика", station = "PC101-03";  // UTF-8
  int drawn = 10, answered = 4, points = 3;
  std::int32_t lastDate = 0, lastTime = 0;  // the last answer
  std::int32_t seenDate = 0, seenTime = 0;  // the station's last sign of life
  std::string base;                         // the journal's base directory; empty: the demo's
};

inline std::string attemptFile(const setup::Installation& inst) { return inst.central(tables::files::Attempt); }

// Writes the attempt as its Examiner would: record and result in one commit,
// the result bound for the demo's journal.
inline void keepAttempt(const setup::Installation& inst, const demo::Installation& made, const KeptAttempt& k) {
  common::AttemptTables t(attemptFile(inst));
  ASSERT_EQ(t.open(true), store::Ok) << t.error().text();
  t.att = tables::Attempt{};
  t.att.CODE = k.code;
  t.att.CODEST = k.student;
  t.att.FIO = cp1251::fromUtf8(k.fio);
  t.att.GR = cp1251::fromUtf8(k.group);
  t.att.NAMEPC = cp1251::fromUtf8(k.station);
  t.att.OWNER = cp1251::fromUtf8(k.station + ":1");
  t.att.TESTFILE = cp1251::fromUtf8(made.library + k.test + ".orm");
  t.att.NAMETEMA = cp1251::fromUtf8(k.test);
  t.att.KOLVOP = static_cast<std::uint16_t>(k.drawn);
  t.att.KOLOT = static_cast<std::uint16_t>(k.answered);
  t.att.DATEBEG = k.lastDate;
  t.att.TIMEBEG = 1;
  t.att.LASTDATE = k.lastDate;
  t.att.LASTTIME = k.lastTime;
  t.att.SEENDATE = k.seenDate;
  t.att.SEENTIME = k.seenTime;
  t.att.SAVEREZ = 1;
  t.att.BASE = cp1251::fromUtf8(k.base.empty() ? made.directory : k.base);
  t.att.FILEREZ = cp1251::fromUtf8(made.resultFile);
  t.att.VEDOM = cp1251::fromUtf8(made.directory + tables::files::Vedom);
  t.att.HOWOT = "1+;2-;";
  t.rez = tables::RezTest{};
  t.rez.CODEST = k.student;
  t.rez.FIO = t.att.FIO.view();
  t.rez.GR = t.att.GR.view();
  t.rez.NAMETEMA = t.att.NAMETEMA.view();
  t.rez.DATE = k.lastDate;
  t.rez.KOLVOP = static_cast<std::uint16_t>(k.drawn);
  t.rez.KOLVOPOT = k.answered;
  t.rez.REZBAL = k.points;
  t.rez.MAXBALL = k.drawn;
  store::Transaction tx{&t.attT, &t.rezT};
  ASSERT_EQ(tx.begin(), store::Ok) << tx.error().text();
  ASSERT_EQ(t.write(), store::Ok) << t.error().text();
  ASSERT_EQ(tx.commit(), store::Ok) << tx.error().text();
}

// The results of the demo's journal, in code order.
inline std::vector<tables::RezTest> journal(const demo::Installation& made) {
  results::ResultFile rf;
  std::vector<tables::RezTest> out;
  EXPECT_EQ(rf.open(made.directory, made.resultFile), store::Ok) << rf.error().text();
  rf.rezT.set(rf.rezT.key("KEYCODEREZ"));
  while (rf.rezT.next() == store::Ok) out.push_back(rf.rez);
  return out;
}

// The codes of the attempts still open.
inline std::vector<std::int32_t> openCodes(const setup::Installation& inst) {
  std::vector<common::OpenAttempt> all;
  EXPECT_EQ(common::listAttempts(attemptFile(inst), all), store::Ok);
  std::vector<std::int32_t> out;
  for (const auto& a : all) out.push_back(a.rec.CODE);
  return out;
}

}  // namespace admin_testing
