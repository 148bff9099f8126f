// The rating over the grade-sheet table: who takes part, the best score of
// a repeated test, places, frequencies and percentile ranks, and the work
// table it leaves for the report.
#include <gtest/gtest.h>

#include "cp1251.h"
#include "installation.h"
#include "rating.h"
#include "tables_central.h"
#include "tables_work.h"
#include "test_tables.h"

using namespace administrator;
using testing_tables::TempDir;

namespace {

std::string u(const std::string& s) { return cp1251::fromUtf8(s); }

struct Line {
  std::int32_t student;
  const char* name;
  const char* group;
  const char* test;
  std::int32_t ball;
  const char* journal = "Stat";
};

class Rating : public ::testing::Test {
 protected:
  TempDir dir;
  std::string vedom() const { return dir.path() + "/Vedom.tps"; }

  void write(const std::vector<Line>& lines) {
    tables::Vedom v;
    store::Table t(tables::vedomDef(), v, vedom());
    ASSERT_EQ(t.createIfMissing(), store::Ok) << t.error().text();
    ASSERT_EQ(t.open(), store::Ok) << t.error().text();
    std::int32_t code = static_cast<std::int32_t>(t.records());
    for (const Line& l : lines) {
      v = {};
      v.CODEVED = ++code;
      v.CODEST = l.student;
      v.NAMESTUD = u(l.name);
      v.GR = u(l.group);
      v.NAMETEMA = u(l.test);
      v.BALL = l.ball;
      v.FILEREZ = u(l.journal);
      ASSERT_EQ(t.add(), store::Ok) << t.error().text();
    }
  }

  std::vector<RatingRow> rate(const RatingConditions& c, std::size_t slice = 20000) {
    RatingPass pass(vedom(), c);
    EXPECT_TRUE(pass.start()) << pass.error().message;
    while (!pass.step(slice)) {
    }
    EXPECT_TRUE(pass.error()) << pass.error().message;
    EXPECT_EQ(pass.progressText().substr(0, 4), "100%");
    return pass.rows();
  }
};

RatingConditions all(std::vector<std::string> groups = {"ИС-1"}, std::vector<std::string> tests = {"A", "B"}) {
  return ratingConditions({"Stat"}, tests, groups);
}

}  // namespace

TEST(RatingRanks, PlacesFrequenciesAndPercentileRanksByHand) {
  std::vector<RatingRow> rows(4);
  const std::int64_t scores[] = {80, 90, 70, 80};
  for (int i = 0; i < 4; ++i) {
    rows[i].number = i + 1;
    rows[i].score = scores[i];
  }
  rankRating(rows);
  // N = 4. 90: f 1, cumf 4, (4 - 0.5) / 4 = 87.5; 80: f 2, cumf 3,
  // (3 - 1) / 4 = 50; 70: f 1, cumf 1, (1 - 0.5) / 4 = 12.5.
  struct Want {
    std::int64_t score;
    std::int32_t number, place, f, cumf;
    double pr;
  } want[] = {{90, 2, 1, 1, 4, 87.5}, {80, 1, 2, 2, 3, 50.0}, {80, 4, 2, 2, 3, 50.0}, {70, 3, 4, 1, 1, 12.5}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(rows[i].score, want[i].score) << i;
    EXPECT_EQ(rows[i].number, want[i].number) << i << ": equal scores keep their order";
    EXPECT_EQ(rows[i].place, want[i].place) << i;
    EXPECT_EQ(rows[i].f, want[i].f) << i;
    EXPECT_EQ(rows[i].cumf, want[i].cumf) << i;
    EXPECT_DOUBLE_EQ(rows[i].percentile, want[i].pr) << i;
  }

  // Three examinees, 10, 10, 10: one shared place and the middle rank.
  std::vector<RatingRow> same(3);
  for (int i = 0; i < 3; ++i) same[i] = {i + 1, 0, "", "", "", "", 10};
  rankRating(same);
  for (const RatingRow& r : same) {
    EXPECT_EQ(r.place, 1);
    EXPECT_EQ(r.f, 3);
    EXPECT_EQ(r.cumf, 3);
    EXPECT_DOUBLE_EQ(r.percentile, 50.0);
  }
}

