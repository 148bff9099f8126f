// Test-item analysis: the statistics of frames and scores on small result
// sets worked out by hand, the reading of a journal by test, library and
// group in slices, and the tables and export built from them.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "cp1251.h"
#include "demo_data.h"
#include "item_analysis.h"
#include "result_file.h"
#include "test_tables.h"

using namespace administrator::analysis;
using testing_tables::TempDir;

namespace {

// A result from its frames ('1' right, '0' wrong, '2' or '-' not
// presented, frame 1 first) and its score (the number right when absent).
Scored result(int code, const std::string& frames, std::optional<int> score = std::nullopt) {
  tables::RezTest r;
  r.CODEREZ = code;
  r.ALLOT.fill(2);
  int right = 0;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const char c = frames[i];
    r.ALLOT[i] = c == '1' ? 1 : c == '0' ? 0 : 2;
    right += c == '1';
  }
  r.REZBAL = score.value_or(right);
  return scored(r);
}

std::vector<Scored> withScores(const std::vector<int>& scores) {
  std::vector<Scored> out;
  int code = 0;
  for (int s : scores) out.push_back(result(++code, "10", s));
  return out;
}

#define EXPECT_NEAR_OPT(opt, value, tol)            \
  do {                                              \
    ASSERT_TRUE((opt).has_value()) << #opt;         \
    EXPECT_NEAR(*(opt), (value), (tol)) << #opt;    \
  } while (0)

// Six results of four frames: every statistic of the frames and of the
// test checked against values worked out by hand.
TEST(ItemAnalysis, StatisticsOfTheSixByFourFixture) {
  std::vector<Scored> rs;
  int code = 0;
  for (const char* row : {"1111", "1110", "1100", "1010", "0100", "1000"}) rs.push_back(result(++code, row));
  const Analysis a = analyse(rs);
  EXPECT_EQ(a.results, 6);
  EXPECT_EQ(a.frames, 4);
  ASSERT_EQ(a.items.size(), 4u);

  struct Expect {
    int right;
    double p, discrimination, efficiency, upperLower;
  } expect[] = {{5, 5.0 / 6, 15.81, 25, 0.5}, {4, 4.0 / 6, 0.00, 0, 0.5}, {3, 0.5, 44.72, 50, 1.0}, {1, 1.0 / 6, 54.77, 100, 0.5}};
  for (int c = 1; c <= 4; ++c) {
    SCOPED_TRACE("frame " + std::to_string(c));
    const Item* i = a.item(c);
    ASSERT_NE(i, nullptr);
    const Expect& e = expect[c - 1];
    EXPECT_EQ(i->presented, 6);
    EXPECT_EQ(i->right, e.right);
    EXPECT_EQ(i->wrong, 6 - e.right);
    EXPECT_NEAR_OPT(i->p, e.p, 1e-9);
    EXPECT_NEAR_OPT(i->q, 1 - e.p, 1e-9);
    EXPECT_NEAR_OPT(i->variance, e.p * (1 - e.p), 1e-9);
    EXPECT_NEAR_OPT(i->logit, std::log(e.p / (1 - e.p)), 1e-9);
    EXPECT_NEAR_OPT(i->discrimination, e.discrimination, 0.005);
    EXPECT_NEAR_OPT(i->determination, e.discrimination * e.discrimination / 100, 0.01);
    EXPECT_NEAR_OPT(i->efficiency, e.efficiency, 1e-9);
    EXPECT_NEAR_OPT(i->upperLower, e.upperLower, 1e-9);
  }
  EXPECT_NEAR_OPT(a.consistency, 45.53, 0.005);
  EXPECT_NEAR_OPT(a.errorRatio, 73.80, 0.005);
  EXPECT_NEAR_OPT(a.sdRight, 1.169, 0.0005);
  EXPECT_NEAR_OPT(a.standardError, 0.863, 0.0005);
  EXPECT_NEAR_OPT(a.ferguson, 0.9028, 0.00005);
  EXPECT_NEAR_OPT(a.meanRight, 13.0 / 6, 1e-9);
}

