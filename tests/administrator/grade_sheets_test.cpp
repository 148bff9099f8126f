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

TEST(RatingConditionsList, FirstSevenTaggedCountABlankAmongThem) {
  std::vector<std::string> groups;
  for (int i = 1; i <= 8; ++i) groups.push_back("Г" + std::to_string(i) + "   ");
  // A blank entry tagged third takes one of the seven places.
  groups.insert(groups.begin() + 2, "   ");
  const RatingConditions c = ratingConditions({"Stat.rez", "Гр 1.2"}, {"A"}, groups);
  EXPECT_EQ(c.groups, (std::vector<std::string>{"Г1", "Г2", "Г3", "Г4", "Г5", "Г6"}));
  EXPECT_EQ(c.journals, (std::vector<std::string>{"stat", "гр 1.2"}));
  // An eighth entry is ignored even when it is the only one not blank.
  std::vector<std::string> tests(7, "");
  tests.push_back("A");
  EXPECT_TRUE(ratingConditions({"Stat"}, tests, {"Г1"}).tests.empty());
}

TEST(RatingConditionsList, JournalsOfferedOncePerNameWhateverTheCase) {
  const struct {
    const char* what;
    std::vector<std::string> names, want;
  } cases[] = {
      {"letter case", {"Общий", "общий", "ОБЩИЙ"}, {"Общий"}},
      {"with and without the extension", {"Stat", "stat.REZ", "Stat2"}, {"Stat", "Stat2"}},
      {"a point inside the name", {"Сессия.2025", "сессия.2025", "Сессия"}, {"Сессия.2025", "Сессия"}},
      {"blank names left out", {"", "  ", "Stat"}, {"Stat"}},
  };
  for (const auto& c : cases) EXPECT_EQ(journalChoices(c.names), c.want) << c.what;
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

// ---- The examination sheet and the grade-sheet clean-up ----

#include "grade_sheets.h"
#include "registration.h"
#include "result_file.h"
#include "result_store.h"

namespace {

struct Person {
  std::int32_t code;
  const char* fam;
  const char* name;
  const char* otche;
  std::int32_t group;
  const char* book = "";
};

struct Result {
  std::int32_t student;
  const char* fio;
  int mark;
  const char* group = "ИС-1";
  const char* test = "Физика";
  std::int32_t date = 80000;
};

class Sheets : public ::testing::Test {
 protected:
  TempDir dir;
  setup::Installation inst;

  void SetUp() override {
    inst.program = setup::Program::Administrator;
    inst.workingDir = dir.path();
    inst.base = dir.path() + "/";
    tables::Group g;
    store::Table gt(tables::groupDef(), g, inst.central(tables::files::Group));
    ASSERT_EQ(gt.create(), store::Ok);
    ASSERT_EQ(gt.open(), store::Ok);
    const std::pair<std::int32_t, const char*> groups[] = {{1, "ИС-1"}, {2, "ИС-2"}};
    for (const auto& [code, name] : groups) {
      g = {};
      g.CODEGR = code;
      g.NAME = u(name);
      g.KODSPES = "230105";
      g.CODEKURS = 2;
      g.CODEFAK = 3;
      ASSERT_EQ(gt.add(), store::Ok);
    }
    tables::Faket f;
    store::Table ft(tables::faketDef(), f, inst.central(tables::files::Faket));
    ASSERT_EQ(ft.create(), store::Ok);
    ASSERT_EQ(ft.open(), store::Ok);
    f.CODEFAK = 3;
    f.NAME = u("Информационных технологий");
    ASSERT_EQ(ft.add(), store::Ok);
  }

  void students(const std::vector<Person>& people) {
    tables::Student s;
    store::Table st(tables::studentDef(), s, inst.central(tables::files::Student));
    ASSERT_EQ(st.createIfMissing(), store::Ok);
    ASSERT_EQ(st.open(), store::Ok);
    for (const Person& p : people) {
      s = {};
      s.CODEST = p.code;
      s.FAM = u(p.fam);
      s.NAME = u(p.name);
      s.OTCHE = u(p.otche);
      s.CODEGR = p.group;
      s.ZACHBOOK = u(p.book);
      ASSERT_EQ(st.add(), store::Ok) << st.error().text();
    }
  }

  void results(const std::vector<Result>& list) {
    results::ResultFile rf;
    ASSERT_EQ(rf.open(inst.base, "Stat"), store::Ok) << rf.error().text();
    store::Transaction tx{&rf.rezT};
    ASSERT_EQ(tx.begin(), store::Ok);
    std::int32_t code = static_cast<std::int32_t>(rf.rezT.records());
    for (const Result& r : list) {
      rf.rez = {};
      rf.rez.CODEREZ = ++code;
      rf.rez.CODEST = r.student;
      rf.rez.FIO = u(r.fio);
      rf.rez.OTMETKA = static_cast<std::uint8_t>(r.mark);
      rf.rez.GR = u(r.group);
      rf.rez.NAMETEMA = u(r.test);
      rf.rez.PREDMET = u("Физика");
      rf.rez.DATE = r.date;
      ASSERT_EQ(rf.rezT.add(), store::Ok) << rf.rezT.error().text();
    }
    ASSERT_EQ(tx.commit(), store::Ok);
  }

  ExamSheet sheet(ExamSheetChoice c) {
    ExamSheet s;
    Outcome o = buildExamSheet(inst, inst.base, "Stat", c, s);
    EXPECT_TRUE(o) << o.message;
    return s;
  }
};

}  // namespace

TEST_F(Sheets, OneLinePerPersonTheWholeGroupAndTheCounts) {
  students({{1, "Антонов", "Антон", "Антонович", 1, "З-001"},
            {2, "Борисов", "Борис", "", 1},
            {3, "Иванов", "Иван", "", 1},
            {4, "Громов", "Глеб", "", 1},
            {5, "Дмитриев", "Дмитрий", "", 1},
            {6, "Иванов", "Иван", "", 2}});  // a namesake of another group
  results({{1, "Антонов Антон Антонович", 3},
           {2, "Борисов Борис", 4},
           {1, "Антонов Антон Антонович", 5},  // the higher mark replaces
           {2, "Борисов Борис", 4},            // an equal mark leaves the first
           {3, "Иванов Иван", 2},
           {6, "Иванов Иван", 5},              // the namesake: another person
           {4, "Громов Глеб", 5, "ИС-1", "Физика", 80001},  // another date
           {5, "Дмитриев Дмитрий", 5, "ИС-1", "Химия"},     // another test
           {7, "Чужой", 5, "ИС-2"}});                      // another group
  const ExamSheet s = sheet({"ИС-1", "Физика", false, 80000});
  struct Want {
    const char* name;
    std::int32_t result;
    int mark;
    const char* book;
  } want[] = {{"Антонов Антон Антонович", 3, 5, "З-001"}, {"Борисов Борис", 2, 4, ""}, {"Громов Глеб", 0, 0, ""},
              {"Дмитриев Дмитрий", 0, 0, ""},            {"Иванов Иван", 5, 2, ""},   {"Иванов Иван", 6, 5, ""}};
  ASSERT_EQ(s.rows.size(), std::size(want));
  for (std::size_t i = 0; i < std::size(want); ++i) {
    EXPECT_EQ(s.rows[i].name, want[i].name) << i;
    EXPECT_EQ(s.rows[i].result, want[i].result) << i;
    EXPECT_EQ(s.rows[i].mark, want[i].mark) << i;
    EXPECT_EQ(s.rows[i].recordBook, want[i].book) << i;
  }
  EXPECT_EQ(s.present, 4);
  EXPECT_EQ(s.absent, 2) << "a group of five with three results: two did not come";
  EXPECT_EQ(s.byMark, (std::array<int, 4>{2, 1, 0, 1}));
  EXPECT_EQ(s.header.faculty, "Информационных технологий");
  EXPECT_EQ(s.header.specialty, "230105");
  EXPECT_EQ(s.header.course, "2");
  EXPECT_EQ(s.header.discipline, "Физика");

  const std::string csv = examSheetCsv(s);
  EXPECT_EQ(csv.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_TRUE(csv.starts_with("\xEF\xBB\xBF" "Факультет;")) << "no heading: the sheet begins at once";
  // The heading's lines above the sheet, as printed.
  EXPECT_TRUE(examSheetCsv(s, "  ВЕДОМОСТЬ № 5 \n\nпо физике\n")
                  .starts_with("\xEF\xBB\xBF" "ВЕДОМОСТЬ № 5\r\nпо физике\r\n\r\nФакультет;"));
  EXPECT_NE(csv.find("3;Громов Глеб;;;не явился\r\n"), std::string::npos);
  EXPECT_NE(csv.find("Из них: получивших \"\"отлично\"\"\";2"), std::string::npos) << "quotes doubled inside a quoted field";

  // Every test of the group: every result of it, nothing merged.
  const ExamSheet every = sheet({"ИС-1", "", true, 0});
  EXPECT_EQ(every.present, 8);
  EXPECT_EQ(every.absent, 0);
}

TEST_F(Sheets, ManyResultsPastTheOldFilterTextLimit) {
  students({});
  std::vector<std::string> names;
  std::vector<Result> list;
  for (int i = 0; i < 650; ++i) names.push_back("Студент " + std::to_string(1000 + i));
  for (int i = 0; i < 650; ++i) list.push_back({0, names[i].c_str(), 2 + i % 4});
  results(list);
  const ExamSheet s = sheet({"ИС-1", "Физика", false, 80000});
  EXPECT_EQ(s.present, 650);
  EXPECT_EQ(s.byMark[0] + s.byMark[1] + s.byMark[2] + s.byMark[3], 650);
  ExamSheet none;
  ASSERT_TRUE(buildExamSheet(inst, inst.base, "Stat", {"ИС-1", "Химия", false, 80000}, none));
  EXPECT_TRUE(none.empty());
}

TEST_F(Sheets, ListsForTheSetUpReadInOnePass) {
  students({});
  results({{1, "А", 5, "ИС-2", "Физика", 80002}, {2, "Б", 4, "ИС-1", "Химия", 80001}, {3, "В", 3, "ИС-1", "Физика", 80003},
           {4, "Г", 3, "ИС-1", "Физика", 80000}, {5, "Д", 3, "ИС-1", "Физика", 80003}, {6, "Е", 3, "", "Физика", 80004},
           {7, "Ж", 3, "ИС-2", "", 80005}});
  ExamSheetLists l;
  ASSERT_TRUE(examSheetLists(inst.base, "Stat", l));
  EXPECT_EQ(l.groups, (std::vector<std::string>{"ИС-1", "ИС-2"})) << "a blank group is not offered";
  EXPECT_EQ(l.testsOf("ИС-1"), (std::vector<std::string>{"Физика", "Химия"}));
  EXPECT_EQ(l.testsOf("ИС-2"), (std::vector<std::string>{"Физика"})) << "a blank test is not offered";
  EXPECT_TRUE(l.testsOf("ИС-3").empty());
  EXPECT_EQ(l.datesOf("ИС-1", "Физика"), (std::vector<std::int32_t>{80000, 80003}));
  EXPECT_EQ(l.datesOf("ИС-1", "Химия"), (std::vector<std::int32_t>{80001}));
  EXPECT_EQ(l.datesOf("ИС-2", "Физика"), (std::vector<std::int32_t>{80002}));
  EXPECT_TRUE(l.datesOf("ИС-2", "Химия").empty());
}

TEST_F(Sheets, RowsInAlphabeticalOrderWithYo) {
  students({{1, "Ёлкин", "Ёж", "", 1},
            {2, "Абрамов", "Иван", "", 1},
            {3, "Алёшин", "Пётр", "", 1},
            {4, "Алексеев", "Иван", "", 1},
            {5, "Жуков", "Иван", "", 1},
            {6, "Ежов", "Иван", "", 1}});
  results({{1, "Ёлкин Ёж", 5}, {3, "Алёшин Пётр", 4}, {0, "ёршов Гость", 3}, {0, "аверин гость", 3}});
  const ExamSheet s = sheet({"ИС-1", "Физика", false, 80000});
  std::vector<std::string> names;
  for (const ExamSheetRow& r : s.rows) names.push_back(r.name);
  EXPECT_EQ(names, (std::vector<std::string>{"Абрамов Иван", "аверин гость", "Алексеев Иван", "Алёшин Пётр", "Ежов Иван",
                                              "Ёлкин Ёж", "ёршов Гость", "Жуков Иван"}));
}

TEST_F(Sheets, HeadingKeptBetweenSheets) {
  std::string text;
  ASSERT_TRUE(readSheetHeading(inst, text));
  EXPECT_EQ(text, "");
  ASSERT_TRUE(writeSheetHeading(inst, "ЗАЧЕТНО-ЭКЗАМЕНАЦИОННАЯ ВЕДОМОСТЬ № 5"));
  ASSERT_TRUE(writeSheetHeading(inst, "ВЕДОМОСТЬ № 6"));
  ASSERT_TRUE(readSheetHeading(inst, text));
  EXPECT_EQ(text, "ВЕДОМОСТЬ № 6");
  EXPECT_FALSE(writeSheetHeading(inst, std::string(600, 'x'))) << "longer than the field: refused, not cut";
}

TEST_F(Sheets, CleanUpOffersOnlyLinesThatNoLongerNameTheirStudent) {
  // A surname long enough that the stored name is cut to 40 characters;
  // a student without a patronymic; one without a first name.
  students({{1, "Константинопольский-Оболенский", "Александр", "Владимирович", 1},
            {2, "Петров", "Пётр", "", 1},
            {3, "Сидоров", "Сидор", "", 1},
            {4, "Кузнецов", "", "Иванович", 1}});
  tables::Vedom v;
  store::Table vt(tables::vedomDef(), v, inst.central(tables::files::Vedom));
  ASSERT_EQ(vt.create(), store::Ok);
  ASSERT_EQ(vt.open(), store::Ok);
  auto line = [&](std::int32_t code, std::int32_t student, const std::string& name) {
    v = {};
    v.CODEVED = code;
    v.CODEST = student;
    v.NAMESTUD = name;
    ASSERT_EQ(vt.add(), store::Ok);
  };
  // The line as the Examiner writes it: the registered name into the
  // result, the result's name into the grade sheet.
  auto written = [](std::int32_t student, const char* fam, const char* name, const char* otche) {
    examiner::Registration r;
    r.fam = u(fam);
    r.name = u(name);
    r.otche = u(otche);
    r.code = student;
    tables::RezTest rez;
    rez.CODEST = student;
    rez.FIO = r.fullName();
    return std::string(common::vedomLine(rez, "Stat").NAMESTUD.view());
  };
  line(1, 1, written(1, "Константинопольский-Оболенский", "Александр", "Владимирович"));
  line(2, 2, written(2, "Петров", "Пётр", ""));
  line(3, 3, u("Сидоров Сидор Петрович"));  // the student was renamed since
  line(4, 9, u("Ушедший Студент"));     // the student is gone
  line(5, 2, written(2, "Петров", "Пётр", ""));
  line(6, 3, u("Сидоров С."));
  line(7, 4, written(4, "Кузнецов", "", "Иванович"));
  vt.close();

  // Each answer in turn; the questions name the lines.
  std::vector<std::string> asked;
  std::vector<CleanAnswer> answers = {CleanAnswer::Keep, CleanAnswer::Delete, CleanAnswer::Stop};
  CleanUpCount n;
  ASSERT_TRUE(cleanGradeSheet(inst, [&](const std::string& name) {
    asked.push_back(name);
    CleanAnswer a = answers.front();
    answers.erase(answers.begin());
    return a;
  }, n));
  EXPECT_EQ(asked, (std::vector<std::string>{"Сидоров Сидор Петрович", "Ушедший Студент", "Сидоров С."}));
  EXPECT_EQ(n.deleted, 1);
  EXPECT_EQ(n.read, 6) << "stopped at the sixth line";

  // "&Все удалить" on the first question deletes that line and the rest.
  asked.clear();
  ASSERT_TRUE(cleanGradeSheet(inst, [&](const std::string& name) {
    asked.push_back(name);
    return CleanAnswer::DeleteAll;
  }, n));
  EXPECT_EQ(asked.size(), 1u);
  EXPECT_EQ(n.deleted, 2);
  EXPECT_EQ(n.read, 6);
  ASSERT_EQ(vt.open(), store::Ok);
  std::vector<std::int32_t> left;
  int rc = vt.set(vt.key("KEYCODEVED"));
  while (rc == store::Ok && (rc = vt.next()) == store::Ok) left.push_back(v.CODEVED);
  EXPECT_EQ(left, (std::vector<std::int32_t>{1, 2, 5, 7}));
}
