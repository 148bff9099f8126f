// The results journal's rules through the Administrator's library: the
// filter text and what it shows, the test file of a stored result, copying,
// moving and deleting results with their details and class-journal lines,
// the export, and the protocol of a stored result.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "archive.h"
#include "cp1251.h"
#include "csv.h"
#include "datetime.h"
#include "filepath.h"
#include "demo_data.h"
#include "installation.h"
#include "protocol.h"
#include "result_file.h"
#include "results_journal.h"
#include "test_file.h"
#include "test_location.h"
#include "test_tables.h"

using namespace administrator;
using testing_tables::TempDir;

namespace {

std::string u(const std::string& s) { return cp1251::fromUtf8(s); }

struct Demo {
  TempDir tmp;
  demo::Installation made;
  setup::Installation inst;
  Demo() {
    EXPECT_EQ(demo::make(tmp / "demo", made), "");
    inst = setup::resolve(setup::Program::Administrator, made.directory);
    inst.keyWord = cp1251::pad(cp1251::fromUtf8(made.keyWord), 20);
  }
  std::string vedom() const { return inst.central(tables::files::Vedom); }
  ResultsJournals journals() const { return ResultsJournals(inst.base, vedom()); }
};

struct Row {
  std::int32_t code;
  std::string fio;
  std::string howot;  // "" with no detail
  int details;        // detail records carrying the code
};

// Every result of a journal by code, with its detail.
std::map<std::int32_t, Row> rowsOf(const std::string& base, const std::string& name, int* orphans = nullptr) {
  results::ResultFile rf;
  EXPECT_EQ(rf.open(base, name), store::Ok) << rf.error().text();
  std::map<std::int32_t, Row> out;
  rf.rezT.set(rf.rezT.key("KEYCODEREZ"));
  while (rf.rezT.next() == store::Ok) out[rf.rez.CODEREZ] = {rf.rez.CODEREZ, rf.rez.FIO.utf8(), "", 0};
  int lost = 0;
  rf.dtlT.set();
  while (rf.dtlT.next() == store::Ok) {
    auto it = out.find(rf.dtl.CODEREZ);
    if (it == out.end()) {
      ++lost;
      continue;
    }
    it->second.howot = rf.dtl.HOWOT.text;
    ++it->second.details;
  }
  if (orphans) *orphans = lost;
  return out;
}

std::vector<store::Position> positionsOf(const std::string& base, const std::string& name, std::vector<std::int32_t> codes) {
  results::ResultFile rf;
  EXPECT_EQ(rf.open(base, name), store::Ok);
  std::vector<store::Position> out;
  for (auto c : codes) {
    rf.rez.CODEREZ = c;
    EXPECT_EQ(rf.rezT.get(rf.rezT.key("KEYCODEREZ")), store::Ok) << c;
    out.push_back(rf.rezT.position());
  }
  return out;
}

// A journal of results with these codes, each with a detail "D<code>~"
// unless the code is in `brief`.
void makeJournal(const std::string& base, const std::string& name, const std::vector<std::int32_t>& codes,
                 const std::vector<std::int32_t>& brief = {}) {
  ASSERT_EQ(results::create(base, name), store::Ok);
  results::ResultFile rf;
  ASSERT_EQ(rf.open(base, name), store::Ok);
  for (auto c : codes) {
    rf.rez = tables::RezTest{};
    rf.rez.CODEREZ = c;
    rf.rez.FIO = u(name + " " + std::to_string(c));
    rf.dtl = tables::RezDtl{};
    rf.dtl.HOWOT = "D" + std::to_string(c) + "~";
    ASSERT_EQ(rf.add(std::find(brief.begin(), brief.end(), c) == brief.end()), store::Ok);
  }
}

std::vector<std::pair<std::int32_t, std::string>> vedomLines(const std::string& file) {
  tables::Vedom v;
  store::Table t(tables::vedomDef(), v, file);
  EXPECT_EQ(t.open(store::Shared), store::Ok);
  std::vector<std::pair<std::int32_t, std::string>> out;
  t.set(t.key("KEYCODEVED"));
  while (t.next() == store::Ok) out.emplace_back(v.CODEREZ, v.FILEREZ.utf8());
  return out;
}

// ------------------------------------------------------------------ filter

TEST(JournalFilter, TheTextJoinsTheChosenColumnsInTheirOrder) {
  using C = FilterColumn;
  struct Case {
    std::vector<C> chosen;
    bool on;
    std::string text;
  } cases[] = {
      {{}, true, ""},
      {{C::Group, C::Mark}, false, ""},
      {{C::Fio}, true, "UPPER(REZ:FIO) = UPPER(FIO)"},
      {{C::Group}, true, "UPPER(REZ:Gr) = UPPER(Gr)"},
      {{C::Group, C::Mark}, true, "UPPER(REZ:Gr) = UPPER(Gr) AND UPPER(REZ:Otmetka) = UPPER(Otm)"},
      {{C::Mark, C::Group}, true, "UPPER(REZ:Gr) = UPPER(Gr) AND UPPER(REZ:Otmetka) = UPPER(Otm)"},
      {{C::Fio, C::Group}, true, "UPPER(REZ:FIO) = UPPER(FIO) AND UPPER(REZ:GR) = UPPER(Gr)"},
      {{C::Test, C::Date}, true, "UPPER(REZ:NAMETEMA) = UPPER(Tema) AND UPPER(REZ:Date) = UPPER(DAT)"},
      {{C::Discipline}, true, "UPPER(REZ:PREDMET) = UPPER(PRD)"},
      {{C::Fio, C::Group, C::Test, C::Date, C::Mark, C::Discipline},
       true,
       "UPPER(REZ:FIO) = UPPER(FIO) AND UPPER(REZ:GR) = UPPER(Gr) AND UPPER(REZ:NAMETEMA) = UPPER(Tema) AND "
       "UPPER(REZ:Date) = UPPER(DAT) AND UPPER(REZ:Otmetka) = UPPER(Otm) AND UPPER(REZ:PREDMET) = UPPER(PRD)"},
  };
  for (const auto& c : cases) {
    JournalFilter f;
    f.on = c.on;
    for (C col : c.chosen) f.set[static_cast<std::size_t>(col)] = true;
    EXPECT_EQ(f.text(), c.text);
  }
  // The date range follows the six columns.
  JournalFilter r;
  r.reset(true);
  r.set[static_cast<std::size_t>(C::Group)] = true;
  r.dateFrom = 10;
  r.dateTo = 20;
  EXPECT_EQ(r.text(), "UPPER(REZ:Gr) = UPPER(Gr) AND REZ:DATE >= DATFROM AND REZ:DATE <= DATTO");
  r.reset(false);
  EXPECT_EQ(r.text(), "");
  EXPECT_FALSE(r.set[static_cast<std::size_t>(C::Group)]);
}

TEST(JournalFilter, TheStoreShowsWhatTheFilterMeansWithLetterCaseIgnored) {
  Demo d;
  results::ResultFile rf;
  ASSERT_EQ(rf.open(d.inst.base, d.made.resultFile), store::Ok);
  using C = FilterColumn;
  auto groups = distinctValues(rf.rezT, rf.rez, C::Group);
  auto dates = distinctValues(rf.rezT, rf.rez, C::Date);
  auto marks = distinctValues(rf.rezT, rf.rez, C::Mark);
  ASSERT_GE(groups.size(), 2u);
  ASSERT_EQ(dates.size(), 3u);  // the demo's attempts were made on three days
  EXPECT_TRUE(std::is_sorted(dates.begin(), dates.end(), [](auto& a, auto& b) { return std::stol(a) < std::stol(b); }));

  auto check = [&](const JournalFilter& f, int tab) -> std::size_t {
    std::vector<std::int32_t> byStore, byRule;
    EXPECT_EQ(listed(rf.rezT, rf.rez, tab, f, [&](store::Position) { byStore.push_back(rf.rez.CODEREZ); }), store::Ok)
        << f.text() << ": " << rf.rezT.error().text();
    rf.rezT.set(rf.rezT.key(orderKey(tab)));
    while (rf.rezT.next() == store::Ok)
      if (f.matches(rf.rez)) byRule.push_back(rf.rez.CODEREZ);
    EXPECT_EQ(byStore, byRule) << f.text();
    return byStore.size();
  };
  JournalFilter f;
  f.reset(true);
  EXPECT_EQ(check(f, 1), 6u);  // ticked, nothing chosen: all
  f.set[static_cast<std::size_t>(C::Group)] = true;
  f.group = cp1251::lower(groups[0]);  // typed in small letters
  std::size_t inGroup = check(f, 2);
  EXPECT_GT(inGroup, 0u);
  EXPECT_LT(inGroup, 6u);
  f.set[static_cast<std::size_t>(C::Mark)] = true;
  f.mark = static_cast<std::uint8_t>(std::stoi(marks[0]));
  EXPECT_LE(check(f, 6), inGroup);
  f.reset(true);
  f.set[static_cast<std::size_t>(C::Date)] = true;
  f.date = std::stoi(dates[1]);
  EXPECT_EQ(check(f, 5), 2u);
  f.reset(true);
  f.dateFrom = std::stoi(dates[1]);
  EXPECT_EQ(check(f, 3), 4u);
  f.dateTo = std::stoi(dates[1]);
  EXPECT_EQ(check(f, 4), 2u);
}

// ------------------------------------------------------------------ test location

TEST(TestLocation, ADemoResultFindsItsTestByTheRegisterAndByTheLibrary) {
  Demo d;
  results::ResultFile rf;
  ASSERT_EQ(rf.open(d.inst.base, d.made.resultFile), store::Ok);
  rf.rez.CODEREZ = 1;
  ASSERT_EQ(rf.rezT.get(rf.rezT.key("KEYCODEREZ")), store::Ok);
  tables::RezTest r = rf.rez;
  ASSERT_NE(r.NAMETEMA.utf8(), "Арифметика");  // the title is not the file name

  TestFound f = locateResultTest(r, d.inst);
  ASSERT_TRUE(f.found);
  EXPECT_EQ(f.path, d.made.library + "Арифметика.orm");
  EXPECT_EQ(f.base, "Арифметика");

  // A title that is the file name is taken as it stands.
  tables::RezTest byTitle = r;
  byTitle.NAMETEMA = u("География");
  EXPECT_EQ(locateResultTest(byTitle, d.inst).base, "География");

  // Without its register record the library's tests are read for the code.
  {
    tables::DataTest dt;
    store::Table t(tables::dataTestDef(), dt, d.inst.central(tables::files::DataTest));
    ASSERT_EQ(t.open(store::Shared), store::Ok);
    dt.CODETEST = r.CODETEMA;
    ASSERT_EQ(t.get(t.key("KEYCODE")), store::Ok);
    ASSERT_EQ(t.del(), store::Ok);
  }
  f = locateResultTest(r, d.inst);
  ASSERT_TRUE(f.found);
  EXPECT_EQ(f.base, "Арифметика");

  // A code no test has: message 35 names the file first looked for.
  tables::RezTest none = r;
  none.CODETEMA = 999;
  f = locateResultTest(none, d.inst);
  EXPECT_FALSE(f.found);
  messages::Message m = testNotFoundMessage(f);
  EXPECT_EQ(m.caption, "Ошибка считывания записи");
  EXPECT_NE(m.text.find(d.made.library + r.NAMETEMA.utf8() + ".orm"), std::string::npos) << m.text;
}

// ------------------------------------------------------------------ copy, move, delete

TEST(ResultsJournals, CopiedResultsTakeFreeCodesWithTheirOwnDetails) {
  Demo d;
  // Ten results whose codes have a gap: 5 was deleted, 11 is the highest.
  makeJournal(d.inst.base, "Десять", {1, 2, 3, 4, 6, 7, 8, 9, 10, 11});
  auto before = rowsOf(d.inst.base, d.made.resultFile);
  auto tagged = positionsOf(d.inst.base, d.made.resultFile, {2, 4, 5});
  JournalOutcome o = d.journals().copy(d.made.resultFile, tagged, "Десять", false);
  ASSERT_TRUE(o) << o.message;
  EXPECT_EQ(o.codes, (std::vector<std::int32_t>{12, 13, 14}));
  int orphans = -1;
  auto after = rowsOf(d.inst.base, "Десять", &orphans);
  EXPECT_EQ(after.size(), 13u);
  EXPECT_EQ(orphans, 0);
  const std::pair<std::int32_t, std::int32_t> pairs[] = {{2, 12}, {4, 13}, {5, 14}};
  for (auto [from, to] : pairs) {
    EXPECT_EQ(after[to].fio, before[from].fio);
    EXPECT_EQ(after[to].howot, before[from].howot) << to << " carries the answers of " << from;
    EXPECT_EQ(after[to].details, 1);
  }
  EXPECT_EQ(after[11].howot, "D11~");
  // A copy leaves the source as it was.
  EXPECT_EQ(rowsOf(d.inst.base, d.made.resultFile).size(), 6u);
}

TEST(ResultsJournals, ABrieflySavedResultIsCopiedWholeWithoutADetail) {
  Demo d;
  makeJournal(d.inst.base, "Краткий", {1, 2, 3}, {2});
  makeJournal(d.inst.base, "Куда", {1});
  auto tagged = positionsOf(d.inst.base, "Краткий", {2, 3});
  JournalOutcome o = d.journals().copy("Краткий", tagged, "Куда", false);
  ASSERT_TRUE(o) << o.message;
  int orphans = -1;
  auto after = rowsOf(d.inst.base, "Куда", &orphans);
  ASSERT_EQ(after.size(), 3u);
  EXPECT_EQ(after[2].fio, "Краткий 2");
  EXPECT_EQ(after[2].details, 0);
  EXPECT_EQ(after[3].fio, "Краткий 3");
  EXPECT_EQ(after[3].howot, "D3~");
  EXPECT_EQ(orphans, 0);
}

TEST(ResultsJournals, TheCurrentJournalIsNoDestinationAndAFailureChangesNothing) {
  Demo d;
  makeJournal(d.inst.base, "Куда", {1, 2});
  auto tagged = positionsOf(d.inst.base, d.made.resultFile, {1, 3});
  JournalOutcome o = d.journals().copy(d.made.resultFile, tagged, d.made.resultFile, true);
  EXPECT_EQ(o.error, JournalOutcome::Refused);
  EXPECT_NE(o.message.find("Выберите другой журнал назначения"), std::string::npos);
  EXPECT_EQ(rowsOf(d.inst.base, d.made.resultFile).size(), 6u);

  // A tagged result that is gone by now: the results copied before it are
  // taken back, the source keeps all of its own.
  tagged.push_back(tagged.back() + 100000);
  o = d.journals().copy(d.made.resultFile, tagged, "Куда", true);
  EXPECT_FALSE(o);
  EXPECT_NE(o.message.find("Журналы оставлены без изменений"), std::string::npos) << o.message;
  EXPECT_EQ(rowsOf(d.inst.base, "Куда").size(), 2u);
  EXPECT_EQ(rowsOf(d.inst.base, d.made.resultFile).size(), 6u);
}

TEST(ResultsJournals, AMoveFailingAtItsRenumberingTakesBackTheCopyAndTheClassJournal) {
  Demo d;
  // A code below 1, as a journal damaged elsewhere may hold, cannot be
  // renumbered in place: -1 would take code 1 while result 1 still has it.
  makeJournal(d.inst.base, "Битый", {-1, 1, 2, 3});
  makeJournal(d.inst.base, "Куда", {1});
  {
    tables::Vedom v;
    store::Table t(tables::vedomDef(), v, d.vedom());
    ASSERT_EQ(t.open(store::Shared), store::Ok);
    v = tables::Vedom{};
    v.CODEVED = 500;
    v.CODEREZ = 2;
    v.FILEREZ = u("Битый");
    ASSERT_EQ(t.add(), store::Ok);
  }
  const auto before = vedomLines(d.vedom());
  JournalOutcome o = d.journals().copy("Битый", positionsOf(d.inst.base, "Битый", {2}), "Куда", true);
  ASSERT_FALSE(o);
  EXPECT_NE(o.message.find("Не удалось перенумеровать журнал"), std::string::npos) << o.message;
  EXPECT_NE(o.message.find("Журналы оставлены без изменений"), std::string::npos) << o.message;
  // The copy into the destination, the class journal's line, the deletion:
  // all taken back.
  int orphans = -1;
  auto to = rowsOf(d.inst.base, "Куда", &orphans);
  EXPECT_EQ(to.size(), 1u);
  EXPECT_EQ(orphans, 0);
  auto from = rowsOf(d.inst.base, "Битый", &orphans);
  ASSERT_EQ(from.size(), 4u);
  EXPECT_EQ(orphans, 0);
  for (std::int32_t c : {-1, 1, 2, 3}) EXPECT_EQ(from[c].howot, "D" + std::to_string(c) + "~") << c;
  EXPECT_EQ(vedomLines(d.vedom()), before);
}

TEST(ResultsJournals, DeletingResultTwoOfThreeRenumbersWithTheAnswersAndTheClassJournal) {
  Demo d;
  makeJournal(d.inst.base, "Три", {1, 2, 3});
  {
    // Class-journal lines of this journal's results 2 and 3, and one of
    // another journal's result 3.
    tables::Vedom v;
    store::Table t(tables::vedomDef(), v, d.vedom());
    ASSERT_EQ(t.open(store::Shared), store::Ok);
    const std::pair<std::int32_t, const char*> lines[] = {{2, "Три"}, {3, "Три"}, {3, "Общий"}};
    std::int32_t code = 100;
    for (auto [rez, file] : lines) {
      v = tables::Vedom{};
      v.CODEVED = ++code;
      v.CODEREZ = rez;
      v.FILEREZ = u(file);
      ASSERT_EQ(t.add(), store::Ok);
    }
  }
  JournalOutcome o = d.journals().remove("Три", positionsOf(d.inst.base, "Три", {2}));
  ASSERT_TRUE(o) << o.message;
  int orphans = -1;
  auto after = rowsOf(d.inst.base, "Три", &orphans);
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[1].howot, "D1~");
  EXPECT_EQ(after[2].fio, "Три 3");
  EXPECT_EQ(after[2].howot, "D3~") << "result 2 shows the former result 3's answers";
  EXPECT_EQ(after[2].details, 1);
  EXPECT_EQ(orphans, 0) << "no detail is left behind with code 0";
  auto lines = vedomLines(d.vedom());
  std::vector<std::pair<std::int32_t, std::string>> tail(lines.end() - 3, lines.end());
  EXPECT_EQ(tail, (std::vector<std::pair<std::int32_t, std::string>>{{0, "Три"}, {2, "Три"}, {3, "Общий"}}));
}