TEST(ItemAnalysis, ModeMedianAndSpreadOfTheScores) {
  struct Case {
    std::vector<int> scores;
    int mode;
    double median, mean, variation;
  } cases[] = {
      {{5, 7, 7, 9, 9}, 7, 7, 7.4, 11.2},  // two highest frequencies: the lower score
      {{9, 9, 7, 7, 5}, 7, 7, 7.4, 11.2},  // the order read does not matter
      {{1, 2, 3}, 1, 2, 2, 2},             // the middle one, not the first to reach half
      {{4, 1, 3, 2}, 1, 2.5, 2.5, 5},      // even: the mean of the two middle ones
      {{6}, 6, 6, 6, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.scores));
    const Analysis a = analyse(withScores(c.scores));
    ASSERT_TRUE(a.mode.has_value());
    EXPECT_EQ(*a.mode, c.mode);
    EXPECT_NEAR_OPT(a.median, c.median, 1e-9);
    EXPECT_NEAR_OPT(a.meanScore, c.mean, 1e-9);
    EXPECT_NEAR_OPT(a.variation, c.variation, 1e-9);
    if (c.scores.size() > 1) {
      EXPECT_NEAR_OPT(a.variance, c.variation / (static_cast<double>(c.scores.size()) - 1), 1e-9);
      EXPECT_NEAR_OPT(a.deviation, std::sqrt(c.variation / (static_cast<double>(c.scores.size()) - 1)), 1e-9);
    } else {
      EXPECT_FALSE(a.variance.has_value());
      EXPECT_FALSE(a.deviation.has_value());
    }
  }
}

TEST(ItemAnalysis, DistributionCountsPercentsAndRunningPercents) {
  const Analysis a = analyse(withScores({9, 5, 7, 9, 7}));
  ASSERT_EQ(a.distribution.size(), 3u);
  const ScoreRow expect[] = {{5, 1, 20, 20}, {7, 2, 40, 60}, {9, 2, 40, 100}};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(a.distribution[i].score, expect[i].score);
    EXPECT_EQ(a.distribution[i].count, expect[i].count);
    EXPECT_DOUBLE_EQ(a.distribution[i].percent, expect[i].percent);
    EXPECT_DOUBLE_EQ(a.distribution[i].cumulative, expect[i].cumulative);
  }
  // Thirds: the running percent is of the running count, so it ends at 100.
  const Analysis b = analyse(withScores({1, 2, 3}));
  EXPECT_DOUBLE_EQ(b.distribution.back().cumulative, 100);
}

TEST(ItemAnalysis, OneResultLeavesWhatNeedsASpreadBlank) {
  const Analysis a = analyse({result(1, "10", 4)});
  EXPECT_EQ(a.results, 1);
  EXPECT_EQ(*a.median, 4);
  EXPECT_EQ(*a.mode, 4);
  const Item* i = a.item(1);
  ASSERT_NE(i, nullptr);
  EXPECT_EQ(*i->p, 1);
  EXPECT_FALSE(i->discrimination.has_value());
  EXPECT_FALSE(i->upperLower.has_value());  // the two groups would be one result
  EXPECT_FALSE(a.consistency.has_value());
  EXPECT_FALSE(a.sdRight.has_value());
}

TEST(ItemAnalysis, AFrameEverybodyAnsweredRightHasNoLogitOrCorrelation) {
  const Analysis a = analyse({result(1, "11"), result(2, "10"), result(3, "10"), result(4, "11")});
  const Item* i = a.item(1);
  ASSERT_NE(i, nullptr);
  EXPECT_EQ(i->right, 4);
  EXPECT_EQ(i->wrong, 0);
  EXPECT_EQ(*i->q, 0);
  EXPECT_EQ(*i->variance, 0);
  EXPECT_FALSE(i->logit.has_value());
  EXPECT_FALSE(i->discrimination.has_value());
  EXPECT_FALSE(i->determination.has_value());
  EXPECT_FALSE(i->efficiency.has_value());
  EXPECT_NEAR_OPT(i->upperLower, 0, 1e-12);
  // And nobody right: p = 0, no logit either.
  const Analysis b = analyse({result(1, "01"), result(2, "00")});
  EXPECT_EQ(*b.item(1)->p, 0);
  EXPECT_FALSE(b.item(1)->logit.has_value());
}

// Equal T at the border of the 27 % groups: the lower result code ranks
// higher, whatever the order the results were read in.
TEST(ItemAnalysis, UpperLowerGroupsBreakTiesByResultCode) {
  const Analysis a = analyse({result(2, "01"), result(3, "11"), result(1, "10")});
  // One result a group: upper = code 3; of the two with T = 1 code 2 is lower.
  EXPECT_NEAR_OPT(a.item(1)->upperLower, 1, 1e-12);
  EXPECT_NEAR_OPT(a.item(2)->upperLower, 0, 1e-12);
}