TEST_F(Rating, RepeatedTestKeepsItsBestAndOtherTestsAdd) {
  write({{1, "Антонов А.", "ИС-1", "A", 50}, {1, "Антонов А.", "ИС-1", "B", 30}, {1, "Антонов А.", "ИС-1", "A", 60},
         {2, "Борисов Б.", "ИС-1", "A", 85}, {2, "Борисов Б.", "ИС-1", "A", 40}});
  // Read two lines a slice: the best survives across slices.
  const auto rows = rate(all(), 2 * tables::vedomDef().recordSize());
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].name, "Антонов А.");
  EXPECT_EQ(rows[0].score, 90) << "60 of the second attempt of A plus 30 of B";
  EXPECT_EQ(rows[0].test, "A") << "the first test counted";
  EXPECT_EQ(rows[1].score, 85) << "a worse second attempt leaves the best";
  EXPECT_EQ(rows[0].place, 1);
  EXPECT_EQ(rows[1].place, 2);
}

TEST_F(Rating, WhoTakesPart) {
  write({{1, "Антонов А.", "ИС-1", "A", 10},
         {2, "Антонов А.", "ИС-1", "A", 20},          // a namesake with another code
         {0, "Гость", "ИС-1", "A", 5},                // no code: known by name
         {0, "Гость", "ИС-1", "B", 7},
         {3, "Васильев В.", "ИС-2", "A", 99},         // another group
         {4, "Григорьев Г.", "ИС-1", "C", 99},        // another test
         {5, "Дмитриев Д.", "ИС-1", "A", 40, "STAT.REZ"},  // the same journal by file name
         {6, "Егоров Е.", "ИС-1", "A", 99, "Stat 2"}});   // another journal
  auto rows = rate(all());
  std::map<std::string, std::int64_t> got;
  for (const RatingRow& r : rows) got[r.name + "/" + std::to_string(r.student)] = r.score;
  const std::map<std::string, std::int64_t> want = {
      {"Антонов А./1", 10}, {"Антонов А./2", 20}, {"Гость/0", 12}, {"Дмитриев Д./5", 40}};
  EXPECT_EQ(got, want);

  // No journal chosen: nobody.
  EXPECT_TRUE(rate(ratingConditions({}, {"A"}, {"ИС-1"})).empty());
}

TEST(RatingConditionsList, EighthEntryIgnoredAndBlanksSkipped) {
  std::vector<std::string> groups;
  for (int i = 1; i <= 8; ++i) groups.push_back("Г" + std::to_string(i) + "   ");
  groups.insert(groups.begin() + 2, "   ");
  const RatingConditions c = ratingConditions({"Stat.rez", "Гр 1.2"}, {"A"}, groups);
  ASSERT_EQ(c.groups.size(), kRatingListMax);
  EXPECT_EQ(c.groups.front(), "Г1");
  EXPECT_EQ(c.groups.back(), "Г7");
  EXPECT_EQ(c.journals, (std::vector<std::string>{"stat", "гр 1.2"}));
}

TEST_F(Rating, WorkTableHoldsScoresPast16Bits) {
  write({{1, "Антонов А.", "ИС-1", "A", 40000}, {1, "Антонов А.", "ИС-1", "B", 40000}, {2, "Борисов Б.", "ИС-1", "A", 70000}});
  const auto rows = rate(all());
  const std::string file = dir.path() + "/RTINGSEL";
  Outcome o = writeRatingTable(file, rows);
  ASSERT_TRUE(o) << o.message;
  tables::RtingSel r;
  store::Table t(tables::rtingSelDef(), r, file);
  ASSERT_EQ(t.open(), store::Ok) << t.error().text();
  std::vector<std::pair<std::int64_t, std::int32_t>> read;
  int rc = t.set(t.key("KEYBALL"));
  while (rc == store::Ok && (rc = t.next()) == store::Ok) read.emplace_back(r.BALL.scaled, r.MESTO);
  EXPECT_EQ(rc, store::NoRecord);
  EXPECT_EQ(read, (std::vector<std::pair<std::int64_t, std::int32_t>>{{80000, 1}, {70000, 2}}));

  // Made anew each time: a second rating leaves no line of the first.
  t.close();
  o = writeRatingTable(file, {rows[1]});
  ASSERT_TRUE(o) << o.message;
  ASSERT_EQ(t.open(), store::Ok);
  EXPECT_EQ(t.records(), 1);
}

TEST_F(Rating, MissingTableIsAnEmptyRatingAndTestsAreListedOnce) {
  EXPECT_TRUE(rate(all()).empty());
  std::vector<std::string> tests;
  EXPECT_TRUE(vedomTests(vedom(), tests));
  EXPECT_TRUE(tests.empty());
  write({{1, "А", "ИС-1", "Физика", 1}, {2, "Б", "ИС-1", "Алгебра", 1}, {3, "В", "ИС-1", "Физика", 1}});
  ASSERT_TRUE(vedomTests(vedom(), tests));
  EXPECT_EQ(tests, (std::vector<std::string>{"Алгебра", "Физика"}));
}