TEST(ResultsJournals, AMoveCarriesTheResultsAndTheirClassJournalLines) {
  Demo d;
  makeJournal(d.inst.base, "Куда", {1, 2, 3});
  auto before = rowsOf(d.inst.base, d.made.resultFile);
  auto ved = vedomLines(d.vedom());
  ASSERT_EQ(ved.size(), 6u);
  JournalOutcome o = d.journals().copy(d.made.resultFile, positionsOf(d.inst.base, d.made.resultFile, {1, 4}), "Куда", true);
  ASSERT_TRUE(o) << o.message;
  EXPECT_EQ(o.codes, (std::vector<std::int32_t>{4, 5}));
  auto to = rowsOf(d.inst.base, "Куда");
  EXPECT_EQ(to[4].howot, before[1].howot);
  EXPECT_EQ(to[5].fio, before[4].fio);
  int orphans = -1;
  auto from = rowsOf(d.inst.base, d.made.resultFile, &orphans);
  ASSERT_EQ(from.size(), 4u);
  EXPECT_EQ(orphans, 0);
  // The rest renumbered 1..4 in the order of their codes: 2, 3, 5, 6.
  const std::pair<std::int32_t, std::int32_t> kept[] = {{1, 2}, {2, 3}, {3, 5}, {4, 6}};
  for (auto [now, was] : kept) EXPECT_EQ(from[now].howot, before[was].howot) << now;
  // The demo's lines name results 1..6 of "Общий", in order.
  auto lines = vedomLines(d.vedom());
  EXPECT_EQ(lines, (std::vector<std::pair<std::int32_t, std::string>>{
                       {4, "Куда"}, {1, "Общий"}, {2, "Общий"}, {5, "Куда"}, {3, "Общий"}, {4, "Общий"}}));
}