// A draw of variants: frame 3 went to two results of four. Its counts are
// over those two; the consistency needs every result to have met the same
// frames, so it is blank.
TEST(ItemAnalysis, AFrameNotPresentedToEveryResultCountsOverThoseThatSawIt) {
  const Analysis a = analyse({result(1, "111"), result(2, "10-"), result(3, "110"), result(4, "00-")});
  EXPECT_EQ(a.frames, 3);
  const Item* i = a.item(3);
  ASSERT_NE(i, nullptr);
  EXPECT_EQ(i->presented, 2);
  EXPECT_EQ(i->right, 1);
  EXPECT_EQ(i->wrong, 1);
  EXPECT_NEAR_OPT(i->p, 0.5, 1e-12);
  EXPECT_EQ(a.item(1)->presented, 4);
  EXPECT_EQ(a.item(4), nullptr);
  EXPECT_FALSE(a.consistency.has_value());
  // Three frames at most: T = 3, 1, 2, 0 once each.
  EXPECT_NEAR_OPT(a.ferguson, 4.0 / 3 * (1 - 4.0 / 16), 1e-12);
}

TEST(ItemAnalysis, NoResultsGiveNoFigures) {
  const Analysis a = analyse({});
  EXPECT_EQ(a.results, 0);
  EXPECT_TRUE(a.items.empty());
  EXPECT_FALSE(a.meanScore.has_value());
  EXPECT_FALSE(a.ferguson.has_value());
  for (const auto& [label, value] : testFigures(a)) EXPECT_EQ(value, "") << label;
}

// ---------------------------------------------------------------- journals

struct Row {
  int code;
  std::string name, library, group, frames;
  int score = -1;
};

// A journal "j" under `base` holding the rows (names in UTF-8).
void writeJournal(const std::string& base, const std::vector<Row>& rows) {
  ASSERT_EQ(results::create(base, "j"), 0);
  results::ResultFile rf;
  ASSERT_EQ(rf.open(base, "j"), 0);
  for (const Row& row : rows) {
    auto& r = rf.rez;
    r = tables::RezTest{};
    r.CODEREZ = row.code;
    r.NAMETEMA.setUtf8(row.name);
    r.BIBLTEST.setUtf8(row.library);
    r.GR.setUtf8(row.group);
    r.ALLOT.fill(2);
    int right = 0;
    for (std::size_t i = 0; i < row.frames.size(); ++i) {
      r.ALLOT[i] = row.frames[i] == '1' ? 1 : 0;
      right += row.frames[i] == '1';
    }
    r.REZBAL = row.score >= 0 ? row.score : right;
    ASSERT_EQ(rf.add(false), 0) << rf.error().text();
  }
  rf.close();
}

const std::vector<Row> kJournal = {
    {1, "Алгебра", "C:/Тесты/", "ИС-11", "110"},   {2, "Алгебра", "C:/Тесты/", "ИС-12", "100"},
    {3, "Алгебра", "D:/Резерв/", "ИС-11", "111"},  {4, "Геометрия", "C:/Тесты/", "ИС-11", "1"},
    {5, "Алгебра", "C:/Тесты/", "ИС-11", "011"},   {6, "алгебра", "C:/Тесты/", "ИС-13", "000"},
};

std::string cp(const std::string& utf8) { return cp1251::fromUtf8(utf8); }

TEST(ItemAnalysisJournal, TestsAreKeyedByNameAndLibraryWithTheirGroups) {
  TempDir tmp;
  const std::string base = tmp.path() + "/";
  writeJournal(base, kJournal);
  TestLister l(results::rezTestName(base, "j"));
  ASSERT_TRUE(l.run());
  const auto tests = l.tests();
  ASSERT_EQ(tests.size(), 4u);
  // By name without regard to case; one name in two libraries is two tests.
  EXPECT_EQ(tests[0].key.name, cp("Алгебра"));
  EXPECT_EQ(tests[0].key.library, cp("C:/Тесты/"));
  EXPECT_EQ(tests[0].groups, (std::vector<std::string>{cp("ИС-11"), cp("ИС-12")}));
  EXPECT_EQ(tests[1].key.library, cp("D:/Резерв/"));
  EXPECT_EQ(tests[2].key.name, cp("алгебра"));
  EXPECT_EQ(tests[3].key.name, cp("Геометрия"));
}

TEST(ItemAnalysisJournal, OnlyTheChosenTestLibraryAndGroupAreCounted) {
  TempDir tmp;
  const std::string base = tmp.path() + "/";
  writeJournal(base, kJournal);
  struct Case {
    std::string library, group;
    std::vector<int> codes;
  } cases[] = {
      {"C:/Тесты/", "", {1, 2, 5}},
      {"C:/Тесты/", "ИС-11", {1, 5}},
      {"D:/Резерв/", "", {3}},
      {"C:/Тесты/", "ИС-13", {}},  // that group took the other-cased test only
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.library + " " + c.group);
    ResultsReader r(results::rezTestName(base, "j"), {{cp("Алгебра") + "   ", cp(c.library)}, cp(c.group)});
    ASSERT_TRUE(r.run());
    std::vector<int> codes;
    for (const Scored& s : r.results()) codes.push_back(s.code);
    EXPECT_EQ(codes, c.codes);
    // The first result taken names the test's file.
    if (c.codes.empty()) {
      EXPECT_EQ(r.first(), nullptr);
    } else {
      ASSERT_NE(r.first(), nullptr);
      EXPECT_EQ(r.first()->CODEREZ, c.codes.front());
    }
  }
}

TEST(ItemAnalysisJournal, ReadingInSlicesMovesTheProgressAndGetsTheSameResults) {
  TempDir tmp;
  const std::string base = tmp.path() + "/";
  std::vector<Row> rows;
  for (int i = 1; i <= 40; ++i) rows.push_back({i, "Алгебра", "C:/Тесты/", i % 2 ? "А" : "Б", i % 3 ? "101" : "011"});
  writeJournal(base, rows);
  const Selection sel{{cp("Алгебра"), cp("C:/Тесты/")}, ""};
  ResultsReader whole(results::rezTestName(base, "j"), sel);
  ASSERT_TRUE(whole.run());

  ResultsReader sliced(results::rezTestName(base, "j"), sel);
  ASSERT_TRUE(sliced.start());
  const std::int64_t size = static_cast<std::int64_t>(tables::rezTestDef().recordSize());
  EXPECT_EQ(sliced.bytesTotal(), 40 * size);
  EXPECT_EQ(sliced.progressText(), "  0% обработано (0) bytes");
  int slices = 0;
  std::int64_t last = 0;
  while (!sliced.step(static_cast<std::size_t>(10 * size))) {
    ++slices;
    EXPECT_EQ(sliced.bytesRead(), last + 10 * size);  // a slice is its bytes' worth of records
    last = sliced.bytesRead();
  }
  EXPECT_EQ(slices, 4);  // the fifth slice finds the end
  EXPECT_TRUE(sliced.error());
  EXPECT_EQ(sliced.records(), 40);
  EXPECT_EQ(sliced.progressText(), "100% обработано (" + std::to_string(40 * size) + ") bytes");
  ASSERT_EQ(sliced.results().size(), whole.results().size());
  for (std::size_t i = 0; i < whole.results().size(); ++i) {
    EXPECT_EQ(sliced.results()[i].code, whole.results()[i].code);
    EXPECT_EQ(sliced.results()[i].right, whole.results()[i].right);
  }
  // Started again, it reads the journal anew.
  ASSERT_TRUE(sliced.run());
  EXPECT_EQ(sliced.results().size(), 40u);
}

TEST(ItemAnalysisJournal, AJournalNotWrittenYetIsEmpty) {
  TempDir tmp;
  ResultsReader r(results::rezTestName(tmp.path() + "/", "none"), {});
  ASSERT_TRUE(r.run());
  EXPECT_TRUE(r.done());
  EXPECT_TRUE(r.results().empty());
  EXPECT_EQ(r.progressText(), "100% обработано (0) bytes");
}

// ---------------------------------------------------------------- tables