// ------------------------------------------------------------------ export

TEST(ResultsExport, TheFileHoldsTheListedResultsInTheirOrder) {
  Demo d;
  ASSERT_EQ(results::create(d.inst.base, "Экспорт"), store::Ok);
  results::ResultFile rf;
  ASSERT_EQ(rf.open(d.inst.base, "Экспорт"), store::Ok);
  struct In {
    std::int32_t code;
    const char* fio;
    const char* test;
    std::int32_t points;
  } ins[] = {{1, "Яковлев Я.Я.", "Дроби", 12},
             {2, "=HYPERLINK(\"x\";\"y\")", "Дроби", -3},
             {3, "Андреев; А.А.", "Дроби", 7},
             {4, "Борисов Б.Б.", "Другой тест", 5}};
  for (const auto& x : ins) {
    rf.rez = tables::RezTest{};
    rf.rez.CODEREZ = x.code;
    rf.rez.FIO = u(x.fio);
    rf.rez.GR = u("ФМ-101");
    rf.rez.NAMETEMA = u(x.test);
    rf.rez.DATE = datetime::dayNumber(2026, 1, 15);
    rf.rez.OTMETKA = 4;
    rf.rez.REZTEXT = u("Хорошо");
    rf.rez.PREDMET = u("Математика");
    rf.rez.OTDEL = u("Кафедра алгебры");
    rf.rez.WRITER = u("Петров");
    rf.rez.TIMEBEG = datetime::clockTime(9, 5, 0) + 1;
    rf.rez.TIMEEND = datetime::clockTime(9, 25, 30) + 1;
    rf.rez.KOLVOP = 8;
    rf.rez.KOLVOPOT = 7;
    rf.rez.KOLTROT = 5;
    rf.rez.REZBAL = x.points;
    ASSERT_EQ(rf.add(false), store::Ok);
  }
  JournalFilter f;
  f.reset(true);
  f.set[static_cast<std::size_t>(FilterColumn::Test)] = true;
  f.test = u("Дроби");
  TempDir out;
  std::string why;
  ASSERT_EQ(exportCsv(rf.rezT, rf.rez, 2, f, out / "list.csv", &why), store::Ok) << why;
  std::ifstream in(out / "list.csv", std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  // By name; "Другой тест" filtered out; the field holding ";" quoted, the
  // one a spreadsheet would take for a formula kept as text, -3 a number.
  const std::string tail = ";ФМ-101;Дроби;15.01.2026;4;Хорошо;Математика;Кафедра алгебры;Петров;09:05:00;09:25:30;8;7;5;";
  EXPECT_EQ(ss.str(),
            "\xEF\xBB\xBF"
            "№;Фамилия И.О.;Группа;Тест;Дата;Оценка;Результат;Дисциплина;Кафедра;Автор;Старт;Финиш;Kol Vop;Отвечено;Верно;REZBAL;Процент\r\n"
            "2;\"'=HYPERLINK(\"\"x\"\";\"\"y\"\")\"" + tail + "-3;63\r\n"
            "3;\"Андреев; А.А.\"" + tail + "7;63\r\n"
            "1;Яковлев Я.Я." + tail + "12;63\r\n");
}

TEST(ResultsExport, ASpreadsheetTakesNoFieldForAFormula) {
  const std::pair<const char*, const char*> cases[] = {
      {"=1+2", "'=1+2"},         {"+7 900", "'+7 900"},    {"-x", "'-x"},      {"@SUM(A1)", "'@SUM(A1)"},
      {"\tИванов", "'\tИванов"}, {"-3", "-3"},             {"+5", "+5"},        {"-0,25", "-0,25"},
      {"-0.5", "-0.5"},          {"-", "'-"},              {"Иванов", "Иванов"}, {"=a;b", "\"'=a;b\""},
      {"", ""},                  {"a=b", "a=b"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(common::csvField(in), out) << in;
}

// ------------------------------------------------------------------ protocol

// The time allowed as the Examiner's own protocol of the same attempt says
// it: the kind of limit is the test's, as the result holds only the minutes.
TEST(JournalProtocol, TheTimeAllowedIsTheExaminersForTheSameAttempt) {
  Demo d;
  auto timeLine = [](const common::Protocol& p) {
    for (const auto& [l, v] : p.lines)
      if (l == "Установлено время на тест:") return v;
    return std::string("(нет строки)");
  };
  results::ResultFile rf;
  ASSERT_EQ(rf.open(d.inst.base, d.made.resultFile), store::Ok);
  std::map<std::string, tables::RezTest> byTest;  // one result of each demo test, by its file
  rf.rezT.set(rf.rezT.key("KEYCODEREZ"));
  while (rf.rezT.next() == store::Ok) {
    TestFound f = locateResultTest(rf.rez, d.inst);
    ASSERT_TRUE(f.found) << rf.rez.CODEREZ;
    byTest.emplace(f.base, rf.rez);
  }
  // "Информатика" has no limit yet keeps 20 minutes in TEM:TIMETEST.
  ASSERT_EQ(byTest.count("Арифметика"), 1u);
  ASSERT_EQ(byTest.count("Информатика"), 1u);
  // No demo attempt is at "География": one as the Examiner would store it.
  tables::RezTest geo = byTest["Арифметика"];
  geo.NAMETEMA = u("География России и мира");
  geo.CODETEMA = 2;
  geo.TIMEPROSVOP = (10 * 60 + 1) * 100;
  byTest["География"] = geo;
  EXPECT_EQ(byTest["Информатика"].TIMEPROSVOP, (20 * 60 + 1) * 100);

  auto examinersLine = [&](const tables::RezTest& r, const std::string& file) {
    testfile::TestFile tf;
    tf.name(d.made.library, file, d.inst.keyWord);
    EXPECT_EQ(tf.open(store::Shared), store::Ok) << file;
    std::vector<tables::Vop> frames;
    if (tf.vopT.set() == store::Ok)
      while (tf.vopT.next() == store::Ok) frames.push_back(tf.vop);
    return timeLine(common::protocolOf(r, tf.tema, tf.titul, tables::TuneTest{}, {}, frames));
  };
  auto journalsLine = [&](const tables::RezTest& r) {
    auto timing = testTimingOf(r, d.inst);
    return timeLine(common::journalProtocolOf(r, tables::TuneTest{}, timing ? &*timing : nullptr));
  };
  const std::pair<const char*, const char*> cases[] = {
      {"Арифметика", "15 мин."}, {"География", "10 мин."}, {"Информатика", "не ограничено"}};
  for (const auto& [file, text] : cases) {
    EXPECT_EQ(journalsLine(byTest[file]), text) << file;
    EXPECT_EQ(examinersLine(byTest[file], file), text) << file;
  }

  // A limit per frame: the frames' seconds, as the Examiner puts them.
  {
    testfile::TestFile tf;
    tf.name(d.made.library, "Информатика", d.inst.keyWord);
    ASSERT_EQ(tf.open(), store::Ok);
    ASSERT_EQ(tf.temaT.set(), store::Ok);
    ASSERT_EQ(tf.temaT.next(), store::Ok);
    tf.tema.HOWTIMETEST = 1;
    ASSERT_EQ(tf.temaT.put(), store::Ok);
  }
  EXPECT_EQ(journalsLine(byTest["Информатика"]), "60 сек. на задание");
  EXPECT_EQ(examinersLine(byTest["Информатика"], "Информатика"), "60 сек. на задание");

  // A test that is nowhere to be found: the journal does not guess.
  tables::RezTest lost = byTest["Арифметика"];
  lost.NAMETEMA = u("Удалённый тест");
  lost.CODETEMA = 999;
  EXPECT_FALSE(testTimingOf(lost, d.inst));
  EXPECT_EQ(journalsLine(lost), "нет сведений (тест не найден)");
}

TEST(JournalProtocol, ATestStoppedForWrongAnswersHidesTheMarkAndThePercentage) {
  tables::RezTest r;
  tables::TuneTest tune;
  r.CODEREZ = 7;
  r.KOLVOP = 0;  // no frame was put: no division by it
  r.OTMETKA = 2;
  r.REZTEXT = u("Неудовлетворительно");
  auto labels = [](const common::Protocol& p) {
    std::map<std::string, std::string> m;
    for (const auto& [l, v] : p.lines) m[l] = v;
    return m;
  };
  auto p = labels(common::journalProtocolOf(r, tune));
  EXPECT_EQ(p["Код:"], "7");
  EXPECT_EQ(p["Процент верных ответов:"], "0 %");
  EXPECT_EQ(p["Оценка:"], "2 (Неудовлетворительно)");
  EXPECT_FALSE(common::journalProtocolOf(r, tune).showWrong) << "no frame, no wrong answer";
  r.PRDURAK = 1;
  r.KOLVOP = 7;
  r.KOLTROT = 1;
  r.ALLOT.fill(2);
  r.ALLOT[2] = 0;
  r.ALLOT[4] = 0;
  auto full = common::journalProtocolOf(r, tune);
  p = labels(full);
  EXPECT_EQ(p.count("Процент верных ответов:"), 0u);
  EXPECT_EQ(p.count("Оценка:"), 0u);
  EXPECT_EQ(p.count("Количество баллов:"), 1u);
  EXPECT_TRUE(full.showWrong);
  EXPECT_EQ(full.wrong, "003,005,");
}

// ------------------------------------------------------------------ journal list

TEST(JournalList, ANewNameMustNameAJournalAndFitItsFields) {
  Demo d;
  const std::string tooLong(common::Archive::kNameWidth + 1, 'x');
  const std::string longest(common::Archive::kNameWidth, 'x');
  const struct {
    std::string name;
    bool taken;
  } cases[] = {
      {"Итог?", false}, {"a:b", false},   {".", false},      {"..", false},        {"", false},
      {"  ", false},    {"../x", false},  {"a/b", false},    {tooLong, false},     {"日本", false},
      {"<a>", false},   {"a|b", false},   {"\"a\"", false}, {"Гр 1.2", true},     {longest, true},
  };
  common::Archive a(d.inst.base, d.made.resultFile);
  ASSERT_EQ(results::create(d.inst.base, "Старый"), store::Ok);
  for (const auto& c : cases) {
    EXPECT_EQ(!a.create(c.name), c.taken) << "create " << c.name;
    EXPECT_EQ(filepath::exists(filepath::resolve(results::path(d.inst.base, c.name))), c.taken) << c.name;
    if (c.taken) continue;
    EXPECT_TRUE(a.rename("Старый", c.name)) << "rename to " << c.name;
    EXPECT_TRUE(filepath::exists(filepath::resolve(results::path(d.inst.base, "Старый"))));
  }
  EXPECT_FALSE(a.rename("Старый", "Новый"));
}

TEST(JournalList, ARenameCarriesTheJournalsNameInTheCentralTables) {
  Demo d;
  makeJournal(d.inst.base, "Весна", {1, 2});
  const std::string springCp = u("Весна"), otherPath = u("/elsewhere/Stat/Весна.rez");
  {
    tables::Vedom v;
    store::Table t(tables::vedomDef(), v, d.vedom());
    ASSERT_EQ(t.open(store::Shared), store::Ok);
    for (std::int32_t c : {1, 2}) {
      v = tables::Vedom{};
      v.CODEVED = 700 + c;
      v.CODEREZ = c;
      v.FILEREZ = springCp;
      ASSERT_EQ(t.add(), store::Ok);
    }
    tables::Labr l;
    store::Table lt(tables::labrDef(), l, d.inst.central(tables::files::Labr));
    ASSERT_EQ(lt.open(store::Shared), store::Ok);
    ASSERT_EQ(lt.set(), store::Ok);
    ASSERT_EQ(lt.next(), store::Ok);
    l.CURREZ = springCp;
    ASSERT_EQ(lt.put(), store::Ok);
    tables::TuneTest tu;
    store::Table tt(tables::tuneTestDef(), tu, d.inst.central(tables::files::TuneTest));
    ASSERT_EQ(tt.open(store::Shared), store::Ok);
    ASSERT_EQ(tt.set(), store::Ok);
    ASSERT_EQ(tt.next(), store::Ok);
    tu.CURREZ = springCp;
    ASSERT_EQ(tt.put(), store::Ok);
    tables::AllRez al;
    store::Table at(tables::allRezDef(), al, d.inst.central(tables::files::AllRez));
    ASSERT_EQ(at.open(store::Shared), store::Ok);
    ASSERT_EQ(results::catalogue(at, al, springCp, u(results::path(d.inst.base, "Весна")), 1), store::Ok);
    ASSERT_EQ(results::catalogue(at, al, springCp, otherPath, 1), store::Ok);  // another folder's journal
  }
  auto names = [&] {
    std::vector<std::string> out;
    for (const auto& [code, file] : vedomLines(d.vedom()))
      if (code >= 1 && code <= 2 && file != "Общий") out.push_back("VED " + file);
    tables::Labr l;
    store::Table lt(tables::labrDef(), l, d.inst.central(tables::files::Labr));
    EXPECT_EQ(lt.open(store::Shared), store::Ok);
    lt.set();
    if (lt.next() == store::Ok) out.push_back("LAB " + l.CURREZ.utf8());
    tables::TuneTest tu;
    store::Table tt(tables::tuneTestDef(), tu, d.inst.central(tables::files::TuneTest));
    EXPECT_EQ(tt.open(store::Shared), store::Ok);
    tt.set();
    if (tt.next() == store::Ok) out.push_back("TUN " + tu.CURREZ.utf8());
    tables::AllRez al;
    store::Table at(tables::allRezDef(), al, d.inst.central(tables::files::AllRez));
    EXPECT_EQ(at.open(store::Shared), store::Ok);
    at.set();
    while (at.next() == store::Ok)
      if (al.NAMEREZ.utf8() != d.made.resultFile) out.push_back("ALL " + al.NAMEREZ.utf8() + " " + al.PATHREZ.utf8());
    return out;
  };
  const std::string base = d.inst.base;
  const std::vector<std::string> before = {"VED Весна", "VED Весна", "LAB Весна", "TUN Весна",
                                           "ALL Весна " + results::path(base, "Весна"), "ALL Весна /elsewhere/Stat/Весна.rez"};
  ASSERT_EQ(names(), before);

  common::Archive a(base, d.made.resultFile);
  // A central table that cannot be opened: nothing is renamed, and it is said.
  const std::string labr = d.inst.central(tables::files::Labr);
  ASSERT_EQ(std::rename(labr.c_str(), (labr + ".saved").c_str()), 0);
  { std::ofstream(labr, std::ios::binary) << "not a table at all, not a table at all, not a table at all"; }
  auto why = a.rename("Весна", "Весна 2026");
  ASSERT_TRUE(why);
  EXPECT_NE(why->find("Журнал результатов не переименован"), std::string::npos) << *why;
  EXPECT_TRUE(filepath::exists(results::path(base, "Весна")));
  EXPECT_FALSE(filepath::exists(results::path(base, "Весна 2026")));
  ASSERT_EQ(std::rename((labr + ".saved").c_str(), labr.c_str()), 0);
  EXPECT_EQ(names(), before);

  why = a.rename("Весна", "Весна 2026");
  ASSERT_FALSE(why) << *why;
  EXPECT_FALSE(filepath::exists(results::path(base, "Весна")));
  EXPECT_EQ(rowsOf(base, "Весна 2026").size(), 2u);
  EXPECT_EQ(names(), (std::vector<std::string>{"VED Весна 2026", "VED Весна 2026", "LAB Весна 2026", "TUN Весна 2026",
                                               "ALL Весна 2026 " + results::path(base, "Весна 2026"),
                                               "ALL Весна /elsewhere/Stat/Весна.rez"}));
}

}  // namespace