TEST(ItemAnalysisTables, QuestionRowsJoinTheTestFileAndThePresentedFrames) {
  TempDir tmp;
  demo::Installation inst;
  ASSERT_EQ(demo::make(tmp / "demo", inst), "");
  std::vector<Question> qs;
  const std::string key = cp1251::fromUtf8(inst.keyWord);
  ASSERT_TRUE(readQuestions(inst.library, inst.tests[0], key, qs));
  ASSERT_FALSE(qs.empty());
  for (std::size_t i = 1; i < qs.size(); ++i) EXPECT_LT(qs[i - 1].code, qs[i].code);
  EXPECT_FALSE(readQuestions(inst.library, inst.tests[0], cp1251::fromUtf8("другое слово"), qs)) << "a foreign key word";
  EXPECT_TRUE(qs.empty());
  ASSERT_TRUE(readQuestions(inst.library, inst.tests[0], key, qs));

  // Frame 1 answered by both, frame 2 by nobody; a frame beyond the file's.
  std::string beyond(static_cast<std::size_t>(qs.back().code), '-');
  beyond[0] = '1';
  beyond.back() = '2';
  beyond += '1';
  const Analysis a = analyse({result(1, "1"), result(2, beyond)});
  const TextTable t = questionTable(a, qs);
  // The headings of two lines as the window shows them.
  EXPECT_EQ(t.headings, (std::vector<std::string>{"Код", "Тип", "Вопрос", "Верно", "Не-\nверно", "Доля\nверно", "Доля:\nневерно",
                                                  "Диспе-\nрсия", "Логит", "ДСЗ", "Коэф.\nкорр.", "Коэф.\nдетер.",
                                                  "Эфф.\nдискр."}));
  EXPECT_EQ(distributionTable(a).headings,
            (std::vector<std::string>{"Результат\nв баллах", "Частоты\n(повторения)", "%", "%\n(нарастающий)"}));
  ASSERT_EQ(t.rows.size(), qs.size() + 1);
  EXPECT_EQ(t.rows[0][0], "1");
  EXPECT_EQ(t.rows[0][1], std::to_string(qs[0].type));
  EXPECT_EQ(t.rows[0][3], "2");
  EXPECT_EQ(t.rows[0][5], "1.000");
  EXPECT_EQ(t.rows[0][8], "");  // q = 0: no logit
  EXPECT_EQ(t.rows[1][3], "0");
  EXPECT_EQ(t.rows[1][5], "");  // nobody was presented it
  EXPECT_EQ(t.rows.back()[0], std::to_string(qs.back().code + 1));
  EXPECT_EQ(t.rows.back()[2], "");  // not in the test file any more
  EXPECT_EQ(t.rows.back()[3], "1");
  // The question text on one line.
  EXPECT_EQ(t.rows[0][2].find('\n'), std::string::npos);
  EXPECT_FALSE(t.rows[0][2].empty());
}

TEST(ItemAnalysisTables, ExportHoldsBothTablesWithCommasForASpreadsheet) {
  std::vector<Scored> rs;
  int code = 0;
  for (const char* row : {"1111", "1110", "1100", "1010", "0100", "1000"}) rs.push_back(result(++code, row));
  const Analysis a = analyse(rs);
  const std::string csv = analysisCsv(cp1251::toUtf8(cp("Тест; первый")), a, {});
  EXPECT_EQ(csv.rfind("\xEF\xBB\xBF", 0), 0u);
  EXPECT_NE(csv.find("Анализ теста;\"Тест; первый\"\r\n"), std::string::npos);
  EXPECT_NE(csv.find("Всего проведено тестов:;6\r\n"), std::string::npos);
  EXPECT_NE(csv.find("Количество заданий:;4\r\n"), std::string::npos);
  EXPECT_NE(csv.find("Дискрминативность теста:;0,9028\r\n"), std::string::npos);
  // A heading of two lines is one line in a cell; the item variance has two
  // places, the percentages one.
  EXPECT_NE(csv.find("Код;Тип;Вопрос;Верно;Неверно;Доля верно;Доля: неверно;Дисперсия;Логит;ДСЗ;Коэф. корр.;"), std::string::npos)
      << csv;
  EXPECT_NE(csv.find("\r\n1;;;5;1;0,833;0,167;0,14;1,609;0,50;15,81;2,50;25,00\r\n"), std::string::npos) << csv;
  EXPECT_NE(csv.find("Результат в баллах;Частоты (повторения);%;% (нарастающий)\r\n"), std::string::npos);
  EXPECT_NE(csv.find("\r\n2;2;33,3;66,7\r\n"), std::string::npos) << csv;
}

}  // namespace
